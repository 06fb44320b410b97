#include "chart/plot_functions.h"

#include <algorithm>
#include <typeinfo>

#include "chart/axis_panel.h"

namespace brine::chart {

// ---- TPlotFunction

TPlotFunction::TPlotFunction(TComponent* /*Owner*/) {}

void TPlotFunction::SetPeriod(double Value) {
    if (!(Value >= 0)) throw ChartException(PlotMsg_FunctionPeriod);
    if (Period_ == Value) return;
    Period_ = Value;
    Recalculate();
}

void TPlotFunction::SetPeriodStyle(TFunctionPeriodStyle Value) {
    if (PeriodStyle_ == Value) return;
    PeriodStyle_ = Value;
    Recalculate();
}

void TPlotFunction::SetPeriodAlign(TFunctionPeriodAlign Value) {
    if (PeriodAlign_ == Value) return;
    PeriodAlign_ = Value;
    Recalculate();
}

void TPlotFunction::Recalculate() {
    if (!Updating && ParentSeries_) ParentSeries_->CheckDataSource();
}

std::unique_ptr<TPlotFunction> TPlotFunction::SetParentSeries(TChartSeries* Series) {
    if (Series == ParentSeries_ || !ParentSeries_ || ParentSeries_->Function_.get() != this) return nullptr;
    std::unique_ptr<TPlotFunction> self(ParentSeries_->Function_.release());
    ParentSeries_ = nullptr;
    if (!Series) return self;
    Series->SetFunction(std::move(self));
    return nullptr;
}

void TPlotFunction::SetParentComponent(TComponent* Value) {
    if (auto* series = dynamic_cast<TChartSeries*>(Value)) SetParentSeries(series);
}

void TPlotFunction::Assign(const TPlotFunction& Source) {
    Period_ = Source.Period_;
    PeriodStyle_ = Source.PeriodStyle_;
    PeriodAlign_ = Source.PeriodAlign_;
}

void TPlotFunction::addResult(double X, double Y, bool exchange, const QString& Label) {
    if (exchange)
        ParentSeries_->AddXY(Y, X, Label, clDefault);
    else
        ParentSeries_->AddXY(X, Y, Label, clDefault);
}

void TPlotFunction::AddPoints(TChartSeries& Source) {
    // A series cannot feed its own function: it would read what it writes.
    if (Updating || !ParentSeries_ || &Source == ParentSeries_) return;
    std::vector<TChartSeries*> sources;
    for (TComponent* c : ParentSeries_->DataSources.Items)
        if (auto* s = dynamic_cast<TChartSeries*>(c); s && s != ParentSeries_) sources.push_back(s);
    if (sources.size() >= 2) {
        TChartSeries* longest = sources.front();
        for (TChartSeries* s : sources)
            if (s->Count() > longest->Count()) longest = s;
        for (int t = 0; t < longest->Count(); ++t) {
            const double y = CalculateMany(sources, t);
            addResult(longest->NotMandatoryValueList->Value(t), y, !longest->YMandatory, longest->Labels.GetLabel(t));
        }
    } else if (Source.Count() > 0) {
        CalculateSeries(Source, *Source.NotMandatoryValueList);
    }
}

void TPlotFunction::CalculateSeries(TChartSeries& Source, TChartValueList& ValueList) {
    if (Period_ != 0)
        CalculateByPeriod(Source, ValueList);
    else
        CalculateAll(Source, ValueList);
}

void TPlotFunction::CalculateAll(TChartSeries& Source, TChartValueList& ValueList) {
    const double v = Calculate(Source, -1, -1);
    if (ParentSeries_->SingleFunctionPoint) {
        addResult(ValueList.MinValue() + ValueList.Range() * 0.5, v, !ParentSeries_->YMandatory);
    } else {
        addResult(ValueList.MinValue(), v, !Source.YMandatory);
        addResult(ValueList.MaxValue(), v, !Source.YMandatory);
    }
}

void TPlotFunction::CalculateByPeriod(TChartSeries& Source, TChartValueList& ValueList) {
    const int count = Source.Count();
    // A period that rounds to no point would never move on: take at least one.
    const long long perPeriod = std::max(1, Round(Period_));
    const TChartAxis* axis = ParentSeries_->GetHorizAxis;
    const bool dateTime = ValueList.DateTime() || (axis && axis->IsDateTimeScale);
    int i = 0;
    while (i <= count - 1) {
        const double start = ValueList.Value(i);
        double end = start;
        long long last = i;
        if (PeriodStyle_ == psNumPoints) {
            last = i + perPeriod - 1;
            if (last < count) end = ValueList.Value(static_cast<int>(last));
        } else {
            double next = start;
            if (dateTime) {
                const int step = FindDateTimeStep(Period_);
                StepDateTime(axis ? axis->ExactDateTime() : true, true, next, Period_, step);
            } else {
                next = start + Period_;
            }
            end = next - 0.001 * Period_;
            while (last < count - 1 && ValueList.Value(static_cast<int>(last) + 1) < next) ++last;
        }
        if (last < count) {
            double x = (start + end) * 0.5;
            if (PeriodAlign_ == paFirst) x = start;
            if (PeriodAlign_ == paLast) x = end;
            CalculatePeriod(Source, x, i, static_cast<int>(last));
        }
        if (last + 1 > count) break;
        i = static_cast<int>(last) + 1;
    }
}

void PrepareSeriesForGallery(TChartSeries& Series, bool Enabled) {
    Series.Marks.SetVisible(false);
    Series.Marks.Font().SetSize(7);
    Series.Marks.Callout().SetLength(4);
    Series.Marks.SetDrawEvery(2);
    Series.SetColorEachPoint(false);
    TColor color = 0xC0C0C0;
    if (Enabled) {
        TCustomAxisPanel* chart = Series.ParentChart();
        const bool first = !chart || chart->SeriesList().Items.empty() || chart->SeriesList().Items.front() == &Series;
        color = chart ? chart->GetDefaultColor(first ? 0 : 3) : Series.SeriesColor();
    }
    Series.SetSeriesColor(color);
}

void TPlotFunction::PrepareForGallery(TCustomAxisPanel& Chart) {
    // Copied: a series may react by changing the panel's list.
    const std::vector<TChartSeries*> list = Chart.SeriesList().Items;
    for (TChartSeries* s : list) PrepareSeriesForGallery(*s, true);
}

void TPlotFunction::CalculatePeriod(TChartSeries& Source, double X, int First, int Last) {
    const double y = (PeriodStyle_ == psRange && First > Last) ? 0 : Calculate(Source, First, Last);
    addResult(X, y, !Source.YMandatory);
}

// ---- tools

TPlotCustomTool::~TPlotCustomTool() {
    Destroying = true;
    if (ParentChart_) ParentChart_->Tools.Remove(this);
    ParentChart_ = nullptr;
}

void TPlotCustomTool::SetParentChart(TCustomAxisPanel* Value) {
    if (Value == ParentChart_) return;
    TCustomAxisPanel* old = ParentChart_;
    ParentChart_ = Value;
    if (old) {
        old->Tools.Remove(this);
        if (!Value) old->Invalidate();
    }
    if (Value) Value->Tools.Add(this);
}

void TPlotCustomToolAxis::SetParentChart(TCustomAxisPanel* Value) {
    // The axis belongs to the old panel and may go with it.
    if (Axis_ && Axis_->ParentChart != Value) Axis_ = nullptr;
    TPlotCustomTool::SetParentChart(Value);
}

void TPlotCustomToolAxis::SetAxis(TChartAxis* Value) {
    if (Value == Axis_) return;
    Axis_ = Value;
    if (Value && Value->ParentChart) TPlotCustomTool::SetParentChart(Value->ParentChart);
    Repaint();
}

int TPlotCustomToolAxis::AxisID() const {
    if (!Axis_ || !ParentChart_) return -1;
    return ParentChart_->AxesList.IndexOf(Axis_);
}

void TPlotCustomToolAxis::SetAxisID(int Value) {
    if (!ParentChart_) return;
    if (TChartAxis* axis = ParentChart_->AxesList[Value]) SetAxis(axis);
}

TPlotCustomTool* TChartTools::operator[](int i) const {
    return i >= 0 && i < Count() ? Items_[static_cast<size_t>(i)] : nullptr;
}

void TChartTools::Add(TPlotCustomTool* Tool) {
    if (!Tool || std::find(Items_.begin(), Items_.end(), Tool) != Items_.end()) return;
    Items_.push_back(Tool);
    if (Tool->ParentChart() != Owner) Tool->SetParentChart(Owner);
}

void TChartTools::Clear() {
    const std::vector<TPlotCustomTool*> tools = std::move(Items_);
    Items_.clear();
    for (TPlotCustomTool* t : tools) {
        t->ParentChart_ = nullptr;
        delete t;
    }
}

void TChartTools::AxisRemoved(const TChartAxis* Axis) {
    for (TPlotCustomTool* t : Items_)
        if (auto* axisTool = dynamic_cast<TPlotCustomToolAxis*>(t); axisTool && axisTool->Axis_ == Axis)
            axisTool->Axis_ = nullptr;
}

// ---- data sources

TPlotSeriesSource::TPlotSeriesSource(TComponent* /*Owner*/) {}

TPlotSeriesSource::~TPlotSeriesSource() {
    Close();
    Destroying = true;
    SetSeries(nullptr);
}

void TPlotSeriesSource::SetActive(bool Value) {
    if (Value == Active_) return;
    if (Series_) {
        if (Value) {
            if (!Loading) Load();
        } else if (!Destroying && !Series_->Destroying) {
            Series_->Clear();
        }
    }
    Active_ = Value;
}

void TPlotSeriesSource::SetSeries(TChartSeries* Value) {
    if (Value == Series_) return;
    Close();
    if (TChartSeries* old = Series_) {
        Series_ = nullptr;
        std::erase(old->DataSources.Items, static_cast<TComponent*>(this));
    }
    if (!Value) return;
    // The series takes its data from this source only.
    for (TComponent* c : std::vector<TComponent*>(Value->DataSources.Items)) {
        if (c == this) continue;
        if (auto* s = dynamic_cast<TChartSeries*>(c))
            std::erase(s->LinkedSeries, Value);
        else if (auto* other = dynamic_cast<TPlotSeriesSource*>(c); other && other->Series_ == Value)
            other->SetSeries(nullptr);
    }
    Series_ = Value;
    Value->DataSources.Items.assign(1, this);
    Value->OwnData = false;
}

bool TPlotSeriesSource::IsSourceOf(const TChartSeries& Value) const {
    const TComponent* source = Value.DataSource();
    return source && typeid(*source) == typeid(*this);
}

void TPlotSeriesSource::Close() {
    if (!Loading && !Destroying) SetActive(false);
}

void TPlotSeriesSource::Open() {
    if (!Active_)
        SetActive(true);
    else if (Series_)
        Load();
}

void TPlotSeriesSource::Loaded() {
    Loading = false;
    if (Active_ && Series_) Load();
}

void TPlotSeriesSource::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent && AComponent == Series_) SetSeries(nullptr);
}

// ---- series lists and groups

TChartSeries* TCustomSeriesList::operator[](int i) const {
    return i >= 0 && i < Count() ? Items[static_cast<size_t>(i)] : nullptr;
}

bool TCustomSeriesList::Contains(const TChartSeries* Series) const {
    return std::find(Items.begin(), Items.end(), Series) != Items.end();
}

bool TCustomSeriesList::Add(TChartSeries* Series) {
    if (!Series || Contains(Series)) return false;
    if (OwnerChart && Series->ParentChart() != OwnerChart) return false;
    Items.push_back(Series);
    return true;
}

TSeriesGroup::TSeriesGroup(TSeriesGroups* Collection) {
    Series_.OwnerChart = Collection ? Collection->Owner : nullptr;
}

void TSeriesGroup::SetSeries(const TCustomSeriesList& Value) {
    Series_.Clear();
    for (TChartSeries* s : Value.Items) Series_.Add(s);
}

TSeriesGroupActive TSeriesGroup::Active() const {
    const auto& items = Series_.Items;
    const auto active = std::count_if(items.begin(), items.end(), [](const TChartSeries* s) { return s->Active(); });
    if (active == static_cast<long>(items.size())) return gaYes;
    return active == 0 ? gaNo : gaSome;
}

void TSeriesGroup::SetActive(TSeriesGroupActive Value) {
    if (Value == gaSome || Value == Active()) return;
    for (TChartSeries* s : std::vector<TChartSeries*>(Series_.Items)) s->SetActive(Value == gaYes);
}

TSeriesGroup* TSeriesGroups::Item(int i) const {
    return i >= 0 && i < Count() ? Items_[static_cast<size_t>(i)].get() : nullptr;
}

TSeriesGroup& TSeriesGroups::Add() {
    Items_.push_back(std::make_unique<TSeriesGroup>(this));
    return *Items_.back();
}

void TSeriesGroups::Delete(int i) {
    if (i >= 0 && i < Count()) Items_.erase(Items_.begin() + i);
}

void TSeriesGroups::RemoveSeries(TChartSeries* Series) {
    for (auto& g : Items_) g->Series().Remove(Series);
}

// ---- series and axes lists

void TChartSeriesList::Adopt(std::unique_ptr<TChartSeries> Series) {
    if (Series && !Owns(Series.get())) Owned_.push_back(std::move(Series));
}

bool TChartSeriesList::Owns(const TChartSeries* Series) const {
    return std::find_if(Owned_.begin(), Owned_.end(), [&](auto& p) { return p.get() == Series; }) != Owned_.end();
}

std::unique_ptr<TChartSeries> TChartSeriesList::Release(TChartSeries* Series) {
    const auto it = std::find_if(Owned_.begin(), Owned_.end(), [&](auto& p) { return p.get() == Series; });
    if (it == Owned_.end()) return nullptr;
    std::unique_ptr<TChartSeries> gone = std::move(*it);
    Owned_.erase(it);
    return gone;
}

TChartAxis* TChartAxes::operator[](int i) const {
    return i >= 0 && i < Count() ? Items_[static_cast<size_t>(i)] : nullptr;
}

int TChartAxes::IndexOf(const TChartAxis* Axis) const {
    const auto it = std::find(Items_.begin(), Items_.end(), Axis);
    return it == Items_.end() ? -1 : static_cast<int>(it - Items_.begin());
}

void TChartAxes::Add(TChartAxis* Axis) {
    if (Axis && IndexOf(Axis) < 0) Items_.push_back(Axis);
}

void TChartAxes::Remove(TChartAxis* Axis) {
    std::erase(Items_, Axis);
    const auto it = std::find_if(Owned_.begin(), Owned_.end(), [&](auto& p) { return p.get() == Axis; });
    if (it != Owned_.end()) {
        (void)it->release();
        Owned_.erase(it);
    }
}

void TChartAxes::Clear() {
    // Each axis unlists itself as it goes, so the lists are emptied first.
    std::vector<std::unique_ptr<TChartAxis>> owned = std::move(Owned_);
    Owned_.clear();
    Items_.clear();
    while (!owned.empty()) owned.pop_back();
}

// ---- custom axes

TChartAxis* TChartCustomAxes::Item(int i) const {
    return i >= 0 && i < Count() ? (*this)[static_cast<size_t>(i)].get() : nullptr;
}

void TChartCustomAxes::SyncLinkedAxes(const TChartAxis& Axis) {
    for (auto& custom : *this) {
        if (custom.get() == &Axis || custom->MasterAxis != &Axis) continue;
        // Axes that follow each other stop once their ranges agree.
        if (custom->Minimum() != Axis.Minimum() || custom->Maximum() != Axis.Maximum())
            custom->SetRange(Axis.Minimum(), Axis.Maximum());
    }
}

}  // namespace brine::chart
