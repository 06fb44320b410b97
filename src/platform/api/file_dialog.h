#pragma once
// Open and save dialogs behind an interface. A FileDialog keeps its settings
// from one run to the next, like a dialog component placed on a form; running
// it goes through a FileChooser (Qt in the program, scripted in tests).
// File names are UTF-8.
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brine {

enum class FileDialogKind { Open, Save };

struct FileDialogSettings {
    std::string FileName;            // the chosen (or proposed) file
    std::vector<std::string> Files;  // every chosen file (multiple selection)
    // "description|pattern;pattern|description|pattern..."
    std::string Filter;
    int FilterIndex = 1;     // 1-based index of the filter in use
    std::string DefaultExt;  // without the dot; appended to a name that has no extension
    std::string InitialDir;
    bool MultiSelect = false;
    std::string Title;
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Runs the dialog. On OK fills FileName, Files and FilterIndex and
    // returns true; on cancel returns false and leaves the settings alone.
    virtual bool Execute(FileDialogKind kind, FileDialogSettings& settings) = 0;
};

class FileDialog : public FileDialogSettings {
public:
    explicit FileDialog(FileDialogKind kind) : Kind(kind) {}
    bool Execute(FileChooser& chooser) { return chooser.Execute(Kind, *this); }
    FileDialogKind Kind;
};

// One entry of a filter: its description and its patterns.
struct FileFilterEntry {
    std::string description;
    std::vector<std::string> patterns;
};

// Splits "description|pattern;pattern|..." into entries. A trailing
// description without patterns gets none.
std::vector<FileFilterEntry> ParseFileFilter(std::string_view filter);

// The name with "." + ext appended when it has no extension (ext empty: unchanged).
std::string WithDefaultExtension(const std::string& fileName, const std::string& ext);
// The name with its extension replaced by "." + ext (appended when it has none).
std::string WithExtensionReplaced(const std::string& fileName, const std::string& ext);

// Answers file dialogs from a queue, for tests, and records what it was asked.
class ScriptedFileChooser : public FileChooser {
public:
    struct Asked {
        FileDialogKind kind;
        FileDialogSettings settings;  // as they stood when the dialog opened
    };
    std::vector<Asked> asked;
    // Each answer is the list of chosen files, or nothing for Cancel. A run
    // with no answer left throws, so an unexpected dialog fails the test.
    std::deque<std::optional<std::vector<std::string>>> answers;

    void choose(std::string file) { answers.push_back(std::vector<std::string>{std::move(file)}); }
    void chooseMany(std::vector<std::string> files) { answers.push_back(std::move(files)); }
    void cancel() { answers.push_back(std::nullopt); }

    bool Execute(FileDialogKind kind, FileDialogSettings& settings) override;
};

}  // namespace brine
