#pragma once
// Converts one SDF file into a TSD text file, header as it stands.
#include <functional>
#include <optional>
#include <string>

#include "converters/conversion_support.h"

namespace brine {

// Asks for the output name, starting from `proposed` (the source with
// ".tsd"); nullopt when the user cancels.
using ChooseTargetFile = std::function<std::optional<std::string>(const std::string& proposed)>;

// The whole conversion: target choice, overwrite question, header, bursts.
// A text far larger than its source (a damaged count) is asked about
// first; No writes nothing.
// The output is written beside the target and replaces it at the end. On
// cancel or a failed read it holds the blocks converted so far under a
// header that declares them; a failed write leaves the target as it was.
// The success message follows only a complete run. A target that is the
// source file itself is refused. A target that cannot be replaced (one
// the user, or a folder the user, may not write) is told through the
// prompter as a failed write is, and gives Failed.
JobResult ConvertSDFToTSD(CurrentFile& m, const std::string& source, const ChooseTargetFile& chooseTarget,
                          Prompter& prompter, ProgressSink& progress);

}  // namespace brine
