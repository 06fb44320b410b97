// HTML-subset chart text: tokens, attributes, colours and fonts, layout
// measured against plain text, and what is drawn.
#include <QBuffer>

#include "chart/plot_html.h"
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

class HtmlTest : public ChartCanvasTest {
protected:
    void SetUp() override {
        ChartCanvasTest::SetUp();
        image = QImage(240, 120, QImage::Format_RGB32);
        image.fill(Qt::white);
        target = std::make_unique<TCanvas>(&image);
        canvas.InitWindow(target.get(), nullptr, {0, 0, 240, 120}, false);
        canvas.ResetState();
        html::ClearStacks();
    }
    void TearDown() override {
        html::ClearStacks();
        GraphicClassForExtension = nullptr;
        LoadImageSource = nullptr;
    }

    int plainWidth(const QString& text, TFontStyles style = 0) {
        const TFontStyles saved = canvas.Font->Style();
        canvas.Font->SetStyle(style);
        const int w = canvas.TextWidth(text);
        canvas.Font->SetStyle(saved);
        return w;
    }
    // Pixels in the box [x0, x1) × [y0, y1) that are not white, or pass a test.
    int inked(int x0, int y0, int x1, int y1, const PixelTest& is = notWhite) {
        return countPixels(drawn(), x0, y0, x1, y1, is);
    }
    static std::string errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const HtmlParserException& e) {
            return std::string("HtmlParserException: ") + e.what();
        } catch (const BrineError& e) {
            return e.what();
        }
        return "no error";
    }
};

TEST_F(HtmlTest, TokensAttributesAndColours) {
    EXPECT_EQ(errorOf([&] { HtmlTextExtent(canvas, QStringLiteral("ab<FONT size=3 x")); }),
              "HtmlParserException: Missing > at FONT size=3 x");

    // A value runs to the last blank before the next name.
    const QString list = QStringLiteral("name=Courier New  color=255 size=+2");
    QString name, value;
    html::GetAttribute(list, 1, name, value);
    EXPECT_EQ(name, u"name");
    EXPECT_EQ(value, u"Courier New");
    html::GetAttribute(list, 2, name, value);
    EXPECT_EQ(name, u"color");
    EXPECT_EQ(value, u"255");
    html::GetAttribute(list, 4, name, value);
    EXPECT_TRUE(name.isEmpty());

    for (auto [text, c] : {std::pair{" red ", clRed}, {"#FF0000", clRed}, {"#102030", RGBColor(0x10, 0x20, 0x30)},
                           {"clNavy", clNavy}, {"-16777211", clWindow}})
        EXPECT_EQ(html::ParseColor(QString(text)), c) << text;
    EXPECT_THROW(html::ParseColor(QStringLiteral("#GG0000")), ConversionError);
    EXPECT_THROW(html::ParseColor(QStringLiteral("#12")), ConversionError);
    EXPECT_EQ(StrToInt(QStringLiteral("  $FF")), 255);
    EXPECT_EQ(StrToInt(QStringLiteral("-2147483648")), INT_MIN);
    EXPECT_THROW(StrToInt(QStringLiteral("2147483648")), ConversionError);
    EXPECT_THROW(StrToInt(QStringLiteral("12 ")), ConversionError);
}

TEST_F(HtmlTest, FontTags) {
    TFont font;
    html::ParseFont(font, QStringLiteral("<FONT name=Courier New size=12 color=#0000FF weight=BOLD, ITALIC>"));
    EXPECT_EQ(font.Name(), u"Courier New");
    EXPECT_EQ(font.Size(), 12);
    EXPECT_EQ(font.Color(), clBlue);
    EXPECT_EQ(font.Style(), fsBold | fsItalic);
    html::ParseFont(font, QStringLiteral("<FONT size=-4 family=\"Liberation Sans\">"));
    EXPECT_EQ(font.Size(), 8);
    EXPECT_EQ(font.Name(), u"Liberation Sans");
    EXPECT_EQ(errorOf([&] { html::ParseFont(font, QStringLiteral("<FONT face=Arial>")); }),
              "Unknown field in FONT: FACE");
    EXPECT_EQ(errorOf([&] { html::ParseFont(font, QStringLiteral("<FONT weight=heavy>")); }),
              "Unknown field in FONT WEIGHT=heavy");
    // Huge sizes are held to a sane font, neither wrapped nor passed on.
    html::ParseFont(font, QStringLiteral("<FONT size=2147483647>"));
    html::ParseFont(font, QStringLiteral("<FONT size=+2147483647>"));
    EXPECT_EQ(font.Size(), 4096);
    EXPECT_THROW(html::ParseFont(font, QStringLiteral("<FONT size=99999999999>")), ConversionError);
}

TEST_F(HtmlTest, QuotedFontValuesLoseTheirQuotes) {
    TFont font;
    html::ParseFont(font, QStringLiteral("<FONT color=\"#FF0000\" size=\"12\">"));
    EXPECT_EQ(font.Color(), clRed);
    EXPECT_EQ(font.Size(), 12);
    html::ParseFont(font, QStringLiteral("<FONT color='#00FF00' size='+2' name='Liberation Sans'>"));
    EXPECT_EQ(font.Color(), clLime);
    EXPECT_EQ(font.Size(), 14);
    EXPECT_EQ(font.Name(), u"Liberation Sans");
    // Drawn, the quoted colour shows and no markup is left as text.
    const int h = canvas.FontHeight();
    HtmlTextOutOrPlain(canvas, 10, 10, QStringLiteral("<FONT color=\"#FF0000\">MM</FONT>"));
    EXPECT_GT(inked(10, 10, 60, 10 + h, [](TColor c) { return GetRValue(c) > 150 && GetGValue(c) < 100; }), 10);
    EXPECT_EQ(inked(60, 10, 240, 10 + h), 0);
}

TEST_F(HtmlTest, ExtentsAgainstPlainText) {
    const int h = canvas.FontHeight();
    TextSize e = HtmlTextExtent(canvas, QStringLiteral("Chart"));
    EXPECT_EQ(e.cx, plainWidth(QStringLiteral("Chart")));
    EXPECT_EQ(e.cy, h);
    e = HtmlTextExtent(canvas, QStringLiteral("<B>Chart</B> text"));
    EXPECT_EQ(e.cx, plainWidth(QStringLiteral("Chart"), fsBold) + plainWidth(QStringLiteral(" text")));
    EXPECT_EQ(canvas.Font->Style(), 0u);
    // The short closing tag closes the last style tag.
    e = HtmlTextExtent(canvas, QStringLiteral("<i><b>Ab</>cd</>ef"));
    EXPECT_EQ(e.cx, plainWidth(QStringLiteral("Ab"), fsBold | fsItalic) + plainWidth(QStringLiteral("cd"), fsItalic) +
                        plainWidth(QStringLiteral("ef")));
    EXPECT_EQ(html::TagStackSize(), 0);
    // Explicit closing tags take their tags off the stack too, so "</>"
    // closes the style still open.
    HtmlTextExtent(canvas, QStringLiteral("<I><B>Ab</B>cd</>"));
    EXPECT_EQ(canvas.Font->Style(), 0u);
    EXPECT_EQ(html::TagStackSize(), 0);
    // Entities and unknown tags are text.
    EXPECT_EQ(HtmlTextExtent(canvas, QStringLiteral("&lt;x&gt; &amp;&quot;")).cx,
              plainWidth(QStringLiteral("<x> &\"")));
    EXPECT_EQ(HtmlTextExtent(canvas, QStringLiteral("<Q>x")).cx, plainWidth(QStringLiteral("<Q>x")));
    // A CR LF inside a run is part of it; one at the end breaks the line,
    // and the height is the tallest line, not the sum.
    e = HtmlTextExtent(canvas, QStringLiteral("abcdef\r\n<B>xy"));
    EXPECT_EQ(e.cx, std::max(plainWidth(QStringLiteral("abcdef")), plainWidth(QStringLiteral("xy"), fsBold)));
    EXPECT_EQ(e.cy, h);
    // A larger font measures larger and its closing tag restores everything.
    canvas.Font->SetStyle(fsBold | fsItalic);
    canvas.Font->SetColor(clNavy);
    e = HtmlTextExtent(canvas, QStringLiteral("<FONT color=#FF0000 size=+8 weight=normal>W</FONT>"));
    EXPECT_GT(e.cx, plainWidth(QStringLiteral("W"), fsBold | fsItalic));
    EXPECT_GT(e.cy, h);
    EXPECT_EQ(canvas.Font->Size(), 8);
    EXPECT_EQ(canvas.Font->Style(), fsBold | fsItalic);
    EXPECT_EQ(canvas.Font->Color(), clNavy);
    EXPECT_EQ(html::FontStackSize(), 0);
    // "</>" after a font change pops the font, not a style tag.
    HtmlTextExtent(canvas, QStringLiteral("<H1>x</>"));
    EXPECT_EQ(canvas.Font->Size(), 8);
    // The X reached counts from the start: centring puts the run mid-bounds.
    e = HtmlTextExtent(canvas, QStringLiteral("<CENTER>ab"));
    const int w = plainWidth(QStringLiteral("ab"), fsBold | fsItalic);
    EXPECT_EQ(e.cx, 120 - w / 2 + w);
}

TEST_F(HtmlTest, DrawsColoursStylesAndBreaks) {
    const int h = canvas.FontHeight();
    const int wRed = 10 + HtmlTextExtent(canvas, QStringLiteral("<FONT size=+2>MM</FONT>")).cx;
    HtmlTextOut(canvas, 10, 10, QStringLiteral("<FONT color=#FF0000 size=+2>MM</FONT>MM"));
    auto reddish = [](TColor c) { return GetRValue(c) > 150 && GetGValue(c) < 100 && GetBValue(c) < 100; };
    auto dark = [](TColor c) { return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100; };
    EXPECT_GT(inked(10, 10, wRed, 10 + 2 * h, reddish), 20);
    EXPECT_EQ(inked(10, 10, wRed, 10 + 2 * h, dark), 0);
    EXPECT_GT(inked(wRed, 10, 80, 10 + 2 * h, dark), 20);
    EXPECT_EQ(inked(wRed, 10, 80, 10 + 2 * h, reddish), 0);

    // A run ending in CR LF breaks the line: the next run is one line lower.
    image.fill(Qt::white);
    HtmlTextOut(canvas, 10, 10, QStringLiteral("AA\r\n<b>BB"));
    EXPECT_GT(inked(10, 10, 60, 10 + h), 0);
    EXPECT_GT(inked(10, 10 + h, 60, 10 + 2 * h), 0);
    EXPECT_EQ(inked(10, 10 + 2 * h + 2, 60, 120), 0);

    // A rule: grey, 100 pixels from the left, then one line down.
    image.fill(Qt::white);
    HtmlTextOut(canvas, 10, 5, QStringLiteral("<HR>x"));
    EXPECT_EQ(countRow(5, 0, 239, clGray), 100);
    EXPECT_EQ(countRow(5, 10, 109, clGray), 100);
    EXPECT_EQ(inked(0, 0, 240, 5), 0);
    EXPECT_GT(inked(10, 5 + h, 30, 5 + 2 * h), 0);
    // Measuring draws nothing, rules included.
    image.fill(Qt::white);
    HtmlTextExtent(canvas, QStringLiteral("<HR><IMG src=a.png>text"));
    EXPECT_EQ(inked(0, 0, 240, 120), 0);
}

TEST_F(HtmlTest, Images) {
    // Without loaders: the broken-image box, red frame on white with a cross.
    canvas.Brush->SetColor(clBlue);
    HtmlTextOut(canvas, 10, 10, QStringLiteral("<IMG src=\"chart.png\" width=30 height=20>"));
    expectPixels({{10, 15, clRed}, {39, 15, clRed}, {20, 10, clRed}, {25, 25, clWhite}});  // inside, off the diagonals
    EXPECT_THROW(HtmlTextOut(canvas, 0, 0, QStringLiteral("<IMG width=wide>")), ConversionError);

    // With loaders: drawn at its own size, or stretched.
    QImage png(4, 3, QImage::Format_RGB32);
    png.fill(QColor(0, 0, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    png.save(&buffer, "PNG");
    QString askedExtension;
    GraphicClassForExtension = [&](const QString& ext) -> TGraphicClass {
        askedExtension = ext;
        return [](const QByteArray& data) -> std::unique_ptr<TGraphic> {
            auto bitmap = std::make_unique<TBitmap>();
            bitmap->SetImage(QImage::fromData(data));
            return bitmap;
        };
    };
    LoadImageSource = [&](const QString& source, QByteArray& stream) {
        stream = source == u"pic.png" ? bytes : QByteArray();
        return 0;
    };
    image.fill(Qt::white);
    HtmlTextOut(canvas, 50, 50, QStringLiteral("<img SRC=\"pic.png\">"));
    EXPECT_EQ(askedExtension, u"PNG");
    EXPECT_EQ(inked(40, 40, 70, 70, colour(clBlue)), 12);
    image.fill(Qt::white);
    HtmlTextOut(canvas, 50, 50, QStringLiteral("<IMG src=pic.png width=8 height=6>"));
    EXPECT_EQ(inked(40, 40, 70, 70, colour(clBlue)), 48);
    // A source the loader cannot give is a broken image.
    LoadImageSource = [](const QString&, QByteArray&) { return 1; };
    HtmlTextOut(canvas, 50, 50, QStringLiteral("<IMG src=pic.png>"));
    EXPECT_EQ(at(89, 60), clRed);  // 40 pixels wide by default
}

TEST_F(HtmlTest, MalformedTextPaintsAsItStands) {
    canvas.Font->SetStyle(fsItalic);
    // A direct rendering raises; the canvas's formatted text output does not.
    EXPECT_THROW(HtmlTextOut(canvas, 0, 0, QStringLiteral("<b>bold <FONT face=x>y")), BrineError);
    html::ClearStacks();
    canvas.Font->SetStyle(fsItalic);
    image.fill(Qt::white);
    const QString bad = QStringLiteral("<b>a < b");
    canvas.TextOutFormat(10, 10, bad, true);
    EXPECT_EQ(canvas.Font->Style(), fsItalic);
    EXPECT_EQ(html::TagStackSize(), 0);
    const QImage drawn = image.copy();
    image.fill(Qt::white);
    canvas.TextOut(10, 10, bad);
    target->releasePainter();
    EXPECT_EQ(drawn, image);

    // Well-formed text comes out exactly as a direct rendering, state included.
    const QString good = QStringLiteral("<b>x</b><FONT size=12>y");
    image.fill(Qt::white);
    canvas.TextOutFormat(10, 10, good, true);
    target->releasePainter();
    const QImage viaCanvas = image.copy();
    EXPECT_EQ(canvas.Font->Size(), 12);
    EXPECT_EQ(html::FontStackSize(), 1);
    html::ClearStacks();
    canvas.Font->SetSize(8);
    image.fill(Qt::white);
    HtmlTextOut(canvas, 10, 10, good);
    target->releasePainter();
    EXPECT_EQ(viaCanvas, image);
}

}  // namespace
}  // namespace brine::chart::test
