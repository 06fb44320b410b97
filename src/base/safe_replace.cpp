#include "base/safe_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/errors.h"

namespace brine {
namespace {

// Follows symbolic links to the name of the file they end at (which need not
// exist yet); relative links count from the link's folder.
std::filesystem::path resolveLinks(std::filesystem::path p) {
    constexpr int kMaxHops = 40;
    for (int hops = 0;; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(p, ec))) return p;
        if (hops == kMaxHops) throw IoError("シンボリックリンクをたどれません: " + p.string());
        std::filesystem::path next = std::filesystem::read_symlink(p, ec);
        if (ec) throw IoError("シンボリックリンクをたどれません: " + p.string() + " (" + ec.message() + ")");
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool writeAllAt(int fd, const char* p, std::size_t n, off_t at) {
    while (n > 0) {
        ssize_t w = ::pwrite(fd, p, n, at);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
        at += w;
    }
    return true;
}

std::string failedReplace(const std::filesystem::path& target, int err) {
    return "ファイルを置き換えられません: " + target.string() + " (" + std::strerror(err) + ")";
}

}  // namespace

SafeReplace::SafeReplace(std::filesystem::path target) : target_(resolveLinks(std::move(target))) {
    std::filesystem::path dir = target_.parent_path();
    if (dir.empty()) dir = ".";
    std::string name = ".";
    name += target_.filename().string();
    name += ".tmpXXXXXX";
    std::string pattern = (dir / name).string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    int fd = ::mkstemp(buf.data());
    if (fd < 0)
        throw IoError("一時ファイルを作成できません: " + dir.string() + " (" + std::strerror(errno) + ")");
    ::close(fd);
    temp_ = buf.data();
}

SafeReplace::~SafeReplace() {
    if (!done_) removeFileQuietly(temp_);
}

void SafeReplace::commit() {
    if (done_) return;
    struct stat st {};
    if (::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1) {
        commitInPlace();
        return;
    }
    int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    // Keep the target's permission bits where it already exists.
    std::error_code ec;
    auto perms = std::filesystem::status(target_, ec).permissions();
    if (!ec && perms != std::filesystem::perms::unknown)
        std::filesystem::permissions(temp_, perms, ec);
    else
        std::filesystem::permissions(temp_,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read | std::filesystem::perms::others_read,
                                     ec);
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        throw IoError(failedReplace(target_, errno));
    }
    done_ = true;
}

void SafeReplace::commitInPlace() {
    Fd in(::open(temp_.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) throw IoError(failedReplace(target_, errno));
    Fd out(::open(target_.c_str(), O_WRONLY | O_CLOEXEC));
    if (out.get() < 0) throw IoError(failedReplace(target_, errno));
    struct stat ts {}, os {};
    if (::fstat(in.get(), &ts) != 0 || ::fstat(out.get(), &os) != 0) throw IoError(failedReplace(target_, errno));
    // Reserve the room first: a full disk or a size limit then leaves the
    // target as it was.
    if (ts.st_size > os.st_size) {
        int rc = ::posix_fallocate(out.get(), 0, ts.st_size);
        if (rc != 0) {
            // Drop what the reservation may have added past the old end.
            const int ignored = ::ftruncate(out.get(), os.st_size);
            (void)ignored;
            throw IoError(failedReplace(target_, rc));
        }
    }
    std::vector<char> buf(1 << 16);
    off_t at = 0;
    int err = 0;
    for (;;) {
        ssize_t n = ::read(in.get(), buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        if (n == 0) break;
        if (!writeAllAt(out.get(), buf.data(), static_cast<std::size_t>(n), at)) {
            err = errno;
            break;
        }
        at += n;
    }
    if (!err && ::ftruncate(out.get(), ts.st_size) != 0) err = errno;
    if (!err && ::fsync(out.get()) != 0) err = errno;
    if (err) {
        // The target is partly rewritten: keep the complete output.
        done_ = true;
        throw IoError(failedReplace(target_, err) + "\n新しい内容は " + temp_.string() + " に残っています。");
    }
    removeFileQuietly(temp_);
    done_ = true;
}

void SafeReplace::abandon() {
    if (done_) return;
    removeFileQuietly(temp_);
    done_ = true;
}

bool removeFileQuietly(const std::filesystem::path& p) noexcept {
    std::error_code ec;
    std::filesystem::remove(p, ec);
    return !std::filesystem::exists(p, ec);
}

}  // namespace brine
