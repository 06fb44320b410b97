// Marks: texts per style, items and stored positions, DrawEvery and clicks,
// user-placed boxes, the callout distance, and boxes and arrows by pixels.
#include "chart/series_marks.h"

#include "chart/axis_panel.h"
#include "chart/chart.h"
#include "chart/line_series.h"
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

const QString CR(QChar(13));
bool dark(TColor c) { return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100; }

TEST(MarkTextTest, EveryStyleItemTextsAndTheEvent) {
    brine::test::qtApp();
    TChartSeries s;
    s.AddXY(1, 10, "a");
    s.AddXY(2, 30);
    s.AddXY(3, -60, "c");  // absolute total 100
    const auto text = [&](TSeriesMarksStyle style, int i) {
        s.Marks.SetStyle(style);
        return s.GetMarkText(i);
    };
    EXPECT_EQ(text(smsValue, 0), "10");
    EXPECT_EQ(text(smsPercent, 2), "60 %");
    EXPECT_EQ(text(smsLabel, 0), "a");
    EXPECT_EQ(text(smsLabel, 1), "30");  // no label: the value
    EXPECT_EQ(text(smsLabelValue, 0), "a 10");
    EXPECT_EQ(text(smsLabelPercent, 1), "30 30 %");
    EXPECT_EQ(text(smsPercentTotal, 2), "60 % of 100");
    EXPECT_EQ(text(smsXValue, 2), "3");
    EXPECT_EQ(text(smsXY, 2), "3 -60");
    EXPECT_EQ(text(smsLegend, 0), "10 a");  // column separator as a blank
    s.Marks.SetMultiLine(true);
    EXPECT_EQ(text(smsLabelValue, 0), "a" + CR + "10");
    EXPECT_EQ(text(smsLabelPercentTotal, 2), "c" + CR + "60 %" + CR + "of 100");

    // An item's text wins whatever the style, without a final line break.
    const QStringList lines{"one", "two"};
    s.Marks.MarkItem(1)->SetText(&lines);
    EXPECT_EQ(text(smsValue, 1), "one" + CR + "two");
    EXPECT_EQ(s.Marks.Items.size(), 2u);
    EXPECT_EQ(s.Marks.Items[0], nullptr);  // filled with empty entries
    EXPECT_EQ(&s.Marks.ItemOrMarks(0), &s.Marks);
    EXPECT_EQ(&s.Marks.ItemOrMarks(1), s.Marks.Items[1].get());
    EXPECT_EQ(s.Marks.MarkItem(-1), nullptr);

    s.OnGetMarkText = [](TChartSeries*, int i, QString& t) { t += QString::number(i); };
    EXPECT_EQ(text(smsValue, 0), "100");

    // No total at all: every point is 100 %.
    TChartSeries zero;
    zero.Add(0);
    zero.Marks.SetStyle(smsPercent);
    EXPECT_EQ(zero.GetMarkText(0), "100 %");
}

TEST(MarksStateTest, ItemsAssignDeleteAndClear) {
    brine::test::qtApp();
    TChartSeries s;
    TSeriesMarks& m = s.Marks;
    for (int i = 0; i < 3; ++i) s.Add(i);  // items belong to points
    EXPECT_EQ(m.MarkItem(0)->Color(), clInfoBk);  // an item starts as the marks are
    m.SetDrawEvery(0);  // would divide by zero
    EXPECT_EQ(m.DrawEvery(), 1);

    m.SetAngle(90);
    m.SetStyle(smsXY);
    m.Callout().SetLength(20);
    m.MarkItem(2)->SetColor(clRed);
    TChartSeries t;
    t.Marks.Assign(m);
    EXPECT_EQ(t.Marks.Angle(), 90);
    EXPECT_EQ(t.Marks.Style(), smsXY);
    EXPECT_EQ(t.Marks.Callout().Length(), 20);
    ASSERT_EQ(t.Marks.Items.size(), 3u);
    EXPECT_EQ(t.Marks.Items[2]->Color(), clRed);
    EXPECT_EQ(t.Marks.Items[1], nullptr);

    // Deleting a point takes its item and position; clearing keeps items
    // read from a stream only.
    m.Positions.resize(3);
    m.Positions[1] = std::make_unique<TSeriesMarkPosition>();
    m.Positions[1]->Custom = true;
    EXPECT_TRUE(m.AnyCustomPosition());
    s.Delete(0);
    EXPECT_TRUE(m.Positions[0] && m.Positions[0]->Custom);
    EXPECT_EQ(m.Items.size(), 2u);
    m.ItemsFromStream = true;
    s.Clear();
    EXPECT_FALSE(m.AnyCustomPosition());
    EXPECT_EQ(m.Items.size(), 2u);
    m.ItemsFromStream = false;
    m.ClearPositions();
    EXPECT_TRUE(m.Items.empty());
}

TEST(MarksCalloutTest, DistanceLiftsTheBoxAboveThePoint) {
    TChartSeries s;
    TSeriesMarkPosition p;
    p.ArrowFrom = p.ArrowTo = {50, 100};
    p.Width = 30;
    p.Height = 12;
    p.LeftTop = {35, 100 - 12 + 1};
    s.Marks.Callout().ApplyDistance(p);
    EXPECT_EQ(p.LeftTop.Y + p.Height - 1, 100 - 8);  // box ends 8 pixels above
    EXPECT_EQ(p.ArrowTo.Y, 92);
    EXPECT_EQ(p.ArrowFrom.Y, 100);
    s.Marks.Callout().SetDistance(3);
    s.Marks.Callout().ApplyDistance(p);
    EXPECT_EQ(p.ArrowTo.Y, 92 - 11);
    EXPECT_EQ(p.ArrowFrom.Y, 97);
}

// A panel drawing into a white 200 × 120 image; X 0..4 and Y 0..10 fill it.
class MarksDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        image.fill(Qt::white);
        panel.SetView3D(false);
        TPlotCanvas3D& canvas = panel.Canvas();
        canvas.SetUseBuffer(false);
        canvas.InitWindow(&target, nullptr, {0, 0, 200, 120}, false);
        canvas.ResetState();
        panel.ChartRect = {0, 0, 200, 120};
        panel.RecalcWidthHeight();
        for (TChartAxis* a : {&panel.BottomAxis(), &panel.LeftAxis()}) {
            a->ScaleMinimum = 0;
            a->ScaleMaximum = a == &panel.BottomAxis() ? 4 : 10;
            a->UpdateAxisPixels();
            a->RecalcScale();
        }
        s.SetParentChart(&panel);
        s.Marks.SetVisible(true);
        s.Marks.Frame().SetColor(clBlack);
    }
    void TearDown() override { s.SetParentChart(nullptr); }
    const QImage& drawn() {
        target.releasePainter();
        return image;
    }
    TColor at(int x, int y) { return pixelAt(drawn(), x, y); }
    void drawAll() {
        s.CalcVisibleRange();
        s.DrawMarks();
    }

    static void SetUpTestSuite() { brine::test::qtApp(); }
    QImage image{200, 120, QImage::Format_RGB32};
    TCanvas target{&image};
    TCustomAxisPanel panel;
    TChartSeries s;
};

TEST_F(MarksDrawTest, DrawEveryPositionsClicksAndUserPlacedBoxes) {
    for (int i = 0; i < 5; ++i) s.AddXY(i, 5);
    s.Marks.SetDrawEvery(2);
    drawAll();
    ASSERT_EQ(s.Marks.Positions.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.Marks.Positions[i] != nullptr, i % 2 == 0) << i;

    const TSeriesMarkPosition& p = *s.Marks.Positions[2];
    const int px = s.CalcXPos(2), py = s.CalcYPos(2);
    EXPECT_EQ(px, 100);
    EXPECT_EQ(p.ArrowTo.X, px);
    EXPECT_EQ(p.LeftTop.X, px - p.Width / 2);
    EXPECT_EQ(p.LeftTop.Y + p.Height - 1, py);  // the box sits on the point
    EXPECT_GT(p.Width, s.Marks.Positions[0]->Width - 1);
    EXPECT_EQ(at(p.LeftTop.X, p.LeftTop.Y + 2), clBlack);  // frame
    EXPECT_EQ(at(p.LeftTop.X + 2, p.LeftTop.Y + 2), ColorToRGB(clInfoBk));  // fill

    EXPECT_EQ(s.Marks.Clicked(px, py - 2), 2);
    EXPECT_EQ(s.Marks.Clicked(px, py + 20), -1);
    // A stored box of an odd point is not clickable.
    s.Marks.Positions[1] = std::make_unique<TSeriesMarkPosition>();
    s.Marks.Positions[1]->LeftTop = {0, 0};
    s.Marks.Positions[1]->Width = s.Marks.Positions[1]->Height = 10;
    EXPECT_EQ(s.Marks.Clicked(5, 5), -1);

    // A user-placed box keeps its place; a fixed arrow keeps its start.
    TSeriesMarkPosition& stored = *s.Marks.Positions[4];
    stored.Custom = true;
    stored.ArrowFixed = true;
    stored.LeftTop = {10, 60};
    stored.ArrowFrom = {1, 1};
    image.fill(Qt::white);
    drawAll();
    EXPECT_EQ(stored.LeftTop.X, 10);
    EXPECT_EQ(stored.LeftTop.Y, 60);
    EXPECT_EQ(at(12, 62), ColorToRGB(clInfoBk));
    EXPECT_EQ(at(s.CalcXPos(4) - 2, s.CalcYPos(4) - 2), clWhite);  // nothing at the computed place

    // A transparent item gives no box; a null point no mark at all.
    s.Marks.MarkItem(0)->SetTransparent(true);
    image.fill(Qt::white);
    drawAll();
    EXPECT_EQ(at(s.CalcXPos(0) + 2, s.CalcYPos(0) - 2), clWhite);
    s.Clear();
    s.AddNullXY(2, 5);
    drawAll();
    EXPECT_TRUE(s.Marks.Positions.empty());
}

TEST_F(MarksDrawTest, ItemsOnlyForPointsAndOnlyBoxesDrawnLastAnswerClicks) {
    for (int i = 0; i < 5; ++i) s.AddXY(i, 5);
    EXPECT_EQ(s.Marks.MarkItem(100000000), nullptr);
    EXPECT_EQ(s.Marks.MarkItem(5), nullptr);
    EXPECT_TRUE(s.Marks.Items.empty());
    ASSERT_NE(s.Marks.MarkItem(4), nullptr);
    EXPECT_EQ(s.Marks.Items.size(), 5u);
    drawAll();
    ASSERT_EQ(s.Marks.Positions.size(), 5u);
    const TSeriesMarkPosition box4 = *s.Marks.Positions[4];
    const TPoint at4{box4.LeftTop.X + box4.Width / 2, box4.LeftTop.Y + 2};
    EXPECT_EQ(s.Marks.Clicked(at4.X, at4.Y), 4);
    s.Marks.Positions[3]->Custom = true;
    const TSeriesMarkPosition box3 = *s.Marks.Positions[3];
    // Zoomed to the first three points: the other boxes are not drawn.
    TChartAxis& bottom = panel.BottomAxis();
    bottom.ScaleMinimum = -1;
    bottom.ScaleMaximum = 2.5;
    bottom.UpdateAxisPixels();
    drawAll();
    EXPECT_EQ(s.Marks.Clicked(at4.X, at4.Y), -1);
    EXPECT_EQ(s.Marks.Clicked(box3.LeftTop.X + 2, box3.LeftTop.Y + 2), -1);
    ASSERT_GE(s.Marks.Positions.size(), 4u);
    ASSERT_TRUE(s.Marks.Positions[3]);  // the user's place is kept
    EXPECT_EQ(s.Marks.Positions[3]->LeftTop.X, box3.LeftTop.X);
    const TSeriesMarkPosition& box1 = *s.Marks.Positions[1];
    EXPECT_EQ(s.Marks.Clicked(box1.LeftTop.X + 2, box1.LeftTop.Y + 2), 1);
}

TEST_F(MarksDrawTest, CalloutArrowHeadsAndPointer) {
    s.Marks.Callout().Arrow().SetColor(clBlue);
    TMarksCallout& c = s.Marks.Callout();
    c.SetVisible(true);
    c.Draw(clRed, {50, 100}, 0, {50, 60});
    // The arrow, and the pointer at its start with a black brush.
    expectPixels(drawn(), {{50, 80, clBlue}, {50, 100, clBlack}, {53, 103, clBlack}, {56, 100, clWhite}});

    image.fill(Qt::white);
    c.SetArrowHead(ahSolid);
    c.Draw(clRed, {50, 100}, 0, {50, 60});
    // With a head no pointer; the head is filled with the pointer's brush
    // inside the arrow pen.
    expectPixels(drawn(), {{53, 103, clWhite}, {50, 80, clBlack}});
    int head = 0, shaft = 0;
    for (int x = 40; x <= 60; ++x) head += at(x, 67) != clWhite, shaft += at(x, 90) != clWhite;
    EXPECT_GT(head, shaft + 2);
    EXPECT_EQ(at(48, 90), clBlue);

    image.fill(Qt::white);
    c.SetArrowHead(ahLine);
    c.Draw(clRed, {50, 100}, 0, {50, 60});
    expectPixels(drawn(), {{50, 80, clBlue}, {46, 67, clBlue}, {47, 67, clWhite}});  // one side of the open head

    // Marks draw their callout before the box, in the point colour.
    image.fill(Qt::white);
    c.SetArrowHead(ahNone);
    c.Brush().SetColor(clDefault);
    s.AddXY(2, 2);
    s.CalcVisibleRange();
    TSeriesMarkPosition p;
    p.ArrowFrom = p.ArrowTo = {s.CalcXPos(0), s.CalcYPos(0)};
    p.Width = 20;
    p.Height = 10;
    p.LeftTop = {p.ArrowTo.X - 10, p.ArrowTo.Y - 9};
    c.ApplyDistance(p);
    s.DrawMark(0, "x", p);
    EXPECT_EQ(at(p.ArrowFrom.X + 2, p.ArrowFrom.Y + 2), s.ValueColor(0));
    EXPECT_EQ(at(p.ArrowFrom.X, p.ArrowFrom.Y - 6), clBlue);
}

TEST_F(MarksDrawTest, LineSeriesMarksStandAboveTheirPointsOnTheArrow) {
    TLineSeries line;
    line.SetParentChart(&panel);
    line.Marks.SetVisible(true);
    line.Marks.Frame().SetColor(clBlack);
    line.Marks.Arrow().SetColor(clBlue);
    line.AddXY(2, 5);
    line.CalcVisibleRange();
    line.DrawMarks();
    ASSERT_EQ(line.Marks.Positions.size(), 1u);
    const TSeriesMarkPosition& p = *line.Marks.Positions[0];
    const int px = line.CalcXPos(0), py = line.CalcYPos(0);
    // Length 8 and Distance 0: the box ends 8 pixels above the point.
    EXPECT_EQ(p.LeftTop.Y + p.Height - 1, py - 8);
    EXPECT_EQ(p.ArrowFrom.Y, py);
    EXPECT_EQ(p.ArrowTo.Y, py - 8);
    EXPECT_EQ(at(px, py - 4), clBlue);  // the arrow between point and box
    EXPECT_EQ(at(p.LeftTop.X + 2, p.LeftTop.Y + 2), ColorToRGB(clInfoBk));
    EXPECT_EQ(at(px + 1, py), clWhite);  // the point itself stays clear
    const int height = p.Height;
    line.Marks.Callout().SetDistance(3);
    line.DrawMarks();
    EXPECT_EQ(line.Marks.Positions[0]->LeftTop.Y + height - 1, py - 11);
    EXPECT_EQ(line.Marks.Positions[0]->ArrowFrom.Y, py - 3);
    line.SetParentChart(nullptr);
}

TEST_F(MarksDrawTest, MultiLineTextSymbolAndWidth) {
    s.AddXY(2, 5, "Label");
    s.Marks.SetStyle(smsLabelValue);
    s.Marks.SetMultiLine(true);
    s.Marks.Symbol().SetVisible(true);
    s.SetSeriesColor(clGreen);
    drawAll();
    const TSeriesMarkPosition& p = *s.Marks.Positions[0];
    const int fh = panel.Canvas().FontHeight();
    EXPECT_GE(p.Height, 2 * fh);  // two lines
    // The symbol square in the point colour, just inside the left edge.
    EXPECT_EQ(at(p.LeftTop.X + 4, p.LeftTop.Y + 4), clGreen);
    // Dark text pixels in each line.
    const auto inkInRow = [&](int y0, int y1) {
        return countPixels(drawn(), p.LeftTop.X + fh, y0, p.LeftTop.X + p.Width - 2, y1, dark);
    };
    EXPECT_GT(inkInRow(p.LeftTop.Y + 2, p.LeftTop.Y + fh), 5);
    EXPECT_GT(inkInRow(p.LeftTop.Y + fh + 1, p.LeftTop.Y + 2 * fh), 5);
    EXPECT_EQ(s.MaxMarkWidth(), panel.Canvas().TextWidth("Label"));
}


TEST_F(MarksDrawTest, HtmlBoxHoldsEveryLine) {
    s.AddXY(2, 5, "<B>Tide</B><BR>level");
    s.Marks.SetStyle(smsLabel);
    s.Marks.SetTextFormat(ttfHtml);
    drawAll();
    const TSeriesMarkPosition& p = *s.Marks.Positions[0];
    // The lowest dark pixel under the box's columns is still inside the box.
    const int lowest = inkBounds(drawn(), p.LeftTop.X, p.LeftTop.Y, p.LeftTop.X + p.Width, 120, dark).Bottom;
    ASSERT_GE(lowest, 0);
    EXPECT_LT(lowest, p.LeftTop.Y + p.Height);
    EXPECT_GE(p.Height, 2 * panel.Canvas().FontHeight());
}

TEST(MarkTextTest, LegendStyleTakesTheChartsLegendText) {
    brine::test::qtApp();
    TChart chart;
    TChartSeries s;
    s.SetParentChart(&chart);
    s.AddXY(1, 10, "a");
    s.Marks.SetStyle(smsLegend);
    chart.Legend().TextStyle = ltsRightValue;
    EXPECT_EQ(s.GetMarkText(0), "a 10");
    chart.Legend().TextStyle = ltsPlain;
    EXPECT_EQ(s.GetMarkText(0), "a");
    // Columns kept apart by the separator on separate lines only with MultiLine.
    chart.Legend().TextStyle = ltsLeftValue;
    s.Marks.SetMultiLine(true);
    EXPECT_EQ(s.GetMarkText(0), "10" + QString(QChar(6)) + "a");
    s.SetParentChart(nullptr);
}

TEST_F(MarksDrawTest, ClippedMarksStayInsideTheChartRectangle) {
    s.AddXY(2, 5);
    // The chart rectangle starts below the top of the box.
    panel.ChartRect.Top = 52;
    drawAll();
    const TSeriesMarkPosition p = *s.Marks.Positions[0];
    ASSERT_LT(p.LeftTop.Y + 2, 52);
    ASSERT_GT(p.LeftTop.Y + p.Height - 3, 52);
    EXPECT_EQ(at(p.LeftTop.X + 2, p.LeftTop.Y + 2), ColorToRGB(clInfoBk));

    image.fill(Qt::white);
    s.Marks.SetClip(true);
    drawAll();
    EXPECT_EQ(at(p.LeftTop.X + 2, p.LeftTop.Y + 2), clWhite);
    EXPECT_EQ(at(p.LeftTop.X + 2, p.LeftTop.Y + p.Height - 3), ColorToRGB(clInfoBk));
    // The clip ends with the marks.
    panel.Canvas().Rectangle(2, 2, 8, 8);
    EXPECT_NE(at(2, 4), clWhite);
}

}  // namespace
}  // namespace brine::chart::test
