#include <gtest/gtest.h>

#include <cmath>

#include "base/number_text.h"

using namespace brine;

TEST(FormatGeneralCases, FixedAndExponentForms) {
    EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00005), "5E-5");
    EXPECT_EQ(FormatGeneral(0.000001), "1E-6");
    EXPECT_EQ(FormatGeneral(1200000), "1200000");
    EXPECT_EQ(FormatGeneral(1234567), "1234567");
    EXPECT_EQ(FormatGeneral(12345678), "1.234568E7");
    EXPECT_EQ(FormatGeneral(10000000), "1E7");
    EXPECT_EQ(FormatGeneral(0.00012345678), "0.0001234568");
    EXPECT_EQ(FormatGeneral(123.456), "123.456");
    EXPECT_EQ(FormatGeneral(1.0 / 3), "0.3333333");
    EXPECT_EQ(FormatGeneral(1.5e300), "1.5E300");
    EXPECT_EQ(FormatGeneral(2.5e-300), "2.5E-300");
    EXPECT_EQ(FormatGeneral(0.1f), "0.1");  // a Single scale widened to double
    EXPECT_EQ(FormatGeneral(0), "0");
    EXPECT_EQ(FormatGeneral(-0.0), "0");
}

TEST(FormatGeneralCases, NegativeValues) {
    EXPECT_EQ(FormatGeneral(-0.00005), "-5E-5");
    EXPECT_EQ(FormatGeneral(-12345678), "-1.234568E7");
    EXPECT_EQ(FormatGeneral(-1234567.5), "-1234568");
    EXPECT_EQ(FormatGeneral(-0.25), "-0.25");
}

// Ties of the exact binary value round away from zero, unlike printf's "%.7g".
TEST(FormatGeneralCases, TiesRoundHalfAwayOnTheExactValue) {
    EXPECT_EQ(FormatGeneral(1234567.5), "1234568");
    EXPECT_EQ(FormatGeneral(3292882.5), "3292883");
    EXPECT_EQ(FormatGeneral(7.0000005), "7");            // the double lies just below the tie
    EXPECT_EQ(FormatGeneral(std::ldexp(1.0, -11)), "0.0004882813");  // exactly 0.00048828125
    EXPECT_EQ(FormatGeneral(9999999.5), "1E7");          // the carry adds a digit
    EXPECT_EQ(FormatGeneral(0.999999951), "1");
    EXPECT_EQ(FormatGeneral(0.99999994), "0.9999999");
    EXPECT_EQ(FormatGeneral(2.5, 1), "3");
}

TEST(FormatGeneralCases, MoreDigits) {
    EXPECT_EQ(FormatGeneral(123456789.0, 9), "123456789");
    EXPECT_EQ(FormatGeneral(1234567891.0, 9), "1.23456789E9");
    EXPECT_EQ(FormatGeneral(0.1f, 9), "0.100000001");
}

TEST(ParseNumberCases, PlainDecimalTextOnly) {
    EXPECT_EQ(ParseNumber(" 1.5 "), 1.5);
    EXPECT_EQ(ParseNumber("-2.5E-3"), -0.0025);
    EXPECT_EQ(ParseNumber("+7"), 7.0);
    EXPECT_EQ(ParseNumber("12\r\n"), 12.0);
    EXPECT_FALSE(ParseNumber(""));
    EXPECT_FALSE(ParseNumber("1,5"));
    EXPECT_FALSE(ParseNumber("0x10"));
    EXPECT_FALSE(ParseNumber("nan"));
    EXPECT_FALSE(ParseNumber("1.5x"));
    EXPECT_FALSE(ParseNumber("+-5"));
    EXPECT_FALSE(ParseNumber("+"));
    EXPECT_FALSE(ParseInt("+-5"));
    EXPECT_FALSE(ParseInt("+"));
    EXPECT_EQ(ParseInt(" -32768 "), -32768);
    EXPECT_FALSE(ParseInt("2147483648"));
    EXPECT_FALSE(ParseInt("1.0"));
}
