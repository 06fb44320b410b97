#include "importers/vector_header.h"

#include <cmath>
#include <filesystem>
#include <optional>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/text_fields.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "importers/raw_header.h"
#include "platform/api/prompter.h"

namespace brine {

namespace {

constexpr std::size_t kValueColumn = 38;   // character 39, 0-based
constexpr std::size_t kUnitColumn = 39;    // character 40, 0-based
constexpr std::uint64_t kMaxHeaderBytes = 16u << 20;

// A refused header: the message names the key that failed.
struct Refusal {
    std::string message;
};

[[noreturn]] void refuse(std::string_view key) { throw Refusal{Text(Tx::ImportBadHeader) + "\n" + std::string(key)}; }

std::string_view rightTrimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

bool contains(std::string_view line, std::string_view text) { return line.find(text) != std::string_view::npos; }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Windows names ignore case: ASCII letters compare without it, the bytes of
// other characters exactly.
bool sameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// The line names the file: the name occurs in it, not as the tail of a
// longer name.
bool namesFile(std::string_view line, std::string_view name) {
    if (name.empty()) return false;
    for (std::size_t i = 0; i + name.size() <= line.size(); ++i) {
        if (i > 0 && std::string_view(" \t\\/]\"':=").find(line[i - 1]) == std::string_view::npos) continue;
        if (sameNoCase(line.substr(i, name.size()), name)) return true;
    }
    return false;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    return rightTrimmed(s);
}

// The file name a header line ends with: after its last folder separator,
// else after its label ("[Data file]") and the blanks that follow it.
std::string_view nameAtEnd(std::string_view line) {
    std::string_view t = trimmed(line);
    if (std::size_t cut = t.find_last_of("\\/"); cut != std::string_view::npos) return t.substr(cut + 1);
    if (std::size_t cut = t.rfind(']'); cut != std::string_view::npos) t = t.substr(cut + 1);
    if (std::size_t cut = t.rfind("  "); cut != std::string_view::npos) t = t.substr(cut + 2);
    return trimmed(t);
}

// The entry of dir named name, regardless of case.
std::optional<std::filesystem::path> findInFolder(const std::filesystem::path& dir, const std::string& name) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(dir / name, ec)) return dir / name;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (sameNoCase(entry, name)) return dir / entry;
    }
    return std::nullopt;
}

double readTime(const std::vector<std::string>& lines, std::string_view key, std::string& shown) {
    shown = DotDateToSlashDate(GetHeaderValue(lines, key));
    std::optional<double> t = ParseDateTime(shown);
    if (!t) refuse(key);
    return *t;
}

long long readWhole(const std::vector<std::string>& lines, std::string_view key, std::string_view unit = {}) {
    std::optional<long long> v = ParseWhole(GetHeaderValue(lines, key, unit));
    if (!v) refuse(key);
    return *v;
}

// The column number in a description line's first two characters.
int columnIndex(std::string_view line) {
    std::optional<long long> n = ParseWhole(line.substr(0, 2));
    if (!n || *n < 1 || *n > 256)
        throw FormatError(Text(Tx::ImportBadHeader) + "\n" + cp932ToUtf8(rightTrimmed(line)));
    return static_cast<int>(*n - 1);
}

std::string unitOf(std::string_view line) {
    line = rightTrimmed(line);
    return line.size() > kUnitColumn ? std::string(line.substr(kUnitColumn)) : std::string();
}

}  // namespace

std::string GetHeaderValue(const std::vector<std::string>& lines, std::string_view key, std::string_view unit) {
    std::string value;
    for (const std::string& l : lines) {
        std::string_view line = l;
        if (!contains(line, key)) continue;
        std::size_t end = line.size();
        if (!unit.empty()) {
            end = line.find(unit);
            if (end == std::string_view::npos) break;
        }
        value = end > kValueColumn ? std::string(rightTrimmed(line.substr(kValueColumn, end - kValueColumn))) : "";
    }
    return value;
}

std::string DotDateToSlashDate(std::string_view s) {
    if (s.find('.') == std::string_view::npos) return std::string(s);
    auto copy = [s](std::size_t from1, std::size_t count) {
        return from1 - 1 < s.size() ? std::string(s.substr(from1 - 1, count)) : std::string();
    };
    return copy(7, 4) + "/" + copy(4, 2) + "/" + copy(1, 2) + copy(11, 9);
}

double DefaultCorrThreshold(int sampleRate) {
    return (0.4 * std::sqrt(static_cast<double>(sampleRate) / 25) + 0.3) * 100;
}

std::string FormatOneDecimal(double v) {
    long double x = static_cast<long double>(v) * 10;
    long long r = static_cast<long long>(x >= 0 ? std::trunc(x + 0.5L) : std::trunc(x - 0.5L));
    std::string sign = r < 0 ? "-" : "";
    unsigned long long a = r < 0 ? static_cast<unsigned long long>(-r) : static_cast<unsigned long long>(r);
    return sign + std::to_string(a / 10) + "." + std::to_string(a % 10);
}

std::vector<std::string> ReadHeaderLines(const std::string& fileName) {
    LineReader r(fileName);
    if (r.fileSize() > kMaxHeaderBytes) throw FormatError(Text(Tx::ImportBadHeader) + "\n" + fileName);
    std::vector<std::string> lines;
    std::string_view line;
    while (r.next(line)) lines.emplace_back(line);
    return lines;
}

bool ParseVectorHeader(const std::string& hdrFileName, Prompter& prompter, VectorHeader& out) {
    try {
        const std::vector<std::string> lines = ReadHeaderLines(hdrFileName);
        VectorHeader h;
        h.HdrFileName = hdrFileName;

        h.SoftwareVersion = GetHeaderValue(lines, "Software version");
        std::optional<double> version = ParseDecimal(h.SoftwareVersion);
        if (!version) refuse("Software version");
        h.HasProbeCheck = *version >= 1.28;
        if (h.HasProbeCheck) h.PckFileName = SiblingFile(hdrFileName, ".pck");

        h.FirmwareVersion = GetHeaderValue(lines, "Firmware version");
        h.SamplingVolume = GetHeaderValue(lines, "Sampling volume");
        h.VelocityRange = GetHeaderValue(lines, "Nominal velocity range");
        h.FirstTime = readTime(lines, "Time of first measurement", h.StartText);
        h.LastTime = readTime(lines, "Time of last measurement", h.FinalText);

        // Each sample needs an interval of a millisecond or more.
        long long rate = readWhole(lines, "Sampling rate", "Hz");
        if (rate < 1 || rate > 1000) refuse("Sampling rate");
        h.SampleRate = static_cast<int>(rate);
        h.CorrThreshold = DefaultCorrThreshold(h.SampleRate);

        long long burst = readWhole(lines, "Burst interval", "sec");
        if (burst < 1 || burst > 2147483647LL) refuse("Burst interval");
        h.BurstSeconds = static_cast<int>(burst);
        long long samples = readWhole(lines, "Samples per burst");
        if (samples < 1 || samples > 2147483647LL) refuse("Samples per burst");
        h.SamplesPerBurst = static_cast<std::int32_t>(samples);

        h.Comments = GetHeaderValue(lines, "Comments");

        // Whole milliseconds, so a last time on an exact burst boundary counts it.
        long long span = std::llround((h.LastTime - h.FirstTime) * 86400000.0);
        if (span < 0) refuse("Time of last measurement");
        long long bursts = span / (burst * 1000) + 1;
        if (bursts > 32767) throw Refusal{Text(Tx::RawTooManyBursts)};
        h.Bursts = static_cast<std::int16_t>(bursts);

        std::string coord = GetHeaderValue(lines, "Coordinate system");
        if (coord == "Beam") h.CoordSystem = VectorCoord::Beam;
        else if (coord == "XYZ") h.CoordSystem = VectorCoord::XYZ;
        else if (coord == "ENU") h.CoordSystem = VectorCoord::ENU;
        else refuse("Coordinate system");

        out = std::move(h);
        return true;
    } catch (const Refusal& r) {
        prompter.error(r.message);
    } catch (const BrineError& e) {
        prompter.error(e.what());
    }
    return false;
}

VectorFileRef LocateVectorFile(const std::vector<std::string>& lines, const std::string& hdrFileName,
                               std::string_view ext) {
    namespace fs = std::filesystem;
    const std::string sibling = SiblingFile(hdrFileName, ext);
    const std::string siblingName = fs::path(sibling).filename().string();
    // File names on disk are UTF-8; the header wrote them in CP932.
    std::vector<std::string> text;
    text.reserve(lines.size());
    for (const std::string& l : lines) text.push_back(cp932ToUtf8(l));
    for (std::size_t i = 0; i < text.size(); ++i)
        if (namesFile(text[i], siblingName)) return {sibling, i};
    // The export was renamed after it was written: the header names the
    // instrument's own names.
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view t = rightTrimmed(text[i]);
        if (t.size() <= ext.size() || !sameNoCase(t.substr(t.size() - ext.size()), ext)) continue;
        const std::string named(nameAtEnd(t));
        const fs::path dir = fs::path(hdrFileName).parent_path();
        if (named.size() > ext.size())
            if (std::optional<fs::path> found = findInFolder(dir, named)) return {found->string(), i};
        std::error_code ec;
        if (fs::exists(sibling, ec) || named.size() <= ext.size()) return {sibling, i};
        return {(dir / named).string(), i};
    }
    throw FormatError(Text(Tx::ImportBadHeader) + "\n" + siblingName);
}

VectorColumns ReadVectorColumns(const std::vector<std::string>& lines, std::size_t datNameLine,
                                std::size_t senNameLine) {
    VectorColumns c;
    const std::size_t datStart = datNameLine + 1;
    for (std::size_t i = datStart; i < lines.size(); ++i) {
        std::string_view l = lines[i];
        if (contains(l, "Velocity")) c.VelocityUnit = unitOf(l);
        if (contains(l, "Pressure")) c.PressureUnit = unitOf(l);
    }
    for (std::size_t i = datStart; i < lines.size(); ++i) {
        std::string_view l = lines[i];
        if (contains(l, "Burst counter")) c.BurstCounter = columnIndex(l);
        else if (contains(l, "Ensemble counter")) c.Ensemble = columnIndex(l);
        else if (contains(l, "Velocity") && contains(l, "Beam1")) c.Velocity[0] = columnIndex(l);
        else if (contains(l, "Velocity") && contains(l, "Beam2")) c.Velocity[1] = columnIndex(l);
        else if (contains(l, "Velocity") && contains(l, "Beam3")) c.Velocity[2] = columnIndex(l);
        else if (contains(l, "Pressure")) {
            c.Pressure = columnIndex(l);
            break;
        } else {
            for (std::size_t k = 0; k < 3; ++k) {
                const std::string beam = "(Beam" + std::to_string(k + 1) + ")";
                if (contains(l, "Amplitude " + beam)) c.Amplitude[k] = columnIndex(l);
                else if (contains(l, "SNR " + beam)) c.SNR[k] = columnIndex(l);
                else if (contains(l, "Correlation " + beam)) c.Correlation[k] = columnIndex(l);
            }
        }
    }
    for (std::size_t i = senNameLine + 1; i < lines.size(); ++i) {
        std::string_view l = lines[i];
        if (contains(l, "Month")) c.Month = columnIndex(l);
        else if (contains(l, "Day")) c.Day = columnIndex(l);
        else if (contains(l, "Year")) c.Year = columnIndex(l);
        else if (contains(l, "Hour")) c.Hour = columnIndex(l);
        else if (contains(l, "Minute")) c.Minute = columnIndex(l);
        else if (contains(l, "Second")) c.Second = columnIndex(l);
        else if (contains(l, "Temperature")) {
            c.Temperature = columnIndex(l);
            break;
        }
    }
    return c;
}

std::string SiblingFile(const std::string& hdrFileName, std::string_view ext) {
    namespace fs = std::filesystem;
    const fs::path p = fs::path(hdrFileName).replace_extension(std::string(ext));
    std::optional<fs::path> found = findInFolder(p.parent_path(), p.filename().string());
    return found ? found->string() : p.string();
}

}  // namespace brine
