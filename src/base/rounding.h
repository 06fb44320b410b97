#pragma once
// The three roundings of the program, never mixed: half away from zero
// (converters), half to even (percentages, TSD reader, chart), truncation.
// Each raises RangeError instead of wrapping or invoking undefined behaviour.
#include <cstdint>

namespace brine {

constexpr std::int16_t ErrorData = -32768;     // missing or bad value
constexpr std::int16_t OldErrorData = 32767;   // missing value of SDF versions 1 to 3
constexpr float NoValue = 3.0e38f;             // importers: "no value" mark

// Half away from zero into the 32-bit range; RangeError for NaN or out of range.
int RoundHalfAway(long double x);
// Half to even into the 32-bit range; RangeError for NaN or out of range.
int RoundHalfEven(long double x);
// Truncation toward zero into the 32-bit range; RangeError for NaN or out of range.
int TruncChecked(long double x);

// Checked narrowing of an integer to a 16-bit count.
std::int16_t toCount(long long v);
// True when v fits a 16-bit count.
inline bool fitsCount(long long v) { return v >= -32768 && v <= 32767; }

bool HasValue(double v);  // finite and not above NoValue

// Count of value v with scale a and offset b. NoValue: no value (or a = 0);
// OutOfRange: the rounded count does not fit 16 bits. out is ErrorData then.
enum class CountStatus { Ok, NoValue, OutOfRange };
CountStatus ValueToCount(double v, float a, float b, std::int16_t& out);

}  // namespace brine
