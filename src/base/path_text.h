#pragma once
// File-name text as the menu commands and configuration use it.
#include <string>
#include <string_view>

namespace brine {

// Replaces the extension of the last path component (or appends one).
std::string ChangeFileExt(std::string_view name, std::string_view ext);
// The folder of a file name without a trailing delimiter ("/" stays "/");
// empty when the name has no folder.
std::string ExtractFileDir(std::string_view name);
// The folder with one trailing delimiter.
std::string IncludeTrailingPathDelimiter(std::string_view dir);

}  // namespace brine
