#include "chart/series_marks.h"

#include <cmath>
#include <numbers>

#include "chart/axis_panel.h"
#include "chart/plot_format.h"

namespace brine::chart {

namespace {
constexpr TColor MarksShadowColor = 0x808080;

TCustomAxisPanel* panelOf(const TChartSeries* series) { return series ? series->ParentChart() : nullptr; }

bool inView3D(const TChartSeries* series) {
    const TCustomAxisPanel* panel = panelOf(series);
    return panel && panel->View3D();
}

void greyShadow(TPlotCustomShape& shape) {
    TPlotShadow* shadow = shape.Shadow();
    if (!shadow) return;
    shadow->DefaultColor = MarksShadowColor;
    shadow->DefaultSize = 1;
    shadow->SetColor(MarksShadowColor);
    shadow->SetSize(1);
}
}  // namespace

QStringList MarkTextLines(const QString& text) { return text.split(QChar(13)); }

void TSeriesMarkPosition::Assign(const TSeriesMarkPosition& source) {
    ArrowFrom = source.ArrowFrom;
    ArrowTo = source.ArrowTo;
    LeftTop = source.LeftTop;
    Height = source.Height;
    Width = source.Width;
}

// ---- TCallout

TCallout::TCallout(TChartSeries* series) : TSeriesPointer(series), Arrow_(std::make_unique<TWhitePen>()) {
    SetInflateMargins(true);
    FixedGradientColor = true;
    SetStyle(psRectangle);
    SetVisible(true);
    SetDraw3D(false);
    Brush().SetColor(clBlack);
    Arrow_->OnChange = [this] { Repaint(); };
}

void TCallout::SetArrowHead(TArrowHeadStyle v) {
    if (ArrowHead_ == v) return;
    ArrowHead_ = v;
    Repaint();
}

void TCallout::SetArrowHeadSize(int v) {
    if (ArrowHeadSize_ == v) return;
    ArrowHeadSize_ = v;
    Repaint();
}

void TCallout::SetDistance(int v) {
    if (Distance_ == v) return;
    Distance_ = v;
    Repaint();
}

void TCallout::Assign(const TPlotCustomShapeBrushPen& source) {
    if (auto* s = dynamic_cast<const TCallout*>(&source)) {
        Distance_ = s->Distance_;
        Arrow_->Assign(*s->Arrow_);
        ArrowHead_ = s->ArrowHead_;
        ArrowHeadSize_ = s->ArrowHeadSize_;
    }
    TSeriesPointer::Assign(source);
}

void TCallout::Draw(TColor color, const TPoint& arrowFrom, int z, const TPoint& arrowTo) {
    if (!ParentChart()) return;
    TCanvas3D& canvas = ParentChart()->Canvas();
    const bool view3D = inView3D(ParentSeries);
    if (Arrow_->Visible()) {
        canvas.Brush->SetStyle(bsClear);
        PrepareCanvas(canvas, color);
        canvas.SelectPen(*Arrow_);
        switch (ArrowHead_) {
            case ahLine:
            case ahSolid:
                canvas.ArrowDefault(ArrowHead_ == ahSolid, arrowFrom, arrowTo, ArrowHeadSize_, ArrowHeadSize_, z);
                break;
            case ahNone:
                if (view3D)
                    canvas.LineWithZ(arrowFrom.X, arrowFrom.Y, arrowTo.X, arrowTo.Y, z);
                else
                    canvas.LineP(arrowFrom, arrowTo);
                break;
        }
    }
    if (ArrowHead_ == ahNone && Visible()) {
        TPoint p = arrowFrom;
        if (view3D) p = canvas.Calculate3DPosition(p.X, p.Y, z);
        PrepareCanvas(canvas, Brush().Color() == clDefault ? color : Brush().Color());
        DrawPointer(canvas, p.X, p.Y, HorizSize(), VertSize(), color, Style());
    }
}

// ---- TMarksCallout

TMarksCallout::TMarksCallout(TChartSeries* series) : TCallout(series) {
    SetVisible(false);
    Arrow().SetColor(clWhite);
}

void TMarksCallout::SetLength(int v) {
    if (Length_ == v) return;
    Length_ = v;
    Repaint();
}

void TMarksCallout::Assign(const TPlotCustomShapeBrushPen& source) {
    if (auto* s = dynamic_cast<const TMarksCallout*>(&source)) Length_ = s->Length_;
    TCallout::Assign(source);
}

void TMarksCallout::ApplyDistance(TSeriesMarkPosition& position) const {
    position.LeftTop.Y -= Length_ + Distance();
    position.ArrowTo.Y -= Length_ + Distance();
    position.ArrowFrom.Y -= Distance();
}

// ---- symbol, gradient, items

TSeriesMarksSymbol::TSeriesMarksSymbol(TShapePanel* panel) : TPlotCustomShape(panel) {
    SetVisible(false);
    SetTransparent(false);
    if (Shadow()) Shadow()->SetSize(1);
}

TSeriesMarksGradient::TSeriesMarksGradient(TNotifyEvent onChange) : TPlotGradient(std::move(onChange)) {
    SetDirection(gdRightLeft);
    SetEndColor(clWhite);
    SetStartColor(clSilver);
}

TMarksItem::TMarksItem(TShapePanel* panel) : TPlotCustomShape(panel) {
    SetColor(clInfoBk);
    greyShadow(*this);
}

TMarksItem::~TMarksItem() = default;

QStringList& TMarksItem::Text() {
    if (!Text_) Text_ = std::make_unique<QStringList>();
    return *Text_;
}

void TMarksItem::SetText(const QStringList* value) {
    if (value)
        Text() = *value;
    else
        Text_.reset();
    Repaint();
}

void TMarksItem::Assign(const TPlotCustomShapeBrushPen& source) {
    if (auto* s = dynamic_cast<const TMarksItem*>(&source)) SetText(s->Text_.get());
    TPlotCustomShape::Assign(source);
}

// ---- TSeriesMarks

// The axis panel seen as the shapes' panel.
class TSeriesMarks::PanelLink : public TShapePanel {
public:
    explicit PanelLink(TCustomAxisPanel& panel) : panel_(panel) {}
    TCanvas3D& Canvas() override { return panel_.Canvas(); }
    void Invalidate() override { panel_.Invalidate(); }

private:
    TCustomAxisPanel& panel_;
};

TSeriesMarks::TSeriesMarks(TChartSeries* series) : ParentSeries(series) {
    SetColor(clInfoBk);
    SetVisible(false);
    greyShadow(*this);
}

TSeriesMarks::~TSeriesMarks() = default;

std::unique_ptr<TPlotGradient> TSeriesMarks::NewGradient(TNotifyEvent onChange) {
    return std::make_unique<TSeriesMarksGradient>(std::move(onChange));
}

TMarksCallout& TSeriesMarks::Callout() {
    if (!Callout_) {
        Callout_ = std::make_unique<TMarksCallout>(ParentSeries);
        Callout_->SetParentChart(ParentChart());
    }
    return *Callout_;
}

void TSeriesMarks::SetCallout(const TMarksCallout* v) {
    if (v)
        Callout().Assign(*v);
    else
        Callout_.reset();
}

TSeriesMarksSymbol& TSeriesMarks::Symbol() {
    if (!Symbol_) Symbol_ = std::make_unique<TSeriesMarksSymbol>(ParentChart());
    return *Symbol_;
}

void TSeriesMarks::SetSymbol(const TSeriesMarksSymbol* v) {
    if (v)
        Symbol().Assign(*v);
    else
        Symbol_.reset();
}

void TSeriesMarks::SetParentPanel(TCustomAxisPanel* panel) {
    if (panel == Panel_) return;
    Panel_ = panel;
    std::unique_ptr<PanelLink> old = std::move(Link_);
    if (panel) Link_ = std::make_unique<PanelLink>(*panel);
    SetParentChart(Link_.get());
}

void TSeriesMarks::SetParentChart(TShapePanel* value) {
    TPlotCustomShape::SetParentChart(value);
    if (Callout_) Callout_->SetParentChart(value);
    if (Symbol_) Symbol_->SetParentChart(value);
    for (auto& item : Items)
        if (item) item->SetParentChart(value);
}

void TSeriesMarks::Assign(const TPlotCustomShapeBrushPen& source) {
    if (auto* s = dynamic_cast<const TSeriesMarks*>(&source)) {
        Angle_ = s->Angle_;
        SetCallout(s->Callout_.get());
        Clip_ = s->Clip_;
        DrawEvery_ = s->DrawEvery_;
        Style_ = s->Style_;
        MultiLine_ = s->MultiLine_;
        SetSymbol(s->Symbol_.get());
        for (size_t i = 0; i < s->Items.size(); ++i)
            if (s->Items[i]) makeItem(static_cast<int>(i))->Assign(*s->Items[i]);
    }
    TPlotCustomShape::Assign(source);
}

TMarksItem* TSeriesMarks::MarkItem(int index) {
    // The list grows to the index: only the series' points have items.
    if (index < 0 || !ParentSeries || index >= ParentSeries->Count()) return nullptr;
    return makeItem(index);
}

TMarksItem* TSeriesMarks::makeItem(int index) {
    if (static_cast<size_t>(index) >= Items.size()) Items.resize(static_cast<size_t>(index) + 1);
    auto& item = Items[static_cast<size_t>(index)];
    if (!item) item = std::make_unique<TMarksItem>(ParentChart());
    return item.get();
}

const TMarksItem* TSeriesMarks::ItemAt(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= Items.size()) return nullptr;
    return Items[static_cast<size_t>(index)].get();
}

TPlotCustomShape& TSeriesMarks::ItemOrMarks(int index) {
    if (auto* item = const_cast<TMarksItem*>(ItemAt(index))) return *item;
    return *this;
}

int TSeriesMarks::Clicked(int x, int y) {
    if (Panel_ && Panel_->View3D()) Panel_->Canvas().Calculate2DPosition(x, y, ZPosition);
    for (size_t i = 0; i < Positions.size(); ++i) {
        const auto& p = Positions[i];
        if (p && p->Drawn && static_cast<int>(i) % DrawEvery_ == 0 && PointInRect(p->Bounds(), x, y))
            return static_cast<int>(i);
    }
    return -1;
}

void TSeriesMarks::ClearPositions() {
    Positions.clear();
    if (!ItemsFromStream && !Items.empty()) {
        Items.clear();
        Repaint();
    }
}

void TSeriesMarks::ForgetDrawnPositions() {
    for (auto& p : Positions) {
        if (!p) continue;
        if (p->Custom)
            p->Drawn = false;
        else
            p.reset();
    }
    while (!Positions.empty() && !Positions.back()) Positions.pop_back();
}

bool TSeriesMarks::AnyCustomPosition() const {
    for (const auto& p : Positions)
        if (p && p->Custom) return true;
    return false;
}

void TSeriesMarks::DrawItem(int valueIndex, TColor color, const QString& text, TSeriesMarkPosition& position) {
    if (!Panel_) return;
    TCanvas3D& canvas = Panel_->Canvas();

    if (valueIndex >= 0) {
        if (static_cast<size_t>(valueIndex) >= Positions.size()) Positions.resize(static_cast<size_t>(valueIndex) + 1);
        auto& stored = Positions[static_cast<size_t>(valueIndex)];
        if (!stored) stored = std::make_unique<TSeriesMarkPosition>();
        if (stored->Custom) {
            const TPoint from = position.ArrowFrom;
            position.Assign(*stored);
            if (stored->ArrowFixed) position.ArrowFrom = from;
        } else {
            stored->Assign(position);
        }
        stored->Drawn = true;
    }

    TPlotCustomShape& item = ItemOrMarks(valueIndex);

    if (Callout_ && (Callout_->Visible() || Callout_->Arrow().Visible()))
        Callout_->Draw(color, position.ArrowFrom, ZPosition, position.ArrowTo);

    if (item.Transparent()) {
        canvas.Brush->SetStyle(bsClear);
        canvas.SetBackMode(TRANSPARENT);
    } else {
        canvas.AssignBrush(item.Brush(), item.Color());
    }
    canvas.SelectPen(item.Pen());

    TRect box = position.Bounds();
    if (Panel_->View3D() && !canvas.FullRotation()) {
        const TPoint p = canvas.Calculate3DPosition(position.ArrowTo.X, position.ArrowTo.Y, ZPosition);
        const int dx = p.X - position.ArrowTo.X, dy = p.Y - position.ArrowTo.Y;
        box = {box.Left + dx, box.Top + dy, box.Right + dx, box.Bottom + dy};
    }

    const int angle = Angle_ % 360;
    item.DrawRectRotated(box, angle, ZPosition + 1);

    canvas.AssignFont(item.Font());
    const bool symbol = Symbol_ && Symbol_->ShouldDraw();
    if (symbol) {
        const int side = std::max(1, canvas.FontHeight() - 4);
        Symbol_->Brush().SetColor(color);
        Symbol_->SetColor(color);
        Symbol_->SetTransparent(false);
        Symbol_->ShapeBounds = {box.Left + 2, box.Top + 2, box.Left + 2 + side, box.Top + 2 + side};
        Symbol_->DrawRectRotated(Symbol_->ShapeBounds, angle, ZPosition + 1);
        canvas.AssignFont(item.Font());
    }
    drawText(canvas, item, box, text, symbol);
}

void TSeriesMarks::drawText(TCanvas3D& canvas, TPlotCustomShape& item, const TRect& box, const QString& text,
                            bool symbol) {
    canvas.Brush->SetStyle(bsClear);
    canvas.SetBackMode(TRANSPARENT);
    const int fontHeight = canvas.FontHeight();
    int textLeft = box.Left + 2;
    if (symbol) textLeft += Symbol_->ShapeBounds.Right - Symbol_->ShapeBounds.Left + 4;

    if (item.TextFormat() == ttfHtml) {
        canvas.SetTextAlign(TA_LEFT | TA_TOP);
        HtmlTextOutOrPlain(canvas, textLeft, box.Top, text);
        return;
    }

    canvas.SetTextAlign(TA_CENTER | TA_TOP);
    const int frame = item.Pen().Visible() ? item.Pen().Width() : 0;
    const int centreX = (textLeft + box.Right) / 2;
    const int angle = Angle_ % 360;
    const double radians = angle * std::numbers::pi / 180.0;
    const double cosA = std::cos(radians), sinA = std::sin(radians);
    const double boxX = (box.Left + box.Right) / 2.0, boxY = (box.Top + box.Bottom) / 2.0;
    const QStringList lines = MarkTextLines(text);
    for (int k = 0; k < lines.size(); ++k) {
        const int y = box.Top + k * fontHeight + frame;
        if (angle == 0) {
            if (canvas.FullRotation())
                canvas.TextOut3D(centreX, y, ZPosition, lines[k]);
            else
                canvas.TextOut(centreX, y, lines[k]);
            continue;
        }
        // Turned about the box centre, counter-clockwise on screen.
        const double dx = centreX - boxX, dy = y - boxY;
        int x = static_cast<int>(std::lround(boxX + dx * cosA + dy * sinA));
        const int yy = static_cast<int>(std::lround(boxY - dx * sinA + dy * cosA));
        if (angle == 90) ++x;
        if (canvas.FullRotation())
            canvas.RotateLabel3D(x, yy, ZPosition, lines[k], angle);
        else
            canvas.RotateLabel(x, yy, lines[k], angle);
    }
}

// ---- the series' side

QString TChartSeries::GetMarkText(int ValueIndex) const {
    QString text;
    const TMarksItem* item = Marks.ItemAt(ValueIndex);
    if (item && item->HasText()) {
        text = const_cast<TMarksItem*>(item)->Text().join(QChar(13));
    } else {
        const bool multi = Marks.MultiLine();
        const QString sep = multi ? QString(QChar(13)) : QStringLiteral(" ");
        const double value = MarkValue(ValueIndex);
        // A point's own date and time, to the second.
        const QString valueText = MandatoryValueList->DateTime()
                                      ? FormatDateTimeText(DefaultDateTimeFormat(OneSecond), value)
                                      : FormatFloat(ValueFormat, value);
        QString labelText = Labels.GetLabel(ValueIndex);
        if (labelText.isEmpty()) labelText = valueText;
        const double total = MandatoryValueList->AbsTotal();
        const QString percentText = FormatFloat(PercentFormat, total == 0 ? 100.0 : std::fabs(value) * 100.0 / total);
        const auto withTotal = [&] {
            return PlotFormat(multi ? PlotMsg_StringOfStringTwoLines : PlotMsg_StringOfString,
                              {percentText, FormatFloat(ValueFormat, total)});
        };
        const auto xText = [&] {
            if (GetHorizAxis) return GetHorizAxis->FormatAxisLabel(XValue(ValueIndex));
            return FormatFloat(ValueFormat, XValue(ValueIndex));
        };
        switch (Marks.Style()) {
            case smsValue: text = valueText; break;
            case smsPercent: text = percentText; break;
            case smsLabel: text = labelText; break;
            case smsLabelPercent: text = labelText + sep + percentText; break;
            case smsLabelValue: text = labelText + sep + valueText; break;
            case smsLegend:
                // The chart's legend text when it has a legend; a bare panel
                // has none and gives the legend's default style.
                if (ParentChart_) text = ParentChart_->FormattedLegend(const_cast<TChartSeries*>(this), ValueIndex);
                if (text.isEmpty()) LegendItemText(ValueIndex, ltsLeftValue, text);
                if (!multi) text.replace(QChar(6), QChar(' '));
                break;
            case smsPercentTotal: text = withTotal(); break;
            case smsLabelPercentTotal: text = labelText + sep + withTotal(); break;
            case smsXValue: text = xText(); break;
            case smsXY: text = xText() + sep + valueText; break;
        }
    }
    if (OnGetMarkText) OnGetMarkText(const_cast<TChartSeries*>(this), ValueIndex, text);
    return text;
}

void TChartSeries::DrawMark(int ValueIndex, const QString& Text, TSeriesMarkPosition& Position) {
    Marks.DrawItem(ValueIndex, ValueColor(ValueIndex), Text, Position);
}

void TChartSeries::DrawMarks() {
    Marks.ForgetDrawnPositions();
    if (!ParentChart_) return;
    TCanvas3D& canvas = ParentChart_->Canvas();
    // Clipped marks stay inside the chart rectangle (the walls' cube in 3D).
    struct ClipScope {
        TCanvas3D* c = nullptr;
        ~ClipScope() {
            if (c) c->UnClipRectangle();
        }
    } clip;
    if (Marks.Clip()) {
        if (ParentChart_->View3D())
            canvas.ClipCube(ParentChart_->ChartRect, 0, ParentChart_->Width3D);
        else
            canvas.ClipRectangle(ParentChart_->ChartRect);
        clip.c = &canvas;
    }
    // Hidden marks show only where an item of their own is visible: their
    // texts are not built for nothing.
    const bool marksVisible = Marks.Visible();
    const int first = std::max(0, FirstValueIndex), last = std::min(LastValueIndex, Count() - 1);
    const int end = marksVisible ? last : std::min(last, static_cast<int>(Marks.Items.size()) - 1);
    for (int i = first; i <= end; ++i) {
        if (i % Marks.DrawEvery() != 0) continue;
        TPlotCustomShape& item = Marks.ItemOrMarks(i);
        if (!item.Visible() || IsNullPoint(i)) continue;
        const QString text = GetMarkText(i);
        if (text.isEmpty()) continue;

        canvas.AssignFont(item.Font());
        const TView3DOptions& view = ParentChart_->View3DOptions();
        if (ParentChart_->View3D() && !canvas.FullRotation() && view.ZoomText() && view.Zoom() != 100)
            canvas.Font->SetSize(std::max(1, Round(canvas.Font->Size() * view.Zoom() * 0.01)));

        int width = 0, height = 0;
        if (item.TextFormat() == ttfHtml) {
            // All lines, as drawn; a malformed text is measured as it stands.
            const TextSize size = HtmlTextSizeOrPlain(canvas, text);
            width = size.cx;
            height = size.cy;
        } else {
            const QStringList lines = MarkTextLines(text);
            for (const QString& line : lines) width = std::max(width, canvas.TextWidth(line));
            height = canvas.FontHeight() * static_cast<int>(lines.size());
        }
        width += canvas.TextWidth(QStringLiteral("W"));
        if (Marks.HasSymbol() && Marks.Symbol().ShouldDraw()) width += canvas.FontHeight() - 4;
        const int grow = item.Pen().Visible() ? 2 * item.Pen().Width() : 1;
        width += grow;
        height += grow;

        TSeriesMarkPosition position;
        position.ArrowFrom = position.ArrowTo = {CalcXPos(i), CalcYPos(i)};
        position.Width = width;
        position.Height = height;
        position.LeftTop = {position.ArrowTo.X - width / 2, position.ArrowTo.Y - height + 1};
        DrawMark(i, text, position);
    }
}

int TChartSeries::MaxMarkWidth() {
    if (!ParentChart_) return 0;
    TCanvas3D& canvas = ParentChart_->Canvas();
    int result = 0;
    for (int i = 0; i < Count(); ++i) {
        TPlotCustomShape& item = Marks.ItemOrMarks(i);
        if (!item.Visible()) continue;
        canvas.AssignFont(item.Font());
        for (const QString& line : MarkTextLines(GetMarkText(i))) result = std::max(result, canvas.TextWidth(line));
    }
    return result;
}

}  // namespace brine::chart
