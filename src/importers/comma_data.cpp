#include "importers/comma_data.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>

#include "base/binary_file.h"
#include "base/decimal_counts.h"
#include "base/errors.h"
#include "base/safe_write/file_identity.h"
#include "base/ini_file.h"
#include "base/safe_write/safe_replace.h"
#include "base/safe_write/own_files.h"
#include "base/line_reader.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "base/text_fields.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/header_edit_rules.h"
#include "core/line_split.h"
#include "core/time_units.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

const char* const kCommaCaption = "カンマ区切りデータの読み込み";

namespace {

// Percentage of a file read so far, reported only when it changes.
class FilePercent {
public:
    FilePercent(ProgressSink& sink, std::uint64_t size) : shown_(sink), size_(size) {}
    void update(std::uint64_t consumed) {
        // Below half a percent past the last one shown it cannot have changed.
        if (consumed < next_) return;
        int p = size_ == 0 ? 100
                           : RoundHalfEven(static_cast<long double>(consumed) * 100.0L / static_cast<long double>(size_));
        shown_.show(p);
        next_ = size_ == 0 || p < 0 ? UINT64_MAX : (2 * static_cast<std::uint64_t>(p) + 1) * size_ / 200;
    }

private:
    PercentShown shown_;
    std::uint64_t size_;
    std::uint64_t next_ = 0;
};

// The fields of a line as SplitCommas gives them: at most 129.
void splitLine(std::string_view line, std::vector<std::string_view>& fields) {
    SplitFieldViews(line, fields);
    if (fields.size() > static_cast<std::size_t>(kMaxFields)) fields.resize(static_cast<std::size_t>(kMaxFields));
}

// Skip, then every step-th line: decides for each line read whether it is used.
class LineSelector {
public:
    LineSelector(int skip, int step) : skip_(skip), step_(step) {}
    bool use() {
        if (skip_ > 0) {
            --skip_;
            return false;
        }
        if (++counter_ != step_) return false;
        counter_ = 0;
        return true;
    }

private:
    int skip_, step_;
    int counter_ = 0;
};

// Counts of one read column taken from the digits of its fields. Where A and
// B are short decimals, a field on the column's count grid gives its count c
// from its digits alone when the computed (x - B) / A provably lies within a
// thousandth of c for every c taken here (and below 1e-6 at c = 0): then it
// rounds to c, stays inside the scale and raises no accuracy question, as the
// general conversion finds. Every other field goes the general way.
class GridCounts {
public:
    explicit GridCounts(const CommaChannel& ch) : digits_(ch.A, ch.B) {
        const ChannelDecimals dec = channelDecimals(ch.A, ch.B);
        const long double a = std::fabs(static_cast<long double>(ch.A));
        fast_ = dec.found && 32767.0L * dec.slope + dec.offset <= 1e-3L * a && dec.offset <= 1e-7L * a;
    }
    // The field at p, ending at the next comma or at e: true with its count
    // and p at its end; false, p unchanged, when the general way decides
    // (the counts at the scale's ends, empty fields and "=" included).
    bool read(const char*& p, const char* e, std::int16_t& out) const {
        const char* q = p;
        if (!fast_ || !digits_.read(q, e, out) || out <= -32767 || out >= 32767) return false;
        p = q;
        return true;
    }

private:
    CountReader digits_;
    bool fast_ = false;
};

int parseIntText(const std::string& text) {
    std::optional<int> v = ParseInt(text);
    if (!v) throw ConversionError("'" + text + "' は正しい整数ではありません。");
    return *v;
}

double parseFloatText(const std::string& text) {
    std::optional<double> v = ParseDecimal(text);
    if (!v) throw ConversionError("'" + text + "' は正しい浮動小数点数ではありません。");
    return *v;
}

std::uint8_t unitIndex(int u) {
    if (!validUnit(u)) throw RangeError("時間の単位が正しくありません。");
    return static_cast<std::uint8_t>(u);
}

std::string lineText(long long line) { return std::to_string(line); }

// Samples a channel the burst buffers first hold; they double from there.
constexpr long long kFirstBurstRoom = 4096;

// Removes the temporary burst file unless the import completed.
class TempFileGuard {
public:
    void arm(std::string name) { name_ = std::move(name); }
    void release() { name_.clear(); }
    ~TempFileGuard() {
        if (!name_.empty()) removeFileQuietly(name_);
    }

private:
    std::string name_;
};

// Creates the temporary burst file fresh, empty and locked beside the input,
// as a file of the program's own: "<input's stem>." with its mark and
// ".$$$". What earlier imports of the input left of their own, and no job
// holds any more (a kill, or a copy into the output that failed and kept
// it), is removed first; a file of the user's is never touched. The name
// created is returned.
std::string createTempBurstFile(const std::string& preferred, FileLock& lock) {
    const std::filesystem::path p(preferred);
    const std::string prefix = std::filesystem::path(p).replace_extension("").filename().string() + ".";
    RemoveOwnLeftovers(p.parent_path(), prefix, ".$$$");
    return CreateLockedOwnFile(p.parent_path(), prefix, ".$$$", lock).string();
}

// The channel table of a model from the read columns.
void setChannels(CurrentFile& m, const std::vector<CommaChannel>& channels) {
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const int k = static_cast<int>(i);
        m.SetChannelName(k, channels[i].Name);
        m.SetChannelUnit(k, channels[i].Unit);
        m.ScaleA[i] = static_cast<float>(channels[i].A);
        m.OffsetB[i] = static_cast<float>(channels[i].B);
    }
}

}  // namespace

void CommaDataFields::ResetDefaults() {
    SkipLines = 0;
    StepLines = 1;
    LastLine = -1;
    for (int c = 0; c <= kCommaColumns; ++c) {
        auto i = static_cast<std::size_t>(c);
        ReadFlags[i] = true;
        ItemNames[i] = "X" + std::to_string(c + 1);
        ItemUnits[i].clear();
        CoefA[i] = 1.0;
        CoefB[i] = 0.0;
    }
}

// ---- preview

CommaPreview LoadCommaPreview(const std::string& fileName, const CommaDataFields& f, ProgressSink& progress) {
    ProgressScope scope(progress, Text(Tx::CommaPreviewCaption), false);
    LineReader in(fileName);
    FilePercent percent(progress, in.fileSize());
    CommaPreview p;
    LineSelector select(f.SkipLines, f.StepLines);
    long long lines = 0;
    bool reading = true;
    std::string_view line;
    std::vector<std::string_view> fields;
    while (in.next(line)) {
        ++lines;
        percent.update(in.offset());
        if (!reading) continue;
        if (select.use()) {
            splitLine(line, fields);
            p.Widest = std::max(p.Widest, static_cast<int>(fields.size()));
            std::vector<std::string> row(fields.size());
            int k = -1;
            for (std::size_t c = 0; c < fields.size(); ++c) {
                std::string_view field = fields[c];
                if (!f.ReadFlags[c]) {
                    row[c] = std::string(field);
                    continue;
                }
                ++k;
                std::optional<double> x = field.empty() ? std::nullopt : ParseDecimal(field);
                long double v = 0;
                if (x) {
                    auto i = static_cast<std::size_t>(k);
                    v = (static_cast<long double>(*x) - f.CoefB[i]) / f.CoefA[i];
                }
                row[c] = x && std::isfinite(static_cast<double>(v)) ? FormatGeneral(static_cast<double>(v), 15)
                                                                    : std::string(field);
            }
            p.Rows.push_back(std::move(row));
        }
        if ((f.LastLine > 0 && lines >= f.LastLine) || static_cast<int>(p.Rows.size()) >= kPreviewMaxRows)
            reading = false;
    }
    p.LineCount = lines > INT_MAX ? INT_MAX : static_cast<int>(lines);
    return p;
}

// ---- start time

std::string ExtractDateTimeText(std::string_view s) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    auto inSet = [&](char c) { return digit(c) || c == ':' || c == '-' || c == '/' || c == '.' || c == ' '; };
    std::size_t i = 0;
    while (i < s.size() && !digit(s[i])) ++i;
    std::size_t start = i;
    while (i < s.size() && inSet(s[i])) ++i;
    return std::string(s.substr(start, i - start));
}

std::string PickStartTimeText(const std::string& fileName, int row, int col) {
    if (row < 1 || col < 1) throw RangeError("計測開始時刻の行と列には1以上の整数を入力して下さい。");
    LineReader in(fileName);
    std::string_view line;
    for (int r = 0; r < row; ++r)
        if (!in.next(line)) return std::string();
    std::vector<std::string_view> fields;
    splitLine(line, fields);
    if (static_cast<std::size_t>(col) > fields.size()) return std::string();
    return ExtractDateTimeText(fields[static_cast<std::size_t>(col - 1)]);
}

// ---- import settings

bool SamplingIntervalInUnits(double x, int unit, std::int32_t& sint, std::uint8_t& sitUnit) {
    if (!std::isfinite(x) || x <= 0 || !validUnit(unit)) return false;
    const long double seconds = static_cast<long double>(x) * TimeUnits[static_cast<std::size_t>(unit)].SecondsPer;
    constexpr long double kMax = std::numeric_limits<std::int32_t>::max();
    for (int u = unit; u >= 0; --u) {
        long double y = seconds / TimeUnits[static_cast<std::size_t>(u)].SecondsPer;
        if (y > kMax) return false;
        long double r = std::round(y);
        if (r >= 1 && std::fabs(y - r) <= 1e-9L * y) {
            sint = static_cast<std::int32_t>(r);
            sitUnit = static_cast<std::uint8_t>(u);
            return true;
        }
    }
    long double y = seconds / TimeUnits[0].SecondsPer;
    int r = RoundHalfEven(y);
    if (r < 1) return false;
    sint = r;
    sitUnit = 0;
    return true;
}

CommaImportSettings ReadImportSettings(const CommaFormTexts& form, const std::string& source) {
    CommaImportSettings s;
    s.SourceFileName = source;
    if (form.Columns.size() > static_cast<std::size_t>(kCommaColumns)) throw RangeError("列の数が多すぎます。");
    for (std::size_t c = 0; c < form.Columns.size(); ++c) {
        const CommaFormTexts::Column& col = form.Columns[c];
        s.ReadColumns.push_back(col.Read);
        if (!col.Read) continue;
        CommaChannel ch{col.Name, col.Unit, parseFloatText(col.A), parseFloatText(col.B)};
        const std::string where = std::to_string(c + 1) + "列目の";
        // A is a divisor, and both are stored as single-precision numbers.
        if (ch.A == 0) throw RangeError(where + Text(Tx::CommaZeroScale));
        constexpr double kFloatMax = std::numeric_limits<float>::max();
        if (std::fabs(ch.A) > kFloatMax || std::fabs(ch.B) > kFloatMax) throw RangeError(where + "係数が大きすぎます。");
        s.Channels.push_back(std::move(ch));
    }
    if (s.Channels.size() > static_cast<std::size_t>(kMaxIntervalChannels))
        throw RangeError(Text(Tx::CommaTooManyColumns));
    // Without a channel there is no data, and no file the readers would open.
    if (s.Channels.empty()) throw RangeError("読み込む列がありません。");

    s.LastLine = parseIntText(form.Last);
    s.SkipLines = parseIntText(form.Skip);
    s.StepLines = parseIntText(form.Step);
    if (s.SkipLines < 0) throw RangeError(Text(Tx::CommaSkipLines));
    if (s.StepLines < 1) throw RangeError(Text(Tx::CommaStepLines));

    s.BurstMode = form.BurstMode;
    if (s.BurstMode) {
        s.SamplesPerBurst = parseIntText(form.SamplesPerBurst);
        if (s.SamplesPerBurst < 1) throw RangeError(Text(Tx::CommaSamplesPerBurst));
        CurrentFile probe;
        probe.Nch = static_cast<std::int16_t>(s.Channels.size());
        probe.SampleSize = s.SamplesPerBurst;
        probe.ComputeRecordSize();  // RangeError when one burst would not fit a record
        s.BurstInterval = parseIntText(form.BurstInterval);
        if (s.BurstInterval < 1) throw RangeError(Text(Tx::CommaBurstInterval));
        s.BurstUnit = unitIndex(form.BurstUnit);
        s.TempFileName = std::filesystem::path(source).replace_extension(".$$$").string();
        // The bursts must never be written over the data being read.
        if (s.TempFileName == source || SameFile(s.TempFileName, source))
            throw RangeError(Text(Tx::CommaTempIsInput) + "\n" + source);
    }

    double dt = parseFloatText(form.SamplingInterval);
    s.SamplingUnit = unitIndex(form.SamplingUnit);
    s.SamplingInterval = dt * s.StepLines;
    if (!(dt > 0) || !SamplingIntervalInUnits(s.SamplingInterval, s.SamplingUnit, s.SInt, s.SITUnit))
        throw RangeError(Text(Tx::CommaSamplingInterval));
    s.StartTime = ParseStartTime(form.StartTime);
    return s;
}

// ---- import

CommaImportResult ImportCommaData(const CommaImportSettings& s, Prompter& prompter, ProgressSink& progress) {
    CommaImportResult result;
    const int columns = static_cast<int>(s.ReadColumns.size());
    const int nch = static_cast<int>(s.Channels.size());
    LineReader in(s.SourceFileName);
    ProgressScope scope(progress, kCommaCaption, false);
    FilePercent percent(progress, in.fileSize());

    CurrentFile temp;  // the temporary burst file's own model
    TempFileGuard guard;
    if (s.BurstMode) {
        temp.Nch = static_cast<std::int16_t>(nch);
        temp.SampleSize = s.SamplesPerBurst;
        temp.SITUnit = s.SITUnit;
        temp.BITUnit = s.BurstUnit;
        setChannels(temp, s.Channels);
        temp.UpdateBlockArithmetic();
        result.TempFileLock = std::make_shared<FileLock>();
        result.TempFileName = createTempBurstFile(s.TempFileName, *result.TempFileLock);
        guard.arm(result.TempFileName);
        temp.SaveFileName = result.TempFileName;
        if (!temp.CreateSDFFile(result.TempFileName))
            throw IoError("一時ファイルを作成できません。\n" + result.TempFileName);
    } else {
        result.Table.assign(static_cast<std::size_t>(nch), {});
    }
    // One record of the interval table must fit 32 bits of bytes.
    const long long maxSamples =
        nch == 0 ? INT_MAX : std::min<long long>(INT_MAX, static_cast<long long>(UINT32_MAX / 2) / nch);

    // The burst buffers grow with the lines read, doubling up to the burst
    // length: a burst typed far longer than the data takes no memory.
    int room = 0;
    auto makeRoom = [&] {
        room = static_cast<int>(std::min<long long>(s.SamplesPerBurst, std::max(2LL * room, kFirstBurstRoom)));
        temp.AllocateSamples(room);
    };
    auto writeBurst = [&](int b) {
        if (b >= 32767) throw RangeError(Text(Tx::CommaTooManyBursts));
        if (!temp.WriteSDFBurst(b)) throw IoError("一時ファイルに書き込めません。\n" + result.TempFileName);
    };

    // The general conversion of a field: ErrorData when it is empty or no
    // number. False when the import stops.
    bool askAccuracy = true;
    long long lineNo = 0;
    auto convert = [&](std::string_view field, const CommaChannel& ch, std::int16_t& count) {
        count = ErrorData;
        std::optional<double> x = field.empty() ? std::nullopt : ParseDecimal(field);
        if (!x) return true;
        long double v = (static_cast<long double>(*x) - ch.B) / ch.A;
        if (!(std::fabs(v) < 32767.0L)) {
            prompter.error(Text(Tx::CommaScaleOver, {lineText(lineNo)}));
            return false;
        }
        count = static_cast<std::int16_t>(RoundHalfAway(v));
        if (askAccuracy && std::fabs(v) > 1e-6L && std::fabs((v - count) / v) > 0.01L) {
            if (prompter.ask(MsgType::Warning, Question(Tx::CommaAccuracy, {lineText(lineNo)}), MsgButtons::YesNo) ==
                MsgResult::Yes)
                return false;
            askAccuracy = false;
        }
        return true;
    };
    std::vector<GridCounts> grids;
    grids.reserve(s.Channels.size());
    for (const CommaChannel& ch : s.Channels) grids.emplace_back(ch);
    // Columns after the last read one are not looked at.
    int usedColumns = columns;
    while (usedColumns > 0 && !s.ReadColumns[static_cast<std::size_t>(usedColumns - 1)]) --usedColumns;

    LineSelector select(s.SkipLines, s.StepLines);
    int sample = -1;
    int burst = 0;
    std::string_view line;
    while (in.next(line)) {
        ++lineNo;
        percent.update(in.offset());
        if (select.use()) {
            ++sample;
            if (!s.BurstMode && sample >= maxSamples) throw RangeError(Text(Tx::CommaTooManySamples));
            if (s.BurstMode && sample == room) makeRoom();
            // The fields as SplitCommas gives them, walked in place: past the
            // line's last field and past its 129th every field is empty.
            const char* p = line.data();
            const char* const e = p + line.size();
            bool ended = false;
            int k = -1;
            for (int c = 0; c < usedColumns; ++c) {
                const bool wanted = s.ReadColumns[static_cast<std::size_t>(c)];
                if (wanted) ++k;
                if (c == kMaxFields) ended = true;
                std::int16_t count = ErrorData;
                const auto ch = static_cast<std::size_t>(k);
                if (!ended) {
                    const char* start = p;
                    if (!wanted || !grids[ch].read(p, e, count)) {
                        const void* comma = p == e ? nullptr : std::memchr(p, ',', static_cast<std::size_t>(e - p));
                        p = comma ? static_cast<const char*>(comma) : e;
                        if (wanted && !convert(std::string_view(start, static_cast<std::size_t>(p - start)),
                                               s.Channels[ch], count))
                            return result;
                    }
                    if (p == e)
                        ended = true;
                    else
                        ++p;  // the comma
                }
                if (!wanted) continue;
                if (s.BurstMode)
                    temp.Data[ch][static_cast<std::size_t>(sample)] = count;
                else
                    result.Table[ch].push_back(count);
            }
            if (s.BurstMode && sample == s.SamplesPerBurst - 1) {
                writeBurst(burst);
                ++burst;
                sample = -1;
            }
        }
        if (s.LastLine > 0 && lineNo >= s.LastLine) break;
    }

    if (s.BurstMode) {
        result.SampleCount = s.SamplesPerBurst;
        if (sample >= 0) {
            prompter.warning(Text(Tx::CommaBurstCut, {std::to_string(burst + 1)}));
            if (burst == 0) {
                // No burst was whole: the one burst is the samples read,
                // not a burst of the typed size filled up with nothing.
                temp.SampleSize = result.SampleCount = sample + 1;
            } else {
                // The samples never measured are missing, not zero.
                for (int k = 0; k < nch; ++k)
                    for (int j = sample + 1; j < s.SamplesPerBurst; ++j)
                        temp.Data[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)] = ErrorData;
            }
            writeBurst(burst);
            ++burst;
        }
        if (burst == 0) throw FormatError(Text(Tx::CommaNoData));
        result.Bursts = burst;
    } else {
        result.SampleCount = sample + 1;
        result.Bursts = 1;
    }
    result.LineCount = lineNo;
    result.Completed = true;
    guard.release();
    return result;
}

void ApplyCommaImport(const CommaImportSettings& s, CommaImportResult& r, CurrentFile& model) {
    if (!r.Completed) return;
    const int nch = static_cast<int>(s.Channels.size());
    model.ResetHeader();
    model.Nch = static_cast<std::int16_t>(nch);
    model.Nch2 = 0;
    setChannels(model, s.Channels);
    model.SInt = s.SInt;
    model.SITUnit = s.SITUnit;
    model.DisplayUnit = s.SamplingUnit;
    model.SITUnitName = TimeUnits[s.SamplingUnit].Name;
    model.SIntDisplay = s.SamplingInterval;
    model.StartTime = s.StartTime;
    model.SampleSize = r.SampleCount;
    if (s.BurstMode) {
        model.Iterations = static_cast<std::int16_t>(r.Bursts);
        model.BInt = s.BurstInterval;
        model.BITUnit = s.BurstUnit;
        model.UpdateBlockArithmetic();
        model.AllocateDataArrays();
        model.FileName = r.TempFileName;
        if (!model.ReadSDFBurst(0)) throw IoError("一時ファイルを読み込めません。\n" + r.TempFileName);
    } else {
        model.Iterations = 1;
        model.BInt = 0;
        model.UpdateBlockArithmetic();
        model.Data.resize(static_cast<std::size_t>(kMaxIntervalChannels));
        for (int k = 0; k < nch; ++k)
            model.Data[static_cast<std::size_t>(k)] = std::move(r.Table[static_cast<std::size_t>(k)]);
        model.AllocateDataArrays();
    }
}

// ---- parameter file

namespace {
const char* const kStart = "Start Time";
const char* const kSampling = "Sampling";
const char* const kTable = "Table";
std::string channelSection(int n) { return "Ch" + std::to_string(n); }
}  // namespace

void SaveCommaParameters(const std::string& fileName, const CommaParameters& p) {
    IniFile ini(fileName);
    ini.WriteBool(kStart, "From File", p.FromFile);
    ini.WriteString(kStart, "Described Column", p.DescribedColumn);
    ini.WriteString(kStart, "Described Row", p.DescribedRow);
    ini.WriteBool(kSampling, "Burst Sampling", p.BurstSampling);
    if (p.BurstSampling) {
        ini.WriteString(kSampling, "Number of Samples", p.NumberOfSamples);
        ini.WriteString(kSampling, "Burst Interval", p.BurstInterval);
        ini.WriteInteger(kSampling, "Burst Interval Unit No.", p.BurstIntervalUnitNo);
    }
    ini.WriteString(kSampling, "Intervals", p.Intervals);
    ini.WriteInteger(kSampling, "Unit No.", p.UnitNo);
    ini.WriteString(kTable, "Skip", p.Skip);
    ini.WriteString(kTable, "Step", p.Step);
    ini.WriteString(kTable, "Last", p.Last);
    ini.WriteInteger(kTable, "Number of Columns", p.NumberOfColumns);
    for (std::size_t n = 0; n < p.Columns.size(); ++n) {
        const CommaParameterColumn& c = p.Columns[n];
        std::string section = channelSection(static_cast<int>(n));
        ini.WriteBool(section, "Read or not", c.Read);
        if (!c.Read) continue;
        ini.WriteString(section, "Item Name", c.ItemName);
        ini.WriteString(section, "Scale", c.Scale);
        ini.WriteString(section, "A", c.AText);
        ini.WriteString(section, "B", c.BText);
    }
    ini.UpdateFile();
}

CommaParameters LoadCommaParameters(const std::string& fileName, const CommaParameters& current) {
    IniFile ini(fileName);
    CommaParameters p = current;
    auto unitOr = [](int u, int keep) { return validUnit(u) ? u : keep; };
    p.FromFile = ini.ReadBool(kStart, "From File", false);
    p.DescribedColumn = ini.ReadString(kStart, "Described Column", "1");
    p.DescribedRow = ini.ReadString(kStart, "Described Row", "1");
    p.BurstSampling = ini.ReadBool(kSampling, "Burst Sampling", false);
    if (p.BurstSampling) {
        p.NumberOfSamples = ini.ReadString(kSampling, "Number of Samples", current.NumberOfSamples);
        p.BurstInterval = ini.ReadString(kSampling, "Burst Interval", current.BurstInterval);
        p.BurstIntervalUnitNo = unitOr(ini.ReadInteger(kSampling, "Burst Interval Unit No.", current.BurstIntervalUnitNo),
                                       current.BurstIntervalUnitNo);
    }
    p.Intervals = ini.ReadString(kSampling, "Intervals", "1");
    p.UnitNo = unitOr(ini.ReadInteger(kSampling, "Unit No.", 2), current.UnitNo);
    p.Skip = ini.ReadString(kTable, "Skip", "0");
    p.Step = ini.ReadString(kTable, "Step", "1");
    p.Last = ini.ReadString(kTable, "Last", "-1");
    p.NumberOfColumns = std::clamp(ini.ReadInteger(kTable, "Number of Columns", current.NumberOfColumns), 0, kCommaColumns);
    p.Columns.assign(static_cast<std::size_t>(p.NumberOfColumns), {});
    for (int n = 0; n < p.NumberOfColumns; ++n) {
        CommaParameterColumn& c = p.Columns[static_cast<std::size_t>(n)];
        std::string section = channelSection(n);
        c.Read = ini.ReadBool(section, "Read or not", false);
        if (!c.Read) continue;
        c.ItemName = ini.ReadString(section, "Item Name", "");
        c.Scale = ini.ReadString(section, "Scale", "");
        c.A = ini.ReadFloat(section, "A", 1.0);
        c.B = ini.ReadFloat(section, "B", 0.0);
    }
    return p;
}

void ApplyParameterColumns(const CommaParameters& p, CommaDataFields& f) {
    std::size_t k = 0;
    for (std::size_t n = 0; n < p.Columns.size() && n < static_cast<std::size_t>(kCommaColumns); ++n) {
        const CommaParameterColumn& c = p.Columns[n];
        f.ReadFlags[n] = c.Read;
        if (!c.Read) continue;
        f.ItemNames[k] = c.ItemName;
        f.ItemUnits[k] = c.Scale;
        f.CoefA[k] = c.A;
        f.CoefB[k] = c.B;
        ++k;
    }
}

}  // namespace brine
