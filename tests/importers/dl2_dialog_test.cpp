// The DL-2 dialog, driven headless: modeless showing, the hand-off to the
// header dialog and the declination it reads.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "base/cp932.h"
#include "base/texts.h"
#include "core/sdf_builder.h"
#include "importers/dl2_files.h"
#include "importers/dl2_dialog.h"
#include "importers/raw_files.h"
#include "platform/api/scripted.h"
#include "platform/qt_prompter.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

class FrmKyowaSTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        SetAppPrompter(&prompter);
        FrmKyowaS = new TFrmKyowaS();
        FrmKyowaS->model = &model;
        FrmKyowaS->progress = &progress;
        FrmKyowaS->headerSave = &save;
        FrmKyowaS->declination = [this] {
            ++declinationReads;
            return 7.5;
        };
        FrmKyowaS->headerCaption = [this](const std::string& f) { captions.push_back(f); };
    }
    void TearDown() override {
        SetAppPrompter(nullptr);
        delete FrmKyowaS;
        FrmKyowaS = nullptr;
    }
    // One pair per burst: 90.0 degrees at 50, bursts every 30 minutes.
    std::string currentFile(int burstsInFile = 2) {
        test::DL2Times t{2003, 12, 31, 23, 30, 1, 1, 0, 0};
        std::vector<std::string> l{test::dl2Line1("Tokyo Bay", "St.3", "B-1", "CURRENT"),
                                   test::dl2Line2(t, "0.5", "cm/s", 1)};
        for (int b = 0; b < burstsInFile; ++b) {
            l.push_back(b == 0 ? test::dl2BurstHeader(12, 31, 23, 30) : test::dl2BurstHeader(1, 1, 0, 0));
            test::append(l, test::dl2CurrentLines({{900, 50}}));
        }
        std::string p = dir.file("dl2 in.txt");
        test::writeText(p, test::joinLines(l));
        return p;
    }
    std::pair<int, int> firstSample() {
        const test::SdfOutput back = test::readBackBurst(out, 0);
        return {back.Data[0][0], back.Data[1][0]};
    }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    std::string out = dir.file("out.sdf");
    test::ScriptedHeaderSave save{model, out};
    int declinationReads = 0;
    std::vector<std::string> captions;
};

TEST_F(FrmKyowaSTest, ShowsTheRecordModelessAndConvertsOnNext) {
    TFrmKyowaS& f = *FrmKyowaS;
    const std::string source = currentFile();
    f.OpenDL2File(source);
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.isModal());
    EXPECT_EQ(f.EditSite->text(), "Tokyo Bay");
    EXPECT_EQ(f.EditStation->text(), "St.3");
    EXPECT_EQ(f.EditKind->text(), "CURRENT");
    EXPECT_EQ(f.EdtStartTime->text(), "2003/12/31 23:30:00");
    EXPECT_EQ(f.EdtFinalTime->text(), "2004/01/01 00:00:00");
    EXPECT_EQ(f.EditDT->text(), "0.5");
    EXPECT_EQ(f.EditUnit->text(), "cm/s");
    EXPECT_EQ(f.EditNS->text(), "1");
    EXPECT_EQ(f.EditBInt->text(), "30");
    EXPECT_TRUE(f.CheckBoxTransVel->isChecked());
    EXPECT_EQ(f.Header().SourceFile, source);

    f.EditSite->setText(QStringLiteral("東京湾"));
    f.BitBtn1->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(save.kinds, std::vector<int>{0});
    EXPECT_EQ(save.proposed, dir.file("dl2 in.sdf"));
    EXPECT_EQ(captions, std::vector<std::string>{source});
    EXPECT_EQ(model.Memo, utf8ToCp932("Site: 東京湾, Station: St.3, Deployment Layer: B-1"));
    EXPECT_EQ(declinationReads, 1);
    EXPECT_EQ(firstSample(), std::make_pair(7, 50));  // rotated by 7.5 degrees
    EXPECT_TRUE(prompter.shown.empty());

    // Without the correction the declination is not read, and the texts stay until the next file.
    EXPECT_EQ(f.EditSite->text(), QStringLiteral("東京湾"));
    f.OpenDL2File(source);
    f.CheckBoxTransVel->setChecked(false);
    f.BitBtn1->click();
    EXPECT_EQ(declinationReads, 1);
    EXPECT_EQ(firstSample(), std::make_pair(0, 50));
}

TEST_F(FrmKyowaSTest, RefusedFilesAndCancelWriteNothing) {
    TFrmKyowaS& f = *FrmKyowaS;
    f.OpenDL2File(currentFile(1));
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(prompter.lastText(), Text(Tx::Dl2SingleBurst));
    EXPECT_TRUE(f.Header().SourceFile.empty());

    // A refused file leaves the record shown before it whole.
    const std::string good = currentFile();
    f.OpenDL2File(good);
    const std::string bad = dir.file("bad.txt");
    test::writeText(bad, "x\r\n");
    f.OpenDL2File(bad);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.Header().SourceFile, good);
    EXPECT_EQ(f.EditSite->text(), "Tokyo Bay");

    // Cancel in the header dialog: no conversion, the dialog hides.
    save.refuse = true;
    f.BitBtn1->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(save.kinds.size(), 1u);
    EXPECT_TRUE(progress.titles.empty());
    EXPECT_FALSE(std::filesystem::exists(out));

    f.OpenDL2File(good);
    f.BitBtn2->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(save.kinds.size(), 1u);
}

TEST_F(FrmKyowaSTest, SourceNamedSdfIsNeverItsOwnOutput) {
    TFrmKyowaS& f = *FrmKyowaS;
    const std::string source = dir.file("dl2.sdf");
    std::filesystem::rename(currentFile(), source);
    const std::string before = test::readText(source);
    f.OpenDL2File(source);
    save.takeProposed = true;
    f.BitBtn1->click();
    EXPECT_EQ(save.proposed, source);
    EXPECT_EQ(save.refusals, 1);
    EXPECT_TRUE(progress.titles.empty());
    EXPECT_EQ(test::readText(source), before);
}

TEST_F(FrmKyowaSTest, ScalesEditedInTheHeaderDialogMakeTheCounts) {
    TFrmKyowaS& f = *FrmKyowaS;
    f.OpenDL2File(currentFile());
    f.CheckBoxTransVel->setChecked(false);
    save.edit = [](CurrentFile& m) {
        m.ScaleA[0] = 0.5f;  // Vnorth
        m.OffsetB[0] = -1.0f;
        m.ScaleA[1] = 0.1f;  // Veast
    };
    f.BitBtn1->click();
    // Still 0 and 50 cm/s when read back with the table's A and B.
    EXPECT_EQ(firstSample(), std::make_pair(2, 500));
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
}  // namespace brine
