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
    const std::string names[] = {how & 1 ? "one.tsd" : "one.sdf", how & 2 ? "two.tsd" : "two.sdf"};
    for (int i = 0; i < 2; ++i) ws.write(names[i], parts[static_cast<std::size_t>(i)]);
    const char* outputs[] = {"out.sdf", "out.tsd", "old.sdf", "old.tsd"};
    const std::string outputName = outputs[(how >> 2) & 3];
    if (outputName.rfind("old", 0) == 0) ws.write(outputName, "not yet a time series\r\n");

    CurrentFile m;
    FillPreviousFile(m, ws.file("previous.sdf"));
    FuzzPrompter prompter;
    FuzzProgress progress;
    m.prompter = &prompter;
    m.progress = &progress;
    MergeSet set;
    for (const std::string& name : names) RunCommand([&] { set.AddFile(ws.file(name), m, prompter); }, "merge file");
    if (set.FileCount() < 2) return 0;  // the dialog saves two files or more

    // Old SDF files have been updated in place; they are the inputs from here on.
    const std::set<std::string> filesBefore = ws.files();
    std::vector<std::vector<std::uint8_t>> inputs;
    std::vector<SeriesShape> shapes;
    for (const std::string& name : names) {
        inputs.push_back(ws.read(name));
        shapes.push_back(ShapeOf(ws.file(name)));
    }
    const std::vector<std::uint8_t> outputBefore = ws.read(outputName);

    MergeSettings s;
    s.TargetFile = ws.file(outputName);
    s.Memo = set.First().FileMemo;
    DefaultChannels(set, s);
    bool written = false;
    RunCommand([&] { written = CombineFiles(set, s, m, prompter, progress); }, "merge");

    for (int i = 0; i < 2; ++i) ExpectFileUnchanged(ws, names[i], inputs[static_cast<std::size_t>(i)], "merge");
    for (const std::string& name : ws.files())
        if (!filesBefore.count(name) && name != outputName) Fail("temporary-file-left", "merge: " + name);
    if (!written) {
        if (filesBefore.count(outputName))
            ExpectFileUnchanged(ws, outputName, outputBefore, "failed merge");
        else if (ws.files().count(outputName))
            Fail("refused-created-file", "failed merge: " + outputName);
        return 0;
    }
    const std::string output = ws.file(outputName);
    const bool tsd = outputName.size() > 4 && outputName.substr(outputName.size() - 4) == ".tsd";
    if (tsd)
        ExpectTsdReadsBack(output, "merge");
    else
        ExpectSdfReadsBack(output, "merge");
    // The first file's grid carries every channel of both files.
    ExpectOutputJustified(output, (kMaxChannels + 1) * JustifiedBytes(shapes[0], tsd) + JustifiedBytes(shapes[1], tsd),
                          "merge");
    return 0;
}
