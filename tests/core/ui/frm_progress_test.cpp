#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMouseEvent>
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
    frm.Hide();
    EXPECT_FALSE(frm.isVisible());
}

// A click on a button as the window system delivers it.
void clickButton(QPushButton& b) {
    const QPointF at(b.width() / 2.0, b.height() / 2.0);
    const QPointF global = b.mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&b, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&b, &release);
}

TEST_F(FrmProgressTest, WhileAJobRunsOnlyItsWindowTakesInputButNothingBlocksClosing) {
    QWidget mainWindow;
    mainWindow.show();
    TFrmProgress progress(&mainWindow);
    QDialog other(&mainWindow);
    auto* button = new QPushButton(QStringLiteral("go"), &other);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    other.show();

    progress.Start("job", true);
    clickButton(*button);
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(button, &space);
    EXPECT_EQ(clicks, 0);
    // The window system's close request for a window that a modal window
    // blocks never reaches it: the main window must not be blocked, so that
    // closing it can ask the job to stop.
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);

    // A question the job asks takes input while the progress window shows.
    QDialog question(&mainWindow);
    auto* answer = new QPushButton(QStringLiteral("yes"), &question);
    int answers = 0;
    QObject::connect(answer, &QPushButton::clicked, [&] { ++answers; });
    question.show();
    clickButton(*answer);
    EXPECT_EQ(answers, 1);
    question.hide();

    clickButton(*progress.BitBtn1);
    EXPECT_TRUE(progress.Cancelled());
    clickButton(*button);
    EXPECT_EQ(clicks, 1);
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
