// DL-2 fixed-column files: header reading, the SDF header and the burst
// conversion, run headless end to end.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/datetime.h"
#include "base/errors.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "core/sdf_builder.h"
#include "importers/dl2_convert.h"
#include "importers/dl2_files.h"
#include "importers/raw_files.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

using test::append;
using test::dl2BurstHeader;
using test::dl2CurrentLines;
using test::dl2Line1;
using test::dl2Line2;
using test::dl2ValueLines;

constexpr int E = ErrorData;

double at(int y, int mo, int d, int h, int mi) { return EncodeDateTime({y, mo, d, h, mi, 0, 0}); }

class DL2Test : public ::testing::Test {
protected:
    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    std::string out = dir.file("out.sdf");
    test::DirectHeaderSave save{model, out};
    DL2Services services{model, prompter, progress};
    DL2Header h;
    test::SdfOutput result;

    std::string write(const std::vector<std::string>& lines) {
        std::string p = dir.file("in.txt");
        test::writeText(p, test::joinLines(lines));
        return p;
    }
    void load(const std::vector<std::string>& lines) { h = ReadDL2Header(write(lines)); }
    DL2Outcome convert(double declination = 0) {
        SetDL2SDFHeader(h, model);
        EXPECT_TRUE(save.ExecuteSave(0));
        return ConvertDL2Bursts(h, declination, services);
    }
};

// A current record from 2003/12/31 23:30 to 2004/01/01 00:30, bursts every 30 minutes.
std::vector<std::string> yearEndCurrent(int ns, int burstsInFile, int direction = 0) {
    test::DL2Times t{2003, 12, 31, 23, 30, 1, 1, 0, 30};
    std::vector<std::string> l{dl2Line1("Tokyo Bay", "St.3", "B-1", "CURRENT"), dl2Line2(t, "0.5", "cm/s", ns)};
    const int stamps[][4] = {{12, 31, 23, 30}, {1, 1, 0, 0}, {1, 1, 0, 30}, {1, 1, 1, 0}};
    for (int b = 0; b < burstsInFile; ++b) {
        l.push_back(dl2BurstHeader(stamps[b][0], stamps[b][1], stamps[b][2], stamps[b][3]));
        append(l, dl2CurrentLines(std::vector<std::pair<int, int>>(static_cast<std::size_t>(ns), {direction, b + 1})));
    }
    return l;
}

// Other kinds: two-hourly bursts from 2004/03/01 12:00 to 2004/03/02 12:00 (13 bursts).
std::vector<std::string> hourlyValues(int ns, const std::vector<std::vector<int>>& bursts) {
    test::DL2Times t{2004, 3, 1, 12, 0, 3, 2, 12, 0};
    std::vector<std::string> l{dl2Line1("Site", "St", "L", "TIDE"), dl2Line2(t, "2", "cm", ns)};
    for (std::size_t b = 0; b < bursts.size(); ++b) {
        int hour = 12 + 2 * static_cast<int>(b);
        l.push_back(dl2BurstHeader(3, 1 + hour / 24, hour % 24, 0));
        append(l, dl2ValueLines(bursts[b]));
    }
    return l;
}

TEST_F(DL2Test, HeaderOfACurrentRecordAcrossTheYearEnd) {
    load(yearEndCurrent(601, 2));
    EXPECT_EQ(h.Site, "Tokyo Bay");
    EXPECT_EQ(h.Station, "St.3");
    EXPECT_EQ(h.Layer, "B-1");
    EXPECT_EQ(h.Kind, "CURRENT");
    EXPECT_EQ(h.StartYear, 2003);
    EXPECT_DOUBLE_EQ(h.StartTime, at(2003, 12, 31, 23, 30));
    EXPECT_DOUBLE_EQ(h.FinalTime, at(2004, 1, 1, 0, 30));  // final month before the start month: next year
    EXPECT_EQ(h.DT, "0.5");
    EXPECT_EQ(h.Unit, "cm/s");
    EXPECT_EQ(h.NS, "601");
    EXPECT_EQ(h.LinesPerBurst, 101);  // the last line holds one pair
    EXPECT_EQ(h.BurstMinutes, 30);    // the second burst header takes the next year too
    EXPECT_EQ(h.Iterations, 3);

    // Leftovers of an earlier job must not survive into this header.
    model.Nch2 = 2;
    model.ChannelName[2] = "old";
    h.Site = "Site A";
    h.Station = "Station B";
    h.Layer = "Layer C";
    SetDL2SDFHeader(h, model);
    EXPECT_EQ(model.Memo, "Site: Site A, Station: Station B, Deployment Layer: Layer C");
    EXPECT_DOUBLE_EQ(model.StartTime, at(2003, 12, 31, 23, 30));
    EXPECT_EQ(model.Nch, 2);
    EXPECT_EQ(model.Nch2, 0);
    EXPECT_EQ(model.ChannelName[0], "Vnorth");
    EXPECT_EQ(model.ChannelName[1], "Veast");
    EXPECT_EQ(model.ChannelName[2], "");
    for (std::size_t ch : {0u, 1u}) {
        EXPECT_EQ(model.ChannelUnit[ch], "cm/s");
        EXPECT_EQ(model.ScaleA[ch], 1.0f);
        EXPECT_EQ(model.OffsetB[ch], 0.0f);
    }
    EXPECT_EQ(model.SampleSize, 601);
    EXPECT_EQ(model.SInt, 500);
    EXPECT_EQ(model.SITUnit, 1);  // msec
    EXPECT_EQ(model.BInt, 30);
    EXPECT_EQ(model.BITUnit, 3);  // min
    EXPECT_EQ(model.Iterations, 3);

    load(yearEndCurrent(600, 2));
    EXPECT_EQ(h.LinesPerBurst, 100);
    EXPECT_EQ(h.BurstMinutes, 30);
}

TEST_F(DL2Test, HeaderOfOtherKindsWholeSecondsAndHours) {
    load(hourlyValues(13, {std::vector<int>(13, 1), std::vector<int>(13, 2)}));
    EXPECT_EQ(h.Kind, "TIDE");
    EXPECT_EQ(h.LinesPerBurst, 2);  // twelve values a line
    EXPECT_EQ(h.BurstMinutes, 120);
    SetDL2SDFHeader(h, model);
    EXPECT_EQ(model.Nch, 1);
    EXPECT_EQ(model.ChannelName[0], "Height");
    EXPECT_EQ(model.ChannelUnit[0], "cm");
    EXPECT_EQ(model.SInt, 2);
    EXPECT_EQ(model.SITUnit, 2);  // sec
    EXPECT_EQ(model.BInt, 2);
    EXPECT_EQ(model.BITUnit, 4);  // hr
    EXPECT_EQ(model.Iterations, 13);

    // The burst count: at most 32767, which is what the SDF header holds.
    EXPECT_EQ(DL2Iterations(0, 32766 / 1440.0, 1), 32767);
    EXPECT_THROW(DL2Iterations(0, 32767 / 1440.0, 1), RangeError);
}

TEST_F(DL2Test, FilesThatCannotBeConvertedAreRefusedWithTheReason) {
    const test::DL2Times t;  // 2004/03/01 12:00 to 13:00
    const std::string l1 = dl2Line1("S", "T", "L", "TIDE");
    const std::string burst0 = dl2BurstHeader(3, 1, 12, 0);
    const std::string values = dl2ValueLines({1, 2, 3})[0];
    auto refusal = [&](const std::vector<std::string>& lines) -> std::string {
        try {
            ReadDL2Header(write(lines));
        } catch (const BrineError& e) {
            return e.what();
        }
        return "accepted";
    };
    const std::string good2 = dl2Line2(t, "1", "cm", 3);
    ASSERT_EQ(refusal({l1, good2, burst0, values, dl2BurstHeader(3, 1, 12, 30)}), "accepted");

    // No burst interval can be derived.
    EXPECT_EQ(refusal({l1, good2, burst0, values}), Text(Tx::Dl2SingleBurst));
    EXPECT_EQ(refusal({l1, good2, burst0, values, "", "  "}), Text(Tx::Dl2SingleBurst));
    EXPECT_EQ(refusal({l1, good2, burst0}), Text(Tx::Dl2SingleBurst));
    EXPECT_EQ(refusal({l1, good2, burst0, values, burst0}), Text(Tx::Dl2BurstOrder));
    EXPECT_EQ(refusal({l1, good2, burst0, values, dl2BurstHeader(3, 1, 11, 0)}), Text(Tx::Dl2BurstOrder));

    // Fields: not a number, outside 0..65535, impossible dates.
    std::string badMonth = good2;
    badMonth.replace(5, 5, "   ab");
    EXPECT_EQ(refusal({l1, badMonth}), "'ab' は整数ではありません。（2行目、6-10桁）");
    std::string negative = good2;
    negative.replace(20, 5, "   -1");
    EXPECT_EQ(refusal({l1, negative}), "'-1' は0から65535の範囲外です。（2行目、21-25桁）");
    EXPECT_EQ(refusal({l1, good2.substr(0, 40)}), "'' は整数ではありません。（2行目、41-45桁）");
    test::DL2Times month13 = t;
    month13.month = 13;
    EXPECT_EQ(refusal({l1, dl2Line2(month13, "1", "cm", 3)}), "日付または時刻が正しくありません。（2行目）");
    std::string badHeader = dl2BurstHeader(3, 1, 12, 30);
    badHeader.replace(15, 5, "    x");
    EXPECT_EQ(refusal({l1, good2, burst0, values, badHeader}), "'x' は整数ではありません。（5行目、16-20桁）");

    // Samples and intervals that make no file.
    EXPECT_EQ(refusal({l1, dl2Line2(t, "1", "cm", 0)}), Text(Tx::Dl2NoSamples));
    for (const char* dt : {"0", "-1", "x", "", ".0004"})
        EXPECT_NE(refusal({l1, dl2Line2(t, dt, "cm", 3)}).find(Text(Tx::Dl2BadInterval)), std::string::npos) << dt;
    test::DL2Times backwards = t;
    backwards.day = 5;  // final 03/01 before the start 03/05
    EXPECT_EQ(refusal({l1, dl2Line2(backwards, "1", "cm", 3), dl2BurstHeader(3, 5, 12, 0), values,
                       dl2BurstHeader(3, 5, 12, 30)}),
              Text(Tx::Dl2FinalBeforeStart));
    test::DL2Times long_ = t;
    long_.finalMonth = 4;  // a month of one-minute bursts
    EXPECT_EQ(refusal({l1, dl2Line2(long_, "1", "cm", 3), burst0, values, dl2BurstHeader(3, 1, 12, 1)}),
              Text(Tx::ImportTooManyBursts));

    EXPECT_EQ(refusal({}), "フォーマットが違います。");
    EXPECT_EQ(refusal({l1}), "フォーマットが違います。");
    EXPECT_THROW(ReadDL2Header(dir.file("missing.txt")), IoError);
}

TEST_F(DL2Test, CurrentPairsBecomeNorthAndEastComponents) {
    test::DL2Times t{2004, 3, 1, 12, 0, 3, 1, 12, 30};
    std::vector<std::string> l{dl2Line1("S", "T", "L", "CURRENT"), dl2Line2(t, "1", "cm/s", 7),
                               dl2BurstHeader(3, 1, 12, 0)};
    append(l, dl2CurrentLines({{900, 50}, {0, 100}, {3601, 50}, {1800, 9999}, {2700, 40000}, {450, 0}, {900, 50}}));
    l[3].replace(25, 5, "   --");  // the speed of a bad direction is not read
    l.push_back(dl2BurstHeader(3, 1, 12, 30));
    append(l, dl2CurrentLines(std::vector<std::pair<int, int>>(7, {0, 10})));
    load(l);
    ASSERT_EQ(h.LinesPerBurst, 2);

    EXPECT_EQ(convert(), DL2Outcome::Completed);
    result.open(out);
    ASSERT_EQ(result.Iterations, 2);
    // east 50; north 100; bad direction; missing speed; west beyond 16 bits; calm; the second line's pair
    EXPECT_EQ(result.samples(0, 0), (std::vector<int>{0, 100, E, E, 0, 0, 0}));
    EXPECT_EQ(result.samples(0, 1), (std::vector<int>{50, 0, E, E, E, 0, 50}));
    EXPECT_EQ(result.samples(1, 0), std::vector<int>(7, 10));
    EXPECT_EQ(result.samples(1, 1), std::vector<int>(7, 0));
    EXPECT_EQ(prompter.lastText(), "1個のデータを欠測値に変換しました。");

    // The declination is subtracted from the compass bearing.
    prompter.shown.clear();
    EXPECT_EQ(convert(7.5), DL2Outcome::Completed);
    result.open(out);
    EXPECT_EQ(result.samples(0, 0)[0], 7);  // 50 cos 82.5
    EXPECT_EQ(result.samples(0, 1)[0], 50);
    EXPECT_EQ(result.samples(0, 0)[1], 99);  // 100 cos -7.5
    EXPECT_EQ(result.samples(0, 1)[1], -13);
}

TEST_F(DL2Test, OtherKindsStoreTheValuesWithMissingMarks) {
    std::vector<int> first{0, 1, 2, 9999, 4, 40000, 32767, 7, 8, 9, 10, 11, 12};
    std::vector<int> second(13);
    for (int i = 0; i < 13; ++i) second[static_cast<std::size_t>(i)] = 100 + i;
    load(hourlyValues(13, {first, second}));
    EXPECT_EQ(convert(45), DL2Outcome::Completed);  // the declination does not touch other kinds
    result.open(out);
    EXPECT_EQ(result.Iterations, 2);  // the file ends before the 13 bursts the times give
    EXPECT_EQ(result.samples(0, 0), (std::vector<int>{0, 1, 2, E, 4, E, 32767, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(result.samples(1, 0), second);
    EXPECT_EQ(prompter.lastText(), "1個のデータを欠測値に変換しました。");
}

// A file that ends before the bursts its times give is in OtherKindsStoreTheValuesWithMissingMarks,
// one that ends inside a burst in AFileEndingInsideABurstKeepsTheCompleteSamples.
TEST_F(DL2Test, ProgressAndCancel) {
    // Cancel once the second burst has begun: it is still written, then the run stops.
    load(yearEndCurrent(7, 3, 900));
    progress.cancelAfter = 2;  // Start reports 0 % too
    EXPECT_EQ(convert(), DL2Outcome::Cancelled);
    EXPECT_EQ(progress.titles, std::vector<std::string>{"ただ今、データの変換中！"});
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 0, 33}));
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(progress.comment, "2003/01/01 00:00:00");  // burst times keep the start year
    EXPECT_TRUE(prompter.shown.empty());
    result.open(out);
    ASSERT_EQ(result.Iterations, 2);
    EXPECT_EQ(result.samples(1, 1), std::vector<int>(7, 2));
}

TEST_F(DL2Test, ABadDataLineStopsTheRunKeepingEarlierBursts) {
    auto lines = hourlyValues(13, {std::vector<int>(13, 1), std::vector<int>(13, 2), std::vector<int>(13, 3)});
    lines[6].replace(10, 5, "  1.5");  // second burst, first line, third value
    load(lines);
    EXPECT_EQ(convert(), DL2Outcome::Failed);
    EXPECT_EQ(prompter.lastText(), "'1.5' は整数ではありません。（7行目、11-15桁）");
    EXPECT_FALSE(progress.visible);
    result.open(out);
    ASSERT_EQ(result.Iterations, 1);
    EXPECT_EQ(result.samples(0, 0), std::vector<int>(13, 1));

    // A header the data cannot fill is refused before any burst: the output
    // of the run before stays as it was.
    load(hourlyValues(13, {std::vector<int>(13, 1), std::vector<int>(13, 2)}));
    SetDL2SDFHeader(h, model);
    ASSERT_TRUE(save.ExecuteSave(0));
    model.SampleSize = 20;
    EXPECT_EQ(ConvertDL2Bursts(h, 0, services), DL2Outcome::Failed);
    result.open(out);
    EXPECT_EQ(result.Iterations, 1);
    EXPECT_EQ(result.samples(0, 0), std::vector<int>(13, 1));
}

TEST_F(DL2Test, AFileEndingInsideABurstKeepsTheCompleteSamples) {
    auto lines = yearEndCurrent(7, 2, 900);
    lines.pop_back();  // the line with the seventh pair
    const std::string whole = test::joinLines(lines);
    struct Case {
        const char* what;
        std::size_t cut;  // bytes taken off the end
        std::vector<int> last;
    };
    const Case cases[] = {{"after a whole line", 0, {2, 2, 2, 2, 2, 2, E}},
                          {"in the speed of the third pair", 2 + 33, {2, 2, E, E, E, E, E}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string p = dir.file("in.txt");
        test::writeText(p, whole.substr(0, whole.size() - c.cut));
        h = ReadDL2Header(p);
        prompter.shown.clear();
        EXPECT_EQ(convert(), DL2Outcome::Completed);
        EXPECT_EQ(prompter.lastText(),
                  "ファイルが途中で終わっています。\n3 バースト中 2 バーストを変換しました。\n"
                  "最後のバーストの不足分は欠測値にしました。");
        result.open(out);
        ASSERT_EQ(result.Iterations, 2);
        EXPECT_EQ(result.samples(1, 1), c.last);
        EXPECT_EQ(result.samples(0, 1), std::vector<int>(7, 1));
    }
}

}  // namespace
}  // namespace brine
