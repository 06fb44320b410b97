#pragma once
// Writes an output beside its target and moves it over the target with one
// atomic rename only after success; otherwise the temporary file is removed
// and the target stays as it was.
//
// The target is the file its name resolves to: a symbolic link stays a link
// and the file it names is replaced. A file with several hard links cannot
// be renamed over without splitting them, so its content is rewritten in
// place instead: once the complete output stands synced in the temporary
// file, the old content is copied to a synced backup, and both are given
// visible names beside the target, "<stem>.new-XXXXXX<ext>" and
// "<stem>.old-XXXXXX<ext>" (the same six characters). Then the target's
// first byte is cleared in a synced write of its own, the rest copied and
// synced, and the first byte written last, alone. Every format the program
// writes is refused with a NUL first byte (the SDF and TSD signatures begin
// there; a NUL is never data in the text files), so a copy cut short at any
// byte, or a write that lands only in part, leaves a file no reader accepts,
// never one that reads wrong values; the visible copies then hold the good
// content and the readers' messages name them. A failed copy is undone from
// the backup.
//
// Each temporary file is locked (flock) for as long as its job may use it.
// A replace removes what a killed job left for the same target: unheld
// hidden temporary files, and unheld pairs of visible copies when the
// target holds the content of one of them (a replace that never changed the
// target, or finished). A copy without its partner is never removed.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "base/temp_files.h"

namespace brine {

class SafeReplace {
public:
    // Creates a fresh, empty, uniquely named hidden temporary file in the
    // folder of the file the target resolves to. Throws IoError, naming the
    // file or folder, when the target exists and its user may not write it,
    // when the folder is not writable or when the links go round in a loop.
    explicit SafeReplace(std::filesystem::path target);
    ~SafeReplace();  // removes the temporary file unless committed
    SafeReplace(const SafeReplace&) = delete;
    SafeReplace& operator=(const SafeReplace&) = delete;

    const std::filesystem::path& tempPath() const { return temp_; }
    // The file replaced: the target with its symbolic links resolved.
    const std::filesystem::path& target() const { return target_; }
    // Syncs the temporary file and renames it over the target (or copies it
    // into a hard-linked target). A new target gets the permissions the
    // umask gives; an existing one keeps its own, and its owner and group as
    // far as the writer may give them (a set-ID bit goes with an owner or
    // group not kept). Throws IoError naming the target and the step that
    // failed: the target is then as it was, or the message says what it
    // holds, and when it is damaged, names the files holding the new and the
    // old content.
    void commit();
    // Removes the temporary file now.
    void abandon();

private:
    void commitInPlace();

    std::filesystem::path target_;
    std::filesystem::path temp_;
    FileLock lock_;  // on the temporary file
    bool done_ = false;
};

// Replaces the content of a file with `bytes` through a SafeReplace.
// IoError on failure (the file stays as it was).
void ReplaceFileContent(const std::filesystem::path& target, std::string_view bytes);

// Removes a file; true when it is gone afterwards.
bool removeFileQuietly(const std::filesystem::path& p) noexcept;

// A visible copy a replace in place left beside its target.
struct LeftoverCopy {
    std::filesystem::path path;
    bool newContent = false;  // the content the replace was writing; else the target's old content
};
// The copies beside the file a name resolves to, left by a replace under
// that name or another name of the file in its folder (a hard link), the
// pairs of one replace together.
std::vector<LeftoverCopy> LeftoverCopies(const std::filesystem::path& file);
// For a message refusing or warning about a file: a line break and lines
// naming its leftover copies and what each holds; "" when there are none.
std::string LeftoverCopiesNote(const std::filesystem::path& file);

}  // namespace brine
