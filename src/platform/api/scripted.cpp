#include "platform/api/scripted.h"

#include <stdexcept>

namespace brine {

MsgResult ScriptedPrompter::showBox(MsgType type, const std::string& text, MsgButtons buttons) {
    shown.push_back({type, text, buttons});
    if (buttons == MsgButtons::Ok) return MsgResult::Ok;
    if (buttons == MsgButtons::Yes) return MsgResult::Yes;  // nothing to choose
    if (answers.empty()) throw std::logic_error("unscripted question: " + text);
    MsgResult r = answers.front();
    answers.pop_front();
    return r;
}

bool ScriptedPrompter::showedText(const std::string& needle) const {
    for (const auto& s : shown)
        if (s.text.find(needle) != std::string::npos) return true;
    return false;
}

void ScriptedProgress::Start(const std::string& title, bool canCancel) {
    titles.push_back(title);
    comment.clear();
    percents.push_back(0);
    cancelled = false;
    cancellable = canCancel;
    visible = true;
}

void ScriptedProgress::SetPercent(int p) {
    percents.push_back(p);
    if (onPercent) onPercent(p);
    if (cancelAfter >= 0 && static_cast<int>(percents.size()) > cancelAfter && cancellable) {
        cancelled = true;
        visible = false;
    }
}

}  // namespace brine
