// View options, the projection of points with a depth, the off-screen buffer
// and the 3D primitives.
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

class ProjectionTest : public ChartCanvasTest {
protected:
    // Sets the view up in 3D over the whole image with a depth of 20.
    void view3D() {
        canvas.InitWindow(target.get(), &options, {0, 0, 100, 80}, true);
        canvas.Projection(20, {0, 0, 100, 80});
    }
    TView3DOptions options;
};

TEST(ViewOptions, EventsOnChangesRatioAndAssign) {
    TView3DOptions o;
    std::vector<bool> offsets;
    std::vector<int> zooms;
    o.OnOffsetChanged = [&](bool horizontal) { offsets.push_back(horizontal); };
    o.OnZoomChanged = [&](int z) { zooms.push_back(z); };
    o.SetHorizOffset(20);
    o.SetHorizOffset(20);
    o.SetVertOffset(-5);
    o.SetZoom(150);
    EXPECT_EQ(offsets, (std::vector<bool>{true, false}));
    EXPECT_EQ(zooms, std::vector<int>{150});
    EXPECT_NEAR(o.CalcOrthoRatio(), 1.0, 1e-12);
    o.SetOrthoAngle(120);
    EXPECT_NEAR(o.CalcOrthoRatio(), std::tan(60 * std::numbers::pi / 180), 1e-12);
    o.SetOrthogonal(false);
    EXPECT_EQ(o.CalcOrthoRatio(), 1.0);
    TView3DOptions copy;
    copy.Assign(o);
    EXPECT_EQ(copy.Zoom(), 150);
    EXPECT_EQ(copy.VertOffset(), -5);
    EXPECT_FALSE(copy.Orthogonal());
}

TEST_F(ProjectionTest, OrthogonalProjection) {
    view3D();
    // Depth 10 at 45 degrees: 10 right and 10 up.
    EXPECT_EQ(canvas.Calculate3DPosition(50, 40, 10), (TPoint{60, 30}));
    int x = 60, y = 30;
    canvas.Calculate2DPosition(x, y, 10);
    EXPECT_EQ((TPoint{x, y}), (TPoint{50, 40}));

    options.SetOrthoAngle(135);
    view3D();
    EXPECT_EQ(canvas.Calculate3DPosition(50, 40, 10), (TPoint{40, 30}));

    options.SetOrthoAngle(45);
    options.SetZoom(50);
    options.SetHorizOffset(20);
    view3D();
    EXPECT_EQ(canvas.Calculate3DPosition(60, 40, 0), (TPoint{75, 40}));

    options.SetZoom(0);
    view3D();
    x = 13, y = 17;
    canvas.Calculate2DPosition(x, y, 5);
    EXPECT_EQ((TPoint{x, y}), (TPoint{13, 17}));
}

TEST_F(ProjectionTest, RotatedProjectionAgainstHandValues) {
    options.SetOrthogonal(false);
    options.SetPerspective(0);
    // Rotation 270: depth becomes X.
    options.SetElevation(360);
    options.SetRotation(270);
    view3D();
    EXPECT_EQ(canvas.Calculate3DPosition(60, 40, 10), (TPoint{50, 40}));
    EXPECT_EQ(canvas.Calculate3DPosition(50, 40, 20), (TPoint{60, 40}));

    // Elevation 315: y and depth turn by 45 degrees (cos = sin = 0.7071).
    options.SetElevation(315);
    options.SetRotation(360);
    view3D();
    EXPECT_EQ(canvas.Calculate3DPosition(50, 50, 10), (TPoint{50, 47}));
    EXPECT_EQ(canvas.Calculate3DPosition(50, 40, 20), (TPoint{50, 33}));

    // Perspective 15 over a width of 100: p = 0.001; depth 100 shrinks by 1.1.
    options.SetElevation(360);
    options.SetPerspective(15);
    view3D();
    EXPECT_TRUE(canvas.IsPerspective);
    EXPECT_EQ(canvas.Calculate3DPosition(60, 40, 10), (TPoint{60, 40}));
    EXPECT_EQ(canvas.Calculate3DPosition(60, 40, 110), (TPoint{59, 40}));
}

TEST_F(ProjectionTest, InverseProjectionReturnsTheProjectedPoint) {
    // The default rotated view, with perspective and with tilt: a point
    // projected at a depth and taken back at that depth is where it was.
    options.SetOrthogonal(false);
    for (const int tilt : {0, 20}) {
        options.SetTilt(tilt);
        view3D();
        for (int z : {0, 10, 20})
            for (int x = 0; x <= 100; x += 20)
                for (int y = 0; y <= 80; y += 20) {
                    const TPoint p = canvas.Calculate3DPosition(x, y, z);
                    int bx = p.X, by = p.Y;
                    canvas.Calculate2DPosition(bx, by, z);
                    EXPECT_LE(std::abs(bx - x), 1) << x << "," << y << "," << z << " tilt " << tilt;
                    EXPECT_LE(std::abs(by - y), 1) << x << "," << y << "," << z << " tilt " << tilt;
                }
    }
}

TEST_F(ProjectionTest, WithoutProjectionDepthIsIgnored) {
    EXPECT_EQ(canvas.Calculate3DPosition(33, 44, 1000), (TPoint{33, 44}));
    canvas.Pen->SetColor(clRed);
    canvas.Brush->SetStyle(bsClear);
    canvas.EllipseWithZ(10, 10, 20, 20, 50);
    expectPixels({{20, 15, clRed}, {21, 15, clWhite}});  // the right edge is included

    canvas.Brush->SetStyle(bsSolid);
    canvas.Brush->SetColor(clBlue);
    canvas.ClipCube({40, 40, 60, 60}, 0, 10);
    canvas.FillRect({0, 0, 100, 80});
    canvas.UnClipRectangle();
    expectPixels({{40, 50, clWhite}, {41, 41, clBlue}, {59, 58, clBlue}, {50, 59, clWhite}, {41, 40, clWhite}});

    // Begin2D switches the rotation off until the outermost End2D.
    options.SetOrthogonal(false);
    options.SetPerspective(0);
    options.SetElevation(360);
    options.SetRotation(270);
    view3D();
    canvas.Begin2D();
    canvas.Begin2D();
    canvas.End2D();
    EXPECT_EQ(canvas.Calculate3DPosition(50, 40, 10), (TPoint{50, 40}));
    canvas.End2D();
    canvas.End2D();  // unmatched: ignored
    EXPECT_EQ(canvas.Calculate3DPosition(50, 40, 20), (TPoint{60, 40}));
    canvas.Begin2D();
    EXPECT_EQ(canvas.Calculate3DPosition(50, 40, 10), (TPoint{50, 40}));
}

TEST_F(ProjectionTest, CubeShowsFrontRightAndTopFaces) {
    view3D();
    canvas.Pen->SetStyle(psClear);
    canvas.Brush->SetColor(clRed);
    canvas.Cube(20, 40, 30, 50, 0, 10, true);
    expectPixels({{30, 40, clRed}, {45, 40, RGBColor(127, 0, 0)}, {30, 26, RGBColor(191, 0, 0)}, {18, 40, clWhite},
                  {30, 52, clWhite}});
}

TEST_F(ProjectionTest, TextOut3DZoomsTheFont) {
    auto inkWidth = [&] {
        image.fill(Qt::white);
        canvas.TextOut3D(50, 40, 0, "WWW");
        const TRect ink = inkBounds(drawn(), 0, 0, 100, 80, notWhite);
        return ink.Right - ink.Left + 1;
    };
    canvas.Font->SetSize(12);
    view3D();
    const int full = inkWidth();
    options.SetZoom(50);
    view3D();
    const int half = inkWidth();
    EXPECT_NEAR(half * 2.0 / full, 1.0, 0.15);
    options.SetZoomText(false);
    view3D();
    EXPECT_EQ(inkWidth(), full);
}

TEST_F(ProjectionTest, BufferedDrawingReachesTheTargetOnShow) {
    canvas.SetUseBuffer(true);
    const TRect drawing = canvas.InitWindow(target.get(), &options, {10, 10, 50, 40}, false);
    EXPECT_EQ(drawing, (TRect{0, 0, 40, 30}));
    ASSERT_NE(canvas.Bitmap(), nullptr);
    canvas.Brush->SetColor(clLime);
    canvas.FillRect({0, 0, 40, 30});
    EXPECT_EQ(at(20, 20), clWhite);  // still off screen
    canvas.ShowImage(target.get(), target.get(), {10, 10, 50, 40});
    expectPixels({{10, 10, clLime}, {49, 39, clLime}, {50, 40, clWhite}});
    EXPECT_EQ(canvas.ReferenceCanvas, target.get());

    image.fill(Qt::white);
    EXPECT_TRUE(canvas.ReDrawBitmap());
    EXPECT_EQ(at(5, 5), clLime);
    canvas.InvalidateBuffer();
    EXPECT_FALSE(canvas.ReDrawBitmap());

    // Turning the buffer off while drawing into it leaves no canvas behind.
    canvas.InitWindow(target.get(), &options, {10, 10, 50, 40}, false);
    canvas.SetUseBuffer(false);
    EXPECT_EQ(canvas.Bitmap(), nullptr);
    EXPECT_EQ(canvas.ReferenceCanvas, nullptr);
    canvas.FillRect({0, 0, 10, 10});  // draws nowhere, safely
}

TEST(ConvexHullOfPoints, DropsInnerPoints) {
    std::vector<TPoint> two{{0, 0}, {1, 1}};
    EXPECT_FALSE(ConvexHull(two));
    std::vector<TPoint> square{{0, 0}, {10, 0}, {5, 5}, {10, 10}, {0, 10}};
    ASSERT_TRUE(ConvexHull(square));
    ASSERT_EQ(square.size(), 4u);
    EXPECT_EQ(std::count(square.begin(), square.end(), TPoint{5, 5}), 0);
    EXPECT_EQ(square.back(), (TPoint{10, 0}));  // the pivot comes last
    // Points far down the page still give a hull.
    std::vector<TPoint> low{{0, 20000000}, {10, 20000000}, {10, 20000010}, {0, 20000010}};
    ASSERT_TRUE(ConvexHull(low));
    EXPECT_EQ(low.size(), 4u);
}

}  // namespace
}  // namespace brine::chart::test
