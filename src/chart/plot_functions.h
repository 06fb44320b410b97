#pragma once
// Extension points of the chart and the lists a panel keeps: functions that
// fill a series from its sources, chart tools, data-source components, named
// series groups and the tool and custom-axis lists.
#include <QString>
#include <memory>
#include <vector>

#include "chart/axis_scale.h"
#include "chart/series_data.h"

namespace brine::chart {

class TCustomAxisPanel;

enum TFunctionPeriodStyle { psNumPoints, psRange };
enum TFunctionPeriodAlign { paFirst, paCenter, paLast };

// A calculation filling its parent series from the points of its source.
// The parent series owns it.
class TPlotFunction : public TComponent {
public:
    explicit TPlotFunction(TComponent* Owner = nullptr);
    ~TPlotFunction() override = default;

    double Period() const { return Period_; }
    // Throws ChartException for a negative period.
    void SetPeriod(double Value);
    TFunctionPeriodStyle PeriodStyle() const { return PeriodStyle_; }
    void SetPeriodStyle(TFunctionPeriodStyle Value);
    TFunctionPeriodAlign PeriodAlign() const { return PeriodAlign_; }
    void SetPeriodAlign(TFunctionPeriodAlign Value);

    TChartSeries* ParentSeries() const { return ParentSeries_; }
    // Moves this function from its series to another one. With nullptr the
    // old series lets go of it and the caller receives the ownership. A
    // function held by no series is given with TChartSeries::SetFunction.
    std::unique_ptr<TPlotFunction> SetParentSeries(TChartSeries* Series);
    // While set, changes do not recalculate.
    bool Updating = false;

    void Assign(const TPlotFunction& Source);
    // Refills the parent series, unless updating.
    void Recalculate();

    virtual void CalculatePeriod(TChartSeries& Source, double X, int First, int Last);
    virtual void CalculateAll(TChartSeries& Source, TChartValueList& ValueList);
    virtual void CalculateByPeriod(TChartSeries& Source, TChartValueList& ValueList);
    virtual void CalculateSeries(TChartSeries& Source, TChartValueList& ValueList);
    virtual QString GetEditorClassName() const { return QStringLiteral("TPlotFunctionEditor"); }
    // Gives every series of the chart its gallery look.
    virtual void PrepareForGallery(TCustomAxisPanel& Chart);
    // First and Last of -1 mean all points.
    virtual double Calculate(TChartSeries& /*Source*/, int /*First*/, int /*Last*/) { return 0; }
    virtual double CalculateMany(const std::vector<TChartSeries*>& /*Sources*/, int /*ValueIndex*/) { return 0; }

    // Called by the parent series when it refills from Source.
    virtual void AddPoints(TChartSeries& Source);
    // The parent series was cleared.
    virtual void Cleared() {}

    TComponent* GetParentComponent() const { return ParentSeries_; }
    void SetParentComponent(TComponent* Value);
    bool HasParent() const { return true; }

private:
    friend class TChartSeries;
    // Adds a result point, X and Y exchanged for a horizontal series.
    void addResult(double X, double Y, bool exchange, const QString& Label = {});

    double Period_ = 0;
    TFunctionPeriodStyle PeriodStyle_ = psNumPoints;
    TFunctionPeriodAlign PeriodAlign_ = paCenter;
    TChartSeries* ParentSeries_ = nullptr;
};

// The small, quiet look of a series in a gallery preview: marks hidden and
// small, every second one, one colour per series (silver when disabled).
void PrepareSeriesForGallery(TChartSeries& Series, bool Enabled);

// Kinds of chart events the panel sends to its tools.
using TChartToolEvent = int;

// Base of chart tools. A tool in a panel's tools list belongs to that list.
class TPlotCustomTool : public TCustomChartElement {
public:
    ~TPlotCustomTool() override;
    void SetParentChart(TCustomAxisPanel* Value) override;

    virtual void ChartEvent(TChartToolEvent /*Event*/) {}
    virtual void ChartMouseEvent(TPlotMouseEventKind /*Event*/, TMouseButton /*Button*/, TShiftState /*Shift*/,
                                 int /*X*/, int /*Y*/) {}
    virtual QString Description() const { return {}; }

private:
    friend class TChartTools;
};

class TPlotCustomToolAxis : public TPlotCustomTool {
public:
    TChartAxis* Axis() const { return Axis_; }
    virtual void SetAxis(TChartAxis* Value);
    void SetParentChart(TCustomAxisPanel* Value) override;
    QString GetEditorClassName() const override { return QStringLiteral("TAxisToolEditor"); }
    // Stream form of the axis: its index in the panel's axes, -1 without one.
    int AxisID() const;
    void SetAxisID(int Value);

private:
    friend class TChartTools;
    TChartAxis* Axis_ = nullptr;
};

// Base of components that fill a series with data.
class TPlotSeriesSource : public TComponent {
public:
    explicit TPlotSeriesSource(TComponent* Owner = nullptr);
    ~TPlotSeriesSource() override;

    bool Active() const { return Active_; }
    virtual void SetActive(bool Value);
    TChartSeries* Series() const { return Series_; }
    void SetSeries(TChartSeries* Value);

    virtual bool HasSeries() const { return true; }
    virtual QString Description() const { return {}; }
    virtual QString EditorClass() const { return {}; }
    virtual bool IsAvailable() const { return false; }
    // True when the series takes its data from a source of this kind.
    virtual bool IsSourceOf(const TChartSeries& Value) const;
    virtual void Close();
    // A concrete source reads its data here.
    virtual void Load() {}
    virtual void Open();

    void Loaded();
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool Active_ = false;
    TChartSeries* Series_ = nullptr;
};

// Series of a panel, not owned.
class TCustomSeriesList {
public:
    TCustomAxisPanel* OwnerChart = nullptr;
    std::vector<TChartSeries*> Items;

    int Count() const { return static_cast<int>(Items.size()); }
    TChartSeries* operator[](int i) const;
    // Once the list belongs to a panel it takes only that panel's series, so
    // a series going away can always be found and dropped.
    bool Add(TChartSeries* Series);
    void Remove(TChartSeries* Series) { std::erase(Items, Series); }
    void Clear() { Items.clear(); }
    bool Contains(const TChartSeries* Series) const;
};

enum TSeriesGroupActive { gaYes, gaNo, gaSome };

class TSeriesGroups;

class TSeriesGroup {
public:
    explicit TSeriesGroup(TSeriesGroups* Collection = nullptr);

    QString Name;
    TCustomSeriesList& Series() { return Series_; }
    const TCustomSeriesList& Series() const { return Series_; }
    // Copies the list; series outside the group's panel are left out.
    void SetSeries(const TCustomSeriesList& Value);
    bool IsSeriesStored() const { return !Series_.Items.empty(); }

    TSeriesGroupActive Active() const;
    void SetActive(TSeriesGroupActive Value);

private:
    TCustomSeriesList Series_;
};

// The groups of a panel.
class TSeriesGroups {
public:
    explicit TSeriesGroups(TCustomAxisPanel* Owner = nullptr) : Owner(Owner) {}

    TCustomAxisPanel* Owner = nullptr;
    int Count() const { return static_cast<int>(Items_.size()); }
    TSeriesGroup* Item(int i) const;
    TSeriesGroup& Add();
    void Delete(int i);
    void Clear() { Items_.clear(); }
    // A series that leaves the panel leaves every group.
    void RemoveSeries(TChartSeries* Series);

private:
    std::vector<std::unique_ptr<TSeriesGroup>> Items_;
};

// The panel's series in drawing order, with the groups of the panel. A series
// handed over to the list is freed with it; the others stay their owner's and
// are only listed.
class TChartSeriesList : public TCustomSeriesList {
public:
    explicit TChartSeriesList(TCustomAxisPanel* Owner = nullptr) : Groups(Owner) { OwnerChart = Owner; }
    ~TChartSeriesList() { FreeOwned(); }
    TChartSeriesList(const TChartSeriesList&) = delete;
    TChartSeriesList& operator=(const TChartSeriesList&) = delete;

    TSeriesGroups Groups;
    // Takes ownership; the series is listed when it joins the panel.
    void Adopt(std::unique_ptr<TChartSeries> Series);
    bool Owns(const TChartSeries* Series) const;
    // Hands an owned series back (nullptr when not owned).
    std::unique_ptr<TChartSeries> Release(TChartSeries* Series);
    // Frees the owned series; the list must be emptied first.
    void FreeOwned() { Owned_.clear(); }

private:
    std::vector<std::unique_ptr<TChartSeries>> Owned_;
};

// Every axis of a panel in creation order: the six predefined ones first,
// then the custom ones. Axes adopted by the list are freed when it clears;
// custom axes belong to the custom-axes collection and are only listed.
class TChartAxes {
public:
    TChartAxes() = default;
    ~TChartAxes() { Clear(); }
    TChartAxes(const TChartAxes&) = delete;
    TChartAxes& operator=(const TChartAxes&) = delete;

    int Count() const { return static_cast<int>(Items_.size()); }
    // Null outside 0..Count-1.
    TChartAxis* operator[](int i) const;
    int IndexOf(const TChartAxis* Axis) const;
    const std::vector<TChartAxis*>& Items() const { return Items_; }
    auto begin() const { return Items_.begin(); }
    auto end() const { return Items_.end(); }
    // Lists an axis once.
    void Add(TChartAxis* Axis);
    template <typename T>
    T* Adopt(std::unique_ptr<T> Axis) {
        T* a = Axis.get();
        Add(a);
        Owned_.push_back(std::unique_ptr<TChartAxis>(Axis.release()));
        return a;
    }
    // Unlists an axis; an adopted one is not freed here (it is going away).
    void Remove(TChartAxis* Axis);
    void Clear();

    TChartAxis* BottomAxis() const { return (*this)[0]; }
    TChartAxis* TopAxis() const { return (*this)[1]; }
    TChartAxis* LeftAxis() const { return (*this)[2]; }
    TChartAxis* RightAxis() const { return (*this)[3]; }
    TChartAxis* DepthAxis() const { return (*this)[4]; }
    TChartAxis* DepthTopAxis() const { return (*this)[5]; }

private:
    std::vector<TChartAxis*> Items_;
    std::vector<std::unique_ptr<TChartAxis>> Owned_;
};

// The panel's custom axes, owned.
class TChartCustomAxes : public std::vector<std::unique_ptr<TChartAxis>> {
public:
    // Null outside 0..Count-1.
    TChartAxis* Item(int i) const;
    int Count() const { return static_cast<int>(size()); }
    // Custom axes following Axis take its range.
    void SyncLinkedAxes(const TChartAxis& Axis);
};

// The panel's tools. Clearing frees every tool.
class TChartTools {
public:
    explicit TChartTools(TCustomAxisPanel* Owner = nullptr) : Owner(Owner) {}
    ~TChartTools() { Clear(); }
    TChartTools(const TChartTools&) = delete;
    TChartTools& operator=(const TChartTools&) = delete;

    TCustomAxisPanel* Owner = nullptr;
    int Count() const { return static_cast<int>(Items_.size()); }
    TPlotCustomTool* operator[](int i) const;
    const std::vector<TPlotCustomTool*>& Items() const { return Items_; }
    // Adding a tool hands it to the list.
    void Add(TPlotCustomTool* Tool);
    // Hands the tool back without freeing it.
    void Remove(TPlotCustomTool* Tool) { std::erase(Items_, Tool); }
    void Clear();
    // Axis tools lose their link to an axis that goes away.
    void AxisRemoved(const TChartAxis* Axis);

private:
    std::vector<TPlotCustomTool*> Items_;
};

}  // namespace brine::chart
