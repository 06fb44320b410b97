// The merge without a window: which files join, where their samples land on
// the first file's grid, the output's channel table and layout, refusals.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/rounding.h"
#include "core/current_file.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"
#include "tools/merge_combine.h"
#include "tools/merge_set.h"
#include "tools/merge_files.h"

namespace brine {
namespace {

using test::at;
using test::InputLayout;

class MergeTest : public ::testing::Test {
protected:
    std::string input(const std::string& name, const InputLayout& layout) {
        std::string p = dir.file(name);
        test::writeInput(p, layout);
        return p;
    }
    bool add(const std::string& path) { return set.AddFile(path, model, prompter); }
    MergeSettings settings(const std::string& target, double tol = 0.1) {
        MergeSettings s;
        s.TargetFile = dir.file(target);
        s.Tol = tol;
        s.Memo = "merged";
        DefaultChannels(set, s);
        return s;
    }
    bool combine(const MergeSettings& s) { return CombineFiles(set, s, model, prompter, progress); }
    bool combine(const std::string& target, double tol = 0.1) { return combine(settings(target, tol)); }
    std::vector<test::Burst> output(const std::string& target) { return test::readOutput(dir.file(target), out); }

    test::TempDir dir;
    CurrentFile model, out;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    MergeSet set;
};

TEST_F(MergeTest, HalfSecondLaterSamplesLandOnlyWithinTheTolerance) {
    InputLayout a;
    a.sampleSize = 600;
    a.prefix = "a";
    InputLayout b = a;
    b.prefix = "b";
    b.start = at(12, 0, 0, 500);
    ASSERT_TRUE(add(input("a.sdf", a)));
    prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(add(input("b.sdf", b)));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "計測開始時刻（2024/05/01 12:00:00）が異なります。\n結合しますか。");
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);

    ASSERT_TRUE(combine("tol01.sdf", 0.1));
    auto bursts = output("tol01.sdf");
    ASSERT_EQ(bursts.size(), 1u);
    for (int k = 0; k < 600; ++k) {
        ASSERT_EQ(bursts[0].data[0][k], a.value(0, k, 0)) << k;
        ASSERT_EQ(bursts[0].data[1][k], ErrorData) << k;
    }

    // Halves round away from zero: sample s goes to s + 1.
    ASSERT_TRUE(combine("tol06.sdf", 0.6));
    bursts = output("tol06.sdf");
    EXPECT_EQ(bursts[0].data[1][0], ErrorData);
    for (int k = 1; k < 600; ++k) ASSERT_EQ(bursts[0].data[1][k], b.value(0, k - 1, 0)) << k;
}

TEST_F(MergeTest, CoarserLaterFileFillsEveryOtherSampleAndLeavesTheRestMissing) {
    InputLayout a;
    a.sampleSize = 600;
    InputLayout b;
    b.start = at(12, 0, 2);
    b.sInt = 2;
    b.sampleSize = 299;
    ASSERT_TRUE(add(input("a.sdf", a)));
    for (int i = 0; i < 3; ++i) prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(add(input("b.tsd", b)));
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[1].text, "サンプル数が異なりますが、結合しますか。");
    EXPECT_EQ(prompter.shown[2].text, "計測時間間隔が異なります。結合しますか。");

    progress.percents.clear();
    ASSERT_TRUE(combine("out.sdf"));
    auto bursts = output("out.sdf");
    ASSERT_EQ(out.SampleSize, 600);
    for (int k = 0; k < 600; ++k) {
        std::int16_t want = (k >= 2 && k % 2 == 0) ? b.value(0, (k - 2) / 2, 0) : ErrorData;
        ASSERT_EQ(bursts[0].data[1][k], want) << k;
    }
    // One burst goes by the samples of each file, each percentage shown as it comes.
    std::vector<int> percents{0, 0};
    for (int i = 0; i < 2; ++i)
        for (int k = 0, n = i == 0 ? 600 : 299; k < n; ++k)
            if (int v = RoundHalfEven((static_cast<long double>(k) / n + i) / 2 * 100); v != percents.back())
                percents.push_back(v);
    EXPECT_EQ(progress.percents, percents);
}

// Files that declare a million samples a burst but hold no burst: the output
// has none either, and its header keeps what they declare.
TEST_F(MergeTest, FilesOfNoBurstsGiveAnOutputWithoutBuffersForTheirSamples) {
    InputLayout none;
    none.iterations = 0;
    none.sampleSize = 1000000;
    ASSERT_TRUE(add(input("a.tsd", none)));
    ASSERT_TRUE(add(input("b.sdf", none)));
    ASSERT_TRUE(combine("out.sdf"));
    EXPECT_TRUE(output("out.sdf").empty());
    EXPECT_EQ(out.SampleSize, 1000000);
    EXPECT_EQ(std::filesystem::file_size(dir.file("out.sdf")), 512u);
    for (std::size_t ch = 0; ch < 2; ++ch) EXPECT_LE(model.Data[ch].size(), 1u) << ch;
}

TEST_F(MergeTest, LaterFileMustStartStrictlyInsideTheEarlierFirstBurst) {
    InputLayout a;
    a.sampleSize = 600;  // ten minutes
    ASSERT_TRUE(add(input("a.sdf", a)));

    InputLayout b = a;
    b.start = at(12, 10, 0);  // exactly one span later
    prompter.answer(MsgResult::Yes);
    EXPECT_FALSE(add(input("b.sdf", b)));
    EXPECT_EQ(prompter.lastText(), Text(Tx::MergeNoCommonPeriod));
    EXPECT_EQ(prompter.shown.back().type, MsgType::Error);

    b.start = at(12, 9, 59);
    prompter.answer(MsgResult::Yes);
    EXPECT_TRUE(add(input("b.sdf", b)));

    // Starting earlier: the first file must start inside the new file's span.
    InputLayout c = a;
    c.sampleSize = 50;
    c.start = at(11, 58, 20);  // 100 s before, span 50 s
    prompter.answer(MsgResult::Yes);
    EXPECT_FALSE(add(input("c.sdf", c)));
    EXPECT_EQ(prompter.lastText(), Text(Tx::MergeNoCommonPeriod));
    c.start = at(11, 59, 30);
    prompter.answer(MsgResult::Yes);
    prompter.answer(MsgResult::Yes);
    EXPECT_TRUE(add(input("c.sdf", c)));
    EXPECT_EQ(set.FileCount(), 3);
}

TEST_F(MergeTest, BurstFilesMustAgreeInTimingAndOnlyTheBurstCountAsks) {
    InputLayout a;
    a.iterations = 3;
    ASSERT_TRUE(add(input("a.sdf", a)));
    struct Case {
        const char* what;
        std::function<void(InputLayout&)> change;
        std::string message;
    };
    std::vector<Case> refused{
        {"start", [](InputLayout& s) { s.start = at(12, 0, 1); },
         "計測開始時刻（2024/05/01 12:00:01）が異なります。\nバースト記録方式では計測開始時刻は同じでなければ、結合できません。"},
        {"samples", [](InputLayout& s) { s.sampleSize = 12; },
         "サンプル数（12）が異なります。\nバースト記録方式ではサンプル数も同じでなければ、結合できません。"},
        {"sampling", [](InputLayout& s) { s.sitUnit = 1; },
         "計測時間間隔が異なります。\nバースト記録方式では計測時間間隔も同じでなければ、結合できません。"},
        {"burst interval", [](InputLayout& s) { s.bInt = 1; s.bitUnit = 3; },
         "バースト時間間隔が異なります。結合できません。"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.what);
        InputLayout b = a;
        c.change(b);
        EXPECT_FALSE(add(input("b.sdf", b)));
        EXPECT_EQ(prompter.lastText(), c.message);
        EXPECT_EQ(prompter.shown.back().type, MsgType::Error);
        EXPECT_EQ(set.FileCount(), 1);
    }

    InputLayout b = a;
    b.iterations = 2;
    prompter.answer(MsgResult::No);
    EXPECT_FALSE(add(input("b.sdf", b)));
    EXPECT_EQ(prompter.lastText(), "バースト観測回数が異なりますが、結合しますか。");
    prompter.answer(MsgResult::Yes);
    EXPECT_TRUE(add(input("b.sdf", b)));
    EXPECT_EQ(set.FileCount(), 2);
}

TEST_F(MergeTest, ChannelTablesJoinInOrderOfAddingAndEditsReachTheHeaderOnly) {
    InputLayout a;
    a.prefix = "a";
    a.nch = 3;
    a.nch2 = 1;
    a.iterations = 2;
    a.sampleSize = 4;
    InputLayout b = a;
    b.prefix = "b";
    b.nch = 2;
    b.nch2 = 2;
    b.a = 0.25f;
    b.value = [](int ch, int s, int bu) { return static_cast<std::int16_t>(-(ch * 100 + bu * 10 + s)); };
    ASSERT_TRUE(add(input("a.sdf", a)));
    ASSERT_TRUE(add(input("b.tsd", b)));
    EXPECT_EQ(set.TotalNch(), 5);
    EXPECT_EQ(set.TotalNch2(), 3);

    MergeSettings s = settings("out.sdf");
    s.IntervalChannels[3].name = "renamed";
    s.IntervalChannels[3].a = 2.5f;
    progress.cancelAfter = 0;  // the merge runs to its end once started
    ASSERT_TRUE(combine(s));
    EXPECT_EQ(progress.titles, std::vector<std::string>{Text(Tx::MergeProgress)});
    EXPECT_FALSE(progress.cancellable);
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 0, 50}));
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(prompter.lastText(), Text(Tx::MergeSaved));
    EXPECT_EQ(prompter.shown.back().type, MsgType::Information);

    auto bursts = output("out.sdf");
    ASSERT_EQ(bursts.size(), 2u);
    EXPECT_EQ(out.Nch, 5);
    EXPECT_EQ(out.Nch2, 3);
    EXPECT_EQ(TrimRightControl(out.Memo), "merged");
    EXPECT_EQ(out.StartTime, a.start);
    EXPECT_EQ(out.BInt, 60);
    std::vector<std::string> names;
    for (int k = 0; k < 8; ++k) names.push_back(out.ChannelName[static_cast<std::size_t>(k)]);
    EXPECT_EQ(names, (std::vector<std::string>{"a0", "a1", "a2", "renamed", "b1", "a3", "b2", "b3"}));
    EXPECT_EQ(out.ScaleA[3], 2.5f);
    EXPECT_EQ(out.ScaleA[4], 0.5f);   // b's second channel
    EXPECT_EQ(out.ScaleA[6], 0.75f);  // b's first burst channel
    for (int bu = 0; bu < 2; ++bu)
        for (int sIdx = 0; sIdx < 4; ++sIdx) {
            for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(bursts[bu].data[ch][sIdx], a.value(ch, sIdx, bu));
            for (int ch = 0; ch < 2; ++ch) EXPECT_EQ(bursts[bu].data[3 + ch][sIdx], b.value(ch, sIdx, bu));
        }
    EXPECT_EQ(bursts[1].burst,
              (std::vector<std::int16_t>{a.value(1000, 0, 1), b.value(1000, 0, 1), b.value(1001, 0, 1)}));
    EXPECT_EQ(model.SaveFileName, dir.file("out.sdf"));
}

TEST_F(MergeTest, TextOutputMarksMissingValuesWithEquals) {
    InputLayout a;
    a.sampleSize = 3;
    a.prefix = "a";
    InputLayout b = a;
    b.prefix = "b";
    b.start = at(12, 0, 1);
    ASSERT_TRUE(add(input("a.sdf", a)));
    prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(add(input("b.sdf", b)));
    ASSERT_TRUE(combine("out.tsd"));
    std::string text = test::readText(dir.file("out.tsd"));
    EXPECT_NE(text.find("\r\n2,0\r\n3\r\n0.5,0.5\r\n0,0\r\na0,b0\r\nu0,u0\r\nNo.1\r\n"), std::string::npos)
        << text;
    EXPECT_TRUE(text.ends_with("No.1\r\n0,=\r\n0.5,0\r\n1,0.5\r\n")) << text;
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.sdf", "b.sdf", "out.tsd"}));  // no temporary file left
}

TEST_F(MergeTest, BurstsAFileLacksOrCannotReadStayMissingAndAreReportedOnce) {
    InputLayout a;
    a.iterations = 3;
    a.sampleSize = 4;
    InputLayout shorter = a;
    shorter.iterations = 2;
    ASSERT_TRUE(add(input("a.sdf", a)));
    prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(add(input("shorter.sdf", shorter)));
    std::string text = input("text.tsd", a);
    std::string cut = input("cut.sdf", a);
    ASSERT_TRUE(add(text));
    ASSERT_TRUE(add(cut));
    // After adding, both files lose everything after their first burst:
    // changed since their headers were read, they are not read at all.
    std::string t = test::readText(text);
    test::writeText(text, t.substr(0, t.find("No.2")));
    std::filesystem::resize_file(cut, 512 + 8);

    std::size_t before = prompter.shown.size();
    ASSERT_TRUE(combine("out.sdf"));
    auto bursts = output("out.sdf");
    ASSERT_EQ(bursts.size(), 3u);
    auto missing = [](const std::vector<std::int16_t>& v) {
        return std::all_of(v.begin(), v.end(), [](std::int16_t c) { return c == ErrorData; });
    };
    // [burst][file]: the shorter file has no third burst, the changed ones none.
    const bool expected[3][4] = {{false, false, true, true}, {false, false, true, true}, {false, true, true, true}};
    for (int bu = 0; bu < 3; ++bu)
        for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(missing(bursts[bu].data[ch]), expected[bu][ch]) << bu << " " << ch;

    // One reader message for the text file, then one closing report.
    ASSERT_EQ(prompter.shown.size(), before + 2);
    EXPECT_EQ(prompter.shown[before].type, MsgType::Error);
    const std::string& report = prompter.shown.back().text;
    EXPECT_EQ(prompter.shown.back().type, MsgType::Warning);
    EXPECT_EQ(report.rfind(Text(Tx::MergeSavedSomeUnread), 0), 0u);
    EXPECT_NE(report.find(text), std::string::npos);
    EXPECT_NE(report.find(Text(Tx::FileChangedSinceRead, {cut})), std::string::npos) << report;
    EXPECT_EQ(report.find("shorter"), std::string::npos);
}

TEST_F(MergeTest, FilesThatCannotJoinAreRefusedWithTheirReason) {
    test::writeText(dir.file("v1.tsd"),
                    "Time Series Data Text Format Ver.1\r\nmemo\r\n2024/05/01 12:00:00\r\n1000\r\n2\r\n1\r\n0\r\n"
                    "x\r\nu\r\n1\r\n2\r\n");
    EXPECT_FALSE(add(dir.file("v1.tsd")));
    EXPECT_EQ(prompter.lastText(), Text(Tx::MergeTsdTooOld));

    test::writeText(dir.file("junk.sdf"), "not a time series");
    EXPECT_FALSE(add(dir.file("junk.sdf")));
    EXPECT_EQ(prompter.lastText(), Text(Tx::FormatWrong));

    InputLayout zero;
    zero.sInt = 0;
    EXPECT_FALSE(add(input("zero.sdf", zero)));
    EXPECT_EQ(prompter.lastText(), Text(Tx::MergeBadSamplingInterval));
    EXPECT_EQ(set.FileCount(), 0);

    // The output table holds 128 interval channels and 129 channels in all.
    InputLayout many;
    many.nch = 100;
    many.sampleSize = 2;
    ASSERT_TRUE(add(input("many.sdf", many)));
    InputLayout more = many;
    more.nch = 29;
    EXPECT_FALSE(add(input("more.sdf", more)));
    EXPECT_EQ(prompter.lastText(), Text(Tx::MergeTooManyChannels));
    more.nch = 28;
    more.nch2 = 2;
    EXPECT_FALSE(add(input("more.sdf", more)));
    more.nch2 = 1;
    EXPECT_TRUE(add(input("more.sdf", more)));
}

TEST_F(MergeTest, FailedMergesWriteNothingAndShowNoSuccess) {
    InputLayout a;
    ASSERT_TRUE(add(input("a.sdf", a)));
    ASSERT_TRUE(add(input("b.sdf", a)));
    test::writeText(dir.file("old.tsd"), "old");
    model.SaveFileName = "previous.sdf";
    auto refusedWith = [&](const MergeSettings& s, const std::string& message) {
        std::size_t before = prompter.shown.size();
        EXPECT_FALSE(combine(s));
        ASSERT_EQ(prompter.shown.size(), before + 1);
        EXPECT_EQ(prompter.shown.back().type, MsgType::Error);
        EXPECT_NE(prompter.lastText().find(message), std::string::npos) << prompter.lastText();
    };
    refusedWith(settings("out.txt"), "SDFファイル(*.sdf)かTSDファイル(*.tsd)に保存して下さい。");
    refusedWith(settings("out.sdf", 0), "許容誤差");
    MergeSettings noFolder = settings("out.sdf");
    noFolder.TargetFile = dir.file("missing/out.sdf");
    refusedWith(noFolder, "データの書き込みでエラーが発生しました。");
    // A text file cannot hold a zero scale: the old target stays as it was.
    MergeSettings zeroScale = settings("old.tsd");
    zeroScale.IntervalChannels[1].a = 0;
    refusedWith(zeroScale, "データの書き込みでエラーが発生しました。");
    EXPECT_EQ(test::readText(dir.file("old.tsd")), "old");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.sdf", "b.sdf", "old.tsd"}));
    EXPECT_EQ(model.SaveFileName, "previous.sdf");  // no burst writer points at a removed file
}

TEST_F(MergeTest, AnOutputFarLargerThanItsFilesIsAskedAboutFirst) {
    // Burst channels only, 1 024 bursts of 163 840 samples in 2 560 bytes a
    // file: as text 336 MB of empty sample lines, as SDF 4 608 bytes.
    InputLayout a;
    a.nch = 0;
    a.nch2 = 1;
    a.iterations = 1024;
    a.sampleSize = 163840;
    a.bInt = 2;
    a.bitUnit = 5;  // days
    ASSERT_TRUE(add(input("a.sdf", a)));
    a.prefix = "d";
    ASSERT_TRUE(add(input("b.sdf", a)));
    test::writeText(dir.file("old.tsd"), "old");
    prompter.answer(MsgResult::No);
    EXPECT_FALSE(combine("old.tsd"));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNoDefaultNo);
    EXPECT_EQ(prompter.lastText(), "出力ファイルは約336MBになります。\n" + dir.file("old.tsd") +
                                       "\nサンプル数とバースト数に誤りがないか確認して下さい。\n結合しますか。");
    EXPECT_EQ(std::filesystem::file_size(dir.file("old.tsd")), 3u);  // "old"
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.sdf", "b.sdf", "old.tsd"}));
    EXPECT_TRUE(progress.titles.empty());

    ASSERT_TRUE(combine("out.sdf"));
    EXPECT_EQ(prompter.shown.size(), 2u);  // the success message only
    EXPECT_EQ(std::filesystem::file_size(dir.file("out.sdf")), 512u + 1024 * 4);
    EXPECT_EQ(output("out.sdf").size(), 1024u);
}

// The first file starts between seconds: its own samples stay on the grid.
TEST_F(MergeTest, MergingIntoAnInputReplacesItOnlyAfterEverythingWasRead) {
    InputLayout a;
    a.iterations = 2;
    a.start = at(12, 0, 0, 700);
    ASSERT_TRUE(add(input("a.sdf", a)));
    ASSERT_TRUE(add(input("b.sdf", a)));
    // A second name: rewritten in place, once the merge has let its inputs go.
    std::filesystem::create_hard_link(dir.file("a.sdf"), dir.file("a-too.sdf"));
    ASSERT_TRUE(combine("a.sdf"));
    EXPECT_TRUE(std::filesystem::equivalent(dir.file("a.sdf"), dir.file("a-too.sdf")));
    auto bursts = output("a.sdf");
    ASSERT_EQ(bursts.size(), 2u);
    EXPECT_EQ(out.StartTime, a.start);
    for (int k = 0; k < a.sampleSize; ++k) {
        EXPECT_EQ(bursts[1].data[0][k], a.value(0, k, 1));
        EXPECT_EQ(bursts[1].data[1][k], a.value(0, k, 1));
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a-too.sdf", "a.sdf", "b.sdf"}));
}

TEST_F(MergeTest, TextInputOutOfRangeValueAsksInTheMergeWording) {
    InputLayout a;
    a.sampleSize = 3;
    ASSERT_TRUE(add(input("a.sdf", a)));
    std::string b = input("b.tsd", a);
    std::string t = test::readText(b);
    t.replace(t.find("No.1\r\n0\r\n"), 9, "No.1\r\n99999\r\n");
    test::writeText(b, t);
    ASSERT_TRUE(add(b));
    prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(combine("out.sdf"));
    EXPECT_EQ(prompter.beeps, 1);
    EXPECT_TRUE(prompter.showedText("単精度整数を超えるデータを発見しました。\nエラーデータに変換しますか。"));
    auto bursts = output("out.sdf");
    EXPECT_EQ(bursts[0].data[1], (std::vector<std::int16_t>{ErrorData, 1, 2}));
}

}  // namespace
}  // namespace brine
