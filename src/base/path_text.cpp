#include "base/path_text.h"

#include <filesystem>

namespace brine {

std::string WithExtension(const std::string& fileName, const std::string& ext) {
    return std::filesystem::path(fileName).replace_extension(ext).string();
}

std::string ExtractFileDir(std::string_view name) {
    auto slash = name.rfind('/');
    if (slash == std::string_view::npos) return {};
    if (slash == 0) return "/";
    return std::string(name.substr(0, slash));
}

std::string IncludeTrailingPathDelimiter(std::string_view dir) {
    std::string out(dir);
    if (out.empty() || out.back() != '/') out += '/';
    return out;
}

}  // namespace brine
