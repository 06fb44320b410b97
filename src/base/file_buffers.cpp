#include "base/file_buffers.h"

#include <algorithm>

namespace brine {
namespace {

constexpr std::size_t kFlushBytes = 4u << 20;

}  // namespace

const std::uint8_t* ReadAhead::at(BinaryFile& f, std::uint64_t pos, std::size_t n, std::size_t stride,
                                  std::size_t limit) {
    if (n == 0) return buf_.data();
    if (len_ > 0 && pos >= start_ && pos - start_ <= len_ && n <= len_ - (pos - start_))
        return buf_.data() + (pos - start_);
    // Whole strides only, so the window ends where a record ends.
    const std::size_t want = stride >= n && limit >= stride ? std::max(n, limit / stride * stride) : n;
    if (buf_.size() < want) buf_.resize(want);
    len_ = 0;
    f.seek(pos);
    std::size_t got = f.readSome(buf_.data(), want);
    // A short file gets the reader's own message.
    if (got < n) f.readAt(pos, buf_.data(), n);
    start_ = pos;
    len_ = std::max(got, n);
    return buf_.data();
}

void WriteBehind::write(BinaryFile& f, std::uint64_t pos, const void* p, std::size_t n) {
    // A large record gains nothing from waiting, and is not copied.
    if (n >= kFlushBytes) {
        flush(f);
        f.writeAt(pos, p, n);
        return;
    }
    bufferAt(f, pos).append(static_cast<const char*>(p), n);
    flushIfFull(f);
}

std::string& WriteBehind::bufferAt(BinaryFile& f, std::uint64_t pos) {
    if (!buf_.empty() && pos != end()) flush(f);
    if (buf_.empty()) start_ = pos;
    return buf_;
}

void WriteBehind::flushIfFull(BinaryFile& f) {
    if (buf_.size() >= kFlushBytes) flush(f);
}

void WriteBehind::flush(BinaryFile& f) {
    if (buf_.empty()) return;
    try {
        f.writeAt(start_, buf_.data(), buf_.size());
    } catch (...) {
        buf_.clear();
        throw;
    }
    start_ += buf_.size();
    buf_.clear();
}

}  // namespace brine
