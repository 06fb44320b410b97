#pragma once
// A small INI file: "[section]" lines and "key=value" lines. The whole file is
// held in memory; reads never fail (a missing key or a missing file gives
// the default), writes change the text and UpdateFile() replaces the file
// atomically. Sections and keys match without regard to ASCII case; lines
// that are neither are kept as they stand. Text is bytes (CP932 in this
// program); lines are written with CR LF.
#include <string>
#include <string_view>
#include <vector>

namespace brine {

class IniFile {
public:
    // Reads the file when it exists; IoError when it exists but cannot be
    // read, FormatError (naming the copies a replace cut short left beside
    // it) when it holds a NUL byte.
    explicit IniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    // The value with the blanks around it removed.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    // The default when the value is missing or not a whole number.
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    // A whole number other than 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;
    // Decimal point "."; the default when the value is missing or not a number.
    double ReadFloat(std::string_view section, std::string_view key, double def) const;

    // Adds the key (and its section) when missing. CR and LF in a value
    // become blanks, so a value never breaks the line structure.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);  // 1 or 0

    // Writes the text to the file; IoError on failure (the old file stays).
    void UpdateFile() const;
    std::string Text() const;

private:
    // Index of the section's "[...]" line, -1 when none.
    int findSection(std::string_view section) const;
    // Index of the key's line within the section at s, -1 when none.
    int findKey(int s, std::string_view key) const;
    // One past the last key line of the section at s.
    int sectionEnd(int s) const;
    const std::string* rawValue(std::string_view section, std::string_view key) const;

    std::string fileName_;
    std::vector<std::string> lines_;
};

}  // namespace brine
