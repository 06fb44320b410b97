// Conversion of raw instrument files to SDF, run headless end to end.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>

#include "base/texts.h"
#include "core/header_save.h"
#include "core/sdf_builder.h"
#include "importers/raw_convert.h"
#include "importers/raw_files.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

using test::joinLines;
using test::with;

class ScriptedValuePrompt : public ValuePrompt {
public:
    std::deque<std::optional<std::string>> answers;  // nullopt: the prompt was closed
    int calls = 0;
    std::string caption, prompt, defaultText;
    bool InputValue(const std::string& c, const std::string& p, const std::string& d, std::string& value) override {
        ++calls;
        caption = c;
        prompt = p;
        defaultText = d;
        if (answers.empty()) throw std::logic_error("unexpected value prompt");
        std::optional<std::string> a = answers.front();
        answers.pop_front();
        if (!a) return false;
        value = *a;
        return true;
    }
};

class AlecConvertTest : public ::testing::Test {
protected:
    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    ScriptedValuePrompt values;
    std::string out = dir.file("out.sdf");
    test::DirectHeaderSave save{model, out};
    AlecServices services{model, prompter, progress, save, values};
    AlecHeader h;
    test::SdfOutput result;

    void load(RawKind kind, std::vector<std::string> header, const std::vector<std::string>& data) {
        header.insert(header.end(), data.begin(), data.end());
        std::string p = dir.file("in.raw");
        test::writeText(p, joinLines(header));
        ASSERT_TRUE(ReadAlecHeader(kind, p, prompter, h)) << prompter.lastText();
    }
    AlecOutcome convert(AlecOptions o = {}) { return ConvertAlecFile(h, o, services); }
};

constexpr int E = ErrorData;

TEST_F(AlecConvertTest, CurrentMeterVelocityAndBurstTemperature) {
    load(RawKind::CompactEM, test::compactEMHeader(2, 4),
         {"t0,1500,0,1,10,0,0", "t1,1600,0,1,0,-10,0", "t2,1700,0,1,0,0,0", "t3,1800,0,1,3,4,0"});
    AlecOptions o;
    o.TransVel = false;
    o.Declination = 30;  // ignored without velocity correction
    EXPECT_EQ(convert(o), AlecOutcome::Completed);
    EXPECT_EQ(save.calls, 1);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(progress.titles, std::vector<std::string>{Text(Tx::ImportConverting)});
    EXPECT_FALSE(progress.visible);
    result.open(out);
    EXPECT_EQ(result.Nch, 2);
    EXPECT_EQ(result.Nch2, 1);
    EXPECT_EQ(result.Iterations, 2);
    // East (90), south (180), still water, and the 3-4-5 bearing.
    EXPECT_EQ(result.samples(0, 0), (std::vector<int>{0, -100}));
    EXPECT_EQ(result.samples(0, 1), (std::vector<int>{100, 0}));
    EXPECT_EQ(result.samples(1, 0), (std::vector<int>{0, 40}));
    EXPECT_EQ(result.samples(1, 1), (std::vector<int>{0, 30}));
    EXPECT_EQ(result.burstValue(0, 0), 1550);  // mean of 15.00 and 16.00
    EXPECT_EQ(result.burstValue(1, 0), 1750);
}

TEST_F(AlecConvertTest, DeclinationBetaAndAlpha) {
    load(RawKind::CompactEM, with(with(test::compactEMHeader(2, 2), "BetaData", "BetaData=350"), "AlphaData", "AlphaData=0.1"),
         {"t0,1500,0,1,10,0,0", "t1,1500,0,1,3,4,0"});
    AlecOptions o;
    o.TransVel = true;
    o.Declination = 20;
    ASSERT_EQ(convert(o), AlecOutcome::Completed);
    result.open(out);
    // 90 + 350 - 20 = 420 -> 60 degrees; speed 10.
    // 36.87 + 350 - 20 = 366.87 -> 6.87 degrees; speed 5 x (1 + 0.4 x 144 / 625) = 5.4608.
    EXPECT_EQ(result.samples(0, 0), (std::vector<int>{50, 54}));
    EXPECT_EQ(result.samples(0, 1), (std::vector<int>{87, 7}));
}

TEST_F(AlecConvertTest, ShortDataOverALongerOldOutput) {
    test::writeText(out, std::string(100000, 'x'));
    load(RawKind::CompactEM, test::compactEMHeader(4, 16),
         {"a,1000,0,1,0,0", "b,1100,0,1,0,0", "c,1200,0,1,0,0", "d,1300,0,1,0,0", "e,1400,0,1,0,0",
          "f,1500,0,1,0,0", "g,1600,0,1,0,0", "h,1700,0,1,0,0", "i,1800,0,1,0,0", "j,1900,0,1,0,0", ""});
    AlecOptions o;
    o.TempMeanOnly = false;
    EXPECT_EQ(convert(o), AlecOutcome::Completed);
    result.open(out);  // 3 bursts, nothing of the old file
    EXPECT_EQ(result.Nch, 3);
    EXPECT_EQ(result.Iterations, 3);
    EXPECT_EQ(result.samples(0, 2), (std::vector<int>{1000, 1100, 1200, 1300}));
    EXPECT_EQ(result.samples(2, 2), (std::vector<int>{1800, 1900, E, E}));
    EXPECT_EQ(result.samples(2, 0), (std::vector<int>{0, 0, E, E}));
}

TEST_F(AlecConvertTest, CancelWithOneSamplePerBurst) {
    load(RawKind::CompactEM, test::compactEMHeader(1, 5),
         {"a,1000,0,1,0,0", "b,1100,0,1,0,0", "c,1200,0,1,0,0", "d,1300,0,1,0,0", "e,1400,0,1,0,0"});
    progress.cancelAfter = 2;  // set while the second line is converted
    EXPECT_EQ(convert(), AlecOutcome::Cancelled);
    result.open(out);
    EXPECT_EQ(result.Iterations, 2);
    EXPECT_EQ(result.burstValue(1, 0), 1100);
}

TEST_F(AlecConvertTest, WaveGaugeOutOfRangeIsAskedOnceAndCounted) {
    load(RawKind::CompactWH, test::compactWHHeader(2, 4), {"a,1", "b,40", "c,50", "d,2"});
    prompter.answer(MsgResult::Yes);
    EXPECT_EQ(convert(), AlecOutcome::Completed);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    EXPECT_EQ(prompter.shown[0].text, "異常に高い値を検出しました。\nPressure=4100.0\n欠測値に変換しますか。");
    EXPECT_EQ(prompter.shown[1].type, MsgType::Information);
    EXPECT_EQ(prompter.shown[1].text, "2個のデータを欠測値に変換しました。");
    result.open(out);
    EXPECT_EQ(result.samples(0, 0), (std::vector<int>{1025, E}));
    EXPECT_EQ(result.samples(1, 0), (std::vector<int>{E, 2050}));
}

TEST_F(AlecConvertTest, AnsweringNoStopsAfterTheLine) {
    load(RawKind::CompactWH, test::compactWHHeader(3, 6), {"a,1", "b,40", "c,1", "d,1"});
    prompter.answer(MsgResult::No);
    EXPECT_EQ(convert(), AlecOutcome::Cancelled);
    result.open(out);
    EXPECT_EQ(result.Iterations, 1);
    // Stopped inside the first burst: the burst is the two lines read.
    EXPECT_EQ(result.samples(0, 0), (std::vector<int>{1025, E}));
}

TEST_F(AlecConvertTest, SalinityAtTheStandardPointAndPressureInBar) {
    const std::string c40 = std::to_string(1.888091 * 42.914);
    load(RawKind::Compact, test::mdsHeader("TC", "Burst1", 1, 2), {"a,15,42.914", "b,40," + c40});
    values.answers.push_back("0");
    ASSERT_EQ(convert(), AlecOutcome::Completed);
    EXPECT_EQ(values.calls, 1);
    EXPECT_EQ(values.caption, "圧力の入力");
    EXPECT_EQ(values.prompt, "P(bar)=");
    EXPECT_EQ(values.defaultText, "1.00");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Confirmation);
    EXPECT_EQ(prompter.shown[0].text, Text(Tx::RawSaved));
    result.open(out);
    EXPECT_EQ(result.samples(0, 0), std::vector<int>{1500});
    EXPECT_EQ(result.samples(0, 1), std::vector<int>{4291});
    EXPECT_EQ(result.samples(0, 2), std::vector<int>{3500});

    // 1000 bar of sea pressure is 10000 dbar: the standard's S = 40 point.
    values.answers.push_back("1000");
    ASSERT_EQ(convert(), AlecOutcome::Completed);
    result.open(out);
    EXPECT_EQ(result.samples(1, 2), std::vector<int>{4000});
}

TEST_F(AlecConvertTest, PromptClosedOrRefusedWritesNothing) {
    load(RawKind::Compact, test::mdsHeader("TC"), {"a,15,42.914"});
    values.answers.push_back(std::nullopt);
    EXPECT_EQ(convert(), AlecOutcome::NotStarted);
    values.answers.push_back("abc");
    EXPECT_EQ(convert(), AlecOutcome::NotStarted);
    EXPECT_EQ(prompter.lastText(), Text(Tx::RawPressureWrong));
    EXPECT_EQ(save.calls, 0);
    EXPECT_FALSE(std::filesystem::exists(out));

    load(RawKind::Infinity, test::infinityHeader("ACTW-USB", "T1C1C2U0", 4), {"a,1,1,1,1"});
    EXPECT_EQ(convert(), AlecOutcome::NotStarted);
    EXPECT_EQ(prompter.lastText(),
              "センサータイプはT1C1C2U0です。\nT1C1C2B0でないために変換できません。\n作業を中止します。");
    EXPECT_EQ(values.calls, 2);  // the sensor type is checked before the pressure is asked
    EXPECT_EQ(save.calls, 0);
}

TEST_F(AlecConvertTest, NoSalinityNoPrompt) {
    load(RawKind::Compact, test::mdsHeader("TK", "Burst1", 2, 2), {"a,15,3", "b,16,4"});
    EXPECT_EQ(convert(), AlecOutcome::Completed);
    EXPECT_EQ(values.calls, 0);
    result.open(out);
    EXPECT_EQ(result.samples(0, 1), (std::vector<int>{30, 40}));  // Chlorophyl at A = 0.1
}

TEST_F(AlecConvertTest, ConductivityTemperatureSonde) {
    load(RawKind::Infinity, test::infinityHeader("ACTW-USB", "T1C1C2B0", 4, 2, 2), {"a,9600,1,42.914", "b,9600,0,5"});
    values.answers.push_back("0");
    EXPECT_EQ(convert(), AlecOutcome::Completed);
    result.open(out);
    EXPECT_EQ(result.samples(0, 0), (std::vector<int>{1500, 1500}));  // T = r0 / 640
    EXPECT_EQ(result.samples(0, 1), (std::vector<int>{4291, E}));     // C = r2 / r1; r1 = 0 has none
    EXPECT_EQ(result.samples(0, 2), (std::vector<int>{3500, E}));
}

TEST_F(AlecConvertTest, MissingFieldsAndANonNumericLine) {
    load(RawKind::Compact, test::mdsHeader("TK", "Burst1", 3, 9), {"a,10,20", "b,11", "c,12,,", "d,abc,1", "e,1,1"});
    EXPECT_EQ(convert(), AlecOutcome::Failed);
    ASSERT_EQ(prompter.shown.size(), 1u);  // the stop, and no success message
    EXPECT_NE(prompter.lastText().find("行目: d,abc,1"), std::string::npos);
    EXPECT_NE(prompter.lastText().find("20行目"), std::string::npos);
    result.open(out);
    EXPECT_EQ(result.Iterations, 1);
    EXPECT_EQ(result.samples(0, 0), (std::vector<int>{1000, 1100, 1200}));
    EXPECT_EQ(result.samples(0, 1), (std::vector<int>{200, E, E}));
}

TEST_F(AlecConvertTest, InfinitySalinityColumnAndItemOrder) {
    // One column per sensor code: the instrument's salinity column is replaced.
    load(RawKind::Infinity, test::infinityHeader("ACLW-USB", "T1C1C2U0", 4, 1, 1), {"a,15,42.914,99,7"});
    values.answers.push_back("0");
    ASSERT_EQ(convert(), AlecOutcome::Completed);
    result.open(out);
    EXPECT_EQ(result.samples(0, 2), std::vector<int>{3500});
    EXPECT_EQ(result.samples(0, 3), std::vector<int>{70});

    // Salinity ahead of its temperature and conductivity uses this line's values.
    load(RawKind::Infinity, test::infinityHeader("ACLW-USB", "C2T1C1", 3, 1, 1), {"a,0,15,42.914"});
    values.answers.push_back("0");
    ASSERT_EQ(convert(), AlecOutcome::Completed);
    result.open(out);
    EXPECT_EQ(result.samples(0, 0), std::vector<int>{3500});

    // Without a temperature there is no salinity.
    load(RawKind::Infinity, test::infinityHeader("ACLW-USB", "C1C2", 2, 1, 1), {"a,42.914,0"});
    values.answers.push_back("0");
    ASSERT_EQ(convert(), AlecOutcome::Completed);
    result.open(out);
    EXPECT_EQ(result.samples(0, 1), std::vector<int>{E});
}

TEST_F(AlecConvertTest, CancelledItemRunSaysNoSuccess) {
    load(RawKind::Compact, test::mdsHeader("TK", "Burst1", 2, 6), {"a,1,1", "b,1,1", "c,1,1", "d,1,1", "e,1,1", "f,1,1"});
    progress.cancelAfter = 3;
    EXPECT_EQ(convert(), AlecOutcome::Cancelled);
    EXPECT_FALSE(prompter.showedText(Text(Tx::RawSaved)));
    result.open(out);
    EXPECT_EQ(result.Iterations, 2);
    EXPECT_EQ(result.samples(1, 0), (std::vector<int>{100, E}));
}

TEST_F(AlecConvertTest, NoMoreBurstsThanDeclared) {
    load(RawKind::Compact, test::mdsHeader("T", "Burst1", 1, 2), {"a,1", "b,2", "c,3", "d,4"});
    EXPECT_EQ(convert(), AlecOutcome::Completed);
    result.open(out);
    EXPECT_EQ(result.Iterations, 2);
}

TEST_F(AlecConvertTest, HeaderDialogCancelWritesNothing) {
    load(RawKind::CompactWH, test::compactWHHeader(), {"a,1"});
    save.refuse = true;
    EXPECT_EQ(convert(), AlecOutcome::NotStarted);
    EXPECT_EQ(save.calls, 1);
    EXPECT_EQ(model.SaveFileName, dir.file("in.sdf"));  // the proposed output name
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(AlecConvertTest, RawFileNamedSdfIsNeverItsOwnOutput) {
    auto lines = test::compactWHHeader(1, 1);
    lines.push_back("a,1");
    const std::string raw = dir.file("wave.sdf");
    test::writeText(raw, joinLines(lines));
    ASSERT_TRUE(ReadAlecHeader(RawKind::CompactWH, raw, prompter, h));
    test::ScriptedHeaderSave overwriting(model, out);
    overwriting.takeProposed = true;
    AlecServices s{model, prompter, progress, overwriting, values};
    EXPECT_EQ(ConvertAlecFile(h, {}, s), AlecOutcome::NotStarted);
    EXPECT_EQ(model.SaveFileName, raw);  // proposed, and refused
    EXPECT_EQ(overwriting.refusals, 1);
    EXPECT_EQ(test::readText(raw), joinLines(lines));
}

TEST_F(AlecConvertTest, AFileThatEndsEarlyGivesNoMoreThanItsDataJustifies) {
    // Only a file that has shown a whole burst gets its last one filled up
    // with missing values; before that the burst is the samples read.
    struct Case {
        const char* what;
        RawKind kind;
        std::vector<std::string> header, data;
        int sampleSize, bursts;
        std::vector<int> lastBurst;  // channel 0
        const char* message;
    };
    const std::vector<Case> cases{
        {"one burst of 9 999 999 declared, 4 read", RawKind::CompactWH, test::compactWHHeader(9999999, 9999999),
         {"a,1", "b,2", "c,3", "d,4"}, 4, 1, {1025, 2050, 3075, 4100},
         "ファイルが途中で終わっています。\n9999999 個のデータのうち 4 個を変換しました。"},
        {"two bursts of 3600 declared, 5 read", RawKind::Compact, test::mdsHeader("T", "Burst1", 3600, 7200),
         {"a,1", "b,2", "c,3", "d,4", "e,5"}, 5, 1, {100, 200, 300, 400, 500},
         "ファイルが途中で終わっています。\n7200 個のデータのうち 5 個を変換しました。"},
        {"three bursts of 2 declared, 3 read", RawKind::Compact, test::mdsHeader("T", "Burst1", 2, 6),
         {"a,1", "b,2", "c,3"}, 2, 2, {300, E},
         "ファイルが途中で終わっています。\n6 個のデータのうち 3 個を変換しました。\n"
         "最後のバーストの不足分は欠測値にしました。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompter.shown.clear();
        load(c.kind, c.header, c.data);
        EXPECT_EQ(convert(), AlecOutcome::Completed);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].type, MsgType::Information);
        EXPECT_EQ(prompter.lastText(), c.message);
        result.open(out);
        EXPECT_EQ(result.SampleSize, c.sampleSize);
        ASSERT_EQ(result.Iterations, c.bursts);
        EXPECT_EQ(result.samples(c.bursts - 1, 0), c.lastBurst);
        EXPECT_EQ(std::filesystem::file_size(out), 512u + 2u * c.sampleSize * c.bursts);
    }
}

}  // namespace
}  // namespace brine
