#pragma once
// The nine time units; a unit code stored in files and in the model is an
// index into TimeUnits.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace brine {

struct TTimeUnit {
    const char* Name;
    long double SecondsPer;
    long double DaysPer;
};

inline constexpr std::array<TTimeUnit, 9> TimeUnits{{
    {"usec", 0.000001L, 1.0L / 86400000000.0L},
    {"msec", 0.001L, 1.0L / 86400000.0L},
    {"sec", 1.0L, 1.0L / 86400.0L},
    {"min", 60.0L, 1.0L / 1440.0L},
    {"hr", 3600.0L, 1.0L / 24.0L},
    {"days", 86400.0L, 1.0L},
    {"wk", 604800.0L, 7.0L},
    {"mo", 2592000.0L, 30.0L},
    {"yr", 31536000.0L, 365.0L},
}};

constexpr int kUnitCount = 9;
constexpr std::uint8_t kNoUnit = 10;

// Checked access: RangeError for a code above 8.
const TTimeUnit& unitAt(int code);
inline bool validUnit(int code) { return code >= 0 && code < kUnitCount; }

// Index of the first unit name (table order) contained in s, 10 when none.
std::uint8_t TimeUnitIndexOf(std::string_view s);

// Re-expresses a millisecond count in the largest of msec, sec, min, hr and
// days that holds it exactly.
void MsecToLargestUnit(std::int32_t& value, std::uint8_t& unitIndex);

}  // namespace brine
