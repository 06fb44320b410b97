#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "base/number_text.h"

namespace brine {
namespace {

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
    // Compared as digits and exponent: the layout is checked in the cases test.
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

}  // namespace
}  // namespace brine
