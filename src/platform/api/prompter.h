#pragma once
// Message boxes, behind an interface so file logic runs without a window.
// Texts are UTF-8.
#include <string>

namespace brine {

enum class MsgType { Warning, Error, Information, Confirmation };
// Yes is the default button (Enter answers it) except in YesNoDefaultNo, a
// question whose Yes does what the user is warned of.
enum class MsgButtons { Ok, YesNo, YesNoCancel, YesIgnore, Yes, YesNoDefaultNo };
enum class MsgResult { Ok, Yes, No, Cancel, Ignore };

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual MsgResult show(MsgType type, const std::string& text, MsgButtons buttons) = 0;
    virtual void beep() = 0;

    void error(const std::string& text) { show(MsgType::Error, text, MsgButtons::Ok); }
    void warning(const std::string& text) { show(MsgType::Warning, text, MsgButtons::Ok); }
    void information(const std::string& text) { show(MsgType::Information, text, MsgButtons::Ok); }
    // Confirmation with Yes and No; true for Yes.
    bool confirm(const std::string& text) {
        return show(MsgType::Confirmation, text, MsgButtons::YesNo) == MsgResult::Yes;
    }
};

}  // namespace brine
