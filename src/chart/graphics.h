#pragma once
// The chart's own graphics objects: colours in the $BBGGRR convention, pens,
// brushes, fonts, bitmaps and pictures. They hold settings only; drawing goes
// through TCanvas (canvas.h).
#include <QFont>
#include <QImage>
#include <QPen>
#include <QString>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace brine::chart {

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TFloatPoint {
    double X = 0;
    double Y = 0;
};

// Right and Bottom lie outside the area, as in device rectangles.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// ---- colours --------------------------------------------------------------

// Red in the low byte; negative values are system colours.
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clOlive = 0x008080;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
// No colour: nothing is filled; a point of this colour breaks a line.
constexpr TColor clNone = 0x1FFFFFFF;
// No colour of its own: the owner's, palette's or drawing code's colour is used.
constexpr TColor clDefault = 0x20000000;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;

// System colours become the desktop palette's RGB; others pass unchanged.
TColor ColorToRGB(TColor color);
// The RGB of a colour (system colours resolved, flag byte ignored), opaque.
QColor ToQColor(TColor color);
constexpr TColor RGBColor(int r, int g, int b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }
constexpr int GetRValue(TColor c) { return c & 0xFF; }
constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }
TColor FromQColor(const QColor& c);

// Integer text as the form framework reads it: leading blanks, an optional
// sign, then decimal digits or "$" and up to eight hexadecimal digits.
// Anything else, or a value outside 32 bits, raises ConversionError.
int StrToInt(const QString& text);
// A colour identifier such as "clNavy" (case ignored), or nothing.
std::optional<TColor> IdentToColor(const QString& name);
// A colour identifier or an integer text; ConversionError otherwise.
TColor StringToColor(const QString& text);

// (a × b) / c rounded half away from zero, in 64 bits; -1 when c is 0.
int MulDiv(int a, int b, int c);
// The chart's rounding: to nearest, halves to even. Out-of-range values
// saturate and NaN gives 0, so that drawing never fails on bad data. Inline:
// value-to-pixel conversions call it for every point drawn.
inline int Round(double x) {
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return INT_MAX;
    if (x <= -2147483648.0) return INT_MIN;
    return static_cast<int>(std::nearbyint(x));
}

// ---- graphics objects -----------------------------------------------------

using TNotifyEvent = std::function<void()>;

class TGraphicsObject {
public:
    virtual ~TGraphicsObject() = default;
    TNotifyEvent OnChange;

protected:
    void Changed() const {
        if (OnChange) OnChange();
    }
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    int Width() const { return width_; }
    void SetWidth(int w);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle s);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode m);

    // A pen made outside the plain settings (geometric, user dashes); any
    // change of the settings above drops it again.
    void SetHandle(const QPen& pen);
    bool HasExtHandle() const { return ext_.has_value(); }
    // The pen as drawn; Qt::NoPen for psClear.
    QPen Handle() const;

    virtual void Assign(const TPen& source);

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    std::optional<QPen> ext_;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBitmap;

class TBrush : public TGraphicsObject {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle s);
    // A pattern image; the brush keeps its own copy of the pixels.
    const QImage& Bitmap() const { return bitmap_; }
    void SetBitmap(const TBitmap* bitmap);
    bool HasBitmap() const { return !bitmap_.isNull(); }

    virtual void Assign(const TBrush& source);

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    QImage bitmap_;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

constexpr int DEFAULT_QUALITY = 0;
constexpr int NONANTIALIASED_QUALITY = 3;
constexpr int ANTIALIASED_QUALITY = 4;

// A font description as the device takes it: height in pixels (negative:
// character height), escapement in tenths of a degree, counter-clockwise.
struct TLogFont {
    int Height = -11;
    int Escapement = 0;
    int Orientation = 0;
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    int CharSet = 1;
    int OutPrecision = 0;
    int ClipPrecision = 0;
    int Quality = DEFAULT_QUALITY;
    QString FaceName;

    QFont ToQFont(int characterExtra) const;
};

class TFont : public TGraphicsObject {
public:
    TFont();
    QString Name() const { return name_; }
    void SetName(const QString& n);
    // Points, from Height and PixelsPerInch.
    int Size() const;
    void SetSize(int points);
    int Height() const { return height_; }
    void SetHeight(int h);
    TColor Color() const { return color_; }
    void SetColor(TColor c);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles s);
    int Charset() const { return charset_; }
    void SetCharset(int c);
    int PixelsPerInch() const { return ppi_; }
    void SetPixelsPerInch(int ppi) { ppi_ = ppi > 0 ? ppi : 96; }

    TLogFont GetLogFont() const;
    virtual void Assign(const TFont& source);

private:
    QString name_ = QStringLiteral("Arial");
    int ppi_ = 96;
    int height_ = -11;
    TColor color_ = clBlack;
    TFontStyles style_ = 0;
    int charset_ = 1;
};

// ---- pictures -------------------------------------------------------------

class TCanvas;

class TGraphic {
public:
    virtual ~TGraphic() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const { return Width() <= 0 || Height() <= 0; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t) { transparent_ = t; }
    // Draws the graphic stretched into the rectangle (device coordinates).
    virtual void DrawOn(TCanvas& canvas, const QRect& target) const = 0;
    virtual std::unique_ptr<TGraphic> Clone() const = 0;

private:
    bool transparent_ = false;
};

// An image with a canvas drawing into it. 24-bit bitmaps are held as RGB32.
class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(const TBitmap& other);
    ~TBitmap() override;
    TBitmap& operator=(const TBitmap&) = delete;

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void SetSize(int width, int height);
    // Makes the pixels 24-bit (opaque RGB).
    void SetPixelFormat24();
    TCanvas& Canvas();
    // The pixels; ends drawing in progress first so that they are complete.
    QImage& Image();
    const QImage& Image() const { return image_; }
    void SetImage(const QImage& image);

    void DrawOn(TCanvas& canvas, const QRect& target) const override;
    std::unique_ptr<TGraphic> Clone() const override;

private:
    QImage image_;
    std::unique_ptr<TCanvas> canvas_;
};

class TPicture : public TGraphicsObject {
public:
    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> g);
    // The picture as a bitmap; a picture holding something else is replaced
    // by an empty bitmap, as the framework's picture does.
    TBitmap& Bitmap();
    void Assign(const TPicture* source);

private:
    std::unique_ptr<TGraphic> graphic_;
};

}  // namespace brine::chart
