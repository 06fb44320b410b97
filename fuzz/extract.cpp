// Extraction as its dialog does it: the source's header read when the file
// is chosen, a window and channels picked, then "保存" to a new SDF or TSD, to
// an existing file, or to the source itself (every question answered Yes).
// The input holds the source, then after a line of "%%%%" the choices: the
// source's kind, the output, the two scroll positions and the channels left
// unticked.
#include <filesystem>

#include "tools/extract_save.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::vector<std::string> parts = SplitParts(AsText(data, size), 2);
    Choices choose(parts[1]);
    const unsigned how = choose.byte();
    const std::string sourceName = how & 1 ? "data.tsd" : "data.sdf";
    const std::string source = ws.write(sourceName, parts[0]);
    const char* outputs[] = {"out.sdf", "out.tsd", nullptr, "old.tsd"};
    const char* outputName = outputs[(how >> 1) & 3];
    if (outputName && std::string(outputName) == "old.tsd") ws.write(outputName, "not yet a time series\r\n");
    const std::string output = outputName ? ws.file(outputName) : source;

    CurrentFile m;
    FillPreviousFile(m, ws.file("previous.sdf"));
    FuzzPrompter prompter;
    FuzzProgress progress;
    m.prompter = &prompter;
    m.progress = &progress;
    const ModelImage before(m);
    const std::set<std::string> filesBefore = ws.files();

    bool opened = false;
    RunCommand([&] { opened = m.ReadHeader(source); }, "extraction source");
    if (!opened) {
        ExpectModelUnchanged(before, m, "refused extraction source");
        ExpectNoNewFiles(ws, filesBefore, "refused extraction source");
        return 0;
    }
    // An old SDF has been updated in place; that is the source from here on.
    const std::vector<std::uint8_t> sourceBytes = ws.read(sourceName);
    const SeriesShape shape = ShapeOf(source);
    const bool outputExisted = outputName && filesBefore.count(outputName);
    const std::vector<std::uint8_t> outputBefore = outputExisted ? ws.read(outputName) : std::vector<std::uint8_t>{};

    ExtractRequest r;
    r.SourceFile = source;
    RunCommand(
        [&] {
            const int last = LastPosition(m);
            const int first = choose.below(last + 1), second = choose.below(last + 1);
            r.Window = WindowFromPositions(m, std::min(first, second), std::max(first, second));
        },
        "extraction window");
    for (int k = 0; k < m.Nch + m.Nch2; ++k) r.Checked.push_back((choose.byte() & 3) != 0);
    r.Memo = m.Memo;
    RunCommand([&] { SaveExtraction(m, r, output, prompter, progress); }, "extraction");

    const bool saved = !prompter.shown.empty() && prompter.shown.back() == Text(Tx::ExtractSaved);
    for (const std::string& name : ws.files())
        if (!filesBefore.count(name) && name != (outputName ? outputName : ""))
            Fail("temporary-file-left", "extraction: " + name);
    if (!outputName) {
        // Into the source itself: it is either as it was or the whole extraction.
        if (!saved) {
            ExpectFileUnchanged(ws, sourceName, sourceBytes, "failed extraction into the source");
            return 0;
        }
    } else {
        ExpectFileUnchanged(ws, sourceName, sourceBytes, "extraction");
        if (!saved) {
            if (outputExisted)
                ExpectFileUnchanged(ws, outputName, outputBefore, "failed extraction");
            else if (ws.files().count(outputName))
                Fail("refused-created-file", std::string("failed extraction: ") + outputName);
            return 0;
        }
    }
    const bool tsd = OutputKindOf(output) == std::optional<std::uint8_t>(1);
    if (tsd)
        ExpectTsdReadsBack(output, "extraction");
    else
        ExpectSdfReadsBack(output, "extraction");
    ExpectOutputJustified(output, JustifiedBytes(shape, tsd) + (tsd ? SizeAllowance(prompter, shape.size) : 0),
                          "extraction");
    return 0;
}
