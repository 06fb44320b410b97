#include "base/file_identity.h"

#include <filesystem>

namespace brine {

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

std::string FullName(const std::string& fileName) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(fileName, ec);
    return ec ? fileName : p.lexically_normal().string();
}

}  // namespace brine
