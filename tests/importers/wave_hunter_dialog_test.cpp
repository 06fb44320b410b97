// The Wave Hunter dialog, driven headless: modeless showing, the site window
// beside it, the hand-off to the header dialog and the refusals.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

#include "core/sdf_builder.h"
#include "importers/wave_hunter_dialog.h"
#include "importers/wave_hunter_bytes.h"
#include "platform/api/scripted.h"
#include "platform/qt_prompter.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

using test::WHRecord;

class FrmWaveHunterTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        SetAppPrompter(&prompter);
        FrmWaveHunter = new TFrmWaveHunter();
        TFrmWaveHunter& f = *FrmWaveHunter;
        f.model = &model;
        f.progress = &progress;
        f.headerSave = &save;
        f.fileChooser = &chooser;
        f.showSiteWindow = [this](bool v) { siteWindow.push_back(v); };
        f.loadSites = [this] { ++siteLoads; };
        f.declination = [this] {
            ++declinationReads;
            return 7.0;
        };
        f.headerCaption = [this](const std::string& file) { captions.push_back(file); };
    }
    void TearDown() override {
        SetAppPrompter(nullptr);
        delete FrmWaveHunter;
        FrmWaveHunter = nullptr;
    }
    // One burst of magnetic east and north components, x = 10 cm/s.
    std::string h00File(const std::string& name = "wh1m.h00") {
        WHRecord r;
        r.machine = 33;
        r.means[1] = 10, r.means[4] = 215;
        for (int j = 0; j < 60; ++j) r.words.insert(r.words.end(), {5, 10, 0});
        return test::writeFile(dir, name, test::directoryFile({r}, 1024, false));
    }
    std::string hunFile() {
        test::HunHeader h;
        h.samples = 1;
        return test::writeFile(dir, "b.hun", test::hunFile(h, {{0, 90, {1, 10, 0}}, {0, 90, {2, 10, 0}}}));
    }
    test::SdfOutput back() { return test::readBackBurst(out, 0); }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    ScriptedFileChooser chooser;
    std::string out = dir.file("out.sdf");
    test::ScriptedHeaderSave save{model, out};
    std::vector<bool> siteWindow;
    int siteLoads = 0;
    int declinationReads = 0;
    std::vector<std::string> captions;
};

TEST_F(FrmWaveHunterTest, ShowsTheFileModelessAndConvertsOnNext) {
    TFrmWaveHunter& f = *FrmWaveHunter;
    const std::string source = h00File();
    EXPECT_TRUE(f.OpenMasterFile(source));
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.isModal());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Wave hunter　（有）アイオーテクニック"));
    EXPECT_EQ(f.EditMnum->text(), "33");
    EXPECT_EQ(f.EditNBst->text(), "1");
    EXPECT_EQ(f.EditRpres->text(), "50m");
    EXPECT_EQ(f.EdtStartTime->text(), "2004/04/01 12:00:00");
    EXPECT_EQ(f.EditSDFfile->text().toStdString(), dir.file("WH1M.sdf"));
    EXPECT_EQ(f.Memo1->toPlainText(),
              "Measurements from Wave Hunter (I.O. Technic,Ltd.), which were originally saved in\"WH1M.H00\"");
    EXPECT_TRUE(f.CheckBoxTransVel->isChecked());
    EXPECT_FALSE(f.CheckBoxDirection->isVisibleTo(&f));
    ASSERT_TRUE(f.CheckListBoxCh2->isVisibleTo(&f));
    ASSERT_EQ(f.CheckListBoxCh2->count(), 5);
    EXPECT_EQ(f.CheckListBoxCh2->item(4)->text(), QStringLiteral("平均水温"));
    EXPECT_EQ(siteLoads, 1);
    ASSERT_FALSE(siteWindow.empty());
    EXPECT_TRUE(siteWindow.back());

    f.CheckListBoxCh2->item(0)->setCheckState(Qt::Unchecked);
    f.EdtStartTime->setText("2004/04/02 06:30:00");
    siteWindow.clear();
    f.BitBtn2->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(siteWindow, std::vector<bool>{false});
    EXPECT_EQ(save.kinds, std::vector<int>{0});
    EXPECT_EQ(save.proposed, dir.file("WH1M.sdf"));
    EXPECT_EQ(save.source, source);
    EXPECT_EQ(captions, std::vector<std::string>{source});
    EXPECT_EQ(declinationReads, 1);
    test::SdfOutput b = back();
    EXPECT_EQ(b.Nch2, 4);
    EXPECT_EQ(b.Data[1][0], 99);  // turned by the 7 degrees of the site window
    EXPECT_EQ(b.Data[2][0], 12);
    EXPECT_EQ(b.BurstData, (std::vector<std::int16_t>{99, 12, 0, 215}));
    EXPECT_TRUE(prompter.shown.empty());

    // The same file again, without the correction: the declination is not read.
    f.OpenMasterFile(source);
    f.CheckBoxTransVel->click();
    EXPECT_FALSE(siteWindow.back());
    f.BitBtn2->click();
    EXPECT_EQ(declinationReads, 1);
    EXPECT_EQ(back().Data[1][0], 100);
    EXPECT_EQ(back().ChannelName[1], "Vmag_east");
}

TEST_F(FrmWaveHunterTest, HunShowsTheCompassOption) {
    TFrmWaveHunter& f = *FrmWaveHunter;
    ASSERT_TRUE(f.OpenMasterFile(hunFile()));
    EXPECT_TRUE(f.CheckBoxDirection->isVisibleTo(&f));
    EXPECT_FALSE(f.CheckListBoxCh2->isVisibleTo(&f));
    EXPECT_TRUE(f.CheckBoxTransVel->isChecked());
    f.CheckBoxDirection->setChecked(true);
    f.BitBtn2->click();
    test::SdfOutput b = back();
    EXPECT_EQ(b.Iterations, 2);
    EXPECT_EQ(b.ChannelName[3], "Compass");
    EXPECT_EQ(b.BurstData, std::vector<std::int16_t>{90});
    // x = 10 cm/s on a heading of 90 degrees, less the 7 of the declination.
    EXPECT_EQ(b.Data[1][0], 12);
    EXPECT_EQ(b.Data[2][0], -99);

    // Cancel hides the dialog and the site window with it.
    ASSERT_TRUE(f.OpenMasterFile(hunFile()));
    siteWindow.clear();
    f.BitBtn3->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(siteWindow, std::vector<bool>{false});
}

TEST_F(FrmWaveHunterTest, RefusalsCancelAndBadInputKeepTheFileShown) {
    TFrmWaveHunter& f = *FrmWaveHunter;
    test::Bytes notK02(100, 0);
    EXPECT_FALSE(f.OpenMasterFile(test::writeFile(dir, "sm1m.k02", notK02)));
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(prompter.lastText(), "ウェーブハンターのデータではありません。\n終了します。");

    const std::string good = h00File();
    ASSERT_TRUE(f.OpenMasterFile(good));
    // 参照 runs the save dialog on the proposed name.
    chooser.choose(dir.file("chosen.sdf"));
    f.BitBtn1->click();
    ASSERT_EQ(chooser.asked.size(), 1u);
    EXPECT_EQ(chooser.asked[0].settings.FileName, dir.file("WH1M.sdf"));
    EXPECT_EQ(f.EditSDFfile->text().toStdString(), dir.file("chosen.sdf"));
    prompter.shown.clear();
    EXPECT_FALSE(f.OpenMasterFile(dir.file("other.txt")));
    EXPECT_TRUE(prompter.shown.empty());
    progress.cancelAfter = 1;
    EXPECT_FALSE(f.OpenMasterFile(h00File("wh2r.h00")));
    progress.cancelAfter = -1;
    EXPECT_EQ(f.MasterFileName(), good);
    EXPECT_EQ(f.EditSDFfile->text().toStdString(), dir.file("chosen.sdf"));

    // A start time that is no date stops before the header dialog; the dialog stays.
    f.EdtStartTime->setText("2004/13/01 00:00:00");
    f.BitBtn2->click();
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(save.kinds.empty());
    EXPECT_EQ(prompter.shown.size(), 1u);

    // Cancel in the header dialog: nothing written.
    f.EdtStartTime->setText("2004/04/01 12:00:00");
    save.refuse = true;
    f.BitBtn2->click();
    EXPECT_EQ(save.kinds.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace brine
