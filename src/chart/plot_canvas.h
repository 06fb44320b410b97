#pragma once
// The chart's drawing vocabulary: pens, brushes and fonts with the chart's
// extra settings, the abstract drawing interface every chart object uses,
// partial transparency and small geometry and colour helpers.
#include <QRegion>
#include <QString>
#include <memory>
#include <vector>

#include "chart/canvas.h"
#include "chart/graphics.h"

namespace brine::chart {

class TPlotCanvas;
class TPlotShadow;
class TPlotFontGradient;

// ---- shared state of the drawing layer

inline QString PlotDefaultFontName = QStringLiteral("Arial");
inline int PlotDefaultFontSize = 8;
// Geometric pens (end styles, small dots, wide dashed pens).
inline bool PlotUseExtPens = true;
// Blending through the device's constant-alpha blit; otherwise pixel by pixel.
inline bool PlotCanUseAlphaBlend = true;
constexpr bool PlotThinDashedPens = false;
constexpr int PlotRotatedFontQuality = ANTIALIASED_QUALITY;

// Fixes the default font from the user interface language; runs once, on
// first use of a chart font or canvas.
void PlotCanvasInitialization();

// ---- pens, brushes, fonts

enum TPenEndStyle { esRound, esSquare, esFlat };

class TChartPen : public TPen {
public:
    explicit TChartPen(TNotifyEvent onChange = nullptr);

    TPenEndStyle EndStyle() const { return EndStyle_; }
    void SetEndStyle(TPenEndStyle v);
    bool SmallDots() const { return SmallDots_; }
    void SetSmallDots(bool v);
    int SmallSpace() const { return SmallSpace_; }
    void SetSmallSpace(int v);
    bool Visible() const { return Visible_; }
    void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    TPenEndStyle DefaultEnd = esRound;
    bool DefaultVisible = true;

    // Streaming rules: stored only when different from the recorded defaults.
    bool IsEndStyleStored() const { return EndStyle_ != DefaultEnd; }
    bool IsVisibleStored() const { return Visible_ != DefaultVisible; }
    bool IsColorStored() const { return Color() != defaultColor_; }
    bool IsStyleStored() const { return Style() != defaultStyle_; }

    void Assign(const TPen& source) override;

protected:
    void setClassDefaults(TColor color, TPenStyle style);

private:
    TPenEndStyle EndStyle_ = esRound;
    bool SmallDots_ = false;
    int SmallSpace_ = 0;
    bool Visible_ = true;
    TColor defaultColor_ = clBlack;
    TPenStyle defaultStyle_ = psSolid;
};

class TChartHiddenPen : public TChartPen {
public:
    explicit TChartHiddenPen(TNotifyEvent onChange = nullptr);
};

class TDottedGrayPen : public TChartPen {
public:
    explicit TDottedGrayPen(TNotifyEvent onChange = nullptr);
};

class TDarkGrayPen : public TChartPen {
public:
    explicit TDarkGrayPen(TNotifyEvent onChange = nullptr);
};

class TWhitePen : public TChartPen {
public:
    explicit TWhitePen(TNotifyEvent onChange = nullptr);
};

class TChartBrush : public TBrush {
public:
    explicit TChartBrush(TNotifyEvent onChange = nullptr);

    // Made on first read.
    TPicture& Image();
    bool HasImage() const { return Image_ != nullptr; }
    // Copies the picture into the brush's own; nullptr frees it.
    void SetImage(const TPicture* picture);
    bool IsColorStored() const { return Color() != clDefault; }

    void Assign(const TBrush& source) override;

private:
    std::unique_ptr<TPicture> Image_;
};

class TPlotFont : public TFont {
public:
    explicit TPlotFont(TNotifyEvent onChange = nullptr);
    ~TPlotFont() override;

    // Sub-objects are made on first read; Has... looks without making.
    TPlotFontGradient& Gradient();
    bool HasGradient() const { return Gradient_ != nullptr; }
    TChartHiddenPen& OutLine();
    bool HasOutLine() const { return OutLine_ != nullptr; }
    TPlotShadow& Shadow();
    bool HasShadow() const { return Shadow_ != nullptr; }

    int InterCharSize() const { return InterCharSize_; }
    void SetInterCharSize(int v);

    // The canvas that last took this font.
    TPlotCanvas* ICanvas = nullptr;
    TColor DefaultColor = clBlack;
    TFontStyles DefaultStyle = 0;

    bool IsCharsetStored() const { return Charset() != 1; }
    bool IsColorStored() const { return Color() != DefaultColor; }
    bool IsHeightStored() const { return Size() != PlotDefaultFontSize; }
    bool IsNameStored() const { return Name() != PlotDefaultFontName; }
    bool IsStyleStored() const { return Style() != DefaultStyle; }

    void Assign(const TFont& source) override;

private:
    std::unique_ptr<TPlotFontGradient> Gradient_;
    int InterCharSize_ = 0;
    std::unique_ptr<TChartHiddenPen> OutLine_;
    std::unique_ptr<TPlotShadow> Shadow_;
};

// ---- geometry and colour helpers

enum TGradientDirection {
    gdTopBottom, gdBottomTop, gdLeftRight, gdRightLeft, gdFromCenter, gdFromTopLeft, gdFromBottomLeft,
    gdRadial, gdDiagonalUp, gdDiagonalDown
};

inline TPoint MakePoint(int x, int y) { return {x, y}; }
inline TRect MakeRect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }
bool PointInRect(const TRect& r, int x, int y);
bool PointInRectP(const TRect& r, const TPoint& p);
TRect OrientRectangle(const TRect& r);
void RectSize(const TRect& r, int& width, int& height);
void RectCenter(const TRect& r, int& x, int& y);
TRect PolygonBounds(const TPoint* points, int count);
// True when P0 → P1 → P2 turns one way (the chart's visible faces); computed
// in 64 bits so that large coordinates cannot overflow.
bool NegativeTurn(const TPoint& p0, const TPoint& p1, const TPoint& p2);
bool NegativeTurn(const TPoint (&points)[3]);
TColor ApplyDark(TColor color, int amount);
TColor ApplyBright(TColor color, int amount);
struct TRGBTriple {
    unsigned char rgbtBlue, rgbtGreen, rgbtRed;
};
TRGBTriple ColorToRGBTriple(TColor color);
void SwapInteger(int& a, int& b);
void SwapDouble(double& a, double& b);
double Hypot(double x, double y);

// ---- partial transparency

// Keeps the background under a rectangle while an object is drawn, then mixes
// the two.
class TPlotBlend {
public:
    TPlotBlend(TPlotCanvas& canvas, const TRect& rect);
    ~TPlotBlend();
    void SetRectangle(const TRect& rect);
    void DoBlend(int transparency);

    std::unique_ptr<TBitmap> Bitmap;
    TPlotCanvas* Canvas;
    TRect Rect;
    bool Valid = false;
};

// Lays the background over the drawn bitmap at origin: percent 100 keeps the
// drawn content, 0 gives the background back.
void BlendBitmaps(TBitmap& background, TBitmap& drawn, TPoint origin, double percent);

// ---- the drawing interface

class TPlotCanvas {
public:
    TPlotCanvas();
    virtual ~TPlotCanvas();
    TPlotCanvas(const TPlotCanvas&) = delete;
    TPlotCanvas& operator=(const TPlotCanvas&) = delete;

    TCanvas* ReferenceCanvas = nullptr;
    TFont* Font = nullptr;
    TPen* Pen = nullptr;
    TBrush* Brush = nullptr;
    // Turns EndBlending into a no-op.
    bool NoBlending = false;
    int BlendTransparency = 0;
    TRect Bounds;
    TPlotFont* FontObject = nullptr;
    double FontZoom = 100.0;

    // Properties.
    virtual TColor BackColor() = 0;
    virtual int BackMode() = 0;
    virtual TCanvas* Handle() = 0;
    virtual bool Monochrome() const = 0;
    virtual TColor Pixels(int x, int y) = 0;
    virtual bool FullRotation() const = 0;
    virtual unsigned TextAlign() = 0;
    virtual bool UseBuffer() const = 0;
    virtual void SetBackColor(TColor color) = 0;
    virtual void SetBackMode(int mode) = 0;
    virtual void SetMonochrome(bool value) = 0;
    virtual void SetPixels(int x, int y, TColor color) = 0;
    virtual void SetTextAlign(unsigned flags) = 0;
    virtual void SetUseBuffer(bool value) = 0;

    // Operations, in the order of the interface.
    virtual void SelectPenColor(TPen& pen, TColor color);
    virtual std::unique_ptr<TPlotBlend> BeginBlending(const TRect& r, int transparency);
    virtual void EndBlending(std::unique_ptr<TPlotBlend> blend);
    virtual void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    virtual void Donut(int xCenter, int yCenter, int xRadius, int yRadius, double startAngle, double endAngle,
                       double holePercent) = 0;
    virtual void Draw(int x, int y, const TGraphic* graphic) = 0;
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    virtual void FillRect(const TRect& r) = 0;
    virtual void Frame3D(TRect& r, TColor topColor, TColor bottomColor, int width);
    virtual void LineTo(int x, int y) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    virtual void Rectangle(int x0, int y0, int x1, int y1) = 0;
    virtual void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) = 0;
    virtual void StretchDraw(const TRect& r, const TGraphic* graphic) = 0;
    virtual void TextOut(int x, int y, const QString& text) = 0;
    virtual int TextWidth(const QString& text);
    virtual int TextHeight(const QString& text);
    virtual void ClipRectangle(const TRect& r) = 0;
    virtual void ClipRoundRectangle(const TRect& r, int corner);
    virtual void ClipEllipse(const TRect& r, bool inverted);
    virtual void ClipPolygon(const TPoint* points, int count);
    virtual void DoHorizLine(int x0, int x1, int y) = 0;
    virtual void DoVertLine(int x, int y0, int y1) = 0;
    virtual void EraseBackground(const TRect& r) = 0;
    virtual void GradientFill(const TRect& r, TColor startColor, TColor endColor, TGradientDirection direction,
                              int balance) = 0;
    virtual void InvalidateBuffer() = 0;
    virtual void Line(int x0, int y0, int x1, int y1) = 0;
    virtual void Polyline(const TPoint* points, int last) = 0;
    virtual void Polygon(const TPoint* points, int last) = 0;
    virtual void RotateLabel(int x, int y, const QString& text, double angle) = 0;
    virtual void UnClipRectangle() = 0;

    // Shared helpers.
    void SelectPen(TPen& pen) { SelectPenColor(pen, pen.Color()); }
    void AssignBrush(TChartBrush& brush, TColor color) { AssignBrushColor(brush, color, brush.Color()); }
    void AssignBrushColor(TChartBrush& brush, TColor color, TColor backColor);
    void AssignFont(TPlotFont& font);
    int FontHeight() { return TextHeight(QStringLiteral("W")); }
    void ResetState();
    void SetCanvas(TCanvas* canvas);
    void RectangleR(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRectR(const TRect& r, int x, int y) { RoundRect(r.Left, r.Top, r.Right, r.Bottom, x, y); }
    void LineP(const TPoint& p0, const TPoint& p1) { Line(p0.X, p0.Y, p1.X, p1.Y); }
    // HTML-subset text when html is set; a malformed one is drawn as it stands.
    void TextOutFormat(int x, int y, const QString& text, bool html);
    void SetBrushDarkColor(TColor color, int amount);
    // The box the text covers when drawn at (x, y) with the current alignment.
    TRect TextRectangle(int x, int y, const QString& text);

    // Clipping: every clip operation saves the clip in force before it, also
    // one that ends up setting nothing, and each UnClipRectangle returns to
    // the clip saved last; with nothing saved it removes clipping. Clips
    // thus nest, and the saved ones belong to the device the canvas is bound
    // to (SetCanvas with another device forgets them).
    void SelectClipRegion(const std::optional<QRegion>& region);
    void RestoreClipRegion();
    // Saves the clip in force, for a clip then set on the device directly.
    void SaveClip();
    int SavedClipCount() const { return static_cast<int>(savedClips_.size()); }

protected:
    TCanvas& dc() { return ReferenceCanvas ? *ReferenceCanvas : unbound_; }
    std::vector<std::optional<QRegion>> savedClips_;
    // Until the first SetCanvas, drawing goes nowhere.
    TCanvas unbound_;
};

// Makes a pen that draws the chart pen's settings (ends, small dots, widths
// of 2 and more) in the colour.
void AssignExtPen(TPen& target, const TChartPen& pen, TColor color);
// One-pixel dots space + 1 apart; with space 0, every other pixel.
QPen CreateSmallDotsPen(TColor color, int space);

}  // namespace brine::chart
