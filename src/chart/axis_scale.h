#pragma once
// The numeric side of a chart axis: its value range (automatic or manual),
// value to pixel and back (linear, logarithmic, inverted, depth), the step
// between labels and the calendar steps of date-time axes.
#include <QString>
#include <cmath>
#include <vector>

#include "chart/axis_draw.h"
#include "chart/plot_canvas.h"
#include "chart/plot_panel.h"

namespace brine::chart {

class TCustomAxisPanel;
class TChartSeries;

// ---- date-time steps (days)

constexpr int NumCalendarSteps = 27;
// Step number meaning "none".
constexpr int NoDateTimeStep = 27;
extern const double CalendarSteps[NumCalendarSteps];
constexpr double OneMicrosecond = 1.0 / 86400000000.0;
constexpr double OneSecond = 1.0 / 86400.0;
constexpr double MinAxisIncrement = 1e-12;
constexpr double MinAxisRange = 1e-10;
// 1900-01-01: dates on or before it are not rounded.
constexpr double PlotOldestRoundDate = 2.0;
// Pixel coordinates are kept within ± this limit.
constexpr int PlotMaxPixelPos = 67108863;

// The entry just above the largest entry (from 182 days down) not above step.
double NextDateTimeStep(double step);
// The highest index whose entry differs from value by less than a microsecond.
int FindDateTimeStep(double value);
// Moves value by a step; exact calendar steps (20 to 26) move by calendar rules.
void StepDateTime(bool Exact, bool Increment, double& Value, double Step, int StepIndex);
double RoundDateDown(double Value, int StepIndex);
// The format of date labels a step apart, so that neighbours differ: the
// date for steps of a day or more, then the time to the minute, to the second
// and to the millisecond as the step gets finer.
QString DefaultDateTimeFormat(double Step);
// The 1-2-5 series step above x.
double NiceStep(double x);

enum TAxisLabelsAlign { alDefault, alOpposite };
enum TAxisLabelStyle { talAuto, talNone, talValue, talMark, talText };

class TChartAxis {
public:
    // Axes beyond the six predefined ones are custom axes of the panel.
    explicit TChartAxis(TCustomAxisPanel* panel);
    virtual ~TChartAxis();
    TChartAxis(const TChartAxis&) = delete;
    TChartAxis& operator=(const TChartAxis&) = delete;

    TCustomAxisPanel* ParentChart = nullptr;
    bool IsCustom() const;

    // ---- range
    bool Automatic() const { return Automatic_; }
    void SetAutomatic(bool v);
    bool AutomaticMaximum() const { return AutomaticMaximum_; }
    void SetAutomaticMaximum(bool v);
    bool AutomaticMinimum() const { return AutomaticMinimum_; }
    void SetAutomaticMinimum(bool v);
    double Maximum() const { return Maximum_; }
    void SetMaximum(double v);
    double Minimum() const { return Minimum_; }
    void SetMinimum(double v);
    double Increment() const { return Increment_; }
    void SetIncrement(double v);
    bool Logarithmic() const { return Logarithmic_; }
    void SetLogarithmic(bool v);
    double LogarithmicBase() const { return LogarithmicBase_; }
    void SetLogarithmicBase(double v);
    int MinimumOffset() const { return MinimumOffset_; }
    void SetMinimumOffset(int v);
    int MaximumOffset() const { return MaximumOffset_; }
    void SetMaximumOffset(int v);
    int LabelsSeparation() const { return LabelsSeparation_; }
    void SetLabelsSeparation(int v);
    bool LabelsAlternate() const { return LabelsAlternate_; }
    void SetLabelsAlternate(bool v);
    bool ExactDateTime() const { return ExactDateTime_; }
    void SetExactDateTime(bool v);
    bool RoundFirstLabel() const { return RoundFirstLabel_; }
    void SetRoundFirstLabel(bool v);
    QString DateTimeFormat() const { return DateTimeFormat_; }
    void SetDateTimeFormat(const QString& v);
    QString AxisValuesFormat() const { return AxisValuesFormat_; }
    void SetAxisValuesFormat(const QString& v);
    double StartPosition() const { return StartPosition_; }
    void SetStartPosition(double v);
    double EndPosition() const { return EndPosition_; }
    void SetEndPosition(double v);
    double PositionPercent() const { return PositionPercent_; }
    void SetPositionPercent(double v);
    TPlotUnits PositionUnits() const { return PositionUnits_; }
    void SetPositionUnits(TPlotUnits v);
    bool Inverted() const { return Inverted_; }
    virtual void SetInverted(bool v);
    bool Horizontal() const { return Horizontal_; }
    void SetHorizontal(bool v);
    bool OtherSide() const { return OtherSide_; }
    void SetOtherSide(bool v);
    double ZPosition() const { return ZPosition_; }
    void SetZPosition(double v);
    bool Visible() const { return Visible_; }
    void SetVisible(bool v);

    // Streaming rules.
    bool IsMaximumStored() const { return !Automatic_ && !AutomaticMaximum_; }
    bool IsMinimumStored() const { return !Automatic_ && !AutomaticMinimum_; }
    bool IsLogarithmicBaseStored() const { return LogarithmicBase_ != 10; }
    bool IsAxisValuesFormatStored() const;
    bool IsZPositionStored() const;

    // Label settings the scale reads; the axis drawing owns the rest.
    int LabelsAngle = 0;
    TPlotFont LabelsFont;
    TAxisLabelsAlign LabelsAlign = alDefault;
    TAxisLabelStyle LabelStyle = talAuto;
    bool LabelsOnAxis = true;
    bool TickOnLabelsOnly = true;
    // A custom axis following this one's range.
    TChartAxis* MasterAxis = nullptr;

    // ---- scale state
    double ScaleMaximum = 0, ScaleMinimum = 0, ScaleRange = 0, PixelsPerUnit = 0;
    double LogScaleMaximum = 0, LogScaleMinimum = 0, LogScaleRange = 0, PixelsPerLogUnit = 0;
    bool RangeIsZero = true;
    int PixelStart = 0, PixelEnd = 0, PixelLength = 0, PixelCentre = 0;
    int ZPixelPosition = 0;
    int AxisLinePosition = 0;
    bool IsDateTimeScale = false;
    bool DepthAxisFlag = false;
    // Computed by the panel before each paint.
    bool IsVisible = true;

    // ---- operations
    double StepForLabelCount(int MaxLabels) const;
    double StepForLabelSize(int LabelSize) const;
    double ComputeLabelStep();
    void FetchAutoRange(double& AMin, double& AMax);
    void ApplyAutoRange();
    void RecalcScale();
    void UpdateAxisPixels();
    void AdjustPixelMargins(const TRect& Rect);
    int ValueToPixel(double Value) const { return (this->*Converter_)(Value); }
    double PixelToValue(int Pixel) const;
    void SetRange(double AMin, double AMax);
    void ScrollBy(double Offset, bool OnlyWithinData);
    bool AxisIsDateTime() const;
    void ChooseValueToPixel();
    // Exact calendar steps only on date-time scales with ExactDateTime.
    void StepDateTime(double& Value, double Step, int StepIndex) const;
    virtual QString FormatAxisLabel(double Value) const;
    virtual TAxisLabelStyle ComputeAutoLabelStyle() const;

    // ---- drawing (axis_draw.cpp)
    TChartAxisPen& Axis() { return *Axis_; }
    TAxisGridPen& Grid() { return *Grid_; }
    TChartHiddenPen& MinorGrid() { return *MinorGrid_; }
    TDarkGrayPen& Ticks() { return *Ticks_; }
    TDarkGrayPen& TicksInner() { return *TicksInner_; }
    TDarkGrayPen& MinorTicks() { return *MinorTicks_; }
    TChartAxisTitle& Title() { return *Title_; }
    TAxisItems& Items() { return *Items_; }
    bool GridCentered() const { return Grid_->Centered(); }
    void SetGridCentered(bool v) { Grid_->SetCentered(v); }
    bool Labels() const { return Items_->Format().Visible(); }
    void SetLabels(bool v) { Items_->Format().SetVisible(v); }
    // Stored modulo 360.
    void SetLabelsAngle(int v);
    int TickLength = 4, TickInnerLength = 0, MinorTickLength = 2, MinorTickCount = 3;
    bool LabelsExponent = false, LabelsMultiLine = false;
    int LabelsSize = 0, TitleSize = 0;
    TAxisDrawLabelEvent OnDrawLabel;

    int LabelsLinePosition = 0, TitlePosition = 0;
    std::vector<int> TickPositions;

    void Draw(bool CalcPosAxis);
    void ReserveRoom(TRect& R, bool InflateChartRect);
    bool HitTest(int X, int Y);
    int WidestLabel();
    static int LabelLineCount(const QString& Text);
    // Room across the axis for the labels and for the title.
    int LabelsRoom();
    int TitleRoom();
    int TickSize() const;
    // Drawing and scale settings, pens and items copied.
    virtual void Assign(const TChartAxis& source);

protected:
    void Invalidate() const;

private:
    void createDrawingParts();
    void drawTitle();
    void drawValueLabels(TAxisLabelStyle style);
    void drawLinearLabels(double step, int stepIndex);
    void drawLogLabels();
    bool drawEventLabels();
    void drawSeriesLabels(TAxisLabelStyle style);
    void drawDepthSeriesTitles();
    void drawValueLabel(double value);
    void placeLabel(int p, QString text, TAxisItem* item);
    void drawLabelLines(int x, int y, int z, const QString& text, int angle, unsigned align);
    void drawLines();
    std::vector<int> minorPositions();
    bool labelsAlong(int angle) const;
    int outward() const;
    int wallSize() const;
    // Screen line of a depth axis: the chart's bottom on the far side, else its top.
    int depthLineY() const;
    int labelIndex_ = 0;
    TPlotFont* titleFont_ = nullptr;  // set while the title goes through placeLabel

    // The distance from the minimum in pixels; apart when the values' own
    // distance is too large for a double.
    double linearOffset(double v) const {
        const double t = (v - ScaleMinimum) * PixelsPerUnit;
        if (std::isfinite(t) || !std::isfinite(v)) return t;
        return v * PixelsPerUnit - ScaleMinimum * PixelsPerUnit;
    }
    int LinearHoriz(double v) const;
    int LinearVert(double v) const;
    int FastHoriz(double v) const;
    int FastVert(double v) const;
    int LogHoriz(double v) const;
    int LogVert(double v) const;
    int DepthPos(double v) const;
    // Within the coordinate limit, rounded as the chart rounds (NaN gives 0).
    int clampPixel(double p) const {
        if (p > PlotMaxPixelPos) return PlotMaxPixelPos;
        if (p < -PlotMaxPixelPos) return -PlotMaxPixelPos;
        return Round(p);
    }
    // Width of a label along the axis.
    int labelExtent(double value);
    bool fewPointsOnAxis(int MaxLabels) const;

    bool Automatic_ = true, AutomaticMaximum_ = true, AutomaticMinimum_ = true;
    double Maximum_ = 0, Minimum_ = 0, Increment_ = 0;
    bool Logarithmic_ = false;
    double LogarithmicBase_ = 10;
    int MinimumOffset_ = 0, MaximumOffset_ = 0;
    int LabelsSeparation_ = 10;
    bool LabelsAlternate_ = false, ExactDateTime_ = true, RoundFirstLabel_ = true;
    QString DateTimeFormat_;
    QString AxisValuesFormat_;
    double StartPosition_ = 0, EndPosition_ = 100, PositionPercent_ = 0;
    TPlotUnits PositionUnits_ = muPercent;
    bool Inverted_ = false, Horizontal_ = false, OtherSide_ = false;
    double ZPosition_ = 0;
    bool Visible_ = true;
    int (TChartAxis::*Converter_)(double) const = &TChartAxis::LinearVert;
    // Step of the date labels last laid out (0: none yet); it picks their
    // default format.
    double DateTimeLabelStep_ = 0;

    std::unique_ptr<TAxisShapePanel> ShapePanel_;
    std::unique_ptr<TChartAxisTitle> Title_;
    std::unique_ptr<TDarkGrayPen> Ticks_, MinorTicks_, TicksInner_;
    std::unique_ptr<TAxisGridPen> Grid_;
    std::unique_ptr<TChartHiddenPen> MinorGrid_;
    std::unique_ptr<TChartAxisPen> Axis_;
    std::unique_ptr<TAxisItems> Items_;
};

class TChartDepthAxis : public TChartAxis {
public:
    explicit TChartDepthAxis(TCustomAxisPanel* panel);
    TAxisLabelStyle ComputeAutoLabelStyle() const override;
};

}  // namespace brine::chart
