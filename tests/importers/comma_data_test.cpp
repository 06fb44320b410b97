// The comma-separated importer without a window: preview, start-time text,
// the import in both modes, its refusals, and the parameter file.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <functional>
#include <set>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/ini_file.h"
#include "base/rounding.h"
#include "support/fault_plan.h"
#include "core/current_file.h"
#include "importers/comma_data.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

// Lines "1,10,100" ... "n,10n,100n".
std::string numberedLines(int n) {
    std::string s;
    for (int i = 1; i <= n; ++i)
        s += std::to_string(i) + "," + std::to_string(10 * i) + "," + std::to_string(100 * i) + "\r\n";
    return s;
}

CommaFormTexts form(int columns, std::string start = "2004/05/06 12:00:00") {
    CommaFormTexts f;
    f.StartTime = std::move(start);
    for (int c = 0; c < columns; ++c)
        f.Columns.push_back({true, "X" + std::to_string(c + 1), "", "1", "0"});
    return f;
}

class CommaImportTest : public ::testing::Test {
protected:
    std::string csv(const std::string& text, const std::string& name = "in.csv") {
        std::string p = dir.file(name);
        test::writeText(p, text);
        return p;
    }
    // Settings, import and model, as the dialog runs them.
    CommaImportResult run(const CommaFormTexts& f, const std::string& file) {
        settings = ReadImportSettings(f, file);
        CommaImportResult r = ImportCommaData(settings, prompter, progress);
        ApplyCommaImport(settings, r, model);
        return r;
    }

    test::TempDir dir;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    CurrentFile model;
    CommaImportSettings settings;
};

TEST(CommaDateTimeText, FirstRunStartingWithADigit) {
    EXPECT_EQ(ExtractDateTimeText("Start 2004/05/06 12:00:00 abc"), "2004/05/06 12:00:00 ");
    EXPECT_EQ(ExtractDateTimeText("t-1.5:x"), "1.5:");  // the hyphen before the digit opens no run
    EXPECT_EQ(ExtractDateTimeText(utf8ToCp932("開始2004-05-06") + "Z9"), "2004-05-06");
    EXPECT_EQ(ExtractDateTimeText("no digits: -/."), "");
}

TEST_F(CommaImportTest, PreviewAppliesSkipStepAndLastAndShowsConvertedReadColumns) {
    std::string text = numberedLines(12);
    text.replace(text.find("7,70,700"), 8, "7,,x");
    std::string file = csv(text + "13,130,1300,extra\r\n");
    CommaDataFields f;
    f.SkipLines = 3;
    f.StepLines = 2;
    f.ReadFlags[2] = false;
    f.CoefA[1] = 4;  // channel 1 is file column 1
    f.CoefB[1] = 2;
    CommaPreview p = LoadCommaPreview(file, f, progress);
    EXPECT_EQ(p.LineCount, 13);
    ASSERT_EQ(p.Rows.size(), 5u);  // lines 5, 7, 9, 11, 13
    EXPECT_EQ(p.Rows[0], (std::vector<std::string>{"5", "12", "500"}));
    EXPECT_EQ(p.Rows[1], (std::vector<std::string>{"7", "", "x"}));
    EXPECT_EQ(p.Rows[4], (std::vector<std::string>{"13", "32", "1300", "extra"}));
    EXPECT_EQ(p.Widest, 4);
    EXPECT_EQ(progress.percents.back(), 100);
    EXPECT_EQ(progress.hides, 1);

    f.LastLine = 10;  // stops after line 10 whatever the skip
    p = LoadCommaPreview(file, f, progress);
    EXPECT_EQ(p.Rows.size(), 3u);
    EXPECT_EQ(p.LineCount, 13);

    CommaDataFields all;
    EXPECT_EQ(LoadCommaPreview(csv(numberedLines(150)), all, progress).Rows.size(), 101u);
}

TEST_F(CommaImportTest, StartTimeTextIsPickedFromRowAndColumn) {
    std::string file = csv("title,Start 2004/05/06 12:00:00 UTC\r\n1,2\r\n");
    EXPECT_EQ(PickStartTimeText(file, 1, 2), "2004/05/06 12:00:00 ");
    EXPECT_EQ(PickStartTimeText(file, 1, 3), "");
    EXPECT_EQ(PickStartTimeText(file, 5, 1), "");
}

TEST_F(CommaImportTest, IntervalModeFillsTheModelWithOneBurst) {
    // Short lines give missing values; fields beyond the columns are ignored.
    std::string file = csv("head\r\n2.004,2\r\n,abc\r\n3\r\n4,5,6\r\n");
    CommaFormTexts f = form(2);
    f.Skip = "1";
    f.Columns[0].Name = utf8ToCp932("水位ちゃんねるの名前です");
    f.Columns[0].Unit = "cm";
    f.Columns[1].A = "0.5";
    f.Columns[1].B = "1";
    model.Memo = "old";
    model.FileName = "stale.sdf";
    CommaImportResult r = run(f, file);
    ASSERT_TRUE(r.Completed);
    EXPECT_EQ(r.LineCount, 5);
    EXPECT_EQ(model.Nch, 2);
    EXPECT_EQ(model.Nch2, 0);
    EXPECT_EQ(model.Iterations, 1);
    EXPECT_EQ(model.SampleSize, 4);
    EXPECT_EQ(model.BInt, 0);
    EXPECT_EQ(model.Memo, "");
    EXPECT_EQ(model.FileName, "");  // nothing read from an earlier file counts as the source
    EXPECT_EQ(model.Data[0], (std::vector<std::int16_t>{2, ErrorData, 3, 4}));
    EXPECT_EQ(model.Data[1], (std::vector<std::int16_t>{2, ErrorData, ErrorData, 8}));
    EXPECT_EQ(model.ChannelName[0], utf8ToCp932("水位ちゃんねるの"));  // cut at 16 bytes
    EXPECT_EQ(model.ChannelUnit[0], "cm");
    EXPECT_FLOAT_EQ(model.ScaleA[1], 0.5f);
    EXPECT_FLOAT_EQ(model.OffsetB[1], 1.0f);
    EXPECT_EQ(model.SInt, 1);
    EXPECT_EQ(model.SITUnit, 2);
    EXPECT_EQ(FormatDateTime(model.StartTime), "2004/05/06 12:00:00");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(CommaImportTest, IntervalModeWithoutUsedLineGivesOneEmptyBurst) {
    CommaFormTexts f = form(1);
    f.Skip = "5";
    ASSERT_TRUE(run(f, csv("1\r\n2\r\n")).Completed);
    EXPECT_EQ(model.Iterations, 1);
    EXPECT_EQ(model.SampleSize, 0);
}

TEST_F(CommaImportTest, ScaleOverStopsNamingTheLineAndLeavesModelAndNoTempFile) {
    std::string file = csv("1\r\n2\r\n32767.2\r\n4\r\n");
    CommaFormTexts f = form(1);
    f.BurstMode = true;
    f.SamplesPerBurst = "1";
    model.Memo = "untouched";
    CommaImportResult r = run(f, file);
    EXPECT_FALSE(r.Completed);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    EXPECT_EQ(prompter.shown[0].text,
              "3行で変換値のスケールオーバー。\n-32768～32767の範囲になるように\n係数を設定して下さい。");
    EXPECT_EQ(model.Memo, "untouched");
    EXPECT_FALSE(std::filesystem::exists(dir.file("in.$$$")));
    // -32767.4 is out of scale as well; -32766.6 rounds to a valid count.
    prompter.shown.clear();
    EXPECT_FALSE(run(form(1), csv("-32767.4\r\n")).Completed);
    EXPECT_TRUE(run(form(1), csv("-32766.6\r\n")).Completed);
    EXPECT_EQ(model.Data[0][0], -32767);
}

TEST_F(CommaImportTest, AccuracyQuestionIsAskedOnceAndYesStops) {
    std::string file = csv("10.4\r\n20\r\n5.3\r\n");
    prompter.answer(MsgResult::No);
    ASSERT_TRUE(run(form(1), file).Completed);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(prompter.shown[0].text, "1行でデータ変換精度が１％以下となりました。\n係数A,Bを設定し直しますか。");
    EXPECT_EQ(model.Data[0], (std::vector<std::int16_t>{10, 20, 5}));

    prompter.shown.clear();
    prompter.answer(MsgResult::Yes);
    model.Nch = 7;
    EXPECT_FALSE(run(form(1), csv("20\r\n5.3\r\n")).Completed);
    EXPECT_TRUE(prompter.showedText("2行でデータ変換精度"));
    EXPECT_EQ(model.Nch, 7);
}

// A field on the column's count grid may give its count from its digits; a
// leading blank sends any field through the full conversion. Both ways give
// the same count, stop and question.
TEST_F(CommaImportTest, CountsFromDigitsEqualTheFullConversion) {
    constexpr int kStops = INT_MIN;
    struct Case {
        const char *a, *b, *field;
        int count;  // kStops: scale over
        bool asks;  // the accuracy question
    };
    const Case cases[] = {
        {"0.01", "0", "123.45", 12345, false},
        {"0.01", "0", "-0.07", -7, false},
        {"0.01", "0", "5.", 500, false},
        {"0.01", "0", "-.05", -5, false},
        {"0.01", "0", "-0", 0, false},
        {"0.01", "0", "327.66", 32766, false},
        {"0.01", "0", "-327.66", -32766, false},
        {"0.01", "0", "327.67", kStops, false},
        {"0.01", "0", "-327.68", kStops, false},
        {"0.01", "0", "1.234", 123, false},  // off the grid
        {"0.01", "0", "0.001", 0, true},
        {"0.01", "0", "1.5e2", 15000, false},
        {"0.01", "0", "=", ErrorData, false},
        {"0.01", "0", "", ErrorData, false},
        {"0.01", "100000", "100123.45", 12345, false},
        {"0.01", "-5", "-4.99", 1, false},
        {"-0.01", "0", "1.23", -123, false},
        {"3", "0", "-9", -3, false},
        {"3", "0", "10", 3, true},
        {"0.02", "0", "0.01", 1, true},  // half a count, away from zero
        {"0.02", "0", "0.04", 2, false},
        // On the grid, but so far from the scale's precision that the
        // computed value strays 2 % from the count: still asked.
        {"1E-10", "100000", "100000.0000000001", 1, true},
        {"1E-10", "100000", "100000", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " " + c.b + " '" + c.field + "'");
        CommaFormTexts f = form(1);
        f.Columns[0].A = c.a;
        f.Columns[0].B = c.b;
        auto import = [&](const std::string& field, ScriptedPrompter& asked) {
            asked.answer(MsgResult::No);
            return ImportCommaData(ReadImportSettings(f, csv(field + "\r\n")), asked, progress);
        };
        ScriptedPrompter digits, full;
        const CommaImportResult r = import(c.field, digits);
        const CommaImportResult g = import(std::string(" ") + c.field, full);
        EXPECT_EQ(r.Completed, c.count != kStops);
        if (r.Completed) {
            EXPECT_EQ(r.Table, (std::vector<std::vector<std::int16_t>>{{static_cast<std::int16_t>(c.count)}}));
        }
        EXPECT_EQ(digits.shown.size(), c.count == kStops || c.asks ? 1u : 0u);
        EXPECT_EQ(g.Completed, r.Completed);
        EXPECT_EQ(g.Table, r.Table);
        ASSERT_EQ(full.shown.size(), digits.shown.size());
        for (std::size_t i = 0; i < digits.shown.size(); ++i) {
            EXPECT_EQ(full.shown[i].type, digits.shown[i].type);
            EXPECT_EQ(full.shown[i].text, digits.shown[i].text);
        }
    }
}

TEST_F(CommaImportTest, BurstModeWritesFullBurstsAndFillsTheShortLastOneWithMissingValues) {
    CommaFormTexts f = form(2);
    f.BurstMode = true;
    f.BurstInterval = "30";
    f.BurstUnit = 3;
    std::string file = csv(numberedLines(250));
    CommaImportResult r = run(f, file);
    ASSERT_TRUE(r.Completed);
    const std::string temp = r.TempFileName;
    EXPECT_EQ(std::filesystem::path(temp).parent_path(), dir.path());
    EXPECT_TRUE(temp.ends_with(".$$$"));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "3回目のバースト計測が途中で終了しています。");
    EXPECT_EQ(model.Iterations, 3);
    EXPECT_EQ(model.SampleSize, 100);
    EXPECT_EQ(model.BInt, 30);
    EXPECT_EQ(model.BITUnit, 3);
    EXPECT_EQ(model.FileName, temp);
    EXPECT_EQ(model.Data[0][0], 1);  // burst 0 read back
    EXPECT_EQ(model.Data[1][99], 1000);
    // Header block, one channel-table block, three records of 2 x 100 counts: nothing left over.
    EXPECT_EQ(std::filesystem::file_size(temp), 512u + 3 * 400);
    ASSERT_TRUE(model.ReadSDFBurst(2));
    EXPECT_EQ(model.Data[0][49], 250);
    EXPECT_EQ(model.Data[1][49], 2500);
    EXPECT_EQ(model.Data[0][50], ErrorData);
    EXPECT_EQ(model.Data[1][99], ErrorData);

    // Ended inside the first burst: the burst is the lines read.
    prompter.shown.clear();
    r = run(f, csv(numberedLines(40)));
    ASSERT_TRUE(r.Completed);
    EXPECT_EQ(prompter.lastText(), "1回目のバースト計測が途中で終了しています。");
    EXPECT_EQ(model.Iterations, 1);
    EXPECT_EQ(model.SampleSize, 40);
    EXPECT_EQ(model.Data[1][39], 400);
    EXPECT_EQ(std::filesystem::file_size(model.FileName), 512u + 2 * 40 * 2);
}

TEST_F(CommaImportTest, BurstModeNeverWritesOverAFileNamedLikeItsTemporaryFile) {
    CommaFormTexts f = form(1);
    f.BurstMode = true;
    f.SamplesPerBurst = "2";
    std::string file = csv("1\r\n2\r\n3\r\n4\r\n");
    const std::string mine = dir.file("in.$$$");
    test::writeText(mine, "the user's own file");
    CommaImportResult r = run(f, file);
    ASSERT_TRUE(r.Completed);
    EXPECT_EQ(test::readText(mine), "the user's own file");
    const std::filesystem::path temp = model.FileName;  // the bursts
    EXPECT_NE(temp, mine);
    EXPECT_EQ(temp.parent_path(), dir.path());
    EXPECT_EQ(temp.extension(), ".$$$");
    ASSERT_TRUE(model.ReadSDFBurst(1));
    EXPECT_EQ(model.Data[0], (std::vector<std::int16_t>{3, 4}));

    // A stopped import removes only its own file.
    std::filesystem::remove(temp);
    EXPECT_FALSE(run(f, csv("1\r\n2\r\n40000\r\n")).Completed);
    EXPECT_EQ(test::readText(mine), "the user's own file");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // the input and mine
}

// What earlier imports of the same input left and no job holds any more (a
// kill) is removed by the next burst-mode import: the program's own burst
// files, and nothing else. A file an import still holds stays, and so do the
// user's files named like burst files, empty, SDF or anything else.
TEST_F(CommaImportTest, BurstModeRemovesTheBurstFilesKilledImportsOfItsInputLeft) {
    CommaFormTexts f = form(1);
    f.BurstMode = true;
    f.SamplesPerBurst = "2";
    const std::string file = csv("1\r\n2\r\n3\r\n4\r\n");
    CommaImportResult held = run(f, file);  // an import whose bursts are still to be copied
    const std::string bursts = test::readText(held.TempFileName);
    CommaImportResult killed = run(f, file);
    killed.TempFileLock.reset();  // as a kill lets go of it
    ASSERT_TRUE(std::filesystem::exists(killed.TempFileName));
    const std::vector<std::pair<std::string, std::string>> mine = {
        {"in.$$$", bursts}, {"in.Ab3dE9.$$$", bursts}, {"in.Zz9yX8.$$$", ""}, {"in.Qq1234.$$$", "the user's"},
        {"other.$$$", bursts}};
    for (const auto& [name, text] : mine) test::writeText(dir.file(name), text);

    CommaImportResult next = run(f, file);
    ASSERT_TRUE(next.Completed);
    std::set<std::string> expected{"in.csv", std::filesystem::path(held.TempFileName).filename().string(),
                                   std::filesystem::path(next.TempFileName).filename().string()};
    for (const auto& [name, text] : mine) {
        expected.insert(name);
        EXPECT_EQ(test::readText(dir.file(name)), text) << name;
    }
    const std::vector<std::string> names = dir.names();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
}

TEST_F(CommaImportTest, BurstModeWithoutDataAndTooManyBurstsAreRefused) {
    CommaFormTexts f = form(1);
    f.BurstMode = true;
    f.SamplesPerBurst = "1";
    f.Skip = "3";
    EXPECT_THROW(run(f, csv("1\r\n2\r\n")), FormatError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("in.$$$")));

    // Burst numbers are 16 bits in SDF: the 32768th burst must not wrap.
    f.Skip = "0";
    std::string lines;
    for (int i = 0; i < 32768; ++i) lines += "1\n";
    EXPECT_THROW(run(f, csv(lines)), RangeError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("in.$$$")));
}

TEST_F(CommaImportTest, SamplingIntervalIsStoredWholeInAFinerUnitWhenNeeded) {
    CommaFormTexts f = form(1);
    f.SamplingInterval = "0.5";
    f.Step = "5";
    ASSERT_TRUE(run(f, csv("1\r\n2\r\n3\r\n4\r\n5\r\n")).Completed);
    EXPECT_EQ(model.SInt, 2500);
    EXPECT_EQ(model.SITUnit, 1);  // msec
    EXPECT_DOUBLE_EQ(model.SIntDisplay, 2.5);
    EXPECT_EQ(model.DisplayUnit, 2);
    EXPECT_EQ(model.SITUnitName, "sec");
    EXPECT_EQ(model.Data[0], (std::vector<std::int16_t>{5}));

    auto inUnits = [](double interval, std::uint8_t shownUnit) {
        std::int32_t sint = 0;
        std::uint8_t unit = 0;
        bool ok = SamplingIntervalInUnits(interval, shownUnit, sint, unit);
        return ok ? std::vector<int>{sint, unit} : std::vector<int>{};
    };
    EXPECT_EQ(inUnits(3, 3), (std::vector<int>{3, 3}));
    EXPECT_EQ(inUnits(0.25, 3), (std::vector<int>{15, 2}));  // 15 sec
    EXPECT_EQ(inUnits(1.0 / 3, 2), (std::vector<int>{333333, 0}));
    EXPECT_EQ(inUnits(1e-7, 2), std::vector<int>{});
    EXPECT_EQ(inUnits(3e9, 8), std::vector<int>{});  // beyond 32 bits
}

TEST_F(CommaImportTest, SettingsAreRefusedBeforeAnyLineIsRead) {
    std::string file = csv("1,2\r\n");
    using Change = std::function<void(CommaFormTexts&)>;
    const std::pair<const char*, Change> cases[] = {
        {"A of 0 divides by zero", [](CommaFormTexts& f) { f.Columns[1].A = "0"; }},
        {"B beyond a single-precision number", [](CommaFormTexts& f) { f.Columns[0].B = "1e40"; }},
        {"A not a number", [](CommaFormTexts& f) { f.Columns[0].A = "a"; }},
        {"more read columns than the model holds", [](CommaFormTexts& f) { f = form(129); }},
        {"no column read: an output without channels", [](CommaFormTexts& f) { f = form(0); }},
        {"step 0", [](CommaFormTexts& f) { f.Step = "0"; }},
        {"skip not an integer", [](CommaFormTexts& f) { f.Skip = "1.5"; }},
        {"negative interval", [](CommaFormTexts& f) { f.SamplingInterval = "-1"; }},
        {"unreadable start time", [](CommaFormTexts& f) { f.StartTime = "yesterday"; }},
        {"no samples per burst", [](CommaFormTexts& f) { f.BurstMode = true, f.SamplesPerBurst = "0"; }},
        {"no burst interval", [](CommaFormTexts& f) { f.BurstMode = true, f.BurstInterval = "0"; }},
        {"unit outside the table", [](CommaFormTexts& f) { f.BurstMode = true, f.BurstUnit = 9; }},
    };
    for (const auto& [why, change] : cases) {
        CommaFormTexts f = form(2);
        change(f);
        EXPECT_THROW(ReadImportSettings(f, file), BrineError) << why;
    }

    // The temporary burst file would be the input itself.
    CommaFormTexts f = form(2);
    f.BurstMode = true;
    std::string dollar = csv("1,2\r\n", "data.$$$");
    EXPECT_THROW(ReadImportSettings(f, dollar), RangeError);
    EXPECT_EQ(test::readText(dollar), "1,2\r\n");

    CommaFormTexts ok = form(2);
    ok.Columns[1].Read = false;
    CommaImportSettings s = ReadImportSettings(ok, file);
    EXPECT_EQ(s.Channels.size(), 1u);
    EXPECT_EQ(s.ReadColumns, (std::vector<bool>{true, false}));
}

TEST_F(CommaImportTest, ParameterFileRoundTripKeepsColumnsAndChannelEntries) {
    std::string p = dir.file("set.tfp");
    CommaParameters out;
    out.FromFile = true;
    out.DescribedColumn = "2";
    out.DescribedRow = "4";
    out.BurstSampling = true;
    out.NumberOfSamples = "600";
    out.BurstInterval = "10";
    out.BurstIntervalUnitNo = 3;
    out.Intervals = "0.5";
    out.UnitNo = 2;
    out.Skip = "1";
    out.Step = "2";
    out.Last = "-1";
    out.NumberOfColumns = 3;
    out.Columns = {{true, utf8ToCp932("水位"), "cm", "0.1", "-5", 0, 0},
                   {false, "ignored", "", "9", "9", 0, 0},
                   {true, "T", "degC", "0.01", "0", 0, 0}};
    SaveCommaParameters(p, out);
    EXPECT_EQ(test::readText(p),
              "[Start Time]\r\nFrom File=1\r\nDescribed Column=2\r\nDescribed Row=4\r\n"
              "[Sampling]\r\nBurst Sampling=1\r\nNumber of Samples=600\r\nBurst Interval=10\r\n"
              "Burst Interval Unit No.=3\r\nIntervals=0.5\r\nUnit No.=2\r\n"
              "[Table]\r\nSkip=1\r\nStep=2\r\nLast=-1\r\nNumber of Columns=3\r\n"
              "[Ch0]\r\nRead or not=1\r\nItem Name=" + utf8ToCp932("水位") + "\r\nScale=cm\r\nA=0.1\r\nB=-5\r\n"
              "[Ch1]\r\nRead or not=0\r\n"
              "[Ch2]\r\nRead or not=1\r\nItem Name=T\r\nScale=degC\r\nA=0.01\r\nB=0\r\n");

    CommaParameters present;
    CommaParameters in = LoadCommaParameters(p, present);
    EXPECT_TRUE(in.FromFile);
    EXPECT_EQ(in.DescribedRow, "4");
    EXPECT_EQ(in.NumberOfSamples, "600");
    EXPECT_EQ(in.Intervals, "0.5");
    EXPECT_EQ(in.NumberOfColumns, 3);
    CommaDataFields fields;
    ApplyParameterColumns(in, fields);
    EXPECT_TRUE(fields.ReadFlags[0]);
    EXPECT_FALSE(fields.ReadFlags[1]);
    EXPECT_TRUE(fields.ReadFlags[2]);
    EXPECT_TRUE(fields.ReadFlags[3]);  // beyond the file's columns: as it was
    EXPECT_EQ(fields.ItemNames[0], utf8ToCp932("水位"));
    EXPECT_EQ(fields.ItemNames[1], "T");  // entry 1 is file column 2
    EXPECT_DOUBLE_EQ(fields.CoefA[1], 0.01);
    EXPECT_DOUBLE_EQ(fields.CoefB[0], -5);

    // Saved again in interval mode: the burst keys stay but are not loaded.
    out.BurstSampling = false;
    out.NumberOfSamples = "1";
    SaveCommaParameters(p, out);
    EXPECT_NE(test::readText(p).find("Number of Samples=600"), std::string::npos);
    present.NumberOfSamples = "77";
    in = LoadCommaParameters(p, present);
    EXPECT_FALSE(in.BurstSampling);
    EXPECT_EQ(in.NumberOfSamples, "77");
}

TEST_F(CommaImportTest, ParameterFileValuesOutsideTheirRangeAreNotTaken) {
    std::string p = csv("[Sampling]\nUnit No.=12\nBurst Sampling=1\nBurst Interval Unit No.=-1\n"
                        "[Table]\nNumber of Columns=5000\n[Ch0]\nRead or not=1\nA=abc\n",
                        "bad.tfp");
    CommaParameters present;
    present.UnitNo = 4;
    present.BurstIntervalUnitNo = 5;
    CommaParameters in = LoadCommaParameters(p, present);
    EXPECT_EQ(in.UnitNo, 4);
    EXPECT_EQ(in.BurstIntervalUnitNo, 5);
    EXPECT_EQ(in.NumberOfColumns, kCommaColumns);
    EXPECT_DOUBLE_EQ(in.Columns[0].A, 1.0);
    CommaDataFields fields;
    ApplyParameterColumns(in, fields);  // 200 columns at most: no write past the tables
    EXPECT_FALSE(fields.ReadFlags[199]);

    CommaParameters none = LoadCommaParameters(dir.file("missing.tfp"), present);
    EXPECT_EQ(none.DescribedColumn, "1");
    EXPECT_EQ(none.UnitNo, 2);
}

}  // namespace
}  // namespace brine
