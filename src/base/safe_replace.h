#pragma once
// Writes an output beside its target and moves it over the target with one
// atomic rename only after success; otherwise the temporary file is removed
// and the target stays as it was.
//
// The target is the file its name resolves to: a symbolic link stays a link
// and the file it names is replaced. A file with several hard links cannot
// be renamed over without splitting them, so its content is rewritten in
// place instead, once the complete output stands in the temporary file and
// the room for it has been reserved.
#include <filesystem>

namespace brine {

class SafeReplace {
public:
    // Creates a fresh, empty, uniquely named temporary file in the folder of
    // the file the target resolves to. Throws IoError when the folder is not
    // writable or the links go round in a loop.
    explicit SafeReplace(std::filesystem::path target);
    ~SafeReplace();  // removes the temporary file unless committed
    SafeReplace(const SafeReplace&) = delete;
    SafeReplace& operator=(const SafeReplace&) = delete;

    const std::filesystem::path& tempPath() const { return temp_; }
    // The file replaced: the target with its symbolic links resolved.
    const std::filesystem::path& target() const { return target_; }
    // Flushes the temporary file to disk and renames it over the target (or
    // copies it into a hard-linked target). Throws IoError on failure.
    void commit();
    // Removes the temporary file now.
    void abandon();

private:
    void commitInPlace();

    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool done_ = false;
};

// Removes a file; true when it is gone afterwards.
bool removeFileQuietly(const std::filesystem::path& p) noexcept;

}  // namespace brine
