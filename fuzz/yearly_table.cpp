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
    const std::set<std::string> filesBefore = ws.files();

    CurrentFile m;
    FillPreviousFile(m, ws.file("previous.sdf"));
    // The two questions offer to set the coefficients again: go on instead.
    FuzzPrompter prompter(MsgResult::No, MsgResult::Ignore);
    FuzzProgress progress;
    FuzzHeaderSave dialog(m, ws.file("out.sdf"));
    const ModelImage before(m);

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
                    ConvertYearTable(loaded->table, s, m, prompter, [](int, int) {});
                if (burst)
                    SaveYearTableBurst(m, *burst, path, dialog, prompter, progress);
                else
                    setAgain = true;
            },
            "yearly table conversion");
    }
    if (dialog.calls == 0) {
        // Refused, unless the user went back to the coefficients.
        if (!setAgain) ExpectModelUnchanged(before, m, "refused yearly table");
        ExpectNoNewFiles(ws, filesBefore, "refused yearly table");
        return 0;
    }
    if (ws.files().count("out.sdf")) ExpectSdfReadsBack(ws.file("out.sdf"), "yearly table");
    return 0;
}
