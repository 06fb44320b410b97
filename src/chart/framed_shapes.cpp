#include "chart/framed_shapes.h"

#include <algorithm>
#include <cmath>

namespace brine::chart {

// ---- TShapePanel

void TShapePanel::DrawBevel(TRect& r, TBevelCut bevel, TBevelWidth width) {
    if (bevel == bvNone) return;
    const TColor top = bevel == bvLowered ? clBtnShadow : clBtnHighlight;
    const TColor bottom = bevel == bvRaised ? clBtnShadow : clBtnHighlight;
    Canvas().Frame3D(r, top, bottom, width);
}

void TShapePanel::ChangeBool(bool& variable, bool value) {
    if (variable == value) return;
    variable = value;
    Invalidate();
}

void TShapePanel::ChangeColor(TColor& variable, TColor value) {
    if (variable == value) return;
    variable = value;
    Invalidate();
}

// ---- TPlotCustomShapeBrushPen

TPlotCustomShapeBrushPen::TPlotCustomShapeBrushPen(TShapePanel* parentChart)
    : TPlotCustomShapeBrushPen(parentChart, std::make_unique<TChartBrush>()) {}

TPlotCustomShapeBrushPen::TPlotCustomShapeBrushPen(TShapePanel* parentChart, std::unique_ptr<TChartBrush> brush)
    : Brush_(std::move(brush)), ParentChart_(parentChart) {
    Brush_->OnChange = [this] { Repaint(); };
    Pen_ = std::make_unique<TChartPen>([this] { Repaint(); });
}

TPlotCustomShapeBrushPen::~TPlotCustomShapeBrushPen() = default;

void TPlotCustomShapeBrushPen::Repaint() {
    if (ParentChart_) ParentChart_->Invalidate();
}

void TPlotCustomShapeBrushPen::SetVisible(bool value) {
    if (ParentChart_)
        ParentChart_->ChangeBool(Visible_, value);
    else
        Visible_ = value;
}

void TPlotCustomShapeBrushPen::Assign(const TPlotCustomShapeBrushPen& source) {
    if (&source == this) return;
    Brush_->Assign(*source.Brush_);
    Pen_->Assign(*source.Pen_);
    Visible_ = source.Visible_;
}

// ---- TPlotCustomShape

TPlotCustomShape::TPlotCustomShape(TShapePanel* ownerPanel) : TPlotCustomShapeBrushPen(ownerPanel) {
    Shadow_ = std::make_unique<TPlotShadow>([this] { Repaint(); });
    InitShadow(*Shadow_);
    Font_ = std::make_unique<TPlotFont>([this] { Repaint(); });
}

TPlotCustomShape::~TPlotCustomShape() {
    Shadow_.reset();
    Font_.reset();
    Gradient_.reset();
}

void TPlotCustomShape::InitShadow(TPlotShadow& shadow) {
    shadow.SetColor(clBlack);
    shadow.SetSize(3);
    shadow.DefaultColor = clBlack;
    shadow.DefaultSize = 3;
}

std::unique_ptr<TPlotGradient> TPlotCustomShape::NewGradient(TNotifyEvent onChange) {
    return std::make_unique<TPlotGradient>(std::move(onChange));
}

void TPlotCustomShape::SetBevel(TBevelCut value) {
    if (value == Bevel_) return;
    Bevel_ = value;
    Repaint();
}

void TPlotCustomShape::SetBevelWidth(TBevelWidth value) {
    if (value == BevelWidth_) return;
    BevelWidth_ = value;
    Repaint();
}

void TPlotCustomShape::SetColor(TColor value) {
    if (ParentChart())
        ParentChart()->ChangeColor(Color_, value);
    else
        Color_ = value;
}

void TPlotCustomShape::SetShadow(const TPlotShadow* value) {
    if (!value) {
        Shadow_.reset();
        return;
    }
    if (!Shadow_) {
        Shadow_ = std::make_unique<TPlotShadow>([this] { Repaint(); });
        InitShadow(*Shadow_);
    }
    if (value != Shadow_.get()) Shadow_->Assign(*value);
}

void TPlotCustomShape::SetShapeStyle(TChartObjectShapeStyle value) {
    if (value == ShapeStyle_) return;
    ShapeStyle_ = value;
    Repaint();
}

void TPlotCustomShape::SetTextFormat(TTextFormat value) {
    if (value == TextFormat_) return;
    TextFormat_ = value;
    Repaint();
}

void TPlotCustomShape::SetTransparent(bool value) {
    if (ParentChart())
        ParentChart()->ChangeBool(Transparent_, value);
    else
        Transparent_ = value;
}

TPlotGradient& TPlotCustomShape::Gradient() {
    if (!Gradient_) Gradient_ = NewGradient([this] { Repaint(); });
    return *Gradient_;
}

void TPlotCustomShape::SetGradient(const TPlotGradient* value) {
    if (!value) {
        Gradient_.reset();
        return;
    }
    if (value != Gradient_.get()) Gradient().Assign(*value);
}

void TPlotCustomShape::SetTransparency(TPlotTransparency value) {
    value = std::clamp(value, 0, 100);
    if (value == Transparency_) return;
    Transparency_ = value;
    Repaint();
}

void TPlotCustomShape::ReadShadowColor(const QString& value) {
    if (Shadow_) Shadow_->SetColor(StringToColor(value.trimmed()));
}

void TPlotCustomShape::ReadShadowSize(int value) {
    if (Shadow_) Shadow_->SetSize(value);
}

void TPlotCustomShape::Assign(const TPlotCustomShapeBrushPen& source) {
    if (&source == this) return;
    if (const auto* shape = dynamic_cast<const TPlotCustomShape*>(&source)) {
        Bevel_ = shape->Bevel_;
        BevelWidth_ = shape->BevelWidth_;
        Color_ = shape->Color_;
        Font_->Assign(*shape->Font_);
        SetGradient(shape->Gradient_.get());
        ShapeStyle_ = shape->ShapeStyle_;
        SetShadow(shape->Shadow_.get());
        TextFormat_ = shape->TextFormat_;
        Transparent_ = shape->Transparent_;
        Transparency_ = shape->Transparency_;
    }
    TPlotCustomShapeBrushPen::Assign(source);
}

void RotatedCorners(const TRect& r, int angle, TPoint (&points)[4]) {
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    const double radians = angle * 0.017453292519943295;
    const double s = std::sin(radians), c = std::cos(radians);
    const TPoint corners[4] = {{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}};
    for (int i = 0; i < 4; ++i) {
        const double x = corners[i].X - cx, y = corners[i].Y - cy;
        points[i] = {Round(x * c + y * s) + cx, Round(-x * s + y * c) + cy};
    }
}

void TPlotCustomShape::DrawRectRotated(const TRect& rect, int angle, int z) {
    if (Transparent_ || !ParentChart()) return;
    TCanvas3D& canvas = ParentChart()->Canvas();
    // A negative angle turns the box the other way; only 0 leaves it upright.
    const bool rotated = angle != 0;
    TPoint corners[4];
    if (rotated) RotatedCorners(rect, angle, corners);
    auto outline = [&](const TRect& r) {
        if (!rotated) {
            if (canvas.FullRotation())
                canvas.RectangleWithZ(r, z);
            else if (ShapeStyle_ == fosRoundRectangle)
                canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, 16, 16);
            else
                canvas.RectangleR(r);
        } else {
            const int dx = r.Left - rect.Left, dy = r.Top - rect.Top;
            TPoint moved[4];
            for (int i = 0; i < 4; ++i) moved[i] = {corners[i].X + dx, corners[i].Y + dy};
            canvas.Polygon(moved, 3);
        }
    };

    std::unique_ptr<TPlotBlend> blend;
    if (Transparency_ > 0) blend = canvas.BeginBlending(rotated ? PolygonBounds(corners, 4) : rect, Transparency_);

    // Every visible shadow is drawn once: an upright rectangle's shadow draws
    // itself; a rotated or rounded box casts an offset copy of its outline.
    if (Shadow_ && Shadow_->Size() != 0 && Brush().Style() != bsClear) {
        if (!rotated && ShapeStyle_ == fosRectangle) {
            const bool flat = !canvas.FullRotation();
            if (flat) canvas.Begin2D();
            Shadow_->DrawZ(canvas, rect, z);
            if (flat) canvas.End2D();
        } else {
            int dx = Shadow_->HorizSize(), dy = Shadow_->VertSize();
            if (std::max(dx, dy) > 0 && Pen().Visible()) {
                dx += Pen().Width();
                dy += Pen().Width();
            }
            canvas.Pen->SetStyle(psClear);
            canvas.Brush->SetStyle(bsSolid);
            canvas.Brush->SetColor(Shadow_->Color());
            const TRect moved{rect.Left + dx, rect.Top + dy, rect.Right + dx, rect.Bottom + dy};
            std::unique_ptr<TPlotBlend> shadowBlend;
            if (Shadow_->Transparency() > 0) {
                TRect area = moved;
                if (rotated) {
                    TPoint p[4];
                    for (int i = 0; i < 4; ++i) p[i] = {corners[i].X + dx, corners[i].Y + dy};
                    area = PolygonBounds(p, 4);
                }
                shadowBlend = canvas.BeginBlending(area, Shadow_->Transparency());
            }
            outline(moved);
            if (shadowBlend) canvas.EndBlending(std::move(shadowBlend));
        }
    }

    if (!Gradient_ || !Gradient_->Visible()) {
        canvas.AssignBrush(Brush(), Color_);
    } else {
        if (!rotated) {
            if (canvas.FullRotation()) {
                const TPoint p[4] = {
                    {rect.Left, rect.Top}, {rect.Right, rect.Top}, {rect.Right, rect.Bottom}, {rect.Left, rect.Bottom}};
                Gradient_->Draw3DPolygon(canvas, p, z);
            } else {
                Gradient_->Draw(canvas, rect);
            }
        } else if (canvas.FullRotation()) {
            Gradient_->Draw3DPolygon(canvas, corners, z);
        } else {
            Gradient_->DrawPolygon(canvas, corners);
        }
        // The outline only frames what the gradient filled.
        canvas.Brush->SetStyle(bsClear);
    }
    canvas.SelectPen(Pen());
    outline(rect);

    if (!rotated && Bevel_ != bvNone) {
        TRect inner = rect;
        ParentChart()->DrawBevel(inner, Bevel_, BevelWidth_);
    }
    if (blend) canvas.EndBlending(std::move(blend));
}

}  // namespace brine::chart
