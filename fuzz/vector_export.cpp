// Vector exports as the Vector dialog handles them: the ".hdr" read when it
// is chosen (with the amplitude profile of the first burst when a ".pck" is
// named), then OK with the dialog's defaults and every store option on.
// Warnings that ask whether to go on (an output mostly of empty bursts, as
// a damaged counter gives) are declined, as a user would.
// The input holds the ".hdr", ".dat", ".sen" and ".pck" texts in that order,
// separated by lines of "%%%%".
#include <optional>

#include "importers/vector_bed_detection.h"
#include "importers/vector_convert.h"
#include "importers/vector_header.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::vector<std::string> parts = SplitParts(AsText(data, size), 4);
    const std::string hdr = ws.write("EXP.hdr", parts[0]);
    ws.write("EXP.dat", parts[1]);
    ws.write("EXP.sen", parts[2]);
    if (!parts[3].empty()) ws.write("EXP.pck", parts[3]);
    ConverterRun run(ws, MsgResult::Yes, MsgResult::Yes, MsgResult::No);

    VectorHeader header;
    bool ok = false;
    RunCommand([&] { ok = ParseVectorHeader(hdr, run.prompter, header); }, "Vector header");
    if (ok && header.HasProbeCheck && header.SampleRate > 0 && !header.PckFileName.empty()) {
        RunCommand(
            [&] {
                const double burstDays = header.BurstSeconds / 86400.0;
                const double duration = static_cast<double>(header.SamplesPerBurst) / header.SampleRate / 86400.0;
                SelectBurstProfile(header.PckFileName, header.FirstTime, burstDays, duration, header.FirstTime, 160);
            },
            "Vector amplitude profile");
    }
    if (ok) {
        VectorOptions o;
        o.Threshold = header.CorrThreshold;
        o.TransVel = header.CoordSystem == VectorCoord::ENU;
        o.SignalStrength = true;
        o.SNR = true;
        o.BottomDist = header.HasProbeCheck;
        o.Declination = o.TransVel ? -7.25 : 0;
        o.Memo = "Data measured with Vector, Nortek. " + header.Comments;
        RunCommand(
            [&] {
                std::optional<VectorPlan> plan = PrepareVectorConversion(header, o, run.prompter);
                if (!plan) return;
                VectorServices services{run.m, run.prompter, run.progress, run.dialog};
                ConvertVectorFile(*plan, services);
            },
            "Vector conversion");
    }
    if (run.dialog.calls == 0) {
        run.ExpectRefused("refused Vector export");
        return 0;
    }
    run.ExpectOutputReadsBack("Vector conversion");
    return 0;
}
