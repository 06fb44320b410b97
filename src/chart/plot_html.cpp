#include "chart/plot_html.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <iterator>
#include <vector>

namespace brine::chart {

namespace {

// Shared by every rendering and never emptied between them, so that a later
// "</>" or closing FONT tag may close what an earlier text opened.
std::vector<QString> gTagStack;   // style tags as written, upper case
std::vector<QString> gFontStack;  // saved font descriptions

// Sizes from the text are held to this many points, so that a huge number
// neither overflows nor asks the font engine for an absurd glyph.
constexpr long long kMaxFontSize = 4096;
// Image sizes from the text, in pixels.
constexpr int kMaxImageSize = 32767;

void SetFontSize(TFont& font, long long size) {
    font.SetSize(static_cast<int>(std::clamp(size, -kMaxFontSize, kMaxFontSize)));
}

QString PopString(std::vector<QString>& stack) {
    if (stack.empty()) return {};
    QString s = std::move(stack.back());
    stack.pop_back();
    return s;
}

QString StripDoubleQuotes(QString s) {
    if (s.startsWith(u'"')) s.remove(0, 1);
    if (s.endsWith(u'"')) s.chop(1);
    return s;
}

// A value written in quotes, "..." or '...', without that one pair.
QString Unquoted(const QString& value) {
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

QString FontStyleText(TFontStyles style) {
    QStringList parts;
    if (style & fsBold) parts << QStringLiteral("BOLD");
    if (style & fsItalic) parts << QStringLiteral("ITALIC");
    if (style & fsUnderline) parts << QStringLiteral("UNDERLINE");
    if (style & fsStrikeOut) parts << QStringLiteral("STRIKE");
    return parts.isEmpty() ? QStringLiteral("NORMAL") : parts.join(QStringLiteral(", "));
}

// Walks a list of "name=value" attributes in one pass.
class AttributeReader {
public:
    explicit AttributeReader(QString attributes) : text_(std::move(attributes)) {}

    bool Next(QString& name, QString& value) {
        const QStringView rest = QStringView(text_).mid(pos_);
        const qsizetype eq = rest.indexOf(u'=');
        if (eq < 0) return false;
        name = rest.left(eq).trimmed().toString();
        const QStringView after = rest.mid(eq + 1);
        const qsizetype next = after.indexOf(u'=');
        if (next < 0) {
            value = after.trimmed().toString();
            pos_ = text_.size();
        } else {
            // The value ends at the last blank before the next name.
            const qsizetype blank = std::max<qsizetype>(after.lastIndexOf(u' ', next), 0);
            value = after.left(blank).trimmed().toString();
            pos_ += eq + 1 + blank;
        }
        return true;
    }

private:
    QString text_;
    qsizetype pos_ = 0;
};

TFontStyles ParseWeight(const QString& value) {
    TFontStyles styles = 0;
    // A saved font writes its styles as a list.
    for (const QString& part : value.split(u',')) {
        const QString w = part.trimmed().toUpper();
        if (w == u"BOLD")
            styles |= fsBold;
        else if (w == u"ITALIC")
            styles |= fsItalic;
        else if (w == u"UNDERLINE")
            styles |= fsUnderline;
        else if (w == u"STRIKE")
            styles |= fsStrikeOut;
        else if (w != u"NORMAL")
            throw BrineError(("Unknown field in FONT WEIGHT=" + value).toStdString());
    }
    return styles;
}

class HtmlLayout {
public:
    HtmlLayout(TPlotCanvas& canvas, int x, int y, bool draw)
        : top(y), bottom(y), c_(canvas), x_(x), y_(y), x0_(x), draw_(draw), lineHeight_(canvas.FontHeight()) {}

    void Run(const QString& text) {
        QString rest = text;
        for (;;) {
            const QString token = html::NextToken(rest);
            if (token.isEmpty()) break;
            ProcessToken(token);
        }
    }

    TextSize extent;
    // The rows the drawn runs cover, from the start Y: all lines, where
    // extent.cy holds only the tallest.
    int top = 0, bottom = 0;

private:
    TFont& font() { return *c_.Font; }

    void PushCurrentFont() {
        TFont& f = font();
        gFontStack.push_back(QStringLiteral("<FONT size=") + QString::number(f.Size()) + QStringLiteral(" name=") +
                             f.Name() + QStringLiteral(" color=") + QString::number(f.Color()) +
                             QStringLiteral(" weight=") + FontStyleText(f.Style()) + QStringLiteral(">"));
        savedFont_ = true;
    }

    void PushFontSize(long long size) {
        PushCurrentFont();
        SetFontSize(font(), size);
    }

    void PopFont() {
        const QString saved = PopString(gFontStack);
        if (!saved.isEmpty()) html::ParseFont(font(), saved);
    }

    void AddStyle(TFontStyles s, const QString& tag) {
        font().SetStyle(font().Style() | s);
        gTagStack.push_back(tag);
    }

    // The closing tag also takes its opening tag off the stack; left there,
    // it would grow with every paint and a later "</>" would close it again.
    void RemoveStyle(TFontStyles s, std::initializer_list<const char16_t*> openings) {
        font().SetStyle(font().Style() & ~s);
        const auto match = std::find_if(gTagStack.rbegin(), gTagStack.rend(), [&](const QString& tag) {
            return std::any_of(openings.begin(), openings.end(), [&](const char16_t* o) { return tag == o; });
        });
        if (match != gTagStack.rend()) gTagStack.erase(std::next(match).base());
    }

    void LineBreak() {
        x_ = x0_;
        lineHeight_ = 0;
        y_ += c_.FontHeight();
    }

    void ProcessToken(QString token) {
        savedFont_ = false;
        if (token.startsWith(u"\r\n")) {
            LineBreak();
            token.remove(0, 2);
        }
        if (token.isEmpty()) return;
        const QString u = token.toUpper();
        if (u == u"<BR>" || u == u"<P>") {
            LineBreak();
        } else if (u == u"<BIG>") {
            PushFontSize(font().Size() + 2LL);
        } else if (u == u"<SMALL>") {
            PushFontSize(font().Size() - 2LL);
        } else if (u == u"</SUB>") {
            PopFont();
            y_ -= c_.FontHeight();
        } else if (u == u"<SUB>") {
            PushFontSize(font().Size() / 2);
            y_ += c_.FontHeight();
        } else if (u == u"</SUPER>") {
            PopFont();
            y_ += c_.FontHeight() / 2;
        } else if (u == u"<SUPER>") {
            PushFontSize(font().Size() / 2);
            y_ -= c_.FontHeight() / 2;
        } else if (u.size() == 4 && u.startsWith(u"<H") && u[2] >= u'1' && u[2] <= u'6' && u[3] == u'>') {
            static constexpr int kHeadingSizes[] = {48, 36, 24, 18, 12, 8};
            PushFontSize(kHeadingSizes[u[2].unicode() - u'1']);
        } else if (u == u"<PRE>") {
            PushCurrentFont();
            html::ParseFont(font(), QStringLiteral("<FONT NAME=\"COURIER NEW\">"));
        } else if (u == u"<CENTER>") {
            centre_ = true;
        } else if (u == u"<B>" || u == u"<BOLD>" || u == u"<STRONG>") {
            AddStyle(fsBold, u);
        } else if (u == u"<I>") {
            AddStyle(fsItalic, u);
        } else if (u == u"<U>") {
            AddStyle(fsUnderline, u);
        } else if (u == u"<STRIKE>") {
            AddStyle(fsStrikeOut, u);
        } else if (u.startsWith(u"<IMG ")) {
            ProcessImage(token);
        } else if (u == u"</B>" || u == u"</BOLD>" || u == u"</STRONG>") {
            RemoveStyle(fsBold, {u"<B>", u"<BOLD>", u"<STRONG>"});
        } else if (u == u"</I>") {
            RemoveStyle(fsItalic, {u"<I>"});
        } else if (u == u"</U>") {
            RemoveStyle(fsUnderline, {u"<U>"});
        } else if (u == u"</STRIKE>") {
            RemoveStyle(fsStrikeOut, {u"<STRIKE>"});
        } else if (u.startsWith(u"</FONT") || u == u"</PRE>") {
            PopFont();
        } else if (u == u"</CENTER>") {
            centre_ = false;
        } else if (u.startsWith(u"<FONT ")) {
            PushCurrentFont();
            html::ParseFont(font(), token);
        } else if (u == u"</>") {
            if (previousSavedFont_) {
                PopFont();
            } else {
                QString closing = PopString(gTagStack);
                closing.replace(u'<', QStringLiteral("</"));
                ProcessToken(closing);
            }
        } else if (u == u"<HR>") {
            x_ = x0_;
            // Measuring leaves the canvas as it was.
            if (draw_) {
                c_.Pen->SetStyle(psSolid);
                c_.Pen->SetWidth(1);
                c_.Pen->SetColor(clGray);
                c_.DoHorizLine(x_, x_ + 100, y_);
            }
            y_ += c_.FontHeight();
        } else {
            ProcessText(token);
            return;
        }
        previousSavedFont_ = savedFont_;
    }

    void ProcessText(QString text) {
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
        text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        text.replace(QStringLiteral("&quot;"), QStringLiteral("\""));
        const bool breakAfter = text.endsWith(u"\r\n");
        if (breakAfter) text.chop(2);
        if (!text.isEmpty()) {
            const int w = c_.TextWidth(text);
            if (centre_) x_ = (c_.Bounds.Left + c_.Bounds.Right) / 2 - w / 2;
            const int h = c_.TextHeight(text);
            if (lineHeight_ == 0) {
                lineHeight_ = c_.FontHeight();
                y_ += lineHeight_;
            } else if (h < lineHeight_) {
                y_ += lineHeight_ - h - 1;
            }
            if (draw_) c_.TextOut(x_, y_, text);
            top = std::min(top, y_);
            bottom = std::max(bottom, y_ + h);
            x_ += w;
            extent.cx = std::max(extent.cx, x_);
            lineHeight_ = std::max(lineHeight_, h);
            extent.cy = std::max(extent.cy, lineHeight_);
        }
        if (breakAfter) {
            lineHeight_ = 0;
            x_ = x0_;
        }
    }

    void ProcessImage(QString token) {
        if (token.endsWith(u'>')) token.chop(1);
        if (token.endsWith(u"\r\n")) token.chop(2);
        int width = 0, height = 0;
        QString source;
        AttributeReader attributes(token.mid(5));
        QString name, value;
        while (attributes.Next(name, value)) {
            const QString n = name.toUpper();
            if (n != u"SRC") value = Unquoted(value);
            if (n == u"WIDTH")
                width = std::clamp(StrToInt(value), -kMaxImageSize, kMaxImageSize);
            else if (n == u"HEIGHT")
                height = std::clamp(StrToInt(value), -kMaxImageSize, kMaxImageSize);
            else if (n == u"SRC")
                source = StripDoubleQuotes(value);
        }
        if (!draw_) return;
        TGraphicClass graphicClass;
        if (GraphicClassForExtension) {
            const qsizetype dot = source.lastIndexOf(u'.');
            graphicClass = GraphicClassForExtension(dot < 0 ? QString() : source.mid(dot + 1).toUpper());
        }
        if (!graphicClass) return DrawBrokenImage(width, height);
        QByteArray stream;
        if (!LoadImageSource || LoadImageSource(source, stream) != 0 || stream.isEmpty())
            return DrawBrokenImage(width, height);
        const std::unique_ptr<TGraphic> graphic = graphicClass(stream);
        // Bytes the class cannot read are a failed load like any other.
        if (!graphic || graphic->Empty()) return DrawBrokenImage(width, height);
        if (width == 0) width = graphic->Width();
        if (height == 0) height = graphic->Height();
        if (width == graphic->Width() && height == graphic->Height())
            c_.Draw(x_, y_, graphic.get());
        else
            c_.StretchDraw({x_, y_, x_ + width, y_ + height}, graphic.get());
    }

    void DrawBrokenImage(int width, int height) {
        if (width == 0) width = 40;
        if (height == 0) height = 40;
        c_.Pen->SetStyle(psSolid);
        c_.Pen->SetColor(clRed);
        c_.Pen->SetWidth(1);
        c_.Brush->SetStyle(bsSolid);
        c_.Brush->SetColor(clWhite);
        c_.Rectangle(x_, y_, x_ + width, y_ + height);
        c_.Line(x_, y_, x_ + width - 1, y_ + height - 1);
        c_.Line(x_, y_ + height - 1, x_ + width - 1, y_);
    }

    TPlotCanvas& c_;
    int x_, y_, x0_;
    bool draw_;
    int lineHeight_;
    bool centre_ = false;
    bool savedFont_ = false;
    bool previousSavedFont_ = false;
};

}  // namespace

namespace html {

QString NextToken(QString& text) {
    const qsizetype lt = text.indexOf(u'<');
    QString token;
    if (lt < 0) {
        token = std::move(text);
        text.clear();
    } else if (lt == 0) {
        const qsizetype gt = text.indexOf(u'>');
        if (gt < 0) throw HtmlParserException(("Missing > at " + text.mid(1)).toStdString());
        token = text.left(gt + 1);
        text.remove(0, gt + 1);
    } else {
        token = text.left(lt);
        text.remove(0, lt);
    }
    return token;
}

TColor ParseColor(const QString& value) {
    const QString v = value.trimmed().toUpper();
    if (v == u"BLACK") return clBlack;
    if (v == u"RED") return clRed;
    if (v == u"BLUE") return clBlue;
    if (v == u"YELLOW") return clYellow;
    if (v == u"WHITE") return clWhite;
    if (v == u"GREEN") return clGreen;
    if (v == u"LIME") return clLime;
    if (v.startsWith(u'#')) {
        auto pair = [&](int at) { return StrToInt(QStringLiteral("$") + v.mid(at, 2)); };
        return RGBColor(pair(1), pair(3), pair(5));
    }
    return StringToColor(v);
}

void GetAttribute(const QString& attributes, int i, QString& name, QString& value) {
    name.clear();
    value.clear();
    AttributeReader reader(attributes);
    for (int k = 1; k <= i; ++k)
        if (!reader.Next(name, value)) {
            name.clear();
            value.clear();
            return;
        }
}

void ParseFont(TFont& font, const QString& tag) {
    QString attributes = tag.mid(6);
    if (!attributes.isEmpty()) attributes.chop(1);
    AttributeReader reader(attributes);
    QString name, value;
    while (reader.Next(name, value)) {
        const QString n = name.toUpper();
        value = Unquoted(value);
        if (n == u"NAME" || n == u"FAMILY") {
            // A quoted name ("<PRE>" writes one) names the font without its quotes.
            font.SetName(StripDoubleQuotes(value));
        } else if (n == u"SIZE") {
            const long long number = StrToInt(value);
            SetFontSize(font, value.startsWith(u'+') || value.startsWith(u'-') ? font.Size() + number : number);
        } else if (n == u"COLOR") {
            font.SetColor(ParseColor(value));
        } else if (n == u"WEIGHT") {
            font.SetStyle(ParseWeight(value));
        } else {
            throw BrineError(("Unknown field in FONT: " + n).toStdString());
        }
    }
}

int TagStackSize() { return static_cast<int>(gTagStack.size()); }
int FontStackSize() { return static_cast<int>(gFontStack.size()); }

void ClearStacks() {
    gTagStack.clear();
    gFontStack.clear();
}

}  // namespace html

void HtmlRender(TPlotCanvas& canvas, int x, int y, TextSize& extent, bool draw, const QString& text) {
    extent = {};
    HtmlLayout layout(canvas, x, y, draw);
    layout.Run(text);
    extent = layout.extent;
}

void HtmlTextOut(TPlotCanvas& canvas, int x, int y, const QString& text) {
    TextSize extent;
    HtmlRender(canvas, x, y, extent, true, text);
}

TextSize HtmlTextExtent(TPlotCanvas& canvas, const QString& text) {
    TextSize extent;
    HtmlRender(canvas, 0, 0, extent, false, text);
    return extent;
}

TextSize HtmlTextSizeOrPlain(TPlotCanvas& canvas, const QString& text) {
    TFont font;
    font.SetPixelsPerInch(canvas.Font->PixelsPerInch());
    font.Assign(*canvas.Font);
    const std::vector<QString> tags = gTagStack, fonts = gFontStack;
    TextSize size;
    try {
        HtmlLayout layout(canvas, 0, 0, false);
        layout.Run(text);
        size = {layout.extent.cx, layout.bottom - layout.top};
    } catch (const BrineError&) {
        canvas.Font->Assign(font);
        size = {canvas.TextWidth(text), canvas.TextHeight(text)};
    }
    canvas.Font->Assign(font);
    gTagStack = tags;
    gFontStack = fonts;
    return size;
}

void HtmlTextOutOrPlain(TPlotCanvas& canvas, int x, int y, const QString& text) {
    TFont font;
    font.SetPixelsPerInch(canvas.Font->PixelsPerInch());
    font.Assign(*canvas.Font);
    const std::vector<QString> tags = gTagStack, fonts = gFontStack;
    auto restore = [&] {
        canvas.Font->Assign(font);
        gTagStack = tags;
        gFontStack = fonts;
    };
    // A dry run finds a malformed text before anything is drawn.
    try {
        TextSize extent;
        HtmlRender(canvas, x, y, extent, false, text);
    } catch (const BrineError&) {
        restore();
        canvas.TextOut(x, y, text);
        return;
    }
    restore();
    try {
        HtmlTextOut(canvas, x, y, text);
    } catch (const BrineError&) {
        // The dry run met the same tokens in the same state, so the text
        // cannot fail here; painting stays safe all the same.
    }
}

}  // namespace brine::chart
