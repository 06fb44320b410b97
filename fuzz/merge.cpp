// Merge as its dialog does it: two files added (the update of an old SDF
// answered Yes), every channel kept with its name, unit and scale, then
// "保存" to a new SDF or TSD or over an existing file. The input holds the
// two files separated by a line of "%%%%", then after another the choices:
// each file's kind and the output.
#include "tools/merge_combine.h"
#include "tools/merge_set.h"
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
    FuzzPrompter prompter;
    FuzzProgress progress;
    m.prompter = &prompter;
    m.progress = &progress;
    MergeSet set;
    for (const std::string& name : run.names) RunCommand([&] { set.AddFile(ws.file(name), m, prompter); }, "merge file");
    if (set.FileCount() < 2) return 0;  // the dialog saves two files or more

    run.keepInputs();
    const SeriesShape shapes[] = {ShapeOf(ws.file(run.names[0])), ShapeOf(ws.file(run.names[1]))};

    MergeSettings s;
    s.TargetFile = run.output();
    s.Memo = set.First().FileMemo;
    DefaultChannels(set, s);
    bool written = false;
    RunCommand([&] { written = CombineFiles(set, s, m, prompter, progress); }, "merge");

    if (!run.check(written, "merge")) return 0;
    // The first file's grid carries every channel of both files.
    const bool tsd = run.tsd();
    ExpectOutputJustified(run.output(),
                          (kMaxChannels + 1) * JustifiedBytes(shapes[0], tsd) + JustifiedBytes(shapes[1], tsd), "merge");
    return 0;
}
