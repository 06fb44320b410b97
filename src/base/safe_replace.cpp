#include "base/safe_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/binary_file.h"
#include "base/errors.h"
#include "base/file_identity.h"
#include "base/sys_calls.h"

namespace brine {
namespace {

// The steps a message names when a replace fails.
constexpr const char* kStepSync = "新しい内容のディスクへの書き込み";
constexpr const char* kStepRename = "名前の変更";
constexpr const char* kStepOpen = "ファイルを開く";
constexpr const char* kStepBackup = "元の内容の控えの作成";
constexpr const char* kStepNames = "控えの名前の書き込み";
constexpr const char* kStepReserve = "領域の確保";
constexpr const char* kStepRewrite = "ファイルの書き換え";
constexpr const char* kStepRestore = "元の内容の書き戻し";

std::filesystem::path folderOf(const std::filesystem::path& p) {
    std::filesystem::path dir = p.parent_path();
    return dir.empty() ? std::filesystem::path(".") : dir;
}

// The names of a target's temporary files and of its visible copies.
std::string hiddenPrefix(const std::filesystem::path& target) { return "." + target.filename().string() + ".tmp"; }
std::string copyPrefix(const std::filesystem::path& target, bool newContent) {
    return target.stem().string() + (newContent ? ".new-" : ".old-");
}

// The permissions a new file gets: 0666 less the umask. The umask is read
// from the process status, which leaves it alone; where that does not tell
// it, it is read by setting it, briefly, to 077, so a file another thread
// creates meanwhile comes out more private, never less.
mode_t newFileMode() {
    mode_t mask = 0;
    bool known = false;
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char buf[4096];
        const ssize_t n = ::read(fd, buf, sizeof buf - 1);
        ::close(fd);
        if (n > 0) {
            buf[n] = '\0';
            if (const char* line = std::strstr(buf, "\nUmask:")) {
                char* end = nullptr;
                const unsigned long v = std::strtoul(line + 7, &end, 8);
                if (end != line + 7 && v <= 0777) {
                    mask = static_cast<mode_t>(v);
                    known = true;
                }
            }
        }
    }
    if (!known) {
        mask = ::umask(077);
        ::umask(mask);
    }
    return 0666 & ~mask;
}

// Gives the new file `fd` the owner and group of the file `old` it is to
// replace, as far as the writer may (root may give it to anyone; a user may
// give it a group of the user's), and returns the mode it is to keep: the
// old one, less a set-user-ID or set-group-ID bit whose owner or group the
// new file does not have.
mode_t keepOwner(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    mode_t mode = old.st_mode & 07777;
    struct stat now {};
    const bool known = ::fstat(fd, &now) == 0;
    if (!known || now.st_uid != old.st_uid) mode &= ~static_cast<mode_t>(S_ISUID);
    if (!known || now.st_gid != old.st_gid) mode &= ~static_cast<mode_t>(S_ISGID);
    return mode;
}

// A descriptor closed on every way out.
struct ClosedOnExit {
    int fd;
    ~ClosedOnExit() {
        if (fd >= 0) sys::close(fd);
    }
};

// Each returns 0 or the errno of the failure. `changed` becomes true once a
// byte of `fd` may differ from before.
int writeAllAt(int fd, const char* p, std::size_t n, off_t at, bool& changed) {
    while (n > 0) {
        ssize_t w = sys::pwrite(fd, p, n, at);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (w > 0) changed = true;
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
int copyRange(int in, int out, off_t from, off_t to, bool& changed) {
    std::vector<char> buf(1 << 16);
    for (off_t at = from; at < to;) {
        const std::size_t n = static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(buf.size()), to - at));
        if (int err = readAllAt(in, buf.data(), n, at)) return err;
        if (int err = writeAllAt(out, buf.data(), n, at, changed)) return err;
        at += static_cast<off_t>(n);
    }
    return 0;
}

int syncFd(int fd) { return sys::fsync(fd) == 0 ? 0 : errno; }

// Makes the names of a folder durable.
int syncFolder(const std::filesystem::path& dir) {
    const ClosedOnExit f{sys::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    return f.fd < 0 ? errno : syncFd(f.fd);
}

off_t sizeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_size : -1;
}

// Rewrites `out`, now of `oldSize` bytes, in place with the `size` bytes of
// `in`: its first byte is made NUL in a synced write of its own, the rest
// copied, cut and synced, and the first byte written alone, last. Until that
// last write lands the file begins with a NUL, which every reader of the
// program's formats refuses.
int copyFirstByteLast(int in, int out, off_t size, off_t oldSize, bool& changed) {
    if (oldSize > 0) {
        if (int err = writeAllAt(out, "", 1, 0, changed)) return err;
        if (int err = syncFd(out)) return err;
    }
    if (int err = copyRange(in, out, 1, size, changed)) return err;
    if (sizeOf(out) != size) {
        if (sys::ftruncate(out, size) != 0) return errno;
        changed = true;
    }
    if (int err = syncFd(out)) return err;
    if (size == 0) return 0;
    if (int err = copyRange(in, out, 0, 1, changed)) return err;
    return syncFd(out);
}

std::string stepFailed(const char* step, int err) { return std::string(step) + ": " + std::strerror(err); }

// The message of a replace that failed with the target as it was.
std::string unchanged(const std::filesystem::path& target, const std::string& failure) {
    return "ファイルを置き換えられません: " + target.string() + "\n" + failure + "\nファイルは元のままです。";
}
std::string unchanged(const std::filesystem::path& target, const char* step, int err) {
    return unchanged(target, stepFailed(step, err));
}

// The visible copies of a target's replaces, by their six characters.
struct CopyPair {
    std::filesystem::path newCopy, oldCopy;
};
std::map<std::string, CopyPair> copyPairs(const std::filesystem::path& target) {
    std::map<std::string, CopyPair> pairs;
    const std::string ext = target.extension().string();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        for (bool isNew : {true, false}) {
            std::string_view unique;
            if (MatchesUniqueName(name, copyPrefix(target, isNew), ext, &unique))
                (isNew ? pairs[std::string(unique)].newCopy : pairs[std::string(unique)].oldCopy) = it->path();
        }
    }
    return pairs;
}

// Removes what killed jobs left for the target: hidden temporary files no
// job holds, and whole pairs of visible copies no job holds when the target
// holds the content of one of them (the replace then never changed the
// target, or it finished). Copies beside a target that holds neither stay,
// for the readers' messages to name; so does a copy without its partner.
void removeLeftovers(const std::filesystem::path& target, const std::filesystem::path& own) noexcept {
    try {
        const std::string hidden = hiddenPrefix(target);
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
            if (it->path() == own || !MatchesUniqueName(it->path().filename().string(), hidden, "")) continue;
            FileLock lock = FileLock::IfUnheld(it->path());
            if (lock.held()) RemoveLockedFile(it->path(), lock);
        }
        std::map<std::string, CopyPair> pairs = copyPairs(target);
        if (pairs.empty()) return;
        const ClosedOnExit current{sys::open(target.c_str(), O_RDONLY | O_CLOEXEC)};
        const int t = current.fd;
        if (t < 0) return;
        for (const auto& [unique, pair] : pairs) {
            // A lone copy may be a file of the user's that only looks like
            // one (a copy of the target kept as "<stem>.old-backup<ext>"):
            // removed just before the target is replaced, it would take the
            // only other copy of the target's content with it.
            if (pair.newCopy.empty() || pair.oldCopy.empty()) continue;
            FileLock n = FileLock::IfUnheld(pair.newCopy);
            FileLock o = FileLock::IfUnheld(pair.oldCopy);
            if (!n.held() || !o.held()) continue;  // in use
            if (!SameBytes(t, n.fd()) && !SameBytes(t, o.fd())) continue;
            RemoveLockedFile(pair.newCopy, n);
            RemoveLockedFile(pair.oldCopy, o);
        }
    } catch (...) {
        // A clean-up that cannot finish leaves the rest for the next one.
    }
}

// Gives the new content and the backup visible names with the same six
// characters and removes their hidden names. 0 or the errno.
int nameCopies(const std::filesystem::path& target, std::filesystem::path& newCopy, std::filesystem::path& oldCopy) {
    const std::filesystem::path dir = folderOf(target);
    const std::string ext = target.extension().string();
    for (int tries = 0; tries < 100; ++tries) {
        const std::string unique = UniqueNameChars();
        const std::filesystem::path n = dir / (copyPrefix(target, true) + unique + ext);
        const std::filesystem::path o = dir / (copyPrefix(target, false) + unique + ext);
        if (::link(newCopy.c_str(), n.c_str()) != 0) {
            if (errno == EEXIST) continue;
            return errno;
        }
        if (::link(oldCopy.c_str(), o.c_str()) != 0) {
            const int err = errno;
            ::unlink(n.c_str());
            if (err == EEXIST) continue;
            return err;
        }
        ::unlink(newCopy.c_str());
        ::unlink(oldCopy.c_str());
        newCopy = n;
        oldCopy = o;
        return 0;
    }
    return EEXIST;
}

}  // namespace

SafeReplace::SafeReplace(std::filesystem::path target) : target_(ResolveLinks(std::move(target))) {
    // A file its user may not write is not replaced behind the owner's back,
    // though the folder would allow the rename.
    if (::faccessat(AT_FDCWD, target_.c_str(), F_OK, AT_EACCESS) == 0 &&
        ::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0)
        throw IoError("ファイルに書き込めません: " + target_.string() + " (" + std::strerror(errno) + ")");
    const std::filesystem::path dir = folderOf(target_);
    try {
        temp_ = CreateLockedUniqueFile(dir, hiddenPrefix(target_), "", lock_);
    } catch (const IoError& e) {
        throw IoError("一時ファイルを作成できません: " + dir.string() + "\n" + e.what());
    }
    removeLeftovers(target_, temp_);
}

SafeReplace::~SafeReplace() {
    if (!done_) removeFileQuietly(temp_);
}

void SafeReplace::commit() {
    if (done_) return;
    sys::noteCommit();
    // The complete new content is on disk before the target is touched.
    if (int err = syncFd(lock_.fd())) throw IoError(unchanged(target_, kStepSync, err));
    struct stat st {};
    const bool exists = ::stat(target_.c_str(), &st) == 0;
    if (exists && S_ISREG(st.st_mode) && st.st_nlink > 1) {
        commitInPlace();
        return;
    }
    // An existing target keeps its permissions; a new one gets the umask's.
    ::fchmod(lock_.fd(), exists ? keepOwner(lock_.fd(), st) : newFileMode());
    if (sys::rename(temp_.c_str(), target_.c_str()) != 0) throw IoError(unchanged(target_, kStepRename, errno));
    done_ = true;
    // The rename has happened; making it durable is all that is left, and
    // a folder that cannot be synced does not undo it.
    syncFolder(folderOf(target_));
}

void SafeReplace::commitInPlace() {
    const std::filesystem::path dir = folderOf(target_);
    const int in = lock_.fd();
    const ClosedOnExit closeOut{sys::open(target_.c_str(), O_RDWR | O_CLOEXEC)};
    const int out = closeOut.fd;
    if (out < 0) throw IoError(unchanged(target_, kStepOpen, errno));
    struct stat os {};
    if (::fstat(out, &os) != 0) throw IoError(unchanged(target_, kStepOpen, errno));
    const off_t newSize = sizeOf(in), oldSize = os.st_size;
    if (newSize < 0) throw IoError(unchanged(target_, kStepOpen, errno));

    // The old content stays recoverable, in a synced backup, until the new
    // one is in place and synced. Both copies take the target's permissions
    // and visible names, and the names are synced, before the target is
    // touched: should the replace be cut short, they hold the good content.
    FileLock backupLock;
    std::filesystem::path backup;
    try {
        backup = CreateLockedUniqueFile(dir, hiddenPrefix(target_), "", backupLock);
    } catch (const IoError& e) {
        throw IoError(unchanged(target_, std::string(kStepBackup) + ": " + e.what()));
    }
    const int b = backupLock.fd();
    bool backupChanged = false;
    int err = copyRange(out, b, 0, oldSize, backupChanged);
    if (!err) err = syncFd(b);
    if (err) {
        removeFileQuietly(backup);
        throw IoError(unchanged(target_, kStepBackup, err));
    }
    ::fchmod(in, os.st_mode & 0777);
    ::fchmod(b, os.st_mode & 0777);
    err = nameCopies(target_, temp_, backup);
    if (!err) err = syncFolder(dir);
    auto removeCopies = [&] {
        // The new content first: a replace stopped between the two leaves
        // the backup, whose content the target holds again.
        removeFileQuietly(temp_);
        removeFileQuietly(backup);
    };
    if (err) {
        removeFileQuietly(backup);
        throw IoError(unchanged(target_, kStepNames, err));
    }

    // Reserve the room first, without changing the size: a full disk or a
    // size limit then stops the replace before a byte of the target has
    // changed. A file system that cannot reserve goes on without; a full
    // disk then fails a write, which is undone from the backup.
    if (newSize > oldSize) {
        err = sys::fallocate(out, newSize);
        if (err == EOPNOTSUPP || err == ENOSYS) err = 0;
        if (err) {
            // Give back what was reserved past the end; no byte changes.
            sys::ftruncate(out, oldSize);
            removeCopies();
            throw IoError(unchanged(target_, kStepReserve, err));
        }
    }
    bool changed = false;
    err = copyFirstByteLast(in, out, newSize, oldSize, changed);
    if (!err) {
        // The new content is synced: a close that fails changes nothing of it.
        done_ = true;
        removeFileQuietly(backup);
        removeFileQuietly(temp_);
        return;
    }
    if (!changed) {
        removeCopies();
        throw IoError(unchanged(target_, kStepRewrite, err));
    }
    // Put the old content back from the backup the same way.
    const off_t now = sizeOf(out);
    const int restoreErr = copyFirstByteLast(b, out, oldSize, now < 0 ? std::max(newSize, oldSize) : now, changed);
    if (!restoreErr) {
        removeCopies();
        throw IoError(unchanged(target_, kStepRewrite, err));
    }
    // What the target holds now decides what the message says.
    if (SameBytes(out, b)) {
        removeCopies();
        throw IoError(unchanged(target_, kStepRewrite, err));
    }
    done_ = true;  // the copies stay, named by the message
    const std::string kept = "新しい内容は " + temp_.string() + " に、元の内容は " + backup.string() + " に";
    if (SameBytes(out, in))
        throw IoError("ファイルを置き換えましたが、ディスクへの書き込みを確かめられませんでした: " + target_.string() +
                      "\n" + stepFailed(kStepRewrite, err) + "\n" + kept + "も残しています。");
    throw IoError("ファイルを置き換えられず、元に戻すこともできませんでした。ファイルは壊れています: " +
                  target_.string() + "\n" + stepFailed(kStepRewrite, err) + "\n" +
                  stepFailed(kStepRestore, restoreErr) + "\n" + kept + "残っています。");
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

std::vector<LeftoverCopy> LeftoverCopies(const std::filesystem::path& file) {
    std::filesystem::path target = file;
    try {
        target = ResolveLinks(file);
    } catch (const IoError&) {
    }
    // A file with several names may have been replaced under any of those
    // in its folder, and its copies carry that name.
    std::vector<std::filesystem::path> names{target};
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1) {
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
            struct stat other {};
            if (it->path().filename() != target.filename() && ::lstat(it->path().c_str(), &other) == 0 &&
                other.st_dev == st.st_dev && other.st_ino == st.st_ino)
                names.push_back(it->path());
        }
    }
    std::vector<LeftoverCopy> copies;
    for (const std::filesystem::path& name : names) {
        for (const auto& [unique, pair] : copyPairs(name)) {
            if (!pair.newCopy.empty()) copies.push_back({pair.newCopy, true});
            if (!pair.oldCopy.empty()) copies.push_back({pair.oldCopy, false});
        }
    }
    return copies;
}

std::string LeftoverCopiesNote(const std::filesystem::path& file) {
    const std::vector<LeftoverCopy> copies = LeftoverCopies(file);
    if (copies.empty()) return {};
    std::string note = "\nこのファイルの置き換えが途中で終わったときの控えが残っています。";
    for (const LeftoverCopy& c : copies)
        note += std::string("\n") + (c.newContent ? "新しい内容: " : "元の内容: ") + c.path.string();
    return note;
}

}  // namespace brine
