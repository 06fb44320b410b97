#pragma once
// Re-saves an SDF or TSD file as SDF version 4 through the header dialog.
#include <string>

#include "converters/conversion_support.h"
#include "converters/file_kind.h"

namespace brine {

// `kind` (SDF or TSD, as recognised from the file's start) chooses the
// readers. When the dialog's target is the source file itself, the dialog
// has rewritten its header in place and no burst is copied; otherwise every
// burst is copied with one read and one write. The output never declares
// more bursts than it holds: a raised burst count is capped at the source's,
// and a failure or cancel leaves the header counting the bursts written.
JobResult ResaveTimeSeries(CurrentFile& m, const std::string& fileName, InputFileKind kind, Prompter& prompter,
                           ProgressSink& progress, HeaderSaveDialog& dialog);

}  // namespace brine
