#include "platform/api/prompter.h"

#include <stdexcept>

namespace brine {

void Prompter::show(MsgType type, const std::string& text, MsgButtons oneButton) {
    if (oneButton != MsgButtons::Ok && oneButton != MsgButtons::Yes)
        throw std::logic_error("a question goes through Prompter::ask: " + text);
    showBox(type, text, oneButton);
}

}  // namespace brine
