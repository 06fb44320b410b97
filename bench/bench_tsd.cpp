// TSD text against plain number text: a file of 8 channels x 3600 samples x
// 500 bursts (14.4 million values of random counts -30000..30000), once with
// A = 0.01, B = 0 and once with A = 0.001, B = 100000 (8- and 9-digit texts).
// For each, SDF -> TSD through the program's conversion against formatting
// the same values with std::to_chars (general, 7 digits) into one buffer and
// writing it, and reading every burst with ReadTSDBurst against parsing the
// same file in one pass with std::from_chars and rounding to counts. Prints
// the values per second and the two ratios of each column set.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "converters/sdf_to_tsd.h"
#include "base/binary_file.h"
#include "bench_support.h"
#include "core/current_file.h"
#include "platform/api/progress.h"
#include "platform/api/scripted.h"

namespace {

using brine::bench::benchDir;
using brine::bench::RateReporter;
using brine::bench::SetValueRate;

constexpr int kChannels = 8;
constexpr int kSamples = 3600;
constexpr int kBursts = 500;
constexpr std::int64_t kValues = static_cast<std::int64_t>(kChannels) * kSamples * kBursts;

struct ColumnSet {
    const char* name;
    float a, b;
};
const ColumnSet kSets[] = {{"A0.01", 0.01f, 0.0f}, {"A0.001_B100000", 0.001f, 100000.0f}};

// The source SDF, the TSD the program makes of it and the counts, in record
// order (sample by sample, channels interleaved), made once per set.
struct Files {
    std::string sdf, tsd;
    std::vector<std::int16_t> counts;
};

brine::CurrentFile header(const ColumnSet& s) {
    brine::CurrentFile m;
    m.Memo = "bench";
    m.Nch = kChannels;
    m.SampleSize = kSamples;
    m.Iterations = kBursts;
    m.SInt = 1;
    m.SITUnit = 2;
    m.BInt = 1;
    m.BITUnit = 4;
    m.StartTime = 45000;
    for (int k = 0; k < kChannels; ++k) {
        m.SetChannelName(k, "ch" + std::to_string(k));
        m.SetChannelUnit(k, "cm");
        m.ScaleA[static_cast<std::size_t>(k)] = s.a;
        m.OffsetB[static_cast<std::size_t>(k)] = s.b;
    }
    m.AllocateDataArrays();
    return m;
}

bool convert(const std::string& sdf, const std::string& tsd) {
    brine::CurrentFile m;
    brine::ScriptedPrompter prompter;
    brine::NullProgress progress;
    if (std::filesystem::exists(tsd)) prompter.answer(brine::MsgResult::Yes);
    auto choose = [&](const std::string&) { return std::optional<std::string>(tsd); };
    return brine::ConvertSDFToTSD(m, sdf, choose, prompter, progress) == brine::JobResult::Done;
}

const Files& files(int set) {
    static std::map<int, Files> made;
    auto it = made.find(set);
    if (it != made.end()) return it->second;
    const ColumnSet& s = kSets[set];
    Files f;
    f.sdf = (benchDir("tsd") / (std::string(s.name) + ".sdf")).string();
    f.tsd = (benchDir("tsd") / (std::string(s.name) + ".tsd")).string();
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> count(-30000, 30000);
    f.counts.resize(static_cast<std::size_t>(kValues));
    for (auto& c : f.counts) c = static_cast<std::int16_t>(count(rng));
    brine::CurrentFile m = header(s);
    m.CreateSDFFile(f.sdf);
    m.SaveFileName = f.sdf;
    std::size_t i = 0;
    for (int b = 0; b < kBursts; ++b) {
        for (int j = 0; j < kSamples; ++j)
            for (int ch = 0; ch < kChannels; ++ch) m.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] = f.counts[i++];
        m.WriteSDFBurst(b);
    }
    convert(f.sdf, f.tsd);
    return made.emplace(set, std::move(f)).first->second;
}

void BM_SdfToTsd(benchmark::State& state) {
    const Files& f = files(static_cast<int>(state.range(0)));
    const std::string out = (benchDir("tsd") / "out.tsd").string();
    for (auto _ : state)
        if (!convert(f.sdf, out)) state.SkipWithError("conversion failed");
    SetValueRate(state, kValues);
    std::filesystem::remove(out);
}

void BM_ToCharsWrite(benchmark::State& state) {
    const ColumnSet& s = kSets[state.range(0)];
    const Files& f = files(static_cast<int>(state.range(0)));
    const std::string out = (benchDir("tsd") / "plain.txt").string();
    std::string buf;
    buf.reserve(static_cast<std::size_t>(kValues) * 16);
    for (auto _ : state) {
        buf.clear();
        char text[64];
        std::size_t i = 0;
        for (int b = 0; b < kBursts; ++b)
            for (int j = 0; j < kSamples; ++j) {
                for (int ch = 0; ch < kChannels; ++ch) {
                    const double v = static_cast<double>(static_cast<long double>(f.counts[i++]) * s.a + s.b);
                    if (ch > 0) buf += ',';
                    buf.append(text, std::to_chars(text, text + sizeof text, v, std::chars_format::general, 7).ptr);
                }
                buf += "\r\n";
            }
        brine::BinaryFile file(out, brine::OpenMode::Create);
        file.writeAll(buf.data(), buf.size());
        file.close();
    }
    SetValueRate(state, kValues);
    std::filesystem::remove(out);
}

void BM_ReadTsd(benchmark::State& state) {
    const Files& f = files(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        brine::CurrentFile m;
        brine::BurstJob job(m);  // as the program's jobs read
        if (!m.ReadTSDHeader(f.tsd)) state.SkipWithError("header refused");
        m.FileName = f.tsd;
        for (int b = 0; b < kBursts; ++b)
            if (!m.ReadTSDBurst(b)) state.SkipWithError("burst refused");
        // The last burst holds the counts written.
        const std::size_t last = static_cast<std::size_t>(kBursts - 1) * kSamples * kChannels;
        for (int j = 0; j < kSamples; ++j)
            for (int ch = 0; ch < kChannels; ++ch)
                if (m.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] !=
                    f.counts[last + static_cast<std::size_t>(j * kChannels + ch)])
                    state.SkipWithError("counts differ");
    }
    SetValueRate(state, kValues);
}

void BM_FromCharsRead(benchmark::State& state) {
    const ColumnSet& s = kSets[state.range(0)];
    const Files& f = files(static_cast<int>(state.range(0)));
    std::vector<std::int16_t> counts(static_cast<std::size_t>(kValues));
    for (auto _ : state) {
        const std::string text = brine::ReadWholeFile(f.tsd);
        const char* p = text.data();
        const char* end = p + text.size();
        auto nextLine = [&] {
            while (p < end && *p != '\n') ++p;
            if (p < end) ++p;
        };
        for (int i = 0; i < 12; ++i) nextLine();
        std::size_t n = 0;
        while (p < end) {
            if (*p == 'N') {  // "No." line
                nextLine();
                continue;
            }
            double v = 0;
            p = std::from_chars(p, end, v).ptr;
            counts[n++] = static_cast<std::int16_t>(std::nearbyint((v - s.b) / s.a));
            if (p < end && *p == ',') ++p;
            else nextLine();
        }
        if (n != counts.size()) state.SkipWithError("wrong number of values");
    }
    if (counts != f.counts) state.SkipWithError("counts differ");
    SetValueRate(state, kValues);
}

}  // namespace

BENCHMARK(BM_SdfToTsd)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ToCharsWrite)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ReadTsd)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FromCharsRead)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RateReporter reporter("values_per_second");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(benchDir("tsd"), ec);
    bool met = true;
    for (int set = 0; set < 2; ++set) {
        auto rate = [&](const char* bm) {
            auto it = reporter.rates.find(std::string(bm) + "/" + std::to_string(set) + "/iterations:3/real_time");
            return it == reporter.rates.end() ? 0.0 : it->second;
        };
        const double write = rate("BM_SdfToTsd"), chars = rate("BM_ToCharsWrite");
        const double read = rate("BM_ReadTsd"), parse = rate("BM_FromCharsRead");
        if (write <= 0 || chars <= 0 || read <= 0 || parse <= 0) continue;
        const double writeRatio = write / chars, readRatio = read / parse;
        std::printf("\n%s\n", kSets[set].name);
        std::printf("  SDF->TSD:         %6.2f million values/s\n", write / 1e6);
        std::printf("  to_chars write:   %6.2f million values/s\n", chars / 1e6);
        std::printf("  ratio write:      %6.2f (at least 1.50 wanted)\n", writeRatio);
        std::printf("  ReadTSDBurst:     %6.2f million values/s\n", read / 1e6);
        std::printf("  from_chars read:  %6.2f million values/s\n", parse / 1e6);
        std::printf("  ratio read:       %6.2f (at least 0.70 wanted)\n", readRatio);
        met = met && writeRatio >= 1.5 && readRatio >= 0.7;
    }
    if (reporter.rates.size() < 8) {
        std::printf("Every benchmark must run to compare the rates.\n");
        return 1;
    }
    return met ? 0 : 2;
}
