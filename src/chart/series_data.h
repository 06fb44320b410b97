#pragma once
// The data side of a chart series: named columns of values, point labels and
// colours, adding, deleting and sorting points, lazily kept statistics, the
// visible and page ranges, z order, legend texts and the propagation of
// changes to series fed from another one.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "chart/plot_canvas.h"
#include "chart/plot_const.h"
#include "chart/plot_panel.h"
#include "chart/series_marks.h"

namespace brine::chart {

class TChartSeries;
class TChartAxis;
class TCustomAxisPanel;

enum TOperation { opInsert, opRemove };

// The framework's component: a name, a tag and its loading state.
class TComponent {
public:
    virtual ~TComponent() = default;
    QString Name;
    long long Tag = 0;
    bool Loading = false;
    // Set while the destructor runs, so nothing works on a half-gone object.
    bool Destroying = false;
    // A component this one refers to is going away.
    virtual void Notification(TComponent* /*AComponent*/, TOperation /*Operation*/) {}
};

enum TChartListOrder { loNone, loAscending, loDescending };

// Values grow by this many places at a time.
inline int PlotValuesGrowStep = 1000;

class TChartValueList {
public:
    TChartValueList(TChartSeries* Owner, const QString& Name);
    virtual ~TChartValueList() = default;

    bool DateTime() const { return DateTime_; }
    void SetDateTime(bool v);
    bool DefaultDateTime = false;
    bool IsDateTimeStored() const { return DateTime_ != DefaultDateTime; }
    QString Name;
    TChartListOrder Order() const { return Order_; }
    void SetOrder(TChartListOrder v) { Order_ = v; }
    TChartSeries* Owner = nullptr;
    double PendingValue = 0;
    QString ValueSource() const { return ValueSource_; }
    void SetValueSource(const QString& v);

    int Count() const { return Count_; }
    // Reads outside 0..Count-1 give 0 and writes there are ignored.
    double Value(int index) const {
        return index >= 0 && index < Count_ ? Values_[static_cast<size_t>(index)] : 0.0;
    }
    void SetValue(int index, double v);
    double operator[](int index) const { return Value(index); }
    double First() const { return Value(0); }
    double Last() const { return Value(Count_ - 1); }
    int Capacity() const { return static_cast<int>(Values_.size()); }

    double MaxValue();
    double MinValue();
    double Total();
    double AbsTotal();
    double Range() { return MaxValue() - MinValue(); }
    bool StatsOutOfDate = true;

    virtual int AddValue(double Value);
    // Inserts PendingValue where the order wants it; returns its index.
    int AddPendingValue();
    virtual void Clear();
    // Index is clamped to 0..Count.
    virtual void InsertValue(int Index, double Value);
    virtual void Delete(int Index);
    void DeleteRange(int Start, int Quantity);
    virtual void ScrollValues();
    void Exchange(int A, int B);
    void Renumber();
    void Sort();
    void RecalcStats();
    // Order, DateTime and ValueSource; not the name nor the values.
    void Assign(const TChartValueList& source);

private:
    void growFor(int needed);

    bool DateTime_ = false;
    double MaxValue_ = 0, MinValue_ = 0, Total_ = 0, AbsTotal_ = 0;
    TChartListOrder Order_ = loNone;
    QString ValueSource_;
    std::vector<double> Values_;
    int Count_ = 0;
};

using TChartValueLists = std::vector<std::unique_ptr<TChartValueList>>;

// One entry per point: a label or none.
class TLabelsList {
public:
    int Count() const { return static_cast<int>(Items_.size()); }
    bool Empty() const { return Items_.empty(); }
    QString GetLabel(int i) const;
    bool HasLabel(int i) const { return i >= 0 && i < Count() && Items_[i].has_value(); }
    void InsertLabel(int i, const QString& text);
    void DeleteLabel(int i);
    void DeleteRange(int start, int quantity);
    void Exchange(int a, int b);
    void Assign(const TLabelsList& other);
    void Clear() { Items_.clear(); }

private:
    std::vector<std::optional<QString>> Items_;
};

struct TDataSourcesList {
    TChartSeries* Owner = nullptr;
    std::vector<TComponent*> Items;
};

class TPlotFunction;

class TCustomChartElement : public TComponent {
public:
    TCustomChartElement();
    ~TCustomChartElement() override;

    bool Active() const { return Active_; }
    virtual void SetActive(bool v);
    TChartBrush& Brush() { return *Brush_; }
    TChartPen& Pen() { return *Pen_; }
    virtual void SetPen(const TChartPen& v) { Pen_->Assign(v); }
    TCustomAxisPanel* ParentChart() const { return ParentChart_; }
    virtual void SetParentChart(TCustomAxisPanel* v) { ParentChart_ = v; }

    virtual void Repaint();
    virtual QString GetEditorClassName() const { return {}; }
    virtual void Assign(const TCustomChartElement& source);

protected:
    void SetBooleanProperty(bool& var, bool v);
    void SetIntegerProperty(int& var, int v);
    void SetColorProperty(TColor& var, TColor v);
    void SetStringProperty(QString& var, const QString& v);

    bool Active_ = true;
    TCustomAxisPanel* ParentChart_ = nullptr;

private:
    std::unique_ptr<TChartBrush> Brush_;
    std::unique_ptr<TChartPen> Pen_;
};

// Series notifications sent to the panel's listeners.
enum TSeriesNotification { snAdd = 0, snRemove = 1, snTitle = 2, snColor = 3, snActive = 5, snDataChanged = 6 };

class TCustomChartSeries : public TCustomChartElement {
public:
    bool ShowInLegend() const { return ShowInLegend_; }
    void SetShowInLegend(bool v) { SetBooleanProperty(ShowInLegend_, v); }
    QString Title() const { return Title_; }
    void SetTitle(const QString& v);
    QString Identifier;
    unsigned Style = 0;  // six flags of old streams

    void SetActive(bool v) override;
    virtual void GetHorizMargins(int& Left, int& Right) { Left = Right = 0; }
    virtual void GetVertMargins(int& Top, int& Bottom) { Top = Bottom = 0; }
    virtual void PrepareDraw() {}
    virtual void AddedToChart() {}
    void SetChartView3D(bool v);
    void ForgetParent() { ParentChart_ = nullptr; }
    void Assign(const TCustomChartElement& source) override;

protected:
    void notifyPanel(TSeriesNotification kind);

    bool ShowInLegend_ = true;
    QString Title_;
};

enum THorizAxis { aTopAxis, aBottomAxis, aBothHorizAxis, aCustomHorizAxis };
enum TVertAxis { aLeftAxis, aRightAxis, aBothVertAxis, aCustomVertAxis };
enum TValueNotification { vnClear = 0, vnAdd = 1, vnDelete = 2, vnRefresh = 3, vnModify = 4 };
enum TPropagateFlag : unsigned { pfDelete = 1, pfModify = 2, pfAdd = 4, pfClear = 8 };
enum TLegendTextStyle {
    ltsPlain, ltsLeftValue, ltsRightValue, ltsLeftPercent, ltsRightPercent, ltsXValue, ltsValue, ltsPercent,
    ltsXAndValue, ltsXAndPercent
};

class TChartSeries : public TCustomChartSeries {
public:
    TChartSeries();
    ~TChartSeries() override;

    // ---- colours
    TColor SeriesColor() const { return SeriesColor_ == clDefault ? AutoColor : SeriesColor_; }
    TColor StoredSeriesColor() const { return SeriesColor_; }
    virtual void SetSeriesColor(TColor v);
    bool ColorEachPoint() const { return ColorEachPoint_; }
    virtual void SetColorEachPoint(bool v) { SetBooleanProperty(ColorEachPoint_, v); }
    // Made once a point gets a colour of its own; unset entries are clDefault.
    std::unique_ptr<std::vector<TColor>> ColorList;
    QString ColorSource;
    void SetColorSource(const QString& v);  // a different text refills from the source
    TCursor Cursor = crDefault;
    TColor AutoColor = clDefault;

    TDataSourcesList DataSources;
    TComponent* DataSource() const { return DataSources.Items.empty() ? nullptr : DataSources.Items.front(); }
    int Depth = -1;
    QString XLabelsSource;
    void SetXLabelsSource(const QString& v);  // likewise
    std::vector<TChartSeries*> LinkedSeries;
    TSeriesMarks Marks{this};
    QString PercentFormat;
    QString ValueFormat;

    // ---- values
    TChartValueLists ValueLists;
    TChartValueList* XValues = nullptr;
    TChartValueList* YValues = nullptr;
    TChartValueList* MandatoryValueList = nullptr;
    TChartValueList* NotMandatoryValueList = nullptr;
    bool YMandatory = true;
    TLabelsList Labels;

    // ---- axes
    THorizAxis HorizAxis() const { return HorizAxis_; }
    void SetHorizAxis(THorizAxis v);
    TVertAxis VertAxis() const { return VertAxis_; }
    void SetVertAxis(TVertAxis v);
    TChartAxis* CustomHorizAxis() const { return CustomHorizAxis_; }
    void SetCustomHorizAxis(TChartAxis* v);
    TChartAxis* CustomVertAxis() const { return CustomVertAxis_; }
    void SetCustomVertAxis(TChartAxis* v);
    TChartAxis* GetHorizAxis = nullptr;
    TChartAxis* GetVertAxis = nullptr;
    void RecalcGetAxis();

    int ZOrder = -1;
    unsigned PropagateFlags = pfDelete | pfModify | pfAdd | pfClear;
    TPlotFunction* Function() const { return Function_.get(); }
    void SetFunction(std::unique_ptr<TPlotFunction> Value);
    bool MouseInside = false;

    // ---- events
    TNotifyEvent AfterDrawValues, BeforeDrawValues;
    std::function<void(TChartSeries* Sender, int ValueIndex)> OnAfterAdd;
    std::function<bool(TChartSeries* Sender)> OnBeforeAdd;
    std::function<void(TChartSeries* Sender)> OnClearValues;
    std::function<void(TChartSeries* Sender, int ValueIndex, QString& MarkText)> OnGetMarkText;
    TNotifyEvent OnMouseEnter, OnMouseLeave;

    bool StoreDataNever = false, StoreDataAlways = false, OwnData = false;
    int FirstValueIndex = -1, LastValueIndex = -1;
    int UpdateCount = 0;
    bool StoreXValues = true;
    bool CalcVisiblePoints = true;
    bool KeepPointBeyondEdge = false;
    bool SingleFunctionPoint = true;
    bool ExcludedFromZ = false;
    int AutoZOrder = 0;
    int StartZ = 0, MiddleZ = 0, EndZ = 0;

    // ---- adding and removing points
    int AddXY(double X, double Y, const QString& Label = {}, TColor Color = clDefault);
    int Add(double Value, const QString& Label = {}, TColor Color = clDefault);
    int AddNull(const QString& Label = {}) { return Add(0, Label, clNone); }
    int AddNullXY(double X, double Y, const QString& Label = {}) { return AddXY(X, Y, Label, clNone); }
    virtual int AddPointFrom(TChartSeries& Source, int ValueIndex);
    virtual void AddFromSeriesPoint(TChartSeries& Source, int ValueIndex);
    virtual void AddValuesFrom(TChartSeries& Source);
    virtual void Clear();
    virtual void ClearValueLists();
    // Throws ChartException for an index outside 0..Count-1.
    void Delete(int ValueIndex);
    void DeleteRange(int Start, int Quantity, bool RemoveGap = false);
    virtual void DeletePointFrom(TChartSeries& /*Source*/, int ValueIndex) { Delete(ValueIndex); }
    virtual void SwapValueIndex(int A, int B);
    void BeginUpdate() { ++UpdateCount; }
    void EndUpdate();
    virtual void NotifyPointAdded(int ValueIndex);
    virtual void NotifyValue(TValueNotification Event, int ValueIndex);
    void CheckDataSource();

    // ---- reading points
    int Count() const { return XValues->Count(); }
    int PointCount() const { return Count(); }
    virtual double XValue(int ValueIndex) const { return XValues->Value(ValueIndex); }
    virtual double YValue(int ValueIndex) const { return YValues->Value(ValueIndex); }
    virtual double MandatoryValue(int ValueIndex) const { return MandatoryValueList->Value(ValueIndex); }
    virtual double MarkValue(int ValueIndex) const { return MandatoryValue(ValueIndex); }
    virtual TColor ValueColor(int ValueIndex) const;
    // A point that is not drawn and breaks the line: colour clNone, or a
    // value that is not a finite number.
    bool IsNullPoint(int ValueIndex) const;
    TColor LegendItemColor(int ValueIndex) const { return ValueColor(ValueIndex); }
    virtual int LegendToValueIndex(int LegendIndex) const { return LegendIndex; }
    virtual void LegendItemText(int ValueIndex, TLegendTextStyle Style, QString& Text) const;
    virtual double MaxXValue() { return XValues->MaxValue(); }
    virtual double MaxYValue() { return YValues->MaxValue(); }
    double MaxZValue() const { return ZOrderValue(); }
    virtual double MinXValue() { return XValues->MinValue(); }
    virtual double MinYValue() { return YValues->MinValue(); }
    double MinZValue() const { return ZOrderValue(); }
    TChartValueList* ValueListByName(const QString& Name) const;
    TChartValueList* ValueListOfAxis(const TChartAxis* Axis) const;
    bool AssociatedToAxis(const TChartAxis* Axis) const;
    virtual bool UseAxis() const { return true; }
    QString GetTitle() const;

    // ---- positions and drawing order
    virtual int CalcXPos(int ValueIndex) const;
    virtual int CalcYPos(int ValueIndex) const;
    virtual void CalcVisibleRange();
    void CalcPageRange(int& First, int& Last) const;
    virtual void CalcZOrder();
    virtual void CalcDepthPositions();
    // The z order in use: ZOrder, or AutoZOrder when automatic.
    int ZOrderValue() const { return ZOrder == -1 ? AutoZOrder : ZOrder; }
    bool SharesZWithOther() const;
    // In 3D, series of one depth order drawn point by point together.
    virtual bool DrawsInterleaved() const { return SharesZWithOther(); }
    bool DrawValuesForward() const;
    bool DrawSeriesForward() const;
    virtual void DrawValue(int /*ValueIndex*/) {}
    virtual void DrawAllValues();
    void DoBeforeDrawValues() {
        if (BeforeDrawValues) BeforeDrawValues();
    }
    void DoAfterDrawValues() {
        if (AfterDrawValues) AfterDrawValues();
    }
    virtual int Clicked(int /*X*/, int /*Y*/) { return -1; }
    // The legend symbol of a point (-1: the series) in a rectangle.
    void DrawLegend(int ValueIndex, const TRect& Rect);
    virtual void DrawLegendBox(int ValueIndex, const TRect& Rect);
    virtual void EnumSubStyles(const std::function<void(const QString&)>& Proc) const { Proc(PlotMsg_SubStyleNormal); }
    virtual void SetSubStyle(int /*Index*/) {}
    virtual bool IsValidSourceOf(const TChartSeries* Source) const { return Source != this; }

    // ---- marks (series_marks.cpp)
    QString GetMarkText(int ValueIndex) const;
    void DrawMarks();
    virtual void DrawMark(int ValueIndex, const QString& Text, TSeriesMarkPosition& Position);
    int MaxMarkWidth();

    // ---- data sources, streaming and sample values (series_stream.cpp)
    // Names read from a stream, resolved in Loaded.
    QStringList DataSourceNames;
    // The series' own count for FillSampleValues(0); 0 leaves NumSampleValues.
    int SampleCount = 0;
    // Throws ChartException when the panel refuses the source.
    void SetDataSource(TComponent* Value);
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Resolves DataSourceNames once every component exists.
    void Loaded(const std::function<TComponent*(const QString&)>& FindComponent);
    bool ShouldStoreData() const { return StoreDataAlways || (OwnData && !StoreDataNever); }
    std::vector<std::uint8_t> WriteData() const;
    // Throws FormatError for a damaged block and leaves the points as they were.
    void ReadData(const std::vector<std::uint8_t>& Data);
    // Throws ChartException for a negative count; 0 means the default count.
    void FillSampleValues(int NumValues = 0);
    virtual int NumSampleValues() const { return 25; }
    virtual void AddSampleValues(int NumValues, bool OnlyMandatory = false);
    void SortAfterSamples();

    // ---- panel
    void SetParentChart(TCustomAxisPanel* v) override;
    void AddedToChart() override;
    virtual void RemovedFromChart();
    void Assign(const TCustomChartElement& source) override;

private:
    // Stores a point colour at Index, making the colour list when needed.
    void insertColor(int Index, TColor Color);

    TColor SeriesColor_ = clDefault;
    bool ColorEachPoint_ = false;
    THorizAxis HorizAxis_ = aBottomAxis;
    TVertAxis VertAxis_ = aLeftAxis;
    TChartAxis* CustomHorizAxis_ = nullptr;
    TChartAxis* CustomVertAxis_ = nullptr;
    std::unique_ptr<TPlotFunction> Function_;
    friend class TPlotFunction;
};

}  // namespace brine::chart
