#include "platform/api/file_dialog.h"

#include <filesystem>
#include <stdexcept>

namespace brine {
namespace {

std::string trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return std::string(s);
}

}  // namespace

std::vector<FileFilterEntry> ParseFileFilter(std::string_view filter) {
    std::vector<std::string_view> parts;
    while (true) {
        std::size_t bar = filter.find('|');
        parts.push_back(filter.substr(0, bar));
        if (bar == std::string_view::npos) break;
        filter.remove_prefix(bar + 1);
    }
    std::vector<FileFilterEntry> out;
    if (parts.size() == 1 && parts[0].empty()) return out;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        FileFilterEntry e;
        e.description = std::string(parts[i]);
        if (i + 1 < parts.size()) {
            std::string_view pats = parts[i + 1];
            while (true) {
                std::size_t semi = pats.find(';');
                std::string one = trimmed(pats.substr(0, semi));
                if (!one.empty()) e.patterns.push_back(one);
                if (semi == std::string_view::npos) break;
                pats.remove_prefix(semi + 1);
            }
        }
        out.push_back(std::move(e));
    }
    return out;
}

std::string WithDefaultExtension(const std::string& fileName, const std::string& ext) {
    if (ext.empty() || fileName.empty()) return fileName;
    if (std::filesystem::path(fileName).has_extension()) return fileName;
    return fileName + "." + ext;
}

std::string WithExtensionReplaced(const std::string& fileName, const std::string& ext) {
    if (fileName.empty()) return fileName;
    std::filesystem::path p(fileName);
    p.replace_extension(ext.empty() ? std::string() : "." + ext);
    return p.string();
}

bool ScriptedFileChooser::Execute(FileDialogKind kind, FileDialogSettings& settings) {
    asked.push_back({kind, settings});
    if (answers.empty()) throw std::logic_error("unscripted file dialog");
    std::optional<std::vector<std::string>> a = std::move(answers.front());
    answers.pop_front();
    if (!a || a->empty()) return false;
    settings.Files.clear();
    for (const std::string& f : *a)
        settings.Files.push_back(kind == FileDialogKind::Save ? WithDefaultExtension(f, settings.DefaultExt) : f);
    if (!settings.MultiSelect) settings.Files.resize(1);
    settings.FileName = settings.Files.front();
    return true;
}

}  // namespace brine
