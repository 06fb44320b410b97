#pragma once
// The chart window in three layers: a panel without caption, the plot panel
// (margins, border and bevels, 3D switch, drawing canvas, buffered painting,
// event listeners, change helpers) and the extended panel (zoom, panning,
// back image, back gradient). Also the small shared routines of the chart:
// default palette, geometry tests, index sorting, character replacement,
// the check-box drawer and the hand cursor.
#include <QCursor>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "chart/canvas3d.h"
#include "chart/framed_shapes.h"
#include "chart/plot_gradient.h"

namespace brine::chart {

// ---- framework stand-ins

enum TPlotUnits { muPercent, muPixels };
enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShiftFlag : unsigned {
    ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64
};
using TShiftState = unsigned;

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crCross = -3;
constexpr TCursor crHandPoint = -21;
// The hand shown while panning and over clickable items.
constexpr TCursor crPlotHand = 2020;
QCursor ToQCursor(TCursor cursor);

// ---- unit-wide switches (nothing in this program changes them)
inline bool PlotEraseBack = false;
inline bool PlotClipWhenPrinting = true;
inline bool PlotClipWhenMetafiling = true;
inline bool PlotPrintBevelsAndBack = false;

// ---- default palette

const std::vector<TColor>& ColorPalette();
// Stores colors[0..highIndex]; a single colour (highIndex 0) or none restores
// the twenty default colours.
void SetDefaultColorPalette(const TColor* colors, int highIndex);
// Entry index mod the palette length (negative indexes count from 0 too).
TColor GetDefaultColor(int index);

// ---- geometry, sorting, text

double PointToSegmentDistance(const TPoint& p, const TPoint& a, const TPoint& b);
bool PointInLineTolerance(const TPoint& p, const TPoint& a, const TPoint& b, int tolerance);
inline bool PointInLine(const TPoint& p, const TPoint& a, const TPoint& b) {
    return PointInLineTolerance(p, a, b, 0);
}
bool PointInPolygon(const TPoint& p, const TPoint* points, int count);

using TPlotCompareIndex = std::function<int(int a, int b)>;
using TPlotSwapIndex = std::function<void(int a, int b)>;
// In-place quicksort of the indexes StartIndex..EndIndex, the data held by the
// caller and reached only through compare and swap.
void IndexQuickSort(int StartIndex, int EndIndex, const TPlotCompareIndex& Compare, const TPlotSwapIndex& Swap);

// Every Old becomes New; New = character 0 deletes the occurrences.
QString ReplaceChar(const QString& Text, QChar Old, QChar New = QChar(0));
QString IntegerText(int Value);

// A 13 × 13 check box or radio button at (x, y).
void PlotDrawCheckBox(int x, int y, TCanvas& canvas, bool checked, bool isCheckBox);

// ---- events and listeners

class TCustomPlotPanel;

class TPlotEvent {
public:
    virtual ~TPlotEvent() = default;
    TCustomPlotPanel* Sender = nullptr;
};

enum TPlotMouseEventKind { pmeDown = 0, pmeUp = 1, pmeMove = 2 };

class TPlotMouseEvent : public TPlotEvent {
public:
    TPlotMouseEventKind Event = pmeDown;
    TMouseButton Button = mbLeft;
    TShiftState Shift = 0;
    int X = 0, Y = 0;
};

class TPlotView3DEvent : public TPlotEvent {};

class IPlotEventListener {
public:
    virtual ~IPlotEventListener() = default;
    virtual void PlotEvent(TPlotEvent& Event) = 0;
};

using TPlotEventListeners = std::vector<IPlotEventListener*>;

// ---- zoom and panning state

class TZoomPanning {
public:
    virtual ~TZoomPanning() = default;
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    bool Active = false;
    void Activate(int x, int y);
    // Orders the points so that start ≤ end on each coordinate.
    void Check();
};

class TPlotZoomBrush : public TChartBrush {
public:
    explicit TPlotZoomBrush(TNotifyEvent onChange = nullptr);
};

class TPlotZoomPen : public TChartPen {
public:
    explicit TPlotZoomPen(TNotifyEvent onChange = nullptr);
    bool IsColorStored() const { return Color() != clWhite; }
};

enum TPlotZoomDirection { tzdHorizontal, tzdVertical, tzdBoth };

class TPlotZoom : public TZoomPanning {
public:
    bool Allow = true;
    bool Animated = false;
    int AnimatedSteps = 8;
    TPlotZoomDirection Direction = tzdBoth;
    TShiftState KeyShift = 0;
    int MinimumPixels = 16;
    TMouseButton MouseButton = mbLeft;
    bool UpLeftZooms = false;

    // Made on first read; nullptr frees them.
    TPlotZoomBrush& Brush();
    bool HasBrush() const { return Brush_ != nullptr; }
    void SetBrush(const TPlotZoomBrush* brush);
    TPlotZoomPen& Pen();
    bool HasPen() const { return Pen_ != nullptr; }
    void SetPen(const TPlotZoomPen* pen);

    void Assign(const TPlotZoom& source);

private:
    std::unique_ptr<TPlotZoomBrush> Brush_;
    std::unique_ptr<TPlotZoomPen> Pen_;
};

// ---- back image

enum TPlotBackImageMode { pbmStretch, pbmTile, pbmCenter, pbmCustom };

class TBackImage : public TPicture {
public:
    bool Inside() const { return Inside_; }
    void SetInside(bool v);
    int Left() const { return Left_; }
    void SetLeft(int v);
    TPlotBackImageMode Mode() const { return Mode_; }
    void SetMode(TPlotBackImageMode v);
    int Top() const { return Top_; }
    void SetTop(int v);
    void Assign(const TBackImage* source);

private:
    bool Inside_ = false;
    int Left_ = 0;
    TPlotBackImageMode Mode_ = pbmStretch;
    int Top_ = 0;
};

// ---- the panels

// A panel whose caption is never set from its name; it carries the frame
// settings of the framework's panel.
class TCustomPanelNoCaption : public QWidget {
public:
    explicit TCustomPanelNoCaption(QWidget* parent = nullptr);

    virtual TColor Color() const { return Color_; }
    virtual void SetColor(TColor v);
    TBevelCut BevelInner() const { return BevelInner_; }
    void SetBevelInner(TBevelCut v);
    TBevelCut BevelOuter() const { return BevelOuter_; }
    void SetBevelOuter(TBevelCut v);
    int BevelWidth() const { return BevelWidth_; }
    void SetBevelWidth(int v);
    int BorderWidth() const { return BorderWidth_; }
    void SetBorderWidth(int v);

    // Called after each frame setting changes.
    virtual void Invalidate() { update(); }

protected:
    TColor Color_ = clBtnFace;
    TBevelCut BevelInner_ = bvNone;
    TBevelCut BevelOuter_ = bvRaised;
    int BevelWidth_ = 1;
    int BorderWidth_ = 0;
};

using TPlotPrintEvent = std::function<void(TCustomPlotPanel* Sender, TCanvas* Canvas, TRect& R)>;
using TMouseEvent = std::function<void(TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TShiftState Shift, int X, int Y)>;

enum TMarginSide { msLeft, msTop, msRight, msBottom };

class TCustomPlotPanel : public TCustomPanelNoCaption {
public:
    explicit TCustomPlotPanel(QWidget* parent = nullptr);
    ~TCustomPlotPanel() override;

    // When false, invalidation does nothing.
    bool AutoRepaint = true;
    // A listener sets it to stop the processing of the current mouse event.
    bool CancelMouse = false;

    TChartHiddenPen& Border() { return *Border_; }
    void SetBorder(const TChartPen& pen) { Border_->Assign(pen); }
    int BorderRound() const { return BorderRound_; }
    void SetBorderRound(int v);

    TRect ChartBounds;
    TRect ChartRect;
    int ChartWidth = 0, ChartHeight = 0;
    int ChartXCenter = 0, ChartYCenter = 0;
    // Keeps ChartRect inside the bounds of the last paint and at least a
    // pixel wide and high, then recomputes width, height and centre from it.
    void RecalcWidthHeight();

    int Margin(TMarginSide side) const { return Margins_[side]; }
    void SetMargin(TMarginSide side, int v);
    int MarginLeft() const { return Margins_[msLeft]; }
    void SetMarginLeft(int v) { SetMargin(msLeft, v); }
    int MarginTop() const { return Margins_[msTop]; }
    void SetMarginTop(int v) { SetMargin(msTop, v); }
    int MarginRight() const { return Margins_[msRight]; }
    void SetMarginRight(int v) { SetMargin(msRight, v); }
    int MarginBottom() const { return Margins_[msBottom]; }
    void SetMarginBottom(int v) { SetMargin(msBottom, v); }
    TPlotUnits MarginUnits() const { return MarginUnits_; }
    void SetMarginUnits(TPlotUnits v);

    TPlotPrintEvent OnBeforePrint;
    TCursor SavedCursor = crDefault;
    TZoomPanning Panning;
    bool Printing = false;
    TRect PrintMargins{15, 15, 15, 15};
    bool PrintProportional = true;
    int PrintResolution = 0;
    bool IsPrintMarginsStored() const { return !(PrintMargins == TRect{15, 15, 15, 15}); }

    TPlotShadow& Shadow() { return *Shadow_; }
    void SetShadow(const TPlotShadow& v) { Shadow_->Assign(v); }
    bool View3D() const { return View3D_; }
    void SetView3D(bool v);
    TView3DOptions& View3DOptions() { return *View3DOptions_; }
    void SetView3DOptions(const TView3DOptions& v) { View3DOptions_->Assign(v); }
    bool Monochrome() const { return Canvas_->Monochrome(); }
    void SetMonochrome(bool v);

    TPlotEventListeners Listeners;
    TPlotCanvas3D& Canvas() { return *Canvas_; }

    // True while settings are being loaded; setters then skip their checks.
    bool Loading = false;
    virtual void Loaded();

    // Mouse events of the framework.
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnDblClick, OnResize;

    // ---- change helpers: store and repaint only when the value differs
    void ChangeBool(bool& var, bool value);
    void ChangeInt(int& var, int value);
    void ChangeColor(TColor& var, TColor value);
    void ChangeDouble(double& var, double value);
    void ChangeString(QString& var, const QString& value);

    // ---- virtual operations
    virtual TColor BackColor() { return Color(); }
    virtual void DrawContents(const TRect& /*rect*/) {}
    virtual void RequestRepaint() { Invalidate(); }
    virtual void PaintOnCanvas(TCanvas* ACanvas, const TRect& Rect);
    virtual TRect PanelRectangle() const;

    // Drops the canvas's buffered image, then repaints (only with AutoRepaint).
    void Invalidate() override;
    // Paints on the window into PanelRectangle.
    void Draw(TCanvas* target);
    void NotifyListeners(TPlotEvent& Event);
    // The chart drawn on a new bitmap of the rectangle's size.
    std::unique_ptr<TBitmap> RenderToBitmap(TColor backColor, const TRect& rect);
    void AssignTo(TPicture& picture);
    virtual void Assign(const TCustomPlotPanel& source);

    // Framework-level handlers, also callable directly.
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    // False when a handler or listener cancelled the operation.
    virtual bool DblClick();
    virtual void MouseLeave();
    virtual void Resize();

    // Cursor of the window.
    TCursor PanelCursor() const { return Cursor_; }
    void SetPanelCursor(TCursor c);

    // The outer frame: border line and bevels; shrinks rect to the inside.
    void PaintBorderAndBevels(TRect& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

    bool Destroying = false;

private:
    void UpdateRegion();
    void broadcastMouse(TPlotMouseEventKind kind, TMouseButton button, TShiftState shift, int x, int y);

    std::unique_ptr<TChartHiddenPen> Border_;
    int BorderRound_ = 0;
    int Margins_[4] = {3, 4, 3, 4};
    TPlotUnits MarginUnits_ = muPercent;
    std::unique_ptr<TPlotShadow> Shadow_;
    bool View3D_ = true;
    std::unique_ptr<TView3DOptions> View3DOptions_;
    bool RegionUpdating_ = false;
    std::unique_ptr<TPlotCanvas3D> Canvas_;
    TCursor Cursor_ = crDefault;
};

enum TPanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };

class TCustomPlotPanelExtended : public TCustomPlotPanel {
public:
    explicit TCustomPlotPanelExtended(QWidget* parent = nullptr);
    ~TCustomPlotPanelExtended() override;

    TPanningMode AllowPanning() const { return AllowPanning_; }
    void SetAllowPanning(TPanningMode v);
    // Made on first read; nullptr frees them.
    TPlotGradient& Gradient();
    bool HasGradient() const { return Gradient_ != nullptr; }
    void SetGradient(const TPlotGradient* v);
    TBackImage& BackImage();
    bool HasBackImage() const { return BackImage_ != nullptr; }
    void SetBackImage(const TBackImage* v);
    TPlotZoom& Zoom() { return *Zoom_; }
    void SetZoom(const TPlotZoom& v) { Zoom_->Assign(v); }
    bool Zoomed = false;

    TNotifyEvent OnAfterDraw, OnScroll, OnUndoZoom, OnZoom;

    virtual void FillPanelBack(const TRect& rect);
    virtual void DrawPanelFrame(TRect& rect);
    // The back image in a rectangle at depth z (nothing without a graphic).
    void DrawBackImage(const TRect& rect, int z);
    // The rubber band; drawing it twice at the same place erases it.
    void DrawZoomRectangle();
    virtual void UndoZoom();
    void Assign(const TCustomPlotPanel& source) override;

private:
    bool CanClip() const;

    TPanningMode AllowPanning_ = pmBoth;
    std::unique_ptr<TPlotGradient> Gradient_;
    std::unique_ptr<TPlotZoom> Zoom_;
    std::unique_ptr<TBackImage> BackImage_;
};

}  // namespace brine::chart
