#pragma once
// Extraction of a part of one SDF or TSD file into a new SDF or TSD file: a
// contiguous window of bursts (or, in a file of one burst, of samples) and a
// subset of its channels, with a memo of its own. No Qt here.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/current_file.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

// Samples and bursts kept, 0-based and inclusive.
struct ExtractWindow {
    std::int32_t FirstSample = 0;
    std::int32_t LastSample = 0;
    std::int32_t FirstBurst = 0;
    std::int32_t LastBurst = 0;
};

// A file of one burst is cut by samples, any other by bursts.
bool CutBySamples(const CurrentFile& source);
// Highest position of the scroll bars: the last burst, or the last sample.
int LastPosition(const CurrentFile& source);
// The window the two scroll positions choose.
ExtractWindow WindowFromPositions(const CurrentFile& source, int first, int last);
// Text shown beside a scroll position: the time of that burst, or the sample
// number followed by its time in brackets. Empty when the time has no text.
std::string PositionText(const CurrentFile& source, int position);

// Output kind from a name's extension: 0 SDF, 1 TSD, nothing for any other.
std::optional<std::uint8_t> OutputKindOf(const std::string& fileName);

// What the dialog hands to the extraction.
struct ExtractRequest {
    std::string SourceFile;
    ExtractWindow Window;
    std::vector<bool> Checked;  // one per channel, in table order
    std::string Memo;           // CP932; cut to 160 bytes
    std::uint8_t OutputKind = 0;
};

// Why the request cannot be extracted from the source the model describes,
// or nothing when it can.
std::optional<std::string> ExtractRefusal(const CurrentFile& source, const ExtractRequest& request);

// The output's header: memo, start time moved to the window, counts of the
// window, and the checked channels moved to the front of the table in their
// order. Intervals and their units stay.
void BuildOutputHeader(const CurrentFile& source, const ExtractRequest& request, CurrentFile& out);

// Writes the output to `target`. The model must hold the source header. The
// output is written beside the target and replaces it only after the last
// burst, so a failure leaves the target as it was (also when it is the
// source itself). Messages go to the prompter; the success message follows
// only a complete run. Extraction cannot be cancelled. The model keeps the
// source header, re-read when the source itself was replaced.
bool ExtractData(CurrentFile& model, const ExtractRequest& request, const std::string& target, Prompter& prompter,
                 ProgressSink& progress);

}  // namespace brine
