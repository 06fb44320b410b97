#pragma once
// Message boxes, behind an interface so file logic runs without a window.
// Texts are UTF-8. A question comes from the program's table of texts
// (base/texts.h), so the help can quote every question as it is asked.
#include <string>

#include "base/texts.h"

namespace brine {

enum class MsgType { Warning, Error, Information, Confirmation };
// Yes is the default button (Enter answers it) except in YesNoDefaultNo, a
// question whose Yes does what the user is warned of.
enum class MsgButtons { Ok, YesNo, YesNoCancel, YesIgnore, Yes, YesNoDefaultNo };
enum class MsgResult { Ok, Yes, No, Cancel, Ignore };

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual void beep() = 0;

    // A message, with one button: OK, or Yes where the message has that.
    // std::logic_error for buttons that ask: a question goes through ask().
    void show(MsgType type, const std::string& text, MsgButtons oneButton = MsgButtons::Ok);
    void error(const std::string& text) { show(MsgType::Error, text); }
    void warning(const std::string& text) { show(MsgType::Warning, text); }
    void information(const std::string& text) { show(MsgType::Information, text); }

    // A question of the table, with the buttons it is asked with.
    MsgResult ask(MsgType type, const Question& question, MsgButtons buttons) {
        return showBox(type, question.text(), buttons);
    }
    // Confirmation with Yes and No; true for Yes.
    bool confirm(const Question& question) {
        return ask(MsgType::Confirmation, question, MsgButtons::YesNo) == MsgResult::Yes;
    }

protected:
    // The box itself, whatever it says.
    virtual MsgResult showBox(MsgType type, const std::string& text, MsgButtons buttons) = 0;
    // For a prompter that passes its boxes on to another.
    static MsgResult forward(Prompter& to, MsgType type, const std::string& text, MsgButtons buttons) {
        return to.showBox(type, text, buttons);
    }
};

}  // namespace brine
