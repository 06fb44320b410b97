// Axis drawing: label texts and positions, ticks and grid by pixels, the
// title, and the room the labels, title and ticks take.
#include "chart/axis_panel.h"
#include "chart/plot_format.h"
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

struct DrawnLabel {
    int x, y;
    QString text;
};

class AxisDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        brine::test::qtApp();
        panel = std::make_unique<TCustomAxisPanel>();
        panel->SetView3D(false);
        image = QImage(400, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        target = std::make_unique<TCanvas>(&image);
        panel->Canvas().SetUseBuffer(false);
        panel->Canvas().InitWindow(target.get(), nullptr, {0, 0, 400, 300}, false);
        panel->Canvas().ResetState();
        panel->ChartRect = {40, 20, 360, 260};
        panel->RecalcWidthHeight();
    }
    void TearDown() override { s.SetParentChart(nullptr); }
    // Puts the series s on the panel, with date-time X values or not.
    void attach(bool dates) {
        s.SetParentChart(panel.get());
        s.XValues->SetDateTime(dates);
    }
    void range(TChartAxis& a, double lo, double hi, double increment = 0) {
        a.SetAutomatic(false);
        a.SetRange(lo, hi);
        a.SetIncrement(increment);
        a.LabelStyle = talValue;
        a.ScaleMinimum = lo;
        a.ScaleMaximum = hi;
        a.UpdateAxisPixels();
    }
    // Draws the axis and returns its labels (optionally without painting them).
    std::vector<DrawnLabel> labels(TChartAxis& a, bool paint = false) {
        std::vector<DrawnLabel> out;
        a.OnDrawLabel = [&out, paint](TChartAxis*, int& x, int& y, int&, QString& text, bool& draw) {
            out.push_back({x, y, text});
            draw = paint;
        };
        a.Draw(true);
        return out;
    }
    static QStringList texts(const std::vector<DrawnLabel>& l) {
        QStringList t;
        for (const auto& d : l) t << d.text;
        return t;
    }
    // Axis line black, ticks red, a solid blue grid, no labels.
    static void lineColours(TChartAxis& a) {
        a.Axis().SetColor(clBlack);
        a.Axis().SetWidth(1);
        a.Ticks().SetColor(clRed);
        a.Grid().SetStyle(psSolid);
        a.Grid().SetColor(clBlue);
        a.SetLabels(false);
        a.TickOnLabelsOnly = false;
    }
    const QImage& drawn() {
        target->releasePainter();
        return image;
    }
    TColor at(int x, int y) { return pixelAt(drawn(), x, y); }
    static bool dark(TColor c) { return qGray(ToQColor(c).rgb()) < 128; }
    // Dark (text) pixels inside a rectangle.
    int inkIn(int x0, int y0, int x1, int y1) { return countPixels(drawn(), x0, y0, x1, y1, dark); }
    std::unique_ptr<TCustomAxisPanel> panel;
    QImage image;
    std::unique_ptr<TCanvas> target;
    TChartSeries s;
};

TEST_F(AxisDrawTest, NumericLabelTextsPositionsAndHooks) {
    TChartAxis& a = panel->BottomAxis();
    range(a, 0, 100, 25);
    auto l = labels(a);
    EXPECT_EQ(texts(l), (QStringList{"100", "75", "50", "25", "0"}));
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[0].x, 360);
    EXPECT_EQ(l[2].x, 200);
    EXPECT_EQ(l[4].x, 40);
    EXPECT_EQ(a.TickPositions, (std::vector<int>{360, 280, 200, 120, 40}));

    // Ends of the axis dropped without LabelsOnAxis.
    a.LabelsOnAxis = false;
    EXPECT_EQ(texts(labels(a)), (QStringList{"75", "50", "25"}));
    a.LabelsOnAxis = true;

    // Every value formats to "0": one label.
    range(a, 0, 0.000001, 0.0000001);
    EXPECT_EQ(texts(labels(a)), QStringList{"0"});

    // A next-label handler that never lets go: the default labels.
    range(a, 0, 100, 50);
    int calls = 0;
    panel->OnGetNextAxisLabel = [&](TChartAxis*, int, double&, bool&) { ++calls; };
    EXPECT_EQ(texts(labels(a)), (QStringList{"100", "50", "0"}));
    EXPECT_EQ(calls, 1);
    // One that runs away stops at the bound.
    panel->OnGetNextAxisLabel = [&](TChartAxis*, int i, double& v, bool& stop) {
        v = (i % 2) * 10;
        stop = false;
    };
    EXPECT_EQ(labels(a).size(), 2001u);
    panel->OnGetNextAxisLabel = nullptr;

    // The label hook and multi-line labels.
    panel->OnGetAxisLabel = [](TChartAxis*, TChartSeries* s, int i, QString& text) {
        if (!s && i == -1) text = "v " + text;
    };
    a.LabelsMultiLine = true;
    l = labels(a);
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[1].text, QString("v") + QChar(13) + "50");
    EXPECT_EQ(TChartAxis::LabelLineCount(l[1].text), 2);
    EXPECT_EQ(TChartAxis::LabelLineCount(""), 0);
    EXPECT_EQ(TChartAxis::LabelLineCount("x"), 1);
}

TEST_F(AxisDrawTest, DateTimeLabels) {
    TChartAxis& a = panel->BottomAxis();
    attach(true);
    s.AddXY(date(2003, 1, 1), 1);
    a.SetDateTimeFormat("yyyy/mm/dd");
    // A one-month step on an exact date axis starts at the 1st of the month.
    range(a, date(2003, 1, 10), date(2003, 4, 20), CalendarSteps[21]);
    EXPECT_EQ(texts(labels(a)), (QStringList{"2003/04/01", "2003/03/01", "2003/02/01"}));
    EXPECT_EQ(a.FormatAxisLabel(-1), "");  // before the epoch: no text
    // The default format follows the range: dates for steps of days.
    a.SetDateTimeFormat("");
    range(a, date(2003, 1, 1), date(2003, 1, 3), 1);
    const auto l = labels(a);
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0].text, FormatDateTimeText(DefaultDateTimeFormat(2), date(2003, 1, 3)));
    EXPECT_NE(l[0].text, l[1].text);
}

TEST_F(AxisDrawTest, DefaultDateFormatFollowsTheLabelStep) {
    attach(true);
    const double start = 44562;  // 2022/01/01
    TChartAxis& a = panel->BottomAxis();
    const auto distinct = [&](int width, double span) {
        panel->ChartRect = {0, 20, width, 260};
        panel->RecalcWidthHeight();
        range(a, start, start + span);
        QStringList l = texts(labels(a));
        const int n = static_cast<int>(l.size());
        EXPECT_EQ(l.removeDuplicates(), 0) << l.join('|').toStdString();
        return std::pair{n, l.isEmpty() ? QString() : l.first()};
    };
    // Three days of hourly data: steps under a day show the time too.
    for (int h = 0; h <= 72; ++h) s.AddXY(start + h / 24.0, h);
    auto [n, first] = distinct(600, 3);
    EXPECT_GT(n, 3);
    EXPECT_EQ(first.size(), QStringLiteral("2022/01/04 00:00").size());
    // Two minutes by the second: steps under a minute show the seconds.
    s.Clear();
    for (int k = 0; k <= 120; ++k) s.AddXY(start + k / 86400.0, k);
    std::tie(n, first) = distinct(1200, 120 / 86400.0);
    EXPECT_GT(n, 3);
    EXPECT_EQ(first.size(), QStringLiteral("2022/01/01 00:02:00").size());
}

TEST_F(AxisDrawTest, DamagedDatesGiveEmptyLabelsAndPaintsCarryOn) {
    attach(true);
    s.YValues->SetDateTime(true);
    s.AddXY(44562, 44562);
    s.AddXY(4.0e6, 4.0e6);  // one damaged day count
    TChartAxis& a = panel->BottomAxis();
    a.IsDateTimeScale = true;
    EXPECT_EQ(a.FormatAxisLabel(4.0e6), "");
    EXPECT_EQ(a.FormatAxisLabel(1e308), "");
    EXPECT_FALSE(a.FormatAxisLabel(44562).isEmpty());
    EXPECT_EQ(s.GetMarkText(1), "");
    QString legend;
    EXPECT_NO_THROW(s.LegendItemText(1, ltsValue, legend));
    const TRect whole{0, 0, 400, 300};
    EXPECT_NO_THROW(panel->RenderToBitmap(clWhite, whole));
    s.Clear();
    s.AddXY(-1e308, 1);
    s.AddXY(1e308, 2);
    EXPECT_NO_THROW(panel->RenderToBitmap(clWhite, whole));

    // Whatever fails inside a paint stays inside it: the frame is drawn and
    // the panel repaints on changes afterwards.
    s.Clear();
    s.AddXY(44562, 1);
    panel->SetColor(clRed);
    panel->OnGetAxisLabel = [](TChartAxis*, TChartSeries*, int, QString&) { throw std::runtime_error("hook"); };
    std::unique_ptr<TBitmap> bmp;
    EXPECT_NO_THROW(bmp = panel->RenderToBitmap(clWhite, whole));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(pixelAt(bmp->Image(), 200, 150), clRed);
    EXPECT_TRUE(panel->AutoRepaint);
    panel->OnGetAxisLabel = nullptr;
}

TEST_F(AxisDrawTest, TicksAndGridByPixelsOnAHorizontalAxis) {
    TChartAxis& a = panel->BottomAxis();
    range(a, 0, 100, 25);
    lineColours(a);
    a.MinorTicks().SetColor(clLime);
    a.Draw(true);
    // Axis line at the chart's bottom, ticks 4 pixels long below it, grid
    // through the chart.
    EXPECT_EQ(a.AxisLinePosition, 260);
    EXPECT_EQ(at(100, 260), clBlack);
    for (int x : {120, 200, 280})
        expectPixels(drawn(), {{x, 261, clRed}, {x, 264, clRed}, {x, 265, clWhite}, {x, 100, clBlue}, {x, 20, clBlue}});
    // No grid on the ends of the axis.
    EXPECT_NE(at(40, 100), clBlue);
    EXPECT_NE(at(360, 100), clBlue);
    // Three minor ticks between two major ones, 2 pixels long.
    for (int x : {60, 80, 100}) expectPixels(drawn(), {{x, 261, clLime}, {x, 262, clLime}, {x, 263, clWhite}});
    EXPECT_EQ(at(70, 261), clWhite);
}

TEST_F(AxisDrawTest, TicksGridAndCentredGridOnAVerticalAxis) {
    TChartAxis& a = panel->LeftAxis();
    range(a, 0, 100, 50);
    lineColours(a);
    a.SetGridCentered(true);
    a.MinorTicks().Hide();
    a.Draw(true);
    EXPECT_EQ(a.AxisLinePosition, 40);
    EXPECT_EQ(a.TickPositions, (std::vector<int>{20, 140, 260}));
    // Centred grid lines: between the ticks only.
    expectPixels(drawn(), {{40, 100, clBlack}, {39, 140, clRed}, {36, 140, clRed}, {35, 140, clWhite},
                           {200, 80, clBlue}, {200, 200, clBlue}});
    EXPECT_NE(at(200, 140), clBlue);
}

TEST_F(AxisDrawTest, LabelsAndTitleArePaintedWhereTheRoomWasReserved) {
    TChartAxis& b = panel->BottomAxis();
    range(b, 0, 100, 50);
    b.Title().SetCaption("Depth");
    TRect r = panel->ChartRect;
    r.Bottom = 300;
    b.ReserveRoom(r, true);
    panel->Canvas().AssignFont(b.Title().Font());
    const int titleHeight = panel->Canvas().FontHeight();
    panel->Canvas().AssignFont(b.LabelsFont);
    const int labelHeight = panel->Canvas().FontHeight();
    EXPECT_EQ(b.TitlePosition, 300 - titleHeight);
    EXPECT_EQ(b.LabelsLinePosition, b.TitlePosition - labelHeight);
    EXPECT_EQ(r.Bottom, b.LabelsLinePosition - b.TickSize());
    EXPECT_EQ(b.TickSize(), 3 + 4);  // axis width 2 + 1, tick length 4

    // The panel's order: room first, then the chart rectangle, then drawing.
    const int title = b.TitlePosition, line = b.LabelsLinePosition;
    panel->ChartRect = r;
    b.UpdateAxisPixels();
    b.Draw(true);
    EXPECT_EQ(b.AxisLinePosition, r.Bottom);
    EXPECT_EQ(b.LabelsLinePosition, line);
    EXPECT_EQ(b.TitlePosition, title);
    // The title: centred under the middle of the axis, inside its band.
    EXPECT_GT(inkIn(180, b.TitlePosition, 220, 300), 0);
    EXPECT_EQ(inkIn(0, b.TitlePosition, 150, 300), 0);
    EXPECT_EQ(inkIn(250, b.TitlePosition, 400, 300), 0);
    // Labels in their band under each tick.
    for (int x : {40, 200, 360}) EXPECT_GT(inkIn(x - 12, b.LabelsLinePosition, x + 12, b.TitlePosition), 0) << x;
    EXPECT_EQ(inkIn(100, b.LabelsLinePosition, 140, b.TitlePosition), 0);
}

TEST_F(AxisDrawTest, TitleIsDrawnInItsOwnFont) {
    TChartAxis& b = panel->BottomAxis();
    range(b, 0, 100, 50);
    b.Title().SetCaption("Depth");
    b.Title().Font().SetHeight(-20);
    std::vector<std::pair<QString, int>> heights;
    b.OnDrawLabel = [&](TChartAxis*, int&, int&, int&, QString& text, bool& draw) {
        heights.push_back({text, panel->Canvas().Font->Height()});
        draw = false;
    };
    b.Draw(true);
    ASSERT_FALSE(heights.empty());
    EXPECT_EQ(heights.front(), std::make_pair(QString("Depth"), -20));
    for (std::size_t i = 1; i < heights.size(); ++i) EXPECT_EQ(heights[i].second, b.LabelsFont.Height());
}

TEST_F(AxisDrawTest, RoomArithmetic) {
    TChartAxis& l = panel->LeftAxis();
    range(l, 0, 1000, 500);
    EXPECT_EQ(l.Title().Angle(), 90);
    EXPECT_EQ(panel->RightAxis().Title().Angle(), 270);
    TPlotCanvas3D& c = panel->Canvas();
    c.AssignFont(l.LabelsFont);
    const int space = c.TextWidth(" ");
    // Widest of the two ends plus a blank; doubled when alternating.
    EXPECT_EQ(l.WidestLabel(), c.TextWidth("1,000") + space);
    EXPECT_EQ(l.LabelsRoom(), l.WidestLabel());
    l.SetLabelsAlternate(true);
    EXPECT_EQ(l.LabelsRoom(), 2 * l.WidestLabel());
    l.SetLabelsAlternate(false);
    // Rotated labels run along a vertical axis: the font height.
    l.SetLabelsAngle(-270);
    EXPECT_EQ(l.LabelsAngle, 90);
    EXPECT_EQ(l.LabelsRoom(), c.FontHeight());
    l.LabelsSize = 33;
    EXPECT_EQ(l.LabelsRoom(), 33);
    // Title at 90 degrees runs along; at 0 it takes the caption's width.
    l.Title().SetCaption("Level");
    c.AssignFont(l.Title().Font());
    EXPECT_EQ(l.TitleRoom(), c.FontHeight());
    l.Title().SetAngle(0);
    EXPECT_EQ(l.TitleRoom(), c.TextWidth("Level"));
    l.TitleSize = 20;
    TRect r{0, 0, 400, 300};
    l.ReserveRoom(r, true);
    EXPECT_EQ(l.TitlePosition, 20);
    EXPECT_EQ(l.LabelsLinePosition, 53);
    EXPECT_EQ(r.Left, 53 + 7);
    EXPECT_EQ(l.AxisLinePosition, r.Left);
    // Minor ticks longer than the rest set the tick size.
    l.Axis().Hide();
    l.Ticks().Hide();
    l.MinorTickLength = 5;
    EXPECT_EQ(l.TickSize(), 5);

    // Hit test: from 3 pixels inside the line out to the labels line.
    l.Draw(true);
    EXPECT_TRUE(l.HitTest(l.AxisLinePosition + 2, 100));
    EXPECT_FALSE(l.HitTest(l.AxisLinePosition + 4, 100));
    EXPECT_TRUE(l.HitTest(l.LabelsLinePosition + 1, 100));
    EXPECT_FALSE(l.HitTest(l.AxisLinePosition, 10));
}

TEST_F(AxisDrawTest, TextLabelsKeepTheirDistance) {
    TChartAxis& a = panel->BottomAxis();
    attach(false);
    // 10 pixels apart on a 320-pixel axis of 0..32.
    s.AddXY(10, 1, "WWWWWW");
    s.AddXY(11, 1, "WWWWWW");
    s.AddXY(20, 1, "WWWWWW");
    s.FirstValueIndex = 0;
    s.LastValueIndex = 2;
    range(a, 0, 32, 1);
    a.LabelStyle = talAuto;
    EXPECT_EQ(a.ComputeAutoLabelStyle(), talText);
    EXPECT_EQ(panel->LeftAxis().ComputeAutoLabelStyle(), talValue);
    EXPECT_EQ(panel->TopAxis().ComputeAutoLabelStyle(), talNone);
    auto l = labels(a);
    ASSERT_EQ(l.size(), 2u);  // the second is too close to the first
    EXPECT_EQ(l[0].x, 140);
    EXPECT_EQ(l[1].x, 240);
    a.SetLabelsSeparation(0);
    EXPECT_EQ(labels(a).size(), 3u);
}


TEST_F(AxisDrawTest, RaisedExponentFollowsRotatedLabels) {
    TChartAxis& a = panel->BottomAxis();
    a.Axis().Hide();
    a.Ticks().Hide();
    a.Grid().Hide();
    a.MinorTicks().Hide();
    a.TicksInner().Hide();
    // The format patterns have no exponent form; the label hook gives one.
    panel->OnGetAxisLabel = [](TChartAxis*, TChartSeries*, int, QString& text) { text = "5E4"; };
    range(a, 0, 100000, 100000);
    a.LabelsOnAxis = false;
    // One label in the middle: 50,000 as "5E+4".
    panel->OnGetNextAxisLabel = [](TChartAxis*, int index, double& v, bool& stop) {
        v = 50000;
        stop = index > 0;
    };
    auto inkBox = [&](int angle, bool exponent) {
        image.fill(Qt::white);
        a.SetLabelsAngle(angle);
        a.LabelsExponent = exponent;
        a.Draw(true);
        return inkBounds(drawn(), 0, 0, 400, 300, dark);
    };
    const TRect flatPlain = inkBox(0, false), flatRaised = inkBox(0, true);
    const TRect upPlain = inkBox(90, false), upRaised = inkBox(90, true);
    ASSERT_GT(flatPlain.Right, 0);
    ASSERT_GT(upPlain.Bottom, 0);
    // Flat: the "E" goes, the exponent is smaller and raised above the mantissa.
    EXPECT_LT(flatRaised.Width(), flatPlain.Width());
    EXPECT_LT(flatRaised.Top, flatPlain.Top);
    // Rotated a quarter turn: the same pair, turned. Shorter along the text
    // (now vertical) and raised means moved left, off the text's baseline.
    EXPECT_LT(upRaised.Height(), upPlain.Height());
    EXPECT_NEAR(upRaised.Height(), flatRaised.Width(), 3);
    EXPECT_LT(upRaised.Left, upPlain.Left);
    EXPECT_NEAR(upRaised.Width(), flatRaised.Height(), 3);
}

class AxisDraw3DTest : public AxisDrawTest {
protected:
    void SetUp() override {
        AxisDrawTest::SetUp();
        panel->SetView3D(true);
        panel->Width3D = 40;
        panel->Canvas().InitWindow(target.get(), &panel->View3DOptions(), {0, 0, 400, 300}, true);
        panel->Canvas().Projection(panel->Width3D, panel->ChartRect);
    }
};

TEST_F(AxisDraw3DTest, GridFollowsAxisBehind) {
    TChartAxis& a = panel->BottomAxis();
    range(a, 0, 100, 50);
    a.Grid().SetStyle(psSolid);
    a.Grid().SetColor(clRed);
    a.Ticks().Hide();
    a.MinorTicks().Hide();
    TPlotCanvas3D& c = panel->Canvas();
    const TPoint front = c.Calc3DPos(200, 140, 0), back = c.Calc3DPos(200, 140, panel->Width3D);
    ASSERT_NE(front.X, back.X);

    a.Draw(true);
    EXPECT_EQ(at(back.X, back.Y), clRed);
    EXPECT_NE(at(front.X, front.Y), clRed);

    image.fill(Qt::white);
    panel->SetAxisBehind(false);
    a.Draw(true);
    EXPECT_EQ(at(front.X, front.Y), clRed);
    EXPECT_NE(at(back.X, back.Y), clRed);
}

TEST_F(AxisDraw3DTest, DepthAxisLabelsAndTitleSitOnItsLine) {
    TChartAxis& d = panel->DepthAxis();
    d.SetVisible(true);
    range(d, 0, 4, 1);
    d.Title().SetCaption("Z");
    std::vector<DrawnLabel> l;
    std::vector<int> depths;
    d.OnDrawLabel = [&](TChartAxis*, int& x, int& y, int& z, QString& text, bool& draw) {
        l.push_back({x, y, text});
        depths.push_back(z);
        draw = false;
    };
    d.Draw(true);
    ASSERT_GE(l.size(), 2u);
    // The far-side depth axis runs along the chart's bottom right edge.
    EXPECT_EQ(d.AxisLinePosition, panel->ChartRect.Right);
    TPlotCanvas3D& c = panel->Canvas();
    c.AssignFont(d.LabelsFont);
    const int lineY = panel->ChartRect.Bottom;
    for (size_t i = 0; i < l.size(); ++i) {
        EXPECT_EQ(l[i].x, d.LabelsLinePosition) << i;
        EXPECT_TRUE(l[i].y == lineY || l[i].y == lineY + c.FontHeight() / 2) << l[i].y;
        EXPECT_EQ(depths[i], d.ValueToPixel(l[i].text.toDouble())) << i;
    }
    // Ticks in depth; the title half way back, on the same edge.
    EXPECT_EQ(d.TickPositions.size(), l.size());
    target->releasePainter();
    const TPoint t = c.Calc3DPos(d.TitlePosition, lineY, panel->Width3D / 2);
    EXPECT_GT(inkIn(t.X - 2, t.Y - 2, std::min(400, t.X + 30), std::min(300, t.Y + 30)), 0);
}

}  // namespace
}  // namespace brine::chart::test
