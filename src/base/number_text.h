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

// Parses a decimal number (optional sign, digits, ".", exponent) with
// surrounding blanks allowed. No locale, no thousands separators.
std::optional<double> ParseNumber(std::string_view text);
// Parses an integer in the 32-bit range, surrounding blanks allowed.
std::optional<int> ParseInt(std::string_view text);

}  // namespace brine
