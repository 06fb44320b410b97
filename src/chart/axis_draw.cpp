#include "chart/axis_draw.h"

#include <algorithm>
#include <cmath>
#include <set>

#include "chart/axis_panel.h"
#include "chart/axis_scale.h"
#include "chart/plot_format.h"

namespace brine::chart {

namespace {
// Label loops stop after this many steps whatever the data.
constexpr int MaxAxisLabels = 10000;
constexpr int MaxEventLabels = 2000;
constexpr TColor GridDefaultColor = 0x808080;

QStringList labelLines(const QString& text) { return text.split(QChar(AxisLineSeparator)); }

int multiLineWidth(TPlotCanvas& c, const QString& text) {
    int w = 0;
    for (const QString& line : labelLines(text)) w = std::max(w, c.TextWidth(line));
    return w;
}

bool sameFloatText(double a, double b) { return QString::number(a, 'g', 15) == QString::number(b, 'g', 15); }

// Until the marks build their own texts: the point label, else the value.
QString seriesMarkText(TChartSeries& s, int i) {
    QString text = s.Labels.GetLabel(i);
    if (text.isEmpty()) text = FormatFloat(s.ValueFormat.isEmpty() ? PlotMsg_DefaultValueFormat : s.ValueFormat,
                                           s.MarkValue(i));
    if (s.OnGetMarkText) s.OnGetMarkText(&s, i, text);
    return text;
}
}  // namespace

// ---- the parts

TCanvas3D& TAxisShapePanel::Canvas() { return Panel->Canvas(); }
void TAxisShapePanel::Invalidate() {
    if (Panel) Panel->Invalidate();
}

TChartAxisTitle::TChartAxisTitle(TShapePanel* panel) : TPlotCustomShape(panel) {
    DefaultTransparent = true;
    SetTransparent(true);
}

void TChartAxisTitle::SetAngle(int v) {
    if (v == Angle_) return;
    Angle_ = v;
    Repaint();
}

void TChartAxisTitle::SetCaption(const QString& v) {
    if (v == Caption_) return;
    Caption_ = v;
    Repaint();
}

void TChartAxisTitle::Assign(const TPlotCustomShapeBrushPen& source) {
    if (const auto* t = dynamic_cast<const TChartAxisTitle*>(&source)) {
        Angle_ = t->Angle_;
        Caption_ = t->Caption_;
    }
    TPlotCustomShape::Assign(source);
}

TChartAxisPen::TChartAxisPen(TNotifyEvent onChange) : TChartPen(std::move(onChange)) { SetWidth(2); }

void TAxisGridPen::SetCentered(bool v) {
    if (v == Centered_) return;
    Centered_ = v;
    if (OnChange) OnChange();
}

void TAxisGridPen::SetZPosition(double v) {
    if (v == ZPosition_) return;
    ZPosition_ = v;
    if (OnChange) OnChange();
}

void TAxisGridPen::Assign(const TPen& source) {
    if (const auto* g = dynamic_cast<const TAxisGridPen*>(&source)) {
        Centered_ = g->Centered_;
        ZPosition_ = g->ZPosition_;
    }
    TDottedGrayPen::Assign(source);
}

TAxisItem::TAxisItem(TShapePanel* panel, TAxisItems* owner) : TPlotCustomShape(panel), Owner(owner) {
    SetTransparent(true);
}

void TAxisItem::SetText(const QString& v) {
    if (v == Text_) return;
    Text_ = v;
    Repaint();
}

void TAxisItem::SetValue(double v) {
    if (v == Value_) return;
    Value_ = v;
    Repaint();
}

TAxisItems::TAxisItems(TShapePanel* panel) : Panel_(panel), Format_(std::make_unique<TPlotShape>(panel)) {
    Format_->SetTransparent(true);
}

TAxisItems::~TAxisItems() = default;

TAxisItem* TAxisItems::Add(double Value) { return Add(Value, QString()); }

TAxisItem* TAxisItems::Add(double Value, const QString& Text) {
    auto item = std::make_unique<TAxisItem>(Panel_, this);
    item->SetValue(Value);
    item->SetText(Text);
    Items_.push_back(std::move(item));
    return Items_.back().get();
}

void TAxisItems::Clear() {
    Items_.clear();
    if (Panel_) Panel_->Invalidate();
}

void TAxisItems::Assign(const TAxisItems& source) {
    if (&source == this) return;
    Format_->Assign(*source.Format_);
    Clear();
    for (const auto& item : source.Items_) Add(item->Value(), item->Text());
}

TAxisItem* TAxisItems::Item(int i) const {
    return i >= 0 && i < Count() ? Items_[static_cast<size_t>(i)].get() : nullptr;
}

// ---- axis: parts and settings

void TChartAxis::createDrawingParts() {
    ShapePanel_ = std::make_unique<TAxisShapePanel>(ParentChart);
    TShapePanel* panel = ParentChart ? ShapePanel_.get() : nullptr;
    const TNotifyEvent changed = [this] { Invalidate(); };
    Title_ = std::make_unique<TChartAxisTitle>(panel);
    Ticks_ = std::make_unique<TDarkGrayPen>(changed);
    MinorTicks_ = std::make_unique<TDarkGrayPen>(changed);
    TicksInner_ = std::make_unique<TDarkGrayPen>(changed);
    Grid_ = std::make_unique<TAxisGridPen>(changed);
    MinorGrid_ = std::make_unique<TChartHiddenPen>(changed);
    Axis_ = std::make_unique<TChartAxisPen>(changed);
    Items_ = std::make_unique<TAxisItems>(panel);
}

void TChartAxis::SetLabelsAngle(int v) {
    v %= 360;
    if (v < 0) v += 360;
    if (v == LabelsAngle) return;
    LabelsAngle = v;
    Invalidate();
}

void TChartAxis::Assign(const TChartAxis& source) {
    if (&source == this) return;
    Automatic_ = source.Automatic_;
    AutomaticMaximum_ = source.AutomaticMaximum_;
    AutomaticMinimum_ = source.AutomaticMinimum_;
    Maximum_ = source.Maximum_;
    Minimum_ = source.Minimum_;
    Increment_ = source.Increment_;
    Logarithmic_ = source.Logarithmic_;
    LogarithmicBase_ = source.LogarithmicBase_;
    MinimumOffset_ = source.MinimumOffset_;
    MaximumOffset_ = source.MaximumOffset_;
    LabelsSeparation_ = source.LabelsSeparation_;
    LabelsAlternate_ = source.LabelsAlternate_;
    ExactDateTime_ = source.ExactDateTime_;
    RoundFirstLabel_ = source.RoundFirstLabel_;
    DateTimeFormat_ = source.DateTimeFormat_;
    AxisValuesFormat_ = source.AxisValuesFormat_;
    StartPosition_ = source.StartPosition_;
    EndPosition_ = source.EndPosition_;
    PositionPercent_ = source.PositionPercent_;
    PositionUnits_ = source.PositionUnits_;
    Inverted_ = source.Inverted_;
    Horizontal_ = source.Horizontal_;
    OtherSide_ = source.OtherSide_;
    ZPosition_ = source.ZPosition_;
    Visible_ = source.Visible_;
    LabelsAngle = source.LabelsAngle;
    LabelsFont.Assign(source.LabelsFont);
    LabelsAlign = source.LabelsAlign;
    LabelStyle = source.LabelStyle;
    LabelsOnAxis = source.LabelsOnAxis;
    TickOnLabelsOnly = source.TickOnLabelsOnly;
    TickLength = source.TickLength;
    TickInnerLength = source.TickInnerLength;
    MinorTickLength = source.MinorTickLength;
    MinorTickCount = source.MinorTickCount;
    LabelsExponent = source.LabelsExponent;
    LabelsMultiLine = source.LabelsMultiLine;
    LabelsSize = source.LabelsSize;
    TitleSize = source.TitleSize;
    Axis_->Assign(*source.Axis_);
    Grid_->Assign(*source.Grid_);
    MinorGrid_->Assign(*source.MinorGrid_);
    Ticks_->Assign(*source.Ticks_);
    TicksInner_->Assign(*source.TicksInner_);
    MinorTicks_->Assign(*source.MinorTicks_);
    Title_->Assign(*source.Title_);
    Items_->Assign(*source.Items_);
    ChooseValueToPixel();
    Invalidate();
}

// ---- texts and sizes

QString TChartAxis::FormatAxisLabel(double Value) const {
    QString text;
    if (IsDateTimeScale) {
        if (Value >= 0)
            text = FormatDateTimeText(
                DateTimeFormat_.isEmpty()
                    ? DefaultDateTimeFormat(DateTimeLabelStep_ > 0 ? DateTimeLabelStep_ : ScaleRange)
                    : DateTimeFormat_,
                Value);
    } else {
        text = FormatFloat(AxisValuesFormat_, Value);
    }
    if (ParentChart && ParentChart->OnGetAxisLabel)
        ParentChart->OnGetAxisLabel(const_cast<TChartAxis*>(this), nullptr, -1, text);
    if (LabelsMultiLine) text.replace(QChar(' '), QChar(AxisLineSeparator));
    return text;
}

int TChartAxis::LabelLineCount(const QString& Text) {
    if (Text.isEmpty()) return 0;
    return 1 + static_cast<int>(Text.count(QChar(AxisLineSeparator)));
}

TAxisLabelStyle TChartAxis::ComputeAutoLabelStyle() const {
    if (!ParentChart) return talNone;
    bool any = false;
    for (TChartSeries* s : ParentChart->SeriesList().Items) {
        if (!s->Active() || !s->AssociatedToAxis(this)) continue;
        any = true;
        if (s->YMandatory != Horizontal_) continue;
        for (int i = 0; i < s->Labels.Count(); ++i)
            if (!s->Labels.GetLabel(i).isEmpty()) return talText;
    }
    return any ? talValue : talNone;
}

TAxisLabelStyle TChartDepthAxis::ComputeAutoLabelStyle() const {
    if (!ParentChart || ParentChart->SeriesCount() == 0) return talText;
    for (TChartSeries* s : ParentChart->SeriesList().Items)
        if (s->Active() && s->MinZValue() != s->MaxZValue()) return talValue;
    return talText;
}

int TChartAxis::WidestLabel() {
    if (!ParentChart) return 0;
    TPlotCanvas3D& c = ParentChart->Canvas();
    int widest = 0;
    if (Items_->Count() > 0) {
        for (int i = 0; i < Items_->Count(); ++i) {
            TAxisItem* item = Items_->Item(i);
            c.AssignFont(item->Font());
            const QString text = item->Text().isEmpty() ? FormatAxisLabel(item->Value()) : item->Text();
            widest = std::max(widest, multiLineWidth(c, text));
        }
        return widest;
    }
    const TAxisLabelStyle style = LabelStyle == talAuto ? ComputeAutoLabelStyle() : LabelStyle;
    c.AssignFont(LabelsFont);
    if (style == talValue) {
        auto hook = std::move(ParentChart->OnGetAxisLabel);
        ParentChart->OnGetAxisLabel = nullptr;
        double lo = ScaleMinimum, hi = ScaleMaximum;
        if (RoundFirstLabel_ || (IsDateTimeScale && ExactDateTime_)) {
            const double step = ComputeLabelStep();
            if (step > 0 && std::isfinite(step)) {
                lo = std::trunc(lo / step) * step;
                hi = std::trunc(hi / step) * step;
            }
        }
        c.AssignFont(LabelsFont);
        widest = std::max(multiLineWidth(c, FormatAxisLabel(lo)), multiLineWidth(c, FormatAxisLabel(hi))) +
                 c.TextWidth(QStringLiteral(" "));
        ParentChart->OnGetAxisLabel = std::move(hook);
    } else if (style == talMark || style == talText) {
        for (TChartSeries* s : ParentChart->SeriesList().Items) {
            if (!s->Active()) continue;
            for (int i = 0; i < s->Count(); ++i) {
                const QString text = style == talMark ? seriesMarkText(*s, i) : s->Labels.GetLabel(i);
                widest = std::max(widest, multiLineWidth(c, text));
            }
        }
    }
    return widest;
}

bool TChartAxis::labelsAlong(int angle) const {
    return Horizontal_ ? (angle == 0 || angle == 180) : (angle == 90 || angle == 270);
}

int TChartAxis::outward() const {
    if (Horizontal_) return OtherSide_ ? -1 : 1;
    return OtherSide_ ? 1 : -1;
}

int TChartAxis::LabelsRoom() {
    if (LabelsSize != 0) return LabelsSize;
    if (!ParentChart) return 0;
    int room;
    if (labelsAlong(LabelsAngle)) {
        ParentChart->Canvas().AssignFont(LabelsFont);
        room = ParentChart->Canvas().FontHeight();
    } else {
        room = WidestLabel();
    }
    return LabelsAlternate_ ? 2 * room : room;
}

int TChartAxis::TitleRoom() {
    if (TitleSize != 0) return TitleSize;
    if (!ParentChart) return 0;
    TPlotCanvas3D& c = ParentChart->Canvas();
    c.AssignFont(Title_->Font());
    return labelsAlong(Title_->Angle()) ? c.FontHeight() : c.TextWidth(Title_->Caption());
}

int TChartAxis::TickSize() const {
    int size = 0;
    if (Axis_->Visible()) size += Axis_->Width() + 1;
    if (Ticks_->Visible()) size += TickLength;
    if (MinorTicks_->Visible()) size = std::max(size, MinorTickLength);
    return size;
}

// ---- room and hit test

int TChartAxis::wallSize() const { return ParentChart ? ParentChart->AxisWallSize(*this) : 0; }

void TChartAxis::ReserveRoom(TRect& R, bool InflateChartRect) {
    if (!ParentChart) return;
    const int o = outward();
    const TRect& chart = ParentChart->ChartRect;
    const int other = Horizontal_ ? chart.Height() : chart.Width();
    const int shift = PositionUnits_ == muPercent ? Round(other * PositionPercent_ * 0.01) : Round(PositionPercent_);
    if (!InflateChartRect) {
        if (Horizontal_)
            AxisLinePosition = OtherSide_ ? chart.Top : chart.Bottom;
        else
            AxisLinePosition = OtherSide_ ? chart.Right : chart.Left;
        AxisLinePosition -= o * shift;
        LabelsLinePosition = AxisLinePosition + o * TickSize();
        TitlePosition = LabelsLinePosition + o * LabelsRoom();
        return;
    }
    // The side of R this axis takes its room from.
    int& edge = Horizontal_ ? (OtherSide_ ? R.Top : R.Bottom) : (OtherSide_ ? R.Right : R.Left);
    if (Title_->Visible() && !Title_->Caption().isEmpty()) {
        if (DepthAxisFlag) {
            TitlePosition = OtherSide_ ? R.Right : R.Left;
        } else {
            edge -= o * TitleRoom();
            TitlePosition = edge;
        }
    }
    if (Labels()) {
        edge -= o * LabelsRoom();
        LabelsLinePosition = edge;
    }
    edge -= o * (wallSize() + TickSize());
    // The axis line sits on the chart rectangle left over.
    AxisLinePosition = edge - o * shift;
    TitlePosition -= o * shift;
    LabelsLinePosition -= o * shift;
}

int TChartAxis::depthLineY() const {
    if (!ParentChart) return 0;
    return OtherSide_ ? ParentChart->ChartRect.Bottom : ParentChart->ChartRect.Top;
}

bool TChartAxis::HitTest(int X, int Y) {
    if (!ParentChart || !Visible_) return false;
    const int o = outward();
    const int a = AxisLinePosition - 3 * o, b = LabelsLinePosition;
    const int lo = std::min(a, b), hi = std::max(a, b);
    TRect r = Horizontal_ ? TRect{PixelStart, lo, PixelEnd, hi} : TRect{lo, PixelStart, hi, PixelEnd};
    if (ParentChart->View3D()) r = ParentChart->Canvas().Calc3DRect(r, OtherSide_ ? ParentChart->Width3D : 0);
    return PointInRect(OrientRectangle(r), X, Y);
}

// ---- drawing

void TChartAxis::Draw(bool CalcPosAxis) {
    if (!ParentChart) return;
    IsDateTimeScale = AxisIsDateTime();
    if (CalcPosAxis) {
        TRect r = ParentChart->ChartRect;
        ReserveRoom(r, false);
    }
    labelIndex_ = 0;
    drawTitle();
    TickPositions.clear();
    if (Items_->Count() > 0) {
        for (int i = 0; i < Items_->Count(); ++i) {
            TAxisItem* item = Items_->Item(i);
            const double v = item->Value();
            if (v < Minimum_ || v > Maximum_) continue;
            const int p = ValueToPixel(v);
            if (!TickOnLabelsOnly) TickPositions.push_back(p);
            if (item->Visible()) placeLabel(p, item->Text().isEmpty() ? FormatAxisLabel(v) : item->Text(), item);
        }
    } else {
        const TAxisLabelStyle style = LabelStyle == talAuto ? ComputeAutoLabelStyle() : LabelStyle;
        if (style != talNone) drawValueLabels(style);
    }
    drawLines();
}

void TChartAxis::drawTitle() {
    if (!Title_->Visible() || Title_->Caption().isEmpty()) return;
    TPlotCanvas3D& c = ParentChart->Canvas();
    c.AssignFont(Title_->Font());
    c.Brush->SetStyle(bsClear);
    c.SetBackMode(TRANSPARENT);
    if (DepthAxisFlag) {
        c.SetTextAlign(OtherSide_ ? TA_LEFT : TA_RIGHT);
        c.TextOut3D(TitlePosition, depthLineY(), ParentChart->Width3D / 2, Title_->Caption());
        return;
    }
    const bool exponent = LabelsExponent;
    const int angle = LabelsAngle;
    const int line = LabelsLinePosition;
    const bool alternate = LabelsAlternate_;
    LabelsExponent = false;
    LabelsAngle = Title_->Angle();
    LabelsLinePosition = TitlePosition;
    LabelsAlternate_ = false;
    // The title is no label: it adds no tick.
    const bool tickOnLabels = TickOnLabelsOnly;
    TickOnLabelsOnly = false;
    titleFont_ = &Title_->Font();
    placeLabel(PixelCentre, Title_->Caption(), nullptr);
    titleFont_ = nullptr;
    TickOnLabelsOnly = tickOnLabels;
    LabelsAlternate_ = alternate;
    LabelsLinePosition = line;
    LabelsAngle = angle;
    LabelsExponent = exponent;
}

void TChartAxis::drawValueLabels(TAxisLabelStyle style) {
    TPlotCanvas3D& c = ParentChart->Canvas();
    if (DepthAxisFlag && style == talText) {
        for (TChartSeries* s : ParentChart->SeriesList().Items)
            if (s->Active()) {
                drawDepthSeriesTitles();
                return;
            }
    }
    c.AssignFont(LabelsFont);
    const double step = ComputeLabelStep();
    const int stepIndex = IsDateTimeScale ? FindDateTimeStep(step) : NoDateTimeStep;
    if (!((step > 0 && std::isfinite(step)) || (stepIndex >= 20 && stepIndex <= 26))) return;
    if (ScaleMaximum < ScaleMinimum) return;
    if (style == talValue) {
        if (drawEventLabels()) return;
        if (Logarithmic_ && Increment_ == 0)
            drawLogLabels();
        else
            drawLinearLabels(step, stepIndex);
    } else if (style == talMark || style == talText) {
        drawSeriesLabels(style);
    }
}

void TChartAxis::drawLinearLabels(double step, int stepIndex) {
    if (!(step > 0) || !(std::fabs(ScaleRange / step) < MaxAxisLabels)) return;
    double v;
    if (IsDateTimeScale && ExactDateTime_ && stepIndex != NoDateTimeStep && stepIndex >= 16)
        v = RoundDateDown(ScaleMaximum, stepIndex);
    else if (sameFloatText(ScaleMinimum, ScaleMaximum) || !RoundFirstLabel_)
        v = ScaleMaximum;
    else
        v = std::trunc(ScaleMaximum / step) * step;
    // A step lost in the value's precision must not hang the loops.
    auto stepBack = [&] {
        const double before = v;
        StepDateTime(v, step, stepIndex);
        return v < before;
    };
    for (int n = 0; v > ScaleMaximum && n < MaxAxisLabels; ++n)
        if (!stepBack()) return;
    if (RangeIsZero || std::fabs(ScaleMaximum - ScaleMinimum) < MinAxisRange ||
        FormatAxisLabel(v) == FormatAxisLabel(v - step)) {
        drawValueLabel(v);
        return;
    }
    const double lower = ScaleMinimum < 0 ? ScaleMinimum : (ScaleMinimum - 1e-12) / (1 + 1e-12);
    for (int n = 0; v >= lower && n < MaxAxisLabels; ++n) {
        drawValueLabel(v);
        if (!stepBack()) return;
    }
}

void TChartAxis::drawLogLabels() {
    if (ScaleMinimum == ScaleMaximum || !(LogarithmicBase_ > 1)) return;
    const double base = LogarithmicBase_;
    if (ScaleMinimum == 0)
        ScaleMinimum = 0.1;
    else if (ScaleMinimum < 0)
        ScaleMinimum = std::pow(base, Round(std::log(1e-10) / std::log(base)));
    const double start = std::pow(base, Round(std::log(ScaleMinimum) / std::log(base)));
    if (!(start > 0) || !std::isfinite(start)) return;
    bool any = false;
    double v = start;
    for (int n = 0; v <= ScaleMaximum && n < MaxAxisLabels; ++n, v *= base)
        if (v >= ScaleMinimum) {
            drawValueLabel(v);
            any = true;
        }
    if (!any) {
        v = start;
        for (int n = 0; v <= ScaleMaximum && n < MaxAxisLabels; ++n, v += start / base)
            if (v >= ScaleMinimum) drawValueLabel(v);
    }
    if (MinorGrid_->Visible()) {
        TickPositions.push_back(ValueToPixel(start < ScaleMinimum ? start : ScaleMinimum / base));
        if (start > ScaleMaximum) TickPositions.push_back(ValueToPixel(start));
    }
}

bool TChartAxis::drawEventLabels() {
    if (!ParentChart->OnGetNextAxisLabel) return false;
    double v = ScaleMinimum;
    int index = 0;
    for (; index <= MaxEventLabels; ++index) {
        bool stop = true;
        ParentChart->OnGetNextAxisLabel(this, index, v, stop);
        if (stop) break;
        if (!(v >= ScaleMinimum - 1e-7 && v <= ScaleMaximum + 1e-7)) break;
        drawValueLabel(v);
    }
    return index > 0;
}

void TChartAxis::drawValueLabel(double value) {
    const int p = ValueToPixel(value);
    if (!LabelsOnAxis && !(PixelStart < p && p < PixelEnd)) return;
    if (!TickOnLabelsOnly) TickPositions.push_back(p);
    if (Labels()) placeLabel(p, FormatAxisLabel(value), nullptr);
}

void TChartAxis::drawSeriesLabels(TAxisLabelStyle style) {
    std::vector<TChartSeries*> series;
    int first = -1, last = -1;
    for (TChartSeries* s : ParentChart->SeriesList().Items) {
        if (!s->Active() || !s->AssociatedToAxis(this)) continue;
        series.push_back(s);
        if (s->FirstValueIndex >= 0 && (first < 0 || s->FirstValueIndex < first)) first = s->FirstValueIndex;
        last = std::max(last, s->LastValueIndex);
    }
    if (first < 0) return;
    TPlotCanvas3D& c = ParentChart->Canvas();
    bool haveLast = false;
    int lastPos = 0, lastHalf = 0;
    for (int i = first; i <= last; ++i) {
        QString text;
        double value = 0;
        for (TChartSeries* s : series) {
            if (i < s->FirstValueIndex || i > s->LastValueIndex || i >= s->Count()) continue;
            text = style == talMark ? seriesMarkText(*s, i) : s->Labels.GetLabel(i);
            if (ParentChart->OnGetAxisLabel) ParentChart->OnGetAxisLabel(this, s, i, text);
            if (text.isEmpty()) continue;
            value = Horizontal_ ? s->XValue(i) : s->YValue(i);
            break;
        }
        if (text.isEmpty() || value < ScaleMinimum || value > ScaleMaximum) continue;
        const int p = ValueToPixel(value);
        if (!TickOnLabelsOnly) TickPositions.push_back(p);
        if (!Labels()) continue;
        c.AssignFont(LabelsFont);
        const bool across = Horizontal_ ? (LabelsAngle == 90 || LabelsAngle == 270) : !labelsAlong(LabelsAngle);
        int size = across ? c.FontHeight() * LabelLineCount(text) : multiLineWidth(c, text);
        if (LabelsSeparation_ != 0 && haveLast) {
            size += static_cast<int>(std::trunc(size * 0.02 * LabelsSeparation_));
            const int half = size / 2;
            const bool clear = p < lastPos ? p + half <= lastPos - lastHalf : p - half >= lastPos + lastHalf;
            if (!clear) continue;
            lastHalf = half;
        } else {
            lastHalf = (size + static_cast<int>(std::trunc(size * 0.02 * LabelsSeparation_))) / 2;
        }
        placeLabel(p, text, nullptr);
        haveLast = true;
        lastPos = p;
    }
}

void TChartAxis::drawDepthSeriesTitles() {
    const int lo = static_cast<int>(std::trunc(ScaleMinimum));
    const int hi = static_cast<int>(std::trunc(ScaleMaximum));
    for (int i = std::max(lo, 0); i <= hi && i < ParentChart->SeriesCount(); ++i) {
        TChartSeries* s = ParentChart->Series(i);
        QString text = s->GetTitle();
        if (ParentChart->OnGetAxisLabel) ParentChart->OnGetAxisLabel(this, s, i, text);
        const int p = ValueToPixel(ScaleMaximum - i - 0.5);
        if (!TickOnLabelsOnly) TickPositions.push_back(p);
        if (Labels()) placeLabel(p, text, nullptr);
    }
}

void TChartAxis::placeLabel(int p, QString text, TAxisItem* item) {
    if (TickOnLabelsOnly) TickPositions.push_back(p);
    if (text.isEmpty()) return;
    TPlotCanvas3D& c = ParentChart->Canvas();
    TPlotFont& font = item ? item->Font() : titleFont_ ? *titleFont_ : LabelsFont;
    c.AssignFont(font);
    c.Brush->SetStyle(bsClear);
    c.SetBackMode(TRANSPARENT);
    const int fh = c.FontHeight();
    const int h = fh / 2;
    const int lines = LabelLineCount(text);
    int x, y, z = ZPixelPosition;
    unsigned align;
    int angle = LabelsAngle;
    if (DepthAxisFlag) {
        align = OtherSide_ ? TA_LEFT : TA_RIGHT;
        x = LabelsLinePosition;
        if (!OtherSide_) x -= 2 + c.TextWidth(QStringLiteral("W")) / 2;
        y = depthLineY();
        if (c.IsOrthogonal || (c.View3DOptions && c.View3DOptions->Rotation() == 360)) y += h;
        z = p;
    } else {
        const int o = outward();
        int line = LabelsLinePosition;
        if (LabelsAlternate_) {
            const bool outer = Horizontal_ ? (labelIndex_ % 2 == 1) : (labelIndex_ % 2 == 0);
            if (outer) line += o * (Horizontal_ ? fh : WidestLabel());
            c.AssignFont(font);
        }
        ++labelIndex_;
        x = Horizontal_ ? p : line;
        y = Horizontal_ ? line : p;
        const bool near = !OtherSide_;
        auto sideAlign = [&](bool nearSide) -> unsigned {
            if (Horizontal_) return nearSide ? TA_CENTER : (TA_CENTER | TA_BOTTOM);
            return nearSide ? TA_RIGHT : TA_LEFT;
        };
        auto verticalRow = [](bool nearSide) -> unsigned { return nearSide ? TA_RIGHT : TA_LEFT; };
        auto rotatedAlign = [](bool bottomRef) -> unsigned { return bottomRef ? (TA_CENTER | TA_BOTTOM) : TA_CENTER; };
        switch (angle) {
            case 0:
                if (!Horizontal_ && LabelsAlign == alOpposite) {
                    align = near ? TA_LEFT : TA_RIGHT;
                    x += o * LabelsRoom();
                    c.AssignFont(font);
                } else {
                    align = sideAlign(near);
                }
                if (!Horizontal_) y -= h;
                break;
            case 180:
                align = sideAlign(!near);
                if (!Horizontal_) y += h;
                break;
            case 90:
                if (Horizontal_) {
                    align = verticalRow(near);
                    x -= h;
                } else {
                    align = rotatedAlign(near);
                }
                break;
            case 270:
                if (Horizontal_) {
                    align = verticalRow(!near);
                    x += h;
                } else {
                    align = rotatedAlign(!near);
                }
                break;
            case 45:
                align = TA_LEFT;
                if (Horizontal_) {
                    const int w = multiLineWidth(c, text);
                    x -= Round(w * M_SQRT1_2);
                    y += Round(w * M_SQRT1_2);
                }
                break;
            default:
                align = TA_LEFT;
                break;
        }
        // Multi-line blocks stay at the tick.
        if (lines > 1) {
            const bool centred = (align & TA_CENTER) == TA_CENTER;
            const int block = fh * (lines - 1);
            if (angle == 0 && !Horizontal_) y -= block / 2;
            else if (angle == 180 && !Horizontal_) y += block / 2;
            else if (angle == 0 && (align & TA_BOTTOM)) y -= block;
            else if (angle == 90 || angle == 270) x += (angle == 90 ? -1 : 1) * (centred ? block / 2 : block);
        }
    }
    if (item && !item->Transparent()) {
        c.SetTextAlign(align);
        TRect bounds = c.TextRectangle(x, y, labelLines(text).first());
        const int w = multiLineWidth(c, text);
        bounds.Right = std::max(bounds.Right, bounds.Left + w);
        bounds.Bottom = bounds.Top + fh * lines;
        item->DrawRectRotated(bounds, angle, ZPosition_ != 0 ? ZPixelPosition : 0);
        c.AssignFont(item->Font());
        c.Brush->SetStyle(bsClear);
    }
    if (OnDrawLabel) {
        bool draw = true;
        OnDrawLabel(this, x, y, z, text, draw);
        if (!draw) return;
    }
    drawLabelLines(x, y, z, text, angle, align);
}

void TChartAxis::drawLabelLines(int x, int y, int z, const QString& text, int angle, unsigned align) {
    TPlotCanvas3D& c = ParentChart->Canvas();
    c.SetTextAlign(align);
    const int fh = c.FontHeight();
    const QStringList parts = labelLines(text);
    for (int i = 0; i < parts.size(); ++i) {
        const QString& line = parts[i];
        int lx = x, ly = y;
        if (angle == 180)
            ly -= i * fh;
        else if (angle == 90)
            lx += i * fh;
        else if (angle == 270)
            lx -= i * fh;
        else
            ly += i * fh;
        const int e = LabelsExponent ? static_cast<int>(line.indexOf(QLatin1Char('E'), 0, Qt::CaseInsensitive)) : -1;
        auto out = [&](int px, int py, const QString& part) {
            if (angle != 0)
                c.RotateLabel3D(px, py, z, part, angle);
            else
                c.TextOut3D(px, py, z, part);
        };
        if (e < 0) {
            out(lx, ly, line);
            continue;
        }
        // Mantissa, then the exponent smaller and raised, both along the
        // text's own direction so rotated labels keep the pair together.
        const QString mantissa = line.left(e), exponent = line.mid(e + 1);
        const int size = c.Font->Size();
        const int wm = c.TextWidth(mantissa);
        c.Font->SetSize(size - size / 4);
        const int we = c.TextWidth(exponent);
        c.Font->SetSize(size);
        const unsigned horiz = align & TA_CENTER;
        int start = 0;
        if (horiz == TA_CENTER)
            start = -(wm + 1 + we) / 2;
        else if (horiz == TA_RIGHT)
            start = -(wm + 1 + we);
        const double rad = angle * M_PI / 180.0;
        const double cs = std::cos(rad), sn = std::sin(rad);
        // Screen y grows downward: along the text is (cos, -sin), up from it (-sin, -cos).
        auto at = [&](double along, double up, int& px, int& py) {
            px = lx + Round(along * cs - up * sn);
            py = ly + Round(-along * sn - up * cs);
        };
        c.SetTextAlign((align & ~TA_CENTER) | TA_LEFT);
        int px, py;
        at(start, 0, px, py);
        out(px, py, mantissa);
        c.Font->SetSize(size - size / 4);
        at(start + wm + 1, (fh - 1) / 2 - 2, px, py);
        out(px, py, exponent);
        c.Font->SetSize(size);
        c.SetTextAlign(align);
    }
}

std::vector<int> TChartAxis::minorPositions() {
    std::vector<int> out;
    const int count = std::clamp(MinorTickCount, 0, 1000);
    if (count == 0 || TickPositions.empty()) return out;
    const double f = 1.0 / (count + 1);
    if (!Logarithmic_) {
        if (TickPositions.size() < 2) return out;
        const int first = TickPositions.front(), last = TickPositions.back();
        const double d = (TickPositions[1] - first) * f;
        for (int j = 1; j <= count; ++j) {
            out.push_back(first - Round(j * d));
            out.push_back(last + Round(j * d));
        }
        for (size_t t = 0; t + 1 < TickPositions.size(); ++t) {
            const int a = TickPositions[t], b = TickPositions[t + 1];
            for (int j = 1; j <= count; ++j) out.push_back(a + Round(j * (b - a) * f));
        }
        return out;
    }
    if (!(LogarithmicBase_ > 1)) return out;
    std::vector<double> values;
    for (int t : TickPositions) values.push_back(PixelToValue(t));
    std::sort(values.begin(), values.end());
    values.insert(values.begin(), values.front() / LogarithmicBase_);
    values.push_back(values.back() * LogarithmicBase_);
    std::set<double> seen;
    for (double v : values)
        for (int k = 1; k <= count; ++k) {
            const double m = v + k * (v * LogarithmicBase_ - v) * f;
            if (m >= ScaleMinimum && m <= ScaleMaximum && seen.insert(m).second) out.push_back(ValueToPixel(m));
        }
    return out;
}

void TChartAxis::drawLines() {
    TPlotCanvas3D& c = ParentChart->Canvas();
    c.Brush->SetStyle(bsClear);
    c.SetBackMode(TRANSPARENT);
    const int wall = wallSize();
    const int o = outward();
    const int a = AxisLinePosition;
    const int z = ZPixelPosition;
    const TRect& chart = ParentChart->ChartRect;
    const int depthY = depthLineY();
    // A segment across the axis at position t, from `from` to `from + len` pixels outward.
    // The canvas leaves out the far end of a line: draw the covered pixels
    // low to high whichever way the segment points.
    auto across = [&](int t, int from, int len) {
        if (len == 0) return;
        const int step = len > 0 ? 1 : -1;
        const int p0 = a + o * from, p1 = a + o * (from + len - step);
        const int lo = std::min(p0, p1), hi = std::max(p0, p1) + 1;
        if (Horizontal_)
            c.VertLine3D(t, lo, hi, z);
        else if (DepthAxisFlag)
            c.HorizLine3D(lo, hi, depthY, t);
        else
            c.HorizLine3D(lo, hi, t, z);
    };
    auto inside = [&](int t) { return PixelStart < t && t < PixelEnd; };
    auto gridLine = [&](int t) {
        if (!inside(t)) return;
        const bool is3D = ParentChart->View3D();
        const int back = ParentChart->Width3D;
        if (DepthAxisFlag) {
            c.HorizLine3D(chart.Left, chart.Right, chart.Bottom, t);
            c.VertLine3D(chart.Left, chart.Top, chart.Bottom, t);
        } else if (is3D && !ParentChart->AxisBehind()) {
            // Axes in front of the series: the grid stays on the front plane.
            if (Horizontal_)
                c.VertLine3D(t, chart.Top, chart.Bottom, 0);
            else
                c.HorizLine3D(chart.Left, chart.Right, t, 0);
        } else if (Horizontal_) {
            if (!is3D) {
                c.DoVertLine(t, chart.Top, chart.Bottom);
            } else {
                c.VertLine3D(t, chart.Top, chart.Bottom, back);
                c.ZLine3D(t, chart.Bottom, 0, back);
            }
        } else if (!is3D) {
            c.DoHorizLine(chart.Left, chart.Right, t);
        } else {
            c.HorizLine3D(chart.Left, chart.Right, t, back);
            c.ZLine3D(chart.Left, t, 0, back);
        }
    };
    auto selectGridPen = [&](const TChartPen& pen) {
        TChartPen g;
        g.Assign(pen);
        if (g.Color() == clDefault) g.SetColor(GridDefaultColor);
        c.SelectPen(g);
    };

    if (Axis_->Visible()) {
        c.SelectPen(*Axis_);
        if (DepthAxisFlag)
            c.ZLine3D(a, depthY, PixelStart, PixelEnd);
        else if (Horizontal_)
            c.HorizLine3D(OtherSide_ ? PixelStart : PixelStart - wall, PixelEnd, a, z);
        else
            c.VertLine3D(a, PixelStart, PixelEnd + wall, z);
    }
    if (Ticks_->Visible()) {
        c.SelectPen(*Ticks_);
        for (int t : TickPositions) across(t, 1, TickLength);
    }
    if (Grid_->Visible()) {
        selectGridPen(*Grid_);
        if (Grid_->Centered()) {
            for (size_t i = 0; i + 1 < TickPositions.size(); ++i)
                gridLine(Round((TickPositions[i] + TickPositions[i + 1]) * 0.5));
        } else {
            for (int t : TickPositions) gridLine(t);
        }
    }
    if (TicksInner_->Visible() && TickInnerLength != 0) {
        c.SelectPen(*TicksInner_);
        for (int t : TickPositions) across(t, -1, -TickInnerLength);
    }
    if (!TickPositions.empty() && (MinorTicks_->Visible() || MinorGrid_->Visible())) {
        const std::vector<int> minor = minorPositions();
        if (MinorTicks_->Visible()) {
            c.SelectPen(*MinorTicks_);
            for (int t : minor)
                if (inside(t)) across(t, 1, MinorTickLength);
        }
        if (MinorGrid_->Visible()) {
            selectGridPen(*MinorGrid_);
            for (int t : minor) gridLine(t);
        }
    }
    c.SetBackMode(OPAQUE);
}

}  // namespace brine::chart
