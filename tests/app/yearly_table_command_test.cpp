// The yearly-table commands reach the dialog and save through the header dialog.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "app/about_box.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app_test_support.h"
#include "base/cp932.h"
#include "core/header_save.h"
#include "core/ui/header_dialog.h"
#include "importers/yearly_table_dialog.h"
#include "platform/api/scripted.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"
#include "support/temp_dir.h"
#include "support/window_system.h"

namespace brine {
namespace {

class YearlyTableCommand : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        CreateForms();
    }
    void TearDown() override {
        DestroyForms();
        AppTest::TearDown();
    }
    test::TempDir dir;
};

TEST_F(YearlyTableCommand, ATableNamedSdfIsNeverItsOwnOutput) {
    const std::string table = dir.file("year.sdf");
    const std::string text = utf8ToCp932("日,1月,2月\r\n1,15,25\r\n2,35,45\r\n");
    test::writeText(table, text);
    prompter.answer(MsgResult::Yes);  // to an overwrite question, should one come
    SetModalHook([&](QDialog& d) {
        if (&d == FrmDateYearTable) {
            FrmDateYearTable->BitBtn1->click();
            return FrmDateYearTable->result();
        }
        if (&d == FrmSDFdata) {
            EXPECT_EQ(FrmSDFdata->EditFileName->text().toStdString(), table);
            FrmSDFdata->BitBtn1Click();
            return int(QDialog::Rejected);  // the user gives up
        }
        return int(QDialog::Rejected);
    });
    chooser.choices.push_back({table});
    Form1->TableinDateYear->trigger();

    EXPECT_TRUE(prompter.showedText("読み込み中のファイルは上書き出来ません。"));
    EXPECT_FALSE(prompter.showedText("変換ファイルを保存しました。"));
    EXPECT_EQ(test::readText(table), text);
}

// The ten-day command run through its windows (convert, save under the
// proposed name, OK) saves the table and leaves the main window active: its
// menu answers the keyboard again at once.
TEST_F(YearlyTableCommand, TenDayCommandSavesThroughItsWindowsAndLeavesTheMainWindowActive) {
    test::TempDir config;
    std::string text = "旬別平均水温\r\n旬,2003年(1月～12月)\r\n";
    for (int r = 1; r <= 36; ++r) text += std::to_string(r) + "," + std::to_string(r) + ".5\r\n";
    std::string table = dir.file("ten.csv");
    test::writeText(table, utf8ToCp932(text));
    Form1->UseConfigDir(config.path().string() + "/");
    SetModalHook([](QDialog& d) { return d.metaObject() == &TAboutBox::staticMetaObject ? int(QDialog::Accepted) : 0; });
    test::ShowMainWindow(*Form1);
    SetModalHook({});
    SetAppPrompter(nullptr);  // the message boxes are Qt's own from here

    test::WindowScript script;
    script.then([] { return FrmDateYearTable->isVisible(); }, [] {
        EXPECT_EQ(FrmDateYearTable->windowTitle(), "月旬別年別表データ");
        FrmDateYearTable->EditA->setText("0.5");
        FrmDateYearTable->EditChItem->setText("水温");
        test::clickThroughWindow(*FrmDateYearTable->BitBtn1);
    });
    script.then([] { return FrmSDFdata->isVisible(); }, [] { test::clickThroughWindow(*FrmSDFdata->BitBtn1); });
    script.then([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr; }, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        EXPECT_EQ(box->text(), QStringLiteral("変換ファイルを保存しました。"));
        test::clickThroughWindow(*box->button(QMessageBox::Ok));
    });
    chooser.choices.push_back({table});
    Form1->T1->trigger();

    EXPECT_TRUE(script.done());
    EXPECT_TRUE(test::waitFor([] { return QApplication::activeWindow() == Form1; }, 1000));
    EXPECT_EQ(FrmDateYearTable->result(), QDialog::Accepted);
    DestroyForms();
    test::ReadBack back(dir.file("ten.sdf"), 0);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.SampleSize, 365);
    EXPECT_EQ(back.m.Iterations, 1);
    EXPECT_EQ(back.m.ChannelName[0], utf8ToCp932("水温"));
    EXPECT_EQ(back.m.Memo.substr(0, 14), "Original file:");
    EXPECT_EQ(back.m.Data[0][0], 3);     // 1.5 / 0.5
    EXPECT_EQ(back.m.Data[0][364], 73);  // 36.5 / 0.5
}

}  // namespace
}  // namespace brine
