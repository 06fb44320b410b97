#pragma once
// "Parameters.dat": the last opened file, its folder and the selected site,
// three CP932 lines ended by CR LF.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brine {

class Prompter;

// Its name in the settings folder, by which the next start finds it.
inline const std::string kParametersFileName = "Parameters.dat";

// The lines as read (UTF-8); missing lines are empty.
struct ParametersLines {
    std::string fileName;
    std::string folder;
    std::string location;
};

// nullopt when the file does not exist. IoError, naming the file and the
// copies a replace cut short left beside it, when it exists but cannot be
// read or is damaged: a NUL byte, never part of its text.
std::optional<ParametersLines> ReadParametersFile(const std::filesystem::path& path);
// Replaces the file in one step; false when it could not be written, which
// is told through the prompter when one is given.
bool WriteParametersFile(const std::filesystem::path& path, const std::string& fileName, const std::string& folder,
                         std::uint16_t selectedLocation, Prompter* prompter = nullptr);
// The site index of line 3; nullopt when empty, not a number or outside 0..65535.
std::optional<std::uint16_t> ParseSelectedLocation(std::string_view line);

// Where the configuration files live: the program folder when it is writable,
// otherwise the user's configuration folder. With a trailing delimiter.
std::string ChooseConfigDir(const std::string& appDir);

}  // namespace brine
