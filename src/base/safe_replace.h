#pragma once
// Writes an output beside its target and moves it over the target with one
// atomic rename only after success; otherwise the temporary file is removed
// and the target stays as it was.
#include <filesystem>

namespace brine {

class SafeReplace {
public:
    // Creates a fresh, empty, uniquely named temporary file in the target's
    // folder. Throws IoError when the folder is not writable.
    explicit SafeReplace(std::filesystem::path target);
    ~SafeReplace();  // removes the temporary file unless committed
    SafeReplace(const SafeReplace&) = delete;
    SafeReplace& operator=(const SafeReplace&) = delete;

    const std::filesystem::path& tempPath() const { return temp_; }
    const std::filesystem::path& target() const { return target_; }
    // Flushes the temporary file to disk and renames it over the target.
    void commit();
    // Removes the temporary file now.
    void abandon();

private:
    std::filesystem::path target_;
    std::filesystem::path temp_;
    bool done_ = false;
};

// Removes a file; true when it is gone afterwards.
bool removeFileQuietly(const std::filesystem::path& p) noexcept;

}  // namespace brine
