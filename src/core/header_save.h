#pragma once
// The hand-off of every producer (converter, importer) to the header dialog:
// the dialog shows the model's header for review, lets the user pick the
// output, asks the overwrite questions and writes the header.
#include <string>
#include <string_view>

#include "base/texts.h"
#include "core/current_file.h"

namespace brine {

class Prompter;


class HeaderSaveDialog {
public:
    virtual ~HeaderSaveDialog() = default;
    // The dialog proposes model.SaveFileName as the output name, when set.
    // Kind 0 begins an SDF output (CurrentFile::BeginSDFOutput), or rewrites
    // the header in place when the target is the SDF being read. True (the
    // dialog's OK) only when the header has been written for
    // model.SaveFileName; the producer then writes its bursts there with
    // WriteSDFBurst and ends with FinishSave.
    virtual bool ExecuteSave(int kind) = 0;
};

// When a run ends with another number of bursts written than the header
// declares (cancel, failure, a short input): rewrites the header of
// model.SaveFileName in place so that it declares `written` bursts; the
// records stay. A failed rewrite is told with failMessage and the file name,
// and gives false.
bool DeclareWrittenBursts(CurrentFile& m, int written, Prompter& prompter,
                          Tx failMessage = Tx::DataWriteFailed);

// Ends a producer's run: the output the header dialog began replaces its
// target, unless a write into it failed (that failure has been told; the
// target stays as it was) or it declares no burst (a run that ended before
// its first burst: the target stays as it was, and nothing more is said). A
// replace that fails is told with failMessage, the file name and the reason.
// True when the output stands complete under its name (or was written in
// place), or when the run left nothing to keep.
bool FinishSave(CurrentFile& m, Prompter& prompter, Tx failMessage = Tx::DataWriteFailed);

// Writes the one burst of a single-burst output and ends the run with
// FinishSave. A failed write is told with failMessage and the file name, and
// the output is dropped. True when the output stands complete.
bool WriteOnlyBurst(CurrentFile& m, Prompter& prompter, Tx failMessage = Tx::DataWriteFailed);

// Removes, on every way out of a producer, the output begun for it that it
// left unfinished (an exception on its way out), so that no temporary file
// outlives the run and the target stays as it was.
class OutputGuard {
public:
    explicit OutputGuard(CurrentFile& m) : m_(m) {}
    ~OutputGuard() { m_.FinishOutput(false); }
    OutputGuard(const OutputGuard&) = delete;
    OutputGuard& operator=(const OutputGuard&) = delete;

private:
    CurrentFile& m_;
};

// The program's one current file.
CurrentFile& AppModel();

}  // namespace brine
