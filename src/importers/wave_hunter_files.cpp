#include "importers/wave_hunter_files.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>

#include "base/binary_file.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/rounding.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

namespace {

constexpr int kMaxBursts = 32767;
// Directory entries that fit the last 64 KiB after the count.
constexpr std::uint32_t kMaxDirectoryEntries = (kWaveHunterDirectoryArea - 4) / 4;

// A refusal: its message goes to the prompter, followed by the file name
// unless the message stands as the instrument's own.
struct Refusal {
    std::string message;
    bool withName = true;
};

bool bit(std::uint8_t byte, int n) { return ((byte >> n) & 1) != 0; }

const char* onOff(bool v) { return v ? "ON     " : "OFF    "; }

std::uint16_t word(const std::uint8_t* p) { return getLE<std::uint16_t>(p); }

// Local date-time of the file's last modification.
double modificationTime(const std::string& fileName) {
    std::error_code ec;
    auto ft = std::filesystem::last_write_time(fileName, ec);
    if (ec) throw IoError("ファイルの日付を読めません。\n" + fileName);
    auto sys = std::chrono::file_clock::to_sys(ft);
    std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(sys));
    std::tm local{};
    if (!localtime_r(&t, &local)) throw IoError("ファイルの日付を読めません。\n" + fileName);
    DateTimeParts p;
    p.year = local.tm_year + 1900;
    p.month = local.tm_mon + 1;
    p.day = local.tm_mday;
    p.hour = local.tm_hour;
    p.minute = local.tm_min;
    p.second = std::min(local.tm_sec, 59);  // a leap second
    return EncodeDateTime(p);
}

// Reads a word; false when it lies (partly) beyond the end or cannot be read.
bool tryWord(BinaryFile& f, std::uint64_t pos, std::uint16_t& w) {
    std::uint8_t b[2];
    try {
        f.readAt(pos, b, 2);
    } catch (const IoError&) {
        return false;
    }
    w = word(b);
    return true;
}

int percentOf(long double part, long double whole) {
    if (!(whole > 0)) return 0;
    return std::min(100, RoundHalfEven(part * 100 / whole));
}

// Date-time of a record's stamp: year at 11, minute, hour, day, month at 20-23.
bool recordStamp(const std::uint8_t* r, double& t) {
    DateTimeParts p;
    p.year = WaveHunterYear(r[11]);
    p.minute = r[20];
    p.hour = r[21];
    p.day = r[22];
    p.month = r[23];
    return TryEncodeDateTime(p, t);
}

class WaveHunterReader {
public:
    WaveHunterReader(const std::string& fileName, WaveHunterLayout kind, ProgressSink& progress)
        : f_(fileName, OpenMode::Read), size_(f_.size()), progress_(progress) {
        w_.MasterFileName = fileName;
        w_.FileLayout = kind;
    }

    WaveHunterRead run() {
        switch (w_.FileLayout) {
            case WaveHunterLayout::Hun: return ReadHunFile();
            case WaveHunterLayout::H98: return ReadH98File();
            case WaveHunterLayout::H00: return ReadH00File();
            case WaveHunterLayout::K02: return ReadK02File();
        }
        return WaveHunterRead::NotMine;
    }

    WaveHunterFile& result() { return w_; }

private:
    WaveHunterRead ReadH98File() {
        readRecordHeader();
        return counted(countH98());
    }
    WaveHunterRead ReadH00File() {
        readRecordHeader();
        return counted(countDirectory());
    }
    WaveHunterRead ReadK02File() {
        readRecordHeader();
        return counted(countDirectory());
    }
    WaveHunterRead counted(bool finished) {
        if (!finished) return WaveHunterRead::Cancelled;
        if (w_.BurstCount == 0) throw Refusal{Text(Tx::WaveHunterNoBursts)};
        checkBurstInterval();
        return WaveHunterRead::Read;
    }

    // Several bursts need an interval that holds the record: with 0, or a
    // shorter one, bursts would share their times or overlap the next.
    void checkBurstInterval() const {
        const long long record = static_cast<long long>(w_.Samples) * w_.SampleInterval;  // 0.1 s
        if (w_.BurstCount > 1 && record > static_cast<long long>(w_.BurstInterval) * 600)
            throw Refusal{Text(Tx::WaveHunterBadHeader)};
    }

    WaveHunterRead ReadHunFile() {
        std::uint8_t h[16];
        if (size_ < sizeof h) throw Refusal{Text(Tx::FormatWrong)};
        f_.readAt(0, h, sizeof h);
        w_.MachineNo = word(h);
        w_.BurstInterval = word(h + 6);
        w_.SampleInterval = word(h + 8);
        w_.Samples = word(h + 10);
        w_.Channels = word(h + 14);
        if (w_.SampleInterval < 1 || w_.Samples < 1 || w_.Channels < 1 || w_.Channels > kMaxIntervalChannels)
            throw Refusal{Text(Tx::WaveHunterBadHeader)};
        const long long words = static_cast<long long>(w_.Samples) * w_.Channels + 4;
        w_.BlocksPerBurst = static_cast<int>((words + 511) / 512);
        const std::uint64_t step = static_cast<std::uint64_t>(w_.BlocksPerBurst) * kWaveHunterBlock;
        const std::uint64_t whole = size_ > kWaveHunterBlock ? (size_ - kWaveHunterBlock) / step : 0;
        if (whole > kMaxBursts) throw Refusal{Text(Tx::ImportTooManyBursts)};
        int count = static_cast<int>(whole);
        std::uint16_t w = 0;
        while (count > 0 && !tryWord(f_, w_.RecordOffset(count - 1), w)) --count;
        if (count == 0) throw Refusal{Text(Tx::WaveHunterNoBursts)};
        w_.BurstCount = count;
        checkBurstInterval();
        w_.StartTime = modificationTime(w_.MasterFileName);
        // No status bytes: pressure in channel 0, the velocity pair last.
        w_.Components = 0;
        w_.MeasPressure = true;
        w_.MeasVelocity = w_.Channels >= 3;
        w_.MeasLevel = false;
        w_.Texts.MeasPres = onOff(w_.MeasPressure);
        w_.Texts.MeasVel = onOff(w_.MeasVelocity);
        w_.Texts.MeasWL = onOff(w_.MeasLevel);
        return WaveHunterRead::Read;
    }

    void readRecordHeader() {
        const bool k02 = w_.FileLayout == WaveHunterLayout::K02;
        std::uint8_t h[kWaveHunterRecordHeader];
        if (size_ < sizeof h)
            throw k02 ? Refusal{Text(Tx::WaveHunterNotItsData), false} : Refusal{Text(Tx::FormatWrong)};
        f_.readAt(0, h, sizeof h);
        if (k02 && word(h) != kK02Signature) throw Refusal{Text(Tx::WaveHunterNotItsData), false};

        w_.MachineNo = h[10];
        w_.Channels = h[13];
        const int recordMinutes = h[16];
        w_.BurstInterval = h[17];
        const std::uint8_t s1 = h[18], s2 = h[19];
        for (int n = 0; n < 8; ++n) {
            w_.StatusBits[static_cast<std::size_t>(n)] = bit(s1, n);
            w_.StatusBits[static_cast<std::size_t>(8 + n)] = bit(s2, n);
        }
        if (k02)
            readK02Status(s1, s2);
        else
            readH98Status(s1, s2);

        if (!recordStamp(h, w_.StartTime)) throw Refusal{Text(Tx::WaveHunterBadHeader)};
        // The samples hold exactly the measured words; anything else cannot be decoded.
        const int words = (w_.MeasPressure ? 1 : 0) + (w_.MeasVelocity ? 2 : 0) + (w_.MeasLevel ? 1 : 0);
        if (recordMinutes < 1 || w_.Channels < 1 || w_.Channels != words) throw Refusal{Text(Tx::WaveHunterBadHeader)};
        w_.Samples = recordMinutes * 600 / w_.SampleInterval;
        const double x = (static_cast<double>(w_.Samples) * w_.Channels + 12) / 512;
        w_.BlocksPerBurst = w_.FileLayout == WaveHunterLayout::H98 ? H98Blocks(x) : static_cast<int>(std::ceil(x));
    }

    void readH98Status(std::uint8_t s1, std::uint8_t s2) {
        WaveHunterStatusTexts& t = w_.Texts;
        w_.SampleInterval = bit(s1, 0) ? 5 : 10;
        w_.PressureRange = bit(s1, 4) ? 100 : 50;
        t.Rpres = std::to_string(w_.PressureRange) + "m";
        t.PresZero = bit(s1, 5) ? "無効   " : "有効   ";
        t.WatchDog = onOff(bit(s1, 7));
        w_.MeasPressure = bit(s2, 0);
        w_.MeasVelocity = bit(s2, 1);
        w_.MeasLevel = bit(s2, 2);
        t.MeasPres = onOff(w_.MeasPressure);
        t.MeasVel = onOff(w_.MeasVelocity);
        t.MeasWL = onOff(w_.MeasLevel);
        w_.Components = bit(s2, 3) ? 0 : 1;
        t.VelComp = bit(s2, 3) ? "Ｘ流速とＹ流速" : "東方流速と北方流速";
        t.Deployment = bit(s2, 4) ? "固定" : "吊下げ";
        t.Direction = bit(s2, 5) ? "上向き " : "下向き ";
    }

    void readK02Status(std::uint8_t s1, std::uint8_t s2) {
        static constexpr int kIntervals[4] = {10, 5, 2, 1};
        WaveHunterStatusTexts& t = w_.Texts;
        w_.SampleInterval = kIntervals[(bit(s1, 0) ? 1 : 0) + (bit(s1, 1) ? 2 : 0)];
        w_.Components = bit(s1, 5) ? 0 : 1;
        t.VelComp = bit(s1, 5) ? "X流速とY流速" : "東方流速と北方流速";
        t.Deployment = bit(s1, 6) ? "固定" : "吊下げ";
        t.Direction = bit(s1, 7) ? "上向き" : "下向き";
        w_.MeasPressure = bit(s2, 0);
        t.MeasPres = w_.MeasPressure ? "ON" : "OFF";
        if (bit(s2, 1) != bit(s2, 2)) throw Refusal{Text(Tx::WaveHunterOneVelocity), false};
        w_.MeasVelocity = bit(s2, 1);
        t.MeasVel = w_.MeasVelocity ? "ON" : "OFF";
        w_.MeasLevel = bit(s2, 3);
        t.MeasWL = w_.MeasLevel ? "ON" : "OFF";
    }

    // True unless cancelled. Bursts follow each other every B blocks; each
    // must carry its number and lie whole in the file.
    bool countH98() {
        ProgressScope scope(progress_, Text(Tx::WaveHunterCountingBursts));
        const std::uint64_t step = static_cast<std::uint64_t>(w_.BlocksPerBurst) * kWaveHunterBlock;
        int k = 0;
        for (;;) {
            const std::uint64_t at = static_cast<std::uint64_t>(k) * step;
            progress_.SetPercent(percentOf(static_cast<long double>(at), static_cast<long double>(size_)));
            std::uint16_t n = 0;
            if (at + w_.RecordBytes() > size_ || !tryWord(f_, at + 14, n) || n != k + 1) break;
            if (k == kMaxBursts) throw Refusal{Text(Tx::ImportTooManyBursts)};
            ++k;
            progress_.SetComment(std::to_string(k));
            if (progress_.Cancelled()) return false;
        }
        w_.BurstCount = k;
        return true;
    }

    // True unless cancelled. Bursts are where the directory says; each must
    // carry its number, lie whole in the file and be stamped one burst
    // interval after the one before.
    bool countDirectory() {
        if (size_ < kWaveHunterDirectoryArea) throw Refusal{Text(Tx::WaveHunterBadHeader)};
        const std::uint64_t dirAt = size_ - kWaveHunterDirectoryArea;
        std::uint8_t nb[4];
        f_.readAt(dirAt, nb, 4);
        const std::uint32_t n = getLE<std::uint32_t>(nb);
        if (n > kMaxDirectoryEntries) throw Refusal{Text(Tx::WaveHunterBadHeader)};
        std::vector<std::uint8_t> raw(static_cast<std::size_t>(n) * 4);
        if (n > 0) f_.readAt(dirAt + 4, raw.data(), raw.size());
        w_.Directory.resize(n);
        for (std::uint32_t i = 0; i < n; ++i) w_.Directory[i] = getLE<std::uint32_t>(raw.data() + 4 * i);

        ProgressScope scope(progress_, Text(Tx::WaveHunterCountingBursts));
        double expected = w_.StartTime;
        int count = 0;
        for (std::uint32_t k = 0; k < n; ++k) {
            progress_.SetPercent(percentOf(k, n));
            const std::uint32_t entry = w_.Directory[k];
            if (entry == 0) break;
            const std::uint64_t at = entry - 1ULL;
            std::uint8_t r[kWaveHunterRecordHeader];
            if (at + w_.RecordBytes() > size_) break;
            try {
                f_.readAt(at, r, sizeof r);
            } catch (const IoError&) {
                break;
            }
            double stamp = 0;
            if (!recordStamp(r, stamp) || std::fabs(expected - stamp) > 0.0001) break;
            expected = stamp + w_.BurstInterval / 1440.0;
            if (word(r + 14) != k + 1) break;
            count = static_cast<int>(k) + 1;
            progress_.SetComment(std::to_string(k));
            if (progress_.Cancelled()) return false;
        }
        w_.BurstCount = count;
        return true;
    }

    BinaryFile f_;
    std::uint64_t size_;
    ProgressSink& progress_;
    WaveHunterFile w_;
};

}  // namespace

std::uint64_t WaveHunterFile::RecordOffset(int k) const {
    const std::uint64_t step = static_cast<std::uint64_t>(BlocksPerBurst) * kWaveHunterBlock;
    switch (FileLayout) {
        case WaveHunterLayout::Hun: return kWaveHunterBlock + static_cast<std::uint64_t>(k) * step;
        case WaveHunterLayout::H98: return static_cast<std::uint64_t>(k) * step;
        case WaveHunterLayout::H00:
        case WaveHunterLayout::K02: {
            if (k < 0 || static_cast<std::size_t>(k) >= Directory.size() || Directory[static_cast<std::size_t>(k)] == 0)
                throw RangeError("バースト番号が範囲外です。");
            return Directory[static_cast<std::size_t>(k)] - 1ULL;
        }
    }
    return 0;
}

std::uint64_t WaveHunterFile::RecordBytes() const {
    const std::uint64_t head = IsHun() ? 8 : kWaveHunterRecordHeader;
    return head + static_cast<std::uint64_t>(Samples) * static_cast<std::uint64_t>(Channels) * 2;
}

std::string UpperAnsi(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::optional<WaveHunterLayout> WaveHunterKindOf(const std::string& fileName) {
    const std::string name = UpperAnsi(std::filesystem::path(fileName).filename().string());
    const std::string ext = UpperExtension(name);
    if (ext == ".HUN") return WaveHunterLayout::Hun;
    if (ext == ".H98") return WaveHunterLayout::H98;
    if (ext == ".K02") return WaveHunterLayout::K02;
    if (name.ends_with("M.H00") || name.ends_with("R.H00")) return WaveHunterLayout::H00;
    return std::nullopt;
}

std::string WaveHunterOutputName(const std::string& masterFileName) {
    std::filesystem::path p(masterFileName);
    p.replace_filename(UpperAnsi(p.filename().string()));
    return p.replace_extension(".sdf").string();
}

std::string WaveHunterMemo(const std::string& masterFileName) {
    return "Measurements from Wave Hunter (I.O. Technic,Ltd.), which were originally saved in\"" +
           UpperAnsi(std::filesystem::path(masterFileName).filename().string()) + "\"";
}

int WaveHunterYear(int twoDigits) { return twoDigits < 90 ? 2000 + twoDigits : 1900 + twoDigits; }

int H98Blocks(double x) {
    const double whole = std::floor(x);
    return static_cast<int>(whole) + (x - whole > 0.001 ? 1 : 0);
}

WaveHunterRead ReadWaveHunterFile(const std::string& fileName, WaveHunterFile& out, Prompter& prompter,
                                  ProgressSink& progress) {
    const std::optional<WaveHunterLayout> kind = WaveHunterKindOf(fileName);
    if (!kind) return WaveHunterRead::NotMine;
    try {
        WaveHunterReader reader(fileName, *kind, progress);
        const WaveHunterRead r = reader.run();
        if (r == WaveHunterRead::Read) out = std::move(reader.result());
        return r;
    } catch (const Refusal& r) {
        prompter.error(r.withName ? r.message + "\n" + fileName : r.message);
        return WaveHunterRead::Refused;
    }
}

}  // namespace brine
