#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <stdexcept>

#include "core/ui/progress_window.h"
#include "platform/modal.h"
#include "support/qt_app.h"
#include "support/window_system.h"

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
    frm.Hide();

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

// A job started from a modal dialog: until the job has ended (not only
// until Cancel hides the progress window) the windows open at its start take
// no keys, clicks or input-method text, while the progress window's Cancel
// and the window manager's close of the main window reach the program.
TEST_F(FrmProgressTest, InputStaysHeldUntilTheJobHasEnded) {
    struct MainWindow : QWidget {
        int closes = 0;
        void closeEvent(QCloseEvent* e) override {
            ++closes;
            e->ignore();
        }
    } mainWindow;
    mainWindow.show();
    TFrmProgress progress(&mainWindow);
    QDialog dialog(&mainWindow);
    auto* field = new QLineEdit(&dialog);
    field->setGeometry(10, 10, 120, 22);
    auto* go = new QPushButton(QStringLiteral("go"), &dialog);
    go->setGeometry(10, 40, 75, 25);

    // The user turns to the held dialog and types into it.
    auto typeIntoDialog = [&] {
        test::activateFromWindowManager(dialog);
        test::clickThroughWindow(*field);
        test::commitText(QStringLiteral("観測"));
        test::typeKey(Qt::Key_X);
        test::typeKey(Qt::Key_Escape);
    };
    bool jobRan = false;
    QObject::connect(go, &QPushButton::clicked, [&] {
        jobRan = true;
        ProgressScope scope(progress, "job");
        typeIntoDialog();
        EXPECT_EQ(field->text(), QString());
        EXPECT_TRUE(dialog.isVisible());  // Escape did not end it

        // Clicked, the held dialog hands the keys back to the progress window.
        EXPECT_TRUE(test::waitFor([&] { return QGuiApplication::focusWindow() == progress.windowHandle(); }, 1000));
        test::clickThroughWindow(*progress.BitBtn1);
        EXPECT_TRUE(progress.Cancelled());
        EXPECT_FALSE(progress.isVisible());
        // The job goes on to its next check: the hold stays meanwhile.
        typeIntoDialog();
        EXPECT_EQ(field->text(), QString());
        EXPECT_TRUE(dialog.isVisible());
        test::closeFromWindowManager(mainWindow);
        EXPECT_EQ(mainWindow.closes, 1);
    });

    test::WindowScript script;
    script.then([&] { return dialog.isVisible(); },
                [&] {
                    test::clickThroughWindow(*field);
                    test::clickThroughWindow(*go);
                    // The job has ended: the dialog takes input again, with its focus back.
                    EXPECT_EQ(dialog.focusWidget(), go);
                    test::clickThroughWindow(*field);
                    test::commitText(QStringLiteral("観測"));
                    EXPECT_EQ(field->text(), QStringLiteral("観測"));
                    dialog.accept();
                });
    EXPECT_EQ(ShowModal(dialog), QDialog::Accepted);
    EXPECT_TRUE(jobRan);
}

TEST_F(FrmProgressTest, ButtonCloseBoxAndEscapeCancelAndHide) {
    const std::function<void()> ways[] = {[this] { test::clickThroughWindow(*frm.BitBtn1); },
                                          [this] { test::closeFromWindowManager(frm); },
                                          [this] {
                                              ASSERT_EQ(QGuiApplication::focusWindow(), frm.windowHandle());
                                              test::typeKey(Qt::Key_Escape);
                                          }};
    for (const auto& cancel : ways) {
        frm.Start("job", true);
        cancel();
        EXPECT_TRUE(frm.Cancelled());
        EXPECT_FALSE(frm.isVisible());
        frm.SetPercent(40);  // the job's next report does not bring it back
        EXPECT_FALSE(frm.isVisible());
        frm.Hide();
    }
}

TEST_F(FrmProgressTest, JobThatCannotStopKeepsItsWindow) {
    frm.Start("merge", false);
    EXPECT_FALSE(frm.BitBtn1->isEnabled());
    test::clickThroughWindow(*frm.BitBtn1);
    test::closeFromWindowManager(frm);
    test::typeKey(Qt::Key_Escape);
    EXPECT_FALSE(frm.Cancelled());
    EXPECT_TRUE(frm.isVisible());
    frm.Hide();
    frm.Start("next", true);
    EXPECT_TRUE(frm.BitBtn1->isEnabled());
    frm.Hide();
}

// A save waiting for another writer of its file: a job cancelled before
// still waits at its end (it keeps what it wrote), until Cancel is pressed
// during the wait; its window comes back as it was.
TEST_F(FrmProgressTest, AWaitForAnotherWriterIsGivenUpOnlyByCancelDuringIt) {
    frm.Start("job", false);
    frm.SetComment("a.sdf => b.sdf");
    frm.BitBtn1Click();  // a job that cannot stop keeps its window
    ASSERT_FALSE(frm.Cancelled());
    EXPECT_TRUE(frm.keepWaiting("b.sdf", 0.1));
    EXPECT_TRUE(frm.keepWaiting("b.sdf", 0.5));
    EXPECT_TRUE(frm.BitBtn1->isEnabled());
    EXPECT_TRUE(frm.LblComment->text().contains("b.sdf"));
    frm.waitEnded();
    EXPECT_EQ(frm.LblComment->text(), "a.sdf => b.sdf");
    EXPECT_FALSE(frm.BitBtn1->isEnabled());
    frm.Hide();

    frm.Start("job", true);
    frm.BitBtn1Click();  // the user cancels the job; it ends, keeping what it wrote
    ASSERT_TRUE(frm.Cancelled());
    EXPECT_TRUE(frm.keepWaiting("b.sdf", 0.5));
    EXPECT_TRUE(frm.isVisible());  // the wait is told, though the job's cancel hid the window
    QTest::mouseClick(frm.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(frm.keepWaiting("b.sdf", 0.6));
    frm.waitEnded();
    EXPECT_FALSE(frm.isVisible());
    frm.Hide();
}

// The waiting text fills the comment's two lines: the file waited for, with
// its folder, must still show whole, a long path wrapped anywhere, in a
// window of its own or in a running job's, and the wait over, the window is
// laid out as before.
TEST_F(FrmProgressTest, AWaitShowsTheWholePathAndThenTheLayoutAsBefore) {
    const std::string folder = "/data/港湾観測/2024/St.12_north/raw/converted/";
    const std::string longName = "観測" + std::string(240, 'x') + ".sdf";
    ASSERT_EQ(longName.size(), 250u);
    auto layout = [this] {
        return std::vector<QRect>{frm.LblComment->geometry(), frm.BitBtn1->geometry(), frm.LblPercent->geometry(),
                                  frm.ProgressBar1->geometry(), QRect(QPoint(), frm.size())};
    };
    QLabel& label = *frm.LblComment;
    for (const std::string& name : {std::string("X.sdf"), longName}) {
        for (const bool ownWindow : {true, false}) {
            SCOPED_TRACE(name + (ownWindow ? ", own window" : ", the job's window"));
            if (!ownWindow) {
                frm.Start("job", false);
                frm.SetComment("a.sdf => b.sdf");
            }
            const std::vector<QRect> before = layout();
            ASSERT_TRUE(frm.keepWaiting(folder + name, 0.5));
            QString shown = label.text();
            shown.remove(QChar(0x200B));  // the places a path may wrap
            EXPECT_TRUE(shown.endsWith("\n" + QString::fromStdString(folder + name))) << shown.toStdString();
            EXPECT_LE(label.minimumSizeHint().width(), label.width());  // no run wider than the label
            EXPECT_GE(label.height(), label.heightForWidth(label.width()));
            EXPECT_TRUE(frm.rect().contains(label.geometry()));
            EXPECT_LT(label.geometry().bottom(), frm.BitBtn1->geometry().top());
            frm.waitEnded();
            EXPECT_EQ(layout(), before);
            if (!ownWindow) {
                EXPECT_EQ(label.text(), "a.sdf => b.sdf");
                frm.Hide();
            }
        }
    }
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
