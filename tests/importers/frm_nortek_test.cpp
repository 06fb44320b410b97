// The Vector dialog, driven headless.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

#include "core/current_file.h"
#include "core/header_save.h"
#include "importers/frm_nortek.h"
#include "importers/vector_files.h"
#include "platform/api/scripted.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"
#include "support/qt_app.h"

namespace brine {
namespace {

class FrmNortekTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        SetAppPrompter(&prompter);
        FrmNortek = new TFrmNortek();
        FrmNortek->model = &model;
        FrmNortek->progress = &progress;
        FrmNortek->headerSave = &save;
        FrmNortek->showSiteWindow = [this](bool v) { siteShown.push_back(v); };
        FrmNortek->declination = [] { return 90.0; };
        FrmNortek->helpTopic = [this](const std::string& t) { topics.push_back(t); };
        FrmNortek->drawProfile = [this](const AmplitudeProfile& p, const std::string& title) {
            drawn.push_back(p);
            titles.push_back(title);
        };
    }
    void TearDown() override {
        SetModalHook({});
        SetAppPrompter(nullptr);
        delete FrmNortek;
        FrmNortek = nullptr;
    }
    std::vector<QString> visibleTabs() const {
        std::vector<QString> v;
        for (int i = 0; i < FrmNortek->PageControl1->count(); ++i)
            if (FrmNortek->PageControl1->isTabVisible(i)) v.push_back(FrmNortek->PageControl1->tabText(i));
        return v;
    }
    std::string exportFiles(test::VectorHdr hdr) {
        std::vector<std::string> pck;
        test::pckProfile(pck, {200, 300, 400}, {10, 30, 20});
        test::pckProfile(pck, {200, 300, 400}, {10, 10, 10});
        test::pckProfile(pck, {200, 300, 400, 500}, {5, 5, 9, 1});
        test::pckProfile(pck, {200, 300}, {1, 1});
        std::vector<std::string> dat;
        for (int j = 1; j <= 4; ++j) dat.push_back(test::datLine(1, j, 0.1, 0.0, 0.0));
        return test::writeVectorExport(dir, hdr, dat, {test::senLine(12, 0, 1, 15.0)}, pck);
    }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    DirectHeaderSave save{model, dir.file("EXP.sdf")};
    std::vector<bool> siteShown;
    std::vector<std::string> topics, titles;
    std::vector<AmplitudeProfile> drawn;
};

TEST_F(FrmNortekTest, ShowsTheHeaderAndConvertsWithBedDistance) {
    int shows = 0;
    SetModalHook([&](QDialog& d) {
        ++shows;
        EXPECT_EQ(&d, FrmNortek);
        EXPECT_EQ(visibleTabs(), (std::vector<QString>{"Vector", "Amplitude Profile"}));
        EXPECT_EQ(FrmNortek->PageControl1->currentWidget(), FrmNortek->TabSheetVector);
        EXPECT_EQ(FrmNortek->EdtStartTime->text(), "2005/02/01 12:00:00");
        EXPECT_EQ(FrmNortek->EditIteration->text(), "2");
        EXPECT_EQ(FrmNortek->EditCorrthreshold->text(), "38.0");
        EXPECT_EQ(FrmNortek->Memo1->toPlainText(), "Data measured with Vector, Nortek. harbour mouth");
        EXPECT_TRUE(FrmNortek->CheckBoxTransVel->isChecked() && FrmNortek->CheckBoxTransVel->isEnabled());
        EXPECT_FALSE(FrmNortek->CheckBoxBottomDist->isHidden());
        EXPECT_EQ(FrmNortek->ScrollBarBurstTime->maximum(), 1);
        EXPECT_EQ(FrmNortek->EditTime->text(), "2005/02/01 12:00:00");
        // Moving the bar draws the next burst's profile.
        FrmNortek->ScrollBarBurstTime->setValue(1);
        EXPECT_EQ(FrmNortek->EditTime->text(), "2005/02/01 13:00:00");
        FrmNortek->BitBtn2->click();
        FrmNortek->CheckBoxBottomDist->setChecked(true);
        FrmNortek->BitBtn1->click();
        return FrmNortek->result();
    });
    FrmNortek->OpenHeaderFile(exportFiles(test::VectorHdr{}));
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(topics, std::vector<std::string>{"Vector.htm"});
    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[0], "Distance to Detected Bed (mm): 300.0");
    EXPECT_EQ(titles[1], "Distance to Detected Bed (mm): 400.0");
    EXPECT_EQ(drawn[1].Distance.size(), 4u);
    EXPECT_EQ(siteShown, (std::vector<bool>{true, false}));  // shown with the dialog, hidden at the hand-off
    EXPECT_EQ(save.calls, 1);

    CurrentFile back;
    ASSERT_TRUE(back.ReadSDFHeader(dir.file("EXP.sdf")));
    back.FileName = dir.file("EXP.sdf");
    EXPECT_EQ(back.Iterations, 1);  // the ".dat" holds one burst
    ASSERT_EQ(back.Nch2, 2);
    ASSERT_TRUE(back.ReadSDFBurst(0));
    EXPECT_EQ(back.Data[1][0], 100);  // east 0.1 turned north by 90 degrees
    EXPECT_EQ(back.BurstData[0], 1500);
    EXPECT_EQ(back.BurstData[1], 3000);
}

TEST_F(FrmNortekTest, OlderExportsAndRefusals) {
    FrmNortek->CheckBoxBottomDist->setChecked(true);  // left from a previous file
    test::VectorHdr hdr;
    hdr.software = "1.27";
    hdr.coord = "XYZ";
    int shows = 0;
    SetModalHook([&](QDialog&) {
        ++shows;
        EXPECT_EQ(visibleTabs(), std::vector<QString>{"Vector"});
        EXPECT_FALSE(FrmNortek->CheckBoxBottomDist->isChecked());
        EXPECT_TRUE(FrmNortek->CheckBoxBottomDist->isHidden());
        EXPECT_TRUE(FrmNortek->EditMinDist->isHidden());
        EXPECT_FALSE(FrmNortek->CheckBoxTransVel->isChecked() || FrmNortek->CheckBoxTransVel->isEnabled());
        // A threshold that is not a number is told and the dialog stays.
        FrmNortek->EditCorrthreshold->setText("abc");
        FrmNortek->BitBtn1->click();
        EXPECT_EQ(prompter.lastText(), "'abc' は正しい数値ではありません。");
        EXPECT_EQ(FrmNortek->result(), int(QDialog::Rejected));
        return int(QDialog::Rejected);
    });
    FrmNortek->OpenHeaderFile(exportFiles(hdr));
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(save.calls, 0);
    EXPECT_TRUE(drawn.empty());

    hdr.burst = "0";
    FrmNortek->OpenHeaderFile(exportFiles(hdr));
    EXPECT_EQ(shows, 1);  // refused: no dialog
    EXPECT_NE(prompter.lastText().find("Burst interval"), std::string::npos);
}

}  // namespace
}  // namespace brine
