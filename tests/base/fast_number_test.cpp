#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "base/fast_number.h"
#include "base/number_text.h"

namespace brine {
namespace {

std::string fast(double v) {
    char buf[32];
    return std::string(buf, WriteGeneral7(buf, v));
}

TEST(FastGeneral7, KnownTexts) {
    // Exact ties go away from zero; the double below 7.0000005 does not.
    const std::pair<double, const char*> cases[] = {
        {0, "0"}, {0.0001, "0.0001"}, {0.00005, "5E-5"}, {0.000001, "1E-6"}, {1200000, "1200000"},
        {1234567, "1234567"}, {12345678, "1.234568E7"}, {-327.68, "-327.68"}, {9.9999996, "10"},
        {1234567.5, "1234568"}, {3292882.5, "3292883"}, {-1240672.5, "-1240673"}, {7.0000005, "7"}};
    for (auto [v, text] : cases) EXPECT_EQ(fast(v), text) << v;
}

TEST(FastGeneral7, AgreesWithTheGeneralFormat) {
    std::mt19937_64 rng(12345);
    std::uniform_int_distribution<int> count(-32767, 32767);
    std::uniform_real_distribution<double> expo(-12, 12);
    for (int i = 0; i < 200000; ++i) {
        // Values as the TSD writer makes them: count x float scale + float offset,
        // and plain doubles over a wide range.
        float a = static_cast<float>(std::pow(10.0, expo(rng) / 3)) * (i % 7 == 0 ? 0.5f : 1.0f);
        float b = static_cast<float>(count(rng)) / 64.0f;
        double v = i % 2 ? static_cast<double>(static_cast<long double>(count(rng)) * a + b)
                         : std::pow(10.0, expo(rng)) * (i % 4 == 0 ? -1 : 1);
        ASSERT_EQ(fast(v), FormatGeneral(v, 7)) << v;
    }
    for (long long n = 10000000; n < 10000000 + 20000; ++n) {
        double v = static_cast<double>(n) / 8;  // many exact halves and quarters
        ASSERT_EQ(fast(v), FormatGeneral(v, 7)) << v;
    }
}

}  // namespace
}  // namespace brine
