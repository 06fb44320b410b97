#pragma once
// Counts straight from the digits of decimal text, for values that lie on a
// channel's count grid: a channel's A and B as short decimals, and a reader
// that takes a field's count from its digits when its value is a grid point.
// Scales are Singles (float) or Doubles (double).
#include <cstdint>

#include "base/rounding.h"

namespace brine {

// A and B of a channel as integers times 10^-d, each the decimal its Single
// (or Double) stands for, with the fewest decimals d; and how far a value
// computed from a count strays from the decimal of that count.
struct ChannelDecimals {
    bool found = false;
    int d = 0;
    std::int64_t aInt = 0, bInt = 0;
    // |c x A + B computed in extended precision, rounded to a double, minus
    // c x a x 10^-d + b x 10^-d| <= |c| slope + offset.
    double slope = 0, offset = 0;
    // The decimal text of any count, read back (a double, then (v - B) / A),
    // lands within a quarter of a count of it.
    bool countsExact = false;
};

template <typename Scale>
ChannelDecimals channelDecimals(Scale a, Scale b);

// Counts of one channel from the fields of a burst. An ordinary field, a
// decimal on the channel's count grid (as the writer makes them), gives its
// count from its digits alone: its value lies within a quarter of a count of
// that grid point, so rounding (v - B) / A gives the same count.
class CountReader {
public:
    template <typename Scale>
    CountReader(Scale a, Scale b) {
        const ChannelDecimals dec = channelDecimals(a, b);
        fast_ = dec.found && dec.countsExact;
        decimals_ = dec.d;
        aInt_ = dec.aInt;
        bInt_ = dec.bInt;
    }

    // The field starting at p and ending at the next comma or at e: true,
    // with p at its end, for an empty field, "=" or an ordinary number;
    // false, p unchanged, when the general reading must decide.
    bool read(const char*& p, const char* e, std::int16_t& out) const {
        const char* q = p;
        if (q == e || *q == ',') {
            out = ErrorData;
            return true;
        }
        if (*q == '=') {
            if (q + 1 != e && q[1] != ',') return false;
            out = ErrorData;
            p = q + 1;
            return true;
        }
        if (!fast_) return false;
        const bool negative = *q == '-';
        if (negative) ++q;
        std::uint64_t n = 0;
        int digits = 0, fraction = 0;
        for (; q != e && static_cast<unsigned char>(*q - '0') < 10; ++q, ++digits)
            n = n * 10 + static_cast<unsigned>(*q - '0');
        if (q != e && *q == '.') {
            for (++q; q != e && static_cast<unsigned char>(*q - '0') < 10; ++q, ++digits, ++fraction)
                n = n * 10 + static_cast<unsigned>(*q - '0');
        }
        if (digits == 0 || fraction > decimals_ || digits + decimals_ - fraction > 18) return false;
        if (q != e && *q != ',') return false;
        const auto scaled = static_cast<std::int64_t>(n * kPowers[decimals_ - fraction]);
        const std::int64_t grid = (negative ? -scaled : scaled) - bInt_;
        std::int64_t count;
        if (aInt_ == 1) {
            count = grid;
        } else {
            if (grid % aInt_ != 0) return false;
            count = grid / aInt_;
        }
        if (count < -32768 || count > 32767) return false;
        out = static_cast<std::int16_t>(count);
        p = q;
        return true;
    }

private:
    static constexpr std::uint64_t kPowers[] = {1ull,
                                                10ull,
                                                100ull,
                                                1000ull,
                                                10000ull,
                                                100000ull,
                                                1000000ull,
                                                10000000ull,
                                                100000000ull,
                                                1000000000ull,
                                                10000000000ull,
                                                100000000000ull,
                                                1000000000000ull,
                                                10000000000000ull};
    bool fast_ = false;
    int decimals_ = 0;
    std::int64_t aInt_ = 0, bInt_ = 0;
};

}  // namespace brine
