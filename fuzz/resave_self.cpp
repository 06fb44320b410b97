// An SDF (or TSD) re-saved into its own source, as the ADDC/DRF/SDF/TSD to
// SDF command does when the user keeps the proposed name: the header
// dialog rewrites the header in place, with the burst count and memo edited
// as the choices say, and no burst is copied. The input holds the file, then
// after a line of "%%%%" the choices: its kind and the edit.
#include <algorithm>

#include "converters/addc_drf_command.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::vector<std::string> parts = SplitParts(AsText(data, size), 2);
    Choices choose(parts[1]);
    const unsigned how = choose.byte();
    const std::string name = how & 1 ? "data.tsd" : "data.sdf";
    const std::string path = ws.write(name, parts[0]);
    const std::vector<std::uint8_t> original = ws.read(name);
    ConverterRun run(ws);
    ProposedNameSave dialog(run.m);
    const int iterations = choose.below(40000) - 4000;
    dialog.edit = [&](CurrentFile& m) {
        if (how & 2) m.SetMemo("edited memo");
        // The dialog saves 1 to 32767 bursts.
        if (how & 4 && iterations >= 1 && iterations <= 32767) m.Iterations = static_cast<std::int16_t>(iterations);
    };

    JobResult result = JobResult::Failed;
    RunCommand([&] { result = ConvertOneFile(run.m, path, run.prompter, run.progress, dialog); }, "re-save");
    for (const std::string& f : ws.files())
        if (!run.filesBefore.count(f) && f != "data.sdf") Fail("temporary-file-left", "re-save: " + f);
    if (dialog.saved.empty()) {
        if (result == JobResult::Done) Fail("refused-reported-done", "re-save into its own source");
        // Only the update of an old version may have changed the file.
        const bool old = original.size() > 40 && original[40] >= '1' && original[40] <= '3';
        if (!old) ExpectFileUnchanged(ws, name, original, "re-save refused");
        return 0;
    }
    const std::string output = dialog.saved.back();
    if (name == "data.tsd") {
        ExpectSdfReadsBack(output, "TSD re-saved as SDF");
        ExpectOutputJustified(output, JustifiedBytes(ShapeOf(path), false), "TSD re-saved as SDF");
        return 0;
    }
    // In place: the records stay where they were (with whatever lay behind
    // them), the header declares no more of them than the file holds, and
    // the file grows only to hold a whole header.
    ExpectSdfReadsBack(output, "re-save into its own source", false);
    const SeriesShape after = ShapeOf(output);
    const std::uint64_t headerBytes = SdfHeaderBytes(after.nch + after.nch2);
    if (original.size() > 40 && original[40] == '4' && after.size > std::max<std::uint64_t>(original.size(), headerBytes))
        Fail("output-too-large", "re-save into its own source grew the file beyond its header");
    return 0;
}
