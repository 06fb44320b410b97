#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "base/datetime.h"
#include "base/errors.h"

using namespace brine;

namespace {
double at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return EncodeDateTime({y, mo, d, h, mi, s, ms});
}
}  // namespace

TEST(DateTime, DayCountsSince1899_12_30) {
    EXPECT_EQ(at(1899, 12, 30), 0.0);
    EXPECT_EQ(at(1900, 1, 1), 2.0);
    EXPECT_EQ(at(2000, 1, 1), 36526.0);
    EXPECT_EQ(at(2024, 2, 29, 12), 45351.5);
    EXPECT_EQ(at(1899, 12, 29, 6), -1.25);  // before the epoch the time still counts forward
    EXPECT_THROW(at(2023, 2, 29), ConversionError);
    EXPECT_THROW(at(2023, 1, 1, 24), ConversionError);

    DateTimeParts p = DecodeDateTime(-1.25);
    EXPECT_EQ(p.year, 1899);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 6);
    EXPECT_THROW(DecodeDateTime(std::nan("")), RangeError);
}

TEST(DateTime, DecodeInvertsEncodeOverCenturies) {
    for (int y : {1, 1600, 1899, 1900, 1970, 2000, 2024, 2100, 9999})
        for (int m : {1, 2, 12}) {
            DateTimeParts in{y, m, DaysInMonth(y, m), 23, 59, 58, 999};
            DateTimeParts out = DecodeDateTime(EncodeDateTime(in));
            EXPECT_EQ(std::tie(out.year, out.month, out.day, out.hour, out.minute, out.second, out.msec),
                      std::tie(in.year, in.month, in.day, in.hour, in.minute, in.second, in.msec))
                << y << "/" << m;
        }
}

TEST(DateTime, BothTextFormsRoundToTheMillisecondFirst) {
    EXPECT_EQ(FormatDateTimeMs(at(2023, 7, 15, 23, 59, 59, 999)), "2023/07/15 23:59:59 999");
    EXPECT_EQ(FormatDateTime(at(2023, 7, 15, 23, 59, 59, 999)), "2023/07/15 23:59:59");
    const double ms = 1.0 / 86400000;
    EXPECT_EQ(FormatDateTimeMs(at(2023, 7, 15, 23, 59, 59, 999) + 0.6 * ms), "2023/07/16 00:00:00 000");
    EXPECT_EQ(FormatDateTime(at(2023, 7, 15, 12, 0, 0, 999) + 0.6 * ms), "2023/07/15 12:00:01");
    EXPECT_EQ(FormatDateTime(at(2023, 7, 15, 12, 0, 0, 999) + 0.4 * ms), "2023/07/15 12:00:00");
    // Sample times built by adding intervals land a hair off the whole second.
    const double start = at(2020, 1, 1);
    for (int i = 0; i < 86400; i += 7) {
        const double t = start + i * (1.0 / 86400);
        const std::string want = FormatDateTimeMs(at(2020, 1, 1, i / 3600, i / 60 % 60, i % 60));
        ASSERT_EQ(FormatDateTimeMs(t), want);
    }
    EXPECT_EQ(FormatDateTimeMs(-1.25), "1899/12/29 06:00:00 000");
}

// With or without milliseconds; one- or two-digit years take the window
// 1950-2049; text after the seconds (only there) is not read.
TEST(DateTime, ParsesDateLines) {
    const std::pair<const char*, double> good[] = {
        {"2023/07/15 12:34:56", at(2023, 7, 15, 12, 34, 56)},
        {"2023/07/15 12:34:56 789", at(2023, 7, 15, 12, 34, 56, 789)},
        {"  2023/7/5 1:02:03 004  ", at(2023, 7, 5, 1, 2, 3, 4)}, {"2023/07/15", at(2023, 7, 15)},
        {"1899/12/29 06:00:00", -1.25}, {"24/01/02 03:04:05", at(2024, 1, 2, 3, 4, 5)}, {"99/12/31", at(1999, 12, 31)},
        {"49/12/31 23:59:59", at(2049, 12, 31, 23, 59, 59)}, {"50/01/01", at(1950, 1, 1)}, {"0/2/29", at(2000, 2, 29)},
        {"5/6/7 8:09", at(2005, 6, 7, 8, 9)},
        {"0024/01/02", at(24, 1, 2)},  // four digits are taken as written
        {"2024/01/02 03:04:05.250", at(2024, 1, 2, 3, 4, 5, 250)},
        {"2024/01/02 03:04:05.5", at(2024, 1, 2, 3, 4, 5, 500)},
        {"2024/01/02 03:04:05.0123", at(2024, 1, 2, 3, 4, 5, 12)}, {"2024/01/02 03:04:05. x", at(2024, 1, 2, 3, 4, 5)},
        {"2024/01/02 03:04:05 000 extra", at(2024, 1, 2, 3, 4, 5)},
        {"2024/01/02 03:04:05 042\tJST", at(2024, 1, 2, 3, 4, 5, 42)},
        {"2024/01/02 03:04:05 JST", at(2024, 1, 2, 3, 4, 5)},
        {"2024/01/02 03:04:05 250ms", at(2024, 1, 2, 3, 4, 5, 250)},
    };
    for (auto [text, want] : good) EXPECT_EQ(ParseDateTime(text), want) << text;
    for (const char* bad : {"", "2023/02/30 00:00:00", "2023/07/15 24:00:00", "2023/07/15 12:34:56 1234",
                            "2023-07-15 12:34:56", "2023/07/15 12:34:56x", "12:34:56", "2023/07/15 12:60",
                            "124/01/02 03:04:05", "999/12/31", "024/1/1", "2024/01/02 03:04 extra",
                            "2024/01/02 03:04 250", "2024/01/02 extra", "2024/01/02 03:04:05x",
                            "2024/01/02 03:04:05 1234 extra"})
        EXPECT_FALSE(ParseDateTime(bad)) << bad;
}

TEST(DateTime, TextFormRoundTripsToTheMillisecond) {
    double t = at(2019, 3, 1, 0, 0, 0, 1);
    for (int i = 0; i < 2000; ++i, t += 0.3791234567) {
        const std::string text = FormatDateTimeMs(t);
        auto back = ParseDateTime(text);
        ASSERT_TRUE(back) << text;
        EXPECT_EQ(FormatDateTimeMs(*back), text);
        EXPECT_NEAR(*back, t, 0.5 / 86400000 + 1e-12);
    }
}
