#pragma once
// The legend box beside or above the chart, its symbol and title, the shape
// base that can be placed freely, and the named colour palettes.
#include <QStringList>
#include <memory>
#include <vector>

#include "chart/axis_draw.h"
#include "chart/framed_shapes.h"
#include "chart/series_data.h"

namespace brine::chart {

class TCustomAxisPanel;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A shape whose place is computed unless CustomPosition is set.
class TPlotCustomShapePosition : public TPlotCustomShape {
public:
    using TPlotCustomShape::TPlotCustomShape;
    bool CustomPosition() const { return CustomPosition_; }
    void SetCustomPosition(bool v);
    int Left() const { return ShapeBounds.Left; }
    void SetLeft(int v);
    int Top() const { return ShapeBounds.Top; }
    void SetTop(int v);
    void Assign(const TPlotCustomShapeBrushPen& source) override;

private:
    bool CustomPosition_ = false;
};

enum TLegendAlignment { laLeft, laRight, laTop, laBottom };
enum TCheckBoxesStyle { cbsCheck, cbsRadio };
enum TLegendStyle { lsAuto, lsSeries, lsValues, lsLastValues };
enum TLegendSymbolPosition { spLeft, spRight };
enum TLegendSymbolSize { lcsPercent, lcsPixels };

class TCustomChartLegend;

class TLegendSymbol {
public:
    explicit TLegendSymbol(TCustomChartLegend* legend);
    bool Continuous = false;
    bool DefaultPen = true;
    TPlotGradient Gradient;
    TChartPen Pen;
    TLegendSymbolPosition Position = spLeft;
    bool Squared = false;
    bool Visible = true;
    int Width = 20;
    TLegendSymbolSize WidthUnits = lcsPercent;
    std::function<void(TCustomChartLegend* Sender, int Index, const TRect& R)> OnDraw;
    void Assign(const TLegendSymbol& source);

private:
    TCustomChartLegend* Legend_;
};

class TLegendTitle : public TPlotCustomShape {
public:
    explicit TLegendTitle(TShapePanel* panel);
    QStringList Text;
    TAlignment TextAlignment = taLeftJustify;
    void Assign(const TPlotCustomShapeBrushPen& source) override;
};

struct TLegendItem {
    int Left = 0, Top = 0;
    TRect SymbolRect;
    QString Text;
};

class TCustomChartLegend : public TPlotCustomShapePosition {
public:
    TCustomChartLegend(TCustomAxisPanel* chart, TShapePanel* panel);

    TCustomAxisPanel* Chart;
    TLegendAlignment Alignment() const { return Alignment_; }
    void SetAlignment(TLegendAlignment v);
    bool CheckBoxes = false;
    TCheckBoxesStyle CheckBoxesStyle() const { return CheckBoxesStyle_; }
    void SetCheckBoxesStyle(TCheckBoxesStyle v);
    bool CurrentPage = true;
    TChartHiddenPen DividingLines;
    int FirstValue() const { return FirstValue_; }
    // Below 0 raises LegendException and keeps the value.
    void SetFirstValue(int v);
    bool FontSeriesColor = false;
    int HorizMargin = 0;
    bool Inverted = false;
    std::vector<TLegendItem> Items;
    TLegendStyle LegendStyle() const { return LegendStyle_; }
    void SetLegendStyle(TLegendStyle v);
    int MaxNumRows = 10;
    bool ResizeChart = true;
    TChartSeries* Series = nullptr;
    TLegendSymbol Symbol;
    TLegendTextStyle TextStyle = ltsLeftValue;
    TLegendTitle Title;
    int TopPos = 10;
    int VertMargin = 0;
    int VertSpacing = 0;

    TLegendStyle EffectiveStyle() const;
    bool CheckBoxesShown() const { return CheckBoxes && EffectiveStyle() != lsValues; }
    bool Vertical() const { return Alignment_ == laLeft || Alignment_ == laRight; }
    bool Shown() const;
    // The series whose values a values legend lists.
    TChartSeries* LegendSeries() const;
    QString ItemText(int index) const;
    int ItemHeight();
    int Clicked(int x, int y);
    // Check-box click; true when handled.
    bool DoClick(int x, int y);
    int TotalItems() const { return TotalItems_; }
    int LastItem() const { return LastItem_; }
    // Draws the legend and gives the chart rectangle away to it.
    void Draw(TRect& chartRect);
    void Assign(const TPlotCustomShapeBrushPen& source) override;

protected:
    // Grey to white from the right.
    std::unique_ptr<TPlotGradient> NewGradient(TNotifyEvent onChange) override;

private:
    int itemsTop() const;
    int symbolPixelWidth();
    void measureColumns();
    void drawItem(int index, int position);

    TLegendAlignment Alignment_ = laRight;
    TCheckBoxesStyle CheckBoxesStyle_ = cbsCheck;
    int FirstValue_ = 0;
    TLegendStyle LegendStyle_ = lsAuto;
    int TotalItems_ = 0, LastItem_ = -1, Columns_ = 1, Rows_ = 0;
    int ColumnWidth_[2] = {0, 0};
    int SymbolWidth_ = 0, ItemHeight_ = 0, TitleHeight_ = 0;
    bool TitleShown_ = false;
};

class TChartLegend : public TCustomChartLegend {
public:
    using TCustomChartLegend::TCustomChartLegend;
};

// ---- palettes

const QStringList& ColorPaletteNames();
// The colours of palette i; palette 0 and unknown indexes are empty.
std::vector<TColor> ColorPaletteColors(int index);
// Sets the chart's colour table, gives the automatic-coloured series free
// colours and repaints.
void ApplyChartPalette(TCustomAxisPanel& chart, int index);

}  // namespace brine::chart
