#pragma once
// The framed, filled box behind chart titles, walls, the legend, axis titles
// and marks: brush, frame pen, bevel, shadow, gradient, rounded corners,
// transparency and rotation. The owners lay out and draw the text inside.
#include <memory>

#include "chart/canvas3d.h"
#include "chart/plot_gradient.h"
#include "chart/plot_html.h"

namespace brine::chart {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using TBevelWidth = int;
enum TChartObjectShapeStyle { fosRectangle, fosRoundRectangle };

// What a shape needs of the chart panel that owns it; the panel implements
// it. A shape never owns its panel.
class TShapePanel {
public:
    virtual ~TShapePanel() = default;
    // The canvas all of the chart draws on.
    virtual TCanvas3D& Canvas() = 0;
    // Drops the buffered image so that the next paint redraws.
    virtual void Invalidate() = 0;
    // Draws a bevel inside r and shrinks r by its width; bvNone draws nothing.
    virtual void DrawBevel(TRect& r, TBevelCut bevel, TBevelWidth width);

    // Store and invalidate, only on a real change.
    void ChangeBool(bool& variable, bool value);
    void ChangeColor(TColor& variable, TColor value);
};

class TPlotCustomShapeBrushPen {
public:
    explicit TPlotCustomShapeBrushPen(TShapePanel* parentChart = nullptr);
    virtual ~TPlotCustomShapeBrushPen();
    TPlotCustomShapeBrushPen(const TPlotCustomShapeBrushPen&) = delete;
    TPlotCustomShapeBrushPen& operator=(const TPlotCustomShapeBrushPen&) = delete;

    TChartBrush& Brush() { return *Brush_; }
    const TChartBrush& Brush() const { return *Brush_; }
    void SetBrush(const TChartBrush& value) { Brush_->Assign(value); }
    TShapePanel* ParentChart() const { return ParentChart_; }
    virtual void SetParentChart(TShapePanel* value) { ParentChart_ = value; }
    TChartPen& Pen() { return *Pen_; }
    const TChartPen& Pen() const { return *Pen_; }
    void SetPen(const TChartPen& value) { Pen_->Assign(value); }
    bool Visible() const { return Visible_; }
    void SetVisible(bool value);
    void Hide() { SetVisible(false); }

    // Brush, pen and Visible from the source (no repaint).
    virtual void Assign(const TPlotCustomShapeBrushPen& source);

protected:
    // For classes that fill with their own kind of brush.
    TPlotCustomShapeBrushPen(TShapePanel* parentChart, std::unique_ptr<TChartBrush> brush);
    // Invalidates the panel, when there is one.
    void Repaint();

private:
    std::unique_ptr<TChartBrush> Brush_;
    TShapePanel* ParentChart_ = nullptr;
    std::unique_ptr<TChartPen> Pen_;
    bool Visible_ = true;
};

class TPlotCustomShape : public TPlotCustomShapeBrushPen {
public:
    explicit TPlotCustomShape(TShapePanel* ownerPanel = nullptr);
    ~TPlotCustomShape() override;

    TBevelCut Bevel() const { return Bevel_; }
    void SetBevel(TBevelCut value);
    TBevelWidth BevelWidth() const { return BevelWidth_; }
    void SetBevelWidth(TBevelWidth value);
    TColor Color() const { return Color_; }
    void SetColor(TColor value);
    TPlotFont& Font() { return *Font_; }
    void SetFont(const TPlotFont& value) { Font_->Assign(value); }
    // May be nil after SetShadow(nullptr).
    TPlotShadow* Shadow() const { return Shadow_.get(); }
    // Copies into the shadow (making one when there is none); nullptr frees it.
    void SetShadow(const TPlotShadow* value);
    TChartObjectShapeStyle ShapeStyle() const { return ShapeStyle_; }
    void SetShapeStyle(TChartObjectShapeStyle value);
    TTextFormat TextFormat() const { return TextFormat_; }
    void SetTextFormat(TTextFormat value);
    bool Transparent() const { return Transparent_; }
    void SetTransparent(bool value);
    // Made on first read; drawing never makes one.
    TPlotGradient& Gradient();
    bool HasGradient() const { return Gradient_ != nullptr; }
    // Copies into the gradient (making one when there is none); nullptr frees it.
    void SetGradient(const TPlotGradient* value);
    TPlotTransparency Transparency() const { return Transparency_; }
    void SetTransparency(TPlotTransparency value);
    TRect ShapeBounds;

    // Inclusive pixel counts of ShapeBounds.
    int Width() const { return ShapeBounds.Right - ShapeBounds.Left + 1; }
    int Height() const { return ShapeBounds.Bottom - ShapeBounds.Top + 1; }
    void SetHeight(int value) { ShapeBounds.Bottom = ShapeBounds.Top + value - 1; }

    // The class's default for Transparent (True for titles and the back wall).
    bool DefaultTransparent = false;

    // Streaming: what differs from the defaults is stored; a gradient once
    // read is always stored.
    bool IsTransparentStored() const { return Transparent_ != DefaultTransparent; }
    bool IsGradientStored() const { return HasGradient(); }
    // Legacy stream properties, read only: "ShadowColor" (a colour identifier
    // or an integer) and "ShadowSize" (both sizes).
    void ReadShadowColor(const QString& value);
    void ReadShadowSize(int value);

    void Assign(const TPlotCustomShapeBrushPen& source) override;

    void Draw() { DrawRectRotated(ShapeBounds, 0, 0); }
    // Draws the box on the panel's canvas; angle in whole degrees
    // counter-clockwise, z a depth. Without a panel nothing is drawn.
    void DrawRectRotated(const TRect& rect, int angle, int z);

protected:
    virtual std::unique_ptr<TPlotGradient> NewGradient(TNotifyEvent onChange);
    // The shadow defaults of the class: black, 3 pixels. A class with other
    // defaults applies them in its own constructor.
    void InitShadow(TPlotShadow& shadow);

private:
    TBevelCut Bevel_ = bvNone;
    TBevelWidth BevelWidth_ = 2;
    TColor Color_ = clWhite;
    std::unique_ptr<TPlotFont> Font_;
    std::unique_ptr<TPlotShadow> Shadow_;
    TChartObjectShapeStyle ShapeStyle_ = fosRectangle;
    TTextFormat TextFormat_ = ttfNormal;
    bool Transparent_ = false;
    std::unique_ptr<TPlotGradient> Gradient_;
    TPlotTransparency Transparency_ = 0;
};

// The shape with its look published.
class TPlotShape : public TPlotCustomShape {
public:
    using TPlotCustomShape::TPlotCustomShape;
};

// The corners (Left, Top), (Right, Top), (Right, Bottom), (Left, Bottom) of r
// turned by angle degrees about its centre.
void RotatedCorners(const TRect& r, int angle, TPoint (&points)[4]);

}  // namespace brine::chart
