#pragma once
#include <filesystem>
#include <string>

namespace brine {

// True when both names lead to one existing file, whatever their spelling
// (relative, "..", symbolic links).
bool SameFile(const std::string& a, const std::string& b);

// Follows symbolic links to the name of the file they end at (which need not
// exist yet); relative links count from the link's folder. IoError when the
// links go round in a loop or one cannot be read.
std::filesystem::path ResolveLinks(std::filesystem::path p);

// Absolute, normalised form of a file name, for showing where a file is; the
// name as given when that cannot be had.
std::string FullName(const std::string& fileName);

}  // namespace brine
