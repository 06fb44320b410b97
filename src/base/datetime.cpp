#include "base/datetime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "base/errors.h"

namespace brine {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;

// Days from 0001-01-01 to y-m-d (proleptic Gregorian).
std::int64_t daysFromCivilStart(int y, int m, int d) {
    static const int cum[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    std::int64_t yy = y - 1;
    std::int64_t days = yy * 365 + yy / 4 - yy / 100 + yy / 400 + cum[m - 1] + d - 1;
    if (m > 2 && IsLeapYear(y)) ++days;
    return days;
}

const std::int64_t kEpochOffset = daysFromCivilStart(1899, 12, 30);

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int n[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return (month == 2 && IsLeapYear(year)) ? 29 : n[month - 1];
}

bool TryEncodeDateTime(const DateTimeParts& p, double& out) {
    if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
        p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
        p.minute > 59 || p.second < 0 || p.second > 59 || p.msec < 0 || p.msec > 999)
        return false;
    double days = static_cast<double>(daysFromCivilStart(p.year, p.month, p.day) - kEpochOffset);
    double frac = (p.hour * 3600000.0 + p.minute * 60000.0 + p.second * 1000.0 + p.msec) /
                  static_cast<double>(kMsPerDay);
    // Before the epoch the fraction counts away from zero, as in the day-count convention.
    out = days >= 0 ? days + frac : days - frac;
    return true;
}

double EncodeDateTime(const DateTimeParts& p) {
    double t;
    if (!TryEncodeDateTime(p, t)) throw ConversionError("日付または時刻が正しくありません。");
    return t;
}

DateTimeParts DecodeDateTime(double t) {
    DateTimeParts p;
    if (!std::isfinite(t) || std::fabs(t) > 3.0e6) throw RangeError("日付が範囲外です。");
    // Negative values: integer part is the day, fraction (taken positive) the time.
    double ip = std::trunc(t);
    double frac = std::fabs(t - ip);
    std::int64_t ms = std::llround(frac * kMsPerDay);
    std::int64_t day = static_cast<std::int64_t>(ip);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        day += (t >= 0 ? 1 : -1);
    }
    std::int64_t z = day + kEpochOffset;  // days since 0001-01-01
    // Civil from days (0001-01-01 based).
    std::int64_t n400 = z / 146097, r = z % 146097;
    std::int64_t n100 = r / 36524;
    if (n100 == 4) n100 = 3;
    r -= n100 * 36524;
    std::int64_t n4 = r / 1461;
    r -= n4 * 1461;
    std::int64_t n1 = r / 365;
    if (n1 == 4) n1 = 3;
    r -= n1 * 365;
    int year = static_cast<int>(n400 * 400 + n100 * 100 + n4 * 4 + n1 + 1);
    int month = 1;
    while (r >= DaysInMonth(year, month)) {
        r -= DaysInMonth(year, month);
        ++month;
    }
    p.year = year;
    p.month = month;
    p.day = static_cast<int>(r) + 1;
    p.hour = static_cast<int>(ms / 3600000);
    p.minute = static_cast<int>(ms / 60000 % 60);
    p.second = static_cast<int>(ms / 1000 % 60);
    p.msec = static_cast<int>(ms % 1000);
    return p;
}

std::string FormatDateTimeMs(double t) {
    DateTimeParts p = DecodeDateTime(t);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d %03d", p.year, p.month, p.day,
                  p.hour, p.minute, p.second, p.msec);
    return buf;
}

std::string FormatDateTime(double t) {
    DateTimeParts p = DecodeDateTime(t);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second);
    return buf;
}

namespace {

bool readInt(std::string_view s, std::size_t& i, int maxDigits, int& out, int& digits) {
    out = 0;
    digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < maxDigits) {
        out = out * 10 + (s[i] - '0');
        ++i;
        ++digits;
    }
    return digits > 0;
}

bool expect(std::string_view s, std::size_t& i, char c) {
    if (i < s.size() && s[i] == c) {
        ++i;
        return true;
    }
    return false;
}

}  // namespace

std::optional<double> ParseDateTime(std::string_view s) {
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    };
    auto isDigit = [&](std::size_t at) { return at < s.size() && s[at] >= '0' && s[at] <= '9'; };
    skipBlanks();
    DateTimeParts p;
    int digits;
    if (!readInt(s, i, 4, p.year, digits) || !expect(s, i, '/')) return std::nullopt;
    // A short year is taken into the usual two-digit window; a year of three
    // digits is most likely a typing error.
    if (digits == 3) return std::nullopt;
    if (digits <= 2) p.year += p.year < 50 ? 2000 : 1900;
    if (!readInt(s, i, 2, p.month, digits) || !expect(s, i, '/')) return std::nullopt;
    if (!readInt(s, i, 2, p.day, digits)) return std::nullopt;
    p.hour = p.minute = p.second = p.msec = 0;
    skipBlanks();
    if (i < s.size()) {
        if (!readInt(s, i, 2, p.hour, digits) || !expect(s, i, ':')) return std::nullopt;
        if (!readInt(s, i, 2, p.minute, digits)) return std::nullopt;
        bool withSeconds = false;
        if (expect(s, i, ':')) {
            if (!readInt(s, i, 2, p.second, digits)) return std::nullopt;
            withSeconds = true;
        }
        if (withSeconds && i < s.size() && s[i] == '.') {
            // A decimal fraction of the second: its first three digits.
            ++i;
            int scale = 100;
            for (; isDigit(i); ++i, scale /= 10) p.msec += (s[i] - '0') * scale;
        } else {
            const std::size_t before = i;
            skipBlanks();
            if (withSeconds && i > before && isDigit(i)) {
                int ms;
                if (!readInt(s, i, 3, ms, digits) || isDigit(i)) return std::nullopt;
                p.msec = ms;
            }
            // Whatever follows the seconds (and their milliseconds) is not
            // read, as long as a blank parts it from them.
            if (i < s.size() && !(withSeconds && i > before)) return std::nullopt;
        }
    }
    double t;
    if (!TryEncodeDateTime(p, t)) return std::nullopt;
    return t;
}

}  // namespace brine
