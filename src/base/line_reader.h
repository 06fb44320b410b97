#pragma once
// The one line reader of the program's text files: a buffered reader that
// hands out views into its buffer (no copy per line) and knows the byte
// offset of the next line, so that a place can be found again without
// counting lines.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/binary_file.h"

namespace brine {

// Lines end at LF, CR LF or a lone CR.
class LineReader {
public:
    // Bytes read at a time once past the first read.
    static constexpr std::size_t kChunk = 1u << 16;

    // Opens the file itself and closes it in the destructor. Throws IoError
    // naming the file when it cannot be opened (and, from next(), when it
    // cannot be read).
    explicit LineReader(const std::string& fileName);
    // Reads a file opened elsewhere, from its start or from seek(). The file
    // is positioned before each read, so others may read it between calls;
    // its own IoError passes through. `chunk` is the size of the reads.
    explicit LineReader(BinaryFile& file, std::size_t chunk = kChunk);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line without its end; false at the end of the file. The view
    // stays valid until the next call.
    bool next(std::string_view& line);
    // The next line, or an empty one at the end of the file.
    std::string_view nextOrEmpty();
    bool skip() {
        std::string_view ignored;
        return next(ignored);
    }
    // Skips n lines as n calls of skip() would, without handing any out:
    // false when the file ends first.
    bool skipLines(std::uint64_t n);
    // True when no byte is left after the last line read, whose view stays valid.
    bool eof();
    // 1-based number of the last line read since the start or the last seek.
    long long lineNumber() const { return line_; }
    std::uint64_t fileSize() const { return size_; }
    // Byte offset of the next line: the bytes up to the end of the last line read.
    std::uint64_t offset() const { return start_ + pos_; }

    // Goes on from byte `off`, reading `expected` bytes at once when the
    // length of what follows is known or can be guessed.
    void seek(std::uint64_t off, std::size_t expected = 0);
    // A line longer than this throws FormatError (a damaged or foreign file)
    // instead of growing the buffer without bound.
    void limitLineBytes(std::size_t bytes) { maxLine_ = bytes; }

private:
    bool fill();
    std::size_t readAt(std::uint64_t off, char* to, std::size_t n);

    std::string fileName_;  // for the messages of a file opened here
    std::optional<BinaryFile> own_;
    BinaryFile& file_;
    std::vector<char> buf_;
    std::uint64_t start_ = 0;     // file offset of buf_[0]
    std::size_t pos_ = 0, end_ = 0;  // next unread byte; end of the bytes read
    std::size_t chunk_, first_;   // size of the reads; of the first after a seek
    int reads_ = 0;               // reads since the start or the last seek
    bool atFileEnd_ = false;
    long long line_ = 0;
    std::uint64_t size_ = 0;
    std::size_t maxLine_ = std::numeric_limits<std::size_t>::max();
};

}  // namespace brine
