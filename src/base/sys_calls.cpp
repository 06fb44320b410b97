#include "base/sys_calls.h"

#include <algorithm>

namespace brine::sys {

FaultPlan* armedPlan = nullptr;

namespace detail {
namespace {

bool writableFlags(int flags) { return (flags & O_ACCMODE) != O_RDONLY; }

[[noreturn]] void stop() { ::_exit(kStoppedStatus); }

enum class Hit { None, Fail, Tear };

// Records the call and says what the plan does with it; a kill happens here.
Hit record(Call call, int fd, const char* path) {
    FaultPlan& p = *armedPlan;
    FaultPlan::Record r{call, path ? path : std::string(), false};
    if (!path) {
        auto it = p.openFiles.find(fd);
        if (it != p.openFiles.end()) r = FaultPlan::Record{call, it->second.path, it->second.writable};
    }
    p.calls.push_back(std::move(r));
    const long long n = static_cast<long long>(p.calls.size());
    if (p.failAt <= 0) return Hit::None;
    switch (p.fault) {
    case Fault::Fail:
        if (n == p.failAt || (p.persistent && n > p.failAt)) {
            errno = p.error;
            return Hit::Fail;
        }
        return Hit::None;
    case Fault::Kill:
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

}  // namespace

bool fails(Call call, int fd, const char* path) {
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
    return ::pwrite(fd, buf, n, at);
}

int open(const char* path, int flags, mode_t mode) {
    if (fails(Call::Open, -1, path)) return -1;
    armedPlan->calls.back().writable = writableFlags(flags);
    int fd = ::open(path, flags, mode);
    if (fd >= 0) armedPlan->openFiles[fd] = armedPlan->calls.back();
    return fd;
}

int mkstemps(char* pattern, int suffixLength) {
    if (fails(Call::Open, -1, pattern)) return -1;
    int fd = ::mkstemps(pattern, suffixLength);
    FaultPlan::Record& r = armedPlan->calls.back();
    r.path = pattern;
    r.writable = true;
    if (fd >= 0) armedPlan->openFiles[fd] = r;
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

}  // namespace detail
}  // namespace brine::sys
