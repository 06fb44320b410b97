// A built-in converter's single-burst table saved through the menu's loop.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/menu_jobs.h"
#include "app/startup.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "converters/convert_jma.h"
#include "converters/converter_fixtures.h"

namespace brine {
namespace {

double at(int y, int mo, int d, int h) { return EncodeDateTime({y, mo, d, h}); }

const std::string kTitles = "データ種別,地点名,期間区分,表示期間\n";
const std::string kPeriod = "気象データ,東京,時別値,2020年1月1日1時～2020年1月1日4時\n";

class JmaTest : public ::testing::Test {
protected:
    std::string write(const std::string& utf8) {
        std::string p = dir.file("tokyo.csv");
        test::writeText(p, utf8ToCp932(utf8));
        return p;
    }
    bool read(const std::string& path) { return ReadMeteorologicalCsv(model, path, prompter, progress); }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
};

TEST_F(JmaTest, SingleBurstSaveWritesTheTableAsSdf) {
    std::string p = write(kTitles + kPeriod + "時刻,気温(℃）,風向(方位）\n1,5.5,E\n2,-1.5,W\n3,0,S\n");
    const std::string target = dir.file("out.sdf");
    DirectHeaderSave save(model, target);
    RunSingleBurstCommand({p}, [&](const std::string& f) { return read(f); }, save, model, prompter);
    EXPECT_EQ(prompter.lastText(), "正常に変換を終了しました。");

    CurrentFile back;
    back.prompter = &prompter;
    back.progress = &progress;
    ASSERT_TRUE(back.ReadSDFHeader(target));
    back.FileName = target;
    ASSERT_TRUE(back.ReadSDFBurst(0));
    EXPECT_EQ(back.Nch, 2);
    EXPECT_EQ(back.SampleSize, 3);
    EXPECT_EQ(back.SITUnit, 4);
    EXPECT_EQ(back.StartTime, at(2020, 1, 1, 1));
    EXPECT_EQ(back.ChannelUnit[1], "deg");
    EXPECT_EQ(back.Data[0], (std::vector<std::int16_t>{55, -15, 0}));
    EXPECT_EQ(back.Data[1], (std::vector<std::int16_t>{900, 2700, 1800}));
}

}  // namespace
}  // namespace brine
