#include "support/fault_plan.h"

#include <sys/stat.h>

#include <algorithm>
#include <random>
#include <utility>

namespace brine::sys {

FaultPlan* armedPlan = nullptr;

// What a power cut at this moment would take back. Kept only for a plan
// that cuts the power; each file and folder is known by its identity, so
// renames and second names do not hide it.
struct PowerLoss {
    using Id = std::pair<dev_t, ino_t>;
    static constexpr off_t kSector = 512;
    struct File {
        int fd = -1;             // a descriptor of our own, to put bytes back
        off_t syncedSize = 0;    // the size at its last sync (or when first written)
        std::map<off_t, std::string> before;  // sector -> its bytes at the last sync (shorter at the end)
    };
    std::map<Id, File> files;
    struct NameChange {
        enum Kind { Made, Renamed, Linked, Removed } kind;
        Id folder;
        std::string path, from;  // the name changed; a rename's old name
        std::string kept;        // a name keeping the file a rename replaced or a removal removed
        ino_t inode = 0;         // the file a made name names
    };
    std::vector<NameChange> names;
    int keptNames = 0;
};

namespace {

bool writableFlags(int flags) { return (flags & O_ACCMODE) != O_RDONLY; }

// ---- power cut

PowerLoss* loss() {
    FaultPlan& p = *armedPlan;
    if (p.fault != Fault::PowerCut) return nullptr;
    if (!p.powerLoss) p.powerLoss = std::make_shared<PowerLoss>();
    return p.powerLoss.get();
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

PowerLoss::Id folderId(const std::string& path) {
    struct stat st {};
    if (::stat(folderOf(path).c_str(), &st) != 0) return {0, 0};
    return {st.st_dev, st.st_ino};
}

// Keeps the file `path` names alive under a hidden name beside it, so that
// a rename or removal of it can be undone.
std::string keepAlive(PowerLoss& l, const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return {};
    const std::string kept = folderOf(path) + "/.power-cut-kept-" + std::to_string(::getpid()) + "-" +
                             std::to_string(++l.keptNames);
    return ::link(path.c_str(), kept.c_str()) == 0 ? kept : std::string();
}

// Notes the bytes [at, at + n) of the file `fd` as they are before a write
// (or a cut) changes them, sector by sector, unless noted since its last sync.
void noteBefore(int fd, off_t at, off_t n) {
    PowerLoss* l = loss();
    struct stat st {};
    if (!l || n < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
    auto [it, fresh] = l->files.try_emplace({st.st_dev, st.st_ino});
    PowerLoss::File& f = it->second;
    if (fresh) {
        f.fd = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDWR | O_CLOEXEC);
        f.syncedSize = st.st_size;
    }
    if (f.fd < 0 || n == 0) return;
    for (off_t s = at / PowerLoss::kSector; s <= (at + n - 1) / PowerLoss::kSector; ++s) {
        if (f.before.count(s)) continue;
        std::string bytes(PowerLoss::kSector, '\0');
        const ssize_t got = ::pread(f.fd, bytes.data(), bytes.size(), s * PowerLoss::kSector);
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        f.before.emplace(s, std::move(bytes));
    }
}

void noteSynced(int fd) {
    PowerLoss* l = loss();
    struct stat st {};
    if (!l || ::fstat(fd, &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        const PowerLoss::Id folder{st.st_dev, st.st_ino};
        std::erase_if(l->names, [&](const PowerLoss::NameChange& c) {
            if (c.folder != folder) return false;
            if (!c.kept.empty()) ::unlink(c.kept.c_str());
            return true;
        });
        return;
    }
    auto it = l->files.find({st.st_dev, st.st_ino});
    if (it == l->files.end()) return;
    it->second.before.clear();
    it->second.syncedSize = st.st_size;
}

void noteName(PowerLoss::NameChange change) {
    if (PowerLoss* l = loss()) {
        change.folder = folderId(change.path);
        l->names.push_back(std::move(change));
    }
}

// Puts back what the power cut takes: sectors drawn from the seed, and
// every name change of a folder not synced since, the latest first.
void cutThePower() {
    PowerLoss* l = loss();
    if (!l) return;
    std::mt19937 draw(armedPlan->seed);
    auto coin = [&draw] { return (draw() & 1u) != 0; };
    for (auto& [id, f] : l->files) {
        struct stat st {};
        if (f.fd < 0 || ::fstat(f.fd, &st) != 0) continue;
        const off_t now = st.st_size;
        const bool sizeBack = now != f.syncedSize && coin();
        const off_t size = sizeBack ? f.syncedSize : now;
        if (size != now && ::ftruncate(f.fd, size) != 0) continue;
        for (const auto& [sector, bytes] : f.before) {
            const off_t at = sector * PowerLoss::kSector;
            if (at >= size) continue;
            // Past the size the file had, only what was there before can be.
            if (!(sizeBack && at >= now) && !coin()) continue;
            std::string old = bytes;
            old.resize(static_cast<std::size_t>(std::min<off_t>(PowerLoss::kSector, size - at)), '\0');
            if (::pwrite(f.fd, old.data(), old.size(), at) < 0) {}  // as much as can be put back
        }
    }
    for (auto c = l->names.rbegin(); c != l->names.rend(); ++c) {
        struct stat st {};
        switch (c->kind) {
        case PowerLoss::NameChange::Made:
            if (::lstat(c->path.c_str(), &st) == 0 && st.st_ino == c->inode) ::unlink(c->path.c_str());
            break;
        case PowerLoss::NameChange::Renamed:
            ::rename(c->path.c_str(), c->from.c_str());
            if (!c->kept.empty()) ::rename(c->kept.c_str(), c->path.c_str());
            break;
        case PowerLoss::NameChange::Linked:
            ::unlink(c->path.c_str());
            break;
        case PowerLoss::NameChange::Removed:
            if (!c->kept.empty()) ::rename(c->kept.c_str(), c->path.c_str());
            break;
        }
    }
}

[[noreturn]] void stop() {
    if (armedPlan->fault == Fault::PowerCut) cutThePower();
    ::_exit(kStoppedStatus);
}

enum class Hit { None, Fail, Tear };

// Records the call and says what the plan does with it; a stop happens here.
Hit record(Call call, int fd, const char* path) {
    FaultPlan& p = *armedPlan;
    FaultPlan::Record r{call, path ? path : std::string(), false};
    if (!path) {
        auto it = p.openFiles.find(fd);
        if (it != p.openFiles.end()) r = FaultPlan::Record{call, it->second.path, it->second.writable};
    }
    p.calls.push_back(std::move(r));
    const long long n = static_cast<long long>(p.calls.size());
    if (std::find(p.alsoFailAt.begin(), p.alsoFailAt.end(), n) != p.alsoFailAt.end()) {
        errno = p.error;
        return Hit::Fail;
    }
    if (p.failAt <= 0 && p.hits && p.hits(p.calls.back())) p.failAt = n;
    if (p.failAt <= 0) return Hit::None;
    switch (p.fault) {
    case Fault::Fail:
        if (n == p.failAt || (p.persistent && n > p.failAt)) {
            errno = p.error;
            return Hit::Fail;
        }
        return Hit::None;
    case Fault::Kill:
    case Fault::PowerCut:
        if (n == p.failAt) stop();
        return Hit::None;
    case Fault::Tear:
        return n == p.failAt ? Hit::Tear : Hit::None;
    }
    return Hit::None;
}

// The bytes of an n-byte write that a tear lets land: never all of them.
std::size_t tornLength(std::size_t n) {
    const long long want = armedPlan->tearBytes;
    const std::size_t land = want < 0 ? n / 2 : static_cast<std::size_t>(want);
    return n == 0 ? 0 : std::min(land, n - 1);
}

off_t writePosition(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    struct stat st {};
    if (flags >= 0 && (flags & O_APPEND) && ::fstat(fd, &st) == 0) return st.st_size;
    return ::lseek(fd, 0, SEEK_CUR);
}

bool fails(Call call, int fd, const char* path = nullptr) {
    switch (record(call, fd, path)) {
    case Hit::None:
        return false;
    case Hit::Fail:
        return true;
    case Hit::Tear:
        break;
    }
    stop();  // nothing to tear: stopped before the call
}

ssize_t write(int fd, const void* buf, std::size_t n) {
    switch (record(Call::Write, fd, nullptr)) {
    case Hit::None:
        break;
    case Hit::Fail:
        return -1;
    case Hit::Tear:
        if (::write(fd, buf, tornLength(n)) < 0) {}  // stopped all the same
        stop();
    }
    noteBefore(fd, writePosition(fd), static_cast<off_t>(n));
    return ::write(fd, buf, n);
}

ssize_t pwrite(int fd, const void* buf, std::size_t n, off_t at) {
    switch (record(Call::Pwrite, fd, nullptr)) {
    case Hit::None:
        break;
    case Hit::Fail:
        return -1;
    case Hit::Tear:
        if (::pwrite(fd, buf, tornLength(n), at) < 0) {}
        stop();
    }
    noteBefore(fd, at, static_cast<off_t>(n));
    return ::pwrite(fd, buf, n, at);
}

int open(const char* path, int flags, mode_t mode) {
    if (fails(Call::Open, -1, path)) return -1;
    armedPlan->calls.back().writable = writableFlags(flags);
    struct stat st {};
    const bool made = (flags & O_CREAT) && ::lstat(path, &st) != 0;
    int fd = ::open(path, flags, mode);
    if (fd >= 0) {
        armedPlan->openFiles[fd] = armedPlan->calls.back();
        if (made && ::fstat(fd, &st) == 0) noteName({PowerLoss::NameChange::Made, {}, path, {}, {}, st.st_ino});
    }
    return fd;
}

int mkstemps(char* pattern, int suffixLength) {
    if (fails(Call::Open, -1, pattern)) return -1;
    int fd = ::mkstemps(pattern, suffixLength);
    FaultPlan::Record& r = armedPlan->calls.back();
    r.path = pattern;
    r.writable = true;
    if (fd >= 0) {
        armedPlan->openFiles[fd] = r;
        struct stat st {};
        if (::fstat(fd, &st) == 0) noteName({PowerLoss::NameChange::Made, {}, pattern, {}, {}, st.st_ino});
    }
    return fd;
}

int close(int fd) {
    const bool fail = fails(Call::Close, fd);
    const int err = errno;
    armedPlan->openFiles.erase(fd);
    const int rc = ::close(fd);
    if (fail) {
        errno = err;
        return -1;
    }
    return rc;
}

int rename(const char* from, const char* to, bool replace) {
    if (fails(Call::Rename, -1, to)) return -1;
    PowerLoss* l = loss();
    const std::string kept = l && replace ? keepAlive(*l, to) : std::string();
    const int rc = replace ? std::rename(from, to) : ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    const int err = errno;
    if (rc == 0)
        noteName({PowerLoss::NameChange::Renamed, {}, to, from, kept, 0});
    else if (!kept.empty())
        ::unlink(kept.c_str());
    errno = err;
    return rc;
}

int link(const char* from, const char* to, int flags) {
    if (fails(Call::Link, -1, to)) return -1;
    const int rc = ::linkat(AT_FDCWD, from, AT_FDCWD, to, flags);
    if (rc == 0) noteName({PowerLoss::NameChange::Linked, {}, to, {}, {}, 0});
    return rc;
}

int unlink(const char* path) {
    // Not a call a plan counts or fails: a removal that fails leaves only a
    // file of the program's own, removed by the next job.
    PowerLoss* l = loss();
    const std::string kept = l ? keepAlive(*l, path) : std::string();
    const int rc = ::unlink(path);
    const int err = errno;
    if (rc == 0)
        noteName({PowerLoss::NameChange::Removed, {}, path, {}, kept, 0});
    else if (!kept.empty())
        ::unlink(kept.c_str());
    errno = err;
    return rc;
}

int fsync(int fd) {
    if (fails(Call::Fsync, fd)) return -1;
    const int rc = ::fsync(fd);
    if (rc == 0) noteSynced(fd);
    return rc;
}

int fallocate(int fd, off_t len) {
    if (fails(Call::Fallocate, fd)) return errno;
    return ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, len) == 0 ? 0 : errno;
}

void noteCommit() { armedPlan->commitsAt.push_back(armedPlan->calls.size()); }

int ftruncate(int fd, off_t size) {
    if (fails(Call::Ftruncate, fd)) return -1;
    struct stat st {};
    if (::fstat(fd, &st) == 0) noteBefore(fd, size, std::max<off_t>(st.st_size - size, 0));
    return ::ftruncate(fd, size);
}


void disarm(FaultPlan& plan) {
    if (!plan.powerLoss) return;
    for (const PowerLoss::NameChange& c : plan.powerLoss->names)
        if (!c.kept.empty()) ::unlink(c.kept.c_str());
    for (auto& [id, f] : plan.powerLoss->files)
        if (f.fd >= 0) ::close(f.fd);
    plan.powerLoss.reset();
}


const CallTable planCalls{open,     mkstemps, close, write,     pwrite,    rename,
                          link,     unlink,   fsync, fallocate, ftruncate, noteCommit};

}  // namespace

FaultPlan StopWithFileCutShort(const std::string& file) {
    FaultPlan plan;
    plan.fault = Fault::Kill;
    plan.hits = [file, writes = std::make_shared<int>(0)](const FaultPlan::Record& r) {
        return r.call == Call::Pwrite && r.path == file && ++*writes == 2;
    };
    return plan;
}

ArmFaults::ArmFaults(FaultPlan& plan) : plan_(plan), outer_(armedPlan) {
    armedPlan = &plan;
    installedCalls = &planCalls;
}

ArmFaults::~ArmFaults() {
    disarm(plan_);
    armedPlan = outer_;
    if (!outer_) installedCalls = nullptr;
}

}  // namespace brine::sys
