// Value lists and series points: ordered insertion, colours, labels, deletion,
// statistics, sorting, propagation, visible and page ranges, legend texts.
#include "chart/axis_panel.h"
#include "chart/plot_format.h"
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

TEST(ValueListTest, OrderedInsertionStatisticsAndGrowth) {
    TChartValueList asc(nullptr, "X");
    asc.SetOrder(loAscending);
    for (double v : {1.0, 3.0, 2.0, 3.0, 0.0}) asc.AddValue(v);
    EXPECT_EQ(values(asc), (std::vector<double>{0, 1, 2, 3, 3}));
    EXPECT_EQ(asc.Capacity(), 1000);

    TChartValueList desc(nullptr, "Y");
    desc.SetOrder(loDescending);
    for (double v : {2.0, 5.0, 1.0, 5.0}) desc.AddValue(v);
    EXPECT_EQ(values(desc), (std::vector<double>{5, 5, 2, 1}));

    TChartValueList l(nullptr, "Y");
    for (double v : {-2.0, 5.0, 1.0}) l.AddValue(v);
    // Minimum, maximum, total, absolute total and range.
    EXPECT_EQ((std::vector<double>{l.MinValue(), l.MaxValue(), l.Total(), l.AbsTotal(), l.Range()}),
              (std::vector<double>{-2, 5, 4, 8, 7}));
    l.SetValue(1, 9);  // statistics follow a change
    EXPECT_EQ(l.MaxValue(), 9);
    l.Delete(0);
    EXPECT_EQ(l.MinValue(), 1);
    l.ScrollValues();
    EXPECT_EQ(values(l), (std::vector<double>{1, 9}));

    // Out-of-range use is harmless.
    l.Delete(7);
    l.DeleteRange(1, 50);
    EXPECT_EQ(values(l), (std::vector<double>{1}));
    EXPECT_EQ(l[5], 0);
    l.InsertValue(99, 4);
    EXPECT_EQ(values(l), (std::vector<double>{1, 4}));

    for (int i = 0; i < 1500; ++i) l.AddValue(i);
    EXPECT_EQ(l.Capacity(), 2000);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.MaxValue(), 0);
}

TEST(SeriesTest, AddXYKeepsPointsTogetherWithColoursAndLabels) {
    TChartSeries s;
    s.AddXY(1, 10);
    s.AddXY(3, 30, "", clRed);  // first own colour: the list is made
    s.AddXY(2, 20, "two");
    s.AddXY(3, 31);  // equal X goes after the existing one
    EXPECT_EQ(values(*s.XValues), (std::vector<double>{1, 2, 3, 3}));
    EXPECT_EQ(values(*s.YValues), (std::vector<double>{10, 20, 30, 31}));
    ASSERT_TRUE(s.ColorList);
    s.SetSeriesColor(clBlue);
    EXPECT_EQ(s.ValueColor(0), clBlue);
    EXPECT_EQ(s.ValueColor(2), clRed);
    EXPECT_EQ(s.ValueColor(3), clBlue);
    EXPECT_EQ(s.Labels.Count(), 4);  // once labelled, later points get entries
    EXPECT_EQ(s.Labels.GetLabel(1), "two");
    EXPECT_FALSE(s.Labels.HasLabel(0));

    TChartSeries plain;
    plain.AddXY(0, 1);
    plain.AddXY(1, 2, "");
    EXPECT_TRUE(plain.Labels.Empty());
    EXPECT_FALSE(plain.ColorList);
    plain.SetColorEachPoint(true);
    EXPECT_EQ(plain.ValueColor(23), clBlue);

    int added = 0;
    plain.OnAfterAdd = [&](TChartSeries*, int) { ++added; };
    plain.OnBeforeAdd = [](TChartSeries*) { return false; };
    EXPECT_EQ(plain.AddXY(5, 5), -1);
    EXPECT_EQ(plain.Count(), 2);
    plain.OnBeforeAdd = nullptr;
    plain.BeginUpdate();
    plain.Add(7);
    EXPECT_EQ(added, 0);  // no notification inside an update
    plain.EndUpdate();
    EXPECT_EQ(plain.XValue(2), 2);  // Add uses the count as X
    plain.Add(8);
    EXPECT_EQ(added, 1);
}

TEST(SeriesTest, DeleteClearAndSort) {
    TChartSeries s;
    for (double x : {1.0, 2.0, 3.0}) s.AddXY(x, x * 10, x == 2 ? "b" : "", x == 3 ? clLime : clDefault);
    EXPECT_EQ(raised<ChartException>([&] { s.Delete(5); }), "Series Delete: ValueIndex 5 out of bounds (0 to 2).");
    EXPECT_EQ(s.Count(), 3);
    s.Delete(1);
    EXPECT_EQ(values(*s.YValues), (std::vector<double>{10, 30}));
    EXPECT_EQ(s.Labels.GetLabel(1), "");
    EXPECT_EQ(s.ValueColor(1), clLime);

    s.DeleteRange(0, 1, true);
    EXPECT_EQ(values(*s.XValues), (std::vector<double>{0}));  // gap removed
    s.DeleteRange(0, 5);
    EXPECT_EQ(s.Count(), 0);
    EXPECT_FALSE(s.ColorList);  // emptied colour list is freed

    TChartSeries empty;
    EXPECT_EQ(raised<ChartException>([&] { empty.Delete(0); }), "Series Delete: ValueIndex 0 out of bounds (0 to -1).");

    int cleared = 0;
    s.OnClearValues = [&](TChartSeries*) { ++cleared; };
    s.AddXY(4, 1);
    s.FirstValueIndex = s.LastValueIndex = 0;
    s.Clear();
    EXPECT_EQ(cleared, 1);
    EXPECT_EQ(s.FirstValueIndex, -1);
    EXPECT_EQ(s.LastValueIndex, -1);
    EXPECT_EQ(s.YValues->MaxValue(), 0);

    // Sorting by Y moves X, colours and labels along.
    TChartSeries t;
    t.XValues->SetOrder(loNone);
    t.AddXY(0, 3, "c");
    t.AddXY(1, 1, "a", clRed);
    t.AddXY(2, 2, "b");
    t.YValues->SetOrder(loDescending);
    t.YValues->Sort();
    EXPECT_EQ(values(*t.YValues), (std::vector<double>{3, 2, 1}));
    EXPECT_EQ(values(*t.XValues), (std::vector<double>{0, 2, 1}));
    EXPECT_EQ(t.Labels.GetLabel(2), "a");
    EXPECT_EQ(t.ValueColor(2), clRed);
}

TEST(SeriesTest, DependentSeriesFollowTheirSource) {
    TChartSeries src, dep;
    src.LinkedSeries.push_back(&dep);
    dep.DataSources.Items.push_back(&src);
    src.AddXY(1, 5, "p");
    src.AddXY(2, 6);
    EXPECT_EQ(dep.Count(), 2);
    EXPECT_EQ(dep.Labels.GetLabel(0), "p");
    src.Delete(0);
    EXPECT_EQ(values(*dep.YValues), (std::vector<double>{6}));
    src.BeginUpdate();
    src.AddXY(3, 7);
    src.AddXY(4, 8);
    EXPECT_EQ(dep.Count(), 1);
    src.EndUpdate();  // one refresh copies everything
    EXPECT_EQ(values(*dep.YValues), (std::vector<double>{6, 7, 8}));
    dep.PropagateFlags = pfAdd;
    src.Clear();
    EXPECT_EQ(dep.Count(), 3);
}

TEST(SeriesPanelTest, PanelBindsAxesTitlesPagesAndVisibleRange) {
    brine::test::qtApp();
    TCustomAxisPanel panel;
    TChartSeries a, b, c;
    a.SetParentChart(&panel);
    b.SetParentChart(&panel);
    c.SetParentChart(&panel);
    EXPECT_EQ(c.GetTitle(), "Series3");
    c.SetTitle(QString("x\x06y"));
    EXPECT_EQ(c.GetTitle(), "x y");
    EXPECT_EQ(a.GetHorizAxis, &panel.BottomAxis());
    EXPECT_EQ(a.SeriesColor(), clRed);  // first free palette colours
    EXPECT_EQ(b.SeriesColor(), clGreen);
    a.SetHorizAxis(aTopAxis);
    EXPECT_EQ(a.GetHorizAxis, &panel.TopAxis());
    EXPECT_TRUE(a.AssociatedToAxis(&panel.TopAxis()));
    EXPECT_EQ(a.ValueListOfAxis(&panel.LeftAxis()), a.YValues);
    EXPECT_EQ(a.ValueListOfAxis(&panel.BottomAxis()), nullptr);

    for (int i = 0; i < 25; ++i) b.Add(i);
    panel.SetMaxPointsPerPage(10);
    int first = 0, last = 0;
    panel.SetPage(3);
    b.CalcPageRange(first, last);
    EXPECT_EQ(first, 20);
    EXPECT_EQ(last, 24);
    panel.SetMaxPointsPerPage(0);

    // Bottom axis 0..24 over pixels 0..240: points 0..24 map 10 pixels apart.
    panel.ChartRect = {0, 0, 240, 100};
    panel.RecalcWidthHeight();
    TChartAxis& x = panel.BottomAxis();
    x.SetRange(5, 15);
    x.UpdateAxisPixels();
    x.ScaleMinimum = 5;
    x.ScaleMaximum = 15;
    x.RecalcScale();
    b.CalcVisibleRange();
    EXPECT_EQ(b.FirstValueIndex, 5);
    EXPECT_EQ(b.LastValueIndex, 15);
    x.ScaleMinimum = 30;
    x.ScaleMaximum = 40;
    x.RecalcScale();
    b.CalcVisibleRange();
    EXPECT_EQ(b.FirstValueIndex, -1);
    EXPECT_EQ(b.LastValueIndex, -1);

    QString text;
    b.LegendItemText(3, ltsLeftValue, text);
    EXPECT_EQ(text, "3");
    b.Labels.InsertLabel(3, "three");
    b.LegendItemText(3, ltsRightPercent, text);
    EXPECT_EQ(text, QString("three") + QChar(6) + "1 %");  // 3 of 300
    b.LegendItemText(3, ltsXAndValue, text);
    EXPECT_EQ(text, QString("3") + QChar(6) + "3");
}

TEST(PlotFormatTest, PatternsRoundHalfAwayAndGroupThousands) {
    EXPECT_EQ(FormatFloat("#,##0.#", 1234567.25), "1,234,567.3");
    EXPECT_EQ(FormatFloat("#,##0.###", 0), "0");
    EXPECT_EQ(FormatFloat("#,##0.###", -0.0004), "0");
    EXPECT_EQ(FormatFloat("#,##0.###", -12.5), "-12.5");
    EXPECT_EQ(FormatFloat("##0.## %", 33.3333), "33.33 %");
    EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");  // exact binary tie: away from zero
    EXPECT_EQ(FormatFloat("0.0;(0.0);zero", -2), "(2.0)");
    EXPECT_EQ(FormatFloat("0.0;(0.0);zero", 0), "zero");
    EXPECT_EQ(FormatDateTimeText("yyyy/mm/dd hh:nn", 37700.4375), "2003/03/20 10:30");
}

TEST(PlotFormatTest, ScientificSectionsPlaceTheExponent) {
    EXPECT_EQ(FormatFloat("0.0E+00", 55000), "5.5E+04");
    EXPECT_EQ(FormatFloat("0.0E+00", 0.00055), "5.5E-04");
    EXPECT_EQ(FormatFloat("0.0E-00", 55000), "5.5E04");  // "-" signs only negative exponents
    EXPECT_EQ(FormatFloat("0.0E-00", 0.00055), "5.5E-04");
    EXPECT_EQ(FormatFloat("0.00e+0", 123456), "1.23e+5");
    EXPECT_EQ(FormatFloat("0.##e-0", 1000), "1e3");
    EXPECT_EQ(FormatFloat("0.0E+00", -55000), "-5.5E+04");
    EXPECT_EQ(FormatFloat("0.0E+00", 0), "0.0E+00");
    EXPECT_EQ(FormatFloat("0.0E+00", 99999), "1.0E+05");  // the carry moves the exponent
    EXPECT_EQ(FormatFloat("0.0E+00", 0.125), "1.3E-01");  // halves away from zero
    EXPECT_EQ(FormatFloat("00.0E+0", 55000), "55.0E+3");  // two digits before the point
    EXPECT_EQ(FormatFloat("0.0E+0000 m", 1e-300), "1.0E-0300 m");
    EXPECT_EQ(FormatFloat("0.0E+00;(0.0E+00)", -0.5), "(5.0E-01)");
}

}  // namespace
}  // namespace brine::chart::test
