#pragma once
// The loops of the main window's menu commands that go beyond handing a file
// name to a dialog: the extraction loop, the single-burst save and the
// comma-data hand-off. No Qt here.
#include <functional>
#include <string>
#include <vector>

#include "core/current_file.h"
#include "core/header_save.h"
#include "platform/api/file_dialog.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

// Modal result of the extraction dialog that ends the loop.
inline constexpr int kExtractCancelled = 2;

// Runs the extraction dialog once per file, in order. The skip button shows
// only while more files follow; a cancelled dialog, or stop(), ends the loop.
// Returns how many files the dialog was run for.
int RunExtractionLoop(const std::vector<std::string>& files, const std::function<void(bool)>& setSkipVisible,
                      const std::function<int(const std::string&)>& extract,
                      const std::function<bool()>& stop = nullptr);

// After a reader has filled the model with one burst: the header dialog, then
// burst 0, then the success message. A failed write is reported.
void SaveSingleBurst(HeaderSaveDialog& headerDialog, CurrentFile& model, Prompter& prompter);

// The reader of a single-burst command run over every chosen file; a reader
// that fails skips its file.
void RunSingleBurstCommand(const std::vector<std::string>& files, const std::function<bool(const std::string&)>& reader,
                           HeaderSaveDialog& headerDialog, CurrentFile& model, Prompter& prompter,
                           const std::function<bool()>& stop = nullptr);

// What the hand-off needs of the comma-data importer and the header dialog.
struct CommaDataSteps {
    std::function<bool(const std::string&)> openFile;          // the importer; true when it imported
    std::function<bool()> burstMode;                           // its burst check box
    std::function<std::string()> tempFileName;                 // its temporary SDF in burst mode
    std::function<void(const std::string&)> proposeOutputName;  // the header dialog's file field
};

// For each chosen file: import, confirm the header, then copy the importer's
// temporary SDF burst by burst into the output (burst mode) or write the one
// burst in the model (interval mode). A failed copy stops the command with a
// message and keeps the temporary file; otherwise the temporary file is
// removed, also when the header dialog is cancelled. False when stopped by a
// failure.
bool RunCommaDataHandOff(const std::vector<std::string>& files, const CommaDataSteps& steps,
                         HeaderSaveDialog& headerDialog, CurrentFile& model, ProgressSink& progress,
                         Prompter& prompter, FileDialogSettings& openDialog, const std::function<bool()>& stop = nullptr);

}  // namespace brine
