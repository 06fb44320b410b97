#pragma once
// The rollback journal of a rewrite in place. Before a file is rewritten in
// place, the bytes the rewrite will change and the file's size are written
// into a file of the program's own beside it, ".<name>.jnl" and its mark,
// which is synced, and its name synced in the folder. The rewrite clears the
// file's first byte first and writes it last: until the rewrite has ended,
// the file begins with a NUL, which every reader of the program's formats
// refuses, and a reader that meets such a file puts the journal's bytes back
// first (RollBackCutRewrite). So a kill, a write landing in part or a power
// cut anywhere leaves the old content or the new one. A journal whose file
// no longer begins with a NUL is spent, and the next write of the file
// removes it.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "base/safe_write/own_files.h"

namespace brine {

// Fills n bytes of the content to write, from position `at`; 0 or the errno.
using ByteSource = std::function<int(char* buf, std::size_t n, off_t at)>;

// Makes the file open as `fd` hold `length` bytes of `source` from its start
// and be `size` bytes long: its first byte is made NUL in a synced write of
// its own, the rest written, cut and synced, and the first byte written
// alone, last. `changed` becomes true once a byte of the file may differ.
// 0 or the errno of the step that failed.
int RewriteFirstByteLast(int fd, const ByteSource& source, off_t length, off_t size, bool& changed);

class RollbackJournal {
public:
    RollbackJournal() = default;
    RollbackJournal(RollbackJournal&&) = default;
    RollbackJournal& operator=(RollbackJournal&&) = default;

    // Writes the journal of `target`, open as `fd` (`size` bytes long): its
    // first `covered` bytes and its size. Synced, named durably, and held
    // until discarded or destroyed. "" or what failed; on failure nothing of
    // it is left.
    std::string write(const std::filesystem::path& target, int fd, off_t size, off_t covered);
    // Puts the bytes and the size back into `fd`, the first byte last; 0 or
    // the errno.
    int restore(int fd) const;
    // Removes the journal: the rewrite is done, or undone.
    void discard() noexcept;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    FileLock lock_;
    off_t size_ = 0, covered_ = 0, dataAt_ = 0;
};

// Where the file a name leads to begins with a NUL and a journal of its
// beside it holds what it held before a rewrite that was cut short, puts
// that back, once a writer at work on the file (or a reader putting it
// back) has ended. True when the file now begins with no NUL (put back by
// this call or another). A journal recording a size above
// `maxBytes` (where given) is not put back. IoError when the wait for the
// file is given up.
bool RollBackCutRewrite(const std::filesystem::path& file, std::uint64_t maxBytes = 0);
// The same for a file open for reading and writing and held by the caller
// (Hold::Write and Hold::Rewrite). 0 when it begins with no NUL or was put
// back, else the errno of the step that failed (ENOENT when a NUL begins it
// and no journal of it is found).
int RollBackCutRewrite(const std::filesystem::path& target, int fd, std::uint64_t maxBytes = 0);
// Removes the journals of a file that no job holds and that are spent (the
// file begins with no NUL, or is gone) or were never complete.
void RemoveSpentJournals(const std::filesystem::path& target) noexcept;
// For a message refusing a file that a rewrite cut short and that could not
// be put back: a line break and a line naming the journal holding its old
// content; "" when there is none.
std::string CutRewriteNote(const std::filesystem::path& file);

}  // namespace brine
