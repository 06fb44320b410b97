#pragma once
// Points the model's message and progress services at a job's for the
// length of one operation, and puts the previous ones back on every way out.
#include "core/current_file.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

class ModelServices {
public:
    ModelServices(CurrentFile& m, Prompter& p, ProgressSink& s) : ModelServices(m, &p, &s) {}
    // A null service leaves the model's own in place.
    ModelServices(CurrentFile& m, Prompter* p, ProgressSink* s)
        : m_(m), prompter_(m.prompter), progress_(m.progress) {
        if (p) m.prompter = p;
        if (s) m.progress = s;
    }
    ~ModelServices() {
        m_.prompter = prompter_;
        m_.progress = progress_;
    }
    ModelServices(const ModelServices&) = delete;
    ModelServices& operator=(const ModelServices&) = delete;

private:
    CurrentFile& m_;
    Prompter* prompter_;
    ProgressSink* progress_;
};

}  // namespace brine
