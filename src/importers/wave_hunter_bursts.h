#pragma once
// Conversion of Wave Hunter master files into SDF: the header and channel
// table from the file's measurement flags and the options, and the bursts,
// with the velocity pair turned by the compass and the declination. No Qt.
#include <array>
#include <vector>

#include "base/binary_file.h"
#include "importers/wave_hunter_files.h"

namespace brine {

class CurrentFile;
class ProgressSink;
class Prompter;

// A per-burst mean channel: its name in the dialog's list (UTF-8) and its
// SDF name, unit, A and B.
struct TChannelDef {
    const char* ListName;
    const char* Name;
    const char* Unit;
    float A;
    float B;
};

extern const std::array<TChannelDef, 5> MeanChannelDefs;   // H98, H00
extern const std::array<TChannelDef, 2> MeanChannelDefs2;  // K02

// The mean channels a file offers, in list order: none for HUN; H98 and H00
// with X and Y components have no mean temperature.
std::vector<TChannelDef> MeanChannelList(const WaveHunterFile& f);

struct WaveHunterOptions {
    bool TransVel = false;          // turn the velocity pair into east and north
    bool SaveCompass = false;       // HUN: the heading as burst channel
    std::vector<bool> MeanChecked;  // per item of MeanChannelList
    float Declination = 0;          // degrees, used only with TransVel
    std::string Memo;               // CP932
    double StartTime = 0;
};

// The SDF header of the file in the model (previous header cleared) and its
// burst buffers.
void SetWaveHunterSDFHeader(const WaveHunterFile& f, const WaveHunterOptions& o, CurrentFile& m);

// Reads the bursts of one master file, kept open, into the model's buffers
// as laid out by SetWaveHunterSDFHeader.
class WaveHunterBurstReader {
public:
    WaveHunterBurstReader(const WaveHunterFile& f, const WaveHunterOptions& o);
    // Burst k (0-based). False, with nothing stored, when the record does
    // not carry the number k + 1. IoError when it cannot be read.
    bool ReadBurst(int k, CurrentFile& m);
    // Values stored as missing because their count does not fit 16 bits.
    long long OutOfRange() const { return outOfRange_; }

private:
    std::int16_t count(long double v);
    std::int16_t velocityCount(long double v);
    void turn(long double x, long double y, long double heading, long double& e, long double& n) const;
    void decodeHun(const std::uint8_t* r, CurrentFile& m);
    void decodeRecord(const std::uint8_t* r, CurrentFile& m);

    const WaveHunterFile& f_;
    const WaveHunterOptions& o_;
    BinaryFile file_;
    std::vector<std::uint8_t> record_;
    long long outOfRange_ = 0;
};

struct WaveHunterServices {
    CurrentFile& model;
    Prompter& prompter;
    ProgressSink& progress;
};

enum class WaveHunterOutcome {
    Completed,  // every declared burst written
    Cancelled,  // stopped by the user; the bursts so far are kept
    Failed,     // stopped by an error (shown); the bursts so far are kept
};

// Writes burst after burst with WriteSDFBurst into model.SaveFileName, whose
// header the header dialog has just written. The output's header ends up
// declaring exactly the bursts written.
WaveHunterOutcome ConvertWaveHunterBursts(const WaveHunterFile& f, const WaveHunterOptions& o, WaveHunterServices& s);

}  // namespace brine
