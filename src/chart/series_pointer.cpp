#include "chart/series_pointer.h"

#include <algorithm>
#include <climits>

#include "chart/axis_panel.h"
#include "chart/plot_const.h"

namespace brine::chart {

// ---- TSeriesPointer

TSeriesPointer::TSeriesPointer(TChartSeries* series)
    : TPlotCustomShapeBrushPen(nullptr), ParentSeries(series), Gradient_(std::make_unique<TPlotGradient>()) {
    SetVisible(true);
}

TSeriesPointer::~TSeriesPointer() = default;

void TSeriesPointer::SetHorizSize(int v) {
    if (v < 1) throw ChartException(PlotMsg_PointerSize);
    change(HorizSize_, v);
}

void TSeriesPointer::SetVertSize(int v) {
    if (v < 1) throw ChartException(PlotMsg_PointerSize);
    change(VertSize_, v);
}

void TSeriesPointer::Assign(const TPlotCustomShapeBrushPen& source) {
    if (auto* s = dynamic_cast<const TSeriesPointer*>(&source)) {
        Dark3D_ = s->Dark3D_;
        Draw3D_ = s->Draw3D_;
        Gradient_->Assign(*s->Gradient_);
        HorizSize_ = s->HorizSize_;
        InflateMargins_ = s->InflateMargins_;
        Style_ = s->Style_;
        Transparency_ = s->Transparency_;
        VertSize_ = s->VertSize_;
    }
    TPlotCustomShapeBrushPen::Assign(source);
}

void TSeriesPointer::PrepareCanvas(TCanvas3D& canvas, TColor color) {
    if (!Pen().Visible())
        canvas.Pen->SetStyle(psClear);
    else if (Pen().Color() == clDefault)
        canvas.SelectPenColor(Pen(), color);
    else
        canvas.SelectPen(Pen());
    TColor brushColor = Brush().Color();
    if (brushColor == clDefault) brushColor = Brush().Style() == bsSolid ? color : clBlack;
    canvas.AssignBrushColor(Brush(), brushColor, color);
}

void TSeriesPointer::DrawPointer(TCanvas3D& canvas, int px, int py, int h, int v, TColor color,
                                 TSeriesPointerStyle style) {
    const int l = px - h, r = px + h, t = py - v, b = py + v;
    auto polygon = [&](std::initializer_list<TPoint> points) {
        std::vector<TPoint> p(points);
        canvas.Polygon(p.data(), static_cast<int>(p.size()) - 1);
    };
    switch (style) {
        case psRectangle: canvas.Rectangle(l, t, r + 1, b + 1); break;
        case psCircle: canvas.Ellipse(l, t, r, b); break;
        case psTriangle: polygon({{l, b}, {px, t}, {r, b}}); break;
        case psDownTriangle: polygon({{l, t}, {r, t}, {px, b}}); break;
        case psLeftTriangle: polygon({{l, py}, {r, t}, {r, b}}); break;
        case psRightTriangle: polygon({{l, t}, {r, py}, {l, b}}); break;
        case psDiamond: polygon({{l, py}, {px, t}, {r, py}, {px, b}}); break;
        case psCross:
        case psDiagCross:
        case psStar:
            // Lines take the pen; a hidden pen still shows the point colour.
            if (canvas.Pen->Style() == psClear) {
                canvas.Pen->SetStyle(psSolid);
                canvas.Pen->SetColor(color);
            }
            if (style != psDiagCross) {
                canvas.Line(l, py, r + 1, py);
                canvas.Line(px, t, px, b + 1);
            }
            if (style != psCross) {
                canvas.Line(l, t, r + 1, b + 1);
                canvas.Line(l, b, r + 1, t - 1);
            }
            break;
        case psSmallDot: canvas.SetPixels(px, py, color); break;
        case psNothing: break;
    }
}


void TSeriesPointer::DrawPointer3D(TCanvas3D& canvas, bool is3D, int px, int py, int h, int v, TColor color,
                                   TSeriesPointerStyle style) {
    if (!is3D || !ParentSeries) {
        DrawPointer(canvas, px, py, h, v, color, style);
        return;
    }
    const int z0 = ParentSeries->StartZ, z1 = ParentSeries->EndZ;
    const int l = px - h, r = px + h, t = py - v, b = py + v;
    if (Draw3D_ && style == psRectangle) {
        canvas.Cube(l, r, t, b, z0, z1, Dark3D_);
    } else if (Draw3D_ && (style == psTriangle || style == psDownTriangle)) {
        canvas.Pyramid(true, l, style == psTriangle ? t : b, r, style == psTriangle ? b : t, z0, z1, Dark3D_);
    } else if (style == psCircle) {
        canvas.EllipseWithZ(l, t, r, b, z0);
    } else if (style == psRectangle) {
        canvas.RectangleWithZ({l, t, r + 1, b + 1}, z0);
    } else {
        // The flat shape projected at the series' front.
        int x = px, y = py;
        canvas.Calculate2DPosition(x, y, z0);
        DrawPointer(canvas, x, y, h, v, color, style);
    }
}

void TSeriesPointer::Draw(int px, int py, TColor color, TSeriesPointerStyle style) {
    TCustomAxisPanel* panel = ParentSeries ? ParentSeries->ParentChart() : nullptr;
    if (!panel) return;
    TPlotCanvas3D& c = panel->Canvas();
    std::unique_ptr<TPlotBlend> blend;
    if (Transparency_ > 0 && style != psNothing) {
        TRect r{px - HorizSize_, py - VertSize_, px + HorizSize_ + 1, py + VertSize_ + 1};
        if (panel->View3D()) {
            // Flat shapes lie at the front of the series, solid ones reach its back.
            const int z0 = ParentSeries->StartZ, z1 = Draw3D_ ? ParentSeries->EndZ : z0;
            TRect b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
            for (int x : {r.Left, r.Right})
                for (int y : {r.Top, r.Bottom})
                    for (int z : {z0, z1}) {
                        const TPoint p = c.Calculate3DPosition(x, y, z);
                        b = {std::min(b.Left, p.X), std::min(b.Top, p.Y), std::max(b.Right, p.X + 1),
                             std::max(b.Bottom, p.Y + 1)};
                    }
            r = b;
        }
        blend = c.BeginBlending(r, Transparency_);
    }
    if (Gradient_->Visible() && style != psNothing && style != psSmallDot) {
        if (!FixedGradientColor) Gradient_->SetEndColor(color);
        Gradient_->Draw(c, {px - HorizSize_, py - VertSize_, px + HorizSize_ + 1, py + VertSize_ + 1});
        c.Brush->SetStyle(bsClear);
    }
    DrawPointer3D(c, panel->View3D(), px, py, HorizSize_, VertSize_, color, style);
    if (blend) c.EndBlending(std::move(blend));
}

void TSeriesPointer::CalcHorizMargins(int& Left, int& Right) const {
    if (!Visible() || !InflateMargins_) return;
    Left = std::max(Left, HorizSize_ + 1);
    Right = std::max(Right, HorizSize_ + 1);
}

void TSeriesPointer::CalcVertMargins(int& Top, int& Bottom) const {
    if (!Visible() || !InflateMargins_) return;
    Top = std::max(Top, VertSize_ + 1);
    Bottom = std::max(Bottom, VertSize_ + 1);
}

}  // namespace brine::chart
