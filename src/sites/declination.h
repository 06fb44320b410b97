#pragma once
// Magnetic declination from three empirical approximation formulas, and the
// degree/minute/second text of positions.
#include <cstdint>
#include <string>
#include <string_view>

namespace brine {

// Models in the order of the site window's model list.
constexpr std::uint8_t Model1990 = 0;
constexpr std::uint8_t Model2000 = 1;
constexpr std::uint8_t Model2010 = 2;
constexpr std::uint8_t DefaultDeclinationModel = Model2010;

// Declination in degrees (east positive) at a position in decimal degrees,
// rounded to hundredths half away from zero. RangeError for an unknown model.
float CalcDeclination(std::uint8_t model, float lat, float lon);

// A position as the three texts of the degree, minute and second edits. The
// sign of a negative position goes on the degrees only ("-35", "44", "42").
struct DegreeText {
    std::string Deg;
    std::string Min;
    std::string Sec;
};

// Degrees to text: whole degrees, whole minutes of the 32-bit fraction, and
// seconds rounded half to even (so seconds may read 60). Numbers below 10
// get a leading "0".
DegreeText DegreesToText(float v);

// Text to degrees. Each piece is cut to 3 characters (degrees, plus a leading
// "-") or 2 (minutes, seconds) and read as a whole number; a "-" on the
// degrees makes the whole position negative. ConversionError when a piece is
// not a non-negative whole number.
float TextToDegrees(std::string_view deg, std::string_view min, std::string_view sec);

// The declination as shown in its edit: general format, 5 significant digits.
std::string DeclinationText(float d);

}  // namespace brine
