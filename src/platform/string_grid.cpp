#include "platform/string_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QValidator>

#include "base/errors.h"

namespace brine {
namespace {

// Refuses keystrokes that would give a text the grid does not accept.
class CellTextValidator : public QValidator {
public:
    CellTextValidator(const StringGrid& grid, int col, int row, QObject* parent)
        : QValidator(parent), grid_(grid), col_(col), row_(row) {}
    State validate(QString& input, int&) const override {
        return grid_.acceptsText(col_, row_, input) ? Acceptable : Invalid;
    }

private:
    const StringGrid& grid_;
    int col_, row_;
};

class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(StringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->setValidator(new CellTextValidator(*grid_, index.column(), index.row(), edit));
        return w;
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        if (auto* edit = qobject_cast<QLineEdit*>(editor)) grid_->commitEdit(index.column(), index.row(), edit->text());
    }

private:
    StringGrid* grid_;
};

constexpr int kSizingMargin = 3;

}  // namespace

StringGrid::StringGrid(QWidget* parent) : QTableWidget(parent) {
    horizontalHeader()->setVisible(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(rowHeight_);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setItemDelegate(new CellDelegate(this));
    setEditing(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (popup_) popup_->popup(viewport()->mapToGlobal(pos));
    });
    viewport()->installEventFilter(this);
    viewport()->setMouseTracking(true);
}

void StringGrid::setColCount(int n) {
    if (n < 0) throw RangeError();
    setColumnCount(n);
    refreshAll();
}

void StringGrid::setRowCount(int n) {
    if (n < 0) throw RangeError();
    QTableWidget::setRowCount(n);
    for (int r = 0; r < n; ++r) setRowHeight(r, rowHeight_);
    refreshAll();
}

void StringGrid::setFixedCols(int n) {
    fixedCols_ = n;
    refreshAll();
}

void StringGrid::setFixedRows(int n) {
    fixedRows_ = n;
    refreshAll();
}

QString StringGrid::cell(int col, int row) const {
    if (col < 0 || row < 0) throw RangeError("グリッドのセル番号が範囲外です。");
    if (static_cast<std::size_t>(col) >= cells_.size()) return {};
    const auto& column = cells_[static_cast<std::size_t>(col)];
    return static_cast<std::size_t>(row) < column.size() ? column[static_cast<std::size_t>(row)] : QString();
}

void StringGrid::setCell(int col, int row, const QString& text) {
    if (col < 0 || row < 0) throw RangeError("グリッドのセル番号が範囲外です。");
    if (static_cast<std::size_t>(col) >= cells_.size()) cells_.resize(static_cast<std::size_t>(col) + 1);
    auto& column = cells_[static_cast<std::size_t>(col)];
    if (static_cast<std::size_t>(row) >= column.size()) column.resize(static_cast<std::size_t>(row) + 1);
    column[static_cast<std::size_t>(row)] = text;
    refreshItem(col, row);
}

void StringGrid::setDefaultRowHeight(int h) {
    rowHeight_ = h;
    verticalHeader()->setDefaultSectionSize(h);
    for (int r = 0; r < rowCount(); ++r) setRowHeight(r, h);
}

GridRect StringGrid::selection() const {
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    GridRect r;
    bool any = false;
    for (const auto& s : ranges) {
        if (!any) {
            r = {s.leftColumn(), s.topRow(), s.rightColumn(), s.bottomRow()};
            any = true;
        } else {
            r.Left = std::min(r.Left, s.leftColumn());
            r.Top = std::min(r.Top, s.topRow());
            r.Right = std::max(r.Right, s.rightColumn());
            r.Bottom = std::max(r.Bottom, s.bottomRow());
        }
    }
    if (!any) {
        int c = std::max(currentColumn(), fixedCols_), w = std::max(currentRow(), fixedRows_);
        r = {c, w, c, w};
    }
    // Fixed cells are never part of the selection.
    r.Left = std::max(r.Left, fixedCols_);
    r.Top = std::max(r.Top, fixedRows_);
    r.Right = std::min(r.Right, colCount() - 1);
    r.Bottom = std::min(r.Bottom, rowCount() - 1);
    return r;
}

void StringGrid::setSelection(const GridRect& r) {
    clearSelection();
    if (r.empty()) return;
    setCurrentCell(r.Top, r.Left, QItemSelectionModel::NoUpdate);
    setRangeSelected(QTableWidgetSelectionRange(r.Top, r.Left, r.Bottom, r.Right), true);
}

void StringGrid::setEditing(bool on) {
    editing_ = on;
    if (!on && state() == QAbstractItemView::EditingState) {
        // Moving the current cell away and back commits and closes the editor.
        QModelIndex at = currentIndex();
        setCurrentIndex(QModelIndex());
        setCurrentIndex(at);
    }
    setEditTriggers(on ? (QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked)
                       : QAbstractItemView::NoEditTriggers);
}

bool StringGrid::acceptsText(int col, int row, const QString& text) const {
    return !validator_ || validator_(col, row, text);
}

bool StringGrid::commitEdit(int col, int row, const QString& text) {
    if (col < fixedCols_ || row < fixedRows_ || col >= colCount() || row >= rowCount()) return false;
    if (!acceptsText(col, row, text)) return false;
    if (cell(col, row) == text) return true;
    setCell(col, row, text);
    emit cellEdited(col, row);
    return true;
}

void StringGrid::refreshItem(int col, int row) {
    if (col >= colCount() || row >= rowCount()) return;
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem;
        setItem(row, col, it);
    }
    it->setText(cell(col, row));
    bool fixed = col < fixedCols_ || row < fixedRows_;
    if (fixed) {
        it->setFlags(Qt::ItemIsEnabled);
        it->setBackground(palette().button());
    } else {
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        it->setBackground(palette().base());
    }
}

void StringGrid::refreshAll() {
    for (int c = 0; c < colCount(); ++c)
        for (int r = 0; r < rowCount(); ++r) refreshItem(c, r);
}

int StringGrid::columnEdgeAt(int x) const {
    for (int c = 0; c < colCount(); ++c) {
        int edge = columnViewportPosition(c) + columnWidth(c);
        if (std::abs(x - edge) <= kSizingMargin) return c;
    }
    return -1;
}

bool StringGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched != viewport() || !colSizing_) return QTableWidget::eventFilter(watched, event);
    auto inFixedRow = [this](const QPoint& p) {
        int row = rowAt(p.y());
        return row >= 0 && row < fixedRows_;
    };
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* me = static_cast<QMouseEvent*>(event);
            QPoint p = me->position().toPoint();
            if (me->button() == Qt::LeftButton && inFixedRow(p)) {
                int c = columnEdgeAt(p.x());
                if (c >= 0) {
                    sizingCol_ = c;
                    sizingStartX_ = p.x();
                    sizingStartWidth_ = columnWidth(c);
                    return true;
                }
            }
            break;
        }
        case QEvent::MouseMove: {
            auto* me = static_cast<QMouseEvent*>(event);
            QPoint p = me->position().toPoint();
            if (sizingCol_ >= 0) {
                setColumnWidth(sizingCol_, std::max(2, sizingStartWidth_ + p.x() - sizingStartX_));
                return true;
            }
            bool onEdge = inFixedRow(p) && columnEdgeAt(p.x()) >= 0;
            viewport()->setCursor(onEdge ? Qt::SplitHCursor : Qt::ArrowCursor);
            break;
        }
        case QEvent::MouseButtonRelease:
            if (sizingCol_ >= 0) {
                sizingCol_ = -1;
                return true;
            }
            break;
        default:
            break;
    }
    return QTableWidget::eventFilter(watched, event);
}

}  // namespace brine
