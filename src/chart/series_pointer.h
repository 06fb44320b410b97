#pragma once
// The point marker of a series: twelve shapes, flat or solid in 3D.
#include <memory>

#include "chart/framed_shapes.h"
#include "chart/plot_canvas.h"

namespace brine::chart {

class TChartSeries;

enum TSeriesPointerStyle {
    psRectangle, psCircle, psTriangle, psDownTriangle, psCross, psDiagCross, psStar, psDiamond, psSmallDot,
    psNothing, psLeftTriangle, psRightTriangle
};

// The point marker: what the callout draws at the point end. The line series
// builds its pointer on it.
class TSeriesPointer : public TPlotCustomShapeBrushPen {
public:
    explicit TSeriesPointer(TChartSeries* series);
    ~TSeriesPointer() override;

    bool Dark3D() const { return Dark3D_; }
    void SetDark3D(bool v) { change(Dark3D_, v); }
    bool Draw3D() const { return Draw3D_; }
    void SetDraw3D(bool v) { change(Draw3D_, v); }
    TPlotGradient& Gradient() { return *Gradient_; }
    void SetGradient(const TPlotGradient& v) { Gradient_->Assign(v); }
    int HorizSize() const { return HorizSize_; }
    // Below 1 raises ChartException and keeps the size.
    void SetHorizSize(int v);
    bool InflateMargins() const { return InflateMargins_; }
    void SetInflateMargins(bool v) { change(InflateMargins_, v); }
    TSeriesPointerStyle Style() const { return Style_; }
    void SetStyle(TSeriesPointerStyle v) { change(Style_, v); }
    TPlotTransparency Transparency() const { return Transparency_; }
    void SetTransparency(TPlotTransparency v) { change(Transparency_, v); }
    int VertSize() const { return VertSize_; }
    void SetVertSize(int v);
    bool FixedGradientColor = false;
    TChartSeries* ParentSeries = nullptr;

    void Assign(const TPlotCustomShapeBrushPen& source) override;
    void PrepareCanvas(TCanvas3D& canvas, TColor color);
    // Flat shape of half sizes h, v centred on (px, py).
    void DrawPointer(TCanvas3D& canvas, int px, int py, int h, int v, TColor color, TSeriesPointerStyle style);
    // The shape in the series' depth when the panel is in 3D.
    void DrawPointer3D(TCanvas3D& canvas, bool is3D, int px, int py, int h, int v, TColor color,
                       TSeriesPointerStyle style);
    // On the series' panel with HorizSize and VertSize.
    void Draw(int px, int py, TColor color, TSeriesPointerStyle style);
    void CalcHorizMargins(int& Left, int& Right) const;
    void CalcVertMargins(int& Top, int& Bottom) const;

private:
    template <typename T>
    void change(T& field, T value) {
        if (field == value) return;
        field = value;
        Repaint();
    }

    bool Dark3D_ = true;
    bool Draw3D_ = true;
    std::unique_ptr<TPlotGradient> Gradient_;
    int HorizSize_ = 4;
    bool InflateMargins_ = true;
    TSeriesPointerStyle Style_ = psRectangle;
    TPlotTransparency Transparency_ = 0;
    int VertSize_ = 4;
};

enum TArrowHeadStyle { ahNone, ahLine, ahSolid };

}  // namespace brine::chart
