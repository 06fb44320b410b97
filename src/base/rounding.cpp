#include "base/rounding.h"

#include <cmath>

#include "base/errors.h"

namespace brine {
namespace {

constexpr long double kIntMin = -2147483648.0L;
constexpr long double kIntMax = 2147483647.0L;

int checkedInt(long double t) {
    if (!(t >= kIntMin && t <= kIntMax)) throw RangeError();
    return static_cast<int>(t);
}

}  // namespace

int RoundHalfAway(long double x) {
    if (std::isnan(x)) throw RangeError();
    return checkedInt(x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L));
}

int RoundHalfEven(long double x) {
    if (std::isnan(x)) throw RangeError();
    return checkedInt(std::nearbyint(x));  // default mode is round-to-nearest-even
}

int TruncChecked(long double x) {
    if (std::isnan(x)) throw RangeError();
    return checkedInt(std::trunc(x));
}

std::int16_t toCount(long long v) {
    if (!fitsCount(v)) throw RangeError();
    return static_cast<std::int16_t>(v);
}

bool HasValue(double v) { return std::isfinite(v) && v <= static_cast<double>(NoValue); }

CountStatus ValueToCount(double v, float a, float b, std::int16_t& out) {
    out = ErrorData;
    if (!HasValue(v) || a == 0 || !std::isfinite(a) || !std::isfinite(b)) return CountStatus::NoValue;
    long double x = (static_cast<long double>(v) - b) / a;
    if (std::isnan(x)) return CountStatus::NoValue;
    long double r = x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L);
    if (!(r >= -32768.0L && r <= 32767.0L)) return CountStatus::OutOfRange;
    out = static_cast<std::int16_t>(r);
    return CountStatus::Ok;
}

}  // namespace brine
