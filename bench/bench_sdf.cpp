// Writes and reads a 256 MB SDF file (8 channels, 3600 samples a burst) and
// copies the same number of bytes with a plain buffered loop; reports both
// rates and their ratio. Then saves an edited header into an SDF of 400 MB
// and into one of 1 MB, each synced beforehand: a header save costs a
// header, so the two take about as long.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <filesystem>
#include <vector>

#include "bench_support.h"
#include "core/current_file.h"

namespace {

using brine::bench::benchDir;
using brine::bench::RateReporter;

constexpr int kChannels = 8;
constexpr int kSamples = 3600;
constexpr std::uint64_t kTarget = 256ull << 20;
const int kBursts = static_cast<int>(kTarget / (kChannels * kSamples * 2));

brine::CurrentFile makeModel() {
    brine::CurrentFile m;
    m.Nch = kChannels;
    m.SampleSize = kSamples;
    m.Iterations = static_cast<std::int16_t>(kBursts);
    m.SInt = 1;
    m.SITUnit = 2;
    m.BInt = 1;
    m.BITUnit = 4;
    for (int k = 0; k < kChannels; ++k) m.ScaleA[static_cast<std::size_t>(k)] = 1;
    m.AllocateDataArrays();
    for (int ch = 0; ch < kChannels; ++ch)
        for (int j = 0; j < kSamples; ++j) m.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] = static_cast<std::int16_t>(ch * 1000 + j);
    return m;
}

void BM_SdfWriteRead(benchmark::State& state) {
    auto path = (benchDir("sdf") / "bench.sdf").string();
    brine::CurrentFile m = makeModel();
    for (auto _ : state) {
        m.CreateSDFFile(path);
        m.SaveFileName = path;
        for (int b = 0; b < kBursts; ++b)
            if (!m.WriteSDFBurst(b)) state.SkipWithError("write failed");
        m.FileName = path;
        for (int b = 0; b < kBursts; ++b)
            if (!m.ReadSDFBurst(b)) state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 * kBursts * kChannels * kSamples * 2);
    std::filesystem::remove(path);
}

void BM_PlainCopy(benchmark::State& state) {
    auto src = (benchDir("sdf") / "plain.src").string();
    auto dst = (benchDir("sdf") / "plain.dst").string();
    const std::size_t record = kChannels * kSamples * 2;
    std::vector<char> buf(record, 'x');
    {
        std::FILE* f = std::fopen(src.c_str(), "wb");
        for (int b = 0; b < kBursts; ++b) std::fwrite(buf.data(), 1, record, f);
        std::fclose(f);
    }
    for (auto _ : state) {
        std::FILE* in = std::fopen(src.c_str(), "rb");
        std::FILE* out = std::fopen(dst.c_str(), "wb");
        while (std::fread(buf.data(), 1, record, in) == record) std::fwrite(buf.data(), 1, record, out);
        std::fclose(in);
        std::fclose(out);
    }
    // A copy reads and writes every byte once, like the SDF write-then-read.
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 * kBursts * record);
    std::filesystem::remove(src);
    std::filesystem::remove(dst);
}

// An SDF of the model's shape with `bursts` bursts, on disk.
std::string syncedSdf(brine::CurrentFile& m, int bursts, const std::string& name) {
    const std::string path = (benchDir("sdf") / name).string();
    m.Iterations = static_cast<std::int16_t>(bursts);
    m.CreateSDFFile(path);
    m.SaveFileName = path;
    for (int b = 0; b < bursts; ++b) m.WriteSDFBurst(b);
    const int fd = ::open(path.c_str(), O_RDONLY);
    ::fsync(fd);
    ::close(fd);
    return path;
}

void BM_HeaderSave(benchmark::State& state) {
    brine::CurrentFile m = makeModel();
    const int bursts = static_cast<int>((state.range(0) << 20) / (kChannels * kSamples * 2));
    const std::string path = syncedSdf(m, bursts, "header-" + std::to_string(state.range(0)) + ".sdf");
    int saves = 0;
    for (auto _ : state) {
        m.SetMemo("edited " + std::to_string(++saves));
        if (!m.RewriteSDFHeader(path)) state.SkipWithError("header save failed");
    }
    state.counters["saves_per_second"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_HeaderSave)->Arg(1)->Arg(400)->Unit(benchmark::kMillisecond)->Iterations(40)->UseRealTime();
BENCHMARK(BM_SdfWriteRead)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RateReporter reporter(std::vector<std::string>{"bytes_per_second", "saves_per_second"});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(benchDir("sdf"), ec);
    auto sdf = reporter.rates.find("BM_SdfWriteRead");
    auto copy = reporter.rates.find("BM_PlainCopy");
    auto small = reporter.rates.find("BM_HeaderSave/1/iterations:40/real_time");
    auto large = reporter.rates.find("BM_HeaderSave/400/iterations:40/real_time");
    if (sdf == reporter.rates.end() || copy == reporter.rates.end() || copy->second <= 0 ||
        small == reporter.rates.end() || large == reporter.rates.end() || large->second <= 0) {
        std::printf("Every benchmark must run to compare their rates.\n");
        return 1;
    }
    const double mib = 1024.0 * 1024.0;
    const double ratio = sdf->second / copy->second;
    std::printf("SDF write+read: %.1f MiB/s\nplain copy:     %.1f MiB/s\nratio SDF/copy: %.2f (at least 0.50 wanted)\n",
                sdf->second / mib, copy->second / mib, ratio);
    // Rates are saves a second: the time of a save is their inverse.
    const double headerRatio = small->second / large->second;
    std::printf("header save, 400 MB: %.2f ms\nheader save, 1 MB:   %.2f ms\nratio 400 MB/1 MB:   %.2f (at most 2 wanted)\n",
                1000 / large->second, 1000 / small->second, headerRatio);
    return ratio >= 0.5 && headerRatio <= 2 ? 0 : 2;
}
