#pragma once
// The multiple-file conversion command: each chosen file is recognised by
// its start and re-saved (SDF, TSD) or converted (ADDC, DRF) to SDF.
#include <string>
#include <vector>

#include "converters/conversion_support.h"
#include "converters/file_kind.h"

namespace brine {

// Handles one file. A file of no kind known gets Tx::ConvertUnknownKind with
// its name on a line of its own, then any copies a cut-short replace left
// beside it; a damaged or unreadable file raises its typed error.
JobResult ConvertOneFile(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress,
                         HeaderSaveDialog& dialog);

// Handles the files in order. A file that cannot be read or is damaged gets
// a message naming it and the next file goes on; a cancel ends the command.
// Returns the number of files converted completely.
int ConvertSelectedFiles(const std::vector<std::string>& files, CurrentFile& m, Prompter& prompter,
                         ProgressSink& progress, HeaderSaveDialog& dialog);

}  // namespace brine
