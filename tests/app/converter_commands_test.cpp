// A built-in converter's single-burst table saved through the menu's loop.
#include <gtest/gtest.h>

#include "app/menu_jobs.h"
#include "base/datetime.h"
#include "converters/convert_jma.h"
#include "converters/converter_fixtures.h"
#include "core/sdf_builder.h"

namespace brine {
namespace {

using JmaTest = test::ConverterTest;

TEST_F(JmaTest, SingleBurstSaveWritesTheTableAsSdf) {
    std::string p = write("データ種別,地点名,期間区分,表示期間\n気象データ,東京,時別値,2020年1月1日1時～2020年1月1日4時\n"
                          "時刻,気温(℃）,風向(方位）\n1,5.5,E\n2,-1.5,W\n3,0,S\n",
                          "tokyo.csv");
    const std::string target = dir.file("out.sdf");
    test::DirectHeaderSave save(model, target);
    RunSingleBurstCommand({p}, [&](const std::string& f) { return ReadMeteorologicalCsv(model, f, prompter, progress); },
                          save, model, prompter);
    EXPECT_EQ(prompter.lastText(), "正常に変換を終了しました。");

    test::ReadBack back(target, 0);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Nch, 2);
    EXPECT_EQ(back.m.SampleSize, 3);
    EXPECT_EQ(back.m.SITUnit, 4);
    EXPECT_EQ(back.m.StartTime, EncodeDateTime({2020, 1, 1, 1}));
    EXPECT_EQ(back.m.ChannelUnit[1], "deg");
    EXPECT_EQ(back.m.Data[0], (std::vector<std::int16_t>{55, -15, 0}));
    EXPECT_EQ(back.m.Data[1], (std::vector<std::int16_t>{900, 2700, 1800}));
}

}  // namespace
}  // namespace brine
