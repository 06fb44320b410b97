#pragma once
// Number and date-time text by pattern, independent of the locale: the
// patterns of chart values ("#,##0.###", "##0.## %") and of date labels.
#include <QString>

namespace brine::chart {

// Digit placeholders "0" (always shown) and "#" (shown when significant), one
// ".", "," for thousands groups, up to three ";" sections (positive, negative,
// zero) and quoted literals. Halves round away from zero.
QString FormatFloat(const QString& pattern, double value);
// yyyy, yy, m, mm, d, dd, h, hh, n, nn, s, ss, zzz and quoted literals; "m"
// right after an hour means minutes. A value outside the years 1 to 9999 (or
// not finite) gives an empty text.
QString FormatDateTimeText(const QString& pattern, double value);

}  // namespace brine::chart
