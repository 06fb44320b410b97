#pragma once
// Series drawn as a polyline with optional point markers.
#include <memory>
#include <vector>

#include "chart/series_data.h"
#include "chart/series_pointer.h"

namespace brine::chart {

class TCustomLineSeries : public TChartSeries {};

enum TCustomSeriesStack { cssNone, cssOverlap, cssStack, cssStack100 };

class TCustomSeries : public TCustomLineSeries {
public:
    TCustomSeries();

    bool ClickableLine = true;
    bool ColorEachLine = true;
    bool Dark3D = true;
    bool DrawArea = false;
    bool DrawLine = true;
    bool InvertedStairs() const { return InvertedStairs_; }
    void SetInvertedStairs(bool v) { SetBooleanProperty(InvertedStairs_, v); }
    int LineHeight() const { return LineHeight_; }
    void SetLineHeight(int v) { SetIntegerProperty(LineHeight_, v); }
    TChartHiddenPen OutLine;
    TSeriesPointer& Pointer() { return Pointer_; }
    TPlotShadow Shadow;
    TCustomSeriesStack Stacked() const { return Stacked_; }
    // Every series of the same class in the panel takes the same stacking.
    void SetStacked(TCustomSeriesStack v);
    bool Stairs() const { return Stairs_; }
    void SetStairs(bool v) { SetBooleanProperty(Stairs_, v); }
    TChartPen& LinePen() { return Pen(); }
    TBrushStyle LineBrush() const;
    void SetLineBrush(TBrushStyle v);

    std::function<void(TCustomSeries* Sender, int ValueIndex, int X, int Y)> OnClickPointer;
    std::function<TSeriesPointerStyle(TCustomSeries* Sender, int ValueIndex)> OnGetPointerStyle;

    void SetParentChart(TCustomAxisPanel* v) override;
    void GetHorizMargins(int& Left, int& Right) override;
    void GetVertMargins(int& Top, int& Bottom) override;
    void DrawAllValues() override;
    void DrawValue(int ValueIndex) override;
    void DrawLegendBox(int ValueIndex, const TRect& Rect) override;
    // Marks stand above their points, joined by the callout's arrow.
    void DrawMark(int ValueIndex, const QString& Text, TSeriesMarkPosition& Position) override;
    int Clicked(int X, int Y) override;
    virtual bool ClickedPointer(int ValueIndex, int PX, int PY, int X, int Y);
    virtual void DrawPointer(int X, int Y, TColor Color, int ValueIndex);
    virtual int GetOriginPos(int ValueIndex) const;
    int MarksDistance() const;
    void CalcZOrder() override;
    bool DrawsInterleaved() const override;
    int CalcXPos(int ValueIndex) const override;
    int CalcYPos(int ValueIndex) const override;
    double MaxXValue() override;
    double MaxYValue() override;
    double MinXValue() override;
    double MinYValue() override;
    // The value a point is drawn at on the value axis: its own value, the
    // running sum of the stack, or that sum as a percentage of the total.
    double StackedValue(int ValueIndex) const;
    QString GetEditorClassName() const override { return QStringLiteral("TCustomSeriesEditor"); }
    void Assign(const TCustomChartElement& source) override;

protected:
    bool stacking() const { return Stacked_ == cssStack || Stacked_ == cssStack100; }
    // Active series of this class in the panel, in list order.
    std::vector<TCustomSeries*> stackGroup() const;
    // Sum of the earlier series' values at an index with the sign of Value.
    double stackBase(int ValueIndex, double Value) const;
    double toStackScale(int ValueIndex, double Value) const;
    double stackExtreme(bool isMax);
    void drawSegment(int x, int y, TColor color);
    // A plain line (a thin line in 2D, solid bands in 3D) drawn point by
    // point paints only what each pixel column (row for a horizontal series)
    // shows of it.
    bool drawsByColumns();
    // The visible points, each pixel column's run of points reduced to those
    // that paint exactly the same pixels.
    void drawValuesByColumns();
    // A 2D line with pointers drawn point by point, where what each drawing
    // paints is known well enough to tell when later ones paint over it all.
    bool drawsShownPartsOnly();
    // A plain line series: its points are placed straight from their values
    // (the same sums DrawValue makes, without the calls in between).
    bool placesFromValues() const;
    // The segments and pointers of the visible points, in drawing order,
    // leaving out each one that those drawn after it paint over entirely.
    void drawShownParts();
    // The points in view in drawing order, by columns when that is the same.
    void drawValues();

    int OldX = 0, OldY = 0;
    TColor OldColor = clNone;
    double DarkSlope = 1;

private:
    bool InvertedStairs_ = false, Stairs_ = false;
    int LineHeight_ = 0;
    TCustomSeriesStack Stacked_ = cssNone;
    TSeriesPointer Pointer_{this};
};

class TLineSeries : public TCustomSeries {
public:
    TLineSeries();
    void EnumSubStyles(const std::function<void(const QString&)>& Proc) const override;
    void SetSubStyle(int Index) override;
    void Assign(const TCustomChartElement& source) override;
};

}  // namespace brine::chart
