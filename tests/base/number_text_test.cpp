#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "base/number_text.h"

namespace brine {
namespace {

TEST(FormatGeneral, WrittenValueExamples) {
    EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
    EXPECT_EQ(FormatGeneral(0.00005), "5E-5");
    EXPECT_EQ(FormatGeneral(0.000001 * 1 + 0), "1E-6");
    EXPECT_EQ(FormatGeneral(1200000), "1200000");
    EXPECT_EQ(FormatGeneral(1234567), "1234567");
    EXPECT_EQ(FormatGeneral(12345678), "1.234568E7");
    EXPECT_EQ(FormatGeneral(-0.05), "-0.05");
    EXPECT_EQ(FormatGeneral(0), "0");
    EXPECT_EQ(FormatGeneral(-0.0), "0");
    EXPECT_EQ(FormatGeneral(10000000), "1E7");
    EXPECT_EQ(FormatGeneral(9999999.6), "1E7");
    EXPECT_EQ(FormatGeneral(0.00099999996), "0.001");
    EXPECT_EQ(FormatGeneral(-123.4499972406), "-123.45");
    EXPECT_EQ(FormatGeneral(1e-300), "1E-300");
    EXPECT_EQ(FormatGeneral(3.4028234663852886e38), "3.402823E38");
    // Exact ties go away from zero; a value just below a tie goes down.
    EXPECT_EQ(FormatGeneral(1234567.5), "1234568");
    EXPECT_EQ(FormatGeneral(3292882.5), "3292883");
    EXPECT_EQ(FormatGeneral(-2.5, 1), "-3");
    EXPECT_EQ(FormatGeneral(0.125, 2), "0.13");
    EXPECT_EQ(FormatGeneral(7.0000005), "7");
    // 8 and 9 digits stay fixed up to their own digit count.
    EXPECT_EQ(FormatGeneral(100001.234, 8), "100001.23");
    EXPECT_EQ(FormatGeneral(100001.234, 9), "100001.234");
    EXPECT_EQ(FormatGeneral(123456789, 9), "123456789");
    EXPECT_EQ(FormatGeneral(1234567890, 9), "1.23456789E9");
}

// Independent reference: the exact decimal expansion, rounded half away.
std::string reference(double v, int digits) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%.*e", 100, std::fabs(v));
    std::string all;
    const char* p = buf;
    for (; *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') all += *p;
    int exp10 = std::atoi(p + 1) + 1;
    std::string d = all.substr(0, static_cast<std::size_t>(digits));
    if (all[static_cast<std::size_t>(digits)] >= '5') {
        int i = digits - 1;
        while (i >= 0 && d[static_cast<std::size_t>(i)] == '9') d[static_cast<std::size_t>(i--)] = '0';
        if (i < 0) {
            d.insert(d.begin(), '1');
            d.pop_back();
            ++exp10;
        } else {
            ++d[static_cast<std::size_t>(i)];
        }
    }
    while (d.size() > 1 && d.back() == '0') d.pop_back();
    // Compare as digits and exponent: the layout is checked above.
    return std::string(v < 0 ? "-" : "") + d + "e" + std::to_string(exp10);
}

std::string digitsOf(const std::string& text) {
    // Back from the written form to digits and exponent.
    std::string sign = text[0] == '-' ? "-" : "";
    std::string t = sign.empty() ? text : text.substr(1);
    int expo = 0;
    std::size_t e = t.find('E');
    if (e != std::string::npos) {
        expo = std::stoi(t.substr(e + 1));
        t = t.substr(0, e);
    }
    std::size_t dot = t.find('.');
    std::string intPart = t.substr(0, dot), frac = dot == std::string::npos ? "" : t.substr(dot + 1);
    std::string all = intPart + frac;
    int exp10 = static_cast<int>(intPart.size()) + expo;
    std::size_t lead = all.find_first_not_of('0');
    exp10 -= static_cast<int>(lead);
    all = all.substr(lead);
    while (all.size() > 1 && all.back() == '0') all.pop_back();
    return sign + all + "e" + std::to_string(exp10);
}

TEST(FormatGeneral, MatchesTheExactRoundingForManyValues) {
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<int> expo(-30, 30);
    std::uniform_real_distribution<double> mant(-1, 1);
    std::uniform_int_distribution<long long> ints(1, 99999999);
    int checked = 0;
    for (int i = 0; i < 40000; ++i) {
        double v;
        switch (i % 4) {
            case 0: v = mant(rng) * std::pow(10.0, expo(rng)); break;
            // Exact ties of 7 digits: 8 digits ending in 5, scaled by powers of two.
            case 1: v = static_cast<double>(ints(rng) / 10 * 10 + 5) * std::ldexp(1.0, expo(rng) / 3); break;
            // Counts times float scales, as the writers produce them.
            case 2: v = static_cast<double>(static_cast<long double>(ints(rng) % 65536 - 32768) *
                                            static_cast<float>(mant(rng) * std::pow(10.0, expo(rng) / 5))); break;
            default: v = static_cast<double>(ints(rng)) / 2.0 / std::pow(10.0, expo(rng) % 8); break;
        }
        if (v == 0) continue;
        for (int digits : {7, 8, 9}) {
            ASSERT_EQ(digitsOf(FormatGeneral(v, digits)), reference(v, digits))
                << "value " << v << " digits " << digits << " text " << FormatGeneral(v, digits);
            ++checked;
        }
    }
    EXPECT_GT(checked, 100000);
}

TEST(ParseNumber, PlainDecimalsOnly) {
    EXPECT_EQ(ParseNumber(" 1.5E-3 "), 0.0015);
    EXPECT_EQ(ParseNumber("+2"), 2.0);
    EXPECT_FALSE(ParseNumber("1,5"));
    EXPECT_FALSE(ParseNumber("nan"));
    EXPECT_FALSE(ParseNumber(""));
}

}  // namespace
}  // namespace brine
