#pragma once
// The chart's drawing device: a canvas over a Qt paint device that keeps the
// state a classic device context has (current position, background colour
// and mode, text alignment and colour, clip region, a path under
// construction) and draws aliased, with right and bottom edges excluded,
// so that the chart's pixel arithmetic holds.
#include <QPainterPath>
#include <QRegion>
#include <memory>
#include <optional>

#include "chart/graphics.h"

class QPainter;
class QPaintDevice;

namespace brine::chart {

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Text alignment flags.
constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_UPDATECP = 1;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;

// How a new region combines with the clip region.
enum class ClipCombine { And, Or, Xor, Diff, Copy };

enum class ArcDirection { CounterClockwise, Clockwise };

struct TextSize {
    int cx = 0;
    int cy = 0;
};

// The pixels covered by a filled path, within limit.
QRegion RegionOfPath(const QPainterPath& path, const QRect& limit);

class TCanvas {
public:
    // The device is not owned; nullptr gives a canvas that draws nothing.
    explicit TCanvas(QPaintDevice* device = nullptr);
    ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    QPaintDevice* Device() const { return device_; }
    // The device's size (0 × 0 without a device).
    QSize DeviceSize() const;
    // Ends drawing in progress, e.g. before the device is resized or freed.
    void releasePainter();

    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }
    TFont& Font() { return font_; }

    // ---- framework-level operations
    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);
    TextSize TextExtent(const QString& text);
    void FillRect(const TRect& r);
    void Draw(int x, int y, const TGraphic& graphic);
    void StretchDraw(const TRect& r, const TGraphic& graphic);
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);

    // ---- device-context state
    TColor backColor() const { return backColor_; }
    void setBackColor(TColor c);
    int backMode() const { return backMode_; }
    void setBackMode(int mode);
    unsigned textAlign() const { return textAlign_; }
    void setTextAlign(unsigned flags) { textAlign_ = flags; }
    TColor textColor() const { return textColor_; }
    void setTextColor(TColor c) { textColor_ = c; }
    int characterExtra() const { return characterExtra_; }
    void setCharacterExtra(int extra) { characterExtra_ = extra; }
    TPoint penPos() const { return penPos_; }
    ArcDirection arcDirection() const { return arcDirection_; }
    void setArcDirection(ArcDirection d) { arcDirection_ = d; }
    // A font chosen for the next text calls instead of Font(); returns the
    // previous choice.
    std::optional<TLogFont> selectFont(std::optional<TLogFont> font);
    // The device's own brush whose colour is set without making a brush.
    void selectDCBrush(bool on) { dcBrushSelected_ = on; }
    bool dcBrushSelected() const { return dcBrushSelected_; }
    void setDCBrushColor(TColor c) { dcBrushColor_ = c; }

    // ---- clipping (device coordinates)
    std::optional<QRegion> clipRegion() const { return clip_; }
    void selectClipRegion(const std::optional<QRegion>& region);
    void combineClipRegion(const QRegion& region, ClipCombine how);

    // ---- primitives (current pen, brush and pen mode)
    void moveTo(int x, int y);
    void lineTo(int x, int y);
    void polyline(const TPoint* points, int count);
    void polygon(const TPoint* points, int count);
    void rectangle(int left, int top, int right, int bottom);
    void ellipse(int left, int top, int right, int bottom);
    void roundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void arcTo(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    // Fills with the given brush, pen and pen mode ignored.
    void fillRect(const TRect& r, const TBrush& brush);
    // Fills with the selected brush (or the device brush), copying.
    void patBlt(int x, int y, int width, int height);
    void textOut(int x, int y, const QString& text);
    TextSize textExtent(const QString& text);
    void setPixel(int x, int y, TColor color);
    TColor pixel(int x, int y) const;

    // ---- paths
    void beginPath();
    void endPath();
    void strokePath();
    void fillPath();
    void strokeAndFillPath();
    void widenPath();
    void selectClipPath(ClipCombine how);

    // ---- images
    // Copies a block of pixels of source (which must draw into an image).
    void bitBlt(int x, int y, int width, int height, TCanvas& source, int sx, int sy);
    // Lays source over this canvas with constant opacity alpha (0 to 255).
    void alphaBlend(int x, int y, int width, int height, TCanvas& source, int sx, int sy, int alpha);
    // Draws (part of) an image stretched into target; pixels with alpha let
    // the background show.
    void drawImage(const QRect& target, const QImage& image, const QRect& source);
    // The image drawn into, or nullptr when the device is not an image.
    QImage* image() const;

private:
    QPainter* painter();
    bool applyPen(QPainter& p);
    void applyBrush(QPainter& p);
    QPen currentPen() const;
    QBrush currentBrush() const;
    QFont currentFont() const;
    void drawShape(const QPainterPath& path);
    void arcPath(QPainterPath& path, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                 bool connect) const;
    void onFontChanged();

    QPaintDevice* device_ = nullptr;
    std::unique_ptr<QPainter> painter_;
    TPen pen_;
    TBrush brush_;
    TFont font_;
    TColor backColor_ = clWhite;
    int backMode_ = OPAQUE;
    unsigned textAlign_ = TA_LEFT | TA_TOP;
    TColor textColor_ = clBlack;
    int characterExtra_ = 0;
    TPoint penPos_;
    ArcDirection arcDirection_ = ArcDirection::CounterClockwise;
    std::optional<TLogFont> selectedFont_;
    bool dcBrushSelected_ = false;
    TColor dcBrushColor_ = clWhite;
    std::optional<QRegion> clip_;
    bool recordingPath_ = false;
    QPainterPath path_;
};

}  // namespace brine::chart
