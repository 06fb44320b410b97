#include "sites/declination.h"

#include <cmath>

#include "base/errors.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "base/texts.h"

namespace brine {
namespace {

// Coefficients of P (minutes of arc) in the order: constant, dLat, dLon,
// dLat^2, dLat*dLon, dLon^2.
struct Coefficients {
    long double c, lat, lon, lat2, latLon, lon2;
};

constexpr Coefficients kModels[3] = {
    {22.820L, 21.009L, -7.360L, -0.197L, 0.587L, -0.961L},  // 1990
    {37.142L, 21.622L, -7.672L, 0.442L, -0.320L, -0.675L},  // 2000
    {40.585L, 19.003L, -6.265L, 0.009L, 0.024L, -0.591L},   // 2010
};

std::string twoDigits(int n) { return n < 10 ? "0" + std::to_string(n) : std::to_string(n); }

// The first n characters (code points) of UTF-8 text.
std::string_view firstChars(std::string_view s, std::size_t n) {
    std::size_t i = 0, count = 0;
    while (i < s.size()) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (count == n) break;
            ++count;
        }
        ++i;
    }
    return s.substr(0, i);
}

// One piece of a degree text: leading zeros skipped (the last character is
// kept, so "00" reads 0), then a whole number that must not be negative.
int readPiece(std::string_view piece, std::string_view shown) {
    std::size_t i = 0;
    while (i + 1 < piece.size() && piece[i] == '0') ++i;
    std::optional<int> v = ParseInt(piece.substr(i));
    if (!v || *v < 0) throw ConversionError(Text(Tx::SiteNotAnInteger, {shown}));
    return *v;
}

}  // namespace

float CalcDeclination(std::uint8_t model, float lat, float lon) {
    if (model > 2) throw RangeError();
    const Coefficients& k = kModels[model];
    const double dLat = static_cast<double>(lat) - 37.0;
    const double dLon = static_cast<double>(lon) - 138.0;
    const long double p = k.c + k.lat * dLat + k.lon * dLon + k.lat2 * dLat * dLat + k.latLon * dLat * dLon +
                          k.lon2 * dLon * dLon;
    const long double d = 7.0L + p / 60.0L;
    return static_cast<float>(RoundHalfAway(d * 100.0L) / 100.0L);
}

DegreeText DegreesToText(float v) {
    const bool negative = v < 0;
    const long double a = std::fabs(static_cast<long double>(v));
    const int deg = TruncChecked(a);
    const float m = static_cast<float>((a - deg) * 60.0L);
    const int min = TruncChecked(m);
    const int sec = RoundHalfEven((static_cast<long double>(m) - min) * 60.0L);
    DegreeText t;
    t.Deg = std::string(negative ? "-" : "") + std::string(firstChars(twoDigits(deg), 3));
    t.Min = std::string(firstChars(twoDigits(min), 2));
    t.Sec = std::string(firstChars(twoDigits(sec), 2));
    return t;
}

float TextToDegrees(std::string_view deg, std::string_view min, std::string_view sec) {
    const bool negative = !deg.empty() && deg[0] == '-';
    std::string_view degDigits = negative ? firstChars(deg, 4).substr(1) : firstChars(deg, 3);
    const int d = readPiece(degDigits, deg);
    const int m = readPiece(firstChars(min, 2), min);
    const int s = readPiece(firstChars(sec, 2), sec);
    const long double value = d + m / 60.0L + s / 3600.0L;
    return static_cast<float>(negative ? -value : value);
}

std::string DeclinationText(float d) { return FormatGeneral(static_cast<double>(d), 5); }

}  // namespace brine
