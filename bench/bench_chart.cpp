// Paints a 600 × 400 line chart offscreen (marks hidden) with 1 000 points
// and with 1 000 000 points: a 2D line, also zoomed to 1 000 of the million
// points; a 2D line with rectangle pointers; a 3D line. Reports each cost
// against the 1 000-point paint of the same kind.
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

enum class Kind { Line, Pointers, Line3D };

// A wavy line with noise, so every pixel column spans many values.
std::unique_ptr<brine::chart::TChart> makeChart(int points, Kind kind = Kind::Line) {
    using namespace brine::chart;
    auto chart = std::make_unique<TChart>();
    chart->resize(600, 400);
    chart->SetView3D(kind == Kind::Line3D);
    chart->Title().SetTextLine("Bench");
    auto* line = chart->AddSeries(std::make_unique<TLineSeries>());
    line->Marks.SetVisible(false);
    line->Pointer().SetVisible(kind == Kind::Pointers);
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

void BM_PaintPointers1k(benchmark::State& state) {
    auto chart = makeChart(kSmall, Kind::Pointers);
    paint(state, *chart);
}

void BM_PaintPointers1M(benchmark::State& state) {
    auto chart = makeChart(kLarge, Kind::Pointers);
    paint(state, *chart);
}

void BM_Paint3D1k(benchmark::State& state) {
    auto chart = makeChart(kSmall, Kind::Line3D);
    paint(state, *chart);
}

void BM_Paint3D1M(benchmark::State& state) {
    auto chart = makeChart(kLarge, Kind::Line3D);
    paint(state, *chart);
}

}  // namespace

BENCHMARK(BM_Paint1k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Paint1M)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Paint1MZoomedTo1k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaintPointers1k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaintPointers1M)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Paint3D1k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Paint3D1M)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    const auto time = [&](const char* name) {
        const auto it = reporter.times.find(name);
        return it == reporter.times.end() ? 0.0 : it->second;
    };
    struct Ratio {
        const char* text;
        const char* over;
        const char* under;
        double limit;
    };
    const Ratio ratios[] = {
        {"paint of 1e6 points / paint of 1e3 points:          ", "BM_Paint1M", "BM_Paint1k", 10},
        {"paint zoomed to 1e3 of 1e6 / paint of 1e3 points:   ", "BM_Paint1MZoomedTo1k", "BM_Paint1k", 2},
        {"with pointers, 1e6 points / 1e3 points:             ", "BM_PaintPointers1M", "BM_PaintPointers1k", 10},
        {"3D line, 1e6 points / 1e3 points:                   ", "BM_Paint3D1M", "BM_Paint3D1k", 10},
    };
    bool met = true;
    for (const Ratio& r : ratios) {
        const double over = time(r.over), under = time(r.under);
        if (over <= 0 || under <= 0) {
            std::printf("Every paint must run to compare their times.\n");
            return 1;
        }
        const double ratio = over / under;
        std::printf("%s%.2f (at most %g wanted)\n", r.text, ratio, r.limit);
        met = met && ratio <= r.limit;
    }
    return met ? 0 : 2;
}
