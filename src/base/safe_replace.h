#pragma once
// Writes an output beside its target and moves it over the target with one
// atomic rename only after success; otherwise the temporary file is removed
// and the target stays as it was.
//
// The target is the file its name resolves to: a symbolic link stays a link
// and the file it names is replaced. A file with several hard links cannot
// be renamed over without splitting them, so its content is rewritten in
// place instead: once the complete output stands synced in the temporary
// file, the old content is copied to a backup beside it, the target's first
// block is cleared, the rest copied and synced, and the first block written
// last. A copy cut short therefore leaves a file no reader accepts, never
// one that reads wrong values; a failed copy is undone from the backup.
#include <filesystem>
#include <string>
#include <string_view>

namespace brine {

class SafeReplace {
public:
    // Creates a fresh, empty, uniquely named temporary file in the folder of
    // the file the target resolves to (hidden, or visible beside a file with
    // several hard links, whose copy may have to be found by the user).
    // Throws IoError, naming the file or folder, when the target exists and
    // its user may not write it, when the folder is not writable or when
    // the links go round in a loop.
    explicit SafeReplace(std::filesystem::path target);
    ~SafeReplace();  // removes the temporary file unless committed
    SafeReplace(const SafeReplace&) = delete;
    SafeReplace& operator=(const SafeReplace&) = delete;

    const std::filesystem::path& tempPath() const { return temp_; }
    // The file replaced: the target with its symbolic links resolved.
    const std::filesystem::path& target() const { return target_; }
    // Syncs the temporary file and renames it over the target (or copies it
    // into a hard-linked target). Throws IoError on failure: the target is
    // then as it was, or, when even the undoing failed, the message says the
    // target is damaged and names the files holding the new and old content.
    void commit();
    // Removes the temporary file now.
    void abandon();

private:
    void commitInPlace();

    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool done_ = false;
};

// Replaces the content of a file with `bytes` through a SafeReplace.
// IoError on failure (the file stays as it was).
void ReplaceFileContent(const std::filesystem::path& target, std::string_view bytes);

// Removes a file; true when it is gone afterwards.
bool removeFileQuietly(const std::filesystem::path& p) noexcept;

}  // namespace brine
