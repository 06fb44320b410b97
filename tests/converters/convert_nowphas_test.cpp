#include <gtest/gtest.h>

#include <cstdio>

#include "converters/convert_nowphas.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "converter_fixtures.h"

namespace brine {
namespace {

using Counts = std::vector<std::int16_t>;
constexpr std::int16_t E = ErrorData;

double at(int y, int mo, int d, int h = 0, int mi = 0) { return EncodeDateTime({y, mo, d, h, mi}); }

// Twelve values of 4 characters; 9999 is the file's missing mark.
std::string values(std::initializer_list<int> v) {
    std::string s;
    for (int x : v) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%4d", x);
        s += buf;
    }
    return s;
}
const std::string kTwelve = values({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});

// A daily-pairs line: the date in characters 1 to 12, then the values.
std::string day(int y, int mo, int d, const std::string& vals) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%4d%4d%4d", y, mo, d);
    return buf + vals + "\n";
}

// A record line: year, month, day, hour, the minutes or two blanks, four
// unused characters, then ten fields of 6 characters.
std::string record(int y, int mo, int d, int h, const std::vector<std::string>& fields, const char* minutes = "  ") {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%.2s    ", y, mo, d, h, minutes);
    std::string s = buf;
    for (const std::string& f : fields) s += std::string(6 - f.size(), ' ') + f;
    return s + "\n";
}
const std::vector<std::string> kPlainFields{"100", "1.00", "8.0", "1.50", "9.0", "2.00", "9.5", "3.00", "10.0", "180"};

const std::string kDailyTitle = "NOWPHAS 2020 port 123   波浪データ 速報\nline 2\nline 3\n";

class PortWaveTest : public test::ConverterTest {
protected:
    bool read(const std::string& path) { return ReadPortWaveFile(model, path, prompter, progress); }
};

TEST_F(PortWaveTest, MonthlyGroupsGiveOneDayPerPairFromTheFirstOfTheMonth) {
    std::string p = write("2020   3 monthly\n"
                          "       1   1\n" +
                              values({125, 130, 9999, 140, 1, 2, 3, 4, 5, 6, 7, 8}) + "\n" +
                              values({85, 86, 87, 9999, 1, 2, 3, 4, 5, 6, 7, 8}) + "\n" +
                              "       2   0\n"  // a group without pairs: one missing day
                              "       3   2\n" +
                              kTwelve + "\n" + kTwelve + "\n" + kTwelve + "\n" + kTwelve + "\n\n\n",
                          "monthly.txt");
    ASSERT_TRUE(read(p));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(model.Memo, "Offshore wave data observed off a port");
    EXPECT_EQ(model.StartTime, at(2020, 3, 1));
    EXPECT_EQ(model.Nch, 2);
    EXPECT_EQ(model.SampleSize, 48);
    EXPECT_EQ(model.SInt, 2);
    EXPECT_EQ(model.SITUnit, 4);
    EXPECT_EQ(model.SaveFileName, dir.file("Wave_.sdf"));
    EXPECT_EQ(model.ChannelName[0] + model.ChannelUnit[0] + model.ChannelName[1] + model.ChannelUnit[1], "HsmTss");
    EXPECT_EQ(model.ScaleA[0], 0.01f);
    EXPECT_EQ(model.ScaleA[1], 0.1f);

    const auto& hs = model.Data[0];
    EXPECT_EQ(Counts(hs.begin(), hs.begin() + 4), (Counts{125, 130, E, 140}));
    EXPECT_EQ(Counts(model.Data[1].begin(), model.Data[1].begin() + 4), (Counts{85, 86, 87, E}));
    EXPECT_EQ(Counts(hs.begin() + 12, hs.begin() + 24), Counts(12, E));
    // Both pairs of the third group are kept, one day each.
    EXPECT_EQ(hs[24], 1);
    EXPECT_EQ(hs[36], 1);
    EXPECT_EQ(hs[47], 12);
    EXPECT_EQ(progress.titles, (std::vector<std::string>{"データ数の調査中", "ファイルの読み取り"}));
    EXPECT_FALSE(progress.visible);
}

TEST_F(PortWaveTest, DailyPairsFillAMissingDayWhenTheUserAgrees) {
    const std::string text = kDailyTitle + day(2020, 1, 5, kTwelve) + day(2020, 1, 5, kTwelve) +
                             day(2020, 1, 7, values({9999, 50, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1})) +
                             day(2020, 1, 7, kTwelve) + day(2020, 1, 8, kTwelve) + day(2020, 1, 8, kTwelve);
    std::string p = write(text, "daily.txt");
    prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(read(p));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "2020/1/7で日付が飛んでいます。\n欠測データで埋めますか。");
    EXPECT_EQ(prompter.shown[0].type, MsgType::Confirmation);
    EXPECT_EQ(model.SampleSize, 48);
    EXPECT_EQ(model.StartTime, at(2020, 1, 5));
    EXPECT_EQ(model.SInt, 2);
    EXPECT_EQ(model.Data[0][11], 12);
    EXPECT_EQ(Counts(model.Data[1].begin() + 12, model.Data[1].begin() + 24), Counts(12, E));
    EXPECT_EQ(model.Data[0][24], E);
    EXPECT_EQ(model.Data[0][25], 50);
    EXPECT_EQ(model.Data[1][47], 12);

    // Declined: the file is skipped and the model keeps what it held.
    prompter.answer(MsgResult::No);
    expectRefused([&] { return read(p); }, "2020/1/7で日付が飛んでいます。\n欠測データで埋めますか。",
                  MsgType::Confirmation, MsgButtons::YesNo);
}

TEST_F(PortWaveTest, RecordsTakeTheirSlotOnTheGridOfTheFirstTwo) {
    std::vector<std::string> marked{"40000", "77.77", "666.6", "77.77", "777.7", "66.66", "999.9", "99.99", "777.7", "6666"};
    std::vector<std::string> values{"123", "0.125", "7.45", "2.34", "8.6", "3.1", "9.9", "4.56", "11.2", "225"};
    std::string p = write("302  Sakata Port  \n" + record(2021, 12, 31, 22, kPlainFields) +
                              record(2021, 12, 31, 23, values) + record(2022, 1, 1, 1, marked),
                          "s302x.txt");
    ASSERT_TRUE(read(p));
    EXPECT_EQ(model.Memo, "Sakata Port");
    EXPECT_EQ(model.SaveFileName, dir.file("Wave_Sakata Port.sdf"));
    EXPECT_EQ(model.StartTime, at(2021, 12, 31, 22));
    EXPECT_EQ(model.Nch, 10);
    EXPECT_EQ(model.SInt, 1);
    EXPECT_EQ(model.SITUnit, 4);
    EXPECT_EQ(model.SampleSize, 4);  // 1 h is a gap

    const char* names[] = {"No of Waves", "Hmean", "Tmean", "Hs", "Ts", "H1/10", "T1/10", "Hmax", "Tmax", "Wave direction"};
    const char* units[] = {"", "m", "s", "m", "s", "m", "s", "m", "s", "deg"};
    const float scales[] = {1.0f, 0.01f, 0.1f, 0.01f, 0.1f, 0.01f, 0.1f, 0.01f, 0.1f, 1.0f};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(model.ChannelName[k], names[k]) << k;
        EXPECT_EQ(model.ChannelUnit[k], units[k]) << k;
        EXPECT_EQ(model.ScaleA[k], scales[k]) << k;
    }
    const Counts first{100, 100, 80, 150, 90, 200, 95, 300, 100, 180};
    const Counts second{123, 13, 75, 234, 86, 310, 99, 456, 112, 225};  // 0.125 and 7.45 round half away
    // "77.77" is a value in Hmean but missing in Hs; 40000 does not fit a count.
    const Counts last{E, 7777, E, E, E, E, E, E, E, E};
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(model.Data[k][0], first[k]) << k;
        EXPECT_EQ(model.Data[k][1], second[k]) << k;
        EXPECT_EQ(model.Data[k][2], E) << k;
        EXPECT_EQ(model.Data[k][3], last[k]) << k;
    }
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "1個のデータが範囲外のため欠測値に変換しました。");
    EXPECT_EQ(progress.comment, "2022/01/01 01:00:00");

}

TEST_F(PortWaveTest, RecordsTakeTheStepOfTheFirstTwo) {
    std::vector<std::string> other = kPlainFields;
    other[0] = "130";
    struct Case {
        const char* what;
        std::string records;
        double start;
        int sInt, unit, samples;
        Counts hs;
        const char* last;
    };
    const std::vector<Case> cases{
        {"two-hourly: a gap of two steps leaves one sample missing",
         record(2022, 1, 1, 0, kPlainFields) + record(2022, 1, 1, 2, kPlainFields) + record(2022, 1, 1, 6, other),
         at(2022, 1, 1), 2, 4, 4, {100, 100, E, 130}, "2022/01/01 06:00:00"},
        {"hour 24 is midnight of the next day",
         record(2020, 12, 31, 22, kPlainFields) + record(2020, 12, 31, 23, kPlainFields) +
             record(2020, 12, 31, 24, other) + record(2021, 1, 1, 1, kPlainFields),
         at(2020, 12, 31, 22), 1, 4, 4, {100, 100, 130, 100}, "2021/01/01 01:00:00"},
        {"minutes in characters 11 and 12 give a minute step",
         record(2020, 1, 1, 0, kPlainFields, "00") + record(2020, 1, 1, 0, other, "30") +
             record(2020, 1, 1, 1, other, "30"),
         at(2020, 1, 1), 30, 3, 4, {100, 130, E, 130}, "2020/01/01 01:30:00"},
        {"half past, an hour apart: the hour is the step",
         record(2020, 1, 1, 0, kPlainFields, "30") + record(2020, 1, 1, 1, other, "30"), at(2020, 1, 1, 0, 30), 1, 4,
         2, {100, 130}, "2020/01/01 01:30:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompter.shown.clear();
        ASSERT_TRUE(read(write("302 X\n" + c.records, "s302.txt")));
        EXPECT_TRUE(prompter.shown.empty());
        EXPECT_EQ(model.StartTime, c.start);
        EXPECT_EQ(model.SInt, c.sInt);
        EXPECT_EQ(model.SITUnit, c.unit);
        EXPECT_EQ(model.SampleSize, c.samples);
        EXPECT_EQ(model.Data[0], c.hs);
        EXPECT_EQ(progress.comment, c.last);
    }
}

TEST_F(PortWaveTest, AMostlyEmptyGridIsAskedAboutBeforeItIsBuilt) {
    // Three records: up to 300 samples pass without a word.
    ASSERT_TRUE(read(write("302 X\n" + record(2020, 1, 1, 0, kPlainFields) + record(2020, 1, 1, 1, kPlainFields) +
                               record(2020, 1, 13, 11, kPlainFields),
                           "s302.txt")));
    EXPECT_EQ(model.SampleSize, 300);
    EXPECT_TRUE(prompter.shown.empty());

    // A mistyped year: 17545 samples for three records.
    const std::string p = write("302 X\n" + record(2020, 1, 1, 0, kPlainFields) + record(2020, 1, 1, 1, kPlainFields) +
                                    record(2022, 1, 1, 0, kPlainFields),
                                "s302.txt");
    prompter.answer(MsgResult::No);
    expectRefused([&] { return read(p); },
                  "2020/01/01 00:00:00～2022/01/01 00:00:00のデータ数は17545個になります。\n"
                  "日付に誤りがないか確認して下さい。\n変換しますか。",
                  MsgType::Warning, MsgButtons::YesNo);

    prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(read(p));
    EXPECT_EQ(model.SampleSize, 17545);
    EXPECT_EQ(model.Data[0][17544], 100);
}

TEST_F(PortWaveTest, RefusesEmptyAndDamagedFilesWithoutTouchingTheModel) {
    struct Case {
        const char* what;
        std::string name;
        std::string text;
        const char* message;  // nullptr: skipped without a message
        MsgButtons buttons = MsgButtons::Ok;
    };
    const std::string station = "302 X\n";
    std::vector<std::string> notNumber = kPlainFields;
    notNumber[3] = "1.5x";
    std::vector<std::string> other = kPlainFields;
    other[0] = "999";
    const std::vector<Case> cases{
        {"empty file", "e.txt", "", nullptr},
        {"first line only", "e.txt", "2020   3\n\n", nullptr},
        {"daily header only", "d.txt", kDailyTitle, nullptr},
        {"daily Ts line of another day", "d.txt", kDailyTitle + day(2020, 1, 5, kTwelve) + day(2020, 1, 6, kTwelve),
         "2020/1/5のデータが足りません。チェックして下さい。", MsgButtons::Yes},
        {"daily Ts line missing", "d.txt",
         kDailyTitle + day(2020, 1, 5, kTwelve) + day(2020, 1, 5, kTwelve) + day(2020, 1, 6, kTwelve),
         "2020/1/6のデータが足りません。チェックして下さい。", MsgButtons::Yes},
        {"daily day repeated", "d.txt",
         kDailyTitle + day(2020, 1, 5, kTwelve) + day(2020, 1, 5, kTwelve) + day(2020, 1, 5, kTwelve) +
             day(2020, 1, 5, kTwelve),
         "2020/1/5で日付の順序が正しくありません。"},
        {"daily day not a date", "d.txt", kDailyTitle + day(2020, 2, 30, kTwelve) + day(2020, 2, 30, kTwelve),
         "日付が正しくありません。（4行目）"},
        {"value not a number", "s302.txt", station + record(2022, 1, 1, 0, notNumber),
         "数値に変換できないデータがあります。（2行目）"},
        {"short record", "s302.txt", station + "2022010100      100\n", "数値に変換できないデータがあります。（2行目）"},
        {"hour 25", "s302.txt", station + record(2022, 1, 1, 25, kPlainFields), "日付が正しくありません。（2行目）"},
        {"same time twice", "s302.txt", station + record(2022, 1, 1, 3, kPlainFields) + record(2022, 1, 1, 3, kPlainFields),
         "2022/01/01 03:00:00で時刻の順序が正しくありません。（3行目）"},
        {"record before the first", "s302.txt",
         station + record(2022, 1, 1, 3, kPlainFields) + record(2022, 1, 1, 4, kPlainFields) +
             record(2022, 1, 1, 1, kPlainFields),
         "2022/01/01 01:00:00で時刻の順序が正しくありません。（4行目）"},
        {"an hour repeated after later ones", "s302.txt",
         station + record(2020, 1, 1, 0, kPlainFields) + record(2020, 1, 1, 1, kPlainFields) +
             record(2020, 1, 1, 2, kPlainFields) + record(2020, 1, 1, 1, other),
         "2020/01/01 01:00:00で時刻の順序が正しくありません。（5行目）"},
        {"a record between two steps of the grid", "s302.txt",
         station + record(2020, 1, 1, 0, kPlainFields) + record(2020, 1, 1, 2, kPlainFields) +
             record(2020, 1, 1, 3, other) + record(2020, 1, 1, 4, kPlainFields),
         "2020/01/01 03:00:00の時刻が記録時間間隔に合いません。（4行目）"},
        {"group without its Ts line", "m.txt", "2020   3\n       1   1\n" + kTwelve + "\n",
         "データが足りません。（4行目）"},
        {"group count not a number", "m.txt", "2020   3\n       1   x\n", "数値に変換できないデータがあります。（2行目）"},
        {"month 13", "m.txt", "2020  13\n       1   0\n", "日付が正しくありません。（1行目）"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectRefused([&] { return read(write(c.text, c.name)); }, c.message, MsgType::Error, c.buttons);
    }
    // A file that cannot be read is named, with the step that failed.
    prompter.shown.clear();
    const std::string missing = dir.file("missing.txt");
    EXPECT_FALSE(read(missing));
    EXPECT_TRUE(prompter.lastText().starts_with("ファイルが異常です。\n" + missing + "\n") &&
                prompter.lastText().find("ファイルを開けません") != std::string::npos)
        << prompter.lastText();
}

TEST(PortWaveLayout, ChosenFromTheFileNameAndTheFirstLine) {
    const std::string daily = utf8ToCp932("123456789012345678901234波浪データ");
    EXPECT_EQ(PortWaveLayoutOf("s302.txt", "302 Station"), PortWaveLayout::Records);
    EXPECT_EQ(PortWaveLayoutOf("s302.txt", daily), PortWaveLayout::DailyPairs);
    EXPECT_EQ(PortWaveLayoutOf("h302.txt", "3020   1"), PortWaveLayout::Records);
    EXPECT_EQ(PortWaveLayoutOf("s303.txt", "302 Station"), PortWaveLayout::MonthlyGroups);
    // Names too short to hold a code never match.
    EXPECT_EQ(PortWaveLayoutOf("a", ""), PortWaveLayout::MonthlyGroups);
    EXPECT_EQ(PortWaveLayoutOf("ab", "b"), PortWaveLayout::MonthlyGroups);
}

}  // namespace
}  // namespace brine
