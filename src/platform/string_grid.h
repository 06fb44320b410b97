#pragma once
// A grid of text cells addressed by column and row, with fixed leading rows
// and columns (titles, never edited or selected), one rectangular selection,
// cell editing that can be switched off, column sizing by dragging in the
// fixed row, and an optional popup menu. Cells keep their text when the row
// or column count shrinks and show it again when it grows.
#include <QTableWidget>
#include <functional>
#include <vector>

#include "platform/api/grid_rect.h"

class QMenu;

namespace brine {

class StringGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit StringGrid(QWidget* parent = nullptr);

    int colCount() const { return columnCount(); }
    int rowCount() const { return QTableWidget::rowCount(); }
    void setColCount(int n);
    void setRowCount(int n);
    int fixedCols() const { return fixedCols_; }
    int fixedRows() const { return fixedRows_; }
    void setFixedCols(int n);
    void setFixedRows(int n);

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

    int defaultRowHeight() const { return rowHeight_; }
    void setDefaultRowHeight(int h);
    void setColWidth(int col, int width) { setColumnWidth(col, width); }
    int colWidth(int col) const { return columnWidth(col); }

    // The selected rectangle; the current cell when nothing is selected.
    GridRect selection() const;
    void setSelection(const GridRect& r);

    bool editing() const { return editing_; }
    void setEditing(bool on);
    // True while a cell's editor is open.
    bool cellEditorOpen() const { return state() == QAbstractItemView::EditingState; }
    bool columnSizing() const { return colSizing_; }
    void setColumnSizing(bool on) { colSizing_ = on; }

    QMenu* popupMenu() const { return popup_; }
    void setPopupMenu(QMenu* menu) { popup_ = menu; }

    // Decides whether a text may stand in a cell the user edits; the editor
    // refuses keystrokes that would make it invalid.
    using CellValidator = std::function<bool(int col, int row, const QString& text)>;
    void setCellValidator(CellValidator v) { validator_ = std::move(v); }
    bool acceptsText(int col, int row, const QString& text) const;

    // Ends a user edit of a cell: stores the text when it is acceptable and
    // signals cellEdited. False when refused (the cell keeps its text).
    bool commitEdit(int col, int row, const QString& text);

signals:
    void cellEdited(int col, int row);

protected:
    // The view's own selection by rectangle stays reachable beside ours.
    using QTableWidget::setSelection;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshItem(int col, int row);
    void refreshAll();
    int columnEdgeAt(int x) const;

    std::vector<std::vector<QString>> cells_;  // [col][row]
    int fixedCols_ = 1, fixedRows_ = 1;
    int rowHeight_ = 24;
    bool editing_ = false;
    bool colSizing_ = false;
    int sizingCol_ = -1;
    int sizingStartX_ = 0, sizingStartWidth_ = 0;
    QMenu* popup_ = nullptr;
    CellValidator validator_;
};

}  // namespace brine
