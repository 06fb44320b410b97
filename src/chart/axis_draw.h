#pragma once
// The parts an axis draws with: its title, its pens, its custom labels and
// the label format used when it has none. The drawing itself (labels, ticks,
// grid, title, the room the axis takes) is in axis_draw.cpp on TChartAxis.
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "chart/framed_shapes.h"
#include "chart/plot_canvas.h"

namespace brine::chart {

class TChartAxis;
class TCustomPlotPanel;

// Lets shapes owned by an axis draw on and invalidate the axis panel.
class TAxisShapePanel : public TShapePanel {
public:
    explicit TAxisShapePanel(TCustomPlotPanel* panel) : Panel(panel) {}
    TCanvas3D& Canvas() override;
    void Invalidate() override;
    TCustomPlotPanel* Panel;
};

class TChartAxisTitle : public TPlotCustomShape {
public:
    explicit TChartAxisTitle(TShapePanel* panel);
    int Angle() const { return Angle_; }
    void SetAngle(int v);
    QString Caption() const { return Caption_; }
    void SetCaption(const QString& v);
    // The panel sets 90 for the left axis and 270 for the right one.
    int DefaultAngle = 0;
    bool IsAngleStored() const { return Angle_ != DefaultAngle; }
    void Assign(const TPlotCustomShapeBrushPen& source) override;

private:
    int Angle_ = 0;
    QString Caption_;
};

class TChartAxisPen : public TChartPen {
public:
    explicit TChartAxisPen(TNotifyEvent onChange = nullptr);
    bool IsWidthStored() const { return Width() != 2; }
};

class TAxisGridPen : public TDottedGrayPen {
public:
    explicit TAxisGridPen(TNotifyEvent onChange = nullptr) : TDottedGrayPen(std::move(onChange)) {}
    bool Centered() const { return Centered_; }
    void SetCentered(bool v);
    double ZPosition() const { return ZPosition_; }
    void SetZPosition(double v);
    double DefaultZ = 0;
    bool IsZPositionStored() const { return ZPosition_ != DefaultZ; }
    void Assign(const TPen& source) override;

private:
    bool Centered_ = false;
    double ZPosition_ = 0;
};

class TAxisItems;

// One custom label of an axis.
class TAxisItem : public TPlotCustomShape {
public:
    TAxisItem(TShapePanel* panel, TAxisItems* owner);
    QString Text() const { return Text_; }
    void SetText(const QString& v);
    double Value() const { return Value_; }
    void SetValue(double v);
    TAxisItems* Owner;

private:
    QString Text_;
    double Value_ = 0;
};

class TAxisItems {
public:
    explicit TAxisItems(TShapePanel* panel);
    ~TAxisItems();
    TAxisItems(const TAxisItems&) = delete;
    TAxisItems& operator=(const TAxisItems&) = delete;

    TAxisItem* Add(double Value);
    TAxisItem* Add(double Value, const QString& Text);
    void Clear();
    void Assign(const TAxisItems& source);
    int Count() const { return static_cast<int>(Items_.size()); }
    // nullptr outside 0..Count-1.
    TAxisItem* Item(int i) const;
    // The labels' look when the axis has no items (Visible = labels shown).
    TPlotShape& Format() { return *Format_; }
    const TPlotShape& Format() const { return *Format_; }

private:
    TShapePanel* Panel_;
    std::unique_ptr<TPlotShape> Format_;
    std::vector<std::unique_ptr<TAxisItem>> Items_;
};

using TAxisDrawLabelEvent =
    std::function<void(TChartAxis* Sender, int& X, int& Y, int& Z, QString& Text, bool& DrawLabel)>;

// The line separator of multi-line labels.
constexpr char16_t AxisLineSeparator = 13;

}  // namespace brine::chart
