#include <gtest/gtest.h>

#include <filesystem>

#include "converters/addc_drf_command.h"
#include "converters/convert_drf.h"
#include "base/datetime.h"
#include "converter_fixtures.h"
#include "core/sdf_builder.h"

namespace brine {
namespace {

using test::Bytes;
using test::drfBurstCount;
using test::drfCount;
using test::DrfSpec;
using test::makeDRF;

class DrfTest : public test::ConverterTest {
protected:
    std::string writeDRF(const std::string& name, const DrfSpec& s) {
        std::string p = dir.file(name);
        test::writeAll(p, makeDRF(s));
        return p;
    }
};

TEST(DrfBlocks, BlocksPerBurst) {
    EXPECT_EQ(DRFBlocksPerBurst(2, 1, 600), 10u);  // (2402 + 36) / 256 = 9.5
    EXPECT_EQ(DRFBlocksPerBurst(1, 0, 110), 1u);   // 220 + 36 = 256 exactly
    EXPECT_EQ(DRFBlocksPerBurst(1, 0, 111), 2u);
}

TEST_F(DrfTest, HeaderIntervalsAndRounding) {
    struct Case {
        float freq, hours;
        std::int32_t sInt;
        int sitUnit;
        std::int32_t bInt;
    } cases[] = {
        {8, 0.5f, 125, 1, 1800},
        {3, 1, 333, 1, 3600},
        {400, 0, 2, 1, 0},       // 2.5 msec, halves to even
        {4000, 0.25f, 250, 0, 900},  // above 2 kHz: usec
    };
    for (const Case& c : cases) {
        DrfSpec s;
        s.freq = c.freq;
        s.hours = c.hours;
        ASSERT_TRUE(ReadDRFHeader(model, writeDRF("h.drf", s), prompter));
        EXPECT_EQ(model.SInt, c.sInt) << c.freq;
        EXPECT_EQ(model.SITUnit, c.sitUnit) << c.freq;
        EXPECT_EQ(model.BInt, c.bInt) << c.hours;
        EXPECT_EQ(model.BITUnit, 2);
    }
    EXPECT_EQ(FormatDateTimeMs(model.StartTime), "1998/07/01 06:30:15 000");
    EXPECT_EQ(model.ChannelName[2], "Chan2           ");
    EXPECT_EQ(model.ChannelUnit[2], "mm  ");
    EXPECT_FLOAT_EQ(model.ScaleA[2], 0.3f);
    EXPECT_EQ(model.OffsetB[2], -1.0f);
}

TEST_F(DrfTest, ConvertsEveryBurstFromItsBlock) {
    DrfSpec s;
    s.sampleSize = 600;  // 10 blocks per burst: burst 1 starts at block 12
    s.iterations = 3;
    std::string in = writeDRF("big.drf", s);
    std::string out = dir.file("big.sdf");
    test::DirectHeaderSave dialog(model, out);
    ASSERT_EQ(ConvertSelectedFiles({in}, model, prompter, progress, dialog), 1);
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_EQ(progress.titles, std::vector<std::string>{"ただ今、変換中．．．．"});
    EXPECT_NE(progress.comment.find(" => "), std::string::npos);

    Bytes b = test::readAll(out);
    const std::size_t record = (2 * 600 + 1) * 2;
    ASSERT_EQ(b.size(), 512 + 3 * record);
    EXPECT_EQ(test::get<std::int16_t>(b, 210), 2);
    EXPECT_EQ(test::get<std::int16_t>(b, 212), 1);
    EXPECT_EQ(test::get<std::int32_t>(b, 214), 600);
    EXPECT_EQ(test::get<std::int32_t>(b, 218), 125);
    EXPECT_EQ(b[222], 1);
    EXPECT_EQ(test::get<std::int16_t>(b, 223), 3);
    EXPECT_EQ(test::get<std::int32_t>(b, 225), 1800);
    EXPECT_EQ(b[229], 2);
    EXPECT_EQ(test::textAt(b, 256, 24), "Chan0           mm      ");
    for (int burst = 0; burst < 3; ++burst) {
        std::size_t at = 512 + burst * record;
        EXPECT_EQ(test::get<std::int16_t>(b, at), drfCount(burst, 0, 0));
        EXPECT_EQ(test::get<std::int16_t>(b, at + 2), drfCount(burst, 1, 0));
        EXPECT_EQ(test::get<std::int16_t>(b, at + 2 * (2 * 599 + 1)), drfCount(burst, 1, 599));
        EXPECT_EQ(test::get<std::int16_t>(b, at + record - 2), drfBurstCount(burst, 0));
    }
}

TEST_F(DrfTest, AShortFileDeclaresTheBurstsItHeld) {
    DrfSpec s;
    s.iterations = 10;
    s.burstsPresent = 7;
    s.extraBytes = 5;  // part of an eighth burst
    std::string out = dir.file("short.sdf");
    test::DirectHeaderSave dialog(model, out);
    EXPECT_EQ(ConvertDRFFile(model, writeDRF("short.drf", s), prompter, progress, dialog), JobResult::Done);
    Bytes b = test::readAll(out);
    const std::size_t record = (2 * 3 + 1) * 2;
    EXPECT_EQ(b.size(), 512 + 7 * record);
    EXPECT_EQ(test::get<std::int16_t>(b, 223), 7);
    EXPECT_EQ(dialog.calls, 1);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.lastText().find("10 バースト中 7 バースト"), std::string::npos);
}

TEST_F(DrfTest, ACutBeforeTheFirstBurstIsNotCountedAsConverted) {
    DrfSpec s;
    s.iterations = 5;
    s.burstsPresent = 0;
    s.extraBytes = 9;  // part of the first burst
    const std::string in = writeDRF("cut.drf", s);
    const std::string out = dir.file("cut.sdf");
    test::DirectHeaderSave dialog(model, out);
    EXPECT_EQ(ConvertSelectedFiles({in}, model, prompter, progress, dialog), 0);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    EXPECT_NE(prompter.lastText().find("5 バースト中 0 バースト"), std::string::npos);
    EXPECT_NE(prompter.lastText().find(in), std::string::npos);
    // An output without a burst is not made: the target stays as it was.
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(DrfTest, EndInsideTheBurstChannelsDropsThatBurst) {
    DrfSpec s;
    s.nch = 0;
    s.nch2 = 2;
    s.iterations = 3;
    s.burstsPresent = 2;
    s.extraBytes = 2;  // the first of two burst-channel counts only
    std::string out = dir.file("bc.sdf");
    test::DirectHeaderSave dialog(model, out);
    EXPECT_EQ(ConvertDRFFile(model, writeDRF("bc.drf", s), prompter, progress, dialog), JobResult::Done);
    Bytes b = test::readAll(out);
    EXPECT_EQ(test::get<std::int16_t>(b, 223), 2);
    ASSERT_EQ(b.size(), 512u + 2 * 4);
    EXPECT_EQ(test::get<std::int16_t>(b, 512 + 4 + 2), drfBurstCount(1, 1));
}

TEST_F(DrfTest, CancelEndsTheCommandAndTheHeaderCountsWhatWasWritten) {
    DrfSpec s;
    s.iterations = 6;
    std::string first = writeDRF("one.drf", s);
    std::string second = writeDRF("two.drf", s);
    std::string out = dir.file("one.sdf");
    test::DirectHeaderSave dialog(model, out);
    // Pressed while burst 2's percentage is shown: burst 2 is the last one.
    progress.cancelAfter = 3;
    EXPECT_EQ(ConvertSelectedFiles({first, second}, model, prompter, progress, dialog), 0);
    EXPECT_EQ(dialog.calls, 1);  // the second file is not handled
    Bytes b = test::readAll(out);
    EXPECT_EQ(test::get<std::int16_t>(b, 223), 3);
    EXPECT_EQ(b.size(), 512u + 3 * 14);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(DrfTest, DeclinedSaveGoesOnWithTheNextFileWhateverAnOldCancel) {
    std::vector<std::string> files = {writeDRF("a.drf", {}), writeDRF("b.drf", {})};
    test::DirectHeaderSave dialog(model, dir.file("x.sdf"));
    dialog.refuse = true;
    progress.cancelled = true;  // left over from an earlier, cancelled job
    EXPECT_EQ(ConvertSelectedFiles(files, model, prompter, progress, dialog), 0);
    EXPECT_EQ(dialog.calls, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.sdf")));
}

TEST_F(DrfTest, InvalidHeadersAreRefusedWithAMessage) {
    auto with = [](auto change) {
        DrfSpec s;
        change(s);
        return s;
    };
    std::vector<DrfSpec> bad = {
        with([](DrfSpec& s) { s.freq = 0; }),         with([](DrfSpec& s) { s.freq = -8; }),
        with([](DrfSpec& s) { s.iterations = 0; }),   with([](DrfSpec& s) { s.iterations = -3; }),
        with([](DrfSpec& s) { s.nch = -1; }),         with([](DrfSpec& s) { s.nch = 8, s.nch2 = 2; }),
        with([](DrfSpec& s) { s.nch = 200; }),        with([](DrfSpec& s) { s.hours = -1; }),
    };
    std::vector<std::string> files;
    for (std::size_t i = 0; i < bad.size(); ++i) files.push_back(writeDRF("bad" + std::to_string(i) + ".drf", bad[i]));
    Bytes tiny = makeDRF({});
    tiny.resize(520);  // ends inside the start time
    files.push_back(dir.file("tiny.drf"));
    test::writeAll(files.back(), tiny);
    model.Memo = "untouched";
    test::DirectHeaderSave dialog(model, dir.file("x.sdf"));
    EXPECT_EQ(ConvertSelectedFiles(files, model, prompter, progress, dialog), 0);
    EXPECT_EQ(dialog.calls, 0);
    EXPECT_EQ(model.Memo, "untouched");
    ASSERT_EQ(prompter.shown.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_NE(prompter.shown[i].text.find(files[i]), std::string::npos) << prompter.shown[i].text;
}

}  // namespace
}  // namespace brine
