#pragma once
// Files of the program's own, and the lock that tells a file a job is still
// using from what a killed job left behind. A job holds an exclusive flock()
// on each file it makes for as long as it may write or read it; a kill
// releases the lock with the process. A file of ours nobody holds is
// therefore a leftover, and the next job for the same target may remove it;
// one that is held is never touched, whichever process holds it.
#include <cstdint>
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
    friend std::filesystem::path CreateLockedOwnFile(const std::filesystem::path&, const std::string&,
                                                     const std::string&, FileLock&);
    explicit FileLock(int fd) : fd_(fd) {}
    int fd_ = -1;
    bool plain_ = false;  // opened outside the fault seam
};

// The endings of the program's own files beside a target: the new content
// of a replace, and the journal of a rewrite in place. A clean-up finds what
// a killed job left by them, so they stay as they are.
inline constexpr std::string_view kTempFileKind = ".tmp";
inline constexpr std::string_view kJournalFileKind = ".jnl";

// A file the program makes for itself beside the user's files carries in
// its name six characters computed from its own inode number, its mark. A
// file of the user's does not carry its mark by chance, and a copy of one of
// ours (a new inode) does not carry its own: so a leftover is told from a
// user's file by its name and its identity together, never by its name alone.

// The folder a file stands in: "." for a bare name.
std::filesystem::path FolderOf(const std::filesystem::path& file);
// The prefix of the names of the program's own files beside `target`:
// "." + its name + ".", so they are hidden and sort beside it.
std::string HiddenPrefixOf(const std::filesystem::path& target);

// Creates a new, empty file named prefix + mark + suffix in the folder,
// private to its user, locks it and returns its name. The prefix is cut, at
// a character boundary, where the name would be longer than the folder
// takes. Where the file system can neither rename without replacing nor
// link, the file keeps a name of six random characters: it works, but is
// never taken for a leftover. IoError naming the folder and the cause when it cannot be made
// ("一時ファイルを作成できません: <folder> (<cause>)").
std::filesystem::path CreateLockedOwnFile(const std::filesystem::path& folder, const std::string& prefix,
                                          const std::string& suffix, FileLock& lock);
// The prefix CreateLockedOwnFile uses in this folder for this prefix and suffix.
std::string OwnFilePrefix(const std::filesystem::path& folder, const std::string& prefix, const std::string& suffix);
// True when `name` is `prefix` + six characters of a mark + `suffix`, and
// the file open as `fd` carries its own mark there.
bool CarriesOwnMark(std::string_view name, std::string_view prefix, std::string_view suffix, int fd);
// The six characters of the mark of a file of this inode number.
std::string MarkOf(std::uint64_t inode);
// True when `name` is `prefix` + six characters of a mark + `suffix`.
bool HasOwnFileForm(std::string_view name, std::string_view prefix, std::string_view suffix);
// Removes the files of the folder named prefix + mark + suffix (prefix as
// OwnFilePrefix cuts it) that carry their own mark and no job holds, except
// `keep`: what killed jobs left.
void RemoveOwnLeftovers(const std::filesystem::path& folder, const std::string& prefix, const std::string& suffix,
                        const std::filesystem::path& keep = {}) noexcept;
// Gives a file of the program's own whose content a user may want (the new
// content of a rewrite whose undo failed) a name beside `target` that no
// clean-up takes, "<stem>.new-" + its mark + "<ext>", and the target's group
// and permissions, so whoever may read the target may read it. Its name
// then, or its old one where it cannot be renamed.
std::filesystem::path KeepAsCopy(const std::filesystem::path& own, const std::filesystem::path& target);
// Removes the file whose lock is held, provided the name still names it.
bool RemoveLockedFile(const std::filesystem::path& p, const FileLock& lock) noexcept;

}  // namespace brine
