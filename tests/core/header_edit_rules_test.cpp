#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "core/header_edit_rules.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

TEST(HeaderTarget, KindDecidesTheExtension) {
    EXPECT_EQ(HeaderTargetName("out", 0), "out.sdf");
    EXPECT_EQ(HeaderTargetName("out.dat", 0), "out.sdf");
    EXPECT_EQ(HeaderTargetName("out.tsd", 0), "out.sdf");
    EXPECT_EQ(HeaderTargetName("/d/Out.SDF", 0), "/d/Out.SDF");
    EXPECT_EQ(HeaderTargetName("/d.x/out", 1), "/d.x/out.tsd");
    EXPECT_EQ(HeaderTargetName("out.sdf", 1), "out.tsd");
    EXPECT_EQ(HeaderTargetName("", 0), "");
}

TEST(HeaderTarget, SourceIsFoundByIdentity) {
    test::TempDir dir;
    std::string sdf = dir.file("src.sdf"), tsd = dir.file("src.tsd"), other = dir.file("other.sdf");
    std::string tsdNamedSdf = dir.file("text.sdf");
    test::writeText(sdf, "Standard Burst-Interval Data Format Ver.4");
    test::writeText(tsdNamedSdf, "Time Series Data Text Format Ver.2\r\n");
    test::writeText(tsd, "x");
    test::writeText(other, "x");
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_symlink(sdf, dir.path() / "link.sdf");
    std::filesystem::create_symlink(tsd, dir.path() / "tsdlink.sdf");

    EXPECT_EQ(CheckSaveTarget(sdf, sdf), TargetCheck::SourceSdf);
    EXPECT_EQ(CheckSaveTarget(dir.file("sub/../src.sdf"), sdf), TargetCheck::SourceSdf);
    EXPECT_EQ(CheckSaveTarget(dir.file("link.sdf"), sdf), TargetCheck::SourceSdf);
    // An SDF name that is really the TSD being read must not be written into.
    EXPECT_EQ(CheckSaveTarget(dir.file("tsdlink.sdf"), tsd), TargetCheck::SourceRefused);
    EXPECT_EQ(CheckSaveTarget(tsd, tsd), TargetCheck::SourceRefused);
    // Nor the TSD (or DRF, ADDC) being read when its name ends in ".sdf".
    EXPECT_EQ(CheckSaveTarget(tsdNamedSdf, tsdNamedSdf), TargetCheck::SourceRefused);
    EXPECT_EQ(CheckSaveTarget(other, sdf), TargetCheck::ExistingFile);
    EXPECT_EQ(CheckSaveTarget(other, ""), TargetCheck::ExistingFile);
    EXPECT_EQ(CheckSaveTarget(dir.file("new.sdf"), sdf), TargetCheck::NewFile);
    // A source name from a file that no longer exists matches nothing.
    EXPECT_EQ(CheckSaveTarget(dir.file("new.sdf"), dir.file("new.sdf")), TargetCheck::NewFile);
}

TEST(HeaderEdits, SamplingIntervalIsAPositiveInteger) {
    EXPECT_EQ(ParseSamplingInterval("1"), 1);
    EXPECT_EQ(ParseSamplingInterval(" 250 "), 250);
    for (const char* bad : {"0", "-3", "1.5", "", "abc", "99999999999"})
        EXPECT_FALSE(ParseSamplingInterval(bad)) << bad;
}

TEST(HeaderEdits, StartTimeKeepsMilliseconds) {
    double t = ParseStartTime("2024/05/06 12:00:00 500");
    EXPECT_EQ(FormatDateTimeMs(t), "2024/05/06 12:00:00 500");
    EXPECT_EQ(FormatDateTimeMs(ParseStartTime("2024/05/06 12:00:00")), "2024/05/06 12:00:00 000");
    EXPECT_THROW(ParseStartTime("2024/13/06 12:00:00"), ConversionError);
    EXPECT_THROW(ParseStartTime("yesterday"), ConversionError);
}

TEST(HeaderEdits, IterationsWithinTheBurstCount) {
    EXPECT_EQ(ParseIterations("1", true), 1);
    EXPECT_EQ(ParseIterations("32767", true), 32767);
    for (const char* bad : {"0", "-1", "32768", "", "2.5"}) EXPECT_THROW(ParseIterations(bad, true), RangeError) << bad;
    EXPECT_EQ(ParseIterations("0", false), 0);
    EXPECT_THROW(ParseIterations("40000", false), RangeError);
    EXPECT_THROW(ParseIterations("x", false), ConversionError);
}

TEST(HeaderEdits, UneditedScaleKeepsItsExactValue) {
    float stored = 0.123456789f;  // needs 9 digits; 7 are shown
    EXPECT_EQ(ScaleCellText(stored), "0.1234568");
    EXPECT_EQ(ParseScaleCell(ScaleCellText(stored), stored), stored);
    EXPECT_EQ(ParseScaleCell("0.1234568", 1.0f), 0.1234568f);
    EXPECT_EQ(ParseScaleCell("-2.5E-3", 0), -0.0025f);
    EXPECT_THROW(ParseScaleCell("1,5", 0), ConversionError);
    EXPECT_THROW(ParseScaleCell("", 0), ConversionError);
    EXPECT_THROW(ParseScaleCell("1e39", 0), RangeError);
}

TEST(HeaderEdits, ChannelTextLimits) {
    EXPECT_TRUE(ChannelTextAcceptable("水位", 8));
    EXPECT_TRUE(ChannelTextAcceptable("あいうえおかきく", 16));    // 16 bytes
    EXPECT_FALSE(ChannelTextAcceptable("あいうえおかきくけ", 16));  // 18 bytes
    EXPECT_FALSE(ChannelTextAcceptable("a,b", 16));
    EXPECT_FALSE(ChannelTextAcceptable("温度😀", 16));
    EXPECT_TRUE(ChannelTextAcceptable("", 8));
    // Grid columns: name 16 bytes, unit 8, the rest unchecked.
    EXPECT_TRUE(ChannelCellAcceptable(1, "あいうえおかきく"));
    EXPECT_FALSE(ChannelCellAcceptable(2, "あいうえお"));
    EXPECT_TRUE(ChannelCellAcceptable(3, "1,5"));
}

TEST(HeaderEdits, MemoLinesAndLimit) {
    std::string cp = utf8ToCp932("一行目") + "\r\n" + utf8ToCp932("二行目") + "\r" + "three   ";
    EXPECT_EQ(MemoForDisplay(cp), "一行目\n二行目\nthree");
    EXPECT_EQ(MemoFromDisplay("a\nb"), "a\r\nb");
    std::string jp80, jp81;
    for (int i = 0; i < 80; ++i) jp80 += "あ";
    jp81 = jp80 + "い";
    EXPECT_TRUE(MemoChangeAcceptable("", jp80));    // 160 bytes
    EXPECT_FALSE(MemoChangeAcceptable(jp80, jp81));  // 162 bytes
    EXPECT_FALSE(MemoChangeAcceptable("ab", "ab😀"));
    // Unedited, the stored bytes go out as they are (less trailing controls);
    // edited, the text is converted and cut at a character boundary.
    EXPECT_EQ(MemoToWrite("a\r\nb  \r\n", false, "ignored"), "a\r\nb");
    EXPECT_EQ(MemoToWrite("old", true, "x\ny"), "x\r\ny");
    EXPECT_EQ(MemoToWrite("", true, jp80 + "う"), utf8ToCp932(jp80));
    // A character already there that CP932 lacks does not block other edits.
    EXPECT_TRUE(MemoChangeAcceptable("ab😀", "a😀"));
    EXPECT_EQ(UnencodableCount("?😀?"), 1);
}

TEST(HeaderShown, GridHeightAndLastSample) {
    EXPECT_EQ(ChannelGridHeight(6, 20), 132);
    EXPECT_EQ(ChannelGridHeight(3, 20), 83);
    EXPECT_EQ(ChannelGridHeight(3, 18, 80), 77);
    EXPECT_EQ(ChannelGridHeight(4, 18, 80), 80);
    CurrentFile m;
    m.StartTime = ParseStartTime("2024/01/01 00:00:00");
    m.Iterations = 3;
    m.BInt = 1;
    m.BITUnit = 4;  // hr
    m.SampleSize = 11;
    m.SInt = 500;
    m.SITUnit = 1;  // msec
    EXPECT_EQ(FormatDateTimeMs(LastSampleTime(m)), "2024/01/01 02:00:05 000");
}

TEST(BlockPaste, OverlappingAnchorsClippedAtTheEdge) {
    // A 2 x 2 block pasted with three cells of one row selected, in a grid
    // of 5 columns and 4 rows.
    // Anchor (2,3): (2,3) (3,3); anchor (3,3): (3,3) (4,3); anchor (4,3): (4,3).
    // Row 4 and column 5 are outside; the last anchor's first column wins.
    std::vector<std::array<int, 4>> steps;
    for (const PasteStep& s : PastePlan({2, 3, 4, 3}, 2, 2, 5, 4)) steps.push_back({s.col, s.row, s.i, s.k});
    EXPECT_EQ(steps, (std::vector<std::array<int, 4>>{{2, 3, 0, 0}, {3, 3, 1, 0}, {3, 3, 0, 0}, {4, 3, 1, 0},
                                                      {4, 3, 0, 0}}));
    EXPECT_TRUE(PastePlan({1, 1, 0, 0}, 2, 2, 5, 4).empty());
}

}  // namespace
}  // namespace brine
