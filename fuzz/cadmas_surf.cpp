// CADMAS-SURF time-series output as its menu command converts it: the file
// chosen, read, handed to the header dialog, and its burst written.
#include "converters/convert_cadmas_surf.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

namespace {

class ChooseFile : public FileChooser {
public:
    explicit ChooseFile(std::string file) : file_(std::move(file)) {}
    bool Execute(FileDialogKind, FileDialogSettings& dialog) override {
        dialog.FileName = file_;
        dialog.Files = {file_};
        return true;
    }

private:
    std::string file_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string path = ws.write("data.tran", AsText(data, size));
    ConverterRun run(ws);
    FileDialog open(FileDialogKind::Open);
    open.Filter = "CADMAS-SURF計算結果時系列データ(*.tran)|*.tran";
    open.FileName = "data.tran";
    ChooseFile chooser(path);

    RunCommand([&] { ConvertCadmasSurf(run.m, open, chooser, run.dialog, run.prompter); }, "CADMAS-SURF");
    if (run.dialog.calls == 0) {
        run.ExpectRefused("refused CADMAS-SURF file");
        return 0;
    }
    run.ExpectOutputReadsBack("CADMAS-SURF");
    return 0;
}
