// Functions filling a series from its sources, tools, data sources, series
// groups and linked custom axes.
#include "chart/axis_panel.h"
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

// The mean of the Y values of a period, or of all points.
class MeanFunction : public TPlotFunction {
public:
    double Calculate(TChartSeries& Source, int First, int Last) override {
        if (First < 0) {
            First = 0;
            Last = Source.Count() - 1;
        }
        double sum = 0;
        for (int i = First; i <= Last; ++i) sum += Source.YValue(i);
        return sum / (Last - First + 1);
    }
    double CalculateMany(const std::vector<TChartSeries*>& Sources, int ValueIndex) override {
        double sum = 0;
        for (TChartSeries* s : Sources) sum += s->YValue(ValueIndex);
        return sum;
    }
};

class CountingTool : public TPlotCustomToolAxis {
public:
    explicit CountingTool(int& freed) : freed_(freed) {}
    ~CountingTool() override { ++freed_; }

private:
    int& freed_;
};

// Fills its series with three points when it loads.
class ThreePointSource : public TPlotSeriesSource {
public:
    int loads = 0;
    void Load() override {
        ++loads;
        Series()->Clear();
        for (int i = 0; i < 3; ++i) Series()->AddXY(i, 10 * i);
    }
};

class PlotFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 5; ++i) source.AddXY(i, i * 2);  // y = 0 2 4 6 8
        source.SetParentChart(&panel);
        result.SetParentChart(&panel);
        result.SingleFunctionPoint = false;  // as a line series
        source.LinkedSeries.push_back(&result);
        result.DataSources.Items.push_back(&source);
        auto f = std::make_unique<MeanFunction>();
        function = f.get();
        result.SetFunction(std::move(f));
    }

    bool appReady = (brine::test::qtApp(), true);  // before the panel
    TCustomAxisPanel panel;
    TChartSeries source, result;
    MeanFunction* function = nullptr;
};

}  // namespace

TEST_F(PlotFunctionsTest, FunctionRecalculatesFromItsSourceByPeriod) {
    // Period 0: a level line across the source's X range.
    EXPECT_EQ(values(*result.XValues), (std::vector<double>{0, 4}));
    EXPECT_EQ(values(*result.YValues), (std::vector<double>{4, 4}));

    function->SetPeriodAlign(paFirst);
    function->SetPeriod(2);  // points 0-1 and 2-3; the fifth has no full period
    EXPECT_EQ(values(*result.XValues), (std::vector<double>{0, 2}));
    EXPECT_EQ(values(*result.YValues), (std::vector<double>{1, 5}));

    function->SetPeriodAlign(paLast);
    EXPECT_EQ(values(*result.XValues), (std::vector<double>{1, 3}));

    EXPECT_THROW(function->SetPeriod(-1), ChartException);
    EXPECT_EQ(function->Period(), 2);

    // The source growing refills the function's series.
    source.BeginUpdate();
    source.AddXY(5, 10);
    source.EndUpdate();
    EXPECT_EQ(values(*result.YValues), (std::vector<double>{1, 5, 9}));

    function->Updating = true;
    function->SetPeriod(3);
    EXPECT_EQ(result.Count(), 3);
    function->Updating = false;
    function->Recalculate();
    EXPECT_EQ(values(*result.YValues), (std::vector<double>{2, 8}));

    // A range period takes the points below start + period.
    function->SetPeriodStyle(psRange);
    function->SetPeriodAlign(paCenter);
    function->SetPeriod(2);
    EXPECT_EQ(result.Count(), 3);
    EXPECT_DOUBLE_EQ(result.XValue(0), (0 + 2 - 0.002) * 0.5);
    EXPECT_EQ(values(*result.YValues), (std::vector<double>{1, 5, 9}));

    // A period that rounds to no point still moves on, one point at a time.
    function->SetPeriodStyle(psNumPoints);
    function->SetPeriod(0.3);
    EXPECT_EQ(result.Count(), 6);

    // Single point per result: the middle of the range.
    function->SetPeriod(0);
    result.SingleFunctionPoint = true;
    function->Recalculate();
    EXPECT_EQ(values(*result.XValues), (std::vector<double>{2.5}));
}

TEST_F(PlotFunctionsTest, ManySourcesAndMovingTheFunction) {
    TChartSeries second;
    second.SetParentChart(&panel);
    second.AddXY(0, 1, "a");
    second.AddXY(1, 1, "b");
    second.LinkedSeries.push_back(&result);
    result.DataSources.Items.push_back(&second);
    function->Recalculate();
    // X from the longest source, Y summed over both sources.
    EXPECT_EQ(values(*result.XValues), (std::vector<double>{0, 1, 2, 3, 4}));
    EXPECT_EQ(values(*result.YValues), (std::vector<double>{1, 3, 4, 6, 8}));

    TChartSeries other;
    function->SetParentSeries(&other);
    EXPECT_EQ(result.Function(), nullptr);
    EXPECT_EQ(other.Function(), function);
    EXPECT_EQ(function->ParentSeries(), &other);
    std::unique_ptr<TPlotFunction> back = function->SetParentSeries(nullptr);
    EXPECT_EQ(back.get(), function);
    EXPECT_EQ(other.Function(), nullptr);
    EXPECT_EQ(function->ParentSeries(), nullptr);
}

TEST_F(PlotFunctionsTest, ToolsBelongToTheirPanelsList) {
    int freed = 0;
    auto* tool = new CountingTool(freed);
    {
        TCustomAxisPanel other;
        tool->SetParentChart(&panel);
        ASSERT_EQ(panel.Tools.Count(), 1);
        TChartAxis* custom = other.AddCustomAxis();
        tool->SetAxis(custom);  // moves the tool to the axis' panel
        EXPECT_EQ(panel.Tools.Count(), 0);
        EXPECT_EQ(other.Tools[0], tool);
        EXPECT_EQ(tool->AxisID(), 6);
        other.CustomAxes.clear();
        EXPECT_EQ(tool->Axis(), nullptr);
        tool->SetAxisID(0);
        EXPECT_EQ(tool->Axis(), &other.BottomAxis());
        tool->SetParentChart(&panel);  // the old panel's axis stays behind
        EXPECT_EQ(tool->Axis(), nullptr);
        tool->SetParentChart(&other);
    }
    EXPECT_EQ(freed, 1);  // freed with the other panel

    auto* second = new CountingTool(freed);
    second->SetParentChart(&panel);
    delete second;
    EXPECT_EQ(panel.Tools.Count(), 0);
    EXPECT_EQ(freed, 2);
}

TEST_F(PlotFunctionsTest, GroupsSwitchTheirSeriesTogether) {
    TSeriesGroup& group = panel.SeriesGroups().Add();
    EXPECT_EQ(group.Active(), gaYes);
    TChartSeries outsider;
    EXPECT_FALSE(group.Series().Add(&outsider));
    auto* third = new TChartSeries;
    third->SetParentChart(&panel);
    for (TChartSeries* s : {&source, &result, third}) EXPECT_TRUE(group.Series().Add(s));
    result.SetActive(false);
    EXPECT_EQ(group.Active(), gaSome);
    group.SetActive(gaSome);
    EXPECT_TRUE(source.Active());
    group.SetActive(gaNo);
    EXPECT_EQ(group.Active(), gaNo);
    EXPECT_FALSE(third->Active());
    group.SetActive(gaYes);
    EXPECT_TRUE(result.Active());
    delete third;  // leaves the group
    EXPECT_EQ(group.Series().Count(), 2);
}

TEST_F(PlotFunctionsTest, DataSourceBindsAndUnbindsWithoutDanglingLinks) {
    auto* target = new TChartSeries;
    target->SetParentChart(&panel);
    int cleared = 0;
    target->OnClearValues = [&](TChartSeries*) { ++cleared; };
    auto* src = new ThreePointSource;
    src->SetSeries(target);
    EXPECT_EQ(target->DataSource(), src);
    EXPECT_TRUE(src->IsSourceOf(*target));
    EXPECT_EQ(src->loads, 0);
    src->Open();
    EXPECT_EQ(src->loads, 1);
    EXPECT_EQ(target->Count(), 3);
    target->CheckDataSource();  // the panel refreshes an active source
    EXPECT_EQ(src->loads, 2);
    src->Close();
    EXPECT_FALSE(src->Active());
    EXPECT_EQ(target->Count(), 0);

    // Rebinding leaves the old series without a source.
    src->SetSeries(&result);
    EXPECT_EQ(target->DataSource(), nullptr);
    EXPECT_EQ(result.DataSources.Items, (std::vector<TComponent*>{src}));
    EXPECT_TRUE(std::find(source.LinkedSeries.begin(), source.LinkedSeries.end(), &result) == source.LinkedSeries.end());
    src->SetSeries(target);
    EXPECT_EQ(result.DataSource(), nullptr);

    // A series going away while its source is active is not cleared.
    src->Open();
    cleared = 0;
    delete target;
    EXPECT_EQ(cleared, 0);
    EXPECT_EQ(src->Series(), nullptr);
    EXPECT_FALSE(src->Active());

    src->SetSeries(&result);
    delete src;
    EXPECT_EQ(result.DataSource(), nullptr);
}

TEST_F(PlotFunctionsTest, LinkedCustomAxesFollowTheirMaster) {
    TChartAxis* a = panel.AddCustomAxis();
    TChartAxis* b = panel.AddCustomAxis();
    a->MasterAxis = &panel.LeftAxis();
    b->MasterAxis = a;
    a->SetRange(0, 1);
    // Axes following each other must not recurse forever.
    EXPECT_EQ(b->Maximum(), 1);
    a->MasterAxis = b;
    b->SetRange(3, 7);
    EXPECT_EQ(a->Minimum(), 3);
    panel.LeftAxis().SetRange(-2, 2);  // a no longer follows the left axis
    EXPECT_EQ(panel.CustomAxes.Item(0)->Minimum(), 3);
    EXPECT_EQ(panel.CustomAxes.Item(5), nullptr);
}

TEST_F(PlotFunctionsTest, GalleryLookForEverySeriesOfTheChart) {
    source.Marks.SetVisible(true);
    source.SetColorEachPoint(true);
    result.Marks.SetDrawEvery(5);
    ASSERT_EQ(panel.SeriesList().Items.front(), &source);
    ASSERT_NE(panel.GetDefaultColor(0), panel.GetDefaultColor(3));
    function->PrepareForGallery(panel);
    for (TChartSeries* s : {&source, &result}) {
        EXPECT_FALSE(s->Marks.Visible());
        EXPECT_EQ(s->Marks.Font().Size(), 7);
        EXPECT_EQ(s->Marks.Callout().Length(), 4);
        EXPECT_EQ(s->Marks.DrawEvery(), 2);
        EXPECT_FALSE(s->ColorEachPoint());
    }
    // The first series takes the palette's first colour, the others its fourth.
    EXPECT_EQ(source.SeriesColor(), panel.GetDefaultColor(0));
    EXPECT_EQ(result.SeriesColor(), panel.GetDefaultColor(3));
    PrepareSeriesForGallery(result, false);
    EXPECT_EQ(result.SeriesColor(), TColor(0xC0C0C0));
}

}  // namespace brine::chart::test
