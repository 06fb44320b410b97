#include "base/safe_write/rollback_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <string_view>
#include <thread>
#include <vector>

#include "base/binary_file.h"
#include "base/safe_write/descriptor_io.h"
#include "base/errors.h"
#include "base/safe_write/file_identity.h"
#include "base/safe_write/lock_wait.h"
#include "base/safe_write/sys_calls.h"
#include "base/texts.h"

namespace brine {
namespace {

// The journal: a head (magic, version, the file's name, inode and birth
// time, its size and the number of bytes kept, the rewrite's identity, and a
// check of all that), the bytes kept, a check of them and an end mark.
// Anything shorter or that fails a check was never complete, and the file it
// names was never touched. Version 1 had no identity.
constexpr std::string_view kMagic{"BRINE JOURNAL\r\n\x1a", 16};
constexpr std::string_view kEnd{"JNL-END\n", 8};
constexpr std::uint32_t kVersion = 2;
constexpr std::size_t kFixedHeadV1 = 64;
constexpr std::size_t kFixedHead = 80;
constexpr std::size_t kIdBytes = 16;
constexpr std::size_t kMaxName = 4096;
constexpr std::size_t kChunk = 1 << 16;

const std::string kJournalKind{kJournalFileKind};
constexpr const char* kStepJournal = "元の内容の控えの作成";

// CRC-32 (the polynomial of zlib), eight bytes a step.
class Crc32 {
public:
    void add(const void* data, std::size_t n) {
        const auto& t = tables();
        const auto* p = static_cast<const unsigned char*>(data);
        std::uint32_t c = ~crc_;
        for (; n >= 8; n -= 8, p += 8) {
            const std::uint32_t lo = c ^ (std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                                          std::uint32_t(p[3]) << 24);
            const std::uint32_t hi =
                std::uint32_t(p[4]) | std::uint32_t(p[5]) << 8 | std::uint32_t(p[6]) << 16 | std::uint32_t(p[7]) << 24;
            c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
                t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
        }
        while (n--) c = t[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
        crc_ = ~c;
    }
    std::uint32_t value() const { return crc_; }

private:
    using Tables = std::array<std::array<std::uint32_t, 256>, 8>;
    static const Tables& tables() {
        static const Tables t = [] {
            Tables t{};
            for (std::uint32_t i = 0; i < 256; ++i) {
                std::uint32_t c = i;
                for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                t[0][i] = c;
            }
            for (std::size_t i = 0; i < 256; ++i)
                for (std::size_t k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
            return t;
        }();
        return t;
    }
    std::uint32_t crc_ = 0;
};

// True when the name has the form of some file's journal.
bool journalForm(std::string_view name) {
    constexpr std::size_t kMarkChars = 6;
    if (name.size() < 1 + kMarkChars + kJournalKind.size() || name[0] != '.') return false;
    return HasOwnFileForm(name, name.substr(0, name.size() - kMarkChars - kJournalKind.size()), kJournalKind);
}

// True when the journal of this name, open as `fd`, carries its own mark: a
// copy of one, or a user's file named like one, does not.
bool ownJournal(std::string_view name, int fd) {
    return journalForm(name) && CarriesOwnMark(name, name.substr(0, name.size() - 6 - kJournalKind.size()),
                                               kJournalKind, fd);
}

// What tells a file from another that later took its inode: when it was
// made, where the file system keeps that. {0, 0} where it does not.
struct Birth {
    std::int64_t sec = 0;
    std::uint32_t nsec = 0;
    bool known() const { return sec != 0 || nsec != 0; }
    bool operator==(const Birth&) const = default;
};
Birth birthOf(int fd) {
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BTIME, &sx) != 0 || !(sx.stx_mask & STATX_BTIME)) return {};
    return {sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec};
}

// A descriptor opened outside the seam, to look at a file.
struct Looking {
    int fd;
    ~Looking() {
        if (fd >= 0) ::close(fd);
    }
};

// The first byte of a file: 0 or more, -1 when it has none or cannot be read.
int firstByte(int fd) {
    unsigned char c = 0;
    return ::pread(fd, &c, 1, 0) == 1 ? c : -1;
}

using RewriteId = std::array<unsigned char, kIdBytes>;
constexpr RewriteId kNoId{};

// What a journal's head says.
struct JournalHead {
    std::string name;
    std::uint64_t inode = 0, size = 0, covered = 0;
    Birth birth;
    RewriteId id{};
    off_t dataAt = 0;
};

bool readHead(int fd, JournalHead& h) {
    char fixed[kFixedHead];
    if (ReadAllAt(fd, fixed, kFixedHeadV1, 0) != 0 || std::string_view(fixed, kMagic.size()) != kMagic) return false;
    const auto* u = reinterpret_cast<const std::uint8_t*>(fixed);
    const std::uint32_t version = getLE<std::uint32_t>(u + 16), nameLength = getLE<std::uint32_t>(u + 20);
    if ((version != 1 && version != kVersion) || nameLength == 0 || nameLength > kMaxName) return false;
    const std::size_t fixedSize = version == 1 ? kFixedHeadV1 : kFixedHead;
    if (fixedSize > kFixedHeadV1 && ReadAllAt(fd, fixed + kFixedHeadV1, fixedSize - kFixedHeadV1, kFixedHeadV1) != 0)
        return false;
    h.inode = getLE<std::uint64_t>(u + 24);
    h.size = getLE<std::uint64_t>(u + 32);
    h.covered = getLE<std::uint64_t>(u + 40);
    h.birth = {getLE<std::int64_t>(u + 48), getLE<std::uint32_t>(u + 56)};
    h.id = kNoId;
    if (version != 1) std::memcpy(h.id.data(), fixed + kFixedHeadV1, kIdBytes);
    std::string rest(nameLength + 4, '\0');
    if (ReadAllAt(fd, rest.data(), rest.size(), static_cast<off_t>(fixedSize)) != 0) return false;
    Crc32 crc;
    crc.add(fixed, fixedSize);
    crc.add(rest.data(), nameLength);
    if (getLE<std::uint32_t>(reinterpret_cast<const std::uint8_t*>(rest.data()) + nameLength) != crc.value())
        return false;
    h.name = rest.substr(0, nameLength);
    h.dataAt = static_cast<off_t>(fixedSize + nameLength + 4);
    const std::uint64_t whole = static_cast<std::uint64_t>(h.dataAt) + h.covered + 4 + kEnd.size();
    return h.covered <= h.size && h.covered < (std::uint64_t(1) << 62) && SizeOf(fd) == static_cast<off_t>(whole);
}

// True when the bytes kept are whole: their check and the end mark hold.
bool dataIntact(int fd, const JournalHead& h) {
    std::vector<char> buf(kChunk);
    Crc32 crc;
    for (std::uint64_t done = 0; done < h.covered;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(buf.size(), h.covered - done));
        if (ReadAllAt(fd, buf.data(), n, h.dataAt + static_cast<off_t>(done)) != 0) return false;
        crc.add(buf.data(), n);
        done += n;
    }
    char tail[4 + kEnd.size()];
    if (ReadAllAt(fd, tail, sizeof tail, h.dataAt + static_cast<off_t>(h.covered)) != 0) return false;
    return getLE<std::uint32_t>(reinterpret_cast<const std::uint8_t*>(tail)) == crc.value() &&
           std::string_view(tail + 4, kEnd.size()) == kEnd;
}

ByteSource bytesOf(int fd, off_t at) {
    return [fd, at](char* buf, std::size_t n, off_t from) { return ReadAllAt(fd, buf, n, at + from); };
}

// ---- the rewrite's mark on the file: its identity and where its journal is

// Set on the file before its first byte is cleared, so a file cut short
// names the one journal that holds what it held, wherever that lies (beside
// another of its names), and no journal of another rewrite fits it.
constexpr const char* kMarkAttribute = "user.brine.rewrite";

struct RewriteMark {
    enum { None, Unsupported, Set } state = None;
    RewriteId id{};
    std::filesystem::path journal;
};

RewriteMark markOn(int fd) {
    RewriteMark m;
    std::vector<char> value(kIdBytes + 4096);
    const ssize_t n = ::fgetxattr(fd, kMarkAttribute, value.data(), value.size());
    if (n < 0) {
        if (errno == ENOTSUP) m.state = RewriteMark::Unsupported;
        return m;
    }
    if (n <= static_cast<ssize_t>(kIdBytes)) return m;
    m.state = RewriteMark::Set;
    std::memcpy(m.id.data(), value.data(), kIdBytes);
    m.journal = std::string(value.data() + kIdBytes, static_cast<std::size_t>(n) - kIdBytes);
    return m;
}

// ---- a journal found

// The hidden second name a journal keeps of its file, beside it: while it is
// the file's last name, the file is gone under every name the user gave it.
std::filesystem::path secondNameOf(const std::filesystem::path& dir, const std::string& name, std::uint64_t inode) {
    const std::string suffix = ".lnk";
    return dir / (OwnFilePrefix(dir, "." + name + ".", suffix) + MarkOf(inode) + suffix);
}

struct Found {
    std::filesystem::path path;
    FileLock lock;  // empty when a writer holds the journal
    JournalHead head;
    bool own = false;  // carries its own mark
};

// The journal at `path`, when it is one (never through a link or a FIFO).
std::optional<Found> journalAt(const std::filesystem::path& path) {
    std::error_code ec;
    if (!journalForm(path.filename().string()) || !std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec)))
        return std::nullopt;
    Found f{path, FileLock::IfUnheld(path), {}, false};
    // One a writer holds still shows whose it is.
    const Looking look{f.lock.held() ? -1 : ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    const int j = f.lock.held() ? f.lock.fd() : look.fd;
    struct stat st {};
    if (j < 0 || ::fstat(j, &st) != 0 || !S_ISREG(st.st_mode) || !readHead(j, f.head)) return std::nullopt;
    f.own = ownJournal(path.filename().string(), j);
    return f;
}

// True when the journal names the file open as `fd`: its inode and, where
// the file system tells when a file was made, the file made then; elsewhere,
// the file its name (beside the journal) leads to.
bool namesFile(const Found& f, int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || f.head.inode != static_cast<std::uint64_t>(st.st_ino)) return false;
    const Birth birth = birthOf(fd);
    if (f.head.birth.known() && birth.known()) return f.head.birth == birth;
    struct stat named {};
    return ::stat((FolderOf(f.path) / f.head.name).c_str(), &named) == 0 && named.st_dev == st.st_dev &&
           named.st_ino == st.st_ino;
}

// The journals beside `target` that name the file open as `fd`.
std::vector<Found> journalsBeside(const std::filesystem::path& target, int fd) {
    std::vector<Found> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(FolderOf(target), ec), end; !ec && it != end; it.increment(ec))
        if (std::optional<Found> f = journalAt(it->path()); f && namesFile(*f, fd)) found.push_back(std::move(*f));
    return found;
}

// The journal shown to belong to the rewrite that cut the file open as
// `fd`: the one its mark names, of the same identity, or where the file
// system keeps no marks, the only journal of the file beside it. Whole, its
// own, free, and recording no size above maxBytes (where given).
std::optional<Found> journalOfCut(const std::filesystem::path& target, int fd, std::uint64_t maxBytes) {
    const auto usable = [&](const Found& f) {
        return f.own && f.lock.held() && namesFile(f, fd) && (maxBytes == 0 || f.head.size <= maxBytes) &&
               dataIntact(f.lock.fd(), f.head);
    };
    const RewriteMark mark = markOn(fd);
    if (mark.state == RewriteMark::Set) {
        // Where it was written, or beside the file by the same name: its
        // folder may have been moved or reached by another path since.
        for (const std::filesystem::path& at : {mark.journal, FolderOf(target) / mark.journal.filename()}) {
            std::optional<Found> f = journalAt(at);
            // A clean-up or a message looking at it holds it for a moment.
            for (int tries = 0; f && !f->lock.held() && tries < 300; ++tries) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                f = journalAt(at);
            }
            if (f && f->head.id == mark.id && usable(*f)) return f;
        }
        return std::nullopt;
    }
    if (mark.state != RewriteMark::Unsupported) return std::nullopt;
    std::vector<Found> all = journalsBeside(target, fd);
    std::erase_if(all, [](const Found& f) { return f.head.id != kNoId; });
    if (all.size() != 1 || !usable(all.front())) return std::nullopt;
    return std::move(all.front());
}

// Removes a journal and the second name it kept of its file, durably: a
// power cut after this never brings them back.
void removeJournal(const Found& f) {
    const std::filesystem::path dir = FolderOf(f.path), second = secondNameOf(dir, f.head.name, f.head.inode);
    struct stat st {};
    if (::lstat(second.c_str(), &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_ino) == f.head.inode)
        sys::unlink(second.c_str());
    RemoveLockedFile(f.path, f.lock);
    SyncFolder(dir);
}

// Gives the journal `j` the readers of the file `fd` (st): whoever may read
// the file may read what it held (in a shared folder its owner puts it back,
// though another wrote it), and no one else.
void giveReadersOf(int j, int fd, const struct stat& st) {
    constexpr const char* kAcl = "system.posix_acl_access";
    if (::fchown(j, static_cast<uid_t>(-1), st.st_gid) != 0) {}
    struct stat own {};
    const bool sameGroup = ::fstat(j, &own) == 0 && own.st_gid == st.st_gid;
    // An ACL the folder gave the journal would widen what its mode says.
    ::fremovexattr(j, kAcl);
    ::fchmod(j, (st.st_mode & (sameGroup ? 0666 : 0606)) | 0600);
    if (!sameGroup) return;
    std::vector<char> acl(4096);
    const ssize_t n = ::fgetxattr(fd, kAcl, acl.data(), acl.size());
    if (n > 0 && ::fsetxattr(j, kAcl, acl.data(), static_cast<std::size_t>(n), 0) != 0)
        ::fchmod(j, (st.st_mode & 0606) | 0600);
}

RewriteId newRewriteId() {
    RewriteId id{};
    if (::getrandom(id.data(), id.size(), 0) != static_cast<ssize_t>(id.size())) {
        std::random_device rd;
        for (auto& b : id) b = static_cast<unsigned char>(rd());
    }
    if (id == kNoId) id[0] = 1;
    return id;
}

}  // namespace

int RewriteFirstByteLast(int fd, const ByteSource& source, off_t length, off_t size, bool& changed) {
    const off_t oldSize = SizeOf(fd);
    if (oldSize < 0) return errno;
    if (oldSize > 0) {
        if (int err = WriteAllAt(fd, "", 1, 0, changed)) return err;
        if (int err = SyncFd(fd)) return err;
    }
    std::vector<char> buf(static_cast<std::size_t>(std::min<off_t>(kChunk, std::max<off_t>(length, 1))));
    for (off_t at = 1; at < length;) {
        const std::size_t n = static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(buf.size()), length - at));
        if (int err = source(buf.data(), n, at)) return err;
        if (int err = WriteAllAt(fd, buf.data(), n, at, changed)) return err;
        at += static_cast<off_t>(n);
    }
    if (SizeOf(fd) != size) {
        if (sys::ftruncate(fd, size) != 0) return errno;
        changed = true;
    }
    if (int err = SyncFd(fd)) return err;
    if (length == 0) return 0;
    char first = 0;
    if (int err = source(&first, 1, 0)) return err;
    if (int err = WriteAllAt(fd, &first, 1, 0, changed)) return err;
    return SyncFd(fd);
}

std::string RollbackJournal::write(const std::filesystem::path& target, int fd, off_t size, off_t covered) {
    const std::filesystem::path dir = FolderOf(target);
    try {
        path_ = CreateLockedOwnFile(dir, HiddenPrefixOf(target), kJournalKind, lock_);
    } catch (const IoError& e) {
        return e.what();
    }
    fd_ = fd;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        discard();
        return StepFailed(kStepJournal, err);
    }
    // The file is marked with the rewrite's identity and the journal's name
    // before any byte of it changes; where it cannot keep a mark, the
    // journal carries none either.
    RewriteId id = newRewriteId();
    {
        std::string mark(reinterpret_cast<const char*>(id.data()), id.size());
        mark += FullName(path_.string());
        if (::fsetxattr(fd, kMarkAttribute, mark.data(), mark.size(), 0) != 0) {
            const int err = errno;
            if (err != ENOTSUP) {
                discard();
                return StepFailed(kStepJournal, err);
            }
            id = kNoId;
        }
    }
    const std::string name = target.filename().string();
    std::vector<char> head(kFixedHead + name.size() + 4);
    auto* u = reinterpret_cast<std::uint8_t*>(head.data());
    std::memcpy(head.data(), kMagic.data(), kMagic.size());
    putLE<std::uint32_t>(u + 16, kVersion);
    putLE<std::uint32_t>(u + 20, static_cast<std::uint32_t>(name.size()));
    putLE<std::uint64_t>(u + 24, static_cast<std::uint64_t>(st.st_ino));
    putLE<std::uint64_t>(u + 32, static_cast<std::uint64_t>(size));
    putLE<std::uint64_t>(u + 40, static_cast<std::uint64_t>(covered));
    const Birth birth = birthOf(fd);
    putLE<std::int64_t>(u + 48, birth.sec);
    putLE<std::uint32_t>(u + 56, birth.nsec);
    std::memcpy(head.data() + kFixedHeadV1, id.data(), id.size());
    std::memcpy(head.data() + kFixedHead, name.data(), name.size());
    Crc32 headCrc;
    headCrc.add(head.data(), kFixedHead + name.size());
    putLE<std::uint32_t>(u + kFixedHead + name.size(), headCrc.value());
    size_ = size;
    covered_ = covered;
    dataAt_ = static_cast<off_t>(head.size());

    const int j = lock_.fd();
    giveReadersOf(j, fd, st);
    bool changed = false;
    int err = WriteAllAt(j, head.data(), head.size(), 0, changed);
    std::vector<char> buf(kChunk);
    Crc32 crc;
    for (off_t at = 0; !err && at < covered;) {
        const std::size_t n = static_cast<std::size_t>(std::min<off_t>(static_cast<off_t>(buf.size()), covered - at));
        err = ReadAllAt(fd, buf.data(), n, at);
        if (!err) err = WriteAllAt(j, buf.data(), n, dataAt_ + at, changed);
        crc.add(buf.data(), n);
        at += static_cast<off_t>(n);
    }
    if (!err) {
        char tail[4 + kEnd.size()];
        putLE<std::uint32_t>(reinterpret_cast<std::uint8_t*>(tail), crc.value());
        std::memcpy(tail + 4, kEnd.data(), kEnd.size());
        err = WriteAllAt(j, tail, sizeof tail, dataAt_ + covered, changed);
    }
    if (!err) err = SyncFd(j);
    if (!err) {
        // A second name of the file beside the journal, named in the same
        // folder sync: where the file system has none, a journal of a file
        // deleted while cut short stays, as nothing tells it is gone.
        second_ = secondNameOf(dir, name, static_cast<std::uint64_t>(st.st_ino));
        const std::string self = "/proc/self/fd/" + std::to_string(fd);
        if (sys::linkAt(self.c_str(), second_.c_str()) != 0 && sys::link(target.c_str(), second_.c_str()) != 0)
            second_.clear();
        err = SyncFolder(dir);
    }
    if (!err) return {};
    discard();
    return StepFailed(kStepJournal, err);
}

int RollbackJournal::restore(int fd) const {
    bool changed = false;
    return RewriteFirstByteLast(fd, bytesOf(lock_.fd(), dataAt_), covered_, size_, changed);
}

void RollbackJournal::discard() noexcept {
    if (path_.empty()) return;
    if (!second_.empty()) sys::unlink(second_.c_str());
    RemoveLockedFile(path_, lock_);
    // Gone for good before the file is let go.
    SyncFolder(FolderOf(path_));
    if (fd_ >= 0) ::fremovexattr(fd_, kMarkAttribute);
    lock_.release();
    path_.clear();
    second_.clear();
    fd_ = -1;
}

int RollBackCutRewrite(const std::filesystem::path& target, int fd, std::uint64_t maxBytes) {
    if (firstByte(fd) != 0) return 0;
    std::optional<Found> f = journalOfCut(target, fd, maxBytes);
    if (!f) return ENOENT;
    bool changed = false;
    if (int err = RewriteFirstByteLast(fd, bytesOf(f->lock.fd(), f->head.dataAt), static_cast<off_t>(f->head.covered),
                                       static_cast<off_t>(f->head.size), changed))
        return err;
    removeJournal(*f);
    ::fremovexattr(fd, kMarkAttribute);
    return 0;
}

bool RollBackCutRewrite(const std::filesystem::path& file, std::uint64_t maxBytes) {
    std::filesystem::path target;
    try {
        target = ResolveLinks(file);
    } catch (const IoError&) {
        return false;
    }
    {
        // Most files begin with no NUL: told without the seam or a lock.
        const Looking f{::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
        struct stat st {};
        if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
        if (firstByte(f.fd) != 0) return true;
    }
    const ClosedOnExit f{sys::open(target.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    struct stat st {}, named {};
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // A writer at work, or a reader putting it back, ends first.
    LockOrWait(f.fd, Hold::Write, target, Tx::ReaderBusy);
    if (::lstat(target.c_str(), &named) != 0 || named.st_dev != st.st_dev || named.st_ino != st.st_ino) return false;
    LockOrWait(f.fd, Hold::Rewrite, target, Tx::ReaderBusy);
    // Another reader may have put it back meanwhile.
    return firstByte(f.fd) != 0 || (RollBackCutRewrite(target, f.fd, maxBytes) == 0 && firstByte(f.fd) != 0);
}

void RemoveSpentJournals(const std::filesystem::path& target) noexcept {
    try {
        const std::filesystem::path dir = FolderOf(target);
        // In one pass over the folder: what a writer of this name left before
        // its journal was whole, and every journal of the program's own that
        // no rewrite can need any more: its file's rewrite ended, it belongs
        // to another rewrite than the one that cut its file, or its file is
        // gone under every name the user gave it.
        const std::string prefix = OwnFilePrefix(dir, HiddenPrefixOf(target), kJournalKind);
        std::error_code ec;
        for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (!journalForm(name) || !it->is_regular_file(ec)) continue;
            FileLock lock = FileLock::IfUnheld(it->path());
            if (!lock.held() || !ownJournal(name, lock.fd())) continue;
            Found f{it->path(), std::move(lock), {}, true};
            if (!readHead(f.lock.fd(), f.head)) {
                if (HasOwnFileForm(name, prefix, kJournalKind)) RemoveLockedFile(f.path, f.lock);
                continue;
            }
            // Its file, through the second name it kept, or the name it records.
            const std::filesystem::path second = secondNameOf(dir, f.head.name, f.head.inode);
            struct stat st {};
            const bool kept = ::lstat(second.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                              static_cast<std::uint64_t>(st.st_ino) == f.head.inode;
            if (kept && st.st_nlink == 1) {
                removeJournal(f);
                continue;
            }
            const Looking file{::open((kept ? second : dir / f.head.name).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
            if (file.fd < 0 || !namesFile(f, file.fd)) continue;
            // Looked at with the journal held: a writer that cleared the first
            // byte since holds its own. One never whole touched nothing.
            const RewriteMark mark = markOn(file.fd);
            const bool another = mark.state == RewriteMark::Set && mark.id != f.head.id;
            if (firstByte(file.fd) != 0 || another || !dataIntact(f.lock.fd(), f.head)) removeJournal(f);
        }
    } catch (...) {
        // A clean-up that cannot finish leaves the rest for the next one.
    }
}

std::string CutRewriteNote(const std::filesystem::path& file, std::uint64_t maxBytes) {
    std::filesystem::path target = file;
    try {
        target = ResolveLinks(file);
    } catch (const IoError&) {
    }
    const Looking f{::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat st {};
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) || firstByte(f.fd) != 0) return {};
    if (std::optional<Found> proven = journalOfCut(target, f.fd, maxBytes))
        return "\n" + Text(Tx::CutRewriteKept) + "\n" + proven->path.string();
    // Every journal that may hold what it held: the one its mark names and
    // those beside it that name it.
    std::vector<Found> candidates = journalsBeside(target, f.fd);
    const RewriteMark mark = markOn(f.fd);
    if (mark.state == RewriteMark::Set) {
        std::optional<Found> marked = journalAt(mark.journal);
        std::error_code ec;
        const bool listed = marked && std::any_of(candidates.begin(), candidates.end(), [&](const Found& c) {
            return std::filesystem::equivalent(c.path, marked->path, ec);
        });
        if (marked && !listed) candidates.push_back(std::move(*marked));
    }
    if (candidates.empty()) return {};
    if (std::any_of(candidates.begin(), candidates.end(), [](const Found& c) { return !c.lock.held(); }))
        return "\n" + Text(Tx::CutRewriteHeld);
    std::string text = "\n" + Text(Tx::CutRewriteUnproven);
    for (const Found& c : candidates) text += "\n" + c.path.string();
    return text;
}

}  // namespace brine
