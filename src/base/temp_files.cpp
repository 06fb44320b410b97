#include "base/temp_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

#include "base/errors.h"
#include "base/sys_calls.h"

namespace brine {
namespace {

constexpr std::string_view kUniqueAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kUniqueChars = 6;

[[noreturn]] void fail(const std::filesystem::path& p, int err) {
    throw IoError("ファイルを作成できません: " + p.string() + " (" + std::strerror(err) + ")");
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Locks a file just created at `path` through `fd`. Between its creation and
// the lock, a clean-up in another job may have found it unheld and removed
// it: then the name no longer leads to it and false is returned.
bool lockCreated(int fd, const std::filesystem::path& path) {
    int rc;
    while ((rc = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    struct stat mine {}, named {};
    // A file system without flock() still gets the file; it just cannot
    // tell its leftovers from files in use, and keeps them all.
    (void)rc;
    return ::fstat(fd, &mine) == 0 && ::stat(path.c_str(), &named) == 0 && sameFile(mine, named);
}

}  // namespace

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
    const int fd = ::open(p.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
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

bool CreateLockedNewFile(const std::filesystem::path& path, FileLock& lock) {
    for (int tries = 0; tries < 100; ++tries) {
        const int fd = sys::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) return false;
            fail(path, errno);
        }
        FileLock held(fd);
        if (lockCreated(fd, path)) {
            lock = std::move(held);
            return true;
        }
    }
    fail(path, EEXIST);
}

std::filesystem::path CreateLockedUniqueFile(const std::filesystem::path& folder, const std::string& prefix,
                                             const std::string& suffix, FileLock& lock) {
    const std::string pattern = (folder / (prefix + std::string(kUniqueChars, 'X') + suffix)).string();
    for (int tries = 0; tries < 100; ++tries) {
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        const int fd = sys::mkstemps(buf.data(), static_cast<int>(suffix.size()));
        if (fd < 0) fail(pattern, errno);
        FileLock held(fd);
        const std::filesystem::path created(buf.data());
        if (lockCreated(fd, created)) {
            lock = std::move(held);
            return created;
        }
    }
    fail(pattern, EEXIST);
}

std::string UniqueNameChars() {
    static thread_local std::mt19937_64 random = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), static_cast<unsigned>(::getpid())};
        return std::mt19937_64(seed);
    }();
    std::uniform_int_distribution<std::size_t> pick(0, kUniqueAlphabet.size() - 1);
    std::string s(kUniqueChars, ' ');
    for (char& c : s) c = kUniqueAlphabet[pick(random)];
    return s;
}

bool MatchesUniqueName(std::string_view name, std::string_view prefix, std::string_view suffix,
                       std::string_view* unique) {
    if (name.size() != prefix.size() + kUniqueChars + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
        return false;
    const std::string_view chars = name.substr(prefix.size(), kUniqueChars);
    if (chars.find_first_not_of(kUniqueAlphabet) != std::string_view::npos) return false;
    if (unique) *unique = chars;
    return true;
}

bool RemoveLockedFile(const std::filesystem::path& p, const FileLock& lock) noexcept {
    struct stat held {}, named {};
    if (!lock.held() || ::fstat(lock.fd(), &held) != 0 || ::lstat(p.c_str(), &named) != 0 || !sameFile(held, named))
        return false;
    return ::unlink(p.c_str()) == 0;
}

bool SameBytes(int a, int b) {
    struct stat sa {}, sb {};
    if (::fstat(a, &sa) != 0 || ::fstat(b, &sb) != 0 || sa.st_size != sb.st_size) return false;
    std::vector<char> x(1 << 16), y(1 << 16);
    for (off_t at = 0; at < sa.st_size;) {
        const ssize_t n = ::pread(a, x.data(), x.size(), at);
        if (n <= 0) return false;
        for (ssize_t got = 0; got < n;) {
            const ssize_t m = ::pread(b, y.data() + got, static_cast<std::size_t>(n - got), at + got);
            if (m <= 0) return false;
            got += m;
        }
        if (std::memcmp(x.data(), y.data(), static_cast<std::size_t>(n)) != 0) return false;
        at += n;
    }
    return true;
}

}  // namespace brine
