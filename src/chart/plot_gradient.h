#pragma once
// Drop shadows of boxes and text, and gradient fills.
#include <memory>

#include "chart/plot_canvas.h"

namespace brine::chart {

class TCanvas3D;

// 0 (opaque) to 100 (invisible).
using TPlotTransparency = int;

class TPlotShadow {
public:
    explicit TPlotShadow(TNotifyEvent onChange = nullptr);
    ~TPlotShadow();

    TColor Color() const { return Color_; }
    void SetColor(TColor v);
    int HorizSize() const { return HorizSize_; }
    void SetHorizSize(int v);
    bool Smooth() const { return Smooth_; }
    void SetSmooth(bool v);
    TPlotTransparency Transparency() const { return Transparency_; }
    void SetTransparency(TPlotTransparency v);
    int VertSize() const { return VertSize_; }
    void SetVertSize(int v);
    int Size() const { return std::max(HorizSize_, VertSize_); }
    void SetSize(int v);

    TNotifyEvent OnChange;
    TColor DefaultColor = clSilver;
    int DefaultSize = 0;
    bool IsColorStored() const { return Color_ != DefaultColor; }
    bool IsHorizSizeStored() const { return HorizSize_ != DefaultSize; }
    bool IsVertSizeStored() const { return VertSize_ != DefaultSize; }

    void Assign(const TPlotShadow& source);

    // Sets the canvas up for the shadow of the rectangle and begins blending
    // when the shadow is partly transparent; False when there is no shadow.
    bool PrepareCanvas(TCanvas3D& canvas, const TRect& r, int z);
    void FinishBlending(TCanvas3D& canvas);
    void Draw(TCanvas3D& canvas, const TRect& r) { DrawZ(canvas, r, 0); }
    void DrawZ(TCanvas3D& canvas, const TRect& r, int z);

private:
    void Changed() const {
        if (OnChange) OnChange();
    }
    int SmoothStep(int n) const;

    TColor Color_ = clSilver;
    int HorizSize_ = 0;
    bool Smooth_ = true;
    TPlotTransparency Transparency_ = 0;
    int VertSize_ = 0;
    std::unique_ptr<TPlotBlend> blend_;
};

class TCustomPlotGradient {
public:
    explicit TCustomPlotGradient(TNotifyEvent onChange = nullptr);
    virtual ~TCustomPlotGradient() = default;

    int Balance() const { return Balance_; }
    void SetBalance(int v);
    TGradientDirection Direction() const { return Direction_; }
    void SetDirection(TGradientDirection v);
    TColor EndColor() const { return EndColor_; }
    void SetEndColor(TColor v);
    // clNone while there is no middle colour.
    TColor MidColor() const { return HasMidColor_ ? MidColor_ : clNone; }
    void SetMidColor(TColor v);
    bool HasMidColor() const { return HasMidColor_; }
    int RadialX() const { return RadialX_; }
    void SetRadialX(int v);
    int RadialY() const { return RadialY_; }
    void SetRadialY(int v);
    TColor StartColor() const { return StartColor_; }
    void SetStartColor(TColor v);
    bool Visible() const { return Visible_; }
    void SetVisible(bool v);

    TNotifyEvent OnChange;

    virtual void Assign(const TCustomPlotGradient& source);

    // Fills the rectangle; a corner radius above 0 rounds its corners.
    void Draw(TCanvas3D& canvas, const TRect& r, int cornerRadius = 0);
    void DrawPolygon(TCanvas3D& canvas, const TPoint (&points)[4]);
    void Draw3DPolygon(TCanvas3D& canvas, const TPoint (&points)[4], int z);

private:
    void Changed() const {
        if (OnChange) OnChange();
    }
    void DrawRadial(TCanvas3D& canvas, TRect r);

    int Balance_ = 50;
    TGradientDirection Direction_ = gdTopBottom;
    TColor EndColor_ = clYellow;
    TColor MidColor_ = clNone;
    int RadialX_ = 0;
    int RadialY_ = 0;
    TColor StartColor_ = clWhite;
    bool Visible_ = false;
    bool HasMidColor_ = false;
};

class TPlotGradient : public TCustomPlotGradient {
public:
    using TCustomPlotGradient::TCustomPlotGradient;
};

class TPlotFontGradient : public TPlotGradient {
public:
    using TPlotGradient::TPlotGradient;
    // Fill only along the text's widened outline.
    bool Outline() const { return Outline_; }
    void SetOutline(bool v);
    void Assign(const TCustomPlotGradient& source) override;

private:
    bool Outline_ = false;
};

// ((1 + i) / (1 + n)) ^ (balance × 0.015 + 0.5): where band i of n lies
// between the two colours when they do not meet in the middle.
double BalancedFraction(int i, int n, int balance);

}  // namespace brine::chart
