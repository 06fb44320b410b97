#include "base/safe_write/file_identity.h"

#include <sys/stat.h>

#include <filesystem>

#include "base/errors.h"

namespace brine {

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

std::filesystem::path ResolveLinks(std::filesystem::path p) {
    constexpr int kMaxHops = 40;
    for (int hops = 0;; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(p, ec))) return p;
        if (hops == kMaxHops) throw IoError("シンボリックリンクをたどれません: " + p.string());
        std::filesystem::path next = std::filesystem::read_symlink(p, ec);
        if (ec) throw IoError("シンボリックリンクをたどれません: " + p.string() + " (" + ec.message() + ")");
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
}

std::string FullName(const std::string& fileName) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(fileName, ec);
    return ec ? fileName : p.lexically_normal().string();
}

}  // namespace brine
