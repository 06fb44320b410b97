#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/safe_write/safe_replace.h"
#include "support/fault_plan.h"

#include "converters/addc_drf_command.h"
#include "converters/conversion_support.h"
#include "converters/resave_sdf.h"
#include "converter_fixtures.h"

namespace brine {
namespace {

using test::Bytes;

class ResaveTest : public test::ConverterTest {
protected:
    void SetUp() override { test::writeSampleSDF(src, 2, 1, 3, 4); }
    std::string src = dir.file("in.sdf");
    std::string out = dir.file("out.sdf");
    test::TestHeaderSave dialog{model};
    static constexpr std::size_t kRecord = (2 * 3 + 1) * 2;
};

TEST_F(ResaveTest, CopiesEveryBurstUnderANewName) {
    dialog.target = out;
    EXPECT_EQ(ConvertSelectedFiles({src}, model, prompter, progress, dialog), 1);
    ASSERT_EQ(dialog.proposals, std::vector<std::string>{src});  // the input itself is proposed
    EXPECT_EQ(test::readAll(out), test::readAll(src));
    EXPECT_EQ(progress.titles, std::vector<std::string>{"ただ今、データの変換中．．．．"});
    EXPECT_EQ(progress.comment, FullName(src) + " => " + FullName(out));
    EXPECT_EQ(progress.percents, (std::vector<int>{0, 0, 25, 50, 75}));
    EXPECT_TRUE(prompter.shown.empty());

    // The same bytes from a read-only copy named as DRF (the kind comes from
    // the content), with a burst count raised beyond the source's; converted
    // as an unprivileged user, for whom read-only holds even under root.
    const std::string disguised = dir.file("disguised.drf");
    std::filesystem::copy_file(src, disguised);
    ::chmod(disguised.c_str(), 0444);
    dialog.edit = [](CurrentFile& m) { m.Iterations = 9; };
    std::filesystem::remove(out);
    test::RunUnprivileged(dir.path(), [&] {
        EXPECT_EQ(ConvertSelectedFiles({disguised}, model, prompter, progress, dialog), 1);
        EXPECT_EQ(dialog.proposals.back(), disguised);
        EXPECT_EQ(test::readAll(out), test::readAll(src));
    });
}

// A file that holds no burst is saved as one, not only told saved: the
// output that holds nothing is dropped only where bursts were declared.
TEST_F(ResaveTest, AFileOfNoBurstsIsSavedAsOne) {
    const std::string empty = dir.file("empty.sdf");
    test::writeSampleSDF(empty, 2, 1, 3, 0);
    dialog.target = out;
    EXPECT_EQ(ConvertSelectedFiles({empty}, model, prompter, progress, dialog), 1);
    EXPECT_EQ(test::readAll(out), test::readAll(empty));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(ResaveTest, ItsOwnNameRewritesOnlyTheHeader) {
    Bytes before = test::readAll(src);
    dialog.target = dir.file("./in.sdf");  // another spelling of the same file
    dialog.edit = [](CurrentFile& m) {
        m.SetMemo("new memo");
        m.Iterations = 6;  // more than the file holds
    };
    EXPECT_EQ(ConvertSelectedFiles({src}, model, prompter, progress, dialog), 1);
    Bytes after = test::readAll(src);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(test::textAt(after, 50, 9), "new memo ");
    EXPECT_EQ(test::get<std::int16_t>(after, 223), 4);
    EXPECT_TRUE(std::equal(before.begin() + 512, before.end(), after.begin() + 512));
    EXPECT_TRUE(progress.titles.empty());

    // A source that lost its last bursts does not declare them again.
    after.resize(512 + 2 * kRecord + 5);
    test::writeAll(src, after);
    EXPECT_EQ(ConvertSelectedFiles({src}, model, prompter, progress, dialog), 1);
    EXPECT_EQ(test::get<std::int16_t>(test::readAll(src), 223), 2);
    EXPECT_EQ(test::readAll(src).size(), after.size());

    // A file of no bursts, its count raised: it declares the none it holds,
    // opens again, and nothing is told as failed.
    const std::string empty = dir.file("empty.sdf");
    test::writeSampleSDF(empty, 2, 1, 300, 0);  // a record larger than the file
    dialog.target = empty;
    prompter.shown.clear();
    EXPECT_EQ(ConvertSelectedFiles({empty}, model, prompter, progress, dialog), 1);
    EXPECT_EQ(test::get<std::int16_t>(test::readAll(empty), 223), 0);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
    CurrentFile back;
    EXPECT_TRUE(back.ReadHeader(empty));
}

TEST_F(ResaveTest, ATruncatedSourceStopsWithAMessage) {
    Bytes b = test::readAll(src);
    b.resize(512 + 2 * kRecord + 5);
    test::writeAll(src, b);
    dialog.target = out;
    EXPECT_EQ(ConvertSelectedFiles({src}, model, prompter, progress, dialog), 0);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, Text(Tx::ConvertReadFailed) + "\n" + src);
    Bytes o = test::readAll(out);
    EXPECT_EQ(o.size(), 512 + 2 * kRecord);
    EXPECT_EQ(test::get<std::int16_t>(o, 223), 2);
    EXPECT_TRUE(std::equal(o.begin() + 512, o.end(), b.begin() + 512));
}

TEST_F(ResaveTest, CancelKeepsTheHeaderTrueAndEndsTheCommand) {
    std::string second = dir.file("second.sdf");
    test::writeSampleSDF(second, 1, 0, 2, 3);
    dialog.target = out;
    progress.cancelAfter = 2;  // pressed while burst 1's percentage is shown
    EXPECT_EQ(ConvertSelectedFiles({src, second}, model, prompter, progress, dialog), 0);
    EXPECT_EQ(dialog.calls, 1);
    Bytes o = test::readAll(out);
    EXPECT_EQ(test::get<std::int16_t>(o, 223), 2);
    EXPECT_EQ(o.size(), 512 + 2 * kRecord);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(ResaveTest, ANonSdfTargetGetsNoRecords) {
    dialog.target = dir.file("out.tsd");
    EXPECT_EQ(ConvertSelectedFiles({src}, model, prompter, progress, dialog), 0);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.tsd")));  // the header begun is dropped
}

TEST_F(ResaveTest, UnknownShortAndMissingFilesAreReportedOneByOne) {
    std::string shortFile = dir.file("short.sdf");
    test::writeText(shortFile, "Standard Burst-Interval Data Format Ver.4");
    std::string other = dir.file("notes.tsd");
    test::writeText(other, std::string(80, 'n'));
    std::string missing = dir.file("missing.sdf");
    dialog.target = out;
    EXPECT_EQ(ConvertSelectedFiles({shortFile, other, missing, src}, model, prompter, progress, dialog), 1);
    ASSERT_EQ(prompter.shown.size(), 3u);
    EXPECT_EQ(prompter.shown[0].text, "ﾌｧｲﾙの種類が分かりません。\n" + shortFile);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);
    EXPECT_EQ(prompter.shown[1].text, "ﾌｧｲﾙの種類が分かりません。\n" + other);
    EXPECT_NE(prompter.shown[2].text.find(missing), std::string::npos);
    EXPECT_EQ(test::readAll(out), test::readAll(src));
}

// A file a rewrite in place was cut short in starts with a NUL byte and is of
// no known kind: the command puts back what it held from the journal the
// rewrite left, and converts it.
TEST_F(ResaveTest, AFileARewriteWasCutShortInIsPutBackAndConverted) {
    const Bytes before = test::readAll(src);
    const std::string head(64, 'x');
    sys::FaultPlan counting;
    {
        sys::ArmFaults armed(counting);
        RewriteFileHead(src, head);
    }
    test::writeAll(src, before);
    std::size_t cleared = 0;  // the write clearing the first byte, then its sync
    while (cleared < counting.calls.size() &&
           !(counting.calls[cleared].call == sys::Call::Pwrite && counting.calls[cleared].path == src))
        ++cleared;
    ASSERT_LT(cleared, counting.calls.size());
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        sys::FaultPlan kill;
        kill.failAt = static_cast<long long>(cleared) + 3;
        kill.fault = sys::Fault::Kill;
        sys::ArmFaults armed(kill);
        RewriteFileHead(src, head);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == sys::kStoppedStatus);
    ASSERT_EQ(test::readAll(src)[0], 0);
    dialog.target = out;
    EXPECT_EQ(ConvertSelectedFiles({src}, model, prompter, progress, dialog), 1);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
    EXPECT_EQ(test::readAll(src), before);
    EXPECT_EQ(test::readAll(out), before);
}

TEST_F(ResaveTest, ARefusedFileLeavesTheModelPointingWhereItWas) {
    Bytes damaged = test::readAll(src);
    test::put<std::int16_t>(damaged, 210, 300);  // more channels than the table holds
    std::string badSdf = dir.file("bad.sdf");
    test::writeAll(badSdf, damaged);
    std::string badTsd = dir.file("bad.tsd");
    test::writeText(badTsd, "Time Series Data Text Format Ver.2\r\nmemo\r\nnot a date\r\n");
    for (const std::string& bad : {badSdf, badTsd}) {
        model.FileName = "earlier.tsd";
        model.FileKind = 1;
        EXPECT_EQ(ConvertSelectedFiles({bad}, model, prompter, progress, dialog), 0);
        EXPECT_EQ(model.FileName, "earlier.tsd") << bad;
        EXPECT_EQ(model.FileKind, 1) << bad;
        model.FileKind = 0;
        EXPECT_EQ(ConvertSelectedFiles({bad}, model, prompter, progress, dialog), 0);
        EXPECT_EQ(model.FileKind, 0) << bad;
    }
    EXPECT_EQ(prompter.shown.size(), 4u);
    EXPECT_EQ(dialog.calls, 0);
}

// A version-2 TSD text: 1 interval channel with scale 0.5, 1 burst channel.
std::string sampleTSD(int burstsPresent) {
    std::string t =
        "Time Series Data Text Format Ver.2\r\n"
        "tsd memo\r\n"
        "2001/02/03 04:05:06 000\r\n"
        "1 sec\r\n"
        "3\r\n"
        "10 min\r\n"
        "1,1\r\n"
        "2\r\n"
        "0.5,1\r\n"
        "0,0\r\n"
        "lvl,bat\r\n"
        "cm,V\r\n";
    for (int b = 0; b < burstsPresent; ++b) {
        t += "No." + std::to_string(b + 1) + "\r\n";
        t += std::to_string(b + 1) + "\r\n=\r\n";
        t += std::to_string(12 + b) + "\r\n";
    }
    return t;
}

TEST_F(ResaveTest, TsdIsRequantisedWithTheDialogsScale) {
    std::string tsd = dir.file("text.sdf");  // recognised as TSD all the same
    test::writeText(tsd, sampleTSD(3));
    dialog.target = out;
    dialog.edit = [](CurrentFile& m) { m.ScaleA[0] = 0.25f; };
    EXPECT_EQ(ConvertSelectedFiles({tsd}, model, prompter, progress, dialog), 1);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
    Bytes o = test::readAll(out);
    ASSERT_EQ(o.size(), 512u + 3 * 3 * 2);
    EXPECT_EQ(test::get<std::int16_t>(o, 223), 3);
    for (int b = 0; b < 3; ++b) {
        std::size_t at = 512 + 6 * static_cast<std::size_t>(b);
        EXPECT_EQ(test::get<std::int16_t>(o, at), 4 * (b + 1));  // value b+1 at 0.25 per count
        EXPECT_EQ(test::get<std::int16_t>(o, at + 2), ErrorData);
        EXPECT_EQ(test::get<std::int16_t>(o, at + 4), 12 + b);
    }
}

TEST_F(ResaveTest, AShortTsdDeclaresTheBurstsCopied) {
    std::string tsd = dir.file("short.tsd");
    test::writeText(tsd, sampleTSD(2));
    dialog.target = out;
    EXPECT_EQ(ConvertSelectedFiles({tsd}, model, prompter, progress, dialog), 0);
    EXPECT_EQ(prompter.shown.size(), 1u);  // the reader's own message only
    Bytes o = test::readAll(out);
    ASSERT_EQ(o.size(), 512u + 2 * 3 * 2);
    EXPECT_EQ(test::get<std::int16_t>(o, 223), 2);
}

}  // namespace
}  // namespace brine
