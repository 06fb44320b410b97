#include "base/binary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "base/safe_write/sys_calls.h"

namespace brine {
namespace {

[[noreturn]] void fail(const std::filesystem::path& p, const char* what, int err) {
    throw IoError(std::string(what) + ": " + p.string() + " (" + std::strerror(err) + ")");
}

}  // namespace

BinaryFile::~BinaryFile() {
    if (fd_ >= 0) sys::close(fd_);
}

BinaryFile& BinaryFile::operator=(BinaryFile&& o) noexcept {
    if (this != &o) {
        if (fd_ >= 0) sys::close(fd_);
        fd_ = o.fd_;
        path_ = std::move(o.path_);
        o.fd_ = -1;
    }
    return *this;
}

void BinaryFile::open(const std::filesystem::path& path, OpenMode mode) {
    if (fd_ >= 0) close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case OpenMode::Read: flags |= O_RDONLY; break;
        case OpenMode::Update: flags |= O_RDWR; break;
        case OpenMode::Create: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
        case OpenMode::CreateOrUpdate: flags |= O_RDWR | O_CREAT; break;
    }
    int fd = sys::open(path.c_str(), flags, 0666);
    if (fd < 0) fail(path, "ファイルを開けません", errno);
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        sys::close(fd);
        fail(path, "ファイルを開けません", EISDIR);
    }
    fd_ = fd;
    path_ = path;
}

void BinaryFile::close() {
    if (fd_ < 0) return;
    int fd = fd_;
    fd_ = -1;
    if (sys::close(fd) != 0) fail(path_, "ファイルを閉じられません", errno);
}

std::uint64_t BinaryFile::size() const {
    struct stat st;
    if (::fstat(fd_, &st) != 0) fail(path_, "ファイルの大きさが分かりません", errno);
    return static_cast<std::uint64_t>(st.st_size);
}

FileStamp StampOf(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return {};
    auto ns = [](const timespec& t) { return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim)};
}

FileStamp StampOfFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    const FileStamp s = StampOf(fd);
    ::close(fd);
    return s;
}

FileStamp BinaryFile::stamp() const {
    const FileStamp s = StampOf(fd_);
    if (s == FileStamp{}) fail(path_, "ファイルの大きさが分かりません", errno);
    return s;
}

void BinaryFile::adopt(int fd, const std::filesystem::path& path) {
    if (fd_ >= 0) close();
    fd_ = fd;
    path_ = path;
}

void BinaryFile::seek(std::uint64_t pos) {
    if (::lseek(fd_, static_cast<off_t>(pos), SEEK_SET) < 0) fail(path_, "位置決めできません", errno);
}

std::size_t BinaryFile::readSome(void* buf, std::size_t n) {
    auto* p = static_cast<char*>(buf);
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = ::read(fd_, p + got, n - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            fail(path_, "読み込めません", errno);
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return got;
}

void BinaryFile::writeAll(const void* buf, std::size_t n) {
    const auto* p = static_cast<const char*>(buf);
    std::size_t done = 0;
    while (done < n) {
        ssize_t r = sys::write(fd_, p + done, n - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            fail(path_, "書き込めません", errno);
        }
        done += static_cast<std::size_t>(r);
    }
}

void BinaryFile::readAt(std::uint64_t pos, void* buf, std::size_t n) {
    auto* p = static_cast<char*>(buf);
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = ::pread(fd_, p + got, n - got, static_cast<off_t>(pos + got));
        if (r < 0) {
            if (errno == EINTR) continue;
            fail(path_, "読み込めません", errno);
        }
        if (r == 0) throw IoError("ファイルが短すぎます: " + path_.string());
        got += static_cast<std::size_t>(r);
    }
}

void BinaryFile::writeAt(std::uint64_t pos, const void* buf, std::size_t n) {
    const auto* p = static_cast<const char*>(buf);
    std::size_t done = 0;
    while (done < n) {
        ssize_t r = sys::pwrite(fd_, p + done, n - done, static_cast<off_t>(pos + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            fail(path_, "書き込めません", errno);
        }
        done += static_cast<std::size_t>(r);
    }
}

void BinaryFile::truncate(std::uint64_t size) {
    if (sys::ftruncate(fd_, static_cast<off_t>(size)) != 0) fail(path_, "書き込めません", errno);
}

std::string ReadToEnd(BinaryFile& f, std::size_t limit) {
    f.seek(0);
    std::string all(static_cast<std::size_t>(f.size()), '\0');
    all.resize(f.readSome(all.data(), all.size()));
    // A file that grew while it was read is read to its end.
    char more[4096];
    for (std::size_t n; (limit == 0 || all.size() <= limit) && (n = f.readSome(more, sizeof more)) > 0;)
        all.append(more, n);
    return all;
}

std::string ReadWholeFile(const std::filesystem::path& path) {
    BinaryFile f(path, OpenMode::Read);
    std::string all = ReadToEnd(f);
    f.close();
    return all;
}

}  // namespace brine
