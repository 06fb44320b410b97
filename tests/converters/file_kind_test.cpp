#include <gtest/gtest.h>

#include "converters/file_kind.h"
#include "base/errors.h"
#include "converter_fixtures.h"

namespace brine {
namespace {

std::string padded(std::string s) {
    s.resize(60, 'x');
    return s;
}

TEST(FileKind, RecognisesEachKindByItsFirstText) {
    EXPECT_EQ(KindOfHead(padded("Standard Burst-Interval Data Format Ver.4")), InputFileKind::SDF);
    EXPECT_EQ(KindOfHead(padded("Time Series Data Text Format Ver.2\r\n")), InputFileKind::TSD);
    EXPECT_EQ(KindOfHead(padded("AD/DC DATA FILE Ver.2   ")), InputFileKind::ADDC);
    EXPECT_EQ(KindOfHead(padded("DRF1 Ver.3          ")), InputFileKind::DRF);
    // One trailing blank missing: unknown.
    EXPECT_EQ(KindOfHead(padded("DRF1 Ver.3         x")), InputFileKind::Unknown);
    EXPECT_EQ(KindOfHead(padded("AD/DC DATA FILE Ver.2  x")), InputFileKind::Unknown);
    // A NUL ends the text before the magic is complete.
    std::string cut = padded("DRF1 Ver.3          ");
    cut[15] = '\0';
    EXPECT_EQ(KindOfHead(cut), InputFileKind::Unknown);
}

TEST(FileKind, ShortFilesAreUnknownAndTheExtensionDoesNotMatter) {
    test::TempDir dir;
    std::string shortFile = dir.file("short.sdf");
    test::writeText(shortFile, "Standard Burst-Interval Data Format Ver.4");  // 41 bytes
    EXPECT_EQ(SniffFileKind(shortFile), InputFileKind::Unknown);
    std::string empty = dir.file("empty.drf");
    test::writeText(empty, "");
    EXPECT_EQ(SniffFileKind(empty), InputFileKind::Unknown);
    std::string tsdNamedDrf = dir.file("data.drf");
    test::writeText(tsdNamedDrf, padded("Time Series Data Text Format Ver.2\r\n"));
    EXPECT_EQ(SniffFileKind(tsdNamedDrf), InputFileKind::TSD);
    EXPECT_THROW(SniffFileKind(dir.file("missing.sdf")), IoError);
}

}  // namespace
}  // namespace brine
