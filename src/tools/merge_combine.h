#pragma once
// Writes the merge of a set of files: the first file's time grid, the
// channels of all files in the order they were added, every sample of a
// later file at the output sample nearest in time when it lies close enough,
// and the missing-value mark wherever no file gave a value.
#include <string>
#include <vector>

#include "tools/merge_set.h"

namespace brine {

class CurrentFile;
class Prompter;
class ProgressSink;

// One entry of the output's channel table. Name and unit are CP932.
struct MergeChannel {
    std::string name, unit;
    float a = 1, b = 0;
};

struct MergeSettings {
    std::string TargetFile;  // ".sdf" or ".tsd" decides the kind
    std::string Memo;        // CP932, cut to 160 bytes
    // A sample is placed when its position on the output grid lies closer
    // than this fraction of the output's sampling interval to a grid point.
    double Tol = 0.1;
    // Interval channels, then burst channels, as many as the set has.
    std::vector<MergeChannel> IntervalChannels, BurstChannels;
};

// The channel table of the set as its files hold it.
void DefaultChannels(const MergeSet& set, MergeSettings& settings);

// Builds the output header in the model and writes the output beside
// TargetFile; only a complete run replaces TargetFile, and only then is the
// success message shown. A burst that cannot be read from one file leaves
// that file's channels missing in that burst; the user is told at the end.
// An output far larger than the files is asked about first; No writes
// nothing. True when the output was written.
bool CombineFiles(const MergeSet& set, const MergeSettings& settings, CurrentFile& model, Prompter& prompter,
                  ProgressSink& progress);

}  // namespace brine
