#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "base/rounding.h"
#include "platform/api/scripted.h"
#include "tools/link_fixtures.h"
#include "tools/link_set.h"

namespace brine {
namespace {

using test::Channel;
using test::FileSpec;
using test::hours;
using test::ReadBack;
using test::seconds;

constexpr std::int16_t E = ErrorData;

// Counts that tell which file, burst, channel and sample they came from.
std::function<std::int16_t(int, int, int)> burstCounts(int tag) {
    return [tag](int b, int ch, int j) { return static_cast<std::int16_t>(tag * 10000 + b * 100 + ch * 10 + j); };
}
std::function<std::int16_t(int, int, int)> sampleCounts(int tag) {
    return [tag](int, int ch, int j) { return static_cast<std::int16_t>(tag * 10000 + ch * 1000 + j); };
}

class Link : public ::testing::Test {
protected:
    void SetUp() override {
        set.prompter = &prompter;
        set.progress = &progress;
    }
    std::string file(const std::string& name, const FileSpec& spec) {
        std::string path = dir.file(name);
        test::writeFile(path, spec);
        return path;
    }
    // Hourly bursts of 4 samples at 1 s, two interval channels and one burst channel.
    FileSpec day(int tag, double startHours, int bursts = 24) {
        FileSpec s;
        s.bursts = bursts;
        s.burst = {Channel{"Hs", "m"}};
        s.start += hours(startHours);
        s.count = burstCounts(tag);
        return s;
    }
    // One burst of 1 s samples.
    FileSpec interval(int tag, double startSeconds, int samples) {
        FileSpec s;
        s.samples = samples;
        s.start += seconds(startSeconds);
        s.count = sampleCounts(tag);
        return s;
    }
    LinkPlan plan(SaveStep expected = SaveStep::Proceed) {
        LinkPlan p;
        EXPECT_EQ(set.PrepareSave(std::to_string(set.RefBInt), set.RefBITUnit, p), expected);
        return p;
    }
    void yes(int n = 1) {
        for (int i = 0; i < n; ++i) prompter.answer(MsgResult::Yes);
    }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    LinkSet set{model};
};

TEST_F(Link, BurstFilesOfConsecutiveDaysFollowEachOtherAndAMissingDayIsMissing) {
    std::string d1 = file("d1.sdf", day(1, 0)), d2 = file("d2.tsd", day(2, 24)), d3 = file("d3.sdf", day(3, 48));
    ASSERT_TRUE(set.AddFilesSorted({d3, d1, d2}));  // bursts join bursts without a question
    EXPECT_EQ(set.FileNames, (std::vector<std::string>{d1, d2, d3}));
    EXPECT_EQ(set.FileOffset, (std::vector<std::int32_t>{0, 24, 48}));
    EXPECT_EQ(set.TotalBursts, 72);
    EXPECT_TRUE(prompter.shown.empty());

    std::string out = dir.file("out.sdf");
    EXPECT_EQ(set.LinkFiles(out, "linked", plan()), LinkOutcome::Done);
    EXPECT_EQ(prompter.lastText(), "連結ファイルを保存しました。");

    ReadBack r(out);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(TrimRightControl(r.m.Memo), "linked");
    EXPECT_EQ(r.m.Iterations, 72);
    EXPECT_EQ(r.m.StartTime, day(1, 0).start);
    // Header block, channel block, then 72 records of (4 x 2 + 1) counts.
    EXPECT_EQ(set.HeaderBlocks, 2u);
    EXPECT_EQ(set.RecordBytes, 18u);
    EXPECT_EQ(std::filesystem::file_size(out), 2u * 256 + 72u * 18);
    using Burst = std::vector<std::vector<std::int16_t>>;
    EXPECT_EQ(r.burst(0), (Burst{{10000, 10001, 10002, 10003}, {10010, 10011, 10012, 10013}, {10019}}));
    EXPECT_EQ(r.burst(30), (Burst{{20600, 20601, 20602, 20603}, {20610, 20611, 20612, 20613}, {20619}}));
    EXPECT_EQ(r.burst(71)[1][3], 32313);

    // Without the middle day its bursts are missing values.
    set.Clear();
    ASSERT_TRUE(set.AddFilesSorted({d1, d3}));
    std::string gap = dir.file("gap.sdf");
    ASSERT_EQ(set.LinkFiles(gap, "", plan()), LinkOutcome::Done);
    ReadBack g(gap);
    EXPECT_EQ(g.m.Iterations, 72);
    for (int b : {24, 35, 47}) EXPECT_EQ(g.burst(b), (Burst{{E, E, E, E}, {E, E, E, E}, {E}})) << b;
    EXPECT_EQ(g.burst(48)[0][0], 30000);
}

TEST_F(Link, AnOutputMostlyOfGapsIsAskedAboutBeforeItIsWritten) {
    // Two days a year apart: 8784 bursts for the 48 the files hold.
    std::string d1 = file("d1.sdf", day(1, 0)), d2 = file("d2.sdf", day(2, 24 * 365));
    ASSERT_TRUE(set.AddFilesSorted({d1, d2}));
    prompter.answer(MsgResult::No);
    plan(SaveStep::Stay);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);
    EXPECT_EQ(prompter.lastText(), "連結後のバースト数は8784個になります。\n日付に誤りがないか確認して下さい。\n連結しますか。");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"d1.sdf", "d2.sdf"}));
    yes();
    EXPECT_EQ(plan().bursts, 8784);
}

TEST_F(Link, ATextFarLargerThanItsFilesIsAskedAboutBeforeItIsWritten) {
    // Burst channels only, 512 bursts of 163 840 samples in 1 536 bytes a
    // file: as text, 336 MB of empty sample lines.
    auto bursts = [&](int tag, int firstBurst) {
        FileSpec s = day(tag, 48.0 * firstBurst, 512);
        s.interval.clear();
        s.samples = 163840;
        s.bInt = 2;
        s.bitUnit = 5;  // days
        return s;
    };
    std::string a = file("a.sdf", bursts(1, 0)), b = file("b.sdf", bursts(2, 512));
    ASSERT_TRUE(set.AddFilesSorted({a, b}));
    const LinkPlan p = plan();
    ASSERT_TRUE(prompter.shown.empty());
    std::string out = dir.file("out.tsd");
    test::writeText(out, "old");
    prompter.answer(MsgResult::No);
    EXPECT_EQ(set.LinkFiles(out, "", p), LinkOutcome::Refused);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);
    EXPECT_EQ(prompter.lastText(),
              "出力ファイルは約336MBになります。\n" + out + "\nサンプル数とバースト数に誤りがないか確認して下さい。\n連結しますか。");
    EXPECT_EQ(std::filesystem::file_size(out), 3u);  // "old"
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.sdf", "b.sdf", "out.tsd"}));

    // As SDF the same bursts take 4 KiB, and nothing is asked.
    std::string sdf = dir.file("out.sdf");
    EXPECT_EQ(set.LinkFiles(sdf, "", p), LinkOutcome::Done);
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(sdf), 512u + 1024 * 2);
}

TEST_F(Link, OverlapsKeepWhatWasWrittenFirstAndLateFilesStillFillTheirPlace) {
    std::string a = file("a.sdf", day(1, 0)), b = file("b.sdf", day(2, 18));
    ASSERT_TRUE(set.AddFilesSorted({b, a}));
    EXPECT_EQ(set.FileOffset[1], 18);
    EXPECT_EQ(set.TotalBursts, 42);
    std::string out = dir.file("out.sdf");
    ASSERT_EQ(set.LinkFiles(out, "", plan()), LinkOutcome::Done);
    ReadBack r(out);
    EXPECT_EQ(r.m.Iterations, 42);
    EXPECT_EQ(r.burst(23)[0][0], 12300);  // the first file's last burst
    EXPECT_EQ(r.burst(24)[0][0], 20600);  // the second file's seventh
    EXPECT_EQ(r.burst(41)[0][0], 22300);

    // Days 1 and 3 first, day 2 added afterwards: day 2 is not lost behind the gap.
    set.Clear();
    std::string d1 = file("d1.sdf", day(1, 0)), d2 = file("d2.sdf", day(2, 24)), d3 = file("d3.sdf", day(3, 48));
    ASSERT_TRUE(set.AddFile(d1));
    ASSERT_TRUE(set.AddFile(d3));
    ASSERT_TRUE(set.AddFile(d2));
    std::string late = dir.file("late.tsd");
    ASSERT_EQ(set.LinkFiles(late, "", plan()), LinkOutcome::Done);
    ReadBack l(late);
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.m.Iterations, 72);
    for (int b : {0, 24, 48}) EXPECT_EQ(l.burst(b)[0][0], (b / 24 + 1) * 10000) << b;
}

TEST_F(Link, AFileOffTheBurstGridIsRefusedOutsideTheTolerance) {
    std::string a = file("a.sdf", day(1, 0)), off = file("off.sdf", day(2, 24 + 40.0 / 60));
    ASSERT_TRUE(set.AddFile(a));
    EXPECT_FALSE(set.AddFile(off));  // 24 2/3 bursts: 1/3 off the grid
    EXPECT_EQ(prompter.lastText(), "記録同時性許容範囲外です。\n連結できません。");
    EXPECT_EQ(set.FileCount, 1);
    EXPECT_EQ(set.ChannelMap.size(), 1u);

    set.ToleranceText = "abc";
    EXPECT_FALSE(set.AddFile(off));
    EXPECT_EQ(set.FileCount, 1);

    set.ToleranceText = "50";
    ASSERT_TRUE(set.AddFile(off));
    EXPECT_EQ(set.FileOffset[1], 25);
    EXPECT_EQ(set.TotalBursts, 49);
}

TEST_F(Link, IntervalFilesBecomeOneLongBurstWithTheGapMissing) {
    std::string a = file("a.sdf", interval(1, 0, 600)), b = file("b.tsd", interval(2, 900, 600));
    ASSERT_TRUE(set.AddFilesSorted({a, b}));
    EXPECT_TRUE(set.IntervalOnly);
    EXPECT_EQ(set.FileOffset[1], 900);
    EXPECT_TRUE(prompter.shown.empty());

    yes();  // save in interval mode
    LinkPlan p = plan();
    EXPECT_EQ(prompter.lastText(), "インターバル記録方式で保存します。\nよろしいですか。");
    EXPECT_TRUE(p.intervalMode);
    EXPECT_EQ(p.sampleSize, 1500);
    std::string out = dir.file("out.sdf");
    progress.percents.clear();
    ASSERT_EQ(set.LinkFiles(out, "", p), LinkOutcome::Done);
    // The percentage of the rows written, the gap's included, each value as it comes.
    std::vector<int> percents{0};
    for (long long k = 1; k <= 1500; ++k)
        if (int v = RoundHalfEven(static_cast<long double>(k) * 100 / 1500); v != percents.back()) percents.push_back(v);
    EXPECT_EQ(progress.percents, percents);
    ReadBack r(out);
    EXPECT_EQ(r.m.Iterations, 1);
    EXPECT_EQ(r.m.SampleSize, 1500);
    auto data = r.burst(0);
    ASSERT_EQ(data.size(), 2u);
    EXPECT_EQ(data[1][599], 11599);
    for (int j : {600, 750, 899}) EXPECT_EQ(data[0][static_cast<std::size_t>(j)], E) << j;
    EXPECT_EQ(data[0][900], 20000);
    EXPECT_EQ(data[1][1499], 21599);

    // The same as text: one block, the gap as "=".
    std::string text = dir.file("out.tsd");
    ASSERT_EQ(set.LinkFiles(text, "", p), LinkOutcome::Done);
    std::vector<std::string> lines;
    std::string all = test::readText(text);
    for (std::size_t at = 0, nl; (nl = all.find("\r\n", at)) != std::string::npos; at = nl + 2)
        lines.push_back(all.substr(at, nl - at));
    ASSERT_EQ(lines.size(), 12u + 1 + 1500);
    EXPECT_EQ(lines[12], "No.1");
    EXPECT_EQ(lines[13], "5001,5501");           // 10000 x 0.5 + 1, 11000 x 0.5 + 1
    EXPECT_EQ(lines[13 + 600], "=,=");
    EXPECT_EQ(lines[13 + 900], "10001,10501");
    ReadBack t(text);
    EXPECT_EQ(t.burst(0), data);

    // A cancel is seen as soon as a percentage has been shown.
    progress.percents.clear();
    progress.cancelAfter = 50;
    EXPECT_EQ(set.LinkFiles(out, "", p), LinkOutcome::Cancelled);
    EXPECT_EQ(progress.percents, std::vector<int>(percents.begin(), percents.begin() + 51));
}

TEST_F(Link, AnIntervalLinkLeavesOutTheBurstDataOfAFileWhenTheUserAgrees) {
    FileSpec bursty = day(2, 0, 2);  // two bursts and a burst channel
    bursty.start = interval(2, 4, 4).start;
    FileSpec later = bursty;
    later.start += seconds(4);
    std::string a = file("a.sdf", interval(1, 0, 4)), b = file("b.sdf", bursty), c = file("c.sdf", later);
    ASSERT_TRUE(set.AddFile(a));
    yes();
    ASSERT_TRUE(set.AddFile(b));
    EXPECT_EQ(prompter.lastText(), "このファイルにはバースト記録データがあります。\nバースト記録データを無視しますか。");
    EXPECT_EQ(prompter.shown.back().type, MsgType::Warning);
    EXPECT_EQ(set.RefNch2, 0);
    EXPECT_EQ(set.ChannelMap[1], (std::vector<std::uint16_t>{0, 1}));
    EXPECT_EQ(set.FileIterations[1], 1);
    EXPECT_DOUBLE_EQ(set.LastTime, bursty.start + seconds(3));
    prompter.answer(MsgResult::No);
    EXPECT_FALSE(set.AddFile(c));
    EXPECT_EQ(set.FileCount, 2);

    yes();  // save in interval mode
    LinkPlan p = plan();
    EXPECT_EQ(prompter.lastText(), "インターバル記録方式で保存します。\nよろしいですか。");
    EXPECT_TRUE(p.intervalMode);
    EXPECT_EQ(p.sampleSize, 8);
    std::string out = dir.file("out.sdf");
    ASSERT_EQ(set.LinkFiles(out, "", p), LinkOutcome::Done);
    ReadBack r(out);
    EXPECT_EQ(r.m.Nch2, 0);
    EXPECT_EQ(r.m.Iterations, 1);
    EXPECT_EQ(r.burst(0), (std::vector<std::vector<std::int16_t>>{{10000, 10001, 10002, 10003, 20000, 20001, 20002, 20003},
                                                                  {11000, 11001, 11002, 11003, 20010, 20011, 20012, 20013}}));
}

TEST_F(Link, ChannelsAreMatchedByNameUnitAndScale) {
    FileSpec first = interval(1, 0, 4);
    first.interval = {{"u"}, {"v"}, {"w"}, {"u"}};  // a channel recorded twice keeps both places
    FileSpec second = interval(2, 4, 4);
    second.interval = {{"w"}, {"u"}, {"u"}};  // lacks v
    FileSpec third = interval(3, 8, 4);
    third.interval = {{"u"}, {"v"}, {"w"}, {"u"}, {"x"}};  // brings x
    FileSpec scaled = interval(4, 12, 4);
    scaled.interval = {{"u", "cm", 0.25f}, {"v"}, {"w"}, {"u"}};
    std::string a = file("a.sdf", first), b = file("b.sdf", second), c = file("c.tsd", third), d = file("d.sdf", scaled);

    ASSERT_TRUE(set.AddFile(a));
    yes();  // other channel count
    ASSERT_TRUE(set.AddFile(b));
    EXPECT_EQ(set.ChannelMap[1], (std::vector<std::uint16_t>{1, kNoChannel, 0, 2}));
    yes(2);  // other channel count, drop x
    ASSERT_TRUE(set.AddFile(c));
    EXPECT_EQ(prompter.lastText(), "一致する項目がありません。\nxは保存されません。\nよろしいですか。");
    EXPECT_EQ(set.ChannelMap[2], (std::vector<std::uint16_t>{0, 1, 2, 3}));
    // A channel of another scale does not match; answering No refuses the file.
    prompter.answer(MsgResult::No);
    EXPECT_FALSE(set.AddFile(d));
    EXPECT_EQ(set.FileCount, 3);
    EXPECT_EQ(set.ChannelMap.size(), 3u);

    yes();
    LinkPlan p = plan();
    ASSERT_EQ(p.sampleSize, 12);
    std::string out = dir.file("out.sdf");
    ASSERT_EQ(set.LinkFiles(out, "", p), LinkOutcome::Done);
    ReadBack r(out);
    auto data = r.burst(0);
    ASSERT_EQ(data.size(), 4u);
    EXPECT_EQ(data[0][4], 21000);  // u from the second file's channel 1
    EXPECT_EQ(data[1][4], E);      // v is missing there
    EXPECT_EQ(data[2][4], 20000);
    EXPECT_EQ(data[3][4], 22000);
    EXPECT_EQ(data[2][8], 32000);

    std::string text = dir.file("out.tsd");
    ASSERT_EQ(set.LinkFiles(text, "", p), LinkOutcome::Done);
    std::string all = test::readText(text);
    EXPECT_NE(all.find("\r\n10501,=,10001,11001\r\n"), std::string::npos);
}

TEST_F(Link, BurstChannelsJoinByName) {
    FileSpec first = day(1, 0, 2);
    FileSpec second = day(2, 2, 2);
    second.burst = {Channel{"Tp", "s"}, Channel{"Hs", "m"}};
    FileSpec other = day(3, 4, 2);
    other.burst = {Channel{"Hs", "cm"}};
    std::string a = file("a.sdf", first), b = file("b.sdf", second), c = file("c.sdf", other);
    ASSERT_TRUE(set.AddFile(a));
    ASSERT_TRUE(set.AddFile(b));
    EXPECT_EQ(set.RefNch2, 2);
    EXPECT_EQ(set.RefChannelName[3], "Tp");
    EXPECT_EQ(set.ChannelMap[0], (std::vector<std::uint16_t>{0, 1, 0, kNoChannel}));
    EXPECT_EQ(set.ChannelMap[1], (std::vector<std::uint16_t>{0, 1, 1, 0}));
    EXPECT_FALSE(set.AddFile(c));
    EXPECT_EQ(prompter.lastText(), "バースト記録項目が異なります。");
    EXPECT_EQ(set.RefNch2, 2);

    std::string out = dir.file("out.sdf");
    ASSERT_EQ(set.LinkFiles(out, "", plan()), LinkOutcome::Done);
    ReadBack r(out);
    EXPECT_EQ(r.m.Nch2, 2);
    EXPECT_EQ(r.m.ChannelUnit[3], "s");
    EXPECT_EQ(r.burst(1)[3], (std::vector<std::int16_t>{E}));      // Tp: the first file has none
    EXPECT_EQ(r.burst(2)[2], (std::vector<std::int16_t>{20029}));  // Hs: second file's channel 1
    EXPECT_EQ(r.burst(2)[3], (std::vector<std::int16_t>{20019}));
}

TEST_F(Link, RefusalsSayWhyAndLeaveTheSetAsItWas) {
    std::string a = file("a.sdf", day(1, 0)), same = file("same.tsd", day(2, 0));
    EXPECT_FALSE(set.AddFilesSorted({a, same}));
    EXPECT_EQ(prompter.lastText(), a + "と" + same + "\nの計測開始時刻は同じです。");
    EXPECT_EQ(set.FileCount, 0);

    ASSERT_TRUE(set.AddFile(dir.file("a.sdf")));
    struct Case {
        FileSpec spec;
        std::string message;
    };
    FileSpec earlier = day(2, -24);
    FileSpec samples = day(2, 24);
    samples.samples = 5;
    FileSpec sampling = day(2, 24);
    sampling.sInt = 2;
    FileSpec burstInterval = day(2, 24);
    burstInterval.bInt = 2;
    FileSpec shortInterval = day(2, 24);
    shortInterval.bInt = 2;
    shortInterval.bitUnit = 2;  // 2 s between bursts of 4 s
    std::vector<Case> cases{
        {earlier, "計測開始時刻は2020/04/30 00:00:00です。\n時刻の古いファイルから順に読み込んで下さい。"},
        {samples, "サンプル数が異なります。"},
        {sampling, "サンプリング時間間隔が異なります。"},
        {burstInterval, "バースト時間間隔が異なります。"},
        {shortInterval, "のバースト記録時間間隔が短すぎます。\n修正してから連結して下さい。"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_FALSE(set.AddFile(file("r" + std::to_string(i) + ".sdf", cases[i].spec))) << i;
        EXPECT_NE(prompter.lastText().find(cases[i].message), std::string::npos) << prompter.lastText();
    }
    EXPECT_TRUE(prompter.showedText("\"" + dir.file("r4.sdf") + "\"のバースト記録時間間隔"));

    // Declining a question refuses too.
    FileSpec fewer = day(2, 24);
    fewer.interval = {{"u"}};
    std::string f = file("fewer.sdf", fewer);
    prompter.answer(MsgResult::No);
    EXPECT_FALSE(set.AddFile(f));
    EXPECT_EQ(prompter.lastText(), "チャンネル数が異なりますが，\n連結しますか。");

    // Files that are no time series, or damaged ones.
    test::writeText(dir.file("notes.txt"), "hello");
    EXPECT_FALSE(set.AddFile(dir.file("notes.txt")));
    std::vector<unsigned char> bytes = test::readAll(dir.file("a.sdf"));
    bytes.resize(300);
    test::writeAll(dir.file("cut.sdf"), bytes);
    EXPECT_FALSE(set.AddFile(dir.file("cut.sdf")));
    EXPECT_EQ(prompter.lastText(), "フォーマットが違います。");

    EXPECT_EQ(set.FileCount, 1);
    EXPECT_EQ(set.ChannelMap.size(), 1u);
    EXPECT_EQ(set.TotalBursts, 24);
}

TEST_F(Link, SingleBurstFilesSavedInBurstsArePlacedByTheBurstInterval) {
    std::string a = file("a.sdf", interval(1, 0, 4)), b = file("b.sdf", interval(2, 3600, 4)),
                c = file("c.sdf", interval(3, 3 * 3600, 4));
    ASSERT_TRUE(set.AddFilesSorted({a, b, c}));
    EXPECT_EQ(set.FileOffset, (std::vector<std::int32_t>{0, 3600, 10800}));

    // A burst interval shorter than a burst is sent back to the user.
    LinkPlan p;
    prompter.answer(MsgResult::No);
    EXPECT_EQ(set.PrepareSave("2", 2, p), SaveStep::BurstIntervalShort);
    EXPECT_EQ(prompter.lastText(), "バースト記録時間間隔が短すぎます。\n修正してから連結して下さい。");

    prompter.answer(MsgResult::No);
    ASSERT_EQ(set.PrepareSave("1", 4, p), SaveStep::Proceed);
    EXPECT_FALSE(p.intervalMode);
    EXPECT_EQ(p.offsets, (std::vector<std::int32_t>{0, 1, 3}));
    EXPECT_EQ(p.bursts, 4);
    std::string out = dir.file("out.sdf");
    ASSERT_EQ(set.LinkFiles(out, "", p), LinkOutcome::Done);
    ReadBack r(out);
    EXPECT_EQ(r.m.Iterations, 4);
    EXPECT_EQ(r.m.SampleSize, 4);
    EXPECT_EQ(r.m.BInt, 1);
    EXPECT_EQ(r.m.BITUnit, 4);
    EXPECT_EQ(r.burst(1)[0][0], 20000);
    EXPECT_EQ(r.burst(2)[1], (std::vector<std::int16_t>{E, E, E, E}));
    EXPECT_EQ(r.burst(3)[1][3], 31003);

    // Bursts of another length cannot share the output's records.
    std::string d = file("d.sdf", interval(4, 4 * 3600, 5));
    ASSERT_TRUE(set.AddFile(d));
    prompter.answer(MsgResult::No);
    EXPECT_EQ(set.PrepareSave("1", 4, p), SaveStep::Stay);
    EXPECT_EQ(prompter.lastText(), "サンプル数が異なります。\n" + d);
}

TEST_F(Link, CancelAndFailuresLeaveTheTargetAsItWas) {
    std::string a = file("a.sdf", day(1, 0)), b = file("b.sdf", day(2, 24));
    ASSERT_TRUE(set.AddFilesSorted({a, b}));
    std::string out = dir.file("out.sdf");
    test::writeText(out, "old");
    const auto before = dir.names();

    progress.cancelAfter = 30;
    EXPECT_EQ(set.LinkFiles(out, "", plan()), LinkOutcome::Cancelled);
    EXPECT_EQ(test::readText(out), "old");
    EXPECT_EQ(dir.names(), before);
    EXPECT_FALSE(prompter.showedText("連結ファイルを保存しました。"));
    EXPECT_FALSE(progress.visible);

    // The second file lost its last bursts after it was added.
    progress.cancelAfter = -1;
    std::vector<unsigned char> bytes = test::readAll(b);
    bytes.resize(bytes.size() - 18);
    test::writeAll(b, bytes);
    EXPECT_EQ(set.LinkFiles(out, "", plan()), LinkOutcome::Failed);
    EXPECT_EQ(prompter.lastText(), "データの読み込みでエラーが発生しました。\n修正してから連結して下さい。\n" + b);
    EXPECT_EQ(test::readText(out), "old");
    EXPECT_EQ(dir.names(), before);

    // An input is never the target, however it is spelled.
    std::string spelled = (dir.path() / "." / "a.sdf").string();
    EXPECT_EQ(set.LinkFiles(spelled, "", plan()), LinkOutcome::Refused);
    EXPECT_EQ(prompter.lastText(), "連結するファイルには保存できません。\n" + spelled);
    EXPECT_FALSE(prompter.showedText("連結ファイルを保存しました。"));
    EXPECT_EQ(dir.names(), before);
}

}  // namespace
}  // namespace brine
