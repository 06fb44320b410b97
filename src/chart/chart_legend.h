#pragma once
// The legend box beside or above the chart, its symbol and title, the shape
// base that can be placed freely, the named colour palettes and the
// registries of the kinds of series and tools.
#include <QStringList>
#include <functional>
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

// ---- registries of the kinds of series and tools

class TPlotCustomTool;

// A kind of series known by its class name, with a title for lists and a
// maker of a new series of that kind.
struct TPlotSeriesType {
    QString SeriesClassName;
    QString Description;
    std::function<std::unique_ptr<TChartSeries>()> Create;
};

// A kind of chart tool, likewise.
struct TPlotToolType {
    QString ToolClassName;
    QString Description;
    std::function<std::unique_ptr<TPlotCustomTool>()> Create;
};

// A list that owns its entries: clearing or freeing it frees them.
template <class Entry>
class TPlotTypeList {
public:
    void Add(std::unique_ptr<Entry> entry) {
        if (entry) items_.push_back(std::move(entry));
    }
    int Count() const { return static_cast<int>(items_.size()); }
    Entry& Item(int index) const { return *items_.at(static_cast<size_t>(index)); }
    void Clear() { items_.clear(); }

protected:
    std::vector<std::unique_ptr<Entry>> items_;
};

class TPlotSeriesTypes : public TPlotTypeList<TPlotSeriesType> {
public:
    // The entry of a series class, or nullptr.
    TPlotSeriesType* Find(const QString& seriesClassName) const;
};

class TPlotToolTypes : public TPlotTypeList<TPlotToolType> {
public:
    // The entry of a tool class, or nullptr.
    TPlotToolType* Find(const QString& toolClassName) const;
};

// The palette names, in palette order.
using TColorPalettes = QStringList;

// The chart unit's start and end, run once for the program (at its start and
// exit) and counted, so that starts and ends nested inside do nothing: the
// first start makes the two registries and the palette list, the matching
// last end frees all three.
void ChartUnitStart();
void ChartUnitEnd();
// The registries while the unit runs, else nullptr.
TPlotSeriesTypes* PlotSeriesTypes();
TPlotToolTypes* PlotToolTypes();
TColorPalettes* ColorPalettes();

}  // namespace brine::chart
