#pragma once
// Pieces shared by the built-in converters: the hand-off to the header
// dialog, names and texts. Keeping an output's burst count equal to the
// bursts written is DeclareWrittenBursts (core/header_save.h).
#include <cstdint>
#include <string>

#include "core/current_file.h"
#include "core/header_save.h"
#include "core/model_services.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"
#include "base/safe_write/file_identity.h"
#include "base/path_text.h"
#include "base/texts.h"

namespace brine {

// How one file of a conversion ended.
enum class JobResult {
    Done,       // output complete
    Skipped,    // not converted: declined, or refused with a message
    Failed,     // stopped with a message; the output holds what was written
    Cancelled,  // the user pressed cancel; the output holds what was written
};

// Text of n bytes up to the first NUL.
std::string TextUpToNul(const std::uint8_t* p, std::size_t n);
// s padded with blanks to `width` bytes, or cut to `width` at a character boundary.
std::string PadCp932(std::string_view s, std::size_t width);
// CP932 text made fit to be part of a file name (UTF-8): folder separators
// and characters a file name cannot hold become "_".
std::string FileNamePart(std::string_view cp932);
// Percentage of b of n, halves to even.
int PercentOf(int b, int n);

// Reports an input file that is not of its format and returns false.
bool FormatDamaged(Prompter& prompter, const std::string& fileName);

// Hands the model to the header dialog with `proposed` as output name.
// True only when an SDF header has been written to model.SaveFileName: a
// non-SDF name is reported and refused, since SDF records follow.
bool SaveSDFHeaderAs(CurrentFile& m, const std::string& proposed, HeaderSaveDialog& dialog, Prompter& prompter);
// The same for a header read from `source`, proposing its name as ".sdf".
bool SaveConvertedHeader(CurrentFile& m, const std::string& source, HeaderSaveDialog& dialog, Prompter& prompter);

}  // namespace brine
