#pragma once
// The chart component: titles, legend and walls around the axis panel, and
// mouse input turned into clicks, zooming and panning.
#include <QStringList>
#include <memory>
#include <vector>

#include "chart/axis_panel.h"
#include "chart/chart_legend.h"

namespace brine::chart {

class TCustomChartWall : public TPlotCustomShape {
public:
    explicit TCustomChartWall(TShapePanel* panel);
    bool AutoHide = false;
    bool Dark3D = true;
    int Size = 0;
    TColor DefaultColor = clDefault;
    void Assign(const TPlotCustomShapeBrushPen& source) override;
};

class TChartWall : public TCustomChartWall {
public:
    using TCustomChartWall::TCustomChartWall;
};

class TChartBackWall : public TChartWall {
public:
    explicit TChartBackWall(TShapePanel* panel);
};

class TChartRightWall : public TChartWall {
public:
    explicit TChartRightWall(TShapePanel* panel);
};

class TChartWalls {
public:
    explicit TChartWalls(TShapePanel* panel);
    TChartBackWall Back;
    TChartWall Bottom;
    TChartWall Left;
    TChartRightWall Right;
    void Assign(const TChartWalls& source);
};

class TChartTitle : public TPlotCustomShapePosition {
public:
    explicit TChartTitle(TShapePanel* panel, bool top = true);
    bool AdjustFrame = true;
    TAlignment Alignment = taCenter;
    QStringList Text() const { return Text_; }
    void SetText(const QStringList& v);
    void AddLine(const QString& line);
    // The string as the only line; an empty string leaves none.
    void SetTextLine(const QString& s);
    void ClearText() { SetTextLine({}); }
    bool IsTop() const { return Top_; }
    bool Clicked(int x, int y) const;
    // Lays out, draws and takes its room from the chart rectangle.
    void DrawTitle(TCustomPlotPanel& chart);
    void Assign(const TPlotCustomShapeBrushPen& source) override;

private:
    QStringList Text_;
    bool Top_;
};

class TChartFootTitle : public TChartTitle {
public:
    explicit TChartFootTitle(TShapePanel* panel);
};

enum TChartClickedPartStyle {
    cpNone, cpLegend, cpAxis, cpSeries, cpTitle, cpFoot, cpChartRect, cpSeriesMarks, cpSubTitle, cpSubFoot
};

struct TChartClickedPart {
    TChartClickedPartStyle Part = cpNone;
    int PointIndex = -1;
    TChartSeries* ASeries = nullptr;
    TChartAxis* AAxis = nullptr;
};

using TChartClickEvent = std::function<void(TMouseButton Button, TShiftState Shift, int X, int Y)>;

class TCustomChart : public TCustomAxisPanel {
public:
    explicit TCustomChart(QWidget* parent = nullptr);
    ~TCustomChart() override;

    TAxisShapePanel ShapePanel{this};
    TChartTitle& Title() { return *Title_; }
    TChartTitle& SubTitle() { return *SubTitle_; }
    TChartFootTitle& Foot() { return *Foot_; }
    TChartFootTitle& SubFoot() { return *SubFoot_; }
    TChartLegend& Legend() { return *Legend_; }
    TChartWalls& Walls() { return *Walls_; }
    TChartBackWall& BackWall() { return Walls_->Back; }
    TChartWall& BottomWall() { return Walls_->Bottom; }
    TChartWall& LeftWall() { return Walls_->Left; }
    TChartRightWall& RightWall() { return Walls_->Right; }
    TMouseButton ScrollMouseButton = mbRight;

    std::function<void(TChartAxis* Axis, double& AMin, double& AMax, bool& AllowScroll)> OnAllowScroll;
    std::function<void(TChartAxis* Axis, TMouseButton Button, TShiftState Shift, int X, int Y)> OnClickAxis;
    TChartClickEvent OnClickBackground, OnClickLegend;
    std::function<void(TChartSeries* Series, int ValueIndex, TMouseButton Button, TShiftState Shift, int X, int Y)>
        OnClickSeries;
    std::function<void(TChartTitle* Title, TMouseButton Button, TShiftState Shift, int X, int Y)> OnClickTitle;
    std::function<void(TCustomChartLegend* Sender, TLegendStyle Style, int Index, QString& Text)> OnGetLegendText;
    std::function<void(TCustomChart* Sender, TRect& Rect)> OnGetLegendRect;
    std::function<void(TCustomChart* Sender, int Index, int& X, int& Y, int& XColor)> OnGetLegendPos;

    TColor BackColor() override;
    void SetBackColor(TColor v);
    TChartClickedPart CalcClickedPart(int x, int y);
    QString LegendItemText(int index);
    void ZoomRect(const TRect& r);
    void UndoZoom() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseWheel(bool down);

    // ---- operations of the axis panel
    void CalcWallsRect() override;
    int AxisWallSize(const TChartAxis& axis) override;
    void DrawTitlesAndLegend(bool firstPass) override;
    void DrawWalls() override;
    bool IsFreeSeriesColor(TColor color, bool checkBackground, const TChartSeries* skip) const override;
    QString FormattedLegend(TChartSeries* series, int index) override;
    void DrawLegendColorBox(const TRect& r) override;
    void DoGetLegendRect(TRect& r) override;
    void DoGetLegendPos(int index, int& x, int& y, int& symbolX) override;
    void Assign(const TCustomPlotPanel& source) override;

    // Whether the outer side of the right, left or back plane is turned to
    // the viewer, so that its wall stands between the viewer and the series.
    bool RightFacing();
    bool LeftFacing();
    bool BackFacing();

protected:
    void wheelEvent(QWheelEvent* event) override;
    // The zoom rectangle is laid over the buffered chart in inverse colours,
    // so dragging never redraws the chart itself.
    void paintEvent(QPaintEvent* event) override;

private:
    struct SavedAxis {
        bool Automatic, AutomaticMinimum, AutomaticMaximum;
        double Minimum, Maximum;
    };
    void saveAxes();
    void startZoomOrPan(TMouseButton button, TShiftState shift, int x, int y);
    // Flat or thick wall; which one by the wall side.
    enum WallSide { wsBack, wsLeft, wsBottom, wsRight };
    void drawWall(TCustomChartWall& wall, WallSide side);
    void drawFacingWalls();
    std::vector<TChartAxis*> nonDepthAxes();

    std::unique_ptr<TChartTitle> Title_, SubTitle_;
    std::unique_ptr<TChartFootTitle> Foot_, SubFoot_;
    std::unique_ptr<TChartWalls> Walls_;
    std::unique_ptr<TChartLegend> Legend_;
    std::vector<SavedAxis> SavedAxes_;
    bool SaveAxes_ = true;
};

class TChart : public TCustomChart {
public:
    using TCustomChart::TCustomChart;
};

// Mouse wheel scrolls the vertical axes.
inline bool PlotUseMouseWheel = true;

}  // namespace brine::chart
