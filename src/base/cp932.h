#pragma once
// CP932 (Windows Japanese) text. Data text stays CP932 bytes in std::string;
// conversion to and from UTF-8 happens only at the UI boundary.
#include <cstddef>
#include <string>
#include <string_view>

namespace brine {

// True when b starts a double-byte CP932 character.
inline bool isCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// UTF-8 to CP932. Characters CP932 cannot hold become '?' and set *lossy.
std::string utf8ToCp932(std::string_view utf8, bool* lossy = nullptr);

// CP932 to UTF-8. Invalid bytes become U+FFFD.
std::string cp932ToUtf8(std::string_view cp932);

// The longest prefix of s of at most maxBytes bytes that does not split a
// double-byte character.
std::string cutCp932(std::string_view s, std::size_t maxBytes);


// Position of token in s at or after from, starting on a character boundary,
// so a trail byte of a double-byte character never starts a match; npos if none.
std::size_t findCp932(std::string_view s, std::string_view token, std::size_t from = 0);

}  // namespace brine
