// Paints a 600 × 400 line chart offscreen (2D, no pointers, marks hidden)
// with 1 000 points, with 1 000 000 points, and with 1 000 000 points zoomed
// to 1 000 of them; reports the two costs against the 1 000-point paint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "chart/chart.h"
#include "chart/line_series.h"

namespace {

constexpr int kSmall = 1000;
constexpr int kLarge = 1000000;

// A wavy line with noise, so every pixel column spans many values.
std::unique_ptr<brine::chart::TChart> makeChart(int points) {
    using namespace brine::chart;
    auto chart = std::make_unique<TChart>();
    chart->resize(600, 400);
    chart->SetView3D(false);
    chart->Title().SetTextLine("Bench");
    auto* line = chart->AddSeries(std::make_unique<TLineSeries>());
    line->Marks.SetVisible(false);
    line->Pointer().SetVisible(false);
    unsigned seed = 12345;
    line->BeginUpdate();
    for (int i = 0; i < points; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double noise = static_cast<double>((seed >> 16) & 0x7FFF) / 32768.0 - 0.5;
        line->AddXY(i, std::sin(i * 6.0 / points * 3.14159) * 10 + noise);
    }
    line->EndUpdate();
    return chart;
}

void paint(benchmark::State& state, brine::chart::TChart& chart) {
    const brine::chart::TRect rect = chart.PanelRectangle();
    for (auto _ : state) {
        auto bmp = chart.RenderToBitmap(brine::chart::clWhite, rect);
        benchmark::DoNotOptimize(bmp.get());
    }
}

void BM_Paint1k(benchmark::State& state) {
    auto chart = makeChart(kSmall);
    paint(state, *chart);
}

void BM_Paint1M(benchmark::State& state) {
    auto chart = makeChart(kLarge);
    paint(state, *chart);
}

void BM_Paint1MZoomedTo1k(benchmark::State& state) {
    auto chart = makeChart(kLarge);
    // A thousand points in the middle of the series.
    chart->BottomAxis().SetRange(kLarge / 2, kLarge / 2 + kSmall - 1);
    paint(state, *chart);
}

}  // namespace

BENCHMARK(BM_Paint1k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Paint1M)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Paint1MZoomedTo1k)->Unit(benchmark::kMillisecond)->UseRealTime();

namespace {

// Prints the usual table and keeps each benchmark's time per paint.
class TimeReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> times;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (!r.error_occurred && r.iterations > 0) times[r.run_name.function_name] = r.GetAdjustedRealTime();
    }
};

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    TimeReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto small = reporter.times.find("BM_Paint1k");
    const auto large = reporter.times.find("BM_Paint1M");
    const auto zoomed = reporter.times.find("BM_Paint1MZoomedTo1k");
    if (small == reporter.times.end() || large == reporter.times.end() || zoomed == reporter.times.end() ||
        small->second <= 0) {
        std::printf("All three paints must run to compare their times.\n");
        return 1;
    }
    const double fullRatio = large->second / small->second;
    const double zoomRatio = zoomed->second / small->second;
    std::printf("paint of 1e6 points / paint of 1e3 points:          %.2f (at most 10 wanted)\n", fullRatio);
    std::printf("paint zoomed to 1e3 of 1e6 / paint of 1e3 points:   %.2f (at most 2 wanted)\n", zoomRatio);
    return fullRatio <= 10 && zoomRatio <= 2 ? 0 : 2;
}
