// SDF files converted to TSD as the SDF->TSD command does it: the target
// chosen beside the source, the update of an old version answered Yes, then
// every burst written as text. What was written is read back as TSD, and
// every count of a channel whose texts always read back must come back.
#include <algorithm>
#include <cmath>

#include "converters/sdf_to_tsd.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

namespace {

// Counts of the source and of the output, burst by burst (the first and last
// ones of a long file), on the channels whose 7-digit texts read back.
void expectSameCounts(const std::string& source, const std::string& output) {
    CurrentFile a, b;
    FuzzPrompter pa(MsgResult::No), pb(MsgResult::Yes);
    a.prompter = &pa;
    b.prompter = &pb;
    if (!a.ReadSDFHeader(source) || !b.ReadTSDHeader(output)) Fail("tsd-round-trip", "headers do not read");
    if (a.Nch != b.Nch || a.Nch2 != b.Nch2 || a.SampleSize != b.SampleSize || a.Iterations != b.Iterations)
        Fail("tsd-round-trip", "header counts differ");
    a.FileName = source;
    b.FileName = output;
    auto plain = [&](int k) {
        const float sa = a.ScaleA[static_cast<std::size_t>(k)], sb = a.OffsetB[static_cast<std::size_t>(k)];
        return std::isfinite(sa) && sa != 0 && std::isfinite(sb) && std::fabs(sb) <= 1e5 * std::fabs(sa);
    };
    BurstJob ja(a), jb(b);
    constexpr int kEnds = 16;
    for (int burst = 0; burst < a.Iterations; ++burst) {
        if (burst == kEnds && a.Iterations > 2 * kEnds) burst = a.Iterations - kEnds;
        if (!a.ReadSDFBurst(burst) || !b.ReadTSDBurst(burst))
            Fail("tsd-round-trip", "burst " + std::to_string(burst) + " does not read");
        for (int ch = 0; ch < a.Nch; ++ch) {
            if (!plain(ch)) continue;
            const auto c = static_cast<std::size_t>(ch);
            for (std::size_t j = 0; j < static_cast<std::size_t>(a.SampleSize); ++j)
                if (a.Data[c][j] != b.Data[c][j])
                    Fail("tsd-round-trip", "burst " + std::to_string(burst) + ", channel " + std::to_string(ch) +
                                               ", sample " + std::to_string(j) + ": " + std::to_string(a.Data[c][j]) +
                                               " read back as " + std::to_string(b.Data[c][j]));
        }
        for (int k = 0; k < a.Nch2; ++k)
            if (plain(a.Nch + k) && a.BurstData[static_cast<std::size_t>(k)] != b.BurstData[static_cast<std::size_t>(k)])
                Fail("tsd-round-trip", "burst " + std::to_string(burst) + ", burst channel " + std::to_string(k));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string source = ws.write("data.sdf", AsText(data, size));
    const std::vector<std::uint8_t> original = ws.read("data.sdf");
    ConverterRun run(ws);
    const std::string target = ws.file("data.tsd");
    auto choose = [&](const std::string&) { return std::optional<std::string>(target); };

    JobResult result = JobResult::Failed;
    RunCommand([&] { result = ConvertSDFToTSD(run.m, source, choose, run.prompter, run.progress); }, "SDF to TSD");
    const bool updated = original.size() > 40 && original[40] >= '1' && original[40] <= '3';
    if (result == JobResult::Skipped && run.prompter.sizeQuestions > 0) {
        // The text was too large for the user: the header was read, nothing written.
        ExpectNoNewFiles(ws, run.filesBefore, "declined text size");
        if (!updated) ExpectFileUnchanged(ws, "data.sdf", original, "declined text size");
        return 0;
    }
    if (result == JobResult::Skipped) {
        ExpectModelUnchanged(run.before, run.m, "refused SDF", updated ? "update" : "");
        ExpectNoNewFiles(ws, run.filesBefore, "refused SDF");
        ExpectFileUnchanged(ws, "data.sdf", original, "refused SDF");
        return 0;
    }
    if (!updated) ExpectFileUnchanged(ws, "data.sdf", original, "SDF to TSD");
    for (const std::string& name : ws.files())
        if (name != "data.sdf" && name != "data.tsd") Fail("temporary-file-left", "SDF to TSD: " + name);
    if (!ws.files().count("data.tsd")) {
        if (result == JobResult::Done) Fail("output-bursts", "SDF to TSD: done without an output");
        return 0;
    }
    ExpectTsdReadsBack(target, "SDF to TSD");
    const SeriesShape shape = ShapeOf(source);
    ExpectOutputJustified(target, JustifiedBytes(shape, true) + SizeAllowance(run.prompter, shape.size), "SDF to TSD");
    if (result == JobResult::Done) expectSameCounts(source, target);
    return 0;
}
