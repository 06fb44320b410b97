#pragma once
// The state of the main window's shared open and save dialogs, kept from one
// command to the next, and the chooser that runs them. Tests replace the
// chooser.
#include <string>
#include <vector>

class QWidget;

namespace brine {

struct FileDialogSettings {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    // "Text|patterns|Text|patterns", patterns separated by ";".
    std::string Filter;
    int FilterIndex = 1;  // 1-based
    std::string FileName;    // the first chosen file
    std::string InitialDir;
    std::string DefaultExt;  // without the dot
    bool MultiSelect = false;
    bool HideReadOnly = true;
    std::vector<std::string> Files;  // every chosen file, in the dialog's order

    // Runs the dialog through the program's chooser; true when the user chose.
    // On success FileName, Files and FilterIndex hold the choice; on cancel
    // nothing changes.
    bool Execute(QWidget* parent = nullptr);
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual bool run(FileDialogSettings& dialog, QWidget* parent) = 0;
};

// The chooser Execute uses: a Qt file dialog unless a test replaced it.
FileChooser& AppFileChooser();
void SetFileChooser(FileChooser* chooser);  // nullptr restores the Qt one

// One Qt name filter per "Text|patterns" pair: "Text (p1 p2)".
std::vector<std::string> QtNameFilters(const std::string& filter);

}  // namespace brine
