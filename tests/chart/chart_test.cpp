// A whole chart: drawing order, a rendered line chart, legend rows, zoom and
// panning by mouse, paging and palettes.
#include <QStringList>
#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "chart/chart.h"
#include "chart/line_series.h"
#include "chart/plot_const.h"
#include "chart_fixture.h"

namespace brine::chart {
namespace {

using test::countPixels;
using test::pixelAt;

class ChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        brine::test::qtApp();
        chart = std::make_unique<TChart>();
        chart->resize(400, 300);
        chart->SetView3D(false);
        chart->Title().SetTextLine("Depth");
        line = chart->AddSeries(std::make_unique<TLineSeries>());
        line->SetSeriesColor(0x008000);
        line->Pointer().SetVisible(true);
        line->Pointer().SetStyle(psRectangle);
        line->Pointer().Brush().SetColor(clRed);
        for (auto [x, y] : {std::pair{0.0, 0.0}, {1.0, 4.0}, {2.0, 2.0}, {3.0, 6.0}, {4.0, 5.0}}) line->AddXY(x, y);
    }
    QImage render() { return test::renderPanel(*chart); }
    // Pixels of the line's colour in [x0, x1) × [y0, y1).
    static int green(const QImage& img, int x0, int y0, int x1, int y1) {
        return countPixels(img, x0, y0, x1, y1, test::colour(0x008000));
    }

    std::unique_ptr<TChart> chart;
    TLineSeries* line = nullptr;
};

TEST_F(ChartTest, LineChartPartsByPixels) {
    const QImage img = render();
    const TRect r = chart->ChartRect;
    // The pointers inside the chart rectangle, in the image and in the window.
    const QImage shown = chart->grab().toImage();
    for (int i = 0; i < line->Count(); ++i) {
        const int x = line->CalcXPos(i), y = line->CalcYPos(i);
        EXPECT_GE(x, r.Left);
        EXPECT_LE(x, r.Right);
        EXPECT_EQ(pixelAt(img, x, y), clRed) << i;
        EXPECT_EQ(pixelAt(shown, x, y), clRed) << i;
    }
    // The line between two points in the series colour, the title above the
    // chart rectangle, value labels left of it. Text is smoothed: count
    // pixels of the text's hue.
    const int xm = (line->CalcXPos(0) + line->CalcXPos(1)) / 2, ym = (line->CalcYPos(0) + line->CalcYPos(1)) / 2;
    EXPECT_GT(green(img, xm - 1, ym - 1, xm + 2, ym + 2), 0);
    const auto blueText = [](TColor c) { return GetBValue(c) > 150 && GetRValue(c) < 100; };
    const auto darkText = [](TColor c) { return ToQColor(c).lightness() < 100; };
    EXPECT_GT(countPixels(img, r.Left, 0, r.Right, r.Top, blueText), 10);
    EXPECT_GT(countPixels(img, 0, r.Top, r.Left - 4, r.Bottom, darkText), 10);
    // Pointers make room: the first point lies inside the axis ends.
    EXPECT_GT(line->CalcXPos(0), chart->BottomAxis().PixelStart);

    // A null point breaks the line: no ink half way to the next point.
    line->Clear();
    line->AddXY(0, 0);
    line->AddNullXY(1, 5);
    line->AddXY(2, 0);
    line->Pointer().SetVisible(false);
    const QImage gap = render();
    const int xg = (line->CalcXPos(0) + line->CalcXPos(2)) / 2 - 20;
    EXPECT_EQ(green(gap, xg, chart->ChartRect.Top, xg + 1, chart->ChartRect.Bottom), 0);
}

TEST_F(ChartTest, TextLabelsFollowThePointsInViewFromTheFirstPaint) {
    line->Clear();
    const QStringList months{"Jan", "Feb", "Mar", "Apr", "May"};
    for (int i = 0; i < months.size(); ++i) line->AddXY(i, i % 3, months[i]);
    QStringList drawn;
    chart->BottomAxis().OnDrawLabel = [&](TChartAxis*, int&, int&, int&, QString& text, bool&) { drawn << text; };
    render();
    EXPECT_EQ(drawn.size(), 5);
    EXPECT_EQ(chart->BottomAxis().TickPositions.size(), 5u);
    // Panned: the labels now in view are drawn in the same paint.
    chart->BottomAxis().SetRange(-0.5, 1.5);
    render();
    chart->BottomAxis().SetRange(2.5, 4.5);
    drawn.clear();
    render();
    EXPECT_TRUE(drawn.contains("Apr"));
    EXPECT_TRUE(drawn.contains("May"));
    EXPECT_FALSE(drawn.contains("Jan"));
}

// Every point drawn as it comes: the plain polyline.
class PlainLine : public TLineSeries {
public:
    void DrawAllValues() override { TChartSeries::DrawAllValues(); }
};

class CountingLine : public TLineSeries {
public:
    int Drawn = 0;
    void DrawValue(int ValueIndex) override {
        ++Drawn;
        TLineSeries::DrawValue(ValueIndex);
    }
};

// A dense line draws only what each pixel column shows, in 2D and in an
// orthogonal 3D view (bands), and a line with pointers only the segments and
// pointers that stay in view: each paints exactly the pixels of the full
// polyline drawn point by point, whatever way its segments go, with missing
// points and values that are no number, and with pointers that leave their
// centre or all their inside unpainted.
TEST_F(ChartTest, DenseLinesDrawOnlyWhatEachPixelColumnShows) {
    // A dense random walk with missing points (alone, in runs, a point alone
    // between two) and values that are no number, sparser points with flat
    // stretches and steps back, and a last column that ends on its highest
    // point.
    unsigned seed = 7;
    double y = 0;
    const auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 16) & 0x7FFF) / 32768.0 - 0.5;
    };
    const double nan = std::nan("");
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < 20000; ++i) points.push_back({i * 0.01, y += next() * 3});
    for (int i = 0; i < 300; ++i) {
        if (i % 20 >= 15) {
            points.push_back({points.back().first + 0.3, points.back().second});  // flat
        } else {
            const double back = i % 20 == 7 ? 0.4 : 0;
            points.push_back({200 + i * 0.3 - back, y += next() * 20});
        }
    }
    // Before the gap and at the end the column's last point is a fresh
    // highest one, reached only by the last segment.
    double top = points[11900].second;
    for (int i = 11900; i < 11999; ++i) top = std::max(top, points[i].second);
    points[11999].second = top + 3;
    for (double d : {0.0, -5.0, 3.0, -2.0, 12.0, -4.0, 6.0, 1.0, 15.0}) points.push_back({290 + points.size() * 1e-6, y + d});
    std::set<size_t> missing{12000, 4000, 4001, 4002, 6000, 6002, 20050, 20052};
    for (size_t i = 150; i < 20000; i += 173) missing.insert(i);
    for (size_t i = 50; i < 20300; i += 211) points[i].second = nan;
    for (size_t i : {20101u, 20102u, 20160u}) points[i].second = nan;
    const auto fill = [&](TChartSeries& s) {
        s.BeginUpdate();
        for (size_t i = 0; i < points.size(); ++i) {
            if (missing.count(i)) s.AddNullXY(points[i].first, points[i].second);
            else s.AddXY(points[i].first, points[i].second);
        }
        s.EndUpdate();
    };

    struct Case {
        const char* name;
        bool view3D, orthogonal;
        bool pointers;
        TSeriesPointerStyle style;
        bool pointerPen;
        int drawnPerColumn;  // DrawValue calls of a series of another class; 0: no limit
        int pointerSize = 4;
        TBrushStyle pointerBrush = bsSolid;
        bool linePen = true;
    };
    const Case cases[] = {
        {"2D line", false, true, false, psRectangle, true, 4},
        {"2D line, rectangle pointers", false, true, true, psRectangle, true, 0},
        {"2D line, rectangle pointers without outline", false, true, true, psRectangle, false, 0},
        {"2D line, hollow rectangle pointers", false, true, true, psRectangle, true, 0, 2, bsClear},
        {"2D line, hollow rectangle pointers without outline", false, true, true, psRectangle, false, 0, 4, bsClear},
        {"2D line, circle pointers", false, true, true, psCircle, true, 0},
        {"2D line, small circle pointers without outline", false, true, true, psCircle, false, 0, 1},
        {"2D line, small hollow circle pointers", false, true, true, psCircle, true, 0, 1, bsClear},
        {"2D line, cross pointers", false, true, true, psCross, true, 0, 3},
        {"2D line, hollow diamond pointers", false, true, true, psDiamond, true, 0, 3, bsClear},
        {"2D line, dot pointers", false, true, true, psSmallDot, true, 0},
        {"2D rectangle pointers without a line", false, true, true, psRectangle, true, 0, 3, bsSolid, false},
        {"3D line", true, true, false, psRectangle, true, -1},
        {"3D line in perspective", true, false, false, psRectangle, true, 0},
    };
    // Segments go right, or left when drawn backwards; with x values out of
    // order they step back too.
    struct Direction {
        const char* name;
        bool backwards, unordered;
    };
    const Direction directions[] = {{"drawn forwards", false, false},
                                    {"drawn backwards", true, false},
                                    {"x values out of order", false, true}};
    // Pixels that differ between two paints of the same size.
    const auto differing = [](const QImage& a, const QImage& b) {
        int n = 0;
        for (int py = 0; py < a.height(); ++py)
            for (int px = 0; px < a.width(); ++px) n += a.pixel(px, py) != b.pixel(px, py);
        return n;
    };
    for (const Case& c : cases)
        for (const Direction& d : directions) {
            SCOPED_TRACE(std::string(c.name) + ", " + d.name);
            chart = std::make_unique<TChart>();
            chart->resize(600, 400);
            chart->SetView3D(c.view3D);
            chart->View3DOptions().SetOrthogonal(c.orthogonal);
            chart->DrawBackwards = d.backwards;
            // The last column stays inside the chart rectangle.
            chart->BottomAxis().SetMaximumOffset(10);
            const auto add = [&](std::unique_ptr<TLineSeries> made) {
                TLineSeries* s = chart->AddSeries(std::move(made));
                s->SetSeriesColor(0x008000);
                s->Pen().SetVisible(c.linePen);
                s->Pointer().SetVisible(c.pointers);
                s->Pointer().SetStyle(c.style);
                s->Pointer().Pen().SetVisible(c.pointerPen);
                s->Pointer().Pen().SetColor(0x800000);
                s->Pointer().SetHorizSize(c.pointerSize);
                s->Pointer().SetVertSize(c.pointerSize);
                s->Pointer().Brush().SetStyle(c.pointerBrush);
                if (d.unordered) s->XValues->SetOrder(loNone);
                fill(*s);
                return s;
            };
            line = add(std::make_unique<TLineSeries>());
            int texts = 0;
            line->OnGetMarkText = [&](TChartSeries*, int, QString&) { ++texts; };
            const QImage dense = render();
            EXPECT_EQ(texts, 0);  // hidden marks build no text

            line->SetActive(false);
            auto* plain = static_cast<PlainLine*>(add(std::make_unique<PlainLine>()));
            EXPECT_EQ(differing(render(), dense), 0);
            const auto series = [](TColor p) { return p == 0x008000 || p == 0x800000; };
            EXPECT_GT(countPixels(dense, 0, 0, dense.width(), dense.height(), series), 3000);

            // Zoomed: the line comes in from beyond the left edge; a series of
            // another class draws by columns too, at most four points a column
            // in 2D and, in 3D, no more than the pixels its points lie on.
            chart->BottomAxis().SetRange(37.3, 212.5);
            const QImage zoomedPolyline = render();
            plain->SetActive(false);
            line->SetActive(true);
            EXPECT_EQ(differing(render(), zoomedPolyline), 0);
            if (c.pointers) continue;  // another class with pointers draws every point
            line->SetActive(false);
            auto* counted = static_cast<CountingLine*>(add(std::make_unique<CountingLine>()));
            EXPECT_EQ(differing(render(), zoomedPolyline), 0);
            const int drawn = counted->Drawn;
            EXPECT_GT(drawn, 0);
            if (d.unordered) continue;  // columns come back: no limit
            if (c.drawnPerColumn > 0) {
                // A gap is drawn and begins a column's points afresh.
                int gaps = 0;
                for (int i = counted->FirstValueIndex; i <= counted->LastValueIndex; ++i) gaps += counted->IsNullPoint(i);
                EXPECT_LE(drawn, c.drawnPerColumn * chart->ChartWidth + (c.drawnPerColumn + 1) * gaps + 4);
            }
            if (c.drawnPerColumn < 0) {
                std::set<std::pair<int, int>> pixels;
                std::set<int> columns;
                for (int i = counted->FirstValueIndex; i <= counted->LastValueIndex; ++i) {
                    pixels.insert({counted->CalcXPos(i), counted->CalcYPos(i)});
                    columns.insert(counted->CalcXPos(i));
                }
                EXPECT_LE(drawn, static_cast<int>(pixels.size() + 2 * columns.size()) + 4);
                EXPECT_LT(drawn, (counted->LastValueIndex - counted->FirstValueIndex) / 2);
            }
        }
}

TEST_F(ChartTest, NonFiniteValuesAreGapsAndExtremeValuesStillDraw) {
    line->Pointer().SetVisible(false);
    line->Clear();
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    for (int i = 0; i < 10; ++i) line->AddXY(i, i == 4 ? inf : i == 7 ? nan : i);
    const auto inColumns = [&](const QImage& img, int x0, int x1) { return green(img, x0, 0, x1 + 1, img.height()); };
    QImage img = render();
    const TChartAxis& left = chart->LeftAxis();
    EXPECT_DOUBLE_EQ(left.ScaleMinimum, 0);
    EXPECT_DOUBLE_EQ(left.ScaleMaximum, 9);
    const auto mid = [&](int a, int b) { return (line->CalcXPos(a) + line->CalcXPos(b)) / 2; };
    EXPECT_GT(inColumns(img, mid(1, 2) - 1, mid(1, 2) + 1), 0);  // the line is drawn
    EXPECT_EQ(inColumns(img, mid(3, 4) - 2, mid(4, 5) + 2), 0);  // a gap at the infinite value
    EXPECT_EQ(inColumns(img, mid(6, 7) - 2, mid(7, 8) + 2), 0);  // and at the NaN
    EXPECT_THROW(chart->LeftAxis().SetMinimum(nan), AxisException);
    EXPECT_THROW(chart->LeftAxis().SetMaximum(inf), AxisException);
    EXPECT_THROW(chart->LeftAxis().SetMinimum(-inf), AxisException);

    // Values near the largest double: finite ranges, a drawn line. (Their
    // labels are hundreds of digits long: fixed room keeps the chart.)
    chart->Legend().SetVisible(false);
    chart->LeftAxis().LabelsSize = 40;
    chart->BottomAxis().LabelsSize = 15;
    line->Clear();
    line->AddXY(0, -1e308);
    line->AddXY(1, 0);
    line->AddXY(2, 1e308);
    img = render();
    EXPECT_TRUE(std::isfinite(left.ScaleRange));
    EXPECT_GT(left.ScaleRange, 1e308);
    EXPECT_GT(inColumns(img, mid(0, 1) - 1, mid(1, 2) + 1), 20);
    // Pointers make room at the ends: the range grows past the values.
    line->Pointer().SetVisible(true);
    line->Clear();
    line->AddXY(0, 0);
    line->AddXY(4.5e307, 1);
    line->AddXY(9e307, 2);
    img = render();
    const TChartAxis& bottom = chart->BottomAxis();
    EXPECT_GT(bottom.ScaleMaximum, 9e307);
    EXPECT_TRUE(std::isfinite(bottom.ScaleMaximum));
    EXPECT_EQ(line->LastValueIndex, 2);
    EXPECT_GT(inColumns(img, mid(0, 1) - 1, mid(1, 2) + 1), 20);
}

TEST_F(ChartTest, SmallChartsKeepTheirRectangleAndARange) {
    chart->resize(20, 20);
    chart->SetBevelOuter(bvNone);
    chart->SetMarginUnits(muPixels);
    for (TMarginSide side : {msLeft, msTop, msRight, msBottom}) chart->SetMargin(side, 10);
    render();
    const TRect& r = chart->ChartRect;
    EXPECT_GE(r.Left, 0);
    EXPECT_GE(r.Top, 0);
    EXPECT_LE(r.Right, 20);
    EXPECT_LE(r.Bottom, 20);
    EXPECT_LT(r.Left, r.Right);
    EXPECT_LT(r.Top, r.Bottom);

    // Offsets of 15 and 15 on an axis of 20 pixels leave a range around the
    // values, not a range of nothing.
    chart->ChartRect = {0, 0, 20, 20};
    chart->RecalcWidthHeight();
    TChartAxis& left = chart->LeftAxis();
    left.ScaleMinimum = 2;
    left.ScaleMaximum = 6;
    left.UpdateAxisPixels();
    left.AdjustPixelMargins({0, 15, 0, 15});
    EXPECT_LT(left.ScaleMinimum, 2);
    EXPECT_GT(left.ScaleMaximum, 6);
    EXPECT_TRUE(std::isfinite(left.ScaleMinimum) && std::isfinite(left.ScaleMaximum));
    left.SetMinimumOffset(15);
    left.SetMaximumOffset(15);
    chart->resize(60, 60);
    render();
    EXPECT_LT(left.ScaleMinimum, left.ScaleMaximum);
}

TEST_F(ChartTest, DrawingOrder) {
    QStringList order;
    chart->OnBeforeDrawChart = [&] { order << "chart"; };
    chart->OnBeforeDrawAxes = [&] { order << "axes"; };
    chart->OnBeforeDrawSeries = [&] { order << "series"; };
    chart->OnAfterDraw = [&] { order << "after"; };
    line->BeforeDrawValues = [&] { order << "values"; };
    render();
    EXPECT_EQ(order, (QStringList{"chart", "axes", "series", "values", "after"}));
    order.clear();
    chart->SetAxisBehind(false);
    render();
    EXPECT_EQ(order, (QStringList{"chart", "series", "values", "axes", "after"}));
    // An inactive series draws nothing but still scales its axes.
    order.clear();
    line->SetActive(false);
    render();
    EXPECT_FALSE(order.contains("values"));
    EXPECT_DOUBLE_EQ(chart->LeftAxis().Maximum(), 6);
}

TEST_F(ChartTest, PagingAndChecks) {
    for (int i = 5; i < 25; ++i) line->AddXY(i, i);
    chart->SetMaxPointsPerPage(10);
    EXPECT_EQ(chart->NumPages(), 3);
    chart->SetPage(0);
    EXPECT_EQ(chart->Page(), 1);
    chart->SetPage(7);
    EXPECT_EQ(chart->Page(), 3);
    chart->SetScaleLastPage(false);
    render();
    EXPECT_DOUBLE_EQ(chart->BottomAxis().Minimum(), 20);
    EXPECT_DOUBLE_EQ(chart->BottomAxis().Maximum(), 28);  // five points take half the axis
    chart->SetPage(4);
    chart->SetMaxPointsPerPage(5);
    EXPECT_EQ(chart->Page(), 3);
    EXPECT_THROW(chart->SetMaxPointsPerPage(-1), ChartException);
    EXPECT_EQ(chart->MaxPointsPerPage(), 5);
    EXPECT_EQ(test::raised([&] { chart->SetChart3DPercent(0); }), "3D effect percent must be between 1 and 100");
    EXPECT_THROW(chart->SetChart3DPercent(101), Exception);
    EXPECT_EQ(chart->Chart3DPercent(), 15);
}

TEST_F(ChartTest, LegendRowsAndClicks) {
    // One series lists its values; two list the series.
    render();
    EXPECT_EQ(chart->Legend().EffectiveStyle(), lsValues);
    EXPECT_EQ(chart->Legend().Items.size(), 5u);
    auto* second = chart->AddSeries(std::make_unique<TLineSeries>());
    second->SetTitle("Second");
    line->SetTitle("First");
    second->AddXY(0, 1);
    render();
    TCustomChartLegend& legend = chart->Legend();
    ASSERT_EQ(legend.EffectiveStyle(), lsSeries);
    ASSERT_EQ(legend.Items.size(), 2u);
    EXPECT_EQ(legend.Items[0].Text, "First");
    EXPECT_EQ(legend.Items[1].Text, "Second");
    EXPECT_LT(legend.Items[0].Top, legend.Items[1].Top);
    // The chart rectangle gives way to the legend on the right.
    EXPECT_LT(chart->ChartRect.Right, legend.ShapeBounds.Left);
    const int x = legend.Items[1].Left + 2, y = legend.Items[1].Top + 2;
    EXPECT_EQ(legend.Clicked(x, y), 1);
    EXPECT_EQ(legend.Clicked(x, legend.ShapeBounds.Bottom + 5), -1);
    // Radio boxes: clicking the second leaves exactly that one active.
    legend.CheckBoxes = true;
    legend.SetCheckBoxesStyle(cbsRadio);
    EXPECT_FALSE(second->Active());
    render();
    chart->MouseDown(mbLeft, ssLeft, legend.Items[1].Left + 2, legend.Items[1].Top + 2);
    chart->MouseUp(mbLeft, ssLeft, legend.Items[1].Left + 2, legend.Items[1].Top + 2);
    EXPECT_FALSE(line->Active());
    EXPECT_TRUE(second->Active());

    EXPECT_NO_THROW(legend.SetFirstValue(0));
    EXPECT_THROW(legend.SetFirstValue(-1), LegendException);
    EXPECT_EQ(legend.FirstValue(), 0);
}

TEST_F(ChartTest, LegendCheckBoxesKeepItemsInsideTheFrame) {
    line->SetTitle("Water level at the north pier");
    auto* second = chart->AddSeries(std::make_unique<TLineSeries>());
    second->SetTitle("Temperature WWWWWWWW");
    second->AddXY(0, 1);
    TCustomChartLegend& legend = chart->Legend();
    legend.CheckBoxes = true;
    render();
    const TRect frame = legend.ShapeBounds;
    ASSERT_EQ(legend.Items.size(), 2u);
    TPlotCanvas3D& c = chart->Canvas();
    c.AssignFont(legend.Font());
    for (const TLegendItem& item : legend.Items) {
        EXPECT_LT(item.Left + c.TextWidth(item.Text), frame.Right) << item.Text.toStdString();
        EXPECT_GT(item.SymbolRect.Left, frame.Left + 4 + 13) << item.Text.toStdString();  // past the check box
    }

    // Side by side, each item has its own check box left of its symbol.
    legend.SetAlignment(laBottom);
    chart->resize(600, 300);
    const QImage img = render();
    ASSERT_EQ(legend.Items.size(), 2u);
    for (const TLegendItem& item : legend.Items) {
        const int left = item.SymbolRect.Left;
        EXPECT_GT(countPixels(img, left - 20, item.Top, left, item.Top + 15, test::colour(clBlack)), 20)
            << item.Text.toStdString();
    }
}

TEST_F(ChartTest, PaletteGivesFreeColours) {
    auto* a = chart->AddSeries(std::make_unique<TLineSeries>());
    auto* b = chart->AddSeries(std::make_unique<TLineSeries>());
    ApplyChartPalette(*chart, 4);
    EXPECT_EQ(a->SeriesColor(), 0xFF0000u);
    EXPECT_EQ(b->SeriesColor(), 0x0000FFu);
    EXPECT_EQ(line->SeriesColor(), 0x008000u);  // its own colour stays
    // The back wall's colour is never free.
    chart->BackWall().SetColor(0xFF0000);
    EXPECT_FALSE(chart->IsFreeSeriesColor(0xFF0000, true, nullptr));
}

TEST_F(ChartTest, SeriesAndToolRegistriesLiveWithTheChartUnit) {
    // Running since the program started; nested starts and ends only count.
    ChartUnitStart();
    ASSERT_NE(PlotSeriesTypes(), nullptr);
    ASSERT_NE(PlotToolTypes(), nullptr);
    ASSERT_NE(ColorPalettes(), nullptr);
    EXPECT_EQ(*ColorPalettes(), ColorPaletteNames());

    const int before = PlotSeriesTypes()->Count();
    auto made = std::make_shared<int>(0);
    auto type = std::make_unique<TPlotSeriesType>();
    type->SeriesClassName = "TLineSeries";
    type->Description = "Line";
    type->Create = [made] {
        ++*made;
        return std::unique_ptr<TChartSeries>(std::make_unique<TLineSeries>());
    };
    PlotSeriesTypes()->Add(std::move(type));
    ChartUnitEnd();
    ASSERT_NE(PlotSeriesTypes(), nullptr);
    ASSERT_EQ(PlotSeriesTypes()->Count(), before + 1);
    TPlotSeriesType* found = PlotSeriesTypes()->Find("tlineseries");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Description, "Line");
    const std::unique_ptr<TChartSeries> series = found->Create();
    EXPECT_NE(dynamic_cast<TLineSeries*>(series.get()), nullptr);
    EXPECT_EQ(*made, 1);
    EXPECT_EQ(PlotSeriesTypes()->Find("TBarSeries"), nullptr);
    // Clearing frees the entries and what they hold.
    EXPECT_EQ(made.use_count(), 2);
    PlotSeriesTypes()->Clear();
    EXPECT_EQ(made.use_count(), 1);

    auto tool = std::make_unique<TPlotToolType>();
    tool->ToolClassName = "TAxisTool";
    tool->Create = [] { return std::unique_ptr<TPlotCustomTool>(std::make_unique<TPlotCustomToolAxis>()); };
    PlotToolTypes()->Add(std::move(tool));
    ASSERT_NE(PlotToolTypes()->Find("TAxisTool"), nullptr);
    EXPECT_NE(PlotToolTypes()->Find("TAxisTool")->Create(), nullptr);
    PlotToolTypes()->Clear();
    EXPECT_EQ(PlotToolTypes()->Count(), 0);
}

TEST_F(ChartTest, ZoomAndPanByMouse) {
    render();
    TChartAxis& bottom = chart->BottomAxis();
    TChartAxis& left = chart->LeftAxis();
    const int x0 = line->CalcXPos(1), x1 = line->CalcXPos(3);
    const int y0 = line->CalcYPos(3) - 5, y1 = line->CalcYPos(0) - 10;
    const double vx0 = bottom.PixelToValue(x0), vx1 = bottom.PixelToValue(x1);
    const double vy0 = left.PixelToValue(y1), vy1 = left.PixelToValue(y0);
    bool zoomed = false;
    chart->OnZoom = [&] { zoomed = true; };
    chart->MouseDown(mbLeft, ssLeft, x0, y0);
    chart->MouseMove(ssLeft, (x0 + x1) / 2, (y0 + y1) / 2);
    chart->MouseMove(ssLeft, x1, y1);
    chart->MouseUp(mbLeft, ssLeft, x1, y1);
    EXPECT_TRUE(zoomed);
    EXPECT_NEAR(bottom.Minimum(), vx0, 1e-9);
    EXPECT_NEAR(bottom.Maximum(), vx1, 1e-9);
    EXPECT_NEAR(left.Minimum(), vy0, 1e-9);
    EXPECT_NEAR(left.Maximum(), vy1, 1e-9);
    // The zoomed chart draws point 2 in the middle area.
    render();
    EXPECT_GT(line->CalcXPos(2), chart->ChartRect.Left);
    EXPECT_LT(line->CalcXPos(2), chart->ChartRect.Right);

    // Right to left undoes; a short drag does nothing.
    chart->MouseDown(mbLeft, ssLeft, 300, 150);
    chart->MouseUp(mbLeft, ssLeft, 100, 250);
    EXPECT_TRUE(bottom.Automatic());
    render();
    const double scaleMin0 = bottom.ScaleMinimum;
    chart->MouseDown(mbLeft, ssLeft, 100, 100);
    chart->MouseUp(mbLeft, ssLeft, 116, 116);
    EXPECT_TRUE(bottom.Automatic());

    // Right-button drag pans both axes by the values under the pixels.
    const int px0 = chart->ChartXCenter, py0 = chart->ChartYCenter;
    const double dxv = bottom.PixelToValue(px0) - bottom.PixelToValue(px0 + 40);
    test::drag(*chart, mbRight, px0, py0, px0 + 40, py0);
    EXPECT_LT(dxv, 0);
    EXPECT_NEAR(bottom.Minimum(), scaleMin0 + dxv, 1e-9);
    EXPECT_FALSE(bottom.Automatic());
    // A refused scroll keeps the axes.
    const double keep = bottom.Minimum();
    chart->OnAllowScroll = [](TChartAxis*, double&, double&, bool& allow) { allow = false; };
    render();
    chart->MouseDown(mbRight, ssRight, px0, py0);
    chart->MouseMove(ssRight, px0 + 30, py0);
    EXPECT_DOUBLE_EQ(bottom.Minimum(), keep);
    // Leaving the chart rectangle stops panning.
    chart->MouseMove(ssRight, 0, 0);
    EXPECT_FALSE(chart->Panning.Active);
}

TEST_F(ChartTest, LogarithmicAxesPanAndWheelByFactors) {
    line->Pointer().SetVisible(false);
    line->Clear();
    for (double v : {1.0, 10.0, 100.0, 1000.0, 10000.0}) line->AddXY(v, v);
    TChartAxis& bottom = chart->BottomAxis();
    TChartAxis& left = chart->LeftAxis();
    bottom.SetLogarithmic(true);
    left.SetLogarithmic(true);
    render();
    ASSERT_DOUBLE_EQ(bottom.ScaleMinimum, 1);
    ASSERT_DOUBLE_EQ(bottom.ScaleMaximum, 10000);
    // A drag of 40 pixels to the right moves the range by the factor that
    // 40 pixels stand for, and the values under the mouse follow it.
    const int x0 = chart->ChartXCenter, y0 = chart->ChartYCenter;
    const double under = bottom.PixelToValue(x0);
    const double factor = std::exp(-40.0 * std::log(10000.0) / bottom.PixelLength);
    test::drag(*chart, mbRight, x0, y0, x0 + 40, y0);
    EXPECT_NEAR(bottom.Minimum(), factor, 1e-9);
    EXPECT_NEAR(bottom.Maximum() / bottom.Minimum(), 10000, 1e-6);
    render();
    EXPECT_NEAR(bottom.PixelToValue(x0 + 40) / under, 1, 0.02);
    // The wheel moves the vertical axis by factors too: it never reaches 0.
    for (int i = 0; i < 60; ++i) chart->MouseWheel(false);
    EXPECT_GT(left.Minimum(), 0);
    EXPECT_LT(left.Minimum(), 1);
    EXPECT_NEAR(left.Maximum() / left.Minimum(), 10000, 1e-6);
    for (int i = 0; i < 60; ++i) chart->MouseWheel(true);
    EXPECT_NEAR(left.Minimum(), 1, 1e-9);
}

}  // namespace
}  // namespace brine::chart
