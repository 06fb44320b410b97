#include "base/safe_write/descriptor_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/safe_write/sys_calls.h"

namespace brine {

ClosedOnExit::~ClosedOnExit() {
    if (fd >= 0) sys::close(fd);
}

int WriteAllAt(int fd, const char* p, std::size_t n, off_t at, bool& changed) {
    while (n > 0) {
        const ssize_t w = sys::pwrite(fd, p, n, at);
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

int ReadAllAt(int fd, char* p, std::size_t n, off_t at) {
    while (n > 0) {
        const ssize_t r = ::pread(fd, p, n, at);
        if (r < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (r == 0) return EIO;
        p += r;
        n -= static_cast<std::size_t>(r);
        at += r;
    }
    return 0;
}

int SyncFd(int fd) { return sys::fsync(fd) == 0 ? 0 : errno; }

int SyncFolder(const std::filesystem::path& dir) {
    const ClosedOnExit f{sys::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    return f.fd < 0 ? errno : SyncFd(f.fd);
}

off_t SizeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_size : -1;
}

std::string StepFailed(const char* step, int err) { return std::string(step) + ": " + std::strerror(err); }

}  // namespace brine
