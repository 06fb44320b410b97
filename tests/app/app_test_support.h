#pragma once
// Helpers of the main-window tests: a file chooser answered from a script,
// the scripted user installed for a test, and the showing of the main window.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "app/main_window.h"
#include "platform/api/file_dialog.h"
#include "platform/api/scripted.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "converters/crafted_sdf.h"
#include "core/current_file.h"

namespace brine::test {

class RecordingChooser : public FileChooser {
public:
    // The dialog as each run saw it.
    std::vector<FileDialogSettings> runs;
    // Files chosen by each run, in order; an empty list or no entry cancels.
    std::deque<std::vector<std::string>> choices;

    bool Execute(FileDialogKind, FileDialogSettings& dialog) override {
        runs.push_back(dialog);
        if (choices.empty()) return false;
        auto files = choices.front();
        choices.pop_front();
        if (files.empty()) return false;
        dialog.Files = files;
        dialog.FileName = files.front();
        return true;
    }
};

// Shows the main window and lets its first showing's start-up run (it waits
// for the window's first paint).
inline void ShowMainWindow(TForm1& form) {
    form.show();
    QElapsedTimer waited;
    waited.start();
    while (!form.FormShown() && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The user of a test: files chosen and message boxes answered from a script;
// they and any modal hook are removed when the test ends.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppFileChooser(&chooser);
        SetAppPrompter(&prompter);
    }
    void TearDown() override {
        SetModalHook({});
        SetAppPrompter(nullptr);
        SetAppFileChooser(nullptr);
    }
    RecordingChooser chooser;
    ScriptedPrompter prompter;
};

}  // namespace brine::test
