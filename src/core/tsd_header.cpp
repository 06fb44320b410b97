// TSD: the text twin of SDF. Version 2 is written; versions 1 and 2 are read.
// CP932 text, one record per line, lines ended by CR LF, lists joined by ",".
// This file: the header, read, checked and written.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/binary_file.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/number_text.h"
#include "base/safe_write/safe_replace.h"
#include "core/current_file.h"
#include "core/job_files.h"
#include "core/line_split.h"
#include "core/sample_limits.h"
#include "core/tsd_shared.h"
#include "platform/api/prompter.h"

namespace brine {
namespace {

constexpr std::string_view kTsdMagic = "Time Series Data Text Format Ver.";

// The one test of a first line shared by both readers: the version digit
// after the magic, found anywhere in the line, with nothing but blanks after
// it; -1 when the line is not a TSD first line.
int TsdVersionOf(std::string_view line) {
    std::size_t p = line.find(kTsdMagic);
    if (p == std::string_view::npos) return -1;
    p += kTsdMagic.size();
    if (p >= line.size() || line[p] < '0' || line[p] > '9') return -1;
    int version = line[p] - '0';
    if (!trimBlanks(line.substr(p + 1)).empty()) return -1;
    return version;
}

}  // namespace

bool readPreamble(LineReader& in, int& version, std::string* memo, double* start) {
    std::string_view line;
    if (!in.next(line)) return false;
    version = TsdVersionOf(line);
    if (version != 1 && version != 2) return false;
    if (!in.next(line)) return false;
    std::string text = StripQuotes(line);
    for (;;) {
        if (!in.next(line)) return false;
        if (std::optional<double> t = ParseDateTime(line)) {
            if (start) *start = *t;
            break;
        }
        if (memo && text.size() <= kMemoBytes) {
            text += '\r';
            text += StripQuotes(line);
        }
    }
    if (memo) *memo = cutCp932(text, kMemoBytes);
    return true;
}

namespace {

// A header as read from a file, checked before it reaches the model.
struct TsdHeader {
    int version = 2;
    std::string memo;
    double startTime = 0;
    std::int32_t sInt = 0, bInt = 0, sampleSize = 0;
    std::uint8_t sitUnit = 0, bitUnit = 0;
    std::int16_t nch = 0, nch2 = 0, iterations = 0;
    std::vector<float> a, b;
    std::vector<std::string> names, units;
};

std::string_view nextLine(LineReader& in) {
    std::string_view line;
    if (!in.next(line)) throw FormatError();
    return line;
}

int intOf(std::string_view text) {
    std::optional<int> v = ParseInt(text);
    if (!v) throw FormatError();
    return *v;
}

// "1 sec": the integer before the first blank and the unit named in the line.
void intervalOf(std::string_view line, std::int32_t& value, std::uint8_t& unit) {
    std::string_view t = trimBlanks(line);
    value = intOf(t.substr(0, t.find(' ')));
    unit = TimeUnitIndexOf(line);
    if (!validUnit(unit)) throw FormatError();
}

std::vector<std::string> listOf(std::string_view line, int wanted) {
    std::vector<std::string> fields = SplitCommas(line);
    if (static_cast<int>(fields.size()) < wanted) throw FormatError();
    fields.resize(static_cast<std::size_t>(wanted));
    return fields;
}

std::vector<float> singlesOf(std::string_view line, int wanted, bool nonZero) {
    std::vector<float> out;
    for (const std::string& f : listOf(line, wanted)) {
        std::optional<double> v = ParseNumber(f);
        std::optional<float> s = v ? toSingle(*v) : std::nullopt;
        if (!s || (nonZero && *s == 0)) throw FormatError();
        out.push_back(*s);
    }
    return out;
}

// Throws FormatError for anything that is not a sound header.
TsdHeader parseTsdHeader(LineReader& in, std::uint64_t fileSize) {
    TsdHeader h;
    if (!readPreamble(in, h.version, &h.memo, &h.startTime)) throw FormatError();
    if (h.version == 1) {
        h.sInt = intOf(nextLine(in));
        h.sitUnit = 1;
        h.iterations = 1;
        h.bInt = 0;
        h.bitUnit = 2;
    } else {
        intervalOf(nextLine(in), h.sInt, h.sitUnit);
        int iterations = intOf(nextLine(in));
        if (iterations < 0 || iterations > 32767) throw FormatError();
        h.iterations = static_cast<std::int16_t>(iterations);
        intervalOf(nextLine(in), h.bInt, h.bitUnit);
        std::vector<std::string> counts = listOf(nextLine(in), 2);
        int nch = intOf(counts[0]), nch2 = intOf(counts[1]);
        if (nch < 0 || nch > kMaxIntervalChannels || nch2 < 0 || nch + nch2 > kMaxChannels) throw FormatError();
        h.nch = static_cast<std::int16_t>(nch);
        h.nch2 = static_cast<std::int16_t>(nch2);
    }
    h.sampleSize = intOf(nextLine(in));
    if (h.sampleSize < 0) throw FormatError();
    std::string_view scales = nextLine(in);
    if (h.version == 1) {
        // Only a version-1 file takes its channel count from the scale line.
        int fields = static_cast<int>(SplitCommas(scales).size());
        if (fields > kMaxIntervalChannels) throw FormatError();
        h.nch = static_cast<std::int16_t>(fields);
    }
    const int channels = h.nch + h.nch2;
    // As in SDF: no channel is no data, and without interval channels a
    // burst may not pass the limit.
    if (channels == 0 || (h.nch == 0 && !BurstOnlySamplesFit(h.sampleSize))) throw FormatError();
    h.a = singlesOf(scales, channels, true);
    h.b = singlesOf(nextLine(in), channels, false);
    h.names = listOf(nextLine(in), channels);
    h.units = listOf(nextLine(in), channels);
    std::uint64_t values = static_cast<std::uint64_t>(h.nch) * static_cast<std::uint64_t>(h.sampleSize);
    if ((values + static_cast<std::uint64_t>(h.nch2)) * 2u > 0xFFFFFFFFu) throw FormatError();
    // Every sample of a burst takes a line of its own: a file with bursts
    // must hold at least that many lines after its header, or its sample
    // count is damage, not a reason to allocate. (A file of no bursts gets
    // no buffers beyond one sample.)
    if (h.iterations > 0) {
        if (static_cast<std::uint64_t>(h.sampleSize) > fileSize) throw FormatError();
        if (!in.skipLines(static_cast<std::uint64_t>(h.sampleSize))) throw FormatError();
    }
    return h;
}

// Names and units go into comma lists and the memo onto one line: the bytes
// that would break them become blanks (no CP932 trail byte lies below 0x40).
std::string oneField(std::string_view text, bool keepCommas) {
    std::string s(text);
    for (char& c : s)
        if (c == '\r' || c == '\n' || (!keepCommas && c == ',')) c = ' ';
    return s;
}

// The shortest general text of 7, 8 or 9 digits that reads back to the same
// Single.
std::string singleText(float f) {
    for (int d = 7; d < 9; ++d) {
        std::string t = FormatGeneral(f, d);
        std::optional<double> v = ParseNumber(t);
        if (v && toSingle(*v) == f) return t;
    }
    return FormatGeneral(f, 9);
}

}  // namespace

bool CurrentFile::ReadTSDHeader(const std::string& fileName) {
    // A header read begins the reading of a file: no block found before counts.
    tsdBlocksKept_.p.reset();
    TsdHeader h;
    CallFiles files(job_.p.get());
    JobFile* opened = openForHeader(files, fileName);
    if (!opened) return false;
    JobFile& source = *opened;
    try {
        LineReader in(source.file);
        in.limitLineBytes(kMaxLineBytes);
        h = parseTsdHeader(in, source.size());
    } catch (const FormatError&) {
        if (prompter) prompter->error(Text(Tx::FormatWrong));
        return false;
    }
    const FileStamp stamp = source.writable ? FileStamp{} : source.stamp();
    Memo = h.memo;
    StartTime = h.startTime;
    SInt = h.sInt;
    SITUnit = h.sitUnit;
    Iterations = h.iterations;
    BInt = h.bInt;
    BITUnit = h.bitUnit;
    Nch = h.nch;
    Nch2 = h.nch2;
    SampleSize = h.sampleSize;
    for (std::size_t k = 0; k < h.a.size(); ++k) {
        ScaleA[k] = h.a[k];
        OffsetB[k] = h.b[k];
        ChannelName[k] = cutCp932(StripQuotes(h.names[k]), kNameBytes);
        ChannelUnit[k] = cutCp932(StripQuotes(h.units[k]), kUnitBytes);
    }
    ReadFrom = {fileName, stamp};
    NormalizeBurstInterval();
    AllocateForReading();
    return true;
}

bool CurrentFile::EncodeTSDHeader(std::string& out) const {
    const int channels = Nch + Nch2;
    if (Nch < 0 || Nch > kMaxIntervalChannels || Nch2 < 0 || channels > kMaxChannels) return false;
    if (!validUnit(SITUnit) || !validUnit(BITUnit) || SampleSize < 0 || Iterations < 0) return false;
    // A file the reader would refuse is not written.
    for (int k = 0; k < channels; ++k)
        if (!validScale(ScaleA[static_cast<std::size_t>(k)], OffsetB[static_cast<std::size_t>(k)])) return false;

    out.clear();
    out.reserve(256 + static_cast<std::size_t>(channels) * 48);
    out.append(kTsdMagic).append("2").append(kCrLf);
    out.append(oneField(Memo, true)).append(kCrLf);
    out.append(FormatDateTimeMs(StartTime)).append(kCrLf);
    out.append(std::to_string(SInt)).append(" ").append(TimeUnits[SITUnit].Name).append(kCrLf);
    out.append(std::to_string(Iterations)).append(kCrLf);
    out.append(std::to_string(BInt)).append(" ").append(TimeUnits[BITUnit].Name).append(kCrLf);
    out.append(std::to_string(Nch)).append(",").append(std::to_string(Nch2)).append(kCrLf);
    out.append(std::to_string(SampleSize)).append(kCrLf);
    auto list = [&](auto&& item) {
        for (int k = 0; k < channels; ++k) {
            if (k > 0) out += ',';
            out += item(static_cast<std::size_t>(k));
        }
        out.append(kCrLf);
    };
    list([&](std::size_t k) { return singleText(ScaleA[k]); });
    list([&](std::size_t k) { return singleText(OffsetB[k]); });
    list([&](std::size_t k) { return oneField(ChannelName[k], false); });
    list([&](std::size_t k) { return oneField(ChannelUnit[k], false); });
    return true;
}

bool CurrentFile::writeTSDHeader() {
    try {
        std::string out;
        if (!EncodeTSDHeader(out)) return false;
        CallFiles files(job_.p.get());
        JobFile& f = outputFile(files, OpenMode::Create);
        files->writeNow(f, 0, out.data(), out.size());
        files.done();
        return true;
    } catch (const std::exception& e) {
        writeFailure_ = {e.what()};
    } catch (...) {
        writeFailure_ = {};
    }
    outputFailed();
    return false;
}

}  // namespace brine
