#include "base/path_text.h"

namespace brine {

std::string ChangeFileExt(std::string_view name, std::string_view ext) {
    auto cut = name.find_last_of("./");
    std::string out(name);
    if (cut != std::string_view::npos && name[cut] == '.') out.erase(cut);
    out += ext;
    return out;
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
