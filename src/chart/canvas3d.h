#pragma once
// The 3D half of the drawing interface: view options, the projection of
// points with a depth, the off-screen buffer and the 3D primitives.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "chart/plot_canvas.h"

namespace brine::chart {

class TCustomPlotGradient;

class TView3DOptions {
public:
    explicit TView3DOptions(QWidget* owner = nullptr);

    int Elevation() const { return Elevation_; }
    void SetElevation(int v);
    int FontZoom() const { return FontZoom_; }
    void SetFontZoom(int v);
    int HorizOffset() const { return HorizOffset_; }
    void SetHorizOffset(int v);
    bool Orthogonal() const { return Orthogonal_; }
    void SetOrthogonal(bool v);
    int OrthoAngle() const { return OrthoAngle_; }
    void SetOrthoAngle(int v);
    int Perspective() const { return Perspective_; }
    void SetPerspective(int v);
    int Rotation() const { return Rotation_; }
    void SetRotation(int v);
    int Tilt() const { return Tilt_; }
    void SetTilt(int v);
    int VertOffset() const { return VertOffset_; }
    void SetVertOffset(int v);
    int Zoom() const { return Zoom_; }
    void SetZoom(int v);
    bool ZoomText() const { return ZoomText_; }
    void SetZoomText(bool v);

    // True for the horizontal offset.
    std::function<void(bool)> OnOffsetChanged;
    std::function<void(int)> OnZoomChanged;
    QPointer<QWidget> Owner;
    // The owner's own repaint (drops its buffered image); else Owner is updated.
    TNotifyEvent OnRepaint;

    void Repaint();
    void Assign(const TView3DOptions& source);
    double CalcOrthoRatio() const;

private:
    template <typename T>
    bool store(T& field, T value);

    int Elevation_ = 345;
    int FontZoom_ = 100;
    int HorizOffset_ = 0;
    bool Orthogonal_ = true;
    int OrthoAngle_ = 45;
    int Perspective_ = 15;
    int Rotation_ = 345;
    int Tilt_ = 0;
    int VertOffset_ = 0;
    int Zoom_ = 100;
    bool ZoomText_ = true;
};

struct TPoint3DFloat {
    double X = 0, Y = 0, Z = 0;
};

class TCanvas3D : public TPlotCanvas {
public:
    TView3DOptions* View3DOptions = nullptr;
    bool IsOrthogonal = false;
    int XCenter = 0, YCenter = 0, ZCenter = 0;
    TPoint3DFloat RotationCenter;
    // Above 0 between Begin2D and End2D.
    int Nested2D() const { return nested2D_; }

    virtual TColor GetPixel3D(int x, int y, int z) = 0;
    virtual bool ReservedQuery() { return false; }
    virtual void SetPixel3D(int x, int y, int z, TColor color) = 0;
    virtual void Calculate2DPosition(int& x, int& y, int z) = 0;
    virtual TPoint Calculate3DPosition(int x, int y, int z) = 0;
    virtual TRect InitWindow(TCanvas* target, TView3DOptions* options, const TRect& r, bool is3D) = 0;
    virtual void AssignSettings(const TCanvas3D& other) { SetMonochrome(other.Monochrome()); }
    virtual void Projection(int maxDepth, const TRect& r) = 0;
    virtual void ShowImage(TCanvas* target, TCanvas* defaultCanvas, const TRect& r) = 0;
    virtual bool ReDrawBitmap() = 0;
    virtual void Arrow(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headHeight, int z,
                       double shaftPercent) = 0;
    virtual void ClipCube(const TRect& r, int minZ, int maxZ) = 0;
    virtual void Cone(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool dark,
                      int conePercent) = 0;
    virtual void Cube(int left, int right, int top, int bottom, int z0, int z1, bool darkSides) = 0;
    virtual void Cylinder(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool dark) = 0;
    virtual void DisableRotation() {}
    virtual void EllipseWithZ(int x1, int y1, int x2, int y2, int z) = 0;
    virtual void EnableRotation() {}
    virtual void HorizLine3D(int x0, int x1, int y, int z) = 0;
    virtual void VertLine3D(int x, int y0, int y1, int z) = 0;
    virtual void ZLine3D(int x, int y, int z0, int z1) = 0;
    void Begin2D();
    void End2D();
    virtual void LineWithZ(int x0, int y0, int x1, int y1, int z) = 0;
    virtual void MoveTo3D(int x, int y, int z) = 0;
    virtual void LineTo3D(int x, int y, int z) = 0;
    virtual void Pie3D(int xCenter, int yCenter, int xRadius, int yRadius, int z0, int z1, double startAngle,
                       double endAngle, bool darkSides, bool drawSides, int donutPercent,
                       TCustomPlotGradient* gradient) = 0;
    virtual void Plane3D(const TPoint& p0, const TPoint& p1, int z0, int z1) = 0;
    virtual void PlaneWithZ(const TPoint& p0, const TPoint& p1, const TPoint& p2, const TPoint& p3, int z) = 0;
    virtual void PlaneFour3D(const TPoint (&points)[4], int z) = 0;
    virtual void PolylineWithZ(const TPoint* points, int last, int z) = 0;
    virtual void PolygonWithZ(const TPoint* points, int last, int z) = 0;
    virtual void Pyramid(bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                         bool darkSides) = 0;
    virtual void PyramidTrunc(const TRect& r, int startZ, int endZ, int truncX, int truncZ) = 0;
    virtual void RectangleWithZ(const TRect& r, int z) = 0;
    virtual void RectangleY(int left, int top, int right, int z0, int z1) = 0;
    virtual void RectangleZ(int left, int top, int bottom, int z0, int z1) = 0;
    virtual void RotateLabel3D(int x, int y, int z, const QString& text, double angle) = 0;
    virtual void Sphere(int x, int y, int z, double radius) = 0;
    virtual void TextOut3D(int x, int y, int z, const QString& text) = 0;
    virtual void Triangle3D(const TPoint (&points)[3], const int (&z)[3], TColor color) = 0;
    virtual void TriangleWithZ(const TPoint& p0, const TPoint& p1, const TPoint& p2, int z) = 0;

    // Forwarding helpers.
    TPoint Calc3DPoint(const TPoint& p, int z) { return Calculate3DPosition(p.X, p.Y, z); }
    TRect Calc3DRect(const TRect& r, int z);
    void CubeR(const TRect& r, int z0, int z1, bool darkSides) {
        Cube(r.Left, r.Right, r.Top, r.Bottom, z0, z1, darkSides);
    }
    void LineP3D(const TPoint& p0, const TPoint& p1, int z) { LineWithZ(p0.X, p0.Y, p1.X, p1.Y, z); }
    void PlaneWithZArray(const TPoint (&p)[4], int z) { PlaneWithZ(p[0], p[1], p[2], p[3], z); }
    void RectangleWithZP(int left, int top, int right, int bottom, int z) {
        RectangleWithZ({left, top, right, bottom}, z);
    }
    void ArrowDefault(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headHeight, int z) {
        Arrow(filled, from, to, headWidth, headHeight, z, 50.0);
    }
    void RectPoints3D(const TRect& r, int z, TPoint (&points)[4]);
    TRect RectBounds3D(const TRect& r, int z);

private:
    int nested2D_ = 0;
};

class TPlotCanvas3D : public TCanvas3D {
public:
    TPlotCanvas3D();
    ~TPlotCanvas3D() override;

    int XCenterOffset = 0, YCenterOffset = 0;
    bool IsPerspective = false;
    bool HasTilt = false;
    bool Is3D = false;

    // The off-screen bitmap, nullptr until the first buffered InitWindow.
    TBitmap* Bitmap() const { return bitmap_.get(); }
    bool BufferDirty() const { return dirty_; }

    // 2D properties.
    TColor BackColor() override { return Handle()->backColor(); }
    int BackMode() override { return Handle()->backMode(); }
    TCanvas* Handle() override { return &dc(); }
    bool Monochrome() const override { return monochrome_; }
    TColor Pixels(int x, int y) override { return dc().Pixels(x, y); }
    bool FullRotation() const override { return false; }
    unsigned TextAlign() override { return Handle()->textAlign(); }
    bool UseBuffer() const override { return useBuffer_; }
    void SetBackColor(TColor color) override { Handle()->setBackColor(ColorToRGB(color)); }
    void SetBackMode(int mode) override { Handle()->setBackMode(mode); }
    void SetMonochrome(bool value) override;
    void SetPixels(int x, int y, TColor color) override { Handle()->setPixel(x, y, ColorToRGB(color)); }
    void SetTextAlign(unsigned flags) override { Handle()->setTextAlign(flags); }
    void SetUseBuffer(bool value) override;

    // 2D operations.
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void Donut(int xCenter, int yCenter, int xRadius, int yRadius, double startAngle, double endAngle,
               double holePercent) override;
    void Draw(int x, int y, const TGraphic* graphic) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void FillRect(const TRect& r) override;
    void LineTo(int x, int y) override;
    void MoveTo(int x, int y) override;
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void Rectangle(int x0, int y0, int x1, int y1) override;
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) override;
    void StretchDraw(const TRect& r, const TGraphic* graphic) override;
    void TextOut(int x, int y, const QString& text) override;
    void ClipRectangle(const TRect& r) override;
    void DoHorizLine(int x0, int x1, int y) override;
    void DoVertLine(int x, int y0, int y1) override;
    void EraseBackground(const TRect& r) override { FillRect(r); }
    // Band by band (plot_gradient.cpp).
    void GradientFill(const TRect& r, TColor startColor, TColor endColor, TGradientDirection direction,
                      int balance) override;
    void InvalidateBuffer() override { dirty_ = true; }
    void Line(int x0, int y0, int x1, int y1) override;
    void Polyline(const TPoint* points, int last) override;
    void Polygon(const TPoint* points, int last) override;
    void RotateLabel(int x, int y, const QString& text, double angle) override;
    void UnClipRectangle() override { RestoreClipRegion(); }

    // 3D operations.
    TColor GetPixel3D(int x, int y, int z) override;
    void SetPixel3D(int x, int y, int z, TColor color) override;
    void Calculate2DPosition(int& x, int& y, int z) override;
    TPoint Calculate3DPosition(int x, int y, int z) override;
    TRect InitWindow(TCanvas* target, TView3DOptions* options, const TRect& r, bool is3D) override;
    void Projection(int maxDepth, const TRect& r) override;
    void ShowImage(TCanvas* target, TCanvas* defaultCanvas, const TRect& r) override;
    bool ReDrawBitmap() override;
    void Arrow(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headHeight, int z,
               double shaftPercent) override;
    void ClipCube(const TRect& r, int minZ, int maxZ) override;
    void Cone(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool dark,
              int conePercent) override;
    void Cube(int left, int right, int top, int bottom, int z0, int z1, bool darkSides) override;
    void Cylinder(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool dark) override {
        Cone(vertical, left, top, right, bottom, z0, z1, dark, 100);
    }
    void DisableRotation() override;
    void EllipseWithZ(int x1, int y1, int x2, int y2, int z) override;
    void EnableRotation() override;
    void HorizLine3D(int x0, int x1, int y, int z) override;
    void VertLine3D(int x, int y0, int y1, int z) override;
    void ZLine3D(int x, int y, int z0, int z1) override;
    void LineWithZ(int x0, int y0, int x1, int y1, int z) override;
    void MoveTo3D(int x, int y, int z) override;
    void LineTo3D(int x, int y, int z) override;
    void Pie3D(int xCenter, int yCenter, int xRadius, int yRadius, int z0, int z1, double startAngle,
               double endAngle, bool darkSides, bool drawSides, int donutPercent,
               TCustomPlotGradient* gradient) override;
    void Plane3D(const TPoint& p0, const TPoint& p1, int z0, int z1) override;
    void PlaneWithZ(const TPoint& p0, const TPoint& p1, const TPoint& p2, const TPoint& p3, int z) override;
    void PlaneFour3D(const TPoint (&points)[4], int z) override;
    void PolylineWithZ(const TPoint* points, int last, int z) override;
    void PolygonWithZ(const TPoint* points, int last, int z) override;
    void Pyramid(bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                 bool darkSides) override;
    void PyramidTrunc(const TRect& r, int startZ, int endZ, int truncX, int truncZ) override;
    void RectangleWithZ(const TRect& r, int z) override;
    void RectangleY(int left, int top, int right, int z0, int z1) override;
    void RectangleZ(int left, int top, int bottom, int z0, int z1) override;
    void RotateLabel3D(int x, int y, int z, const QString& text, double angle) override;
    void Sphere(int x, int y, int z, double radius) override;
    void TextOut3D(int x, int y, int z, const QString& text) override;
    void Triangle3D(const TPoint (&points)[3], const int (&z)[3], TColor color) override;
    void TriangleWithZ(const TPoint& p0, const TPoint& p1, const TPoint& p2, int z) override;

    void PolygonFour();
    void FreeBuffer();
    void BlitBuffer(int x, int y, TCanvas* target);
    // Draws a picture pixel by pixel on the plane of the rectangle at depth z.
    void StretchDrawWithZ(const TRect& r, const TGraphic* graphic, int z);

    // The projection of a point given in floating point.
    TPoint Calc3DPosFloat(double x, double y, double z) const;
    TPoint Calc3DPos(int x, int y, int z) const;

    // The projection constants, readable for tests and later parts.
    double ZoomFactor() const { return zoom_; }

private:
    void CalcTrigValues();
    void CalcPerspective(const TRect& r);
    void setFour(const TPoint& a, const TPoint& b, const TPoint& c, const TPoint& d);
    bool zoomsText() const { return ZoomText_ && zoom_ != 1.0; }

    long double sinA_ = 0, sinB_ = 0, sinC_ = 0, cosA_ = 1, cosB_ = 1, cosC_ = 1;
    double k_[6] = {};
    bool savedIs3D_ = false;
    std::unique_ptr<TBitmap> bitmap_;
    bool dirty_ = true;
    bool monochrome_ = false;
    double xf_ = 1.0, yf_ = 1.0;
    double perspective_ = 0;
    double zoom_ = 1.0;
    bool ZoomText_ = true;
    bool useBuffer_ = true;
    TPoint four_[4];
};

// Reduces points to their convex hull (order as the chart's clipping wants
// it); False for fewer than three points.
bool ConvexHull(std::vector<TPoint>& points);

constexpr int NumCylinderSides = 16;

}  // namespace brine::chart
