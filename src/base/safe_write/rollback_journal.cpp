#include "base/safe_write/rollback_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>
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
// time, its size and the number of bytes kept, and a check of all that), the
// bytes kept, a check of them and an end mark. Anything shorter or that
// fails a check was never complete, and the file it names was never touched.
constexpr std::string_view kMagic{"BRINE JOURNAL\r\n\x1a", 16};
constexpr std::string_view kEnd{"JNL-END\n", 8};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kFixedHead = 64;
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

// What a journal's head says.
struct JournalHead {
    std::string name;
    std::uint64_t inode = 0, size = 0, covered = 0;
    Birth birth;
    off_t dataAt = 0;
};

bool readHead(int fd, JournalHead& h) {
    char fixed[kFixedHead];
    if (ReadAllAt(fd, fixed, sizeof fixed, 0) != 0 || std::string_view(fixed, kMagic.size()) != kMagic) return false;
    const auto* u = reinterpret_cast<const std::uint8_t*>(fixed);
    const std::uint32_t nameLength = getLE<std::uint32_t>(u + 20);
    if (getLE<std::uint32_t>(u + 16) != kVersion || nameLength == 0 || nameLength > kMaxName) return false;
    h.inode = getLE<std::uint64_t>(u + 24);
    h.size = getLE<std::uint64_t>(u + 32);
    h.covered = getLE<std::uint64_t>(u + 40);
    h.birth = {getLE<std::int64_t>(u + 48), getLE<std::uint32_t>(u + 56)};
    std::string rest(nameLength + 4, '\0');
    if (ReadAllAt(fd, rest.data(), rest.size(), kFixedHead) != 0) return false;
    Crc32 crc;
    crc.add(fixed, sizeof fixed);
    crc.add(rest.data(), nameLength);
    if (getLE<std::uint32_t>(reinterpret_cast<const std::uint8_t*>(rest.data()) + nameLength) != crc.value())
        return false;
    h.name = rest.substr(0, nameLength);
    h.dataAt = static_cast<off_t>(kFixedHead + nameLength + 4);
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

// True when the journal is the file's: of its inode and, where the file
// system tells when a file was made, of the file made then; elsewhere, of
// the file its name leads to. A file that later took the inode, or the
// name, is another file.
bool journalOf(const JournalHead& h, const std::filesystem::path& target, int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || h.inode != static_cast<std::uint64_t>(st.st_ino)) return false;
    const Birth birth = birthOf(fd);
    if (h.birth.known() && birth.known()) return h.birth == birth;
    struct stat named {};
    return ::stat((FolderOf(target) / h.name).c_str(), &named) == 0 && named.st_dev == st.st_dev &&
           named.st_ino == st.st_ino;
}

// The journals beside `target` (open as `fd`) that are its.
struct Found {
    std::filesystem::path path;
    FileLock lock;  // empty when a writer holds the journal
    JournalHead head;
};
std::vector<Found> journalsOf(const std::filesystem::path& target, int fd) {
    std::vector<Found> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(FolderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
        if (!journalForm(it->path().filename().string())) continue;
        Found f{it->path(), FileLock::IfUnheld(it->path()), {}};
        // One a writer holds still shows whose it is.
        const int j = f.lock.held() ? f.lock.fd() : ::open(it->path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        const bool read = j >= 0 && readHead(j, f.head);
        if (!f.lock.held() && j >= 0) ::close(j);
        if (read && journalOf(f.head, target, fd)) found.push_back(std::move(f));
    }
    return found;
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
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        discard();
        return StepFailed(kStepJournal, err);
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
    std::memcpy(head.data() + kFixedHead, name.data(), name.size());
    Crc32 headCrc;
    headCrc.add(head.data(), kFixedHead + name.size());
    putLE<std::uint32_t>(u + kFixedHead + name.size(), headCrc.value());
    size_ = size;
    covered_ = covered;
    dataAt_ = static_cast<off_t>(head.size());

    const int j = lock_.fd();
    // Whoever may read the file may read what it held: in a shared folder
    // its owner puts it back, though another wrote it.
    if (::fchown(j, static_cast<uid_t>(-1), st.st_gid) != 0) {}
    ::fchmod(j, (st.st_mode & 0666) | 0600);
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
    if (!err) err = SyncFolder(dir);
    if (!err) return {};
    discard();
    return StepFailed(kStepJournal, err);
}

int RollbackJournal::restore(int fd) const {
    bool changed = false;
    return RewriteFirstByteLast(fd, bytesOf(lock_.fd(), dataAt_), covered_, size_, changed);
}

void RollbackJournal::discard() noexcept {
    if (!path_.empty()) RemoveLockedFile(path_, lock_);
    lock_.release();
    path_.clear();
}

int RollBackCutRewrite(const std::filesystem::path& target, int fd, std::uint64_t maxBytes) {
    if (firstByte(fd) != 0) return 0;
    for (Found& f : journalsOf(target, fd)) {
        if (!f.lock.held() || (maxBytes > 0 && f.head.size > maxBytes) || !dataIntact(f.lock.fd(), f.head)) continue;
        bool changed = false;
        if (int err = RewriteFirstByteLast(fd, bytesOf(f.lock.fd(), f.head.dataAt), static_cast<off_t>(f.head.covered),
                                           static_cast<off_t>(f.head.size), changed))
            return err;
        RemoveLockedFile(f.path, f.lock);
        return 0;
    }
    return ENOENT;
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
        const Looking file{::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
        // In one pass: the file's journals that are spent, under any of its
        // names, and what a writer of this name left before its journal was whole.
        const std::string prefix = OwnFilePrefix(dir, HiddenPrefixOf(target), kJournalKind);
        std::error_code ec;
        for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            const bool thisName = HasOwnFileForm(name, prefix, kJournalKind);
            if (!thisName && !journalForm(name)) continue;
            FileLock lock = FileLock::IfUnheld(it->path());
            if (!lock.held()) continue;
            JournalHead h;
            if (!readHead(lock.fd(), h)) {
                if (thisName && CarriesOwnMark(name, prefix, kJournalKind, lock.fd())) RemoveLockedFile(it->path(), lock);
            } else if (file.fd >= 0 && journalOf(h, target, file.fd)) {
                // Read with the journal held: a writer that cleared the first
                // byte since needs it. One never complete touched nothing.
                if (firstByte(file.fd) != 0 || !dataIntact(lock.fd(), h)) RemoveLockedFile(it->path(), lock);
            }
        }
    } catch (...) {
        // A clean-up that cannot finish leaves the rest for the next one.
    }
}

std::string CutRewriteNote(const std::filesystem::path& file) {
    std::filesystem::path target = file;
    try {
        target = ResolveLinks(file);
    } catch (const IoError&) {
    }
    const Looking f{::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    struct stat st {};
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) || firstByte(f.fd) != 0) return {};
    std::string held, kept;
    for (Found& j : journalsOf(target, f.fd)) {
        if (!j.lock.held())
            held = "\n" + Text(Tx::CutRewriteHeld);
        else if (dataIntact(j.lock.fd(), j.head))
            kept += "\n" + j.path.string();
    }
    if (!held.empty()) return held;
    if (kept.empty()) return {};
    return "\n" + Text(Tx::CutRewriteKept) + kept;
}

}  // namespace brine
