#pragma once
// The files of a merge: each one's header and channel table as read when it
// was added. The first file sets the time grid; a later file is accepted only
// when it can be placed on that grid (the checks ask or refuse with a message).
#include <cstdint>
#include <string>
#include <vector>

#include "core/current_file.h"

namespace brine {

class Prompter;

// One accepted file: its header and channel table as read when it was added
// (entries 0..Nch+Nch2-1 of the table). Texts are CP932, as in the file.
struct MergeSource {
    std::string FileName;
    FileHeader Header;
};

class MergeSet {
public:
    // Reads the file's header into the model (the reader shows its own
    // message when it fails) and, for a later file, compares it with the
    // first. True when the file joins the set; nothing is added otherwise.
    bool AddFile(const std::string& fileName, CurrentFile& model, Prompter& prompter);

    int FileCount() const { return static_cast<int>(files_.size()); }
    const std::vector<MergeSource>& Files() const { return files_; }
    const MergeSource& First() const { return files_.front(); }
    void Clear() { files_.clear(); }

    // Channels of all files together.
    int TotalNch() const;
    int TotalNch2() const;

private:
    bool Compatible(const MergeSource& added, Prompter& prompter) const;
    std::vector<MergeSource> files_;
};

// Seconds from `earlier` to `later` (day counts). Start times carry the
// rounding of their day count, a fraction of a microsecond; the difference is
// rounded to the microsecond so that such noise cannot decide a comparison.
long double SecondsBetween(double later, double earlier);

// Seconds in `count` of time unit `unit` (RangeError for a bad unit).
long double SecondsOf(std::int64_t count, std::uint8_t unit);

}  // namespace brine
