#pragma once
#include <string>

namespace brine {

// True when both names lead to one existing file, whatever their spelling
// (relative, "..", symbolic links).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace brine
