// The line reader.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "base/line_reader.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

TEST(LineReaderTest, LineEndsOffsetsAndBufferBoundaries) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\rb\r\nc\n\nd", {"a", "b", "c", "", "d"}},
        {"ab\r\n", {"ab"}},
        {"ab\r", {"ab"}},
        {"\r\r\n\n\n\r", {"", "", "", "", ""}},
        {"a\r\r\nb\n\r", {"a", "", "b", ""}},
    };
    test::TempDir dir;
    const std::string p = dir.file("a.txt");
    // Reads of one byte put a buffer edge everywhere, a CR LF split included.
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, LineReader::kChunk}) {
        for (const Case& c : cases) {
            test::writeText(p, c.text);
            BinaryFile f(p, OpenMode::Read);
            LineReader r(f, chunk);
            std::vector<std::string> got;
            std::vector<std::uint64_t> offsets{r.offset()};
            for (std::string_view l; r.next(l);) {
                r.eof();  // readers ask before they use the line
                got.emplace_back(l);
                offsets.push_back(r.offset());
            }
            EXPECT_EQ(got, c.lines) << chunk << " " << c.text;
            EXPECT_TRUE(r.eof());
            EXPECT_EQ(r.lineNumber(), static_cast<long long>(c.lines.size()));
            // A reader that goes back to the offset of line k reads the rest.
            for (std::size_t k = 0; k < offsets.size(); ++k) {
                r.seek(offsets[k], k % 2 == 0 ? 0 : 2);
                std::vector<std::string> rest;
                for (std::string_view l; r.next(l);) rest.emplace_back(l);
                EXPECT_EQ(rest, std::vector<std::string>(c.lines.begin() + static_cast<long>(k), c.lines.end()))
                    << chunk << " " << c.text << " from line " << k;
            }
        }
    }
}

TEST(LineReaderTest, OpensByNameAndRefusesOverlongLines) {
    test::TempDir dir;
    const std::string p = dir.file("a.txt");
    test::writeText(p, "a\rbcd\r\nbcde\n");
    LineReader r(p);
    EXPECT_EQ(r.fileSize(), 12u);
    r.limitLineBytes(3);
    EXPECT_EQ(r.nextOrEmpty(), "a");
    EXPECT_EQ(r.nextOrEmpty(), "bcd");
    EXPECT_THROW(r.nextOrEmpty(), FormatError);
    EXPECT_THROW(LineReader(dir.file("missing.txt")), IoError);
}

}  // namespace
}  // namespace brine
