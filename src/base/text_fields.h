#pragma once
// Fields of text lines: splitting at commas into views, trimming, and
// locale-free whole and decimal numbers.
#include <optional>
#include <string_view>
#include <vector>

namespace brine {

// Splits at commas into views of the line (every field kept).
void SplitFieldViews(std::string_view line, std::vector<std::string_view>& fields);

// Text without the bytes at or below the blank at both ends.
std::string_view TrimView(std::string_view s);

// Whole numbers and decimals without locale; surrounding blanks allowed,
// no hex, inf or nan.
std::optional<long long> ParseWhole(std::string_view text);
std::optional<double> ParseDecimal(std::string_view text);

}  // namespace brine
