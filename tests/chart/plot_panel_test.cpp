// The plot panel: chart rectangle arithmetic, frame painting by pixels, zoom
// band, back image, listeners, buffered repaint and the shared routines.
#include <random>

#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

// A panel that paints its frame as a chart would.
class FramePanel : public TCustomPlotPanelExtended {
public:
    void DrawContents(const TRect& rect) override {
        TRect r = rect;
        DrawPanelFrame(r);
        Inner = r;
    }
    TRect Inner;
};

class PlotPanelTest : public ::testing::Test {
protected:
    void SetUp() override { brine::test::qtApp(); }
    static QImage render(TCustomPlotPanel& p) { return renderPanel(p); }
};

TEST_F(PlotPanelTest, ChartRectangleFromMarginsBevelsAndBorder) {
    TCustomPlotPanelExtended p;
    ASSERT_EQ(p.PanelRectangle(), (TRect{0, 0, 400, 250}));
    render(p);
    EXPECT_EQ(p.ChartRect, (TRect{13, 11, 387, 239}));  // raised bevel of 1
    EXPECT_EQ(p.ChartWidth, 374);
    EXPECT_EQ(p.ChartHeight, 228);
    EXPECT_EQ(p.ChartXCenter, 200);
    EXPECT_EQ(p.ChartYCenter, 125);

    p.SetBevelOuter(bvNone);
    render(p);
    EXPECT_EQ(p.ChartRect, (TRect{12, 10, 388, 240}));

    // Border pen, frame width and inner bevel all count (outer bevel now none).
    p.Border().Show();
    p.Border().SetWidth(2);
    p.SetBorderWidth(3);
    p.SetBevelInner(bvLowered);
    p.SetBevelWidth(2);
    render(p);
    EXPECT_EQ(p.ChartRect, (TRect{19, 17, 381, 233}));

    p.SetMarginUnits(muPixels);
    p.SetMarginLeft(20);
    render(p);
    EXPECT_EQ(p.ChartRect.Left, 27);
    EXPECT_EQ(p.ChartRect.Top, 11);

    // Margins larger than the panel: Right and Bottom come back past Left and Top.
    p.SetMarginLeft(300);
    p.SetMarginRight(300);
    p.SetMarginTop(200);
    p.SetMarginBottom(50);
    render(p);
    EXPECT_EQ(p.ChartRect.Right, p.ChartRect.Left + 1);
    EXPECT_EQ(p.ChartRect.Top, 207);
    EXPECT_EQ(p.ChartRect.Bottom, 208);
    // Top and bottom meet exactly: one pixel, inside the panel.
    p.SetMarginBottom(36);
    render(p);
    EXPECT_EQ(p.ChartRect.Bottom, 208);
}

TEST_F(PlotPanelTest, FramePaintsBackBevelsBorderAndShadow) {
    FramePanel p;
    p.resize(60, 40);
    p.SetColor(clRed);
    const TColor light = ColorToRGB(clBtnHighlight);
    // Raised: light top-left, dark bottom-right.
    expectPixels(render(p), {{0, 0, light}, {59, 39, ColorToRGB(clBtnShadow)}, {30, 20, clRed}});
    EXPECT_EQ(p.Inner, (TRect{1, 1, 59, 39}));

    p.Border().Show();
    p.Border().SetColor(clBlue);
    p.Border().SetWidth(3);
    expectPixels(render(p), {{0, 0, clBlue}, {2, 2, clBlue}, {3, 3, light}, {4, 4, clRed}});
    EXPECT_EQ(p.Inner, (TRect{4, 4, 56, 36}));

    // A visible gradient replaces the plain colour.
    p.Gradient().SetVisible(true);
    p.Gradient().SetStartColor(clLime);
    p.Gradient().SetEndColor(clLime);
    EXPECT_EQ(pixelAt(render(p), 30, 20), clLime);
    p.SetGradient(nullptr);
    EXPECT_FALSE(p.HasGradient());

    // A shadow keeps its strip outside the panel back.
    p.Border().Hide();
    p.Shadow().SetSize(4);
    p.Shadow().SetColor(clBlack);
    p.Shadow().SetSmooth(false);
    expectPixels(render(p), {{57, 38, clBlack}, {30, 20, clRed}});
    EXPECT_EQ(p.Inner, (TRect{1, 1, 55, 35}));
}

TEST_F(PlotPanelTest, ZoomBandDrawnTwiceErasesItself) {
    // On a white back the white band would be invisible: the default face colour.
    TCustomPlotPanelExtended p;
    const TColor face = ColorToRGB(clBtnFace);
    ASSERT_NE(face, clWhite);
    QImage img(50, 50, QImage::Format_RGB32);
    img.fill(ToQColor(face));
    TCanvas target(&img);
    p.Canvas().SetUseBuffer(false);
    p.Canvas().InitWindow(&target, nullptr, {0, 0, 50, 50}, false);
    p.Zoom().Activate(10, 10);
    p.Zoom().X1 = 30;
    p.Zoom().Y1 = 30;
    p.DrawZoomRectangle();
    target.releasePainter();
    EXPECT_NE(pixelAt(img, 20, 10), face);
    EXPECT_EQ(pixelAt(img, 20, 20), face);  // clear brush inside
    p.DrawZoomRectangle();
    target.releasePainter();
    expectPixels(img, {{20, 10, face}, {10, 20, face}});
}

TEST_F(PlotPanelTest, TiledBackImageRepeatsAndIsClipped) {
    FramePanel p;
    p.resize(120, 120);
    p.SetBevelOuter(bvNone);
    p.SetColor(clWhite);
    TBitmap tile;
    tile.SetSize(40, 30);
    tile.Image().fill(QColor(0, 255, 0));
    tile.Image().setPixel(0, 0, qRgb(255, 0, 0));
    p.BackImage().Bitmap().SetImage(tile.Image());
    p.BackImage().SetMode(pbmTile);

    // Draw into a 100 × 100 rectangle of a larger image.
    QImage img(120, 120, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas target(&img);
    p.Canvas().SetUseBuffer(false);
    p.Canvas().InitWindow(&target, nullptr, {0, 0, 120, 120}, false);
    p.DrawBackImage({0, 0, 100, 100}, 0);
    target.releasePainter();
    EXPECT_EQ(countPixels(img, 0, 0, 120, 120, colour(clRed)), 12);  // 3 × 4 tiles
    // Clipped at 100.
    expectPixels(img, {{80, 90, clRed}, {99, 99, clLime}, {100, 50, clWhite}, {50, 100, clWhite}});

    // Custom position: back filled, image at the corner plus the offset.
    p.BackImage().SetMode(pbmCustom);
    p.BackImage().SetLeft(5);
    p.BackImage().SetTop(7);
    img.fill(Qt::black);
    p.DrawBackImage({0, 0, 100, 100}, 0);
    target.releasePainter();
    expectPixels(img, {{5, 7, clRed}, {2, 2, clWhite}, {105, 7, clBlack}});
}

class RecordingListener : public IPlotEventListener {
public:
    explicit RecordingListener(bool cancel = false) : cancel_(cancel) {}
    void PlotEvent(TPlotEvent& e) override {
        ++calls;
        if (dynamic_cast<TPlotView3DEvent*>(&e)) ++view3D;
        if (auto* m = dynamic_cast<TPlotMouseEvent*>(&e)) {
            lastKind = m->Event;
            lastX = m->X;
            if (cancel_) m->Sender->CancelMouse = true;
        }
    }
    int calls = 0, view3D = 0, lastX = -1;
    TPlotMouseEventKind lastKind = pmeMove;

private:
    bool cancel_;
};

TEST_F(PlotPanelTest, ListenersReceiveEventsAndMouseCancelStopsTheRest) {
    TCustomPlotPanelExtended p;
    RecordingListener first(true), second;
    p.Listeners = {&first, &second};
    p.MouseDown(mbLeft, 0, 7, 8);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(first.lastKind, pmeDown);
    EXPECT_EQ(first.lastX, 7);
    EXPECT_EQ(second.calls, 0);

    p.SetView3D(false);
    p.SetView3D(false);  // unchanged: no second broadcast
    EXPECT_EQ(first.view3D, 1);
    EXPECT_EQ(second.view3D, 1);

    bool handlerRan = false;
    p.OnDblClick = [&] {
        handlerRan = true;
        p.CancelMouse = true;
    };
    EXPECT_FALSE(p.DblClick());
    EXPECT_TRUE(handlerRan);

    p.Panning.Activate(3, 4);
    p.SavedCursor = crDefault;
    p.SetPanelCursor(crPlotHand);
    p.MouseLeave();
    EXPECT_FALSE(p.Panning.Active);
    EXPECT_EQ(p.PanelCursor(), crDefault);
}

TEST_F(PlotPanelTest, BufferedPaintRedrawsOnlyAfterAChange) {
    TCustomPlotPanelExtended p;
    p.resize(80, 60);
    p.grab();
    ASSERT_NE(p.Canvas().Bitmap(), nullptr);
    EXPECT_FALSE(p.Canvas().BufferDirty());
    int margin = 3;
    p.ChangeInt(margin, 3);
    EXPECT_FALSE(p.Canvas().BufferDirty());
    p.ChangeInt(margin, 5);
    EXPECT_EQ(margin, 5);
    EXPECT_TRUE(p.Canvas().BufferDirty());
    p.grab();
    EXPECT_FALSE(p.Canvas().BufferDirty());
    p.View3DOptions().SetZoom(150);  // view options repaint through the panel
    EXPECT_TRUE(p.Canvas().BufferDirty());

    // After a paint the drawing canvas no longer points at the window's.
    EXPECT_EQ(p.Canvas().ReferenceCanvas, nullptr);

    p.SetBorderRound(10);
    EXPECT_FALSE(p.mask().isEmpty());
    EXPECT_FALSE(p.mask().contains(QPoint(0, 0)));
    p.SetBorderRound(0);
    EXPECT_TRUE(p.mask().isEmpty());
}

TEST_F(PlotPanelTest, AssignCopiesSettingsAndObjects) {
    TCustomPlotPanelExtended a, b;
    a.SetMarginLeft(9);
    a.SetMarginUnits(muPixels);
    a.SetView3D(false);
    a.Border().Show();
    a.Zoom().MinimumPixels = 5;
    a.Zoom().Brush().SetColor(clRed);
    a.Gradient().SetVisible(true);
    a.SetColor(clYellow);
    b.Assign(a);
    EXPECT_EQ(b.MarginLeft(), 9);
    EXPECT_EQ(b.MarginUnits(), muPixels);
    EXPECT_FALSE(b.View3D());
    EXPECT_TRUE(b.Border().Visible());
    EXPECT_EQ(b.Zoom().MinimumPixels, 5);
    EXPECT_EQ(b.Zoom().Brush().Color(), clRed);
    EXPECT_TRUE(b.Gradient().Visible());
    EXPECT_FALSE(b.HasBackImage());
    EXPECT_EQ(b.Color(), clYellow);
}

TEST(PlotProcsTest, PaletteGeometrySortingAndText) {
    EXPECT_EQ(GetDefaultColor(23), clBlue);
    EXPECT_EQ(GetDefaultColor(-1), clMedGray);
    const TColor three[] = {clBlack, clWhite, clRed};
    SetDefaultColorPalette(three, 2);
    EXPECT_EQ(GetDefaultColor(4), clWhite);
    SetDefaultColorPalette(three, 0);  // one colour restores the twenty
    EXPECT_EQ(ColorPalette().size(), 20u);
    EXPECT_EQ(GetDefaultColor(19), clMedGray);

    EXPECT_DOUBLE_EQ(PointToSegmentDistance({5, 5}, {0, 0}, {10, 0}), 5.0);
    EXPECT_DOUBLE_EQ(PointToSegmentDistance({13, 4}, {0, 0}, {10, 0}), 5.0);  // nearer end
    EXPECT_DOUBLE_EQ(PointToSegmentDistance({3, 4}, {0, 0}, {0, 0}), 5.0);
    EXPECT_TRUE(PointInLine({5, 1}, {0, 0}, {10, 0}));
    EXPECT_FALSE(PointInLine({5, 2}, {0, 0}, {10, 0}));
    EXPECT_TRUE(PointInLineTolerance({5, 3}, {0, 0}, {10, 0}, 2));
    const TPoint square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    EXPECT_TRUE(PointInPolygon({5, 5}, square, 4));
    EXPECT_FALSE(PointInPolygon({15, 5}, square, 4));
    EXPECT_FALSE(PointInPolygon({5, 5}, square, 2));

    std::mt19937 gen(7);
    std::vector<int> v(500);
    for (int& x : v) x = static_cast<int>(gen() % 40);
    std::vector<int> tag(v.size());
    for (size_t i = 0; i < tag.size(); ++i) tag[i] = v[i] * 1000 + static_cast<int>(i);
    IndexQuickSort(
        0, static_cast<int>(v.size()) - 1, [&](int a, int b) { return v[a] < v[b] ? -1 : v[a] > v[b] ? 1 : 0; },
        [&](int a, int b) {
            std::swap(v[a], v[b]);
            std::swap(tag[a], tag[b]);
        });
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    for (size_t i = 0; i < v.size(); ++i) EXPECT_EQ(tag[i] / 1000, v[i]);  // the data moved together
    IndexQuickSort(0, -1, nullptr, nullptr);  // empty range: nothing called

    EXPECT_EQ(ReplaceChar(QString("a\x06" "b\x06"), QChar(6), QChar(' ')), "a b ");
    EXPECT_EQ(ReplaceChar(QString("a,b,c"), QChar(','), QChar(0)), "abc");
    EXPECT_EQ(IntegerText(-42), "-42");
}

}  // namespace
}  // namespace brine::chart::test
