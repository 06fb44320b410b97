// Framed shapes: defaults, the repaint rule, assignment and legacy stream
// properties, and the box drawn by pixels (frame, fill, shadow, rotation,
// gradient, transparency, bevel).
#include "chart/framed_shapes.h"
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

class TestPanel : public TShapePanel {
public:
    explicit TestPanel(TCanvas3D& canvas) : canvas_(canvas) {}
    TCanvas3D& Canvas() override { return canvas_; }
    void Invalidate() override { ++invalidations; }
    int invalidations = 0;

private:
    TCanvas3D& canvas_;
};

class ShapeTest : public ChartCanvasTest {
protected:
    void SetUp() override {
        ChartCanvasTest::SetUp();
        shape.Brush().SetColor(clYellow);  // the brush colour gives way to Color
        shape.SetColor(clYellow);
        panel.invalidations = 0;
    }
    int count(int x0, int y0, int x1, int y1, const PixelTest& is) { return countPixels(drawn(), x0, y0, x1, y1, is); }
    static bool dark(TColor c) { return GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90; }

    TestPanel panel{canvas};
    TPlotShape shape{&panel};
};

TEST_F(ShapeTest, RepaintsAndSizes) {
    // Without a panel every setter just stores, and drawing draws nothing.
    TPlotShape fresh;
    ASSERT_NE(fresh.Shadow(), nullptr);
    EXPECT_FALSE(fresh.Shadow()->IsVertSizeStored());
    EXPECT_FALSE(fresh.HasGradient());
    fresh.SetTransparent(true);
    fresh.SetColor(clRed);
    fresh.ShapeBounds = {10, 10, 50, 40};
    fresh.Draw();
    EXPECT_EQ(count(0, 0, 100, 80, notWhite), 0);

    // Repaints only on real changes, owned objects included.
    shape.SetColor(clYellow);
    shape.SetVisible(true);
    shape.SetBevelWidth(2);
    EXPECT_EQ(panel.invalidations, 0);
    shape.SetColor(clRed);
    shape.Hide();
    shape.SetTransparency(150);
    EXPECT_EQ(shape.Transparency(), 100);
    shape.Pen().SetWidth(3);
    shape.Font().SetColor(clBlue);
    shape.Shadow()->SetSize(5);
    shape.Gradient().SetVisible(true);
    EXPECT_EQ(panel.invalidations, 8);  // SetSize changes two sizes
    EXPECT_FALSE(shape.Visible());

    shape.ShapeBounds = {10, 10, 20, 20};
    EXPECT_EQ(shape.Width(), 11);
    EXPECT_EQ(shape.Height(), 11);
    shape.SetHeight(5);
    EXPECT_EQ(shape.ShapeBounds.Bottom, 14);
}

TEST_F(ShapeTest, AssignGradientAndLegacyShadowProperties) {
    TPlotShape source;
    source.SetColor(clNavy);
    source.SetTransparent(true);
    source.Font().SetStyle(fsBold);
    source.Pen().SetColor(clRed);
    source.Hide();
    source.SetShadow(nullptr);
    shape.Gradient().SetStartColor(clRed);
    EXPECT_TRUE(shape.IsGradientStored());
    shape.Assign(source);
    // A source that never read its gradient frees the target's.
    EXPECT_FALSE(shape.HasGradient());
    EXPECT_EQ(shape.Shadow(), nullptr);
    EXPECT_EQ(shape.Color(), clNavy);
    EXPECT_TRUE(shape.IsTransparentStored());
    EXPECT_EQ(shape.Font().Style(), fsBold);
    EXPECT_EQ(shape.Pen().Color(), clRed);
    EXPECT_FALSE(shape.Visible());
    // Shadows and gradients are copied into objects of the target's own.
    source.SetShadow(TPlotCustomShape().Shadow());
    source.Gradient().SetEndColor(clLime);
    shape.Assign(source);
    ASSERT_NE(shape.Shadow(), nullptr);
    EXPECT_NE(shape.Shadow(), source.Shadow());
    EXPECT_EQ(shape.Shadow()->VertSize(), 3);
    EXPECT_EQ(shape.Gradient().EndColor(), clLime);

    shape.ReadShadowColor(QStringLiteral("clRed"));
    EXPECT_EQ(shape.Shadow()->Color(), clRed);
    shape.ReadShadowColor(QStringLiteral("65280"));
    EXPECT_EQ(shape.Shadow()->Color(), clLime);
    EXPECT_THROW(shape.ReadShadowColor(QStringLiteral("clReddish")), ConversionError);
    shape.ReadShadowSize(5);
    EXPECT_EQ(shape.Shadow()->HorizSize(), 5);
    EXPECT_EQ(shape.Shadow()->VertSize(), 5);
}

TEST_F(ShapeTest, FrameFillShadowAndTransparent) {
    shape.Shadow()->SetSize(0);
    shape.ShapeBounds = {10, 10, 50, 40};
    shape.Draw();
    expectPixels({{30, 25, clYellow}, {10, 25, clBlack}, {49, 25, clBlack}, {50, 25, clWhite}});

    // The default shadow: black, 3 pixels, right and below.
    image.fill(Qt::white);
    shape.Shadow()->SetSize(3);
    shape.Draw();
    EXPECT_GT(count(50, 14, 53, 43, dark), 40);
    EXPECT_GT(count(14, 40, 53, 43, dark), 40);
    EXPECT_EQ(at(11, 41), clWhite);  // offset, not under the left edge
    // Only a horizontal size still casts a shadow; none with both 0.
    image.fill(Qt::white);
    shape.Shadow()->SetVertSize(0);
    shape.Draw();
    EXPECT_GT(count(50, 12, 53, 40, dark), 40);
    EXPECT_EQ(count(10, 40, 60, 45, dark), 0);
    // A clear brush casts no shadow and fills nothing.
    image.fill(Qt::white);
    shape.Shadow()->SetSize(3);
    shape.Brush().SetStyle(bsClear);
    shape.Draw();
    EXPECT_EQ(count(50, 10, 60, 50, dark), 0);
    expectPixels({{30, 25, clWhite}, {10, 25, clBlack}});

    // Transparent draws nothing whatever else is set.
    image.fill(Qt::white);
    shape.Brush().SetStyle(bsSolid);
    shape.SetBevel(bvRaised);
    shape.Gradient().SetVisible(true);
    shape.SetTransparent(true);
    shape.Draw();
    EXPECT_EQ(count(0, 0, 100, 80, notWhite), 0);
}

TEST_F(ShapeTest, RotatedRoundedGradientBlendAndBevel) {
    // A wide box turned 90 degrees stands upright about its centre (40, 35).
    shape.Shadow()->SetSize(0);
    shape.DrawRectRotated({10, 30, 70, 40}, 90, 0);
    expectPixels({{40, 12, clYellow}, {40, 58, clYellow}, {15, 35, clWhite}});
    // Rotated boxes and rounded ones cast their shadow too.
    image.fill(Qt::white);
    shape.Shadow()->SetSize(3);
    shape.DrawRectRotated({10, 30, 70, 40}, 90, 0);
    EXPECT_GT(count(46, 10, 50, 68, dark), 80);
    image.fill(Qt::white);
    shape.SetShapeStyle(fosRoundRectangle);
    shape.ShapeBounds = {10, 10, 50, 40};
    shape.Draw();
    EXPECT_EQ(at(10, 10), clWhite);  // the corner is round
    EXPECT_EQ(count(8, 25, 12, 26, dark), 1);  // the left side of the frame
    EXPECT_EQ(at(20, 25), clYellow);
    EXPECT_GT(count(51, 20, 54, 40, dark), 30);
    shape.SetShapeStyle(fosRectangle);

    // A visible gradient fills instead of the colour; the frame stays.
    image.fill(Qt::white);
    shape.Shadow()->SetSize(0);
    shape.Gradient().SetStartColor(clRed);
    shape.Gradient().SetEndColor(clBlue);
    shape.Gradient().SetVisible(true);
    shape.Draw();
    EXPECT_GT(GetBValue(at(30, 12)), 200);  // the start colour lies at the bottom
    EXPECT_GT(GetRValue(at(30, 38)), 200);
    EXPECT_EQ(at(10, 25), clBlack);

    // Half transparent over white.
    image.fill(Qt::white);
    shape.SetGradient(nullptr);
    shape.SetTransparency(50);
    shape.Draw();
    EXPECT_NEAR(GetBValue(at(30, 25)), 128, 3);
    EXPECT_EQ(GetRValue(at(30, 25)), 255);

    // A lowered bevel inside the box: shadow colour top-left, highlight
    // bottom-right.
    image.fill(Qt::white);
    shape.SetTransparency(0);
    shape.SetBevel(bvLowered);
    shape.Draw();
    const TColor dim = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight);
    expectPixels({{11, 25, dim}, {25, 11, dim}, {48, 25, light}, {12, 25, clYellow}});
}

}  // namespace
}  // namespace brine::chart::test
