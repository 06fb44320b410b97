// The program as a user drives it: the forms created and bound as at
// start-up, commands run from the menu, every dialog answered through its own
// buttons (header dialog, instrument dialog, about box), files chosen through
// the scripted file chooser. The outputs are read back from disk.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <functional>

#include "app/about_box.h"
#include "sites/site_window.h"
#include "app/main_window.h"
#include "sites/site_list.h"
#include "app/startup.h"
#include "app_test_support.h"
#include "base/datetime.h"
#include "converters/converter_fixtures.h"
#include "core/ui/progress_window.h"
#include "core/ui/header_dialog.h"
#include "importers/raw_dialog.h"
#include "importers/raw_files.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"
#include "platform/string_grid.h"
#include "support/window_system.h"
#include "tools/link_dialog.h"
#include "tools/link_fixtures.h"

namespace brine {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

const std::string kSourceRefused = "読み込み中のファイルは上書き出来ません。";
const std::string kOverwriteSource = "上書きしてよろしいですね。";

// One burst of nch channels; count of channel ch at sample j is 10 ch + j - 3.
Bytes makeADDC(int nch, std::uint16_t samples, float interval) {
    Bytes b(512, 0);
    test::putText(b, 0, "AD/DC DATA FILE Ver.2   ");
    test::putText(b, 24, "harbour gauge");
    test::putText(b, 104, "97/05/12");
    test::put<std::int16_t>(b, 120, static_cast<std::int16_t>(nch));
    test::put<std::uint16_t>(b, 122, samples);
    test::put<float>(b, 124, interval);
    for (int k = 0; k < nch; ++k) {
        std::size_t at = 128 + 24 * static_cast<std::size_t>(k);
        std::string text = "Level" + std::to_string(k) + "(cm)";
        text.resize(15, ' ');
        test::putText(b, at, text);
        b[at + 15] = '1';
        test::put<float>(b, at + 16, 2.0f);   // a0: B
        test::put<float>(b, at + 20, 0.25f);  // a1: A
    }
    for (int j = 0; j < samples; ++j)
        for (int ch = 0; ch < nch; ++ch)
            test::put<std::int16_t>(b, 512 + 2 * (static_cast<std::size_t>(j) * nch + ch),
                                    static_cast<std::int16_t>(10 * ch + j - 3));
    return b;
}

// Two bursts of one interval channel (2 samples) and no burst channel.
Bytes makeDRF() {
    Bytes b(512, 0);
    test::putText(b, 0, "DRF1 Ver.3          ");
    test::putText(b, 20, "drf comment");
    test::put<std::int16_t>(b, 100, 1);
    test::put<std::int16_t>(b, 102, 0);
    test::put<std::uint16_t>(b, 104, 2);
    test::put<float>(b, 106, 8.0f);
    test::put<std::int16_t>(b, 110, 2);
    test::put<float>(b, 112, 0.5f);
    test::putText(b, 256, "Wave            cm  ");
    test::put<float>(b, 276, 0.1f);
    test::put<float>(b, 280, 0.0f);
    for (int burst = 0; burst < 2; ++burst) {
        std::size_t block = (static_cast<std::size_t>(burst) + 2) * 256;
        b.resize(block + 256, 0);
        if (burst == 0) test::putText(b, block, "98/07/01 06:30:15  ");
        for (int j = 0; j < 2; ++j) test::put<std::int16_t>(b, block + 36 + 2 * j, static_cast<std::int16_t>(burst * 10 + j));
    }
    return b;
}

// A TSD file of three bursts written through the model, under any name.
void writeTSD(const std::string& path) {
    CurrentFile m;
    test::FillCraftedHeader(m, 3, 2);
    ASSERT_TRUE(m.WriteTSDHeader(path));
    m.SaveFileName = path;
    for (int b = 0; b < 3; ++b) {
        test::FillCraftedBurst(m, b);
        ASSERT_TRUE(m.WriteTSDBurst(b));
    }
}

// Bytes of an SDF file after its header blocks: the burst records.
Bytes recordsOf(const std::string& path) {
    CurrentFile m;
    m.ReadSDFHeader(path);
    m.UpdateBlockArithmetic();
    Bytes all = test::readAll(path);
    std::size_t at = static_cast<std::size_t>(m.HeaderBlocks) * 256;
    return at <= all.size() ? Bytes(all.begin() + static_cast<long>(at), all.end()) : Bytes();
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppFileChooser(&chooser);
        SetAppPrompter(&prompter);
        SetModalHook([this](QDialog& d) { return answerDialog(d); });
        CreateForms();
        // Configuration files of this run go to a fresh folder.
        Form1->UseConfigDir(config.path().string() + "/");
        test::ShowMainWindow(*Form1);
    }
    void TearDown() override {
        Form1->close();
        DestroyForms();
        SetModalHook({});
        SetAppPrompter(nullptr);
        SetAppFileChooser(nullptr);
    }

    int answerDialog(QDialog& d) {
        shown.push_back(d.objectName().toStdString());
        if (&d == AboutBox) {
            AboutBox->OKButton->click();
            return AboutBox->result();
        }
        if (&d == FrmSDFdata) {
            headerProposals.push_back(FrmSDFdata->EditFileName->text().toStdString());
            FrmSDFdata->setResult(QDialog::Rejected);
            if (onHeader) onHeader(*FrmSDFdata);
            else FrmSDFdata->BitBtn1->click();
            return FrmSDFdata->result();
        }
        if (&d == FrmAlec) {
            siteWindowWithAlec = FrmLocation->isVisible();
            siteWindowOwner = FrmLocation->parentWidget();
            FrmAlec->BitBtn1->click();
            return FrmAlec->result();
        }
        ADD_FAILURE() << "unexpected dialog " << shown.back();
        return QDialog::Rejected;
    }

    static void pressSave(TFrmSDFdata& f) { f.BitBtn1->click(); }
    static void pressCancel(TFrmSDFdata& f) { f.BitBtn2->click(); }
    static void typeName(TFrmSDFdata& f, const std::string& name) { f.EditFileName->setText(QString::fromStdString(name)); }

    std::string write(const std::string& name, const Bytes& bytes) {
        std::string p = dir.file(name);
        test::writeAll(p, bytes);
        return p;
    }

    test::TempDir config, dir;
    test::RecordingChooser chooser;
    ScriptedPrompter prompter;
    std::vector<std::string> shown;
    std::vector<std::string> headerProposals;
    std::function<void(TFrmSDFdata&)> onHeader;
    bool siteWindowWithAlec = false;
    QWidget* siteWindowOwner = nullptr;
};

TEST_F(EndToEnd, StartUpPreparesTheDialogsAndTheConfigurationFolder) {
    EXPECT_EQ(shown, std::vector<std::string>{"AboutBox"});  // the splash
    EXPECT_EQ(FrmSDFdata->StringGrid1->cell(0, 0), "No.");    // InitForm has run
    EXPECT_TRUE(fs::exists(config.file("Location.dat")));     // beside Parameters.dat
    for (QAction* a : {Form1->ADDCDRF1, Form1->SDFTSDT1, Form1->MDSMkV1, Form1->CompactWH, Form1->CompactEMC1,
                       Form1->CompactCLWL1, Form1->InfinityI1, Form1->InfinityCLWJ1, Form1->L1, Form1->Contents1,
                       Form1->V1})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();

    Form1->V1->trigger();
    EXPECT_EQ(shown.back(), "AboutBox");
    Form1->L1->trigger();
    EXPECT_TRUE(FrmLocation->isVisible());
    FrmLocation->hide();

    Form1->close();
    EXPECT_TRUE(fs::exists(config.file("Parameters.dat")));
}

TEST_F(EndToEnd, AddcConvertsThroughTheHeaderDialog) {
    std::string in = write("gauge.adc", makeADDC(2, 3, 0.5f));
    test::setLocalModificationTime(in, 2020, 1, 2, 10, 20, 30);
    chooser.choices.push_back({in});
    Form1->ADDCDRF1->trigger();

    EXPECT_EQ(headerProposals, std::vector<std::string>{dir.file("gauge.sdf")});
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
    CurrentFile back;
    back.prompter = &prompter;
    ASSERT_TRUE(back.ReadSDFHeader(dir.file("gauge.sdf")));
    EXPECT_EQ(back.Nch, 2);
    EXPECT_EQ(back.Iterations, 1);
    EXPECT_EQ(back.SampleSize, 3);
    EXPECT_EQ(back.SInt, 500);
    EXPECT_EQ(back.SITUnit, 1);
    EXPECT_EQ(back.Memo.substr(0, 13), "harbour gauge");
    EXPECT_EQ(back.ChannelName[1], "Level1");
    EXPECT_EQ(back.ChannelUnit[1], "cm");
    EXPECT_EQ(back.ScaleA[1], 0.25f);
    EXPECT_EQ(back.OffsetB[1], 2.0f);
    EXPECT_EQ(FormatDateTimeMs(back.StartTime), "1997/05/12 10:20:30 000");
    back.FileName = dir.file("gauge.sdf");
    ASSERT_TRUE(back.ReadSDFBurst(0));
    EXPECT_EQ(back.Data[0][2], -1);
    EXPECT_EQ(back.Data[1][0], 7);
}

TEST_F(EndToEnd, SdfResavedInPlaceAndUnderANewName) {
    std::string a = dir.file("a.sdf"), b = dir.file("b.sdf"), b2 = dir.file("b2.sdf");
    test::writeSampleSDF(a, 2, 1, 3, 4);
    test::writeSampleSDF(b, 1, 0, 5, 3);
    const Bytes aRecords = recordsOf(a), bRecords = recordsOf(b);
    int call = 0;
    onHeader = [&](TFrmSDFdata& f) {
        if (call++ == 0) {
            f.Memo1->setPlainText(QStringLiteral("new memo"));
            prompter.answer(MsgResult::Yes);  // "上書きしてよろしいですね。"
        } else {
            typeName(f, b2);
        }
        pressSave(f);
    };
    chooser.choices.push_back({a, b});
    Form1->ADDCDRF1->trigger();

    EXPECT_EQ(headerProposals, (std::vector<std::string>{a, b}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, kOverwriteSource);
    CurrentFile back;
    ASSERT_TRUE(back.ReadSDFHeader(a));
    EXPECT_EQ(back.Memo.substr(0, 9), "new memo ");
    EXPECT_EQ(back.Iterations, 4);
    EXPECT_EQ(recordsOf(a), aRecords);  // only the header changed
    ASSERT_TRUE(back.ReadSDFHeader(b2));
    EXPECT_EQ(back.Iterations, 3);
    EXPECT_EQ(back.SampleSize, 5);
    EXPECT_EQ(recordsOf(b2), bRecords);
}

TEST_F(EndToEnd, SourcesNamedSdfThatAreNotSdfAreNeverWrittenInto) {
    std::string drf = write("wave.sdf", makeDRF());
    std::string tsd = dir.file("text.sdf"), out = dir.file("text-copy.sdf");
    writeTSD(tsd);
    const Bytes drfBefore = test::readAll(drf), tsdBefore = test::readAll(tsd);
    int call = 0;
    onHeader = [&](TFrmSDFdata& f) {
        ++call;
        pressSave(f);  // the proposal is the source itself: refused, the dialog stays
        EXPECT_EQ(f.result(), QDialog::Rejected);
        EXPECT_EQ(prompter.lastText(), kSourceRefused);
        if (call == 1) {
            typeName(f, dir.file("no-such-folder/x.sdf"));
            pressSave(f);  // the header cannot be written: the dialog stays
            EXPECT_EQ(f.result(), QDialog::Rejected);
            EXPECT_NE(prompter.lastText().find("ヘッダーを書き込めませんでした。"), std::string::npos);
            pressCancel(f);
        } else {
            typeName(f, out);
            pressSave(f);
        }
    };
    chooser.choices.push_back({drf, tsd});
    Form1->ADDCDRF1->trigger();

    EXPECT_EQ(call, 2);
    EXPECT_EQ(headerProposals, (std::vector<std::string>{drf, tsd}));
    EXPECT_EQ(test::readAll(drf), drfBefore);
    EXPECT_EQ(test::readAll(tsd), tsdBefore);
    EXPECT_EQ(prompter.shown.size(), 3u);  // two refusals and the failed write; nothing else
    EXPECT_FALSE(fs::exists(dir.file("no-such-folder")));

    CurrentFile back;
    ASSERT_TRUE(back.ReadSDFHeader(out));
    EXPECT_EQ(back.Iterations, 3);
    back.FileName = out;
    ASSERT_TRUE(back.ReadSDFBurst(2));
    EXPECT_EQ(back.Data[0][1], 201);
    EXPECT_EQ(back.BurstData[0], -2);
}

TEST_F(EndToEnd, SdfToTsdFromTheMenu) {
    std::string src = dir.file("series.sdf"), target = dir.file("series.tsd");
    test::writeSampleSDF(src, 2, 1, 3, 2);
    chooser.choices.push_back({src});
    chooser.choices.push_back({target});
    Form1->SDFTSDT1->trigger();

    ASSERT_EQ(chooser.runs.size(), 2u);
    EXPECT_EQ(chooser.runs[1].FileName, target);  // proposed: the source with ".tsd"
    EXPECT_EQ(prompter.lastText(), "変換を正常に終了しました。");
    CurrentFile tsd, sdf;
    tsd.prompter = sdf.prompter = &prompter;
    ASSERT_TRUE(tsd.ReadTSDHeader(target));
    ASSERT_TRUE(sdf.ReadSDFHeader(src));
    tsd.FileName = target;
    sdf.FileName = src;
    EXPECT_EQ(tsd.Iterations, 2);
    for (int b = 0; b < 2; ++b) {
        ASSERT_TRUE(tsd.ReadTSDBurst(b));
        ASSERT_TRUE(sdf.ReadSDFBurst(b));
        EXPECT_EQ(tsd.Data, sdf.Data) << b;
        EXPECT_EQ(tsd.BurstData, sdf.BurstData) << b;
    }
}

TEST_F(EndToEnd, CompactEmThroughTheInstrumentDialog) {
    auto lines = test::compactEMHeader(1, 1);
    lines.push_back("t,1500,0,1,10,0,0");
    std::string raw = dir.file("meter.raw");
    test::writeText(raw, test::joinLines(lines));
    FrmLocation->Declination = 90;
    chooser.choices.push_back({raw});
    Form1->CompactEMC1->trigger();

    EXPECT_EQ(shown, (std::vector<std::string>{"AboutBox", "FrmAlec", "FrmSDFdata"}));
    EXPECT_TRUE(siteWindowWithAlec);  // shown while velocities are corrected,
    // owned by the modal dialog meanwhile, which would otherwise block its input
    EXPECT_EQ(siteWindowOwner, FrmAlec);
    EXPECT_FALSE(FrmLocation->isVisible());  // and hidden with the dialog
    EXPECT_EQ(FrmLocation->parentWidget(), Form1);
    EXPECT_EQ(headerProposals, std::vector<std::string>{dir.file("meter.sdf")});
    CurrentFile back;
    ASSERT_TRUE(back.ReadSDFHeader(dir.file("meter.sdf")));
    EXPECT_EQ(back.Iterations, 1);
    back.FileName = dir.file("meter.sdf");
    ASSERT_TRUE(back.ReadSDFBurst(0));
    EXPECT_EQ(back.Data[0][0], 100);  // east by the compass is north after 90 degrees
    EXPECT_EQ(back.Data[1][0], 0);
}

// A raw-file conversion started from the instrument dialog and a link
// started from the link dialog, both shown modally as from the menu: the
// progress window's Cancel, Escape and the window manager's close of the main
// window stop the job (closing then closes the program).
TEST_F(EndToEnd, JobsStartedFromModalDialogsStopOnCancelEscapeOrClosingTheMainWindow) {
    SetModalHook({});
    enum class Way { Cancel, Escape, CloseMain };
    for (Way way : {Way::Cancel, Way::Escape, Way::CloseMain}) {
        for (bool link : {false, true}) {
            SCOPED_TRACE(std::string(link ? "link, " : "raw conversion, ") +
                         (way == Way::Cancel ? "Cancel" : way == Way::Escape ? "Escape" : "closing the main window"));
            test::ShowMainWindow(*Form1);
            test::WindowScript script;
            auto visible = [](QWidget* w) { return [w] { return w->isVisible(); }; };
            std::string output;
            if (link) {
                test::FileSpec first, second;
                first.bursts = second.bursts = 3;
                second.start = first.start + test::hours(3);
                const std::string a = dir.file("a.sdf"), b = dir.file("b.sdf");
                test::writeFile(a, first);
                test::writeFile(b, second);
                output = dir.file("linked.sdf");
                chooser.choices.push_back({a, b});
                chooser.choices.push_back({output});
                script.then(visible(FrmLinkSDF), [] { test::clickThroughWindow(*FrmLinkSDF->BitBtnLinkFiles); });
            } else {
                auto lines = test::compactEMHeader(1, 20);
                for (int i = 0; i < 20; ++i) lines.push_back("t,1500,0,1,10,0,0");
                const std::string raw = dir.file("meter.raw");
                test::writeText(raw, test::joinLines(lines));
                output = dir.file("meter.sdf");
                fs::remove(output);
                chooser.choices.push_back({raw});
                script.then(visible(FrmAlec), [] { test::clickThroughWindow(*FrmAlec->BitBtn1); });
                script.then(visible(FrmSDFdata), [] { test::clickThroughWindow(*FrmSDFdata->BitBtn1); });
            }
            // The keys go to the active window: Escape once the progress window has them.
            auto progressUp = [way] {
                return FrmProgress->isVisible() &&
                       (way != Way::Escape || QGuiApplication::focusWindow() == FrmProgress->windowHandle());
            };
            script.then(progressUp, [way] {
                if (way == Way::Cancel) test::clickThroughWindow(*FrmProgress->BitBtn1);
                if (way == Way::Escape) test::typeKey(Qt::Key_Escape);
                if (way == Way::CloseMain) test::closeFromWindowManager(*Form1);
            });
            (link ? Form1->Link : Form1->CompactEMC1)->trigger();

            EXPECT_TRUE(script.done());
            EXPECT_TRUE(FrmProgress->Cancelled());
            if (link) {
                EXPECT_FALSE(fs::exists(output));
            } else {
                CurrentFile back;
                ASSERT_TRUE(back.ReadSDFHeader(output));
                EXPECT_LT(back.Iterations, 20);
            }
            if (way == Way::CloseMain) {
                EXPECT_TRUE(test::waitFor([] { return !Form1->isVisible(); }));
            }
        }
    }
}

}  // namespace
}  // namespace brine
