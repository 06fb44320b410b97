#pragma once
// The system calls through which the program opens, writes, syncs, reserves,
// cuts, renames, links, removes and closes files. Every file access of the
// program goes through these, so a test can put a table of its own in place
// of the system's and count the calls of a job, fail one of them or stop the
// process there. With no table installed a call costs one test of a null
// pointer.
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace brine::sys {

// The calls a test may take over. Each behaves as the system call it stands
// for (errno set on failure), but for fallocate, which returns the error.
struct CallTable {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*mkstemps)(char* pattern, int suffixLength);
    int (*close)(int fd);
    ssize_t (*write)(int fd, const void* buf, std::size_t n);
    ssize_t (*pwrite)(int fd, const void* buf, std::size_t n, off_t at);
    int (*rename)(const char* from, const char* to, bool replace);
    int (*link)(const char* from, const char* to, int flags);
    int (*unlink)(const char* path);
    int (*fsync)(int fd);
    int (*fallocate)(int fd, off_t len);
    int (*ftruncate)(int fd, off_t size);
    void (*noteCommit)();
};

// The table in force; null (the system's calls) outside the tests.
extern const CallTable* installedCalls;

inline int open(const char* path, int flags, mode_t mode = 0) {
    if (installedCalls) [[unlikely]]
        return installedCalls->open(path, flags, mode);
    return ::open(path, flags, mode);
}
// A new file of a unique name (the X's of the pattern before its last
// `suffixLength` characters are replaced), open for reading and writing.
inline int mkstemps(char* pattern, int suffixLength) {
    if (installedCalls) [[unlikely]]
        return installedCalls->mkstemps(pattern, suffixLength);
    return ::mkstemps(pattern, suffixLength);
}
// A failed close has released the descriptor all the same.
inline int close(int fd) {
    if (installedCalls) [[unlikely]]
        return installedCalls->close(fd);
    return ::close(fd);
}
inline int rename(const char* from, const char* to) {
    if (installedCalls) [[unlikely]]
        return installedCalls->rename(from, to, true);
    return std::rename(from, to);
}
// A rename that fails with EEXIST where `to` exists, and with EINVAL where
// the file system cannot tell.
inline int renameNoReplace(const char* from, const char* to) {
    if (installedCalls) [[unlikely]]
        return installedCalls->rename(from, to, false);
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
inline int link(const char* from, const char* to) {
    if (installedCalls) [[unlikely]]
        return installedCalls->link(from, to, 0);
    return ::link(from, to);
}
// A link that follows `from` where it is a symbolic link (as /proc/self/fd/N
// is, naming a file made without a name).
inline int linkAt(const char* from, const char* to) {
    if (installedCalls) [[unlikely]]
        return installedCalls->link(from, to, AT_SYMLINK_FOLLOW);
    return ::linkat(AT_FDCWD, from, AT_FDCWD, to, AT_SYMLINK_FOLLOW);
}
inline int unlink(const char* path) {
    if (installedCalls) [[unlikely]]
        return installedCalls->unlink(path);
    return ::unlink(path);
}
inline ssize_t write(int fd, const void* buf, std::size_t n) {
    if (installedCalls) [[unlikely]]
        return installedCalls->write(fd, buf, n);
    return ::write(fd, buf, n);
}
inline ssize_t pwrite(int fd, const void* buf, std::size_t n, off_t at) {
    if (installedCalls) [[unlikely]]
        return installedCalls->pwrite(fd, buf, n, at);
    return ::pwrite(fd, buf, n, at);
}
inline int fsync(int fd) {
    if (installedCalls) [[unlikely]]
        return installedCalls->fsync(fd);
    return ::fsync(fd);
}
// Reserves room for the file to grow to `len` bytes without changing its
// size or any byte of it. Returns 0 or the error number (EOPNOTSUPP where
// the file system cannot reserve).
inline int fallocate(int fd, off_t len) {
    if (installedCalls) [[unlikely]]
        return installedCalls->fallocate(fd, len);
    return ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, len) == 0 ? 0 : errno;
}
inline int ftruncate(int fd, off_t size) {
    if (installedCalls) [[unlikely]]
        return installedCalls->ftruncate(fd, size);
    return ::ftruncate(fd, size);
}

// Notes that a replace begins its commit, so a test can aim at every call of it.
inline void noteCommit() {
    if (installedCalls) [[unlikely]]
        installedCalls->noteCommit();
}

}  // namespace brine::sys
