#pragma once
// Shared set-up of the chart tests: a canvas drawing straight into a white
// image, helpers reading rendered images, and small builders.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <climits>
#include <functional>
#include <initializer_list>
#include <vector>

#include "base/datetime.h"
#include "chart/canvas3d.h"
#include "chart/plot_const.h"
#include "chart/plot_panel.h"
#include "chart/series_data.h"
#include "support/qt_app.h"

namespace brine::chart::test {

inline double date(int y, int m, int d, int h = 0, int n = 0) { return EncodeDateTime({y, m, d, h, n, 0, 0}); }

inline std::vector<double> values(const TChartValueList& l) {
    std::vector<double> v;
    for (int i = 0; i < l.Count(); ++i) v.push_back(l[i]);
    return v;
}

// The message of the chart error an action raises, or "no error".
template <class E = Exception>
QString raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& e) {
        return e.Message;
    }
    return "no error";
}

// A mouse drag from one point to another with the left or right button.
inline void drag(TCustomPlotPanel& p, TMouseButton button, int x0, int y0, int x1, int y1) {
    const TShiftState shift = button == mbLeft ? ssLeft : ssRight;
    p.MouseDown(button, shift, x0, y0);
    p.MouseMove(shift, x1, y1);
    p.MouseUp(button, shift, x1, y1);
}

// The colour of an image pixel as the chart writes colours ($BBGGRR).
inline TColor pixelAt(const QImage& img, int x, int y) { return FromQColor(QColor(img.pixel(x, y))); }

using PixelTest = std::function<bool(TColor)>;
inline PixelTest colour(TColor c) {
    return [c](TColor p) { return p == c; };
}
inline bool notWhite(TColor c) { return c != clWhite; }

// Pixels of [x0, x1) × [y0, y1), cut to the image, that pass a test.
inline int countPixels(const QImage& img, int x0, int y0, int x1, int y1, const PixelTest& is) {
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(y1, img.height()); ++y)
        for (int x = std::max(0, x0); x < std::min(x1, img.width()); ++x) n += is(pixelAt(img, x, y));
    return n;
}

// The pixels of [x0, x1) × [y0, y1) that pass a test lie in the returned
// rectangle, both ends included; Right is -1 when there are none.
inline TRect inkBounds(const QImage& img, int x0, int y0, int x1, int y1, const PixelTest& is) {
    TRect b{INT_MAX, INT_MAX, -1, -1};
    for (int y = std::max(0, y0); y < std::min(y1, img.height()); ++y)
        for (int x = std::max(0, x0); x < std::min(x1, img.width()); ++x)
            if (is(pixelAt(img, x, y)))
                b = {std::min(b.Left, x), std::min(b.Top, y), std::max(b.Right, x), std::max(b.Bottom, y)};
    return b;
}

struct Pixel {
    int x, y;
    TColor colour;
};
inline void expectPixels(const QImage& img, std::initializer_list<Pixel> want) {
    for (const Pixel& p : want) EXPECT_EQ(pixelAt(img, p.x, p.y), p.colour) << "at " << p.x << ", " << p.y;
}

// A whole panel rendered into an image of its size.
inline QImage renderPanel(TCustomPlotPanel& p) { return p.RenderToBitmap(clWhite, p.PanelRectangle())->Image(); }

class ChartCanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        brine::test::qtApp();
        image = QImage(100, 80, QImage::Format_RGB32);
        image.fill(Qt::white);
        target = std::make_unique<TCanvas>(&image);
        canvas.SetUseBuffer(false);
        canvas.InitWindow(target.get(), nullptr, {0, 0, 100, 80}, false);
        canvas.ResetState();
    }

    // What has been drawn so far.
    const QImage& drawn() {
        target->releasePainter();
        return image;
    }
    TColor at(int x, int y) { return pixelAt(drawn(), x, y); }
    void expectPixels(std::initializer_list<Pixel> want) { test::expectPixels(drawn(), want); }
    // Number of pixels of a colour in a row span, both ends included.
    int countRow(int y, int x0, int x1, TColor c) { return countPixels(drawn(), x0, y, x1 + 1, y + 1, colour(c)); }

    QImage image;
    std::unique_ptr<TCanvas> target;
    TPlotCanvas3D canvas;
};

}  // namespace brine::chart::test
