#include <gtest/gtest.h>

#include <cmath>

#include "base/number_text.h"

using namespace brine;

// Fixed notation up to the digit count, the exponent form beyond; ties of the
// exact binary value round away from zero, unlike printf's "%.7g".
TEST(FormatGeneralCases, WrittenValueTexts) {
    const struct {
        double value;
        int digits;
        const char* text;
    } cases[] = {
        {0.0001, 7, "0.0001"}, {0.00005, 7, "5E-5"}, {0.000001, 7, "1E-6"}, {1200000, 7, "1200000"},
        {1234567, 7, "1234567"}, {12345678, 7, "1.234568E7"}, {10000000, 7, "1E7"}, {0.00012345678, 7, "0.0001234568"},
        {123.456, 7, "123.456"}, {1.0 / 3, 7, "0.3333333"}, {1.5e300, 7, "1.5E300"}, {2.5e-300, 7, "2.5E-300"},
        {1e-300, 7, "1E-300"}, {3.4028234663852886e38, 7, "3.402823E38"}, {0.1f, 7, "0.1"},  // a Single widened
        {0, 7, "0"}, {-0.0, 7, "0"}, {-0.05, 7, "-0.05"}, {-0.00005, 7, "-5E-5"}, {-12345678, 7, "-1.234568E7"},
        {-0.25, 7, "-0.25"}, {-123.4499972406, 7, "-123.45"}, {9999999.6, 7, "1E7"}, {0.00099999996, 7, "0.001"},
        // Ties: exact ones go away from zero, a double just below one goes down.
        {1234567.5, 7, "1234568"}, {3292882.5, 7, "3292883"}, {-1234567.5, 7, "-1234568"},
        {7.0000005, 7, "7"}, {std::ldexp(1.0, -11), 7, "0.0004882813"},  // exactly 0.00048828125
        {9999999.5, 7, "1E7"},  // the carry adds a digit
        {0.999999951, 7, "1"}, {0.99999994, 7, "0.9999999"}, {2.5, 1, "3"}, {-2.5, 1, "-3"}, {0.125, 2, "0.13"},
        // 8 and 9 digits stay fixed up to their own digit count.
        {100001.234, 8, "100001.23"}, {100001.234, 9, "100001.234"}, {123456789, 9, "123456789"},
        {1234567890, 9, "1.23456789E9"}, {1234567891, 9, "1.23456789E9"}, {0.1f, 9, "0.100000001"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatGeneral(c.value, c.digits), c.text) << c.value << ", " << c.digits;
}

TEST(ParseNumberCases, PlainDecimalTextOnly) {
    EXPECT_EQ(ParseNumber(" 1.5 "), 1.5);
    EXPECT_EQ(ParseNumber(" 1.5E-3 "), 0.0015);
    EXPECT_EQ(ParseNumber("-2.5E-3"), -0.0025);
    EXPECT_EQ(ParseNumber("+7"), 7.0);
    EXPECT_EQ(ParseNumber("12\r\n"), 12.0);
    for (const char* bad : {"", "1,5", "0x10", "nan", "1.5x", "+-5", "+"}) EXPECT_FALSE(ParseNumber(bad)) << bad;
    EXPECT_EQ(ParseInt(" -32768 "), -32768);
    for (const char* bad : {"+-5", "+", "2147483648", "1.0"}) EXPECT_FALSE(ParseInt(bad)) << bad;
}
