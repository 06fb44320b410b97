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

}  // namespace brine
