#include "chart/axis_panel.h"

#include <algorithm>
#include <unordered_set>

#include "chart/plot_const.h"

namespace brine::chart {

TCustomAxisPanel::TCustomAxisPanel(QWidget* parent) : TCustomPlotPanelExtended(parent) {
    AutoRepaint = false;
    BottomAxis_ = AxesList.Adopt(std::make_unique<TChartAxis>(this));
    BottomAxis_->SetHorizontal(true);
    TopAxis_ = AxesList.Adopt(std::make_unique<TChartAxis>(this));
    TopAxis_->SetHorizontal(true);
    TopAxis_->SetOtherSide(true);
    TopAxis_->SetZPosition(100);
    LeftAxis_ = AxesList.Adopt(std::make_unique<TChartAxis>(this));
    RightAxis_ = AxesList.Adopt(std::make_unique<TChartAxis>(this));
    RightAxis_->SetOtherSide(true);
    RightAxis_->SetZPosition(100);
    for (auto& [axis, angle] : {std::pair{LeftAxis_, 90}, std::pair{RightAxis_, 270}}) {
        axis->Title().DefaultAngle = angle;
        axis->Title().SetAngle(angle);
    }
    for (TChartAxis* axis : {TopAxis_, RightAxis_}) {
        axis->Grid().DefaultZ = 100;
        axis->Grid().SetZPosition(100);
    }
    DepthAxis_ = AxesList.Adopt(std::make_unique<TChartDepthAxis>(this));
    DepthAxis_->SetOtherSide(true);
    DepthTopAxis_ = AxesList.Adopt(std::make_unique<TChartDepthAxis>(this));
    DepthAxis_->SetVisible(false);
    DepthTopAxis_->SetVisible(false);
    AutoRepaint = true;
}

TCustomAxisPanel::~TCustomAxisPanel() {
    Destroying = true;
    // Every series is detached first; the ones handed over are freed.
    for (TChartSeries* s : std::vector<TChartSeries*>(SeriesList_.Items)) s->RemovedFromChart();
    SeriesList_.Clear();
    SeriesList_.FreeOwned();
    AxesList.Clear();
    CustomAxes.clear();
    SeriesList_.Groups.Clear();
    Tools.Clear();
}

TChartSeries* TCustomAxisPanel::Series(int i) const {
    return SeriesList_[i];
}

void TCustomAxisPanel::AddSeries(TChartSeries* series) {
    if (!series || SeriesList_.Contains(series)) return;
    if (series->ParentChart() != this) {
        series->SetParentChart(this);  // comes back here once stored
        return;
    }
    SeriesList_.Items.push_back(series);
    series->AddedToChart();
    BroadcastSeriesEvent(series, snAdd);
    Invalidate();
}

void TCustomAxisPanel::RemoveSeries(TChartSeries* series) {
    if (!series || !SeriesList_.Contains(series)) return;
    BroadcastSeriesEvent(series, snRemove);
    SeriesList_.Remove(series);
    SeriesList_.Groups.RemoveSeries(series);
    if (series->ParentChart() == this) series->RemovedFromChart();
    // One that is being destroyed is no longer ours to free.
    if (series->Destroying) (void)SeriesList_.Release(series).release();
    Invalidate();
}

TChartSeries* TCustomAxisPanel::MasterSeries(const TChartAxis* axis) const {
    TChartSeries* best = nullptr;
    for (TChartSeries* s : SeriesList_.Items)
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

    if (MaxPointsPerPage_ > 0) {
        TChartSeries* first = nullptr;
        for (TChartSeries* s : SeriesList_.Items)
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
            if (!ScaleLastPage_ && count > 0 && count < MaxPointsPerPage_) {
                vmax = vmax == vmin ? vmin + static_cast<double>(MaxPointsPerPage_) / count
                                    : vmin + (vmax - vmin) * MaxPointsPerPage_ / count;
            }
            return vmax;
        }
    }

    bool anyActive = false;
    for (TChartSeries* s : SeriesList_.Items)
        if (s->Active() && s->AssociatedToAxis(axis)) anyActive = true;
    bool first = true;
    double result = 0;
    for (TChartSeries* s : SeriesList_.Items) {
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
        if (IsFreeSeriesColor(c, checkBackground, series)) return c;
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

// ---- data sources

bool TCustomAxisPanel::IsValidDataSource(const TChartSeries& series, const TComponent* source) const {
    if (!source || source == &series) return false;
    if (auto* s = dynamic_cast<const TChartSeries*>(source)) return series.IsValidSourceOf(s);
    return dynamic_cast<const TPlotSeriesSource*>(source) != nullptr;
}

void TCustomAxisPanel::CheckCircularSource(const TChartSeries& series, const TChartSeries& source) const {
    // A loop already among other series must not recurse for ever.
    std::unordered_set<const TChartSeries*> seen;
    std::vector<const TChartSeries*> pending{&source};
    while (!pending.empty()) {
        const TChartSeries* s = pending.back();
        pending.pop_back();
        if (s == &series) throw ChartException(PlotMsg_CircularSeries);
        if (!seen.insert(s).second) continue;
        for (const TComponent* c : s->DataSources.Items)
            if (auto* next = dynamic_cast<const TChartSeries*>(c)) pending.push_back(next);
    }
}

// ---- series ownership and lists

void TCustomAxisPanel::FreeAllSeries(const std::function<bool(const TChartSeries*)>& filter) {
    for (TChartSeries* s : std::vector<TChartSeries*>(SeriesList_.Items)) {
        if (filter && !filter(s)) continue;
        s->SetParentChart(nullptr);
        std::unique_ptr<TChartSeries> gone = SeriesList_.Release(s);
    }
}

int TCustomAxisPanel::CountActiveSeries() const {
    return static_cast<int>(std::count_if(SeriesList_.Items.begin(), SeriesList_.Items.end(), [](auto* s) { return s->Active(); }));
}

int TCustomAxisPanel::GetMaxValuesCount() const {
    int n = 0;
    for (TChartSeries* s : SeriesList_.Items)
        if (s->Active()) n = std::max(n, s->Count());
    return n;
}

TChartSeries* TCustomAxisPanel::GetAxisSeries(const TChartAxis* axis) const {
    for (TChartSeries* s : SeriesList_.Items)
        if (s->AssociatedToAxis(axis)) return s;
    return nullptr;
}

TChartSeries* TCustomAxisPanel::SeriesLegend(int index, bool onlyActive) const {
    int n = 0;
    for (TChartSeries* s : SeriesList_.Items) {
        if (!s->ShowInLegend() || (onlyActive && !s->Active())) continue;
        if (n++ == index) return s;
    }
    return nullptr;
}

bool TCustomAxisPanel::AxesInUse() const {
    bool anyActive = false;
    for (TChartSeries* s : SeriesList_.Items)
        if (s->Active()) {
            anyActive = true;
            if (s->UseAxis()) return true;
        }
    return !anyActive;
}

// ---- paging and switches

int TCustomAxisPanel::NumPages() const {
    if (MaxPointsPerPage_ < 1 || SeriesList_.Items.empty()) return 1;
    const bool yMandatory = SeriesList_.Items.front()->YMandatory;
    const auto pagesOf = [&](const TChartAxis* axis) {
        int n = 0;
        for (TChartSeries* s : SeriesList_.Items)
            if (s->Active() && s->AssociatedToAxis(axis)) n = std::max(n, s->Count());
        return n < 1 ? 1 : (n + MaxPointsPerPage_ - 1) / MaxPointsPerPage_;
    };
    return yMandatory ? std::max(pagesOf(TopAxis_), pagesOf(BottomAxis_))
                      : std::max(pagesOf(LeftAxis_), pagesOf(RightAxis_));
}

void TCustomAxisPanel::SetPage(int v) {
    v = std::max(1, std::min(v, NumPages()));
    if (v == Page_) return;
    Page_ = v;
    Invalidate();
    BroadcastToolEvent(ChartToolEventPageChange);
    if (OnPageChange) OnPageChange();
}

void TCustomAxisPanel::SetMaxPointsPerPage(int v) {
    if (v < 0) throw ChartException(PlotMsg_MaxPointsPerPage);
    if (v != MaxPointsPerPage_) {
        MaxPointsPerPage_ = v;
        Invalidate();
    }
    if (Page_ > NumPages()) Page_ = NumPages();
    BroadcastToolEvent(ChartToolEventPageChange);
}

void TCustomAxisPanel::SetChart3DPercent(int v) {
    if (v < 1 || v > 100) {
        QString text = PlotMsg_3DPercent;
        text.replace(text.indexOf("%d"), 2, "1");
        text.replace(text.indexOf("%d"), 2, "100");
        throw Exception(text);
    }
    ChangeInt(Chart3DPercent_, v);
}

void TCustomAxisPanel::BroadcastToolEvent(TChartToolEvent event) {
    for (TPlotCustomTool* t : std::vector<TPlotCustomTool*>(Tools.Items()))
        if (t->Active()) t->ChartEvent(event);
}

// ---- drawing

bool TCustomAxisPanel::IsAxisVisible(const TChartAxis* axis) const {
    if (!AxisVisible_ || !axis->Visible()) return false;
    if (axis->DepthAxisFlag) return View3D();
    if (SeriesList_.Items.empty()) return true;
    bool anyActive = false;
    for (TChartSeries* s : SeriesList_.Items) {
        if (!s->Active()) continue;
        anyActive = true;
        if (!s->UseAxis()) return false;
        if (s->AssociatedToAxis(axis)) return true;
    }
    return !anyActive;
}

bool TCustomAxisPanel::IsFacing(int z) {
    TPlotCanvas3D& c = Canvas();
    const TPoint p0 = c.Calculate3DPosition(ChartRect.Left, ChartRect.Top, z);
    const TPoint p1 = c.Calculate3DPosition(ChartRect.Right, ChartRect.Top, z);
    const TPoint p2 = c.Calculate3DPosition(ChartRect.Right, ChartRect.Bottom, z);
    const long long cross = static_cast<long long>(p0.X - p1.X) * (p2.Y - p1.Y) -
                            static_cast<long long>(p2.X - p1.X) * (p0.Y - p1.Y);
    return cross >= 0;
}

void TCustomAxisPanel::Calc3DSizes() {
    if (!View3D()) {
        SeriesWidth3D = SeriesHeight3D = Width3D = Height3D = 0;
        return;
    }
    TView3DOptions& o = View3DOptions();
    double factor = Chart3DPercent_ * 0.001;
    if (!o.Orthogonal()) factor *= 2;
    SeriesWidth3D = Round(ChartWidth * factor);
    const double ratio = o.Orthogonal() ? o.CalcOrthoRatio() : 1.0;
    if (ratio > 1) SeriesWidth3D = Round(SeriesWidth3D / ratio);
    SeriesHeight3D = Round(SeriesWidth3D * ratio);
    const int mult = ApplyZOrder ? std::max(1, MaxZOrder + 1) : 1;
    Width3D = SeriesWidth3D * mult;
    Height3D = SeriesHeight3D * mult;
}

void TCustomAxisPanel::CalcZOrders() {
    MaxZOrder = 0;
    if (ApplyZOrder && View3D()) {
        MaxZOrder = -1;
        for (TChartSeries* s : SeriesList_.Items)
            if (s->Active()) s->CalcZOrder();
        if (MaxZOrder < 0) MaxZOrder = 0;
    }
    if (!DepthAxis_->Inverted())
        for (TChartSeries* s : SeriesList_.Items)
            if (s->Active()) s->AutoZOrder = (ApplyZOrder && View3D()) ? MaxZOrder - s->ZOrderValue() : 0;
}

void TCustomAxisPanel::CalcAxesAndChartRect() {
    // Custom axes are listed here too.
    const std::vector<TChartAxis*> all = AxesList.Items();
    for (TChartAxis* a : all) {
        a->IsVisible = IsAxisVisible(a);
        // The room for labels is measured in the labels' own kind.
        a->IsDateTimeScale = a->AxisIsDateTime();
        a->ApplyAutoRange();
    }
    for (TChartAxis* a : all) a->UpdateAxisPixels();

    const TRect saved = ChartRect;
    TRect r = ChartRect;
    for (size_t i = 0; i < all.size(); ++i) {
        TChartAxis* a = all[i];
        if (!a->IsVisible) continue;
        a->ReserveRoom(r, i < 5);
    }
    TRect cut{std::max(r.Left, saved.Left), std::max(r.Top, saved.Top), std::min(r.Right, saved.Right),
              std::min(r.Bottom, saved.Bottom)};
    if (cut.Left < cut.Right && cut.Top < cut.Bottom) ChartRect = cut;
    RecalcWidthHeight();
    for (TChartAxis* a : all) {
        a->UpdateAxisPixels();
        // Hidden axes are neither drawn nor clicked: no labels to measure.
        if (a->IsVisible) a->ReserveRoom(r, false);
    }

    // Series margins on the automatic ends.
    for (TChartAxis* a : all) {
        int lo = 0, hi = 0;  // left/top and right/bottom
        for (TChartSeries* s : SeriesList_.Items) {
            if (!s->Active() || !s->AssociatedToAxis(a)) continue;
            int m0 = 0, m1 = 0;
            if (a->Horizontal())
                s->GetHorizMargins(m0, m1);
            else
                s->GetVertMargins(m0, m1);
            lo = std::max(lo, m0);
            hi = std::max(hi, m1);
        }
        const bool autoMin = a->Automatic() || a->AutomaticMinimum();
        const bool autoMax = a->Automatic() || a->AutomaticMaximum();
        // Minimum side: left of a horizontal axis, bottom of a vertical one.
        int minSide = a->Horizontal() ? lo : hi, maxSide = a->Horizontal() ? hi : lo;
        if (!autoMin) minSide = 0;
        if (!autoMax) maxSide = 0;
        minSide += a->MinimumOffset();
        maxSide += a->MaximumOffset();
        if (a->Inverted()) std::swap(minSide, maxSide);
        if (minSide == 0 && maxSide == 0) continue;
        const TRect m = a->Horizontal() ? TRect{minSide, 0, maxSide, 0} : TRect{0, maxSide, 0, minSide};
        a->AdjustPixelMargins(m);
    }
}

void TCustomAxisPanel::DrawAxes() {
    if (!AxisVisible_) return;
    if (OnBeforeDrawAxes) OnBeforeDrawAxes();
    // Custom axes are listed here too.
    const std::vector<TChartAxis*> all = AxesList.Items();
    for (TChartAxis* a : all) {
        if (!a->IsVisible) continue;
        if (a == BottomAxis_ && IsFacing(0) && View3D() && !View3DOptions().Orthogonal()) continue;
        a->Draw(false);
    }
}

void TCustomAxisPanel::drawOneSeries(TChartSeries& s) {
    s.CalcVisibleRange();
    if (s.FirstValueIndex < 0 || s.LastValueIndex < s.FirstValueIndex) return;
    s.DoBeforeDrawValues();
    const bool clip = ClipPoints_;
    TPlotCanvas3D& c = Canvas();
    if (clip) {
        if (View3D())
            c.ClipCube(ChartRect, 0, Width3D);
        else
            c.ClipRectangle(ChartRect);
    }
    s.DrawAllValues();
    if (clip) c.UnClipRectangle();
    s.DrawMarks();
    s.DoAfterDrawValues();
}

void TCustomAxisPanel::DrawAllSeries() {
    // Mark boxes of series without points in view (or hidden) are not drawn
    // this time: they answer no clicks.
    for (TChartSeries* s : SeriesList_.Items) s->Marks.ForgetDrawnPositions();
    const bool forward = DepthAxis_->Inverted() == IsFacing(Width3D) || !View3D();
    std::vector<TChartSeries*> list = SeriesList_.Items;
    if (!forward) std::reverse(list.begin(), list.end());
    std::vector<TChartSeries*> done;
    for (TChartSeries* s : list) {
        if (!s->Active() || std::find(done.begin(), done.end(), s) != done.end()) continue;
        if (!View3D() || !s->DrawsInterleaved()) {
            drawOneSeries(*s);
            continue;
        }
        // The first series of a depth order draws the whole order.
        std::vector<TChartSeries*> group;
        for (TChartSeries* t : list)
            if (t->Active() && t->ZOrderValue() == s->ZOrderValue() && t->DrawsInterleaved() &&
                std::find(done.begin(), done.end(), t) == done.end())
                group.push_back(t);
        done.insert(done.end(), group.begin(), group.end());
        drawInterleaved(group);
    }
}

void TCustomAxisPanel::drawInterleaved(std::vector<TChartSeries*> group) {
    std::erase_if(group, [](TChartSeries* s) {
        s->CalcVisibleRange();
        return s->FirstValueIndex < 0 || s->LastValueIndex < s->FirstValueIndex;
    });
    if (group.empty()) return;
    int first = group.front()->FirstValueIndex, last = group.front()->LastValueIndex;
    for (TChartSeries* s : group) {
        first = std::min(first, s->FirstValueIndex);
        last = std::max(last, s->LastValueIndex);
        s->DoBeforeDrawValues();
    }
    TPlotCanvas3D& c = Canvas();
    if (ClipPoints_) c.ClipCube(ChartRect, 0, Width3D);
    const bool forward = group.front()->DrawValuesForward();
    std::vector<TChartSeries*> order = group;
    if (!group.front()->DrawSeriesForward()) std::reverse(order.begin(), order.end());
    // Each series draws only its own visible points, so its line starts
    // and ends where it would when drawn alone.
    for (int k = 0; k <= last - first; ++k) {
        const int i = forward ? first + k : last - k;
        for (TChartSeries* s : order)
            if (i >= s->FirstValueIndex && i <= s->LastValueIndex) s->DrawValue(i);
    }
    if (ClipPoints_) c.UnClipRectangle();
    for (TChartSeries* s : group) {
        s->DrawMarks();
        s->DoAfterDrawValues();
    }
}

void TCustomAxisPanel::DrawContents(const TRect& /*rect*/) {
    // Restored also when a paint fails half way.
    struct RepaintScope {
        bool& flag;
        const bool saved;
        ~RepaintScope() { flag = saved; }
    } repaintScope{AutoRepaint, AutoRepaint};
    AutoRepaint = false;
    TView3DOptions& o = View3DOptions();
    DrawBackwards = View3D() && (o.Orthogonal() ? o.OrthoAngle() > 90 : o.Rotation() < 180);
    {
        TRect r = ChartBounds;
        DrawPanelFrame(r);
    }
    BroadcastToolEvent(2);
    if (OnBeforeDrawChart) OnBeforeDrawChart();
    for (TChartSeries* s : SeriesList_.Items) {
        if (!s->Active()) continue;
        s->PrepareDraw();
        s->RecalcGetAxis();
        if (s->StoredSeriesColor() == clDefault && s->AutoColor == clDefault)
            s->AutoColor = GetFreeSeriesColor(true, s);
    }
    DrawTitlesAndLegend(true);
    CalcZOrders();
    CalcWallsRect();
    CalcAxesAndChartRect();
    for (TChartSeries* s : SeriesList_.Items) s->CalcDepthPositions();
    // Text labels on the axes take the points in view: known before any
    // axis draws, also when the axes are drawn behind the series.
    for (TChartSeries* s : SeriesList_.Items)
        if (s->Active()) s->CalcVisibleRange();
    Canvas().Projection(Width3D, ChartRect);
    DrawWalls();
    if (AxisBehind_) {
        BroadcastToolEvent(3);
        DrawAxes();
    }
    BroadcastToolEvent(1);
    if (OnBeforeDrawSeries) OnBeforeDrawSeries();
    DrawAllSeries();
    BroadcastToolEvent(4);
    if (!AxisBehind_) {
        BroadcastToolEvent(3);
        DrawAxes();
    }
    DrawTitlesAndLegend(false);
    // A buffered window lays the rectangle over the image when painting.
    if (Zoom().Active && !Canvas().UseBuffer()) DrawZoomRectangle();
    BroadcastToolEvent(0);
    Canvas().ResetState();
    DoAfterDraw();
}

void TCustomAxisPanel::Assign(const TCustomPlotPanel& source) {
    if (auto* p = dynamic_cast<const TCustomAxisPanel*>(&source); p && p != this) {
        Chart3DPercent_ = p->Chart3DPercent_;
        AxisBehind_ = p->AxisBehind_;
        AxisVisible_ = p->AxisVisible_;
        BottomAxis_->Assign(*p->BottomAxis_);
        ClipPoints_ = p->ClipPoints_;
        SeriesColorPalette = p->SeriesColorPalette;
        // Custom axes still named by a series are kept, so no series is left
        // pointing at a freed axis.
        const auto used = [&](const TChartAxis* a) {
            for (TChartSeries* s : SeriesList_.Items)
                if (s->CustomHorizAxis() == a || s->CustomVertAxis() == a) return true;
            return false;
        };
        while (CustomAxes.size() > p->CustomAxes.size() && !used(CustomAxes.back().get())) CustomAxes.pop_back();
        while (CustomAxes.size() < p->CustomAxes.size()) AddCustomAxis();
        for (size_t i = 0; i < p->CustomAxes.size(); ++i) CustomAxes[i]->Assign(*p->CustomAxes[i]);
        LeftAxis_->Assign(*p->LeftAxis_);
        DepthAxis_->Assign(*p->DepthAxis_);
        DepthTopAxis_->Assign(*p->DepthTopAxis_);
        MaxPointsPerPage_ = p->MaxPointsPerPage_;
        Page_ = p->Page_;
        RightAxis_->Assign(*p->RightAxis_);
        ScaleLastPage_ = p->ScaleLastPage_;
        TopAxis_->Assign(*p->TopAxis_);
        View3DWalls_ = p->View3DWalls_;
    }
    TCustomPlotPanelExtended::Assign(source);
}

int TCustomAxisPanel::MaxLabelsWidth(int* lines) {
    int widest = 0, most = 0;
    for (TChartSeries* s : SeriesList_.Items)
        for (int i = 0; i < s->Labels.Count(); ++i) {
            const QStringList parts = s->Labels.GetLabel(i).split(QChar(13));
            most = std::max(most, static_cast<int>(parts.size()));
            for (const QString& p : parts) widest = std::max(widest, Canvas().TextWidth(p));
        }
    if (lines) *lines = most;
    return widest;
}

bool TCustomAxisPanel::IsFreeSeriesColor(TColor color, bool checkBackground, const TChartSeries* skip) const {
    for (TChartSeries* s : SeriesList_.Items)
        if (s != skip && s->SeriesColor() == color) return false;
    return !(checkBackground && ColorToRGB(color) == ColorToRGB(Color()));
}

void TCustomAxisPanel::DrawLegendColorBox(const TRect& r) {
    TPlotCanvas3D& c = Canvas();
    c.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    if (c.Brush->Color() == LegendColor) {
        const TColor old = c.Pen->Color();
        if (c.Brush->Color() == clBlack) c.Pen->SetColor(clWhite);
        c.Brush->SetStyle(bsClear);
        c.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
        c.Pen->SetColor(old);
    }
}

bool TCustomAxisPanel::CheckMouseOverSeries(int x, int y) {
    bool over = false;
    for (auto it = SeriesList_.Items.rbegin(); it != SeriesList_.Items.rend(); ++it) {
        TChartSeries* s = *it;
        if (!s->Active()) continue;
        const bool inside = s->Clicked(x, y) != -1;
        if (inside) {
            over = true;
            if (s->Cursor != crDefault) SetPanelCursor(s->Cursor);
        }
        if (inside != s->MouseInside) {
            s->MouseInside = inside;
            if (inside && s->OnMouseEnter) s->OnMouseEnter();
            if (!inside && s->OnMouseLeave) s->OnMouseLeave();
        }
    }
    return over;
}

}  // namespace brine::chart
