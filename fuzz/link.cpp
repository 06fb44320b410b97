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
    TwoFileRun run(ws, parts, how);

    CurrentFile m;
    FillPreviousFile(m, ws.file("previous.sdf"));
    FuzzPrompter prompter(how & 16 ? MsgResult::No : MsgResult::Yes);
    FuzzProgress progress;
    m.prompter = &prompter;
    m.progress = &progress;
    LinkSet set(m);
    set.prompter = &prompter;
    set.progress = &progress;
    RunCommand([&] { set.AddFilesSorted({ws.file(run.names[0]), ws.file(run.names[1])}); }, "link files");
    if (set.FileCount < 2) return 0;  // the dialog saves two files or more

    run.keepInputs();
    std::uint64_t justifiedSdf = 0, justifiedTsd = 0, inputBytes = 0;
    for (const std::string& name : run.names) {
        const SeriesShape shape = ShapeOf(ws.file(name));
        justifiedSdf += JustifiedBytes(shape, false);
        justifiedTsd += JustifiedBytes(shape, true);
        inputBytes += shape.size;
    }

    LinkPlan plan;
    SaveStep step = SaveStep::Stay;
    RunCommand([&] { step = set.PrepareSave(std::to_string(set.RefBInt), set.RefBITUnit, plan); }, "link checks");
    LinkOutcome outcome = LinkOutcome::Refused;
    if (step == SaveStep::Proceed)
        RunCommand([&] { outcome = set.LinkFiles(run.output(), set.RefMemo, plan); }, "link");

    if (!run.check(outcome == LinkOutcome::Done, "link")) return 0;
    // Each file's bursts take the reference's channels; gaps between them
    // may be up to a hundred times what the files bring before the user is
    // asked, and once the user has agreed they are the user's choice.
    const bool asked = std::any_of(prompter.shown.begin(), prompter.shown.end(), [](const std::string& t) {
        return t.find("日付に誤りがないか確認して下さい。") != std::string::npos;
    });
    if (!asked)
        ExpectOutputJustified(run.output(),
                              run.tsd() ? 100 * (kMaxChannels + 1) * justifiedTsd + SizeAllowance(prompter, inputBytes)
                                        : 100 * (kMaxChannels + 1) * justifiedSdf,
                              "link");
    return 0;
}
