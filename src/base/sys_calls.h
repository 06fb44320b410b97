#pragma once
// The system calls through which the program opens, writes, syncs, reserves,
// cuts, renames, links, removes and closes files. Every file access of the
// program goes through these, so a test can count the calls of a job (all
// but removals) and make any one of them fail with the error a full disk, a
// size limit or a failing device gives, or stop the process there as a kill
// or a power cut would: before the call, after a write that landed only in
// part, or with what was not yet synced lost. With no plan armed a call
// costs one test of a null pointer.
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace brine::sys {

enum class Call : unsigned char { Open, Write, Pwrite, Fsync, Fallocate, Ftruncate, Rename, Close, Link };

struct PowerLoss;

// What happens at the chosen call.
enum class Fault : unsigned char {
    Fail,  // the call fails with `error`
    Kill,  // the process ends before making the call, undoing nothing
    Tear,  // a write lands only in part, then the process ends (at any other call: as Kill)
    // The process ends before the call, and the power goes with it: of each
    // file's writes since its last successful sync, a choice of 512-byte
    // sectors (drawn from `seed`) reads as before them, and a size changed
    // since may be the synced one again; every name made, renamed, linked
    // or removed in a folder not synced since is undone, the latest first.
    PowerCut,
};

// The exit status of a process a plan stopped (for a test that forks the job).
inline constexpr int kStoppedStatus = 86;

// Counts the calls of the test's job and fails the chosen one, or stops the
// process there. A plan that stops is meant for a forked child: the process
// _exit()s with kStoppedStatus, without unwinding, flushing or any undo.
struct FaultPlan {
    struct Record {
        Call call;
        std::string path;       // the file (for a rename, its new name)
        bool writable = false;  // opened for writing
    };
    long long failAt = 0;      // 1-based number of the call the fault hits; 0 hits none
    Fault fault = Fault::Fail;
    int error = EIO;           // errno of the failed call
    bool persistent = false;   // every call from failAt on fails, as on a device gone bad
    long long tearBytes = -1;  // bytes of a torn write that land (at most all but one); -1: half
    std::vector<long long> alsoFailAt;  // further calls that fail once with `error`, whatever the fault
    unsigned seed = 1;                  // the draw of a power cut
    std::vector<Record> calls;            // every call made, in order
    std::vector<std::size_t> commitsAt;   // number of calls made when each replace began its commit
    std::map<int, Record> openFiles;      // by descriptor
    std::shared_ptr<PowerLoss> powerLoss;  // what a power cut would undo, kept for a PowerCut plan
};

// The plan in force; null outside the tests that arm one.
extern FaultPlan* armedPlan;

namespace detail {
// Lets go of what a plan kept for a power cut that did not come.
void disarm(FaultPlan& plan);
}  // namespace detail

// Arms a plan for its lifetime. Arming nests: the plan in force before is
// put back (and counts again) when the inner one is disarmed; the calls
// made meanwhile are the inner plan's alone.
class ArmFaults {
public:
    explicit ArmFaults(FaultPlan& plan) : plan_(plan), outer_(armedPlan) { armedPlan = &plan; }
    ~ArmFaults() {
        detail::disarm(plan_);
        armedPlan = outer_;
    }
    ArmFaults(const ArmFaults&) = delete;
    ArmFaults& operator=(const ArmFaults&) = delete;

private:
    FaultPlan& plan_;
    FaultPlan* outer_;
};

namespace detail {
int open(const char* path, int flags, mode_t mode);
int mkstemps(char* pattern, int suffixLength);
int close(int fd);
ssize_t write(int fd, const void* buf, std::size_t n);
ssize_t pwrite(int fd, const void* buf, std::size_t n, off_t at);
int rename(const char* from, const char* to, bool replace);
int link(const char* from, const char* to, int flags);
int unlink(const char* path);
int fsync(int fd);
int ftruncate(int fd, off_t size);
// True when the call is to fail; errno is then set. Records the call, and
// stops the process when the plan stops there.
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
    if (armedPlan) [[unlikely]]
        return detail::rename(from, to, true);
    return std::rename(from, to);
}
// A rename that fails with EEXIST where `to` exists, and with EINVAL where
// the file system cannot tell.
inline int renameNoReplace(const char* from, const char* to) {
    if (armedPlan) [[unlikely]]
        return detail::rename(from, to, false);
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
inline int link(const char* from, const char* to) {
    if (armedPlan) [[unlikely]]
        return detail::link(from, to, 0);
    return ::link(from, to);
}
// A link that follows `from` where it is a symbolic link (as /proc/self/fd/N
// is, naming a file made without a name).
inline int linkAt(const char* from, const char* to) {
    if (armedPlan) [[unlikely]]
        return detail::link(from, to, AT_SYMLINK_FOLLOW);
    return ::linkat(AT_FDCWD, from, AT_FDCWD, to, AT_SYMLINK_FOLLOW);
}
inline int unlink(const char* path) {
    if (armedPlan) [[unlikely]]
        return detail::unlink(path);
    return ::unlink(path);
}
inline ssize_t write(int fd, const void* buf, std::size_t n) {
    if (armedPlan) [[unlikely]]
        return detail::write(fd, buf, n);
    return ::write(fd, buf, n);
}
inline ssize_t pwrite(int fd, const void* buf, std::size_t n, off_t at) {
    if (armedPlan) [[unlikely]]
        return detail::pwrite(fd, buf, n, at);
    return ::pwrite(fd, buf, n, at);
}
inline int fsync(int fd) {
    if (armedPlan) [[unlikely]]
        return detail::fsync(fd);
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
    if (armedPlan) [[unlikely]]
        return detail::ftruncate(fd, size);
    return ::ftruncate(fd, size);
}

// Notes that a replace begins its commit, so a test can aim at every call of it.
inline void noteCommit() {
    if (armedPlan) [[unlikely]]
        armedPlan->commitsAt.push_back(armedPlan->calls.size());
}

}  // namespace brine::sys
