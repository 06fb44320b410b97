#pragma once
// The system calls through which the program opens, writes, syncs, reserves,
// cuts, renames and closes files. Every file access of the program goes
// through these, so a test can count the calls of a job and make any one of
// them fail with the error a full disk, a size limit or a failing device
// gives. With no plan armed a call costs one test of a null pointer.
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <cerrno>
#include <map>
#include <string>
#include <vector>

namespace brine::sys {

enum class Call : unsigned char { Open, Write, Pwrite, Fsync, Fallocate, Ftruncate, Rename, Close };

// Counts the calls of the test's job and fails the chosen one.
struct FaultPlan {
    struct Record {
        Call call;
        std::string path;       // the file (for a rename, its new name)
        bool writable = false;  // opened for writing
    };
    long long failAt = 0;      // 1-based number of the call made to fail; 0 fails none
    int error = EIO;           // errno of the failed call
    bool persistent = false;   // every call from failAt on fails, as on a device gone bad
    std::vector<Record> calls;            // every call made, in order
    std::vector<std::size_t> commitsAt;   // number of calls made when each replace began its commit
    std::map<int, Record> openFiles;      // by descriptor
};

// The plan in force; null outside the tests that arm one.
extern FaultPlan* armedPlan;

class ArmFaults {
public:
    explicit ArmFaults(FaultPlan& plan) { armedPlan = &plan; }
    ~ArmFaults() { armedPlan = nullptr; }
    ArmFaults(const ArmFaults&) = delete;
    ArmFaults& operator=(const ArmFaults&) = delete;
};

namespace detail {
int open(const char* path, int flags, mode_t mode);
int mkstemps(char* pattern, int suffixLength);
int close(int fd);
// True when the call is to fail; errno is then set. Records the call.
bool fails(Call call, int fd, const char* path = nullptr);
}  // namespace detail

inline int open(const char* path, int flags, mode_t mode = 0) {
    if (armedPlan) [[unlikely]]
        return detail::open(path, flags, mode);
    return ::open(path, flags, mode);
}
// A new file of a unique name (the X's of the pattern before its last
// `suffixLength` characters are replaced), open for reading and writing.
inline int mkstemps(char* pattern, int suffixLength) {
    if (armedPlan) [[unlikely]]
        return detail::mkstemps(pattern, suffixLength);
    return ::mkstemps(pattern, suffixLength);
}
// A failed close has released the descriptor all the same.
inline int close(int fd) {
    if (armedPlan) [[unlikely]]
        return detail::close(fd);
    return ::close(fd);
}
inline int rename(const char* from, const char* to) {
    if (armedPlan && detail::fails(Call::Rename, -1, to)) [[unlikely]]
        return -1;
    return std::rename(from, to);
}
inline ssize_t write(int fd, const void* buf, std::size_t n) {
    if (armedPlan && detail::fails(Call::Write, fd)) [[unlikely]]
        return -1;
    return ::write(fd, buf, n);
}
inline ssize_t pwrite(int fd, const void* buf, std::size_t n, off_t at) {
    if (armedPlan && detail::fails(Call::Pwrite, fd)) [[unlikely]]
        return -1;
    return ::pwrite(fd, buf, n, at);
}
inline int fsync(int fd) {
    if (armedPlan && detail::fails(Call::Fsync, fd)) [[unlikely]]
        return -1;
    return ::fsync(fd);
}
// Reserves room for the file to grow to `len` bytes without changing its
// size or any byte of it. Returns 0 or the error number (EOPNOTSUPP where
// the file system cannot reserve).
inline int fallocate(int fd, off_t len) {
    if (armedPlan && detail::fails(Call::Fallocate, fd)) [[unlikely]]
        return errno;
    return ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, len) == 0 ? 0 : errno;
}
inline int ftruncate(int fd, off_t size) {
    if (armedPlan && detail::fails(Call::Ftruncate, fd)) [[unlikely]]
        return -1;
    return ::ftruncate(fd, size);
}

// Notes that a replace begins its commit, so a test can aim at every call of it.
inline void noteCommit() {
    if (armedPlan) [[unlikely]]
        armedPlan->commitsAt.push_back(armedPlan->calls.size());
}

}  // namespace brine::sys
