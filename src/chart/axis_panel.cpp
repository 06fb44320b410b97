#include "chart/axis_panel.h"

#include <algorithm>

namespace brine::chart {

TCustomAxisPanel::TCustomAxisPanel(QWidget* parent) : TCustomPlotPanelExtended(parent) {
    AutoRepaint = false;
    BottomAxis_ = std::make_unique<TChartAxis>(this);
    BottomAxis_->SetHorizontal(true);
    TopAxis_ = std::make_unique<TChartAxis>(this);
    TopAxis_->SetHorizontal(true);
    TopAxis_->SetOtherSide(true);
    TopAxis_->SetZPosition(100);
    LeftAxis_ = std::make_unique<TChartAxis>(this);
    RightAxis_ = std::make_unique<TChartAxis>(this);
    RightAxis_->SetOtherSide(true);
    RightAxis_->SetZPosition(100);
    for (auto& [axis, angle] : {std::pair{LeftAxis_.get(), 90}, std::pair{RightAxis_.get(), 270}}) {
        axis->Title().DefaultAngle = angle;
        axis->Title().SetAngle(angle);
    }
    for (TChartAxis* axis : {TopAxis_.get(), RightAxis_.get()}) {
        axis->Grid().DefaultZ = 100;
        axis->Grid().SetZPosition(100);
    }
    DepthAxis_ = std::make_unique<TChartDepthAxis>(this);
    DepthAxis_->SetOtherSide(true);
    DepthTopAxis_ = std::make_unique<TChartDepthAxis>(this);
    AutoRepaint = true;
}

TCustomAxisPanel::~TCustomAxisPanel() {
    Destroying = true;
    // The series stay with their owner; they only lose their panel.
    for (TChartSeries* s : std::vector<TChartSeries*>(SeriesList_)) s->RemovedFromChart();
    SeriesList_.clear();
    CustomAxes.clear();
    DepthTopAxis_.reset();
    DepthAxis_.reset();
    RightAxis_.reset();
    LeftAxis_.reset();
    TopAxis_.reset();
    BottomAxis_.reset();
    SeriesGroups.Clear();
    Tools.Clear();
}

TChartSeries* TCustomAxisPanel::Series(int i) const {
    return i >= 0 && i < SeriesCount() ? SeriesList_[static_cast<size_t>(i)] : nullptr;
}

void TCustomAxisPanel::AddSeries(TChartSeries* series) {
    if (!series || std::find(SeriesList_.begin(), SeriesList_.end(), series) != SeriesList_.end()) return;
    if (series->ParentChart() != this) {
        series->SetParentChart(this);  // comes back here once stored
        return;
    }
    SeriesList_.push_back(series);
    series->AddedToChart();
    BroadcastSeriesEvent(series, snAdd);
    Invalidate();
}

void TCustomAxisPanel::RemoveSeries(TChartSeries* series) {
    const auto it = std::find(SeriesList_.begin(), SeriesList_.end(), series);
    if (it == SeriesList_.end()) return;
    BroadcastSeriesEvent(series, snRemove);
    SeriesList_.erase(it);
    SeriesGroups.RemoveSeries(series);
    if (series->ParentChart() == this) series->RemovedFromChart();
    Invalidate();
}

TChartSeries* TCustomAxisPanel::MasterSeries(const TChartAxis* axis) const {
    TChartSeries* best = nullptr;
    for (TChartSeries* s : SeriesList_)
        if (s->Active() && s->AssociatedToAxis(axis) && (!best || s->Count() > best->Count())) best = s;
    return best;
}

TChartAxis* TCustomAxisPanel::AddCustomAxis() {
    CustomAxes.push_back(std::make_unique<TChartAxis>(this));
    return CustomAxes.back().get();
}

double TCustomAxisPanel::axisRange(const TChartAxis* axis, bool isX, bool isMax) const {
    if (!axis) return 0;
    if (axis->DepthAxisFlag) return isMax ? MaxZOrder + 0.5 : -0.5;

    if (MaxPointsPerPage > 0) {
        TChartSeries* first = nullptr;
        for (TChartSeries* s : SeriesList_)
            if (s->AssociatedToAxis(axis)) {
                first = s;
                break;
            }
        const bool pagedSide = (!first || first->YMandatory) ? isX : !isX;
        if (pagedSide) {
            TChartSeries* s = MasterSeries(axis);
            if (!s || s->Count() == 0) return 0;
            int lo = 0, hi = 0;
            s->CalcPageRange(lo, hi);
            const TChartValueList& list = isX ? *s->XValues : *s->YValues;
            const double vmin = list.Value(lo);
            if (!isMax) return vmin;
            double vmax = list.Value(hi);
            const int count = hi - lo + 1;
            if (!ScaleLastPage && count > 0 && count < MaxPointsPerPage) {
                vmax = vmax == vmin ? vmin + static_cast<double>(MaxPointsPerPage) / count
                                    : vmin + (vmax - vmin) * MaxPointsPerPage / count;
            }
            return vmax;
        }
    }

    bool anyActive = false;
    for (TChartSeries* s : SeriesList_)
        if (s->Active() && s->AssociatedToAxis(axis)) anyActive = true;
    bool first = true;
    double result = 0;
    for (TChartSeries* s : SeriesList_) {
        if (!(s->Active() || !anyActive) || s->Count() == 0 || !s->AssociatedToAxis(axis)) continue;
        const double v = isX ? (isMax ? s->MaxXValue() : s->MinXValue()) : (isMax ? s->MaxYValue() : s->MinYValue());
        if (first || (isMax ? v > result : v < result)) result = v;
        first = false;
    }
    return result;
}

TColor TCustomAxisPanel::GetDefaultColor(int index) const {
    if (SeriesColorPalette.empty()) return chart::GetDefaultColor(index);
    const long long n = static_cast<long long>(SeriesColorPalette.size());
    return SeriesColorPalette[static_cast<size_t>(((index % n) + n) % n)];
}

TColor TCustomAxisPanel::GetFreeSeriesColor(bool checkBackground, const TChartSeries* series) const {
    const int n = SeriesColorPalette.empty() ? static_cast<int>(ColorPalette().size())
                                             : static_cast<int>(SeriesColorPalette.size());
    for (int i = 0; i < n - 1; ++i) {
        const TColor c = GetDefaultColor(i);
        if (checkBackground && ColorToRGB(c) == ColorToRGB(Color())) continue;
        bool used = false;
        for (TChartSeries* s : SeriesList_)
            if (s != series && s->SeriesColor() == c) used = true;
        if (!used) return c;
    }
    return GetDefaultColor(n - 1);
}

void TCustomAxisPanel::CheckDataSource(TChartSeries& series) {
    if (Loading) return;
    if (TComponent* src = series.DataSource()) {
        if (auto* s = dynamic_cast<TChartSeries*>(src))
            series.AddValuesFrom(*s);
        else if (auto* source = dynamic_cast<TPlotSeriesSource*>(src); source && source->Active())
            source->Load();
    } else if (series.Function() && series.Active()) {
        series.BeginUpdate();
        series.Clear();
        series.Function()->AddPoints(series);
        series.EndUpdate();
    }
}

void TCustomAxisPanel::BroadcastSeriesEvent(TCustomChartSeries* series, TSeriesNotification kind) {
    TPlotSeriesEvent event;
    event.Series = series;
    event.Kind = kind;
    NotifyListeners(event);
}

}  // namespace brine::chart
