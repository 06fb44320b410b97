// The instrument dialog and the pressure prompt, driven headless.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <filesystem>

#include "core/header_save.h"
#include "core/sdf_builder.h"
#include "importers/raw_dialog.h"
#include "importers/pressure_box.h"
#include "importers/raw_files.h"
#include "platform/api/scripted.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

// The shared one, deleted when the tests end: every widget test of this
// program must use the same application object.
QApplication& app() { return test::qtApp(); }

class FrmAlecTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        SetAppPrompter(&prompter);
        FrmInputBox = new TFrmInputBox();
        FrmAlec = new TFrmAlec();
        FrmAlec->model = &model;
        FrmAlec->progress = &progress;
        FrmAlec->headerSave = &save;
        FrmAlec->valuePrompt = FrmInputBox;
        FrmAlec->showSiteWindow = [this](bool v) { siteShown.push_back(v); };
        FrmAlec->declination = [] { return 90.0; };
    }
    void TearDown() override {
        SetModalHook({});
        SetAppPrompter(nullptr);
        delete FrmAlec;
        delete FrmInputBox;
        FrmAlec = nullptr;
        FrmInputBox = nullptr;
    }
    std::string rawFile(std::vector<std::string> lines) {
        std::string p = dir.file("in.raw");
        test::writeText(p, test::joinLines(lines));
        return p;
    }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    test::DirectHeaderSave save{model, dir.file("out.sdf")};
    std::vector<bool> siteShown;
};

TEST_F(FrmAlecTest, CurrentMeterPageAndConversionWithDeclination) {
    auto lines = test::compactEMHeader(1, 1);
    lines.push_back("t,1500,0,1,10,0,0");
    std::vector<QString> visibleTabs;
    SetModalHook([&](QDialog& d) {
        EXPECT_EQ(&d, FrmAlec);
        for (int i = 0; i < FrmAlec->PageControl1->count(); ++i)
            if (FrmAlec->PageControl1->isTabVisible(i)) visibleTabs.push_back(FrmAlec->PageControl1->tabText(i));
        EXPECT_EQ(FrmAlec->GroupBox1->parentWidget(), FrmAlec->TabSheetCompactEM);
        EXPECT_EQ(FrmAlec->EditNS->text(), "1");
        EXPECT_EQ(FrmAlec->EditBInt->text(), "1800");
        EXPECT_TRUE(FrmAlec->CheckBoxTransVel->isChecked());
        FrmAlec->Memo1->setPlainText(QStringLiteral("edited memo"));
        FrmAlec->BitBtn1->click();
        return FrmAlec->result();
    });
    FrmAlec->OpenCompactEMFile(rawFile(lines));
    EXPECT_EQ(visibleTabs, std::vector<QString>{"Compact EM"});
    EXPECT_EQ(siteShown, (std::vector<bool>{true, false}));  // shown with the dialog, hidden at its end
    EXPECT_EQ(save.calls, 1);
    EXPECT_EQ(model.Memo, "edited memo");

    const test::SdfOutput back = test::readBackBurst(dir.file("out.sdf"), 0);
    EXPECT_EQ(back.Data[0][0], 100);  // east by the compass, north after 90 degrees of declination
    EXPECT_EQ(back.Data[1][0], 0);
    EXPECT_EQ(back.Memo.substr(0, 11), "edited memo");
}

TEST_F(FrmAlecTest, ItemPageListsItemsAndRefusedFileShowsNoDialog) {
    int shows = 0;
    SetModalHook([&](QDialog&) {
        ++shows;
        EXPECT_EQ(FrmAlec->ListBoxMeasuredItems->count(), 3);
        EXPECT_EQ(FrmAlec->ListBoxMeasuredItems->parentWidget(), FrmAlec->TabSheetInfinity);
        EXPECT_EQ(FrmAlec->PageControl1->currentWidget(), FrmAlec->TabSheetInfinity);
        EXPECT_EQ(FrmAlec->PageControl1->tabText(FrmAlec->PageControl1->currentIndex()), "Infinity-CTW");
        EXPECT_FALSE(FrmAlec->CheckBoxTransVel->isChecked());
        return int(QDialog::Rejected);
    });
    auto lines = test::infinityHeader("ACTW-USB", "T1C1C2B0", 4);
    lines.push_back("t,1,1,1");
    FrmAlec->OpenInfinityFile(rawFile(lines));
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(save.calls, 0);

    FrmAlec->OpenCompactWHFile(rawFile(lines));  // not a wave-gauge file
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(prompter.lastText(), "ファイルの種類が異なります。");
}

TEST_F(FrmAlecTest, InputBoxGivesTheValueOnlyOnOk) {
    std::string value = "kept";
    SetModalHook([](QDialog& d) {
        auto* box = static_cast<TFrmInputBox*>(&d);
        EXPECT_EQ(box->windowTitle(), "圧力の入力");
        EXPECT_EQ(box->EditValueLabel->text(), "P(bar)=");
        EXPECT_EQ(box->EditValue->text(), "1.00");
        box->EditValue->setText("2.5");
        box->Button1->click();
        return box->result();
    });
    EXPECT_TRUE(FrmInputBox->InputValue("圧力の入力", "P(bar)=", "1.00", value));
    EXPECT_EQ(value, "2.5");

    SetModalHook([](QDialog& d) {
        static_cast<TFrmInputBox*>(&d)->EditValue->setText("9");
        return int(QDialog::Rejected);  // closed by its frame
    });
    value = "kept";
    EXPECT_FALSE(FrmInputBox->InputValue("圧力の入力", "P(bar)=", "1.00", value));
    EXPECT_EQ(value, "kept");

    std::vector<std::string> topics;
    FrmInputBox->helpTopic = [&](const std::string& t) { topics.push_back(t); };
    FrmInputBox->BitBtn1->click();
    EXPECT_EQ(topics, std::vector<std::string>{"PracticalSalinity.htm"});
}

}  // namespace
}  // namespace brine
