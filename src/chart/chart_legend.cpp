#include "chart/chart_legend.h"

#include <algorithm>

#include "chart/axis_panel.h"
#include "chart/plot_const.h"

namespace brine::chart {

namespace {
// How much a check box widens a vertical legend and moves its items right.
constexpr int kCheckBoxRoom = 15;
}  // namespace

// ---- TPlotCustomShapePosition

void TPlotCustomShapePosition::SetCustomPosition(bool v) {
    if (CustomPosition_ == v) return;
    CustomPosition_ = v;
    Repaint();
}

void TPlotCustomShapePosition::SetLeft(int v) {
    CustomPosition_ = true;
    if (ShapeBounds.Left == v) return;
    ShapeBounds.Right += v - ShapeBounds.Left;
    ShapeBounds.Left = v;
    Repaint();
}

void TPlotCustomShapePosition::SetTop(int v) {
    CustomPosition_ = true;
    if (ShapeBounds.Top == v) return;
    ShapeBounds.Bottom += v - ShapeBounds.Top;
    ShapeBounds.Top = v;
    Repaint();
}

void TPlotCustomShapePosition::Assign(const TPlotCustomShapeBrushPen& source) {
    if (auto* s = dynamic_cast<const TPlotCustomShapePosition*>(&source)) {
        CustomPosition_ = s->CustomPosition_;
        if (CustomPosition_) ShapeBounds = s->ShapeBounds;
    }
    TPlotCustomShape::Assign(source);
}

// ---- symbol and title

TLegendSymbol::TLegendSymbol(TCustomChartLegend* legend) : Legend_(legend) {}

void TLegendSymbol::Assign(const TLegendSymbol& source) {
    Continuous = source.Continuous;
    DefaultPen = source.DefaultPen;
    Gradient.Assign(source.Gradient);
    Pen.Assign(source.Pen);
    Position = source.Position;
    Squared = source.Squared;
    Visible = source.Visible;
    Width = source.Width;
    WidthUnits = source.WidthUnits;
    if (Legend_) Legend_->SetVisible(Legend_->Visible());
}

TLegendTitle::TLegendTitle(TShapePanel* panel) : TPlotCustomShape(panel) {
    DefaultTransparent = true;
    SetTransparent(true);
    Font().SetStyle(Font().Style() | fsBold);
}

void TLegendTitle::Assign(const TPlotCustomShapeBrushPen& source) {
    if (auto* s = dynamic_cast<const TLegendTitle*>(&source)) {
        Text = s->Text;
        TextAlignment = s->TextAlignment;
    }
    TPlotCustomShape::Assign(source);
}

// ---- legend

TCustomChartLegend::TCustomChartLegend(TCustomAxisPanel* chart, TShapePanel* panel)
    : TPlotCustomShapePosition(panel), Chart(chart), Symbol(this), Title(panel) {}

void TCustomChartLegend::SetAlignment(TLegendAlignment v) {
    if (Alignment_ == v) return;
    Alignment_ = v;
    Repaint();
}

void TCustomChartLegend::SetLegendStyle(TLegendStyle v) {
    if (LegendStyle_ == v) return;
    LegendStyle_ = v;
    Repaint();
}

void TCustomChartLegend::SetFirstValue(int v) {
    if (v < 0) throw LegendException(PlotMsg_LegendFirstValue);
    if (FirstValue_ == v) return;
    FirstValue_ = v;
    Repaint();
}

void TCustomChartLegend::SetCheckBoxesStyle(TCheckBoxesStyle v) {
    if (CheckBoxesStyle_ == v) return;
    CheckBoxesStyle_ = v;
    if (v == cbsRadio && Chart) {
        bool first = true;
        for (TChartSeries* s : Chart->SeriesList().Items)
            if (s->ShowInLegend() && s->Active()) {
                if (!first) s->SetActive(false);
                first = false;
            }
    }
    Repaint();
}

TLegendStyle TCustomChartLegend::EffectiveStyle() const {
    if (LegendStyle_ != lsAuto) return LegendStyle_;
    return !CheckBoxes && Chart && Chart->CountActiveSeries() < 2 ? lsValues : lsSeries;
}

bool TCustomChartLegend::Shown() const {
    return Visible() && (CheckBoxesShown() || (Chart && Chart->CountActiveSeries() > 0));
}

TChartSeries* TCustomChartLegend::LegendSeries() const {
    if (Series) return Series;
    if (!Chart) return nullptr;
    for (TChartSeries* s : Chart->SeriesList().Items)
        if (s->Active()) return s;
    return nullptr;
}

QString TCustomChartLegend::ItemText(int index) const {
    if (!Chart) return {};
    QString text;
    switch (EffectiveStyle()) {
        case lsSeries:
        case lsAuto:
            if (TChartSeries* s = Chart->SeriesLegend(index, !CheckBoxesShown())) text = s->GetTitle();
            break;
        case lsValues:
            text = Chart->FormattedLegend(LegendSeries(), index);
            break;
        case lsLastValues:
            if (TChartSeries* s = Chart->SeriesLegend(index, !CheckBoxesShown()))
                text = Chart->FormattedLegend(s, s->Count() - 1);
            break;
    }
    return text;
}

int TCustomChartLegend::ItemHeight() {
    if (!Chart) return 0;
    TPlotCanvas3D& c = Chart->Canvas();
    c.AssignFont(Font());
    int h = c.FontHeight();
    if (CheckBoxesShown()) h = std::max(h, 17);
    h += VertSpacing;
    if (Vertical() && DividingLines.Visible()) h += DividingLines.Width();
    return h;
}

int TCustomChartLegend::itemsTop() const {
    int t = ShapeBounds.Top;
    if (TitleShown_) {
        t += TitleHeight_ + 2;
        if (!Title.Transparent() && Title.Shadow()) t += std::abs(Title.Shadow()->VertSize());
    }
    return t;
}

int TCustomChartLegend::symbolPixelWidth() {
    if (!Symbol.Visible) return 0;
    if (Symbol.Squared) return ItemHeight_ - 5;
    if (Symbol.WidthUnits == lcsPixels) return Symbol.Width;
    const int gap = Chart->Canvas().TextWidth(" ");
    const int reference = ColumnWidth_[0] + ColumnWidth_[1] + 2 * gap - 1 + (Vertical() ? 10 : 0);
    return Round(Symbol.Width * reference * 0.01);
}

void TCustomChartLegend::measureColumns() {
    TPlotCanvas3D& c = Chart->Canvas();
    ColumnWidth_[0] = ColumnWidth_[1] = 0;
    for (int i = FirstValue_; i <= LastItem_; ++i) {
        const QStringList cols = ItemText(i).split(QChar(6));
        for (int k = 0; k < std::min<int>(2, static_cast<int>(cols.size())); ++k)
            ColumnWidth_[k] = std::max(ColumnWidth_[k], c.TextWidth(cols[k]));
    }
}

void TCustomChartLegend::Draw(TRect& chartRect) {
    Items.clear();
    if (!Chart || !Shown()) return;
    TPlotCanvas3D& c = Chart->Canvas();
    const int fw = Bevel() != bvNone ? BevelWidth() : (Pen().Visible() ? Pen().Width() : 0);
    const TLegendStyle style = EffectiveStyle();
    const int perPage = Chart->MaxPointsPerPage();
    if (perPage > 0) FirstValue_ = (style == lsValues && CurrentPage) ? (Chart->Page() - 1) * perPage : 0;

    int total = 0;
    if (style == lsValues) {
        TChartSeries* s = LegendSeries();
        if (s && s->ShowInLegend()) total = s->Count() - FirstValue_;
    } else {
        for (TChartSeries* s : Chart->SeriesList().Items)
            if (s->ShowInLegend() && (s->Active() || CheckBoxesShown())) ++total;
        total -= FirstValue_;
    }
    total = std::max(0, total);
    if (style == lsValues && perPage > 0 && CurrentPage) total = std::min(total, perPage);
    TotalItems_ = total;

    Chart->LegendColor = Color();
    c.AssignFont(Font());
    TitleShown_ = Title.Visible() && !Title.Text.isEmpty();
    if (TitleShown_) {
        c.AssignFont(Title.Font());
        TitleHeight_ = static_cast<int>(Title.Text.size()) * c.FontHeight() + (Title.Transparent() ? 0 : 2) +
                       (Title.Pen().Visible() ? 2 * Title.Pen().Width() : 0);
        c.AssignFont(Font());
    } else {
        TitleHeight_ = 0;
    }
    ItemHeight_ = ItemHeight();
    if (ItemHeight_ < 1) return;
    const int chartWidth = chartRect.Right - chartRect.Left;
    const bool checks = CheckBoxesShown();

    if (!Vertical()) {
        LastItem_ = FirstValue_ + total - 1;
        measureColumns();
        SymbolWidth_ = symbolPixelWidth();
        if (!CustomPosition()) {
            const int shadowV = Chart->Shadow().VertSize();
            if (Alignment_ == laBottom)
                ShapeBounds.Bottom = chartRect.Bottom - (shadowV + fw + 1);
            else
                ShapeBounds.Top = chartRect.Top + fw + 1;
        }
        const int colWidth = ColumnWidth_[0] + ColumnWidth_[1] + SymbolWidth_ + 8 + (checks ? 27 : 0);
        Columns_ = colWidth < 1 || chartRect.Right <= 8 ? 0 : std::min(total, (chartWidth - 2 * fw - 8) / colWidth);
        Rows_ = Columns_ > 0 ? std::min(MaxNumRows, (total + Columns_ - 1) / Columns_) : 0;
        LastItem_ = FirstValue_ + std::min(total, Columns_ * Rows_) - 1;
    } else {
        if (!CustomPosition())
            ShapeBounds.Top = Chart->ChartBounds.Top + Round(TopPos * Chart->ChartBounds.Height() * 0.01);
        Columns_ = 1;
        const int avail = chartRect.Bottom - itemsTop() - 2 * fw;
        Rows_ = std::max(0, std::min(total, avail / ItemHeight_));
        LastItem_ = FirstValue_ + std::min(Rows_, total) - 1;
        measureColumns();
        SymbolWidth_ = symbolPixelWidth();
    }
    const int shown = LastItem_ - FirstValue_ + 1;
    if (shown < 1) return;

    // Height and place.
    const int height = Rows_ * ItemHeight_ + 2 + (TitleShown_ ? TitleHeight_ + 2 : 0);
    if (CustomPosition() || Alignment_ != laBottom)
        ShapeBounds.Bottom = ShapeBounds.Top + height;
    else
        ShapeBounds.Top = ShapeBounds.Bottom - height;
    const int textWidth = ColumnWidth_[0] + ColumnWidth_[1] + c.TextWidth(" ");
    int width;
    if (!Vertical()) {
        const int itemWidth = textWidth + SymbolWidth_ + (checks ? 13 : 0);
        width = (Columns_ - 1) * 6 + 4 + (itemWidth * Columns_ + 12) + (checks ? Columns_ * 13 + 8 : 0);
        width = std::min(width, chartWidth);
        width = 2 * (width / 2);
        if (!CustomPosition())
            ShapeBounds.Left = Round(TopPos * (Chart->ChartBounds.Width() - width) * 0.01) + Chart->ChartXCenter - width / 2;
        ShapeBounds.Right = ShapeBounds.Left + width;
    } else {
        width = textWidth + 10 + SymbolWidth_ + (checks ? kCheckBoxRoom : 0);
        if (TitleShown_) {
            c.AssignFont(Title.Font());
            for (const QString& l : Title.Text) width = std::max(width, c.TextWidth(l) + 8);
            c.AssignFont(Font());
        }
        if (!CustomPosition()) {
            if (Alignment_ == laLeft) {
                ShapeBounds.Left = chartRect.Left + fw + 1;
                ShapeBounds.Right = ShapeBounds.Left + width;
            } else {
                const int shadowH = Shadow() ? Shadow()->HorizSize() : 0;
                ShapeBounds.Right = chartRect.Right - (shadowH + fw + 1);
                ShapeBounds.Left = ShapeBounds.Right - width;
            }
        } else {
            ShapeBounds.Right = ShapeBounds.Left + width;
        }
    }

    Chart->DoGetLegendRect(ShapeBounds);
    TPlotCustomShape::Draw();
    if (TitleShown_) {
        c.AssignFont(Title.Font());
        c.SetBackMode(TRANSPARENT);
        const int h = c.FontHeight();
        for (int i = 0; i < Title.Text.size(); ++i) {
            const int w = c.TextWidth(Title.Text[i]);
            int x = ShapeBounds.Left + 2 + c.TextWidth("W") / 2;
            if (Title.TextAlignment == taRightJustify) x = ShapeBounds.Right - 2 - w - c.TextWidth("W") / 2;
            if (Title.TextAlignment == taCenter) x = (ShapeBounds.Left + ShapeBounds.Right) / 2 - w / 2;
            c.TextOut(x, ShapeBounds.Top + 3 + i * h, Title.Text[i]);
        }
        c.AssignFont(Font());
    }
    for (int i = FirstValue_; i <= LastItem_; ++i) drawItem(i, Inverted ? LastItem_ - i : i - FirstValue_);

    if (ResizeChart && !CustomPosition()) {
        switch (Alignment_) {
            case laLeft: chartRect.Left = ShapeBounds.Right; break;
            case laRight: chartRect.Right = ShapeBounds.Left; break;
            case laTop: chartRect.Top = ShapeBounds.Bottom + Chart->Shadow().VertSize(); break;
            case laBottom: chartRect.Bottom = ShapeBounds.Top; break;
        }
        const int w = chartRect.Right - chartRect.Left, hgt = chartRect.Bottom - chartRect.Top;
        if (Vertical()) {
            const int m = HorizMargin != 0 ? HorizMargin : 3 * w / 100;
            if (Alignment_ == laLeft)
                chartRect.Left += m;
            else
                chartRect.Right -= m;
        } else {
            const int m = VertMargin != 0 ? VertMargin : 4 * hgt / 100;
            if (Alignment_ == laTop)
                chartRect.Top += m;
            else
                chartRect.Bottom -= m;
        }
    }
}

void TCustomChartLegend::Assign(const TPlotCustomShapeBrushPen& source) {
    if (auto* l = dynamic_cast<const TCustomChartLegend*>(&source); l && l != this) {
        Alignment_ = l->Alignment_;
        CheckBoxes = l->CheckBoxes;
        CheckBoxesStyle_ = l->CheckBoxesStyle_;
        CurrentPage = l->CurrentPage;
        FirstValue_ = l->FirstValue_;
        FontSeriesColor = l->FontSeriesColor;
        HorizMargin = l->HorizMargin;
        Inverted = l->Inverted;
        LegendStyle_ = l->LegendStyle_;
        MaxNumRows = l->MaxNumRows;
        ResizeChart = l->ResizeChart;
        TextStyle = l->TextStyle;
        TopPos = l->TopPos;
        VertMargin = l->VertMargin;
        VertSpacing = l->VertSpacing;
    }
    TPlotCustomShapePosition::Assign(source);
}

std::unique_ptr<TPlotGradient> TCustomChartLegend::NewGradient(TNotifyEvent onChange) {
    auto g = TPlotCustomShapePosition::NewGradient(std::move(onChange));
    g->SetDirection(gdRightLeft);
    g->SetStartColor(0xC0C0C0);
    g->SetEndColor(clWhite);
    return g;
}

void TCustomChartLegend::drawItem(int index, int position) {
    TPlotCanvas3D& c = Chart->Canvas();
    const TLegendStyle style = EffectiveStyle();
    const bool checks = CheckBoxesShown();
    // With check boxes the box sits 4 pixels in and the item moves right by
    // as much as the legend grew for it.
    int x = ShapeBounds.Left + (checks ? kCheckBoxRoom : 0);
    int symbolX = x + 6, textX = symbolX + SymbolWidth_ + 4;
    if (Symbol.Position == spRight) {
        textX = x + 6;
        symbolX = textX + ColumnWidth_[0] + ColumnWidth_[1] + c.TextWidth(" ");
    }
    int row = position, column = 0, columnLeft = ShapeBounds.Left;
    if (!Vertical() && Columns_ > 0) {
        row = position / Columns_;
        column = position % Columns_;
        const int step = ColumnWidth_[0] + ColumnWidth_[1] + c.TextWidth(" ") + SymbolWidth_ + 10 + (checks ? 21 : 0);
        textX += column * step;
        symbolX += column * step;
        columnLeft += column * step;
    }
    int y = itemsTop() + 1 + ItemHeight_ * row + VertSpacing / 2;
    Chart->DoGetLegendPos(index, textX, y, symbolX);

    TChartSeries* series = style == lsValues ? LegendSeries() : Chart->SeriesLegend(index, !checks);
    const int valueIndex = style == lsValues ? index : (series ? (style == lsLastValues ? series->Count() - 1 : -1) : -1);
    const TColor itemColor = series ? (valueIndex < 0 ? series->SeriesColor() : series->ValueColor(valueIndex)) : clWhite;

    c.AssignFont(Font());
    if (FontSeriesColor && series) c.Font->SetColor(itemColor);
    c.SetBackMode(TRANSPARENT);
    TLegendItem item;
    item.Left = textX;
    item.Top = y;
    item.Text = ItemText(index);
    const QStringList cols = item.Text.split(QChar(6));
    const bool rightFirst = style != lsSeries && (TextStyle == ltsLeftValue || TextStyle == ltsLeftPercent ||
                                                  TextStyle == ltsXValue || TextStyle == ltsValue ||
                                                  TextStyle == ltsPercent || TextStyle == ltsXAndValue ||
                                                  TextStyle == ltsXAndPercent);
    int tx = textX;
    for (int k = 0; k < std::min<int>(2, static_cast<int>(cols.size())); ++k) {
        const bool right = k == 0 ? rightFirst
                                  : style != lsSeries && (TextStyle == ltsRightValue || TextStyle == ltsRightPercent ||
                                                          TextStyle == ltsXAndValue || TextStyle == ltsXAndPercent);
        if (right) {
            c.SetTextAlign(TA_RIGHT);
            c.TextOut(tx + ColumnWidth_[k], y, cols[k]);
        } else {
            c.SetTextAlign(TA_LEFT);
            c.TextOut(tx, y, cols[k]);
        }
        tx += ColumnWidth_[k] + c.TextWidth(" ");
    }
    c.SetTextAlign(TA_LEFT);

    const bool first = position == 0, last = index == LastItem_;
    item.SymbolRect = {symbolX, y + ((!DividingLines.Visible() || first) ? 2 : 0), symbolX + SymbolWidth_,
                       y + ItemHeight_ + 1 - ((!DividingLines.Visible() || last) ? VertSpacing + 3 : 0)};
    if (checks && series) {
        const int bx = columnLeft + 4, by = y + 1;
        c.Pen->SetStyle(psSolid);
        c.Pen->SetColor(clBlack);
        c.Pen->SetWidth(1);
        c.Brush->SetStyle(bsSolid);
        c.Brush->SetColor(clWhite);
        if (CheckBoxesStyle_ == cbsCheck)
            c.Rectangle(bx, by, bx + 13, by + 13);
        else
            c.Ellipse(bx, by, bx + 13, by + 13);
        if (series->Active()) {
            c.Brush->SetColor(clBlack);
            if (CheckBoxesStyle_ == cbsCheck) {
                c.Line(bx + 3, by + 6, bx + 5, by + 9);
                c.Line(bx + 5, by + 9, bx + 10, by + 3);
            } else {
                c.Ellipse(bx + 4, by + 4, bx + 9, by + 9);
            }
        }
    }
    if (Symbol.Visible) {
        if (series) {
            c.Pen->SetStyle(psSolid);
            c.Pen->SetColor(clBlack);
            c.Pen->SetWidth(1);
            if (!Symbol.DefaultPen) c.SelectPen(Symbol.Pen);
            series->DrawLegend(valueIndex, item.SymbolRect);
        } else {
            c.Brush->SetStyle(bsSolid);
            c.Brush->SetColor(clWhite);
            Chart->DrawLegendColorBox(item.SymbolRect);
        }
        if (Symbol.OnDraw) Symbol.OnDraw(this, index, item.SymbolRect);
    }
    if (DividingLines.Visible() && position > 0) {
        c.SelectPen(DividingLines);
        if (Vertical())
            c.Line(ShapeBounds.Left, y - VertSpacing / 2, ShapeBounds.Right, y - VertSpacing / 2);
        else
            c.Line(item.SymbolRect.Left - 4, ShapeBounds.Top, item.SymbolRect.Left - 4, ShapeBounds.Bottom);
    }
    Items.push_back(item);
}

int TCustomChartLegend::Clicked(int x, int y) {
    const TRect& r = ShapeBounds;
    if (x < r.Left || x > r.Right || y < r.Top || y > r.Bottom || ItemHeight_ < 1) return -1;
    const int shown = LastItem_ - FirstValue_ + 1;
    if (shown < 1) return -1;
    const int top = itemsTop() + 1;
    if (y < top) return -1;
    int row = (y - top) / ItemHeight_;
    if (row >= Rows_) return -1;
    if (Inverted) row = Rows_ - 1 - row;
    int item = row;
    if (!Vertical()) {
        const int cols = std::max(1, Columns_);
        int column = (x - r.Left) * cols / std::max(1, r.Right - r.Left + 1);
        if (Inverted) column = cols - column - 1;
        item = cols * row + column;
    }
    if (item < 0 || item >= shown) return -1;
    return item + FirstValue_;
}

bool TCustomChartLegend::DoClick(int x, int y) {
    if (!CheckBoxesShown() || !Chart) return false;
    const int index = Clicked(x, y);
    if (index == -1) return false;
    TChartSeries* clicked = Chart->SeriesLegend(index, false);
    if (!clicked) return false;
    if (CheckBoxesStyle_ == cbsRadio) {
        for (TChartSeries* s : Chart->SeriesList().Items)
            if (s->ShowInLegend()) s->SetActive(s == clicked);
    } else {
        clicked->SetActive(!clicked->Active());
    }
    return true;
}

// ---- palettes

const QStringList& ColorPaletteNames() {
    static const QStringList names{"Ondeline", "Excel", "Victorian", "Pastels", "Solid",
                                   "Classic",  "Web",   "Modern",    "Rainbow", "Win. XP"};
    return names;
}

std::vector<TColor> ColorPaletteColors(int index) {
    switch (index) {
        case 1: return {0xFF9999, 0x663399, 0xCCFFFF, 0xFFFFCC, 0x660066, 0x8080FF, 0xCC6600, 0xFFCCCC,
                        0x800000, 0xFF00FF, 0x00FFFF, 0xFFFF00, 0x800080, 0x000080, 0x808000, 0xFF0000,
                        0xFFCC00, 0xFFFFCC, 0xCCFFCC, 0x00FFFF, 0xFFCC99, 0xCC99FF};
        case 2: return {0xA1A55D, 0x3153C4, 0x0996E7, 0x4AE8F6, 0xA7A2B1, 0x84A7C9,
                        0x51798C, 0xB7CDD8, 0x536508, 0x7BD8F7, 0x846401};
        case 3: return {0xFFFFCC, 0xCCFFFF, 0xFFCCCC, 0xCCCC00, 0xCCCCCC, 0x999900, 0x999999,
                        0xCCCCFF, 0x66CCFF, 0xFFCCCC, 0x9999FF, 0x99FFFF, 0xFFCC99, 0xCCFFCC};
        case 4: return {0xFF0000, 0x0000FF, 0x00FF00, 0x00CCFF, 0x404040, 0x00FFFF, 0xC000FF, 0xFFFFFF};
        case 5: return {0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF,
                        0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080};
        case 6: return {0x00A5FF, 0xCE0000, 0x00CE00, 0x40FFFF, 0xFFFF40, 0xFF40FF, 0x0040FF, 0xA58080, 0x408080};
        case 7: return {0x6699FF, 0x6666FF, 0xFFCC99, 0x669966, 0x99CCCC, 0xCC6699, 0x6666CC,
                        0x99CCFF, 0xFF6699, 0xCCCCCC, 0xCCFF66, 0xFF9966, 0x996699, 0xFFCCCC};
        case 8: return {0x000099, 0x0000C3, 0x0000EE, 0x001AFF, 0x0046FF, 0x0073FF, 0x009FFF, 0x00CBFF, 0x00F7FF,
                        0x08F4E3, 0x11E7C3, 0x1BDAA3, 0x25CD83, 0x2EC063, 0x38B342, 0x42A622, 0x4B9A02, 0x6A870C,
                        0x8A751A, 0xAA6328, 0xCB5036, 0xEB3E44, 0xFF2A61, 0xFF1596, 0xFF00CC};
        case 9: return {0xFE9B82, 0x24D1FC, 0x0DBC7C, 0x2F85FD, 0xFCFEFD, 0x214EE2, 0xD63829,
                        0x0094B7, 0x00865A, 0x0046D2, 0xFAE5D3, 0xD8D8D8, 0x7B715F};
        default: return {};
    }
}

void ApplyChartPalette(TCustomAxisPanel& chart, int index) {
    chart.SeriesColorPalette = ColorPaletteColors(index);
    chart.ColorPaletteIndex = index;
    for (TChartSeries* s : chart.SeriesList().Items)
        if (s->StoredSeriesColor() == clDefault) {
            s->AutoColor = clDefault;
            s->AutoColor = chart.GetFreeSeriesColor(true, s);
        }
    chart.Invalidate();
}

// ---- registries

TPlotSeriesType* TPlotSeriesTypes::Find(const QString& seriesClassName) const {
    for (const auto& t : items_)
        if (t->SeriesClassName.compare(seriesClassName, Qt::CaseInsensitive) == 0) return t.get();
    return nullptr;
}

TPlotToolType* TPlotToolTypes::Find(const QString& toolClassName) const {
    for (const auto& t : items_)
        if (t->ToolClassName.compare(toolClassName, Qt::CaseInsensitive) == 0) return t.get();
    return nullptr;
}

namespace {

struct ChartUnitState {
    int starts = 0;
    std::unique_ptr<TPlotSeriesTypes> seriesTypes;
    std::unique_ptr<TPlotToolTypes> toolTypes;
    std::unique_ptr<TColorPalettes> palettes;
};

ChartUnitState& chartUnit() {
    static ChartUnitState state;
    return state;
}

// The unit runs from the program's start to its exit.
struct ChartUnitLifetime {
    ChartUnitLifetime() { ChartUnitStart(); }
    ~ChartUnitLifetime() { ChartUnitEnd(); }
    ChartUnitLifetime(const ChartUnitLifetime&) = delete;
    ChartUnitLifetime& operator=(const ChartUnitLifetime&) = delete;
} gChartUnitLifetime;

}  // namespace

void ChartUnitStart() {
    ChartUnitState& u = chartUnit();
    if (u.starts++ > 0) return;
    u.seriesTypes = std::make_unique<TPlotSeriesTypes>();
    u.toolTypes = std::make_unique<TPlotToolTypes>();
    u.palettes = std::make_unique<TColorPalettes>(ColorPaletteNames());
}

void ChartUnitEnd() {
    ChartUnitState& u = chartUnit();
    if (u.starts == 0 || --u.starts > 0) return;
    u.seriesTypes.reset();
    u.toolTypes.reset();
    u.palettes.reset();
}

TPlotSeriesTypes* PlotSeriesTypes() { return chartUnit().seriesTypes.get(); }
TPlotToolTypes* PlotToolTypes() { return chartUnit().toolTypes.get(); }
TColorPalettes* ColorPalettes() { return chartUnit().palettes.get(); }

}  // namespace brine::chart
