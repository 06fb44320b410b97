#include "base/buffered_append.h"

namespace brine {
namespace {

constexpr std::size_t kFlushBytes = 4u << 20;

}  // namespace

BufferedAppend::BufferedAppend(const std::string& path) : file_(path, OpenMode::Update), pos_(file_.size()) {
    buf_.reserve(kFlushBytes + (1u << 16));
}

BufferedAppend::BufferedAppend(const std::string& path, std::uint64_t start)
    : file_(path, OpenMode::Update), pos_(start) {
    buf_.reserve(kFlushBytes + (1u << 16));
}

void BufferedAppend::flushIfFull() {
    if (buf_.size() >= kFlushBytes) flush();
}

void BufferedAppend::flush() {
    if (buf_.empty()) return;
    file_.writeAt(pos_, buf_.data(), buf_.size());
    pos_ += buf_.size();
    buf_.clear();
}

void BufferedAppend::close() {
    flush();
    file_.close();
}

}  // namespace brine
