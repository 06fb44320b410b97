#include <gtest/gtest.h>

#include "base/errors.h"
#include "core/current_file.h"
#include "core/line_split.h"
#include "core/model_services.h"
#include "core/sdf_builder.h"
#include "core/time_units.h"
#include "platform/api/scripted.h"

using namespace brine;

TEST(LineSplit, Commas) {
    EXPECT_EQ(SplitCommas(""), std::vector<std::string>{""});
    EXPECT_EQ(SplitCommas("a,b,"), (std::vector<std::string>{"a", "b", ""}));
    EXPECT_EQ(SplitCommas(" a , b"), (std::vector<std::string>{" a ", " b"}));
    std::string line = "x";
    for (int i = 0; i < 140; ++i) {
        line += ',';
        line += std::to_string(i);
    }
    auto f = SplitCommas(line);
    ASSERT_EQ(f.size(), 129u);
    EXPECT_EQ(f[128], "127");  // the rest of the line is dropped

    std::vector<std::string> small(2);
    int count = -1;
    EXPECT_THROW(SplitCommas("a,b,c", count, small), RangeError);
    SplitCommas("a,b", count, small);
    EXPECT_EQ(count, 2);
}

TEST(LineSplit, Blanks) {
    EXPECT_EQ(SplitBlanks("   one  two    three   "), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(SplitBlanks("one\ttwo"), std::vector<std::string>{"one\ttwo"});
    EXPECT_EQ(SplitBlanks("\t\r one"), std::vector<std::string>{"one"});
    EXPECT_EQ(SplitBlanks(""), std::vector<std::string>{""});
    EXPECT_EQ(SplitBlanks("    "), std::vector<std::string>{""});
    std::string line;
    for (int i = 0; i < 140; ++i) line += std::to_string(i) + "  ";
    auto f = SplitBlanks(line);
    ASSERT_EQ(f.size(), 129u);
    EXPECT_EQ(f[128], "128");
}

TEST(LineSplit, StripQuotes) {
    EXPECT_EQ(StripQuotes("'memo'"), "memo");
    EXPECT_EQ(StripQuotes("'memo"), "memo");
    EXPECT_EQ(StripQuotes("memo'"), "memo");
    EXPECT_EQ(StripQuotes("'"), "");
    EXPECT_EQ(StripQuotes("''x''"), "'x'");
}

TEST(TimeUnits, IndexOfNamesAndCheckedAccess) {
    EXPECT_EQ(TimeUnitIndexOf("seconds"), 2);
    EXPECT_EQ(TimeUnitIndexOf("hours"), 10);
    EXPECT_EQ(TimeUnitIndexOf("months"), 7);
    EXPECT_EQ(TimeUnitIndexOf("usec"), 0);
    EXPECT_EQ(TimeUnitIndexOf("msec"), 1);
    EXPECT_EQ(TimeUnitIndexOf("Sec"), 10);  // case-sensitive
    EXPECT_THROW(unitAt(TimeUnitIndexOf("hours")), RangeError);
    EXPECT_THROW(unitAt(9), RangeError);
    EXPECT_THROW(unitAt(-1), RangeError);
    EXPECT_EQ(unitAt(8).DaysPer, 365.0L);
}

TEST(TimeUnits, MsecToLargestUnit) {
    struct Case { std::int32_t ms, value; std::uint8_t unit; };
    for (Case c : {Case{1500, 1500, 1}, Case{90000, 90, 2}, Case{3600000, 1, 4}, Case{86400000, 1, 5},
                   Case{604800000, 7, 5}, Case{0, 0, 5}, Case{120000, 2, 3}, Case{-1500, -1500, 1}}) {
        std::int32_t v = c.ms;
        std::uint8_t u = 99;
        MsecToLargestUnit(v, u);
        EXPECT_EQ(v, c.value) << c.ms;
        EXPECT_EQ(u, c.unit) << c.ms;
    }
}

TEST(CurrentFileModel, ChecksChannelIndexesAndCountsAndCutsText) {
    CurrentFile m;
    EXPECT_THROW(m.SetChannelName(129, "x"), RangeError);
    EXPECT_THROW(m.SetChannelUnit(-1, "x"), RangeError);
    EXPECT_EQ(CurrentFile::channelAt(128), 128);
    m.SetChannelName(0, "abcdefghijklmno\x83\x66");  // 17 bytes: the last character does not fit
    EXPECT_EQ(m.ChannelName[0], "abcdefghijklmno");
    m.SetChannelUnit(1, "\x82\xA0\x82\xA0\x82\xA0\x82\xA0\x82\xA0");
    EXPECT_EQ(m.ChannelUnit[1].size(), 8u);
    m.SetMemo(std::string(159, 'm') + "\x82\xA0");
    EXPECT_EQ(m.Memo, std::string(159, 'm'));

    m.Nch = 100;
    m.Nch2 = 29;
    EXPECT_EQ(m.ChannelCount(), kMaxChannels);
    for (std::int16_t nch2 : {30, -1}) {
        m.Nch2 = nch2;
        EXPECT_THROW(m.ChannelCount(), RangeError) << nch2;
    }
}

TEST(CurrentFileModel, ResetHeaderLeavesNothingOfTheLastRun) {
    CurrentFile m;
    m.FileName = "old.sdf";
    m.SaveFileName = "out.sdf";
    m.Memo = "memo";
    m.Nch = 3;
    m.SITUnit = 4;
    m.BITUnit = 5;
    m.StartTime = 1234;
    m.ChannelName[128] = "last";
    m.ScaleA[5] = 2;
    m.ResetHeader();
    EXPECT_EQ(test::modelState(m), test::modelState(CurrentFile()));
}

TEST(CurrentFileModel, AllocateDataArrays) {
    CurrentFile m;
    m.BurstData = {7, 8, 9};
    m.AllocateDataArrays();  // Nch = Nch2 = 0
    EXPECT_EQ(m.Data.size(), 128u);
    for (const auto& ch : m.Data) EXPECT_TRUE(ch.empty());
    EXPECT_EQ(m.BurstData, (std::vector<std::int16_t>{7, 8, 9}));

    m.Nch = 128;
    m.SampleSize = 10;
    m.Nch2 = 1;
    m.AllocateDataArrays();
    EXPECT_EQ(m.Data[127].size(), 10u);
    EXPECT_EQ(m.BurstData.size(), 1u);

    m.Nch = 129;
    EXPECT_THROW(m.AllocateDataArrays(), RangeError);
    m.Nch = 1;
    m.SampleSize = -1;
    EXPECT_THROW(m.AllocateDataArrays(), RangeError);
}

TEST(CurrentFileModel, BlockArithmetic) {
    CurrentFile m;
    for (auto [channels, blocks] : {std::pair{0, 1u}, {1, 2u}, {8, 2u}, {9, 3u}, {16, 3u}, {17, 4u}, {129, 18u}}) {
        m.Nch = static_cast<std::int16_t>(channels);
        EXPECT_EQ(m.ComputeHeaderBlocks(), blocks) << channels;
    }
    m.Nch = 2;
    m.Nch2 = 1;
    m.SampleSize = 100;
    EXPECT_EQ(m.ComputeRecordSize(), 402u);
    m.Nch = 128;
    m.SampleSize = 2147483647;  // 128 x 2^31 x 2 bytes does not fit a 32-bit record size
    EXPECT_THROW(m.ComputeRecordSize(), RangeError);
}

TEST(CurrentFileModel, NormalizeBurstInterval) {
    struct Case {
        const char* what;
        std::int32_t sInt;
        std::uint8_t sitUnit;
        std::int32_t samples, bInt;
        std::int16_t iterations;
        std::int32_t wantBInt;
        std::uint8_t wantUnit;
    };
    const Case cases[] = {
        {"3600 s: 60 min, then 1 hr; days rejected", 1, 2, 3599, 0, 1, 1, 4},
        {"two bursts: left alone", 1, 2, 3599, 0, 2, 0, 2},
        {"101 s is no whole number of minutes", 1, 2, 100, 0, 1, 0, 2},
        {"60 s from msec: 60 sec, 1 min, then hr fails", 500, 1, 119, 0, 1, 1, 3},
        {"no unit above yr", 1, 8, 10, 0, 1, 0, 2},
        {"damaged: a zero interval with a negative BInt", 0, 2, 100, -5, 1, -5, 2},
        {"damaged: a huge interval", 2147483647, 1, 2147483647, -1, 1, -1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CurrentFile m;
        m.SInt = c.sInt;
        m.SITUnit = c.sitUnit;
        m.SampleSize = c.samples;
        m.BInt = c.bInt;
        m.BITUnit = 2;
        m.Iterations = c.iterations;
        EXPECT_NO_THROW(m.NormalizeBurstInterval());
        EXPECT_EQ(m.BInt, c.wantBInt);
        EXPECT_EQ(m.BITUnit, c.wantUnit);
    }
    CurrentFile m;
    m.SInt = 1;
    m.SITUnit = 2;
    m.SampleSize = 10;
    m.BITUnit = 9;
    m.Iterations = 1;
    EXPECT_THROW(m.NormalizeBurstInterval(), RangeError);
}

TEST(ModelServices, SwapsOnlyWhatIsGivenAndRestoresOnEveryExit) {
    CurrentFile m;
    ScriptedPrompter own, job;
    ScriptedProgress ownProgress, jobProgress;
    m.prompter = &own;
    m.progress = &ownProgress;
    {
        ModelServices s(m, &job, nullptr);
        EXPECT_EQ(m.prompter, &job);
        EXPECT_EQ(m.progress, &ownProgress);
    }
    EXPECT_EQ(m.prompter, &own);
    try {
        ModelServices s(m, job, jobProgress);
        EXPECT_EQ(m.progress, &jobProgress);
        throw IoError("x");
    } catch (const IoError&) {
    }
    EXPECT_EQ(m.prompter, &own);
    EXPECT_EQ(m.progress, &ownProgress);
}
