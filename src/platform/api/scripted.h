#pragma once
// Scripted doubles of the platform interfaces, for tests: they record what
// the program showed and answer from a queue.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        MsgType type;
        std::string text;
        MsgButtons buttons;
    };
    std::vector<Shown> shown;
    int beeps = 0;
    // Answers to questions (Yes/No, Yes/No/Cancel), taken in order. A question
    // with no answer left throws, so an unexpected question fails the test.
    std::deque<MsgResult> answers;

    MsgResult showBox(MsgType type, const std::string& text, MsgButtons buttons) override;
    void beep() override { ++beeps; }

    void answer(MsgResult r) { answers.push_back(r); }
    bool showedText(const std::string& needle) const;
    std::string lastText() const { return shown.empty() ? std::string() : shown.back().text; }
};

class ScriptedProgress : public ProgressSink {
public:
    std::vector<std::string> titles;
    std::vector<int> percents;
    std::string comment;
    bool visible = false;
    bool cancellable = true;
    bool cancelled = false;
    int hides = 0;
    // Sets the cancel flag once this many percentages have been reported.
    int cancelAfter = -1;
    std::function<void(int)> onPercent;

    void Start(const std::string& title, bool canCancel) override;
    void SetPercent(int p) override;
    void SetComment(const std::string& text) override { comment = text; }
    bool Cancelled() const override { return cancelled; }
    void Hide() override {
        visible = false;
        ++hides;
    }
};

}  // namespace brine
