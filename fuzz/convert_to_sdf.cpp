// The ADDC/DRF/SDF/TSD to SDF command on one chosen file: the file is
// recognised by its start, then re-saved or converted through the header
// dialog. Built once per kind, each with its own corpus and input name.
#include "converters/addc_drf_command.h"
#include "support/fuzz_support.h"

#ifndef BRINE_INPUT_NAME
#error "BRINE_INPUT_NAME names the chosen file"
#endif

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string input = BRINE_INPUT_NAME;
    const std::string path = ws.write(input, AsText(data, size));
    const std::vector<std::uint8_t> original = ws.read(input);
    const std::set<std::string> filesBefore = ws.files();

    CurrentFile m;
    FillPreviousFile(m, ws.file("previous.sdf"));
    FuzzPrompter prompter;
    FuzzProgress progress;
    FuzzHeaderSave dialog(m, ws.file("out.sdf"));
    const ModelImage before(m);
    InputFileKind kind = InputFileKind::Unknown;
    RunCommand([&] { kind = SniffFileKind(path); }, "file kind");
    const char* kindName[] = {"sdf", "tsd", "addc", "drf", "", "unknown"};

    JobResult result = JobResult::Failed;
    const bool ran = RunCommand([&] { result = ConvertOneFile(m, path, prompter, progress, dialog); }, input.c_str());
    if (dialog.calls == 0) {
        // Refused before the header dialog.
        if (ran && result != JobResult::Skipped) Fail("refused-reported-done", input);
        ExpectModelUnchanged(before, m, "refused input", kindName[static_cast<int>(kind)]);
        ExpectNoNewFiles(ws, filesBefore, "refused input");
        ExpectFileUnchanged(ws, input, original, "refused input");
        return 0;
    }
    if (ws.files().count("out.sdf")) ExpectSdfReadsBack(ws.file("out.sdf"), input.c_str());
    return 0;
}
