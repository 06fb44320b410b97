#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "converters/sdf_to_tsd.h"
#include "base/number_text.h"
#include "core/sample_limits.h"
#include "converter_fixtures.h"

namespace brine {
namespace {

using test::Bytes;

TEST(TsdBurstText, LineByLine) {
    CurrentFile m;
    m.Nch = 2;
    m.Nch2 = 1;
    m.SampleSize = 2;
    m.ScaleA = {};
    m.ScaleA[0] = 0.01f;
    m.ScaleA[1] = 1e-6f;
    m.ScaleA[2] = 1000;
    m.OffsetB[0] = 1.5f;
    m.OffsetB[2] = -0.5f;
    m.AllocateDataArrays();
    m.Data[0] = {100, ErrorData};
    m.Data[1] = {1, -32767};
    m.BurstData = {12346};
    std::string text;
    ASSERT_TRUE(m.AppendTSDBurstText(6, text));
    // 1e-6 as a float is not exactly 1e-6; the 7-digit text hides that.
    EXPECT_EQ(text,
              "No.7\r\n"
              "2.5,1E-6\r\n"
              "=,-0.032767\r\n"
              "1.2346E7\r\n");
    m.Nch2 = 0;
    text.clear();
    ASSERT_TRUE(m.AppendTSDBurstText(0, text));
    EXPECT_EQ(text, "No.1\r\n2.5,1E-6\r\n=,-0.032767\r\n");
}

class SdfToTsdTest : public test::ConverterTest {
protected:
    void SetUp() override { test::writeSampleSDF(src, 2, 1, 3, 4); }
    ChooseTargetFile choose(std::optional<std::string> name) {
        return [this, name](const std::string& proposed) {
            proposals.push_back(proposed);
            return name;
        };
    }
    std::string src = dir.file("in.sdf");
    std::string out = dir.file("out.tsd");
    std::vector<std::string> proposals;
};

TEST_F(SdfToTsdTest, WritesEveryBurstAndReportsSuccess) {
    EXPECT_EQ(ConvertSDFToTSD(model, src, choose(out), prompter, progress), JobResult::Done);
    EXPECT_EQ(proposals, std::vector<std::string>{dir.file("in.tsd")});
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "変換を正常に終了しました。");
    EXPECT_EQ(progress.comment, "in.sdf => out.tsd");
    EXPECT_EQ(progress.titles, std::vector<std::string>{"ただ今、データの変換中．．．．"});

    std::string text = test::readText(out);
    std::size_t body = text.find("No.1\r\n");
    ASSERT_NE(body, std::string::npos);
    // Counts 100 b + 10 ch + j (burst channel 1000 + 100 b) at 0.01 and 1.5.
    std::string expected;
    for (int b = 0; b < 4; ++b) {
        expected += "No." + std::to_string(b + 1) + "\r\n";
        for (int j = 0; j < 3; ++j) {
            auto v = [&](int ch) { return FormatGeneral(static_cast<double>(static_cast<long double>(100 * b + 10 * ch + j) * 0.01f + 1.5f)); };
            expected += v(0) + "," + v(1) + "\r\n";
        }
        expected += FormatGeneral(static_cast<double>(static_cast<long double>(1000 + 100 * b) * 0.01f + 1.5f)) + "\r\n";
    }
    EXPECT_EQ(text.substr(body), expected);
    EXPECT_EQ(text.substr(body, 20), "No.1\r\n1.5,1.6\r\n1.51,");

    // The reader sees the same counts as the source holds.
    test::ReadBack back(out, 3);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Iterations, 4);
    EXPECT_EQ(back.m.Data[1][2], 312);
    EXPECT_EQ(back.m.BurstData[0], 1300);
}

TEST_F(SdfToTsdTest, ABurstOfMillionsOfLinesIsNeverHeldWhole) {
    // Burst channels only: 20 MB of empty sample lines from a 514-byte file.
    test::writeSampleSDF(src, 0, 1, kMaxSamplesPerBurst, 1);
    if (!test::resetPeakMemory()) GTEST_SKIP() << "peak memory cannot be measured here";
    const long before = test::statusKb("VmRSS");
    prompter.answer(MsgResult::Yes);  // to the size of the text
    EXPECT_EQ(ConvertSDFToTSD(model, src, choose(out), prompter, progress), JobResult::Done);
    EXPECT_LT(test::statusKb("VmHWM") - before, 10 * 1024);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text,
              "出力ファイルは約20MBになります。\n" + out + "\nサンプル数とバースト数に誤りがないか確認して下さい。\n変換しますか。");
    const std::string text = test::readText(out);
    EXPECT_EQ(text.size(), text.find("No.1\r\n") + 6 + 2u * kMaxSamplesPerBurst + 6);
    EXPECT_EQ(text.substr(text.size() - 10), "\r\n\r\n11.5\r\n");
}

TEST_F(SdfToTsdTest, ATextFarLargerThanItsSourceIsAskedAboutFirst) {
    // 2 560 bytes declaring 1 024 bursts of 163 840 empty sample lines: as
    // text, 336 MB. No writes nothing and keeps the old target.
    test::writeSampleSDF(src, 0, 1, 163840, 1024);
    ASSERT_EQ(std::filesystem::file_size(src), 2560u);
    test::writeText(out, "keep me");
    prompter.answer(MsgResult::Yes);  // to the overwrite
    prompter.answer(MsgResult::No);
    EXPECT_EQ(ConvertSDFToTSD(model, src, choose(out), prompter, progress), JobResult::Skipped);
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[1].type, MsgType::Warning);
    EXPECT_EQ(prompter.shown[1].buttons, MsgButtons::YesNoDefaultNo);  // Enter answers No
    EXPECT_EQ(prompter.shown[1].text,
              "出力ファイルは約336MBになります。\n" + out + "\nサンプル数とバースト数に誤りがないか確認して下さい。\n変換しますか。");
    EXPECT_EQ(std::filesystem::file_size(out), 7u);  // "keep me"
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.sdf", "out.tsd"}));
    EXPECT_TRUE(progress.titles.empty());
}

TEST_F(SdfToTsdTest, TheSourceIsNeverTheTarget) {
    Bytes before = test::readAll(src);
    EXPECT_EQ(ConvertSDFToTSD(model, src, choose(dir.file("./in.sdf")), prompter, progress), JobResult::Skipped);
    EXPECT_EQ(test::readAll(src), before);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    EXPECT_TRUE(progress.titles.empty());
}

TEST_F(SdfToTsdTest, CancelledChoiceOrDeclinedOverwriteDoNothing) {
    EXPECT_EQ(ConvertSDFToTSD(model, src, choose(std::nullopt), prompter, progress), JobResult::Skipped);
    test::writeText(out, "keep me");
    prompter.answer(MsgResult::No);
    EXPECT_EQ(ConvertSDFToTSD(model, src, choose(out), prompter, progress), JobResult::Skipped);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "同名のファイルが存在します。上書きしてよろしいですか。");
    EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(test::readText(out), "keep me");
    EXPECT_TRUE(progress.titles.empty());
}

TEST_F(SdfToTsdTest, CancelKeepsTheBlocksConvertedUnderAHeaderDeclaringThem) {
    test::writeText(out, "keep me");
    prompter.answer(MsgResult::Yes);
    progress.cancelAfter = 2;  // pressed while the second burst is converted
    EXPECT_EQ(ConvertSDFToTSD(model, src, choose(out), prompter, progress), JobResult::Cancelled);
    EXPECT_EQ(prompter.shown.size(), 1u);  // the question, no success message
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.sdf", "out.tsd"}));  // no temporary file left

    // The text of a complete run up to its third block, declaring two.
    const std::string fullPath = dir.file("full.tsd");
    CurrentFile other;
    ScriptedPrompter otherPrompter;
    ScriptedProgress otherProgress;
    ASSERT_EQ(ConvertSDFToTSD(other, src, choose(fullPath), otherPrompter, otherProgress), JobResult::Done);
    std::string expected = test::readText(fullPath);
    expected.erase(expected.find("No.3\r\n"));
    std::size_t line5 = 0;
    for (int i = 0; i < 4; ++i) line5 = expected.find("\r\n", line5) + 2;
    ASSERT_EQ(expected.substr(line5, 3), "4\r\n");
    expected[line5] = '2';
    EXPECT_EQ(test::readText(out), expected);

    test::ReadBack back(out, 1);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Iterations, 2);
    EXPECT_EQ(back.m.Data[1][2], 112);
}

TEST_F(SdfToTsdTest, ATruncatedSourceFailsWithoutSuccessMessage) {
    test::writeSampleSDF(src, 2, 1, 3, 12);  // "12" bursts in the header become "2"
    Bytes b = test::readAll(src);
    b.resize(512 + 2 * 14 + 3);
    test::writeAll(src, b);
    EXPECT_EQ(ConvertSDFToTSD(model, src, choose(out), prompter, progress), JobResult::Failed);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, Text(Tx::ConvertReadFailed) + "\n" + src);
    // The two complete bursts are kept, and declared.
    test::ReadBack back(out, 1);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Iterations, 2);
    EXPECT_EQ(back.m.Data[1][2], 112);
    EXPECT_EQ(back.m.BurstData[0], 1100);
    const std::string text = test::readText(out);
    EXPECT_EQ(text.find("No.3"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 8), "\r\n12.5\r\n");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.sdf", "out.tsd"}));

    // Cut inside its first burst, it converts nothing: the file it was to
    // replace stays as it was.
    b.resize(512 + 5);
    test::writeAll(src, b);
    test::writeText(out, "keep me");
    prompter.answer(MsgResult::Yes);
    EXPECT_EQ(ConvertSDFToTSD(model, src, choose(out), prompter, progress), JobResult::Failed);
    EXPECT_EQ(prompter.lastText(), Text(Tx::ConvertReadFailed) + "\n" + src);
    EXPECT_EQ(test::readText(out), "keep me");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.sdf", "out.tsd"}));
}

// A target its user may not write is refused with a result and a message,
// as a failed write is: no exception leaves the conversion.
TEST_F(SdfToTsdTest, AReadOnlyTargetFailsWithAMessage) {
    test::writeText(out, "keep me");
    std::filesystem::permissions(out, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                          std::filesystem::perms::others_read);
    test::RunUnprivileged(dir.path(), [&] {
        prompter.answer(MsgResult::Yes);  // to the overwrite
        JobResult result = JobResult::Done;
        EXPECT_NO_THROW(result = ConvertSDFToTSD(model, src, choose(out), prompter, progress));
        EXPECT_EQ(result, JobResult::Failed);
        EXPECT_EQ(prompter.lastText(), Text(Tx::DataWriteFailed) + "\n" + out + "\nファイルに書き込めません: " + out + " (" +
                                           std::strerror(EACCES) + ")");
        EXPECT_EQ(test::readText(out), "keep me");
        EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.sdf", "out.tsd"}));
    });
}

TEST_F(SdfToTsdTest, ANonSdfSourceIsRefusedByTheReader) {
    test::writeText(src, std::string(300, 'x'));
    model.FileName = "earlier.tsd";
    model.FileKind = 1;
    EXPECT_EQ(ConvertSDFToTSD(model, src, choose(out), prompter, progress), JobResult::Skipped);
    EXPECT_EQ(model.FileName, "earlier.tsd");  // the refused file does not become the model's
    EXPECT_EQ(model.FileKind, 1);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "フォーマットが違います。");
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"in.sdf"});
}

}  // namespace
}  // namespace brine
