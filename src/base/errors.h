#pragma once
// Typed errors of the program. Every UI handler catches BrineError at its
// boundary and shows what() (UTF-8) in a message box.
#include <stdexcept>
#include <string>

namespace brine {

class BrineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value or index outside its allowed range (counts, channels, unit codes).
class RangeError : public BrineError {
public:
    explicit RangeError(const std::string& what = "値が範囲外です。") : BrineError(what) {}
};

// Text that should hold a number or date and does not.
class ConversionError : public BrineError {
public:
    using BrineError::BrineError;
};

// A file that is not of the expected format or is damaged.
class FormatError : public BrineError {
public:
    explicit FormatError(const std::string& what = "フォーマットが違います。") : BrineError(what) {}
};

// Opening, reading, writing, renaming or deleting a file failed.
class IoError : public BrineError {
public:
    using BrineError::BrineError;
};

}  // namespace brine
