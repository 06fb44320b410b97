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
    ConverterRun run(ws);
    InputFileKind kind = InputFileKind::Unknown;
    RunCommand([&] { kind = SniffFileKind(path); }, "file kind");
    const char* kindName[] = {"sdf", "tsd", "addc", "drf", "", "unknown"};

    JobResult result = JobResult::Failed;
    const bool ran = RunCommand([&] { result = ConvertOneFile(run.m, path, run.prompter, run.progress, run.dialog); }, input.c_str());
    if (run.dialog.calls == 0) {
        // Refused before the header dialog.
        if (ran && result != JobResult::Skipped) Fail("refused-reported-done", input);
        ExpectModelUnchanged(run.before, run.m, "refused input", kindName[static_cast<int>(kind)]);
        ExpectNoNewFiles(ws, run.filesBefore, "refused input");
        ExpectFileUnchanged(ws, input, original, "refused input");
        return 0;
    }
    run.ExpectOutputReadsBack(input.c_str());
    return 0;
}
