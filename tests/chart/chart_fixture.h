#pragma once
// A chart canvas drawing straight into a white image, for pixel checks.
#include <gtest/gtest.h>

#include <QImage>

#include "chart/canvas3d.h"
#include "support/qt_app.h"

namespace brine::chart::test {

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

    // The colour of a pixel as the chart writes colours ($BBGGRR).
    TColor at(int x, int y) {
        target->releasePainter();
        return FromQColor(QColor(image.pixel(x, y)));
    }
    // Number of pixels of a colour in a row or a column span.
    int countRow(int y, int x0, int x1, TColor c) {
        int n = 0;
        for (int x = x0; x <= x1; ++x) n += at(x, y) == c;
        return n;
    }

    QImage image;
    std::unique_ptr<TCanvas> target;
    TPlotCanvas3D canvas;
};

}  // namespace brine::chart::test
