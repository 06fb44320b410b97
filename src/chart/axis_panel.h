#pragma once
// The panel that owns the axes and the series: series list, axes, ranges from
// the series, paging, 3D depth sizes, colours, and one paint of a chart in a
// fixed order. The chart fills in walls, legend and titles.
#include <functional>
#include <memory>
#include <vector>

#include "chart/axis_scale.h"
#include "chart/plot_functions.h"
#include "chart/plot_panel.h"
#include "chart/series_data.h"

namespace brine::chart {

class TPlotSeriesEvent : public TPlotEvent {
public:
    TCustomChartSeries* Series = nullptr;
    TSeriesNotification Kind = snAdd;
};

// Tool event sent when the page or the page size changes.
constexpr TChartToolEvent ChartToolEventPageChange = 6;

class TCustomAxisPanel : public TCustomPlotPanelExtended {
public:
    explicit TCustomAxisPanel(QWidget* parent = nullptr);
    ~TCustomAxisPanel() override;

    // ---- series
    // A series handed over as unique_ptr belongs to the panel and is freed
    // with it; one added by pointer stays its owner's and is only detached.
    // A series that is destroyed elsewhere always leaves the list first.
    const TChartSeriesList& SeriesList() const { return SeriesList_; }
    int SeriesCount() const { return SeriesList_.Count(); }
    TChartSeries* Series(int i) const;
    virtual void AddSeries(TChartSeries* series);
    template <typename T>
    T* AddSeries(std::unique_ptr<T> series) {
        T* s = series.get();
        SeriesList_.Adopt(std::unique_ptr<TChartSeries>(series.release()));
        AddSeries(s);
        return s;
    }
    virtual void RemoveSeries(TChartSeries* series);
    void RemoveSeries(int index) { RemoveSeries(Series(index)); }
    // Frees the owned series that pass the filter (all without one) and
    // detaches the others that pass it.
    void FreeAllSeries(const std::function<bool(const TChartSeries*)>& filter = nullptr);
    // The first active series with the most points on the axis.
    TChartSeries* MasterSeries(const TChartAxis* axis) const;
    int CountActiveSeries() const;
    int GetMaxValuesCount() const;
    // The first series that uses the axis, or nullptr.
    TChartSeries* GetAxisSeries(const TChartAxis* axis) const;
    // The n-th series shown in the legend (0-based), or nullptr.
    TChartSeries* SeriesLegend(int index, bool onlyActive) const;
    // True when no series is active or some active series uses axes.
    bool AxesInUse() const;

    // ---- switches
    bool AxisBehind() const { return AxisBehind_; }
    void SetAxisBehind(bool v) { ChangeBool(AxisBehind_, v); }
    bool AxisVisible() const { return AxisVisible_; }
    void SetAxisVisible(bool v) { ChangeBool(AxisVisible_, v); }
    bool ClipPoints() const { return ClipPoints_; }
    void SetClipPoints(bool v) { ChangeBool(ClipPoints_, v); }
    bool View3DWalls() const { return View3DWalls_; }
    void SetView3DWalls(bool v) { ChangeBool(View3DWalls_, v); }

    // ---- axes: every axis in creation order, the six predefined ones first
    TChartAxes AxesList;
    // Conversion without clamping for all axes.
    bool FastCalc = false;
    // Predefined axes and custom axes are freed by their own lists.
    TChartAxis& BottomAxis() { return *BottomAxis_; }
    TChartAxis& TopAxis() { return *TopAxis_; }
    TChartAxis& LeftAxis() { return *LeftAxis_; }
    TChartAxis& RightAxis() { return *RightAxis_; }
    TChartDepthAxis& DepthAxis() { return *DepthAxis_; }
    TChartDepthAxis& DepthTopAxis() { return *DepthTopAxis_; }
    TChartCustomAxes CustomAxes;
    TChartAxis* AddCustomAxis();

    // What an axis must show of the series.
    double MinXValue(const TChartAxis* axis) const { return axisRange(axis, true, false); }
    double MaxXValue(const TChartAxis* axis) const { return axisRange(axis, true, true); }
    double MinYValue(const TChartAxis* axis) const { return axisRange(axis, false, false); }
    double MaxYValue(const TChartAxis* axis) const { return axisRange(axis, false, true); }

    // Label hooks of the axes: a label text (Series nullptr and index -1 for
    // value labels) and the values of the labels.
    std::function<void(TChartAxis* Sender, TChartSeries* Series, int ValueIndex, QString& LabelText)> OnGetAxisLabel;
    std::function<void(TChartAxis* Sender, int LabelIndex, double& LabelValue, bool& Stop)> OnGetNextAxisLabel;

    // ---- paging
    int MaxPointsPerPage() const { return MaxPointsPerPage_; }
    // Below 0 raises ChartException.
    void SetMaxPointsPerPage(int v);
    int Page() const { return Page_; }
    // Clamped to 1..NumPages().
    void SetPage(int v);
    int NumPages() const;
    bool ScaleLastPage() const { return ScaleLastPage_; }
    void SetScaleLastPage(bool v) { ChangeBool(ScaleLastPage_, v); }
    TNotifyEvent OnPageChange;

    // ---- 3D depth
    int Chart3DPercent() const { return Chart3DPercent_; }
    // Outside 1..100 raises Exception.
    void SetChart3DPercent(int v);
    int SeriesWidth3D = 0, SeriesHeight3D = 0;
    int Width3D = 0, Height3D = 0;
    int MaxZOrder = 0;
    // Each series gets its own depth slot (off: all at depth 0).
    bool ApplyZOrder = true;
    // Series of one z order share their depth.
    bool SharedDepth = false;
    // Series and points are drawn last to first.
    bool DrawBackwards = false;

    // ---- colours
    std::vector<TColor> SeriesColorPalette;
    // Named palette in use (0: the default one).
    int ColorPaletteIndex = 0;
    TColor GetDefaultColor(int index) const;
    TColor GetFreeSeriesColor(bool checkBackground, const TChartSeries* series) const;

    // ---- tools and named groups of series
    TChartTools Tools{this};
    TSeriesGroups& SeriesGroups() { return SeriesList_.Groups; }

    // Whether a component may feed the series: another series of a suitable
    // kind, or a data-source component.
    virtual bool IsValidDataSource(const TChartSeries& series, const TComponent* source) const;
    // Throws ChartException when source takes its data from series, directly
    // or through a chain of series sources.
    void CheckCircularSource(const TChartSeries& series, const TChartSeries& source) const;
    // Refills a series from its function or data source.
    virtual void CheckDataSource(TChartSeries& series);
    virtual void SeriesChanged(TCustomChartSeries* /*series*/) {}
    void BroadcastSeriesEvent(TCustomChartSeries* series, TSeriesNotification kind);
    void BroadcastToolEvent(TChartToolEvent event);

    // ---- drawing
    TNotifyEvent OnBeforeDrawChart, OnBeforeDrawAxes, OnBeforeDrawSeries;
    TColor LegendColor = clWhite;
    // Computed before each paint: axis switches, series and View3D.
    bool IsAxisVisible(const TChartAxis* axis) const;
    // Whether the chart rectangle projected at depth z faces the viewer.
    bool IsFacing(int z);
    void Calc3DSizes();
    void CalcZOrders();
    // Axis room, chart rectangle and series margins.
    void CalcAxesAndChartRect();
    void DrawAxes();
    void DrawAllSeries();
    void DrawContents(const TRect& rect) override;
    // The largest label of the series' points: width and number of lines.
    int MaxLabelsWidth(int* lines = nullptr);

    // ---- operations a chart fills in
    virtual void CalcWallsRect() {}
    virtual int AxisWallSize(const TChartAxis& /*axis*/) { return 0; }
    virtual void DrawTitlesAndLegend(bool /*firstPass*/) {}
    virtual void DrawWalls() {}
    virtual bool IsFreeSeriesColor(TColor color, bool checkBackground, const TChartSeries* skip) const;
    virtual QString FormattedLegend(TChartSeries* /*series*/, int /*index*/) { return {}; }
    virtual void DrawLegendColorBox(const TRect& r);
    // Chart hooks that may move the legend box and each legend item.
    virtual void DoGetLegendRect(TRect& /*r*/) {}
    virtual void DoGetLegendPos(int /*index*/, int& /*x*/, int& /*y*/, int& /*symbolX*/) {}
    virtual void DoAfterDraw() {
        if (OnAfterDraw) OnAfterDraw();
    }
    // Settings, axes and palette of another axis panel; its series stay its own.
    void Assign(const TCustomPlotPanel& source) override;
    // True when a series lies under the mouse (its cursor shown).
    bool CheckMouseOverSeries(int x, int y);

private:
    double axisRange(const TChartAxis* axis, bool isX, bool isMax) const;
    void drawOneSeries(TChartSeries& s);
    void drawInterleaved(std::vector<TChartSeries*> group);

    TChartSeriesList SeriesList_{this};
    int MaxPointsPerPage_ = 0;
    int Page_ = 1;
    bool ScaleLastPage_ = true;
    int Chart3DPercent_ = 15;
    bool AxisBehind_ = true, AxisVisible_ = true, ClipPoints_ = true, View3DWalls_ = true;
    TChartAxis *BottomAxis_ = nullptr, *TopAxis_ = nullptr, *LeftAxis_ = nullptr, *RightAxis_ = nullptr;
    TChartDepthAxis *DepthAxis_ = nullptr, *DepthTopAxis_ = nullptr;
};

}  // namespace brine::chart
