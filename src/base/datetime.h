#pragma once
// Date-times as day counts since 1899-12-30 (double), and their text forms
// "yyyy/mm/dd hh:nn:ss zzz" and "yyyy/mm/dd hh:nn:ss", independent of the locale.
#include <optional>
#include <string>
#include <string_view>

namespace brine {

struct DateTimeParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, msec = 0;
};

// Throws ConversionError for an invalid date or time.
double EncodeDateTime(const DateTimeParts& p);
bool TryEncodeDateTime(const DateTimeParts& p, double& out);
// Rounds to the millisecond first.
DateTimeParts DecodeDateTime(double t);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// "yyyy/mm/dd hh:nn:ss zzz"
std::string FormatDateTimeMs(double t);
// "yyyy/mm/dd hh:nn:ss"
std::string FormatDateTime(double t);

// Accepts "yyyy/mm/dd hh:nn:ss" with optional milliseconds after the seconds
// (" zzz", 1 to 3 digits, or a fraction ".zzz"), surrounding blanks allowed;
// also "yyyy/mm/dd" alone and "hh:nn" times. A year of one or two digits is
// taken as 2000-2049 (00-49) or 1950-1999 (50-99); three digits are refused.
// Text after the seconds and their milliseconds, parted from them by a blank,
// is not read.
std::optional<double> ParseDateTime(std::string_view text);

}  // namespace brine
