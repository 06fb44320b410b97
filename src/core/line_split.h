#pragma once
// Line splitters shared by every converter. Both keep at most 129 fields.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brine {

constexpr int kMaxFields = 129;

// Splits at commas: an empty line gives one empty field, a trailing comma a
// trailing empty field. Writing past Fields raises RangeError.
void SplitCommas(std::string_view S, int& Count, std::span<std::string> Fields);
// Splits at runs of blanks (only ' ' separates; leading characters at or below
// the blank are skipped). An all-blank line gives one empty field.
void SplitBlanks(std::string_view S, int& Count, std::span<std::string> Fields);

// Convenience forms returning up to 129 fields.
std::vector<std::string> SplitCommas(std::string_view S);
std::vector<std::string> SplitBlanks(std::string_view S);

// S without one leading and one trailing single quote.
std::string StripQuotes(std::string_view S);

}  // namespace brine
