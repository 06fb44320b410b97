#include <gtest/gtest.h>

#include <cmath>

#include "sites/declination.h"
#include "base/errors.h"

namespace brine {
namespace {

// The approximation written out independently: P grouped by dLat and dLon,
// D = (420 + P) / 60, rounded to hundredths half away from zero.
float expectedDeclination(int model, double lat, double lon) {
    static const double k[3][6] = {
        {22.820, 21.009, -7.360, -0.197, 0.587, -0.961},
        {37.142, 21.622, -7.672, 0.442, -0.320, -0.675},
        {40.585, 19.003, -6.265, 0.009, 0.024, -0.591},
    };
    const double* c = k[model];
    const double x = lat - 37, y = lon - 138;
    const double p = c[0] + x * (c[1] + c[3] * x + c[4] * y) + y * (c[2] + c[5] * y);
    const double hundredths = (420 + p) / 60 * 100;
    const double r = hundredths < 0 ? -std::floor(-hundredths + 0.5) : std::floor(hundredths + 0.5);
    return static_cast<float>(r / 100);
}

TEST(Declination, ReferencePointOfTheThreeModels) {
    EXPECT_EQ(CalcDeclination(Model1990, 37, 138), 7.38f);
    EXPECT_EQ(CalcDeclination(Model2000, 37, 138), 7.62f);
    EXPECT_EQ(CalcDeclination(Model2010, 37, 138), 7.68f);
    EXPECT_EQ(DeclinationText(CalcDeclination(Model1990, 37, 138)), "7.38");
    EXPECT_EQ(DeclinationText(CalcDeclination(Model2000, 37, 138)), "7.62");
    EXPECT_EQ(DeclinationText(CalcDeclination(Model2010, 37, 138)), "7.68");
}

TEST(Declination, ModelsAtSeveralPositions) {
    // Worked by hand: dLat -2, dLon 2 gives P = -12.375, D = 6.79375.
    EXPECT_EQ(CalcDeclination(Model2010, 35, 140), 6.79f);

    const struct {
        float lat, lon;
    } positions[] = {{45.4f, 141.7f}, {43.0625f, 141.35f}, {35.6875f, 139.75f}, {34.7f, 135.5f},
                     {33.59f, 130.4f}, {26.2125f, 127.68f}, {24.34f, 123.8f}, {-10.0f, 100.0f}};
    for (const auto& pos : positions)
        for (int model = 0; model < 3; ++model)
            EXPECT_EQ(CalcDeclination(static_cast<std::uint8_t>(model), pos.lat, pos.lon),
                      expectedDeclination(model, pos.lat, pos.lon))
                << "model " << model << " at " << pos.lat << ", " << pos.lon;
    // Far from Japan the value turns negative and still rounds half away.
    EXPECT_LT(CalcDeclination(Model1990, -10, 100), 0);
    EXPECT_THROW(CalcDeclination(3, 37, 138), RangeError);
}

TEST(DegreeText, PositionsToText) {
    auto text = [](float v) {
        DegreeText t = DegreesToText(v);
        return t.Deg + " " + t.Min + " " + t.Sec;
    };
    EXPECT_EQ(text(35.745f), "35 44 42");
    EXPECT_EQ(text(135.125f), "135 07 30");
    EXPECT_EQ(text(5.0f), "05 00 00");
    EXPECT_EQ(text(0.0f), "00 00 00");
    // Seconds round to 60 rather than carrying into the minutes.
    EXPECT_EQ(text(35 + 59 / 60.0f + 59.6f / 3600), "35 59 60");
    // Seconds round half to even: 52.5 gives 52, 37.5 gives 38.
    EXPECT_EQ(text(10.03125f), "10 01 52");
    EXPECT_EQ(text(10.09375f), "10 05 38");
    // The sign goes on the degrees only.
    EXPECT_EQ(text(-35.745f), "-35 44 42");
    EXPECT_EQ(text(-0.5f), "-00 30 00");
    EXPECT_EQ(text(-135.125f), "-135 07 30");
}

TEST(DegreeText, TextToPositions) {
    EXPECT_EQ(TextToDegrees("135", "07", "30"), 135.125f);
    EXPECT_EQ(TextToDegrees("135", "075", "30"), 135.125f);  // cut to "07"
    EXPECT_EQ(TextToDegrees("00", "00", "00"), 0.0f);
    EXPECT_EQ(TextToDegrees("1234", "0", "0"), 123.0f);       // cut to three characters
    EXPECT_EQ(TextToDegrees("-35", "44", "42"), -TextToDegrees("35", "44", "42"));
    EXPECT_EQ(TextToDegrees("-00", "30", "00"), -0.5f);
    EXPECT_EQ(TextToDegrees("-135", "07", "30"), -135.125f);

    // Every negative position shown can be read back.
    for (float v : {-35.745f, -0.25f, -139.75f, -89.999f}) {
        DegreeText t = DegreesToText(v);
        EXPECT_NEAR(TextToDegrees(t.Deg, t.Min, t.Sec), v, 1.0 / 7200) << v;
    }

    for (auto [d, m, s] : {std::array<const char*, 3>{"", "00", "00"}, {"35", "ab", "00"}, {"35", "0-", "00"},
                           {"-", "00", "00"}, {"35", "-5", "00"}, {"35", "00", "１"}})
        EXPECT_THROW(TextToDegrees(d, m, s), ConversionError) << d << " " << m << " " << s;
}

}  // namespace
}  // namespace brine
