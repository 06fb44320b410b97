// The ADDC/DRF/SDF/TSD to SDF command on several files at once, each kept
// under its proposed name (the header dialog answers OK and Yes): SDF files
// are re-saved in place, TSD, ADDC and DRF files written beside them, so one
// file's output can be the next file's input. The input holds three files
// separated by lines of "%%%%", then after another the choices: the name of
// each file.
#include "converters/addc_drf_command.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::vector<std::string> parts = SplitParts(AsText(data, size), 4);
    Choices choose(parts[3]);
    const char* names[] = {"a.sdf", "a.tsd", "b.addc", "c.drf", "b.sdf", "c.tsd"};
    std::vector<std::string> files;
    std::uint64_t justified = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string name = names[choose.byte() % 6];
        files.push_back(ws.write(name, parts[i]));
        justified += JustifiedBytes(ShapeOf(files.back()), false);
    }
    ConverterRun run(ws);
    ProposedNameSave dialog(run.m);

    int done = 0;
    RunCommand([&] { done = ConvertSelectedFiles(files, run.m, run.prompter, run.progress, dialog); }, "converting files");
    if (done > static_cast<int>(dialog.saved.size())) Fail("refused-reported-done", "more files done than saved");
    for (const std::string& f : ws.files())
        if (!run.filesBefore.count(f) && f.size() > 4 && f.substr(f.size() - 4) != ".sdf")
            Fail("temporary-file-left", "converting files: " + f);
    // An SDF re-saved in place keeps what lay behind its records.
    for (const std::string& output : dialog.saved) {
        ExpectSdfReadsBack(output, "converting files", false);
        ExpectOutputJustified(output, justified, "converting files");
    }
    return 0;
}
