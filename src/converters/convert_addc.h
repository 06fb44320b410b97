#pragma once
// ADDC files: one burst of counts from the old AD/DC recorder, with a
// 512-byte header (more when it has over 16 channels).
#include <string>
#include <string_view>

#include "converters/conversion_support.h"

namespace brine {

// Splits "name(unit)" into a 16-byte name and an 8-byte unit, both padded
// with blanks; without both brackets the whole text is the name.
void SplitItemAndUnit(std::string_view text, std::string& name, std::string& unitText);

// Reads the whole file (header, channel table and its one burst) into the
// model. The start time takes its time of day from the file's modification
// time. False with a message for a damaged file; the model is untouched then.
bool ReadADDCFile(CurrentFile& m, const std::string& fileName, Prompter& prompter);

// Reads the file, hands the header to the dialog and writes the SDF burst.
JobResult ConvertADDCFile(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress,
                          HeaderSaveDialog& dialog);

}  // namespace brine
