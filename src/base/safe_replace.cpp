#include "base/safe_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "base/binary_file.h"
#include "base/errors.h"
#include "base/sys_calls.h"

namespace brine {
namespace {

// The block cleared first and written last when a file is rewritten in
// place. It holds the signature and header of every format the program
// writes, and one sector is written whole or not at all.
constexpr std::size_t kHeadBytes = 512;

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

std::filesystem::path folderOf(const std::filesystem::path& p) {
    std::filesystem::path dir = p.parent_path();
    return dir.empty() ? std::filesystem::path(".") : dir;
}

bool hardLinked(const std::filesystem::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1;
}

// A descriptor closed on every way out; close() reports the final close.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) sys::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool close() {
        int fd = fd_;
        fd_ = -1;
        return sys::close(fd) == 0;
    }

private:
    int fd_;
};

// Each returns 0 or the errno of the failure.
int writeAllAt(int fd, const char* p, std::size_t n, off_t at) {
    while (n > 0) {
        ssize_t w = sys::pwrite(fd, p, n, at);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
        at += w;
    }
    return 0;
}

int readAllAt(int fd, char* p, std::size_t n, off_t at) {
    while (n > 0) {
        ssize_t r = ::pread(fd, p, n, at);
        if (r < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (r == 0) return EIO;  // the file shrank under us
        p += r;
        n -= static_cast<std::size_t>(r);
        at += r;
    }
    return 0;
}

// Copies bytes [from, to) of one file to the same place in another.
int copyRange(int in, int out, off_t from, off_t to) {
    std::vector<char> buf(1 << 16);
    for (off_t at = from; at < to;) {
        const std::size_t n = static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(buf.size()), to - at));
        if (int err = readAllAt(in, buf.data(), n, at)) return err;
        if (int err = writeAllAt(out, buf.data(), n, at)) return err;
        at += static_cast<off_t>(n);
    }
    return 0;
}

int syncFd(int fd) { return sys::fsync(fd) == 0 ? 0 : errno; }

int syncFile(const std::filesystem::path& p) {
    Fd f(sys::open(p.c_str(), O_RDONLY | O_CLOEXEC));
    if (f.get() < 0) return errno;
    if (int err = syncFd(f.get())) return err;
    return f.close() ? 0 : errno;
}

// Makes the names of a folder durable.
int syncFolder(const std::filesystem::path& dir) {
    Fd f(sys::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (f.get() < 0) return errno;
    return syncFd(f.get());
}

// Rewrites `out` in place with the `size` bytes of `in`: the first block
// is cleared and synced, the rest copied, cut and synced, and the first
// block written and synced last.
int copyHeadLast(int in, int out, off_t size, off_t oldSize) {
    const std::vector<char> zeros(kHeadBytes, 0);
    const off_t clear = std::min<off_t>(static_cast<off_t>(kHeadBytes), oldSize);
    const off_t head = std::min<off_t>(static_cast<off_t>(kHeadBytes), size);
    if (clear > 0) {
        if (int err = writeAllAt(out, zeros.data(), static_cast<std::size_t>(clear), 0)) return err;
        if (int err = syncFd(out)) return err;
    }
    if (int err = copyRange(in, out, head, size)) return err;
    if (sys::ftruncate(out, size) != 0) return errno;
    if (int err = syncFd(out)) return err;
    if (int err = copyRange(in, out, 0, head)) return err;
    return syncFd(out);
}

std::string failedReplace(const std::filesystem::path& target, int err) {
    return "ファイルを置き換えられません: " + target.string() + " (" + std::strerror(err) + ")";
}

}  // namespace

SafeReplace::SafeReplace(std::filesystem::path target) : target_(resolveLinks(std::move(target))) {
    // A file its user may not write is not replaced behind the owner's back,
    // though the folder would allow the rename.
    if (::faccessat(AT_FDCWD, target_.c_str(), F_OK, AT_EACCESS) == 0 &&
        ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
        throw IoError("ファイルに書き込めません: " + target_.string() + " (" + std::strerror(errno) + ")");
    const std::filesystem::path dir = folderOf(target_);
    try {
        if (hardLinked(target_))
            temp_ = CreateUniqueFile(dir, target_.stem().string() + ".new-", target_.extension().string());
        else
            temp_ = CreateUniqueFile(dir, "." + target_.filename().string() + ".tmp", "");
    } catch (const IoError& e) {
        throw IoError("一時ファイルを作成できません: " + dir.string() + "\n" + e.what());
    }
}

SafeReplace::~SafeReplace() {
    if (!done_) removeFileQuietly(temp_);
}

void SafeReplace::commit() {
    if (done_) return;
    sys::noteCommit();
    // The complete new content is on disk before the target is touched.
    if (int err = syncFile(temp_)) throw IoError(failedReplace(target_, err));
    if (hardLinked(target_)) {
        commitInPlace();
        return;
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
    if (sys::rename(temp_.c_str(), target_.c_str()) != 0) throw IoError(failedReplace(target_, errno));
    done_ = true;
    // The rename has happened; making it durable is all that is left, and
    // a folder that cannot be synced does not undo it.
    syncFolder(folderOf(target_));
}

void SafeReplace::commitInPlace() {
    const std::filesystem::path dir = folderOf(target_);
    Fd in(sys::open(temp_.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) throw IoError(failedReplace(target_, errno));
    Fd out(sys::open(target_.c_str(), O_RDWR | O_CLOEXEC));
    if (out.get() < 0) throw IoError(failedReplace(target_, errno));
    struct stat ts {}, os {};
    if (::fstat(in.get(), &ts) != 0 || ::fstat(out.get(), &os) != 0) throw IoError(failedReplace(target_, errno));
    const off_t newSize = ts.st_size, oldSize = os.st_size;

    // The old content stays recoverable, in a synced backup, until the new
    // one is in place and synced.
    std::filesystem::path backup;
    try {
        backup = CreateUniqueFile(dir, target_.stem().string() + ".old-", target_.extension().string());
    } catch (const IoError& e) {
        throw IoError("ファイルを置き換えられません: " + target_.string() + "\n" + e.what());
    }
    int err = 0;
    {
        Fd b(sys::open(backup.c_str(), O_WRONLY | O_CLOEXEC));
        if (b.get() < 0) err = errno;
        if (!err) err = copyRange(out.get(), b.get(), 0, oldSize);
        if (!err) err = syncFd(b.get());
        if (!err && !b.close()) err = errno;
    }
    // The backup's name and the temporary file's must survive a power loss too.
    if (!err) err = syncFolder(dir);
    if (err) {
        removeFileQuietly(backup);
        throw IoError(failedReplace(target_, err));
    }

    // Reserve the room first: a full disk or a size limit then stops the
    // replace before a byte of the target has changed.
    bool touched = false;
    if (newSize > oldSize) {
        err = sys::fallocate(out.get(), 0, newSize);
        // Drop what the reservation may have added past the old end.
        if (err && sys::ftruncate(out.get(), oldSize) != 0) touched = true;
    }
    if (!err) {
        touched = true;
        err = copyHeadLast(in.get(), out.get(), newSize, oldSize);
    }
    if (!err) {
        // The new content is synced: a close that fails changes nothing of it.
        out.close();
        removeFileQuietly(backup);
        removeFileQuietly(temp_);
        done_ = true;
        return;
    }
    if (!touched) {
        removeFileQuietly(backup);
        throw IoError(failedReplace(target_, err));
    }
    // Put the old content back from the backup the same way.
    int restoreErr = 0;
    {
        Fd b(sys::open(backup.c_str(), O_RDONLY | O_CLOEXEC));
        if (b.get() < 0) restoreErr = errno;
        struct stat cs {};
        const off_t now = ::fstat(out.get(), &cs) == 0 ? cs.st_size : std::max(newSize, oldSize);
        if (!restoreErr) restoreErr = copyHeadLast(b.get(), out.get(), oldSize, now);
    }
    if (!restoreErr) {
        removeFileQuietly(backup);
        throw IoError(failedReplace(target_, err));
    }
    done_ = true;  // the temporary file is the only complete copy of the new content
    throw IoError("ファイルを置き換えられず、元に戻すこともできませんでした。ファイルは壊れています: " +
                  target_.string() + " (" + std::strerror(err) + ")\n新しい内容は " + temp_.string() +
                  " に、元の内容は " + backup.string() + " に残っています。");
}

void SafeReplace::abandon() {
    if (done_) return;
    removeFileQuietly(temp_);
    done_ = true;
}

void ReplaceFileContent(const std::filesystem::path& target, std::string_view bytes) {
    SafeReplace replace(target);
    BinaryFile f(replace.tempPath(), OpenMode::Update);
    f.writeAll(bytes.data(), bytes.size());
    f.close();
    replace.commit();
}

bool removeFileQuietly(const std::filesystem::path& p) noexcept {
    std::error_code ec;
    std::filesystem::remove(p, ec);
    return !std::filesystem::exists(p, ec);
}

}  // namespace brine
