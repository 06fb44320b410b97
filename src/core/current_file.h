#pragma once
// The one current time-series file of the program: header, channel table and
// one burst of counts. Every converter, importer and tool fills and reads this
// object; the header dialog shows it. Data text (memo, names, units) is CP932.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/rounding.h"
#include "core/time_units.h"

namespace brine {

class Prompter;
class ProgressSink;
struct TsdBlockIndex;

constexpr int kMaxChannels = 129;          // entries of the channel table
constexpr int kMaxIntervalChannels = 128;  // channel arrays of Data
constexpr std::size_t kMemoBytes = 160;
constexpr std::size_t kNameBytes = 16;
constexpr std::size_t kUnitBytes = 8;

extern const char* const kFormatMessage;   // "フォーマットが違います。"

class CurrentFile {
public:
    CurrentFile();

    // ---- SDF bookkeeping
    std::uint32_t RecordSize = 0;    // bytes of one burst record
    std::uint32_t HeaderBlocks = 0;  // 256-byte blocks before the first record
    std::uint8_t FileKind = 0;       // 0 SDF, 1 TSD: kind of the last header read
    std::string FileName;            // the file the burst readers read from
    std::string SaveFileName;        // the file the burst writer writes to

    // ---- header
    std::string Memo;  // at most 160 bytes
    std::int16_t Nch = 0;
    std::int16_t Nch2 = 0;
    std::int16_t Iterations = 0;
    std::int32_t SampleSize = 0;
    std::int32_t SInt = 0;
    std::int32_t BInt = 0;
    std::uint8_t SITUnit = 0;
    std::uint8_t BITUnit = 0;
    double StartTime = 0;

    // ---- sampling interval as the header dialog shows it
    std::uint8_t DisplayUnit = 2;  // unit selected for showing SInt
    std::string SITUnitName;
    double SIntDisplay = 0;

    // ---- channel table: interval channels first, then burst channels
    std::array<std::string, kMaxChannels> ChannelName;
    std::array<std::string, kMaxChannels> ChannelUnit;
    std::array<float, kMaxChannels> ScaleA{};
    std::array<float, kMaxChannels> OffsetB{};

    // ---- one burst
    std::vector<std::vector<std::int16_t>> Data;  // [channel][sample]
    std::vector<std::int16_t> BurstData;          // [burst channel]

    // ---- services used by the readers (message boxes, progress window)
    Prompter* prompter = nullptr;
    ProgressSink* progress = nullptr;
    // Called when the header reader re-expresses the intervals in new units,
    // so the header dialog can select them in its unit boxes.
    std::function<void(std::uint8_t sitUnit, std::uint8_t bitUnit)> onUnitsChanged;

    // Clears every header field and the source and target names, so nothing
    // of a previous run leaks into the next one.
    void ResetHeader();

    // Setters for text arriving from the UI or a converter: cut at a CP932
    // character boundary.
    void SetMemo(std::string_view cp932);
    void SetChannelName(int k, std::string_view cp932);
    void SetChannelUnit(int k, std::string_view cp932);
    // Checked channel index (RangeError above 128 or below 0).
    static int channelAt(int k);
    // Nch + Nch2, checked against the channel table (RangeError otherwise).
    int ChannelCount() const;

    // Sizes Data and BurstData from Nch, Nch2 and SampleSize.
    void AllocateDataArrays();
    // The same for a header just read from a file: a file of no bursts holds
    // no samples, so whatever it declares its buffers get one sample at most
    // (and every burst read of it fails).
    void AllocateForReading();
    // A single burst shorter than its burst interval gets an interval that covers it.
    void NormalizeBurstInterval();
    // SIntDisplay and SITUnitName for the unit DisplayUnit.
    void ShowSIntInDisplayUnit();

    // Bytes of one record, (Nch x SampleSize + Nch2) x 2; RangeError past 32 bits.
    std::uint64_t ComputeRecordSize() const;
    std::uint32_t ComputeHeaderBlocks() const;
    void UpdateBlockArithmetic();

    // ---- SDF (sdf_format.cpp)
    bool ReadHeader(const std::string& fileName);
    bool ReadSDFHeader(const std::string& fileName);
    bool ReadBurst(int b);
    bool ReadSDFBurst(int b);
    // Rewrites the header blocks in place (creates the file when missing);
    // burst records stay.
    bool WriteSDFHeader(const std::string& fileName);
    // Creates the file fresh (truncated) with the header: for a new output.
    bool CreateSDFFile(const std::string& fileName);
    bool WriteSDFBurst(int b);
    bool UpdateOldSDF(std::uint8_t oldVersion, const std::string& fileName);

    // ---- TSD (tsd_format.cpp)
    bool ReadTSDHeader(const std::string& fileName);
    bool ReadTSDBurst(int b);
    bool WriteTSDHeader(const std::string& fileName);
    // The 12 header lines of version 2, as text; false (nothing written) for
    // a header no reader would accept. May throw for a start time out of range.
    bool EncodeTSDHeader(std::string& out) const;
    bool WriteTSDBurst(int b);
    // Appends the text block of burst b ("No." line, sample lines, burst line).
    // `spill`, when given, is called whenever `out` has grown to a few
    // megabytes, to write the text away and empty `out`: no burst is then
    // held whole, however many lines it has.
    bool AppendTSDBurstText(int b, std::string& out, const std::function<void(std::string&)>& spill = {}) const;

    // Header block and channel table of version 4, as bytes.
    std::vector<std::uint8_t> EncodeSDFHeader() const;

private:
    void allocateSamples(std::int32_t samples);
    bool WriteSDFHeaderTo(const std::string& fileName, bool truncate);
    std::vector<std::uint8_t> ioBuffer_;
    // Where the blocks of the TSD file read last begin, so reading burst
    // after burst does not rescan the file from its first line.
    std::shared_ptr<TsdBlockIndex> tsdIndex_;
};

// True when the file begins with the SDF signature (whatever its name);
// false when it does not or cannot be read.
bool HasSdfSignature(const std::string& fileName);
// Upper-cased extension with its dot (".SDF"), empty when none.
std::string UpperExtension(const std::string& fileName);
// Trailing bytes at or below the blank removed.
std::string TrimRightControl(std::string_view s);

}  // namespace brine
