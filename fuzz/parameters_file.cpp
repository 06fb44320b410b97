// "Parameters.dat" as the main window reads it on its first showing (the
// last file, its folder and the selected site), and written back as the
// window writes it on closing.
#include "app/parameters_file.h"
#include "base/cp932.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

namespace {

// Bytes that are no CP932 text are read as U+FFFD, which is written as "?".
bool writtenAsRead(const std::string& utf8) {
    bool lossy = false;
    utf8ToCp932(utf8, &lossy);
    return !lossy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string path = ws.write("Parameters.dat", AsText(data, size));
    const std::vector<std::uint8_t> original = ws.read("Parameters.dat");
    const std::set<std::string> filesBefore = ws.files();

    std::optional<ParametersLines> lines;
    std::optional<std::uint16_t> location;
    RunCommand(
        [&] {
            lines = ReadParametersFile(path);
            if (lines) location = ParseSelectedLocation(lines->location);
        },
        "Parameters.dat");
    ExpectFileUnchanged(ws, "Parameters.dat", original, "Parameters.dat read");
    ExpectNoNewFiles(ws, filesBefore, "Parameters.dat read");
    if (!lines || !writtenAsRead(lines->fileName) || !writtenAsRead(lines->folder)) return 0;

    // What was read comes back unchanged from the file written on closing.
    const std::string again = ws.file("again.dat");
    bool written = false;
    RunCommand([&] { written = WriteParametersFile(again, lines->fileName, lines->folder, location.value_or(0)); },
               "Parameters.dat written");
    if (!written) return 0;
    std::optional<ParametersLines> back;
    RunCommand([&] { back = ReadParametersFile(again); }, "Parameters.dat read back");
    if (!back || back->fileName != lines->fileName || back->folder != lines->folder ||
        ParseSelectedLocation(back->location) != location.value_or(0))
        Fail("settings-round-trip", "Parameters.dat: the lines written do not read back the same");
    return 0;
}
