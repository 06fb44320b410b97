// Yearly tables: reading, conversion into one burst and the save, headless.
#include "importers/yearly_table.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/texts.h"
#include "core/header_save.h"
#include "core/sdf_builder.h"
#include "importers/raw_files.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

std::string monthTitleRow() {
    std::string s = "日";
    for (int m = 1; m <= 12; ++m) s += "," + std::to_string(m) + "月";
    return s;
}

// Month-day table whose cell (month, day) holds month * 100 + day; cells of
// dates that do not exist hold 999, which must land nowhere.
std::vector<std::string> monthDayLines(int year) {
    std::vector<std::string> lines{"観測地点：テスト港,,", "単位：cm", monthTitleRow()};
    for (int d = 1; d <= 31; ++d) {
        std::string row = std::to_string(d);
        for (int m = 1; m <= 12; ++m)
            row += "," + std::to_string(d <= DaysInMonth(year, m) ? m * 100 + d : 999);
        lines.push_back(row);
    }
    return lines;
}

// Ten-day table: title row, then row r holds 10 * r.
std::vector<std::string> tenDayLines(int rows = 36, const std::string& extraColumn = "") {
    std::vector<std::string> lines{"旬別値", "旬,2004年(1月～12月)" + std::string(extraColumn.empty() ? "" : ",2005年")};
    const char* period[] = {"上旬", "中旬", "下旬"};
    for (int r = 1; r <= rows; ++r)
        lines.push_back(std::to_string((r - 1) / 3 + 1) + "月" + period[(r - 1) % 3] + "," + std::to_string(10 * r) +
                        extraColumn);
    return lines;
}

class YearTableTest : public ::testing::Test {
protected:
    std::string tableFile(const std::vector<std::string>& utf8Lines, const std::string& name = "table.csv") {
        std::string p = dir.file(name);
        test::writeText(p, utf8ToCp932(test::joinLines(utf8Lines)));
        return p;
    }
    YearTable load(const std::vector<std::string>& lines) { return ReadYearTable(tableFile(lines)).table; }
    std::optional<YearTableBurst> convert(const YearTable& t) {
        return ConvertYearTable(t, settings, model, prompter, [this](int c, int r) { selected.emplace_back(c, r); });
    }
    double day(int y, int m, int d, int h = 0, int n = 0) { return EncodeDateTime({y, m, d, h, n, 0, 0}); }
    int sampleOf(double t) { return static_cast<int>(std::lround(t - model.StartTime)); }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    YearTableSettings settings;
    std::vector<std::pair<int, int>> selected;
};

TEST_F(YearTableTest, ReadingSplitsNotesFromRowsAndRefusesFilesWithoutATable) {
    LoadedYearTable loaded = ReadYearTable(tableFile(monthDayLines(2001)));
    EXPECT_EQ(cp932ToUtf8(loaded.memo), "Original file:" + dir.file("table.csv") + ";観測地点：テスト港;単位：cm");
    EXPECT_EQ(loaded.table.colCount, 13);
    EXPECT_EQ(loaded.table.rowCount, 32);
    EXPECT_EQ(cp932ToUtf8(loaded.table.cell(1, 0)), "1月");

    // The wide "１月" and "Jan" start a table too; rows grow to the longest line.
    EXPECT_EQ(load({"メモ", "年,１月", "1,5,6,7"}).colCount, 4);
    EXPECT_EQ(load({"x", "Day,Jan,Feb"}).colCount, 3);

    // "モP月" holds the bytes of "１月" across a character boundary: a note.
    std::string tricky = utf8ToCp932("モP月");
    ASSERT_NE(tricky.find(utf8ToCp932("１月")), std::string::npos);
    EXPECT_THROW(load({"モP月", "1,2"}), FormatError);
    EXPECT_THROW(ReadYearTable(dir.file("missing.csv")), IoError);

    EXPECT_EQ(ParseYear(utf8ToCp932("2004年")), 2004);
    EXPECT_THROW(ParseYear(utf8ToCp932("1月")), ConversionError);
    EXPECT_THROW(ParseYear(utf8ToCp932("２００４年")), ConversionError);
    EXPECT_THROW(ParseYear(utf8ToCp932("40000年")), RangeError);
}

TEST_F(YearTableTest, MonthDayCommonYearGivesOneSamplePerExistingDate) {
    settings.year = 2001;
    ASSERT_TRUE(convert(load(monthDayLines(2001))));
    EXPECT_EQ(model.SampleSize, 365);
    EXPECT_EQ(std::vector<int>({model.Nch, model.Nch2, model.Iterations, model.SInt, model.SITUnit, model.BInt,
                                model.BITUnit}),
              std::vector<int>({1, 0, 1, 1, 5, 12, 8}));
    EXPECT_DOUBLE_EQ(model.StartTime, day(2001, 1, 1, 10));
    // Every sample holds the value of its own date: nothing shifted, nothing
    // of 29 to 31 February or 31 April landed anywhere.
    int k = 0;
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= DaysInMonth(2001, m); ++d, ++k)
            ASSERT_EQ(model.Data[0][static_cast<std::size_t>(k)], m * 100 + d) << m << "/" << d;
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(YearTableTest, MonthDayLeapYearAndMissingCells) {
    settings.year = 2004;
    auto lines = monthDayLines(2004);
    lines[3 + 4] = "5,--,,305";       // 5 January not a number, 5 February empty
    lines.erase(lines.begin() + 3 + 30);  // no row for day 31
    ASSERT_TRUE(convert(load(lines)));
    EXPECT_EQ(model.SampleSize, 366);
    EXPECT_EQ(model.Data[0][static_cast<std::size_t>(sampleOf(day(2004, 2, 29)))], 229);
    EXPECT_EQ(model.Data[0][4], ErrorData);
    EXPECT_EQ(model.Data[0][31 + 4], ErrorData);
    EXPECT_EQ(model.Data[0][static_cast<std::size_t>(sampleOf(day(2004, 3, 5)))], 305);
    EXPECT_EQ(model.Data[0][static_cast<std::size_t>(sampleOf(day(2004, 4, 5)))], ErrorData);  // short row
    EXPECT_EQ(model.Data[0][30], ErrorData);  // 31 January: no row
    EXPECT_EQ(model.Data[0][365], ErrorData);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(YearTableTest, TenDayPeriodsFillTheirDaysInCommonAndLeapYears) {
    settings.mode = TenDayTable;
    for (int year : {2001, 2004}) {
        settings.year = year;
        ASSERT_TRUE(convert(load(tenDayLines())));
        EXPECT_EQ(model.SampleSize, IsLeapYear(year) ? 366 : 365);
        EXPECT_DOUBLE_EQ(model.StartTime, day(year, 1, 1));
        // Every day of the year carries the value of its period.
        int filled = 0, row6 = 0;
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= DaysInMonth(year, m); ++d, ++filled) {
                int row = (m - 1) * 3 + std::min((d - 1) / 10, 2) + 1;
                ASSERT_EQ(model.Data[0][static_cast<std::size_t>(sampleOf(day(year, m, d)))], 10 * row)
                    << year << " " << m << "/" << d;
                if (row == 6) ++row6;
            }
        EXPECT_EQ(filled, model.SampleSize);
        EXPECT_EQ(row6, IsLeapYear(year) ? 9 : 8);
    }
}

TEST_F(YearTableTest, TenDayExtraRowsAreSkippedAndOnlyTheFirstColumnIsConverted) {
    settings.mode = TenDayTable;
    settings.year = 2001;
    // A 38th row names no period; a second value column would overwrite the first.
    ASSERT_TRUE(convert(load(tenDayLines(38, ",7"))));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, Text(Tx::YearlyTenDayColumns));
    EXPECT_EQ(model.Data[0][0], 10);
    EXPECT_EQ(model.Data[0][364], 360);

    // An empty trailing column says nothing and overwrites nothing.
    prompter.shown.clear();
    auto lines = tenDayLines();
    for (std::size_t i = 2; i < lines.size(); ++i) lines[i] += ",";
    ASSERT_TRUE(convert(load(lines)));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(model.Data[0][100], 10 * 11);
}

TEST_F(YearTableTest, NonDailyIntervalPlacesValuesByTime) {
    settings.year = 2001;
    settings.dtUnit = 4;  // hr
    ASSERT_TRUE(convert(load(monthDayLines(2001))));
    EXPECT_EQ(model.SampleSize, 364 * 24 + 1);
    EXPECT_EQ(model.Data[0][24], 102);
    EXPECT_EQ(model.Data[0][25], ErrorData);

    settings.mode = TenDayTable;
    ASSERT_TRUE(convert(load(tenDayLines())));
    // 10 January 23:00 still belongs to the first period, 11 January 00:00 to the second.
    EXPECT_EQ(model.Data[0][10 * 24 - 1], 10);
    EXPECT_EQ(model.Data[0][10 * 24], 20);
    EXPECT_EQ(model.Data[0][364 * 24], 360);
}

TEST_F(YearTableTest, CoefficientQuestions) {
    settings.year = 2001;
    YearTable t = load({monthTitleRow(), "1,0.3,0.4", "2,5"});
    prompter.answer(MsgResult::No);
    ASSERT_TRUE(convert(t));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, Text(Tx::YearlyPrecision));
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(selected, (std::vector<std::pair<int, int>>{{1, 1}}));
    EXPECT_EQ(model.Data[0][0], 0);
    EXPECT_EQ(model.Data[0][31], 0);
    EXPECT_EQ(model.Data[0][1], 5);

    prompter.shown.clear();
    prompter.answer(MsgResult::Yes);
    EXPECT_FALSE(convert(t));
    EXPECT_EQ(prompter.shown.size(), 1u);

    // Scale over: 400 with A = 0.01, and a value far beyond any count.
    prompter.shown.clear();
    selected.clear();
    settings.aText = "0.01";
    t = load({monthTitleRow(), "1,400,1e12,5"});
    prompter.answer(MsgResult::Ignore);
    prompter.answer(MsgResult::Ignore);
    ASSERT_TRUE(convert(t));
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text,
              "変換データのスケールオーバー。\n-32768～32767の範囲になるように\n係数を設定し直しますか。\n"
              "欠測データにしてこのまま続ける場合は[無視]を押して下さい。");
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesIgnore);
    EXPECT_EQ(selected, (std::vector<std::pair<int, int>>{{1, 1}, {2, 1}}));
    EXPECT_EQ(model.Data[0][0], ErrorData);
    EXPECT_EQ(model.Data[0][31], ErrorData);
    EXPECT_EQ(model.Data[0][59], 500);

    // Yes, or closing the box, goes back to the coefficients.
    for (MsgResult answer : {MsgResult::Yes, MsgResult::Cancel}) {
        prompter.shown.clear();
        prompter.answer(answer);
        EXPECT_FALSE(convert(t));
        EXPECT_EQ(prompter.shown.size(), 1u);
    }
}

TEST_F(YearTableTest, SettingsThatCannotMakeAFileAreRefused) {
    YearTable t = load(monthDayLines(2001));
    auto refusedWith = [&](auto change, const char* what) {
        YearTableSettings saved = settings;
        change(settings);
        bool threw = false;
        try {
            convert(t);
        } catch (const BrineError&) {
            threw = true;
        }
        EXPECT_TRUE(threw) << what;
        settings = saved;
    };
    refusedWith([](YearTableSettings& s) { s.aText = "0"; }, "A = 0");
    refusedWith([](YearTableSettings& s) { s.aText = "1e-50"; }, "A below the float range");
    refusedWith([](YearTableSettings& s) { s.bText = "1e39"; }, "B beyond the float range");
    refusedWith([](YearTableSettings& s) { s.year = 10000; }, "year 10000");
    refusedWith([](YearTableSettings& s) { s.obsTime = "25:00"; }, "no such time");
    refusedWith([](YearTableSettings& s) { s.dtText = "0"; }, "interval 0");
    refusedWith([](YearTableSettings& s) { s.dtUnit = 1; }, "msec: more samples than a count holds");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(YearTableTest, BurstsOfMoreThanTenMillionSamplesAreRefusedSayingWhy) {
    YearTable t = load(monthDayLines(2001));
    settings.year = 2001;
    auto refusal = [&](std::uint8_t unit) {
        settings.dtUnit = unit;
        try {
            convert(t);
        } catch (const RangeError& e) {
            return std::string(e.what());
        }
        return std::string("converted");
    };
    EXPECT_EQ(refusal(2), "1バーストのデータ数が31449601個になります（記録時間間隔 1 sec）。\n"
                          "1バーストは10000000個までです。記録時間間隔を長くして下さい。");
    EXPECT_EQ(refusal(0), "1バーストのデータ数が31449600000001個になります（記録時間間隔 1 usec）。\n"
                          "1バーストは10000000個までです。記録時間間隔を長くして下さい。");
    EXPECT_EQ(refusal(3), "converted");  // 524161 samples at one minute
    EXPECT_EQ(model.SampleSize, 524161);
}

TEST_F(YearTableTest, HeaderDialogEditsNeverLeaveTheSavedFileWrong) {
    settings.year = 2001;
    std::string source = tableFile(monthDayLines(2001));
    auto burst = convert(ReadYearTable(source).table);
    ASSERT_TRUE(burst);
    // The user makes A ten times finer and asks for three bursts.
    test::ScriptedHeaderSave save(model, dir.file("out.sdf"));
    save.edit = [](CurrentFile& m) {
        m.ScaleA[0] = 0.1f;
        m.OffsetB[0] = 100;
        m.Iterations = 3;
    };
    ASSERT_TRUE(SaveYearTableBurst(model, *burst, source, save, prompter, progress));
    EXPECT_EQ(save.proposed, dir.file("table.sdf"));
    EXPECT_EQ(save.kinds, std::vector<int>{0});
    EXPECT_EQ(prompter.lastText(), Text(Tx::YearlySaved));
    EXPECT_FALSE(prompter.showedText("個のデータを欠測値に変換しました。"));
    EXPECT_FALSE(progress.cancellable);
    EXPECT_FALSE(progress.visible);
    test::SdfOutput back = test::readBackBurst(dir.file("out.sdf"), 0);
    EXPECT_EQ(back.Iterations, 1);
    EXPECT_EQ(back.Data[0][0], (101 - 100) * 10);
    EXPECT_EQ(back.Data[0][364], (1231 - 100) * 10);

    // A scale too fine for the values: those become missing, and the user is told.
    prompter.shown.clear();
    save.edit = [](CurrentFile& m) { m.ScaleA[0] = 0.01f; };
    burst = convert(ReadYearTable(source).table);
    ASSERT_TRUE(burst);
    ASSERT_TRUE(SaveYearTableBurst(model, *burst, source, save, prompter, progress));
    back = test::readBackBurst(dir.file("out.sdf"), 0);
    EXPECT_EQ(back.Data[0][0], 10100);
    EXPECT_EQ(back.Data[0][364], ErrorData);
    EXPECT_TRUE(prompter.showedText("個のデータを欠測値に変換しました。"));
}

TEST_F(YearTableTest, CancelledOrFailedSavesReportNoSuccess) {
    settings.year = 2001;
    std::string source = tableFile(monthDayLines(2001));
    auto burst = convert(ReadYearTable(source).table);
    ASSERT_TRUE(burst);
    test::DirectHeaderSave cancelled(model, dir.file("out.sdf"));
    cancelled.refuse = true;
    EXPECT_FALSE(SaveYearTableBurst(model, *burst, source, cancelled, prompter, progress));
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.sdf")));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(progress.titles.empty());

    // A header dialog that reports a header it could not write: the burst fails too.
    test::ScriptedHeaderSave liar(model, dir.file("no/such/dir/out.sdf"));
    liar.lie = true;
    EXPECT_FALSE(SaveYearTableBurst(model, *burst, source, liar, prompter, progress));
    EXPECT_FALSE(prompter.showedText(Text(Tx::YearlySaved)));
    EXPECT_TRUE(prompter.showedText("ファイルに書き込めません。"));
    EXPECT_FALSE(progress.visible);
}

}  // namespace
}  // namespace brine
