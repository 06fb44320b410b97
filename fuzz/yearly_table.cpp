// Yearly tables as the table menu commands and the table dialog handle
// them: the table is read, the year taken from its title (2000 otherwise),
// then converted with the dialog's defaults, going on past the questions on
// the coefficients, and handed to the header dialog. Built once per kind.
#include <optional>

#include "importers/yearly_table.h"
#include "support/fuzz_support.h"

#ifndef BRINE_TABLE_MODE
#error "BRINE_TABLE_MODE is MonthDayTable or TenDayTable"
#endif

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string path = ws.write("table.csv", AsText(data, size));
    // The two questions offer to set the coefficients again: go on instead.
    ConverterRun run(ws, MsgResult::No, MsgResult::Ignore);

    std::optional<LoadedYearTable> loaded;
    bool setAgain = false;  // the user chose to set the coefficients again
    RunCommand([&] { loaded = ReadYearTable(path); }, "yearly table");
    if (loaded) {
        YearTableSettings s;
        s.mode = BRINE_TABLE_MODE;
        try {
            const int year = ParseYear(loaded->table.cell(1, 0));
            if (year >= 0) s.year = year;
        } catch (const BrineError&) {
        }
        s.memo = loaded->memo;
        s.item = "Level";
        s.unit = "cm";
        RunCommand(
            [&] {
                std::optional<YearTableBurst> burst =
                    ConvertYearTable(loaded->table, s, run.m, run.prompter, [](int, int) {});
                if (burst)
                    SaveYearTableBurst(run.m, *burst, path, run.dialog, run.prompter, run.progress);
                else
                    setAgain = true;
            },
            "yearly table conversion");
    }
    if (run.dialog.calls == 0) {
        // Refused, unless the user went back to the coefficients.
        if (!setAgain) ExpectModelUnchanged(run.before, run.m, "refused yearly table");
        ExpectNoNewFiles(ws, run.filesBefore, "refused yearly table");
        return 0;
    }
    run.ExpectOutputReadsBack("yearly table");
    return 0;
}
