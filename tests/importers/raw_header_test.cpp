// Header readers of raw instrument files and the SDF headers built from them.
#include <gtest/gtest.h>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "importers/raw_header.h"
#include "importers/raw_files.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

using test::joinLines;
using test::with;
using test::without;

class AlecHeaderTest : public ::testing::Test {
protected:
    test::TempDir dir;
    ScriptedPrompter prompter;
    AlecHeader h;

    bool read(RawKind kind, const std::vector<std::string>& lines, const std::string& name = "in.raw") {
        std::string p = dir.file(name);
        test::writeText(p, joinLines(lines));
        return ReadAlecHeader(kind, p, prompter, h);
    }
    static std::vector<std::string> withData(std::vector<std::string> l) {
        l.push_back("t,1,2,3,4,5,6");
        return l;
    }
};

TEST(GetKeyValueTest, ExactKeyBeforeFirstEquals) {
    std::string v = "old";
    EXPECT_TRUE(GetKeyValue("StepTime= 0.5 ", "StepTime", v));
    EXPECT_EQ(v, "0.5");
    EXPECT_FALSE(GetKeyValue("StepTime =0.5", "StepTime", v));  // blank before "=" is part of the key
    EXPECT_FALSE(GetKeyValue("steptime=0.5", "StepTime", v));
    EXPECT_FALSE(GetKeyValue("=0.5", "", v));
    EXPECT_FALSE(GetKeyValue("no equals here", "no equals here", v));
    EXPECT_TRUE(GetKeyValue("Comment=a=b", "Comment", v));
    EXPECT_EQ(v, "a=b");
}

TEST_F(AlecHeaderTest, CompactEMHeaderAndSdfHeader) {
    ASSERT_TRUE(read(RawKind::CompactEM, withData(test::compactEMHeader(4, 10, "0.5", 1800))));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(h.PageCaption, "Compact EM");
    EXPECT_EQ(h.EditNS, "4");
    EXPECT_EQ(h.EditIteration, "3");  // ceil(10 / 4)
    EXPECT_EQ(h.EditDT, "0.5");
    EXPECT_EQ(h.EditBInt, "1800");
    EXPECT_EQ(h.Memo, "Measurements from Compact EM (JFE Advantech); Instrument No.77");
    EXPECT_TRUE(h.TransVelChecked);
    EXPECT_DOUBLE_EQ(h.Coef[0][1], 0.01);
    EXPECT_DOUBLE_EQ(h.Coef[5][1], 1.0);

    CurrentFile m;
    SetEMHeader(h, true, m);
    EXPECT_EQ(m.Nch, 2);
    EXPECT_EQ(m.Nch2, 1);
    EXPECT_EQ(m.SampleSize, 4);
    EXPECT_EQ(m.Iterations, 3);  // the intervals are in MeterIntervalsInTheirUnits
    EXPECT_EQ(m.ChannelName[0], "Vnorth");
    EXPECT_EQ(m.ChannelName[1], "Veast");
    EXPECT_EQ(m.ChannelName[2], "Temp");
    EXPECT_EQ(m.ChannelUnit[2], "deg");
    EXPECT_FLOAT_EQ(m.ScaleA[0], 0.1f);
    EXPECT_FLOAT_EQ(m.ScaleA[2], 0.01f);
    EXPECT_EQ(m.StartTime, *ParseDateTime("2004/03/01 12:00:00"));
    SetEMHeader(h, false, m);
    EXPECT_EQ(m.Nch, 3);
    EXPECT_EQ(m.Nch2, 0);
}

TEST_F(AlecHeaderTest, MeterIntervalsInTheirUnits) {
    CurrentFile m;
    struct Case {
        std::string step;
        int burst;
        int sint, sitUnit, bint, bitUnit;
    } cases[] = {{"2", 7200, 2, 2, 2, 4}, {"0.5", 90, 500, 1, 90, 2}, {"1", 1800, 1, 2, 30, 3},
                 {"0.0004", 1800, 400, 0, 30, 3}};  // below a millisecond: in microseconds
    for (const Case& c : cases) {
        ASSERT_TRUE(read(RawKind::CompactEM, withData(test::compactEMHeader(4, 8, c.step, c.burst))));
        SetEMHeader(h, true, m);
        EXPECT_EQ(m.SInt, c.sint) << c.step;
        EXPECT_EQ(m.SITUnit, c.sitUnit) << c.step;
        EXPECT_EQ(m.BInt, c.bint) << c.burst;
        EXPECT_EQ(m.BITUnit, c.bitUnit) << c.burst;
    }
}

TEST_F(AlecHeaderTest, CompactEMVersionQuestion) {
    auto lines = withData(test::compactEMHeader());
    lines[1] = "/  Version V2.04";
    EXPECT_TRUE(read(RawKind::CompactEM, lines));
    EXPECT_TRUE(prompter.shown.empty());

    lines[1] = "/  Version V3.00";
    prompter.answer(MsgResult::No);
    EXPECT_FALSE(read(RawKind::CompactEM, lines));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
    prompter.answer(MsgResult::Yes);
    EXPECT_TRUE(read(RawKind::CompactEM, lines));
}

TEST_F(AlecHeaderTest, RefusedHeadersSayWhy) {
    auto em = withData(test::compactEMHeader());
    auto wh = withData(test::compactWHHeader());
    const std::string bad = Text(Tx::ImportBadHeader);
    struct Case {
        RawKind kind;
        std::vector<std::string> lines;
        std::string message;
    } cases[] = {
        {RawKind::CompactEM, wh, Text(Tx::RawWrongKind)},
        {RawKind::CompactWH, [&] { auto l = wh; l[0] = "CWH Data"; return l; }(), Text(Tx::RawWrongKind)},
        {RawKind::CompactWH, [&] { auto l = wh; l[1] = "/  Version V2.10"; return l; }(), Text(Tx::RawWrongVersion)},
        {RawKind::CompactEM, with(em, "MeasMode", "MeasMode=Continuous"),
         "バーストモード以外で取得されたデータであるため，対応していません。\n"
         "csvファイルに変換して「カンマ区切りデータ」として読みこむか，\n作者にお問い合わせ下さい。"},
        // Missing keys the header is built from: refused instead of reusing old values.
        {RawKind::CompactEM, without(em, "StartTime"), bad},
        {RawKind::CompactEM, without(em, "StepTime"), bad},
        {RawKind::CompactEM, without(em, "Counters"), bad},
        {RawKind::CompactEM, without(em, "TotalCnt"), bad},
        // Unusable divisors and intervals.
        {RawKind::CompactEM, with(em, "Counters", "Counters=0"), bad},
        {RawKind::CompactEM, with(em, "StepTime", "StepTime=0"), bad},
        {RawKind::CompactEM, with(em, "StartTime", "StartTime=yesterday"), bad},
        {RawKind::CompactEM, with(em, "StepTime", "StepTime=0.0000004"), bad},  // not even a microsecond
        // Several bursts without a burst interval.
        {RawKind::Compact, withData(without(test::mdsHeader("T", "Burst1", 2, 4), "BurstTime")), bad},
        {RawKind::CompactEM, with(em, "BurstTime", "BurstTime=0"), bad},
        {RawKind::InfinityEM, withData(with(test::infinityEMHeader(), "BurstTime", "BurstTime=0")), bad},
        // More bursts than a header can hold.
        {RawKind::CompactEM, with(with(em, "Counters", "Counters=1"), "TotalCnt", "TotalCnt=40000"),
         Text(Tx::RawTooManyBursts)},
        {RawKind::CompactWH, with(wh, "Counters", "Counters=1000000000"), bad},  // larger than the file
    };
    for (const Case& c : cases) {
        prompter.shown.clear();
        EXPECT_FALSE(read(c.kind, c.lines)) << c.message;
        ASSERT_EQ(prompter.shown.size(), 1u) << c.message;
        EXPECT_EQ(prompter.lastText(), c.message);
        EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    }
}

TEST_F(AlecHeaderTest, BrokenCoefficientSectionsAndEarlyEnds) {
    auto em = test::compactEMHeader();
    // The "[Item]" marker while rows remain, and a short row.
    auto marker = em;
    marker.erase(marker.begin() + 19);  // only five rows before [Item]
    auto shortRow = withData(em);
    shortRow[16] = "0,1,0";
    // The file ends on its "[Item]" line, or on its "[Coef]" line.
    auto noData = em;
    auto endsAtCoef = std::vector<std::string>(em.begin(), em.begin() + 14);
    const std::string bad = Text(Tx::ImportBadHeader), none = Text(Tx::RawNoHeader);
    struct Case {
        std::vector<std::string> lines;
        std::string message;
    } cases[] = {{withData(marker), bad}, {shortRow, bad}, {noData, none}, {endsAtCoef, none}};
    for (const Case& c : cases) {
        prompter.shown.clear();
        EXPECT_FALSE(read(RawKind::CompactEM, c.lines));
        EXPECT_EQ(prompter.lastText(), c.message);
    }
    // Infinity kinds say the header is bad when the file ends at "[Item]".
    prompter.shown.clear();
    EXPECT_FALSE(read(RawKind::Infinity, test::infinityHeader("ACLW-USB", "T1C1", 2)));
    EXPECT_EQ(prompter.lastText(), bad);
    // A short Infinity coefficient line.
    auto inf = withData(test::infinityHeader("ACLW-USB", "T1C1", 2));
    inf[14] = "Ch1=0,1,0";
    prompter.shown.clear();
    EXPECT_FALSE(read(RawKind::Infinity, inf));
    EXPECT_EQ(prompter.lastText(), bad);
}

TEST_F(AlecHeaderTest, CountsDoNotDependOnKeyOrder) {
    auto em = withData(test::compactEMHeader(4, 10));
    // TotalCnt before Counters.
    std::swap(em[6], em[10]);
    ASSERT_TRUE(read(RawKind::CompactEM, em));
    EXPECT_EQ(h.EditIteration, "3");
    EXPECT_EQ(h.SampleSize, 4);
}

TEST_F(AlecHeaderTest, NothingOfThePreviousFileRemains) {
    ASSERT_TRUE(read(RawKind::Infinity, withData(test::infinityHeader("ACTW-USB", "T1C1C2B0", 4))));
    EXPECT_EQ(h.SondeName, "ACTW-USB");
    EXPECT_DOUBLE_EQ(h.Coef[2][1], 1.0);
    ASSERT_TRUE(read(RawKind::CompactWH, withData(test::compactWHHeader())));
    EXPECT_TRUE(h.SondeName.empty());
    EXPECT_TRUE(h.SensorType.empty());
    EXPECT_DOUBLE_EQ(h.Coef[2][1], 0.0);  // only the file's own four terms
    EXPECT_TRUE(h.ItemNames.empty());
    EXPECT_TRUE(h.EdtFinalTime.empty());
    // A refused file leaves the last good header as it was.
    EXPECT_FALSE(read(RawKind::CompactWH, without(withData(test::compactWHHeader()), "StepTime")));
    EXPECT_EQ(h.PageCaption, "Compact WH");
}

TEST_F(AlecHeaderTest, CompactWHHeader) {
    ASSERT_TRUE(read(RawKind::CompactWH, withData(with(test::compactWHHeader(3, 7), "StepTime", "StepTime=0.0625"))));
    EXPECT_EQ(h.Memo, "wave test");
    EXPECT_FALSE(h.TransVelChecked);
    CurrentFile m;
    SetWHHeader(h, m);
    EXPECT_EQ(m.Nch, 1);
    EXPECT_EQ(m.Iterations, 3);
    EXPECT_EQ(m.ChannelName[0], "Pressure");
    EXPECT_EQ(m.ChannelUnit[0], "g/cm^2");
    EXPECT_EQ(m.SInt, 62500);  // 16 Hz, in microseconds
    EXPECT_EQ(m.SITUnit, 0);
    EXPECT_EQ(m.BInt, 90);
    EXPECT_EQ(m.BITUnit, 2);
}

TEST_F(AlecHeaderTest, MdsItemsMemoAndHeader) {
    ASSERT_TRUE(read(RawKind::Compact, withData(test::mdsHeader("TC"))));
    EXPECT_EQ(h.PageCaption, "MDS-MkV");
    ASSERT_EQ(h.ItemCount, 3);
    EXPECT_EQ(h.ItemNames, (std::vector<std::string>{"Temperature", "Conductivity", "Salinity"}));
    EXPECT_EQ(h.ItemUnits[0], utf8ToCp932("℃"));
    EXPECT_EQ(h.ItemUnits[2], "");
    EXPECT_EQ(h.Memo, "Measurements from Compact-TC (Alec); Instrument No.9; bay");
    CurrentFile m;
    SetItemHeader(h, m);
    EXPECT_EQ(m.Nch, 3);
    EXPECT_EQ(m.SampleSize, 2);
    EXPECT_EQ(m.Iterations, 2);
    EXPECT_FLOAT_EQ(m.ScaleA[0], 0.01f);

    ASSERT_TRUE(read(RawKind::Compact, withData(test::mdsHeader("TKURB"))));
    EXPECT_EQ(h.ItemNames, (std::vector<std::string>{"Temperature", "Chlorophyl", "Turbidity"}));
    EXPECT_NE(h.Memo.find("Compact-CLW (Alec)"), std::string::npos);
    SetItemHeader(h, m);
    EXPECT_FLOAT_EQ(m.ScaleA[1], 0.1f);
    EXPECT_FLOAT_EQ(m.ScaleA[2], 0.1f);

    prompter.shown.clear();
    EXPECT_FALSE(read(RawKind::Compact, withData(test::mdsHeader("TX"))));
    EXPECT_EQ(prompter.lastText(), Text(Tx::RawUnknownModel));
    EXPECT_FALSE(read(RawKind::Compact, withData(test::mdsHeader("TTTTTTT"))));  // no 7th coefficient row
    EXPECT_EQ(prompter.lastText(), Text(Tx::ImportBadHeader));
}

TEST_F(AlecHeaderTest, ItemIntervalsKeepSecondsOfTheBurstInterval) {
    CurrentFile m;
    struct Case {
        std::string step;
        int burst;
        int sint, sitUnit, bint, bitUnit;
    } cases[] = {{"120", 90, 2, 3, 90, 2},   {"3600", 150, 1, 4, 150, 2}, {"0.25", 7200, 250, 1, 2, 4},
                 {"30", 60, 30, 2, 1, 3}, {"0.0004", 600, 400, 0, 10, 3}};
    for (const Case& c : cases) {
        ASSERT_TRUE(read(RawKind::Compact, withData(with(with(test::mdsHeader("T"), "StepTime", "StepTime=" + c.step),
                                                         "BurstTime", "BurstTime=" + std::to_string(c.burst)))));
        SetItemHeader(h, m);
        EXPECT_EQ(m.SInt, c.sint) << c.step;
        EXPECT_EQ(m.SITUnit, c.sitUnit) << c.step;
        EXPECT_EQ(m.BInt, c.bint) << c.burst;
        EXPECT_EQ(m.BITUnit, c.bitUnit) << c.burst;
    }
}

TEST_F(AlecHeaderTest, MdsContinuousRecordingAndASingleBurst) {
    ASSERT_TRUE(read(RawKind::Compact, withData(test::mdsHeader("T", "Continuous", 2, 7))));
    EXPECT_EQ(h.SampleSize, 7);
    EXPECT_EQ(h.Iterations, 1);
    // Without a total, from the start and end times: 3 s at 1 s gives 4 samples.
    ASSERT_TRUE(read(RawKind::Compact, withData(test::mdsHeader("T", "Continuous", 2, 0))));
    EXPECT_EQ(h.SampleSize, 4);
    // The ignored "9999999" leaves burst recording without a divisor.
    EXPECT_FALSE(read(RawKind::Compact, withData(with(test::mdsHeader("T"), "Counters", "Counters=9999999"))));
    EXPECT_EQ(prompter.lastText(), Text(Tx::ImportBadHeader));
    EXPECT_FALSE(read(RawKind::Compact, withData(with(test::mdsHeader("T", "Continuous", 2, 0), "StepTime", "StepTime=0"))));
    // One burst needs no burst interval.
    EXPECT_TRUE(read(RawKind::Compact, withData(without(test::mdsHeader("T", "Burst1", 4, 4), "BurstTime"))));
    EXPECT_EQ(h.Iterations, 1);
}

TEST_F(AlecHeaderTest, InfinitySondes) {
    ASSERT_TRUE(read(RawKind::Infinity, withData(test::infinityHeader("ACTW-USB", "T1C1C2B0", 4, 2, 5))));
    EXPECT_EQ(h.PageCaption, "Infinity-CTW");
    EXPECT_EQ(h.ItemCount, 3);
    EXPECT_EQ(h.ItemNames, (std::vector<std::string>{"Temperature", "Conductivity", "Salinity"}));
    EXPECT_EQ(h.EditIteration, "3");
    EXPECT_EQ(h.EditDT, "0.5");
    EXPECT_EQ(h.EditBInt, "600");
    EXPECT_EQ(h.Memo, "Measurements from ACTW-USB (JFE Advantech); Instrument No.42; harbour");
    EXPECT_FALSE(h.TransVelChecked);

    // Codes beyond the sensor type text are unknown items.
    ASSERT_TRUE(read(RawKind::Infinity, withData(test::infinityHeader("X", "T1", 3))));
    EXPECT_EQ(h.PageCaption, "Infinity-Unknown");
    EXPECT_EQ(h.ItemNames, (std::vector<std::string>{"Temperature", "Unknown", "Unknown"}));
    // Continuous recording: all samples in one burst.
    ASSERT_TRUE(read(RawKind::Infinity, withData(test::infinityHeader("ACLW-USB", "T1C1", 2, 0, 9, "0"))));
    EXPECT_EQ(h.SampleSize, 9);
    EXPECT_EQ(h.Iterations, 1);
    // No channel left after the "B" reduction, and more channels than rows.
    EXPECT_FALSE(read(RawKind::Infinity, withData(test::infinityHeader("X", "B0", 1))));
    EXPECT_FALSE(read(RawKind::Infinity, withData(test::infinityHeader("X", "T1T1T1T1T1T1T1", 7))));
    EXPECT_EQ(prompter.lastText(), Text(Tx::ImportBadHeader));
}

TEST_F(AlecHeaderTest, InfinityEMContinuousTakesEverySample) {
    ASSERT_TRUE(read(RawKind::InfinityEM, withData(test::infinityEMHeader(6, "0", 3, 10))));
    EXPECT_EQ(h.PageCaption, "Infinity-EM");
    EXPECT_EQ(h.SampleSize, 10);
    EXPECT_EQ(h.Iterations, 1);
    EXPECT_TRUE(h.TransVelChecked);
    EXPECT_EQ(h.Memo, "Measurements from Infinity (JFE Advantech); Instrument No.8; ");
    // Coefficient lines past the sixth have no row and are skipped.
    ASSERT_TRUE(read(RawKind::InfinityEM, withData(test::infinityEMHeader(8))));
    EXPECT_EQ(h.SampleSize, 3);
    EXPECT_EQ(h.Iterations, 2);
}

TEST_F(AlecHeaderTest, MemoIsCutOnACharacterBoundary) {
    std::string comment(159, 'a');
    comment += utf8ToCp932("海");  // a double-byte character across byte 160
    ASSERT_TRUE(read(RawKind::CompactWH, withData(with(test::compactWHHeader(), "Comment", "Comment=" + comment))));
    CurrentFile m;
    SetWHHeader(h, m);
    EXPECT_EQ(m.Memo, std::string(159, 'a'));
}

}  // namespace
}  // namespace brine
