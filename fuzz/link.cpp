// Link as its dialog does it: two files added in order of their start
// times, "保存" with the burst interval as shown (the questions answered as
// the choices say), then the output to a new SDF or TSD or over an existing
// file. The input holds the two files separated by a line of "%%%%", then
// after another the choices: each file's kind, the output and the answer
// to every question.
#include <algorithm>

#include "tools/link_set.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::vector<std::string> parts = SplitParts(AsText(data, size), 3);
    Choices choose(parts[2]);
    const unsigned how = choose.byte();
    const std::string names[] = {how & 1 ? "one.tsd" : "one.sdf", how & 2 ? "two.tsd" : "two.sdf"};
    for (int i = 0; i < 2; ++i) ws.write(names[i], parts[static_cast<std::size_t>(i)]);
    const char* outputs[] = {"out.sdf", "out.tsd", "old.sdf", "old.tsd"};
    const std::string outputName = outputs[(how >> 2) & 3];
    if (outputName.rfind("old", 0) == 0) ws.write(outputName, "not yet a time series\r\n");

    CurrentFile m;
    FillPreviousFile(m, ws.file("previous.sdf"));
    FuzzPrompter prompter(how & 16 ? MsgResult::No : MsgResult::Yes);
    FuzzProgress progress;
    m.prompter = &prompter;
    m.progress = &progress;
    LinkSet set(m);
    set.prompter = &prompter;
    set.progress = &progress;
    RunCommand([&] { set.AddFilesSorted({ws.file(names[0]), ws.file(names[1])}); }, "link files");
    if (set.FileCount < 2) return 0;  // the dialog saves two files or more

    // Old SDF files have been updated in place; they are the inputs from here on.
    const std::set<std::string> filesBefore = ws.files();
    std::vector<std::vector<std::uint8_t>> inputs;
    std::uint64_t justifiedSdf = 0, justifiedTsd = 0;
    for (const std::string& name : names) {
        inputs.push_back(ws.read(name));
        justifiedSdf += JustifiedBytes(ShapeOf(ws.file(name)), false);
        justifiedTsd += JustifiedBytes(ShapeOf(ws.file(name)), true);
    }
    const std::vector<std::uint8_t> outputBefore = ws.read(outputName);

    LinkPlan plan;
    SaveStep step = SaveStep::Stay;
    RunCommand([&] { step = set.PrepareSave(std::to_string(set.RefBInt), set.RefBITUnit, plan); }, "link checks");
    LinkOutcome outcome = LinkOutcome::Refused;
    if (step == SaveStep::Proceed)
        RunCommand([&] { outcome = set.LinkFiles(ws.file(outputName), set.RefMemo, plan); }, "link");

    for (int i = 0; i < 2; ++i) ExpectFileUnchanged(ws, names[i], inputs[static_cast<std::size_t>(i)], "link");
    for (const std::string& name : ws.files())
        if (!filesBefore.count(name) && name != outputName) Fail("temporary-file-left", "link: " + name);
    if (outcome != LinkOutcome::Done) {
        if (filesBefore.count(outputName))
            ExpectFileUnchanged(ws, outputName, outputBefore, "link not done");
        else if (ws.files().count(outputName))
            Fail("refused-created-file", "link not done: " + outputName);
        return 0;
    }
    const std::string output = ws.file(outputName);
    const bool tsd = outputName.substr(outputName.size() - 4) == ".tsd";
    if (tsd)
        ExpectTsdReadsBack(output, "link");
    else
        ExpectSdfReadsBack(output, "link");
    // Each file's bursts take the reference's channels; gaps between them
    // may be up to a hundred times what the files bring before the user is
    // asked, and once the user has agreed they are the user's choice.
    const bool asked = std::any_of(prompter.shown.begin(), prompter.shown.end(), [](const std::string& t) {
        return t.find("日付に誤りがないか確認して下さい。") != std::string::npos;
    });
    if (!asked)
        ExpectOutputJustified(output, 100 * (kMaxChannels + 1) * (tsd ? justifiedTsd : justifiedSdf), "link");
    return 0;
}
