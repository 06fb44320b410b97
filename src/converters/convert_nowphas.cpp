#include "converters/convert_nowphas.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <vector>

#include "converters/conversion_support.h"
#include "converters/hourly_csv.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "base/text_fields.h"

namespace brine {
namespace {

constexpr int kValuesPerLine = 12;  // one every 2 hours
constexpr int kPairSampleHours = 2;
constexpr std::size_t kValueWidth = 4;
constexpr std::size_t kRecordFields = 10;
constexpr std::size_t kRecordFieldWidth = 6;
constexpr std::uint8_t kMinuteUnit = 3;  // TimeUnits index

const char* const kPortMemo = "Offshore wave data observed off a port";

// One statistic of a record line: its channel and the texts that mark it
// missing. Integer fields are stored as they are, the others as value x factor.
struct RecordField {
    const char* name;
    const char* unit;
    float scale;
    int factor;  // 0: an integer stored as the count
    std::array<const char*, 3> missing;
};

const std::array<RecordField, kRecordFields> kRecordFieldTable{{
    {"No of Waves", "", 1.0f, 0, {"9999"}},
    {"Hmean", "m", 0.01f, 100, {"99.99", "66.66"}},
    {"Tmean", "s", 0.1f, 10, {"999.9", "777.7", "666.6"}},
    {"Hs", "m", 0.01f, 100, {"99.99", "66.66", "77.77"}},
    {"Ts", "s", 0.1f, 10, {"999.9", "666.6", "777.7"}},
    {"H1/10", "m", 0.01f, 100, {"99.99", "66.66"}},
    {"T1/10", "s", 0.1f, 10, {"999.9", "777.7", "666.6"}},
    {"Hmax", "m", 0.01f, 100, {"99.99", "66.66"}},
    {"Tmax", "s", 0.1f, 10, {"999.9", "777.7", "666.6"}},
    {"Wave direction", "deg", 1.0f, 0, {"9999", "6666"}},
}};

// Characters `from` (1-based) to from + count - 1 of a line; what the line
// holds of them.
std::string_view columns(std::string_view line, std::size_t from, std::size_t count = std::string_view::npos) {
    if (from - 1 >= line.size()) return {};
    return line.substr(from - 1, count);
}

std::string atLine(std::size_t index) { return Text(Tx::ConvertAtLine, {std::to_string(index + 1)}); }

[[noreturn]] void badValue(std::size_t index) { throw ConversionError(Text(Tx::ConvertNotNumber) + atLine(index)); }
[[noreturn]] void badDate(std::size_t index) { throw ConversionError(Text(Tx::HourlyBadDate) + atLine(index)); }

std::optional<int> intAt(std::string_view line, std::size_t from, std::size_t count) {
    return ParseInt(columns(line, from, count));
}

// Whole days since the day-count epoch of a calendar date; none when invalid.
std::optional<long long> dayOf(std::optional<int> y, std::optional<int> mo, std::optional<int> d) {
    if (!y || !mo || !d) return std::nullopt;
    DateTimeParts p;
    p.year = *y;
    p.month = *mo;
    p.day = *d;
    double t = 0;
    if (!TryEncodeDateTime(p, t)) return std::nullopt;
    return static_cast<long long>(t);
}

[[noreturn]] void refuseOrder(double time, std::size_t index) {
    throw ConversionError(Text(Tx::NowphasTimeOrder, {FormatDateTime(time)}) + atLine(index));
}
[[noreturn]] void refuseOffGrid(double time, std::size_t index) {
    throw ConversionError(Text(Tx::NowphasOffGrid, {FormatDateTime(time)}) + atLine(index));
}

// Leading blanks of a fixed-width field removed ("   1" -> "1").
std::string trimmedLeft(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    return std::string(s);
}

class PortWaveReader {
public:
    PortWaveReader(const std::vector<std::string>& lines, Prompter& prompter, ProgressSink& progress)
        : lines_(lines), prompter_(prompter), progress_(progress) {}

    // False when the user declined or a message refused the file.
    bool read(PortWaveLayout layout) {
        switch (layout) {
            case PortWaveLayout::MonthlyGroups: return readMonthlyGroups();
            case PortWaveLayout::DailyPairs: return readDailyPairs();
            case PortWaveLayout::Records: return readRecords();
        }
        return false;
    }

    std::size_t sampleCount() const { return sampleCount_; }

    HourlyBurst burst;
    std::string station;  // empty for the line-pair layouts
    long long outOfRange = 0;

private:
    void addPairChannels() {
        burst.channels = {{"Hs", "m", 0.01f}, {"Ts", "s", 0.1f}};
        burst.data.assign(2, {});
        burst.memo = kPortMemo;
        burst.sampleInterval = kPairSampleHours;
    }

    // Samples 0 to n - 1 exist on every channel; new ones are missing.
    void extendTo(std::size_t n) {
        for (auto& channel : burst.data)
            if (channel.size() < n) channel.resize(n, ErrorData);
        sampleCount_ = std::max(sampleCount_, n);
    }

    std::int16_t countOf(long long v) {
        if (fitsCount(v)) return static_cast<std::int16_t>(v);
        ++outOfRange;
        return ErrorData;
    }

    // Twelve 4-character values from character `from` into samples at..at+11.
    void storeLine(std::size_t index, std::size_t from, std::size_t ch, std::size_t at) {
        extendTo(at + kValuesPerLine);
        for (std::size_t i = 0; i < kValuesPerLine; ++i) {
            std::string_view text = columns(lines_[index], from + kValueWidth * i, kValueWidth);
            std::int16_t count = ErrorData;
            if (text != kNowphasMissingMark) {
                auto v = ParseInt(text);
                if (!v) badValue(index);
                count = countOf(*v);
            }
            burst.data[ch][at + i] = count;
        }
    }

    void showProgress(std::size_t index) {
        const int percent = PercentOf(static_cast<int>(index) + 1, static_cast<int>(lines_.size()));
        if (percent != shown_) progress_.SetPercent(shown_ = percent);
    }

    // A group line with its count of Hs/Ts pairs; each pair is one day of
    // 2-hourly samples, a group without pairs one missing day.
    bool readMonthlyGroups() {
        addPairChannels();
        const std::string_view first = lines_[0];
        auto start = dayOf(intAt(first, 1, 4), intAt(first, 5, 4), 1);
        if (!start) badDate(0);
        burst.startTime = static_cast<double>(*start);
        std::size_t s = 0;
        std::size_t i = 1;
        while (i < lines_.size()) {
            auto pairs = intAt(lines_[i], 9, 4);
            if (!pairs) badValue(i);
            ++i;
            if (*pairs <= 0) {
                extendTo(s += kValuesPerLine);
                continue;
            }
            for (int p = 0; p < *pairs; ++p) {
                if (i + 1 >= lines_.size())
                    throw ConversionError(Text(Tx::ConvertShortData) + atLine(lines_.size()));
                storeLine(i, 1, 0, s);
                storeLine(i + 1, 1, 1, s);
                s += kValuesPerLine;
                i += 2;
                showProgress(i - 1);
            }
        }
        return true;
    }

    // From line 4, two lines a day: Hs, then Ts, each with its date.
    bool readDailyPairs() {
        addPairChannels();
        constexpr std::size_t kFirstDay = 3;
        std::size_t s = 0;
        long long previous = 0;
        for (std::size_t i = kFirstDay; i < lines_.size(); i += 2) {
            const std::string_view hs = lines_[i];
            const std::string date = trimmedLeft(columns(hs, 1, 4)) + "/" + trimmedLeft(columns(hs, 5, 4)) + "/" +
                                     trimmedLeft(columns(hs, 9, 4));
            auto day = dayOf(intAt(hs, 1, 4), intAt(hs, 5, 4), intAt(hs, 9, 4));
            if (!day) badDate(i);
            if (i == kFirstDay) {
                burst.startTime = static_cast<double>(*day);
            } else if (*day - previous > 1) {
                if (!prompter_.confirm(Question(Tx::NowphasDateGap, {date}))) return false;
                extendTo(s += static_cast<std::size_t>(*day - previous - 1) * kValuesPerLine);
            } else if (*day <= previous) {
                // Stored in file order, it would take the next day's place.
                prompter_.error(Text(Tx::NowphasDateOrder, {date}));
                return false;
            }
            std::optional<long long> tsDay;
            if (i + 1 < lines_.size()) {
                const std::string_view ts = lines_[i + 1];
                tsDay = dayOf(intAt(ts, 1, 4), intAt(ts, 5, 4), intAt(ts, 9, 4));
            }
            if (tsDay != day) {
                prompter_.show(MsgType::Error, Text(Tx::NowphasDayShort, {date}), MsgButtons::Yes);
                return false;
            }
            storeLine(i, 13, 0, s);
            storeLine(i + 1, 13, 1, s);
            s += kValuesPerLine;
            previous = *day;
            showProgress(i + 1);
        }
        return true;
    }

    struct Record {
        long long slot;
        std::array<std::int16_t, kRecordFields> counts;
    };

    std::int16_t recordCount(std::size_t index, std::size_t k) {
        const RecordField& f = kRecordFieldTable[k];
        const std::string text(TrimView(columns(lines_[index], 17 + kRecordFieldWidth * k, kRecordFieldWidth)));
        for (const char* m : f.missing)
            if (m && text == m) return ErrorData;
        if (f.factor == 0) {
            auto v = ParseInt(text);
            if (!v) badValue(index);
            return countOf(*v);
        }
        auto v = ParseNumber(text);
        if (!v) badValue(index);
        return countOf(RoundHalfAway(static_cast<long double>(*v) * f.factor));
    }

    // One record a line; a record goes to the sample of its time on the
    // grid set by the first two records, gaps stay missing. Times must rise
    // and fall on the grid, so no record takes another's place.
    bool readRecords() {
        station = TrimRightControl(columns(lines_[0], 6));
        burst.memo = station;
        for (const RecordField& f : kRecordFieldTable) burst.channels.push_back({f.name, f.unit, f.scale});
        burst.data.assign(kRecordFields, {});

        std::vector<Record> records;
        long long first = 0;  // minutes since the day-count epoch
        long long previous = 0;
        long long step = 0;
        long long lastSlot = 0;
        double lastTime = 0;
        for (std::size_t i = 1; i < lines_.size(); ++i) {
            const std::string_view line = lines_[i];
            auto day = dayOf(intAt(line, 1, 4), intAt(line, 5, 2), intAt(line, 7, 2));
            auto hour = intAt(line, 9, 2);
            // Hour 24 is 0 h of the next day.
            if (!day || !hour || *hour < 0 || *hour > 24) badDate(i);
            // Records more often than hourly carry their minute; blanks are 0.
            int minute = 0;
            if (std::string_view text = TrimView(columns(line, 11, 2)); !text.empty()) {
                auto m = ParseInt(text);
                if (!m || *m < 0 || *m > 59) badDate(i);
                minute = *m;
            }
            const long long minutes = (*day * 24 + *hour) * 60 + minute;
            const double time = static_cast<double>(*day) + (*hour * 60 + minute) / 1440.0;
            Record r{};
            if (records.empty()) {
                first = minutes;
                burst.startTime = time;
            } else {
                if (minutes <= previous) refuseOrder(time, i);
                if (records.size() == 1) step = minutes - first;
                if ((minutes - first) % step != 0) refuseOffGrid(time, i);
                r.slot = (minutes - first) / step;
            }
            previous = minutes;
            for (std::size_t k = 0; k < kRecordFields; ++k) r.counts[k] = recordCount(i, k);
            records.push_back(r);
            lastSlot = r.slot;
            lastTime = time;
            const int percent = PercentOf(static_cast<int>(i) + 1, static_cast<int>(lines_.size()));
            if (percent != shown_) {
                progress_.SetComment(FormatDateTime(time));
                progress_.SetPercent(shown_ = percent);
            }
        }
        const unsigned long long samples = static_cast<unsigned long long>(lastSlot) + 1;
        if (!AcceptBurstGrid(burst.startTime, lastTime, samples, kRecordFields, records.size(), prompter_))
            return false;
        extendTo(samples);
        for (const Record& r : records)
            for (std::size_t k = 0; k < kRecordFields; ++k)
                burst.data[k][static_cast<std::size_t>(r.slot)] = r.counts[k];
        // Whole hours are given in hours; a single record gives no step.
        if (step == 0 || step % 60 == 0) {
            burst.sampleInterval = step > 0 ? static_cast<int>(step / 60) : 1;
        } else {
            if (step > std::numeric_limits<std::int32_t>::max()) throw RangeError("データの期間が長すぎます。");
            burst.sampleInterval = static_cast<int>(step);
            burst.sampleUnit = kMinuteUnit;
        }
        return true;
    }

    const std::vector<std::string>& lines_;
    Prompter& prompter_;
    ProgressSink& progress_;
    std::size_t sampleCount_ = 0;
    int shown_ = -1;
};

}  // namespace

PortWaveLayout PortWaveLayoutOf(std::string_view baseNameCp932, std::string_view firstLine) {
    const std::string_view code = columns(baseNameCp932, 2, 3);
    if (code.size() == 3 && columns(firstLine, 1, 3) == code) return PortWaveLayout::Records;
    static const std::string waveData = utf8ToCp932("波浪データ");
    if (columns(firstLine, 25, waveData.size()) == waveData) return PortWaveLayout::DailyPairs;
    return PortWaveLayout::MonthlyGroups;
}

bool ReadPortWaveFile(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress) {
    std::vector<std::string> lines;
    try {
        ProgressScope scope(progress, "データ数の調査中", false);
        lines = ReadTextLines(fileName);
    } catch (const std::exception& e) {
        ReportBadFile(fileName, e, prompter);
        return false;
    }
    // Blank lines at the end of a file hold nothing.
    while (!lines.empty() && TrimView(lines.back()).empty()) lines.pop_back();
    if (lines.size() < 2) return false;

    const std::string baseName = utf8ToCp932(std::filesystem::path(fileName).filename().string());
    PortWaveReader reader(lines, prompter, progress);
    try {
        ProgressScope scope(progress, "ファイルの読み取り", false);
        if (!reader.read(PortWaveLayoutOf(baseName, lines[0]))) return false;
    } catch (const BrineError& e) {
        prompter.error(e.what());
        return false;
    }
    if (reader.sampleCount() == 0) return false;

    HourlyBurst& burst = reader.burst;
    burst.sampleSize = static_cast<int>(reader.sampleCount());
    burst.outputName =
        (std::filesystem::path(fileName).parent_path() / ("Wave_" + FileNamePart(reader.station) + ".sdf")).string();
    StoreHourlyBurst(m, std::move(burst));
    ReportOutOfRange(reader.outOfRange, prompter);
    return true;
}

}  // namespace brine
