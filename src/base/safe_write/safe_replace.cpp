#include "base/safe_write/safe_replace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "base/binary_file.h"
#include "base/safe_write/descriptor_io.h"
#include "base/errors.h"
#include "base/safe_write/file_identity.h"
#include "base/safe_write/sys_calls.h"
#include "base/texts.h"

namespace brine {
namespace {

// The steps a message names when a replace fails.
constexpr const char* kStepSync = "新しい内容のディスクへの書き込み";
constexpr const char* kStepRename = "名前の変更";
constexpr const char* kStepOpen = "ファイルを開く";
constexpr const char* kStepReserve = "領域の確保";
constexpr const char* kStepRewrite = "ファイルの書き換え";
constexpr const char* kStepRestore = "元の内容の書き戻し";
constexpr const char* kStepEarlier = "前に途中で止まった書き換えの書き戻し";

// A target's temporary files: "." + its name + "." + a mark + ".tmp".
const std::string kTempKind{kTempFileKind};

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

// The names of a file's extended attributes; nullopt when they cannot be listed.
std::optional<std::vector<std::string>> attributeNames(int fd) {
    const ssize_t length = ::flistxattr(fd, nullptr, 0);
    if (length < 0) return errno == ENOTSUP ? std::optional(std::vector<std::string>{}) : std::nullopt;
    std::vector<char> list(static_cast<std::size_t>(length));
    const ssize_t got = ::flistxattr(fd, list.data(), list.size());
    if (got < 0) return std::nullopt;
    std::vector<std::string> names;
    for (std::size_t at = 0; at < static_cast<std::size_t>(got); at += names.back().size() + 1)
        names.emplace_back(list.data() + at);
    return names;
}

// Gives the new file `fd` what the file `old` it is to replace has beyond
// its bytes: owner, group, mode and extended attributes (ACLs among them).
// False when the writer may not give all of them: the rename would then
// change who the file belongs to or who may use it.
bool takeOver(int fd, int old, const struct stat& st) {
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) return false;
    if (::fchmod(fd, st.st_mode & 07777) != 0) return false;
    const auto names = attributeNames(old), made = attributeNames(fd);
    if (!names || !made) return false;
    // What the new file got from its folder (a default ACL) and the old one has not.
    for (const std::string& name : *made)
        if (std::find(names->begin(), names->end(), name) == names->end() && ::fremovexattr(fd, name.c_str()) != 0)
            return false;
    for (const std::string& attribute : *names) {
        const char* name = attribute.c_str();
        const ssize_t n = ::fgetxattr(old, name, nullptr, 0);
        if (n < 0) return false;
        std::vector<char> value(static_cast<std::size_t>(n));
        const ssize_t v = ::fgetxattr(old, name, value.data(), value.size());
        if (v < 0 || ::fsetxattr(fd, name, value.data(), static_cast<std::size_t>(v), 0) != 0) return false;
    }
    return true;
}

// Gives the new file `fd` what a file made with mode 0666 gets in the
// folder: the mode the umask leaves, or where the folder has a default ACL,
// the mode and ACL that gives. Told by making such a file, without a name.
void giveWhatFolderGives(int fd, const std::filesystem::path& dir) {
    const int probe = ::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (probe >= 0) {
        struct stat st {};
        const bool given = ::fstat(probe, &st) == 0 && takeOver(fd, probe, st);
        ::close(probe);
        if (given) return;
    }
    ::fchmod(fd, newFileMode());
}

// The message of a replace that failed with the target as it was.
std::string unchanged(const std::filesystem::path& target, const std::string& failure) {
    return Text(Tx::ReplaceFailed, {target.string()}) + "\n" + failure + "\n" + Text(Tx::FileUnchanged);
}
std::string unchanged(const std::filesystem::path& target, const char* step, int err) {
    return unchanged(target, StepFailed(step, err));
}

void refuseUnwritable(const std::filesystem::path& target) {
    // A file its user may not write is not replaced behind the owner's back,
    // though the folder would allow the rename.
    if (::faccessat(AT_FDCWD, target.c_str(), F_OK, AT_EACCESS) == 0 &&
        ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        throw IoError(Text(Tx::NotWritable, {target.string(), std::strerror(errno)}));
}

// The file a target name leads to, open for reading and writing and locked
// against every other writer and reading job of the program, in this
// process or another, for as long as this lives. No file (fd -1) where the
// name names none, or something other than a regular file. A symbolic link
// is not followed: the target's links were resolved when its write began,
// so one found now was put there since.
class WriterLock {
public:
    explicit WriterLock(const std::filesystem::path& target) {
        for (;;) {
            file_.fd = sys::open(target.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (file_.fd < 0) {
                if (errno == ENOENT) return;
                // A link, a socket or a FIFO (which a writer cannot open
                // without a reader) stands at the name.
                if (errno == ELOOP || errno == ENXIO) {
                    isFile_ = false;
                    return;
                }
                throw IoError(unchanged(target, kStepOpen, errno));
            }
            if (::fstat(file_.fd, &st_) != 0) throw IoError(unchanged(target, kStepOpen, errno));
            if (!S_ISREG(st_.st_mode)) {
                sys::close(file_.fd);
                file_.fd = -1;
                isFile_ = false;
                return;
            }
            try {
                LockOrWait(file_.fd, Hold::Write, target, Tx::WriterBusy);
            } catch (const IoError& e) {
                throw IoError(std::string(e.what()) + "\n" + Text(Tx::FileUnchanged));
            }
            // The writer waited for may have put another file under the name.
            struct stat named {};
            if (::lstat(target.c_str(), &named) == 0 && named.st_dev == st_.st_dev && named.st_ino == st_.st_ino) {
                ::fstat(file_.fd, &st_);
                return;
            }
            sys::close(file_.fd);
            file_.fd = -1;
        }
    }
    int fd() const { return file_.fd; }
    const struct stat& stat() const { return st_; }
    // False where the name leads to something other than a regular file.
    bool isFile() const { return isFile_; }

private:
    ClosedOnExit file_{-1};
    struct stat st_ {};
    bool isFile_ = true;
};

// Rewrites the target, open as `fd` and locked, in place: `length` bytes of
// `source` from its start, `size` bytes long afterwards, under a rollback
// journal. A failure that the journal undid is told as the file being as it
// was; one whose undo failed in any step keeps the journal and names it, and
// `newCopy` (a file of the program's own holding the whole new content,
// where there is one), which it keeps under a name no clean-up takes.
struct NewCopy {
    std::filesystem::path path;  // a file of the program's own holding the whole new content
    bool kept = false;           // named by the message of a failed undo, and left for the user
};
void rewriteInPlace(const std::filesystem::path& target, int fd, const ByteSource& source, off_t length, off_t size,
                    NewCopy* newCopy) {
    // A job reading the file reads it whole: the rewrite waits for it.
    try {
        LockOrWait(fd, Hold::Rewrite, target, Tx::ReadersBusy);
    } catch (const IoError& e) {
        throw IoError(std::string(e.what()) + "\n" + Text(Tx::FileUnchanged));
    }
    // The journal must hold what the file held before any rewrite. A part
    // rewritten over a file cut short that nothing puts back would make the
    // rest of it, whatever it is, read as whole.
    const int earlier = RollBackCutRewrite(target, fd);
    if (earlier == ENOENT && !newCopy)
        throw IoError(Text(Tx::CutHeadRefused, {target.string()}) + CutRewriteNote(target));
    if (earlier && earlier != ENOENT) throw IoError(unchanged(target, kStepEarlier, earlier));
    RemoveSpentJournals(target);
    const off_t oldSize = SizeOf(fd);
    if (oldSize < 0) throw IoError(unchanged(target, kStepOpen, errno));
    const off_t covered = size < oldSize ? oldSize : std::min(length, oldSize);
    RollbackJournal journal;
    if (std::string failed = journal.write(target, fd, oldSize, covered); !failed.empty())
        throw IoError(unchanged(target, failed));

    // Reserve the room first, without changing the size: a full disk or a
    // size limit then stops the rewrite before a byte of the file has
    // changed. A file system that cannot reserve goes on without; a full
    // disk then fails a write, which is undone from the journal.
    if (size > oldSize) {
        int err = sys::fallocate(fd, size);
        if (err == EOPNOTSUPP || err == ENOSYS) err = 0;
        if (err) {
            sys::ftruncate(fd, oldSize);  // gives back what was reserved past the end; no byte changes
            journal.discard();
            throw IoError(unchanged(target, kStepReserve, err));
        }
    }
    bool changed = false;
    const int err = RewriteFirstByteLast(fd, source, length, size, changed);
    if (!err) {
        journal.discard();
        return;
    }
    if (!changed) {
        journal.discard();
        throw IoError(unchanged(target, kStepRewrite, err));
    }
    // Whatever the page cache shows, only an undo whose every write and
    // sync succeeded has put the old content back on the disk.
    const int restoreErr = journal.restore(fd);
    if (!restoreErr) {
        journal.discard();
        throw IoError(unchanged(target, kStepRewrite, err));
    }
    std::string text = Text(Tx::UndoUnconfirmed, {target.string()}) + "\n" + StepFailed(kStepRewrite, err) + "\n" +
                       StepFailed(kStepRestore, restoreErr) + "\n" + Text(Tx::UndoJournalKept, {journal.path().string()});
    // The new content is named only under a name that stays: left as a
    // temporary file, the next write would remove it.
    if (newCopy) {
        const std::filesystem::path kept = KeepAsCopy(newCopy->path, target);
        if (kept != newCopy->path) {
            newCopy->path = kept;
            newCopy->kept = true;
            text += "\n" + Text(Tx::UndoNewKept, {kept.string()});
        }
    }
    throw IoError(text);
}

}  // namespace

SafeReplace::SafeReplace(std::filesystem::path target) : target_(ResolveLinks(std::move(target))) {
    refuseUnwritable(target_);
    struct stat st {};
    if (::lstat(target_.c_str(), &st) == 0) began_ = {true, st.st_dev, st.st_ino};
    RollBackCutRewrite(target_);
    const std::filesystem::path dir = FolderOf(target_);
    temp_ = CreateLockedOwnFile(dir, HiddenPrefixOf(target_), kTempKind, lock_);
    RemoveOwnLeftovers(dir, HiddenPrefixOf(target_), kTempKind, temp_);
    RemoveSpentJournals(target_);
}

SafeReplace::~SafeReplace() {
    if (!done_) removeFileQuietly(temp_);
}

void SafeReplace::commit() {
    if (done_) return;
    sys::noteCommit();
    // The complete new content is on disk before the target is touched.
    if (int err = SyncFd(lock_.fd())) throw IoError(unchanged(target_, kStepSync, err));
    const WriterLock held(target_);
    if (!held.isFile()) throw IoError(unchanged(target_, Text(Tx::TargetReplacedMeanwhile)));
    if (held.fd() >= 0) {
        // A file of several names, or one whose owner, group or attributes
        // the writer could not give a new file, keeps its inode: only the
        // file the write began with, as another's under the name now may
        // have names the user never chose.
        if (held.stat().st_nlink > 1 || !takeOver(lock_.fd(), held.fd(), held.stat())) {
            const struct stat& st = held.stat();
            if (!began_.exists || st.st_dev != began_.device || st.st_ino != began_.inode)
                throw IoError(unchanged(target_, Text(Tx::TargetReplacedMeanwhile)));
            commitInPlace(held.fd());
            return;
        }
    } else {
        giveWhatFolderGives(lock_.fd(), FolderOf(target_));
    }
    if (sys::rename(temp_.c_str(), target_.c_str()) != 0) throw IoError(unchanged(target_, kStepRename, errno));
    done_ = true;
    lock_.release();  // it is the target's now: the next writer may come
    // The rename has happened; making it durable is all that is left, and
    // a folder that cannot be synced does not undo it.
    SyncFolder(FolderOf(target_));
}

void SafeReplace::commitInPlace(int targetFd) {
    const int in = lock_.fd();
    const off_t newSize = SizeOf(in);
    if (newSize < 0) throw IoError(unchanged(target_, kStepOpen, errno));
    NewCopy copy{temp_};
    try {
        rewriteInPlace(target_, targetFd,
                       [in](char* buf, std::size_t n, off_t at) { return ReadAllAt(in, buf, n, at); }, newSize,
                       newSize, &copy);
    } catch (...) {
        // The new content the message names stays for the user.
        if (copy.kept) {
            temp_ = copy.path;
            done_ = true;
        }
        throw;
    }
    done_ = true;
    removeFileQuietly(temp_);
    lock_.release();
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

FileStamp RewriteFileHead(const std::filesystem::path& file, std::string_view head,
                          const std::function<void(int fd)>& check) {
    const std::filesystem::path target = ResolveLinks(file);
    refuseUnwritable(target);
    const WriterLock held(target);
    if (!held.isFile()) throw IoError(unchanged(target, Text(Tx::TargetReplacedMeanwhile)));
    if (held.fd() < 0) throw IoError(unchanged(target, kStepOpen, ENOENT));
    // Another writer waited for may have changed the file meanwhile.
    if (check) check(held.fd());
    const off_t length = static_cast<off_t>(head.size());
    const off_t size = std::max<off_t>(held.stat().st_size, length);
    rewriteInPlace(target, held.fd(),
                   [head](char* buf, std::size_t n, off_t at) {
                       std::memcpy(buf, head.data() + at, n);
                       return 0;
                   },
                   length, size, nullptr);
    return StampOf(held.fd());
}

bool removeFileQuietly(const std::filesystem::path& p) noexcept {
    if (p.empty()) return true;
    if (sys::unlink(p.c_str()) == 0 || errno == ENOENT) return true;
    std::error_code ec;
    return !std::filesystem::exists(std::filesystem::symlink_status(p, ec));
}

}  // namespace brine
