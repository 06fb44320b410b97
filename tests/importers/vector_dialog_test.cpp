// The Vector dialog, driven headless.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <filesystem>

#include "chart/chart.h"
#include "chart/line_series.h"
#include "core/header_save.h"
#include "core/sdf_builder.h"
#include "importers/vector_dialog.h"
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
    struct Point {
        double x, y;
        bool operator==(const Point&) const = default;
        friend std::ostream& operator<<(std::ostream& o, const Point& p) { return o << '(' << p.x << ',' << p.y << ')'; }
    };
    std::vector<Point> points() const {
        std::vector<Point> v;
        for (int i = 0; i < FrmNortek->Series1->Count(); ++i) {
            v.push_back({FrmNortek->Series1->XValue(i), FrmNortek->Series1->YValue(i)});
            EXPECT_EQ(FrmNortek->Series1->ValueColor(i), 255u) << i;
        }
        return v;
    }
    // The title's lines, one per line.
    std::string chartTitle() const { return FrmNortek->Chart1->Title().Text().join('\n').toStdString(); }
    // Two probe checks for each of two bursts.
    static std::vector<std::string> twoBurstsOfProfiles() {
        std::vector<std::string> pck;
        test::pckProfile(pck, {200, 300, 400}, {10, 30, 20});
        test::pckProfile(pck, {200, 300, 400}, {10, 10, 10});
        test::pckProfile(pck, {200, 300, 400, 500}, {5, 5, 9, 1});
        test::pckProfile(pck, {200, 300}, {1, 1});
        return pck;
    }
    // One burst of four samples, east 0.1 m/s; no ".pck" for no probe checks.
    std::string exportFiles(const test::VectorHdr& hdr, const std::vector<std::string>& pck = twoBurstsOfProfiles()) {
        std::vector<std::string> dat;
        for (int j = 1; j <= 4; ++j) dat.push_back(test::datLine(1, j, 0.1, 0.0, 0.0));
        return test::writeVectorExport(dir, hdr, dat, {test::senLine(12, 0, 1, 15.0)}, pck);
    }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    test::DirectHeaderSave save{model, dir.file("EXP.sdf")};
    std::vector<bool> siteShown;
    std::vector<std::string> topics;
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
        EXPECT_EQ(chartTitle(), "Distance to Detected Bed (mm): 300.0");
        // Moving the bar draws the next burst's profile.
        FrmNortek->ScrollBarBurstTime->setValue(1);
        EXPECT_EQ(FrmNortek->EditTime->text(), "2005/02/01 13:00:00");
        EXPECT_EQ(chartTitle(), "Distance to Detected Bed (mm): 400.0");
        EXPECT_EQ(points(), (std::vector<Point>{{200, 5}, {300, 5}, {400, 9}, {500, 1}}));
        FrmNortek->BitBtn2->click();
        FrmNortek->CheckBoxBottomDist->setChecked(true);
        FrmNortek->BitBtn1->click();
        return FrmNortek->result();
    });
    FrmNortek->OpenHeaderFile(exportFiles(test::VectorHdr{}));
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(topics, std::vector<std::string>{"Vector.htm"});
    EXPECT_EQ(siteShown, (std::vector<bool>{true, false}));  // shown with the dialog, hidden at the hand-off
    EXPECT_EQ(save.calls, 1);

    const test::SdfOutput back = test::readBackBurst(dir.file("EXP.sdf"), 0);
    EXPECT_EQ(back.Iterations, 1);  // the ".dat" holds one burst
    ASSERT_EQ(back.Nch2, 2);
    EXPECT_EQ(back.Data[1][0], 100);  // east 0.1 turned north by 90 degrees
    EXPECT_EQ(back.BurstData[0], 1500);
    EXPECT_EQ(back.BurstData[1], 3000);
}

// A newer export whose ".pck" is missing opens without a message; the
// amplitude page and the bed option are there but cannot be used.
TEST_F(FrmNortekTest, MissingProbeCheckFileDisablesTheBedFeatures) {
    FrmNortek->CheckBoxBottomDist->setChecked(true);  // left from a previous file
    const std::string hdr = exportFiles(test::VectorHdr{}, {});
    ASSERT_FALSE(std::filesystem::exists(dir.file("EXP.pck")));
    int shows = 0;
    SetModalHook([&](QDialog&) {
        ++shows;
        EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
        const int page = FrmNortek->PageControl1->indexOf(FrmNortek->TabSheetAmpProfile);
        EXPECT_EQ(visibleTabs(), (std::vector<QString>{"Vector", "Amplitude Profile"}));
        EXPECT_FALSE(FrmNortek->PageControl1->isTabEnabled(page));
        EXPECT_FALSE(FrmNortek->CheckBoxBottomDist->isChecked());
        EXPECT_FALSE(FrmNortek->CheckBoxBottomDist->isEnabled());
        EXPECT_FALSE(FrmNortek->EditMinDist->isEnabled());
        if (const char* out = std::getenv("BRINE_SCREENSHOT_DIR"))
            FrmNortek->grab().save(QString::fromLocal8Bit(out) + "/vector_without_pck.png");
        FrmNortek->BitBtn1->click();
        return FrmNortek->result();
    });
    FrmNortek->OpenHeaderFile(hdr);
    EXPECT_EQ(shows, 1);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
    EXPECT_EQ(save.calls, 1);  // converted, without the bed distance
    EXPECT_EQ(model.Nch2, 1);

    // The next export with its ".pck" has them back.
    SetModalHook([&](QDialog&) {
        ++shows;
        const int page = FrmNortek->PageControl1->indexOf(FrmNortek->TabSheetAmpProfile);
        EXPECT_TRUE(FrmNortek->PageControl1->isTabEnabled(page));
        EXPECT_TRUE(FrmNortek->CheckBoxBottomDist->isEnabled());
        EXPECT_TRUE(FrmNortek->EditMinDist->isEnabled());
        EXPECT_EQ(chartTitle(), "Distance to Detected Bed (mm): 300.0");
        return int(QDialog::Rejected);
    });
    FrmNortek->OpenHeaderFile(exportFiles(test::VectorHdr{}));
    EXPECT_EQ(shows, 2);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
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
    EXPECT_EQ(FrmNortek->Series1->Count(), 0);  // no probe checks: nothing drawn
    EXPECT_EQ(chartTitle(), "Amplitude Distribution");

    hdr.burst = "0";
    FrmNortek->OpenHeaderFile(exportFiles(hdr));
    EXPECT_EQ(shows, 1);  // refused: no dialog
    EXPECT_NE(prompter.lastText().find("Burst interval"), std::string::npos);
}

// Burst 1 has no profile in this ".pck"; the bad minimum distance leaves the
// chart as it was.
TEST_F(FrmNortekTest, NoProfileWithinToleranceAndBadMinimumDistance) {
    std::vector<std::string> pck;
    test::pckProfile(pck, {200, 300, 400}, {10, 30, 20});
    test::pckProfile(pck, {200, 300, 400}, {10, 10, 10});
    const std::string hdr = exportFiles(test::VectorHdr{}, pck);
    SetModalHook([&](QDialog&) {
        EXPECT_EQ(points(), (std::vector<Point>{{200, 10}, {300, 30}, {400, 20}}));
        FrmNortek->ScrollBarBurstTime->setValue(1);
        EXPECT_EQ(points(), std::vector<Point>{});
        EXPECT_EQ(chartTitle(), "Distance to Detected Bed (mm): 0.0");
        EXPECT_EQ(FrmNortek->EditTime->text(), "2005/02/01 12:00:00");

        FrmNortek->EditMinDist->setText("abc");
        FrmNortek->ScrollBarBurstTime->setValue(0);
        EXPECT_EQ(prompter.lastText(), "'abc' は正しい数値ではありません。");
        EXPECT_EQ(points(), std::vector<Point>{});
        EXPECT_EQ(chartTitle(), "Distance to Detected Bed (mm): 0.0");
        return int(QDialog::Rejected);
    });
    FrmNortek->OpenHeaderFile(hdr);
}

// The file ends inside burst 1's first profile; a damaged line later keeps
// the chart.
TEST_F(FrmNortekTest, PckEndingInsideTheProfileAndDamagedLines) {
    std::vector<std::string> pck;
    test::pckProfile(pck, {200, 300, 400}, {10, 30, 20});
    test::pckProfile(pck, {200, 300, 400}, {10, 10, 10});
    test::pckProfile(pck, {250, 350, 450}, {4, 9, 3});
    const std::string hdr = exportFiles(test::VectorHdr{}, pck);
    SetModalHook([&](QDialog&) {
        FrmNortek->EditTime->setText("previous");
        FrmNortek->ScrollBarBurstTime->setValue(1);
        EXPECT_EQ(points(), (std::vector<Point>{{250, 4}, {350, 9}, {450, 3}}));
        EXPECT_EQ(chartTitle(), "Distance to Detected Bed (mm): 350.0");
        EXPECT_EQ(FrmNortek->EditTime->text(), "previous");

        // The chart on its page shows the points in red.
        FrmNortek->PageControl1->setCurrentWidget(FrmNortek->TabSheetAmpProfile);
        const QImage shot = FrmNortek->TabSheetAmpProfile->grab().toImage();
        if (const char* out = std::getenv("BRINE_SCREENSHOT_DIR"))
            shot.save(QString::fromLocal8Bit(out) + "/amplitude_profile.png");
        const QPoint origin = FrmNortek->Chart1->pos();
        for (int i = 0; i < 3; ++i) {
            const QColor c = shot.pixelColor(origin + QPoint(FrmNortek->Series1->CalcXPos(i),
                                                             FrmNortek->Series1->CalcYPos(i)));
            EXPECT_EQ(c, QColor(Qt::red)) << i;
        }

        std::vector<std::string> damaged = pck;
        damaged[1] = "    2    300.0 x 30 31";
        test::writeText(dir.file("EXP.pck"), test::joinLines(damaged));
        const size_t told = prompter.shown.size();
        FrmNortek->ScrollBarBurstTime->setValue(0);
        EXPECT_EQ(prompter.shown.size(), told + 1);
        EXPECT_EQ(points(), (std::vector<Point>{{250, 4}, {350, 9}, {450, 3}}));
        EXPECT_EQ(chartTitle(), "Distance to Detected Bed (mm): 350.0");
        return int(QDialog::Rejected);
    });
    FrmNortek->OpenHeaderFile(hdr);
}

}  // namespace
}  // namespace brine
