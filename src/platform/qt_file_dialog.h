#pragma once
// Open and save dialogs shown with Qt.
#include <QStringList>

#include "platform/api/file_dialog.h"

namespace brine {

// Qt name filters for a "description|pattern;pattern" filter: one per entry,
// "description (patterns)". Each pattern comes with its lower- and upper-case
// spellings, so dialogs that match case-sensitively still list every file;
// "*.*" becomes "*", which also matches names without a dot.
QStringList QtNameFilters(const std::string& filter);

class QtFileChooser : public FileChooser {
public:
    bool Execute(FileDialogKind kind, FileDialogSettings& settings) override;
};

// The program's file chooser: a QtFileChooser unless a test replaced it.
FileChooser& AppFileChooser();
void SetAppFileChooser(FileChooser* chooser);  // nullptr restores the Qt one

}  // namespace brine
