#pragma once
// How the program waits for a file another party holds. Three holds:
// a writer holds a file alone against every other writer (flock), a job
// reading it shares a record lock of it, and a rewrite in place holds that
// record lock alone, so it waits for the jobs reading the file, and they
// for it. The two kinds of lock do not meet: a writer that replaces a file
// by a rename never waits for its readers, who go on reading the old one.
#include <filesystem>

#include "base/texts.h"

namespace brine {

class WriterWait {
public:
    virtual ~WriterWait() = default;
    // Asked about every tenth of a second, with the seconds waited so far:
    // false gives up.
    virtual bool keepWaiting(const std::filesystem::path& target, double seconds) = 0;
    // The wait is over: the file is free, or the wait was given up.
    virtual void waitEnded() = 0;
};
// The program's way of waiting; without one, a wait lasts up to
// kWriterWaitSeconds, then gives up.
void SetWriterWait(WriterWait* wait);
inline constexpr double kWriterWaitSeconds = 30;

enum class Hold {
    Write,    // one writer at a time (the descriptor may be read-only)
    Read,     // a job reading the file (open for reading)
    Rewrite,  // a rewrite in place (open for writing)
};

// Takes the hold of the open file `fd`, which `file` names, waiting while
// another party holds it; it lasts until the descriptor is closed. False
// where the file system has no such locks (there is nothing to wait for);
// IoError with `givenUp` (naming the file) when the wait is given up.
bool LockOrWait(int fd, Hold hold, const std::filesystem::path& file, Tx givenUp);

}  // namespace brine
