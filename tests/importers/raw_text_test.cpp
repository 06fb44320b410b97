// The line reader of raw files and its number parsing.
#include <gtest/gtest.h>

#include "importers/raw_text.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

std::vector<std::string> allLines(const std::string& path, bool& eofAfterLast) {
    RawTextReader r(path);
    std::vector<std::string> out;
    std::string_view l;
    while (r.next(l)) out.emplace_back(l);
    eofAfterLast = r.eof();
    return out;
}

TEST(RawTextReaderTest, LineEndsAndBufferBoundaries) {
    test::TempDir dir;
    bool eof = false;
    std::string p = dir.file("a.raw");
    test::writeText(p, "a\rb\r\nc\n\nd");
    EXPECT_EQ(allLines(p, eof), (std::vector<std::string>{"a", "b", "c", "", "d"}));
    EXPECT_TRUE(eof);

    // A CR LF split across the reader's 1 MiB buffer, and a line longer than it.
    std::string first(1048575, 'x');
    std::string longLine(3000000, 'y');
    test::writeText(p, first + "\r\n" + longLine + "\r\nz\r\n");
    auto lines = allLines(p, eof);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], first);
    EXPECT_EQ(lines[1], longLine);
    EXPECT_EQ(lines[2], "z");

    RawTextReader r(p);
    std::string_view l;
    ASSERT_TRUE(r.next(l));
    EXPECT_FALSE(r.eof());
    EXPECT_EQ(r.lineNumber(), 1);
    EXPECT_THROW(RawTextReader(dir.file("missing.raw")), std::exception);
}

TEST(RawTextReaderTest, NumbersWithoutLocale) {
    EXPECT_EQ(ParseWhole(" 42 "), 42);
    EXPECT_EQ(ParseWhole("+7"), 7);
    EXPECT_EQ(ParseWhole("-3"), -3);
    EXPECT_FALSE(ParseWhole("1.5"));
    EXPECT_FALSE(ParseWhole(""));
    EXPECT_FALSE(ParseWhole("+-1"));
    EXPECT_EQ(ParseDecimal("1.5e3"), 1500.0);
    EXPECT_EQ(ParseDecimal("-.5"), -0.5);
    EXPECT_FALSE(ParseDecimal("1,5"));
    EXPECT_FALSE(ParseDecimal("inf"));
    EXPECT_FALSE(ParseDecimal("nan"));
    EXPECT_FALSE(ParseDecimal("0x10"));
}

}  // namespace
}  // namespace brine
