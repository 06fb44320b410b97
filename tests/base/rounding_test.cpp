#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/errors.h"
#include "base/rounding.h"

using namespace brine;

TEST(Rounding, HalfAwayFromZero) {
    EXPECT_EQ(RoundHalfAway(0.5L), 1);
    EXPECT_EQ(RoundHalfAway(-0.5L), -1);
    EXPECT_EQ(RoundHalfAway(2.5L), 3);
    EXPECT_EQ(RoundHalfAway(-2.5L), -3);
    EXPECT_EQ(RoundHalfAway(2.4999L), 2);
    EXPECT_EQ(RoundHalfAway(0.49999999999999994), 0);  // adding 0.5 in double would give 1
    EXPECT_EQ(RoundHalfAway(2147483647.4L), 2147483647);
    EXPECT_EQ(RoundHalfAway(-2147483648.4L), -2147483647 - 1);
    EXPECT_THROW(RoundHalfAway(2147483647.6L), RangeError);
    EXPECT_THROW(RoundHalfAway(-2147483648.6L), RangeError);
    EXPECT_THROW(RoundHalfAway(std::numeric_limits<double>::quiet_NaN()), RangeError);
    EXPECT_THROW(RoundHalfAway(std::numeric_limits<double>::infinity()), RangeError);
}

TEST(Rounding, HalfToEven) {
    EXPECT_EQ(RoundHalfEven(0.5L), 0);
    EXPECT_EQ(RoundHalfEven(1.5L), 2);
    EXPECT_EQ(RoundHalfEven(2.5L), 2);
    EXPECT_EQ(RoundHalfEven(-2.5L), -2);
    EXPECT_EQ(RoundHalfEven(3.5L), 4);
    EXPECT_EQ(RoundHalfEven(2.5000001L), 3);
    EXPECT_EQ(RoundHalfEven(1.0L * 1 * 100 / 8), 12);  // 12.5 %: percentages round to even
    EXPECT_THROW(RoundHalfEven(2147483648.0L), RangeError);
    EXPECT_THROW(RoundHalfEven(std::nan("")), RangeError);
}

TEST(Rounding, TruncationIsChecked) {
    EXPECT_EQ(TruncChecked(2.9L), 2);
    EXPECT_EQ(TruncChecked(-2.9L), -2);
    EXPECT_EQ(TruncChecked(2147483647.9L), 2147483647);
    EXPECT_THROW(TruncChecked(2147483648.0L), RangeError);
    EXPECT_THROW(TruncChecked(-2147483649.0L), RangeError);
    EXPECT_THROW(TruncChecked(std::nan("")), RangeError);
}

TEST(Rounding, CountsNeverWrap) {
    EXPECT_EQ(toCount(32767), 32767);
    EXPECT_EQ(toCount(-32768), ErrorData);
    EXPECT_THROW(toCount(32768), RangeError);
    EXPECT_THROW(toCount(-32769), RangeError);
    EXPECT_THROW(toCount(65536), RangeError);  // would wrap to 0
    EXPECT_THROW(toCount(4294967296LL + 5), RangeError);
    EXPECT_TRUE(fitsCount(-32768));
    EXPECT_FALSE(fitsCount(32768));
}
