#include "chart/plot_panel.h"

#include <QMouseEvent>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <exception>

namespace brine::chart {

// ---- cursors

QCursor ToQCursor(TCursor cursor) {
    switch (cursor) {
        case crCross: return QCursor(Qt::CrossCursor);
        case crHandPoint: return QCursor(Qt::PointingHandCursor);
        case crPlotHand: return QCursor(Qt::OpenHandCursor);
        default: return QCursor(Qt::ArrowCursor);
    }
}

// ---- palette

namespace {
const std::vector<TColor> kDefaultPalette = {
    clRed,    clGreen, clYellow, clBlue, clWhite, clGray,   clFuchsia, clTeal,       clNavy,     clMaroon,
    clLime,   clOlive, clPurple, clSilver, clAqua, clBlack, clMoneyGreen, clSkyBlue, clCream,    clMedGray};

std::vector<TColor>& palette() {
    static std::vector<TColor> p = kDefaultPalette;
    return p;
}
}  // namespace

const std::vector<TColor>& ColorPalette() { return palette(); }

void SetDefaultColorPalette(const TColor* colors, int highIndex) {
    if (!colors || highIndex <= 0)
        palette() = kDefaultPalette;
    else
        palette().assign(colors, colors + highIndex + 1);
}

TColor GetDefaultColor(int index) {
    const auto& p = palette();
    if (p.empty()) return clDefault;
    const long long n = static_cast<long long>(p.size());
    return p[static_cast<size_t>(((index % n) + n) % n)];
}

// ---- geometry

double PointToSegmentDistance(const TPoint& p, const TPoint& a, const TPoint& b) {
    const double dx = static_cast<double>(b.X) - a.X, dy = static_cast<double>(b.Y) - a.Y;
    const double px = static_cast<double>(p.X) - a.X, py = static_cast<double>(p.Y) - a.Y;
    const double len2 = dx * dx + dy * dy;
    if (len2 == 0) return std::hypot(px, py);
    const double t = (px * dx + py * dy) / len2;
    if (t <= 0) return std::hypot(px, py);
    if (t >= 1) return std::hypot(static_cast<double>(p.X) - b.X, static_cast<double>(p.Y) - b.Y);
    return std::hypot(px - t * dx, py - t * dy);
}

bool PointInLineTolerance(const TPoint& p, const TPoint& a, const TPoint& b, int tolerance) {
    if (p == a || p == b) return true;
    return PointToSegmentDistance(p, a, b) <= tolerance + 1;
}

bool PointInPolygon(const TPoint& p, const TPoint* points, int count) {
    if (!points || count < 3) return false;
    bool inside = false;
    for (int i = 0, j = count - 1; i < count; j = i++) {
        const TPoint& a = points[i];
        const TPoint& b = points[j];
        if ((a.Y > p.Y) != (b.Y > p.Y)) {
            const double x = a.X + (static_cast<double>(p.Y) - a.Y) * (static_cast<double>(b.X) - a.X) /
                                       (static_cast<double>(b.Y) - a.Y);
            if (p.X < x) inside = !inside;
        }
    }
    return inside;
}

void IndexQuickSort(int StartIndex, int EndIndex, const TPlotCompareIndex& Compare, const TPlotSwapIndex& Swap) {
    while (StartIndex < EndIndex) {
        int lo = StartIndex, hi = EndIndex;
        int pivot = (StartIndex + EndIndex) / 2;
        while (lo <= hi) {
            while (lo < EndIndex && Compare(lo, pivot) < 0) ++lo;
            while (hi > StartIndex && Compare(hi, pivot) > 0) --hi;
            if (lo <= hi) {
                if (lo != hi) {
                    Swap(lo, hi);
                    // The pivot's value moved with the swap.
                    if (pivot == lo)
                        pivot = hi;
                    else if (pivot == hi)
                        pivot = lo;
                }
                ++lo;
                --hi;
            }
        }
        // Recurse into the smaller part so that the depth stays logarithmic.
        if (hi - StartIndex < EndIndex - lo) {
            if (StartIndex < hi) IndexQuickSort(StartIndex, hi, Compare, Swap);
            StartIndex = lo;
        } else {
            if (lo < EndIndex) IndexQuickSort(lo, EndIndex, Compare, Swap);
            EndIndex = hi;
        }
    }
}

QString ReplaceChar(const QString& Text, QChar Old, QChar New) {
    QString out = Text;
    if (New == QChar(0))
        out.remove(Old);
    else
        out.replace(Old, New);
    return out;
}

QString IntegerText(int Value) { return QString::number(Value); }

void PlotDrawCheckBox(int x, int y, TCanvas& canvas, bool checked, bool isCheckBox) {
    TBrush& brush = canvas.Brush();
    TPen& pen = canvas.Pen();
    const TBrush oldBrush = [&] { TBrush b; b.Assign(brush); return b; }();
    const TPen oldPen = [&] { TPen p; p.Assign(pen); return p; }();
    brush.SetStyle(bsSolid);
    brush.SetColor(clWhite);
    pen.SetStyle(psSolid);
    pen.SetWidth(1);
    pen.SetColor(clBtnShadow);
    if (isCheckBox) {
        canvas.rectangle(x, y, x + 13, y + 13);
        if (checked) {
            pen.SetColor(clBlack);
            for (int i = 0; i < 3; ++i) {  // a three-pixel-thick tick
                canvas.moveTo(x + 3, y + 5 + i);
                canvas.lineTo(x + 5, y + 7 + i);
                canvas.lineTo(x + 10, y + 2 + i);
            }
        }
    } else {
        canvas.ellipse(x, y, x + 13, y + 13);
        if (checked) {
            brush.SetColor(clBlack);
            pen.SetColor(clBlack);
            canvas.ellipse(x + 4, y + 4, x + 9, y + 9);
        }
    }
    brush.Assign(oldBrush);
    pen.Assign(oldPen);
}

// ---- zoom and panning

void TZoomPanning::Activate(int x, int y) {
    X0 = X1 = x;
    Y0 = Y1 = y;
    Active = true;
}

void TZoomPanning::Check() {
    if (X0 > X1) std::swap(X0, X1);
    if (Y0 > Y1) std::swap(Y0, Y1);
}

TPlotZoomBrush::TPlotZoomBrush(TNotifyEvent onChange) : TChartBrush(std::move(onChange)) {
    SetColor(clWhite);
    SetStyle(bsClear);
}

TPlotZoomPen::TPlotZoomPen(TNotifyEvent onChange) : TChartPen(std::move(onChange)) { SetColor(clWhite); }

TPlotZoomBrush& TPlotZoom::Brush() {
    if (!Brush_) Brush_ = std::make_unique<TPlotZoomBrush>();
    return *Brush_;
}

void TPlotZoom::SetBrush(const TPlotZoomBrush* brush) {
    if (!brush)
        Brush_.reset();
    else
        Brush().Assign(*brush);
}

TPlotZoomPen& TPlotZoom::Pen() {
    if (!Pen_) Pen_ = std::make_unique<TPlotZoomPen>();
    return *Pen_;
}

void TPlotZoom::SetPen(const TPlotZoomPen* pen) {
    if (!pen)
        Pen_.reset();
    else
        Pen().Assign(*pen);
}

void TPlotZoom::Assign(const TPlotZoom& source) {
    Allow = source.Allow;
    Animated = source.Animated;
    AnimatedSteps = source.AnimatedSteps;
    SetBrush(source.Brush_.get());
    Direction = source.Direction;
    KeyShift = source.KeyShift;
    MinimumPixels = source.MinimumPixels;
    MouseButton = source.MouseButton;
    SetPen(source.Pen_.get());
    UpLeftZooms = source.UpLeftZooms;
}

// ---- back image

void TBackImage::SetInside(bool v) {
    if (v == Inside_) return;
    Inside_ = v;
    Changed();
}

void TBackImage::SetLeft(int v) {
    if (v == Left_) return;
    Left_ = v;
    Changed();
}

void TBackImage::SetMode(TPlotBackImageMode v) {
    if (v == Mode_) return;
    Mode_ = v;
    Changed();
}

void TBackImage::SetTop(int v) {
    if (v == Top_) return;
    Top_ = v;
    Changed();
}

void TBackImage::Assign(const TBackImage* source) {
    if (source) {
        Inside_ = source->Inside_;
        Left_ = source->Left_;
        Mode_ = source->Mode_;
        Top_ = source->Top_;
    }
    TPicture::Assign(source);
}

// ---- TCustomPanelNoCaption

TCustomPanelNoCaption::TCustomPanelNoCaption(QWidget* parent) : QWidget(parent) {
    // The chart paints every pixel itself unless its colour is none.
    setAttribute(Qt::WA_OpaquePaintEvent, !PlotEraseBack);
}

void TCustomPanelNoCaption::SetColor(TColor v) {
    if (v == Color_) return;
    Color_ = v;
    setAttribute(Qt::WA_OpaquePaintEvent, !PlotEraseBack && v != clNone);
    Invalidate();
}

void TCustomPanelNoCaption::SetBevelInner(TBevelCut v) {
    if (v == BevelInner_) return;
    BevelInner_ = v;
    Invalidate();
}

void TCustomPanelNoCaption::SetBevelOuter(TBevelCut v) {
    if (v == BevelOuter_) return;
    BevelOuter_ = v;
    Invalidate();
}

void TCustomPanelNoCaption::SetBevelWidth(int v) {
    if (v == BevelWidth_) return;
    BevelWidth_ = v;
    Invalidate();
}

void TCustomPanelNoCaption::SetBorderWidth(int v) {
    if (v == BorderWidth_) return;
    BorderWidth_ = v;
    Invalidate();
}

// ---- TCustomPlotPanel

TCustomPlotPanel::TCustomPlotPanel(QWidget* parent) : TCustomPanelNoCaption(parent) {
    AutoRepaint = false;
    resize(400, 250);
    Canvas_ = std::make_unique<TPlotCanvas3D>();
    View3DOptions_ = std::make_unique<TView3DOptions>(this);
    View3DOptions_->OnRepaint = [this] { Invalidate(); };
    Shadow_ = std::make_unique<TPlotShadow>([this] { Invalidate(); });
    Border_ = std::make_unique<TChartHiddenPen>([this] { Invalidate(); });
    Border_->DefaultEnd = esFlat;
    Border_->SetEndStyle(esFlat);
    AutoRepaint = true;
}

TCustomPlotPanel::~TCustomPlotPanel() {
    Destroying = true;
    Listeners.clear();
}

void TCustomPlotPanel::RecalcWidthHeight() {
    // However much margins, titles, legend and walls take, the rectangle
    // stays inside the bounds of the paint and at least a pixel wide and high.
    const TRect& b = ChartBounds;
    if (b.Right > b.Left && b.Bottom > b.Top) {
        ChartRect.Left = std::clamp(ChartRect.Left, b.Left, b.Right - 1);
        ChartRect.Top = std::clamp(ChartRect.Top, b.Top, b.Bottom - 1);
        ChartRect.Right = std::clamp(ChartRect.Right, ChartRect.Left + 1, b.Right);
        ChartRect.Bottom = std::clamp(ChartRect.Bottom, ChartRect.Top + 1, b.Bottom);
    }
    ChartWidth = ChartRect.Right - ChartRect.Left;
    ChartHeight = ChartRect.Bottom - ChartRect.Top;
    ChartXCenter = (ChartRect.Left + ChartRect.Right) / 2;
    ChartYCenter = (ChartRect.Top + ChartRect.Bottom) / 2;
}

void TCustomPlotPanel::SetBorderRound(int v) {
    if (v == BorderRound_) return;
    BorderRound_ = v;
    if (!Loading) UpdateRegion();
    Invalidate();
}

void TCustomPlotPanel::UpdateRegion() {
    if (RegionUpdating_) return;
    RegionUpdating_ = true;
    if (BorderRound_ > 0) {
        QPainterPath path;
        path.addRoundedRect(QRectF(0, 0, width() + 1, height() + 1), BorderRound_, BorderRound_);
        setMask(RegionOfPath(path, QRect(0, 0, width() + 1, height() + 1)));
    } else {
        clearMask();
    }
    RegionUpdating_ = false;
}

void TCustomPlotPanel::Loaded() {
    Loading = false;
    if (BorderRound_ > 0) UpdateRegion();
    SavedCursor = Cursor_;
}

void TCustomPlotPanel::SetMargin(TMarginSide side, int v) { ChangeInt(Margins_[side], v); }

void TCustomPlotPanel::SetMarginUnits(TPlotUnits v) {
    if (v == MarginUnits_) return;
    MarginUnits_ = v;
    Invalidate();
}

void TCustomPlotPanel::SetView3D(bool v) {
    if (v == View3D_) return;
    View3D_ = v;
    Invalidate();
    TPlotView3DEvent event;
    NotifyListeners(event);
}

void TCustomPlotPanel::SetMonochrome(bool v) {
    if (v == Canvas_->Monochrome()) return;
    Canvas_->SetMonochrome(v);
    Invalidate();
}

void TCustomPlotPanel::ChangeBool(bool& var, bool value) {
    if (var == value) return;
    var = value;
    RequestRepaint();
}

void TCustomPlotPanel::ChangeInt(int& var, int value) {
    if (var == value) return;
    var = value;
    RequestRepaint();
}

void TCustomPlotPanel::ChangeColor(TColor& var, TColor value) {
    if (var == value) return;
    var = value;
    RequestRepaint();
}

void TCustomPlotPanel::ChangeDouble(double& var, double value) {
    if (var == value) return;
    var = value;
    RequestRepaint();
}

void TCustomPlotPanel::ChangeString(QString& var, const QString& value) {
    if (var == value) return;
    var = value;
    RequestRepaint();
}

void TCustomPlotPanel::Invalidate() {
    if (!Canvas_) return;  // still being built
    Canvas_->InvalidateBuffer();
    if (AutoRepaint) update();
}

TRect TCustomPlotPanel::PanelRectangle() const { return {0, 0, width(), height()}; }

void TCustomPlotPanel::PaintOnCanvas(TCanvas* ACanvas, const TRect& Rect) {
    ChartBounds = Canvas_->InitWindow(ACanvas, View3DOptions_.get(), Rect, View3D_);
    const TRect& b = ChartBounds;

    int border = BorderWidth();
    if (BevelInner() != bvNone) border += BevelWidth();
    if (BevelOuter() != bvNone) border += BevelWidth();
    if (Border_->Visible()) border += Border_->Width();

    const auto margin = [&](TMarginSide side, int size) {
        const int m = Margins_[side];
        return MarginUnits_ == muPixels ? m : static_cast<int>(static_cast<long long>(m) * size / 100);
    };
    const int w = b.Width(), h = b.Height();
    ChartRect = {b.Left + border + margin(msLeft, w), b.Top + border + margin(msTop, h),
                 b.Right - border - margin(msRight, w), b.Bottom - border - margin(msBottom, h)};

    // Margins larger than the panel leave a rectangle of one pixel.
    RecalcWidthHeight();

    // Bad data must not take the window down from inside a paint: what was
    // drawn before the failure is shown.
    try {
        DrawContents(ChartBounds);
    } catch (const std::exception&) {
        Canvas_->ResetState();
    }
    Canvas_->ShowImage(ACanvas, ACanvas, Rect);
}

void TCustomPlotPanel::Draw(TCanvas* target) {
    PaintOnCanvas(target, PanelRectangle());
    // The window's canvas lives for one paint only.
    if (Canvas_->ReferenceCanvas == target) Canvas_->SetCanvas(nullptr);
}

void TCustomPlotPanel::paintEvent(QPaintEvent*) {
    if (Printing) return;
    TCanvas target(this);
    Canvas_->SetCanvas(&target);
    // No exception may leave a paint event.
    try {
        const bool fromBuffer = Canvas_->UseBuffer() && Canvas_->ReDrawBitmap();
        if (!fromBuffer) Draw(&target);
    } catch (const std::exception&) {
    }
    target.releasePainter();
    Canvas_->SetCanvas(nullptr);
}

void TCustomPlotPanel::NotifyListeners(TPlotEvent& Event) {
    if (Destroying) return;
    Event.Sender = this;
    const bool isMouse = dynamic_cast<TPlotMouseEvent*>(&Event) != nullptr;
    // A listener may remove itself while being called.
    const TPlotEventListeners listeners = Listeners;
    for (IPlotEventListener* l : listeners) {
        if (std::find(Listeners.begin(), Listeners.end(), l) == Listeners.end()) continue;
        l->PlotEvent(Event);
        if (isMouse && CancelMouse) break;
    }
}

std::unique_ptr<TBitmap> TCustomPlotPanel::RenderToBitmap(TColor backColor, const TRect& rect) {
    auto bmp = std::make_unique<TBitmap>();
    const int w = std::max(0, rect.Width()), h = std::max(0, rect.Height());
    bmp->SetSize(w, h);
    bmp->SetPixelFormat24();
    if (backColor != clWhite) {
        bmp->Canvas().Brush().SetStyle(bsSolid);
        bmp->Canvas().Brush().SetColor(backColor);
        bmp->Canvas().FillRect({0, 0, w, h});
    }
    const bool buffered = Canvas_->UseBuffer();
    Canvas_->SetUseBuffer(false);
    PaintOnCanvas(&bmp->Canvas(), {0, 0, w, h});
    Canvas_->SetUseBuffer(buffered);
    Canvas_->SetCanvas(nullptr);
    bmp->Canvas().releasePainter();
    return bmp;
}

void TCustomPlotPanel::AssignTo(TPicture& picture) {
    picture.SetGraphic(RenderToBitmap(Color(), PanelRectangle()));
}

void TCustomPlotPanel::Assign(const TCustomPlotPanel& source) {
    Border_->Assign(*source.Border_);
    SetBorderRound(source.BorderRound_);
    Canvas_->SetUseBuffer(source.Canvas_->UseBuffer());
    PrintMargins = source.PrintMargins;
    PrintProportional = source.PrintProportional;
    PrintResolution = source.PrintResolution;
    for (int i = 0; i < 4; ++i) Margins_[i] = source.Margins_[i];
    MarginUnits_ = source.MarginUnits_;
    SetMonochrome(source.Monochrome());
    Shadow_->Assign(*source.Shadow_);
    SetView3D(source.View3D_);
    View3DOptions_->Assign(*source.View3DOptions_);
    SetColor(source.Color());
    Invalidate();
}

// ---- mouse

namespace {
TMouseButton toButton(Qt::MouseButton b) {
    switch (b) {
        case Qt::RightButton: return mbRight;
        case Qt::MiddleButton: return mbMiddle;
        default: return mbLeft;
    }
}

TShiftState toShift(const QMouseEvent* e) {
    TShiftState s = 0;
    const auto m = e->modifiers();
    if (m & Qt::ShiftModifier) s |= ssShift;
    if (m & Qt::AltModifier) s |= ssAlt;
    if (m & Qt::ControlModifier) s |= ssCtrl;
    const auto b = e->buttons();
    if (b & Qt::LeftButton) s |= ssLeft;
    if (b & Qt::RightButton) s |= ssRight;
    if (b & Qt::MiddleButton) s |= ssMiddle;
    return s;
}
}  // namespace

void TCustomPlotPanel::broadcastMouse(TPlotMouseEventKind kind, TMouseButton button, TShiftState shift, int x,
                                      int y) {
    if (Listeners.empty()) return;
    TPlotMouseEvent event;
    event.Event = kind;
    event.Button = button;
    event.Shift = shift;
    event.X = x;
    event.Y = y;
    NotifyListeners(event);
}

void TCustomPlotPanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    CancelMouse = false;
    if (OnMouseDown) OnMouseDown(Button, Shift, X, Y);
    broadcastMouse(pmeDown, Button, Shift, X, Y);
}

void TCustomPlotPanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(Button, Shift, X, Y);
    broadcastMouse(pmeUp, Button, Shift, X, Y);
}

void TCustomPlotPanel::MouseMove(TShiftState Shift, int X, int Y) {
    CancelMouse = false;
    if (OnMouseMove) OnMouseMove(Shift, X, Y);
    broadcastMouse(pmeMove, mbLeft, Shift, X, Y);
}

bool TCustomPlotPanel::DblClick() {
    CancelMouse = false;
    if (OnDblClick) OnDblClick();
    return !CancelMouse;
}

void TCustomPlotPanel::MouseLeave() {
    SetPanelCursor(SavedCursor);
    Panning.Active = false;
}

void TCustomPlotPanel::Resize() {
    if (!Loading && BorderRound_ > 0) UpdateRegion();
    if (OnResize) OnResize();
}

void TCustomPlotPanel::SetPanelCursor(TCursor c) {
    Cursor_ = c;
    setCursor(ToQCursor(c));
}

void TCustomPlotPanel::mousePressEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseDown(toButton(e->button()), toShift(e), p.x(), p.y());
}

void TCustomPlotPanel::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseUp(toButton(e->button()), toShift(e), p.x(), p.y());
}

void TCustomPlotPanel::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    MouseMove(toShift(e), p.x(), p.y());
}

void TCustomPlotPanel::mouseDoubleClickEvent(QMouseEvent*) { DblClick(); }

void TCustomPlotPanel::leaveEvent(QEvent* e) {
    MouseLeave();
    QWidget::leaveEvent(e);
}

void TCustomPlotPanel::changeEvent(QEvent* e) {
    if (e->type() == QEvent::PaletteChange || e->type() == QEvent::ApplicationPaletteChange) Invalidate();
    QWidget::changeEvent(e);
}

void TCustomPlotPanel::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Resize();
}

// ---- border and bevels

void TCustomPlotPanel::PaintBorderAndBevels(TRect& r) {
    TPlotCanvas3D& c = *Canvas_;
    c.Begin2D();
    c.Brush->SetStyle(bsClear);
    if (Border_->Visible()) {
        const int w = Border_->Width();
        c.SelectPen(*Border_);
        const int in = (w - 1) / 2;
        const TRect b{r.Left + in, r.Top + in, r.Right - in, r.Bottom - in};
        if (BorderRound_ >= 1)
            c.RoundRect(b.Left, b.Top, b.Right, b.Bottom, BorderRound_, BorderRound_);
        else
            c.RectangleR(b);
        const int shrink = Border_->SmallDots() ? 1 : (BorderRound_ >= 1 ? w - 1 : w);
        r = {r.Left + shrink, r.Top + shrink, r.Right - shrink, r.Bottom - shrink};
    }
    if (!Printing || PlotPrintBevelsAndBack) {
        c.Pen->SetStyle(psSolid);
        c.Pen->SetWidth(1);
        c.Pen->SetMode(pmCopy);
        const auto bevel = [&](TBevelCut cut) {
            if (cut == bvNone) return;
            TColor topLeft = clBtnHighlight, bottomRight = clBtnHighlight;
            if (cut == bvLowered) {
                topLeft = clBtnShadow;
            } else if (cut == bvRaised) {
                bottomRight = clBtnShadow;
            }
            if (BorderRound_ >= 1) {
                c.Pen->SetColor(topLeft);
                c.RoundRect(r.Left, r.Top, r.Right, r.Bottom, BorderRound_, BorderRound_);
                r = {r.Left + BevelWidth(), r.Top + BevelWidth(), r.Right - BevelWidth(), r.Bottom - BevelWidth()};
            } else {
                c.Frame3D(r, topLeft, bottomRight, BevelWidth());
            }
        };
        bevel(BevelOuter());
        if (BorderWidth() > 0) c.Frame3D(r, Color(), Color(), BorderWidth());
        bevel(BevelInner());
    }
    c.End2D();
}

// ---- TCustomPlotPanelExtended

TCustomPlotPanelExtended::TCustomPlotPanelExtended(QWidget* parent) : TCustomPlotPanel(parent) {
    Zoom_ = std::make_unique<TPlotZoom>();
}

TCustomPlotPanelExtended::~TCustomPlotPanelExtended() = default;

void TCustomPlotPanelExtended::SetAllowPanning(TPanningMode v) { AllowPanning_ = v; }

TPlotGradient& TCustomPlotPanelExtended::Gradient() {
    if (!Gradient_) Gradient_ = std::make_unique<TPlotGradient>([this] { Invalidate(); });
    return *Gradient_;
}

void TCustomPlotPanelExtended::SetGradient(const TPlotGradient* v) {
    if (!v)
        Gradient_.reset();
    else
        Gradient().Assign(*v);
    Invalidate();
}

TBackImage& TCustomPlotPanelExtended::BackImage() {
    if (!BackImage_) {
        BackImage_ = std::make_unique<TBackImage>();
        BackImage_->OnChange = [this] { Invalidate(); };
    }
    return *BackImage_;
}

void TCustomPlotPanelExtended::SetBackImage(const TBackImage* v) {
    if (!v) {
        BackImage_.reset();
        Invalidate();
    } else {
        BackImage().Assign(v);
    }
}

void TCustomPlotPanelExtended::FillPanelBack(const TRect& rect) {
    TPlotCanvas3D& c = Canvas();
    c.Begin2D();
    if (Gradient_ && Gradient_->Visible()) {
        Gradient_->Draw(c, rect);
    } else if ((!Printing || PlotPrintBevelsAndBack) && Color() != clNone) {
        c.Brush->SetStyle(bsSolid);
        c.Brush->SetColor(Color());
        c.FillRect(rect);
    }
    c.End2D();
}

void TCustomPlotPanelExtended::DrawPanelFrame(TRect& rect) {
    TPlotCanvas3D& c = Canvas();
    c.Begin2D();
    TPlotShadow& s = Shadow();
    if (s.HorizSize() != 0 || s.VertSize() != 0) {
        const TColor parentColor =
            parentWidget() ? FromQColor(parentWidget()->palette().window().color()) : Color();
        c.Brush->SetStyle(bsSolid);
        c.Brush->SetColor(parentColor);
        c.FillRect(rect);
        if (s.HorizSize() > 0)
            rect.Right -= s.HorizSize();
        else
            rect.Left -= s.HorizSize();
        if (s.VertSize() > 0)
            rect.Bottom -= s.VertSize();
        else
            rect.Top -= s.VertSize();
        s.Draw(c, rect);
    }
    FillPanelBack(rect);
    if (BackImage_ && !BackImage_->Inside()) DrawBackImage(rect, 0);
    PaintBorderAndBevels(rect);
    c.End2D();
}

bool TCustomPlotPanelExtended::CanClip() const { return !Printing || PlotClipWhenPrinting; }

void TCustomPlotPanelExtended::DrawBackImage(const TRect& rect, int z) {
    if (!BackImage_) return;
    const TGraphic* g = BackImage_->Graphic();
    if (!g || g->Empty()) return;
    TPlotCanvas3D& c = Canvas();
    const bool in3D = z > 0 && c.Is3D && !c.IsOrthogonal;
    if (BackImage_->Mode() == pbmStretch) {
        if (in3D)
            c.StretchDrawWithZ(rect, g, z);
        else if (z > 0)
            c.StretchDraw(c.Calc3DRect(rect, z), g);
        else
            c.StretchDraw(rect, g);
        return;
    }
    const bool clip = CanClip();
    if (clip) {
        if (z > 0)
            c.ClipCube(rect, 0, z);
        else
            c.ClipRectangle(rect);
    }
    const int w = g->Width(), h = g->Height();
    switch (BackImage_->Mode()) {
        case pbmTile:
            for (int y = rect.Top; y < rect.Bottom; y += h)
                for (int x = rect.Left; x < rect.Right; x += w) {
                    if (in3D)
                        c.StretchDrawWithZ({x, y, x + w, y + h}, g, z);
                    else
                        c.Draw(x, y, g);
                }
            break;
        case pbmCenter:
            FillPanelBack(rect);
            c.Draw((rect.Left + rect.Right - w) / 2, (rect.Top + rect.Bottom - h) / 2, g);
            break;
        default:
            FillPanelBack(rect);
            c.Draw(rect.Left + BackImage_->Left(), rect.Top + BackImage_->Top(), g);
            break;
    }
    if (clip) c.UnClipRectangle();
}

void TCustomPlotPanelExtended::DrawZoomRectangle() {
    TPlotCanvas3D& c = Canvas();
    const TColor k = 0xFFFFFF - (ColorToRGB(BackColor()) & 0xFFFFFF);
    if (!Zoom_->HasBrush()) {
        c.Brush->SetStyle(bsClear);
    } else {
        c.Brush->SetStyle(Zoom_->Brush().Style());
        c.Brush->SetColor((ColorToRGB(Zoom_->Brush().Color()) ^ k) & 0xFFFFFF);
    }
    TPlotZoomPen& pen = Zoom_->Pen();
    c.Pen->SetStyle(pen.Visible() ? pen.Style() : psClear);
    c.Pen->SetWidth(pen.Width());
    c.Pen->SetColor((ColorToRGB(pen.Color()) ^ k) & 0xFFFFFF);
    c.Pen->SetMode(pmNotXor);
    c.Rectangle(Zoom_->X0, Zoom_->Y0, Zoom_->X1, Zoom_->Y1);
    c.Pen->SetMode(pmCopy);
}

void TCustomPlotPanelExtended::UndoZoom() {
    if (OnUndoZoom) OnUndoZoom();
    Invalidate();
    Zoomed = false;
}

void TCustomPlotPanelExtended::Assign(const TCustomPlotPanel& source) {
    if (auto* ext = dynamic_cast<const TCustomPlotPanelExtended*>(&source)) {
        SetBackImage(ext->BackImage_.get());
        SetGradient(ext->Gradient_.get());
        AllowPanning_ = ext->AllowPanning_;
        Zoom_->Assign(*ext->Zoom_);
    }
    TCustomPlotPanel::Assign(source);
}

}  // namespace brine::chart
