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

#include "base/binary_file.h"
#include "base/rounding.h"
#include "core/time_units.h"

namespace brine {

class Prompter;
class ProgressSink;
class BinaryFile;
class JobFiles;
struct JobFile;
class CallFiles;
class SafeReplace;
enum class OpenMode;
struct TsdScales;
struct TsdBlocksKept;

constexpr int kMaxChannels = 129;          // entries of the channel table
constexpr int kMaxIntervalChannels = 128;  // channel arrays of Data
constexpr std::size_t kMemoBytes = 160;
constexpr std::size_t kNameBytes = 16;
constexpr std::size_t kUnitBytes = 8;


// State a model object keeps for itself: a copy starts without it and an
// assignment leaves the target's own in place.
template <class T>
struct Unshared {
    std::shared_ptr<T> p;
    Unshared() = default;
    Unshared(const Unshared&) {}
    Unshared& operator=(const Unshared&) { return *this; }
};

// The header of a time-series file with its channel table: what the model
// holds of its file, and what is kept of a file whose header is set aside.
struct FileHeader {
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

    // Interval channels first, then burst channels.
    std::array<std::string, kMaxChannels> ChannelName;
    std::array<std::string, kMaxChannels> ChannelUnit;
    std::array<float, kMaxChannels> ScaleA{};
    std::array<float, kMaxChannels> OffsetB{};

    // The file this header was read from, as it was then: a save writes
    // only into that file unchanged, and a burst is read from that name
    // only while the file is unchanged. Empty for a header not read from
    // a file (or read from an output being written).
    struct ReadState {
        std::string path;
        FileStamp stamp;
        bool known() const { return stamp != FileStamp{}; }
    } ReadFrom;
};

class CurrentFile : public FileHeader {
public:
    CurrentFile();

    // ---- SDF bookkeeping
    std::uint32_t RecordSize = 0;    // bytes of one burst record
    std::uint32_t HeaderBlocks = 0;  // 256-byte blocks before the first record
    std::uint8_t FileKind = 0;       // 0 SDF, 1 TSD: kind of the last header read
    std::string FileName;            // the file the burst readers read from
    std::string SaveFileName;        // the file the burst writer writes to

    // ---- header and channel table (Memo, Nch, ... OffsetB): FileHeader

    // ---- sampling interval as the header dialog shows it
    std::uint8_t DisplayUnit = 2;  // unit selected for showing SInt
    std::string SITUnitName;
    double SIntDisplay = 0;

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
    // The same for a header just read from a file, or an output's header
    // taken from one: a file of no bursts holds no samples, so whatever it
    // declares its buffers get one sample at most (and every burst read of
    // it fails).
    void AllocateForReading();
    // Sizes the buffers for `samples` samples a channel, whatever SampleSize
    // says: for a producer whose bursts grow with the data read. Samples
    // new to a buffer are zero.
    void AllocateSamples(std::int32_t samples);
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
    // Gives an existing SDF, a user's file, this header with its bursts kept:
    // the header blocks are rewritten in place under a rollback journal, so
    // a stop or a write landing in part leaves the old header or the new one
    // (put right when the file is next opened), at the cost of a header.
    bool RewriteSDFHeader(const std::string& fileName);

    // ---- the output
    // Every header and burst write goes into the output begun last, whoever
    // writes and whatever SaveFileName (the name a producer shows) says.
    // A new output for a user's target: the header goes into a new temporary
    // file beside it, and the target is not touched until FinishOutput. The
    // header dialog's save begins one and hands it to the producer in the
    // model; a tool begins its own. False when the temporary file cannot be
    // made or the header written (LastWriteFailure tells why).
    bool BeginSDFOutput(const std::string& target);
    bool BeginTSDOutput(const std::string& target);
    // An output written where it stands, created fresh with the header: a
    // file of the program's own (or one a test or a benchmark makes).
    bool CreateSDFFile(const std::string& path);
    bool CreateTSDFile(const std::string& path);
    // The file the output's bytes are in: its temporary file until it
    // replaces its target. "" without an output.
    std::string OutputPath() const;
    // Writes the header into the output again, over the one there (records
    // written stay): it then declares Iterations bursts.
    bool WriteSDFHeader();
    bool WriteSDFBurst(int b);
    bool WriteTSDBurst(int b);
    // Ends the output begun: with `keep`, when no write into it failed and
    // the run was not cut short before its first burst (its header declared
    // bursts and declares none now), it replaces its target (IoError when
    // that fails); otherwise it is removed and the target stays as it was.
    // A header that never declared a burst (a source that holds none) is
    // kept. False when it was removed (or a write into a file written where
    // it stands failed). True when no output was begun.
    bool FinishOutput(bool keep = true);
    // True when the output begun was cut short before its first burst, as
    // above, and no write into it failed.
    bool OutputDeclaresNoBurst() const;

    // Why the last header or burst write that failed did fail (the step and
    // the file, as the typed error said), for the caller's message.
    struct WriteFailure {
        std::string reason;
    };
    const WriteFailure& LastWriteFailure() const { return writeFailure_; }
    // The line a read failure's message names the file with: why the last
    // burst read refused a file changed since its header was read (naming
    // the file), where it did, else `file`.
    std::string ReadFailureLine(const std::string& file) const { return readFailure_.empty() ? file : readFailure_; }

    // ---- TSD (tsd_header.cpp, tsd_blocks.cpp, tsd_values.cpp)
    bool ReadTSDHeader(const std::string& fileName);
    bool ReadTSDBurst(int b);
    // The 12 header lines of version 2, as text; false (nothing written) for
    // a header no reader would accept. May throw for a start time out of range.
    bool EncodeTSDHeader(std::string& out) const;
    // Appends the text block of burst b ("No." line, sample lines, burst line).
    // `spill`, when given, is called whenever `out` has grown to a few
    // megabytes, to write the text away and empty `out`: no burst is then
    // held whole, however many lines it has.
    bool AppendTSDBurstText(int b, std::string& out, const std::function<void(std::string&)>& spill = {}) const;

    // Header block and channel table of version 4, as bytes.
    std::vector<std::uint8_t> EncodeSDFHeader() const;

private:
    friend class BurstJob;
    bool beginOutput(const std::string& path, const std::string& target, int kind);
    bool writeSDFHeader(bool fresh);
    bool writeTSDHeader();
    // The output's file, open for writing in the call's or the job's files.
    JobFile& outputFile(CallFiles& files, OpenMode mode);
    void outputFailed();
    // Rewrites an old version's records as version 4, after ReadSDFHeader
    // has read its header through `in`, and reads the records through it.
    bool UpdateOldSDF(std::uint8_t oldVersion, const std::string& fileName, BinaryFile& in);
    std::vector<std::uint8_t> ioBuffer_;
    WriteFailure writeFailure_;
    std::string readFailure_;
    // The file a header reader reads, opened in the call's or the job's
    // files; null, the refusal shown, where the opening refuses it.
    JobFile* openForHeader(CallFiles& files, const std::string& fileName);
    // False (ReadFailureLine says why) when the file `source`, about to be
    // read for FileName, is not the one the header was read from, as it was.
    bool sameAsRead(JobFile& source);
    struct PendingOutput;
    Unshared<PendingOutput> output_;
    // The kind ReadBurst found for the name read from last: 0 SDF, 1 TSD, -1 neither.
    std::string burstKindName_;
    int burstKind_ = -1;
    // The files of the job running (see BurstJob); none between jobs.
    Unshared<JobFiles> job_;
    // The TSD value texts and count readers of the channels, made once for
    // each scale a channel has.
    mutable Unshared<TsdScales> tsdScales_;
    // Where the blocks of the TSD file read outside a job begin, for the
    // next read of it outside a job: until its header is read again or the
    // file is seen to change.
    Unshared<TsdBlocksKept> tsdBlocksKept_;
};

// One job of the model, from the first file it opens to its end: the
// header and burst readers and writers keep each file open meanwhile, so a
// file is opened, stat'ed and closed once per job, not once per burst, and
// bursts read again or read in turn come from data already at hand. Within
// a job a file's name stands for the file first opened under it; the job
// must end before a file it uses is replaced. Outside a job every call opens
// and closes its file. A job begun while another runs on the model is part
// of that one and must write as it does (std::logic_error otherwise); its
// finish() writes what waits, so that its output is complete when it ends.
class BurstJob {
public:
    enum Writes {
        EachBurst,    // every burst is in the file when its writer returns
        WholeOutput,  // only a complete output counts: bursts may wait in
                      // memory and reach the file in large writes by finish()
    };
    explicit BurstJob(CurrentFile& m, Writes writes = EachBurst);
    ~BurstJob();  // closes every file; bursts still waiting are dropped
    BurstJob(const BurstJob&) = delete;
    BurstJob& operator=(const BurstJob&) = delete;
    // Writes what waits and closes every file (a job within another only
    // writes what waits); IoError when that fails.
    void finish();

private:
    CurrentFile& m_;
    bool owner_ = false;
};

// Header fields of a model, kept so that a failed job can put them back, or
// so that a header read elsewhere can be taken over; the burst buffers too
// when asked.
struct HeaderSnapshot {
    FileHeader header;
    std::uint32_t recordSize, headerBlocks;
    std::string sitUnitName;
    double sIntDisplay;
    bool withBuffers = false;
    std::vector<std::vector<std::int16_t>> data;
    std::vector<std::int16_t> burstData;

    explicit HeaderSnapshot(const CurrentFile& m)
        : header(m), recordSize(m.RecordSize), headerBlocks(m.HeaderBlocks), sitUnitName(m.SITUnitName),
          sIntDisplay(m.SIntDisplay) {}

    void keepBuffers(const CurrentFile& m) {
        data = m.Data;
        burstData = m.BurstData;
        withBuffers = true;
    }

    void restore(CurrentFile& m) {
        if (withBuffers) {
            m.Data = std::move(data);
            m.BurstData = std::move(burstData);
            withBuffers = false;
        }
        static_cast<FileHeader&>(m) = header;
        m.RecordSize = recordSize;
        m.HeaderBlocks = headerBlocks;
        m.SITUnitName = sitUnitName;
        m.SIntDisplay = sIntDisplay;
    }
};

// True when the file begins with the SDF signature (whatever its name);
// false when it does not. IoError when it cannot be read.
bool HasSdfSignature(const std::string& fileName);
// True when these first bytes of a file are the SDF signature.
bool IsSdfSignature(std::string_view head);
// Upper-cased extension with its dot (".SDF"), empty when none.
std::string UpperExtension(const std::string& fileName);
// Trailing bytes at or below the blank removed.
std::string TrimRightControl(std::string_view s);

}  // namespace brine
