// The 2D drawing interface, the chart pens, brushes and fonts, and the
// geometry and colour helpers.
#include <QPalette>

#include "chart/plot_gradient.h"
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

TEST(ChartColours, ConventionsAndSystemColours) {
    brine::test::qtApp();
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FF);
    // No colour and default colour are not system colours: they pass unchanged.
    EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFF);
    EXPECT_EQ(ColorToRGB(clDefault), 0x20000000);
    const QColor face = QGuiApplication::palette().color(QPalette::Active, QPalette::Button);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(face.red(), face.green(), face.blue()));
    EXPECT_GE(ColorToRGB(clWindowText), 0);
    EXPECT_EQ(ToQColor(0x00332211), QColor(0x11, 0x22, 0x33));
    // The flag byte of clNone never reaches a device colour.
    EXPECT_EQ(ToQColor(clNone).alpha(), 255);
}

TEST(ChartHelpers, GeometryAndRounding) {
    EXPECT_TRUE(PointInRect({0, 0, 10, 10}, 10, 10));
    EXPECT_FALSE(PointInRect({0, 0, 10, 10}, 11, 5));
    EXPECT_EQ(OrientRectangle({10, 8, 2, 3}), (TRect{2, 3, 10, 8}));
    int x = 0, y = 0;
    RectCenter({-5, -5, 0, 0}, x, y);
    EXPECT_EQ(x, -2);  // truncated toward zero
    const TPoint pts[3] = {{4, 9}, {-1, 2}, {7, 3}};
    EXPECT_EQ(PolygonBounds(pts, 3), (TRect{-1, 2, 8, 10}));
    EXPECT_EQ(PolygonBounds(pts, 1), (TRect{4, 9, 5, 10}));
    EXPECT_EQ(PolygonBounds(pts, 0), (TRect{}));
    EXPECT_TRUE(NegativeTurn({0, 0}, {10, 0}, {10, 10}));
    EXPECT_FALSE(NegativeTurn({10, 10}, {10, 0}, {0, 0}));
    // Far coordinates would wrap in 32 bits and flip the answer.
    EXPECT_TRUE(NegativeTurn({-2000000000, 0}, {0, 0}, {0, 2000000000}));
    EXPECT_EQ(ApplyDark(RGBColor(200, 50, 128), 128), RGBColor(72, 0, 0));
    EXPECT_EQ(ApplyBright(RGBColor(200, 50, 0), 100), RGBColor(255, 150, 100));
    const TRGBTriple t = ColorToRGBTriple(RGBColor(1, 2, 3));
    EXPECT_EQ(t.rgbtBlue, 3);
    EXPECT_EQ(t.rgbtRed, 1);
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(1e300), INT_MAX);
    EXPECT_EQ(Round(std::nan("")), 0);
    EXPECT_EQ(MulDiv(8, 96, 72), 11);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_DOUBLE_EQ(Hypot(3, 4), 5);
}

TEST(ChartPens, DefaultsStorageAndAssign) {
    int changes = 0;
    TChartPen pen([&] { ++changes; });
    EXPECT_TRUE(pen.Visible());
    EXPECT_FALSE(pen.IsVisibleStored());
    pen.Hide();
    EXPECT_TRUE(pen.IsVisibleStored());
    pen.Hide();
    EXPECT_EQ(changes, 1);  // unchanged value: no repaint

    TChartHiddenPen hidden;
    EXPECT_FALSE(hidden.Visible());
    EXPECT_FALSE(hidden.IsVisibleStored());
    hidden.Show();
    EXPECT_TRUE(hidden.IsVisibleStored());

    EXPECT_FALSE(TDottedGrayPen().IsColorStored());  // its own grey is the default

    TChartPen source;
    source.SetSmallDots(true);
    source.SetSmallSpace(3);
    source.SetEndStyle(esFlat);
    source.SetWidth(4);
    source.Hide();
    TChartPen copy;
    copy.Assign(source);
    EXPECT_TRUE(copy.SmallDots());
    EXPECT_EQ(copy.SmallSpace(), 3);
    EXPECT_EQ(copy.EndStyle(), esFlat);
    EXPECT_EQ(copy.Width(), 4);
    EXPECT_FALSE(copy.Visible());
    EXPECT_TRUE(copy.IsEndStyleStored());
}

TEST(ChartFonts, SubObjectsOnFirstReadAndAssign) {
    brine::test::qtApp();
    int changes = 0;
    TPlotFont font([&] { ++changes; });
    EXPECT_FALSE(font.IsNameStored());
    EXPECT_FALSE(font.IsHeightStored());
    EXPECT_FALSE(font.HasShadow());
    font.Shadow().SetHorizSize(-3);  // made on read, reports through the font
    EXPECT_TRUE(font.HasShadow());
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(font.OutLine().Visible());
    font.Gradient().SetOutline(true);
    font.SetInterCharSize(2);

    TPlotFont copy;
    copy.Assign(font);
    ASSERT_TRUE(copy.HasShadow());
    EXPECT_EQ(copy.Shadow().HorizSize(), -3);
    EXPECT_TRUE(copy.Gradient().Outline());
    EXPECT_EQ(copy.InterCharSize(), 2);
    TPlotFont plain;
    copy.Assign(plain);
    EXPECT_FALSE(copy.HasShadow());
    EXPECT_FALSE(copy.HasGradient());
}

TEST_F(ChartCanvasTest, LinesLeaveTheirEndPointAndWidthsWiden) {
    canvas.Line(10, 10, 20, 10);
    expectPixels({{10, 10, clBlack}, {19, 10, clBlack}, {20, 10, clWhite}, {15, 11, clWhite}});

    TChartPen wide;
    wide.SetWidth(5);
    wide.SetColor(clRed);
    wide.SetEndStyle(esFlat);
    canvas.SelectPen(wide);
    canvas.Line(30, 40, 60, 40);
    // Flat ends do not pass the end points.
    expectPixels({{45, 38, clRed}, {45, 42, clRed}, {45, 44, clWhite}, {28, 40, clWhite}});
}

TEST_F(ChartCanvasTest, PenStylesAndSmallDots) {
    TChartPen dotted;
    dotted.SetStyle(psDot);
    canvas.SelectPen(dotted);
    canvas.Line(0, 5, 60, 5);
    // Three on, three off.
    EXPECT_EQ(countRow(5, 0, 59, clBlack), 30);
    expectPixels({{0, 5, clBlack}, {3, 5, clWhite}});

    TChartPen dots;
    dots.SetSmallDots(true);
    canvas.SelectPen(dots);
    canvas.Line(0, 15, 60, 15);
    EXPECT_EQ(countRow(15, 0, 59, clBlack), 30);  // every other pixel
    EXPECT_NE(at(0, 15), at(1, 15));

    dots.SetSmallSpace(2);
    canvas.SelectPen(dots);
    canvas.Line(0, 25, 60, 25);
    EXPECT_EQ(countRow(25, 0, 59, clBlack), 20);  // one dot every three pixels
    expectPixels({{0, 25, clBlack}, {3, 25, clBlack}});

    TChartPen hidden;
    hidden.SetColor(clRed);
    hidden.Hide();
    canvas.SelectPen(hidden);
    EXPECT_EQ(canvas.Pen->Style(), psClear);
    canvas.Line(0, 35, 60, 35);
    EXPECT_EQ(countRow(35, 0, 59, clWhite), 60);
}

TEST_F(ChartCanvasTest, MonochromeMakesPensBlackAndBrushesWhite) {
    canvas.SetMonochrome(true);
    TChartPen red;
    red.SetColor(clRed);
    canvas.SelectPen(red);
    EXPECT_EQ(canvas.Pen->Color(), clBlack);
    TChartBrush brush;
    canvas.AssignBrush(brush, clBlue);
    EXPECT_EQ(canvas.Brush->Color(), clWhite);
}

TEST_F(ChartCanvasTest, RectangleFillsInsideAndBrushBackgrounds) {
    TChartBrush brush;
    brush.SetStyle(bsSolid);
    canvas.AssignBrush(brush, clBlue);
    canvas.Rectangle(10, 10, 20, 20);
    // The pen's outline; right and bottom edges lie outside.
    expectPixels({{10, 10, clBlack}, {19, 19, clBlack}, {20, 20, clWhite}, {15, 15, clBlue}});
    canvas.FillRect({30, 30, 34, 33});
    expectPixels({{30, 30, clBlue}, {33, 32, clBlue}, {34, 32, clWhite}});

    // A hatched brush: the background shows only with an opaque back colour.
    TChartBrush hatch;
    hatch.SetStyle(bsHorizontal);
    canvas.Pen->SetStyle(psClear);
    canvas.AssignBrushColor(hatch, clRed, clNone);
    EXPECT_EQ(canvas.BackMode(), TRANSPARENT);
    canvas.FillRect({40, 0, 60, 20});
    canvas.AssignBrushColor(hatch, clRed, clLime);
    EXPECT_EQ(canvas.BackMode(), OPAQUE);
    canvas.FillRect({70, 0, 90, 20});
    const int redClear = countPixels(drawn(), 50, 0, 51, 20, colour(clRed));
    EXPECT_GT(redClear, 0);
    EXPECT_EQ(countPixels(drawn(), 50, 0, 51, 20, colour(clWhite)), 20 - redClear);
    EXPECT_EQ(countPixels(drawn(), 80, 0, 81, 20, colour(clLime)), 20 - redClear);
}

TEST_F(ChartCanvasTest, ClippingAndRestore) {
    canvas.Brush->SetColor(clRed);
    canvas.ClipRectangle({10, 10, 30, 30});
    canvas.FillRect({0, 0, 100, 80});
    expectPixels({{10, 10, clRed}, {29, 29, clRed}, {30, 30, clWhite}, {9, 15, clWhite}});
    canvas.UnClipRectangle();
    EXPECT_FALSE(target->clipRegion().has_value());

    // An ellipse clip inside a rectangle clip (restores: NestedClipsRestoreOneAtATime).
    canvas.ClipRectangle({40, 0, 100, 80});
    canvas.ClipEllipse({40, 0, 80, 40}, false);
    canvas.Brush->SetColor(clBlue);
    canvas.FillRect({0, 0, 100, 80});
    expectPixels({{60, 20, clBlue}, {41, 1, clWhite}});  // the corner is outside the ellipse
    canvas.UnClipRectangle();
    canvas.UnClipRectangle();
    EXPECT_FALSE(target->clipRegion().has_value());

    const TPoint tri[3] = {{0, 60}, {30, 60}, {0, 79}};
    canvas.ClipPolygon(tri, 3);
    canvas.Brush->SetColor(clBlack);
    canvas.FillRect({0, 60, 100, 80});
    expectPixels({{2, 62, clBlack}, {28, 77, clWhite}});
    canvas.UnClipRectangle();
}

TEST_F(ChartCanvasTest, NestedClipsRestoreOneAtATime) {
    // Paints the whole image blue, reads which of four probes took it, and
    // wipes it again.
    const auto probe = [&] {
        canvas.Brush->SetColor(clBlue);
        canvas.FillRect({0, 0, 100, 80});
        const std::vector<bool> seen{at(5, 5) == clBlue, at(15, 15) == clBlue, at(25, 25) == clBlue,
                                     at(50, 50) == clBlue};
        image.fill(Qt::white);
        return seen;
    };
    canvas.ClipRectangle({10, 10, 100, 80});
    canvas.ClipRectangle({20, 20, 100, 80});
    canvas.ClipRectangle({40, 40, 100, 80});
    EXPECT_EQ(probe(), (std::vector<bool>{false, false, false, true}));
    canvas.UnClipRectangle();
    EXPECT_EQ(probe(), (std::vector<bool>{false, false, true, true}));
    canvas.UnClipRectangle();
    EXPECT_EQ(probe(), (std::vector<bool>{false, true, true, true}));

    // An inverted ellipse and a clip that sets nothing each take one restore.
    canvas.ClipEllipse({40, 40, 60, 60}, true);
    EXPECT_EQ(probe(), (std::vector<bool>{false, true, true, false}));
    const TPoint two[2] = {{0, 0}, {10, 10}};
    canvas.ClipPolygon(two, 2);
    canvas.UnClipRectangle();
    EXPECT_EQ(probe(), (std::vector<bool>{false, true, true, false}));
    canvas.UnClipRectangle();
    EXPECT_EQ(probe(), (std::vector<bool>{false, true, true, true}));

    // Gradient text clips to its path inside the clip already set.
    TPlotFont font;
    font.SetSize(30);
    font.Gradient().SetVisible(true);
    font.Gradient().SetStartColor(clRed);
    font.Gradient().SetEndColor(clRed);
    canvas.AssignFont(font);
    canvas.TextOut(0, 0, QStringLiteral("MMMM"));
    EXPECT_EQ(probe(), (std::vector<bool>{false, true, true, true}));
    canvas.UnClipRectangle();
    EXPECT_FALSE(target->clipRegion().has_value());
}

TEST_F(ChartCanvasTest, Frame3DDrawsNestedFramesAndShrinks) {
    TRect r{10, 10, 30, 30};
    canvas.Frame3D(r, clWhite - 1, clBlack, 2);
    EXPECT_EQ(r, (TRect{12, 12, 28, 28}));
    const TColor top = clWhite - 1;
    // The bottom line reaches the left edge.
    expectPixels({{10, 20, top}, {11, 20, top}, {20, 10, top}, {29, 20, clBlack}, {28, 20, clBlack},
                  {10, 29, clBlack}, {12, 20, clWhite}});
}

TEST_F(ChartCanvasTest, TextWidthCountsTheShadowAndRotationWraps) {
    TPlotFont font;
    canvas.AssignFont(font);
    const int plain = canvas.TextWidth("Wave");
    EXPECT_GT(plain, 0);
    font.Shadow().SetHorizSize(-3);
    canvas.AssignFont(font);
    EXPECT_EQ(canvas.TextWidth("Wave"), plain + 3);

    canvas.SetTextAlign(TA_RIGHT);
    EXPECT_EQ(canvas.TextRectangle(50, 10, "Wave").Left, 50 - plain - 3);

    // 720 degrees draws as 0, 450 as 90.
    auto ink = [&](double angle) {
        image.fill(Qt::white);
        canvas.SetTextAlign(TA_LEFT);
        canvas.RotateLabel(40, 40, "Tide", angle);
        target->releasePainter();
        return image.copy();
    };
    EXPECT_EQ(ink(720), ink(0));
    EXPECT_EQ(ink(450), ink(90));
    EXPECT_NE(ink(90), ink(0));
}

TEST_F(ChartCanvasTest, BlendMixesDrawnContentWithBackground) {
    canvas.Brush->SetColor(clBlue);
    canvas.FillRect({0, 0, 100, 80});
    for (bool alphaBlend : {true, false}) {
        PlotCanUseAlphaBlend = alphaBlend;
        for (int transparency : {0, 50, 100}) {
            auto blend = canvas.BeginBlending({10, 10, 30, 30}, transparency);
            ASSERT_TRUE(blend->Valid);
            canvas.Brush->SetColor(clRed);
            canvas.FillRect({10, 10, 30, 30});
            canvas.EndBlending(std::move(blend));
            const TColor c = at(20, 20);
            if (transparency == 0) {
                EXPECT_EQ(c, clRed);
            } else if (transparency == 100) {
                EXPECT_EQ(c, clBlue);
            } else {
                EXPECT_NEAR(GetRValue(c), 128, 2);
                EXPECT_NEAR(GetBValue(c), 128, 2);
            }
            canvas.Brush->SetColor(clBlue);
            canvas.FillRect({0, 0, 100, 80});
        }
    }
    PlotCanUseAlphaBlend = true;

    // Partly outside the canvas: only the inside part is kept and blended.
    auto edge = canvas.BeginBlending({90, 70, 130, 120}, 50);
    EXPECT_EQ(edge->Rect, (TRect{90, 70, 100, 80}));
    canvas.EndBlending(std::move(edge));
}

}  // namespace
}  // namespace brine::chart::test
