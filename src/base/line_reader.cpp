#include "base/line_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>

#include "base/errors.h"

namespace brine {
namespace {

// The most read at once when told how much follows.
constexpr std::size_t kMaxRead = 64u << 20;

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

// 0x80 in each byte of w that is c, 0 in the others.
std::uint64_t bytesEqual(std::uint64_t w, char c) {
    constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7fULL;
    const std::uint64_t x = w ^ (0x0101010101010101ULL * static_cast<unsigned char>(c));
    return ~(((x & kLow7) + kLow7) | x | kLow7);
}

}  // namespace

LineReader::LineReader(const std::string& fileName) : fileName_(fileName), own_(std::in_place), file_(*own_) {
    try {
        own_->open(fileName, OpenMode::Read);
        size_ = own_->size();
    } catch (const IoError&) {
        // A folder opens but cannot be read.
        std::error_code ec;
        if (std::filesystem::is_directory(fileName, ec)) throw IoError("ファイルを読み込めません。\n" + fileName);
        throw IoError("ファイルを開けません。\n" + fileName);
    }
    chunk_ = kChunk;
    seek(0);
}

LineReader::LineReader(BinaryFile& file, std::size_t chunk) : file_(file), chunk_(std::max<std::size_t>(chunk, 1)) {
    size_ = file_.size();
    seek(0);
}

void LineReader::seek(std::uint64_t off, std::size_t expected) {
    start_ = off;
    pos_ = end_ = 0;
    reads_ = 0;
    atFileEnd_ = false;
    line_ = 0;
    // Small blocks are common: start small unless told more.
    first_ = expected > 0 ? std::min(expected, kMaxRead) : std::max<std::size_t>(chunk_ / 8, 1);
}

std::size_t LineReader::readAt(std::uint64_t off, char* to, std::size_t n) {
    try {
        file_.seek(off);
        return file_.readSome(to, n);
    } catch (const IoError&) {
        if (!own_) throw;
        throw IoError("ファイルを読み込めません。\n" + fileName_);
    }
}

bool LineReader::fill() {
    if (atFileEnd_) return false;
    // The unread bytes move to the front, so that a line stays in one piece.
    if (pos_ > 0) {
        std::memmove(buf_.data(), buf_.data() + pos_, end_ - pos_);
        start_ += pos_;
        end_ -= pos_;
        pos_ = 0;
    }
    // Then in chunks, or as much as the first read when that was more.
    const std::size_t want = reads_++ == 0 ? first_ : std::max(chunk_, first_);
    if (buf_.size() < end_ + want) buf_.resize(end_ + want);
    const std::size_t got = readAt(start_ + end_, buf_.data() + end_, want);
    if (got == 0) {
        atFileEnd_ = true;
        return false;
    }
    end_ += got;
    return true;
}

bool LineReader::next(std::string_view& line) {
    std::size_t scanned = 0;  // bytes after pos_ that hold no line end
    for (;;) {
        const char* base = buf_.data();
        const std::size_t k = lineEnd(base, pos_ + scanned, end_);
        // A CR at the end of the buffer needs the next byte to tell CR LF.
        const bool pendingCr = k + 1 == end_ && base[k] == '\r' && !atFileEnd_;
        if (k < end_ && !pendingCr) {
            if (k - pos_ > maxLine_) throw FormatError();
            line = std::string_view(base + pos_, k - pos_);
            pos_ = k + 1;
            if (base[k] == '\r' && pos_ < end_ && base[pos_] == '\n') ++pos_;
            ++line_;
            return true;
        }
        scanned = k - pos_;
        if (scanned > maxLine_) throw FormatError();
        if (!fill()) {
            if (pendingCr) continue;  // now at the file end: the CR ends the line
            if (pos_ < end_) {
                if (end_ - pos_ > maxLine_) throw FormatError();
                line = std::string_view(buf_.data() + pos_, end_ - pos_);
                pos_ = end_;
                ++line_;
                return true;
            }
            return false;
        }
    }
}

bool LineReader::skipLines(std::uint64_t n) {
    std::size_t scanned = 0;  // bytes after pos_ that hold no line end
    // 1 when byte q is the LF of a CR LF whose CR ends the line at pos_: the
    // eight-byte steps may stop between the two, and the CR is not the line's.
    const auto crBeforeLf = [this](std::size_t q) -> std::size_t {
        return q > pos_ && q < end_ && buf_[q] == '\n' && buf_[q - 1] == '\r' ? 1 : 0;
    };
    while (n > 0) {
        const char* base = buf_.data();
        std::size_t p = pos_ + scanned;
        // Eight bytes at a time while they end fewer lines than are left,
        // the byte after them at hand; the bytes one by one for the rest.
        if constexpr (std::endian::native == std::endian::little) {
            std::size_t lineStart = pos_;
            std::uint64_t lines = 0;
            const std::size_t stop = end_, longest = maxLine_;
            // 1 when the word starts with the LF of a CR LF whose CR ended the word before.
            std::uint64_t split = crBeforeLf(p);
            while (p + 8 < stop && longest >= 8) {
                std::uint64_t w;
                std::memcpy(&w, base + p, 8);
                const std::uint64_t lf = bytesEqual(w, '\n'), cr = bytesEqual(w, '\r');
                const std::uint64_t lfAfter = lf >> 8 | (base[p + 8] == '\n' ? std::uint64_t{1} << 63 : 0);
                // An LF ends a line, so does a CR not followed by one.
                const std::uint64_t ends = lf | (cr & ~lfAfter);
                // One bit a byte, summed into the top byte (std::popcount may be a call).
                const std::uint64_t count = ((ends >> 7) * 0x0101010101010101ULL) >> 56;
                if (count >= n - lines) break;
                // The text of the line going on ends at the first CR or LF (all eight bytes are
                // its without one), or at the CR before the word when the word starts with its LF.
                const std::size_t textEnd = p + static_cast<std::size_t>(std::countr_zero(lf | cr)) / 8 - split;
                if (textEnd - lineStart > longest) {
                    pos_ = lineStart;  // where skip() stops: at the start of the line refused
                    line_ += static_cast<long long>(lines);
                    throw FormatError();
                }
                const std::size_t after = p + 8 - static_cast<std::size_t>(std::countl_zero(ends)) / 8;
                lineStart = ends != 0 ? after : lineStart;
                lines += count;
                split = (cr & lfAfter) >> 63;
                p += 8;
            }
            pos_ = lineStart;
            line_ += static_cast<long long>(lines);
            n -= lines;
        }
        for (; n > 0 && p < end_; ++p) {
            const char c = base[p];
            if (c != '\n' && c != '\r') continue;
            // A CR at the end of the buffer needs the next byte to tell CR LF.
            if (c == '\r' && p + 1 == end_ && !atFileEnd_) break;
            // An LF after a CR the eight-byte steps passed ends the line at that CR.
            if (p - crBeforeLf(p) - pos_ > maxLine_) throw FormatError();
            if (c == '\r' && p + 1 < end_ && base[p + 1] == '\n') ++p;
            pos_ = p + 1;
            ++line_;
            --n;
        }
        if (n == 0) return true;
        scanned = p - pos_;
        if (scanned > maxLine_) throw FormatError();
        if (!fill()) {
            if (pos_ + scanned < end_) continue;  // now at the file end: the CR ends the line
            if (pos_ == end_) return false;
            // The last line has no end.
            if (end_ - pos_ > maxLine_) throw FormatError();
            pos_ = end_;
            ++line_;
            --n;
            scanned = 0;
        }
    }
    return true;
}

std::string_view LineReader::nextOrEmpty() {
    std::string_view s;
    return next(s) ? s : std::string_view();
}

bool LineReader::eof() {
    if (pos_ < end_) return false;
    if (!atFileEnd_) {
        // One byte is looked at aside: the buffer, and so the last line read, stay as they are.
        char c;
        atFileEnd_ = readAt(start_ + end_, &c, 1) == 0;
    }
    return atFileEnd_;
}

}  // namespace brine
