#pragma once
// Temporary files of the program's own, and the lock that tells a file a
// job is still using from what a killed job left behind. A job holds an
// exclusive flock() on each temporary file it makes for as long as it may
// write or read it; a kill releases the lock with the process. A temporary
// file nobody holds is therefore a leftover, and the next job for the same
// target may remove it; one that is held is never touched, whichever
// process holds it.
#include <filesystem>
#include <string>
#include <string_view>

namespace brine {

// An open descriptor holding the file's lock; closing it releases the lock.
class FileLock {
public:
    FileLock() = default;
    ~FileLock() { release(); }
    FileLock(FileLock&& o) noexcept : fd_(o.fd_), plain_(o.plain_) { o.fd_ = -1; }
    FileLock& operator=(FileLock&& o) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return fd_ >= 0; }
    int fd() const { return fd_; }  // open for reading (and writing when the file is ours)
    void release() noexcept;

    // Opens an existing regular file (never through a symbolic link) and
    // takes its lock when no one holds it; an empty lock otherwise.
    static FileLock IfUnheld(const std::filesystem::path& p);

private:
    friend bool CreateLockedNewFile(const std::filesystem::path&, FileLock&);
    friend std::filesystem::path CreateLockedUniqueFile(const std::filesystem::path&, const std::string&,
                                                        const std::string&, FileLock&);
    explicit FileLock(int fd) : fd_(fd) {}
    int fd_ = -1;
    bool plain_ = false;  // opened outside the fault seam
};

// Creates the file new and empty, private to its user, and locks it; false
// when a file of that name exists. IoError for any other failure.
bool CreateLockedNewFile(const std::filesystem::path& path, FileLock& lock);
// Creates a new, empty file named prefix + six unique characters + suffix in
// the folder, private to its user, locks it and returns its name. IoError
// when it cannot.
std::filesystem::path CreateLockedUniqueFile(const std::filesystem::path& folder, const std::string& prefix,
                                             const std::string& suffix, FileLock& lock);
// Six characters for a unique name, as CreateLockedUniqueFile uses.
std::string UniqueNameChars();
// True when `name` is prefix + six characters of a unique name + suffix;
// `unique` gets the six.
bool MatchesUniqueName(std::string_view name, std::string_view prefix, std::string_view suffix,
                       std::string_view* unique = nullptr);
// Removes the file whose lock is held, provided the name still names it.
bool RemoveLockedFile(const std::filesystem::path& p, const FileLock& lock) noexcept;
// True when two open files hold the same bytes.
bool SameBytes(int a, int b);

}  // namespace brine
