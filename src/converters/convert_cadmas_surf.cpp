#include "converters/convert_cadmas_surf.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <vector>

#include "converters/conversion_support.h"
#include "base/cp932.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "base/text_fields.h"
#include "base/texts.h"
#include "core/line_split.h"

namespace brine {
namespace {

constexpr std::uint8_t kUsec = 0, kMsec = 1, kSec = 2;
constexpr double kIntervalTolerance = 0.0001;

struct TranChannel {
    std::string name;  // CP932
    std::string unit;
    float scale = 1.0f;
    long double factor = 1;  // file value to physical value
};

struct TranTable {
    std::vector<TranChannel> channels;
    std::vector<std::vector<std::int16_t>> data;  // [channel][row]
    std::size_t rows = 0;
    double firstTime = 0;  // seconds
    double lastTime = 0;
};

std::string atLine(long long line) { return Text(Tx::ConvertAtLine, {std::to_string(line)}); }

[[noreturn]] void badValue(long long line) { throw ConversionError(Text(Tx::ConvertNotNumber) + atLine(line)); }

// The channel a header line names; none for a kind outside the table.
std::optional<TranChannel> channelOf(const std::vector<std::string>& f) {
    if (f.size() > 3 && f[1] == "W-LEVEL")
        return TranChannel{utf8ToCp932(Text(Tx::CadmasLevelName)) + f[3], "m", 0.001f, 1};
    if (f.size() > 4 && f[1] == "POINT") {
        const std::string at = f[3] + "_" + f[4] + ")";
        if (f[2] == "U") return TranChannel{utf8ToCp932(Text(Tx::CadmasVxName)) + at, "m/s", 0.001f, 1};
        if (f[2] == "W") return TranChannel{utf8ToCp932(Text(Tx::CadmasVzName)) + at, "m/s", 0.001f, 1};
        // Pressure in Pa, stored in MPa.
        if (f[2] == "P") return TranChannel{utf8ToCp932(Text(Tx::CadmasPressureName)) + at, "MPa", 0.00002f, 0.000001L};
    }
    return std::nullopt;
}

// Reads the whole file; throws with the message to show.
void readTable(const std::string& fileName, TranTable& t) {
    LineReader in(fileName);
    std::string_view line;
    std::vector<std::string> f;
    // Header lines are numbered 1, 2, ...; the first line that is not the
    // next number ends the header and is skipped.
    while (in.next(line)) {
        f = SplitBlanks(line);
        auto n = ParseInt(f[0]);
        if (!n || static_cast<std::size_t>(*n) != t.channels.size() + 1) break;
        if (t.channels.size() == static_cast<std::size_t>(kMaxIntervalChannels))
            throw RangeError(Text(Tx::CadmasTooManyChannels));
        auto c = channelOf(f);
        if (!c) throw FormatError(Text(Tx::CadmasUnknownItem) + atLine(in.lineNumber()));
        t.channels.push_back(std::move(*c));
    }
    if (t.channels.empty()) throw FormatError(Text(Tx::ConvertBadFile));

    const std::size_t nch = t.channels.size();
    t.data.assign(nch, {});
    long long blankLine = 0;
    std::string lastTimeText;
    long long lastRowLine = 0;
    while (in.next(line)) {
        if (TrimView(line).empty()) {
            if (blankLine == 0) blankLine = in.lineNumber();
            continue;
        }
        // Blank lines may only close the file.
        if (blankLine != 0) throw ConversionError(Text(Tx::CadmasBlankLine) + atLine(blankLine));
        f = SplitBlanks(line);
        if (f.size() < nch + 1) throw ConversionError(Text(Tx::ConvertShortData) + atLine(in.lineNumber()));
        if (t.rows == 0) {
            auto first = ParseNumber(f[0]);
            if (!first) badValue(in.lineNumber());
            t.firstTime = *first;
        }
        lastTimeText = f[0];
        lastRowLine = in.lineNumber();
        for (std::size_t c = 0; c < nch; ++c) {
            auto v = ParseNumber(f[c + 1]);
            if (!v) badValue(in.lineNumber());
            const TranChannel& ch = t.channels[c];
            const long double x = static_cast<long double>(*v) * ch.factor / ch.scale;
            // Checked before rounding, which cannot take huge values.
            const int count = std::fabs(x) < 32768.5L ? RoundHalfAway(x) : ErrorData - 1;
            if (!fitsCount(count)) throw RangeError(Text(Tx::CadmasOutOfRange) + atLine(in.lineNumber()));
            t.data[c].push_back(static_cast<std::int16_t>(count));
        }
        ++t.rows;
        // The burst must fit one SDF record.
        if (t.rows > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()) ||
            t.rows * nch * 2 > std::numeric_limits<std::uint32_t>::max())
            throw RangeError("データ数が多すぎます。");
    }
    if (t.rows == 0) throw FormatError(Text(Tx::CadmasNoData));
    auto last = ParseNumber(lastTimeText);
    if (!last) badValue(lastRowLine);
    t.lastTime = *last;
}

// Whole seconds, else whole milliseconds, else microseconds, each within a
// relative 0.0001 of the mean time step.
void samplingInterval(double dt, std::int32_t& sint, std::uint8_t& unit) {
    if (!(dt > 0) || !std::isfinite(dt)) throw RangeError(Text(Tx::CadmasBadStep));
    int r = RoundHalfAway(dt);
    if (std::fabs(r - dt) / dt < kIntervalTolerance) {
        sint = r;
        unit = kSec;
        return;
    }
    r = RoundHalfAway(1000.0L * dt);
    if (std::fabs(r / 1000.0 - dt) / dt < kIntervalTolerance) {
        sint = r;
        unit = kMsec;
        return;
    }
    r = RoundHalfAway(1000000.0L * dt);
    if (r <= 0) throw RangeError(Text(Tx::CadmasBadStep));
    sint = r;
    unit = kUsec;
}

// The text in single quotes, an inner quote doubled.
std::string quotedStr(std::string_view s) {
    std::string out = "'";
    for (char c : s) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out + "'";
}

}  // namespace

bool ReadCadmasSurfFile(CurrentFile& m, const std::string& fileName, Prompter& prompter) {
    TranTable t;
    std::int32_t sint = 0;
    std::uint8_t unit = kSec;
    try {
        readTable(fileName, t);
        if (t.rows < 2) throw RangeError(Text(Tx::CadmasBadStep));
        // Rows are time steps from the first row's time to the last's.
        samplingInterval((t.lastTime - t.firstTime) / static_cast<double>(t.rows - 1), sint, unit);
    } catch (const BrineError& e) {
        prompter.error(e.what());
        return false;
    }

    m.ResetHeader();
    m.SetMemo(utf8ToCp932("Time-series data computed using CADMAS-SURF. The original data is " +
                          quotedStr(FullName(fileName)) + "."));
    m.Nch = static_cast<std::int16_t>(t.channels.size());
    m.Nch2 = 0;
    m.Iterations = 1;
    m.SampleSize = static_cast<std::int32_t>(t.rows);
    m.SInt = sint;
    m.SITUnit = unit;
    m.BInt = 0;
    m.BITUnit = unit;
    // The model's time axis counts seconds from its day zero.
    m.StartTime = t.firstTime / 86400.0;
    for (std::size_t k = 0; k < t.channels.size(); ++k) {
        m.SetChannelName(static_cast<int>(k), t.channels[k].name);
        m.SetChannelUnit(static_cast<int>(k), t.channels[k].unit);
        m.ScaleA[k] = t.channels[k].scale;
        m.OffsetB[k] = 0;
    }
    m.AllocateDataArrays();
    for (std::size_t k = 0; k < t.channels.size(); ++k) m.Data[k] = std::move(t.data[k]);
    m.SaveFileName = (std::filesystem::path(fileName).parent_path() / Text(Tx::CadmasOutput)).string();
    return true;
}

void ConvertCadmasSurf(CurrentFile& m, FileDialog& openDialog, FileChooser& chooser, HeaderSaveDialog& headerDialog,
                       Prompter& prompter) {
    if (!openDialog.Execute(chooser)) return;
    OutputGuard guard(m);
    if (!ReadCadmasSurfFile(m, openDialog.FileName, prompter)) return;
    const std::string proposed = m.SaveFileName;
    if (!SaveSDFHeaderAs(m, proposed, headerDialog, prompter)) return;
    if (WriteOnlyBurst(m, prompter)) prompter.information(Text(Tx::CadmasSaved));
}

}  // namespace brine
