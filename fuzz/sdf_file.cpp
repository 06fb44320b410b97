// SDF files opened as the header dialog and the file tools open them: the
// header (with the update of an old version answered Yes, then on a fresh
// copy No), then every burst.
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

namespace {

void openSdf(std::string_view bytes, MsgResult answer) {
    Workspace ws;
    const std::string path = ws.write("data.sdf", bytes);
    const std::vector<std::uint8_t> original = ws.read("data.sdf");
    const std::set<std::string> filesBefore = ws.files();
    const bool oldVersion = bytes.size() > 40 && bytes[40] >= '1' && bytes[40] <= '3';

    CurrentFile m;
    FillPreviousFile(m, ws.file("previous.sdf"));
    FuzzPrompter prompter(answer);
    FuzzProgress progress;
    m.prompter = &prompter;
    m.progress = &progress;
    const ModelImage before(m);

    bool ok = false;
    RunCommand([&] { ok = m.ReadHeader(path); }, "SDF header");
    const char* what = answer == MsgResult::Yes ? "SDF read, update answered Yes" : "SDF read, update answered No";
    if (!ok) {
        ExpectModelUnchanged(before, m, what, oldVersion ? "update" : "");
        ExpectNoNewFiles(ws, filesBefore, what);
        ExpectFileUnchanged(ws, "data.sdf", original, what);
        return;
    }
    if (oldVersion && answer != MsgResult::Yes) Fail("declined-update-read", what);
    if (oldVersion) ExpectSdfReadsBack(path, "SDF updated to version 4");
    m.FileName = path;
    ReadBurstsAsATool(m, "SDF bursts");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = AsText(data, size);
    openSdf(bytes, MsgResult::Yes);
    openSdf(bytes, MsgResult::No);
    return 0;
}
