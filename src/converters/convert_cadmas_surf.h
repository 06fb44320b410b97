#pragma once
// Time-series output of the CADMAS-SURF wave model (".tran": numbered header
// lines naming the channels, then one line per time step) read into the model
// as one burst, and the menu command that converts such a file to SDF.
#include <string>

#include "core/current_file.h"
#include "core/header_save.h"
#include "platform/api/file_dialog.h"
#include "platform/api/prompter.h"

namespace brine {

// Fills the model with the file's one burst, one sample per time step, and
// proposes "trandata.sdf" beside the input as output. False, after a message,
// for a file that cannot be converted; the model is then left as it was.
bool ReadCadmasSurfFile(CurrentFile& m, const std::string& fileName, Prompter& prompter);

// The menu command: runs the open dialog as the caller set it up, converts
// the chosen file, hands it to the header dialog and writes the burst.
void ConvertCadmasSurf(CurrentFile& m, FileDialog& openDialog, FileChooser& chooser, HeaderSaveDialog& headerDialog,
                       Prompter& prompter);

}  // namespace brine
