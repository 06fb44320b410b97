// The comma-data dialog driven headless: opening a file, the preview and
// parameter grid, the import into the model, the parameter file through the
// file dialogs, and the grid tools.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <filesystem>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/rounding.h"
#include "core/current_file.h"
#include "importers/comma_dialog.h"
#include "platform/api/scripted.h"
#include "platform/guard.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "platform/status_panels.h"
#include "platform/string_grid.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"
#include "support/window_system.h"

namespace brine {
namespace {

class FrmCommaDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        SetAppPrompter(&prompter);
        SetAppFileChooser(&chooser);
        d = new TFrmCommaData();
        d->model = &model;
        d->parameterFolder = [this] { return dir.path().string(); };
        d->InitDefaults();
        file = dir.file("in.csv");
        test::writeText(file, "Start,at 2004/05/06 12:00:00\r\nA,B,C\r\n1,2,3\r\n4,5,6\r\n7,8\r\n");
    }
    void TearDown() override {
        SetModalHook({});
        SetAppPrompter(nullptr);
        SetAppFileChooser(nullptr);
        delete d;
    }
    void parameterFileFlow();
    void gridToolsFlow();
    QString prm(int col, int row) const { return d->StringGridPrm->cell(col, row); }
    QString preview(int col, int row) const { return d->StringGrid1->cell(col, row); }

    test::TempDir dir;
    ScriptedPrompter prompter;
    ScriptedFileChooser chooser;
    CurrentFile model;
    TFrmCommaData* d = nullptr;
    std::string file;
};

TEST_F(FrmCommaDataTest, OpenFileShowsTheFileAndImportsWhatTheGridSays) {
    d->SkipLines = 2;
    d->CheckBoxStartTime->setChecked(true);
    d->EditColStartTime->setText("2");
    SetModalHook([&](QDialog& dialog) {
        EXPECT_EQ(&dialog, d);
        EXPECT_TRUE(d->windowTitle().endsWith("/in.csv"));
        EXPECT_EQ(d->ComboBoxSkip->currentText(), "2");
        EXPECT_EQ(d->EditStartTime->text(), "2004/05/06 12:00:00");
        EXPECT_EQ(d->StringGrid1->colCount(), 4);
        EXPECT_EQ(d->StringGrid1->rowCount(), 3);
        EXPECT_EQ(preview(0, 2), "3");
        EXPECT_EQ(preview(3, 1), "6");
        EXPECT_EQ(preview(3, 2), "");
        EXPECT_EQ(d->StringGridPrm->colCount(), 4);
        EXPECT_EQ(prm(0, 3), "A");
        EXPECT_EQ(prm(2, 0), "Yes");
        EXPECT_EQ(prm(2, 1), "X2");
        EXPECT_EQ(prm(2, 3), "1");
        EXPECT_EQ(prm(2, 4), "0");
        EXPECT_TRUE(d->EditNS->isHidden());
        EXPECT_EQ(d->StatusBar1->panelText(0), "列編集モード");

        d->StringGridPrm->setCell(2, 1, QStringLiteral("流速"));
        d->StringGridPrm->setCell(2, 3, QStringLiteral("0.5"));
        d->StringGridPrm->setSelection({3, 0, 3, 0});
        d->UnsetReadItemClick();
        EXPECT_EQ(prm(3, 0), "No");
        EXPECT_EQ(prm(3, 1), "X3");  // only the read mark changes
        d->BitBtn1->click();
        return d->result();
    });
    ASSERT_TRUE(d->OpenFile(file));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(d->LineCount, 5);
    EXPECT_EQ(d->SampleCount, 3);
    EXPECT_EQ(d->ReadCount, 2);
    EXPECT_EQ(d->ItemNames[1], utf8ToCp932("流速"));
    EXPECT_EQ(model.Nch, 2);
    EXPECT_EQ(model.ChannelName[1], utf8ToCp932("流速"));
    EXPECT_FLOAT_EQ(model.ScaleA[1], 0.5f);
    EXPECT_EQ(model.Data[0], (std::vector<std::int16_t>{1, 4, 7}));
    EXPECT_EQ(model.Data[1], (std::vector<std::int16_t>{4, 10, 16}));
    EXPECT_EQ(FormatDateTime(model.StartTime), "2004/05/06 12:00:00");
    EXPECT_TRUE(d->Gauge1->isHidden());
    EXPECT_TRUE(d->BitBtn1->isEnabled());
}

TEST_F(FrmCommaDataTest, RefusedImportKeepsTheDialogOpenAndBurstModeLeavesItsTempFile) {
    d->SkipLines = 2;
    d->EditStartTime->setText("2004/05/06 00:00:00");
    int clicks = 0;
    SetModalHook([&](QDialog&) {
        d->StringGridPrm->setCell(1, 3, QStringLiteral("0"));
        d->BitBtn1->click();
        ++clicks;
        EXPECT_NE(d->result(), QDialog::Accepted);
        EXPECT_TRUE(prompter.showedText("係数Aに0は使えません"));
        return static_cast<int>(QDialog::Rejected);
    });
    EXPECT_FALSE(d->OpenFile(file));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(model.Nch, 0);

    // Burst mode: two samples per burst, the short last burst is reported.
    d->CheckBoxBurst->setChecked(true);
    d->EditNS->setText("2");
    SetModalHook([&](QDialog&) {
        EXPECT_FALSE(d->EditNS->isHidden());
        d->StringGridPrm->setCell(1, 3, QStringLiteral("1"));
        d->BitBtn1->click();
        return d->result();
    });
    ASSERT_TRUE(d->OpenFile(file));
    EXPECT_EQ(std::filesystem::path(d->TempFileName).parent_path(), dir.path());
    EXPECT_TRUE(d->TempFileName.ends_with(".$$$")) << d->TempFileName;
    EXPECT_TRUE(std::filesystem::exists(d->TempFileName));
    EXPECT_EQ(prompter.lastText(), "2回目のバースト計測が途中で終了しています。");
    EXPECT_EQ(model.Iterations, 2);
    EXPECT_EQ(model.SampleSize, 2);
    EXPECT_EQ(model.FileName, d->TempFileName);
}

TEST_F(FrmCommaDataTest, ParameterFileSavedAndLoadedThroughTheDialogs) {
    SetModalHook([&](QDialog&) {
        parameterFileFlow();
        return static_cast<int>(QDialog::Rejected);
    });
    EXPECT_FALSE(d->OpenFile(file));
}

void FrmCommaDataTest::parameterFileFlow() {
    d->EdtDT->setText("0.5");
    d->CheckBoxBurst->setChecked(true);
    d->EditNS->setText("600");
    d->ComboBoxStep->setEditText("2");
    d->StringGridPrm->setCell(1, 1, QStringLiteral("水温"));
    d->StringGridPrm->setCell(2, 0, QStringLiteral("No"));  // typed in the read row
    chooser.choose(dir.file("set.txt"));
    d->BitBtn6Click();
    ASSERT_EQ(chooser.asked.size(), 1u);
    EXPECT_EQ(chooser.asked[0].settings.Filter, "text file filter parameters (*.tfp)|*.tfp");
    EXPECT_EQ(chooser.asked[0].settings.InitialDir, dir.path().string());
    ASSERT_TRUE(std::filesystem::exists(dir.file("set.tfp")));
    EXPECT_FALSE(d->ReadFlags[1]);  // taken from the grid when saving

    d->EdtDT->setText("9");
    d->CheckBoxBurst->setChecked(false);
    d->EditNS->setText("1");
    d->ReadFlags.fill(true);
    d->RefreshReadRow();
    d->StringGridPrm->setCell(1, 1, QStringLiteral("other"));
    chooser.choose(dir.file("set.tfp"));
    d->BitBtn2Click();
    EXPECT_EQ(d->EdtDT->text(), "0.5");
    EXPECT_TRUE(d->CheckBoxBurst->isChecked());
    EXPECT_FALSE(d->EditNS->isHidden());
    EXPECT_EQ(d->EditNS->text(), "600");
    EXPECT_EQ(d->ComboBoxStep->currentText(), "2");
    EXPECT_EQ(d->StepLines, 1);  // taken from the edit only by the update or the import
    EXPECT_EQ(prm(1, 1), "水温");
    EXPECT_EQ(prm(2, 0), "No");
    EXPECT_EQ(prm(2, 1), "");
    EXPECT_EQ(prm(3, 1), "X3");
    EXPECT_EQ(d->ItemNames[1], "X3");  // entry 1 is the second read column

    chooser.cancel();
    d->BitBtn2Click();  // cancelled: nothing changes
    EXPECT_EQ(d->EdtDT->text(), "0.5");
}

TEST_F(FrmCommaDataTest, ReadMarkTypedInCellModeRulesPreviewAndImportAlike) {
    d->SkipLines = 2;
    d->EditStartTime->setText("2004/05/06 00:00:00");
    SetModalHook([&](QDialog&) {
        d->StringGridPrmDblClick();  // cell mode
        d->StringGridPrm->setCell(1, 0, QStringLiteral("No"));
        d->StringGridPrm->setCell(2, 3, QStringLiteral("0.5"));
        d->BitBtn3->click();
        EXPECT_EQ(prm(1, 0), "No");
        // "1,2,3": the first column as it stands, the second by its own A.
        EXPECT_EQ(preview(1, 0), "1");
        EXPECT_EQ(preview(2, 0), "4");
        EXPECT_EQ(preview(3, 0), "3");
        d->BitBtn1->click();
        return d->result();
    });
    ASSERT_TRUE(d->OpenFile(file));
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_EQ(model.Nch, 2);
    EXPECT_EQ(model.Data[0], (std::vector<std::int16_t>{4, 10, 16}));
    EXPECT_EQ(model.Data[1], (std::vector<std::int16_t>{3, 6, ErrorData}));
}

TEST_F(FrmCommaDataTest, UpdateAppliesCoefficientsAndGridToolsCopyAndPaste) {
    SetModalHook([&](QDialog&) {
        gridToolsFlow();
        return static_cast<int>(QDialog::Rejected);
    });
    EXPECT_FALSE(d->OpenFile(file));
}

// After the update the preview opens at its first row, although typing the
// skip had scrolled the old preview down to where the new one begins.
TEST_F(FrmCommaDataTest, UpdatedPreviewOpensAtTheTop) {
    std::string text = "Start,at 2004/05/06 12:00:00\r\nA,B,C\r\n";
    for (int i = 0; i < 60; ++i) text += std::to_string(i) + ",1,2\r\n";
    test::writeText(file, text);
    test::WindowScript script;
    script.then([this] { return d->isVisible(); }, [this] {
        d->ComboBoxSkip->setEditText("2");
        ASSERT_EQ(d->StringGrid1->verticalScrollBar()->value(), 2);
        test::clickThroughWindow(*d->BitBtn3);
        EXPECT_EQ(preview(1, 0), "0");
        EXPECT_EQ(d->StringGrid1->verticalScrollBar()->value(), 0);
        d->reject();
    });
    EXPECT_FALSE(d->OpenFile(file));
    EXPECT_TRUE(script.done());
}

// Typed into an open cell editor, Shift makes a capital as in any editor;
// only with no editor open does it switch the grid to column mode.
TEST_F(FrmCommaDataTest, ShiftInAnOpenCellEditorTypesACapital) {
    d->SkipLines = 2;
    struct Case {
        StringGrid* grid;
        int col, row;
    };
    test::WindowScript script;
    script.then([this] { return d->isVisible(); }, [this] {
        for (Case c : {Case{d->StringGrid1, 1, 1}, Case{d->StringGridPrm, 1, 2}}) {
            QWidget* viewport = c.grid->viewport();
            const QPoint at = c.grid->visualRect(c.grid->model()->index(c.row, c.col)).center();
            QTest::mouseDClick(test::windowOf(*d), Qt::LeftButton, {}, viewport->mapTo(d, at));
            ASSERT_TRUE(c.grid->cellEditorOpen());
            test::typeText("deg");
            QTest::keyClick(QGuiApplication::focusWindow(), 'C', Qt::ShiftModifier);
            test::typeKey(Qt::Key_Return);
            EXPECT_EQ(c.grid->cell(c.col, c.row), "degC");
            EXPECT_EQ(d->StatusBar1->panelText(0), "セル編集モード");
            test::typeKey(Qt::Key_Shift);  // no editor open
            EXPECT_FALSE(c.grid->editing());
            EXPECT_EQ(d->StatusBar1->panelText(0), "列編集モード");
        }
        d->reject();
    });
    EXPECT_FALSE(d->OpenFile(file));
    EXPECT_TRUE(script.done());
}

void FrmCommaDataTest::gridToolsFlow() {
    d->ComboBoxSkip->setEditText("2");
    d->StringGridPrm->setCell(1, 3, QStringLiteral("2"));
    d->BitBtn3Click();
    EXPECT_EQ(d->SkipLines, 2);
    EXPECT_EQ(preview(1, 0), "0.5");
    EXPECT_EQ(preview(2, 0), "2");
    d->StringGridPrm->setCell(1, 4, QStringLiteral("x"));
    d->ComboBoxSkip->setEditText("0");
    EXPECT_FALSE(Guarded([&] { d->BitBtn3Click(); }));
    EXPECT_EQ(d->SkipLines, 2);  // nothing applied

    d->show();
    d->Copy1Click();  // no grid has the focus: nothing copied
    EXPECT_FALSE(d->Paste1->isEnabled());
    d->StringGrid1->setFocus();
    d->StringGrid1->setSelection({1, 0, 2, 1});  // "0.5","2" / "2","5"
    d->Copy1Click();
    EXPECT_EQ(QApplication::clipboard()->text(), "0.5\t2\r\n2\t5");
    EXPECT_TRUE(d->Paste1->isEnabled());
    d->StringGrid1->setSelection({2, 1, 3, 1});
    d->Paste1Click();  // two anchors; the second overwrites, the block past the edge is left out
    EXPECT_EQ(preview(2, 1), "0.5");
    EXPECT_EQ(preview(3, 1), "0.5");
    EXPECT_EQ(preview(3, 2), "2");
    d->StringGrid1->setSelection({3, 0, 3, 0});
    d->Truncate1Click();
    EXPECT_EQ(preview(3, 0), "");
    EXPECT_EQ(d->Clip[0][0], "3");

    d->StringGrid1KeyDown(Qt::Key_A);
    EXPECT_TRUE(d->StringGrid1->editing());
    EXPECT_EQ(d->StatusBar1->panelText(0), "セル編集モード");
    d->StringGrid1KeyDown(Qt::Key_Shift);
    EXPECT_FALSE(d->StringGrid1->editing());
    EXPECT_EQ(d->StringGrid1->popupMenu(), d->PopupMenu1);
    d->StringGridPrmDblClick();
    EXPECT_TRUE(d->StringGridPrm->editing());
    EXPECT_EQ(d->StringGridPrm->popupMenu(), nullptr);
    EXPECT_EQ(d->StatusBar1->panelText(1), "Shiftキーを押すと，列編集モードへ");
    d->hide();
}

}  // namespace
}  // namespace brine
