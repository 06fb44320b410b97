#include <gtest/gtest.h>

#include "converters/convert_jma.h"
#include "converters/hourly_csv.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "converter_fixtures.h"

namespace brine {
namespace {

std::string cp(const std::string& utf8) { return utf8ToCp932(utf8); }

double at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    DateTimeParts p;
    p.year = y;
    p.month = mo;
    p.day = d;
    p.hour = h;
    p.minute = mi;
    p.second = s;
    return EncodeDateTime(p);
}

const std::string kTitles = "データ種別,地点名,期間区分,表示期間\n";
const std::string kPeriod = "気象データ,東京,時別値,2020年1月1日1時～2020年1月1日4時\n";

class JmaTest : public ::testing::Test {
protected:
    // Writes UTF-8 text as the CP932 file the reader sees.
    std::string write(const std::string& utf8, const std::string& name = "tokyo.csv") {
        std::string p = dir.file(name);
        test::writeText(p, cp(utf8));
        return p;
    }
    bool read(const std::string& path) { return ReadMeteorologicalCsv(model, path, prompter, progress); }
    std::int16_t count(int ch, int j) const { return model.Data[std::size_t(ch)][std::size_t(j)]; }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
};

TEST(JapaneseDateTime, ReadsEachUnitInTurnWithDefaults) {
    EXPECT_EQ(ParseJapaneseDateTime(cp("2020年1月2日3時4分5秒")), at(2020, 1, 2, 3, 4, 5));
    EXPECT_EQ(ParseJapaneseDateTime(cp("2020年3月")), at(2020, 3, 1));
    EXPECT_EQ(ParseJapaneseDateTime(cp("1999年")), at(1999, 1, 1));
    EXPECT_EQ(ParseJapaneseDateTime(cp("2020年1月1日 1時")), at(2020, 1, 1, 1));
    // Hour 24 is 0 h of the next day, across a year end too.
    EXPECT_EQ(ParseJapaneseDateTime(cp("2020年1月1日24時")), at(2020, 1, 2));
    EXPECT_EQ(ParseJapaneseDateTime(cp("2020年12月31日24時30分")), at(2021, 1, 1, 0, 30));
    // A unit is looked for only after the previous one: no year is year 0.
    for (const char* bad : {"", "1月1日", "令和2年1月1日", "2020年2月30日", "2020年1月1日25時", "年"})
        EXPECT_THROW(ParseJapaneseDateTime(cp(bad)), ConversionError) << bad;
}

TEST(JapaneseDateTime, MatchesUnitsOnlyAtCharacterStarts) {
    // "ｔ" is 82 94 and "年" is 94 4E: "ｔN" holds the bytes of "年" across
    // a character boundary.
    const std::string text = cp("ｔN年");
    EXPECT_EQ(findCp932(text, cp("年")), 3u);
    EXPECT_EQ(findCp932(cp("ｔN"), cp("年")), std::string::npos);
}

TEST_F(JmaTest, ReadsHeaderChannelsAndTheHourlyGrid) {
    std::string p = write(kTitles + kPeriod +
                          "年月日時,気温(℃）,降水量(mm),風向(方位）,風速(m/s),湿度(%),視程\n"
                          "2020/1/1 1:00,5.2,0,SSE,1.25,80,10\n"
                          "2020/1/1 2:00,5.25,0.5,N,2,81,12\n"
                          "2020/1/1 3:00,--,1,XYZ,3.5,82,x\n"
                          "2020/1/1 4:00, 4.1 ,,NNW\n");
    model.FileName = "previous.sdf";
    ASSERT_TRUE(read(p));
    EXPECT_TRUE(prompter.shown.empty());

    EXPECT_EQ(model.Memo, cp("データ：気象データ,観測地点：東京"));
    EXPECT_EQ(model.StartTime, at(2020, 1, 1, 1));
    EXPECT_EQ(model.Nch, 6);
    EXPECT_EQ(model.Nch2, 0);
    EXPECT_EQ(model.Iterations, 1);
    EXPECT_EQ(model.SampleSize, 4);
    EXPECT_EQ(model.SInt, 1);
    EXPECT_EQ(model.SITUnit, 4);
    EXPECT_EQ(model.BInt, 0);
    EXPECT_EQ(model.BITUnit, 4);
    EXPECT_EQ(model.DisplayUnit, 4);
    EXPECT_EQ(model.FileName, "");
    EXPECT_EQ(model.SaveFileName, dir.file("tokyo.sdf"));

    const char* names[] = {"気温", "降水量", "風向", "風速", "湿度", "視程"};
    // Either closing bracket ends the unit; a direction column is in degrees.
    const char* units[] = {"℃", "mm", "deg", "m/s", "%", ""};
    const float scales[] = {0.01f, 0.1f, 0.1f, 0.01f, 1.0f, 1.0f};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(model.ChannelName[k], cp(names[k])) << k;
        EXPECT_EQ(model.ChannelUnit[k], cp(units[k])) << k;
        EXPECT_EQ(model.ScaleA[k], scales[k]) << k;
        EXPECT_EQ(model.OffsetB[k], 0.0f) << k;
    }
    const std::int16_t E = ErrorData;
    const std::vector<std::vector<std::int16_t>> expected{
        {520, 525, E, 410},   // a text that is no number is missing
        {0, 5, 10, E},        // an empty field too
        {1575, 0, E, 3375},   // compass points at 0.1 degree; unknown names missing
        {125, 200, 350, E},   // a field the row lacks is missing
        {80, 81, 82, E},
        {10, 12, E, E},
    };
    for (int ch = 0; ch < 6; ++ch)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(count(ch, j), expected[std::size_t(ch)][std::size_t(j)]) << ch << "," << j;

    EXPECT_EQ(progress.titles, (std::vector<std::string>{"データのチェック中", "ファイルの読み取り"}));
    EXPECT_EQ(progress.percents.back(), 100);
    EXPECT_FALSE(progress.visible);
}

TEST_F(JmaTest, TitlesOpenTheirUnitWithEitherBracket) {
    std::string p = write(kTitles + kPeriod + "時刻,気温（℃）,風向（方位）,雨(mm）,気圧（hPa),雲量（1分(%)）\n1,5.5,SSE,1,1000,3\n");
    ASSERT_TRUE(read(p));
    const char* names[] = {"気温", "風向", "雨", "気圧", "雲量"};
    const char* units[] = {"℃", "deg", "mm", "hPa", "1分(%)"};
    ASSERT_EQ(model.Nch, 5);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(model.ChannelName[k], cp(names[k])) << k;
        EXPECT_EQ(model.ChannelUnit[k], cp(units[k])) << k;
    }
    EXPECT_EQ(model.ScaleA[1], 0.1f);
    EXPECT_EQ(count(0, 0), 55);
    EXPECT_EQ(count(1, 0), 1575);  // a direction column
}

TEST_F(JmaTest, ItemColumnsBeyondTheLimitAreLeftOutAndCounted) {
    std::string titles = "時刻", row = "1";
    for (int i = 1; i <= 130; ++i) {
        titles += ",c" + std::to_string(i) + "(m)";
        row += "," + std::to_string(i);
    }
    ASSERT_TRUE(read(write(kTitles + kPeriod + titles + "\n" + row + "\n")));
    EXPECT_EQ(model.Nch, 128);
    EXPECT_EQ(model.ChannelName[127], "c128");
    EXPECT_EQ(count(127, 0), 128);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "項目数が多すぎるため、最後の2列は変換しませんでした。");
    EXPECT_EQ(prompter.shown[0].type, MsgType::Information);
}

TEST_F(JmaTest, TableEndsAtTheFirstEmptyLineAndOnlyNumbersRefineTheScale) {
    // "2.125]" is no number: it is missing and refines nothing; the trailing
    // blank of "-0.25 " is no digit; rows after the empty line are not read.
    std::string p = write(kTitles + kPeriod + "時刻,気温(℃）\r\n1,1.5\r\n2,2.125]\r\n3,-0.25 \r\n\r\n4,4.125\r\n");
    ASSERT_TRUE(read(p));
    EXPECT_EQ(model.SampleSize, 3);
    EXPECT_EQ(model.ScaleA[0], 0.01f);
    EXPECT_EQ(model.Data[0], (std::vector<std::int16_t>{150, ErrorData, -25}));
}

TEST_F(JmaTest, CountsOutOfRangeBecomeMissingAndAreReportedOnce) {
    std::string p = write(kTitles + kPeriod + "時刻,気圧(hPa),雨(mm)\n1,1013.25,40000\n2,1000,-32767\n3,999.99,-40000\n");
    ASSERT_TRUE(read(p));
    // 101325 does not fit at 0.01: the column is read at 0.1.
    EXPECT_EQ(model.ScaleA[0], 0.1f);
    EXPECT_EQ(count(0, 0), 10132);
    EXPECT_EQ(count(0, 1), 10000);
    EXPECT_EQ(count(0, 2), 10000);
    EXPECT_EQ(count(1, 0), ErrorData);
    EXPECT_EQ(count(1, 1), -32767);
    EXPECT_EQ(count(1, 2), ErrorData);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].text, "2個のデータが範囲外のため欠測値に変換しました。");
}

TEST_F(JmaTest, DecimalsTooFineForSixteenBitsGiveTheFinestScaleThatHoldsTheColumn) {
    // 99999.5 has no count at any scale: it neither coarsens its column nor is kept.
    std::string p = write(kTitles + kPeriod +
                          "時刻,現地気圧(hPa),風速(m/s),積雪(cm)\n1,1013.21,1.25,1.5\n2,998.20,99999.5,3277.5\n"
                          "3,--,2.5,0\n");
    ASSERT_TRUE(read(p));
    EXPECT_EQ(model.ScaleA[0], 0.1f);
    EXPECT_EQ(model.Data[0], (std::vector<std::int16_t>{10132, 9982, ErrorData}));
    EXPECT_EQ(model.ScaleA[1], 0.01f);
    EXPECT_EQ(model.Data[1], (std::vector<std::int16_t>{125, ErrorData, 250}));
    EXPECT_EQ(model.ScaleA[2], 1.0f);
    EXPECT_EQ(model.Data[2], (std::vector<std::int16_t>{2, 3278, 0}));
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text, "単精度整数に収まらないため、次の項目の係数Aを変更しました。\n現地気圧：0.1\n積雪：1");
    EXPECT_EQ(prompter.shown[0].type, MsgType::Information);
    EXPECT_EQ(prompter.shown[1].text, "1個のデータが範囲外のため欠測値に変換しました。");
}

TEST_F(JmaTest, RefusesFilesThatAreNotHourlyTablesOrDamaged) {
    struct Case {
        const char* what;
        std::string text;
        const char* message;  // nullptr: refused without a message
        MsgType type = MsgType::Information;
    };
    const std::string row3 = "時刻,気温(℃）\n";
    const std::vector<Case> cases{
        {"empty file", "", nullptr},
        {"other titles", "種別,地点名,期間区分,表示期間\n" + kPeriod + row3 + "1,2\n", nullptr},
        {"daily values", kTitles + "気象データ,東京,日別値,2020年1月1日～2020年1月31日\n" + row3 + "1,2\n",
         "時別値以外のデータには対応していません。", MsgType::Error},
        {"period without ～", kTitles + "気象データ,東京,時別値,2020年1月1日1時\n" + row3 + "1,2\n",
         "ファイルが異常です。"},
        {"bad period end", kTitles + "気象データ,東京,時別値,2020年1月1日1時～令和\n" + row3 + "1,2\n",
         "ファイルが異常です。"},
        {"short line 2", kTitles + "気象データ,東京\n" + row3 + "1,2\n", "ファイルが異常です。"},
        {"no line 3", kTitles + kPeriod, "ファイルが異常です。"},
        {"no item column", kTitles + kPeriod + "時刻\n1\n", "ファイルが異常です。"},
        {"no row", kTitles + kPeriod + row3, nullptr},
        {"empty first row", kTitles + kPeriod + row3 + "\n1,2\n", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::FillCraftedHeader(model, 1, 3);
        prompter.shown.clear();
        EXPECT_FALSE(read(write(c.text)));
        if (c.message) {
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].text, c.message);
            EXPECT_EQ(prompter.shown[0].type, c.type);
        } else {
            EXPECT_TRUE(prompter.shown.empty());
        }
        // The model keeps what it held.
        EXPECT_EQ(model.Nch, 1);
        EXPECT_EQ(model.Memo, "crafted");
        EXPECT_FALSE(progress.visible);
    }
    // A file that cannot be read is named, with the step that failed.
    prompter.shown.clear();
    const std::string missing = dir.file("missing.csv");
    EXPECT_FALSE(read(missing));
    EXPECT_TRUE(prompter.lastText().starts_with("ファイルが異常です。\n" + missing + "\n") &&
                prompter.lastText().find("ファイルを開けません") != std::string::npos)
        << prompter.lastText();
}

}  // namespace
}  // namespace brine
