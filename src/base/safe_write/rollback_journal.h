#pragma once
// The rollback journal of a rewrite in place. Before a file is rewritten in
// place, the bytes the rewrite will change and the file's size are written
// into a file of the program's own beside it, ".<name>.<mark>.jnl", which is
// synced, and its name synced in the folder. The file is marked first with
// the rewrite's identity and the journal's name (an extended attribute), and
// the journal records that identity, so a journal is put back only into the
// rewrite it was written for, whichever of the file's names the reader comes
// by. The rewrite clears the file's first byte first and writes it last:
// until the rewrite has ended, the file begins with a NUL, which every
// reader of the program's formats refuses, and a reader that meets such a
// file puts the journal's bytes back first (RollBackCutRewrite). So a kill,
// a write landing in part or a power cut anywhere leaves the old content or
// the new one. The journal keeps a hidden second name of the file beside
// it, which tells when the file is gone under every other name. A journal
// no rewrite can need any more is spent, and the next write in its folder
// removes it, durably.
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
    // Removes the journal and the file's mark: the rewrite is done, or
    // undone. Durable before it returns.
    void discard() noexcept;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path second_;  // the second name kept of the file, if made
    FileLock lock_;
    int fd_ = -1;                   // the file, not owned
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
// Removes, in the target's folder, what a writer of the target's name left
// before its journal was whole, and every journal of the program's own that
// no job holds and no rewrite can need: its file begins with no NUL, is cut
// by another rewrite, or is gone under every name.
void RemoveSpentJournals(const std::filesystem::path& target) noexcept;
// For a message refusing a file that a rewrite cut short and that could not
// be put back: a line break and what holds its old content (the journal of
// its rewrite, or every journal that may, none shown to be its); "" when
// nothing does.
// A journal recording a size above `maxBytes` (where given) is not the one
// that puts it back.
std::string CutRewriteNote(const std::filesystem::path& file, std::uint64_t maxBytes = 0);

}  // namespace brine
