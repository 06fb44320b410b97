#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <stdexcept>

#include "core/ui/frm_progress.h"
#include "support/qt_app.h"

using namespace brine;

struct FrmProgressTest : ::testing::Test {
    QApplication& app = test::qtApp();
    TFrmProgress frm;
};

TEST_F(FrmProgressTest, StartShowsAFreshWindow) {
    frm.Start("first", true);
    frm.SetComment("a.sdf");
    frm.SetPercent(55);
    EXPECT_EQ(frm.LblPercent->text(), "55 %");
    EXPECT_EQ(frm.ProgressBar1->value(), 55);
    frm.BitBtn1Click();
    ASSERT_TRUE(frm.Cancelled());

    frm.Start("ただ今、データ形式の更新中．．．．", true);
    EXPECT_FALSE(frm.Cancelled());
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(frm.windowTitle(), QString::fromUtf8("ただ今、データ形式の更新中．．．．"));
    EXPECT_TRUE(frm.LblComment->text().isEmpty());
    EXPECT_EQ(frm.LblPercent->text(), "0 %");
    EXPECT_EQ(frm.ProgressBar1->value(), 0);
    EXPECT_TRUE(frm.BitBtn1->isEnabled());
    // While a job runs no other window takes input.
    EXPECT_EQ(QApplication::activeModalWidget(), &frm);
    frm.Hide();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(FrmProgressTest, ButtonCancelsAndHides) {
    frm.Start("job", true);
    frm.BitBtn1->click();
    EXPECT_TRUE(frm.Cancelled());
    EXPECT_FALSE(frm.isVisible());
    frm.SetPercent(40);  // the job's next report does not bring it back
    EXPECT_FALSE(frm.isVisible());
}

TEST_F(FrmProgressTest, CloseBoxAndEscapeCancel) {
    frm.Start("job", true);
    frm.close();  // the close box
    EXPECT_TRUE(frm.Cancelled());
    EXPECT_FALSE(frm.isVisible());

    frm.Start("job", true);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&frm, &esc);
    EXPECT_TRUE(frm.Cancelled());
    EXPECT_FALSE(frm.isVisible());
}

TEST_F(FrmProgressTest, JobThatCannotStopKeepsItsWindow) {
    frm.Start("merge", false);
    EXPECT_FALSE(frm.BitBtn1->isEnabled());
    frm.BitBtn1Click();
    frm.close();
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&frm, &esc);
    EXPECT_FALSE(frm.Cancelled());
    EXPECT_TRUE(frm.isVisible());
    frm.Hide();
    frm.Start("next", true);
    EXPECT_TRUE(frm.BitBtn1->isEnabled());
    frm.Hide();
}

TEST_F(FrmProgressTest, ScopeHidesOnException) {
    try {
        ProgressScope scope(frm, "job");
        EXPECT_TRUE(frm.isVisible());
        throw std::runtime_error("failed mid-job");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(frm.isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}
