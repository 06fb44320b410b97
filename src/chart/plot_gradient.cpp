#include "chart/plot_gradient.h"

#include <algorithm>
#include <cmath>

#include "chart/canvas3d.h"

namespace brine::chart {

// ---- TPlotShadow

TPlotShadow::TPlotShadow(TNotifyEvent onChange) : OnChange(std::move(onChange)) {}

TPlotShadow::~TPlotShadow() = default;

void TPlotShadow::SetColor(TColor v) {
    if (v == Color_) return;
    Color_ = v;
    Changed();
}

void TPlotShadow::SetHorizSize(int v) {
    if (v == HorizSize_) return;
    HorizSize_ = v;
    Changed();
}

void TPlotShadow::SetSmooth(bool v) {
    if (v == Smooth_) return;
    Smooth_ = v;
    Changed();
}

void TPlotShadow::SetTransparency(TPlotTransparency v) {
    v = std::clamp(v, 0, 100);
    if (v == Transparency_) return;
    Transparency_ = v;
    Changed();
}

void TPlotShadow::SetVertSize(int v) {
    if (v == VertSize_) return;
    VertSize_ = v;
    Changed();
}

void TPlotShadow::SetSize(int v) {
    SetHorizSize(v);
    SetVertSize(v);
}

void TPlotShadow::Assign(const TPlotShadow& s) {
    Color_ = s.Color_;
    HorizSize_ = s.HorizSize_;
    Smooth_ = s.Smooth_;
    Transparency_ = s.Transparency_;
    VertSize_ = s.VertSize_;
    Changed();
}

bool TPlotShadow::PrepareCanvas(TCanvas3D& canvas, const TRect& r, int z) {
    if (Color_ == clNone || (HorizSize_ == 0 && VertSize_ == 0)) return false;
    canvas.Brush->SetColor(Color_);
    canvas.Brush->SetStyle(bsSolid);
    canvas.Pen->SetStyle(psClear);
    if (Transparency_ != 0) {
        const TRect moved{r.Left + HorizSize_, r.Top + VertSize_, r.Right + HorizSize_, r.Bottom + VertSize_};
        blend_ = canvas.BeginBlending(canvas.RectBounds3D(moved, z), Transparency_);
    }
    return true;
}

void TPlotShadow::FinishBlending(TCanvas3D& canvas) {
    if (blend_) canvas.EndBlending(std::move(blend_));
}

int TPlotShadow::SmoothStep(int n) const {
    const TColor c = ColorToRGB(Color_);
    return Round((255 - (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3.0) / n);
}

void TPlotShadow::DrawZ(TCanvas3D& canvas, const TRect& r, int z) {
    if (!PrepareCanvas(canvas, r, z)) return;
    const int h = HorizSize_, v = VertSize_;
    const bool in3D = canvas.Nested2D() == 0;
    if (!Smooth_ || Size() < 2) {
        if (in3D) {
            canvas.RectangleWithZ({r.Left + h, r.Bottom, r.Right + h, r.Bottom + v}, z);
            canvas.RectangleWithZ({r.Right, r.Top + v, r.Right + h, r.Bottom + v}, z);
        } else {
            if (v != 0) {
                const int y0 = v > 0 ? r.Bottom : r.Top + 1;
                const int y1 = v > 0 ? r.Bottom + 1 + v : r.Top + v;
                canvas.Rectangle(r.Left + h, y0, r.Right + h, y1);
            }
            if (h != 0) {
                const int x0 = h > 0 ? r.Right : r.Left + 1;
                const int x1 = h > 0 ? r.Right + 1 + h : r.Left + h;
                canvas.Rectangle(x0, r.Top + v, x1, r.Bottom + v + 1);
            }
        }
    } else {
        TPen& pen = *canvas.Pen;
        pen.SetStyle(psSolid);
        if (v != 0) {
            pen.SetColor(Color_);
            const int step = SmoothStep(v);
            for (int i = 1; i <= v; ++i) {
                const int x0 = r.Left + h, x1 = r.Right + h - v + i - 1, y = r.Bottom + i - 1;
                if (in3D)
                    canvas.HorizLine3D(x0, x1, y, z);
                else
                    canvas.DoHorizLine(x0, x1, y);
                pen.SetColor(ApplyBright(pen.Color(), step));
            }
        }
        if (h != 0) {
            pen.SetColor(Color_);
            const int step = SmoothStep(h);
            for (int i = 1; i <= h; ++i) {
                const int x = r.Right + i - 1, y0 = r.Top + v, y1 = r.Bottom + v - h + i - 1;
                if (in3D)
                    canvas.VertLine3D(x, y0, y1, z);
                else
                    canvas.DoVertLine(x, y0, y1);
                if (in3D)
                    canvas.SetPixel3D(r.Right + i - 2, r.Bottom + v - h + i - 2, z, pen.Color());
                else
                    canvas.SetPixels(r.Right + i - 2, r.Bottom + v - h + i - 2, pen.Color());
                pen.SetColor(ApplyBright(pen.Color(), step));
            }
        }
    }
    FinishBlending(canvas);
}

// ---- gradients

double BalancedFraction(int i, int n, int balance) {
    return std::exp(std::log((1.0 + i) / (1.0 + n)) * (balance * 0.015 + 0.5));
}

TCustomPlotGradient::TCustomPlotGradient(TNotifyEvent onChange) : OnChange(std::move(onChange)) {}

void TCustomPlotGradient::SetBalance(int v) {
    if (v == Balance_) return;
    Balance_ = v;
    Changed();
}

void TCustomPlotGradient::SetDirection(TGradientDirection v) {
    if (v == Direction_) return;
    Direction_ = v;
    Changed();
}

void TCustomPlotGradient::SetEndColor(TColor v) {
    if (v == EndColor_) return;
    EndColor_ = v;
    Changed();
}

void TCustomPlotGradient::SetMidColor(TColor v) {
    if (v == clNone) {
        if (!HasMidColor_) return;
        HasMidColor_ = false;
    } else {
        if (HasMidColor_ && v == MidColor_) return;
        HasMidColor_ = true;
        MidColor_ = v;
    }
    Changed();
}

void TCustomPlotGradient::SetRadialX(int v) {
    if (v == RadialX_) return;
    RadialX_ = v;
    Changed();
}

void TCustomPlotGradient::SetRadialY(int v) {
    if (v == RadialY_) return;
    RadialY_ = v;
    Changed();
}

void TCustomPlotGradient::SetStartColor(TColor v) {
    if (v == StartColor_) return;
    StartColor_ = v;
    Changed();
}

void TCustomPlotGradient::SetVisible(bool v) {
    if (v == Visible_) return;
    Visible_ = v;
    Changed();
}

void TCustomPlotGradient::Assign(const TCustomPlotGradient& s) {
    Balance_ = s.Balance_;
    Direction_ = s.Direction_;
    EndColor_ = s.EndColor_;
    MidColor_ = s.MidColor_;
    RadialX_ = s.RadialX_;
    RadialY_ = s.RadialY_;
    StartColor_ = s.StartColor_;
    Visible_ = s.Visible_;
    HasMidColor_ = s.HasMidColor_;
    Changed();
}

void TPlotFontGradient::SetOutline(bool v) {
    if (v == Outline_) return;
    Outline_ = v;
    if (OnChange) OnChange();
}

void TPlotFontGradient::Assign(const TCustomPlotGradient& source) {
    if (auto* g = dynamic_cast<const TPlotFontGradient*>(&source)) Outline_ = g->Outline_;
    TCustomPlotGradient::Assign(source);
}

static TColor monochromeColor(const TCanvas3D& canvas, TColor c) {
    if (!canvas.Monochrome()) return c;
    const TColor rgb = ColorToRGB(c);
    const int g = (GetRValue(rgb) + GetGValue(rgb) + GetBValue(rgb)) / 3;
    return RGBColor(g, g, g);
}

void TCustomPlotGradient::Draw(TCanvas3D& canvas, const TRect& r, int cornerRadius) {
    const TColor s = monochromeColor(canvas, StartColor_);
    const TColor m = monochromeColor(canvas, MidColor_);
    const TColor e = monochromeColor(canvas, EndColor_);
    if (cornerRadius > 0) canvas.ClipRoundRectangle(r, cornerRadius);
    if (Direction_ == gdRadial) {
        TCustomPlotGradient shown(*this);
        shown.OnChange = nullptr;
        shown.StartColor_ = s;
        shown.EndColor_ = e;
        shown.DrawRadial(canvas, r);
    } else if (!HasMidColor_ || Direction_ == gdDiagonalUp || Direction_ == gdDiagonalDown) {
        canvas.GradientFill(r, s, e, Direction_, Balance_);
    } else {
        const int midY = (r.Top + r.Bottom) / 2, midX = (r.Left + r.Right) / 2;
        const TRect upper{r.Left, r.Top, r.Right, midY}, lower{r.Left, midY, r.Right, r.Bottom};
        const TRect left{r.Left, r.Top, midX, r.Bottom}, right{midX, r.Top, r.Right, r.Bottom};
        switch (Direction_) {
            case gdTopBottom:
                canvas.GradientFill(upper, m, e, Direction_, 50);
                canvas.GradientFill(lower, s, m, Direction_, 50);
                break;
            case gdBottomTop:
                canvas.GradientFill(upper, s, m, Direction_, 50);
                canvas.GradientFill(lower, m, e, Direction_, 50);
                break;
            case gdLeftRight:
                canvas.GradientFill(left, m, e, Direction_, 50);
                canvas.GradientFill(right, s, m, Direction_, 50);
                break;
            case gdRightLeft:
                canvas.GradientFill(left, s, m, Direction_, 50);
                canvas.GradientFill(right, m, e, Direction_, 50);
                break;
            default:
                canvas.GradientFill(r, s, e, Direction_, 50);
                break;
        }
    }
    if (cornerRadius > 0) canvas.UnClipRectangle();
}

void TCustomPlotGradient::DrawPolygon(TCanvas3D& canvas, const TPoint (&points)[4]) {
    canvas.ClipPolygon(points, 4);
    Draw(canvas, PolygonBounds(points, 4), 0);
    canvas.UnClipRectangle();
}

void TCustomPlotGradient::Draw3DPolygon(TCanvas3D& canvas, const TPoint (&points)[4], int z) {
    TPoint p[4];
    for (int i = 0; i < 4; ++i) p[i] = canvas.Calc3DPoint(points[i], z);
    DrawPolygon(canvas, p);
}

void TCustomPlotGradient::DrawRadial(TCanvas3D& canvas, TRect r) {
    r = OrientRectangle(r);
    canvas.ClipRectangle(r);
    const int w = r.Width(), h = r.Height();
    int n = std::min(255, std::max(w, h));
    const TPenStyle savedStyle = canvas.Pen->Style();
    const TColor savedColor = canvas.Brush->Color();
    if (n >= 1) {
        const double rx = w * 0.5 / n, ry = h * 0.5 / n;
        const TColor s = ColorToRGB(StartColor_), e = ColorToRGB(EndColor_);
        const int s0[3] = {GetRValue(s), GetGValue(s), GetBValue(s)};
        double d[3] = {1.0 * GetRValue(e) - s0[0], 1.0 * GetGValue(e) - s0[1], 1.0 * GetBValue(e) - s0[2]};
        if (Balance_ == 50)
            for (double& x : d) x /= n;
        canvas.Pen->SetStyle(psClear);
        canvas.Brush->SetColor(EndColor_);
        canvas.FillRect(r);
        if (w % 2 != 0 || h % 2 != 0) --n;
        const double cx = RadialX_ + 1 + (r.Left + r.Right) * 0.5;
        const double cy = RadialY_ + 1 + (r.Top + r.Bottom) * 0.5;
        TCanvas& dc = *canvas.Handle();
        dc.selectDCBrush(true);
        for (int i = n; i >= 0; --i) {
            int ch[3];
            for (int k = 0; k < 3; ++k)
                ch[k] = (s0[k] + (Balance_ == 50 ? Round(i * d[k]) : Round(BalancedFraction(i, n, Balance_) * d[k]))) & 0xFF;
            dc.setDCBrushColor(RGBColor(ch[0], ch[1], ch[2]));
            canvas.Ellipse(Round(cx - i * rx), Round(cy - i * ry), Round(cx + i * rx), Round(cy + i * ry));
        }
        dc.selectDCBrush(false);
    }
    canvas.Brush->SetColor(savedColor);
    canvas.Pen->SetStyle(savedStyle);
    canvas.UnClipRectangle();
}

// ---- band fills of the canvas

void TPlotCanvas3D::GradientFill(const TRect& rect, TColor startColor, TColor endColor, TGradientDirection direction,
                                 int balance) {
    const TRect r = OrientRectangle(rect);
    switch (direction) {
        case gdBottomTop:
        case gdRightLeft:
        case gdFromCenter:
        case gdFromTopLeft:
        case gdFromBottomLeft: std::swap(startColor, endColor); break;
        default: break;
    }
    if (direction == gdRadial) {
        TCustomPlotGradient radial;
        radial.SetDirection(gdRadial);
        radial.SetStartColor(startColor);
        radial.SetEndColor(endColor);
        radial.Draw(*this, r, 0);
        return;
    }
    const TColor s = ColorToRGB(startColor), e = ColorToRGB(endColor);
    const int s0[3] = {GetRValue(s), GetGValue(s), GetBValue(s)};
    const int d[3] = {GetRValue(e) - s0[0], GetGValue(e) - s0[1], GetBValue(e) - s0[2]};
    auto colorAt = [&](int i, int n) {
        int ch[3];
        for (int k = 0; k < 3; ++k)
            ch[k] = balance == 50 ? s0[k] + (d[k] * i) / n : s0[k] + Round(d[k] * BalancedFraction(i, n, balance));
        return RGBColor(ch[0], ch[1], ch[2]);
    };
    TCanvas& c = dc();
    const int w = r.Width(), h = r.Height();

    if (direction == gdDiagonalUp || direction == gdDiagonalDown) {
        TPen saved;
        saved.Assign(*Pen);
        Pen->SetWidth(1);
        Pen->SetStyle(psSolid);
        Pen->SetMode(pmCopy);
        const int lines = w + h;
        const int n = std::max(1, std::min(255, lines - 1));
        const bool up = direction == gdDiagonalUp;
        TPoint p{r.Left, up ? r.Bottom : r.Top}, q = p;
        for (int i = 0; i < lines; ++i) {
            Pen->SetColor(colorAt(n * i / lines, n));
            LineP(p, q);
            if (q.X < r.Right)
                ++q.X;
            else if (up && q.Y > r.Top)
                --q.Y;
            else if (!up && q.Y < r.Bottom)
                ++q.Y;
            if (up && p.Y > r.Top)
                --p.Y;
            else if (!up && p.Y < r.Bottom)
                ++p.Y;
            else if (p.X < r.Right)
                ++p.X;
        }
        Pen->Assign(saved);
        return;
    }

    c.selectDCBrush(true);
    bool haveColour = false;
    TColor last = 0;
    auto setBand = [&](TColor colour) {
        if (haveColour && colour == last) return;
        c.setDCBrushColor(colour);
        last = colour;
        haveColour = true;
    };
    switch (direction) {
        case gdTopBottom:
        case gdBottomTop:
        case gdLeftRight:
        case gdRightLeft: {
            const bool vertical = direction == gdTopBottom || direction == gdBottomTop;
            const int extent = vertical ? h : w;
            const int bands = std::min(extent, 256);
            const int n = bands - 1;
            if (n <= 0) break;
            for (int i = 0; i < bands; ++i) {
                const long long a = static_cast<long long>(i + 1) * extent / bands;
                const long long b = static_cast<long long>(i) * extent / bands;
                setBand(colorAt(i, n));
                if (vertical)
                    c.patBlt(r.Left, r.Bottom - static_cast<int>(a), w, static_cast<int>(a - b));
                else
                    c.patBlt(r.Right - static_cast<int>(a), r.Top, static_cast<int>(a - b), h);
            }
            break;
        }
        case gdFromCenter: {
            const int hw = w / 2, hh = h / 2, n = std::max(1, hw + hh);
            int x = 0, y = 0;
            do {
                setBand(colorAt(x + y, n));
                c.patBlt(r.Left + x, r.Top + y, 1, h - 2 * y);
                c.patBlt(r.Right - x - 1, r.Top + y, 1, h - 2 * y);
                c.patBlt(r.Left + x, r.Top + y, w - 2 * x, 1);
                c.patBlt(r.Left + x, r.Bottom - y - 1, w - 2 * x, 1);
                if (y < hh) ++y;
                if (x < hw) ++x;
            } while (!(y >= hh && x >= hw));
            break;
        }
        case gdFromTopLeft:
        case gdFromBottomLeft: {
            const bool topLeft = direction == gdFromTopLeft;
            const int n = std::max(1, w + h);
            const int edge = topLeft ? r.Top : r.Bottom;
            int y = edge, i = 0, j = 0;
            do {
                setBand(colorAt(i + j, n));
                c.patBlt(r.Left + i, std::min(y, edge), 1, std::abs(y - edge));
                if (j < h) {
                    ++j;
                    if (topLeft) {
                        c.patBlt(r.Left, y, i + 1, 1);
                        if (y < r.Bottom) ++y;
                    } else {
                        c.patBlt(r.Left, y - 1, i + 1, 1);
                        if (y > r.Top) --y;
                    }
                }
                if (i < w) ++i;
            } while (!(j >= h && i >= w));
            break;
        }
        default: break;
    }
    c.selectDCBrush(false);
}

}  // namespace brine::chart
