#pragma once
// The size of an SDF or TSD output, known from its header before anything is
// written, and the question asked before an output far larger than its
// inputs. A damaged sample or burst count shows here: a file of burst
// channels only declares sample lines that nothing in it holds, and its
// text is mostly empty lines.
#include <cstdint>
#include <string>
#include <vector>

#include "base/texts.h"

namespace brine {

class CurrentFile;
class Prompter;

// The counts an output's size follows from.
struct OutputShape {
    int nch = 0, nch2 = 0;
    std::int32_t sampleSize = 0;
    int bursts = 0;
};
OutputShape OutputShapeOf(const CurrentFile& header);

// Bytes the output takes at least: an SDF exactly; a TSD with every value
// in its shortest text (one character), so exactly where its lines hold no
// value. The TSD header lines are not counted.
std::uint64_t OutputBytesAtLeast(const OutputShape& s, bool tsd);

// Sizes of the files added up; a file that cannot be sized counts nothing.
std::uint64_t FileBytes(const std::vector<std::string>& names);

// The most output written without asking for inputs of `inputBytes`
// bytes: 64 bytes a byte of input (text of real values never comes near)
// and 16 MiB besides.
std::uint64_t UnaskedOutputBytes(std::uint64_t inputBytes);

// "336MB": the size as the question names it, rounded.
std::string SizeText(std::uint64_t bytes);

// True when an output of `outputBytes` may be written for inputs of
// `inputBytes` bytes: at once within UnaskedOutputBytes, beyond it when the
// user answers Yes to a warning that names the size and the output file and
// ends with `action` (Tx::ConvertAction: "変換しますか。"). No is its
// default: a damaged header is what it guards against.
bool AcceptOutputSize(std::uint64_t outputBytes, std::uint64_t inputBytes, const std::string& outputFile, Tx action,
                      Prompter& prompter);

// While one lives, the fixed part of UnaskedOutputBytes is `bytes` instead:
// a fuzz run asks sooner, so that it reaches the question without writing
// files of many megabytes.
class UnaskedOutputLimit {
public:
    explicit UnaskedOutputLimit(std::uint64_t bytes);
    ~UnaskedOutputLimit();
    UnaskedOutputLimit(const UnaskedOutputLimit&) = delete;
    UnaskedOutputLimit& operator=(const UnaskedOutputLimit&) = delete;

private:
    std::uint64_t previous_;
};

}  // namespace brine
