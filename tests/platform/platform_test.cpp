#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>

#include "base/errors.h"
#include "platform/api/scripted.h"
#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"
#include "platform/refuse_edit.h"
#include "support/qt_app.h"
#include "support/window_system.h"

using namespace brine;

TEST(Guarded, ErrorsEndInAMessageBoxAndTheProgramGoesOn) {
    ScriptedPrompter p;
    EXPECT_TRUE(Guarded([] {}, p));
    EXPECT_TRUE(p.shown.empty());

    EXPECT_FALSE(Guarded([] { throw FormatError(); }, p));
    EXPECT_EQ(p.shown.back().type, MsgType::Error);
    EXPECT_EQ(p.lastText(), "フォーマットが違います。");

    EXPECT_FALSE(Guarded([] { throw std::bad_alloc(); }, p));
    EXPECT_EQ(p.lastText(), "メモリが足りません。");

    EXPECT_FALSE(Guarded([] { throw std::out_of_range("vector"); }, p));
    EXPECT_EQ(p.lastText(), "エラーが発生しました。\nvector");
    EXPECT_EQ(p.shown.size(), 3u);
}

TEST(ScriptedPrompter, AnswersInOrderAndRefusesUnscriptedQuestions) {
    ScriptedPrompter p;
    p.answer(MsgResult::No);
    p.answer(MsgResult::Cancel);
    p.information("done");  // an OK box takes no answer
    EXPECT_FALSE(p.confirm(Question(Tx::OverwriteSource)));
    EXPECT_EQ(p.ask(MsgType::Confirmation, Question(Tx::OverwriteExistingTwoLines), MsgButtons::YesNoCancel),
              MsgResult::Cancel);
    EXPECT_THROW(p.confirm(Question(Tx::OverwriteSource)), std::logic_error);
    EXPECT_TRUE(p.showedText("上書きしてよろしいですね"));
    EXPECT_EQ(p.shown.size(), 4u);
    // A question comes from the table: a message's buttons ask nothing.
    EXPECT_THROW(p.show(MsgType::Warning, "save?", MsgButtons::YesNo), std::logic_error);
    EXPECT_THROW(Question(Tx::Count), std::out_of_range);
}

namespace {

// Looks at the message box the prompter shows next. A box the test leaves
// open closes unanswered after a while, so a key that does nothing fails the
// test rather than hanging it.
void withMessageBox(std::function<void(QMessageBox&)> look) {
    QTimer::singleShot(0, [look] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        QTimer::singleShot(5000, box, [box] { box->done(-1); });
        look(*box);
    });
}

}  // namespace

// A file name wider than any line of the box shows whole, on a line of its
// own or after text: the label, inside the box, is as wide as its widest
// unbreakable piece and as high as its lines, and holds every character.
TEST(QtPrompter, ALongPathShowsWhole) {
    test::qtApp();
    QString folder;
    while (folder.size() < 234) folder += "tokyo_bay_mouth_station_03_";
    folder.truncate(234);
    const QString path = "/home/user/" + folder + "/wave_2023.sdf";
    for (const QString& text : {"ファイルの保存中にエラーが発生しました。\n" + path,
                                "ファイルを置き換えられません: " + path + "\nファイルは元のままです。"}) {
        SCOPED_TRACE(text.left(12).toStdString());
        bool seen = false;
        withMessageBox([&](QMessageBox& box) {
            auto* label = box.findChild<QLabel*>("qt_msgbox_label");
            seen = label != nullptr;
            if (label) {
                EXPECT_TRUE(box.rect().contains(label->geometry()));
                EXPECT_LE(label->minimumSizeHint().width(), label->width());
                EXPECT_LE(label->heightForWidth(label->width()), label->height());
                const QString shown = label->text();
                qsizetype at = -1;
                EXPECT_TRUE(std::all_of(path.begin(), path.end(),
                                        [&](QChar c) { return (at = shown.indexOf(c, at + 1)) >= 0; }))
                    << "a character of the path is not shown";
            }
            box.done(QMessageBox::Ok);
        });
        QtPrompter().error(text.toStdString());
        EXPECT_TRUE(seen);
    }
}

// Enter answers the default button: No where Yes does what the question
// warns of.
TEST(QtPrompter, EnterAnswersTheDefault) {
    test::qtApp();
    for (auto [buttons, answer] : {std::pair{MsgButtons::YesNo, MsgResult::Yes},
                                   std::pair{MsgButtons::YesNoDefaultNo, MsgResult::No}}) {
        withMessageBox([](QMessageBox& box) { QTest::keyClick(test::windowOf(box), Qt::Key_Return); });
        EXPECT_EQ(QtPrompter().ask(MsgType::Warning, Question(Tx::ConvertAction), buttons), answer);
    }
}

TEST(ScriptedProgress, CancelsOnlyCancellableJobs) {
    ScriptedProgress fixed;
    fixed.cancelAfter = 2;
    {
        ProgressScope scope(fixed, "merge", false);
        for (int i = 0; i < 5; ++i) fixed.SetPercent(i * 20);
        EXPECT_FALSE(fixed.Cancelled());
    }
    EXPECT_FALSE(fixed.visible);

    ScriptedProgress s;
    s.cancelAfter = 2;
    ProgressScope scope(s, "convert");
    s.SetPercent(10);
    EXPECT_FALSE(s.Cancelled());
    s.SetPercent(20);
    EXPECT_TRUE(s.Cancelled());
    EXPECT_FALSE(s.visible);
}

TEST(ShowModal, HookDrivesTheDialog) {
    test::qtApp();
    QDialog d;
    d.setObjectName("Probe");
    QString seen;
    SetModalHook([&](QDialog& dlg) {
        seen = dlg.objectName();
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(ShowModal(d), QDialog::Accepted);
    EXPECT_EQ(seen, "Probe");
    SetModalHook({});
}

// An exception out of a dialog's showing or out of its loop (a handler that
// let one through): the dialog is hidden and no longer named, its next hide
// reaches no loop that is gone, the other windows take input again, and the
// next showing works.
TEST(ShowModal, AnExceptionOutOfTheShowingOrTheLoopLeavesNothingBehind) {
    test::qtApp();
    QWidget other;
    other.show();
    struct Probe : QDialog {
        bool throwOnShow = false;
        void showEvent(QShowEvent* e) override {
            QDialog::showEvent(e);
            if (throwOnShow) throw std::runtime_error("on show");
        }
    };
    for (bool inLoop : {false, true}) {
        SCOPED_TRACE(inLoop ? "in the loop" : "on show");
        Probe d;
        d.throwOnShow = !inLoop;
        if (inLoop) QTimer::singleShot(0, &d, [] { throw std::runtime_error("in the loop"); });
        EXPECT_THROW(ShowModal(d), std::runtime_error);
        EXPECT_EQ(ActiveModalDialog(), nullptr);
        EXPECT_FALSE(d.isVisible());
        EXPECT_TRUE(other.isEnabled());

        d.throwOnShow = false;
        d.show();
        d.hide();
        QTimer::singleShot(0, &d, [&d] { d.accept(); });
        EXPECT_EQ(ShowModal(d), QDialog::Accepted);
        EXPECT_EQ(ActiveModalDialog(), nullptr);
    }
}

TEST(RefuseEdit, PutsTheTextBackWithTheCursorWhereTypingBegan) {
    test::qtApp();
    ScriptedPrompter p;
    SetAppPrompter(&p);
    QPlainTextEdit edit;
    edit.setPlainText("abc");
    QTextCursor c = edit.textCursor();
    c.setPosition(1);
    edit.setTextCursor(c);
    edit.insertPlainText("XY");  // "aXYbc", cursor at 3
    int changes = 0;
    QObject::connect(&edit, &QPlainTextEdit::textChanged, [&] { ++changes; });

    RefuseEdit(edit, "abc");
    EXPECT_EQ(edit.toPlainText(), "abc");
    EXPECT_EQ(edit.textCursor().position(), 1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(p.beeps, 1);

    // A deletion refused: the cursor cannot go past the end of the old text.
    edit.selectAll();
    edit.insertPlainText("");
    RefuseEdit(edit, "abc");
    EXPECT_EQ(edit.toPlainText(), "abc");
    EXPECT_EQ(edit.textCursor().position(), 3);
    SetAppPrompter(nullptr);
}

TEST(DialogFrame, FixedSizeWithCaptionAndCloseButtonOnly) {
    test::qtApp();
    QDialog d;
    SetFixedDialogFrame(d, 300, 200);
    EXPECT_EQ(d.minimumSize(), QSize(300, 200));
    EXPECT_EQ(d.maximumSize(), QSize(300, 200));
    Qt::WindowFlags f = d.windowFlags();
    EXPECT_TRUE(f.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowContextHelpButtonHint));
}
