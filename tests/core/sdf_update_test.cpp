#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <stdexcept>

#include "core/current_file.h"
#include "core/sdf_builder.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

using namespace brine;
using namespace brine::test;
namespace fs = std::filesystem;

namespace {

const char kQuestion[] = "データの形式が旧式です。更新してよろしいですか。";

struct UpdateFixture : ::testing::Test {
    TempDir dir;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    CurrentFile m;
    std::string path = dir.file("old.sdf");

    void SetUp() override {
        m.prompter = &prompter;
        m.progress = &progress;
        m.SaveFileName = "previous-output.sdf";
    }
    // Three bursts of a version-2 or -3 file, 201 counts each (two blocks).
    std::vector<std::uint8_t> oldFile(char version, int bursts = 3) {
        SdfSpec s;
        s.version = version;
        s.sampleSize = 100;
        for (int b = 0; b < 3; ++b) s.records.push_back(record(b, 2, 100, 1));
        s.records[1][7] = OldErrorData;
        s.records[2][200] = OldErrorData;
        s.records.resize(static_cast<std::size_t>(bursts));
        s.iterations = 3;
        return buildSdf(s);
    }
    // The file, the model and the folder are exactly as before the failed update.
    void expectUntouched(const std::vector<std::uint8_t>& bytes, const std::string& state) {
        EXPECT_EQ(readAll(path), bytes);
        EXPECT_EQ(modelState(m), state);
        EXPECT_EQ(dir.names(), std::vector<std::string>{"old.sdf"});
        EXPECT_FALSE(progress.visible);
    }
};

}  // namespace

TEST_F(UpdateFixture, Versions2And3BecomeVersion4) {
    for (char version : {'2', '3'}) {
        writeAll(path, oldFile(version));
        prompter.answer(MsgResult::Yes);
        ASSERT_TRUE(m.ReadSDFHeader(path)) << version;
        EXPECT_EQ(prompter.lastText(), kQuestion);
        EXPECT_EQ(progress.titles.back(), "ただ今、データ形式の更新中．．．．");
        EXPECT_EQ(progress.percents, (std::vector<int>{0, 0, 33, 67}));
        EXPECT_FALSE(progress.visible);
        EXPECT_EQ(m.SaveFileName, "previous-output.sdf");

        auto bytes = readAll(path);
        EXPECT_EQ(bytes[40], '4');
        EXPECT_EQ(bytes.size(), 512u + 3 * 402);  // packed records, no block padding
        EXPECT_EQ(dir.names(), std::vector<std::string>{"old.sdf"});

        m.FileName = path;
        ASSERT_TRUE(m.ReadSDFBurst(1));  // was at (2 + 2) x 256 in the old file
        EXPECT_EQ(m.Data[1][3], ErrorData);  // count 7 of the record: sample 3, channel 1
        EXPECT_EQ(m.Data[0][3], 1003);
        EXPECT_EQ(m.Data[1][99], 1199);
        EXPECT_EQ(m.BurstData[0], -11);
        ASSERT_TRUE(m.ReadSDFBurst(2));
        EXPECT_EQ(m.BurstData[0], ErrorData);

        progress.percents.clear();
        ASSERT_TRUE(m.ReadSDFHeader(path));  // no question the second time
        EXPECT_TRUE(progress.percents.empty());
        prompter.shown.clear();
    }
}

TEST_F(UpdateFixture, Version1MillisecondsBecomeUnits) {
    writeAll(path, buildSdf({.version = '1', .nch = 1, .nch2 = 0, .iterations = 2, .sampleSize = 4, .sInt = 500,
                             .bInt = 3600000, .records = {record(0, 1, 4, 0), record(1, 1, 4, 0)}}));
    std::vector<int> selected;
    m.onUnitsChanged = [&](std::uint8_t s, std::uint8_t b) { selected = {s, b}; };
    prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(m.ReadSDFHeader(path));
    EXPECT_EQ(std::tie(m.SInt, m.SITUnit, m.BInt, m.BITUnit), std::make_tuple(500, std::uint8_t{1}, 1, std::uint8_t{4}));
    EXPECT_EQ(selected, (std::vector<int>{1, 4}));
    EXPECT_EQ(m.StartTime, 45000.5);

    CurrentFile again;
    ASSERT_TRUE(again.ReadSDFHeader(path));  // now version 4 on disk
    EXPECT_EQ(std::tie(again.SInt, again.SITUnit, again.BInt, again.BITUnit),
              std::make_tuple(500, std::uint8_t{1}, 1, std::uint8_t{4}));
    again.FileName = path;
    ASSERT_TRUE(again.ReadSDFBurst(1));
    EXPECT_EQ(again.Data[0], (std::vector<std::int16_t>{1000, 1001, 1002, 1003}));
}

TEST_F(UpdateFixture, Version1ConvertsBeforeNormalising) {
    // One burst of 3599 samples at 1000 ms with no burst interval: the
    // normalisation must see 1 sec, not the units of the file read before.
    m.SITUnit = 8;
    m.BITUnit = 8;
    writeAll(path, buildSdf({.version = '1', .nch = 1, .nch2 = 0, .iterations = 1, .sampleSize = 3599, .sInt = 1000,
                             .bInt = 0, .records = {std::vector<std::int16_t>(3599, 5)}}));
    prompter.answer(MsgResult::Yes);
    ASSERT_TRUE(m.ReadSDFHeader(path));
    EXPECT_EQ(std::tie(m.SInt, m.SITUnit, m.BInt, m.BITUnit), std::make_tuple(1, std::uint8_t{2}, 1, std::uint8_t{4}));
}

TEST_F(UpdateFixture, AnsweringNoChangesNothing) {
    const auto bytes = oldFile('2');
    writeAll(path, bytes);
    const std::string state = modelState(m);
    prompter.answer(MsgResult::No);
    EXPECT_FALSE(m.ReadSDFHeader(path));
    expectUntouched(bytes, state);
    EXPECT_TRUE(progress.titles.empty());
}

TEST_F(UpdateFixture, CancelKeepsTheOriginal) {
    const auto bytes = oldFile('3');
    writeAll(path, bytes);
    const std::string state = modelState(m);
    progress.cancelAfter = 2;  // cancelled at the second burst
    prompter.answer(MsgResult::Yes);
    EXPECT_FALSE(m.ReadSDFHeader(path));
    expectUntouched(bytes, state);
    EXPECT_EQ(prompter.shown.size(), 1u);  // the question only: cancelling is not an error
}

TEST_F(UpdateFixture, MissingBurstKeepsTheOriginal) {
    const auto bytes = oldFile('2', 2);  // the header promises 3 bursts
    writeAll(path, bytes);
    const std::string state = modelState(m);
    prompter.answer(MsgResult::Yes);
    EXPECT_FALSE(m.ReadSDFHeader(path));
    expectUntouched(bytes, state);
    EXPECT_EQ(prompter.shown.back().type, MsgType::Error);
}

TEST_F(UpdateFixture, RefusedUpdateKeepsTheBurstBuffersOfTheFileBefore) {
    SdfSpec before;
    before.nch = 1;
    before.nch2 = 2;
    before.sampleSize = 5;
    before.iterations = 1;
    before.records = {record(0, 1, 5, 2)};
    const std::string first = dir.file("first.sdf");
    writeAll(first, buildSdf(before));
    ASSERT_TRUE(m.ReadSDFHeader(first));
    m.FileName = first;
    ASSERT_TRUE(m.ReadSDFBurst(0));
    const auto data = m.Data;
    const auto burst = m.BurstData;

    writeAll(path, oldFile('2', 2));  // the header promises 3 bursts
    prompter.answer(MsgResult::Yes);
    EXPECT_FALSE(m.ReadSDFHeader(path));
    EXPECT_EQ(m.Data, data);
    EXPECT_EQ(m.BurstData, burst);
    // The file read before can still be saved.
    m.SaveFileName = dir.file("again.sdf");
    ASSERT_TRUE(m.CreateSDFFile(m.SaveFileName));
    EXPECT_TRUE(m.WriteSDFBurst(0));
}

TEST_F(UpdateFixture, FailedWriteKeepsTheOriginal) {
    const auto bytes = oldFile('2');
    writeAll(path, bytes);
    const std::string state = modelState(m);
    // A file-size limit makes the writes to the temporary file fail like a
    // full disk, also for root.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    prompter.answer(MsgResult::Yes);
    bool ok = m.ReadSDFHeader(path);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    expectUntouched(bytes, state);
    EXPECT_TRUE(prompter.showedText("データ形式を更新できません。"));
}

TEST_F(UpdateFixture, ExceptionMidUpdateRestoresEverything) {
    const auto bytes = oldFile('2');
    writeAll(path, bytes);
    const std::string state = modelState(m);
    progress.onPercent = [](int p) {
        if (p > 0) throw std::runtime_error("boom");
    };
    prompter.answer(MsgResult::Yes);
    EXPECT_THROW(m.ReadSDFHeader(path), std::runtime_error);
    expectUntouched(bytes, state);
    EXPECT_EQ(progress.hides, 1);
}

TEST_F(UpdateFixture, UnwritableFolderOrFileIsReported) {
    const auto bytes = oldFile('2');
    const std::string state = modelState(m);
    RunUnprivileged(dir.path(), [&] {
        writeAll(path, bytes);
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        prompter.answer(MsgResult::Yes);
        EXPECT_FALSE(m.ReadSDFHeader(path));
        fs::permissions(dir.path(), fs::perms::owner_all);
        expectUntouched(bytes, state);
        EXPECT_EQ(prompter.shown.back().type, MsgType::Error);

        fs::permissions(path, fs::perms::owner_read);
        prompter.answer(MsgResult::Yes);
        EXPECT_FALSE(m.ReadSDFHeader(path));
        expectUntouched(bytes, state);
        EXPECT_TRUE(prompter.showedText("ファイルに書き込めません。"));
    });
}
