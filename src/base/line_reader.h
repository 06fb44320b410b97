#pragma once
// A buffered line reader that hands out views into its buffer (no copy per
// line).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/binary_file.h"

namespace brine {

// Lines end at LF, CR LF or a lone CR. The file is closed by the destructor.
class LineReader {
public:
    // Throws IoError naming the file when it cannot be opened (and, from
    // next(), when it cannot be read).
    explicit LineReader(const std::string& fileName);
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line without its end; false at the end of the file. The view
    // stays valid until the next call.
    bool next(std::string_view& line);
    // The next line, or an empty one at the end of the file.
    std::string_view nextOrEmpty();
    // True when no byte is left after the last line read.
    bool eof();
    // 1-based number of the last line read.
    long long lineNumber() const { return line_; }
    std::uint64_t fileSize() const { return size_; }
    // Bytes of the file up to the end of the last line read.
    std::uint64_t consumed() const { return read_ - (end_ - pos_); }

private:
    bool fill();
    std::string fileName_;  // for the messages
    BinaryFile f_;
    std::vector<char> buf_;
    std::size_t pos_ = 0, end_ = 0;
    bool atFileEnd_ = false;
    long long line_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t read_ = 0;  // bytes taken from the file so far
};

}  // namespace brine
