#pragma once
// The one way every reader opens a file of the program's formats (SDF, TSD,
// the settings and site files, the comma import's parameter files, and the
// kind test of the conversion command): every file the program may have
// rewritten in place. It does what such a file needs before a byte of it is
// believed:
// - it never waits on what is not a regular file (a FIFO under the name);
// - a file that a rewrite cut short (it begins with a NUL) is put back from
//   the journal of that rewrite first, a reader finding another at that
//   waiting for it; one that cannot be put back is refused, naming the file
//   and whatever holds its old content;
// - a file larger than its format sensibly holds is refused before it is
//   read;
// - the file stays held for reading for as long as it is open: a rewrite in
//   place by any writer of the program waits until it is closed, so a job
//   reads one file whole. A replace by a rename does not wait: the file open
//   is the one read, whatever the name leads to meanwhile.
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/binary_file.h"

namespace brine {

// What a reader says of a file it refuses, and how large its files may be.
struct ReadRefusal {
    // The reader's message; "%1" stands for the file, which otherwise
    // follows on a line of its own.
    std::string message;
    // The largest file the format sensibly holds; 0: no bound.
    std::uint64_t maxBytes = 0;
};

// Opens `file` for reading as above. FormatError with the refusal where the
// file is cut short and cannot be put back, or is too large; IoError naming
// the file and the cause where it cannot be opened or is no regular file,
// or where the wait for a writer of it is given up.
BinaryFile OpenToRead(const std::filesystem::path& file, const ReadRefusal& refusal);

// The whole content of `file`, opened as above.
std::string ReadWholeToRead(const std::filesystem::path& file, const ReadRefusal& refusal);

}  // namespace brine
