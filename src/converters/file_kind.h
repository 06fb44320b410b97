#pragma once
// Recognises an input file by the text at its start, not by its extension.
#include <cstdint>
#include <string>
#include <string_view>

namespace brine {

// The values are the main window's InputFileKind codes.
enum class InputFileKind : std::uint8_t { SDF = 0, TSD = 1, ADDC = 2, DRF = 3, Unknown = 5 };

// Bytes examined at the start of a file.
constexpr std::size_t kSniffBytes = 50;

// Kind of a file whose first bytes are `head` (taken up to the first NUL).
// Fewer than 50 bytes means a file too short for any of the kinds: unknown.
InputFileKind KindOfHead(std::string_view head);
// Reads the first 50 bytes of the file (read-only). IoError when it cannot
// be opened.
InputFileKind SniffFileKind(const std::string& fileName);

}  // namespace brine
