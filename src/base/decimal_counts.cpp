#include "base/decimal_counts.h"

#include <cmath>

namespace brine {

template <typename Scale>
ChannelDecimals channelDecimals(Scale a, Scale b) {
    ChannelDecimals r;
    for (int d = 0; d <= 12; ++d) {
        const long double p = std::pow(10.0L, d);
        const long double sa = static_cast<long double>(a) * p, sb = static_cast<long double>(b) * p;
        if (!(std::fabs(sa) <= 1e9L && std::fabs(sb) <= 1e15L)) break;
        const long double ra = std::nearbyint(sa), rb = std::nearbyint(sb);
        if (ra == 0 || static_cast<Scale>(ra / p) != a || static_cast<Scale>(rb / p) != b) continue;
        r.found = true;
        r.d = d;
        r.aInt = static_cast<std::int64_t>(ra);
        r.bInt = static_cast<std::int64_t>(rb);
        const long double errA = std::fabs(static_cast<long double>(a) - ra / p);
        const long double errB = std::fabs(static_cast<long double>(b) - rb / p);
        // Rounding to a double (or reading one) is within 2^-53 of the value.
        const long double ulp = 0x1p-52L;
        r.slope = static_cast<double>(errA + std::fabs(static_cast<long double>(a)) * ulp);
        r.offset = static_cast<double>(errB + std::fabs(static_cast<long double>(b)) * ulp);
        r.countsExact = 32768.0L * r.slope + r.offset < 0.25L * std::fabs(static_cast<long double>(a));
        break;
    }
    return r;
}

template ChannelDecimals channelDecimals<float>(float a, float b);
template ChannelDecimals channelDecimals<double>(double a, double b);

}  // namespace brine
