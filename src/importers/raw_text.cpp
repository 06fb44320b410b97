#include "importers/raw_text.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>

#include "base/errors.h"

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

RawTextReader::RawTextReader(const std::string& fileName) : fileName_(fileName) {
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

bool RawTextReader::fill() {
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

bool RawTextReader::next(std::string_view& line) {
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

std::string_view RawTextReader::nextOrEmpty() {
    std::string_view s;
    return next(s) ? s : std::string_view();
}

bool RawTextReader::eof() {
    if (pos_ < end_) return false;
    if (atFileEnd_) return true;
    fill();
    return pos_ >= end_;
}

void SplitFieldViews(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t start = 0;
    for (;;) {
        std::size_t c = line.find(',', start);
        if (c == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return;
        }
        fields.push_back(line.substr(start, c - start));
        start = c + 1;
    }
}

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

namespace {
// Sign handling shared by both parsers; from_chars takes no '+'.
std::string_view numberBody(std::string_view text, bool& plus) {
    text = TrimView(text);
    plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    return text;
}
}  // namespace

std::optional<long long> ParseWhole(std::string_view text) {
    bool plus;
    std::string_view s = numberBody(text, plus);
    if (s.empty() || (plus && s.front() == '-')) return std::nullopt;
    long long v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<double> ParseDecimal(std::string_view text) {
    bool plus;
    std::string_view s = numberBody(text, plus);
    if (s.empty() || (plus && s.front() == '-')) return std::nullopt;
    std::size_t first = (s.front() == '-') ? 1 : 0;
    if (first >= s.size()) return std::nullopt;
    char c = s[first];
    if (!((c >= '0' && c <= '9') || c == '.')) return std::nullopt;  // no inf or nan
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace brine
