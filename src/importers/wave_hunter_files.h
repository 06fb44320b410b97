#pragma once
// Master files of the I.O. Technic Wave Hunter recorder: ".HUN", ".H98",
// "...M.H00"/"...R.H00" and ".K02". All are read in 1024-byte blocks of
// 16-bit little-endian words. This reads the header, the status bits and
// counts the bursts. No Qt.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brine {

class ProgressSink;
class Prompter;

enum class WaveHunterLayout : std::uint8_t { Hun = 0, H98 = 1, H00 = 2, K02 = 3 };

constexpr std::uint16_t kK02Signature = 0x4321;
constexpr int kWaveHunterBlock = 1024;
constexpr int kWaveHunterRecordHeader = 24;  // bytes before the samples of H98, H00, K02 records
constexpr std::uint64_t kWaveHunterDirectoryArea = 65536;  // H00, K02: the last 64 KiB

// Texts of the status fields, as the dialog shows them (UTF-8).
struct WaveHunterStatusTexts {
    std::string Rpres, PresZero, WatchDog, MeasPres, MeasVel, MeasWL, VelComp, Deployment, Direction;
};

struct WaveHunterFile {
    std::string MasterFileName;                  // the path as chosen
    std::array<std::uint8_t, 16> StatusBits{};   // status 1 bits 0-7, status 2 bits 0-7, as read
    WaveHunterLayout FileLayout = WaveHunterLayout::Hun;
    std::uint8_t Components = 0;                 // 0 X and Y, 1 magnetic east and north
    int MachineNo = 0;
    int Samples = 0;          // per burst
    int SampleInterval = 0;   // 0.1 s
    int BurstInterval = 0;    // minutes
    int Channels = 0;         // words per sample
    int BurstCount = 0;       // 0..32767
    double StartTime = 0;
    std::uint8_t PressureRange = 0;  // m; 0 when the file does not say
    int BlocksPerBurst = 0;
    std::vector<std::uint32_t> Directory;  // H00, K02: burst offsets + 1

    // What the samples hold (the same for every kind): a pressure word, two
    // velocity words and a level word per sample, each when measured. For a
    // HUN file, which has no status bytes, pressure is channel 0 and the
    // velocity pair the last two channels when there are at least three.
    bool MeasPressure = false;
    bool MeasVelocity = false;
    bool MeasLevel = false;

    WaveHunterStatusTexts Texts;

    bool IsHun() const { return FileLayout == WaveHunterLayout::Hun; }
    // Byte offset of the record of burst k (0-based); k < BurstCount.
    std::uint64_t RecordOffset(int k) const;
    // Bytes of one record from its offset: the burst header and the samples.
    std::uint64_t RecordBytes() const;
};

// The kind told by the name (ASCII letters compared upper-cased); nothing for
// names this importer does not read.
std::optional<WaveHunterLayout> WaveHunterKindOf(const std::string& fileName);
// ASCII letters upper-cased, every other byte kept (also the bytes of
// double-byte characters).
std::string UpperAnsi(std::string s);

// The output proposed for a master file: its folder as given, its name
// upper-cased with ".sdf".
std::string WaveHunterOutputName(const std::string& masterFileName);
// The memo proposed for a master file (UTF-8).
std::string WaveHunterMemo(const std::string& masterFileName);
// Two-digit year of the H98, H00 and K02 headers: below 90 is 20yy.
int WaveHunterYear(int twoDigits);
// Blocks per burst of H98 from x = (samples x channels + 12) / 512: the whole
// part, plus one when the fraction exceeds 0.001.
int H98Blocks(double x);

enum class WaveHunterRead {
    Read,       // out holds the file
    NotMine,    // the name is none of the kinds: nothing done
    Refused,    // damaged or not a Wave Hunter file: the reason was shown
    Cancelled,  // the burst count was cancelled from the progress window
};

// Reads the header and counts the bursts (H98, H00 and K02 under the
// progress window, cancellable). Refusals are shown through the prompter;
// `out` is only changed when the result is Read. IoError when the file
// cannot be opened.
WaveHunterRead ReadWaveHunterFile(const std::string& fileName, WaveHunterFile& out, Prompter& prompter,
                                  ProgressSink& progress);

}  // namespace brine
