// Comma-data import against plain number parsing: a file of 720 000 lines x
// 8 columns of random counts -30000..30000 times 0.01, each written with
// seven significant digits. The program's import (A = 0.01, B = 0, interval
// mode) against reading the same file into memory and parsing it in one pass
// with std::from_chars, rounding each value to its count. Prints the values
// per second of both and their ratio.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "base/binary_file.h"
#include "base/number_text.h"
#include "importers/comma_data.h"
#include "platform/api/progress.h"
#include "platform/api/scripted.h"

namespace {

using brine::bench::benchDir;
using brine::bench::RateReporter;
using brine::bench::SetValueRate;

constexpr int kLines = 720000;
constexpr int kColumns = 8;
constexpr std::int64_t kValues = static_cast<std::int64_t>(kLines) * kColumns;
constexpr double kA = 0.01, kB = 0;

// The file and its counts, line by line, made once.
struct Source {
    std::string path;
    std::vector<std::int16_t> counts;
};

const Source& source() {
    static const Source s = [] {
        Source f;
        f.path = (benchDir("comma") / "data.csv").string();
        std::mt19937 rng(4321);
        std::uniform_int_distribution<int> count(-30000, 30000);
        f.counts.resize(static_cast<std::size_t>(kValues));
        std::string text;
        text.reserve(static_cast<std::size_t>(kValues) * 8);
        std::size_t i = 0;
        for (int line = 0; line < kLines; ++line) {
            for (int c = 0; c < kColumns; ++c) {
                const auto n = static_cast<std::int16_t>(count(rng));
                f.counts[i++] = n;
                if (c > 0) text += ',';
                text += brine::FormatGeneral(n * kA, 7);
            }
            text += "\r\n";
        }
        brine::BinaryFile file(f.path, brine::OpenMode::Create);
        file.writeAll(text.data(), text.size());
        file.close();
        return f;
    }();
    return s;
}

brine::CommaImportSettings settings() {
    brine::CommaImportSettings s;
    s.SourceFileName = source().path;
    s.ReadColumns.assign(kColumns, true);
    for (int c = 0; c < kColumns; ++c) s.Channels.push_back({"X" + std::to_string(c + 1), "cm", kA, kB});
    return s;
}

void BM_ImportComma(benchmark::State& state) {
    const Source& f = source();
    const brine::CommaImportSettings s = settings();
    for (auto _ : state) {
        brine::ScriptedPrompter prompter;
        brine::NullProgress progress;
        brine::CommaImportResult r = brine::ImportCommaData(s, prompter, progress);
        if (!r.Completed || r.SampleCount != kLines || !prompter.shown.empty()) {
            state.SkipWithError("import failed");
            break;
        }
        for (std::size_t j = 0; j < static_cast<std::size_t>(kLines); j += 997)
            for (std::size_t c = 0; c < kColumns; ++c)
                if (r.Table[c][j] != f.counts[j * kColumns + c]) state.SkipWithError("counts differ");
    }
    SetValueRate(state, kValues);
}

void BM_FromCharsRead(benchmark::State& state) {
    const Source& f = source();
    std::vector<std::int16_t> counts(static_cast<std::size_t>(kValues));
    for (auto _ : state) {
        const std::string text = brine::ReadWholeFile(f.path);
        const char* p = text.data();
        const char* end = p + text.size();
        std::size_t n = 0;
        while (p < end) {
            double v = 0;
            p = std::from_chars(p, end, v).ptr;
            counts[n++] = static_cast<std::int16_t>(std::round((v - kB) / kA));
            if (p < end && *p == ',') {
                ++p;
            } else {
                while (p < end && *p != '\n') ++p;
                if (p < end) ++p;
            }
        }
        if (n != counts.size()) state.SkipWithError("wrong number of values");
    }
    if (counts != f.counts) state.SkipWithError("counts differ");
    SetValueRate(state, kValues);
}

}  // namespace

BENCHMARK(BM_ImportComma)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_FromCharsRead)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RateReporter reporter("values_per_second");
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(benchDir("comma"), ec);
    const auto import = reporter.rates.find("BM_ImportComma");
    const auto parse = reporter.rates.find("BM_FromCharsRead");
    if (import == reporter.rates.end() || parse == reporter.rates.end() || parse->second <= 0) {
        std::printf("Both benchmarks must run to compare the rates.\n");
        return 1;
    }
    const double ratio = import->second / parse->second;
    std::printf("\n  comma-data import: %6.2f million values/s\n", import->second / 1e6);
    std::printf("  from_chars read:   %6.2f million values/s\n", parse->second / 1e6);
    std::printf("  ratio:             %6.2f (at least 1.00 wanted)\n", ratio);
    return ratio >= 1.0 ? 0 : 2;
}
