// Walls in 3D (facing, thick, AutoHide, blending), the zoom rectangle over the
// buffered window, pointer blending, legend hooks and copying whole charts.
#include "chart/chart.h"
#include "chart/line_series.h"
#include "chart_fixture.h"

namespace brine::chart {
namespace {

using test::colour;
using test::countPixels;
using test::pixelAt;

class ChartWallsTest : public ::testing::Test {
protected:
    void SetUp() override {
        brine::test::qtApp();
        chart = std::make_unique<TChart>();
        chart->resize(400, 300);
        chart->Legend().SetVisible(false);
        line = chart->AddSeries(std::make_unique<TLineSeries>());
        line->SetSeriesColor(0x008000);
        for (auto [x, y] : {std::pair{0.0, 1.0}, {1.0, 4.0}, {2.0, 2.0}}) line->AddXY(x, y);
    }
    QImage render() { return test::renderPanel(*chart); }
    static int everywhere(const QImage& img, TColor c) {
        return countPixels(img, 0, 0, img.width(), img.height(), colour(c));
    }
    static bool dark(TColor c) { return ToQColor(c).lightness() < 128; }

    std::unique_ptr<TChart> chart;
    TLineSeries* line = nullptr;
};

TEST_F(ChartWallsTest, FacingWallsDrawnOverSeriesUnlessAutoHide) {
    // Depth runs up and right: the right wall stands in front of the series.
    const TColor wallColor = 0xFF00FF;
    chart->RightWall().SetVisible(true);
    chart->RightWall().SetColor(wallColor);
    QImage img = render();
    EXPECT_TRUE(chart->RightFacing());
    EXPECT_FALSE(chart->LeftFacing());
    const TRect r = chart->ChartRect;
    EXPECT_GT(countPixels(img, r.Right + 1, r.Top - chart->Height3D, r.Right + chart->Width3D + 1, r.Bottom + 1,
                          colour(wallColor)),
              20);
    chart->RightWall().AutoHide = true;
    EXPECT_EQ(everywhere(render(), wallColor), 0);

    // Turned the other way, the left wall faces the viewer and hides too.
    chart->View3DOptions().SetOrthoAngle(135);
    chart->LeftWall().SetColor(0x00FFFF);
    EXPECT_GT(everywhere(render(), 0x00FFFF), 20);
    EXPECT_TRUE(chart->LeftFacing());
    chart->LeftWall().AutoHide = true;
    EXPECT_EQ(everywhere(render(), 0x00FFFF), 0);
}

TEST_F(ChartWallsTest, ThickLeftWallGrowsOutward) {
    chart->LeftWall().SetColor(0x00FFFF);
    // Pixels of the wall left of the chart rectangle's edge, half way down.
    const auto outside = [&] {
        const QImage img = render();
        const TRect r = chart->ChartRect;
        const int y = (r.Top + r.Bottom) / 2;
        return countPixels(img, r.Left - 6, y, r.Left - 1, y + 1, colour(0x00FFFF));
    };
    EXPECT_EQ(outside(), 0);  // a flat wall lies inside the depth
    chart->LeftWall().Size = 8;
    chart->LeftWall().Dark3D = false;
    EXPECT_GE(outside(), 4);
    // The wall takes room from the axis beside it.
    EXPECT_EQ(chart->AxisWallSize(chart->LeftAxis()), 8);
    chart->LeftWall().SetVisible(false);
    EXPECT_EQ(chart->AxisWallSize(chart->LeftAxis()), 0);
}

TEST_F(ChartWallsTest, BackWallBlendsAndTakesGradient) {
    chart->SetView3D(false);
    line->Clear();
    chart->LeftAxis().Grid().SetVisible(false);
    chart->BottomAxis().Grid().SetVisible(false);
    TChartBackWall& back = chart->BackWall();
    back.SetTransparent(false);
    back.SetColor(0xFF0000);
    QImage img = render();
    TRect r = chart->ChartRect;
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    EXPECT_EQ(pixelAt(img, cx, cy), 0xFF0000);

    // Half way between the wall colour and the panel behind it.
    const QColor panel(ToQColor(chart->Color()));
    back.SetTransparency(50);
    img = render();
    const QColor half(img.pixel(cx, cy));
    EXPECT_NEAR(half.blue(), (255 + panel.blue()) / 2, 3);
    EXPECT_NEAR(half.red(), panel.red() / 2, 3);
    EXPECT_NEAR(half.green(), panel.green() / 2, 3);

    back.SetTransparency(0);
    back.Gradient().SetVisible(true);
    back.Gradient().SetDirection(gdLeftRight);
    back.Gradient().SetStartColor(clRed);
    back.Gradient().SetEndColor(0xFF0000);
    img = render();
    r = chart->ChartRect;
    const QColor left(img.pixel(r.Left + 3, cy)), right(img.pixel(r.Right - 3, cy));
    EXPECT_NE(left.red() > left.blue(), right.red() > right.blue());
}

TEST_F(ChartWallsTest, SideAndBottomWallsTakeGradientIn3D) {
    line->Clear();
    chart->LeftAxis().Grid().SetVisible(false);
    chart->BottomAxis().Grid().SetVisible(false);
    // Reddish and bluish pixels of [x0, x1] × [y0, y1].
    auto redAndBlue = [&](int x0, int x1, int y0, int y1) {
        const QImage img = render();
        const auto count = [&](auto channel, auto other) {
            return countPixels(img, x0, y0, x1 + 1, y1 + 1, [&](TColor c) {
                return channel(c) > 150 && other(c) < 100 && GetGValue(c) < 100;
            });
        };
        return std::pair{count(GetRValue, GetBValue), count(GetBValue, GetRValue)};
    };
    for (TChartWall* wall : {&chart->LeftWall(), &chart->BottomWall()}) {
        wall->Gradient().SetVisible(true);
        wall->Gradient().SetDirection(gdLeftRight);
        wall->Gradient().SetStartColor(clRed);
        wall->Gradient().SetEndColor(0xFF0000);
    }
    chart->BottomWall().Gradient().SetVisible(false);
    render();
    TRect r = chart->ChartRect;
    auto [red, blue] = redAndBlue(r.Left, r.Left + chart->Width3D, r.Top - chart->Height3D, r.Bottom);
    EXPECT_GT(red, 20);
    EXPECT_GT(blue, 20);

    chart->LeftWall().Gradient().SetVisible(false);
    chart->BottomWall().Gradient().SetVisible(true);
    render();
    r = chart->ChartRect;
    std::tie(red, blue) = redAndBlue(r.Left, r.Right + chart->Width3D, r.Bottom - chart->Height3D, r.Bottom);
    EXPECT_GT(red, 20);
    EXPECT_GT(blue, 20);
}

TEST_F(ChartWallsTest, ZoomRectangleOverBufferedWindowWithoutRedrawing) {
    chart->SetView3D(false);
    chart->show();
    int draws = 0;
    chart->OnAfterDraw = [&] { ++draws; };
    const QImage before = chart->grab().toImage();
    ASSERT_EQ(draws, 1);
    const TRect r = chart->ChartRect;
    const int x0 = r.Left + 20, y0 = r.Top + 20, x1 = r.Left + 120, y1 = r.Top + 90;
    chart->MouseDown(mbLeft, ssLeft, x0, y0);
    chart->MouseMove(ssLeft, x1, y1);
    const QImage during = chart->grab().toImage();
    EXPECT_EQ(draws, 1);  // the chart itself was not drawn again
    int changed = 0;
    for (int x = x0 + 5; x < x1 - 5; ++x) changed += during.pixel(x, y0) != before.pixel(x, y0);
    EXPECT_GT(changed, (x1 - x0) / 2);
    // The inside stays as it was.
    EXPECT_EQ(during.pixel((x0 + x1) / 2, (y0 + y1) / 2), before.pixel((x0 + x1) / 2, (y0 + y1) / 2));

    // A short drag ends without zooming and leaves no rectangle.
    chart->MouseMove(ssLeft, x0 + 5, y0 + 5);
    chart->MouseUp(mbLeft, ssLeft, x0 + 5, y0 + 5);
    const QImage after = chart->grab().toImage();
    for (int x = x0 + 5; x < x1 - 5; ++x) ASSERT_EQ(after.pixel(x, y0), before.pixel(x, y0)) << x;
}

TEST_F(ChartWallsTest, PointerTransparencyBlends) {
    chart->SetView3D(false);
    line->Pointer().SetVisible(true);
    line->Pointer().SetHorizSize(8);
    line->Pointer().SetVertSize(8);
    line->Pointer().Brush().SetColor(clRed);
    line->Pointer().Pen().SetVisible(false);
    QImage img = render();
    // Left of and above the first point: no line there.
    const int x = line->CalcXPos(0) - 4, y = line->CalcYPos(0) - 4;
    EXPECT_EQ(pixelAt(img, x, y), clRed);
    line->Pointer().SetStyle(psNothing);
    const QColor behind(render().pixel(x, y));
    line->Pointer().SetStyle(psRectangle);
    line->Pointer().SetTransparency(50);
    img = render();
    const QColor c(img.pixel(x, y));
    EXPECT_NEAR(c.red(), (255 + behind.red()) / 2, 3);
    EXPECT_NEAR(c.green(), behind.green() / 2, 3);
    EXPECT_NEAR(c.blue(), behind.blue() / 2, 3);
}

TEST_F(ChartWallsTest, PointerShapesCoverTheirBoxes) {
    chart->SetView3D(false);
    line->Clear();
    for (auto [x, y] : {std::pair{0.0, 0.0}, {1.0, 5.0}, {2.0, 10.0}}) line->AddXY(x, y);
    line->LinePen().SetVisible(false);
    line->Pointer().SetVisible(true);
    line->Pointer().Brush().SetColor(clRed);
    line->Pointer().Pen().SetColor(clBlue);
    // The columns and rows the middle point's pointer covers.
    const auto extent = [&](TSeriesPointerStyle style) {
        line->Pointer().SetStyle(style);
        const QImage img = render();
        const int cx = line->CalcXPos(1), cy = line->CalcYPos(1);
        const TRect e = test::inkBounds(img, cx - 10, cy - 10, cx + 11, cy + 11,
                                        [](TColor c) { return c == clRed || c == clBlue; });
        return TRect{e.Left - cx, e.Top - cy, e.Right - cx, e.Bottom - cy};
    };
    // Size 4: a rectangle from 4 before to 4 after the point, both included;
    // a circle inside the box from 4 before to 4 after, its far side open.
    EXPECT_EQ(extent(psRectangle), (TRect{-4, -4, 4, 4}));
    EXPECT_EQ(extent(psCircle), (TRect{-4, -4, 3, 3}));
}

TEST_F(ChartWallsTest, LegendRectAndItemPositionHooks) {
    chart->SetView3D(false);
    chart->Legend().SetVisible(true);
    std::vector<int> items;
    chart->OnGetLegendPos = [&](TCustomChart*, int index, int& x, int&, int&) {
        items.push_back(index);
        x += 7;
    };
    render();
    ASSERT_EQ(items.size(), 3u);  // one series: its three values
    EXPECT_EQ(items[0], 0);
    const int shiftedLeft = chart->Legend().Items[0].Left;
    chart->OnGetLegendPos = nullptr;
    render();
    EXPECT_EQ(shiftedLeft, chart->Legend().Items.back().Left + 7);

    chart->OnGetLegendRect = [](TCustomChart*, TRect& r) {
        r = {5, 5, 60, 80};
    };
    render();
    const TRect b = chart->Legend().ShapeBounds;
    EXPECT_EQ(b.Left, 5);
    EXPECT_EQ(b.Right, 60);
    // Items are placed in the moved box.
    EXPECT_LT(chart->Legend().Items[0].Left, 60);
}

TEST_F(ChartWallsTest, LegendColourBoxWithSymbolGradient) {
    chart->SetView3D(false);
    chart->Legend().Symbol.Gradient.SetVisible(true);
    chart->Legend().Symbol.Gradient.SetDirection(gdLeftRight);
    chart->Legend().Symbol.Gradient.SetStartColor(clWhite);
    const TRect box{10, 10, 60, 30};
    chart->OnAfterDraw = [&] {
        chart->Canvas().Brush->SetStyle(bsSolid);
        chart->Canvas().Brush->SetColor(0xFF0000);
        chart->DrawLegendColorBox(box);
    };
    const QImage img = render();
    // White at one end, the brush colour at the other.
    const QColor l(img.pixel(box.Left + 3, 20)), r(img.pixel(box.Right - 3, 20));
    const QColor& blueEnd = l.red() < r.red() ? l : r;
    const QColor& whiteEnd = l.red() < r.red() ? r : l;
    EXPECT_LT(blueEnd.red(), 60);
    EXPECT_GT(blueEnd.blue(), 200);
    EXPECT_GT(whiteEnd.red(), 200);
    EXPECT_GT(whiteEnd.green(), 200);
}

// An HTML title draws its text once, without the markup, in a box as wide as
// the drawn text and inside the chart; without the HTML format the tags are
// drawn as text.
TEST_F(ChartWallsTest, HtmlTitleDrawsTheTextOnceInABoxThatFitsIt) {
    chart->SetView3D(false);
    chart->Title().Font().SetColor(clBlack);
    const std::pair<int, const char*> titles[] = {
        {400, "<b>Depth</b>"},
        {500, "<B>Water level</B> and <I>temperature</I> at the <FONT color=#0000FF>north pier</FONT>, "
              "<FONT color=#008000>measured</FONT> every <B>ten minutes</B>"}};
    for (auto [width, text] : titles) {
        SCOPED_TRACE(text);
        chart->resize(width, 300);
        chart->Title().SetTextLine(text);
        chart->Title().SetTextFormat(ttfHtml);
        const QImage html = render();
        const TRect t = chart->Title().ShapeBounds;
        const int htmlInk = countPixels(html, t.Left, t.Top, t.Right, t.Bottom, dark);
        EXPECT_GT(htmlInk, 10);
        // The ink inside the panel's frame.
        const TRect ink = test::inkBounds(html, 5, t.Top, width - 5, t.Bottom + 1,
                                          [](TColor c) { return ToQColor(c).lightness() < 160; });
        EXPECT_GE(t.Left, 0);
        EXPECT_LE(t.Right, width);
        EXPECT_GT(ink.Left, t.Left);
        EXPECT_LT(ink.Right, t.Right);
        EXPECT_NEAR((ink.Left + ink.Right) / 2, (t.Left + t.Right) / 2, 4);
        chart->Title().SetTextFormat(ttfNormal);
        const QImage plain = render();
        EXPECT_GT(countPixels(plain, 0, t.Top, width, t.Bottom, dark), htmlInk);
    }
}

TEST_F(ChartWallsTest, AssignCopiesSettingsNotSeries) {
    TChart other;
    other.SetChart3DPercent(40);
    other.SetAxisBehind(false);
    other.SetMaxPointsPerPage(5);
    other.BottomAxis().SetRange(2, 9);
    other.Title().SetTextLine("Copied");
    other.LeftWall().Size = 5;
    other.Legend().SetAlignment(laBottom);
    other.SeriesColorPalette = {0x123456};
    other.AddCustomAxis();
    chart->Assign(other);
    EXPECT_EQ(chart->Chart3DPercent(), 40);
    EXPECT_FALSE(chart->AxisBehind());
    EXPECT_EQ(chart->MaxPointsPerPage(), 5);
    EXPECT_DOUBLE_EQ(chart->BottomAxis().Maximum(), 9);
    EXPECT_EQ(chart->Title().Text(), QStringList{"Copied"});
    EXPECT_EQ(chart->LeftWall().Size, 5);
    EXPECT_EQ(chart->Legend().Alignment(), laBottom);
    EXPECT_EQ(chart->CustomAxes.Count(), 1);
    EXPECT_EQ(chart->SeriesCount(), 1);
    EXPECT_EQ(other.SeriesCount(), 0);
    EXPECT_EQ(chart->GetDefaultColor(3), 0x123456u);

    // A custom axis that a series still uses is not freed by a copy.
    line->SetCustomVertAxis(chart->CustomAxes.Item(0));
    TChart plain;
    chart->Assign(plain);
    ASSERT_EQ(chart->CustomAxes.Count(), 1);
    EXPECT_EQ(line->CustomVertAxis(), chart->CustomAxes.Item(0));
    render();
}

}  // namespace
}  // namespace brine::chart
