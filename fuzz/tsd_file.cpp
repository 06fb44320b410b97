// TSD files opened as the header dialog and the file tools open them: the
// header, then every burst (questions answered Yes).
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string path = ws.write("data.tsd", AsText(data, size));
    const std::vector<std::uint8_t> original = ws.read("data.tsd");
    const std::set<std::string> filesBefore = ws.files();

    CurrentFile m;
    FillPreviousFile(m, ws.file("previous.tsd"));
    FuzzPrompter prompter;
    FuzzProgress progress;
    m.prompter = &prompter;
    m.progress = &progress;
    const ModelImage before(m);

    bool ok = false;
    RunCommand([&] { ok = m.ReadHeader(path); }, "TSD header");
    if (!ok) {
        ExpectModelUnchanged(before, m, "TSD read");
        ExpectNoNewFiles(ws, filesBefore, "TSD read");
        return 0;
    }
    m.FileName = path;
    ReadBurstsAsATool(m, "TSD bursts");
    ExpectFileUnchanged(ws, "data.tsd", original, "TSD read");
    ExpectNoNewFiles(ws, filesBefore, "TSD read");
    return 0;
}
