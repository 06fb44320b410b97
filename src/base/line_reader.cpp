
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "base/errors.h"
#include "base/line_reader.h"

namespace brine {
namespace {
constexpr std::size_t kChunk = 1 << 20;

// Where the first CR or LF of b[from..to) lies, or `to`. Searched a window
// at a time, so that lines ended by CR alone do not make each search run
// to the end of the buffer for an LF.
std::size_t lineEnd(const char* b, std::size_t from, std::size_t to) {
    constexpr std::size_t kWindow = 256;
    while (from < to) {
        const std::size_t n = std::min(kWindow, to - from);
        const void* lf = std::memchr(b + from, '\n', n);
        const std::size_t stop = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - b) : from + n;
        if (const void* cr = std::memchr(b + from, '\r', stop - from))
            return static_cast<std::size_t>(static_cast<const char*>(cr) - b);
        if (lf) return stop;
        from = stop;
    }
    return to;
}
}  // namespace

LineReader::LineReader(const std::string& fileName) : fileName_(fileName) {
    try {
        f_.open(fileName, OpenMode::Read);
        size_ = f_.size();
    } catch (const IoError&) {
        // A folder opens but cannot be read.
        std::error_code ec;
        if (std::filesystem::is_directory(fileName, ec)) throw IoError("ファイルを読み込めません。\n" + fileName);
        throw IoError("ファイルを開けません。\n" + fileName);
    }
    buf_.resize(kChunk);
}

bool LineReader::fill() {
    if (atFileEnd_) return false;
    if (pos_ > 0) {
        std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    if (end_ == buf_.size()) buf_.resize(buf_.size() * 2);  // a line longer than the buffer
    std::size_t got = 0;
    try {
        got = f_.readSome(buf_.data() + end_, buf_.size() - end_);
    } catch (const IoError&) {
        throw IoError("ファイルを読み込めません。\n" + fileName_);
    }
    if (got == 0) {
        atFileEnd_ = true;
        return false;
    }
    end_ += got;
    read_ += got;
    return true;
}

bool LineReader::next(std::string_view& line) {
    std::size_t offset = 0;  // bytes after pos_ already scanned
    for (;;) {
        const char* base = buf_.data();
        const std::size_t k = lineEnd(base, pos_ + offset, end_);
        // A CR at the end of the buffer needs the next byte to tell CR LF.
        bool pendingCr = k < end_ && base[k] == '\r' && k + 1 == end_ && !atFileEnd_;
        if (k < end_ && !pendingCr) {
            line = std::string_view(base + pos_, k - pos_);
            std::size_t after = k + 1;
            if (base[k] == '\r' && after < end_ && base[after] == '\n') ++after;
            pos_ = after;
            ++line_;
            return true;
        }
        offset = k - pos_;
        if (!fill()) {
            if (pendingCr) continue;  // now at the file end: the CR ends the line
            if (pos_ < end_) {
                line = std::string_view(buf_.data() + pos_, end_ - pos_);
                pos_ = end_;
                ++line_;
                return true;
            }
            return false;
        }
    }
}

std::string_view LineReader::nextOrEmpty() {
    std::string_view s;
    return next(s) ? s : std::string_view();
}

bool LineReader::eof() {
    if (pos_ < end_) return false;
    if (atFileEnd_) return true;
    fill();
    return pos_ >= end_;
}

}  // namespace brine
