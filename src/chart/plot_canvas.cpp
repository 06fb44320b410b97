#include "chart/plot_canvas.h"

#include <QGuiApplication>
#include <QLocale>
#include <algorithm>
#include <cmath>

#include "chart/canvas3d.h"
#include "chart/plot_gradient.h"
#include "chart/plot_html.h"

namespace brine::chart {

void PlotCanvasInitialization() {
    static bool done = false;
    if (done) return;
    done = true;
    PlotUseExtPens = true;
    PlotCanUseAlphaBlend = true;
    PlotDefaultFontSize = 8;
    PlotDefaultFontName = QStringLiteral("Arial");
    // A Japanese desktop has no Japanese glyphs in Arial: take its own font.
    if (QLocale::system().language() == QLocale::Japanese &&
        qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QFont f = QGuiApplication::font();
        if (f.pointSize() > 0) PlotDefaultFontSize = f.pointSize();
        PlotDefaultFontName = f.family();
    }
}

// ---- TChartPen and its variants

TChartPen::TChartPen(TNotifyEvent onChange) { OnChange = std::move(onChange); }

void TChartPen::setClassDefaults(TColor color, TPenStyle style) {
    SetColor(color);
    SetStyle(style);
    defaultColor_ = color;
    defaultStyle_ = style;
}

void TChartPen::SetEndStyle(TPenEndStyle v) {
    if (v == EndStyle_) return;
    EndStyle_ = v;
    Changed();
}

void TChartPen::SetSmallDots(bool v) {
    if (v == SmallDots_) return;
    SmallDots_ = v;
    Changed();
}

void TChartPen::SetSmallSpace(int v) {
    if (v == SmallSpace_) return;
    SmallSpace_ = v;
    Changed();
}

void TChartPen::SetVisible(bool v) {
    if (v == Visible_) return;
    Visible_ = v;
    Changed();
}

void TChartPen::Assign(const TPen& source) {
    if (auto* pen = dynamic_cast<const TChartPen*>(&source)) {
        Visible_ = pen->Visible_;
        SmallDots_ = pen->SmallDots_;
        SmallSpace_ = pen->SmallSpace_;
        EndStyle_ = pen->EndStyle_;
    }
    TPen::Assign(source);
}

TChartHiddenPen::TChartHiddenPen(TNotifyEvent onChange) : TChartPen(nullptr) {
    SetVisible(false);
    DefaultVisible = false;
    OnChange = std::move(onChange);
}

TDottedGrayPen::TDottedGrayPen(TNotifyEvent onChange) : TChartPen(nullptr) {
    setClassDefaults(clGray, psDot);
    OnChange = std::move(onChange);
}

TDarkGrayPen::TDarkGrayPen(TNotifyEvent onChange) : TChartPen(nullptr) {
    setClassDefaults(clGray, psSolid);
    OnChange = std::move(onChange);
}

TWhitePen::TWhitePen(TNotifyEvent onChange) : TChartPen(nullptr) {
    setClassDefaults(clWhite, psSolid);
    OnChange = std::move(onChange);
}

// ---- TChartBrush

TChartBrush::TChartBrush(TNotifyEvent onChange) {
    SetColor(clDefault);
    OnChange = std::move(onChange);
}

TPicture& TChartBrush::Image() {
    if (!Image_) {
        Image_ = std::make_unique<TPicture>();
        Image_->OnChange = [this] { Changed(); };
    }
    return *Image_;
}

void TChartBrush::SetImage(const TPicture* picture) {
    if (picture)
        Image().Assign(picture);
    else
        Image_.reset();
    Changed();
}

void TChartBrush::Assign(const TBrush& source) {
    if (auto* brush = dynamic_cast<const TChartBrush*>(&source)) {
        if (brush->Image_)
            Image().Assign(brush->Image_.get());
        else
            Image_.reset();
    }
    TBrush::Assign(source);
}

// ---- TPlotFont

TPlotFont::TPlotFont(TNotifyEvent onChange) {
    PlotCanvasInitialization();
    SetColor(clBlack);
    DefaultColor = clBlack;
    if (Charset() != 1) SetCharset(1);
    SetName(PlotDefaultFontName);
    if (Size() != PlotDefaultFontSize) SetSize(PlotDefaultFontSize);
    OnChange = std::move(onChange);
}

TPlotFont::~TPlotFont() = default;

TPlotFontGradient& TPlotFont::Gradient() {
    if (!Gradient_) Gradient_ = std::make_unique<TPlotFontGradient>([this] { Changed(); });
    return *Gradient_;
}

TChartHiddenPen& TPlotFont::OutLine() {
    if (!OutLine_) OutLine_ = std::make_unique<TChartHiddenPen>([this] { Changed(); });
    return *OutLine_;
}

TPlotShadow& TPlotFont::Shadow() {
    if (!Shadow_) Shadow_ = std::make_unique<TPlotShadow>([this] { Changed(); });
    return *Shadow_;
}

void TPlotFont::SetInterCharSize(int v) {
    if (v == InterCharSize_) return;
    InterCharSize_ = v;
    Changed();
}

void TPlotFont::Assign(const TFont& source) {
    if (auto* font = dynamic_cast<const TPlotFont*>(&source)) {
        if (font->Gradient_)
            Gradient().Assign(*font->Gradient_);
        else
            Gradient_.reset();
        InterCharSize_ = font->InterCharSize_;
        if (font->OutLine_)
            OutLine().Assign(*font->OutLine_);
        else
            OutLine_.reset();
        if (font->Shadow_)
            Shadow().Assign(*font->Shadow_);
        else
            Shadow_.reset();
    }
    TFont::Assign(source);
}

// ---- helpers

bool PointInRect(const TRect& r, int x, int y) { return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom; }

bool PointInRectP(const TRect& r, const TPoint& p) { return PointInRect(r, p.X, p.Y); }

TRect OrientRectangle(const TRect& r) {
    TRect o = r;
    if (o.Left > o.Right) std::swap(o.Left, o.Right);
    if (o.Top > o.Bottom) std::swap(o.Top, o.Bottom);
    return o;
}

void RectSize(const TRect& r, int& width, int& height) {
    width = r.Right - r.Left;
    height = r.Bottom - r.Top;
}

void RectCenter(const TRect& r, int& x, int& y) {
    x = static_cast<int>((static_cast<long long>(r.Left) + r.Right) / 2);
    y = static_cast<int>((static_cast<long long>(r.Top) + r.Bottom) / 2);
}

TRect PolygonBounds(const TPoint* points, int count) {
    if (!points || count <= 0) return {};
    TRect r{points[0].X, points[0].Y, points[0].X, points[0].Y};
    for (int i = 1; i < count; ++i) {
        r.Left = std::min(r.Left, points[i].X);
        r.Top = std::min(r.Top, points[i].Y);
        r.Right = std::max(r.Right, points[i].X);
        r.Bottom = std::max(r.Bottom, points[i].Y);
    }
    ++r.Right;
    ++r.Bottom;
    return r;
}

bool NegativeTurn(const TPoint& p0, const TPoint& p1, const TPoint& p2) {
    const long long a = static_cast<long long>(p0.X - static_cast<long long>(p1.X)) * (p2.Y - static_cast<long long>(p1.Y));
    const long long b = static_cast<long long>(p2.X - static_cast<long long>(p1.X)) * (p0.Y - static_cast<long long>(p1.Y));
    return a - b < 0;
}

bool NegativeTurn(const TPoint (&points)[3]) { return NegativeTurn(points[0], points[1], points[2]); }

TColor ApplyDark(TColor color, int amount) {
    const TColor c = ColorToRGB(color);
    auto dark = [amount](int ch) { return ch > amount ? ch - amount : 0; };
    return RGBColor(dark(GetRValue(c)), dark(GetGValue(c)), dark(GetBValue(c)));
}

TColor ApplyBright(TColor color, int amount) {
    const TColor c = ColorToRGB(color);
    auto bright = [amount](int ch) { return std::clamp(ch + amount, 0, 255); };
    return RGBColor(bright(GetRValue(c)), bright(GetGValue(c)), bright(GetBValue(c)));
}

TRGBTriple ColorToRGBTriple(TColor color) {
    const TColor c = ColorToRGB(color);
    return {static_cast<unsigned char>(GetBValue(c)), static_cast<unsigned char>(GetGValue(c)),
            static_cast<unsigned char>(GetRValue(c))};
}

void SwapInteger(int& a, int& b) { std::swap(a, b); }
void SwapDouble(double& a, double& b) { std::swap(a, b); }
double Hypot(double x, double y) { return std::sqrt(x * x + y * y); }

// ---- pens made from chart pens

QPen CreateSmallDotsPen(TColor color, int space) {
    QPen p(ToQColor(color));
    p.setWidth(1);
    p.setCapStyle(Qt::FlatCap);
    p.setDashPattern({1.0, space >= 1 ? static_cast<qreal>(space) : 1.0});
    return p;
}

void AssignExtPen(TPen& target, const TChartPen& pen, TColor color) {
    if (pen.SmallDots()) {
        // The plain settings follow the dots, so that a later look at the
        // style does not see a cleared pen that no longer is one.
        target.SetColor(color);
        target.SetWidth(1);
        target.SetStyle(psSolid);
        target.SetHandle(CreateSmallDotsPen(color, pen.SmallSpace()));
        target.SetMode(pen.Mode());
        return;
    }
    target.Assign(pen);
    if (pen.Width() < 2) {
        if (target.Color() != color) target.SetColor(color);
        if (PlotThinDashedPens && target.Style() != psSolid && target.Width() == 1) target.SetWidth(0);
        return;
    }
    target.SetColor(color);
    if (target.Style() == psClear) return;
    QPen p(ToQColor(color));
    p.setWidth(pen.Width());
    switch (pen.Style()) {
        case psDash: p.setStyle(Qt::DashLine); break;
        case psDot: p.setStyle(Qt::DotLine); break;
        case psDashDot: p.setStyle(Qt::DashDotLine); break;
        case psDashDotDot: p.setStyle(Qt::DashDotDotLine); break;
        default: p.setStyle(Qt::SolidLine); break;
    }
    switch (pen.EndStyle()) {
        case esRound: p.setCapStyle(Qt::RoundCap); p.setJoinStyle(Qt::RoundJoin); break;
        case esSquare: p.setCapStyle(Qt::SquareCap); p.setJoinStyle(Qt::BevelJoin); break;
        case esFlat: p.setCapStyle(Qt::FlatCap); p.setJoinStyle(Qt::MiterJoin); break;
    }
    target.SetHandle(p);
}

// ---- blending

TPlotBlend::TPlotBlend(TPlotCanvas& canvas, const TRect& rect) : Canvas(&canvas) { SetRectangle(rect); }

TPlotBlend::~TPlotBlend() = default;

static TBitmap* offscreenBitmapOf(TPlotCanvas* canvas) {
    auto* c3 = dynamic_cast<TPlotCanvas3D*>(canvas);
    return c3 && c3->UseBuffer() ? c3->Bitmap() : nullptr;
}

void TPlotBlend::SetRectangle(const TRect& rect) {
    Rect = OrientRectangle(rect);
    Rect.Left = std::max(Rect.Left, 0);
    Rect.Top = std::max(Rect.Top, 0);
    Rect.Right = std::max(Rect.Right, 0);
    Rect.Bottom = std::max(Rect.Bottom, 0);
    Rect.Right = std::max(Rect.Right, Rect.Left + 1);
    Rect.Bottom = std::max(Rect.Bottom, Rect.Top + 1);
    Rect.Right = std::min(Rect.Right, Canvas->Bounds.Right);
    Rect.Bottom = std::min(Rect.Bottom, Canvas->Bounds.Bottom);
    Valid = Rect.Width() > 0 && Rect.Height() > 0;
    if (!Valid) return;
    Bitmap = std::make_unique<TBitmap>();
    Bitmap->SetSize(Rect.Width(), Rect.Height());
    TCanvas* source = Canvas->ReferenceCanvas;
    if (TBitmap* off = offscreenBitmapOf(Canvas)) source = &off->Canvas();
    if (source) Bitmap->Canvas().CopyRect({0, 0, Rect.Width(), Rect.Height()}, *source, Rect);
}

void TPlotBlend::DoBlend(int transparency) {
    if (Canvas->NoBlending || !Valid || !Canvas->ReferenceCanvas) return;
    TBitmap* drawn = offscreenBitmapOf(Canvas);
    std::unique_ptr<TBitmap> temporary;
    TPoint origin{Rect.Left, Rect.Top};
    if (!drawn) {
        temporary = std::make_unique<TBitmap>();
        temporary->SetSize(Rect.Width(), Rect.Height());
        temporary->Canvas().CopyRect({0, 0, Rect.Width(), Rect.Height()}, *Canvas->ReferenceCanvas, Rect);
        drawn = temporary.get();
        origin = {0, 0};
    }
    const unsigned align = Canvas->TextAlign();
    BlendBitmaps(*Bitmap, *drawn, origin, 100 - transparency);
    if (Canvas->TextAlign() != align) {
        if (Canvas->FontObject) Canvas->AssignFont(*Canvas->FontObject);
        Canvas->SetTextAlign(align);
    }
    if (temporary) Canvas->ReferenceCanvas->Draw(Rect.Left, Rect.Top, *temporary);
}

void BlendBitmaps(TBitmap& background, TBitmap& drawn, TPoint origin, double percent) {
    background.SetPixelFormat24();
    drawn.SetPixelFormat24();
    const int x0 = std::max(origin.X, 0), y0 = std::max(origin.Y, 0);
    const int w = std::min(background.Width(), drawn.Width() - x0);
    const int h = std::min(background.Height(), drawn.Height() - y0);
    if (w < 1 || h < 1) return;
    if (PlotCanUseAlphaBlend) {
        drawn.Canvas().alphaBlend(x0, y0, w, h, background.Canvas(), 0, 0, 255 - Round(2.55 * percent));
        return;
    }
    const int t = 100 - Round(percent);
    const QImage& back = background.Image();
    QImage& image = drawn.Image();
    for (int r = 0; r < h; ++r) {
        auto* d = reinterpret_cast<QRgb*>(image.scanLine(y0 + r)) + x0;
        const auto* b = reinterpret_cast<const QRgb*>(back.constScanLine(r));
        for (int c = 0; c < w; ++c) {
            int red = qRed(d[c]), green = qGreen(d[c]), blue = qBlue(d[c]);
            if (red == 255 && green == 255 && blue == 255) red = 254;
            red += ((qRed(b[c]) - red) * t) / 100;
            green += ((qGreen(b[c]) - green) * t) / 100;
            blue += ((qBlue(b[c]) - blue) * t) / 100;
            d[c] = qRgb(red, green, blue);
        }
    }
}

// ---- TPlotCanvas

TPlotCanvas::TPlotCanvas() {
    PlotCanvasInitialization();
    SetCanvas(nullptr);
}

TPlotCanvas::~TPlotCanvas() = default;

void TPlotCanvas::SetCanvas(TCanvas* canvas) {
    if (canvas != ReferenceCanvas) savedClips_.clear();
    ReferenceCanvas = canvas;
    Font = &dc().Font();
    Pen = &dc().Pen();
    Brush = &dc().Brush();
}

void TPlotCanvas::SelectPenColor(TPen& pen, TColor color) {
    if (Monochrome()) color = clBlack;
    auto* chartPen = dynamic_cast<TChartPen*>(&pen);
    if (chartPen && !chartPen->Visible()) {
        Pen->SetStyle(psClear);
        return;
    }
    if (chartPen && PlotUseExtPens && !FullRotation()) {
        AssignExtPen(*Pen, *chartPen, color);
        return;
    }
    Pen->Assign(pen);
    Pen->SetColor(color);
    if (PlotThinDashedPens && pen.Style() != psSolid && pen.Width() == 1) Pen->SetWidth(0);
}

std::unique_ptr<TPlotBlend> TPlotCanvas::BeginBlending(const TRect& r, int transparency) {
    BlendTransparency = transparency & 127;
    return std::make_unique<TPlotBlend>(*this, r);
}

void TPlotCanvas::EndBlending(std::unique_ptr<TPlotBlend> blend) {
    if (blend) blend->DoBlend(BlendTransparency);
}

void TPlotCanvas::AssignBrushColor(TChartBrush& brush, TColor color, TColor backColor) {
    if (Monochrome()) color = clWhite;
    if (brush.HasImage() && brush.Image().Graphic()) {
        Brush->SetStyle(bsClear);
        TGraphic* graphic = brush.Image().Graphic();
        if (auto* bmp = dynamic_cast<TBitmap*>(graphic)) {
            Brush->SetBitmap(bmp);
        } else {
            TBitmap pattern;
            pattern.SetSize(graphic->Width(), graphic->Height());
            pattern.Canvas().Draw(0, 0, *graphic);
            Brush->SetBitmap(&pattern);
        }
        Handle()->setTextColor(ColorToRGB(color));
        SetBackMode(OPAQUE);
        SetBackColor(backColor);
        return;
    }
    Brush->SetBitmap(nullptr);
    if (Brush->Color() != color) Brush->SetColor(color);
    if (Brush->Style() != brush.Style()) Brush->SetStyle(brush.Style());
    if (backColor != clNone) {
        SetBackMode(OPAQUE);
        SetBackColor(backColor);
    } else {
        SetBackMode(TRANSPARENT);
    }
}

void TPlotCanvas::AssignFont(TPlotFont& font) {
    font.SetPixelsPerInch(Font->PixelsPerInch());
    Font->Assign(font);
    if (FontZoom != 100) Font->SetSize(Round(Font->Size() * FontZoom * 0.01));
    if (Monochrome()) Font->SetColor(clBlack);
    if (Handle()->characterExtra() != font.InterCharSize()) Handle()->setCharacterExtra(font.InterCharSize());
    FontObject = &font;
    font.ICanvas = this;
}

void TPlotCanvas::ResetState() {
    Pen->SetColor(clBlack);
    Pen->SetWidth(1);
    Pen->SetStyle(psSolid);
    Brush->SetColor(clWhite);
    Brush->SetStyle(bsSolid);
    Font->SetColor(clBlack);
    Font->SetStyle(0);
    Font->SetCharset(1);
    Font->SetName(PlotDefaultFontName);
    Font->SetSize(PlotDefaultFontSize);
    BlendTransparency = 0;
    FontObject = nullptr;
    SetBackColor(clWhite);
    SetBackMode(TRANSPARENT);
    SetTextAlign(TA_LEFT | TA_TOP);
}

void TPlotCanvas::SetBrushDarkColor(TColor color, int amount) {
    const TColor dark = ApplyDark(color, amount);
    if (Brush->Style() != bsSolid)
        SetBackColor(dark);
    else
        Brush->SetColor(dark);
}

int TPlotCanvas::TextWidth(const QString& text) {
    int w = Handle()->textExtent(text).cx;
    if (FontObject && FontObject->HasShadow()) w += std::abs(FontObject->Shadow().HorizSize());
    return w;
}

int TPlotCanvas::TextHeight(const QString& text) {
    int h = Handle()->textExtent(text).cy;
    if (FontObject && FontObject->HasShadow()) h += std::abs(FontObject->Shadow().VertSize());
    return h;
}

void TPlotCanvas::TextOutFormat(int x, int y, const QString& text, bool html) {
    if (html)
        HtmlTextOutOrPlain(*this, x, y, text);
    else
        TextOut(x, y, text);
}

TRect TPlotCanvas::TextRectangle(int x, int y, const QString& text) {
    const int w = TextWidth(text);
    const int h = TextHeight(text);
    switch (TextAlign() & TA_CENTER) {
        case TA_RIGHT: return {x - w, y, x, y + h};
        case TA_CENTER: return {x - w / 2, y, x + w / 2, y + h};
        default: return {x, y, x + w, y + h};
    }
}

void TPlotCanvas::Frame3D(TRect& r, TColor topColor, TColor bottomColor, int width) {
    Pen->SetWidth(1);
    Pen->SetStyle(psSolid);
    --r.Right;
    --r.Bottom;
    for (int i = 0; i < width; ++i) {
        Pen->SetColor(topColor);
        const TPoint top[3] = {{r.Left, r.Bottom}, {r.Left, r.Top}, {r.Right, r.Top}};
        Polyline(top, 2);
        Pen->SetColor(bottomColor);
        const TPoint bottom[3] = {{r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left - 1, r.Bottom}};
        Polyline(bottom, 2);
        ++r.Left;
        ++r.Top;
        --r.Right;
        --r.Bottom;
    }
    ++r.Right;
    ++r.Bottom;
}

// ---- clipping

void TPlotCanvas::SaveClip() { savedClips_.push_back(dc().clipRegion()); }

void TPlotCanvas::SelectClipRegion(const std::optional<QRegion>& region) {
    // Saved even without a region, so that the caller's UnClipRectangle
    // does not take away a clip set before.
    SaveClip();
    if (region) dc().combineClipRegion(*region, ClipCombine::And);
}

void TPlotCanvas::RestoreClipRegion() {
    if (savedClips_.empty()) {
        dc().selectClipRegion(std::nullopt);
        return;
    }
    dc().selectClipRegion(savedClips_.back());
    savedClips_.pop_back();
}

void TPlotCanvas::ClipRoundRectangle(const TRect& r, int corner) {
    const TRect o = OrientRectangle(r);
    QPainterPath path;
    path.addRoundedRect(QRectF(o.Left, o.Top, o.Width(), o.Height()), corner / 2.0, corner / 2.0);
    SelectClipRegion(RegionOfPath(path, path.boundingRect().toAlignedRect()));
}

void TPlotCanvas::ClipEllipse(const TRect& r, bool inverted) {
    const TRect o = OrientRectangle(r);
    const QRegion region(QRect(o.Left, o.Top, o.Width(), o.Height()), QRegion::Ellipse);
    if (inverted) {
        SaveClip();
        dc().combineClipRegion(region, ClipCombine::Xor);
    } else {
        SelectClipRegion(region);
    }
}

void TPlotCanvas::ClipPolygon(const TPoint* points, int count) {
    if (!points || count < 3) return SelectClipRegion(std::nullopt);
    QPolygon poly;
    for (int i = 0; i < count; ++i) poly << QPoint(points[i].X, points[i].Y);
    SelectClipRegion(QRegion(poly, Qt::OddEvenFill));
}

}  // namespace brine::chart
