#include "importers/dl2_header.h"

#include <filesystem>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/rounding.h"
#include "base/text_fields.h"
#include "base/texts.h"
#include "core/current_file.h"

namespace brine {

namespace {

std::string where(long long lineNumber, int first, int last) {
    return "（" + std::to_string(lineNumber) + "行目、" + std::to_string(first) + "-" + std::to_string(last) + "桁）";
}

std::string trimmed(std::string_view line, int first, int last) {
    return std::string(TrimView(DL2Columns(line, first, last)));
}

// Year, month, day, hour and minute as a date-time; ConversionError naming the line.
double encodeMinute(int year, int month, int day, int hour, int minute, long long lineNumber) {
    DateTimeParts p;
    p.year = year;
    p.month = month;
    p.day = day;
    p.hour = hour;
    p.minute = minute;
    double t = 0;
    if (!TryEncodeDateTime(p, t))
        throw ConversionError("日付または時刻が正しくありません。（" + std::to_string(lineNumber) + "行目）");
    return t;
}

// The next line that is not blank; false at the end of the file.
bool nextBurstHeader(LineReader& r, std::string_view& line) {
    while (r.next(line))
        if (!TrimView(line).empty()) return true;
    return false;
}

}  // namespace

std::string_view DL2Columns(std::string_view line, int first, int last) {
    std::size_t from = static_cast<std::size_t>(first - 1);
    if (from >= line.size()) return {};
    return line.substr(from, static_cast<std::size_t>(last - first + 1));
}

int DL2Field(std::string_view line, int first, int last, long long lineNumber) {
    std::string_view text = DL2Columns(line, first, last);
    std::optional<long long> v = ParseWhole(text);
    if (v && *v >= 0 && *v <= 65535) return static_cast<int>(*v);
    const std::string shown = "'" + cp932ToUtf8(TrimView(text)) + "'";
    if (!v) throw ConversionError(shown + " は整数ではありません。" + where(lineNumber, first, last));
    throw RangeError(shown + " は0から65535の範囲外です。" + where(lineNumber, first, last));
}

void DL2SamplingInterval(std::string_view dt, std::int32_t& sint, std::uint8_t& unit) {
    const std::string message = Text(Tx::Dl2BadInterval) + "\n'" + cp932ToUtf8(dt) + "'";
    std::optional<double> seconds = ParseDecimal(dt);
    if (!seconds) throw ConversionError(message);
    if (!(*seconds > 0) || *seconds > 2147483.0) throw RangeError(message);
    const int ms = RoundHalfAway(static_cast<long double>(*seconds) * 1000);
    if (ms < 1) throw RangeError(message);
    if (ms % 1000 == 0) {
        sint = ms / 1000;
        unit = 2;  // sec
    } else {
        sint = ms;
        unit = 1;  // msec
    }
}

std::int16_t DL2Iterations(double startTime, double finalTime, int burstMinutes) {
    if (burstMinutes < 1) throw RangeError(Text(Tx::Dl2BurstOrder));
    long double bursts = (static_cast<long double>(finalTime) - startTime) / burstMinutes * 1440;
    if (bursts <= -0.5L) throw RangeError(Text(Tx::Dl2FinalBeforeStart));
    if (bursts >= 32766.5L) throw RangeError(Text(Tx::ImportTooManyBursts));
    return static_cast<std::int16_t>(RoundHalfAway(bursts) + 1);
}

DL2Header ReadDL2Header(const std::string& fileName) {
    DL2Header h;
    LineReader r(fileName);
    std::string_view line;

    if (!r.next(line)) throw FormatError();
    h.Site = trimmed(line, 1, 15);
    h.Station = trimmed(line, 16, 25);
    h.Layer = trimmed(line, 26, 30);
    h.Kind = trimmed(line, 31, 40);

    if (!r.next(line)) throw FormatError();
    const long long n = r.lineNumber();
    int f[9];  // start year, month, day, hour, minute; final month, day, hour, minute
    for (int i = 0; i < 9; ++i) f[i] = DL2Field(line, 5 * i + 1, 5 * i + 5, n);
    const int year = f[0];
    const int month = f[1];
    h.StartYear = static_cast<std::uint16_t>(year);
    h.StartTime = encodeMinute(year, month, f[2], f[3], f[4], n);
    h.FinalTime = encodeMinute(f[5] < month ? year + 1 : year, f[5], f[6], f[7], f[8], n);
    h.DT = trimmed(line, 46, 50);
    h.Unit = trimmed(line, 51, 55);
    h.NS = trimmed(line, 56, 60);
    h.SampleCount = DL2Field(line, 56, 60, n);
    if (h.SampleCount < 1) throw RangeError(Text(Tx::Dl2NoSamples));
    std::int32_t sint = 0;
    std::uint8_t unit = 0;
    DL2SamplingInterval(h.DT, sint, unit);

    const int k = h.ValuesPerLine();
    h.LinesPerBurst = h.SampleCount / k + (h.SampleCount % k > 0 ? 1 : 0);

    // The first burst is skipped; the second burst header gives the interval.
    if (!nextBurstHeader(r, line)) throw FormatError(Text(Tx::Dl2SingleBurst));
    for (int i = 0; i < h.LinesPerBurst; ++i)
        if (!r.next(line)) throw FormatError(Text(Tx::Dl2SingleBurst));
    if (!nextBurstHeader(r, line)) throw FormatError(Text(Tx::Dl2SingleBurst));
    const long long m = r.lineNumber();
    int g[4];  // month, day, hour, minute of the second burst
    for (int i = 0; i < 4; ++i) g[i] = DL2Field(line, 5 * i + 1, 5 * i + 5, m);
    const double t2 = encodeMinute(g[0] < month ? year + 1 : year, g[0], g[1], g[2], g[3], m);
    const long double minutes = (static_cast<long double>(t2) - h.StartTime) * 1440;
    if (minutes < 0.5L) throw RangeError(Text(Tx::Dl2BurstOrder));
    h.BurstMinutes = RoundHalfAway(minutes);
    h.Iterations = DL2Iterations(h.StartTime, h.FinalTime, h.BurstMinutes);
    h.SourceFile = fileName;
    return h;
}

void SetDL2SDFHeader(const DL2Header& h, CurrentFile& m) {
    // Everything that can refuse comes before the model is touched.
    std::int32_t sint = 0;
    std::uint8_t sitUnit = 0;
    DL2SamplingInterval(h.DT, sint, sitUnit);
    const std::int16_t iterations = DL2Iterations(h.StartTime, h.FinalTime, h.BurstMinutes);
    if (h.SampleCount < 1) throw RangeError(Text(Tx::Dl2NoSamples));

    m.ResetHeader();
    m.SetMemo("Site: " + h.Site + ", Station: " + h.Station + ", Deployment Layer: " + h.Layer);
    m.StartTime = h.StartTime;
    m.SampleSize = h.SampleCount;
    if (h.IsCurrent()) {
        m.Nch = 2;
        m.SetChannelName(0, "Vnorth");
        m.SetChannelName(1, "Veast");
    } else {
        m.Nch = 1;
        m.SetChannelName(0, "Height");
    }
    for (int ch = 0; ch < m.Nch; ++ch) {
        m.SetChannelUnit(ch, h.Unit);
        m.ScaleA[static_cast<std::size_t>(ch)] = 1.0f;
        m.OffsetB[static_cast<std::size_t>(ch)] = 0.0f;
    }
    m.Nch2 = 0;
    m.SInt = sint;
    m.SITUnit = sitUnit;
    if (h.BurstMinutes % 60 == 0) {
        m.BInt = h.BurstMinutes / 60;
        m.BITUnit = 4;  // hr
    } else {
        m.BInt = h.BurstMinutes;
        m.BITUnit = 3;  // min
    }
    m.Iterations = iterations;
}

std::string DL2OutputName(const std::string& sourceFile) {
    return std::filesystem::path(sourceFile).replace_extension(".sdf").string();
}

}  // namespace brine
