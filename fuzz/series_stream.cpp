// The stored form of a chart series (its points, data sources and custom
// axes) read into a series of a chart, as a form is loaded, then resolved
// once every component exists.
#include <cstring>
#include <map>

#include "chart/axis_panel.h"
#include "chart/series_stream.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::chart;
using namespace brine::fuzz;

namespace {

// The series as stored, with every point, and its axes.
struct SeriesImage {
    std::vector<std::uint8_t> stream;
    const TChartAxis* horiz;
    const TChartAxis* vert;
    QStringList sourceNames;

    explicit SeriesImage(TChartSeries& s)
        : horiz(s.CustomHorizAxis()), vert(s.CustomVertAxis()), sourceNames(s.DataSourceNames) {
        const bool always = s.StoreDataAlways;
        s.StoreDataAlways = true;
        stream = WriteSeriesStream(s);
        s.StoreDataAlways = always;
    }
    bool operator==(const SeriesImage& o) const {
        return stream == o.stream && horiz == o.horiz && vert == o.vert && sourceNames == o.sourceNames;
    }
};

bool samePoints(const TChartSeries& a, const TChartSeries& b) {
    if (a.Count() != b.Count()) return false;
    for (int i = 0; i < a.Count(); ++i) {
        const double v[4] = {a.XValue(i), a.YValue(i), b.XValue(i), b.YValue(i)};
        if (std::memcmp(&v[0], &v[2], sizeof(double)) != 0 || std::memcmp(&v[1], &v[3], sizeof(double)) != 0)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureQtApplication();
    const std::vector<std::uint8_t> bytes(data, data + size);

    TCustomAxisPanel panel;
    panel.AddCustomAxis();
    TChartAxis* vert = panel.AddCustomAxis();
    TChartSeries first, second, loaded;
    first.Name = QStringLiteral("Series1");
    second.Name = QStringLiteral("Series2");
    loaded.Name = QStringLiteral("Series3");
    for (TChartSeries* s : {&first, &second, &loaded}) s->SetParentChart(&panel);
    first.AddXY(1, 5, QStringLiteral("潮位"), clRed);
    first.AddXY(2, 6);
    second.AddXY(0.5, -1);
    loaded.AddXY(10, 20, QStringLiteral("before"));
    loaded.AddXY(11, 21);
    loaded.SetCustomVertAxis(vert);
    const SeriesImage before(loaded);

    const bool read = RunCommand([&] { ReadSeriesStream(loaded, bytes); }, "series stream");
    if (!read) {
        if (!(SeriesImage(loaded) == before)) Fail("refused-changed-model", "series stream: the series changed");
        return 0;
    }
    std::map<QString, TComponent*> components{{first.Name, &first}, {second.Name, &second}, {loaded.Name, &loaded}};
    RunCommand(
        [&] {
            loaded.Loaded([&](const QString& n) {
                auto it = components.find(n);
                return it == components.end() ? nullptr : it->second;
            });
        },
        "series stream loaded");

    // What was read is stored again as it was.
    TChartSeries again;
    again.SetParentChart(&panel);
    loaded.StoreDataAlways = true;
    if (!RunCommand([&] { ReadSeriesStream(again, WriteSeriesStream(loaded)); }, "series stream written back"))
        Fail("stream-round-trip", "series stream: a stream written from a loaded series is refused");
    else if (!samePoints(loaded, again))
        Fail("stream-round-trip", "series stream: the points written back differ");
    again.SetParentChart(nullptr);
    return 0;
}
