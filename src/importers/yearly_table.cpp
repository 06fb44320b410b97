#include "importers/yearly_table.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "base/text_fields.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "core/sample_limits.h"
#include "core/line_split.h"
#include "core/time_units.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

namespace {

const char* const kMsgConverting = "ただ今、データの変換中．．．．";

// CP932 text of the year's mark.
const std::string kYearMark = "\x94\x4E";  // 年

bool StartsTable(std::string_view line) {
    static const std::string month1 = utf8ToCp932(kYearMonthOne);
    static const std::string month1Wide = utf8ToCp932(kYearMonthOneWide);
    return findCp932(line, month1) != std::string_view::npos || findCp932(line, month1Wide) != std::string_view::npos ||
           findCp932(line, kYearJanuary) != std::string_view::npos;
}

float ParseCoefficient(const std::string& text, const char* name) {
    std::optional<double> v = ParseNumber(text);
    if (!v) throw ConversionError(std::string("係数") + name + "の '" + text + "' は正しい数値ではありません。");
    if (std::fabs(*v) > FLT_MAX) throw RangeError(std::string("係数") + name + "が大きすぎます。");
    return static_cast<float>(*v);
}

bool HoldsNumber(const std::string& cell) { return ParseNumber(cell).has_value(); }

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Count of a physical value once the questions are settled: missing when the
// value is absent or lies outside the counts the scale can express.
bool CountOf(double value, float a, float b, std::int16_t& count) {
    count = ErrorData;
    if (std::isnan(value) || a == 0) return true;
    double v = (value - static_cast<double>(b)) / static_cast<double>(a);
    if (!std::isfinite(v) || std::fabs(v) >= 32767.0) return false;
    count = static_cast<std::int16_t>(RoundHalfAway(v));
    return true;
}

}  // namespace

const std::string& YearTable::cell(int col, int row) const {
    static const std::string empty;
    if (row < 0 || col < 0 || static_cast<std::size_t>(row) >= rows.size()) return empty;
    const auto& r = rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(col) < r.size() ? r[static_cast<std::size_t>(col)] : empty;
}

LoadedYearTable ReadYearTable(const std::string& fileName) {
    LoadedYearTable out;
    out.memo = "Original file:" + utf8ToCp932(fileName);
    LineReader reader(fileName);
    std::string_view line;
    bool inTable = false;
    while (reader.next(line)) {
        if (!inTable && !StartsTable(line)) {
            out.memo += ";";
            out.memo += TrimView(line.substr(0, line.find(',')));
            continue;
        }
        inTable = true;
        out.table.rows.push_back(SplitCommas(line));
        out.table.colCount = std::max(out.table.colCount, static_cast<int>(out.table.rows.back().size()));
    }
    if (!inTable) throw FormatError(Text(Tx::YearlyNoTitleRow));
    out.table.rowCount = std::max(2, static_cast<int>(out.table.rows.size()));
    return out;
}

std::int16_t ParseYear(std::string_view text) {
    std::size_t mark = findCp932(text, kYearMark);
    std::string_view digits = mark == std::string_view::npos ? text : text.substr(0, mark);
    std::optional<int> v = ParseInt(digits);
    if (!v) throw ConversionError("'" + cp932ToUtf8(digits) + "' は正しい整数ではありません。");
    if (!fitsCount(*v)) throw RangeError();
    return static_cast<std::int16_t>(*v);
}

namespace {

// The table's year as date text: written with four digits, a small number
// stays that year instead of falling into the two-digit-year window.
std::string YearDigits(int year) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", year);
    return buf;
}

}  // namespace

std::optional<YearTimeRange> TableTimeRange(int mode, int year, const std::string& obsTime) {
    std::string y = YearDigits(year);
    std::string tail = mode == MonthDayTable ? " " + obsTime : std::string();
    std::optional<double> start = ParseDateTime(y + "/1/1" + tail);
    std::optional<double> last = ParseDateTime(y + "/12/31" + tail);
    if (!start || !last) return std::nullopt;
    return YearTimeRange{*start, *last};
}

std::string FormatMinutes(double t) {
    DateTimeParts p = DecodeDateTime(t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d", p.year, p.month, p.day, p.hour, p.minute);
    return buf;
}

bool TenDayPeriod(int year, int row, int& month, int& firstDay, int& lastDay) {
    if (row < 1 || row > 36) return false;
    month = (row - 1) / 3 + 1;
    int period = (row - 1) % 3;
    firstDay = period * 10 + 1;
    lastDay = period < 2 ? firstDay + 9 : DaysInMonth(year, month);
    return true;
}

std::optional<YearTableBurst> ConvertYearTable(const YearTable& table, const YearTableSettings& s, CurrentFile& m,
                                               Prompter& prompter,
                                               const std::function<void(int, int)>& selectCell) {
    if (s.mode != MonthDayTable && s.mode != TenDayTable) throw RangeError("表の種類が正しくありません。");
    YearTableBurst burst;
    burst.a = ParseCoefficient(s.aText, "A");
    burst.b = ParseCoefficient(s.bText, "B");
    // A scale of 0 turns every value into a division by zero.
    if (burst.a == 0) throw RangeError(Text(Tx::YearlyZeroScale));
    std::optional<int> dt = ParseInt(s.dtText);
    if (!dt || *dt <= 0) throw ConversionError("記録時間間隔には正の整数を入力して下さい。");
    const long double dtDays = static_cast<long double>(*dt) * unitAt(s.dtUnit).DaysPer;
    std::optional<YearTimeRange> range = TableTimeRange(s.mode, s.year, s.obsTime);
    if (!range) throw ConversionError(Text(Tx::YearlyBadYearOrTime));
    const long double steps = std::floor((range->last - range->start) / dtDays + 0.5L);
    if (!(steps + 1 <= kMaxSamplesPerBurst)) {
        char count[32];
        std::snprintf(count, sizeof count, "%.0Lf", steps + 1);
        throw RangeError(std::string("1バーストのデータ数が") + count + "個になります（記録時間間隔 " +
                         std::to_string(*dt) + " " + unitAt(s.dtUnit).Name + "）。\n1バーストは" +
                         std::to_string(kMaxSamplesPerBurst) + "個までです。記録時間間隔を長くして下さい。");
    }
    const int sampleSize = static_cast<int>(steps) + 1;

    m.ResetHeader();
    m.SetMemo(s.memo);
    m.Nch = 1;
    m.Nch2 = 0;
    m.Iterations = 1;
    m.SampleSize = sampleSize;
    m.SInt = *dt;
    m.SITUnit = s.dtUnit;
    m.BInt = table.colCount - 1;
    m.BITUnit = 8;  // yr
    m.StartTime = range->start;
    m.SetChannelName(0, s.item);
    m.SetChannelUnit(0, s.unit);
    m.ScaleA[0] = burst.a;
    m.OffsetB[0] = burst.b;
    m.AllocateDataArrays();
    std::vector<std::int16_t>& data = m.Data[0];
    std::fill(data.begin(), data.end(), ErrorData);

    // A ten-day table has one date per row, so a second value column would
    // overwrite the first: only the first is converted.
    int lastCol = table.colCount - 1;
    if (s.mode == TenDayTable && lastCol > 1) {
        lastCol = 1;
        bool more = false;
        for (int c = 2; c < table.colCount && !more; ++c)
            for (int r = 1; r < table.rowCount && !more; ++r) more = HoldsNumber(table.cell(c, r));
        if (more) prompter.warning(Text(Tx::YearlyTenDayColumns));
    }

    const double start = range->start;
    auto sampleAt = [&](double t) { return static_cast<long double>(t - start) / dtDays; };
    bool askPrecision = true;
    const std::string yearText = YearDigits(s.year);
    for (int c = 1; c <= lastCol; ++c) {
        for (int r = 1; r < table.rowCount; ++r) {
            // Samples this cell fills.
            long long first = 0, last = -1;
            if (s.mode == MonthDayTable) {
                std::optional<double> date =
                    ParseDateTime(yearText + "/" + std::to_string(c) + "/" + std::to_string(r) + " " + s.obsTime);
                if (!date) continue;  // 30 February and the like
                first = last = RoundHalfAway(sampleAt(*date));
            } else {
                int month, day1, dayN;
                if (!TenDayPeriod(s.year, r, month, day1, dayN)) continue;
                // Every sample from the period's first midnight up to the
                // next period's: one per day at a daily interval.
                double from = EncodeDateTime({s.year, month, day1, 0, 0, 0, 0});
                double to = EncodeDateTime({s.year, month, dayN, 0, 0, 0, 0}) + 1;
                first = static_cast<long long>(std::ceil(sampleAt(from) - 1e-6L));
                last = static_cast<long long>(std::ceil(sampleAt(to) - 1e-6L)) - 1;
            }
            first = std::max<long long>(first, 0);
            last = std::min<long long>(last, sampleSize - 1);
            if (first > last) continue;

            const std::string& text = table.cell(c, r);
            std::int16_t count = ErrorData;
            double value = kNaN;
            if (std::optional<double> x = ParseNumber(text)) {
                double v = (*x - static_cast<double>(burst.b)) / static_cast<double>(burst.a);
                if (!(std::fabs(v) < 32767.0)) {
                    if (selectCell) selectCell(c, r);
                    // Only an explicit Ignore goes on; a closed box abandons.
                    if (prompter.ask(MsgType::Warning, Question(Tx::YearlyScaleOver), MsgButtons::YesIgnore) != MsgResult::Ignore)
                        return std::nullopt;
                } else {
                    count = static_cast<std::int16_t>(RoundHalfAway(v));
                    value = *x;
                    if (askPrecision && std::fabs(v) > 0.000001 && std::fabs((v - count) / v) > 0.01) {
                        if (selectCell) selectCell(c, r);
                        if (prompter.ask(MsgType::Warning, Question(Tx::YearlyPrecision), MsgButtons::YesNo) != MsgResult::No)
                            return std::nullopt;
                        askPrecision = false;
                    }
                }
            }
            std::fill(data.begin() + first, data.begin() + last + 1, count);
            burst.spans.push_back({first, last, value});
        }
    }
    return burst;
}

bool SaveYearTableBurst(CurrentFile& m, const YearTableBurst& burst, const std::string& sourceFile,
                        HeaderSaveDialog& headerSave, Prompter& prompter, ProgressSink& progress) {
    OutputGuard guard(m);
    m.SaveFileName = std::filesystem::path(sourceFile).replace_extension(".sdf").string();
    // The header dialog refuses to write over the file being read.
    m.FileName = sourceFile;
    if (!headerSave.ExecuteSave(0)) return false;

    bool written = false;
    long long missing = 0;
    {
        ProgressScope scope(progress, kMsgConverting, false);
        progress.SetComment(m.SaveFileName);
        // The counts were made with the coefficients of the table dialog; a
        // scale edited in the header dialog must give the same values back.
        if (m.ScaleA[0] != burst.a || m.OffsetB[0] != burst.b) {
            std::vector<std::int16_t>& data = m.Data[0];
            std::fill(data.begin(), data.end(), ErrorData);
            for (const YearTableBurst::Span& span : burst.spans) {
                std::int16_t count;
                if (!CountOf(span.value, m.ScaleA[0], m.OffsetB[0], count)) ++missing;
                if (span.last < static_cast<long long>(data.size()))
                    std::fill(data.begin() + span.first, data.begin() + span.last + 1, count);
            }
        }
        written = m.WriteSDFBurst(0);
        progress.SetPercent(100);
        // The header declares exactly the burst written, whatever the header
        // dialog's repeat count said.
        int bursts = written ? 1 : 0;
        if (m.Iterations != bursts) {
            m.Iterations = static_cast<std::int16_t>(bursts);
            if (!m.WriteSDFHeader()) written = false;
        }
    }
    if (!written) {
        prompter.error(Text(Tx::FileWriteFailed) + "\n" + m.SaveFileName);
        FinishSave(m, prompter, Tx::FileWriteFailed);
        return false;
    }
    if (!FinishSave(m, prompter, Tx::FileWriteFailed)) return false;
    if (missing > 0) prompter.information(Text(Tx::ImportToMissingCount, {std::to_string(missing)}));
    prompter.information(Text(Tx::YearlySaved));
    return true;
}

}  // namespace brine
