#pragma once
// Locale-free number text.
#include <optional>
#include <string>
#include <string_view>

namespace brine {

// General format with `digits` significant digits: rounded half away from zero
// on the exact binary value, trailing zeros dropped; fixed notation while
// -3 <= E <= digits (value = 0.d1d2... x 10^E), else "d.dddE-n" / "dEn".
// FormatGeneral(12345678, 7) == "1.234568E7", FormatGeneral(0.00005, 7) == "5E-5".
std::string FormatGeneral(double value, int digits = 7);

// The first `count` (1 to 18) significant digits of |value|, rounded half
// away from zero on its exact binary value, and the power of ten of the
// first digit: |value| ~ d.dd...d x 10^exponent. value is finite, not 0.
std::string SignificantDigits(double value, int count, int& exponent);

// Parses a decimal number (optional sign, digits, ".", exponent) with
// surrounding blanks allowed. No locale, no thousands separators.
std::optional<double> ParseNumber(std::string_view text);
// Parses an integer in the 32-bit range, surrounding blanks allowed.
std::optional<int> ParseInt(std::string_view text);

}  // namespace brine
