// The line reader.
#include <gtest/gtest.h>

#include "base/line_reader.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

std::vector<std::string> allLines(const std::string& path, bool& eofAfterLast) {
    LineReader r(path);
    std::vector<std::string> out;
    std::string_view l;
    while (r.next(l)) out.emplace_back(l);
    eofAfterLast = r.eof();
    return out;
}

TEST(LineReaderTest, LineEndsAndBufferBoundaries) {
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

    LineReader r(p);
    std::string_view l;
    ASSERT_TRUE(r.next(l));
    EXPECT_FALSE(r.eof());
    EXPECT_EQ(r.lineNumber(), 1);
    EXPECT_THROW(LineReader(dir.file("missing.raw")), std::exception);
}

}  // namespace
}  // namespace brine
