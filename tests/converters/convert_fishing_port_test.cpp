#include <gtest/gtest.h>

#include <cmath>

#include "converters/convert_fishing_port.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "converter_fixtures.h"
#include "core/sdf_builder.h"

namespace brine {
namespace {

std::string cp(const std::string& utf8) { return utf8ToCp932(utf8); }

double at(int y, int mo, int d, int h) { return EncodeDateTime({y, mo, d, h}); }

// The title line of a table of n water-level columns.
std::string levelTitles(int n) {
    std::string s = "(港),年,月,日,時";
    for (int i = 0; i < n; ++i) s += ",水位(cm)";
    return s + "\n";
}

const std::string kHeader = "漁港名(銚子),年,月,日,時,1/3最大(有義)波高(m),1/3最大(有義)波周期(s),波向(deg),最大波高(m)\n";

class FishingPortTest : public test::ConverterTest {
protected:
    std::string write(const std::string& t, const std::string& n = "port.csv") { return ConverterTest::write(t, n); }
    bool read(const std::string& path) { return ReadFishingPortCsv(model, path, prompter, progress); }
    const std::vector<std::int16_t>& channel(int ch) const { return model.Data[std::size_t(ch)]; }
};

TEST_F(FishingPortTest, ReadsHeaderChannelsAndTheHourlyGrid) {
    std::string p = write(kHeader +
                          ",2020,1,1,22,1.25,8.5,90,2.5\n"
                          ",2020,1,1,23,1.3,8.6\n"          // a short row: the rest is missing
                          ",2020,1,1,24,abc,8.7,95,2.7\n"   // hour 24: 0 h on 2 January
                          ",2020,1,2,4,1.5,9.0,100,3.0\n"   // three hours missing before it
                          "\n"
                          ",2020,1,1,20,9,9,9,9\n"          // not after the first row: the table ends
                          ",2020,1,2,5,7,7,7,7\n");
    model.FileName = "previous.sdf";
    ASSERT_TRUE(read(p));
    EXPECT_TRUE(prompter.shown.empty());

    EXPECT_EQ(model.Memo, cp("漁港波浪データベース／漁港名：銚子"));
    EXPECT_EQ(model.StartTime, at(2020, 1, 1, 22));
    EXPECT_EQ(model.Nch, 4);
    EXPECT_EQ(model.Nch2, 0);
    EXPECT_EQ(model.Iterations, 1);
    EXPECT_EQ(model.SampleSize, 7);
    EXPECT_EQ(model.SInt, 1);
    EXPECT_EQ(model.SITUnit, 4);
    EXPECT_EQ(model.BInt, 0);
    EXPECT_EQ(model.BITUnit, 4);
    EXPECT_EQ(model.DisplayUnit, 4);
    EXPECT_EQ(model.FileName, "");
    EXPECT_EQ(model.SaveFileName, dir.file("Wave_銚子.sdf"));

    const char* names[] = {"有義波高", "有義波周期", "波向", "最大波高"};
    const char* units[] = {"m", "s", "deg", "m"};
    const float scales[] = {0.01f, 0.1f, 1.0f, 0.01f};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(model.ChannelName[k], cp(names[k])) << k;
        EXPECT_EQ(model.ChannelUnit[k], units[k]) << k;
        EXPECT_EQ(model.ScaleA[k], scales[k]) << k;
        EXPECT_EQ(model.OffsetB[k], 0.0f) << k;
    }
    const std::int16_t E = ErrorData;
    EXPECT_EQ(channel(0), (std::vector<std::int16_t>{125, 130, E, E, E, E, 150}));
    EXPECT_EQ(channel(1), (std::vector<std::int16_t>{85, 86, 87, E, E, E, 90}));
    EXPECT_EQ(channel(2), (std::vector<std::int16_t>{90, E, 95, E, E, E, 100}));
    EXPECT_EQ(channel(3), (std::vector<std::int16_t>{250, E, 270, E, E, E, 300}));
    EXPECT_EQ(progress.titles, (std::vector<std::string>{"ファイルの読み取り"}));
    EXPECT_EQ(progress.percents.back(), 100);
    EXPECT_FALSE(progress.visible);
}

TEST_F(FishingPortTest, RowsOutOfTimeOrderKeepTheirSlots) {
    std::string p = write("(港),年,月,日,時,水温(℃)\n,2021,7,1,0,20.1\n,2021,7,1,5,20.6\n,2021,7,1,2,20.3\n");
    ASSERT_TRUE(read(p));
    EXPECT_EQ(model.SampleSize, 6);
    const std::int16_t E = ErrorData;
    EXPECT_EQ(channel(0), (std::vector<std::int16_t>{201, E, 203, E, E, 206}));
    EXPECT_EQ(model.ChannelUnit[0], cp("℃"));
}

TEST_F(FishingPortTest, ItemColumnsBeyondTheLimitAreLeftOutAndCounted) {
    // 128 fields a line: the port, the date and hour, then 123 items.
    std::string row = ",2021,7,1,0";
    for (int i = 1; i <= 130; ++i) row += "," + std::to_string(i);
    ASSERT_TRUE(read(write(levelTitles(130) + row + "\n")));
    EXPECT_EQ(model.Nch, 123);
    EXPECT_EQ(channel(122), (std::vector<std::int16_t>{12300}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "項目数が多すぎるため、最後の7列は変換しませんでした。");
    EXPECT_EQ(prompter.shown[0].type, MsgType::Information);
}

TEST_F(FishingPortTest, MistypedYearsAreAskedAboutOrRefusedBeforeTheGridIsBuilt) {
    // 8785 hourly samples for three rows: asked, and declined.
    prompter.answer(MsgResult::No);
    expectRefused([&] { return read(write(levelTitles(1) + ",2020,1,1,0,1\n,2020,1,1,1,2\n,2021,1,1,0,3\n")); },
                  "2020/01/01 00:00:00～2021/01/01 00:00:00のデータ数は8785個になります。\n"
                  "日付に誤りがないか確認して下さい。\n変換しますか。",
                  MsgType::Warning, MsgButtons::YesNo);

    // 1900 to 9000 on 40 items would take some 5 GB: refused without a question.
    const long long samples = std::llround((at(9000, 1, 1, 0) - at(1900, 1, 1, 0)) * 24) + 1;
    const std::string tooMany = "1900/01/01 00:00:00～9000/01/01 00:00:00のデータ数は" + std::to_string(samples) +
                                "個になり、多すぎるため変換できません。";
    expectRefused([&] { return read(write(levelTitles(40) + ",1900,1,1,0,1\n,9000,1,1,0,2\n")); }, tooMany.c_str());
}

TEST_F(FishingPortTest, TheGridIsHeldOnceWhileItBecomesTheModelsBurstAndIsWritten) {
    // 40 items over 1900..2036: some 1.2 million hours, a grid of 95 MB.
    const std::string p = write(levelTitles(40) + ",1900,1,1,0,1\n,2036,1,1,0,2\n");
    const long long samples = std::llround((at(2036, 1, 1, 0) - at(1900, 1, 1, 0)) * 24) + 1;
    const long gridKb = static_cast<long>(samples * 40 * 2 / 1024);
    prompter.answer(MsgResult::Yes);  // the mostly empty grid is asked about
    if (!test::resetPeakMemory()) GTEST_SKIP() << "peak memory cannot be measured here";
    long before = test::statusKb("VmRSS");
    ASSERT_TRUE(read(p));
    long peak = test::statusKb("VmHWM");
    ASSERT_EQ(model.SampleSize, samples);
    EXPECT_EQ(channel(0).back(), 200);
    EXPECT_LT(peak - before, gridKb * 3 / 2) << "grid " << gridKb << " kB";

    // Its one burst goes to the output without a second copy of the grid.
    const std::string target = dir.file("port.sdf");
    test::DirectHeaderSave headerDialog(model, target);
    ASSERT_TRUE(test::resetPeakMemory());
    before = test::statusKb("VmRSS");
    ASSERT_TRUE(headerDialog.ExecuteSave(0));
    ASSERT_TRUE(WriteOnlyBurst(model, prompter));
    peak = test::statusKb("VmHWM");
    EXPECT_LT(peak - before, gridKb / 8) << "grid " << gridKb << " kB";
    CurrentFile back;
    ASSERT_TRUE(back.ReadHeader(target));
    back.FileName = target;
    ASSERT_TRUE(back.ReadBurst(0));
    EXPECT_EQ(back.Data[0], channel(0));
    EXPECT_EQ(back.Data[39], channel(39));
}

TEST_F(FishingPortTest, PortNameCannotLeadOutOfTheFolder) {
    std::string p = write("(../x:y),年,月,日,時,水位(cm)\n,2021,7,1,0,1\n");
    ASSERT_TRUE(read(p));
    EXPECT_EQ(model.SaveFileName, dir.file("Wave_.._x_y.sdf"));
    EXPECT_EQ(model.Memo, cp("漁港波浪データベース／漁港名：../x:y"));
    // Without brackets there is no port name.
    ASSERT_TRUE(read(write("Port,年,月,日,時,水位(cm)\n,2021,7,1,0,1\n")));
    EXPECT_EQ(model.SaveFileName, dir.file("Wave_.sdf"));
}

TEST_F(FishingPortTest, RefusesFilesThatAreNotPortTablesOrDamaged) {
    struct Case {
        const char* what;
        std::string text;
        const char* message;  // nullptr: refused without a message
        MsgType type = MsgType::Information;
    };
    const std::string head = levelTitles(1);
    const std::vector<Case> cases{
        {"empty file", "", nullptr},
        {"other titles", "(港),年,月,日,時刻,水位(cm)\n,2021,7,1,0,1\n", nullptr},
        {"no row", head, nullptr},
        {"no item column", "(港),年,月,日,時\n,2021,7,1,0\n", "ファイルが異常です。"},
        {"no date", head + ",2021,7,1\n", "ファイルが異常です。"},
        {"bad month", head + ",2021,13,1,0,1\n", "ファイルが異常です。"},
        {"hour 25", head + ",2021,7,1,25,1\n", "ファイルが異常です。"},
        {"text hour", head + ",2021,7,1,1,1\n,2021,7,1,x,1\n", "ファイルが異常です。"},
        {"unknown item", "(港),年,月,日,時,水位(cm),風速(m/s)\n,2021,7,1,0,1,2\n",
         "風速は登録されていない項目です。", MsgType::Error},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectRefused([&] { return read(write(c.text, "p.csv")); }, c.message, c.type);
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
