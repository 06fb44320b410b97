// Stacked line series: positions, axis ranges, 100% stacking, shared depth
// and interleaved drawing in 3D.
#include "chart/chart.h"
#include "chart/line_series.h"
#include "chart_fixture.h"

namespace brine::chart {
namespace {

using test::pixelAt;

struct DrawLog {
    std::vector<std::pair<int, int>> calls;  // series tag, value index
};

class LoggedLine : public TLineSeries {
public:
    DrawLog* log = nullptr;
    int tag = 0;
    void DrawValue(int ValueIndex) override {
        if (log) log->calls.push_back({tag, ValueIndex});
        TLineSeries::DrawValue(ValueIndex);
    }
};

class LineStackTest : public ::testing::Test {
protected:
    void SetUp() override {
        brine::test::qtApp();
        chart = std::make_unique<TChart>();
        chart->resize(400, 300);
        chart->SetView3D(false);
        chart->Legend().SetVisible(false);
    }
    LoggedLine* add(std::initializer_list<double> ys, TColor color) {
        auto* s = chart->AddSeries(std::make_unique<LoggedLine>());
        s->log = &log;
        s->tag = static_cast<int>(chart->SeriesList().Items.size()) - 1;
        s->SetSeriesColor(color);
        double x = 0;
        for (double y : ys) s->AddXY(x++, y);
        return s;
    }
    QImage render() { return test::renderPanel(*chart); }

    std::unique_ptr<TChart> chart;
    DrawLog log;
};

TEST_F(LineStackTest, StackSumsEarlierSeriesBySign) {
    auto* a = add({1, 2, -1, 4}, clRed);
    auto* b = add({3, 1, -2, 0}, clBlue);
    auto* c = add({2, -1, 5, 1}, 0x008000);
    a->SetStacked(cssStack);
    // The setting reaches every line series of the panel.
    EXPECT_EQ(b->Stacked(), cssStack);
    EXPECT_EQ(c->Stacked(), cssStack);
    EXPECT_DOUBLE_EQ(a->StackedValue(0), 1);
    EXPECT_DOUBLE_EQ(b->StackedValue(0), 4);
    EXPECT_DOUBLE_EQ(c->StackedValue(0), 6);
    // A negative value stacks on the negatives only, a positive one on the positives.
    EXPECT_DOUBLE_EQ(c->StackedValue(1), -1);
    EXPECT_DOUBLE_EQ(b->StackedValue(2), -3);
    EXPECT_DOUBLE_EQ(c->StackedValue(2), 5);
    EXPECT_DOUBLE_EQ(c->MaxYValue(), 6);
    EXPECT_DOUBLE_EQ(b->MinYValue(), -3);
    // An inactive series leaves the stack.
    b->SetActive(false);
    EXPECT_DOUBLE_EQ(c->StackedValue(0), 3);
    b->SetActive(true);
    // The value axis takes the stacked range.
    render();
    EXPECT_GE(chart->LeftAxis().Maximum(), 6);
    EXPECT_LE(chart->LeftAxis().Minimum(), -3);
    a->SetStacked(cssNone);
    EXPECT_DOUBLE_EQ(c->StackedValue(0), 2);
    EXPECT_DOUBLE_EQ(c->MaxYValue(), 5);
}

TEST_F(LineStackTest, StackedLinesDrawnAtTheirSums) {
    auto* a = add({1, 2, 1, 2}, clRed);
    auto* b = add({2, 2, 2, 2}, clBlue);
    a->SetStacked(cssStack);
    const QImage img = render();
    const TChartAxis& left = chart->LeftAxis();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(b->CalcYPos(i), left.ValueToPixel(a->YValue(i) + 2)) << i;
        // The last point sits on the clipped right edge.
        if (i < 3) {
            EXPECT_EQ(pixelAt(img, b->CalcXPos(i), b->CalcYPos(i)), clBlue) << i;
        }
    }
    // Between points 0 and 1 the upper line runs at 3 to 4, not at 2.
    const int x = (b->CalcXPos(0) + b->CalcXPos(1)) / 2;
    const int y = (b->CalcYPos(0) + b->CalcYPos(1)) / 2;
    EXPECT_GT(test::countPixels(img, x, y - 1, x + 1, y + 2, test::colour(clBlue)), 0);
    EXPECT_NE(pixelAt(img, x, left.ValueToPixel(2)), clBlue);
}

TEST_F(LineStackTest, Stack100ScalesToTotalAndSurvivesZeroTotal) {
    auto* a = add({1, 0, 3}, clRed);
    auto* b = add({3, 0, -1}, clBlue);
    a->SetStacked(cssStack100);
    EXPECT_DOUBLE_EQ(a->StackedValue(0), 25);
    EXPECT_DOUBLE_EQ(b->StackedValue(0), 100);
    // Every series is 0 at index 1: no share, no division by zero.
    EXPECT_DOUBLE_EQ(a->StackedValue(1), 0);
    EXPECT_DOUBLE_EQ(b->StackedValue(1), 0);
    EXPECT_DOUBLE_EQ(a->StackedValue(2), 75);
    EXPECT_DOUBLE_EQ(b->StackedValue(2), -25);
    EXPECT_DOUBLE_EQ(b->MinYValue(), 0);
    EXPECT_DOUBLE_EQ(b->MaxYValue(), 100);
    const QImage img = render();
    EXPECT_DOUBLE_EQ(chart->LeftAxis().Maximum(), 100);
    EXPECT_EQ(b->CalcYPos(1), chart->LeftAxis().ValueToPixel(0));
    EXPECT_EQ(pixelAt(img, b->CalcXPos(0), b->CalcYPos(0)), clBlue);
}

TEST_F(LineStackTest, StackedSeriesShareDepthAndDrawInterleavedIn3D) {
    auto* a = add({1, 2, 3}, clRed);
    auto* b = add({1, 1, 1}, clBlue);
    auto* other = chart->AddSeries(std::make_unique<TChartSeries>());
    other->AddXY(0, 1);
    chart->SetView3D(true);
    a->SetStacked(cssStack);
    render();
    EXPECT_EQ(a->ZOrderValue(), b->ZOrderValue());
    EXPECT_EQ(a->StartZ, b->StartZ);
    EXPECT_NE(other->ZOrderValue(), a->ZOrderValue());
    // Point by point, both series at each index before the next index.
    ASSERT_EQ(log.calls.size(), 6u);
    for (std::size_t k = 0; k < 6; k += 2) {
        EXPECT_EQ(log.calls[k].second, log.calls[k + 1].second) << k;
        EXPECT_NE(log.calls[k].first, log.calls[k + 1].first) << k;
    }
    EXPECT_NE(log.calls[0].second, log.calls[2].second);

    // Unstacked, each series draws all its points in turn, in its own depth.
    log.calls.clear();
    a->SetStacked(cssNone);
    render();
    EXPECT_NE(a->StartZ, b->StartZ);
    ASSERT_EQ(log.calls.size(), 6u);
    EXPECT_EQ(log.calls[0].first, log.calls[2].first);
    EXPECT_EQ(log.calls[3].first, log.calls[5].first);
}

TEST_F(LineStackTest, InterleavedDrawingKeepsEachSeriesToItsOwnPoints) {
    auto* a = add({1, 2, 3, 4, 5}, clRed);
    add({1, 1}, clBlue);
    chart->SetView3D(true);
    a->SetStacked(cssStack);
    render();
    int bCalls = 0;
    for (auto [tag, index] : log.calls) {
        if (tag == 1) {
            ++bCalls;
            EXPECT_LT(index, 2);
        }
    }
    EXPECT_EQ(bCalls, 2);
    EXPECT_EQ(log.calls.size(), 7u);
}

}  // namespace
}  // namespace brine::chart
