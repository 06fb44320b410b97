// The line reader.
#include <gtest/gtest.h>

#include <tuple>

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
        // Lines of every length around eight bytes, CR LF split between words of eight.
        {"0123456\r\n01234567\r\n012345678\n\n\r\r\n\r\n0123456789abcdef\r01234567\r",
         {"0123456", "01234567", "012345678", "", "", "", "", "0123456789abcdef", "01234567"}},
        {"\n\n\n\n\n\n\n\n\n\n\r\r\r\r\r\r\r\r\r\rabcdefghijklmnopq",
         {"", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "abcdefghijklmnopq"}},
    };
    test::TempDir dir;
    const std::string p = dir.file("a.txt");
    // Reads of one byte put a buffer edge everywhere, a CR LF split included.
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{11}, LineReader::kChunk}) {
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
            // Skipping k lines leaves the reader where k reads leave it.
            for (std::size_t k = 0; k < offsets.size(); ++k) {
                r.seek(0);
                ASSERT_TRUE(r.skipLines(k)) << chunk << " " << c.text << " " << k;
                EXPECT_EQ(r.offset(), offsets[k]) << chunk << " " << c.text << " " << k;
                EXPECT_EQ(r.lineNumber(), static_cast<long long>(k));
                std::string_view l;
                EXPECT_EQ(r.next(l), k < c.lines.size());
                if (k < c.lines.size()) {
                    EXPECT_EQ(l, c.lines[k]) << chunk << " " << c.text << " " << k;
                }
            }
            r.seek(0);
            EXPECT_FALSE(r.skipLines(c.lines.size() + 1)) << chunk << " " << c.text;
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
    r.seek(0);
    EXPECT_TRUE(r.skipLines(2));
    EXPECT_THROW(r.skipLines(1), FormatError);
    // Also a line of many words of eight bytes, and one that ends the file without an end.
    for (const char* text : {"ab\n0123456789abcdefghij\n", "ab\n0123456789abcdefghij"}) {
        test::writeText(p, text);
        LineReader longer(p);
        longer.limitLineBytes(19);
        EXPECT_TRUE(longer.skipLines(1));
        EXPECT_THROW(longer.skipLines(1), FormatError) << text;
        longer.seek(0);
        longer.limitLineBytes(20);
        EXPECT_TRUE(longer.skipLines(2)) << text;
    }
    EXPECT_THROW(LineReader(dir.file("missing.txt")), IoError);
}

TEST(LineReaderTest, SkipLinesRefusesAndStopsWhereSkipDoes) {
    // Lines of the limit whose CR ends a word of eight bytes and whose LF starts the next,
    // the next word skipped eight bytes at a time or byte by byte; an overlong line after others.
    struct Case {
        std::string text;
        std::size_t limit;
        std::uint64_t n;
        bool refused;
    };
    const Case cases[] = {
        {"aaaaa\r\naaaaaaaa\r\n", 8, 2, false},
        {"aaaaa\r\naaaaaaaa\r\n\n\n\n\n\n\n\n\n", 8, 3, false},
        {"aaaaaaa\n" + std::string(15, 'a') + "\r\n0123456789", 15, 3, false},
        {"aa\n" + std::string(20, 'a') + "\n", 8, 2, true},
    };
    test::TempDir dir;
    const std::string p = dir.file("a.txt");
    for (std::size_t chunk : {std::size_t{1}, std::size_t{11}, LineReader::kChunk}) {
        for (const Case& c : cases) {
            test::writeText(p, c.text);
            BinaryFile f(p, OpenMode::Read);
            LineReader one(f, chunk), all(f, chunk);
            one.limitLineBytes(c.limit);
            all.limitLineBytes(c.limit);
            int bySkip = 1, bySkipLines;  // 0 the file ended, 1 skipped, 2 refused
            try {
                for (std::uint64_t i = 0; i < c.n && bySkip == 1; ++i) bySkip = one.skip() ? 1 : 0;
            } catch (const FormatError&) {
                bySkip = 2;
            }
            try {
                bySkipLines = all.skipLines(c.n) ? 1 : 0;
            } catch (const FormatError&) {
                bySkipLines = 2;
            }
            EXPECT_EQ(bySkip, c.refused ? 2 : 1) << chunk << " " << c.text;
            EXPECT_EQ(std::tuple(bySkipLines, all.offset(), all.lineNumber()),
                      std::tuple(bySkip, one.offset(), one.lineNumber()))
                << chunk << " " << c.text;
        }
    }
}

}  // namespace
}  // namespace brine
