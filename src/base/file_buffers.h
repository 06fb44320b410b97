#pragma once
// Buffers over an open BinaryFile for jobs of many small records: a window
// read ahead serves record after record from one read call, and writes that
// follow each other wait to go out in one call.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/binary_file.h"

namespace brine {

class ReadAhead {
public:
    // The bytes [pos, pos + n) of f, valid until the next call. When they are
    // not at hand, reads them together with the records that follow, every
    // `stride` bytes, as far as `limit` bytes allow (no further than n when
    // limit is 0). IoError when the file ends before pos + n.
    const std::uint8_t* at(BinaryFile& f, std::uint64_t pos, std::size_t n, std::size_t stride, std::size_t limit);
    // Forgets what was read (the file has been written to).
    void clear() { len_ = 0; }

private:
    std::vector<std::uint8_t> buf_;
    std::uint64_t start_ = 0;
    std::size_t len_ = 0;
};

class WriteBehind {
public:
    // Writes n bytes at pos: joined to the bytes waiting when it follows
    // them, else after writing those. IoError from any write made.
    void write(BinaryFile& f, std::uint64_t pos, const void* p, std::size_t n);
    // The bytes waiting, to be written at pos: callers append to them, then
    // call flushIfFull. Writes what waits first when it does not end at pos.
    std::string& bufferAt(BinaryFile& f, std::uint64_t pos);
    void flushIfFull(BinaryFile& f);
    // Writes what waits; what a failed write leaves is dropped.
    void flush(BinaryFile& f);
    void drop() { buf_.clear(); }
    // Where the bytes waiting end.
    std::uint64_t end() const { return start_ + buf_.size(); }

private:
    std::string buf_;
    std::uint64_t start_ = 0;
};

}  // namespace brine
