#pragma once
#include <string>

namespace brine {

// True when both names lead to one existing file, whatever their spelling
// (relative, "..", symbolic links).
bool SameFile(const std::string& a, const std::string& b);

// Absolute, normalised form of a file name, for showing where a file is; the
// name as given when that cannot be had.
std::string FullName(const std::string& fileName);

}  // namespace brine
