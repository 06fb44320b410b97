#include <gtest/gtest.h>

#include <QLabel>

#include "base/errors.h"
#include "platform/status_panels.h"
#include "platform/string_grid.h"
#include "support/qt_app.h"

namespace brine {
namespace {

class StringGridTest : public ::testing::Test {
protected:
    StringGridTest() {
        (void)test::qtApp();
        grid.setColCount(5);
        grid.setRowCount(4);
    }
    StringGrid grid;
};

TEST_F(StringGridTest, CellsSurviveShrinkingAndGrowing) {
    for (int r = 1; r <= 10; ++r) grid.setCell(0, r, QString::number(r));
    EXPECT_EQ(grid.cell(0, 10), "10");  // beyond the row count, kept
    grid.setRowCount(3);
    EXPECT_EQ(grid.item(2, 0)->text(), "2");
    grid.setRowCount(11);
    EXPECT_EQ(grid.item(10, 0)->text(), "10");
    EXPECT_EQ(grid.cell(3, 9), "");
    EXPECT_THROW(grid.cell(-1, 0), RangeError);
}

TEST_F(StringGridTest, SelectionLeavesOutFixedCells) {
    grid.setSelection({2, 1, 3, 2});
    EXPECT_EQ(grid.selection(), (GridRect{2, 1, 3, 2}));
    grid.clearSelection();
    grid.setCurrentCell(0, 0, QItemSelectionModel::NoUpdate);
    EXPECT_EQ(grid.selection(), (GridRect{1, 1, 1, 1}));  // the first non-fixed cell
    EXPECT_FALSE(grid.item(0, 2)->flags() & Qt::ItemIsSelectable);
    EXPECT_FALSE(grid.item(2, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(grid.item(2, 2)->flags() & Qt::ItemIsEditable);
}

TEST_F(StringGridTest, EditsPassTheValidatorAndAreSignalled) {
    int edited = 0;
    QObject::connect(&grid, &StringGrid::cellEdited, [&](int c, int r) {
        EXPECT_EQ(c, 1);
        EXPECT_EQ(r, 2);
        ++edited;
    });
    grid.setCellValidator([](int col, int, const QString& t) { return col != 1 || !t.contains(','); });
    grid.setCell(1, 2, "depth");
    EXPECT_FALSE(grid.commitEdit(1, 2, "a,b"));
    EXPECT_EQ(grid.cell(1, 2), "depth");
    EXPECT_TRUE(grid.commitEdit(1, 2, "level"));
    EXPECT_EQ(grid.cell(1, 2), "level");
    EXPECT_EQ(grid.item(2, 1)->text(), "level");
    EXPECT_FALSE(grid.commitEdit(0, 2, "x"));  // fixed column
    EXPECT_FALSE(grid.commitEdit(1, 9, "x"));  // outside the grid
    EXPECT_EQ(edited, 1);
}

TEST(StatusPanels, PanelsByIndex) {
    (void)test::qtApp();
    StatusPanels bar;
    EXPECT_EQ(bar.addPanel(200), 0);
    EXPECT_EQ(bar.addPanel(150), 1);
    bar.setPanelText(1, "右");
    EXPECT_EQ(bar.panelText(1), "右");
    EXPECT_EQ(bar.panelWidth(0), 200);
    EXPECT_EQ(bar.panelWidth(1), 150);
    EXPECT_THROW(bar.setPanelText(2, "x"), RangeError);

    // The last panel reaches to the right edge, so a longer text is not cut.
    EXPECT_EQ(bar.addPanel(100), 2);
    bar.resize(800, 22);
    bar.show();
    QList<QLabel*> panels = bar.findChildren<QLabel*>();
    ASSERT_EQ(panels.size(), 3);
    EXPECT_EQ(panels[0]->width(), 200);
    EXPECT_EQ(panels[1]->width(), 150);
    EXPECT_GE(panels[2]->width(), 800 - 200 - 150 - 20);
}

}  // namespace
}  // namespace brine
