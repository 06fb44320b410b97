#pragma once
// The panel that owns the axes and knows the series: the part the axes and
// the series data use (series list, axes, ranges from the series, paging,
// 3D depth sizes, colours). Drawing order and walls build on it.
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

class TCustomAxisPanel : public TCustomPlotPanelExtended {
public:
    explicit TCustomAxisPanel(QWidget* parent = nullptr);
    ~TCustomAxisPanel() override;

    // ---- series (not owned: a series detaches itself when it goes)
    const std::vector<TChartSeries*>& SeriesList() const { return SeriesList_; }
    int SeriesCount() const { return static_cast<int>(SeriesList_.size()); }
    TChartSeries* Series(int i) const;
    virtual void AddSeries(TChartSeries* series);
    virtual void RemoveSeries(TChartSeries* series);
    // The first active series with the most points on the axis.
    TChartSeries* MasterSeries(const TChartAxis* axis) const;

    // ---- axes: every axis in creation order, the six predefined ones first
    std::vector<TChartAxis*> AxesList;
    // Conversion without clamping for all axes.
    bool FastCalc = false;
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
    int MaxPointsPerPage = 0;
    int Page = 1;
    bool ScaleLastPage = true;

    // ---- 3D depth
    int Chart3DPercent = 15;
    int SeriesWidth3D = 0, SeriesHeight3D = 0;
    int Width3D = 0, Height3D = 0;
    int MaxZOrder = 0;
    // Series of one z order share their depth.
    bool SharedDepth = false;
    // Series and points are drawn last to first.
    bool DrawBackwards = false;

    // ---- colours
    std::vector<TColor> SeriesColorPalette;
    TColor GetDefaultColor(int index) const;
    TColor GetFreeSeriesColor(bool checkBackground, const TChartSeries* series) const;

    // ---- tools and named groups of series
    TChartTools Tools{this};
    TSeriesGroups SeriesGroups{this};

    // Refills a series from its function or data source.
    virtual void CheckDataSource(TChartSeries& series);
    virtual void SeriesChanged(TCustomChartSeries* /*series*/) {}
    void BroadcastSeriesEvent(TCustomChartSeries* series, TSeriesNotification kind);

private:
    double axisRange(const TChartAxis* axis, bool isX, bool isMax) const;

    std::vector<TChartSeries*> SeriesList_;
    std::unique_ptr<TChartAxis> BottomAxis_, TopAxis_, LeftAxis_, RightAxis_;
    std::unique_ptr<TChartDepthAxis> DepthAxis_, DepthTopAxis_;
};

}  // namespace brine::chart
