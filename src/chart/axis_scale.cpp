#include "chart/axis_scale.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/datetime.h"
#include "chart/axis_panel.h"
#include "chart/plot_const.h"
#include "chart/plot_format.h"

namespace brine::chart {

namespace {
constexpr double kMinute = 60.0 / 86400.0;
constexpr double kHour = 1.0 / 24.0;
// Growing loops stop after this many rounds whatever the settings.
constexpr int kMaxStepRounds = 5000;
// Day counts of 0001-01-01 and 9999-12-31: dates outside are not decoded.
constexpr double kFirstDay = -693593.0;
constexpr double kLastDay = 2958465.0;

int addPixel(int base, long long delta) {
    const long long r = static_cast<long long>(base) + delta;
    return static_cast<int>(std::clamp<long long>(r, INT_MIN, INT_MAX));
}
}  // namespace

const double CalendarSteps[NumCalendarSteps] = {
    OneMicrosecond, 1.0 / 86400000.0, OneSecond, 5 * OneSecond, 10 * OneSecond, 15 * OneSecond, 30 * OneSecond,
    kMinute,        5 * kMinute,      10 * kMinute, 15 * kMinute, 30 * kMinute,  kHour,         2 * kHour,
    6 * kHour,      12 * kHour,       1,         2,            3,             7,             15,
    30,             60,               90,        120,          182,           365};

double NiceStep(double x) {
    if (!(x > 0) || std::isinf(x)) return x;
    double scale = 1;
    while (x >= 10) {
        x *= 0.1;
        scale *= 10;
    }
    while (x < 1) {
        x *= 10;
        scale *= 0.1;
    }
    return scale * (x < 2 ? 2 : (x < 5 ? 5 : 10));
}

double NextDateTimeStep(double step) {
    for (int i = 25; i >= 0; --i)
        if (CalendarSteps[i] <= step) return CalendarSteps[i + 1];
    return CalendarSteps[26];
}

int FindDateTimeStep(double value) {
    for (int i = 26; i >= 0; --i)
        if (std::fabs(CalendarSteps[i] - value) < OneMicrosecond) return i;
    return NoDateTimeStep;
}

namespace {
bool decodeDate(double value, int& y, int& m, int& d) {
    if (!(value >= kFirstDay && value <= kLastDay)) return false;
    const DateTimeParts p = DecodeDateTime(std::trunc(value));
    y = p.year;
    m = p.month;
    d = p.day;
    return true;
}

bool encodeDate(int y, int m, int d, double& out) {
    DateTimeParts p;
    p.year = y;
    p.month = m;
    // A day beyond the month's end (29 February a year later) takes its last day.
    p.day = (y >= 1 && y <= 9999 && m >= 1 && m <= 12) ? std::min(d, DaysInMonth(y, m)) : d;
    return TryEncodeDateTime(p, out);
}
}  // namespace

void StepDateTime(bool Exact, bool Increment, double& Value, double Step, int StepIndex) {
    int y = 0, m = 0, d = 0;
    if (Exact && StepIndex >= 20 && StepIndex <= 26 && decodeDate(Value, y, m, d)) {
        if (StepIndex == 20) {
            if (!Increment) {
                if (d > 15) {
                    d = 15;
                } else if (d > 1) {
                    d = 1;
                } else {
                    d = 15;
                    if (--m < 1) {
                        m = 12;
                        --y;
                    }
                }
            } else if (d < 15) {
                d = 15;
            } else {
                d = 1;
                if (++m > 12) {
                    m = 1;
                    ++y;
                }
            }
        } else if (StepIndex == 26) {
            y += Increment ? 1 : -1;
        } else {
            static const int months[] = {1, 2, 3, 4, 6};
            const int n = months[StepIndex - 21];
            d = 1;
            if (!Increment) {
                if (n >= m) {
                    --y;
                    m = m - n + 12;
                } else {
                    m -= n;
                }
            } else {
                m += n;
                if (m >= 13) {
                    ++y;
                    m -= 12;
                }
            }
        }
        double out = 0;
        if (encodeDate(y, m, d, out)) {
            Value = out;
            return;
        }
    }
    Value = Increment ? Value + Step : Value - Step;
}

double RoundDateDown(double Value, int StepIndex) {
    int y = 0, m = 0, d = 0;
    if (Value <= PlotOldestRoundDate || !decodeDate(Value, y, m, d)) return Value;
    if (StepIndex == 20)
        d = d >= 15 ? 15 : 1;
    else if (StepIndex >= 21 && StepIndex <= 25)
        d = 1;
    else if (StepIndex == 26)
        d = m = 1;
    double out = Value;
    encodeDate(y, m, d, out);
    return out;
}

QString DefaultDateTimeFormat(double Step) {
    // Steps of the calendar table equal these exactly; a typed increment may
    // miss them in the last bit.
    const auto atLeast = [Step](double unit) { return Step >= unit * (1 - 1e-9); };
    if (atLeast(1)) return QStringLiteral("yyyy/mm/dd");
    if (atLeast(kMinute)) return QStringLiteral("yyyy/mm/dd hh:nn");
    if (atLeast(OneSecond)) return QStringLiteral("yyyy/mm/dd hh:nn:ss");
    return QStringLiteral("yyyy/mm/dd hh:nn:ss zzz");
}

// ---- TChartAxis: construction

TChartAxis::TChartAxis(TCustomAxisPanel* panel)
    : ParentChart(panel), LabelsFont([this] { Invalidate(); }), AxisValuesFormat_(PlotMsg_DefaultValueFormat) {
    ChooseValueToPixel();
    createDrawingParts();
    if (ParentChart) ParentChart->AxesList.Add(this);
}

TChartAxis::~TChartAxis() {
    if (!ParentChart) return;
    for (TChartSeries* s : ParentChart->SeriesList().Items) {
        if (s->CustomHorizAxis() == this) s->SetCustomHorizAxis(nullptr);
        if (s->CustomVertAxis() == this) s->SetCustomVertAxis(nullptr);
    }
    ParentChart->AxesList.Remove(this);
    for (TChartAxis* a : ParentChart->AxesList)
        if (a->MasterAxis == this) a->MasterAxis = nullptr;
    ParentChart->Tools.AxisRemoved(this);
}

TChartDepthAxis::TChartDepthAxis(TCustomAxisPanel* panel) : TChartAxis(panel) {
    DepthAxisFlag = true;
    SetVisible(false);
    ChooseValueToPixel();
}

bool TChartAxis::IsCustom() const {
    if (!ParentChart) return false;
    return ParentChart->AxesList.IndexOf(this) >= 6;
}

void TChartAxis::Invalidate() const {
    if (ParentChart) ParentChart->Invalidate();
}

// ---- setters

namespace {
template <typename T>
bool store(T& field, const T& v) {
    if (field == v) return false;
    field = v;
    return true;
}
}  // namespace

void TChartAxis::SetAutomatic(bool v) {
    const bool changed = store(Automatic_, v);
    if (!(ParentChart && ParentChart->Loading)) {
        AutomaticMinimum_ = v;
        AutomaticMaximum_ = v;
    }
    if (changed) Invalidate();
}

void TChartAxis::SetAutomaticMaximum(bool v) {
    if (!store(AutomaticMaximum_, v)) return;
    if (!v)
        Automatic_ = false;
    else if (AutomaticMinimum_)
        Automatic_ = true;
    Invalidate();
}

void TChartAxis::SetAutomaticMinimum(bool v) {
    if (!store(AutomaticMinimum_, v)) return;
    if (!v)
        Automatic_ = false;
    else if (AutomaticMaximum_)
        Automatic_ = true;
    Invalidate();
}

void TChartAxis::SetMaximum(double v) {
    // A limit that is no finite number would leave no range to draw.
    if (!std::isfinite(v) || (!(ParentChart && ParentChart->Loading) && v < Minimum_))
        throw AxisException(PlotMsg_AxisMaximum);
    if (store(Maximum_, v)) Invalidate();
}

void TChartAxis::SetMinimum(double v) {
    if (!std::isfinite(v) || (!(ParentChart && ParentChart->Loading) && v > Maximum_))
        throw AxisException(PlotMsg_AxisMinimum);
    if (store(Minimum_, v)) Invalidate();
}

void TChartAxis::SetIncrement(double v) {
    if (!(v >= 0)) throw AxisException(PlotMsg_AxisIncrement);
    if (store(Increment_, v)) Invalidate();
}

void TChartAxis::SetLogarithmic(bool v) {
    if (v && !Logarithmic_) {
        if (AxisIsDateTime()) throw AxisException(PlotMsg_AxisDateTimeLogarithmic);
        ApplyAutoRange();
        if (ScaleMinimum < 0 || ScaleMaximum < 0) throw AxisException(PlotMsg_AxisLogarithmicMinMax);
    }
    if (!store(Logarithmic_, v)) return;
    ChooseValueToPixel();
    RecalcScale();
    Invalidate();
}

void TChartAxis::SetLogarithmicBase(double v) {
    if (v == 1 || !(v > 0)) throw AxisException(PlotMsg_AxisLogarithmicBase);
    if (store(LogarithmicBase_, v)) Invalidate();
}

void TChartAxis::SetLabelsSeparation(int v) {
    if (v < 0) throw AxisException(PlotMsg_AxisLabelsSeparation);
    if (store(LabelsSeparation_, v)) Invalidate();
}

void TChartAxis::SetMinimumOffset(int v) {
    if (store(MinimumOffset_, v)) Invalidate();
}
void TChartAxis::SetMaximumOffset(int v) {
    if (store(MaximumOffset_, v)) Invalidate();
}
void TChartAxis::SetLabelsAlternate(bool v) {
    if (store(LabelsAlternate_, v)) Invalidate();
}
void TChartAxis::SetExactDateTime(bool v) {
    if (store(ExactDateTime_, v)) Invalidate();
}
void TChartAxis::SetRoundFirstLabel(bool v) {
    if (store(RoundFirstLabel_, v)) Invalidate();
}
void TChartAxis::SetDateTimeFormat(const QString& v) {
    if (store(DateTimeFormat_, v)) Invalidate();
}
void TChartAxis::SetAxisValuesFormat(const QString& v) {
    if (store(AxisValuesFormat_, v)) Invalidate();
}
void TChartAxis::SetStartPosition(double v) {
    if (store(StartPosition_, v)) Invalidate();
}
void TChartAxis::SetEndPosition(double v) {
    if (store(EndPosition_, v)) Invalidate();
}
void TChartAxis::SetPositionPercent(double v) {
    if (store(PositionPercent_, v)) Invalidate();
}
void TChartAxis::SetPositionUnits(TPlotUnits v) {
    if (store(PositionUnits_, v)) Invalidate();
}
void TChartAxis::SetInverted(bool v) {
    if (store(Inverted_, v)) Invalidate();
}
void TChartAxis::SetHorizontal(bool v) {
    if (!store(Horizontal_, v)) return;
    ChooseValueToPixel();
    Invalidate();
}
void TChartAxis::SetOtherSide(bool v) {
    if (store(OtherSide_, v)) Invalidate();
}
void TChartAxis::SetZPosition(double v) {
    if (store(ZPosition_, v == 0 ? 0.01 : v)) Invalidate();
}
void TChartAxis::SetVisible(bool v) {
    if (store(Visible_, v)) Invalidate();
}

bool TChartAxis::IsAxisValuesFormatStored() const { return AxisValuesFormat_ != PlotMsg_DefaultValueFormat; }

bool TChartAxis::IsZPositionStored() const {
    if (DepthAxisFlag) return false;
    if (OtherSide_) return ZPosition_ != 100;
    return ZPosition_ > 0.011;
}

// ---- increments

bool TChartAxis::fewPointsOnAxis(int MaxLabels) const {
    if (!ParentChart) return false;
    for (TChartSeries* s : ParentChart->SeriesList().Items)
        if (s->Active() && s->AssociatedToAxis(this) && s->YMandatory == Horizontal_ && s->Count() <= MaxLabels)
            return true;
    return false;
}

double TChartAxis::StepForLabelCount(int MaxLabels) const {
    if (MaxLabels <= 0) return IsDateTimeScale ? CalendarSteps[0] : MinAxisIncrement;
    if (IsDateTimeScale) {
        double step = std::max(OneMicrosecond, Increment_);
        if (ScaleRange / step > 1000000) step = ScaleRange / 1000000;
        for (int round = 0; round < kMaxStepRounds; ++round) {
            if (Round(ScaleRange / step) <= MaxLabels) break;
            if (step >= 365)
                step *= 2;
            else if (step >= OneSecond)
                step = NextDateTimeStep(step);
            else
                step = NiceStep(step);
        }
        return std::max(OneMicrosecond, step);
    }

    double step;
    if (Increment_ > 0) {
        step = Increment_;
    } else if (ScaleRange == 0) {
        step = 1;
    } else {
        step = std::fabs(ScaleRange) / (MaxLabels + 1);
        if (Logarithmic_)
            step = std::pow(LogarithmicBase_, Round(std::log(step) / std::log(LogarithmicBase_)));
        if (ScaleRange >= 1 && fewPointsOnAxis(MaxLabels)) step = std::max(step, 1.0);
    }
    if (LabelsSeparation_ > 0) {
        int n = MaxLabels + 1;
        for (int round = 0; round < kMaxStepRounds; ++round) {
            const double q = ScaleRange / step;
            bool grow = true;
            if (std::fabs(q) < 2147483647.0) {
                n = Round(q);
                grow = n > MaxLabels;
            }
            if (grow) {
                const double next = Logarithmic_ ? step * LogarithmicBase_ : NiceStep(step);
                // A base below 1 or a step that cannot grow would never end.
                if (!(next > step)) break;
                step = next;
            }
            if (n <= MaxLabels || step > ScaleRange || std::isinf(step)) break;
        }
    }
    if (std::isinf(step)) return ScaleRange;
    return std::max(MinAxisIncrement, step);
}

double TChartAxis::StepForLabelSize(int LabelSize) const {
    int count = 1;
    if (LabelSize >= 1) {
        int size = LabelSize;
        if (LabelsSeparation_ > 0) size += Round(LabelsSeparation_ * 0.01 * LabelSize);
        count = Round(static_cast<double>(PixelLength) / size);
    }
    return StepForLabelCount(count);
}

int TChartAxis::labelExtent(double value) {
    if (!ParentChart) return 0;
    TPlotCanvas3D& c = ParentChart->Canvas();
    c.AssignFont(LabelsFont);
    const QStringList lines = FormatAxisLabel(value).split(QChar(13));
    int width = 0;
    for (const QString& line : lines) width = std::max(width, c.TextWidth(line));
    const int height = c.FontHeight() * static_cast<int>(lines.size());
    const bool upright = LabelsAngle == 90 || LabelsAngle == 270;
    if (Horizontal_) return upright ? height : width;
    return (LabelsAngle == 0 || LabelsAngle == 180) ? height : width;
}

double TChartAxis::ComputeLabelStep() {
    const auto measured = [this] {
        const int extent = std::max(labelExtent(ScaleMaximum), labelExtent(ScaleMinimum));
        double step = StepForLabelSize(extent);
        if (LabelsAlternate_) step = Logarithmic_ ? step / LogarithmicBase_ : step * 0.5;
        return step;
    };
    // Date labels are measured with the format of the whole range first; a
    // finer step shows more of the date and time, so its labels are measured
    // again in that (as wide or wider) format.
    DateTimeLabelStep_ = 0;
    double step = measured();
    if (IsDateTimeScale && DateTimeFormat_.isEmpty()) {
        DateTimeLabelStep_ = step;
        if (DefaultDateTimeFormat(step) != DefaultDateTimeFormat(ScaleRange)) step = measured();
        DateTimeLabelStep_ = step;
    }
    return step;
}

// ---- range

void TChartAxis::FetchAutoRange(double& AMin, double& AMax) {
    if (!ParentChart) return;
    const double lo = Horizontal_ ? ParentChart->MinXValue(this) : ParentChart->MinYValue(this);
    const double hi = Horizontal_ ? ParentChart->MaxXValue(this) : ParentChart->MaxYValue(this);
    if (Automatic_ || AutomaticMinimum_) AMin = lo;
    if (Automatic_ || AutomaticMaximum_) AMax = hi;
}

void TChartAxis::ApplyAutoRange() {
    FetchAutoRange(Minimum_, Maximum_);
    ScaleMaximum = Maximum_;
    ScaleMinimum = Minimum_;
    RecalcScale();
}

void TChartAxis::RecalcScale() {
    // Ends so far apart that their distance is no number are pulled in to
    // half the largest double each: the range stays a finite number.
    if (!std::isfinite(ScaleMaximum - ScaleMinimum)) {
        constexpr double half = std::numeric_limits<double>::max() / 2;
        ScaleMinimum = std::clamp(std::isnan(ScaleMinimum) ? 0.0 : ScaleMinimum, -half, half);
        ScaleMaximum = std::clamp(std::isnan(ScaleMaximum) ? 0.0 : ScaleMaximum, -half, half);
    }
    ScaleRange = ScaleMaximum - ScaleMinimum;
    RangeIsZero = ScaleRange == 0;
    PixelsPerUnit = RangeIsZero ? 0 : PixelLength / ScaleRange;
    if (Logarithmic_) {
        LogScaleMaximum = ScaleMaximum > 0 ? std::log(ScaleMaximum) : 0;
        LogScaleMinimum = ScaleMinimum > 0 ? std::log(ScaleMinimum) : 0;
        LogScaleRange = LogScaleMaximum - LogScaleMinimum;
        PixelsPerLogUnit = LogScaleRange == 0 ? 0 : PixelLength / LogScaleRange;
    }
    int size = 0;
    if (ParentChart) size = DepthAxisFlag ? ParentChart->ChartHeight : ParentChart->Width3D;
    ZPixelPosition = Round(size * ZPosition_ * 0.01);
}

void TChartAxis::UpdateAxisPixels() {
    int length = 0, base = 0;
    if (ParentChart) {
        if (DepthAxisFlag) {
            length = ParentChart->Width3D;
        } else if (Horizontal_) {
            length = ParentChart->ChartWidth;
            base = ParentChart->ChartRect.Left;
        } else {
            length = ParentChart->ChartHeight;
            base = ParentChart->ChartRect.Top;
        }
    }
    PixelStart = base + Round(length * 0.01 * StartPosition_);
    PixelEnd = base + Round(length * 0.01 * EndPosition_);
    PixelLength = PixelEnd - PixelStart;
    PixelCentre = static_cast<int>((static_cast<long long>(PixelStart) + PixelEnd) / 2);
    RecalcScale();
}

void TChartAxis::AdjustPixelMargins(const TRect& Rect) {
    long long a = Horizontal_ ? Rect.Left : Rect.Top;
    long long b = Horizontal_ ? Rect.Right : Rect.Bottom;
    const int s = PixelStart, e = PixelEnd;
    // Margins that leave less than a pixel between them would collapse the
    // range: they give way so that one pixel stays.
    const long long length = static_cast<long long>(e) - s;
    if (length - a - b < 1) {
        if (length < 2) return;
        const long long room = length - 1;
        if (a >= 0 && b >= 0) {
            const long long total = a + b;
            a = a * room / total;
            b = b * room / total;
        } else if (a > b) {
            a = room - b;
        } else {
            b = room - a;
        }
    }
    PixelStart = static_cast<int>(s + a);
    PixelEnd = static_cast<int>(e - b);
    PixelLength = PixelEnd - PixelStart;
    const double va = PixelToValue(s);
    const double vb = PixelToValue(e);
    UpdateAxisPixels();
    ScaleMinimum = va;
    ScaleMaximum = vb;
    if (ScaleMinimum > ScaleMaximum) std::swap(ScaleMinimum, ScaleMaximum);
    RecalcScale();
}

void TChartAxis::SetRange(double AMin, double AMax) {
    if (!std::isfinite(AMin) || !std::isfinite(AMax)) return;
    Automatic_ = AutomaticMaximum_ = AutomaticMinimum_ = false;
    if (AMin > AMax) std::swap(AMin, AMax);
    // Both ends are stored whatever the first one did.
    const bool minChanged = store(Minimum_, AMin);
    const bool maxChanged = store(Maximum_, AMax);
    const bool changed = minChanged || maxChanged;
    if (Maximum_ - Minimum_ < MinAxisRange) Maximum_ = Minimum_ + MinAxisRange;
    if (changed) Invalidate();
    if (ParentChart) ParentChart->CustomAxes.SyncLinkedAxes(*this);
}

void TChartAxis::ScrollBy(double Offset, bool OnlyWithinData) {
    if (OnlyWithinData) {
        if (!ParentChart || Offset == 0) return;
        if (Offset > 0) {
            const double hi = Horizontal_ ? ParentChart->MaxXValue(this) : ParentChart->MaxYValue(this);
            if (!(hi > Maximum_)) return;
        } else {
            const double lo = Horizontal_ ? ParentChart->MinXValue(this) : ParentChart->MinYValue(this);
            if (!(lo < Minimum_)) return;
        }
    }
    if (!std::isfinite(Offset)) return;
    Automatic_ = AutomaticMaximum_ = AutomaticMinimum_ = false;
    constexpr double most = std::numeric_limits<double>::max();
    Maximum_ = std::clamp(Maximum_ + Offset, -most, most);
    Minimum_ = std::clamp(Minimum_ + Offset, -most, most);
    Invalidate();
}

bool TChartAxis::AxisIsDateTime() const {
    if (!ParentChart) return false;
    for (TChartSeries* s : ParentChart->SeriesList().Items) {
        if (!s->Active()) continue;
        if (const TChartValueList* l = s->ValueListOfAxis(this)) return l->DateTime();
    }
    return false;
}

void TChartAxis::StepDateTime(double& Value, double Step, int StepIndex) const {
    const bool exact = ExactDateTime_ && IsDateTimeScale && StepIndex >= 20;
    chart::StepDateTime(exact, false, Value, Step, StepIndex);
}

// ---- conversion

void TChartAxis::ChooseValueToPixel() {
    if (DepthAxisFlag)
        Converter_ = &TChartAxis::DepthPos;
    else if (Logarithmic_)
        Converter_ = Horizontal_ ? &TChartAxis::LogHoriz : &TChartAxis::LogVert;
    else if (ParentChart && ParentChart->FastCalc)
        Converter_ = Horizontal_ ? &TChartAxis::FastHoriz : &TChartAxis::FastVert;
    else
        Converter_ = Horizontal_ ? &TChartAxis::LinearHoriz : &TChartAxis::LinearVert;
}

int TChartAxis::LinearHoriz(double v) const {
    if (RangeIsZero) return PixelCentre;
    const double t = linearOffset(v);
    return clampPixel(Inverted_ ? PixelEnd - t : PixelStart + t);
}

int TChartAxis::LinearVert(double v) const {
    if (RangeIsZero) return PixelCentre;
    const double t = linearOffset(v);
    return clampPixel(Inverted_ ? PixelStart + t : PixelEnd - t);
}

int TChartAxis::FastHoriz(double v) const {
    if (RangeIsZero) return PixelCentre;
    const long long t = Round(linearOffset(v));
    return Inverted_ ? addPixel(PixelEnd, -t) : addPixel(PixelStart, t);
}

int TChartAxis::FastVert(double v) const {
    if (RangeIsZero) return PixelCentre;
    const long long t = Round(linearOffset(v));
    return Inverted_ ? addPixel(PixelStart, t) : addPixel(PixelEnd, -t);
}

int TChartAxis::LogHoriz(double v) const {
    if (LogScaleRange == 0) return PixelCentre;
    if (!(v > 0)) return Inverted_ ? PixelEnd : PixelStart;
    const double lv = std::log(v);
    const double t = Inverted_ ? (LogScaleMaximum - lv) * PixelsPerLogUnit : (lv - LogScaleMinimum) * PixelsPerLogUnit;
    return addPixel(PixelStart, Round(t));
}

int TChartAxis::LogVert(double v) const {
    if (LogScaleRange == 0) return PixelCentre;
    if (!(v > 0)) return Inverted_ ? PixelStart : PixelEnd;
    const double lv = std::log(v);
    const double t = Inverted_ ? (LogScaleMaximum - lv) * PixelsPerLogUnit : (lv - LogScaleMinimum) * PixelsPerLogUnit;
    return addPixel(PixelEnd, -static_cast<long long>(Round(t)));
}

int TChartAxis::DepthPos(double v) const {
    if (RangeIsZero) return PixelCentre;
    return Round(Inverted_ ? (ScaleMaximum - v) * PixelsPerUnit : (v - ScaleMinimum) * PixelsPerUnit);
}

double TChartAxis::PixelToValue(int Pixel) const {
    const double d = Inverted_ ? static_cast<double>(PixelEnd) - Pixel : static_cast<double>(Pixel) - PixelStart;
    constexpr double most = std::numeric_limits<double>::max();
    if (!Logarithmic_) {
        if (PixelLength < 1) return 0;
        // Per pixel first: a range near the largest double times pixels is none.
        const double t = d * (ScaleRange / PixelLength);
        return std::clamp(Horizontal_ ? ScaleMinimum + t : ScaleMaximum - t, -most, most);
    }
    if (Pixel == PixelStart) return (Horizontal_ != Inverted_) ? ScaleMinimum : ScaleMaximum;
    if (Pixel == PixelEnd) return (Horizontal_ != Inverted_) ? ScaleMaximum : ScaleMinimum;
    if (LogScaleRange != 0 && PixelLength != 0) {
        const double t = d * LogScaleRange / PixelLength;
        return Horizontal_ ? std::exp(LogScaleMinimum + t) : std::exp(LogScaleMaximum - t);
    }
    return ScaleMinimum;
}

}  // namespace brine::chart
