#include "app/parameters_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "base/binary_file.h"
#include "base/errors.h"
#include "base/path_text.h"
#include "platform/api/prompter.h"
#include "base/cp932.h"
#include "base/number_text.h"
#include "base/safe_write/read_opening.h"
#include "base/safe_write/safe_replace.h"
#include "base/texts.h"

namespace brine {

std::optional<ParametersLines> ReadParametersFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec) return std::nullopt;
    // Three lines of names: a file much larger is not settings.
    constexpr std::uint64_t kMaxBytes = 1u << 20;
    std::string text;
    try {
        text = ReadWholeToRead(path, {Text(Tx::SettingsDamaged), kMaxBytes});
    } catch (const FormatError& e) {
        throw IoError(e.what());
    } catch (const IoError& e) {
        throw IoError(Text(Tx::SettingsUnreadable) + "\n" + e.what());
    }
    if (text.find('\0') != std::string::npos) throw IoError(Text(Tx::SettingsDamaged) + "\n" + path.string());

    std::string lines[3];
    std::size_t pos = 0;
    for (auto& line : lines) {
        if (pos >= text.size()) break;
        auto lf = text.find('\n', pos);
        std::size_t end = lf == std::string::npos ? text.size() : lf;
        line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = cp932ToUtf8(line);
        pos = end + 1;
    }
    return ParametersLines{lines[0], lines[1], lines[2]};
}

bool WriteParametersFile(const std::filesystem::path& path, const std::string& fileName, const std::string& folder,
                         std::uint16_t selectedLocation, Prompter* prompter) {
    try {
        std::string text = utf8ToCp932(fileName) + "\r\n" + utf8ToCp932(folder) + "\r\n" +
                           std::to_string(selectedLocation) + "\r\n";
        ReplaceFileContent(path, text);
        return true;
    } catch (const BrineError& e) {
        if (prompter) prompter->error("ファイルに書き込めません。\n" + path.string() + "\n" + e.what());
        return false;
    } catch (...) {
        return false;
    }
}

std::optional<std::uint16_t> ParseSelectedLocation(std::string_view line) {
    auto value = ParseInt(line);
    if (!value || *value < 0 || *value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

std::string ChooseConfigDir(const std::string& appDir) {
    QFileInfo dir(QString::fromStdString(appDir));
    if (!appDir.empty() && dir.isDir() && dir.isWritable()) return IncludeTrailingPathDelimiter(appDir);
    QString user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(user);
    return IncludeTrailingPathDelimiter(user.toStdString());
}

}  // namespace brine
