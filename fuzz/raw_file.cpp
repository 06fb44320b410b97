// Raw instrument files of one kind, as the instrument menu and its dialog's
// Next button handle them: the header reader, then the conversion through
// the header dialog (velocity correction on, pressure typed as 1.00 bar).
// Built once per kind.
#include "importers/raw_convert.h"
#include "importers/raw_header.h"
#include "support/fuzz_support.h"

#ifndef BRINE_RAW_KIND
#error "BRINE_RAW_KIND names the instrument kind"
#endif

using namespace brine;
using namespace brine::fuzz;

namespace {

class TypedValue : public ValuePrompt {
public:
    bool InputValue(const std::string&, const std::string&, const std::string& defaultText,
                    std::string& value) override {
        value = defaultText;
        return true;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string path = ws.write("data.raw", AsText(data, size));
    ConverterRun run(ws);
    TypedValue pressure;

    AlecHeader header;
    bool ok = false;
    RunCommand([&] { ok = ReadAlecHeader(RawKind::BRINE_RAW_KIND, path, run.prompter, header); }, "raw header");
    if (ok) {
        AlecOptions options;
        options.TransVel = header.TransVelChecked;
        options.TempMeanOnly = true;
        options.Declination = -7.25;
        AlecServices services{run.m, run.prompter, run.progress, run.dialog, pressure};
        RunCommand([&] { ConvertAlecFile(header, options, services); }, "raw conversion");
    }
    if (run.dialog.calls == 0) {
        run.ExpectRefused("refused raw file");
        return 0;
    }
    run.ExpectOutputReadsBack("raw conversion");
    return 0;
}
