// The burst jobs on shapes of the same kind of data against a baseline
// (A = 0.01, random counts): many small bursts, 32 767 bursts x 8 channels x
// 18 samples, against 500 x 8 x 3 600; and one burst, as interval recordings
// are, 1 x 1 channel x 10 000 000 samples and 1 x 8 x 1 250 000 against the
// same number of values in 1 000 bursts. Each job runs on both shapes of a
// pair in turn, five times; the best time of each gives its values per
// second, and the ratio of the two is the cost of a value in the shape
// against one in the baseline. Exits with 2 when a ratio misses its target,
// 1 when a job fails.

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

constexpr int kRuns = 5;

struct Shape {
    const char* name;
    int bursts, samples, channels;
    std::int64_t values() const { return static_cast<std::int64_t>(bursts) * channels * samples; }
};
const Shape kSmall{"small", 32767, 18, 8};
const Shape kLarge{"large", 500, 3600, 8};
const Shape kOneBurst1{"one-1", 1, 10000000, 1};
const Shape kManyBursts1{"many-1", 1000, 10000, 1};
const Shape kOneBurst8{"one-8", 1, 1250000, 8};
const Shape kManyBursts8{"many-8", 1000, 1250, 8};

// A minute, an hour, or (longer bursts) as many seconds as a burst has
// samples of a second: the bursts of a shape follow each other.
int burstSeconds(const Shape& s) { return s.samples <= 60 ? 60 : s.samples <= 3600 ? 3600 : s.samples; }

// Bursts `first`.. of channels `firstChannel`.. of the shape's counts, from
// sample `firstSample` on, `samples` a burst, as an SDF or TSD file (by
// extension). Burst b starts b burst intervals after the common start and
// sample j j seconds after its burst, so parts of one shape merge and link
// back together.
std::vector<std::int16_t> writeFile(const std::string& path, const Shape& s, int first, int bursts, int firstSample,
                                    int samples, int firstChannel, int channels) {
    brine::CurrentFile m;
    m.Memo = "bench";
    m.Nch = static_cast<std::int16_t>(channels);
    m.SampleSize = samples;
    m.Iterations = static_cast<std::int16_t>(bursts);
    m.SInt = 1;
    m.SITUnit = 2;  // sec
    const int burstSec = burstSeconds(s);
    m.BInt = burstSec == 60 ? 1 : burstSec == 3600 ? 1 : burstSec;
    m.BITUnit = burstSec == 60 ? 3 : burstSec == 3600 ? 4 : 2;
    m.StartTime = 45000 + (static_cast<double>(first) * burstSec + firstSample) / 86400;
    for (int k = 0; k < channels; ++k) {
        m.SetChannelName(k, "ch" + std::to_string(firstChannel + k));
        m.SetChannelUnit(k, "cm");
        m.ScaleA[static_cast<std::size_t>(k)] = 0.01f;
        m.OffsetB[static_cast<std::size_t>(k)] = 0;
    }
    m.AllocateDataArrays();
    const bool tsd = brine::UpperExtension(path) == ".TSD";
    if (!(tsd ? m.CreateTSDFile(path) : m.CreateSDFFile(path))) std::exit(1);
    m.SaveFileName = path;
    std::vector<std::int16_t> last;
    for (int b = 0; b < bursts; ++b) {
        std::mt19937 rng(static_cast<unsigned>(first + b) * 131u + static_cast<unsigned>(firstSample));
        std::uniform_int_distribution<int> count(-30000, 30000);
        for (int ch = 0; ch < channels; ++ch)
            for (int j = 0; j < samples; ++j)
                m.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] = static_cast<std::int16_t>(count(rng));
        if (!(tsd ? m.WriteTSDBurst(b) : m.WriteSDFBurst(b))) std::exit(1);
    }
    for (int ch = 0; ch < channels; ++ch) last.insert(last.end(), m.Data[static_cast<std::size_t>(ch)].begin(), m.Data[static_cast<std::size_t>(ch)].end());
    return last;
}

struct Files {
    std::string sdf, tsd, left, right, early, late;
    std::vector<std::int16_t> lastBurst;  // counts of the last burst, channel by channel
    bool oneBurst = false;                // early and late split the samples, to be linked as intervals
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
    f.lastBurst = writeFile(f.sdf, s, 0, s.bursts, 0, s.samples, 0, s.channels);
    writeFile(f.tsd, s, 0, s.bursts, 0, s.samples, 0, s.channels);
    // The merge joins the channels of two files: of one channel each when
    // the shape has one.
    const int leftChannels = std::max(1, s.channels / 2);
    writeFile(f.left, s, 0, s.bursts, 0, s.samples, 0, leftChannels);
    writeFile(f.right, s, 0, s.bursts, 0, s.samples, leftChannels, std::max(1, s.channels - leftChannels));
    f.oneBurst = s.bursts == 1;
    if (f.oneBurst) {
        const int half = s.samples / 2;
        writeFile(f.early, s, 0, 1, 0, half, 0, s.channels);
        writeFile(f.late, s, 0, 1, half, s.samples - half, 0, s.channels);
    } else {
        const int half = s.bursts / 2;
        writeFile(f.early, s, 0, half, 0, s.samples, 0, s.channels);
        writeFile(f.late, s, half, s.bursts - half, 0, s.samples, 0, s.channels);
    }
    return f;
}

// The counts read of the last burst are those written, at some thousand
// places of each channel: a check of every count would cost a shape of one
// burst a pass over all its values, others over one burst of theirs.
bool sameLastBurst(const brine::CurrentFile& m, const Files& f) {
    const auto samples = static_cast<std::size_t>(m.SampleSize);
    if (static_cast<std::size_t>(m.Nch) * samples != f.lastBurst.size()) return false;
    const std::size_t step = std::max<std::size_t>(1, samples / 1024);
    auto same = [&](std::size_t ch, std::size_t j) { return m.Data[ch][j] == f.lastBurst[ch * samples + j]; };
    for (std::size_t ch = 0; ch < static_cast<std::size_t>(m.Nch) && samples > 0; ++ch) {
        for (std::size_t j = 0; j < samples; j += step)
            if (!same(ch, j)) return false;
        if (!same(ch, samples - 1)) return false;
    }
    return true;
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
    r.Checked.assign(static_cast<std::size_t>(m.Nch), true);
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
    // Files of one burst are linked as the interval recordings they are.
    if (f.oneBurst) prompter.answer(brine::MsgResult::Yes);
    brine::LinkPlan plan;
    if (set.PrepareSave(std::to_string(set.RefBInt), set.RefBITUnit, plan) != brine::SaveStep::Proceed) return false;
    if (plan.intervalMode != f.oneBurst) return false;
    return set.LinkFiles(target, "link", plan) == brine::LinkOutcome::Done;
}

struct Job {
    const char* name;
    double smallTarget;  // small / large per value, at most
    std::function<bool(const Files&)> run;
};

// A shape against its baseline, every job on both.
struct Pair {
    Shape shape, baseline;
    double target;  // for every job; 0: each job's small target
};

}  // namespace

int main() {
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
    const std::vector<Pair> pairs = {
        {kSmall, kLarge, 0},
        {kOneBurst1, kManyBursts1, 1.5},
        {kOneBurst8, kManyBursts8, 1.5},
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
    bool allOk = true, met = true;
    for (const Pair& pair : pairs) {
        std::printf("\nWriting the files of %s and %s...\n", pair.shape.name, pair.baseline.name);
        const Files shape = makeFiles(pair.shape), baseline = makeFiles(pair.baseline);
        const std::string ratioName = std::string(pair.shape.name) + "/" + pair.baseline.name;
        std::printf("%-16s %14s/s %14s/s %12s %8s\n", "job", pair.shape.name, pair.baseline.name, ratioName.c_str(),
                    "target");
        for (const Job& job : jobs) {
            double bestShape = 1e300, bestBaseline = 1e300;
            bool ok = true;
            // The shapes take turns, so a change in the machine's speed falls on both.
            for (int i = 0; i < kRuns; ++i) {
                bestShape = std::min(bestShape, seconds(job.run, shape, ok));
                bestBaseline = std::min(bestBaseline, seconds(job.run, baseline, ok));
            }
            const double shapeRate = static_cast<double>(pair.shape.values()) / bestShape;
            const double baselineRate = static_cast<double>(pair.baseline.values()) / bestBaseline;
            const double ratio = baselineRate / shapeRate;
            const double target = pair.target > 0 ? pair.target : job.smallTarget;
            const bool hit = ok && ratio <= target;
            std::printf("%-16s %14.2f M %14.2f M %12.2f %8.2f%s\n", job.name, shapeRate / 1e6, baselineRate / 1e6,
                        ratio, target, !ok ? "  FAILED" : hit ? "" : "  missed");
            allOk = allOk && ok;
            met = met && hit;
        }
        for (const Files* f : {&shape, &baseline})
            for (const std::string* p : {&f->sdf, &f->tsd, &f->left, &f->right, &f->early, &f->late})
                std::filesystem::remove(*p);
    }
    std::error_code ec;
    std::filesystem::remove_all(benchDir("bursts"), ec);
    if (!allOk) return 1;
    return met ? 0 : 2;
}
