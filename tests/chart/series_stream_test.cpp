// Storing series points and sources, damaged streams, and sample values.
#include <cmath>

#include "base/errors.h"
#include "chart/axis_panel.h"
#include "chart/series_stream.h"
#include "chart_fixture.h"

namespace brine::chart::test {
namespace {

const TStoredProperty* find(const std::vector<TStoredProperty>& list, const char* name) {
    for (const auto& p : list)
        if (p.Name == QLatin1String(name)) return &p;
    return nullptr;
}

class SeriesStreamTest : public ::testing::Test {
protected:
    bool appReady = (brine::test::qtApp(), true);  // before the panel
    TCustomAxisPanel panel;
    TChartSeries a, b, c;
};

}  // namespace

TEST_F(SeriesStreamTest, PointsColoursLabelsAndMarkPositionsSurviveARoundTrip) {
    const QString longLabel(255, QChar('L'));
    a.AddXY(0.5, 10, QStringLiteral("潮位"), clRed);
    a.AddXY(2.25, -3.5, longLabel);
    for (int i = 0; i < 200; ++i) a.AddXY(3 + i, i);
    a.AddXY(500, 1, QStringLiteral("late label"), clBlue);  // past the first hundred points
    a.Marks.Positions.resize(2);
    a.Marks.Positions[1] = std::make_unique<TSeriesMarkPosition>();
    a.Marks.Positions[1]->Custom = true;
    a.Marks.Positions[1]->LeftTop = {7, -8};
    a.Marks.Positions[1]->Width = 30;

    EXPECT_EQ(find(SeriesStreamProperties(a), "Data"), nullptr);  // points not owned are not stored
    a.StoreDataAlways = true;
    ReadSeriesStream(b, WriteSeriesStream(a));

    ASSERT_EQ(b.Count(), a.Count());
    for (int i = 0; i < a.Count(); ++i) {
        EXPECT_EQ(b.XValue(i), a.XValue(i));
        EXPECT_EQ(b.YValue(i), a.YValue(i));
        EXPECT_EQ(b.ValueColor(i), a.ValueColor(i));
        EXPECT_EQ(b.Labels.GetLabel(i), a.Labels.GetLabel(i));
    }
    EXPECT_EQ(b.Labels.GetLabel(1), longLabel);
    EXPECT_EQ(b.Labels.GetLabel(a.Count() - 1), QStringLiteral("late label"));
    ASSERT_GE(b.Marks.Positions.size(), 2u);
    EXPECT_EQ(b.Marks.Positions[0]->Custom, false);
    EXPECT_EQ(b.Marks.Positions[1]->LeftTop.Y, -8);
    EXPECT_EQ(b.Marks.Positions[1]->Width, 30);
    EXPECT_TRUE(b.OwnData);
}

TEST_F(SeriesStreamTest, IndexXValuesAreLeftOutAndLongLabelsAreCutWhole) {
    for (int i = 0; i < 4; ++i) a.Add(i * 1.5);
    std::vector<std::uint8_t> data = a.WriteData();
    EXPECT_EQ(data[0], 0);  // X values are the indexes, no colours or labels
    EXPECT_EQ(data.size(), 1u + 4u + 4u * 8u);
    b.ReadData(data);
    EXPECT_EQ(b.XValue(3), 3);
    EXPECT_EQ(b.YValue(3), 4.5);

    // 300 two-byte characters cut to 127 whole ones, not a split byte.
    c.Add(1, QString(300, QChar(0x00E9)));
    b.ReadData(c.WriteData());
    EXPECT_EQ(b.Labels.GetLabel(0), QString(127, QChar(0x00E9)));

    // The only label far past the first hundred points is kept.
    TChartSeries sparse;
    for (int i = 0; i < 150; ++i) sparse.Add(i);
    sparse.Add(1, QStringLiteral("late"));
    b.ReadData(sparse.WriteData());
    EXPECT_EQ(b.Labels.GetLabel(150), QStringLiteral("late"));

    // A horizontal series keeps its mandatory values on X.
    TChartSeries h, h2;
    h.YMandatory = h2.YMandatory = false;
    std::swap(h.MandatoryValueList, h.NotMandatoryValueList);
    std::swap(h2.MandatoryValueList, h2.NotMandatoryValueList);
    h.AddXY(42, 5);
    h2.ReadData(h.WriteData());
    EXPECT_EQ(h2.XValue(0), 42);
    EXPECT_EQ(h2.YValue(0), 5);
}

TEST_F(SeriesStreamTest, DamagedStreamsAreRefusedAndLeaveTheSeriesAsItWas) {
    a.AddXY(1, 2, QStringLiteral("x"), clRed);
    a.AddXY(3, 4);
    const std::vector<std::uint8_t> good = a.WriteData();
    b.AddXY(9, 9);
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW(b.ReadData(cut), FormatError) << n;
    }
    std::vector<std::uint8_t> huge{0, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_THROW(b.ReadData(huge), FormatError);
    huge[4] = 0xFF;  // negative count
    EXPECT_THROW(b.ReadData(huge), FormatError);
    std::vector<std::uint8_t> bad = good;
    bad[0] |= 0x10;
    EXPECT_THROW(b.ReadData(bad), FormatError);
    bad = good;
    bad.push_back(0);
    EXPECT_THROW(b.ReadData(bad), FormatError);
    ASSERT_EQ(b.Count(), 1);
    EXPECT_EQ(b.XValue(0), 9);

    // Property lists: a block or name list longer than the stream, an
    // unknown kind, a known name of the wrong kind.
    a.StoreDataAlways = true;
    std::vector<std::uint8_t> stream = WriteSeriesStream(a);
    for (size_t n = 0; n < stream.size(); ++n)
        EXPECT_THROW(ReadProperties({stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(n)}), FormatError);
    const std::vector<std::uint8_t> longList{1, 'N', 3, 0xFF, 0xFF, 0xFF, 0x7F, 0};
    EXPECT_THROW(ReadProperties(longList), FormatError);
    EXPECT_THROW(ReadProperties({1, 'N', 9, 0}), FormatError);
    TStoredProperty wrong;
    wrong.Name = QStringLiteral("Data");
    wrong.Kind = TPropertyKind::Integer;
    EXPECT_THROW(ReadSeriesStream(b, WriteProperties({wrong})), FormatError);

    // A good Data block followed by a damaged one refuses the stream whole.
    TStoredProperty data = wrong;
    data.Kind = TPropertyKind::Binary;
    data.Binary = good;
    TStoredProperty damaged = data;
    damaged.Binary.pop_back();
    EXPECT_THROW(ReadSeriesStream(b, WriteProperties({data, damaged})), FormatError);
    ASSERT_EQ(b.Count(), 1);
    EXPECT_EQ(b.XValue(0), 9);
    EXPECT_FALSE(b.OwnData);
    EXPECT_FALSE(b.Loading);
}

TEST_F(SeriesStreamTest, DataSourcesAreCheckedStoredAndResolvedOnLoading) {
    TComponent plain;
    plain.Name = QStringLiteral("Label1");
    EXPECT_THROW(a.SetDataSource(&b), ChartException);  // no panel
    a.SetParentChart(&panel);
    b.SetParentChart(&panel);
    c.SetParentChart(&panel);
    a.Name = QStringLiteral("Series1");
    b.Name = QStringLiteral("Series2");
    c.Name = QStringLiteral("Series3");
    EXPECT_EQ(raised<ChartException>([&] { a.SetDataSource(&plain); }), QStringLiteral("No valid DataSource: Label1"));
    b.AddXY(1, 5);
    b.AddXY(2, 6);
    a.SetDataSource(&b);
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(b.LinkedSeries, std::vector<TChartSeries*>{&a});
    c.SetDataSource(&a);
    EXPECT_THROW(b.SetDataSource(&c), ChartException);  // c <- a <- b
    EXPECT_TRUE(b.DataSources.Items.empty());

    auto props = SeriesStreamProperties(a);
    EXPECT_EQ(find(props, "DataSources"), nullptr);
    ASSERT_NE(find(props, "DataSource"), nullptr);
    EXPECT_EQ(find(props, "DataSource")->String, QStringLiteral("Series2"));

    // Two sources while loading: both names are stored and resolved later.
    TChartSeries loaded, other;
    other.Name = QStringLiteral("Series4");
    other.SetParentChart(&panel);
    a.Loading = true;
    a.SetDataSource(&other);
    a.Loading = false;
    props = SeriesStreamProperties(a);
    ASSERT_NE(find(props, "DataSources"), nullptr);
    EXPECT_EQ(find(props, "DataSources")->Strings, (QStringList{"Series2", "Series4"}));

    loaded.SetParentChart(&panel);
    ReadSeriesStream(loaded, WriteProperties(props));
    EXPECT_TRUE(loaded.DataSources.Items.empty());
    std::map<QString, TComponent*> all{{"Series2", &b}, {"Series4", &other}};
    loaded.Loaded([&](const QString& n) { return all.count(n) ? all[n] : nullptr; });
    EXPECT_EQ(loaded.DataSources.Items, (std::vector<TComponent*>{&b, &other}));
    EXPECT_EQ(loaded.Count(), 2);  // refilled from the first source

    // A source going away leaves the list; nil empties it and the points.
    loaded.Notification(&other, opRemove);
    EXPECT_EQ(loaded.DataSources.Items, std::vector<TComponent*>{&b});
    loaded.SetDataSource(nullptr);
    EXPECT_TRUE(loaded.DataSources.Items.empty());
    EXPECT_EQ(loaded.Count(), 0);
    EXPECT_EQ(std::count(b.LinkedSeries.begin(), b.LinkedSeries.end(), &loaded), 0);
}

TEST_F(SeriesStreamTest, CustomAxesAreStoredByIndex) {
    a.SetParentChart(&panel);
    b.SetParentChart(&panel);
    panel.AddCustomAxis();
    TChartAxis* second = panel.AddCustomAxis();
    a.SetCustomVertAxis(second);
    const auto props = SeriesStreamProperties(a);
    ASSERT_NE(find(props, "CustomVertAxis"), nullptr);
    EXPECT_EQ(find(props, "CustomVertAxis")->Integer, 1);
    EXPECT_EQ(find(props, "CustomHorizAxis"), nullptr);
    ReadSeriesStream(b, WriteProperties(props));
    EXPECT_EQ(b.CustomVertAxis(), second);
}

TEST_F(SeriesStreamTest, SampleValuesTakeTheirCountAndStayInTheirRanges) {
    EXPECT_THROW(a.FillSampleValues(-1), ChartException);
    a.FillSampleValues(0);
    ASSERT_EQ(a.Count(), 25);
    for (int i = 0; i < a.Count(); ++i) {
        EXPECT_EQ(a.XValue(i), i);
        EXPECT_GE(a.YValue(i), 0);
        // A quarter of the 0..1000 span moves each step by at most 125.
        if (i > 0) {
            EXPECT_LE(std::fabs(a.YValue(i) - a.YValue(i - 1)), 125.0);
        }
    }
    a.SampleCount = 7;
    a.FillSampleValues(0);
    EXPECT_EQ(a.Count(), 7);

    // Inside a panel the ranges come from the axes: X 10..20, Y 100 (span 0 -> 100..200).
    b.SetParentChart(&panel);
    b.AddXY(10, 100);
    b.AddXY(20, 100);
    c.SetParentChart(&panel);
    c.FillSampleValues(6);
    ASSERT_EQ(c.Count(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_DOUBLE_EQ(c.XValue(i), 10 + 2 * i);
        if (i > 0) {
            EXPECT_LE(std::fabs(c.YValue(i) - c.YValue(i - 1)), 12.5);
        }
    }
}

TEST_F(SeriesStreamTest, ChangedColourAndLabelSourcesRefillFromTheDataSource) {
    a.SetParentChart(&panel);
    b.SetParentChart(&panel);
    b.AddXY(1, 5, "x");
    b.AddXY(2, 6, "y");
    a.SetDataSource(&b);
    ASSERT_EQ(a.Count(), 2);
    // Points added since the last refill show whether a refill ran.
    a.AddXY(3, 7);
    a.SetColorSource("Colour");
    EXPECT_EQ(a.Count(), 2);
    a.AddXY(3, 7);
    a.SetColorSource("Colour");  // the same text: nothing to do
    EXPECT_EQ(a.Count(), 3);
    a.SetXLabelsSource("Label");
    EXPECT_EQ(a.Count(), 2);
    a.AddXY(3, 7);
    a.SetXLabelsSource("Label");
    EXPECT_EQ(a.Count(), 3);
    a.SetDataSource(nullptr);
    a.SetParentChart(nullptr);
    b.SetParentChart(nullptr);
}

}  // namespace brine::chart::test
