// The burst jobs on many small bursts against few large ones: 32 767 bursts
// x 8 channels x 18 samples against 500 x 8 x 3 600 (A = 0.01, random
// counts). Each job runs on both shapes in turn, five times; the best time of
// each gives its values per second, and the ratio of the two is the cost of
// a value in small bursts against one in large bursts. Exits with 2 when a
// ratio misses its target, 1 when a job fails.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "converters/sdf_to_tsd.h"
#include "bench_support.h"
#include "core/current_file.h"
#include "platform/api/progress.h"
#include "platform/api/scripted.h"
#include "tools/extract_data.h"
#include "tools/link_set.h"
#include "tools/merge_combine.h"
#include "tools/merge_set.h"

namespace {

using brine::bench::benchDir;

constexpr int kChannels = 8;
constexpr int kRuns = 5;

struct Shape {
    const char* name;
    int bursts, samples;
    std::int64_t values() const { return static_cast<std::int64_t>(bursts) * kChannels * samples; }
};
const Shape kSmall{"small", 32767, 18};
const Shape kLarge{"large", 500, 3600};

// Bursts `first`.. of channels `firstChannel`.. of the shape's counts, as
// an SDF or TSD file (by extension). Burst b starts b burst intervals after
// the common start, so parts of one shape merge and link back together.
std::vector<std::int16_t> writeFile(const std::string& path, const Shape& s, int first, int bursts, int firstChannel,
                                    int channels) {
    brine::CurrentFile m;
    m.Memo = "bench";
    m.Nch = static_cast<std::int16_t>(channels);
    m.SampleSize = s.samples;
    m.Iterations = static_cast<std::int16_t>(bursts);
    m.SInt = 1;
    m.SITUnit = 2;                   // sec
    m.BInt = 1;  // one burst an hour, or a minute
    m.BITUnit = s.samples > 60 ? 4 : 3;
    const double burstDays = s.samples > 60 ? 1.0 / 24 : 1.0 / 1440;
    m.StartTime = 45000 + first * burstDays;
    for (int k = 0; k < channels; ++k) {
        m.SetChannelName(k, "ch" + std::to_string(firstChannel + k));
        m.SetChannelUnit(k, "cm");
        m.ScaleA[static_cast<std::size_t>(k)] = 0.01f;
        m.OffsetB[static_cast<std::size_t>(k)] = 0;
    }
    m.AllocateDataArrays();
    const bool tsd = brine::UpperExtension(path) == ".TSD";
    if (!(tsd ? m.WriteTSDHeader(path) : m.CreateSDFFile(path))) std::exit(1);
    m.SaveFileName = path;
    std::vector<std::int16_t> last;
    for (int b = 0; b < bursts; ++b) {
        std::mt19937 rng(static_cast<unsigned>(first + b));
        std::uniform_int_distribution<int> count(-30000, 30000);
        for (int ch = 0; ch < channels; ++ch)
            for (int j = 0; j < s.samples; ++j)
                m.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] = static_cast<std::int16_t>(count(rng));
        if (!(tsd ? m.WriteTSDBurst(b) : m.WriteSDFBurst(b))) std::exit(1);
    }
    for (int ch = 0; ch < channels; ++ch) last.insert(last.end(), m.Data[static_cast<std::size_t>(ch)].begin(), m.Data[static_cast<std::size_t>(ch)].end());
    return last;
}

struct Files {
    std::string sdf, tsd, left, right, early, late;
    std::vector<std::int16_t> lastBurst;  // counts of the last burst, channel by channel
};

Files makeFiles(const Shape& s) {
    Files f;
    auto path = [&](const char* name) { return (benchDir("bursts") / (std::string(s.name) + name)).string(); };
    f.sdf = path(".sdf");
    f.tsd = path(".tsd");
    f.left = path("-left.sdf");
    f.right = path("-right.sdf");
    f.early = path("-early.sdf");
    f.late = path("-late.sdf");
    f.lastBurst = writeFile(f.sdf, s, 0, s.bursts, 0, kChannels);
    writeFile(f.tsd, s, 0, s.bursts, 0, kChannels);
    writeFile(f.left, s, 0, s.bursts, 0, kChannels / 2);
    writeFile(f.right, s, 0, s.bursts, kChannels / 2, kChannels / 2);
    const int half = s.bursts / 2;
    writeFile(f.early, s, 0, half, 0, kChannels);
    writeFile(f.late, s, half, s.bursts - half, 0, kChannels);
    return f;
}

bool sameLastBurst(const brine::CurrentFile& m, const Files& f) {
    std::vector<std::int16_t> got;
    for (int ch = 0; ch < m.Nch; ++ch) got.insert(got.end(), m.Data[static_cast<std::size_t>(ch)].begin(), m.Data[static_cast<std::size_t>(ch)].end());
    return got == f.lastBurst;
}

bool readAll(const Files& f, bool tsd) {
    brine::CurrentFile m;
    brine::BurstJob job(m);
    const std::string& name = tsd ? f.tsd : f.sdf;
    if (!m.ReadHeader(name)) return false;
    m.FileName = name;
    for (int b = 0; b < m.Iterations; ++b)
        if (!m.ReadBurst(b)) return false;
    return sameLastBurst(m, f);
}

bool extract(const Files& f, const std::string& target) {
    brine::CurrentFile m;
    brine::ScriptedPrompter prompter;
    brine::NullProgress progress;
    if (!m.ReadSDFHeader(f.sdf)) return false;
    m.FileName = f.sdf;
    brine::ExtractRequest r;
    r.SourceFile = f.sdf;
    r.Window.LastSample = m.SampleSize - 1;
    r.Window.LastBurst = m.Iterations - 1;
    r.Checked.assign(kChannels, true);
    r.Memo = "extract";
    r.OutputKind = *brine::OutputKindOf(target);
    return brine::ExtractData(m, r, target, prompter, progress);
}

bool sdfToTsd(const Files& f, const std::string& target) {
    brine::CurrentFile m;
    brine::ScriptedPrompter prompter;
    brine::NullProgress progress;
    auto choose = [&](const std::string&) { return std::optional<std::string>(target); };
    return brine::ConvertSDFToTSD(m, f.sdf, choose, prompter, progress) == brine::JobResult::Done;
}

bool merge(const Files& f, const std::string& target) {
    brine::CurrentFile m;
    brine::ScriptedPrompter prompter;
    brine::NullProgress progress;
    brine::MergeSet set;
    if (!set.AddFile(f.left, m, prompter) || !set.AddFile(f.right, m, prompter)) return false;
    brine::MergeSettings s;
    s.TargetFile = target;
    s.Memo = "merge";
    brine::DefaultChannels(set, s);
    return brine::CombineFiles(set, s, m, prompter, progress);
}

bool link(const Files& f, const std::string& target) {
    brine::CurrentFile m;
    brine::ScriptedPrompter prompter;
    brine::NullProgress progress;
    brine::LinkSet set(m);
    set.prompter = &prompter;
    set.progress = &progress;
    if (!set.AddFilesSorted({f.early, f.late})) return false;
    brine::LinkPlan plan;
    if (set.PrepareSave(std::to_string(set.RefBInt), set.RefBITUnit, plan) != brine::SaveStep::Proceed) return false;
    return set.LinkFiles(target, "link", plan) == brine::LinkOutcome::Done;
}

struct Job {
    const char* name;
    double target;  // small / large per value, at most
    std::function<bool(const Files&)> run;
};

}  // namespace

int main() {
    std::printf("Writing the files of both shapes...\n");
    const Files small = makeFiles(kSmall), large = makeFiles(kLarge);
    const std::string sdfOut = (benchDir("bursts") / "out.sdf").string(), tsdOut = (benchDir("bursts") / "out.tsd").string();
    const std::vector<Job> jobs = {
        {"SDF read", 3.0, [](const Files& f) { return readAll(f, false); }},
        {"extract -> SDF", 3.0, [&](const Files& f) { return extract(f, sdfOut); }},
        {"TSD read", 1.5, [](const Files& f) { return readAll(f, true); }},
        {"extract -> TSD", 1.5, [&](const Files& f) { return extract(f, tsdOut); }},
        {"SDF -> TSD", 1.5, [&](const Files& f) { return sdfToTsd(f, tsdOut); }},
        {"merge", 3.0, [&](const Files& f) { return merge(f, sdfOut); }},
        {"link", 3.0, [&](const Files& f) { return link(f, sdfOut); }},
    };
    auto seconds = [&](const std::function<bool(const Files&)>& run, const Files& f, bool& ok) {
        // Every run writes a new file: dropping the last one's pages and
        // blocks would fall on the next run, a large file's on a small run.
        std::filesystem::remove(sdfOut);
        std::filesystem::remove(tsdOut);
        const auto t0 = std::chrono::steady_clock::now();
        ok = run(f) && ok;
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    };
    std::printf("\n%-16s %16s %16s %12s %8s\n", "job", "small values/s", "large values/s", "small/large", "target");
    bool allOk = true, met = true;
    for (const Job& job : jobs) {
        double bestSmall = 1e300, bestLarge = 1e300;
        bool ok = true;
        // The shapes take turns, so a change in the machine's speed falls on both.
        for (int i = 0; i < kRuns; ++i) {
            bestSmall = std::min(bestSmall, seconds(job.run, small, ok));
            bestLarge = std::min(bestLarge, seconds(job.run, large, ok));
        }
        const double smallRate = static_cast<double>(kSmall.values()) / bestSmall;
        const double largeRate = static_cast<double>(kLarge.values()) / bestLarge;
        const double ratio = largeRate / smallRate;
        const bool hit = ok && ratio <= job.target;
        std::printf("%-16s %14.2f M %14.2f M %12.2f %8.2f%s\n", job.name, smallRate / 1e6, largeRate / 1e6, ratio,
                    job.target, !ok ? "  FAILED" : hit ? "" : "  missed");
        allOk = allOk && ok;
        met = met && hit;
    }
    std::error_code ec;
    std::filesystem::remove_all(benchDir("bursts"), ec);
    if (!allOk) return 1;
    return met ? 0 : 2;
}
