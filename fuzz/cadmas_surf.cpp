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
    const std::set<std::string> filesBefore = ws.files();

    CurrentFile m;
    FillPreviousFile(m, ws.file("previous.sdf"));
    FuzzPrompter prompter;
    FuzzHeaderSave dialog(m, ws.file("out.sdf"));
    FileDialog open(FileDialogKind::Open);
    open.Filter = "CADMAS-SURF計算結果時系列データ(*.tran)|*.tran";
    open.FileName = "data.tran";
    ChooseFile chooser(path);
    const ModelImage before(m);

    RunCommand([&] { ConvertCadmasSurf(m, open, chooser, dialog, prompter); }, "CADMAS-SURF");
    if (dialog.calls == 0) {
        ExpectModelUnchanged(before, m, "refused CADMAS-SURF file");
        ExpectNoNewFiles(ws, filesBefore, "refused CADMAS-SURF file");
        return 0;
    }
    if (ws.files().count("out.sdf")) ExpectSdfReadsBack(ws.file("out.sdf"), "CADMAS-SURF");
    return 0;
}
