#pragma once
// Writes the records of an output through one large buffer: the file sees
// one call per few megabytes instead of one per burst.
#include <cstdint>
#include <string>

#include "base/binary_file.h"

namespace brine {

class BufferedAppend {
public:
    // Appends at the end of the existing file.
    explicit BufferedAppend(const std::string& path);
    // Writes from `start` on, over whatever lies there.
    BufferedAppend(const std::string& path, std::uint64_t start);

    // Text or bytes still to be written; callers append to it.
    std::string& buffer() { return buf_; }
    template <typename T>
    void putLE(T v) {
        std::uint8_t b[sizeof(T)];
        brine::putLE<T>(b, v);
        buf_.append(reinterpret_cast<const char*>(b), sizeof b);
    }
    void flushIfFull();
    void flush();
    // Writes what is left and closes the file; IoError when either fails.
    void close();

private:
    BinaryFile file_;
    std::uint64_t pos_;
    std::string buf_;
};

}  // namespace brine
