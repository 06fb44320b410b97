#pragma once
// File-name text as the converters, menu commands and configuration use it.
#include <string>
#include <string_view>

namespace brine {

// The file name with its extension replaced by ext (".sdf"), or ext appended
// when it has none. A leading dot belongs to the name: ".c" becomes ".c.sdf",
// so no two dot files of a folder share one output name.
std::string WithExtension(const std::string& fileName, const std::string& ext);
// The folder of a file name without a trailing delimiter ("/" stays "/");
// empty when the name has no folder.
std::string ExtractFileDir(std::string_view name);
// The folder with one trailing delimiter.
std::string IncludeTrailingPathDelimiter(std::string_view dir);

}  // namespace brine
