#pragma once
// Pieces shared by the two halves of the link tool.
#include "base/file_identity.h"
#include "core/current_file.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

extern const char* const kOutOfToleranceMessage;  // "記録同時性許容範囲外です。..."

// Points the model's message and progress services at the link's for the
// length of one operation, and puts the previous ones back.
class LinkModelServices {
public:
    LinkModelServices(CurrentFile& m, Prompter* p, ProgressSink* s)
        : m_(m), prompter_(m.prompter), progress_(m.progress) {
        if (p) m.prompter = p;
        if (s) m.progress = s;
    }
    ~LinkModelServices() {
        m_.prompter = prompter_;
        m_.progress = progress_;
    }
    LinkModelServices(const LinkModelServices&) = delete;
    LinkModelServices& operator=(const LinkModelServices&) = delete;

private:
    CurrentFile& m_;
    Prompter* prompter_;
    ProgressSink* progress_;
};

}  // namespace brine
