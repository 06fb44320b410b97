#pragma once
// Writes an output beside its target and moves it over the target with one
// atomic rename only after success; otherwise the temporary file is removed
// and the target stays as it was.
//
// The target is the file its name resolves to: a symbolic link stays a link
// and the file it names is replaced. A rename would split a file with
// several hard links, and would give the file to the writer where the
// writer cannot give it its owner, group and extended attributes (ACLs
// among them): such a file is rewritten in place instead, once the complete
// output stands synced in the temporary file, under a rollback journal (see
// rollback_journal.h), so a stop anywhere leaves the old or the new content,
// put right by the program itself when the file is next opened or written.
//
// One writer at a time: a commit, or a rewrite of a file's head, holds the
// target's lock (flock) while it changes the file, and a second writer, in
// this process or another, waits for it.
//
// The temporary file and the journal are files of the program's own (see
// own_files.h), locked for as long as their job may use them; a replace
// removes what killed jobs left for the same target, and nothing else.
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "base/binary_file.h"
#include "base/safe_write/lock_wait.h"
#include "base/safe_write/rollback_journal.h"
#include "base/safe_write/own_files.h"

namespace brine {

class SafeReplace {
public:
    // Puts right a rewrite of the target cut short, then creates a fresh,
    // empty, hidden temporary file of the program's own in the folder of the
    // file the target resolves to. Throws IoError, naming the file or
    // folder, when the target exists and its user may not write it, when the
    // folder is not writable or when the links go round in a loop.
    explicit SafeReplace(std::filesystem::path target);
    ~SafeReplace();  // removes the temporary file unless committed
    SafeReplace(const SafeReplace&) = delete;
    SafeReplace& operator=(const SafeReplace&) = delete;

    const std::filesystem::path& tempPath() const { return temp_; }
    // The file replaced: the target with its symbolic links resolved.
    const std::filesystem::path& target() const { return target_; }
    // Syncs the temporary file and, holding the target's lock, renames it
    // over the target or rewrites the target in place with it. A new target
    // gets the permissions the umask gives; an existing one keeps its own,
    // its owner and group and its extended attributes. Throws IoError naming
    // the target and the step that failed: the target is then as it was, or
    // the message says that the old content could not be confirmed on disk
    // and names the files holding the old and the new content.
    void commit();
    // Removes the temporary file now.
    void abandon();

private:
    void commitInPlace(int targetFd);

    std::filesystem::path target_;
    // The file the target named when the write began.
    struct {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
    } began_;
    std::filesystem::path temp_;
    FileLock lock_;  // on the temporary file
    bool done_ = false;
};

// Replaces the content of a file with `bytes` through a SafeReplace.
// IoError on failure (the file stays as it was).
void ReplaceFileContent(const std::filesystem::path& target, std::string_view bytes);

// Rewrites the first head.size() bytes of an existing file in place, the
// rest untouched, under its lock and a rollback journal: the time and the
// room it takes do not grow with the file. `check`, when given, runs once
// the lock is held, with the file open as `fd` (a writer waited for may have
// changed it), and throws to refuse. The file's stamp afterwards, taken
// under the lock. IoError on failure, as commit().
FileStamp RewriteFileHead(const std::filesystem::path& file, std::string_view head,
                          const std::function<void(int fd)>& check = {});

// Removes a file; true when it is gone afterwards.
bool removeFileQuietly(const std::filesystem::path& p) noexcept;


}  // namespace brine
