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

TEST(YearlyTableCommand, TenDayCommandLoadsShowsAndSavesThroughTheHeaderDialog) {
    test::TempDir dir;
    std::string text = "旬別平均水温\r\n旬,2003年(1月～12月)\r\n";
    for (int r = 1; r <= 36; ++r) text += std::to_string(r) + "," + std::to_string(r) + ".5\r\n";
    std::string table = dir.file("ten.csv");
    test::writeText(table, utf8ToCp932(text));

    ScriptedPrompter prompter;
    SetAppPrompter(&prompter);
    test::RecordingChooser chooser;
    test::ChooserScope chooserScope(chooser);
    CreateForms();
    EXPECT_TRUE(Form1->T1->isEnabled());
    EXPECT_TRUE(Form1->TableinDateYear->isEnabled());

    std::vector<std::string> shown;
    SetModalHook([&](QDialog& d) {
        shown.push_back(d.objectName().toStdString());
        if (&d == FrmDateYearTable) {
            FrmDateYearTable->EditA->setText("0.5");
            FrmDateYearTable->EditChItem->setText("水温");
            FrmDateYearTable->BitBtn1->click();
            return FrmDateYearTable->result();
        }
        if (&d == FrmSDFdata) {
            EXPECT_EQ(FrmSDFdata->EditFileName->text().toStdString(), dir.file("ten.sdf"));
            FrmSDFdata->BitBtn1Click();
            return FrmSDFdata->result();
        }
        return int(QDialog::Rejected);
    });
    chooser.choices.push_back({table});
    Form1->T1->trigger();
    SetModalHook({});

    EXPECT_EQ(shown, (std::vector<std::string>{"FrmDateYearTable", "FrmSDFdata"}));
    EXPECT_EQ(FrmDateYearTable->result(), QDialog::Accepted);
    EXPECT_EQ(FrmDateYearTable->windowTitle(), "月旬別年別表データ");
    EXPECT_EQ(prompter.lastText(), "変換ファイルを保存しました。");
    CurrentFile back;
    back.prompter = &prompter;
    ASSERT_TRUE(back.ReadSDFHeader(dir.file("ten.sdf")));
    back.FileName = dir.file("ten.sdf");
    ASSERT_TRUE(back.ReadSDFBurst(0));
    EXPECT_EQ(back.SampleSize, 365);
    EXPECT_EQ(back.Iterations, 1);
    EXPECT_EQ(back.ChannelName[0], utf8ToCp932("水温"));
    EXPECT_EQ(back.Memo.substr(0, 14), "Original file:");
    EXPECT_EQ(back.Data[0][0], 3);      // 1.5 / 0.5
    EXPECT_EQ(back.Data[0][364], 73);   // 36.5 / 0.5

    DestroyForms();
    SetAppPrompter(nullptr);
}

TEST(YearlyTableCommand, ATableNamedSdfIsNeverItsOwnOutput) {
    test::TempDir dir;
    const std::string table = dir.file("year.sdf");
    const std::string text = utf8ToCp932("日,1月,2月\r\n1,15,25\r\n2,35,45\r\n");
    test::writeText(table, text);

    ScriptedPrompter prompter;
    SetAppPrompter(&prompter);
    test::RecordingChooser chooser;
    test::ChooserScope chooserScope(chooser);
    CreateForms();
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
    SetModalHook({});

    EXPECT_TRUE(prompter.showedText("読み込み中のファイルは上書き出来ません。"));
    EXPECT_FALSE(prompter.showedText("変換ファイルを保存しました。"));
    EXPECT_EQ(test::readText(table), text);

    DestroyForms();
    SetAppPrompter(nullptr);
}

// Run through its windows (convert, save, OK), the command leaves the main
// window active: its menu answers the keyboard again at once.
TEST(YearlyTableCommand, TheMainWindowIsActiveAgainAfterTheCommand) {
    test::TempDir dir, config;
    std::string text = "旬別平均水温\r\n旬,2003年(1月～12月)\r\n";
    for (int r = 1; r <= 36; ++r) text += std::to_string(r) + "," + std::to_string(r) + ".5\r\n";
    std::string table = dir.file("ten.csv");
    test::writeText(table, utf8ToCp932(text));
    test::RecordingChooser chooser;
    test::ChooserScope chooserScope(chooser);
    ScriptedPrompter startPrompter;
    SetAppPrompter(&startPrompter);
    CreateForms();
    Form1->UseConfigDir(config.path().string() + "/");
    SetModalHook([](QDialog& d) { return d.metaObject() == &TAboutBox::staticMetaObject ? int(QDialog::Accepted) : 0; });
    test::ShowMainWindow(*Form1);
    SetModalHook({});
    SetAppPrompter(nullptr);

    test::WindowScript script;
    script.then([] { return FrmDateYearTable->isVisible(); }, [] {
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
    DestroyForms();
}

}  // namespace
}  // namespace brine
