#pragma once
// What every fuzz target shares: a fresh folder per input, the scripted
// services a menu command is given (prompter, progress, header dialog), a
// picture of the model to compare, and the checks that end the run with a
// report when they fail.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine::fuzz {

// The input as text, and split into parts at lines that hold only "%%%%"
// (for readers that take several files). Missing parts are empty.
std::string_view AsText(const std::uint8_t* data, std::size_t size);
std::vector<std::string> SplitParts(std::string_view text, std::size_t parts);

// A folder of the process's own, emptied for every input.
class Workspace {
public:
    Workspace();
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    std::string file(const std::string& name) const;
    std::string write(const std::string& name, std::string_view bytes) const;
    // Names in the folder, sorted.
    std::set<std::string> files() const;
    std::vector<std::uint8_t> read(const std::string& name) const;

private:
    std::string dir_;
};

// Answers every Yes/No(/Cancel) question with `answer` (those shown as a
// warning with `warningAnswer`) and every Yes/Ignore question with
// `ignoreAnswer`, and keeps the texts shown.
class FuzzPrompter : public Prompter {
public:
    explicit FuzzPrompter(MsgResult answer = MsgResult::Yes, MsgResult ignoreAnswer = MsgResult::Yes)
        : FuzzPrompter(answer, ignoreAnswer, answer) {}
    FuzzPrompter(MsgResult answer, MsgResult ignoreAnswer, MsgResult warningAnswer)
        : answer_(answer), ignoreAnswer_(ignoreAnswer), warningAnswer_(warningAnswer) {}
    MsgResult show(MsgType type, const std::string& text, MsgButtons buttons) override;
    void beep() override {}
    std::vector<std::string> shown;
    int questions = 0;

private:
    MsgResult answer_;
    MsgResult ignoreAnswer_;
    MsgResult warningAnswer_;
};

// A progress window nobody cancels.
class FuzzProgress : public NullProgress {};

// The header dialog as the user who presses OK: writes a fresh SDF header to
// the target it was given.
class FuzzHeaderSave : public HeaderSaveDialog {
public:
    FuzzHeaderSave(CurrentFile& m, std::string target) : m_(m), target_(std::move(target)) {}
    bool ExecuteSave(int kind) override;
    int calls = 0;

private:
    CurrentFile& m_;
    std::string target_;
};

// Gives the model the state a previous file left, so that a reader that
// touches it is seen.
void FillPreviousFile(CurrentFile& m, const std::string& fileName);

// Everything the model holds, for comparison.
struct ModelImage {
    explicit ModelImage(const CurrentFile& m);
    // Empty when equal, else the first field that differs.
    std::string differenceTo(const ModelImage& o) const;

    std::string text;  // header, names and table as one comparable text
    std::vector<std::vector<std::int16_t>> data;
    std::vector<std::int16_t> burstData;
    const void* prompter;
    const void* progress;
};

// Ends the run with a report naming the check that failed:
//   refused-changed-model         a refused input changed the model
//   refused-created-file          a refused input left a file behind
//   refused-changed-input         a refused input file was changed
//   refused-reported-done         refused before the header dialog, yet done
//   declined-update-read          an old SDF read although the update was declined
//   output-bursts                 an output does not hold exactly its declared bursts
//   output-unreadable             an output's header is refused by the reader
//   temporary-file-left           a completed job left its temporary file
//   stream-round-trip             a series written back does not read the same
//   settings-round-trip           a settings file written back does not read the same
//   foreign-exception             an exception other than the program's own escaped
[[noreturn]] void Fail(const char* check, const std::string& detail);

// The checks. `path` names the way a refused input took through the reader
// (such as "update"), when the target knows it.
void ExpectModelUnchanged(const ModelImage& before, const CurrentFile& m, const char* what,
                          const std::string& path = {});
void ExpectNoNewFiles(const Workspace& ws, const std::set<std::string>& before, const char* what);
void ExpectFileUnchanged(const Workspace& ws, const std::string& name, const std::vector<std::uint8_t>& before,
                         const char* what);
// The SDF file holds exactly the bursts its header declares, and each reads.
void ExpectSdfReadsBack(const std::string& path, const char* what);

// One converter command on the input files already written to `ws`: the
// files present before it, a model left as a previous file left it (and its
// image), scripted answers, a progress window and the header-dialog double
// writing "out.sdf".
struct ConverterRun {
    explicit ConverterRun(Workspace& ws, MsgResult answer = MsgResult::Yes, MsgResult ignoreAnswer = MsgResult::Yes)
        : ConverterRun(ws, answer, ignoreAnswer, answer) {}
    ConverterRun(Workspace& ws, MsgResult answer, MsgResult ignoreAnswer, MsgResult warningAnswer);

    // A refused input left the model as it was and created no file.
    void ExpectRefused(const char* what) const;
    // The output, when one was written, holds exactly its declared bursts.
    void ExpectOutputReadsBack(const char* what) const;

    const Workspace& ws;
    const std::set<std::string> filesBefore;
    CurrentFile m;
    FuzzPrompter prompter;
    FuzzProgress progress;
    FuzzHeaderSave dialog;
    const ModelImage before;
};

// Runs a command's body: true when it ran through, false when it raised one
// of the program's own errors (as the menu's handler would show it); any
// other exception fails the run.
template <typename F>
bool RunCommand(F&& body, const char* what) {
    try {
        body();
        return true;
    } catch (const BrineError&) {
        return false;
    } catch (const std::bad_alloc&) {
        Fail("foreign-exception", std::string(what) + ": std::bad_alloc");
    } catch (const std::exception& e) {
        Fail("foreign-exception", std::string(what) + ": " + e.what());
    } catch (...) {
        Fail("foreign-exception", std::string(what) + ": unknown exception");
    }
    return false;
}

// Reads the bursts of the model's file as a tool does; beyond the first
// thousand only the last one, which is where a short file shows.
void ReadBurstsAsATool(CurrentFile& m, const char* what);

// The one QApplication some readers need (offscreen), made on first use.
void EnsureQtApplication();

}  // namespace brine::fuzz

// The entry point every target defines.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
