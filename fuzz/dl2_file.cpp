// DL-2 text files as the DL-2 dialog handles them: the header reader when
// the file is chosen, then Next: the SDF header, the header dialog and the
// bursts (velocity correction on).
#include <optional>

#include "importers/dl2_convert.h"
#include "importers/dl2_header.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string path = ws.write("data.txt", AsText(data, size));
    ConverterRun run(ws);

    std::optional<DL2Header> header;
    RunCommand([&] { header = ReadDL2Header(path); }, "DL-2 header");
    if (!header) {
        run.ExpectRefused("refused DL-2 file");
        return 0;
    }
    RunCommand(
        [&] {
            SetDL2SDFHeader(*header, run.m);
            run.m.SaveFileName = DL2OutputName(header->SourceFile);
            if (!run.dialog.ExecuteSave(0)) return;
            DL2Services services{run.m, run.prompter, run.progress};
            ConvertDL2Bursts(*header, -7.25, services);
        },
        "DL-2 conversion");
    run.ExpectOutputReadsBack("DL-2 conversion");
    return 0;
}
