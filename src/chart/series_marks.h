#pragma once
// Marks: the small text boxes a series shows next to its points, with
// per-point overrides, stored (and user-placed) box positions, the symbol
// square inside a box and the callout line from point to box.
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "chart/framed_shapes.h"
#include "chart/series_pointer.h"

namespace brine::chart {

class TChartSeries;
class TCustomAxisPanel;

struct TSeriesMarkPosition {
    TPoint ArrowFrom;
    bool ArrowFixed = false;
    TPoint ArrowTo;
    // The box was placed by the user and keeps its place.
    bool Custom = false;
    int Height = 0;
    TPoint LeftTop;
    int Width = 0;
    // Drawn in the last paint: only such a box answers clicks.
    bool Drawn = false;

    TRect Bounds() const { return {LeftTop.X, LeftTop.Y, LeftTop.X + Width, LeftTop.Y + Height}; }
    // Geometry only: the target keeps its own ArrowFixed and Custom.
    void Assign(const TSeriesMarkPosition& source);
};

// Entries may be empty.
using TSeriesMarksPositions = std::vector<std::unique_ptr<TSeriesMarkPosition>>;

enum TSeriesMarksStyle {
    smsValue, smsPercent, smsLabel, smsLabelPercent, smsLabelValue, smsLegend, smsPercentTotal,
    smsLabelPercentTotal, smsXValue, smsXY
};

class TCallout : public TSeriesPointer {
public:
    explicit TCallout(TChartSeries* series);

    TWhitePen& Arrow() { return *Arrow_; }
    void SetArrow(const TChartPen& v) { Arrow_->Assign(v); }
    TArrowHeadStyle ArrowHead() const { return ArrowHead_; }
    void SetArrowHead(TArrowHeadStyle v);
    int ArrowHeadSize() const { return ArrowHeadSize_; }
    void SetArrowHeadSize(int v);
    int Distance() const { return Distance_; }
    void SetDistance(int v);

    void Assign(const TPlotCustomShapeBrushPen& source) override;
    // The arrow from ArrowFrom to ArrowTo at depth z, then the pointer at
    // ArrowFrom when there is no head.
    void Draw(TColor color, const TPoint& arrowFrom, int z, const TPoint& arrowTo);

private:
    std::unique_ptr<TWhitePen> Arrow_;
    TArrowHeadStyle ArrowHead_ = ahNone;
    int ArrowHeadSize_ = 8;
    int Distance_ = 0;
};

class TMarksCallout : public TCallout {
public:
    explicit TMarksCallout(TChartSeries* series);

    int Length() const { return Length_; }
    void SetLength(int v);
    bool IsLengthStored() const { return Length_ != 8; }

    void Assign(const TPlotCustomShapeBrushPen& source) override;
    // Lifts the box by Length + Distance and the arrow's start by Distance.
    void ApplyDistance(TSeriesMarkPosition& position) const;

private:
    int Length_ = 8;
};

class TSeriesMarksSymbol : public TPlotCustomShape {
public:
    explicit TSeriesMarksSymbol(TShapePanel* panel = nullptr);
    TChartPen& Frame() { return Pen(); }
    bool ShouldDraw() const { return Visible() && !Transparent(); }
};

class TSeriesMarksGradient : public TPlotGradient {
public:
    explicit TSeriesMarksGradient(TNotifyEvent onChange = nullptr);
};

class TMarksItem : public TPlotCustomShape {
public:
    explicit TMarksItem(TShapePanel* panel = nullptr);
    ~TMarksItem() override;

    TChartPen& Frame() { return Pen(); }
    // Made on first read.
    QStringList& Text();
    bool HasText() const { return Text_ != nullptr; }
    // Copies and repaints; nullptr frees it.
    void SetText(const QStringList* value);

    void Assign(const TPlotCustomShapeBrushPen& source) override;

private:
    std::unique_ptr<QStringList> Text_;
};

// Entries may be empty.
using TMarksItems = std::vector<std::unique_ptr<TMarksItem>>;

class TSeriesMarks : public TPlotCustomShape {
public:
    explicit TSeriesMarks(TChartSeries* series);
    ~TSeriesMarks() override;

    int Angle() const { return Angle_; }
    void SetAngle(int v) { change(Angle_, v); }
    // Made on first read; nullptr frees it.
    TMarksCallout& Callout();
    bool HasCallout() const { return Callout_ != nullptr; }
    void SetCallout(const TMarksCallout* v);
    bool Clip() const { return Clip_; }
    void SetClip(bool v) { change(Clip_, v); }
    int DrawEvery() const { return DrawEvery_; }
    // Values below 1 would divide by zero; they are taken as 1.
    void SetDrawEvery(int v) { change(DrawEvery_, std::max(1, v)); }
    TSeriesMarksStyle Style() const { return Style_; }
    void SetStyle(TSeriesMarksStyle v) { change(Style_, v); }
    bool MultiLine() const { return MultiLine_; }
    void SetMultiLine(bool v) { change(MultiLine_, v); }
    TChartSeries* ParentSeries = nullptr;
    // Made on first read; nullptr frees it.
    TSeriesMarksSymbol& Symbol();
    bool HasSymbol() const { return Symbol_ != nullptr; }
    void SetSymbol(const TSeriesMarksSymbol* v);
    int ZPosition = 0;

    TMarksItems Items;
    // Items read from a stream survive clearing the series.
    bool ItemsFromStream = false;
    TSeriesMarksPositions Positions;

    // Forwards to the callout.
    TWhitePen& Arrow() { return Callout().Arrow(); }
    int ArrowLength() { return Callout().Length(); }
    void SetArrowLength(int v) { Callout().SetLength(v); }
    TColor BackColor() const { return Color(); }
    void SetBackColor(TColor v) { SetColor(v); }
    TChartPen& Frame() { return Pen(); }

    // The panel the marks draw on; also given to callout, symbol and items.
    TCustomAxisPanel* ParentPanel() const { return Panel_; }
    void SetParentPanel(TCustomAxisPanel* panel);
    void SetParentChart(TShapePanel* value) override;

    void Assign(const TPlotCustomShapeBrushPen& source) override;
    // The point's item, made (with empty entries before it) when missing;
    // nullptr for an index that is not one of the series' points.
    TMarksItem* MarkItem(int index);
    // The point's item, or the marks themselves.
    TPlotCustomShape& ItemOrMarks(int index);
    const TMarksItem* ItemAt(int index) const;
    // Index of the point whose box drawn in the last paint holds (x, y); -1
    // for none.
    int Clicked(int x, int y);
    void ClearPositions();
    // Before drawing: the boxes of the last paint are forgotten; user-placed
    // ones keep their place but answer clicks only once drawn again.
    void ForgetDrawnPositions();
    bool AnyCustomPosition() const;
    void DrawItem(int valueIndex, TColor color, const QString& text, TSeriesMarkPosition& position);

protected:
    std::unique_ptr<TPlotGradient> NewGradient(TNotifyEvent onChange) override;

private:
    template <typename T>
    void change(T& field, T value) {
        if (field == value) return;
        field = value;
        Repaint();
    }
    void drawText(TCanvas3D& canvas, TPlotCustomShape& item, const TRect& box, const QString& text, bool symbol);
    TMarksItem* makeItem(int index);

    class PanelLink;
    std::unique_ptr<PanelLink> Link_;
    TCustomAxisPanel* Panel_ = nullptr;
    int Angle_ = 0;
    std::unique_ptr<TMarksCallout> Callout_;
    bool Clip_ = false;
    int DrawEvery_ = 1;
    TSeriesMarksStyle Style_ = smsLabel;
    bool MultiLine_ = false;
    std::unique_ptr<TSeriesMarksSymbol> Symbol_;
};

// Lines of a mark text (split at #13).
QStringList MarkTextLines(const QString& text);

}  // namespace brine::chart
