#include "chart/line_series.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <typeinfo>
#include <utility>
#include <vector>

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

namespace {

bool thinPen(const TChartPen& pen) {
    return pen.Style() == psSolid && pen.Width() <= 1 && !pen.SmallDots() && pen.Mode() == pmCopy &&
           !pen.HasExtHandle();
}

// Pixels of a region (inclusive rectangles) known to be painted, a bit per
// pixel, column by column.
class PaintedPixels {
public:
    explicit PaintedPixels(const TRect& region)
        : left_(region.Left), top_(region.Top), width_(std::max(0, region.Right - region.Left + 1)),
          height_(std::max(0, region.Bottom - region.Top + 1)), words_((height_ + 63) / 64),
          bits_(static_cast<size_t>(width_) * static_cast<size_t>(words_), 0) {}

    bool inside(int x, int y) const {
        return x >= left_ && y >= top_ && x - left_ < width_ && y - top_ < height_;
    }
    // Every pixel of l..r x t..b painted (nothing outside the region is known).
    bool all(int l, int t, int r, int b) const {
        if (!inside(l, t) || !inside(r, b)) return false;
        for (int x = l; x <= r; ++x)
            if (!eachRow(x, t, b, [](std::uint64_t& word, std::uint64_t mask) { return (word & mask) == mask; }))
                return false;
        return true;
    }
    // One pixel: painted? Then marked painted (nothing outside the region).
    bool testAndSet(int x, int y) {
        if (!inside(x, y)) return false;
        std::uint64_t& word = bits_[static_cast<size_t>(x - left_) * words_ + static_cast<size_t>(y - top_) / 64];
        const std::uint64_t bit = std::uint64_t{1} << ((y - top_) % 64);
        const bool was = (word & bit) != 0;
        word |= bit;
        return was;
    }
    void add(int l, int t, int r, int b) {
        l = std::max(l, left_);
        t = std::max(t, top_);
        r = std::min(r, left_ + width_ - 1);
        b = std::min(b, top_ + height_ - 1);
        if (l > r || t > b) return;
        for (int x = l; x <= r; ++x)
            eachRow(x, t, b, [](std::uint64_t& word, std::uint64_t mask) {
                word |= mask;
                return true;
            });
    }

private:
    // f(word, mask of rows t..b in it) for each word of column x; false stops.
    template <typename F>
    bool eachRow(int x, int t, int b, F f) const {
        std::uint64_t* column = const_cast<std::uint64_t*>(bits_.data()) + static_cast<size_t>(x - left_) * words_;
        const int from = t - top_, to = b - top_;
        for (int w = from / 64; w <= to / 64; ++w) {
            const int lo = std::max(from, w * 64) - w * 64, hi = std::min(to, w * 64 + 63) - w * 64;
            const std::uint64_t mask = (hi == 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (hi + 1)) - 1) &
                                       ~((std::uint64_t{1} << lo) - 1);
            if (!f(column[w], mask)) return false;
        }
        return true;
    }

    int left_, top_, width_, height_, words_;
    std::vector<std::uint64_t> bits_;
};


// The segments and pointers of a 2D line with pointers, in the order
// DrawValue draws them, that something drawn later does not paint over
// entirely. DrawValue of point k (after the first) draws the segment into
// it, the pointer of the point before and, at the last, its own pointer:
// going back from the end, each is kept unless what is kept after it paints
// all its pixels.
//
// What each drawing paints: a pointer lies within its box, one pixel wider
// unless it is a rectangle; a solid rectangle paints its whole box with its
// outline, all but its right and bottom edges without. A thin line lies
// within the box of its ends; a straight one paints from its lower end up
// to its higher one.
class ShownParts {
public:
    enum : unsigned char { kSegment = 1, kPointerBefore = 2, kOwnPointer = 4 };
    struct Point {
        TPoint at;
        TColor color = clNone;  // clNone: a null point
        double across = 0;
        bool placed = false;  // at holds the pixel across the column too
        bool hidden = false;  // its pointer lies within rows already painted
    };

    ShownParts(TCustomSeries& series, const TRect& chartRect)
        : series_(series), forward_(series.DrawValuesForward()), first_(series.FirstValueIndex),
          last_(series.LastValueIndex), vertical_(series.YMandatory),
          alongAxis_(vertical_ ? *series.GetHorizAxis : *series.GetVertAxis),
          acrossAxis_(vertical_ ? *series.GetVertAxis : *series.GetHorizAxis),
          alongValues_(vertical_ ? *series.XValues : *series.YValues),
          acrossValues_(vertical_ ? *series.YValues : *series.XValues), linearAlong_(!alongAxis_.Logarithmic()),
          h_(series.Pointer().HorizSize()), v_(series.Pointer().VertSize()), style_(series.Pointer().Style()),
          margin_(style_ == psRectangle ? 0 : 1),
          solidBox_(style_ == psRectangle && series.Pointer().Brush().Style() == bsSolid &&
                    series.Pointer().Brush().Color() != clNone),
          edge_(series.Pointer().Pen().Visible() ? 0 : 1), linePaints_(series.DrawLine && series.Pen().Visible()),
          columnRows_(solidBox_ && vertical_), painted_(region(chartRect)), pointerAt_(region(chartRect)) {}

    int Count() const { return last_ - first_ + 1; }
    int IndexAt(int k) const { return forward_ ? first_ + k : last_ - k; }
    // Point k placed; only after Steps().
    Point PointAt(int k) {
        Point p;
        start(k, p);
        if (p.color != clNone) place(p);
        return p;
    }

    // The steps k (1 to Count() - 1) with something kept, last first.
    std::vector<std::pair<int, unsigned char>> Steps() {
        std::vector<std::pair<int, unsigned char>> steps;
        const int count = Count();
        // The two points of a step, filled in place and used in turn.
        Point points[2];
        Point* here = &points[0];
        Point* before = &points[1];
        setPoint(count - 1, *here);
        for (int k = count - 1; k >= 1; --k) {
            if (here->hidden) {
                // Steps between hidden points of one column draw nothing
                // (nor do those of a null point among them).
                int j = k;
                while (j >= 1 && hiddenPoint(j - 1)) --j;
                if (j < k) {
                    k = j;
                    here->across = acrossValues_.Value(IndexAt(k));
                    here->color = series_.ValueColor(IndexAt(k));
                    here->placed = false;
                    if (k == 0) break;
                }
            }
            setPoint(k - 1, *before);
            unsigned char draw = 0;
            if (k == count - 1 && here->color != clNone && keepPointer(*here)) draw |= kOwnPointer;
            if (before->color != clNone && keepPointer(*before)) draw |= kPointerBefore;
            if (here->color != clNone && before->color != clNone && keepSegment(*before, *here)) draw |= kSegment;
            if (draw) steps.emplace_back(k, draw);
            std::swap(here, before);
        }
        return steps;
    }

private:
    TRect region(const TRect& chartRect) const {
        const int reach = std::max(h_, v_) + 2;
        return {chartRect.Left - reach, chartRect.Top - reach, chartRect.Right + reach, chartRect.Bottom + reach};
    }

    // The pixel along the axis of the values in order. A linear axis places
    // values in order: every value between two that share a pixel has it
    // too. Points of one pixel column are looked for together, so that most
    // points need only their pixel across the column.
    int alongPixel(int k, double value) {
        if (value >= columnLow_ && value <= columnHigh_) return columnPixel_;
        const int pixel = alongAxis_.ValueToPixel(value);
        if (!linearAlong_) return pixel;
        columnPixel_ = pixel;
        columnLow_ = columnHigh_ = value;
        // Earlier points of this column (with values in order, those in the
        // column are then all that lie between the two ends found).
        for (int step = 1, found = k; found - step >= 0; step *= 2) {
            const double v = alongValues_.Value(IndexAt(found - step));
            if (!std::isfinite(v) || alongAxis_.ValueToPixel(v) != pixel) break;
            found -= step;
            columnLow_ = std::min(columnLow_, v);
            columnHigh_ = std::max(columnHigh_, v);
        }
        return pixel;
    }

    // Point k placed along its column.
    void start(int k, Point& p) {
        const int i = IndexAt(k);
        const double along = alongValues_.Value(i), across = acrossValues_.Value(i);
        p.color = clNone;
        p.placed = p.hidden = false;
        if (!std::isfinite(along) || !std::isfinite(across)) return;
        p.color = series_.ValueColor(i);
        if (p.color == clNone) return;
        (vertical_ ? p.at.X : p.at.Y) = alongPixel(k, along);
        p.across = across;
    }
    void place(Point& p) {
        if (p.placed) return;
        (vertical_ ? p.at.Y : p.at.X) = acrossAxis_.ValueToPixel(p.across);
        p.placed = true;
    }

    // Point k for the pass back from the end, placed across its column only
    // when needed. The rows of the current pixel column that the pointers
    // kept there paint across their whole width, and the values known to
    // place a pointer so that its box lies within them: such a point's
    // pointer is painted over, and so is a segment between two of them.
    // (A vertical series only.)
    void setPoint(int k, Point& p) {
        start(k, p);
        if (p.color == clNone) return;
        if (!columnRows_) {
            place(p);
            return;
        }
        if (p.at.X != rowsColumn_) {
            rowsColumn_ = p.at.X;
            rowsTop_ = 1;
            rowsBottom_ = 0;
            hiddenLow_ = 1;
            hiddenHigh_ = 0;
        }
        if (p.across >= hiddenLow_ && p.across <= hiddenHigh_) {
            p.hidden = true;
            return;
        }
        place(p);
        if (p.at.Y >= rowsTop_ + v_ && p.at.Y <= rowsBottom_ - v_ + edge_) {
            p.hidden = true;
            const bool none = hiddenLow_ > hiddenHigh_;
            hiddenLow_ = none ? p.across : std::min(hiddenLow_, p.across);
            hiddenHigh_ = none ? p.across : std::max(hiddenHigh_, p.across);
        }
    }

    // Point j lies in the column of the hidden point after it, its pointer
    // (unless it is null) among the rows painted there.
    bool hiddenPoint(int j) const {
        const int i = IndexAt(j);
        const double along = alongValues_.Value(i), across = acrossValues_.Value(i);
        return along >= columnLow_ && along <= columnHigh_ && across >= hiddenLow_ && across <= hiddenHigh_;
    }

    bool keepPointer(Point& p) {
        if (style_ == psNothing || p.hidden) return false;
        const TPoint& c = p.at;
        // The same pointer at the same place paints the same pixels: once one
        // is kept or painted over, those before it are painted over too.
        // (Those of the colour most pointers have: the first one's.)
        if (pointerColor_ == clNone) pointerColor_ = p.color;
        if (p.color == pointerColor_ && pointerAt_.testAndSet(c.X, c.Y)) return false;
        if (painted_.all(c.X - h_ - margin_, c.Y - v_ - margin_, c.X + h_ + margin_, c.Y + v_ + margin_)) return false;
        if (solidBox_) painted_.add(c.X - h_, c.Y - v_, c.X + h_ - edge_, c.Y + v_ - edge_);
        if (columnRows_ && c.X == rowsColumn_) {
            // Rows joining those painted in this column extend them.
            const int top = c.Y - v_, bottom = c.Y + v_ - edge_;
            if (rowsTop_ > rowsBottom_) {
                rowsTop_ = top;
                rowsBottom_ = bottom;
            } else if (top <= rowsBottom_ + 1 && bottom >= rowsTop_ - 1) {
                rowsTop_ = std::min(rowsTop_, top);
                rowsBottom_ = std::max(rowsBottom_, bottom);
            }
        }
        return true;
    }

    // Both pointers of a segment are painted after it (kept, or painted over
    // by what is kept): a segment within their solid boxes is painted over.
    bool withinPointers(const TPoint& a, const TPoint& b) const {
        if (!solidBox_) return false;
        // The usual case: a segment up or down a pixel column.
        if (a.X == b.X) return std::abs(a.Y - b.Y) <= 2 * v_ + 1 - edge_;
        const auto spans = [](int a0, int a1, int b0, int b1, int from, int to) {
            // a0..a1 and b0..b1 together hold from..to.
            if (a0 > b0) {
                std::swap(a0, b0);
                std::swap(a1, b1);
            }
            return a0 <= from && b0 <= a1 + 1 && std::max(a1, b1) >= to;
        };
        const int l = std::min(a.X, b.X), r = std::max(a.X, b.X), t = std::min(a.Y, b.Y), btm = std::max(a.Y, b.Y);
        const int al = a.X - h_, ar = a.X + h_ - edge_, at = a.Y - v_, ab = a.Y + v_ - edge_;
        const int bl = b.X - h_, br = b.X + h_ - edge_, bt = b.Y - v_, bb = b.Y + v_ - edge_;
        // Both boxes across the segment's width and together along its
        // height, or the other way round.
        if (al <= l && ar >= r && bl <= l && br >= r && spans(at, ab, bt, bb, t, btm)) return true;
        return at <= t && ab >= btm && bt <= t && bb >= btm && spans(al, ar, bl, br, l, r);
    }

    bool keepSegment(Point& from, Point& to) {
        if (!linePaints_) return false;
        if (from.hidden && to.hidden && (vertical_ ? from.at.X == to.at.X : from.at.Y == to.at.Y)) return false;
        place(from);
        place(to);
        const TPoint& a = from.at;
        const TPoint& b = to.at;
        if (a == b || withinPointers(a, b)) return false;
        if (painted_.all(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)))
            return false;
        if (a.X == b.X)
            painted_.add(a.X, std::min(a.Y, b.Y), a.X, std::max(a.Y, b.Y) - 1);
        else if (a.Y == b.Y)
            painted_.add(std::min(a.X, b.X), a.Y, std::max(a.X, b.X) - 1, a.Y);
        return true;
    }

    TCustomSeries& series_;
    const bool forward_;
    const int first_, last_;
    const bool vertical_;
    const TChartAxis &alongAxis_, &acrossAxis_;
    const TChartValueList &alongValues_, &acrossValues_;
    const bool linearAlong_;
    const int h_, v_;
    const TSeriesPointerStyle style_;
    const int margin_;
    const bool solidBox_;
    const int edge_;
    const bool linePaints_;
    const bool columnRows_;
    PaintedPixels painted_;
    PaintedPixels pointerAt_;
    TColor pointerColor_ = clNone;
    double columnLow_ = 1, columnHigh_ = 0;  // values known to lie on columnPixel_
    int columnPixel_ = 0;
    int rowsColumn_ = 0, rowsTop_ = 1, rowsBottom_ = 0;
    double hiddenLow_ = 1, hiddenHigh_ = 0;
};
}  // namespace

bool TCustomSeries::drawsByColumns() {
    TCustomAxisPanel* panel = ParentChart();
    if (!panel || !DrawLine || DrawArea || Stairs_ || Pointer_.Visible()) return false;
    // Each segment in the colour of its point: the run's colours would show.
    if (ColorEachPoint() && ColorEachLine) return false;
    // Only a thin solid pen that paints over itself paints a column's
    // segments the same as one segment from the lowest to the highest point.
    const TChartPen& pen = Pen();
    const bool thin = thinPen(pen);
    if (!panel->View3D()) return pen.Visible() && thin;
    // Solid bands, each painting its whole outline over its own fill; in an
    // orthogonal view the bands of a column share their vertical sides.
    return panel->Canvas().IsOrthogonal && (!pen.Visible() || thin) && LineBrush() == bsSolid && LineHeight_ == 0;
}

void TCustomSeries::drawValues() {
    if (FirstValueIndex < 0 || LastValueIndex < FirstValueIndex) return;
    if (drawsByColumns())
        drawValuesByColumns();
    else if (drawsShownPartsOnly())
        drawShownParts();
    else
        TChartSeries::DrawAllValues();
}

bool TCustomSeries::placesFromValues() const {
    return !stacking() && !ColorEachPoint() && GetHorizAxis && GetVertAxis &&
           (typeid(*this) == typeid(TLineSeries) || typeid(*this) == typeid(TCustomSeries));
}

bool TCustomSeries::drawsShownPartsOnly() {
    TCustomAxisPanel* panel = ParentChart();
    if (!panel || panel->View3D() || !Pointer_.Visible() || DrawArea || Stairs_) return false;
    // Drawn exactly as DrawValue draws them: a plain line series, its
    // pointers all of one shape, painting the same pixels whatever lies below.
    if (!placesFromValues()) return false;
    if (OnGetPointerStyle || Pointer_.Transparency() > 0 || Pointer_.Gradient().Visible()) return false;
    if (Pointer_.Pen().Visible() && !thinPen(Pointer_.Pen())) return false;
    return !DrawLine || !Pen().Visible() || thinPen(Pen());
}

void TCustomSeries::drawShownParts() {
    TCustomAxisPanel* panel = ParentChart();
    ShownParts shown(*this, panel->ChartRect);
    const std::vector<std::pair<int, unsigned char>> steps = shown.Steps();
    DrawValue(shown.IndexAt(0));
    TPlotCanvas3D& c = panel->Canvas();
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        const auto [k, draw] = *it;
        const ShownParts::Point p = shown.PointAt(k), before = shown.PointAt(k - 1);
        c.Brush->SetStyle(bsSolid);
        c.Brush->SetColor(p.color);
        if (draw & ShownParts::kSegment) {
            OldX = before.at.X;
            OldY = before.at.Y;
            drawSegment(p.at.X, p.at.Y, p.color);
        }
        if (draw & ShownParts::kPointerBefore) DrawPointer(before.at.X, before.at.Y, before.color, shown.IndexAt(k - 1));
        if (draw & ShownParts::kOwnPointer) DrawPointer(p.at.X, p.at.Y, p.color, shown.IndexAt(k));
    }
    const ShownParts::Point last = shown.PointAt(shown.Count() - 1);
    OldX = last.at.X;
    OldY = last.at.Y;
    OldColor = last.color;
}

void TCustomSeries::drawValuesByColumns() {
    const bool forward = DrawValuesForward();
    const int count = LastValueIndex - FirstValueIndex + 1;
    const auto indexAt = [&](int k) { return forward ? FirstValueIndex + k : LastValueIndex - k; };
    // A series of another kind than a plain line is asked point by point.
    const bool direct = placesFromValues();
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
    // 3D lines draw bands: a run keeps the positions of its points.
    const bool bands = ParentChart()->View3D();
    std::vector<int> runPos, reaching;
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
        if (bands) runPos.assign(1, low);
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
            if (bands) runPos.push_back(pos);
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
        if (bands) {
            // A band outlined all round shows only what the bands after it in
            // its column leave uncovered, and those cover every level from
            // the lowest to the highest point after it: a point inside that
            // span, joined straight to its neighbours, changes no pixel that
            // stays in view. Scanning back from the last point, only points
            // beyond every later one are drawn.
            reaching.clear();
            int lo = lastPos, hi = lastPos;
            for (std::size_t j = runPos.size() - 1; j-- > 1;) {
                const int pos = runPos[j];
                if (pos >= lo && pos <= hi) continue;
                reaching.push_back(indexAt(k + static_cast<int>(j)));
                lo = std::min(lo, pos);
                hi = std::max(hi, pos);
            }
            for (auto it = reaching.rbegin(); it != reaching.rend(); ++it) DrawValue(*it);
            if (last != first) DrawValue(last);
            k = m;
            continue;
        }
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
