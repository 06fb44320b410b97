#include "chart/series_data.h"

#include <algorithm>
#include <cmath>

#include "chart/axis_panel.h"
#include "chart/plot_format.h"

namespace brine::chart {

// ---- TChartValueList

TChartValueList::TChartValueList(TChartSeries* owner, const QString& name) : Name(name), Owner(owner) {}

void TChartValueList::SetDateTime(bool v) {
    if (v == DateTime_) return;
    DateTime_ = v;
    if (Owner) Owner->Repaint();
}

void TChartValueList::SetValueSource(const QString& v) {
    if (v == ValueSource_) return;
    ValueSource_ = v;
    if (Owner) Owner->CheckDataSource();
}

void TChartValueList::SetValue(int index, double v) {
    if (index < 0 || index >= Count_) return;
    Values_[static_cast<size_t>(index)] = v;
    StatsOutOfDate = true;
}

void TChartValueList::growFor(int needed) {
    if (Capacity() >= needed) return;
    const int step = std::max(1, PlotValuesGrowStep);
    Values_.resize(static_cast<size_t>(Capacity()) + static_cast<size_t>(((needed - Capacity() + step - 1) / step) * step));
}

int TChartValueList::AddValue(double Value) {
    PendingValue = Value;
    return AddPendingValue();
}

int TChartValueList::AddPendingValue() {
    const double v = PendingValue;
    int index = Count_;
    if (Order_ == loAscending && Count_ > 0 && v < Values_[static_cast<size_t>(Count_ - 1)]) {
        int i = Count_ - 1;
        while (i >= 0 && Values_[static_cast<size_t>(i)] > v) --i;
        index = i + 1;
    } else if (Order_ == loDescending && Count_ > 0 && v > Values_[static_cast<size_t>(Count_ - 1)]) {
        int i = Count_ - 1;
        while (i >= 0 && Values_[static_cast<size_t>(i)] < v) --i;
        index = i + 1;
    }
    InsertValue(index, v);
    return index;
}

void TChartValueList::InsertValue(int Index, double Value) {
    Index = std::clamp(Index, 0, Count_);
    growFor(Count_ + 1);
    std::copy_backward(Values_.begin() + Index, Values_.begin() + Count_, Values_.begin() + Count_ + 1);
    Values_[static_cast<size_t>(Index)] = Value;
    ++Count_;
    StatsOutOfDate = true;
}

void TChartValueList::Clear() {
    Count_ = 0;
    Values_.clear();
    Values_.shrink_to_fit();
    StatsOutOfDate = true;
}

void TChartValueList::Delete(int Index) { DeleteRange(Index, 1); }

void TChartValueList::DeleteRange(int Start, int Quantity) {
    if (Start < 0 || Start >= Count_ || Quantity < 1) return;
    Quantity = std::min(Quantity, Count_ - Start);
    std::copy(Values_.begin() + Start + Quantity, Values_.begin() + Count_, Values_.begin() + Start);
    Count_ -= Quantity;
    StatsOutOfDate = true;
}

void TChartValueList::ScrollValues() {
    if (Count_ < 2) return;
    std::rotate(Values_.begin(), Values_.begin() + 1, Values_.begin() + Count_);
    StatsOutOfDate = true;
}

void TChartValueList::Exchange(int A, int B) {
    if (A < 0 || B < 0 || A >= Count_ || B >= Count_) return;
    std::swap(Values_[static_cast<size_t>(A)], Values_[static_cast<size_t>(B)]);
    StatsOutOfDate = true;
    if (Owner) Owner->NotifyValue(vnModify, A);
}

void TChartValueList::Renumber() {
    for (int i = 0; i < Count_; ++i) Values_[static_cast<size_t>(i)] = i;
    StatsOutOfDate = true;
    if (Owner) Owner->NotifyValue(vnModify, 0);
}

void TChartValueList::Sort() {
    if (Order_ == loNone || Count_ < 2) return;
    const int sign = Order_ == loDescending ? -1 : 1;
    IndexQuickSort(
        0, Count_ - 1,
        [&](int a, int b) {
            const double va = Values_[static_cast<size_t>(a)], vb = Values_[static_cast<size_t>(b)];
            return sign * (va < vb ? -1 : (va > vb ? 1 : 0));
        },
        [&](int a, int b) {
            if (Owner)
                Owner->SwapValueIndex(a, b);
            else
                std::swap(Values_[static_cast<size_t>(a)], Values_[static_cast<size_t>(b)]);
        });
    StatsOutOfDate = true;
}

void TChartValueList::RecalcStats() {
    Count_ = std::min(Count_, Capacity());
    MaxValue_ = MinValue_ = Total_ = AbsTotal_ = 0;
    // Values that are not finite numbers belong to null points: they take no
    // part in ranges and totals.
    bool first = true;
    for (int i = 0; i < Count_; ++i) {
        const double v = Values_[static_cast<size_t>(i)];
        if (!std::isfinite(v)) continue;
        if (first) {
            MaxValue_ = MinValue_ = v;
            first = false;
        } else if (v < MinValue_) {
            MinValue_ = v;
        } else if (v > MaxValue_) {
            MaxValue_ = v;
        }
        Total_ += v;
        AbsTotal_ += std::fabs(v);
    }
    StatsOutOfDate = false;
}

double TChartValueList::MaxValue() {
    if (StatsOutOfDate) RecalcStats();
    return MaxValue_;
}

double TChartValueList::MinValue() {
    if (StatsOutOfDate) RecalcStats();
    return MinValue_;
}

double TChartValueList::Total() {
    if (StatsOutOfDate) RecalcStats();
    return Total_;
}

double TChartValueList::AbsTotal() {
    if (StatsOutOfDate) RecalcStats();
    return AbsTotal_;
}

void TChartValueList::Assign(const TChartValueList& source) {
    Order_ = source.Order_;
    DateTime_ = source.DateTime_;
    ValueSource_ = source.ValueSource_;
}

// ---- TLabelsList

QString TLabelsList::GetLabel(int i) const { return HasLabel(i) ? *Items_[static_cast<size_t>(i)] : QString(); }

void TLabelsList::InsertLabel(int i, const QString& text) {
    if (i < 0) return;
    if (text.isEmpty() && Items_.empty()) return;
    if (static_cast<size_t>(i) > Items_.size()) Items_.resize(static_cast<size_t>(i));
    std::optional<QString> entry;
    if (!text.isEmpty()) entry = text;
    Items_.insert(Items_.begin() + i, std::move(entry));
}

void TLabelsList::DeleteLabel(int i) { DeleteRange(i, 1); }

void TLabelsList::DeleteRange(int start, int quantity) {
    if (start < 0 || start >= Count() || quantity < 1) return;
    quantity = std::min(quantity, Count() - start);
    Items_.erase(Items_.begin() + start, Items_.begin() + start + quantity);
}

void TLabelsList::Exchange(int a, int b) {
    if (a < 0 || b < 0 || a >= Count() || b >= Count()) return;
    std::swap(Items_[static_cast<size_t>(a)], Items_[static_cast<size_t>(b)]);
}

void TLabelsList::Assign(const TLabelsList& other) {
    Clear();
    for (int i = 0; i < other.Count(); ++i) InsertLabel(i, other.GetLabel(i));
}

// ---- TCustomChartElement

TCustomChartElement::TCustomChartElement()
    : Brush_(std::make_unique<TChartBrush>([this] { Repaint(); })),
      Pen_(std::make_unique<TChartPen>([this] { Repaint(); })) {}

TCustomChartElement::~TCustomChartElement() { ParentChart_ = nullptr; }

void TCustomChartElement::SetActive(bool v) { SetBooleanProperty(Active_, v); }

void TCustomChartElement::Repaint() {
    if (ParentChart_) ParentChart_->Invalidate();
}

void TCustomChartElement::Assign(const TCustomChartElement& source) {
    Active_ = source.Active_;
    Brush_->Assign(*source.Brush_);
    Pen_->Assign(*source.Pen_);
    Tag = source.Tag;
}

void TCustomChartElement::SetBooleanProperty(bool& var, bool v) {
    if (var == v) return;
    var = v;
    Repaint();
}

void TCustomChartElement::SetIntegerProperty(int& var, int v) {
    if (var == v) return;
    var = v;
    Repaint();
}

void TCustomChartElement::SetColorProperty(TColor& var, TColor v) {
    if (var == v) return;
    var = v;
    Repaint();
}

void TCustomChartElement::SetStringProperty(QString& var, const QString& v) {
    if (var == v) return;
    var = v;
    Repaint();
}

// ---- TCustomChartSeries

void TCustomChartSeries::notifyPanel(TSeriesNotification kind) {
    if (!ParentChart_) return;
    ParentChart_->BroadcastSeriesEvent(this, kind);
    ParentChart_->SeriesChanged(this);
}

void TCustomChartSeries::SetActive(bool v) {
    if (v == Active_) return;
    TCustomChartElement::SetActive(v);
    notifyPanel(snActive);
}

void TCustomChartSeries::SetTitle(const QString& v) {
    if (v == Title_) return;
    SetStringProperty(Title_, v);
    notifyPanel(snTitle);
}

void TCustomChartSeries::SetChartView3D(bool v) {
    if (ParentChart_) ParentChart_->SetView3D(v);
}

void TCustomChartSeries::Assign(const TCustomChartElement& source) {
    if (auto* s = dynamic_cast<const TCustomChartSeries*>(&source)) {
        ShowInLegend_ = s->ShowInLegend_;
        Title_ = s->Title_;
        Style = s->Style;
        Identifier = s->Identifier;
    }
    TCustomChartElement::Assign(source);
}

// ---- TChartSeries

TChartSeries::TChartSeries() : PercentFormat(PlotMsg_DefaultPercentFormat), ValueFormat(PlotMsg_DefaultValueFormat) {
    DataSources.Owner = this;
    ValueLists.push_back(std::make_unique<TChartValueList>(this, PlotMsg_ValuesX));
    XValues = ValueLists.back().get();
    XValues->SetOrder(loAscending);
    ValueLists.push_back(std::make_unique<TChartValueList>(this, PlotMsg_ValuesY));
    YValues = ValueLists.back().get();
    MandatoryValueList = YValues;
    NotMandatoryValueList = XValues;
}

TChartSeries::~TChartSeries() {
    Destroying = true;
    Function_.reset();
    // Sources no longer feed this series, and dependants lose it as a source.
    for (TComponent* c : std::vector<TComponent*>(DataSources.Items)) {
        if (auto* src = dynamic_cast<TChartSeries*>(c))
            std::erase(src->LinkedSeries, this);
        else
            c->Notification(this, opRemove);
    }
    for (TChartSeries* s : LinkedSeries) std::erase(s->DataSources.Items, static_cast<TComponent*>(this));
    if (ParentChart_) ParentChart_->RemoveSeries(this);
    ParentChart_ = nullptr;
}

void TChartSeries::SetSeriesColor(TColor v) {
    if (SeriesColor_ == clDefault && v == AutoColor) return;
    SetColorProperty(SeriesColor_, v);
    AutoColor = SeriesColor_;
    notifyPanel(snColor);
}

void TChartSeries::RecalcGetAxis() {
    GetHorizAxis = GetVertAxis = nullptr;
    if (!ParentChart_) return;
    switch (HorizAxis_) {
        case aTopAxis: GetHorizAxis = &ParentChart_->TopAxis(); break;
        case aCustomHorizAxis:
            GetHorizAxis = CustomHorizAxis_ ? CustomHorizAxis_ : &ParentChart_->BottomAxis();
            break;
        default: GetHorizAxis = &ParentChart_->BottomAxis(); break;
    }
    switch (VertAxis_) {
        case aRightAxis: GetVertAxis = &ParentChart_->RightAxis(); break;
        case aCustomVertAxis: GetVertAxis = CustomVertAxis_ ? CustomVertAxis_ : &ParentChart_->LeftAxis(); break;
        default: GetVertAxis = &ParentChart_->LeftAxis(); break;
    }
}

void TChartSeries::SetHorizAxis(THorizAxis v) {
    if (v != aCustomHorizAxis && !(ParentChart_ && ParentChart_->Loading)) CustomHorizAxis_ = nullptr;
    HorizAxis_ = v;
    RecalcGetAxis();
    Repaint();
}

void TChartSeries::SetVertAxis(TVertAxis v) {
    if (v != aCustomVertAxis && !(ParentChart_ && ParentChart_->Loading)) CustomVertAxis_ = nullptr;
    VertAxis_ = v;
    RecalcGetAxis();
    Repaint();
}

void TChartSeries::SetCustomHorizAxis(TChartAxis* v) {
    CustomHorizAxis_ = v;
    HorizAxis_ = v ? aCustomHorizAxis : aBottomAxis;
    RecalcGetAxis();
    Repaint();
}

void TChartSeries::SetCustomVertAxis(TChartAxis* v) {
    CustomVertAxis_ = v;
    VertAxis_ = v ? aCustomVertAxis : aLeftAxis;
    RecalcGetAxis();
    Repaint();
}

void TChartSeries::SetFunction(std::unique_ptr<TPlotFunction> Value) {
    Function_ = std::move(Value);
    if (Function_) Function_->ParentSeries_ = this;
    OwnData = false;
    CheckDataSource();
}

// ---- adding points

void TChartSeries::insertColor(int Index, TColor Color) {
    if (!ColorList && Color != clDefault) ColorList = std::make_unique<std::vector<TColor>>(Count() - 1, clDefault);
    if (!ColorList) return;
    auto& list = *ColorList;
    if (static_cast<size_t>(Index) > list.size()) list.resize(static_cast<size_t>(Index), clDefault);
    list.insert(list.begin() + Index, Color);
}

int TChartSeries::AddXY(double X, double Y, const QString& Label, TColor Color) {
    XValues->PendingValue = X;
    YValues->PendingValue = Y;
    if (OnBeforeAdd && !OnBeforeAdd(this)) return -1;
    const int index = XValues->AddPendingValue();
    YValues->InsertValue(index, YValues->PendingValue);
    for (size_t i = 2; i < ValueLists.size(); ++i) ValueLists[i]->InsertValue(index, ValueLists[i]->PendingValue);
    insertColor(index, Color);
    if (!Label.isEmpty() || !Labels.Empty()) Labels.InsertLabel(index, Label);
    if (UpdateCount == 0) NotifyPointAdded(index);
    return index;
}

int TChartSeries::Add(double Value, const QString& Label, TColor Color) {
    const double n = XValues->Count();
    return YMandatory ? AddXY(n, Value, Label, Color) : AddXY(Value, n, Label, Color);
}

int TChartSeries::AddPointFrom(TChartSeries& Source, int ValueIndex) {
    const bool swap = Source.YMandatory != YMandatory;
    const double x = swap ? Source.YValue(ValueIndex) : Source.XValue(ValueIndex);
    const double y = swap ? Source.XValue(ValueIndex) : Source.YValue(ValueIndex);
    const int index = XValues->AddValue(x);
    YValues->InsertValue(index, y);
    for (size_t i = 2; i < ValueLists.size(); ++i) {
        const double v = i < Source.ValueLists.size() ? Source.ValueLists[i]->Value(ValueIndex) : 0.0;
        ValueLists[i]->InsertValue(index, v);
    }
    return index;
}

void TChartSeries::AddFromSeriesPoint(TChartSeries& Source, int ValueIndex) {
    const int index = AddPointFrom(Source, ValueIndex);
    TColor c = clDefault;
    if (Source.ColorList && ValueIndex >= 0 && static_cast<size_t>(ValueIndex) < Source.ColorList->size())
        c = (*Source.ColorList)[static_cast<size_t>(ValueIndex)];
    insertColor(index, c);
    const QString label = Source.Labels.GetLabel(ValueIndex);
    if (!label.isEmpty() || !Labels.Empty()) Labels.InsertLabel(index, label);
    NotifyPointAdded(index);
}

void TChartSeries::AddValuesFrom(TChartSeries& Source) {
    BeginUpdate();
    Clear();
    if (Function_) {
        XValues->SetDateTime(Source.XValues->DateTime());
        YValues->SetDateTime(Source.YValues->DateTime());
        Function_->AddPoints(Source);
    } else if (&Source != this) {
        for (int i = 0; i < Source.Count(); ++i) AddFromSeriesPoint(Source, i);
    }
    EndUpdate();
}

void TChartSeries::NotifyPointAdded(int ValueIndex) {
    if (OnAfterAdd) OnAfterAdd(this, ValueIndex);
    NotifyValue(vnAdd, ValueIndex);
    if (Active_) Repaint();
}

void TChartSeries::NotifyValue(TValueNotification Event, int ValueIndex) {
    if (UpdateCount != 0) return;
    // A dependant may unlink itself while it refreshes.
    const std::vector<TChartSeries*> linked = LinkedSeries;
    for (TChartSeries* s : linked) {
        switch (Event) {
            case vnClear:
                if (s->PropagateFlags & pfClear) s->Clear();
                break;
            case vnAdd:
                if ((s->PropagateFlags & pfAdd) && !s->Function_) s->AddFromSeriesPoint(*this, ValueIndex);
                break;
            case vnDelete:
                if ((s->PropagateFlags & pfDelete) && !s->Function_ && ValueIndex >= 0 && ValueIndex < s->Count())
                    s->DeletePointFrom(*this, ValueIndex);
                break;
            case vnRefresh: s->AddValuesFrom(*this); break;
            case vnModify:
                if (s->PropagateFlags & pfModify) s->AddValuesFrom(*this);
                break;
        }
    }
}

void TChartSeries::EndUpdate() {
    if (UpdateCount <= 0) return;
    if (--UpdateCount == 0) {
        NotifyValue(vnRefresh, 0);
        notifyPanel(snDataChanged);
    }
}

void TChartSeries::CheckDataSource() {
    if (UpdateCount == 0 && ParentChart_) ParentChart_->CheckDataSource(*this);
}

// ---- removing points

void TChartSeries::ClearValueLists() {
    for (auto& l : ValueLists) l->Clear();
    ColorList.reset();
    Labels.Clear();
    Marks.Positions.clear();
    if (!Marks.ItemsFromStream) Marks.Items.clear();
}

void TChartSeries::Clear() {
    FirstValueIndex = LastValueIndex = -1;
    ClearValueLists();
    if (OnClearValues) OnClearValues(this);
    NotifyValue(vnClear, 0);
    if (Function_) Function_->Cleared();
    if (Active_ && ParentChart_) Repaint();
}

void TChartSeries::Delete(int ValueIndex) {
    if (ValueIndex < 0 || ValueIndex >= Count())
        throw ChartException(PlotFormat(PlotMsg_SeriesDelete, {QString::number(ValueIndex), QString::number(Count() - 1)}));
    for (auto& l : ValueLists) l->Delete(ValueIndex);
    if (ColorList && static_cast<size_t>(ValueIndex) < ColorList->size())
        ColorList->erase(ColorList->begin() + ValueIndex);
    Labels.DeleteLabel(ValueIndex);
    if (static_cast<size_t>(ValueIndex) < Marks.Positions.size())
        Marks.Positions.erase(Marks.Positions.begin() + ValueIndex);
    if (static_cast<size_t>(ValueIndex) < Marks.Items.size()) Marks.Items.erase(Marks.Items.begin() + ValueIndex);
    NotifyValue(vnDelete, ValueIndex);
    if (Active_) Repaint();
}

void TChartSeries::DeleteRange(int Start, int Quantity, bool RemoveGap) {
    if (Start < 0 || Start >= Count()) return;
    for (auto& l : ValueLists) l->DeleteRange(Start, Quantity);
    if (Quantity >= 1) {
        const auto cut = [&](auto& v) {
            if (static_cast<size_t>(Start) >= v.size()) return;
            const size_t end = std::min(v.size(), static_cast<size_t>(Start) + static_cast<size_t>(Quantity));
            v.erase(v.begin() + Start, v.begin() + static_cast<std::ptrdiff_t>(end));
        };
        if (ColorList) {
            cut(*ColorList);
            if (ColorList->empty()) ColorList.reset();
        }
        Labels.DeleteRange(Start, Quantity);
        cut(Marks.Positions);
    }
    NotifyValue(vnDelete, -1);
    if (Active_) Repaint();
    if (RemoveGap) NotMandatoryValueList->Renumber();
}

void TChartSeries::SwapValueIndex(int A, int B) {
    for (auto& l : ValueLists) {
        const int n = l->Count();
        if (A < 0 || B < 0 || A >= n || B >= n) continue;
        const double t = l->Value(A);
        l->SetValue(A, l->Value(B));
        l->SetValue(B, t);
    }
    if (ColorList && A >= 0 && B >= 0 && static_cast<size_t>(std::max(A, B)) < ColorList->size())
        std::swap((*ColorList)[static_cast<size_t>(A)], (*ColorList)[static_cast<size_t>(B)]);
    if (!Labels.Empty()) Labels.Exchange(A, B);
}

// ---- reading points

TColor TChartSeries::ValueColor(int ValueIndex) const {
    if (ColorList && ValueIndex >= 0 && static_cast<size_t>(ValueIndex) < ColorList->size()) {
        const TColor c = (*ColorList)[static_cast<size_t>(ValueIndex)];
        if (c != clDefault) return c;
    }
    if (ColorEachPoint_)
        return ParentChart_ ? ParentChart_->GetDefaultColor(ValueIndex) : chart::GetDefaultColor(ValueIndex);
    return SeriesColor();
}

bool TChartSeries::IsNullPoint(int ValueIndex) const {
    return ValueColor(ValueIndex) == clNone || !std::isfinite(XValue(ValueIndex)) || !std::isfinite(YValue(ValueIndex));
}

TChartValueList* TChartSeries::ValueListByName(const QString& Name) const {
    for (size_t i = 2; i < ValueLists.size(); ++i)
        if (ValueLists[i]->Name.compare(Name, Qt::CaseInsensitive) == 0) return ValueLists[i].get();
    return YValues;
}

bool TChartSeries::AssociatedToAxis(const TChartAxis* Axis) const {
    if (!UseAxis() || !Axis) return false;
    if (Axis->Horizontal()) return HorizAxis_ == aBothHorizAxis || Axis == GetHorizAxis;
    return VertAxis_ == aBothVertAxis || Axis == GetVertAxis;
}

TChartValueList* TChartSeries::ValueListOfAxis(const TChartAxis* Axis) const {
    if (!AssociatedToAxis(Axis)) return nullptr;
    return Axis->Horizontal() ? XValues : YValues;
}

QString TChartSeries::GetTitle() const {
    if (!Title_.isEmpty()) return ReplaceChar(Title_, QChar(6), QChar(' '));
    if (!Name.isEmpty()) return Name;
    if (ParentChart_) {
        const auto& list = ParentChart_->SeriesList().Items;
        const auto it = std::find(list.begin(), list.end(), this);
        if (it != list.end()) return PlotMsg_SeriesPrefix + IntegerText(static_cast<int>(it - list.begin()) + 1);
    }
    return {};
}

void TChartSeries::LegendItemText(int ValueIndex, TLegendTextStyle Style, QString& Text) const {
    Text = Labels.GetLabel(ValueIndex);
    const double value = MandatoryValue(ValueIndex);
    const auto valueText = [&] {
        // A point's own date and time, to the second.
        if (MandatoryValueList->DateTime()) return FormatDateTimeText(DefaultDateTimeFormat(OneSecond), value);
        return FormatFloat(ValueFormat, value);
    };
    const auto percentText = [&] {
        const double total = MandatoryValueList->AbsTotal();
        return FormatFloat(PercentFormat, total == 0 ? 100.0 : 100.0 * value / total);
    };
    const auto xText = [&] {
        if (GetHorizAxis) return GetHorizAxis->FormatAxisLabel(XValue(ValueIndex));
        return FormatFloat(ValueFormat, XValue(ValueIndex));
    };
    const QChar sep(6);
    const bool hasLabel = !Text.isEmpty();
    switch (Style) {
        case ltsPlain: break;
        case ltsLeftValue: Text = hasLabel ? valueText() + sep + Text : valueText(); break;
        case ltsRightValue: Text = hasLabel ? Text + sep + valueText() : valueText(); break;
        case ltsLeftPercent: Text = hasLabel ? percentText() + sep + Text : percentText(); break;
        case ltsRightPercent: Text = hasLabel ? Text + sep + percentText() : percentText(); break;
        case ltsXValue: Text = xText(); break;
        case ltsValue: Text = valueText(); break;
        case ltsPercent: Text = percentText(); break;
        case ltsXAndValue: Text = xText() + sep + valueText(); break;
        case ltsXAndPercent: Text = xText() + sep + percentText(); break;
    }
}

// ---- positions and order

int TChartSeries::CalcXPos(int ValueIndex) const {
    return GetHorizAxis ? GetHorizAxis->ValueToPixel(XValue(ValueIndex)) : 0;
}

int TChartSeries::CalcYPos(int ValueIndex) const {
    return GetVertAxis ? GetVertAxis->ValueToPixel(YValue(ValueIndex)) : 0;
}

void TChartSeries::CalcVisibleRange() {
    FirstValueIndex = LastValueIndex = -1;
    const int n = Count();
    if (n == 0) return;
    TChartAxis* axis = YMandatory ? GetHorizAxis : GetVertAxis;
    if (!CalcVisiblePoints || NotMandatoryValueList->Order() == loNone || !axis || !ParentChart_) {
        FirstValueIndex = 0;
        LastValueIndex = n - 1;
        return;
    }
    const TRect& r = ParentChart_->ChartRect;
    double low, high;
    if (YMandatory) {
        low = axis->PixelToValue(axis->Inverted() ? r.Right : r.Left);
        high = axis->PixelToValue(axis->Inverted() ? r.Left : r.Right);
    } else {
        low = axis->PixelToValue(axis->Inverted() ? r.Top : r.Bottom);
        high = axis->PixelToValue(axis->Inverted() ? r.Bottom : r.Top);
    }
    const TChartValueList& list = *NotMandatoryValueList;
    // The first index from `from` whose value is not below v: a binary search
    // on ascending values, so a paint costs nothing per point out of view.
    const auto notBelow = [&](int from, double v) {
        if (list.Order() != loAscending) {
            while (from < n && list.Value(from) < v) ++from;
            return from;
        }
        int lo = from, hi = n;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (list.Value(mid) < v)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    };
    const int first = notBelow(0, low);
    if (first == n) return;
    FirstValueIndex = first;
    if (list.Value(n - 1) <= high) {
        LastValueIndex = n - 1;
        return;
    }
    int last = notBelow(first, high);
    if (last == n) last = n - 1;
    if (!KeepPointBeyondEdge && list.Value(last) > high) --last;
    LastValueIndex = last;
}

void TChartSeries::CalcPageRange(int& First, int& Last) const {
    const int n = Count();
    if (n == 0) {
        First = Last = -1;
        return;
    }
    const int p = ParentChart_ ? ParentChart_->MaxPointsPerPage() : 0;
    if (p < 1) {
        First = 0;
        Last = n - 1;
        return;
    }
    const int page = ParentChart_->Page();
    const long long first = p == 1 ? page - 1LL : (page - 1LL) * p;
    First = first >= n || first < 0 ? std::max(0, n / p - 1) * p : static_cast<int>(first);
    Last = First + p - 1;
    if (Last >= n) Last = n % p + First - 1;
}

void TChartSeries::CalcZOrder() {
    if (!ParentChart_) return;
    if (ZOrder != -1) {
        ParentChart_->MaxZOrder = std::max(ParentChart_->MaxZOrder, ZOrder);
    } else if (ParentChart_->View3D()) {
        AutoZOrder = ++ParentChart_->MaxZOrder;
    } else {
        AutoZOrder = 0;
    }
}

void TChartSeries::CalcDepthPositions() {
    const int depth = ParentChart_ ? ParentChart_->SeriesWidth3D : 0;
    StartZ = depth * ZOrderValue();
    EndZ = StartZ + (Depth == -1 ? depth : Depth);
    MiddleZ = (StartZ + EndZ) / 2;
}

bool TChartSeries::SharesZWithOther() const {
    if (!ParentChart_ || !ParentChart_->SharedDepth) return false;
    for (TChartSeries* s : ParentChart_->SeriesList().Items)
        if (s != this && s->Active() && !s->ExcludedFromZ && s->ZOrderValue() == ZOrderValue()) return true;
    return false;
}

bool TChartSeries::DrawValuesForward() const {
    const bool backwards = ParentChart_ && ParentChart_->DrawBackwards;
    if (YMandatory) {
        const bool inverted = GetHorizAxis && GetHorizAxis->Inverted();
        return backwards ? inverted : !inverted;
    }
    return !(GetVertAxis && GetVertAxis->Inverted());
}

bool TChartSeries::DrawSeriesForward() const { return !(ParentChart_ && ParentChart_->DrawBackwards); }

void TChartSeries::DrawAllValues() {
    if (FirstValueIndex < 0 || LastValueIndex < FirstValueIndex) return;
    if (DrawValuesForward())
        for (int i = FirstValueIndex; i <= LastValueIndex; ++i) DrawValue(i);
    else
        for (int i = LastValueIndex; i >= FirstValueIndex; --i) DrawValue(i);
}

void TChartSeries::DrawLegend(int ValueIndex, const TRect& Rect) {
    if (!ParentChart_) return;
    TPlotCanvas3D& c = ParentChart_->Canvas();
    c.Brush->SetStyle(bsSolid);
    c.Brush->SetColor(ValueIndex < 0 ? SeriesColor() : ValueColor(ValueIndex));
    DrawLegendBox(ValueIndex, Rect);
}

void TChartSeries::DrawLegendBox(int /*ValueIndex*/, const TRect& Rect) {
    if (ParentChart_) ParentChart_->DrawLegendColorBox(Rect);
}

// ---- panel

void TChartSeries::SetParentChart(TCustomAxisPanel* v) {
    if (v == ParentChart_) return;
    if (ParentChart_) ParentChart_->RemoveSeries(this);
    ParentChart_ = v;
    Marks.SetParentPanel(v);
    if (v) v->AddSeries(this);
    RecalcGetAxis();
}

void TChartSeries::AddedToChart() {
    if (ParentChart_ && SeriesColor_ == clDefault) AutoColor = ParentChart_->GetFreeSeriesColor(true, this);
    RecalcGetAxis();
    CheckDataSource();
}

void TChartSeries::RemovedFromChart() {
    if (ParentChart_ && Cursor != crDefault && ParentChart_->PanelCursor() == Cursor)
        ParentChart_->SetPanelCursor(ParentChart_->SavedCursor);
    // Source links stay on both sides, so whichever series goes first unlinks
    // the other.
    ForgetParent();
    Marks.SetParentPanel(nullptr);
    RecalcGetAxis();
}

void TChartSeries::Assign(const TCustomChartElement& source) {
    TCustomChartSeries::Assign(source);
    auto* s = dynamic_cast<const TChartSeries*>(&source);
    if (!s) return;
    const bool swap = s->YMandatory != YMandatory;
    XValues->Assign(swap ? *s->YValues : *s->XValues);
    YValues->Assign(swap ? *s->XValues : *s->YValues);
    for (size_t i = 2; i < ValueLists.size() && i < s->ValueLists.size(); ++i) ValueLists[i]->Assign(*s->ValueLists[i]);
    XLabelsSource = s->XLabelsSource;
    ColorSource = s->ColorSource;
    SeriesColor_ = s->SeriesColor_;
    AutoColor = s->AutoColor;
    ColorEachPoint_ = s->ColorEachPoint_;
    ValueFormat = s->ValueFormat;
    PercentFormat = s->PercentFormat;
    HorizAxis_ = s->HorizAxis_;
    VertAxis_ = s->VertAxis_;
    CustomHorizAxis_ = s->CustomHorizAxis_;
    CustomVertAxis_ = s->CustomVertAxis_;
    PropagateFlags = s->PropagateFlags;
    Cursor = s->Cursor;
    Depth = s->Depth;
    OwnData = s->OwnData;
    RecalcGetAxis();
    if (s != this) {
        BeginUpdate();
        ClearValueLists();
        for (int i = 0; i < s->Count(); ++i) AddPointFrom(*const_cast<TChartSeries*>(s), i);
        ColorList = s->ColorList ? std::make_unique<std::vector<TColor>>(*s->ColorList) : nullptr;
        Labels.Assign(s->Labels);
        EndUpdate();
    }
}

}  // namespace brine::chart
