#include "base/sys_calls.h"

namespace brine::sys {

FaultPlan* armedPlan = nullptr;

namespace detail {
namespace {

bool writableFlags(int flags) { return (flags & O_ACCMODE) != O_RDONLY; }

}  // namespace

bool fails(Call call, int fd, const char* path) {
    FaultPlan& p = *armedPlan;
    FaultPlan::Record r{call, path ? path : std::string(), false};
    if (!path) {
        auto it = p.openFiles.find(fd);
        if (it != p.openFiles.end()) r = FaultPlan::Record{call, it->second.path, it->second.writable};
    }
    p.calls.push_back(std::move(r));
    const long long n = static_cast<long long>(p.calls.size());
    if (p.failAt > 0 && (n == p.failAt || (p.persistent && n > p.failAt))) {
        errno = p.error;
        return true;
    }
    return false;
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
