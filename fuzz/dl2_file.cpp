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
    const std::set<std::string> filesBefore = ws.files();

    CurrentFile m;
    FillPreviousFile(m, ws.file("previous.sdf"));
    FuzzPrompter prompter;
    FuzzProgress progress;
    FuzzHeaderSave dialog(m, ws.file("out.sdf"));
    const ModelImage before(m);

    std::optional<DL2Header> header;
    RunCommand([&] { header = ReadDL2Header(path); }, "DL-2 header");
    if (!header) {
        ExpectModelUnchanged(before, m, "refused DL-2 file");
        ExpectNoNewFiles(ws, filesBefore, "refused DL-2 file");
        return 0;
    }
    RunCommand(
        [&] {
            SetDL2SDFHeader(*header, m);
            m.SaveFileName = DL2OutputName(header->SourceFile);
            if (!dialog.ExecuteSave(0)) return;
            DL2Services services{m, prompter, progress};
            ConvertDL2Bursts(*header, -7.25, services);
        },
        "DL-2 conversion");
    if (ws.files().count("out.sdf")) ExpectSdfReadsBack(ws.file("out.sdf"), "DL-2 conversion");
    return 0;
}
