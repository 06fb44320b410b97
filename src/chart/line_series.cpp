#include "chart/line_series.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <typeinfo>

#include "chart/axis_panel.h"
#include "chart/plot_const.h"

namespace brine::chart {

TCustomSeries::TCustomSeries() {
    KeepPointBeyondEdge = true;
    Pointer_.SetStyle(psRectangle);
}

TBrushStyle TCustomSeries::LineBrush() const { return const_cast<TCustomSeries*>(this)->Brush().Style(); }

void TCustomSeries::SetLineBrush(TBrushStyle v) {
    if (Brush().Style() == v) return;
    Brush().SetStyle(v);
    Repaint();
}

void TCustomSeries::SetParentChart(TCustomAxisPanel* v) { TChartSeries::SetParentChart(v); }

int TCustomSeries::MarksDistance() const {
    auto& marks = const_cast<TSeriesMarks&>(Marks);
    return marks.Callout().Length() + marks.Callout().Distance();
}

void TCustomSeries::GetHorizMargins(int& Left, int& Right) {
    Left = Right = 0;
    Pointer_.CalcHorizMargins(Left, Right);
    if (DrawLine && Stairs_) {
        Left = std::max(Left, Pen().Width());
        Right = std::max(Right, Pen().Width());
    }
    if (DrawLine && OutLine.Visible()) {
        Left = std::max(Left, OutLine.Width());
        Right = std::max(Right, OutLine.Width());
    }
    if (Marks.Visible() && !YMandatory) Right = std::max(Right, MarksDistance());
}

void TCustomSeries::GetVertMargins(int& Top, int& Bottom) {
    Top = Bottom = 0;
    Pointer_.CalcVertMargins(Top, Bottom);
    if (DrawLine && Stairs_) {
        Top = std::max(Top, Pen().Width());
        Bottom = std::max(Bottom, Pen().Width());
    }
    if (DrawLine && OutLine.Visible()) {
        Top = std::max(Top, OutLine.Width());
        Bottom = std::max(Bottom, OutLine.Width());
    }
    if (Marks.Visible() && YMandatory) Top = std::max(Top, MarksDistance());
    if (LineHeight_ > 0 && !DrawArea && ParentChart() && ParentChart()->View3D())
        Bottom = std::max(Bottom, LineHeight_);
}

int TCustomSeries::GetOriginPos(int ValueIndex) const {
    TChartAxis* axis = YMandatory ? GetVertAxis : GetHorizAxis;
    if (!axis) return 0;
    if (stacking() && ValueIndex >= 0 && ValueIndex < Count()) {
        const double v = MandatoryValue(ValueIndex);
        return axis->ValueToPixel(toStackScale(ValueIndex, stackBase(ValueIndex, v)));
    }
    if (YMandatory) return axis->Inverted() ? axis->PixelStart : axis->PixelEnd;
    return axis->Inverted() ? axis->PixelEnd : axis->PixelStart;
}

// ---- stacking

void TCustomSeries::SetStacked(TCustomSeriesStack v) {
    if (Stacked_ == v) return;
    Stacked_ = v;
    if (TCustomAxisPanel* panel = ParentChart())
        for (TChartSeries* s : panel->SeriesList().Items)
            if (s != this && typeid(*s) == typeid(*this)) static_cast<TCustomSeries*>(s)->Stacked_ = v;
    Repaint();
}

std::vector<TCustomSeries*> TCustomSeries::stackGroup() const {
    std::vector<TCustomSeries*> group;
    if (TCustomAxisPanel* panel = ParentChart())
        for (TChartSeries* s : panel->SeriesList().Items)
            if (s->Active() && typeid(*s) == typeid(*this) && static_cast<TCustomSeries*>(s)->Stacked_ == Stacked_)
                group.push_back(static_cast<TCustomSeries*>(s));
    return group;
}

double TCustomSeries::stackBase(int ValueIndex, double Value) const {
    double sum = 0;
    for (TCustomSeries* s : stackGroup()) {
        if (s == this) break;
        if (ValueIndex >= s->Count()) continue;
        const double v = s->MandatoryValue(ValueIndex);
        if (!std::isfinite(v)) continue;  // a null point adds nothing
        // Positive and negative values pile up on their own sides of zero.
        if ((Value < 0) == (v < 0)) sum += v;
    }
    return sum;
}

double TCustomSeries::toStackScale(int ValueIndex, double Value) const {
    if (Stacked_ != cssStack100) return Value;
    double total = 0;
    for (TCustomSeries* s : stackGroup())
        if (ValueIndex < s->Count() && std::isfinite(s->MandatoryValue(ValueIndex)))
            total += std::abs(s->MandatoryValue(ValueIndex));
    // An index where every series is 0 has no share to show.
    return total == 0 ? 0 : Value * 100.0 / total;
}

double TCustomSeries::StackedValue(int ValueIndex) const {
    if (ValueIndex < 0 || ValueIndex >= Count()) return 0;
    const double v = MandatoryValue(ValueIndex);
    if (!stacking()) return v;
    return toStackScale(ValueIndex, stackBase(ValueIndex, v) + v);
}

double TCustomSeries::stackExtreme(bool isMax) {
    if (Stacked_ == cssStack100) return isMax ? 100 : 0;
    const int n = Count();
    double result = 0;
    bool first = true;
    for (int i = 0; i < n; ++i) {
        const double v = StackedValue(i);
        if (!std::isfinite(v)) continue;
        if (first || (isMax ? v > result : v < result)) result = v;
        first = false;
    }
    return result;
}

double TCustomSeries::MaxXValue() { return stacking() && !YMandatory ? stackExtreme(true) : TChartSeries::MaxXValue(); }
double TCustomSeries::MaxYValue() { return stacking() && YMandatory ? stackExtreme(true) : TChartSeries::MaxYValue(); }
double TCustomSeries::MinXValue() { return stacking() && !YMandatory ? stackExtreme(false) : TChartSeries::MinXValue(); }
double TCustomSeries::MinYValue() { return stacking() && YMandatory ? stackExtreme(false) : TChartSeries::MinYValue(); }

int TCustomSeries::CalcXPos(int ValueIndex) const {
    if (stacking() && !YMandatory && GetHorizAxis) return GetHorizAxis->ValueToPixel(StackedValue(ValueIndex));
    return TChartSeries::CalcXPos(ValueIndex);
}

int TCustomSeries::CalcYPos(int ValueIndex) const {
    if (stacking() && YMandatory && GetVertAxis) return GetVertAxis->ValueToPixel(StackedValue(ValueIndex));
    return TChartSeries::CalcYPos(ValueIndex);
}

void TCustomSeries::CalcZOrder() {
    TCustomAxisPanel* panel = ParentChart();
    if (Stacked_ != cssNone && ZOrder == -1 && panel && panel->View3D()) {
        // A stacked series stands in the depth row of the one before it.
        const std::vector<TCustomSeries*> group = stackGroup();
        const auto it = std::find(group.begin(), group.end(), this);
        if (it != group.end() && it != group.begin()) {
            AutoZOrder = (*std::prev(it))->ZOrderValue();
            return;
        }
    }
    TChartSeries::CalcZOrder();
}

bool TCustomSeries::DrawsInterleaved() const {
    if (TChartSeries::DrawsInterleaved()) return true;
    if (Stacked_ == cssNone) return false;
    for (TCustomSeries* s : stackGroup())
        if (s != this && s->ZOrderValue() == ZOrderValue()) return true;
    return false;
}

void TCustomSeries::DrawAllValues() {
    TCustomAxisPanel* panel = ParentChart();
    if (!panel) return;
    TPlotShadow& sh = Shadow;
    if ((sh.HorizSize() != 0 || sh.VertSize() != 0) && GetHorizAxis && GetVertAxis) {
        const TColor saved = StoredSeriesColor();
        const bool pointer = Pointer_.Visible();
        SetSeriesColor(sh.Color());
        Pointer_.SetVisible(false);
        GetHorizAxis->PixelStart += sh.HorizSize();
        GetHorizAxis->PixelEnd += sh.HorizSize();
        GetVertAxis->PixelStart += sh.VertSize();
        GetVertAxis->PixelEnd += sh.VertSize();
        drawValues();
        GetHorizAxis->PixelStart -= sh.HorizSize();
        GetHorizAxis->PixelEnd -= sh.HorizSize();
        GetVertAxis->PixelStart -= sh.VertSize();
        GetVertAxis->PixelEnd -= sh.VertSize();
        Pointer_.SetVisible(pointer);
        SetSeriesColor(saved);
    }
    if (OutLine.Visible()) {
        TChartPen saved;
        saved.Assign(Pen());
        const TColor savedColor = StoredSeriesColor();
        Pen().Assign(OutLine);
        Pen().SetWidth(2 * saved.Width() + OutLine.Width() + 1);
        SetSeriesColor(OutLine.Color());
        const bool pointer = Pointer_.Visible();
        Pointer_.SetVisible(false);
        drawValues();
        Pointer_.SetVisible(pointer);
        Pen().Assign(saved);
        SetSeriesColor(savedColor);
    }
    drawValues();
}

bool TCustomSeries::drawsByColumns() {
    TCustomAxisPanel* panel = ParentChart();
    if (!panel || panel->View3D() || !DrawLine || DrawArea || Stairs_ || Pointer_.Visible()) return false;
    // Each segment in the colour of its point: the run's colours would show.
    if (ColorEachPoint() && ColorEachLine) return false;
    // Only a thin solid pen that paints over itself paints a column's
    // segments the same as one segment from the lowest to the highest point.
    const TChartPen& pen = Pen();
    return pen.Visible() && pen.Style() == psSolid && pen.Width() <= 1 && !pen.SmallDots() && pen.Mode() == pmCopy &&
           !pen.HasExtHandle();
}

void TCustomSeries::drawValues() {
    if (FirstValueIndex < 0 || LastValueIndex < FirstValueIndex) return;
    if (drawsByColumns())
        drawValuesByColumns();
    else
        TChartSeries::DrawAllValues();
}

void TCustomSeries::drawValuesByColumns() {
    const bool forward = DrawValuesForward();
    const int count = LastValueIndex - FirstValueIndex + 1;
    const auto indexAt = [&](int k) { return forward ? FirstValueIndex + k : LastValueIndex - k; };
    // A plain line series places its points straight from their values
    // (the same sums DrawValue makes, without the calls in between); a
    // series of another kind is asked point by point.
    const bool direct = !stacking() && !ColorEachPoint() && GetHorizAxis && GetVertAxis &&
                        (typeid(*this) == typeid(TLineSeries) || typeid(*this) == typeid(TCustomSeries));
    const bool seriesNull = SeriesColor() == clNone;
    const auto isNull = [&](int i) {
        if (!direct) return IsNullPoint(i);
        if (!std::isfinite(XValues->Value(i)) || !std::isfinite(YValues->Value(i))) return true;
        if (!ColorList || static_cast<size_t>(i) >= ColorList->size()) return seriesNull;
        const TColor c = (*ColorList)[static_cast<size_t>(i)];
        return c == clNone || (c == clDefault && seriesNull);
    };
    const TChartAxis* alongAxis = YMandatory ? GetHorizAxis : GetVertAxis;
    const TChartAxis* acrossAxis = YMandatory ? GetVertAxis : GetHorizAxis;
    const TChartValueList& alongValues = YMandatory ? *XValues : *YValues;
    const TChartValueList& acrossValues = YMandatory ? *YValues : *XValues;
    // Along the run: the pixel that groups points; across it: the pixel that varies.
    const auto along = [&](int i) {
        if (direct) return alongAxis->ValueToPixel(alongValues.Value(i));
        return YMandatory ? CalcXPos(i) : CalcYPos(i);
    };
    const auto across = [&](int i) {
        if (direct) return acrossAxis->ValueToPixel(acrossValues.Value(i));
        return YMandatory ? CalcYPos(i) : CalcXPos(i);
    };
    // Ascending values on a linear or logarithmic axis give pixels in order.
    const bool sortedAlong = direct && alongValues.Order() == loAscending;
    int k = 0;
    while (k < count) {
        const int first = indexAt(k);
        if (isNull(first)) {
            DrawValue(first);
            ++k;
            continue;
        }
        // One run: consecutive points in the same column. A thin line leaves
        // out the last pixel of each segment, so a column shows every pixel
        // from its lowest to its highest point, except an end point reached
        // only by the run's last segment.
        const int column = along(first);
        int low = across(first), high = low, lowIndex = first, highIndex = first;
        bool lowLeft = false, highLeft = false;  // a segment starts at that pixel
        int last = first, lastPos = low;
        // Where the column ends: with values in order, points of one column
        // follow each other, so the end is searched for rather than walked to.
        int end = count;
        if (sortedAlong) {
            int bound = 1;
            while (k + bound < count && along(indexAt(k + bound)) == column) bound *= 2;
            int lo = k + bound / 2 + 1, hi = std::min(k + bound, count);
            while (lo < hi) {
                const int mid = lo + (hi - lo) / 2;
                if (along(indexAt(mid)) == column)
                    lo = mid + 1;
                else
                    hi = mid;
            }
            end = lo;
        }
        int m = k + 1;
        for (; m < end; ++m) {
            const int i = indexAt(m);
            if (isNull(i) || (!sortedAlong && along(i) != column)) break;
            const int pos = across(i);
            if (pos != lastPos) {
                if (lastPos == low) lowLeft = true;
                if (lastPos == high) highLeft = true;
            }
            if (pos < low) {
                low = pos;
                lowIndex = i;
                lowLeft = false;
            } else if (pos > high) {
                high = pos;
                highIndex = i;
                highLeft = false;
            }
            last = i;
            lastPos = pos;
        }
        const int firstPos = across(first);
        DrawValue(first);
        if (low != high) {
            // The run ends on an extreme that no segment starts from: that
            // pixel stays empty, so the other extreme is visited last.
            if (lastPos == high && !highLeft) {
                if (lowIndex != first) DrawValue(lowIndex);
            } else if (lastPos == low && !lowLeft) {
                if (highIndex != first) DrawValue(highIndex);
            } else {
                // Every pixel from low to high: both extremes, the one the run
                // ends on (if any) first so that a segment leaves it.
                const bool highFirst = lastPos == high || (lastPos != low && firstPos != high);
                const int a = highFirst ? highIndex : lowIndex, b = highFirst ? lowIndex : highIndex;
                if (a != first) DrawValue(a);
                if (b != first) DrawValue(b);
            }
        }
        if (last != first) DrawValue(last);
        k = m;
    }
}

void TCustomSeries::DrawPointer(int X, int Y, TColor Color, int ValueIndex) {
    TCustomAxisPanel* panel = ParentChart();
    if (!panel) return;
    Pointer_.PrepareCanvas(panel->Canvas(), Color);
    Pointer_.Draw(X, Y, Color, OnGetPointerStyle ? OnGetPointerStyle(this, ValueIndex) : Pointer_.Style());
}

void TCustomSeries::drawSegment(int x, int y, TColor color) {
    TCustomAxisPanel* panel = ParentChart();
    TPlotCanvas3D& c = panel->Canvas();
    TColor lineColor = ColorEachPoint() && ColorEachLine ? color : SeriesColor();
    if (panel->Monochrome()) lineColor = clWhite;
    if (!DrawLine) return;
    if (!panel->View3D()) {
        c.Brush->SetStyle(bsClear);
        if (!Pen().Visible()) return;
        c.SelectPenColor(Pen(), lineColor);
        if (!Stairs_) {
            c.Line(OldX, OldY, x, y);
        } else if (InvertedStairs_) {
            c.Line(OldX, OldY, OldX, y);
            c.Line(OldX, y, x, y);
        } else {
            c.Line(OldX, OldY, x, OldY);
            c.Line(x, OldY, x, y);
        }
        return;
    }
    // A band in the series' depth.
    if (Pen().Visible())
        c.SelectPenColor(Pen(), Pen().Color() == clDefault ? lineColor : Pen().Color());
    else
        c.Pen->SetStyle(psClear);
    c.Brush->SetStyle(LineBrush());
    c.Brush->SetColor(lineColor);
    const bool darken = Dark3D && x != OldX && DarkSlope != 0 &&
                        static_cast<double>(y - OldY) / (x - OldX) > DarkSlope;
    if (darken) c.SetBrushDarkColor(lineColor, 32);
    if (!Stairs_) {
        c.Plane3D({OldX, OldY}, {x, y}, StartZ, EndZ);
    } else if (InvertedStairs_) {
        c.Plane3D({OldX, OldY}, {OldX, y}, StartZ, EndZ);
        c.Plane3D({OldX, y}, {x, y}, StartZ, EndZ);
    } else {
        c.Plane3D({OldX, OldY}, {x, OldY}, StartZ, EndZ);
        c.Plane3D({x, OldY}, {x, y}, StartZ, EndZ);
    }
    if (darken) c.Brush->SetColor(lineColor);
}

void TCustomSeries::DrawValue(int ValueIndex) {
    TCustomAxisPanel* panel = ParentChart();
    if (!panel) return;
    const TColor color = IsNullPoint(ValueIndex) ? clNone : ValueColor(ValueIndex);
    const int x = CalcXPos(ValueIndex), y = CalcYPos(ValueIndex);
    panel->Canvas().Brush->SetStyle(bsSolid);
    panel->Canvas().Brush->SetColor(color);
    if (OldColor == clNone) {
        OldX = x;
        OldY = y;
    }
    const bool forward = DrawValuesForward();
    const int start = forward ? FirstValueIndex : LastValueIndex;
    const int end = forward ? LastValueIndex : FirstValueIndex;
    const bool pointer = Pointer_.Visible();
    if (ValueIndex == start) {
        if (Dark3D) DarkSlope = panel->Width3D == 0 ? 1 : std::abs(static_cast<double>(panel->Height3D) / panel->Width3D);
        OldColor = clNone;
        OldX = x;
        OldY = y;
        // A null point before it breaks the line there too.
        if (ValueIndex == FirstValueIndex && ValueIndex > 0 && GetHorizAxis && GetVertAxis &&
            !IsNullPoint(ValueIndex - 1)) {
            // The line comes in from the point left of the chart.
            const TRect& r = panel->ChartRect;
            OldX = GetHorizAxis->Inverted() ? r.Right : r.Left;
            const int px = CalcXPos(ValueIndex - 1), py = CalcYPos(ValueIndex - 1);
            if (Stairs_) {
                OldY = py;
            } else if (px == x) {
                OldY = y;
            } else if (GetVertAxis->Logarithmic() && YValue(ValueIndex - 1) > 0 && YValue(ValueIndex) > 0) {
                const double x0 = XValue(ValueIndex - 1), x1 = XValue(ValueIndex);
                const double ex = GetHorizAxis->PixelToValue(OldX);
                const double l0 = std::log(YValue(ValueIndex - 1)), l1 = std::log(YValue(ValueIndex));
                const double t = x1 == x0 ? 1 : (ex - x0) / (x1 - x0);
                OldY = GetVertAxis->ValueToPixel(std::exp(l0 + t * (l1 - l0)));
            } else {
                const double t = static_cast<double>(OldX - px) / (x - px);
                OldY = static_cast<int>(std::lround(py + t * (y - py)));
            }
            if (color != clNone && (OldX != x || OldY != y)) drawSegment(x, y, color);
        }
        if (ValueIndex == end && pointer && color != clNone) DrawPointer(x, y, color, ValueIndex);
    } else if (color != clNone && OldColor != clNone) {
        if (OldX != x || OldY != y) drawSegment(x, y, color);
        if (pointer) {
            const int prev = forward ? ValueIndex - 1 : ValueIndex + 1;
            DrawPointer(OldX, OldY, OldColor, prev);
            if (ValueIndex == end) DrawPointer(x, y, color, ValueIndex);
        }
    } else if (color != clNone && pointer && ValueIndex == end) {
        DrawPointer(x, y, color, ValueIndex);
    } else if (color == clNone && OldColor != clNone && pointer) {
        // The piece before a gap keeps its last pointer.
        DrawPointer(OldX, OldY, OldColor, forward ? ValueIndex - 1 : ValueIndex + 1);
    }
    OldX = x;
    OldY = y;
    OldColor = color;
}

void TCustomSeries::DrawMark(int ValueIndex, const QString& Text, TSeriesMarkPosition& Position) {
    Marks.ZPosition = StartZ;
    if (YMandatory) Marks.Callout().ApplyDistance(Position);
    TChartSeries::DrawMark(ValueIndex, Text, Position);
}

bool TCustomSeries::ClickedPointer(int /*ValueIndex*/, int PX, int PY, int X, int Y) {
    return Pointer_.Style() != psNothing && std::abs(X - PX) < Pointer_.HorizSize() &&
           std::abs(Y - PY) < Pointer_.VertSize();
}

int TCustomSeries::Clicked(int X, int Y) {
    TCustomAxisPanel* panel = ParentChart();
    if (!panel) return -1;
    if (panel->View3D()) panel->Canvas().Calculate2DPosition(X, Y, StartZ);
    CalcVisibleRange();
    if (FirstValueIndex < 0 || LastValueIndex < FirstValueIndex) return -1;
    const int first = ClickableLine ? std::max(0, FirstValueIndex - 1) : FirstValueIndex;
    const TPoint p{X, Y};
    for (int i = first; i <= LastValueIndex; ++i) {
        const int px = CalcXPos(i), py = CalcYPos(i);
        if (Pointer_.Visible() && !IsNullPoint(i) && ClickedPointer(i, px, py, X, Y)) {
            if (OnClickPointer) OnClickPointer(this, i, px, py);
            return i;
        }
        if (px == X && py == Y) return i;
        if (ClickableLine && i > first && !IsNullPoint(i) && !IsNullPoint(i - 1)) {
            const TPoint a{CalcXPos(i - 1), CalcYPos(i - 1)}, b{px, py};
            bool hit;
            if (Stairs_) {
                const TPoint corner = InvertedStairs_ ? TPoint{a.X, b.Y} : TPoint{b.X, a.Y};
                hit = PointInLineTolerance(p, a, corner, 3) || PointInLineTolerance(p, corner, b, 3);
            } else {
                hit = PointInLineTolerance(p, a, b, 3);
            }
            if (hit) return i - 1;
        }
    }
    return -1;
}

void TCustomSeries::DrawLegendBox(int ValueIndex, const TRect& Rect) {
    TCustomAxisPanel* panel = ParentChart();
    if (!panel) return;
    TPlotCanvas3D& c = panel->Canvas();
    const TColor color = ValueIndex < 0 ? SeriesColor() : ValueColor(ValueIndex);
    const int midY = (Rect.Top + Rect.Bottom) / 2;
    if (Pointer_.Visible()) {
        if (DrawLine && Pen().Visible()) {
            c.SelectPenColor(Pen(), color);
            c.Line(Rect.Left, midY, Rect.Right, midY);
        }
        const int div = DrawLine && Pen().Visible() ? 3 : 2;
        const int extra = div == 2 ? 1 : 0;
        const int h = std::min(Pointer_.HorizSize(), (Rect.Right - Rect.Left) / div + extra);
        const int v = std::min(Pointer_.VertSize(), (Rect.Bottom - Rect.Top) / div + extra);
        Pointer_.PrepareCanvas(c, color);
        Pointer_.DrawPointer(c, (Rect.Left + Rect.Right) / 2, midY, h, v, color,
                             OnGetPointerStyle ? OnGetPointerStyle(this, ValueIndex) : Pointer_.Style());
    } else if (DrawLine && !panel->View3D()) {
        c.SelectPenColor(Pen(), color);
        c.Line(Rect.Left, midY, Rect.Right, midY);
    } else {
        c.Brush->SetColor(color);
        panel->DrawLegendColorBox(Rect);
    }
}

void TCustomSeries::Assign(const TCustomChartElement& source) {
    if (auto* s = dynamic_cast<const TCustomSeries*>(&source)) {
        ClickableLine = s->ClickableLine;
        ColorEachLine = s->ColorEachLine;
        Dark3D = s->Dark3D;
        DrawArea = s->DrawArea;
        DrawLine = s->DrawLine;
        InvertedStairs_ = s->InvertedStairs_;
        LineHeight_ = s->LineHeight_;
        Stairs_ = s->Stairs_;
        Stacked_ = s->Stacked_;
        OutLine.Assign(s->OutLine);
        Shadow.Assign(s->Shadow);
        Pointer_.Assign(s->Pointer_);
    }
    TChartSeries::Assign(source);
}

// ---- TLineSeries

TLineSeries::TLineSeries() {
    DrawLine = true;
    Pointer().SetVisible(false);
    SingleFunctionPoint = false;
}

void TLineSeries::EnumSubStyles(const std::function<void(const QString&)>& Proc) const {
    for (const QString* s : {&PlotMsg_SubStyleNormal, &PlotMsg_SubStyleStairs, &PlotMsg_SubStylePoints,
                             &PlotMsg_SubStyleHeight, &PlotMsg_SubStyleHollow, &PlotMsg_SubStyleColors,
                             &PlotMsg_SubStyleMarks, &PlotMsg_SubStyleNoBorder, &PlotMsg_SubStyleOutline})
        Proc(*s);
}

void TLineSeries::SetSubStyle(int Index) {
    switch (Index) {
        case 1: SetStairs(true); break;
        case 2: Pointer().SetVisible(true); break;
        case 3: SetLineHeight(5); break;
        case 4: SetLineBrush(bsClear); break;
        case 5: SetColorEachPoint(true); break;
        case 6: Marks.SetVisible(true); break;
        case 7: Pen().SetVisible(false); break;
        case 8: OutLine.SetVisible(true); break;
        default: break;
    }
}

void TLineSeries::Assign(const TCustomChartElement& source) {
    TCustomSeries::Assign(source);
    if (!dynamic_cast<const TLineSeries*>(&source)) Pointer().SetVisible(false);
    DrawArea = false;
    DrawLine = true;
}

}  // namespace brine::chart
