// The extraction without a window: window and channel choice, output layout,
// refusals, overwrite questions and failures.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "base/binary_file.h"
#include "base/safe_write/safe_replace.h"
#include "core/sample_limits.h"
#include "core/sdf_builder.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"
#include "tools/extract_save.h"
#include "tools/extract_sources.h"

namespace brine {
namespace {

using test::burstCount;
using test::sampleCount;

class ExtractTest : public ::testing::Test {
protected:
    void SetUp() override {
        model.prompter = &prompter;
        model.progress = &progress;
    }
    // Reads the source's header and asks for positions first..last of the checked channels.
    ExtractRequest request(const std::string& source, int first, int last, std::vector<bool> checked) {
        if (!model.ReadHeader(source)) throw std::runtime_error("source header");
        ExtractRequest r;
        r.SourceFile = source;
        r.Window = WindowFromPositions(model, first, last);
        r.Checked = std::move(checked);
        r.Memo = "cut";
        r.OutputKind = OutputKindOf(source).value_or(0);
        return r;
    }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
};

template <typename T>
T at(const std::vector<unsigned char>& bytes, std::size_t pos) {
    return getLE<T>(bytes.data() + pos);
}

std::string textAt(const std::vector<unsigned char>& bytes, std::size_t pos, std::size_t n) {
    return std::string(bytes.begin() + static_cast<long>(pos), bytes.begin() + static_cast<long>(pos + n));
}

TEST_F(ExtractTest, BurstWindowAndChannelSubsetGiveTheSdfLayoutAndIgnoreCancel) {
    const std::string source = dir.file("a.sdf"), out = dir.file("out.sdf");
    test::writeSource(source, 3, 2, 4, 24);
    ExtractRequest r = request(source, 3, 5, {true, false, true, false, true});
    progress.onPercent = [this](int) { progress.cancelled = true; };  // runs to its end all the same
    ASSERT_TRUE(ExtractData(model, r, out, prompter, progress));

    auto bytes = test::readAll(out);
    ASSERT_EQ(bytes.size(), 512u + 3 * (4 * 2 + 1) * 2);
    EXPECT_EQ(textAt(bytes, 50, 160), "cut" + std::string(157, ' '));
    EXPECT_EQ(at<std::int16_t>(bytes, 210), 2);
    EXPECT_EQ(at<std::int16_t>(bytes, 212), 1);
    EXPECT_EQ(at<std::int32_t>(bytes, 214), 4);
    EXPECT_EQ(at<std::int16_t>(bytes, 223), 3);
    EXPECT_EQ(FormatDateTimeMs(at<double>(bytes, 230)), "2024/01/01 03:00:00 000");
    // The checked channels moved up in order, with their own scale and offset.
    EXPECT_EQ(textAt(bytes, 256, 24), "ch0             u0      ");
    EXPECT_EQ(textAt(bytes, 288, 24), "ch2             u2      ");
    EXPECT_EQ(textAt(bytes, 320, 24), "ch4             u4      ");
    EXPECT_EQ(at<float>(bytes, 320 + 28), 4.0f);
    EXPECT_EQ(textAt(bytes, 352, 160), std::string(160, ' '));
    for (int n = 0; n < 3; ++n) {
        const std::size_t rec = 512 + static_cast<std::size_t>(n) * 18;
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(at<std::int16_t>(bytes, rec + j * 4), sampleCount(3 + n, 0, j));
            EXPECT_EQ(at<std::int16_t>(bytes, rec + j * 4 + 2), sampleCount(3 + n, 2, j));
        }
        EXPECT_EQ(at<std::int16_t>(bytes, rec + 16), burstCount(3 + n, 1));
    }

    EXPECT_EQ(progress.titles, std::vector<std::string>{Text(Tx::ExtractProgress)});
    EXPECT_FALSE(progress.cancellable);
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 0, 33, 67}));  // Start shows 0 first
    EXPECT_FALSE(progress.visible);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.lastText(), Text(Tx::ExtractSaved));
    EXPECT_EQ(model.Iterations, 24);  // the model still describes the source
    EXPECT_EQ(model.Nch, 3);
}

TEST_F(ExtractTest, SampleWindowOfASingleBurstShowsProgressPerSample) {
    const std::string source = dir.file("one.sdf"), out = dir.file("part.sdf");
    test::writeSource(source, 2, 1, 1000, 1);
    ExtractRequest r = request(source, 100, 199, {false, true, true});
    EXPECT_TRUE(CutBySamples(model));
    EXPECT_EQ(PositionText(model, 120), "120(2024/01/01 00:02:00)");
    ASSERT_TRUE(ExtractData(model, r, out, prompter, progress));

    std::vector<int> perSample{0};  // from Start
    for (int i = 0; i < 100; ++i) perSample.push_back(i);
    EXPECT_EQ(progress.percents, perSample);
    CurrentFile back;
    ASSERT_TRUE(back.ReadHeader(out));
    EXPECT_EQ(back.SampleSize, 100);
    EXPECT_EQ(back.Iterations, 1);
    EXPECT_EQ(FormatDateTimeMs(back.StartTime), "2024/01/01 00:01:40 000");
    back.FileName = out;
    ASSERT_TRUE(back.ReadSDFBurst(0));
    for (int j = 0; j < 100; ++j) ASSERT_EQ(back.Data[0][j], sampleCount(0, 1, 100 + j)) << j;
    EXPECT_EQ(back.BurstData[0], burstCount(0, 0));
}

TEST_F(ExtractTest, TsdOutputHasTheBlocksOfTheCheckedChannelsOnly) {
    const std::string source = dir.file("src.tsd"), out = dir.file("out.tsd");
    test::writeSource(source, 1, 2, 2, 3);

    // Burst channels only: each block is its "No." line, the empty sample
    // lines the reader counts on, and the burst line.
    ExtractRequest r = request(source, 1, 2, {false, true, true});
    r.OutputKind = 1;
    ASSERT_TRUE(ExtractData(model, r, out, prompter, progress));
    EXPECT_EQ(test::readText(out),
              "Time Series Data Text Format Ver.2\r\ncut\r\n2024/01/01 01:00:00 000\r\n1 sec\r\n2\r\n1 hr\r\n"
              "0,2\r\n2\r\n0.5,0.5\r\n1,2\r\nch1,ch2\r\nu1,u2\r\n"
              "No.1\r\n\r\n\r\n-4.5,-4\r\nNo.2\r\n\r\n\r\n-9.5,=\r\n");
    CurrentFile back;
    ASSERT_TRUE(back.ReadHeader(out));
    back.FileName = out;
    ASSERT_TRUE(back.ReadTSDBurst(1));
    EXPECT_EQ(back.BurstData, (std::vector<std::int16_t>{burstCount(2, 0), ErrorData}));

    // Sample lines carry the interval channels of the source, read back from its text.
    r.Checked = {true, false, true};
    ASSERT_TRUE(ExtractData(model, r, out, prompter, progress));
    std::string text = test::readText(out);
    EXPECT_NE(text.find("\r\n0,2\r\nch0,ch2\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.find("No.1")), "No.1\r\n=\r\n50.5\r\n-4\r\nNo.2\r\n100\r\n100.5\r\n=\r\n");
}

TEST_F(ExtractTest, BurstChannelsOfLongBurstsGiveAFileThatOpensAgain) {
    // Long bursts of one interval and one burst channel (the file is sparse:
    // its counts read as 0).
    auto longBursts = [&](const std::string& path, std::int16_t bursts, std::int32_t samples) {
        test::SdfSpec s;
        s.nch = 1;
        s.nch2 = 1;
        s.iterations = bursts;
        s.sampleSize = samples;
        test::writeAll(path, test::buildSdf(s));
        std::filesystem::resize_file(path, 512 + static_cast<std::uintmax_t>(bursts) * (2u * samples + 2));
    };
    const std::string source = dir.file("long.sdf"), out = dir.file("bursts.sdf");
    longBursts(source, 4, kMaxSamplesPerBurst);
    ExtractRequest r = request(source, 0, 3, {false, true});
    ASSERT_TRUE(ExtractData(model, r, out, prompter, progress));
    EXPECT_EQ(prompter.lastText(), Text(Tx::ExtractSaved));
    EXPECT_EQ(std::filesystem::file_size(out), 512u + 4 * 2);
    CurrentFile back;
    back.prompter = &prompter;
    ASSERT_TRUE(back.ReadHeader(out)) << prompter.lastText();
    EXPECT_EQ(back.SampleSize, kMaxSamplesPerBurst);
    back.FileName = out;
    ASSERT_TRUE(back.ReadSDFBurst(3));
    EXPECT_EQ(back.BurstData[0], 0);

    // A burst longer than a file of burst channels only may be is not
    // written as one: the user is told to keep an interval channel.
    longBursts(source, 1, kMaxSamplesPerBurst + 1);
    r = request(source, 0, kMaxSamplesPerBurst, {false, true});
    prompter.shown.clear();
    EXPECT_FALSE(SaveExtraction(model, r, dir.file("more.sdf"), prompter, progress));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    EXPECT_EQ(prompter.lastText(), "1バーストのデータ数が多すぎるため、バースト記録項目だけでは抽出できません。");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"bursts.sdf", "long.sdf"}));
}

TEST_F(ExtractTest, ATextFarLargerThanItsSourceIsAskedAboutFirst) {
    // Burst channels only, 1 024 bursts of 163 840 samples in 2 560 bytes.
    const std::string source = dir.file("a.sdf");
    test::SdfSpec s;
    s.nch = 0;
    s.nch2 = 1;
    s.iterations = 1024;
    s.sampleSize = 163840;
    s.records.assign(1024, {5});
    test::writeAll(source, test::buildSdf(s));
    ExtractRequest r = request(source, 0, 1023, {true});
    prompter.answer(MsgResult::No);
    EXPECT_FALSE(SaveExtraction(model, r, dir.file("out.tsd"), prompter, progress));  // the dialog stays
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);
    EXPECT_EQ(prompter.lastText(), "出力ファイルは約336MBになります。\n" + dir.file("out.tsd") +
                                       "\nサンプル数とバースト数に誤りがないか確認して下さい。\n保存しますか。");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.sdf"});
    EXPECT_TRUE(progress.titles.empty());

    // A window of a few bursts is not asked about; neither is the SDF.
    EXPECT_TRUE(SaveExtraction(model, r, dir.file("all.sdf"), prompter, progress));
    r = request(source, 0, 9, {true});
    EXPECT_TRUE(SaveExtraction(model, r, dir.file("ten.tsd"), prompter, progress));
    EXPECT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.lastText(), Text(Tx::ExtractSaved));
    EXPECT_EQ(std::filesystem::file_size(dir.file("all.sdf")), 512u + 1024 * 2);
}

TEST_F(ExtractTest, RefusalsAskNothingAndWriteNothing) {
    const std::string source = dir.file("a.sdf"), empty = dir.file("empty.sdf");
    test::writeSource(source, 2, 1, 4, 6);
    test::writeSource(empty, 0, 1, 0, 1);
    struct Case {
        std::string file, output;
        int first, last;
        std::vector<bool> checked;
        std::string message;
    };
    const std::vector<Case> cases{
        {source, "", 0, 5, {true, true, true}, "ファイル名を入力して下さい。"},
        {source, dir.file("out.txt"), 0, 5, {true, true, true}, "出力ファイルの拡張子は .sdf か .tsd にして下さい。"},
        {source, dir.file("out.sdf"), 0, 5, {false, false, false}, "抽出するチャンネルを選択して下さい。"},
        {source, dir.file("out.sdf"), 4, 2, {true, true, true}, "抽出範囲の最後が最初より前になっています。"},
        {empty, dir.file("out.sdf"), 0, 0, {true}, "抽出できるデータがありません。"},
    };
    for (const Case& c : cases) {
        prompter.shown.clear();
        ExtractRequest r = request(c.file, c.first, c.last, c.checked);
        EXPECT_FALSE(SaveExtraction(model, r, c.output, prompter, progress)) << c.message;
        ASSERT_EQ(prompter.shown.size(), 1u) << c.message;
        EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
        EXPECT_EQ(prompter.lastText(), c.message);
    }
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.sdf", "empty.sdf"}));
    EXPECT_TRUE(progress.titles.empty());
}

TEST_F(ExtractTest, AnExistingOutputIsReplacedOnlyAfterYes) {
    const std::string source = dir.file("a.sdf"), out = dir.file("old.sdf");
    test::writeSource(source, 2, 1, 4, 6);
    test::writeText(out, "keep");
    ExtractRequest r = request(source, 1, 3, {true, true, true});

    prompter.answer(MsgResult::Cancel);
    EXPECT_FALSE(SaveExtraction(model, r, out, prompter, progress));
    prompter.answer(MsgResult::No);
    EXPECT_TRUE(SaveExtraction(model, r, out, prompter, progress));
    EXPECT_EQ(test::readText(out), "keep");
    EXPECT_EQ(prompter.shown[0].text, Text(Tx::OverwriteExisting));
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNoCancel);

    prompter.answer(MsgResult::Yes);
    EXPECT_TRUE(SaveExtraction(model, r, out, prompter, progress));
    CurrentFile back;
    ASSERT_TRUE(back.ReadHeader(out));
    EXPECT_EQ(back.Iterations, 3);
}

TEST_F(ExtractTest, TheSourceByAnotherSpellingIsReplacedSafely) {
    const std::string source = dir.file("a.sdf");
    test::writeSource(source, 2, 1, 4, 6);
    test::writeText(dir.file("DummyFile.$$$"), "mine");
    const auto original = test::readAll(source);
    const std::string spelt = (dir.path() / "." / "a.sdf").string();
    ExtractRequest r = request(source, 2, 3, {true, false, true});

    prompter.answer(MsgResult::No);
    EXPECT_TRUE(SaveExtraction(model, r, spelt, prompter, progress));
    EXPECT_EQ(prompter.lastText(), Text(Tx::ExtractOverwriteSource));
    EXPECT_EQ(test::readAll(source), original);

    prompter.answer(MsgResult::Yes);
    EXPECT_TRUE(SaveExtraction(model, r, spelt, prompter, progress));
    EXPECT_EQ(prompter.lastText(), Text(Tx::ExtractSaved));
    // The model now describes the replaced source.
    EXPECT_EQ(model.Iterations, 2);
    EXPECT_EQ(model.Nch, 1);
    EXPECT_EQ(model.FileName, source);
    EXPECT_EQ(test::readText(dir.file("DummyFile.$$$")), "mine");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"DummyFile.$$$", "a.sdf"}));
}

TEST_F(ExtractTest, AFailedReadLeavesEveryFileAsItWasAndSaysNoSuccess) {
    const std::string source = dir.file("a.sdf");
    test::writeSource(source, 2, 1, 4, 24);
    std::filesystem::resize_file(source, 512 + 10 * 18);  // bursts 10 and later are gone
    const auto truncated = test::readAll(source);
    ExtractRequest r = request(source, 8, 20, {true, true, true});

    EXPECT_FALSE(ExtractData(model, r, dir.file("new.sdf"), prompter, progress));
    EXPECT_EQ(prompter.lastText(), Text(Tx::ExtractReadFailed) + ("\n" + source));
    prompter.answer(MsgResult::Yes);
    EXPECT_TRUE(SaveExtraction(model, r, source, prompter, progress));  // the dialog closes
    EXPECT_EQ(prompter.lastText(), Text(Tx::ExtractReadFailed) + ("\n" + source));
    EXPECT_FALSE(prompter.showedText(Text(Tx::ExtractSaved)));
    EXPECT_EQ(test::readAll(source), truncated);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"a.sdf"});
    EXPECT_FALSE(progress.visible);
}

// Another process saves another file over the source while the job reads
// it. The source has a second name, so that save rewrites it in place: it
// waits for the job, which reads the file it began with, whole.
TEST_F(ExtractTest, AJobReadsTheFileItBeganWithWholeWhileAnotherProcessSavesOverIt) {
    const std::string source = dir.file("a.sdf"), out = dir.file("out.sdf");
    test::writeSource(source, 2, 1, 70000, 8);  // records larger than a read ahead
    std::filesystem::create_hard_link(source, dir.file("a-too.sdf"));
    const auto before = test::readAll(source);
    std::string other(before.begin(), before.end());
    for (std::size_t i = 512; i < other.size(); ++i) other[i] = static_cast<char>(other[i] ^ 0x5A);
    ExtractRequest r = request(source, 0, 7, {true, true, true});
    pid_t saver = -1;
    progress.onPercent = [&](int percent) {
        if (percent == 0 || saver >= 0) return;
        saver = ::fork();
        if (saver == 0) {
            ::close_range(3, ~0u, 0);  // another process holds none of the job's files
            try {
                ReplaceFileContent(source, other);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        // Time enough for a save that does not wait to be done.
        for (int i = 0; i < 100 && ::waitpid(saver, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    ASSERT_TRUE(ExtractData(model, r, out, prompter, progress));
    ASSERT_GT(saver, 0);
    int status = 0;
    ::waitpid(saver, &status, 0);
    const auto written = test::readAll(out);
    ASSERT_EQ(written.size(), before.size());
    EXPECT_TRUE(std::equal(written.begin() + 512, written.end(), before.begin() + 512));
    // The save went on once the job had ended.
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(test::readText(source) == other);
}

}  // namespace
}  // namespace brine
