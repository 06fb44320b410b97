#pragma once
// The hand-off of every producer (converter, importer) to the header dialog:
// the dialog shows the model's header for review, lets the user pick the
// output, asks the overwrite questions and writes the header.
#include <string>

#include "core/current_file.h"

namespace brine {

class HeaderSaveDialog {
public:
    virtual ~HeaderSaveDialog() = default;
    // The dialog proposes model.SaveFileName as the output name, when set.
    // Kind 0 writes an SDF header. True (the dialog's OK) only when the header
    // has been written to model.SaveFileName; the producer then writes its
    // bursts there with WriteSDFBurst.
    virtual bool ExecuteSave(int kind) = 0;
};

// For tests and batch use: accepts at once, writing a fresh SDF header to a
// fixed target.
class DirectHeaderSave : public HeaderSaveDialog {
public:
    DirectHeaderSave(CurrentFile& model, std::string target) : model_(model), target_(std::move(target)) {}
    bool ExecuteSave(int) override {
        ++calls;
        if (refuse) return false;
        model_.SaveFileName = target_;
        return model_.CreateSDFFile(target_);
    }
    int calls = 0;
    bool refuse = false;  // answer as if the user pressed Cancel

private:
    CurrentFile& model_;
    std::string target_;
};

// The program's one current file.
CurrentFile& AppModel();

}  // namespace brine
