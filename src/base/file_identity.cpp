#include "base/file_identity.h"

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

FilePlace PlaceOf(const std::string& name) {
    namespace fs = std::filesystem;
    FilePlace place;
    struct stat st {};
    if (!name.empty() && ::stat(name.c_str(), &st) == 0) {
        place.exists = true;
        place.device = static_cast<std::uint64_t>(st.st_dev);
        place.inode = static_cast<std::uint64_t>(st.st_ino);
        return place;
    }
    // A link to a file still to be made leads to where that file will be.
    std::error_code ec;
    fs::path p = fs::absolute(name, ec);
    if (ec) p = name;
    try {
        p = ResolveLinks(p);
    } catch (const IoError&) {
        // Links that lead nowhere: the place is the name itself.
    }
    const fs::path resolved = fs::weakly_canonical(p, ec);
    place.path = (ec ? p.lexically_normal() : resolved).string();
    return place;
}

std::string FullName(const std::string& fileName) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(fileName, ec);
    return ec ? fileName : p.lexically_normal().string();
}

}  // namespace brine
