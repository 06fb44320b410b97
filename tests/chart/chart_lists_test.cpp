// The panel's series and axes lists: what each list frees and what it only
// lists, and custom axes listed once.
#include "chart/chart.h"
#include "chart/line_series.h"
#include "chart_fixture.h"

namespace brine::chart {
namespace {

class GoneSeries : public TLineSeries {
public:
    explicit GoneSeries(int& gone) : gone(gone) {}
    ~GoneSeries() override { ++gone; }
    int& gone;
};

TEST(ChartListsTest, SeriesListFreesOnlyTheSeriesHandedOver) {
    brine::test::qtApp();
    int gone = 0;
    GoneSeries kept(gone);
    {
        TCustomAxisPanel panel;
        panel.AddSeries(std::make_unique<GoneSeries>(gone));
        panel.AddSeries(&kept);
        TSeriesGroup& group = panel.SeriesGroups().Add();
        group.Series().Add(&kept);
        ASSERT_EQ(panel.SeriesCount(), 2);
        EXPECT_TRUE(panel.SeriesList().Owns(panel.Series(0)));
        EXPECT_FALSE(panel.SeriesList().Owns(&kept));
        // An owned series deleted by hand leaves the list and is not freed again.
        delete panel.Series(0);
        EXPECT_EQ(gone, 1);
        EXPECT_EQ(panel.SeriesCount(), 1);
        panel.AddSeries(std::make_unique<GoneSeries>(gone));
    }
    EXPECT_EQ(gone, 2);
    EXPECT_EQ(kept.ParentChart(), nullptr);
}

TEST(ChartListsTest, AxesListHoldsEveryAxisOnce) {
    brine::test::qtApp();
    TChart chart;
    const TChartAxes& axes = chart.AxesList;
    ASSERT_EQ(axes.Count(), 6);
    EXPECT_EQ(axes.BottomAxis(), &chart.BottomAxis());
    EXPECT_EQ(axes.TopAxis(), &chart.TopAxis());
    EXPECT_EQ(axes.LeftAxis(), &chart.LeftAxis());
    EXPECT_EQ(axes.RightAxis(), &chart.RightAxis());
    EXPECT_EQ(axes.DepthAxis(), &chart.DepthAxis());
    EXPECT_EQ(axes.DepthTopAxis(), &chart.DepthTopAxis());
    EXPECT_EQ(axes[6], nullptr);
    TChartAxis* custom = chart.AddCustomAxis();
    EXPECT_EQ(axes.Count(), 7);
    EXPECT_EQ(axes.IndexOf(custom), 6);
    EXPECT_TRUE(custom->IsCustom());
    chart.CustomAxes.clear();
    EXPECT_EQ(axes.Count(), 6);
}

// A custom axis moved by panning shifts by one drag, not by two.
TEST(ChartListsTest, CustomAxisPansOnce) {
    brine::test::qtApp();
    TChart chart;
    chart.resize(400, 300);
    chart.SetView3D(false);
    auto* line = chart.AddSeries(std::make_unique<TLineSeries>());
    TChartAxis* custom = chart.AddCustomAxis();
    custom->SetHorizontal(true);
    line->SetCustomHorizAxis(custom);
    for (auto [x, y] : {std::pair{0.0, 0.0}, {4.0, 5.0}}) line->AddXY(x, y);
    chart.RenderToBitmap(clWhite, chart.PanelRectangle());
    const int x0 = chart.ChartXCenter, y0 = chart.ChartYCenter;
    const double min0 = custom->Minimum();
    const double delta = custom->PixelToValue(x0) - custom->PixelToValue(x0 + 40);
    ASSERT_LT(delta, 0);
    test::drag(chart, mbRight, x0, y0, x0 + 40, y0);
    EXPECT_NEAR(custom->Minimum(), min0 + delta, 1e-9);
}

// A panel that takes no series as a source.
class NoSeriesSourcePanel : public TCustomAxisPanel {
public:
    bool IsValidDataSource(const TChartSeries& series, const TComponent* source) const override {
        return !dynamic_cast<const TChartSeries*>(source) && TCustomAxisPanel::IsValidDataSource(series, source);
    }
};

TEST(ChartListsTest, PanelDecidesTheDataSources) {
    brine::test::qtApp();
    NoSeriesSourcePanel panel;
    TChartSeries a, b;
    a.SetParentChart(&panel);
    b.SetParentChart(&panel);
    EXPECT_THROW(a.SetDataSource(&b), ChartException);
    EXPECT_TRUE(a.DataSources.Items.empty());
}

}  // namespace
}  // namespace brine::chart
