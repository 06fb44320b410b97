#pragma once
// Chart texts in a small subset of HTML: line breaks, bold, italic,
// underline and strike-out, font changes, sizes, headings, sub- and
// superscripts, centring, horizontal rules, character entities and images.
// The text is laid out run by run on a chart canvas, measured or drawn.
#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

#include "base/errors.h"
#include "chart/plot_canvas.h"

namespace brine::chart {

enum TTextFormat { ttfNormal, ttfHtml };

// A tag without its closing angle bracket.
class HtmlParserException : public BrineError {
public:
    using BrineError::BrineError;
};

// Image hooks, unset unless the application sets them. A graphic class reads
// a graphic from the bytes of an image source (nullptr when it cannot).
using TGraphicClass = std::function<std::unique_ptr<TGraphic>(const QByteArray& data)>;
// Upper-case extension of the source without its dot ("PNG") → the class
// that reads it, or an empty function.
inline std::function<TGraphicClass(const QString& extension)> GraphicClassForExtension;
// Fills stream with the bytes of the named source; 0 on success.
inline std::function<int(const QString& source, QByteArray& stream)> LoadImageSource;

// Lays the text out from (x, y); draws it when draw is set. extent receives
// the largest X reached (x included) and the largest line height.
// Raises HtmlParserException for a tag without ">", BrineError for an unknown
// FONT attribute or weight and ConversionError for a malformed number.
// Font changes are made on the canvas font and stay after the rendering.
void HtmlRender(TPlotCanvas& canvas, int x, int y, TextSize& extent, bool draw, const QString& text);
void HtmlTextOut(TPlotCanvas& canvas, int x, int y, const QString& text);
TextSize HtmlTextExtent(TPlotCanvas& canvas, const QString& text);

// For layout, which must not raise: the size HtmlTextOutOrPlain gives the
// text, cx the largest X reached from 0 and cy the height of all its lines
// (the plain text's size for a malformed one). Leaves the canvas font and the
// tag and font stacks as they were.
TextSize HtmlTextSizeOrPlain(TPlotCanvas& canvas, const QString& text);

// For painting, which must not raise: draws the HTML text when it can be laid
// out, else the text as it stands, and leaves the canvas font and the tag and
// font stacks as a direct HtmlTextOut would (or untouched for the plain text).
void HtmlTextOutOrPlain(TPlotCanvas& canvas, int x, int y, const QString& text);

// The pieces of the layout that the rendering is made of, open for tests.
namespace html {
// The next token cut off the front of text: a whole tag, or the text up to
// the next "<"; raises HtmlParserException for a "<" without a later ">".
QString NextToken(QString& text);
// A colour as the FONT tag writes it: a name, "#RRGGBB" or a colour
// identifier or integer.
TColor ParseColor(const QString& value);
// Attribute i (1-based) of a list "name=value name=value ..."; values may
// contain blanks and end at the last blank before the next name.
void GetAttribute(const QString& attributes, int i, QString& name, QString& value);
// Applies a "<FONT ...>" tag to the font.
void ParseFont(TFont& font, const QString& tag);
// Number of entries of the tag and font stacks.
int TagStackSize();
int FontStackSize();
// Empties both stacks (the program never needs it; tests start clean).
void ClearStacks();
}  // namespace html

}  // namespace brine::chart
