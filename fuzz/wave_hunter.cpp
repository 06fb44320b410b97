// Wave Hunter master files as the Wave Hunter dialog handles them: the file
// read (header and burst count) when it is chosen, then "次へ" with the
// dialog's defaults: every mean channel ticked, the velocity correction as
// the file suggests, the compass stored. Built once per file kind, each with
// a name of its kind.
#include <optional>

#include "base/datetime.h"
#include "importers/wave_hunter_bursts.h"
#include "importers/wave_hunter_files.h"
#include "support/fuzz_support.h"

#ifndef BRINE_MASTER_NAME
#error "BRINE_MASTER_NAME names the master file"
#endif

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string path = ws.write(BRINE_MASTER_NAME, AsText(data, size));
    ConverterRun run(ws);

    WaveHunterFile file;
    WaveHunterRead read = WaveHunterRead::NotMine;
    RunCommand([&] { read = ReadWaveHunterFile(path, file, run.prompter, run.progress); }, "Wave Hunter file");
    if (read == WaveHunterRead::Read) {
        RunCommand(
            [&] {
                WaveHunterOptions o;
                o.TransVel = file.MeasVelocity;
                o.SaveCompass = true;
                o.MeanChecked.assign(MeanChannelList(file).size(), true);
                o.Declination = o.TransVel ? -7.25f : 0.0f;
                o.Memo = WaveHunterMemo(file.MasterFileName);
                const std::string start = FormatDateTime(file.StartTime);
                const std::optional<double> t = ParseDateTime(start);
                if (!t) throw ConversionError("'" + start + "' は正しい日付と時刻ではありません。");
                o.StartTime = *t;
                SetWaveHunterSDFHeader(file, o, run.m);
                run.m.FileName = file.MasterFileName;
                run.m.SaveFileName = WaveHunterOutputName(file.MasterFileName);
                if (!run.dialog.ExecuteSave(0)) return;
                WaveHunterServices services{run.m, run.prompter, run.progress};
                ConvertWaveHunterBursts(file, o, services);
            },
            "Wave Hunter conversion");
    }
    if (run.dialog.calls == 0) {
        run.ExpectRefused("refused Wave Hunter file");
        return 0;
    }
    run.ExpectOutputReadsBack("Wave Hunter conversion");
    return 0;
}
