#include "base/ini_file.h"

#include <filesystem>
#include <optional>

#include "base/binary_file.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/safe_write/read_opening.h"
#include "base/safe_write/safe_replace.h"

namespace brine {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The name of a "[name]" line, or false.
bool sectionName(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.size() < 2 || line.front() != '[') return false;
    std::size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = trim(line.substr(1, close - 1));
    return true;
}

// Key and value of a "key=value" line, or false.
bool keyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return false;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

std::string oneLine(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

}  // namespace

IniFile::IniFile(std::string fileName) : fileName_(std::move(fileName)) {
    std::error_code ec;
    if (!std::filesystem::exists(fileName_, ec)) return;
    // A file far larger than any settings of the program is no such file.
    constexpr std::uint64_t kMaxBytes = 16u << 20;
    std::string all;
    try {
        all = ReadWholeToRead(fileName_, {"ファイルが壊れています。", kMaxBytes});
    } catch (const IoError&) {
        throw IoError("ファイルを読み込めません。\n" + fileName_);
    }
    // A NUL is never text: damage.
    if (all.find('\0') != std::string::npos) throw FormatError("ファイルが壊れています。\n" + fileName_);
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines_.push_back(all.substr(start));
            break;
        }
        lines_.push_back(all.substr(start, end - start));
        start = end + 1;
        if (all[end] == '\r' && start < all.size() && all[start] == '\n') ++start;
    }
}

int IniFile::findSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string_view name;
        if (sectionName(lines_[i], name) && sameName(name, trim(section))) return static_cast<int>(i);
    }
    return -1;
}

int IniFile::sectionEnd(int s) const {
    int last = s;
    for (int i = s + 1; i < static_cast<int>(lines_.size()); ++i) {
        std::string_view name;
        if (sectionName(lines_[static_cast<std::size_t>(i)], name)) break;
        if (!trim(lines_[static_cast<std::size_t>(i)]).empty()) last = i;
    }
    return last + 1;
}

int IniFile::findKey(int s, std::string_view key) const {
    for (int i = s + 1; i < static_cast<int>(lines_.size()); ++i) {
        std::string_view name, k, v;
        if (sectionName(lines_[static_cast<std::size_t>(i)], name)) break;
        if (keyValue(lines_[static_cast<std::size_t>(i)], k, v) && sameName(k, trim(key))) return i;
    }
    return -1;
}

const std::string* IniFile::rawValue(std::string_view section, std::string_view key) const {
    int s = findSection(section);
    if (s < 0) return nullptr;
    int k = findKey(s, key);
    return k < 0 ? nullptr : &lines_[static_cast<std::size_t>(k)];
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    const std::string* line = rawValue(section, key);
    if (!line) return std::string(def);
    std::string_view k, v;
    keyValue(*line, k, v);
    return std::string(v);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
    const std::string* line = rawValue(section, key);
    if (!line) return def;
    std::optional<int> v = ParseInt(ReadString(section, key, ""));
    return v ? *v : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double def) const {
    if (!rawValue(section, key)) return def;
    std::optional<double> v = ParseNumber(ReadString(section, key, ""));
    return v ? *v : def;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = oneLine(trim(key)) + "=" + oneLine(value);
    int s = findSection(section);
    if (s < 0) {
        lines_.push_back("[" + oneLine(trim(section)) + "]");
        lines_.push_back(std::move(line));
        return;
    }
    int k = findKey(s, key);
    if (k >= 0) {
        lines_[static_cast<std::size_t>(k)] = std::move(line);
        return;
    }
    lines_.insert(lines_.begin() + sectionEnd(s), std::move(line));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

std::string IniFile::Text() const {
    std::string out;
    for (const std::string& l : lines_) {
        out += l;
        out += "\r\n";
    }
    return out;
}

void IniFile::UpdateFile() const {
    const std::string text = Text();
    SafeReplace replace(fileName_);
    try {
        BinaryFile out(replace.tempPath(), OpenMode::Update);
        out.writeAll(text.data(), text.size());
        out.close();
    } catch (const IoError&) {
        throw IoError("ファイルに書き込めません。\n" + fileName_);
    }
    replace.commit();
}

}  // namespace brine
