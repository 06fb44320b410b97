#pragma once
// Linking time-series files end to end in time: the set of files to link,
// built file by file against the first one (the reference), and the writer
// that places every file on the output's time grid, fills the gaps with
// missing values and skips what overlaps data already written.
#include <cstdint>
#include <string>
#include <vector>

#include "core/current_file.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

// A channel map entry for an output channel the file lacks.
constexpr std::uint16_t kNoChannel = 65535;

// How the save proceeds after its checks.
enum class SaveStep {
    Proceed,             // the plan is ready; ask for the output file
    Stay,                // refused with a message; the dialog stays open
    BurstIntervalShort,  // the burst interval must be edited first
};

enum class LinkOutcome { Done, Refused, Failed, Cancelled };

// The output as the save decided it.
struct LinkPlan {
    bool intervalMode = false;          // one long burst of interval channels
    std::int32_t sampleSize = 0;        // samples per output burst
    std::int32_t bursts = 0;            // output bursts
    std::vector<std::int32_t> offsets;  // per file: samples (interval mode) or bursts
};

class LinkSet {
public:
    explicit LinkSet(CurrentFile& model) : model_(model) {}

    // Message boxes and the progress window; set by the owner before each use.
    Prompter* prompter = nullptr;
    ProgressSink* progress = nullptr;
    // Text of the tolerance edit, in per cent.
    std::string ToleranceText = "1";

    // ---- the set
    std::int16_t FileCount = 0;
    std::vector<std::string> FileNames;
    std::vector<double> FileStartTime;
    std::vector<std::int16_t> FileIterations;  // bursts linked from each file
    std::vector<std::int32_t> FileOffset;
    std::vector<std::vector<std::uint16_t>> ChannelMap;  // [file][output channel]
    // Kept per file as well, so the save can check them against its mode
    // and the link that each file is still the one that was added.
    std::vector<std::int16_t> FileHeaderIterations;  // bursts its header states
    std::vector<std::int32_t> FileSampleSize;
    std::vector<std::int32_t> FileBInt;
    std::vector<std::uint8_t> FileBITUnit;
    std::vector<double> FileLastTime;

    double FirstStart = 0;
    double LastTime = 0;
    std::int16_t RefNch = 0, RefNch2 = 0;
    std::int32_t RefSampleSize = 0, RefSInt = 0, RefBInt = 0;
    std::uint8_t RefSITUnit = 0, RefBITUnit = 0;
    std::vector<std::string> RefChannelName, RefChannelUnit;  // CP932
    std::vector<float> RefScaleA, RefOffsetB;
    std::string RefMemo;  // the first file's memo, CP932
    std::int32_t TotalBursts = 0;
    bool IntervalOnly = false;
    double Tolerance = 0.01;

    // ---- output
    std::string TargetFile;
    std::uint32_t RecordBytes = 0, HeaderBlocks = 0;
    std::uint8_t OutKind = 0;

    // Forgets every file.
    void Clear();
    // True when the file was accepted; a refusal leaves the set unchanged.
    bool AddFile(const std::string& name);
    // Adds the files in order of their start times; true when all were accepted.
    bool AddFilesSorted(const std::vector<std::string>& names);

    // The checks of a save, with the burst interval as edited: decides the
    // output mode and layout.
    SaveStep PrepareSave(const std::string& burstIntervalText, int burstUnit, LinkPlan& plan);
    // True when the name is one of the files being linked.
    bool IsInputFile(const std::string& name) const;
    // Writes the output to a temporary file beside the target and moves it
    // over the target after a complete run. memo is CP932. A text far
    // larger than the files is asked about first; No writes nothing.
    LinkOutcome LinkFiles(const std::string& target, const std::string& memo, const LinkPlan& plan);

    // Time of the last sample of the file's first `bursts` bursts.
    static double LastSampleTimeOf(const CurrentFile& m, int bursts);

private:
    bool addFileChecked(const std::string& name);
    bool toleranceFromText();
    bool burstIntervalTooShort() const;

    CurrentFile& model_;
    // The first file had one burst: the offsets were counted in samples.
    bool offsetsInSamples_ = false;
};

}  // namespace brine
