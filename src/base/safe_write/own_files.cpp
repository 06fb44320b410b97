#include "base/safe_write/own_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "base/safe_write/sys_calls.h"
#include "base/texts.h"

namespace brine {
namespace {

constexpr std::string_view kMarkAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kMarkChars = 6;

[[noreturn]] void fail(const std::filesystem::path& folder, int err) {
    throw IoError(Text(Tx::TempNotMade, {folder.string(), std::strerror(err)}));
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

// A fixed mix of the inode number's bits, so every run and every version of
// the program computes the same.
std::string MarkOf(std::uint64_t inode) {
    std::uint64_t x = inode + 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    std::string mark(kMarkChars, ' ');
    for (char& c : mark) {
        c = kMarkAlphabet[x % kMarkAlphabet.size()];
        x /= kMarkAlphabet.size();
    }
    return mark;
}

namespace {

// The longest name the folder takes.
std::size_t nameLimit(const std::filesystem::path& folder) {
    const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

// `s` cut to at most n bytes, never inside a UTF-8 character.
std::string cutAtCharacter(std::string s, std::size_t n) {
    if (s.size() <= n) return s;
    std::size_t end = n;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
    s.resize(end);
    return s;
}

std::filesystem::path folderOrHere(const std::filesystem::path& folder) {
    return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

std::filesystem::path FolderOf(const std::filesystem::path& file) { return folderOrHere(file.parent_path()); }

std::string HiddenPrefixOf(const std::filesystem::path& target) { return "." + target.filename().string() + "."; }

FileLock& FileLock::operator=(FileLock&& o) noexcept {
    if (this != &o) {
        release();
        fd_ = o.fd_;
        plain_ = o.plain_;
        o.fd_ = -1;
    }
    return *this;
}

void FileLock::release() noexcept {
    if (fd_ < 0) return;
    if (plain_)
        ::close(fd_);
    else
        sys::close(fd_);
    fd_ = -1;
}

FileLock FileLock::IfUnheld(const std::filesystem::path& p) {
    // Open for writing where it may be: where flock() is made of record
    // locks (NFS), an exclusive lock needs it.
    int fd = ::open(p.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) fd = ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return {};
    }
    // Not opened through the fault seam: released by a plain close.
    FileLock lock;
    lock.fd_ = fd;
    lock.plain_ = true;
    return lock;
}

std::string OwnFilePrefix(const std::filesystem::path& folder, const std::string& prefix, const std::string& suffix) {
    const std::size_t limit = nameLimit(folderOrHere(folder));
    const std::size_t fixed = kMarkChars + suffix.size();
    return cutAtCharacter(prefix, limit > fixed ? limit - fixed : 0);
}

std::filesystem::path CreateLockedOwnFile(const std::filesystem::path& folder, const std::string& prefix,
                                          const std::string& suffix, FileLock& lock) {
    const std::filesystem::path dir = folderOrHere(folder);
    const std::string cut = OwnFilePrefix(dir, prefix, suffix);
    auto markedName = [&](int fd) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) fail(dir, errno);
        return dir / (cut + MarkOf(static_cast<std::uint64_t>(st.st_ino)) + suffix);
    };
    // Made without a name, locked, and named once with its mark: a stop at
    // any point leaves nothing, or a file that is told for the program's.
    bool unnamed = true;
    for (int tries = 0; unnamed && tries < 100; ++tries) {
        const int fd = sys::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL || errno == ENOENT) break;
            fail(dir, errno);
        }
        FileLock held(fd);
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        const std::filesystem::path marked = markedName(fd);
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        if (sys::linkAt(self.c_str(), marked.c_str()) == 0) {
            lock = std::move(held);
            return marked;
        }
        if (errno == EEXIST) continue;  // a file of another's has that name: a new inode gets another mark
        if (errno != ENOENT && errno != EPERM && errno != EXDEV) fail(dir, errno);
        unnamed = false;  // no /proc to name it by: made with a name
    }
    // Where files cannot be made without a name: made under six random
    // characters and renamed to its mark, or left so where the file system
    // cannot rename without replacing.
    const std::string pattern = (dir / (cut + std::string(kMarkChars, 'X') + suffix)).string();
    for (int tries = 0; tries < 100; ++tries) {
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        const int fd = sys::mkstemps(buf.data(), static_cast<int>(suffix.size()));
        if (fd < 0) fail(dir, errno);
        FileLock held(fd);
        const std::filesystem::path created(buf.data());
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        const std::filesystem::path marked = markedName(fd);
        if (marked != created && sys::renameNoReplace(created.c_str(), marked.c_str()) != 0) {
            int err = errno;
            if (err == EINVAL || err == ENOSYS || err == EOPNOTSUPP) {
                // A second name that fails where the name is taken (NFS has
                // these), and the first one let go.
                if (sys::link(created.c_str(), marked.c_str()) == 0) {
                    sys::unlink(created.c_str());
                    lock = std::move(held);
                    return marked;
                }
                err = errno;
                if (err != EEXIST) {
                    lock = std::move(held);
                    return created;
                }
            }
            sys::unlink(created.c_str());
            if (err == EEXIST) continue;
            fail(dir, err);
        }
        lock = std::move(held);
        return marked;
    }
    fail(dir, EEXIST);
}

bool HasOwnFileForm(std::string_view name, std::string_view prefix, std::string_view suffix) {
    if (name.size() != prefix.size() + kMarkChars + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
        return false;
    return name.substr(prefix.size(), kMarkChars).find_first_not_of(kMarkAlphabet) == std::string_view::npos;
}

bool CarriesOwnMark(std::string_view name, std::string_view prefix, std::string_view suffix, int fd) {
    struct stat st {};
    return HasOwnFileForm(name, prefix, suffix) && ::fstat(fd, &st) == 0 &&
           name.substr(prefix.size(), kMarkChars) == MarkOf(static_cast<std::uint64_t>(st.st_ino));
}

void RemoveOwnLeftovers(const std::filesystem::path& folder, const std::string& prefix, const std::string& suffix,
                        const std::filesystem::path& keep) noexcept {
    try {
        const std::filesystem::path dir = folderOrHere(folder);
        const std::string cut = OwnFilePrefix(dir, prefix, suffix);
        std::error_code ec;
        for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (it->path() == keep || !HasOwnFileForm(name, cut, suffix)) continue;
            FileLock lock = FileLock::IfUnheld(it->path());
            if (lock.held() && CarriesOwnMark(name, cut, suffix, lock.fd())) RemoveLockedFile(it->path(), lock);
        }
    } catch (...) {
        // A clean-up that cannot finish leaves the rest for the next one.
    }
}

std::filesystem::path KeepAsCopy(const std::filesystem::path& own, const std::filesystem::path& target) {
    struct stat mine {}, st {};
    if (::stat(own.c_str(), &mine) != 0) return own;
    if (::stat(target.c_str(), &st) == 0) {
        if (::chown(own.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {}
        ::chmod(own.c_str(), (st.st_mode & 0666) | 0600);
    }
    const std::filesystem::path dir = FolderOf(own);
    const std::string ext = target.extension().string(), suffix = MarkOf(static_cast<std::uint64_t>(mine.st_ino)) + ext;
    const std::filesystem::path kept = dir / (OwnFilePrefix(dir, target.stem().string() + ".new-", suffix) + suffix);
    return sys::renameNoReplace(own.c_str(), kept.c_str()) == 0 ? kept : own;
}

bool RemoveLockedFile(const std::filesystem::path& p, const FileLock& lock) noexcept {
    struct stat held {}, named {};
    if (!lock.held() || ::fstat(lock.fd(), &held) != 0 || ::lstat(p.c_str(), &named) != 0 || !sameFile(held, named))
        return false;
    return sys::unlink(p.c_str()) == 0;
}

}  // namespace brine
