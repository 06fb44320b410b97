// Gradients and shadows drawn into an image.
#include "chart/plot_gradient.h"
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

using GradientTest = ChartCanvasTest;

TEST_F(GradientTest, TwoColourBandsEndInTheirColours) {
    TPlotGradient g;
    g.Draw(canvas, {0, 0, 100, 80});
    expectPixels({{50, 79, clWhite}, {50, 0, clYellow}});  // the start colour at the bottom edge, the end at the top
    // Row 40 is band 39 of 79: blue 255 + (0 - 255) * 39 div 79, truncated.
    EXPECT_EQ(GetBValue(at(50, 40)), 130);

    g.SetDirection(gdBottomTop);
    g.SetStartColor(clRed);
    g.SetEndColor(clBlue);
    g.Draw(canvas, {0, 0, 100, 80});
    expectPixels({{10, 0, clRed}, {10, 79, clBlue}});
    g.SetDirection(gdLeftRight);
    g.Draw(canvas, {0, 0, 100, 80});
    expectPixels({{99, 10, clRed}, {0, 10, clBlue}});

    // From the centre: the outer frame takes the end colour argument.
    canvas.GradientFill({0, 0, 100, 80}, clRed, clBlue, gdFromCenter, 50);
    expectPixels({{0, 0, clBlue}, {99, 79, clBlue}});
    EXPECT_GT(GetRValue(at(50, 40)), 200);

    canvas.GradientFill({0, 0, 100, 80}, clRed, clBlue, gdFromTopLeft, 50);
    EXPECT_EQ(at(0, 0), clBlue);
    EXPECT_GT(GetRValue(at(99, 79)), 200);

    canvas.GradientFill({0, 0, 100, 80}, clRed, clBlue, gdDiagonalUp, 50);
    EXPECT_GT(GetRValue(at(1, 78)), 240);
    EXPECT_GT(GetBValue(at(98, 1)), 240);
}

TEST_F(GradientTest, OneRowPaintsNothingAndMiddleColourMeetsAtTheMiddleRow) {
    canvas.GradientFill({0, 10, 100, 11}, clRed, clBlue, gdTopBottom, 50);
    EXPECT_EQ(countRow(10, 0, 99, clWhite), 100);

    TPlotGradient g;
    g.SetStartColor(clRed);
    g.SetEndColor(clBlue);
    g.SetMidColor(clLime);
    EXPECT_TRUE(g.HasMidColor());
    g.Draw(canvas, {0, 0, 100, 80});
    expectPixels({{50, 39, clLime}, {50, 40, clLime}, {50, 79, clRed}, {50, 0, clBlue}});

    g.SetMidColor(clNone);
    EXPECT_FALSE(g.HasMidColor());
    EXPECT_EQ(g.MidColor(), clNone);
    g.Draw(canvas, {0, 0, 100, 80});
    EXPECT_NE(at(50, 40), clLime);
}

TEST_F(GradientTest, BalanceMonochromeAndRadial) {
    EXPECT_DOUBLE_EQ(BalancedFraction(3, 3, 0), 1.0);
    EXPECT_NEAR(BalancedFraction(0, 3, 100), 0.0625, 1e-12);  // exponent 2
    EXPECT_NEAR(BalancedFraction(0, 3, 0), 0.5, 1e-12);       // exponent 0.5

    canvas.SetMonochrome(true);
    TPlotGradient g;
    g.Draw(canvas, {0, 0, 100, 80});
    EXPECT_EQ(at(50, 0), RGBColor(170, 170, 170));  // yellow in grey
    canvas.SetMonochrome(false);

    g.SetDirection(gdRadial);
    g.SetStartColor(clRed);
    g.SetEndColor(clBlue);
    g.Draw(canvas, {0, 0, 100, 80});
    EXPECT_EQ(at(0, 0), clBlue);
    // The innermost ring (one step from the start colour) covers the centre.
    EXPECT_GE(GetRValue(at(51, 41)), 240);
    EXPECT_LE(GetBValue(at(51, 41)), 15);
    EXPECT_FALSE(target->clipRegion().has_value());
}

TEST_F(GradientTest, ShadowsPlainSmoothAndNone) {
    canvas.Begin2D();
    TPlotShadow none;
    none.SetSize(4);
    none.SetColor(clNone);
    EXPECT_FALSE(none.PrepareCanvas(canvas, {10, 10, 30, 30}, 0));
    TPlotShadow zero;
    zero.SetTransparency(50);
    zero.Draw(canvas, {10, 10, 30, 30});
    for (int y = 0; y < 80; y += 3) EXPECT_EQ(countRow(y, 0, 99, clWhite), 100);

    TPlotShadow plain;
    plain.SetColor(clBlack);
    plain.SetSmooth(false);
    plain.SetSize(4);
    plain.Draw(canvas, {10, 10, 30, 30});
    expectPixels({{32, 33, clBlack}, {31, 20, clBlack}, {20, 31, clBlack}, {12, 31, clWhite}, {20, 34, clWhite}});

    // A smooth shadow of size 1 is drawn plain: its corner pixel is filled.
    image.fill(Qt::white);
    TPlotShadow small;
    small.SetColor(clBlack);
    small.SetSize(1);
    small.Draw(canvas, {10, 10, 30, 30});
    expectPixels({{30, 30, clBlack}, {29, 29, clWhite}});

    // Smooth: each line a step lighter, the last near white.
    image.fill(Qt::white);
    TPlotShadow smooth;
    smooth.SetColor(clBlack);
    smooth.SetSize(4);
    smooth.Draw(canvas, {10, 10, 30, 30});
    expectPixels({{20, 30, clBlack}, {20, 33, RGBColor(192, 192, 192)}});

    // Half transparent: black over white gives grey.
    image.fill(Qt::white);
    TPlotShadow glass;
    glass.SetColor(clBlack);
    glass.SetSmooth(false);
    glass.SetSize(6);
    glass.SetTransparency(50);
    glass.Draw(canvas, {10, 10, 30, 30});
    EXPECT_NEAR(GetRValue(at(20, 33)), 128, 2);
    canvas.End2D();
}

TEST_F(GradientTest, GradientTextStaysInsideTheGlyphs) {
    TPlotFont font;
    font.SetSize(30);
    font.SetStyle(fsBold);
    font.Gradient().SetVisible(true);
    font.Gradient().SetStartColor(clRed);
    font.Gradient().SetEndColor(clRed);
    canvas.AssignFont(font);
    canvas.TextOut(5, 5, "HI");
    EXPECT_GT(countPixels(drawn(), 0, 0, 100, 80, colour(clRed)), 100);
    EXPECT_EQ(countPixels(drawn(), 0, 0, 100, 80, [](TColor c) { return c != clRed && c != clWhite; }), 0);
    // Outside the glyph rows nothing is painted.
    EXPECT_EQ(countRow(79, 0, 99, clWhite), 100);
    EXPECT_FALSE(target->clipRegion().has_value());
}

}  // namespace
}  // namespace brine::chart::test
