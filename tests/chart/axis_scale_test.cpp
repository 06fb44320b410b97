// Axis scale: steps, date-time calendar steps, ranges, setters' checks and
// value ↔ pixel conversion against hand-computed numbers.
#include "chart/axis_panel.h"
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

class AxisScaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        brine::test::qtApp();
        panel = std::make_unique<TCustomAxisPanel>();
    }
    // Places the chart rectangle and gives the axis its range and pixels.
    void layout(TChartAxis& a, double lo, double hi) {
        panel->ChartRect = {0, 100, 400, 500};
        panel->RecalcWidthHeight();
        a.ScaleMinimum = lo;
        a.ScaleMaximum = hi;
        a.UpdateAxisPixels();
    }
    std::unique_ptr<TCustomAxisPanel> panel;
};

TEST(AxisStepTest, NiceStepsAndCalendarRoutines) {
    const std::pair<double, double> nice[] = {{1, 2},  {1.9, 2},  {2, 5},    {4.99, 5},  {5, 10},
                                              {9.99, 10}, {10, 20}, {0.3, 0.5}, {0.07, 0.1}, {20, 50}};
    for (auto [in, out] : nice) EXPECT_NEAR(NiceStep(in), out, out * 1e-12) << in;
    EXPECT_EQ(NiceStep(0), 0);  // no endless scaling of a zero step

    EXPECT_DOUBLE_EQ(NextDateTimeStep(1.0), 2.0);
    EXPECT_DOUBLE_EQ(NextDateTimeStep(200.0), 365.0);
    EXPECT_DOUBLE_EQ(NextDateTimeStep(1e-13), 365.0);
    EXPECT_EQ(FindDateTimeStep(15.0), 20);
    EXPECT_EQ(FindDateTimeStep(1.0 / 24), 12);
    EXPECT_EQ(FindDateTimeStep(4.0), NoDateTimeStep);

    const double t = date(2003, 3, 20, 10, 30);
    EXPECT_DOUBLE_EQ(RoundDateDown(t, 20), date(2003, 3, 15));
    EXPECT_DOUBLE_EQ(RoundDateDown(t, 26), date(2003, 1, 1));
    EXPECT_DOUBLE_EQ(RoundDateDown(t, 16), date(2003, 3, 20));
    EXPECT_DOUBLE_EQ(RoundDateDown(1.5, 26), 1.5);  // before 1900: unchanged

    const struct {
        bool exact, increment;
        double from, step;
        int index;
        double to;
    } steps[] = {
        {true, false, date(2003, 1, 1), 30, 21, date(2002, 12, 1)},
        {true, false, date(2003, 3, 1), 15, 20, date(2003, 2, 15)},
        {true, false, date(2003, 2, 10), 15, 20, date(2003, 2, 1)},
        {true, true, date(2003, 11, 20), 90, 23, date(2004, 2, 1)},
        {true, false, date(2004, 2, 29), 365, 26, date(2003, 2, 28)},  // no 29 February in 2003
        {false, false, 10.5, 2, 21, 8.5},
    };
    for (const auto& c : steps) {
        double v = c.from;
        StepDateTime(c.exact, c.increment, v, c.step, c.index);
        EXPECT_DOUBLE_EQ(v, c.to) << c.from << " by " << c.step;
    }
    EXPECT_EQ(DefaultDateTimeFormat(1.0), "yyyy/mm/dd");
    EXPECT_EQ(DefaultDateTimeFormat(1.5), "yyyy/mm/dd");
}

TEST_F(AxisScaleTest, IncrementsForLabelCountAndSize) {
    TChartAxis& x = panel->BottomAxis();
    layout(x, 0, 100);
    EXPECT_EQ(x.PixelLength, 400);
    // 30-pixel labels, 10 % apart: 33 pixels, 12 labels, step grows from 100/13 to 10.
    EXPECT_DOUBLE_EQ(x.StepForLabelSize(30), 10.0);
    EXPECT_DOUBLE_EQ(x.StepForLabelCount(0), 1e-12);
    x.SetLabelsSeparation(0);
    EXPECT_DOUBLE_EQ(x.StepForLabelCount(12), 100.0 / 13);
    x.SetLabelsSeparation(10);
    x.SetIncrement(30);
    EXPECT_DOUBLE_EQ(x.StepForLabelCount(12), 30.0);
    x.SetIncrement(0);

    layout(x, 5, 5);
    EXPECT_DOUBLE_EQ(x.StepForLabelCount(5), 1.0);
    EXPECT_EQ(x.ValueToPixel(-1e9), x.PixelCentre);
    EXPECT_EQ(x.ValueToPixel(5), 200);

    // Few points on the axis: whole steps.
    TChartSeries s;
    s.SetParentChart(panel.get());
    s.AddXY(0, 0);
    s.AddXY(3, 1);
    layout(x, 0, 3);
    EXPECT_DOUBLE_EQ(x.StepForLabelCount(8), 1.0);

    // Logarithmic base below 1 cannot grow the step: the loop still ends.
    x.SetLogarithmicBase(0.5);
    layout(x, 1, 1000);
    x.SetLogarithmic(true);
    EXPECT_GT(x.StepForLabelCount(3), 0);

    // Date-time steps through the calendar table.
    TChartAxis& y = panel->LeftAxis();
    y.IsDateTimeScale = true;
    layout(y, 0, 10);
    EXPECT_DOUBLE_EQ(y.StepForLabelCount(5), 2.0);
    layout(y, date(2000, 1, 1), date(2010, 1, 1));
    EXPECT_DOUBLE_EQ(y.StepForLabelCount(4), 1460.0);
    EXPECT_DOUBLE_EQ(y.StepForLabelCount(0), OneMicrosecond);
}

TEST_F(AxisScaleTest, ValueToPixelAndBack) {
    TChartAxis& x = panel->BottomAxis();
    layout(x, 0, 100);
    EXPECT_EQ(x.ValueToPixel(25), 100);
    EXPECT_EQ(x.ValueToPixel(0.625), 2);  // 2.5 to even
    EXPECT_DOUBLE_EQ(x.PixelToValue(100), 25);
    EXPECT_EQ(x.ValueToPixel(1e12), PlotMaxPixelPos);
    EXPECT_EQ(x.ValueToPixel(-1e12), -PlotMaxPixelPos);
    x.SetInverted(true);
    EXPECT_EQ(x.ValueToPixel(25), 300);
    EXPECT_DOUBLE_EQ(x.PixelToValue(300), 25);
    panel->FastCalc = true;
    x.ChooseValueToPixel();
    EXPECT_EQ(x.ValueToPixel(25), 300);
    EXPECT_EQ(x.ValueToPixel(1e300), 400 - INT_MAX);  // saturates, no overflow
    panel->FastCalc = false;
    x.ChooseValueToPixel();

    TChartAxis& y = panel->LeftAxis();
    layout(y, 0, 100);
    EXPECT_EQ(y.PixelStart, 100);
    EXPECT_EQ(y.PixelEnd, 500);
    EXPECT_EQ(y.ValueToPixel(0), 500);
    EXPECT_EQ(y.ValueToPixel(100), 100);
    EXPECT_DOUBLE_EQ(y.PixelToValue(400), 25);
    y.SetInverted(true);
    EXPECT_EQ(y.ValueToPixel(0), 100);  // minimum at the top
    y.SetInverted(false);

    // Start and end positions in percent of the chart height.
    y.SetStartPosition(25);
    y.SetEndPosition(75);
    y.UpdateAxisPixels();
    EXPECT_EQ(y.PixelStart, 200);
    EXPECT_EQ(y.PixelEnd, 400);
    EXPECT_EQ(y.PixelCentre, 300);
    y.SetStartPosition(0);
    y.SetEndPosition(100);

    // Logarithmic: 1..1000 over 400 pixels, 133.33 pixels a decade.
    y.SetLogarithmic(true);
    layout(y, 1, 1000);
    EXPECT_EQ(y.ValueToPixel(10), 500 - 133);
    EXPECT_EQ(y.ValueToPixel(0), 500);
    EXPECT_NEAR(y.PixelToValue(300), std::exp(std::log(1000.0) * 0.5), 1e-9);
    EXPECT_DOUBLE_EQ(y.PixelToValue(100), 1000);

    // Margins: 0..100 over 0..400 with 40 pixels at each end keeps 0 and 100
    // 40 pixels inside.
    layout(x, 0, 100);
    x.SetInverted(false);
    x.AdjustPixelMargins({40, 0, 40, 0});
    EXPECT_EQ(x.ValueToPixel(0), 40);
    EXPECT_EQ(x.ValueToPixel(100), 360);
    EXPECT_DOUBLE_EQ(x.ScaleMinimum, -12.5);
}

TEST_F(AxisScaleTest, RangesSettersAndScrolling) {
    TChartSeries s;
    s.SetParentChart(panel.get());
    s.AddXY(2, -3);
    s.AddXY(8, 7);
    TChartAxis& x = panel->BottomAxis();
    TChartAxis& y = panel->LeftAxis();
    x.ApplyAutoRange();
    y.ApplyAutoRange();
    EXPECT_EQ(x.Minimum(), 2);
    EXPECT_EQ(x.Maximum(), 8);
    EXPECT_EQ(y.ScaleMinimum, -3);
    EXPECT_EQ(y.ScaleMaximum, 7);
    EXPECT_EQ(panel->RightAxis().Maximum(), 0);  // no series on it

    // Only the automatic end follows the series.
    x.SetAutomaticMinimum(false);
    EXPECT_FALSE(x.Automatic());
    EXPECT_TRUE(x.AutomaticMaximum());
    x.SetMinimum(0);
    s.AddXY(9, 0);
    x.ApplyAutoRange();
    EXPECT_EQ(x.Minimum(), 0);
    EXPECT_EQ(x.Maximum(), 9);
    x.SetAutomatic(true);
    EXPECT_TRUE(x.AutomaticMinimum());

    // Hidden series still give the scale when no active one remains.
    s.SetActive(false);
    y.ApplyAutoRange();
    EXPECT_EQ(y.ScaleMaximum, 7);
    s.SetActive(true);

    x.SetRange(5, 5);
    EXPECT_EQ(x.Minimum(), 5);
    EXPECT_EQ(x.Maximum(), 5 + 1e-10);
    EXPECT_FALSE(x.Automatic());
    x.SetRange(7, 2);
    EXPECT_EQ(x.Minimum(), 2);
    EXPECT_EQ(x.Maximum(), 7);
    x.SetRange(1, 4);

    const auto raises = [](auto f) { return raised<AxisException>(f); };
    EXPECT_EQ(raises([&] { x.SetMinimum(5); }), "Axis Minimum Value must be <= Maximum");
    EXPECT_EQ(x.Minimum(), 1);
    EXPECT_EQ(raises([&] { x.SetMaximum(0); }), "Axis Maximum Value must be >= Minimum");
    EXPECT_EQ(raises([&] { x.SetIncrement(-1); }), "Axis increment must be >= 0");
    EXPECT_EQ(raises([&] { x.SetLogarithmicBase(1); }), "Axis Logarithmic Base should be <> 1 and > 0");
    EXPECT_EQ(raises([&] { x.SetLogarithmicBase(0); }), "Axis Logarithmic Base should be <> 1 and > 0");
    EXPECT_NO_THROW(x.SetLogarithmicBase(0.5));
    EXPECT_EQ(raises([&] { x.SetLabelsSeparation(-1); }), "Labels Separation % must be greater than 0");
    EXPECT_NO_THROW(x.SetLabelsSeparation(0));
    panel->Loading = true;
    EXPECT_NO_THROW(x.SetMinimum(5));
    panel->Loading = false;

    // Logarithmic needs a range not below 0, and no date-time values.
    EXPECT_EQ(raises([&] { y.SetLogarithmic(true); }), "Logarithmic Axis Min and Max values should be >= 0");
    EXPECT_FALSE(y.Logarithmic());
    s.XValues->SetDateTime(true);
    EXPECT_TRUE(x.AxisIsDateTime());
    EXPECT_EQ(raises([&] { x.SetLogarithmic(true); }), "DateTime Axis cannot be Logarithmic");

    // Scrolling within the data moves only toward points beyond the range.
    y.SetRange(0, 5);
    y.ScrollBy(2, true);
    EXPECT_EQ(y.Maximum(), 7);
    y.ScrollBy(1, true);  // the largest value is 7: nothing beyond
    EXPECT_EQ(y.Maximum(), 7);
    y.ScrollBy(0, true);
    y.ScrollBy(-10, false);
    EXPECT_EQ(y.Minimum(), -8);

    y.SetZPosition(0);
    EXPECT_EQ(y.ZPosition(), 0.01);
    EXPECT_FALSE(y.IsZPositionStored());
    EXPECT_FALSE(panel->TopAxis().IsZPositionStored());  // 100 on the other side
}

}  // namespace
}  // namespace brine::chart::test
