#include "chart/canvas3d.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/plot_gradient.h"

namespace brine::chart {

namespace {

constexpr double kDegree = std::numbers::pi / 180;

struct P3 {
    double x, y, z;
};

P3 operator-(const P3& a, const P3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P3 cross(const P3& a, const P3& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(const P3& a, const P3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Twice the signed area; positive when the points run clockwise on screen.
long long screenArea(const std::vector<TPoint>& p) {
    long long a = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const TPoint& u = p[i];
        const TPoint& v = p[(i + 1) % p.size()];
        a += static_cast<long long>(u.X) * v.Y - static_cast<long long>(v.X) * u.Y;
    }
    return a;
}

}  // namespace

// ---- TView3DOptions

TView3DOptions::TView3DOptions(QWidget* owner) : Owner(owner) {}

template <typename T>
bool TView3DOptions::store(T& field, T value) {
    if (field == value) return false;
    field = value;
    Repaint();
    return true;
}

void TView3DOptions::Repaint() {
    if (OnRepaint)
        OnRepaint();
    else if (Owner)
        Owner->update();
}

void TView3DOptions::SetElevation(int v) { store(Elevation_, v); }
void TView3DOptions::SetFontZoom(int v) { store(FontZoom_, v); }
void TView3DOptions::SetHorizOffset(int v) {
    if (store(HorizOffset_, v) && OnOffsetChanged) OnOffsetChanged(true);
}
void TView3DOptions::SetOrthogonal(bool v) { store(Orthogonal_, v); }
void TView3DOptions::SetOrthoAngle(int v) { store(OrthoAngle_, v); }
void TView3DOptions::SetPerspective(int v) { store(Perspective_, v); }
void TView3DOptions::SetRotation(int v) { store(Rotation_, v); }
void TView3DOptions::SetTilt(int v) { store(Tilt_, v); }
void TView3DOptions::SetVertOffset(int v) {
    if (store(VertOffset_, v) && OnOffsetChanged) OnOffsetChanged(false);
}
void TView3DOptions::SetZoom(int v) {
    if (v == Zoom_) return;
    if (OnZoomChanged) OnZoomChanged(v);
    Zoom_ = v;
    Repaint();
}
void TView3DOptions::SetZoomText(bool v) { store(ZoomText_, v); }

void TView3DOptions::Assign(const TView3DOptions& s) {
    Elevation_ = s.Elevation_;
    FontZoom_ = s.FontZoom_;
    HorizOffset_ = s.HorizOffset_;
    Orthogonal_ = s.Orthogonal_;
    OrthoAngle_ = s.OrthoAngle_;
    Perspective_ = s.Perspective_;
    Rotation_ = s.Rotation_;
    Tilt_ = s.Tilt_;
    VertOffset_ = s.VertOffset_;
    Zoom_ = s.Zoom_;
    ZoomText_ = s.ZoomText_;
    Repaint();
}

double TView3DOptions::CalcOrthoRatio() const {
    if (!Orthogonal_) return 1.0;
    const int a = OrthoAngle_ > 90 ? 180 - OrthoAngle_ : OrthoAngle_;
    return std::tan(a * kDegree);
}

// ---- TCanvas3D

void TCanvas3D::Begin2D() {
    if (nested2D_ == 0) DisableRotation();
    ++nested2D_;
}

void TCanvas3D::End2D() {
    // An unmatched End2D must not leave rotation off for the next Begin2D.
    if (nested2D_ <= 0) return;
    if (--nested2D_ == 0) EnableRotation();
}

TRect TCanvas3D::Calc3DRect(const TRect& r, int z) {
    const TPoint a = Calculate3DPosition(r.Left, r.Top, z);
    const TPoint b = Calculate3DPosition(r.Right, r.Bottom, z);
    return {a.X, a.Y, b.X, b.Y};
}

void TCanvas3D::RectPoints3D(const TRect& r, int z, TPoint (&points)[4]) {
    points[0] = Calculate3DPosition(r.Left, r.Top, z);
    points[1] = Calculate3DPosition(r.Right, r.Top, z);
    points[2] = Calculate3DPosition(r.Right, r.Bottom, z);
    points[3] = Calculate3DPosition(r.Left, r.Bottom, z);
}

TRect TCanvas3D::RectBounds3D(const TRect& r, int z) {
    TPoint p[4];
    RectPoints3D(r, z, p);
    return PolygonBounds(p, 4);
}

// ---- TPlotCanvas3D: set-up and projection

TPlotCanvas3D::TPlotCanvas3D() = default;

TPlotCanvas3D::~TPlotCanvas3D() { FreeBuffer(); }

void TPlotCanvas3D::SetMonochrome(bool value) {
    if (value == monochrome_) return;
    monochrome_ = value;
    dirty_ = true;
    if (View3DOptions) View3DOptions->Repaint();
}

void TPlotCanvas3D::SetUseBuffer(bool value) {
    if (value == useBuffer_) return;
    useBuffer_ = value;
    if (!value && bitmap_) {
        FreeBuffer();
        dirty_ = true;
    } else if (value && bitmap_) {
        SetCanvas(&bitmap_->Canvas());
    }
}

void TPlotCanvas3D::FreeBuffer() {
    if (!bitmap_) return;
    // Never keep drawing into a bitmap that is gone.
    if (ReferenceCanvas == &bitmap_->Canvas()) SetCanvas(nullptr);
    bitmap_.reset();
}

void TPlotCanvas3D::BlitBuffer(int x, int y, TCanvas* target) {
    if (!bitmap_ || !target || target == &bitmap_->Canvas()) return;
    target->bitBlt(x, y, bitmap_->Width(), bitmap_->Height(), bitmap_->Canvas(), 0, 0);
}

TRect TPlotCanvas3D::InitWindow(TCanvas* target, TView3DOptions* options, const TRect& r, bool is3D) {
    Bounds = r;
    View3DOptions = options;
    if (options) FontZoom = options->FontZoom();
    Is3D = is3D;
    IsOrthogonal = false;
    zoom_ = 1.0;
    if (Is3D && options) {
        IsOrthogonal = options->Orthogonal();
        if (IsOrthogonal) {
            int a = options->OrthoAngle();
            if (a > 90) {
                xf_ = -1.0;
                a = 180 - a;
            } else {
                xf_ = 1.0;
            }
            const double rad = a * kDegree;
            yf_ = std::cos(rad) >= 0.01 ? std::tan(rad) : 1.0;
        }
        zoom_ = options->Zoom() * 0.01;
        ZoomText_ = options->ZoomText();
        CalcTrigValues();
    }
    if (useBuffer_) {
        if (!bitmap_) bitmap_ = std::make_unique<TBitmap>();
        const int w = std::max(0, r.Width()), h = std::max(0, r.Height());
        bitmap_->SetSize(w, h);
        SetCanvas(&bitmap_->Canvas());
        return {0, 0, w, h};
    }
    SetCanvas(target);
    return r;
}

void TPlotCanvas3D::CalcTrigValues() {
    if (IsOrthogonal) return;
    const long double a = -(View3DOptions ? View3DOptions->Elevation() : 0) * (std::numbers::pi_v<long double> / 180);
    const long double b = -(View3DOptions ? View3DOptions->Rotation() : 0) * (std::numbers::pi_v<long double> / 180);
    const long double c = (View3DOptions ? View3DOptions->Tilt() : 0) * (std::numbers::pi_v<long double> / 180);
    sinA_ = std::sin(a);
    sinB_ = std::sin(b);
    sinC_ = std::sin(c);
    cosA_ = std::cos(a);
    cosB_ = std::cos(b);
    cosC_ = std::cos(c);
    IsPerspective = false;
    perspective_ = 0;
    HasTilt = c != 0;
    k_[0] = static_cast<double>(cosB_ * sinC_);
    k_[1] = std::max(static_cast<double>(cosB_ * cosC_), 1e-5);
    k_[2] = std::max(static_cast<double>(sinA_ * sinB_ * sinC_ + cosA_ * cosC_), 1e-5);
    k_[3] = static_cast<double>(cosC_ * sinA_ * sinB_ - cosA_ * sinC_);
    k_[4] = static_cast<double>(cosA_ * sinB_ * sinC_ - cosC_ * sinA_);
    k_[5] = static_cast<double>(cosA_ * cosC_ * sinB_ + sinA_ * sinC_);
}

void TPlotCanvas3D::Projection(int maxDepth, const TRect& r) {
    RectCenter(r, XCenter, YCenter);
    XCenter += Round(RotationCenter.X);
    YCenter += Round(RotationCenter.Y);
    ZCenter = Round(maxDepth * 0.5 + RotationCenter.Z);
    XCenterOffset = XCenter;
    YCenterOffset = YCenter;
    if (View3DOptions) {
        XCenterOffset += View3DOptions->HorizOffset();
        YCenterOffset += View3DOptions->VertOffset();
        CalcPerspective(r);
    }
}

void TPlotCanvas3D::CalcPerspective(const TRect& r) {
    IsPerspective = View3DOptions->Perspective() > 0;
    if (IsPerspective) perspective_ = View3DOptions->Perspective() * zoom_ * (1.0 / 150) / std::max(1, r.Width());
}

TPoint TPlotCanvas3D::Calc3DPosFloat(double x, double y, double z) const {
    if (IsOrthogonal)
        return {Round((x - XCenter + z * xf_) * zoom_) + XCenterOffset,
                Round((y - YCenter - z * yf_) * zoom_) + YCenterOffset};
    if (!Is3D) return {Round(x), Round(y)};
    const long double dx = x - XCenter, dy = y - YCenter, d = z - ZCenter;
    const long double z1 = d * cosB_ - dx * sinB_;
    const long double x1 = dx * cosB_ + d * sinB_;
    const long double s = IsPerspective ? zoom_ / ((cosA_ * z1 + dy * sinA_) * perspective_ + 1) : zoom_;
    const long double y1 = dy * cosA_ - sinA_ * z1;
    return {Round(static_cast<double>((cosC_ * x1 - sinC_ * y1) * s)) + XCenterOffset,
            Round(static_cast<double>((cosC_ * y1 + sinC_ * x1) * s)) + YCenterOffset};
}

TPoint TPlotCanvas3D::Calc3DPos(int x, int y, int z) const {
    if (IsOrthogonal)
        return {Round((x - XCenter + z * xf_) * zoom_) + XCenterOffset,
                Round((y - YCenter - z * yf_) * zoom_) + YCenterOffset};
    if (!Is3D) return {x, y};
    const long double dx = static_cast<long double>(x) - XCenter, dy = static_cast<long double>(y) - YCenter;
    const long double d = static_cast<long double>(z) - ZCenter;
    const long double z1 = d * cosB_ - dx * sinB_;
    const long double x1 = dx * cosB_ + d * sinB_;
    const long double s = IsPerspective ? zoom_ / ((cosA_ * z1 + dy * sinA_) * perspective_ + 1) : zoom_;
    const long double y1 = dy * cosA_ - sinA_ * z1;
    if (HasTilt)
        return {Round(static_cast<double>((cosC_ * x1 - sinC_ * y1) * s)) + XCenterOffset,
                Round(static_cast<double>((cosC_ * y1 + sinC_ * x1) * s)) + YCenterOffset};
    return {Round(static_cast<double>(x1 * s)) + XCenterOffset, Round(static_cast<double>(y1 * s)) + YCenterOffset};
}

TPoint TPlotCanvas3D::Calculate3DPosition(int x, int y, int z) { return Calc3DPos(x, y, z); }

void TPlotCanvas3D::Calculate2DPosition(int& x, int& y, int z) {
    if (zoom_ == 0) return;
    const double i = 1.0 / zoom_;
    if (IsOrthogonal) {
        x = Round((x - XCenterOffset) * i - z * xf_) + XCenter;
        y = Round((y - YCenterOffset) * i + z * yf_) + YCenter;
        return;
    }
    if (!Is3D) return;
    // Calc3DPos solved for the point at this depth. Every term of the
    // projection is linear in (dx, dy) once the perspective divisor is
    // multiplied out, so the screen point gives two linear equations.
    const long double d = static_cast<long double>(z) - ZCenter;
    const long double sx = x - XCenterOffset, sy = y - YCenterOffset;
    // x1, y1 and the perspective divisor as a·dx + b·dy + c.
    const long double x1a = cosB_, x1b = 0, x1c = d * sinB_;
    const long double y1a = sinA_ * sinB_, y1b = cosA_, y1c = -sinA_ * d * cosB_;
    const long double p = IsPerspective ? perspective_ : 0;
    const long double da = -p * cosA_ * sinB_, db = p * sinA_, dc = p * cosA_ * d * cosB_ + 1;
    // Screen X and Y before the zoom and the divisor.
    const long double pa = cosC_ * x1a - sinC_ * y1a, pb = cosC_ * x1b - sinC_ * y1b, pc = cosC_ * x1c - sinC_ * y1c;
    const long double qa = cosC_ * y1a + sinC_ * x1a, qb = cosC_ * y1b + sinC_ * x1b, qc = cosC_ * y1c + sinC_ * x1c;
    const long double a11 = zoom_ * pa - sx * da, a12 = zoom_ * pb - sx * db, r1 = sx * dc - zoom_ * pc;
    const long double a21 = zoom_ * qa - sy * da, a22 = zoom_ * qb - sy * db, r2 = sy * dc - zoom_ * qc;
    const long double det = a11 * a22 - a12 * a21;
    // Edge-on views have no inverse: the point stays.
    if (std::fabs(det) < 1e-12L) return;
    const long double dx = (r1 * a22 - a12 * r2) / det, dy = (a11 * r2 - r1 * a21) / det;
    if (!std::isfinite(dx) || !std::isfinite(dy) || std::fabs(dx) > 1e9L || std::fabs(dy) > 1e9L) return;
    x = Round(static_cast<double>(dx)) + XCenter;
    y = Round(static_cast<double>(dy)) + YCenter;
}

void TPlotCanvas3D::ShowImage(TCanvas* target, TCanvas* defaultCanvas, const TRect& r) {
    if (useBuffer_) {
        BlitBuffer(r.Left, r.Top, target);
        dirty_ = false;
    }
    SetCanvas(defaultCanvas);
}

bool TPlotCanvas3D::ReDrawBitmap() {
    if (dirty_ || !bitmap_) return false;
    BlitBuffer(0, 0, ReferenceCanvas);
    return true;
}

void TPlotCanvas3D::DisableRotation() {
    savedIs3D_ = Is3D;
    Is3D = false;
}

void TPlotCanvas3D::EnableRotation() { Is3D = savedIs3D_; }

// ---- 2D operations

void TPlotCanvas3D::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    dc().arc(x1, y1, x2, y2, x3, y3, x4, y4);
}

void TPlotCanvas3D::Donut(int xCenter, int yCenter, int xRadius, int yRadius, double startAngle, double endAngle,
                          double holePercent) {
    const int hx = Round(xRadius * holePercent * 0.01);
    const int hy = Round(yRadius * holePercent * 0.01);
    auto at = [&](int rx, int ry, double a) {
        return TPoint{xCenter + Round(rx * std::cos(a)), yCenter - Round(ry * std::sin(a))};
    };
    const TPoint outerStart = at(xRadius, yRadius, startAngle), outerEnd = at(xRadius, yRadius, endAngle);
    const TPoint innerStart = at(hx, hy, startAngle), innerEnd = at(hx, hy, endAngle);
    TCanvas& c = dc();
    c.beginPath();
    c.moveTo(outerStart.X, outerStart.Y);
    c.arcTo(xCenter - xRadius, yCenter - yRadius, xCenter + xRadius, yCenter + yRadius, outerStart.X, outerStart.Y,
            outerEnd.X, outerEnd.Y);
    c.lineTo(innerEnd.X, innerEnd.Y);
    if (!(innerStart == innerEnd)) {
        c.setArcDirection(ArcDirection::Clockwise);
        c.arcTo(xCenter - hx, yCenter - hy, xCenter + hx, yCenter + hy, innerEnd.X, innerEnd.Y, innerStart.X,
                innerStart.Y);
        c.setArcDirection(ArcDirection::CounterClockwise);
    }
    c.lineTo(outerStart.X, outerStart.Y);
    c.endPath();
    c.strokeAndFillPath();
}

void TPlotCanvas3D::Draw(int x, int y, const TGraphic* graphic) {
    if (graphic && !graphic->Empty()) dc().Draw(x, y, *graphic);
}

void TPlotCanvas3D::Ellipse(int x1, int y1, int x2, int y2) { dc().ellipse(x1, y1, x2, y2); }
void TPlotCanvas3D::FillRect(const TRect& r) { dc().fillRect(r, *Brush); }
void TPlotCanvas3D::LineTo(int x, int y) { dc().lineTo(x, y); }
void TPlotCanvas3D::MoveTo(int x, int y) { dc().moveTo(x, y); }
void TPlotCanvas3D::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    dc().pie(x1, y1, x2, y2, x3, y3, x4, y4);
}
void TPlotCanvas3D::Rectangle(int x0, int y0, int x1, int y1) { dc().rectangle(x0, y0, x1, y1); }
void TPlotCanvas3D::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    dc().roundRect(x1, y1, x2, y2, x3, y3);
}
void TPlotCanvas3D::StretchDraw(const TRect& r, const TGraphic* graphic) {
    if (graphic) dc().StretchDraw(r, *graphic);
}

void TPlotCanvas3D::ClipRectangle(const TRect& r) {
    const TRect o = OrientRectangle(r);
    SelectClipRegion(QRegion(o.Left, o.Top, o.Width(), o.Height()));
}

void TPlotCanvas3D::DoHorizLine(int x0, int x1, int y) {
    dc().moveTo(x0, y);
    dc().lineTo(x1, y);
}

void TPlotCanvas3D::DoVertLine(int x, int y0, int y1) {
    dc().moveTo(x, y0);
    dc().lineTo(x, y1);
}

void TPlotCanvas3D::Line(int x0, int y0, int x1, int y1) {
    dc().moveTo(x0, y0);
    dc().lineTo(x1, y1);
}

void TPlotCanvas3D::Polyline(const TPoint* points, int last) { dc().polyline(points, last + 1); }
void TPlotCanvas3D::Polygon(const TPoint* points, int last) { dc().polygon(points, last + 1); }

void TPlotCanvas3D::TextOut(int x, int y, const QString& text) {
    TCanvas& c = dc();
    if (FontObject && FontObject->HasShadow()) {
        TPlotShadow& shadow = FontObject->Shadow();
        const int h = shadow.HorizSize(), v = shadow.VertSize();
        if (h != 0 || v != 0) {
            int sx = x, sy = y;
            if (h < 0)
                x -= h;
            else
                sx += h;
            if (v < 0)
                y -= v;
            else
                sy += v;
            std::unique_ptr<TPlotBlend> blend;
            if (shadow.Transparency() > 0) blend = BeginBlending(TextRectangle(sx, sy, text), shadow.Transparency());
            c.setTextColor(ColorToRGB(shadow.Color()));
            c.textOut(sx, sy, text);
            if (blend) EndBlending(std::move(blend));
        }
    }
    c.setTextColor(ColorToRGB(Font->Color()));
    if (!FontObject) {
        c.textOut(x, y, text);
        return;
    }
    const bool outline = FontObject->HasOutLine() && FontObject->OutLine().Visible();
    const bool gradient = FontObject->HasGradient() && FontObject->Gradient().Visible();
    if (!outline && !gradient) {
        c.textOut(x, y, text);
        return;
    }
    if (outline)
        SelectPen(FontObject->OutLine());
    else
        Pen->SetStyle(psClear);
    Brush->SetColor(Font->Color());
    Brush->SetStyle(bsSolid);
    SetBackMode(TRANSPARENT);
    auto textPath = [&] {
        c.beginPath();
        c.textOut(x, y, text);
        c.endPath();
    };
    textPath();
    if (gradient) {
        TPlotFontGradient& g = FontObject->Gradient();
        if (g.Outline()) c.widenPath();
        // Keep the clip before the path's, so that UnClipRectangle returns to it.
        SaveClip();
        c.selectClipPath(ClipCombine::And);
        g.Draw(*this, TextRectangle(x, y, text));
        UnClipRectangle();
        if (g.Outline()) return;
        if (outline) {
            textPath();
            Brush->SetStyle(bsClear);
        }
    }
    if (outline) {
        if (Font->Color() == clNone)
            c.strokePath();
        else
            c.strokeAndFillPath();
    }
}

void TPlotCanvas3D::RotateLabel(int x, int y, const QString& text, double angle) {
    if (angle >= 360) angle = std::fmod(angle, 360.0);
    Brush->SetStyle(bsClear);
    TLogFont lf = Font->GetLogFont();
    lf.Escapement = lf.Orientation = Round(angle * 10);
    lf.OutPrecision = 7;
    lf.ClipPrecision = 0;
    lf.Quality = PlotRotatedFontQuality;
    if (zoomsText())
        lf.Height = -MulDiv(std::max(1, Round(Font->Size() * zoom_)), Font->PixelsPerInch(), 72);
    const auto previous = dc().selectFont(lf);
    TextOut(x, y, text);
    dc().selectFont(previous);
}

// ---- 3D operations

TColor TPlotCanvas3D::GetPixel3D(int x, int y, int z) {
    const TPoint p = Calc3DPos(x, y, z);
    return Pixels(p.X, p.Y);
}

void TPlotCanvas3D::SetPixel3D(int x, int y, int z, TColor color) {
    const TPoint p = Calc3DPos(x, y, z);
    if (Pen->Width() != 1) {
        dc().moveTo(p.X, p.Y);
        dc().lineTo(p.X, p.Y);
    } else {
        SetPixels(p.X, p.Y, color);
    }
}

void TPlotCanvas3D::HorizLine3D(int x0, int x1, int y, int z) { LineWithZ(x0, y, x1, y, z); }
void TPlotCanvas3D::VertLine3D(int x, int y0, int y1, int z) { LineWithZ(x, y0, x, y1, z); }

void TPlotCanvas3D::ZLine3D(int x, int y, int z0, int z1) {
    MoveTo3D(x, y, z0);
    LineTo3D(x, y, z1);
}

void TPlotCanvas3D::LineWithZ(int x0, int y0, int x1, int y1, int z) {
    MoveTo3D(x0, y0, z);
    LineTo3D(x1, y1, z);
}

void TPlotCanvas3D::MoveTo3D(int x, int y, int z) {
    const TPoint p = Calc3DPos(x, y, z);
    dc().moveTo(p.X, p.Y);
}

void TPlotCanvas3D::LineTo3D(int x, int y, int z) {
    const TPoint p = Calc3DPos(x, y, z);
    dc().lineTo(p.X, p.Y);
}

void TPlotCanvas3D::setFour(const TPoint& a, const TPoint& b, const TPoint& c, const TPoint& d) {
    four_[0] = a;
    four_[1] = b;
    four_[2] = c;
    four_[3] = d;
}

void TPlotCanvas3D::PolygonFour() { dc().polygon(four_, 4); }

void TPlotCanvas3D::Plane3D(const TPoint& p0, const TPoint& p1, int z0, int z1) {
    setFour(Calc3DPos(p0.X, p0.Y, z0), Calc3DPos(p1.X, p1.Y, z0), Calc3DPos(p1.X, p1.Y, z1),
            Calc3DPos(p0.X, p0.Y, z1));
    PolygonFour();
}

void TPlotCanvas3D::PlaneWithZ(const TPoint& p0, const TPoint& p1, const TPoint& p2, const TPoint& p3, int z) {
    setFour(Calc3DPos(p0.X, p0.Y, z), Calc3DPos(p1.X, p1.Y, z), Calc3DPos(p2.X, p2.Y, z), Calc3DPos(p3.X, p3.Y, z));
    PolygonFour();
}

void TPlotCanvas3D::PlaneFour3D(const TPoint (&p)[4], int z) {
    setFour(Calc3DPosFloat(p[0].X, p[0].Y, z), Calc3DPosFloat(p[1].X, p[1].Y, z), Calc3DPosFloat(p[2].X, p[2].Y, z),
            Calc3DPosFloat(p[3].X, p[3].Y, z));
    PolygonFour();
}

void TPlotCanvas3D::PolylineWithZ(const TPoint* points, int last, int z) {
    if (!points || last < 0) return;
    std::vector<TPoint> p(last + 1);
    for (int i = 0; i <= last; ++i) p[i] = Calc3DPos(points[i].X, points[i].Y, z);
    Polyline(p.data(), last);
}

void TPlotCanvas3D::PolygonWithZ(const TPoint* points, int last, int z) {
    if (!points || last < 0) return;
    std::vector<TPoint> p(last + 1);
    for (int i = 0; i <= last; ++i) p[i] = Calc3DPos(points[i].X, points[i].Y, z);
    Polygon(p.data(), last);
}

void TPlotCanvas3D::RectangleWithZ(const TRect& r, int z) {
    setFour(Calc3DPos(r.Left, r.Top, z), Calc3DPos(r.Right, r.Top, z), Calc3DPos(r.Right, r.Bottom, z),
            Calc3DPos(r.Left, r.Bottom, z));
    PolygonFour();
}

void TPlotCanvas3D::RectangleY(int left, int top, int right, int z0, int z1) {
    setFour(Calc3DPos(left, top, z0), Calc3DPos(right, top, z0), Calc3DPos(right, top, z1),
            Calc3DPos(left, top, z1));
    PolygonFour();
}

void TPlotCanvas3D::RectangleZ(int left, int top, int bottom, int z0, int z1) {
    setFour(Calc3DPos(left, top, z0), Calc3DPos(left, top, z1), Calc3DPos(left, bottom, z1),
            Calc3DPos(left, bottom, z0));
    PolygonFour();
}

void TPlotCanvas3D::RotateLabel3D(int x, int y, int z, const QString& text, double angle) {
    const TPoint p = Calc3DPos(x, y, z);
    RotateLabel(p.X, p.Y, text, angle);
}

void TPlotCanvas3D::Sphere(int x, int y, int z, double radius) {
    const int r = Round(radius);
    EllipseWithZ(x - r, y - r, x + r, y + r, z);
}

void TPlotCanvas3D::TextOut3D(int x, int y, int z, const QString& text) {
    const TPoint p = Calc3DPos(x, y, z);
    if (zoomsText()) {
        const int size = std::max(1, Round(Font->Size() * zoom_));
        if (size != Font->Size()) {
            TLogFont lf = Font->GetLogFont();
            lf.Height = -MulDiv(size, Font->PixelsPerInch(), 72);
            const auto previous = dc().selectFont(lf);
            TextOut(p.X, p.Y, text);
            dc().selectFont(previous);
            return;
        }
    }
    TextOut(p.X, p.Y, text);
}

void TPlotCanvas3D::Triangle3D(const TPoint (&points)[3], const int (&z)[3], TColor color) {
    TPoint p[3];
    for (int i = 0; i < 3; ++i) p[i] = Calc3DPos(points[i].X, points[i].Y, z[i]);
    if (Brush->Style() != bsClear) Brush->SetColor(color);
    Polygon(p, 2);
}

void TPlotCanvas3D::TriangleWithZ(const TPoint& p0, const TPoint& p1, const TPoint& p2, int z) {
    const TPoint p[3] = {Calc3DPos(p0.X, p0.Y, z), Calc3DPos(p1.X, p1.Y, z), Calc3DPos(p2.X, p2.Y, z)};
    Polygon(p, 2);
}

void TPlotCanvas3D::EllipseWithZ(int x1, int y1, int x2, int y2, int z) {
    if (IsOrthogonal) {
        const TPoint a = Calc3DPos(x1, y1, z), b = Calc3DPos(x2, y2, z);
        Ellipse(a.X, a.Y, b.X, b.Y);
        return;
    }
    if (!Is3D) {
        Ellipse(x1, y1, x2 + 1, y2 + 1);
        return;
    }
    const int cx = (x1 + x2) / 2, cy = (y1 + y2) / 2;
    const int hw = (x2 - x1) / 2, hh = (y2 - y1) / 2;
    TPoint p[64];
    p[0] = Calc3DPos(cx, y2, z);
    for (int i = 1; i < 64; ++i) {
        const double t = i * 2 * std::numbers::pi / 63;
        p[i] = Calc3DPosFloat(cx + hw * std::sin(t), cy + hh * std::cos(t), z);
    }
    if (Brush->Style() != bsClear) {
        const TPenStyle style = Pen->Style();
        Pen->SetStyle(psClear);
        const TPoint centre = Calc3DPos(cx, cy, z);
        for (int i = 0; i < 63; ++i) {
            const TPoint tri[3] = {centre, p[i], p[i + 1]};
            Polygon(tri, 2);
        }
        Pen->SetStyle(style);
    }
    if (Pen->Style() != psClear) Polyline(p, 63);
}

bool ConvexHull(std::vector<TPoint>& points) {
    if (points.size() == 3) return true;
    if (points.size() < 3) return false;
    size_t pivotIndex = 0;
    for (size_t i = 1; i < points.size(); ++i) {
        const TPoint& p = points[i];
        const TPoint& best = points[pivotIndex];
        if (p.Y < best.Y || (p.Y == best.Y && p.X > best.X)) pivotIndex = i;
    }
    const TPoint pivot = points[pivotIndex];
    points[pivotIndex] = points.back();
    points.pop_back();
    auto key = [&pivot](const TPoint& p) {
        const double dx = static_cast<double>(pivot.X) - p.X, dy = static_cast<double>(pivot.Y) - p.Y;
        const double dist = std::sqrt(dx * dx + dy * dy);
        return dist == 0 ? 0.0f : static_cast<float>(dx / dist);
    };
    std::stable_sort(points.begin(), points.end(), [&](const TPoint& a, const TPoint& b) { return key(a) < key(b); });
    size_t i = 1;
    while (i < points.size()) {
        const TPoint& prev = points[i - 1];
        const TPoint& cur = points[i];
        const TPoint& next = i + 1 < points.size() ? points[i + 1] : pivot;
        if (NegativeTurn(prev, cur, next)) {
            ++i;
        } else {
            points.erase(points.begin() + static_cast<std::ptrdiff_t>(i));
            if (i > 1) --i;
        }
    }
    points.push_back(pivot);
    return true;
}

void TPlotCanvas3D::ClipCube(const TRect& r, int minZ, int maxZ) {
    if (!Is3D) {
        ClipRectangle({r.Left + 1, r.Top + 1, r.Right, r.Bottom - 1});
        return;
    }
    std::vector<TPoint> p;
    for (int z : {minZ, maxZ})
        for (int y : {r.Top, r.Bottom})
            for (int x : {r.Left, r.Right}) p.push_back(Calc3DPos(x, y, z));
    if (ConvexHull(p))
        ClipPolygon(p.data(), static_cast<int>(p.size()));
    else
        SelectClipRegion(std::nullopt);
}

// ---- solids

namespace {

// A face of a solid, its corners in any winding: projected so that its
// screen area is positive when it faces the viewer.
struct Face {
    std::vector<TPoint> screen;
    bool facing = false;
};

}  // namespace

static Face projectFace(const TPlotCanvas3D& c, std::vector<P3> corners, const P3& inside) {
    // Wind the corners so that the cross product of the first two edges
    // points into the solid; the face then faces the viewer exactly when
    // its projection runs clockwise.
    if (corners.size() >= 3) {
        const P3 n = cross(corners[1] - corners[0], corners[2] - corners[1]);
        if (dot(n, inside - corners[0]) < 0) std::reverse(corners.begin(), corners.end());
    }
    Face f;
    for (const P3& p : corners) f.screen.push_back(c.Calc3DPosFloat(p.x, p.y, p.z));
    f.facing = screenArea(f.screen) > 0;
    return f;
}

void TPlotCanvas3D::Cube(int left, int right, int top, int bottom, int z0, int z1, bool darkSides) {
    const TColor start = Brush->Style() == bsSolid ? Brush->Color() : BackColor();
    const bool clear = Brush->Style() == bsClear;
    const double l = left, r = right, t = top, b = bottom;
    const P3 inside{(l + r) / 2, (t + b) / 2, (z0 + z1) / 2.0};
    auto draw = [&](const Face& f) { Polygon(f.screen.data(), static_cast<int>(f.screen.size()) - 1); };
    const Face front = projectFace(*this, {{l, t, 1.0 * z0}, {r, t, 1.0 * z0}, {r, b, 1.0 * z0}, {l, b, 1.0 * z0}}, inside);
    if (front.facing || clear) {
        draw(front);
    } else {
        const Face back = projectFace(*this, {{l, t, 1.0 * z1}, {r, t, 1.0 * z1}, {r, b, 1.0 * z1}, {l, b, 1.0 * z1}}, inside);
        if (back.facing) draw(back);
    }
    const Face sides[2] = {
        projectFace(*this, {{r, t, 1.0 * z0}, {r, t, 1.0 * z1}, {r, b, 1.0 * z1}, {r, b, 1.0 * z0}}, inside),
        projectFace(*this, {{l, t, 1.0 * z0}, {l, t, 1.0 * z1}, {l, b, 1.0 * z1}, {l, b, 1.0 * z0}}, inside)};
    for (const Face& f : sides)
        if (f.facing || clear) {
            if (darkSides) SetBrushDarkColor(start, 128);
            draw(f);
        }
    const Face caps[2] = {
        projectFace(*this, {{l, t, 1.0 * z0}, {l, t, 1.0 * z1}, {r, t, 1.0 * z1}, {r, t, 1.0 * z0}}, inside),
        projectFace(*this, {{l, b, 1.0 * z0}, {l, b, 1.0 * z1}, {r, b, 1.0 * z1}, {r, b, 1.0 * z0}}, inside)};
    for (const Face& f : caps)
        if (f.facing || clear) {
            if (darkSides) SetBrushDarkColor(start, 64);
            draw(f);
        }
}

void TPlotCanvas3D::Pyramid(bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                            bool darkSides) {
    const TColor start = Brush->Style() == bsSolid ? Brush->Color() : BackColor();
    const double l = left, r = right, t = top, b = bottom, zn = z0, zf = z1, zm = (zn + zf) / 2;
    auto draw = [&](const Face& f) { Polygon(f.screen.data(), static_cast<int>(f.screen.size()) - 1); };
    if (vertical) {
        const P3 apex{(l + r) / 2, t, zm};
        const P3 inside{(l + r) / 2, (t + b) / 2, zm};
        if (top != bottom) {
            draw(projectFace(*this, {{l, b, zn}, {r, b, zn}, apex}, inside));
            if (Face f = projectFace(*this, {{l, b, zf}, {r, b, zf}, apex}, inside); f.facing) draw(f);
            if (darkSides) SetBrushDarkColor(start, 128);
            if (Face f = projectFace(*this, {{l, b, zn}, {l, b, zf}, apex}, inside); f.facing) draw(f);
            if (Face f = projectFace(*this, {{r, b, zn}, {r, b, zf}, apex}, inside); f.facing) draw(f);
        }
        if (projectFace(*this, {{l, b, zn}, {r, b, zn}, {r, b, zf}, {l, b, zf}}, inside).facing) {
            if (darkSides) SetBrushDarkColor(start, 64);
            RectangleY(left, bottom, right, z0, z1);
        }
    } else {
        const P3 apex{l, (t + b) / 2, zm};
        const P3 inside{(l + r) / 2, (t + b) / 2, zm};
        if (left != right) {
            draw(projectFace(*this, {{r, t, zn}, {r, b, zn}, apex}, inside));
            if (Face f = projectFace(*this, {{r, t, zf}, {r, b, zf}, apex}, inside); f.facing) draw(f);
            if (darkSides) SetBrushDarkColor(start, 64);
            if (Face f = projectFace(*this, {{r, t, zn}, {r, t, zf}, apex}, inside); f.facing) draw(f);
            if (Face f = projectFace(*this, {{r, b, zn}, {r, b, zf}, apex}, inside); f.facing) draw(f);
        }
        if (projectFace(*this, {{r, t, zn}, {r, b, zn}, {r, b, zf}, {r, t, zf}}, inside).facing) {
            if (darkSides) SetBrushDarkColor(start, 128);
            RectangleZ(right, top, bottom, z0, z1);
        }
    }
}

void TPlotCanvas3D::Cone(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool dark,
                         int conePercent) {
    const TColor start = Brush->Style() == bsSolid ? Brush->Color() : BackColor();
    const double f = conePercent / 100.0;
    const double zm = (z0 + z1) / 2.0, rz = (z1 - z0) / 2.0;
    const double l = left, r = right, t = top, b = bottom;
    const P3 inside{(l + r) / 2, (t + b) / 2, zm};
    std::vector<P3> base(NumCylinderSides), cover(NumCylinderSides);
    for (int k = 0; k < NumCylinderSides; ++k) {
        const double a = k * 2 * std::numbers::pi / NumCylinderSides;
        if (vertical) {
            const double cx = (l + r) / 2, rx = (r - l) / 2;
            base[k] = {cx + rx * std::cos(a), b, zm + rz * std::sin(a)};
            cover[k] = {cx + f * rx * std::cos(a), t, zm + f * rz * std::sin(a)};
        } else {
            const double cy = (t + b) / 2, ry = (b - t) / 2;
            base[k] = {r, cy + ry * std::cos(a), zm + rz * std::sin(a)};
            cover[k] = {l, cy + f * ry * std::cos(a), zm + f * rz * std::sin(a)};
        }
    }
    int drawn = 0;
    for (int k = 0; k < NumCylinderSides; ++k) {
        const int n = (k + 1) % NumCylinderSides;
        const Face side = projectFace(*this, {base[k], base[n], cover[n], cover[k]}, inside);
        if (!side.facing) continue;
        if (dark) SetBrushDarkColor(start, 8 * drawn);
        Polygon(side.screen.data(), 3);
        ++drawn;
    }
    // The base ring when it faces the viewer, else the other end (which may
    // have shrunk to a point and so cannot tell its own facing).
    const Face baseRing = projectFace(*this, base, inside);
    const Face ring = baseRing.facing ? baseRing : projectFace(*this, cover, inside);
    if (dark) SetBrushDarkColor(start, 64);
    Polygon(ring.screen.data(), NumCylinderSides - 1);
}

void TPlotCanvas3D::Pie3D(int xCenter, int yCenter, int xRadius, int yRadius, int z0, int z1, double startAngle,
                          double endAngle, bool darkSides, bool drawSides, int donutPercent,
                          TCustomPlotGradient* gradient) {
    const TColor start = Brush->Style() == bsSolid ? Brush->Color() : BackColor();
    const int n = std::min(Round(std::fabs(endAngle - startAngle) * 180 / std::numbers::pi / 2), 94) + 2;
    const double step = (endAngle - startAngle) / (n - 1);
    const double hx = donutPercent > 0 ? xRadius * donutPercent * 0.01 : 0;
    const double hy = donutPercent > 0 ? yRadius * donutPercent * 0.01 : 0;
    std::vector<P3> outer0, outer1, inner0, inner1;
    for (int i = 0; i < n; ++i) {
        const double a = startAngle + i * step;
        const double c = std::cos(a), s = std::sin(a);
        outer0.push_back({xCenter + xRadius * c, yCenter - yRadius * s, 1.0 * z0});
        outer1.push_back({xCenter + xRadius * c, yCenter - yRadius * s, 1.0 * z1});
        inner0.push_back({xCenter + hx * c, yCenter - hy * s, 1.0 * z0});
        inner1.push_back({xCenter + hx * c, yCenter - hy * s, 1.0 * z1});
    }
    const double mid = (startAngle + endAngle) / 2, rm = (1 + donutPercent * 0.01) / 2;
    const P3 inside{xCenter + xRadius * rm * std::cos(mid), yCenter - yRadius * rm * std::sin(mid), (z0 + z1) / 2.0};
    auto fill = [&](const Face& f, bool withGradient) {
        const int last = static_cast<int>(f.screen.size()) - 1;
        if (withGradient && gradient) {
            ClipPolygon(f.screen.data(), last + 1);
            gradient->Draw(*this, PolygonBounds(f.screen.data(), last + 1));
            UnClipRectangle();
            if (Pen->Style() != psClear) {
                const TBrushStyle style = Brush->Style();
                Brush->SetStyle(bsClear);
                Polygon(f.screen.data(), last);
                Brush->SetStyle(style);
            }
        } else {
            Polygon(f.screen.data(), last);
        }
    };
    if (darkSides) SetBrushDarkColor(start, 32);
    if (donutPercent > 0)
        for (int i = 0; i + 1 < n; ++i)
            if (Face f = projectFace(*this, {inner0[i], inner0[i + 1], inner1[i + 1], inner1[i]}, inside); f.facing)
                fill(f, false);
    if (drawSides) {
        if (Face f = projectFace(*this, {inner0.front(), outer0.front(), outer1.front(), inner1.front()}, inside);
            f.facing)
            fill(f, false);
        if (Face f = projectFace(*this, {inner0.back(), outer0.back(), outer1.back(), inner1.back()}, inside); f.facing)
            fill(f, false);
    }
    for (int i = 0; i + 1 < n; ++i)
        if (Face f = projectFace(*this, {outer0[i], outer0[i + 1], outer1[i + 1], outer1[i]}, inside); f.facing)
            fill(f, true);
    if (darkSides) {
        if (Brush->Style() == bsSolid)
            Brush->SetColor(start);
        else
            SetBackColor(start);
    }
    std::vector<P3> topFace(outer0);
    topFace.insert(topFace.end(), inner0.rbegin(), inner0.rend());
    Face top = projectFace(*this, topFace, inside);
    fill(top, true);
}

void TPlotCanvas3D::PyramidTrunc(const TRect& r, int startZ, int endZ, int truncX, int truncZ) {
    const double l = r.Left, rr = r.Right, t = r.Top, b = r.Bottom, zn = startZ, zf = endZ;
    const double cx = (l + rr) / 2, cz = (zn + zf) / 2;
    const double tx = truncX, tz = truncX != 0 ? truncZ : 0;
    const P3 base[4] = {{l, b, zn}, {rr, b, zn}, {rr, b, zf}, {l, b, zf}};
    const P3 cover[4] = {{cx - tx, t, cz - tz}, {cx + tx, t, cz - tz}, {cx + tx, t, cz + tz}, {cx - tx, t, cz + tz}};
    const P3 inside{cx, (t + b) / 2, cz};
    auto draw = [&](const Face& f) { Polygon(f.screen.data(), static_cast<int>(f.screen.size()) - 1); };
    auto baseFace = [&] { draw(projectFace(*this, {base[0], base[1], base[2], base[3]}, inside)); };
    auto topFace = [&] { draw(projectFace(*this, {cover[0], cover[1], cover[2], cover[3]}, inside)); };
    if (t < b) baseFace(); else topFace();
    for (int k = 0; k < 4; ++k) {
        const int n = (k + 1) % 4;
        if (Face f = projectFace(*this, {base[k], base[n], cover[n], cover[k]}, inside); f.facing) draw(f);
    }
    if (t < b) topFace(); else baseFace();
}

void TPlotCanvas3D::Arrow(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headHeight, int z,
                          double shaftPercent) {
    const double dx = static_cast<double>(to.X) - from.X, dy = static_cast<double>(from.Y) - to.Y;
    const double length = Hypot(dx, dy);
    if (length == 0) return;
    const double cosA = dx / length, sinA = dy / length;
    const double head = std::min(headHeight, Round(length));
    const double base = length - head;
    // A point `along` the arrow from its start and `across` to its left.
    auto at = [&](double along, double across) {
        return TPoint{Round(from.X + along * cosA - across * sinA), Round(from.Y - along * sinA - across * cosA)};
    };
    const double half = headWidth / 2.0;
    if (filled) {
        const double shaft = headWidth * 0.005 * shaftPercent;
        const TPoint flat[7] = {at(0, shaft),       at(base, shaft), at(base, half), at(length, 0),
                                at(base, -half),    at(base, -shaft), at(0, -shaft)};
        TPoint p[7];
        for (int i = 0; i < 7; ++i) p[i] = Calc3DPos(flat[i].X, flat[i].Y, z);
        Polygon(p, 6);
        return;
    }
    LineWithZ(from.X, from.Y, to.X, to.Y, z);
    const TPoint c1 = at(base, half), c2 = at(base, -half);
    LineWithZ(c1.X, c1.Y, to.X, to.Y, z);
    LineWithZ(c2.X, c2.Y, to.X, to.Y, z);
}

void TPlotCanvas3D::StretchDrawWithZ(const TRect& r, const TGraphic* graphic, int z) {
    if (!graphic || graphic->Empty()) return;
    Pen->SetStyle(psClear);
    TBitmap temporary;
    const TBitmap* source = dynamic_cast<const TBitmap*>(graphic);
    if (!source) {
        temporary.SetSize(graphic->Width(), graphic->Height());
        temporary.SetTransparent(graphic->Transparent());
        temporary.Canvas().Draw(0, 0, *graphic);
        source = &temporary;
    }
    const QImage pixels = source->Image().convertToFormat(QImage::Format_RGB32);
    const double dx = static_cast<double>(r.Width()) / pixels.width();
    const double dy = static_cast<double>(r.Height()) / pixels.height();
    TCanvas& c = dc();
    c.selectDCBrush(true);
    for (int i = 0; i < pixels.height(); ++i)
        for (int j = 0; j < pixels.width(); ++j) {
            const int x0 = r.Left + Round(j * dx), y0 = r.Top + Round(i * dy);
            const int x1 = r.Left + Round((j + 1) * dx), y1 = r.Top + Round((i + 1) * dy);
            c.setDCBrushColor(FromQColor(QColor(pixels.pixel(j, i))));
            const TPoint p[4] = {Calc3DPos(x0, y0, z), Calc3DPos(x1, y0, z), Calc3DPos(x1, y1, z), Calc3DPos(x0, y1, z)};
            Polygon(p, 3);
        }
    c.selectDCBrush(false);
}

}  // namespace brine::chart
