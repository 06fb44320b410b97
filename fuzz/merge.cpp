// Merge as its dialog does it: two files added (the update of an old SDF
// answered Yes), every channel kept with its name, unit and scale, then
// "保存" to a new SDF or TSD or over an existing file. The input holds the
// two files separated by a line of "%%%%", then after another the choices:
// each file's kind and the output.
#include <algorithm>

#include "tools/merge_combine.h"
#include "tools/merge_set.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

namespace {

// Bursts of the output's grid, in bytes: what bursts the first file declares
// but does not hold take once they are written as missing values.
std::uint64_t gridBytes(const std::string& output, bool tsd, long long bursts) {
    CurrentFile out;
    FuzzPrompter prompter(MsgResult::No);
    out.prompter = &prompter;
    bool read = false;
    try {
        read = tsd ? out.ReadTSDHeader(output) : out.ReadSDFHeader(output);
    } catch (const BrineError&) {
        read = false;
    }
    if (!read || bursts <= 0) return 0;
    const auto samples = static_cast<std::uint64_t>(std::max(0, out.SampleSize));
    const std::uint64_t values = static_cast<std::uint64_t>(out.Nch) * samples + static_cast<std::uint64_t>(out.Nch2);
    // As text: a value of up to 25 characters and its separator, line ends, the "No." line.
    const std::uint64_t perBurst = tsd ? values * 26 + (samples + 2) * 2 + 16 : values * 2;
    return perBurst * static_cast<std::uint64_t>(bursts);
}

}  // namespace

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
    s.Memo = set.First().Header.Memo;
    DefaultChannels(set, s);
    bool written = false;
    RunCommand([&] { written = CombineFiles(set, s, m, prompter, progress); }, "merge");

    if (!run.check(written, "merge")) return 0;
    // The first file's grid carries every channel of both files.
    const bool tsd = run.tsd();
    std::uint64_t justified = (kMaxChannels + 1) * JustifiedBytes(shapes[0], tsd) + JustifiedBytes(shapes[1], tsd) +
                              SizeAllowance(prompter, shapes[0].size + shapes[1].size);
    // Data that could not be read become missing values, and the message
    // says so: the first file's declared bursts then justify the output.
    for (const std::string& shown : prompter.shown)
        if (shown.find("欠測値になっています") != std::string::npos)
            justified += gridBytes(run.output(), tsd, shapes[0].iterations);
    ExpectOutputJustified(run.output(), justified, "merge");
    return 0;
}
