#pragma once
// What the benchmarks share: a scratch folder of the run's own and a
// reporter that keeps each benchmark's rate for the ratios printed after.
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace brine::bench {

// A folder of this run's own (name plus process id); remove it at the end.
inline std::filesystem::path benchDir(const char* name) {
    const auto p = std::filesystem::temp_directory_path() /
                   (std::string("brine-bench-") + name + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(p);
    return p;
}

// Reports `values` values a run as the counter the ratios are taken from.
inline void SetValueRate(benchmark::State& state, long long values) {
    state.counters["values_per_second"] =
        benchmark::Counter(static_cast<double>(values), benchmark::Counter::kIsIterationInvariantRate);
}

// Prints the usual table and keeps, per benchmark, the value of its counter
// (the first of `counters` it has).
class RateReporter : public benchmark::ConsoleReporter {
public:
    explicit RateReporter(std::string counter) : counters_{std::move(counter)} {}
    explicit RateReporter(std::vector<std::string> counters) : counters_(std::move(counters)) {}
    // Keyed by the benchmark's function name and by its full name (with its
    // arguments), for benchmarks run once and for those run per argument.
    std::map<std::string, double> rates;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            for (const std::string& counter : counters_) {
                auto it = r.counters.find(counter);
                if (it == r.counters.end() || r.error_occurred) continue;
                rates[r.run_name.function_name] = it->second.value;
                rates[r.benchmark_name()] = it->second.value;
                break;
            }
        }
    }

private:
    std::vector<std::string> counters_;
};

}  // namespace brine::bench
