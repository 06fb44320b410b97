#include "support/fuzz_support.h"

#include <QApplication>
#include <unistd.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "base/binary_file.h"
#include "base/datetime.h"
#include "core/header_edit_rules.h"
#include "core/output_size.h"

namespace brine::fuzz {
namespace fs = std::filesystem;

std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

std::vector<std::string> SplitParts(std::string_view text, std::size_t parts) {
    static constexpr std::string_view kSeparator = "%%%%";
    std::vector<std::string> out(parts);
    std::size_t part = 0, at = 0;
    while (at <= text.size() && part < parts) {
        std::size_t eol = text.find('\n', at);
        std::size_t end = eol == std::string_view::npos ? text.size() : eol + 1;
        std::string_view line = text.substr(at, end - at);
        std::string_view bare = line;
        while (!bare.empty() && (bare.back() == '\n' || bare.back() == '\r')) bare.remove_suffix(1);
        if (bare == kSeparator && part + 1 < parts)
            ++part;
        else
            out[part].append(line);
        if (eol == std::string_view::npos) break;
        at = end;
    }
    return out;
}

// ---- workspace

namespace {

// BRINE_FUZZ_WORKSPACE names the folder when set: scripts/fuzz.sh gives
// each target one, so the paths an input meets are the same on every run.
// Otherwise a fresh folder in the temporary folder.
struct ProcessRoot {
    fs::path path;
    ProcessRoot() {
        if (const char* given = std::getenv("BRINE_FUZZ_WORKSPACE")) {
            path = given;
            fs::create_directories(path);
            fs::permissions(path, fs::perms::owner_all);  // as a runtime folder must be
            return;
        }
        std::string pattern = (fs::temp_directory_path() / "brine-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path = pattern;
    }
    ~ProcessRoot() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

const fs::path& processRoot() {
    static ProcessRoot root;
    return root.path;
}

// Empties the folder but keeps it: on a disk, making and removing a folder
// per input costs more than the input itself.
void emptyFolder(const fs::path& dir) {
    std::error_code ec;
    fs::permissions(dir, fs::perms::owner_all, ec);
    for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
}

}  // namespace

Workspace::Workspace() {
    fs::path dir = processRoot() / "run";
    fs::create_directories(dir);
    emptyFolder(dir);
    dir_ = dir.string();
}

Workspace::~Workspace() { emptyFolder(dir_); }

std::string Workspace::file(const std::string& name) const { return (fs::path(dir_) / name).string(); }

std::string Workspace::write(const std::string& name, std::string_view bytes) const {
    std::string p = file(name);
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) Fail("workspace", "cannot write " + p);
    // Readers take dates from it: one fixed time (2001-02-03 04:05:06 UTC)
    // keeps the inputs tried the same from run to run.
    std::error_code ec;
    fs::last_write_time(p, fs::file_time_type::clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds{981173106}}),
                        ec);
    return p;
}

std::set<std::string> Workspace::files() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.insert(e.path().filename().string());
    return names;
}

std::vector<std::uint8_t> Workspace::read(const std::string& name) const {
    std::ifstream in(file(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Scratch files need no durability, and a sync per output would make a
// workspace on disk many times slower than one in memory.
extern "C" int fsync(int) { return 0; }

// ---- services

namespace {

// BRINE_FUZZ_TRACE set: what the program showed and wrote is printed, to
// see what an input does when the corpus is looked after.
bool tracing() {
    static const bool on = std::getenv("BRINE_FUZZ_TRACE") != nullptr;
    return on;
}

}  // namespace

namespace {

// The program asks about an output's size sooner in a fuzz run, so that the
// question is reached without writing files of many megabytes.
const UnaskedOutputLimit fuzzOutputLimit(kFuzzUnaskedBytes);

// The size a size question names ("約300KB"), in bytes rounded up; none when
// the text is no such question.
std::optional<std::uint64_t> askedSize(const std::string& text) {
    if (text.find(kSizeQuestionLine) == std::string::npos) return std::nullopt;
    const std::size_t at = text.find("約");
    if (at == std::string::npos) return std::numeric_limits<std::uint64_t>::max();
    std::size_t end = at + std::strlen("約");
    std::uint64_t n = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') n = n * 10 + static_cast<std::uint64_t>(text[end++] - '0');
    if (text.compare(end, 2, "KB") == 0) return (n + 1) * 1000;
    if (text.compare(end, 2, "MB") == 0) return (n + 1) * 1'000'000;
    return std::numeric_limits<std::uint64_t>::max();
}

}  // namespace

MsgResult FuzzPrompter::showBox(MsgType type, const std::string& text, MsgButtons buttons) {
    if (tracing()) std::fprintf(stderr, "  message: %s\n", text.c_str());
    shown.push_back(text);
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    ++questions;
    if (const std::optional<std::uint64_t> size = askedSize(text)) {
        ++sizeQuestions;
        return *size <= kFuzzAcceptedBytes ? MsgResult::Yes : MsgResult::No;
    }
    if (buttons == MsgButtons::YesIgnore) return ignoreAnswer_;
    return type == MsgType::Warning ? warningAnswer_ : answer_;
}

bool FuzzHeaderSave::ExecuteSave(int kind) {
    ++calls;
    if (kind != 0) return false;
    m_.SaveFileName = target_;
    return m_.BeginSDFOutput(target_);
}

bool ProposedNameSave::ExecuteSave(int kind) {
    ++calls;
    if (kind != 0) return false;
    const std::string name = m_.SaveFileName;
    const TargetCheck check = CheckSaveTarget(name, m_.FileName);
    if (check == TargetCheck::SourceRefused) return false;
    if (edit) edit(m_);
    const bool written = check == TargetCheck::SourceSdf ? m_.RewriteSDFHeader(name) : m_.CreateSDFFile(name);
    if (written) saved.push_back(name);
    return written;
}

void FillPreviousFile(CurrentFile& m, const std::string& fileName) {
    m.ResetHeader();
    m.SetMemo("previous file");
    m.FileName = fileName;
    m.SaveFileName = fileName + ".out";
    m.FileKind = 0;
    m.Nch = 2;
    m.Nch2 = 1;
    m.Iterations = 3;
    m.SampleSize = 5;
    m.SInt = 250;
    m.SITUnit = 1;
    m.BInt = 10;
    m.BITUnit = 3;
    m.StartTime = 44000.25;
    for (int k = 0; k < 3; ++k) {
        m.SetChannelName(k, "prev" + std::to_string(k));
        m.SetChannelUnit(k, "u" + std::to_string(k));
        m.ScaleA[static_cast<std::size_t>(k)] = 0.5f + static_cast<float>(k);
        m.OffsetB[static_cast<std::size_t>(k)] = -1.0f * static_cast<float>(k);
    }
    m.DisplayUnit = 1;
    m.ShowSIntInDisplayUnit();
    m.UpdateBlockArithmetic();
    m.AllocateDataArrays();
    for (int ch = 0; ch < m.Nch; ++ch)
        for (int j = 0; j < m.SampleSize; ++j)
            m.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] = static_cast<std::int16_t>(100 * ch + j);
    m.BurstData[0] = -7;
}

// ---- model picture

namespace {

std::string bits(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    return std::to_string(u);
}

std::string bits(float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return std::to_string(u);
}

}  // namespace

ModelImage::ModelImage(const CurrentFile& m)
    : data(m.Data), burstData(m.BurstData), prompter(m.prompter), progress(m.progress) {
    std::ostringstream s;
    s << "RecordSize=" << m.RecordSize << "\nHeaderBlocks=" << m.HeaderBlocks << "\nFileKind=" << int(m.FileKind)
      << "\nFileName=" << m.FileName << "\nSaveFileName=" << m.SaveFileName << "\nMemo=" << m.Memo
      << "\nNch=" << m.Nch << "\nNch2=" << m.Nch2 << "\nIterations=" << m.Iterations
      << "\nSampleSize=" << m.SampleSize << "\nSInt=" << m.SInt << "\nBInt=" << m.BInt
      << "\nSITUnit=" << int(m.SITUnit) << "\nBITUnit=" << int(m.BITUnit) << "\nStartTime=" << bits(m.StartTime)
      << "\nDisplayUnit=" << int(m.DisplayUnit) << "\nSITUnitName=" << m.SITUnitName
      << "\nSIntDisplay=" << bits(m.SIntDisplay) << "\n";
    for (std::size_t k = 0; k < static_cast<std::size_t>(kMaxChannels); ++k)
        s << "Channel" << k << "=" << m.ChannelName[k] << "|" << m.ChannelUnit[k] << "|" << bits(m.ScaleA[k]) << "|"
          << bits(m.OffsetB[k]) << "\n";
    text = s.str();
}

std::string ModelImage::differenceTo(const ModelImage& o) const {
    if (text != o.text) {
        std::istringstream a(text), b(o.text);
        std::string la, lb;
        while (std::getline(a, la) && std::getline(b, lb))
            if (la != lb) return "'" + la + "' became '" + lb + "'";
        return "header text";
    }
    if (data.size() != o.data.size()) return "number of channel arrays";
    for (std::size_t ch = 0; ch < data.size(); ++ch)
        if (data[ch] != o.data[ch]) return "Data[" + std::to_string(ch) + "]";
    if (burstData != o.burstData) return "BurstData";
    if (prompter != o.prompter) return "prompter";
    if (progress != o.progress) return "progress";
    return {};
}

// ---- checks

void Fail(const char* check, const std::string& detail) {
    std::fprintf(stderr, "==brine-fuzz== check failed [%s]: %s\n", check, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

void ExpectModelUnchanged(const ModelImage& before, const CurrentFile& m, const char* what,
                          const std::string& path) {
    std::string diff = before.differenceTo(ModelImage(m));
    if (!diff.empty())
        Fail("refused-changed-model", std::string(what) + (path.empty() ? "" : " (" + path + ")") + ": " + diff);
}

void ExpectNoNewFiles(const Workspace& ws, const std::set<std::string>& before, const char* what) {
    for (const std::string& name : ws.files())
        if (!before.count(name)) Fail("refused-created-file", std::string(what) + ": " + name);
}

void ExpectFileUnchanged(const Workspace& ws, const std::string& name, const std::vector<std::uint8_t>& before,
                         const char* what) {
    if (ws.read(name) != before) Fail("refused-changed-input", std::string(what) + ": " + name);
}

void ExpectSdfReadsBack(const std::string& path, const char* what, bool exactSize) {
    // The layout is checked from the bytes themselves, apart from the reader.
    std::vector<std::uint8_t> head(256);
    std::uint64_t size = 0;
    try {
        BinaryFile f(path, OpenMode::Read);
        size = f.size();
        if (f.readSome(head.data(), head.size()) != head.size()) {
            Fail("output-bursts", std::string(what) + ": output shorter than its header block");
            return;
        }
    } catch (const IoError& e) {
        Fail("output-bursts", std::string(what) + ": " + e.what());
        return;
    }
    const std::uint8_t* p = head.data() + 210;
    const std::int64_t nch = getLE<std::int16_t>(p), nch2 = getLE<std::int16_t>(p + 2);
    const std::int64_t samples = getLE<std::int32_t>(p + 4), iterations = getLE<std::int16_t>(p + 13);
    if (head[40] != '4' || nch < 0 || nch2 < 0 || nch + nch2 > kMaxChannels || samples < 0 || iterations < 0) {
        Fail("output-bursts", std::string(what) + ": output header is not a version 4 header");
        return;
    }
    const std::int64_t record = (nch * samples + nch2) * 2;
    const std::uint64_t expected = SdfHeaderBytes(nch + nch2) + static_cast<std::uint64_t>(iterations * record);
    if (exactSize ? size != expected : size < expected) {
        Fail("output-bursts", std::string(what) + ": " + std::to_string(iterations) + " bursts of " +
                                  std::to_string(record) + " bytes declared, file of " + std::to_string(size) +
                                  " bytes instead of " + std::to_string(expected));
        return;
    }

    CurrentFile back;
    FuzzPrompter prompter(MsgResult::No);
    back.prompter = &prompter;
    bool ok = false;
    try {
        ok = back.ReadSDFHeader(path);
    } catch (const BrineError& e) {
        prompter.shown.push_back(e.what());
    }
    if (!ok) {
        Fail("output-unreadable",
             std::string(what) + ": " + (prompter.shown.empty() ? std::string("refused") : prompter.shown.back()));
        return;
    }
    back.FileName = path;
    if (tracing()) std::fprintf(stderr, "  output: %d bursts of %d samples\n", back.Iterations, back.SampleSize);
    // The size above accounts for every burst; the first and last ones are
    // read, which keeps outputs of thousands of tiny bursts quick to check.
    constexpr int kEnds = 128;
    for (int b = 0; b < back.Iterations; ++b) {
        if (b == kEnds && back.Iterations > 2 * kEnds) b = back.Iterations - kEnds;
        if (!back.ReadSDFBurst(b)) {
            Fail("output-bursts", std::string(what) + ": burst " + std::to_string(b) + " cannot be read back");
            return;
        }
    }
}

namespace {

// The channel counts a TSD header declares, read from its first lines apart
// from the reader: after the first line that reads as a date-time (the end
// of the memo), version 2 has the line "Nch,Nch2" four lines on, version 1
// its scale list three lines on. False when the lines are not there.
bool tsdChannels(const std::string& head, SeriesShape& s) {
    std::vector<std::string_view> lines;
    std::string_view rest(head);
    while (!rest.empty()) {
        const std::size_t eol = rest.find('\n');
        std::string_view line = rest.substr(0, eol);
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (eol == std::string_view::npos) break;
        rest.remove_prefix(eol + 1);
    }
    if (lines.empty()) return false;
    const std::size_t magic = lines[0].find("Time Series Data Text Format Ver.");
    if (magic == std::string_view::npos) return false;
    const char version = magic + 33 < lines[0].size() ? lines[0][magic + 33] : 0;
    std::size_t date = 2;
    while (date < lines.size() && !ParseDateTime(lines[date])) ++date;
    auto number = [](std::string_view t, long long& out) {
        while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
        const auto r = std::from_chars(t.data(), t.data() + t.size(), out);
        return r.ec == std::errc() && out >= 0;
    };
    if (version == '2' && date + 4 < lines.size()) {
        const std::string_view counts = lines[date + 4];
        const std::size_t comma = counts.find(',');
        return comma != std::string_view::npos && number(counts.substr(0, comma), s.nch) &&
               number(counts.substr(comma + 1), s.nch2) && s.nch + s.nch2 <= kMaxChannels;
    }
    if (version == '1' && date + 3 < lines.size()) {
        s.nch = std::count(lines[date + 3].begin(), lines[date + 3].end(), ',') + 1;
        s.nch2 = 0;
        return s.nch <= kMaxChannels;
    }
    return false;
}

}  // namespace

SeriesShape ShapeOf(const std::string& path) {
    SeriesShape s;
    std::ifstream in(path, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    std::error_code ec;
    s.size = std::filesystem::file_size(path, ec);
    if (ec) return s;
    if (head.rfind("Standard Burst-Interval Data Format Ver.", 0) == 0 && head.size() >= 256) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(head.data()) + 210;
        const bool v1 = head[40] == '1';
        s.nch = getLE<std::int16_t>(p);
        s.nch2 = getLE<std::int16_t>(p + 2);
        s.samples = getLE<std::int32_t>(p + 4);
        s.iterations = getLE<std::int16_t>(p + (v1 ? 12 : 13));
        s.known = true;
        return s;
    }
    if (head.find("Time Series Data Text Format Ver.") != std::string::npos) {
        s.tsd = true;
        s.known = true;
        // Whatever the lines do not show, every channel a table holds.
        if (!tsdChannels(head, s)) {
            s.nch = kMaxChannels;
            s.nch2 = 0;
        }
    }
    return s;
}

std::uint64_t SdfHeaderBytes(long long channels) {
    channels = std::max<long long>(0, channels);
    return static_cast<std::uint64_t>(channels / 8 + 1 + (channels % 8 > 0 ? 1 : 0)) * 256u;
}

std::uint64_t JustifiedBytes(const SeriesShape& input, bool outputTsd) {
    if (!input.known) return input.size;  // counts of another binary format, copied
    const auto channels = static_cast<std::uint64_t>(std::clamp<long long>(input.nch + input.nch2, 1, kMaxChannels));
    if (input.tsd) return input.size * (outputTsd ? channels + 13 : channels);
    if (!outputTsd) return input.size;
    // Text of the bursts the file holds; their sample lines without
    // interval channels hold nothing of the file.
    const auto nch = static_cast<std::uint64_t>(std::max(0LL, input.nch));
    const auto nch2 = static_cast<std::uint64_t>(std::max(0LL, input.nch2));
    const auto samples = static_cast<std::uint64_t>(std::max(0LL, input.samples));
    const auto declared = static_cast<std::uint64_t>(std::max(0LL, input.iterations));
    const std::uint64_t header = SdfHeaderBytes(input.nch + input.nch2);
    const std::uint64_t record = (nch * samples + nch2) * 2;
    const std::uint64_t data = input.size > header ? input.size - header : 0;
    const std::uint64_t held = record > 0 ? std::min(declared, data / record) : declared;
    const std::uint64_t block = 16 + (nch > 0 ? samples * (26 * nch + 1) : 0) + (nch2 > 0 ? 26 * nch2 + 1 : 0);
    return held * block;
}

std::uint64_t SizeAllowance(const FuzzPrompter& prompter, std::uint64_t inputBytes) {
    return prompter.sizeQuestions > 0 ? kFuzzAcceptedBytes : UnaskedOutputBytes(inputBytes);
}

namespace {

// Bytes before the first record of an SDF, or before the first block of a TSD.
std::uint64_t headerBytesOf(const std::string& path) {
    const SeriesShape s = ShapeOf(path);
    if (!s.known) return 0;
    if (!s.tsd) return SdfHeaderBytes(s.nch + s.nch2);
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::uint64_t bytes = 0;
    for (int i = 0; i < 12 && std::getline(in, line); ++i) bytes += line.size() + 1;
    return bytes;
}

}  // namespace

void ExpectOutputJustified(const std::string& path, std::uint64_t justified, const char* what) {
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(path, ec);
    if (ec) return;
    const std::uint64_t header = headerBytesOf(path);
    if (size > header && size - header > justified)
        Fail("output-too-large", std::string(what) + ": " + std::to_string(size - header) +
                                     " bytes after the header, " + std::to_string(justified) + " justified");
}

void ExpectTsdReadsBack(const std::string& path, const char* what) {
    CurrentFile back;
    FuzzPrompter prompter(MsgResult::Yes);
    back.prompter = &prompter;
    bool ok = false;
    try {
        ok = back.ReadTSDHeader(path);
    } catch (const BrineError& e) {
        prompter.shown.push_back(e.what());
    }
    if (!ok)
        Fail("output-unreadable",
             std::string(what) + ": " + (prompter.shown.empty() ? std::string("refused") : prompter.shown.back()));
    back.FileName = path;
    // Read in one job, as the program reads many bursts: outside one each
    // call finds its block from the file's start.
    BurstJob job(back);
    constexpr int kEnds = 128;
    for (int b = 0; b < back.Iterations; ++b) {
        if (b == kEnds && back.Iterations > 2 * kEnds) b = back.Iterations - kEnds;
        bool read = false;
        try {
            read = back.ReadTSDBurst(b);
        } catch (const BrineError&) {
            read = false;
        }
        if (!read) Fail("output-bursts", std::string(what) + ": block " + std::to_string(b) + " cannot be read back");
    }
    // A block beyond those declared is more than the header says.
    bool more = false;
    try {
        more = back.Iterations < 32767 && back.ReadTSDBurst(back.Iterations);
    } catch (const BrineError&) {
        more = false;
    }
    if (more) Fail("output-bursts", std::string(what) + ": a block beyond the " + std::to_string(back.Iterations) + " declared");
}

void EnsureQtApplication() {
    if (QApplication::instance()) return;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Qt's own files (runtime folder, settings) stay in this process's folder.
    ::setenv("XDG_RUNTIME_DIR", processRoot().c_str(), 1);
    ::setenv("HOME", processRoot().c_str(), 1);
    static int argc = 1;
    static char name[] = "brine-fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

void ReadBurstsAsATool(CurrentFile& m, const char* what) {
    RunCommand(
        [&] {
            BurstJob job(m);  // as the tools read
            for (int b = 0; b < m.Iterations; ++b) {
                if (b == 1000) b = m.Iterations - 1;
                if (!m.ReadBurst(b)) break;
            }
        },
        what);
}

namespace {

const CurrentFile& filledAsPrevious(CurrentFile& m, const Workspace& ws) {
    FillPreviousFile(m, ws.file("previous.sdf"));
    return m;
}

}  // namespace

ConverterRun::ConverterRun(Workspace& ws, MsgResult answer, MsgResult ignoreAnswer, MsgResult warningAnswer)
    : ws(ws),
      filesBefore(ws.files()),
      prompter(answer, ignoreAnswer, warningAnswer),
      dialog(m, ws.file("out.sdf")),
      before(filledAsPrevious(m, ws)) {}

void ConverterRun::ExpectRefused(const char* what) const {
    ExpectModelUnchanged(before, m, what);
    ExpectNoNewFiles(ws, filesBefore, what);
}

void ConverterRun::ExpectOutputReadsBack(const char* what) const {
    if (!ws.files().count("out.sdf")) return;
    ExpectSdfReadsBack(ws.file("out.sdf"), what);
    // A line of text, a byte or more, gives at most a count of every
    // channel; a grid the user agreed to after its question is the user's.
    for (const std::string& text : prompter.shown)
        if (text.find("日付に誤りがないか確認して下さい。") != std::string::npos) return;
    std::uint64_t inputs = 0;
    for (const std::string& name : filesBefore) {
        std::error_code ec;
        const std::uint64_t bytes = std::filesystem::file_size(ws.file(name), ec);
        if (!ec) inputs += bytes;
    }
    ExpectOutputJustified(ws.file("out.sdf"), 2 * kMaxChannels * inputs, what);
}

TwoFileRun::TwoFileRun(Workspace& ws, const std::vector<std::string>& parts, unsigned how) : ws_(ws) {
    names[0] = how & 1 ? "one.tsd" : "one.sdf";
    names[1] = how & 2 ? "two.tsd" : "two.sdf";
    for (int i = 0; i < 2; ++i) ws.write(names[i], parts.at(static_cast<std::size_t>(i)));
    const char* outputs[] = {"out.sdf", "out.tsd", "old.sdf", "old.tsd"};
    outputName = outputs[(how >> 2) & 3];
    if (outputName.starts_with("old")) ws.write(outputName, "not yet a time series\r\n");
}

void TwoFileRun::keepInputs() {
    filesBefore_ = ws_.files();
    inputs_.clear();
    for (const std::string& name : names) inputs_.push_back(ws_.read(name));
    outputBefore_ = ws_.read(outputName);
}

bool TwoFileRun::check(bool written, const char* what) const {
    for (int i = 0; i < 2; ++i) ExpectFileUnchanged(ws_, names[i], inputs_[static_cast<std::size_t>(i)], what);
    for (const std::string& name : ws_.files())
        if (!filesBefore_.count(name) && name != outputName) Fail("temporary-file-left", std::string(what) + ": " + name);
    if (!written) {
        if (filesBefore_.count(outputName))
            ExpectFileUnchanged(ws_, outputName, outputBefore_, what);
        else if (ws_.files().count(outputName))
            Fail("refused-created-file", std::string(what) + ": " + outputName);
        return false;
    }
    if (tsd())
        ExpectTsdReadsBack(output(), what);
    else
        ExpectSdfReadsBack(output(), what);
    return true;
}

}  // namespace brine::fuzz
