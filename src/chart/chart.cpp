#include "chart/chart.h"

#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>

#include "chart/plot_html.h"

namespace brine::chart {

// ---- walls

TCustomChartWall::TCustomChartWall(TShapePanel* panel) : TPlotCustomShape(panel) { SetColor(clDefault); }

void TCustomChartWall::Assign(const TPlotCustomShapeBrushPen& source) {
    if (auto* w = dynamic_cast<const TCustomChartWall*>(&source)) {
        AutoHide = w->AutoHide;
        Dark3D = w->Dark3D;
        Size = w->Size;
    }
    TPlotCustomShape::Assign(source);
}

TChartBackWall::TChartBackWall(TShapePanel* panel) : TChartWall(panel) {
    DefaultColor = 0xC0C0C0;
    SetColor(0xC0C0C0);
    DefaultTransparent = true;
    SetTransparent(true);
}

TChartRightWall::TChartRightWall(TShapePanel* panel) : TChartWall(panel) {
    DefaultColor = 0xC0C0C0;
    SetColor(0xC0C0C0);
    SetVisible(false);
}

TChartWalls::TChartWalls(TShapePanel* panel) : Back(panel), Bottom(panel), Left(panel), Right(panel) {
    Bottom.DefaultColor = clWhite;
    Bottom.SetColor(clWhite);
    Left.DefaultColor = 0x80FFFF;
    Left.SetColor(0x80FFFF);
}

void TChartWalls::Assign(const TChartWalls& source) {
    Back.Assign(source.Back);
    Bottom.Assign(source.Bottom);
    Left.Assign(source.Left);
    Right.Assign(source.Right);
}

// ---- titles

TChartTitle::TChartTitle(TShapePanel* panel, bool top) : TPlotCustomShapePosition(panel), Top_(top) {
    DefaultTransparent = true;
    SetTransparent(true);
    Font().SetColor(0xFF0000);
}

void TChartTitle::SetText(const QStringList& v) {
    Text_ = v;
    Repaint();
}

void TChartTitle::AddLine(const QString& line) {
    Text_.append(line);
    Repaint();
}

void TChartTitle::SetTextLine(const QString& s) {
    Text_.clear();
    if (!s.isEmpty()) Text_.append(s);
    Repaint();
}

bool TChartTitle::Clicked(int x, int y) const {
    const TRect& r = ShapeBounds;
    return Visible() && !Text_.isEmpty() && x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
}

void TChartTitle::Assign(const TPlotCustomShapeBrushPen& source) {
    if (auto* t = dynamic_cast<const TChartTitle*>(&source)) {
        AdjustFrame = t->AdjustFrame;
        Alignment = t->Alignment;
        Text_ = t->Text_;
    }
    TPlotCustomShapePosition::Assign(source);
}

void TChartTitle::DrawTitle(TCustomPlotPanel& chart) {
    if (!Visible() || Text_.isEmpty()) return;
    TPlotCanvas3D& c = chart.Canvas();
    int fw = Pen().Visible() && Pen().Color() != clDefault ? Pen().Width() : 0;
    if (Bevel() != bvNone) fw = BevelWidth();
    if (!CustomPosition()) {
        ShapeBounds = chart.ChartRect;
        if (Top_) ShapeBounds.Top += fw;
    }
    c.AssignFont(Font());
    const int h = c.FontHeight();
    const int lines = static_cast<int>(Text_.size());
    // HTML text is measured as it is drawn, not by its markup.
    const bool html = TextFormat() == ttfHtml;
    const QString htmlText = html ? Text_.join(QStringLiteral("\r\n")) : QString();
    const TextSize htmlSize = html ? HtmlTextSizeOrPlain(c, htmlText) : TextSize{};
    const int textHeight = html ? std::max(h, htmlSize.cy) : lines * h;
    if (Top_ || CustomPosition())
        ShapeBounds.Bottom = ShapeBounds.Top + textHeight;
    else
        ShapeBounds.Top = ShapeBounds.Bottom - textHeight;
    if (!CustomPosition()) ShapeBounds = {ShapeBounds.Left - fw, ShapeBounds.Top - fw, ShapeBounds.Right + fw, ShapeBounds.Bottom + fw};
    const int w = c.TextWidth("W");
    if (AdjustFrame) {
        int widest = html ? htmlSize.cx : 0;
        for (const QString& l : Text_)
            if (!html) widest = std::max(widest, c.TextWidth(l));
        const int total = widest + w + fw;
        if (Alignment == taLeftJustify) {
            ShapeBounds.Right = ShapeBounds.Left + total;
        } else if (Alignment == taRightJustify) {
            ShapeBounds.Left = ShapeBounds.Right - total;
        } else {
            if (CustomPosition()) ShapeBounds.Right = ShapeBounds.Left + total;
            const int cx = (ShapeBounds.Left + ShapeBounds.Right) / 2, half = total / 2;
            ShapeBounds.Left = cx - half;
            ShapeBounds.Right = cx + half;
        }
    }
    Draw();
    c.SetBackMode(TRANSPARENT);
    c.AssignFont(Font());
    const int cx = (ShapeBounds.Left + ShapeBounds.Right) / 2;
    if (html) {
        // The whole text once, from the left position; a foot's lines run
        // down from the top of its box.
        const int y = Top_ ? ShapeBounds.Top + fw : ShapeBounds.Bottom - textHeight - fw;
        HtmlTextOutOrPlain(c, ShapeBounds.Left + w / 2, y, htmlText);
    }
    for (int i = 0; i < lines && !html; ++i) {
        const int y = Top_ ? ShapeBounds.Top + i * h + fw : ShapeBounds.Bottom - h - (i * h + fw);
        const int lw = c.TextWidth(Text_[i]);
        const int x = Alignment == taLeftJustify    ? ShapeBounds.Left + w / 2
                      : Alignment == taRightJustify ? ShapeBounds.Right - lw - w / 2
                                                    : cx - lw / 2;
        c.TextOut(x, y, Text_[i]);
    }
    if (!CustomPosition()) {
        int spacing = 5 + fw;
        if (!Transparent() && Shadow()) spacing += Shadow()->VertSize();
        if (Top_)
            chart.ChartRect.Top = ShapeBounds.Bottom + spacing;
        else
            chart.ChartRect.Bottom = ShapeBounds.Bottom - spacing - textHeight;
        chart.RecalcWidthHeight();
    }
}

TChartFootTitle::TChartFootTitle(TShapePanel* panel) : TChartTitle(panel, false) {
    Font().SetColor(clRed);
    Font().SetStyle(Font().Style() | fsItalic);
}

// ---- chart

TCustomChart::TCustomChart(QWidget* parent) : TCustomAxisPanel(parent) {
    AutoRepaint = false;
    Title_ = std::make_unique<TChartTitle>(&ShapePanel);
    SubTitle_ = std::make_unique<TChartTitle>(&ShapePanel);
    Foot_ = std::make_unique<TChartFootTitle>(&ShapePanel);
    SubFoot_ = std::make_unique<TChartFootTitle>(&ShapePanel);
    Walls_ = std::make_unique<TChartWalls>(&ShapePanel);
    Legend_ = std::make_unique<TChartLegend>(this, &ShapePanel);
    AutoRepaint = true;
}

TCustomChart::~TCustomChart() {
    // Series go before the parts they draw with.
    FreeAllSeries();
}

TColor TCustomChart::BackColor() { return BackWall().Transparent() ? Color() : BackWall().Color(); }

void TCustomChart::SetBackColor(TColor v) {
    BackWall().SetColor(v);
    if (!Loading) BackWall().Brush().SetStyle(bsSolid);
}

bool TCustomChart::IsFreeSeriesColor(TColor color, bool checkBackground, const TChartSeries* skip) const {
    for (TChartSeries* s : SeriesList().Items)
        if (s != skip && s->SeriesColor() == color) return false;
    if (!checkBackground) return true;
    const TChartBackWall& back = Walls_->Back;
    return ColorToRGB(color) != ColorToRGB(Color()) && ColorToRGB(color) != ColorToRGB(back.Color());
}

int TCustomChart::AxisWallSize(const TChartAxis& axis) {
    if (!View3D() || !View3DWalls()) return 0;
    TCustomChartWall* w = &Walls_->Back;
    if (&axis == &LeftAxis()) w = &Walls_->Left;
    if (&axis == &BottomAxis()) w = &Walls_->Bottom;
    if (&axis == &RightAxis()) w = &Walls_->Right;
    return w->Visible() ? w->Size : 0;
}

void TCustomChart::CalcWallsRect() {
    Calc3DSizes();
    if (!View3D() || !View3DOptions().Orthogonal()) return;
    const int wall = AxesInUse() ? Walls_->Back.Size : 0;
    const int d = std::abs(SeriesWidth3D) + wall;
    if (View3DOptions().OrthoAngle() < 91) {
        ChartRect.Right -= d + (Walls_->Right.Visible() ? Walls_->Right.Size + 1 : 0);
    } else {
        ChartRect.Left += d + (Walls_->Left.Visible() ? Walls_->Left.Size + 1 : 0);
    }
    ChartRect.Top += wall + std::abs(Height3D);
    RecalcWidthHeight();
}

QString TCustomChart::FormattedLegend(TChartSeries* series, int index) {
    if (!series) return {};
    QString text;
    series->LegendItemText(index, Legend_->TextStyle, text);
    return text.replace(QChar(13), QChar(' '));
}

QString TCustomChart::LegendItemText(int index) {
    QString text = Legend_->ItemText(index);
    if (OnGetLegendText) OnGetLegendText(Legend_.get(), Legend_->EffectiveStyle(), index, text);
    return text;
}

void TCustomChart::DrawTitlesAndLegend(bool firstPass) {
    auto titles = [&](bool custom) {
        for (TChartTitle* t : {Title_.get(), SubTitle_.get(), static_cast<TChartTitle*>(Foot_.get()),
                               static_cast<TChartTitle*>(SubFoot_.get())})
            if (t->CustomPosition() == custom) t->DrawTitle(*this);
    };
    const bool legend = Legend_->Shown();
    if (firstPass) {
        if (legend && !Legend_->CustomPosition()) {
            if (Legend_->Vertical()) {
                Legend_->Draw(ChartRect);
                titles(false);
            } else {
                titles(false);
                Legend_->Draw(ChartRect);
            }
        } else {
            titles(false);
        }
        RecalcWidthHeight();
        return;
    }
    if (legend && Legend_->CustomPosition()) Legend_->Draw(ChartRect);
    titles(true);
    drawFacingWalls();
}

void TCustomChart::DrawLegendColorBox(const TRect& r) {
    TPlotGradient& g = Legend_->Symbol.Gradient;
    if (!g.Visible()) {
        TCustomAxisPanel::DrawLegendColorBox(r);
        return;
    }
    TPlotCanvas3D& c = Canvas();
    g.SetEndColor(c.Brush->Color());
    g.Draw(c, r);
    c.Brush->SetStyle(bsClear);
    c.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
}

void TCustomChart::DoGetLegendRect(TRect& r) {
    if (OnGetLegendRect) OnGetLegendRect(this, r);
}

void TCustomChart::DoGetLegendPos(int index, int& x, int& y, int& symbolX) {
    if (OnGetLegendPos) OnGetLegendPos(this, index, x, y, symbolX);
}

bool TCustomChart::RightFacing() {
    TPlotCanvas3D& c = Canvas();
    const TPoint p0 = c.Calculate3DPosition(ChartRect.Right, ChartRect.Top, Width3D);
    const TPoint p1 = c.Calculate3DPosition(ChartRect.Right, ChartRect.Top, 0);
    const TPoint p2 = c.Calculate3DPosition(ChartRect.Right, ChartRect.Bottom, 0);
    return static_cast<long long>(p0.X - p1.X) * (p2.Y - p1.Y) - static_cast<long long>(p2.X - p1.X) * (p0.Y - p1.Y) > 0;
}

bool TCustomChart::LeftFacing() {
    TPlotCanvas3D& c = Canvas();
    const TPoint p0 = c.Calculate3DPosition(ChartRect.Left, ChartRect.Top, 0);
    const TPoint p1 = c.Calculate3DPosition(ChartRect.Left, ChartRect.Top, Width3D);
    const TPoint p2 = c.Calculate3DPosition(ChartRect.Left, ChartRect.Bottom, Width3D);
    return static_cast<long long>(p0.X - p1.X) * (p2.Y - p1.Y) - static_cast<long long>(p2.X - p1.X) * (p0.Y - p1.Y) > 0;
}

bool TCustomChart::BackFacing() { return View3D() && IsFacing(Width3D); }

void TCustomChart::drawWall(TCustomChartWall& wall, WallSide side) {
    TPlotCanvas3D& c = Canvas();
    const TRect& r = ChartRect;
    const bool is3D = View3D();
    TChartWalls& w = *Walls_;
    const int bottomSize = w.Bottom.Visible() ? w.Bottom.Size : 0;
    const int thick = wall.Size;

    // Box (or plane) of the wall: x, y and z spans.
    int l = r.Left, t = r.Top, rr = r.Right, b = r.Bottom, z0 = 0, z1 = Width3D;
    switch (side) {
        case wsBack:
            if (!is3D) {
                b = r.Bottom + 1;
                break;
            }
            b = r.Bottom + bottomSize;
            z0 = Width3D;
            z1 = Width3D + thick;
            break;
        case wsLeft:
            l = r.Left - thick;
            rr = r.Left;
            b = r.Bottom + bottomSize;
            break;
        case wsRight:
            l = r.Right;
            rr = r.Right + thick;
            b = r.Bottom + bottomSize;
            z1 = Width3D + ((w.Back.Visible() && w.Back.Size > 0) ? w.Back.Size : 1);
            break;
        case wsBottom:
            t = r.Bottom;
            b = r.Bottom + thick;
            if (w.Left.Visible() && LeftFacing()) l = r.Left - w.Left.Size;
            break;
    }

    std::unique_ptr<TPlotBlend> blend;
    if (wall.Transparency() > 0) {
        TRect bounds{l, t, rr, b};
        if (is3D) {
            int minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
            for (int x : {l, rr})
                for (int y : {t, b})
                    for (int z : {z0, z1}) {
                        const TPoint p = c.Calculate3DPosition(x, y, z);
                        minX = std::min(minX, p.X);
                        minY = std::min(minY, p.Y);
                        maxX = std::max(maxX, p.X);
                        maxY = std::max(maxY, p.Y);
                    }
            bounds = {minX, minY, maxX + 1, maxY + 1};
        }
        blend = c.BeginBlending(bounds, wall.Transparency());
    }

    c.SelectPen(wall.Pen());
    const TColor color = wall.Color() == clDefault ? wall.DefaultColor : wall.Color();
    if (wall.Transparent())
        c.Brush->SetStyle(bsClear);
    else
        c.AssignBrushColor(wall.Brush(), color, color);
    if (wall.HasGradient() && wall.Gradient().Visible() && !wall.Transparent()) {
        if (!is3D) {
            wall.Gradient().Draw(c, {l, t, rr, b});
        } else if (side == wsBack) {
            const TPoint corners[4] = {{l, t}, {rr, t}, {rr, b}, {l, b}};
            wall.Gradient().Draw3DPolygon(c, corners, z0);
        } else {
            // The face turned to the chart: a thick wall grows away from it.
            TPoint corners[4];
            if (side == wsBottom) {
                corners[0] = c.Calculate3DPosition(l, t, z0);
                corners[1] = c.Calculate3DPosition(rr, t, z0);
                corners[2] = c.Calculate3DPosition(rr, t, z1);
                corners[3] = c.Calculate3DPosition(l, t, z1);
            } else {
                const int x = side == wsLeft ? rr : l;
                corners[0] = c.Calculate3DPosition(x, t, z0);
                corners[1] = c.Calculate3DPosition(x, t, z1);
                corners[2] = c.Calculate3DPosition(x, b, z1);
                corners[3] = c.Calculate3DPosition(x, b, z0);
            }
            wall.Gradient().DrawPolygon(c, corners);
        }
        c.Brush->SetStyle(bsClear);
    }

    if (!is3D) {
        c.Rectangle(l, t, rr, b);
        if (side == wsBack && HasBackImage() && BackImage().Inside()) {
            const int in = wall.Pen().Visible() ? 1 : 0;
            DrawBackImage({r.Left + in, r.Top + in, r.Right - in, r.Bottom - in}, 0);
        }
    } else if (thick > 0) {
        const bool dark = wall.Dark3D && c.Brush->Style() != bsClear && !wall.Brush().HasImage();
        c.Cube(l, rr, t, b, z0, z1, dark);
    } else {
        switch (side) {
            case wsBack: c.RectangleWithZ({l, t, rr, b}, z0); break;
            case wsLeft: c.RectangleZ(l, t, b, z0, z1); break;
            case wsRight: c.RectangleZ(l, t, b, z0, z1); break;
            case wsBottom: c.RectangleY(l, t, rr, z0, z1); break;
        }
    }
    if (blend) c.EndBlending(std::move(blend));
}

void TCustomChart::DrawWalls() {
    if (!AxesInUse()) return;
    TChartWalls& w = *Walls_;
    const bool walls3D = View3D() && View3DWalls();
    if (walls3D && w.Right.Visible() && !RightFacing()) drawWall(w.Right, wsRight);
    if (View3DWalls() && w.Back.Visible() && !BackFacing()) drawWall(w.Back, wsBack);
    if (walls3D && w.Left.Visible() && !LeftFacing()) drawWall(w.Left, wsLeft);
    if (walls3D && w.Bottom.Visible()) drawWall(w.Bottom, wsBottom);
    if (View3D() && BackFacing()) {
        if (TopAxis().IsVisible) TopAxis().Draw(false);
        if (BottomAxis().IsVisible) BottomAxis().Draw(false);
    }
}

void TCustomChart::drawFacingWalls() {
    if (!AxesInUse() || !View3D() || !View3DWalls()) return;
    TChartWalls& w = *Walls_;
    if (w.Right.Visible() && !w.Right.AutoHide && RightFacing()) {
        drawWall(w.Right, wsRight);
        if (RightAxis().IsVisible) RightAxis().Draw(false);
    }
    if (w.Left.Visible() && !w.Left.AutoHide && LeftFacing()) {
        drawWall(w.Left, wsLeft);
        if (LeftAxis().IsVisible) LeftAxis().Draw(false);
    }
    if (w.Back.Visible() && !w.Back.AutoHide && BackFacing()) drawWall(w.Back, wsBack);
}

void TCustomChart::Assign(const TCustomPlotPanel& source) {
    if (auto* c = dynamic_cast<const TCustomChart*>(&source); c && c != this) {
        Walls_->Assign(*c->Walls_);
        Foot_->Assign(*c->Foot_);
        Legend_->Assign(*c->Legend_);
        ScrollMouseButton = c->ScrollMouseButton;
        SubFoot_->Assign(*c->SubFoot_);
        SubTitle_->Assign(*c->SubTitle_);
        Title_->Assign(*c->Title_);
        ColorPaletteIndex = c->ColorPaletteIndex;
    }
    TCustomAxisPanel::Assign(source);
}

// ---- mouse

namespace {
// The ends a logarithmic axis shows, positive: an end that is not above 0 is
// where the axis places it (its logarithm taken as 0).
bool positiveLogEnds(const TChartAxis& a, double& lo, double& hi) {
    if (!(lo > 0)) lo = std::exp(a.LogScaleMinimum);
    if (!(hi > 0)) hi = std::exp(a.LogScaleMaximum);
    return lo > 0 && hi > lo && std::isfinite(hi);
}

// How far the values under two pixels lie apart in log space (the value at
// `from` over the value at `to`, as a logarithm).
double logPixelDistance(const TChartAxis& a, int from, int to) {
    if (a.PixelLength == 0) return 0;
    double d = static_cast<double>(from - to) * a.LogScaleRange / a.PixelLength;
    if (!a.Horizontal()) d = -d;
    return a.Inverted() ? -d : d;
}

// Moves both ends by the same factor, so a logarithmic range stays positive
// and keeps its ratio; false when there is nothing to move.
bool logShift(const TChartAxis& a, double& lo, double& hi, double logDistance) {
    if (!positiveLogEnds(a, lo, hi) || !std::isfinite(logDistance) || logDistance == 0) return false;
    const double factor = std::exp(logDistance);
    const double newLo = lo * factor, newHi = hi * factor;
    if (!(newLo > 0) || !std::isfinite(newHi)) return false;
    lo = newLo;
    hi = newHi;
    return true;
}
}  // namespace

std::vector<TChartAxis*> TCustomChart::nonDepthAxes() {
    std::vector<TChartAxis*> list;
    for (TChartAxis* a : AxesList)
        if (!a->DepthAxisFlag) list.push_back(a);
    return list;
}

void TCustomChart::saveAxes() {
    if (!SaveAxes_ || !SavedAxes_.empty()) return;
    for (TChartAxis* a : nonDepthAxes())
        SavedAxes_.push_back({a->Automatic(), a->AutomaticMinimum(), a->AutomaticMaximum(), a->Minimum(), a->Maximum()});
}

TChartClickedPart TCustomChart::CalcClickedPart(int x, int y) {
    TChartClickedPart part;
    if (Legend_->Visible() && Legend_->CustomPosition()) {
        const int i = Legend_->Clicked(x, y);
        if (i != -1) {
            part.Part = cpLegend;
            part.PointIndex = i;
            return part;
        }
    }
    const auto& list = SeriesList().Items;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        TChartSeries* s = *it;
        if (!s->Active() || !OnClickSeries) continue;
        const int i = s->Clicked(x, y);
        if (i != -1) {
            part = {cpSeries, i, s, nullptr};
            return part;
        }
    }
    for (TChartAxis* a : AxesList)
        if (a->IsVisible && a->HitTest(x, y)) {
            part.Part = cpAxis;
            part.AAxis = a;
            return part;
        }
    if (Legend_->Shown() && !Legend_->CustomPosition() && Legend_->Clicked(x, y) != -1) {
        part.Part = cpLegend;
        part.PointIndex = Legend_->Clicked(x, y);
        return part;
    }
    if (Title_->Clicked(x, y)) part.Part = cpTitle;
    else if (SubTitle_->Clicked(x, y)) part.Part = cpSubTitle;
    else if (Foot_->Clicked(x, y)) part.Part = cpFoot;
    else if (SubFoot_->Clicked(x, y)) part.Part = cpSubFoot;
    else if (CountActiveSeries() > 0 && x >= ChartRect.Left && x <= ChartRect.Right && y >= ChartRect.Top &&
             y <= ChartRect.Bottom)
        part.Part = cpChartRect;
    return part;
}

void TCustomChart::startZoomOrPan(TMouseButton button, TShiftState shift, int x, int y) {
    if (!AxesInUse()) return;
    bool started = false;
    TPlotZoom& z = Zoom();
    if (z.Allow && button == z.MouseButton && (shift & z.KeyShift) == z.KeyShift) {
        z.Activate(x, y);
        if (z.Direction == tzdVertical) {
            z.X0 = ChartRect.Left;
            z.X1 = ChartRect.Right;
        } else if (z.Direction == tzdHorizontal) {
            z.Y0 = ChartRect.Top;
            z.Y1 = ChartRect.Bottom;
        }
        started = true;
        update();
    }
    if (AllowPanning() != pmNone && button == ScrollMouseButton) {
        Panning.Activate(x, y);
        started = true;
    }
    if (started) SetPanelCursor(SavedCursor);
}

void TCustomChart::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomAxisPanel::MouseDown(Button, Shift, X, Y);
    if (CancelMouse || Zoom().Active || Panning.Active) return;
    for (TPlotCustomTool* t : std::vector<TPlotCustomTool*>(Tools.Items())) {
        if (!t->Active()) continue;
        t->ChartMouseEvent(pmeDown, Button, Shift, X, Y);
        if (CancelMouse) return;
    }
    const TChartClickedPart part = CalcClickedPart(X, Y);
    bool handled = false;
    // A handler that clears the flag leaves the click unhandled.
    auto fire = [&](auto&& call) {
        CancelMouse = true;
        call();
        return CancelMouse;
    };
    switch (part.Part) {
        case cpLegend:
            handled = Legend_->DoClick(X, Y);
            if (OnClickLegend) handled = fire([&] { OnClickLegend(Button, Shift, X, Y); }) || handled;
            break;
        case cpAxis:
            if (OnClickAxis) handled = fire([&] { OnClickAxis(part.AAxis, Button, Shift, X, Y); });
            if (!handled) startZoomOrPan(Button, Shift, X, Y);
            break;
        case cpSeries:
            if (OnClickSeries)
                handled = fire([&] { OnClickSeries(part.ASeries, part.PointIndex, Button, Shift, X, Y); });
            if (!handled) startZoomOrPan(Button, Shift, X, Y);
            break;
        case cpTitle:
        case cpSubTitle:
        case cpFoot:
        case cpSubFoot: {
            TChartTitle* t = part.Part == cpTitle ? Title_.get() : part.Part == cpSubTitle ? SubTitle_.get()
                             : part.Part == cpFoot ? static_cast<TChartTitle*>(Foot_.get())
                                                   : static_cast<TChartTitle*>(SubFoot_.get());
            if (OnClickTitle) handled = fire([&] { OnClickTitle(t, Button, Shift, X, Y); });
            if (!handled) startZoomOrPan(Button, Shift, X, Y);
            break;
        }
        case cpChartRect:
            if (OnClickBackground) handled = fire([&] { OnClickBackground(Button, Shift, X, Y); });
            if (!handled) startZoomOrPan(Button, Shift, X, Y);
            // The background was asked already.
            handled = true;
            break;
        default: break;
    }
    if (!handled && OnClickBackground) OnClickBackground(Button, Shift, X, Y);
    CancelMouse = false;
}

void TCustomChart::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomAxisPanel::MouseMove(Shift, X, Y);
    for (TPlotCustomTool* t : std::vector<TPlotCustomTool*>(Tools.Items()))
        if (t->Active()) t->ChartMouseEvent(pmeMove, mbLeft, Shift, X, Y);
    if (CancelMouse) return;
    TPlotZoom& z = Zoom();
    if (z.Active) {
        const int nx = z.Direction == tzdVertical ? ChartRect.Right : X;
        const int ny = z.Direction == tzdHorizontal ? ChartRect.Bottom : Y;
        if (nx != z.X1 || ny != z.Y1) {
            z.X1 = nx;
            z.Y1 = ny;
            // Only the buffered image is shown again, with the new rectangle.
            update();
        }
        return;
    }
    if (Panning.Active) {
        if (X < ChartRect.Left || X > ChartRect.Right || Y < ChartRect.Top || Y > ChartRect.Bottom) {
            Panning.Active = false;
            return;
        }
        if (X == Panning.X0 && Y == Panning.Y0) return;
        saveAxes();
        bool moved = false;
        for (TChartAxis* a : nonDepthAxes()) {
            const bool horiz = a->Horizontal();
            const TPanningMode mode = AllowPanning();
            if (horiz && !(mode == pmHorizontal || mode == pmBoth)) continue;
            if (!horiz && !(mode == pmVertical || mode == pmBoth)) continue;
            const int from = horiz ? Panning.X0 : Panning.Y0, to = horiz ? X : Y;
            if (from == to) continue;
            const bool automatic = a->Automatic() || a->AutomaticMinimum() || a->AutomaticMaximum();
            double lo = automatic ? a->ScaleMinimum : a->Minimum();
            double hi = automatic ? a->ScaleMaximum : a->Maximum();
            if (a->Logarithmic()) {
                if (!logShift(*a, lo, hi, logPixelDistance(*a, from, to))) continue;
            } else {
                const double delta = a->PixelToValue(from) - a->PixelToValue(to);
                lo += delta;
                hi += delta;
            }
            bool allow = true;
            if (OnAllowScroll) OnAllowScroll(a, lo, hi, allow);
            if (allow) {
                a->SetRange(lo, hi);
                moved = true;
            }
        }
        Panning.X0 = X;
        Panning.Y0 = Y;
        if (moved) {
            Zoomed = true;
            if (OnScroll) OnScroll();
            Invalidate();
        }
        return;
    }
    if (!CheckMouseOverSeries(X, Y)) SetPanelCursor(SavedCursor);
}

void TCustomChart::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomAxisPanel::MouseUp(Button, Shift, X, Y);
    TPlotZoom& z = Zoom();
    if (z.Active && Button == z.MouseButton) {
        z.Active = false;
        if (z.Direction != tzdVertical) z.X1 = X;
        if (z.Direction != tzdHorizontal) z.Y1 = Y;
        const bool farX = z.Direction == tzdVertical || std::abs(z.X1 - z.X0) > z.MinimumPixels;
        const bool farY = z.Direction == tzdHorizontal || std::abs(z.Y1 - z.Y0) > z.MinimumPixels;
        if (farX && farY) {
            const bool forward = z.Direction == tzdVertical ? z.Y1 > z.Y0 : z.X1 > z.X0;
            if (z.UpLeftZooms || forward)
                ZoomRect({z.X0, z.Y0, z.X1, z.Y1});
            else
                UndoZoom();
        }
        Invalidate();
    }
    Panning.Active = false;
    for (TPlotCustomTool* t : std::vector<TPlotCustomTool*>(Tools.Items()))
        if (t->Active()) t->ChartMouseEvent(pmeUp, Button, Shift, X, Y);
}

void TCustomChart::ZoomRect(const TRect& rect) {
    TPlotZoom& z = Zoom();
    z.X0 = rect.Left;
    z.Y0 = rect.Top;
    z.X1 = rect.Right;
    z.Y1 = rect.Bottom;
    z.Check();
    saveAxes();
    const auto target = [&](TChartAxis& a) {
        return a.Horizontal() ? std::pair{a.PixelToValue(z.X0), a.PixelToValue(z.X1)}
                              : std::pair{a.PixelToValue(z.Y1), a.PixelToValue(z.Y0)};
    };
    TChartAxis* four[] = {&TopAxis(), &BottomAxis(), &LeftAxis(), &RightAxis()};
    std::pair<double, double> goal[4];
    for (int i = 0; i < 4; ++i) goal[i] = target(*four[i]);
    if (z.Animated) {
        for (int step = 1; step < z.AnimatedSteps; ++step) {
            for (int i = 0; i < 4; ++i) {
                TChartAxis& a = *four[i];
                const double lo = a.ScaleMinimum + (goal[i].first - a.ScaleMinimum) / 3.0;
                const double hi = a.ScaleMaximum + (goal[i].second - a.ScaleMaximum) / 3.0;
                a.SetRange(lo, hi);
            }
            repaint();
        }
    }
    for (int i = 0; i < 4; ++i) four[i]->SetRange(goal[i].first, goal[i].second);
    Zoomed = true;
    if (OnZoom) OnZoom();
    Invalidate();
}

void TCustomChart::UndoZoom() {
    if (!SavedAxes_.empty()) {
        const auto axes = nonDepthAxes();
        for (size_t i = 0; i < axes.size() && i < SavedAxes_.size(); ++i) {
            const SavedAxis& s = SavedAxes_[i];
            axes[i]->SetRange(s.Minimum, s.Maximum);
            axes[i]->SetAutomatic(s.Automatic);
            axes[i]->SetAutomaticMinimum(s.AutomaticMinimum);
            axes[i]->SetAutomaticMaximum(s.AutomaticMaximum);
        }
        SavedAxes_.clear();
    }
    TCustomAxisPanel::UndoZoom();
}

void TCustomChart::MouseWheel(bool down) {
    if (!PlotUseMouseWheel) return;
    for (TChartAxis* a : nonDepthAxes()) {
        if (a->Horizontal()) continue;
        if (a->Logarithmic()) {
            // Three hundredths of the range in log space, as the axis shows it.
            double lo = a->Minimum(), hi = a->Maximum();
            if (!positiveLogEnds(*a, lo, hi)) continue;
            const double d = std::log(hi / lo) * 3 * 0.01;
            if (logShift(*a, lo, hi, down ? d : -d)) a->SetRange(lo, hi);
            continue;
        }
        const double d = (a->Maximum() - a->Minimum()) * 3 * 0.01;
        a->ScrollBy(down ? d : -d, false);
    }
    Invalidate();
}

void TCustomChart::paintEvent(QPaintEvent* event) {
    TCustomAxisPanel::paintEvent(event);
    // Unbuffered paints draw the rectangle themselves.
    if (!Zoom().Active || Printing || !Canvas().UseBuffer()) return;
    TCanvas target(this);
    TPlotCanvas3D& c = Canvas();
    TCanvas* saved = c.ReferenceCanvas;
    c.SetCanvas(&target);
    DrawZoomRectangle();
    target.releasePainter();
    c.SetCanvas(saved);
}

void TCustomChart::wheelEvent(QWheelEvent* event) {
    const int dy = event->angleDelta().y();
    if (dy != 0) MouseWheel(dy < 0);
    event->accept();
}

}  // namespace brine::chart
