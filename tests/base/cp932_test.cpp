#include <gtest/gtest.h>

#include "base/cp932.h"

using namespace brine;

// The bytes where CP932 and plain Shift_JIS disagree must follow CP932.
TEST(Cp932, DecodesTheWindowsMapping) {
    EXPECT_EQ(cp932ToUtf8("C:\\data"), "C:\\data");            // 0x5C is a backslash, not a yen sign
    EXPECT_EQ(cp932ToUtf8("a~b"), "a~b");                      // 0x7E is a tilde, not an overline
    EXPECT_EQ(cp932ToUtf8("\x81\x60"), "\xEF\xBD\x9E");        // U+FF5E, not the wave dash U+301C
    EXPECT_EQ(cp932ToUtf8("\x81\x5F"), "\xEF\xBC\xBC");        // U+FF3C fullwidth reverse solidus
    EXPECT_EQ(cp932ToUtf8("\x81\x7C"), "\xEF\xBC\x8D");        // U+FF0D fullwidth hyphen-minus
    EXPECT_EQ(cp932ToUtf8("\x87\x40"), "\xE2\x91\xA0");        // NEC circled digit one
    EXPECT_EQ(cp932ToUtf8("\x87\x8A"), "\xE3\x88\xB1");        // NEC parenthesised "kabu"
    EXPECT_EQ(cp932ToUtf8("\xB1"), "\xEF\xBD\xB1");            // half-width katakana A
}

TEST(Cp932, RoundTripsJapaneseText) {
    // "ソ" and "表" have 0x5C as their second byte.
    const std::string utf8 = "ソ表示 データ①～ｱ\\";
    const std::string sjis = utf8ToCp932(utf8);
    EXPECT_EQ(sjis, "\x83\x5C\x95\x5C\x8E\xA6 \x83\x66\x81\x5B\x83\x5E\x87\x40\x81\x60\xB1\\");
    EXPECT_EQ(cp932ToUtf8(sjis), utf8);
}

TEST(Cp932, UnmappableAndInvalidInputIsReplacedNotDropped) {
    bool lossy = false;
    EXPECT_EQ(utf8ToCp932("a\xF0\x9F\x98\x80" "b", &lossy), "a?b");  // an emoji
    EXPECT_TRUE(lossy);
    utf8ToCp932("abc", &lossy);
    EXPECT_FALSE(lossy);
    EXPECT_EQ(cp932ToUtf8("a\x83"), "a\xEF\xBF\xBD");        // dangling lead byte at the end
    EXPECT_EQ(cp932ToUtf8("\xA0z"), "\xEF\xBF\xBDz");        // byte with no character
}

TEST(Cp932, CutsOnlyAtCharacterBoundaries) {
    const std::string de = "\x83\x66";  // "デ"
    EXPECT_EQ(cutCp932("ab" + de, 3), "ab");
    EXPECT_EQ(cutCp932("ab" + de, 4), "ab" + de);
    EXPECT_EQ(cutCp932("\x83\x5C\x83\x5C", 3), "\x83\x5C");  // trail byte 0x5C is not a character
    EXPECT_EQ(cutCp932("\xB1\xB2\xB3", 2), "\xB1\xB2");      // half-width katakana take one byte
    EXPECT_EQ(cutCp932("", 5), "");

    std::string memo;
    for (int i = 0; i < 81; ++i) memo += "\x82\xA0";  // 162 bytes of "あ"
    EXPECT_EQ(cutCp932(memo, 160).size(), 160u);
    const std::string cut = cutCp932("a" + memo, 160);
    EXPECT_EQ(cut.size(), 159u);
    EXPECT_EQ(cp932ToUtf8(cut).find("\xEF\xBF\xBD"), std::string::npos);  // no broken character
}
