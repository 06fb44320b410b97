#pragma once
// Message boxes shown with Qt, captioned with the application title.
#include <string>

#include "platform/api/prompter.h"

class QWidget;

namespace brine {

class QtPrompter : public Prompter {
public:
    void beep() override;

protected:
    MsgResult showBox(MsgType type, const std::string& text, MsgButtons buttons) override;
};

// The program's title, shown where a window has no caption of its own. Kept
// apart from Qt's display name, which Qt would append to every window caption.
void SetApplicationTitle(const std::string& title);
const std::string& ApplicationTitle();

// The program's prompter: a QtPrompter unless a test replaced it.
Prompter& AppPrompter();
void SetAppPrompter(Prompter* p);  // nullptr restores the Qt one

}  // namespace brine
