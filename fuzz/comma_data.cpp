// Comma-separated data as the comma-data command handles it with a saved
// parameter file: the file chosen, its preview, the ".tfp" loaded into the
// dialog, OK, then the header dialog and the copy of the bursts. The input
// holds the data text, then after a line of "%%%%" the ".tfp" text.
#include <filesystem>

#include "app/menu_jobs.h"
#include "base/number_text.h"
#include "importers/comma_data.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

namespace {

// What the dialog holds once the parameter file is loaded and the user
// presses OK; true when the import completed and filled the model, the
// bursts of a burst-mode import then in `bursts`.
bool importWithParameters(const std::string& csv, const std::string& tfp, CurrentFile& m, Prompter& prompter,
                          ProgressSink& progress, CommaImportSettings& settings, std::string& bursts) {
    CommaDataFields fields;
    CommaParameters present;
    present.NumberOfSamples = "100";
    present.BurstInterval = "1";
    const CommaPreview preview = LoadCommaPreview(csv, fields, progress);
    const CommaParameters p = LoadCommaParameters(tfp, present);
    ApplyParameterColumns(p, fields);

    CommaFormTexts form;
    form.Skip = p.Skip;
    form.Step = p.Step;
    form.Last = p.Last;
    form.BurstMode = p.BurstSampling;
    if (p.BurstSampling) {
        form.SamplesPerBurst = p.NumberOfSamples;
        form.BurstInterval = p.BurstInterval;
        form.BurstUnit = p.BurstIntervalUnitNo;
    }
    form.SamplingInterval = p.Intervals;
    form.SamplingUnit = p.UnitNo;
    if (p.FromFile) {
        const std::optional<int> row = ParseInt(p.DescribedRow), col = ParseInt(p.DescribedColumn);
        if (!row || !col) throw ConversionError("'" + p.DescribedRow + "' は正しい整数ではありません。");
        form.StartTime = PickStartTimeText(csv, *row, *col);
    } else {
        form.StartTime = "2020/01/01 00:00:00";
    }
    const int columns = std::min(preview.Widest, kCommaColumns);
    std::size_t k = 0;
    for (int c = 0; c < columns; ++c) {
        CommaFormTexts::Column col;
        col.Read = fields.ReadFlags[static_cast<std::size_t>(c)];
        if (col.Read) {
            col.Name = fields.ItemNames[k];
            col.Unit = fields.ItemUnits[k];
            col.A = FormatGeneral(fields.CoefA[k], 15);
            col.B = FormatGeneral(fields.CoefB[k], 15);
            ++k;
        }
        form.Columns.push_back(std::move(col));
    }

    settings = ReadImportSettings(form, csv);
    CommaImportResult r = ImportCommaData(settings, prompter, progress);
    if (!r.Completed) return false;
    ApplyCommaImport(settings, r, m);
    bursts = r.TempFileName;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::vector<std::string> parts = SplitParts(AsText(data, size), 2);
    const std::string csv = ws.write("data.csv", parts[0]);
    const std::string tfp = ws.write("saved.tfp", parts[1]);
    ConverterRun run(ws);
    FileDialogSettings openDialog;

    CommaImportSettings settings;
    std::string bursts;
    bool imported = false;
    CommaDataSteps steps;
    steps.openFile = [&](const std::string& file) {
        imported = false;
        bursts.clear();
        RunCommand([&] {
            imported = importWithParameters(file, tfp, run.m, run.prompter, run.progress, settings, bursts);
        }, "comma data import");
        return imported;
    };
    steps.burstMode = [&] { return settings.BurstMode; };
    steps.tempFileName = [&] { return bursts; };
    steps.proposeOutputName = [&](const std::string& name) { run.m.SaveFileName = name; };
    bool handedOff = false;
    RunCommand(
        [&] { handedOff = RunCommaDataHandOff({csv}, steps, run.dialog, run.m, run.progress, run.prompter, openDialog); },
        "comma data hand-off");

    if (!imported) {
        run.ExpectRefused("refused comma data");
        return 0;
    }
    run.ExpectOutputReadsBack("comma data");
    if (handedOff && settings.BurstMode && std::filesystem::exists(bursts))
        Fail("temporary-file-left", "comma data: the bursts' temporary file after a complete hand-off");
    return 0;
}
