#pragma once
// Little-endian binary file access with 64-bit positions. Inputs are opened
// read-only; writers either create a fresh (truncated) file or update an
// existing one in place.
#include <cstdint>
#include <bit>
#include <cstring>
#include <type_traits>
#include <filesystem>
#include <string>

namespace brine {

enum class OpenMode {
    Read,       // existing file, read only
    Update,     // existing file, read and write, no truncation
    Create,     // new or truncated file, read and write
    CreateOrUpdate,  // existing file kept (no truncation), else created
};

// What tells one state of a file from another without reading it: which
// file it is, its size, and when its data and its inode last changed.
struct FileStamp {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modified = 0, changed = 0;  // nanoseconds
    bool operator==(const FileStamp&) const = default;
    // The same file with the same bytes, as far as can be told: its change
    // time also moves with what leaves the bytes as they were (attributes,
    // names, a write undone before any byte changed).
    bool sameContentAs(const FileStamp& o) const {
        return device == o.device && inode == o.inode && size == o.size && modified == o.modified;
    }
};

// The stamp of the file open as `fd`, or of the file a name leads to; all
// zero when it cannot be told.
FileStamp StampOf(int fd);
FileStamp StampOfFile(const std::filesystem::path& path);

class BinaryFile {
public:
    BinaryFile() = default;
    BinaryFile(const std::filesystem::path& path, OpenMode mode) { open(path, mode); }
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    BinaryFile(BinaryFile&& o) noexcept : fd_(o.fd_), path_(std::move(o.path_)) { o.fd_ = -1; }
    // Closes the file held (ignoring a failed close) and takes o's.
    BinaryFile& operator=(BinaryFile&& o) noexcept;

    // Throws IoError with the path in the message.
    void open(const std::filesystem::path& path, OpenMode mode);
    // Takes over `fd`, open on `path` (and whatever lock it holds).
    void adopt(int fd, const std::filesystem::path& path);
    bool isOpen() const { return fd_ >= 0; }
    void close();  // throws IoError when the final close fails

    std::uint64_t size() const;
    FileStamp stamp() const;
    void seek(std::uint64_t pos);
    // Reads up to n bytes; returns the number read (less only at end of file).
    std::size_t readSome(void* buf, std::size_t n);
    void writeAll(const void* buf, std::size_t n);
    // Reads/writes at a position without moving a shared cursor.
    void readAt(std::uint64_t pos, void* buf, std::size_t n);
    void writeAt(std::uint64_t pos, const void* buf, std::size_t n);
    void truncate(std::uint64_t size);

private:
    int fd_ = -1;
    std::filesystem::path path_;
};

// The whole content of a file. IoError when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);
// What an open file holds from its start to its end, read to the end where
// it grows meanwhile, but no further than one piece past `limit` bytes
// (where given). IoError when it cannot be read.
std::string ReadToEnd(BinaryFile& f, std::size_t limit = 0);

// Little-endian helpers over byte buffers.
template <typename T>
inline void putLE(std::uint8_t* p, T v) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::uint8_t tmp[sizeof(T)];
    std::memcpy(tmp, &v, sizeof(T));
    if constexpr (std::endian::native == std::endian::big)
        for (std::size_t i = 0; i < sizeof(T); ++i) p[i] = tmp[sizeof(T) - 1 - i];
    else
        std::memcpy(p, tmp, sizeof(T));
}

template <typename T>
inline T getLE(const std::uint8_t* p) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::uint8_t tmp[sizeof(T)];
    if constexpr (std::endian::native == std::endian::big)
        for (std::size_t i = 0; i < sizeof(T); ++i) tmp[i] = p[sizeof(T) - 1 - i];
    else
        std::memcpy(tmp, p, sizeof(T));
    T v;
    std::memcpy(&v, tmp, sizeof(T));
    return v;
}

}  // namespace brine
