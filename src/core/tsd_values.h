#pragma once
// Number text of TSD burst values, shared by the writer and its tests.
#include <array>
#include <cstddef>
#include <cstdint>

namespace brine {

// The text of the values of one channel, count x A + B: "=" for ErrorData;
// the general 7-digit text; where B is large against A (|B| > 1e5 |A|), the
// fewest significant digits from 7 up whose text reads back to the count.
//
// The values of a channel share A and B, so where A and B are short decimals
// (A = a x 10^-d, B = b x 10^-d within their Single precision) the text is
// made from the digits of the integer c x a + b, whenever the computed value
// is provably close enough to that decimal for the general rule to give
// exactly those digits; every other count takes the general formatter.
class TsdValueText {
public:
    TsdValueText(float a, float b);

    // Room `write` needs at `out` (the text itself takes at most 25 bytes).
    static constexpr std::size_t kMaxBytes = 48;
    // Writes the text of count c at out and returns its end.
    char* write(char* out, std::int16_t c) const;

private:
    char* writeGeneral(char* out, std::int16_t c) const;
    // The text from the digits of c x a + b; nullptr when the general
    // formatter must decide.
    char* writeDigits(char* out, std::int16_t c) const;

    float a_, b_;
    bool plain_ = true;     // 7 digits always read back
    bool decimal_ = false;  // A and B are short decimals
    int decimals_ = 0;      // d
    std::int64_t aInt_ = 0, bInt_ = 0;
    bool digitsReadBack_ = false;  // a decimal of c reads back to c (wide texts)
    // limit_[j + kLimitBias]: |c| below it is close enough to show k - j
    // digits of a decimal of k digits.
    static constexpr int kLimitBias = 24;
    std::array<double, 2 * kLimitBias> limit_{};
};

}  // namespace brine
