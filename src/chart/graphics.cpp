#include "chart/graphics.h"

#include <QGuiApplication>
#include <QPalette>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "base/errors.h"
#include "chart/canvas.h"

namespace brine::chart {

namespace {

struct SystemColour {
    QPalette::ColorRole role;
    TColor fallback;
};

// Index of a system colour → the desktop palette's role; the fallback is used
// without a running GUI application.
constexpr SystemColour kSystemColours[] = {
    {QPalette::Mid, 0xC8C8C8},           // scroll bar
    {QPalette::Window, 0x000000},        // desktop
    {QPalette::Highlight, 0xD1B499},     // active caption
    {QPalette::Midlight, 0xDBCDBF},      // inactive caption
    {QPalette::Window, 0xF0F0F0},        // menu
    {QPalette::Base, 0xFFFFFF},          // window
    {QPalette::Shadow, 0x646464},        // window frame
    {QPalette::WindowText, 0x000000},    // menu text
    {QPalette::Text, 0x000000},          // window text
    {QPalette::HighlightedText, 0x000000},  // caption text
    {QPalette::Mid, 0xB4B4B4},           // active border
    {QPalette::Midlight, 0xFCF7F4},      // inactive border
    {QPalette::Dark, 0xABABAB},          // application work space
    {QPalette::Highlight, 0xD77800},     // highlight
    {QPalette::HighlightedText, 0xFFFFFF},  // highlight text
    {QPalette::Button, 0xF0F0F0},        // button face
    {QPalette::Dark, 0xA0A0A0},          // button shadow
    {QPalette::PlaceholderText, 0x6D6D6D},  // grey text
    {QPalette::ButtonText, 0x000000},    // button text
    {QPalette::WindowText, 0x000000},    // inactive caption text
    {QPalette::Light, 0xFFFFFF},         // button highlight
    {QPalette::Shadow, 0x696969},        // 3D dark shadow
    {QPalette::Midlight, 0xE3E3E3},      // 3D light
    {QPalette::ToolTipText, 0x000000},   // info text
    {QPalette::ToolTipBase, 0xE1FFFF},   // info background
};

struct ColourName {
    const char* name;
    TColor value;
};

constexpr ColourName kColourNames[] = {
    {"clBlack", clBlack}, {"clMaroon", clMaroon}, {"clGreen", clGreen}, {"clOlive", clOlive},
    {"clNavy", clNavy}, {"clPurple", clPurple}, {"clTeal", clTeal}, {"clGray", clGray},
    {"clSilver", clSilver}, {"clRed", clRed}, {"clLime", clLime}, {"clYellow", clYellow},
    {"clBlue", clBlue}, {"clFuchsia", clFuchsia}, {"clAqua", clAqua}, {"clWhite", clWhite},
    {"clMoneyGreen", clMoneyGreen}, {"clSkyBlue", clSkyBlue}, {"clCream", clCream}, {"clMedGray", clMedGray},
    {"clLtGray", clLtGray}, {"clDkGray", clDkGray}, {"clNone", clNone}, {"clDefault", clDefault},
    {"clScrollBar", clScrollBar}, {"clBackground", clBackground}, {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption}, {"clMenu", clMenu}, {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame}, {"clMenuText", clMenuText}, {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText}, {"clActiveBorder", clActiveBorder}, {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace}, {"clHighlight", clHighlight}, {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace}, {"clBtnShadow", clBtnShadow}, {"clGrayText", clGrayText},
    {"clBtnText", clBtnText}, {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight}, {"cl3DDkShadow", cl3DDkShadow}, {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText}, {"clInfoBk", clInfoBk},
};

}  // namespace

int StrToInt(const QString& text) {
    auto fail = [&]() -> int {
        throw ConversionError("'" + text.toStdString() + "' is not a valid integer value");
    };
    int i = 0;
    const int n = text.size();
    while (i < n && text[i] == u' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    if (i >= n) return fail();
    long long value = 0;
    if (text[i] == u'$' || (text[i] == u'0' && i + 1 < n && (text[i + 1] == u'x' || text[i + 1] == u'X'))) {
        i += text[i] == u'$' ? 1 : 2;
        const int first = i;
        for (; i < n; ++i) {
            const char16_t c = text[i].toUpper().unicode();
            int d = -1;
            if (c >= u'0' && c <= u'9') d = c - u'0';
            if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
            if (d < 0 || i - first >= 8) return fail();
            value = value * 16 + d;
        }
        if (i == first) return fail();
        // Eight hexadecimal digits fill the 32 bits, sign bit included.
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    } else {
        for (; i < n; ++i) {
            if (text[i] < u'0' || text[i] > u'9') return fail();
            value = value * 10 + (text[i].unicode() - u'0');
            if (value > 2147483648LL) return fail();
        }
    }
    if (negative) value = -value;
    if (value > INT_MAX || value < INT_MIN) return fail();
    return static_cast<int>(value);
}

std::optional<TColor> IdentToColor(const QString& name) {
    for (const ColourName& c : kColourNames)
        if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0) return c.value;
    return std::nullopt;
}

TColor StringToColor(const QString& text) {
    if (const auto c = IdentToColor(text)) return *c;
    return StrToInt(text);
}

TColor FromQColor(const QColor& c) { return RGBColor(c.red(), c.green(), c.blue()); }

TColor ColorToRGB(TColor color) {
    if (color >= 0) return color;
    const unsigned index = static_cast<unsigned>(color) & 0xFF;
    if (index >= std::size(kSystemColours)) return clBlack;
    const SystemColour& sc = kSystemColours[index];
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return FromQColor(QGuiApplication::palette().color(QPalette::Active, sc.role));
    return sc.fallback;
}

QColor ToQColor(TColor color) {
    const TColor c = ColorToRGB(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long n = static_cast<long long>(a) * b;
    long long q = n / c;
    const long long r = n % c;
    if (2 * std::llabs(r) >= std::llabs(static_cast<long long>(c))) q += ((n < 0) != (c < 0)) ? -1 : 1;
    if (q > INT_MAX || q < INT_MIN) return -1;
    return static_cast<int>(q);
}

// ---- TPen

void TPen::SetColor(TColor c) {
    // Any setting drops a pen made outside the settings, even an unchanged one.
    if (c == color_ && !ext_) return;
    color_ = c;
    ext_.reset();
    Changed();
}

void TPen::SetWidth(int w) {
    if (w == width_ && !ext_) return;
    width_ = w;
    ext_.reset();
    Changed();
}

void TPen::SetStyle(TPenStyle s) {
    if (s == style_ && !ext_) return;
    style_ = s;
    ext_.reset();
    Changed();
}

void TPen::SetMode(TPenMode m) {
    if (m == mode_) return;
    mode_ = m;
    Changed();
}

void TPen::SetHandle(const QPen& pen) {
    ext_ = pen;
    Changed();
}

QPen TPen::Handle() const {
    if (ext_) return *ext_;
    if (style_ == psClear) return QPen(Qt::NoPen);
    QPen p(ToQColor(color_));
    if (width_ <= 1) {
        // A thin pen: one pixel, the last point of a line left out, and the
        // dash lengths of the classic styles in pixels.
        p.setWidth(1);
        p.setCapStyle(Qt::FlatCap);
        switch (style_) {
            case psDash: p.setDashPattern({18, 6}); break;
            case psDot: p.setDashPattern({3, 3}); break;
            case psDashDot: p.setDashPattern({9, 6, 3, 6}); break;
            case psDashDotDot: p.setDashPattern({9, 3, 3, 3, 3, 3}); break;
            default: break;
        }
    } else {
        // Wide plain pens are solid with round ends whatever their style.
        p.setWidth(width_);
        p.setCapStyle(Qt::RoundCap);
        p.setJoinStyle(Qt::RoundJoin);
    }
    return p;
}

void TPen::Assign(const TPen& source) {
    color_ = source.color_;
    width_ = source.width_;
    style_ = source.style_;
    mode_ = source.mode_;
    ext_ = source.ext_;
    Changed();
}

// ---- TBrush

void TBrush::SetColor(TColor c) {
    if (c == color_ && style_ != bsClear) return;
    color_ = c;
    if (style_ == bsClear) style_ = bsSolid;  // a colour makes a clear brush solid again
    Changed();
}

void TBrush::SetStyle(TBrushStyle s) {
    if (s == style_) return;
    style_ = s;
    Changed();
}

void TBrush::SetBitmap(const TBitmap* bitmap) {
    bitmap_ = bitmap ? bitmap->Image() : QImage();
    Changed();
}

void TBrush::Assign(const TBrush& source) {
    color_ = source.color_;
    style_ = source.style_;
    bitmap_ = source.bitmap_;
    Changed();
}

// ---- fonts

QFont TLogFont::ToQFont(int characterExtra) const {
    QFont f(FaceName);
    f.setPixelSize(std::max(1, std::abs(Height)));
    f.setBold(Bold);
    f.setItalic(Italic);
    f.setUnderline(Underline);
    f.setStrikeOut(StrikeOut);
    if (characterExtra != 0) f.setLetterSpacing(QFont::AbsoluteSpacing, characterExtra);
    if (Quality == ANTIALIASED_QUALITY)
        f.setStyleStrategy(QFont::PreferAntialias);
    else if (Quality == NONANTIALIASED_QUALITY)
        f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

TFont::TFont() { height_ = -MulDiv(8, ppi_, 72); }

void TFont::SetName(const QString& n) {
    if (n == name_) return;
    name_ = n;
    Changed();
}

int TFont::Size() const { return -MulDiv(height_, 72, ppi_); }

void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ppi_, 72)); }

void TFont::SetHeight(int h) {
    if (h == height_) return;
    height_ = h;
    Changed();
}

void TFont::SetColor(TColor c) {
    if (c == color_) return;
    color_ = c;
    Changed();
}

void TFont::SetStyle(TFontStyles s) {
    if (s == style_) return;
    style_ = s;
    Changed();
}

void TFont::SetCharset(int c) {
    if (c == charset_) return;
    charset_ = c;
    Changed();
}

TLogFont TFont::GetLogFont() const {
    TLogFont lf;
    lf.Height = height_;
    lf.Bold = style_ & fsBold;
    lf.Italic = style_ & fsItalic;
    lf.Underline = style_ & fsUnderline;
    lf.StrikeOut = style_ & fsStrikeOut;
    lf.CharSet = charset_;
    lf.FaceName = name_;
    return lf;
}

void TFont::Assign(const TFont& source) {
    name_ = source.name_;
    // Across resolutions the size in points is kept, not the pixels.
    height_ = source.ppi_ == ppi_ ? source.height_ : -MulDiv(source.Size(), ppi_, 72);
    color_ = source.color_;
    style_ = source.style_;
    charset_ = source.charset_;
    Changed();
}

// ---- bitmaps and pictures

TBitmap::TBitmap() = default;

TBitmap::TBitmap(const TBitmap& other) : TGraphic(other), image_(other.image_) {}

TBitmap::~TBitmap() {
    if (canvas_) canvas_->releasePainter();
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    if (width == image_.width() && height == image_.height() && !image_.isNull()) return;
    if (canvas_) canvas_->releasePainter();
    QImage fresh(width, height, QImage::Format_RGB32);
    fresh.fill(Qt::white);
    image_ = fresh;
}

void TBitmap::SetPixelFormat24() {
    if (image_.isNull() || image_.format() == QImage::Format_RGB32) return;
    if (canvas_) canvas_->releasePainter();
    image_ = image_.convertToFormat(QImage::Format_RGB32);
}

TCanvas& TBitmap::Canvas() {
    if (image_.isNull()) SetSize(0, 0);
    if (!canvas_) canvas_ = std::make_unique<TCanvas>(&image_);
    return *canvas_;
}

QImage& TBitmap::Image() {
    if (canvas_) canvas_->releasePainter();
    return image_;
}

void TBitmap::SetImage(const QImage& image) {
    if (canvas_) canvas_->releasePainter();
    image_ = image;
}

void TBitmap::DrawOn(TCanvas& canvas, const QRect& target) const {
    if (image_.isNull() || canvas.image() == &image_) return;
    if (!Transparent()) {
        canvas.drawImage(target, image_, image_.rect());
        return;
    }
    // A transparent bitmap leaves out the colour of its bottom-left pixel.
    QImage keyed = image_.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = keyed.pixel(0, keyed.height() - 1) | 0xFF000000u;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if ((line[x] | 0xFF000000u) == key) line[x] = 0;
    }
    canvas.drawImage(target, keyed, keyed.rect());
}

std::unique_ptr<TGraphic> TBitmap::Clone() const { return std::make_unique<TBitmap>(*this); }

void TPicture::SetGraphic(std::unique_ptr<TGraphic> g) {
    graphic_ = std::move(g);
    Changed();
}

TBitmap& TPicture::Bitmap() {
    auto* bmp = dynamic_cast<TBitmap*>(graphic_.get());
    if (!bmp) {
        auto fresh = std::make_unique<TBitmap>();
        bmp = fresh.get();
        graphic_ = std::move(fresh);
        Changed();
    }
    return *bmp;
}

void TPicture::Assign(const TPicture* source) {
    graphic_ = (source && source->graphic_) ? source->graphic_->Clone() : nullptr;
    Changed();
}

}  // namespace brine::chart
