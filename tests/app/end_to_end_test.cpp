// The program as a user drives it: the forms created and bound as at
// start-up, commands run from the menu, every dialog answered through its own
// buttons (header dialog, instrument dialog, about box), files chosen through
// the scripted file chooser. The outputs are read back from disk.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <functional>

#include "app/about_box.h"
#include "sites/site_window.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app_test_support.h"
#include "base/datetime.h"
#include "converters/converter_fixtures.h"
#include "core/ui/progress_window.h"
#include "core/ui/header_dialog.h"
#include "importers/comma_dialog.h"
#include "importers/dl2_dialog.h"
#include "importers/dl2_files.h"
#include "importers/raw_dialog.h"
#include "importers/raw_files.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"
#include "platform/string_grid.h"
#include "support/window_system.h"
#include "tools/extract_dialog.h"
#include "tools/extract_sources.h"
#include "tools/link_dialog.h"
#include "tools/link_fixtures.h"
#include "tools/merge_dialog.h"
#include "tools/merge_files.h"

namespace brine {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

const std::string kSourceRefused = "読み込み中のファイルは上書き出来ません。";
const std::string kOverwriteSource = "上書きしてよろしいですね。";

// A TSD file of three bursts written through the model, under any name.
void writeTSD(const std::string& path) {
    CurrentFile m;
    test::FillCraftedHeader(m, 3, 2);
    ASSERT_TRUE(m.CreateTSDFile(path));
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

class EndToEnd : public test::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        SetModalHook([this](QDialog& d) { return answerDialog(d); });
        CreateForms();
        // Configuration files of this run go to a fresh folder.
        Form1->UseConfigDir(config.path().string() + "/");
        test::ShowMainWindow(*Form1);
    }
    void TearDown() override {
        Form1->close();
        DestroyForms();
        AppTest::TearDown();
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
    // Every command is bound to its target.
    for (QAction* a : Form1->MainMenu1->findChildren<QAction*>())
        if (!a->objectName().isEmpty() && !a->menu()) {
            EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
        }

    Form1->V1->trigger();
    EXPECT_EQ(shown.back(), "AboutBox");
    Form1->L1->trigger();
    EXPECT_TRUE(FrmLocation->isVisible());
    FrmLocation->hide();

    Form1->close();
    EXPECT_TRUE(fs::exists(config.file("Parameters.dat")));
}

TEST_F(EndToEnd, AddcConvertsThroughTheHeaderDialog) {
    test::AddcSpec spec;
    spec.nch = 2;
    spec.sampleSize = 3;
    spec.interval = 0.5f;
    std::string in = write("gauge.adc", test::makeADDC(spec));
    test::setLocalModificationTime(in, 2020, 1, 2, 10, 20, 30);
    chooser.choices.push_back({in});
    Form1->ADDCDRF1->trigger();

    EXPECT_EQ(headerProposals, std::vector<std::string>{dir.file("gauge.sdf")});
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
    test::ReadBack back(dir.file("gauge.sdf"), 0);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Nch, 2);
    EXPECT_EQ(back.m.Iterations, 1);
    EXPECT_EQ(back.m.SampleSize, 3);
    EXPECT_EQ(back.m.SInt, 500);
    EXPECT_EQ(back.m.SITUnit, 1);
    EXPECT_EQ(back.m.Memo.substr(0, 12), "ADDC comment");
    EXPECT_EQ(back.m.ChannelName[0], "Level0");
    EXPECT_EQ(back.m.ChannelUnit[0], "cm");
    EXPECT_EQ(back.m.ScaleA[1], 0.5f);     // a1
    EXPECT_EQ(back.m.OffsetB[1], 0.25f);   // a0
    EXPECT_EQ(FormatDateTimeMs(back.m.StartTime), "1997/05/12 10:20:30 000");
    EXPECT_EQ(back.m.Data[0][2], test::addcCount(0, 2));
    EXPECT_EQ(back.m.Data[1][0], test::addcCount(1, 0));
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
    std::string drf = write("wave.sdf", test::makeDRF({}));
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

    test::ReadBack back(out, 2);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Iterations, 3);
    EXPECT_EQ(back.m.Data[0][1], 201);
    EXPECT_EQ(back.m.BurstData[0], -2);
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
    test::ReadBack tsd(target), sdf(src);
    ASSERT_TRUE(tsd.ok && sdf.ok);
    EXPECT_EQ(tsd.m.Iterations, 2);
    for (int b = 0; b < 2; ++b) {
        const auto source = sdf.burst(b);
        ASSERT_FALSE(source.empty());
        EXPECT_EQ(tsd.burst(b), source) << b;
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
    test::ReadBack back(dir.file("meter.sdf"), 0);
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(back.m.Iterations, 1);
    EXPECT_EQ(back.m.Data[0][0], 100);  // east by the compass is north after 90 degrees
    EXPECT_EQ(back.m.Data[1][0], 0);
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

// The window manager's close of a window a job holds, delivered to the
// dialog the job was started from (or to the site window beside it) while
// the job runs. A disabled window still gets it. A job that can stop stops as
// its Cancel stops it (the output holds what a cancel keeps); a job that runs
// to its end (extract, merge, the comma-data preview) keeps the window open
// until then. Either way the window closes once the job is over, and never
// while it runs on.
TEST_F(EndToEnd, ClosingAHeldWindowDuringItsJobStopsTheJobOrWaitsForItsEnd) {
    SetModalHook({});
    auto visible = [](QWidget* w) { return [w] { return w->isVisible(); }; };
    struct Row {
        std::string name;
        QWidget* closed;  // the window the user closes
        bool stops;       // the job can stop
        // Writes the inputs and scripts the steps from the command to its job.
        std::function<void(test::WindowScript&)> prepare;
        QAction* command;
        std::function<void()> checkOutput;
    };
    const std::string rawOut = dir.file("meter.sdf"), linkOut = dir.file("linked.sdf");
    const std::string dl2Out = dir.file("current.sdf"), extractOut = dir.file("part.sdf");
    const std::string mergeOut = dir.file("merged.sdf");
    auto prepareRaw = [&, visible](test::WindowScript& script) {
        auto lines = test::compactEMHeader(1, 20);
        for (int i = 0; i < 20; ++i) lines.push_back("t,1500,0,1,10,0,0");
        const std::string raw = dir.file("meter.raw");
        test::writeText(raw, test::joinLines(lines));
        fs::remove(rawOut);
        chooser.choices.push_back({raw});
        script.then(visible(FrmAlec), [] {
            EXPECT_TRUE(FrmLocation->isVisible());  // beside it while velocities are corrected
            test::clickThroughWindow(*FrmAlec->BitBtn1);
        });
        script.then(visible(FrmSDFdata), [] { test::clickThroughWindow(*FrmSDFdata->BitBtn1); });
    };
    auto rawStopped = [&] {
        CurrentFile back;
        ASSERT_TRUE(back.ReadSDFHeader(rawOut));
        EXPECT_LT(back.Iterations, 20);
    };
    const Row rows[] = {
        {"instrument dialog", FrmAlec, true, prepareRaw, Form1->CompactEMC1, rawStopped},
        {"site window beside the instrument dialog", FrmLocation, true, prepareRaw, Form1->CompactEMC1, rawStopped},
        {"link dialog", FrmLinkSDF, true,
         [&, visible](test::WindowScript& script) {
             test::FileSpec first, second;
             first.bursts = second.bursts = 3;
             second.start = first.start + test::hours(3);
             const std::string a = dir.file("a.sdf"), b = dir.file("b.sdf");
             test::writeFile(a, first);
             test::writeFile(b, second);
             chooser.choices.push_back({a, b});
             chooser.choices.push_back({linkOut});
             script.then(visible(FrmLinkSDF), [] { test::clickThroughWindow(*FrmLinkSDF->BitBtnLinkFiles); });
         },
         Form1->Link,
         [&] { EXPECT_FALSE(fs::exists(linkOut)); }},
        {"DL-2 dialog", FrmKyowaS, true,
         [&, visible](test::WindowScript& script) {
             // Five bursts of one current pair, every 30 minutes.
             test::DL2Times t{2003, 12, 31, 23, 30, 1, 1, 1, 30};
             std::vector<std::string> l{test::dl2Line1("Bay", "St.1", "B-1", "CURRENT"),
                                        test::dl2Line2(t, "0.5", "cm/s", 1)};
             for (int b = 0; b < 5; ++b) {
                 const int minutes = 23 * 60 + 30 + 30 * b;
                 l.push_back(b == 0 ? test::dl2BurstHeader(12, 31, 23, 30)
                                    : test::dl2BurstHeader(1, 1, minutes / 60 - 24, minutes % 60));
                 test::append(l, test::dl2CurrentLines({{900, 50}}));
             }
             const std::string source = dir.file("current.txt");
             test::writeText(source, test::joinLines(l));
             chooser.choices.push_back({source});
             script.then(visible(FrmKyowaS), [] { test::clickThroughWindow(*FrmKyowaS->BitBtn1); });
             script.then(visible(FrmSDFdata), [] { test::clickThroughWindow(*FrmSDFdata->BitBtn1); });
         },
         Form1->DL2,
         [&] {
             CurrentFile back;
             ASSERT_TRUE(back.ReadSDFHeader(dl2Out));
             EXPECT_LT(back.Iterations, 5);
         }},
        {"extraction dialog", FrmEditSDF, false,
         [&, visible](test::WindowScript& script) {
             const std::string source = dir.file("series.sdf");
             test::writeSource(source, 2, 1, 4, 6);
             chooser.choices.push_back({source});
             script.then(visible(FrmEditSDF), [extractOut] {
                 FrmEditSDF->EditOutputFL->setText(QString::fromStdString(extractOut));
                 test::clickThroughWindow(*FrmEditSDF->BitBtn1);
             });
         },
         Form1->SDFE1,
         [&] {
             test::ReadBack back(extractOut, 5);
             ASSERT_TRUE(back.ok);
             EXPECT_EQ(back.m.Iterations, 6);
             EXPECT_EQ(back.m.Data[1][3], test::sampleCount(5, 1, 3));
         }},
        {"merge dialog", FrmCombineSDF, false,
         [&, visible](test::WindowScript& script) {
             test::InputLayout a, b;
             a.prefix = "a";
             b.prefix = "b";
             const std::string fileA = dir.file("ma.sdf"), fileB = dir.file("mb.sdf");
             test::writeInput(fileA, a);
             test::writeInput(fileB, b);
             chooser.choices.push_back({fileA});
             chooser.choices.push_back({fileB});
             chooser.choices.push_back({mergeOut});
             script.then(visible(FrmCombineSDF), [] {
                 test::clickThroughWindow(*FrmCombineSDF->Button1);
                 test::clickThroughWindow(*FrmCombineSDF->BitBtnCombineFiles);
             });
         },
         Form1->CombineSDF,
         [&] {
             test::ReadBack back(mergeOut, 0);
             ASSERT_TRUE(back.ok);
             EXPECT_EQ(back.m.Nch, 2);
             EXPECT_EQ(back.m.Data[1][9], 9);  // b's channel 0, last sample
         }},
        // The preview read again on Enter: the dialog stays open after it.
        {"comma-data dialog", FrmCommaData, false,
         [&, visible](test::WindowScript& script) {
             const std::string source = dir.file("table.csv");
             test::writeText(source, "1,2\r\n3,4\r\n5,6\r\n");
             chooser.choices.push_back({source});
             script.then(visible(FrmCommaData), [] {
                 test::clickThroughWindow(*FrmCommaData->EditLast);
                 test::typeKey(Qt::Key_Return);
             });
         },
         Form1->C1,
         [&] {  // closing the dialog ended the command
             EXPECT_FALSE(fs::exists(dir.file("table.sdf")));
             EXPECT_FALSE(fs::exists(dir.file("table.$$$")));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::WindowScript script;
        row.prepare(script);
        bool openAfterClose = false;
        script.then([&] { return FrmProgress->isVisible() && row.closed->isVisible(); }, [&] {
            test::closeFromWindowManager(*row.closed);
            openAfterClose = row.closed->isVisible();
        });
        // Closed once the job is over (else the script fails and ends the dialog).
        script.then([&] { return !row.closed->isVisible() && !FrmProgress->Running(); }, [] {});
        row.command->trigger();  // a modeless dialog's command returns before its job

        EXPECT_TRUE(test::waitFor([&] { return script.done() && Form1->MainMenu1->isEnabled(); }));
        EXPECT_TRUE(openAfterClose);
        EXPECT_EQ(FrmProgress->Cancelled(), row.stops);
        row.checkOutput();
    }
}

}  // namespace
}  // namespace brine
