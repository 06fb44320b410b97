#pragma once
// What every fuzz target shares: a fresh folder per input, the scripted
// services a menu command is given (prompter, progress, header dialog), a
// picture of the model to compare, and the checks that end the run with a
// report when they fail.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
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

// In a fuzz run the program writes outputs up to this size (and 64 bytes a
// byte of input) without asking about their size; the fuzz prompter answers
// Yes to the question for outputs up to kFuzzAcceptedBytes.
constexpr std::uint64_t kFuzzUnaskedBytes = 32u << 10;
constexpr std::uint64_t kFuzzAcceptedBytes = 300'000;
// The line by which the size question is known.
constexpr char kSizeQuestionLine[] = "サンプル数とバースト数に誤りがないか確認して下さい。";

// Answers every Yes/No(/Cancel) question with `answer` (those shown as a
// warning with `warningAnswer`) and every Yes/Ignore question with
// `ignoreAnswer`, and keeps the texts shown.
class FuzzPrompter : public Prompter {
public:
    explicit FuzzPrompter(MsgResult answer = MsgResult::Yes, MsgResult ignoreAnswer = MsgResult::Yes)
        : FuzzPrompter(answer, ignoreAnswer, answer) {}
    FuzzPrompter(MsgResult answer, MsgResult ignoreAnswer, MsgResult warningAnswer)
        : answer_(answer), ignoreAnswer_(ignoreAnswer), warningAnswer_(warningAnswer) {}
    MsgResult showBox(MsgType type, const std::string& text, MsgButtons buttons) override;
    void beep() override {}
    std::vector<std::string> shown;
    int questions = 0;
    // Questions about an output's size: answered Yes up to
    // kFuzzAcceptedBytes, as a user who takes a text of a few hundred
    // kilobytes and no more.
    int sizeQuestions = 0;

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

// The header dialog as the user who keeps the proposed name and presses OK,
// answering Yes to its overwrite questions: the header is rewritten in place
// when the name is the SDF being read, refused when it is any other file
// being read, else written to a fresh file. `edit`, when set, changes the
// header first, as the user may.
class ProposedNameSave : public HeaderSaveDialog {
public:
    explicit ProposedNameSave(CurrentFile& m) : m_(m) {}
    bool ExecuteSave(int kind) override;
    std::function<void(CurrentFile&)> edit;
    int calls = 0;
    std::vector<std::string> saved;  // the names written, in order

private:
    CurrentFile& m_;
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

// Choices a target reads from a part of its input, a byte or two at a time;
// 0 once the bytes run out, so a short part takes the first of each choice.
class Choices {
public:
    explicit Choices(std::string_view bytes) : bytes_(bytes) {}
    unsigned byte() { return at_ < bytes_.size() ? static_cast<unsigned char>(bytes_[at_++]) : 0u; }
    // 0..n-1 from two bytes; 0 when n < 1.
    int below(long long n) {
        // Two statements: the operands of | are evaluated in no fixed order.
        const unsigned lo = byte();
        const unsigned hi = byte();
        const unsigned v = lo | hi << 8;
        return n > 0 ? static_cast<int>(v % static_cast<unsigned long long>(n)) : 0;
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// What a time-series file declares, read from its bytes apart from the
// readers: the kind by its start, the counts of an SDF header or of TSD
// header lines. `known` is false for anything else.
struct SeriesShape {
    bool known = false;
    bool tsd = false;
    std::uint64_t size = 0;
    long long nch = 0, nch2 = 0, samples = 0, iterations = 0;
};
SeriesShape ShapeOf(const std::string& path);
// Bytes of an SDF's header blocks (the block of fields, then the channel
// table, 8 entries a block) for `channels` channels.
std::uint64_t SdfHeaderBytes(long long channels);

// Bytes of output, besides its header, that the data of one input justifies,
// by its channels. Text written from the counts of an SDF: for each burst
// the file holds, its "No." line, a line of every sample with a value of up
// to 25 characters and a separator for each interval channel, and the line
// of burst channels; sample lines without interval channels hold nothing of
// the file and are not counted (see SizeAllowance). Written from a TSD,
// whose every line (two bytes or more) becomes at most one line of its
// channels ("=" for a field it lacks, up to 25 characters for a field of
// one character): per byte of the file, as text 13 bytes and one a
// channel, as SDF counts two bytes a channel per line, so one a channel.
// Binary from binary (an SDF, ADDC or DRF file to SDF): the counts
// themselves.
std::uint64_t JustifiedBytes(const SeriesShape& input, bool outputTsd);
// What an output may hold beyond what its data justify: what the program
// writes without asking about the size, for inputs of `inputBytes`; once it
// has asked, what the prompter accepted.
std::uint64_t SizeAllowance(const FuzzPrompter& prompter, std::uint64_t inputBytes);
// The output, less its header (the SDF header blocks, or the 12 header lines
// of a TSD), is no larger than `justified`.
void ExpectOutputJustified(const std::string& path, std::uint64_t justified, const char* what);
// The TSD file reads: its header, its blocks (the first and last ones of a
// long file) and no block beyond those it declares.
void ExpectTsdReadsBack(const std::string& path, const char* what);

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
//   output-too-large              an output larger than its inputs' data justify
//   tsd-round-trip                a count written as TSD text reads back as another
[[noreturn]] void Fail(const char* check, const std::string& detail);

// The checks. `path` names the way a refused input took through the reader
// (such as "update"), when the target knows it.
void ExpectModelUnchanged(const ModelImage& before, const CurrentFile& m, const char* what,
                          const std::string& path = {});
void ExpectNoNewFiles(const Workspace& ws, const std::set<std::string>& before, const char* what);
void ExpectFileUnchanged(const Workspace& ws, const std::string& name, const std::vector<std::uint8_t>& before,
                         const char* what);
// The SDF file holds exactly the bursts its header declares, and each reads.
// A header rewritten in place keeps what lay behind the records: then the
// file holds at least its bursts.
void ExpectSdfReadsBack(const std::string& path, const char* what, bool exactSize = true);

// The files of a tool that writes one output from two inputs (merge,
// link): the first two parts of the fuzz input written as SDF or TSD (bits
// 0 and 1 of `how`), the output new or over a file that is not yet a time
// series (bits 2 and 3).
class TwoFileRun {
public:
    TwoFileRun(Workspace& ws, const std::vector<std::string>& parts, unsigned how);
    std::string names[2];
    std::string outputName;
    std::string output() const { return ws_.file(outputName); }
    bool tsd() const { return outputName.ends_with(".tsd"); }
    // Takes the inputs as they stand once added: old SDF files have been
    // updated in place, and they are the inputs from here on.
    void keepInputs();
    // After the run: the inputs unchanged and no temporary file left; a run
    // that did not write left the output as it was, one that wrote left an
    // output that reads back. True when the output was written.
    bool check(bool written, const char* what) const;

private:
    Workspace& ws_;
    std::set<std::string> filesBefore_;
    std::vector<std::vector<std::uint8_t>> inputs_;
    std::vector<std::uint8_t> outputBefore_;
};

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
    // The output, when one was written, holds exactly its declared bursts,
    // and no more than the input files justify (a count of every channel
    // per byte) unless the user agreed to a mostly empty time grid.
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
