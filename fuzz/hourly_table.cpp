// The single-burst readers of the fixed-station menu (JMA tables, NOWPHAS
// files, fishing-port tables) as their commands run them on one chosen
// file: the reader, then the header dialog and the burst. Questions are
// answered Yes, except warnings that ask whether to go on (such as a time
// grid far larger than its records), which a user declines. Built once per
// reader, each with a file name of its kind.
#include "converters/convert_fishing_port.h"
#include "converters/convert_jma.h"
#include "converters/convert_nowphas.h"
#include "app/menu_jobs.h"
#include "support/fuzz_support.h"

#if !defined(BRINE_READER) || !defined(BRINE_INPUT_NAME)
#error "BRINE_READER names the reader, BRINE_INPUT_NAME the chosen file"
#endif

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string path = ws.write(BRINE_INPUT_NAME, AsText(data, size));
    ConverterRun run(ws, MsgResult::Yes, MsgResult::Yes, MsgResult::No);

    bool read = false;
    auto reader = [&](const std::string& file) {
        read = BRINE_READER(run.m, file, run.prompter, run.progress);
        return read;
    };
    RunCommand([&] { RunSingleBurstCommand({path}, reader, run.dialog, run.m, run.prompter); }, BRINE_INPUT_NAME);
    if (!read) {
        run.ExpectRefused("refused " BRINE_INPUT_NAME);
        return 0;
    }
    run.ExpectOutputReadsBack(BRINE_INPUT_NAME);
    return 0;
}
