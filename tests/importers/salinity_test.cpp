// Practical salinity, the calibration polynomial and the count of a value.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/rounding.h"
#include "importers/salinity.h"

namespace brine {
namespace {

TEST(PracticalSalinityTest, StandardCheckValues) {
    // Standard seawater: R = 1 at 15 deg C and zero pressure is S = 35.
    EXPECT_NEAR(PracticalSalinity(42.914, 15, 0), 35.0, 1e-4);
    // The standard's check value at high temperature and pressure:
    // R = 1.888091, T = 40, P = 10000 dbar gives S = 40.0000.
    EXPECT_NEAR(PracticalSalinity(1.888091 * 42.914, 40, 10000), 40.0, 1e-4);
    // Fresh water stays near zero; lower conductivity gives lower salinity.
    EXPECT_NEAR(PracticalSalinity(0, 15, 0), 0.008, 1e-9);
    EXPECT_LT(PracticalSalinity(30, 15, 0), PracticalSalinity(40, 15, 0));
}

TEST(PracticalSalinityTest, NoValueInputsAndFailures) {
    EXPECT_GT(PracticalSalinity(kNoResult, 15, 0), NoValue);
    EXPECT_GT(PracticalSalinity(42.914, kNoResult, 0), NoValue);
    EXPECT_GT(PracticalSalinity(-5, 15, 0), NoValue);  // negative ratio: no square root
    EXPECT_GT(PracticalSalinity(std::numeric_limits<double>::quiet_NaN(), 15, 0), NoValue);
    EXPECT_GT(PracticalSalinity(42.914, std::numeric_limits<double>::infinity(), 0), NoValue);
}

TEST(CalibrateItemTest, PolynomialAndFailures) {
    CoefTable c{};
    c[2] = {1, 2, 3, 0, 0, 0.5, 99, 99};  // columns 6 and 7 are never used
    EXPECT_DOUBLE_EQ(CalibrateItem(c, 2, 2), 1 + 4 + 12 + 0.5 * 32);
    EXPECT_DOUBLE_EQ(CalibrateItem(c, 0, 5), 0);
    EXPECT_GT(CalibrateItem(c, 6, 1), NoValue);
    EXPECT_GT(CalibrateItem(c, -1, 1), NoValue);
    EXPECT_GT(CalibrateItem(c, 2, kNoResult), NoValue);
    EXPECT_GT(CalibrateItem(c, 2, std::numeric_limits<double>::quiet_NaN()), NoValue);
    EXPECT_GT(CalibrateItem(c, 2, 1e80), NoValue);  // X^5 overflows
}

TEST(ValueToCountTest, RoundingRangeAndMissing) {
    std::int16_t out = 0;
    EXPECT_EQ(ValueToCount(2.5, 1, 0, out), CountStatus::Ok);
    EXPECT_EQ(out, 3);
    EXPECT_EQ(ValueToCount(-2.5, 1, 0, out), CountStatus::Ok);
    EXPECT_EQ(out, -3);
    EXPECT_EQ(ValueToCount(15.5, 0.01f, 0.5f, out), CountStatus::Ok);
    EXPECT_EQ(out, 1500);
    EXPECT_EQ(ValueToCount(3276.7, 0.1f, 0, out), CountStatus::Ok);
    EXPECT_EQ(out, 32767);
    EXPECT_EQ(ValueToCount(3276.8, 0.1f, 0, out), CountStatus::OutOfRange);
    EXPECT_EQ(out, ErrorData);
    EXPECT_EQ(ValueToCount(-1e39, 0.1f, 0, out), CountStatus::OutOfRange);
    EXPECT_EQ(ValueToCount(kNoResult, 0.1f, 0, out), CountStatus::NoValue);
    EXPECT_EQ(ValueToCount(1, 0, 0, out), CountStatus::NoValue);  // A = 0
    EXPECT_EQ(out, ErrorData);
    EXPECT_EQ(ValueToCount(std::numeric_limits<double>::quiet_NaN(), 1, 0, out), CountStatus::NoValue);
}

}  // namespace
}  // namespace brine
