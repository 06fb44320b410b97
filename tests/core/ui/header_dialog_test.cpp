#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <filesystem>
#include <functional>
#include <memory>

#include "base/cp932.h"
#include "base/datetime.h"
#include "support/fault_plan.h"
#include "core/header_edit_rules.h"
#include "core/ui/header_dialog.h"
#include "core/ui/progress_window.h"
#include "platform/api/scripted.h"
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

namespace fs = std::filesystem;

const std::string kOverwriteExisting = "同名のファイルが存在します。上書きしてよろしいですか。";
const std::string kOverwriteSource = "上書きしてよろしいですね。";
const std::string kBadInterval = "正の整数を入力して下さい。\n少数点のある数の場合は時間の単位を変更して下さい。";
const std::string kSaveChanges = "パラメータが修正されました。\n保存しておきますか。";

class FrmSDFdataTest : public ::testing::Test {
protected:
    FrmSDFdataTest() {
        (void)test::qtApp();
        SetAppPrompter(&prompter);
        SetAppFileChooser(&chooser);
        model.prompter = &prompter;
        dlg = std::make_unique<TFrmSDFdata>(model);
        dlg->InitForm();
        fillModel(model);
    }
    ~FrmSDFdataTest() override {
        SetModalHook({});
        SetAppPrompter(nullptr);
        SetAppFileChooser(nullptr);
    }

    static void fillModel(CurrentFile& m) {
        m.ResetHeader();
        m.SetMemo("memo");
        m.Nch = 2;
        m.Nch2 = 1;
        m.SampleSize = 3;
        m.SInt = 500;
        m.SITUnit = 1;  // msec
        m.Iterations = 2;
        m.BInt = 10;
        m.BITUnit = 2;  // sec
        m.StartTime = ParseStartTime("2024/05/06 12:00:00 500");
        const char* names[] = {"水位", "流速", "電圧"};
        const char* units[] = {"m", "cm/s", "V"};
        const float a[] = {0.01f, 0.123456789f, 0.001f};
        const float b[] = {0, 5, 0};
        for (int k = 0; k < 3; ++k) {
            m.SetChannelName(k, utf8ToCp932(names[k]));
            m.SetChannelUnit(k, utf8ToCp932(units[k]));
            m.ScaleA[static_cast<std::size_t>(k)] = a[k];
            m.OffsetB[static_cast<std::size_t>(k)] = b[k];
        }
        m.DisplayUnit = 2;  // shown in sec
    }

    // An SDF file of the model's header with two bursts of known counts.
    std::string writeSource(const std::string& name) {
        CurrentFile src = model;
        std::string path = dir.file(name);
        src.SaveFileName = path;
        EXPECT_TRUE(src.CreateSDFFile(path));
        src.AllocateDataArrays();
        for (int b = 0; b < 2; ++b) {
            for (int ch = 0; ch < src.Nch; ++ch)
                for (int j = 0; j < src.SampleSize; ++j)
                    src.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] =
                        static_cast<std::int16_t>(100 * b + 10 * ch + j);
            src.BurstData[0] = static_cast<std::int16_t>(-7 - b);
            EXPECT_TRUE(src.WriteSDFBurst(b));
        }
        return path;
    }

    // The output name typed into the dialog.
    std::string target(const std::string& name) {
        dlg->EditFileName->setText(QString::fromStdString(dir.file(name)));
        return dir.file(name);
    }

    CurrentFile readBack(const std::string& path) {
        CurrentFile r;
        r.prompter = &prompter;
        EXPECT_TRUE(r.ReadSDFHeader(path));
        return r;
    }

    // Acts as the user while the dialog is shown; a dialog still open
    // afterwards is cancelled.
    void whenShown(std::function<void(TFrmSDFdata&)> steps) {
        SetModalHook([this, steps](QDialog& d) {
            d.setResult(0);
            d.show();
            steps(*dlg);
            if (d.isVisible()) d.reject();
            return d.result();
        });
    }

    test::TempDir dir;
    ScriptedPrompter prompter;
    ScriptedFileChooser chooser;
    CurrentFile model;
    std::unique_ptr<TFrmSDFdata> dlg;
};

// Whatever extension is typed (the rule's cases are in HeaderTarget), the SDF kind gets ".sdf".
TEST_F(FrmSDFdataTest, SaveToNewFileWritesSdfHeaderKeepingMilliseconds) {
    target("out.dat");
    whenShown([](TFrmSDFdata& d) {
        EXPECT_EQ(d.windowTitle(), "時系列ファイルの保存");
        EXPECT_EQ(d.BitBtn1->text(), "保存");
        EXPECT_EQ(d.EdtStartTime->text(), "2024/05/06 12:00:00 500");
        EXPECT_FALSE(d.Modified);
        d.BitBtn1->click();
    });
    ASSERT_TRUE(dlg->ExecuteSave(0) && model.FinishOutput());
    EXPECT_TRUE(prompter.shown.empty()) << prompter.lastText();
    std::string out = dir.file("out.sdf");
    EXPECT_EQ(model.SaveFileName, out);
    EXPECT_EQ(dlg->SaveDialog1.FileName, out);
    EXPECT_EQ(dlg->EditFileName->text().toStdString(), out);
    EXPECT_FALSE(fs::exists(dir.file("out.dat")));
    EXPECT_EQ(fs::file_size(out), 512u);
    CurrentFile r = readBack(out);
    EXPECT_EQ(FormatDateTimeMs(r.StartTime), "2024/05/06 12:00:00 500");
    EXPECT_EQ(TrimRightControl(r.Memo), "memo");
    EXPECT_EQ(r.Iterations, 2);
    EXPECT_EQ(r.ChannelName[1], utf8ToCp932("流速"));
    // A scale the user did not touch keeps every bit, though only 7 digits are shown.
    EXPECT_EQ(r.ScaleA[1], 0.123456789f);
}

TEST_F(FrmSDFdataTest, TextKindTargetsATsdName) {
    target("out.sdf");
    chooser.cancel();
    whenShown([](TFrmSDFdata& d) {
        d.Button1->click();
        d.BitBtn1->click();
    });
    bool saved = dlg->ExecuteSave(1);
    EXPECT_EQ(chooser.asked[0].settings.Filter, "ﾃｷｽﾄ型時系列ﾌｧｲﾙ(*.tsd)|*.TSD");
    EXPECT_EQ(chooser.asked[0].settings.DefaultExt, "tsd");
    EXPECT_EQ(dlg->EditFileName->text().toStdString(), dir.file("out.tsd"));
    EXPECT_FALSE(fs::exists(dir.file("out.sdf")));
    // Saved only if the text header was really written (into the output
    // that then replaces the target).
    if (saved) {
        EXPECT_TRUE(model.FinishOutput());
    }
    EXPECT_EQ(saved, fs::exists(dir.file("out.tsd")));
    if (!saved) {
        EXPECT_TRUE(prompter.showedText("ヘッダーを書き込めませんでした。"));
    }
}

TEST_F(FrmSDFdataTest, ExistingFileIsReplacedOnlyWhenConfirmed) {
    const std::string out = target("out.sdf");
    test::writeAll(out, std::vector<unsigned char>(2000, 'x'));
    prompter.answer(MsgResult::No);
    whenShown([](TFrmSDFdata& d) {
        d.BitBtn1->click();
        EXPECT_TRUE(d.isVisible());  // declined: stays open for another name
    });
    EXPECT_FALSE(dlg->ExecuteSave(0));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, kOverwriteExisting);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Warning);
    EXPECT_EQ(fs::file_size(out), 2000u);

    prompter.answer(MsgResult::Yes);
    whenShown([](TFrmSDFdata& d) { d.BitBtn1->click(); });
    ASSERT_TRUE(dlg->ExecuteSave(0));
    // The old file stays until the producer has finished its output, which
    // starts empty: nothing of the old file remains behind the header.
    EXPECT_EQ(fs::file_size(out), 2000u);
    ASSERT_TRUE(model.FinishOutput());
    EXPECT_EQ(fs::file_size(out), 512u);
}

TEST_F(FrmSDFdataTest, SourceSdfGetsItsHeaderRewrittenInPlace) {
    std::string src = writeSource("src.sdf");
    auto sizeBefore = fs::file_size(src);
    fs::create_directory(dir.path() / "sub");
    model.FileName = src;
    // Another spelling of the same file.
    target("sub/../src.sdf");
    prompter.answer(MsgResult::No);
    prompter.answer(MsgResult::Yes);
    whenShown([](TFrmSDFdata& d) {
        d.Memo1->setPlainText("new memo");
        d.BitBtn1->click();
        EXPECT_TRUE(d.isVisible());
        d.BitBtn1->click();
    });
    ASSERT_TRUE(dlg->ExecuteSave(0) && model.FinishOutput());
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text, kOverwriteSource);
    EXPECT_EQ(prompter.shown[1].text, kOverwriteSource);
    EXPECT_EQ(fs::file_size(src), sizeBefore);
    CurrentFile r = readBack(src);
    EXPECT_EQ(TrimRightControl(r.Memo), "new memo");
    r.FileName = src;
    ASSERT_TRUE(r.ReadSDFBurst(1));
    EXPECT_EQ(r.Data[1][2], 112);
    EXPECT_EQ(r.BurstData[0], -8);
}

// Saving the header into its source while another writer holds the file (a
// job, or another copy of the program): the save waits, the progress window
// says so and names the file, and the save goes on once the file is free, or
// gives up on Cancel, telling so, with the source as it was. A file the other
// writer changed meanwhile (another channel count) or put in its place (as
// many channels: another save, or a copy moved over it), whether the save
// waited for it or came after it, is not written into.
TEST_F(FrmSDFdataTest, ASaveWaitingForAnotherWriterSaysSoAndMayBeGivenUp) {
    TFrmProgress progress;
    SetWriterWait(&progress);
    enum Other { Finishes, IsGivenUp, ChangesTheFile, ReplacesTheFile, ReplacedItBefore };
    for (Other other : {Finishes, IsGivenUp, ChangesTheFile, ReplacesTheFile, ReplacedItBefore}) {
        SCOPED_TRACE(other);
        prompter.shown.clear();
        fillModel(model);
        const std::string src = writeSource("src.sdf");
        model.FileName = src;
        ASSERT_TRUE(model.ReadSDFHeader(src));  // as the producer does
        target("src.sdf");
        const int held = ::open(src.c_str(), O_RDONLY);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        std::vector<unsigned char> changed = test::readAll(src);
        if (other == ChangesTheFile)
            changed[212] = 2;  // two burst channels
        else
            changed.back() ^= 0x55;  // another burst of as many channels
        const auto replace = [&] {
            test::writeAll(dir.file("other.sdf"), changed);
            fs::rename(dir.file("other.sdf"), src);
        };
        if (other == ReplacedItBefore) {
            replace();
            ::close(held);
        }
        bool told = other == ReplacedItBefore;
        QTimer::singleShot(700, [&] {
            if (other == ReplacedItBefore) return;
            told = progress.isVisible() && progress.LblComment->text().contains("src.sdf");
            if (other == IsGivenUp) {
                QTest::mouseClick(progress.BitBtn1, Qt::LeftButton);
                return;
            }
            if (other != Finishes) replace();
            ::close(held);
        });
        prompter.answer(MsgResult::Yes);
        whenShown([](TFrmSDFdata& d) {
            d.Memo1->setPlainText("new memo");
            d.BitBtn1->click();
        });
        EXPECT_EQ(dlg->ExecuteSave(0), other == Finishes);
        if (other == IsGivenUp) ::close(held);
        EXPECT_TRUE(told);
        EXPECT_FALSE(progress.isVisible());
        if (other >= ChangesTheFile) {
            EXPECT_EQ(test::readAll(src), changed);
        } else {
            EXPECT_EQ(TrimRightControl(readBack(src).Memo), other == IsGivenUp ? "memo" : "new memo");
        }
        if (other != Finishes) {
            ASSERT_FALSE(prompter.shown.empty());
            EXPECT_NE(prompter.shown.back().text.find(other == IsGivenUp ? "ほかの書き込みが終わらないため"
                                                                         : "読み込んだときと変わっています"),
                      std::string::npos)
                << prompter.shown.back().text;
        }
        model.FinishOutput(false);
    }
    SetWriterWait(nullptr);
}

TEST_F(FrmSDFdataTest, SourceThatCannotBeOpenedOrClosedIsToldByTheStepThatFailed) {
    // Rewriting the source's header opens it to see what it is, then writes
    // the header into it in place under a journal; the step that fails is
    // told, and the source stays as it was.
    struct Case {
        const char* what;
        sys::Call call;
        const char* in;  // the file of the call
        std::string cause;
    };
    const std::vector<Case> cases{
        {"open to see what it is", sys::Call::Open, "/src.sdf", "ファイルを開けません"},
        {"sync of the cleared first byte", sys::Call::Fsync, "/src.sdf", "ファイルの書き換え"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompter.answers.clear();
        const std::string src = writeSource("src.sdf");
        model.FileName = src;
        ASSERT_TRUE(model.ReadSDFHeader(src));  // as the producer does
        target("src.sdf");
        sys::FaultPlan counting;
        {
            sys::ArmFaults armed(counting);
            prompter.answer(MsgResult::Yes);
            whenShown([](TFrmSDFdata& d) { d.BitBtn1->click(); });
            ASSERT_TRUE(dlg->ExecuteSave(0));
        }
        sys::FaultPlan plan;
        for (std::size_t i = 0; i < counting.calls.size() && !plan.failAt; ++i)
            if (counting.calls[i].call == c.call && counting.calls[i].path.find(c.in) != std::string::npos)
                plan.failAt = static_cast<long long>(i) + 1;
        ASSERT_NE(plan.failAt, 0);
        writeSource("src.sdf");
        ASSERT_TRUE(model.ReadSDFHeader(src));
        prompter.shown.clear();
        {
            sys::ArmFaults armed(plan);
            prompter.answer(MsgResult::Yes);
            whenShown([](TFrmSDFdata& d) {
                d.Memo1->setPlainText("new memo");
                d.BitBtn1->click();
            });
            EXPECT_FALSE(dlg->ExecuteSave(0));
        }
        ASSERT_FALSE(prompter.shown.empty());
        const ScriptedPrompter::Shown& last = prompter.shown.back();
        EXPECT_EQ(last.type, MsgType::Error);
        EXPECT_TRUE(last.text.starts_with("ヘッダーを書き込めませんでした。\n" + src + "\n")) << last.text;
        EXPECT_NE(last.text.find(c.cause), std::string::npos) << last.text;
        EXPECT_EQ(TrimRightControl(readBack(src).Memo), "memo");
    }
}

TEST_F(FrmSDFdataTest, TsdSourceIsNeverOverwrittenWhateverTheSpelling) {
    std::string tsd = dir.file("data.tsd");
    test::writeText(tsd, "text being read");
    fs::create_symlink(tsd, dir.path() / "link.sdf");
    model.FileName = tsd;
    target("link.sdf");
    whenShown([](TFrmSDFdata& d) { d.BitBtn1->click(); });
    EXPECT_FALSE(dlg->ExecuteSave(0));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "ロードしているTSDファイルは上書き出来ません。");
    EXPECT_EQ(test::readText(tsd), "text being read");
}

TEST_F(FrmSDFdataTest, StaleSourceNameOfAVanishedFileDoesNotRefuse) {
    model.FileName = dir.file("old.tsd");  // not there any more
    target("old.sdf");
    whenShown([](TFrmSDFdata& d) { d.BitBtn1->click(); });
    EXPECT_TRUE(dlg->ExecuteSave(0));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(FrmSDFdataTest, HeaderThatCannotBeWrittenIsNotReportedAsSaved) {
    target("missing/out.sdf");
    whenShown([](TFrmSDFdata& d) {
        d.BitBtn1->click();
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_FALSE(dlg->ExecuteSave(0));
    EXPECT_TRUE(prompter.showedText("ヘッダーを書き込めませんでした。"));
}

TEST_F(FrmSDFdataTest, IterationsOutsideOneTo32767AreRefused) {
    const std::string out = target("out.sdf");
    whenShown([&](TFrmSDFdata& d) {
        for (const char* bad : {"0", "-1", "40000", "x"}) {
            d.EditIteration->setText(bad);
            d.BitBtn1->click();
            EXPECT_TRUE(d.isVisible()) << bad;
            EXPECT_TRUE(prompter.showedText("リピート回数")) << bad;
            EXPECT_FALSE(fs::exists(out)) << bad;
        }
        d.EditIteration->setText("5");
        d.BitBtn1->click();
    });
    ASSERT_TRUE(dlg->ExecuteSave(0) && model.FinishOutput());
    EXPECT_EQ(readBack(out).Iterations, 5);
}

TEST_F(FrmSDFdataTest, SamplingIntervalEditAndUnitDisplay) {
    const std::string out = target("out.sdf");
    whenShown([&](TFrmSDFdata& d) {
        EXPECT_EQ(d.EditSInt->text(), "0.5");  // 500 msec shown in sec
        d.EditSInt->setText("1");
        EXPECT_EQ(model.SInt, 1);
        EXPECT_EQ(model.SITUnit, 2);
        EXPECT_TRUE(d.Modified);
        EXPECT_TRUE(prompter.shown.empty());
        for (const char* bad : {"", "0", "-2", "1.5"}) {
            std::size_t before = prompter.shown.size();
            d.EditSInt->setText(bad);
            ASSERT_EQ(prompter.shown.size(), before + 1) << bad;
            EXPECT_EQ(prompter.shown.back().text, kBadInterval);
            EXPECT_EQ(prompter.shown.back().type, MsgType::Error);
        }
        EXPECT_EQ(prompter.beeps, 4);
        EXPECT_EQ(model.SInt, 1);  // the last accepted value stays
        // Showing it in msec converts the display only.
        std::size_t before = prompter.shown.size();
        d.ComboBoxSITUnit->setCurrentIndex(1);
        d.ComboBoxSITUnitChange();
        EXPECT_EQ(d.EditSInt->text(), "1000");
        EXPECT_EQ(prompter.shown.size(), before);
        EXPECT_EQ(model.SInt, 1);
        EXPECT_EQ(model.SITUnit, 2);
        // The same unit again leaves the text as it is, and the next typing is checked.
        d.ComboBoxSITUnitChange();
        d.EditSInt->setText("250");
        EXPECT_EQ(model.SInt, 250);
        EXPECT_EQ(model.SITUnit, 1);
        d.BitBtn1->click();
    });
    ASSERT_TRUE(dlg->ExecuteSave(0) && model.FinishOutput());
    CurrentFile r = readBack(out);
    EXPECT_EQ(r.SInt, 250);
    EXPECT_EQ(r.SITUnit, 1);
}

// A value longer than its edit shows its start ("1.736111E-5", not "111E-5"
// beside the unit), when the dialog opens and when the program rewrites it;
// only the file name shows its end.
TEST_F(FrmSDFdataTest, FilledEditsShowTheStartOfTheirText) {
    model.SInt = 62500;
    model.SITUnit = 0;     // usec
    model.DisplayUnit = 4;  // shown in hr
    target("a-long-name-for-the-output.sdf");
    test::WindowScript script;
    script.then([this] { return dlg->isVisible(); }, [this] {
        EXPECT_EQ(dlg->EditSInt->text(), "1.736111E-5");
        for (QLineEdit* e : {dlg->EditSInt, dlg->EdtStartTime, dlg->EditIteration})
            EXPECT_EQ(e->cursorPosition(), 0) << e->objectName().toStdString();
        EXPECT_EQ(dlg->EditFileName->cursorPosition(), dlg->EditFileName->text().size());
        dlg->ComboBoxSITUnit->setCurrentIndex(3);  // min
        dlg->ComboBoxSITUnitChange();
        EXPECT_EQ(dlg->EditSInt->text(), "0.001041667");
        EXPECT_EQ(dlg->EditSInt->cursorPosition(), 0);
        dlg->reject();
    });
    EXPECT_FALSE(dlg->ExecuteSave(0));
    EXPECT_TRUE(script.done());
}

// The fields of the memo and the period show their frame on all four sides,
// drawn apart from their white fill.
TEST_F(FrmSDFdataTest, HeaderFieldsShowTheirWholeFrame) {
    int looked = 0;
    whenShown([&looked](TFrmSDFdata& d) {
        for (QWidget* w : std::initializer_list<QWidget*>{d.Memo1, d.EdtStartTime, d.LblLastTime}) {
            const QImage shot = w->grab().toImage();
            const int width = shot.width(), height = shot.height();
            const QRgb fill = shot.pixel(width - 4, height / 2);
            for (const QPoint edge : {QPoint(0, height / 2), QPoint(width - 1, height / 2), QPoint(width / 2, 0),
                                      QPoint(width / 2, height - 1)})
                EXPECT_NE(shot.pixel(edge), fill) << w->objectName().toStdString() << " has no border at (" << edge.x()
                                                  << ", " << edge.y() << ")";
            ++looked;
        }
    });
    EXPECT_FALSE(dlg->ExecuteSave(0));
    EXPECT_EQ(looked, 3);
}

TEST_F(FrmSDFdataTest, EditedTextsReachTheHeader) {
    const std::string out = target("out.sdf");
    whenShown([&](TFrmSDFdata& d) {
        d.EdtStartTime->setText("2024/05/06 13:00:00 250");
        EXPECT_FALSE(d.StringGrid1->commitEdit(1, 1, "a,b"));
        EXPECT_FALSE(d.StringGrid1->commitEdit(2, 1, "あいうえお"));  // 10 bytes for a unit of 8
        EXPECT_TRUE(d.StringGrid1->commitEdit(1, 1, "水温"));
        EXPECT_TRUE(d.StringGrid1->commitEdit(3, 1, "0.5"));
        EXPECT_TRUE(d.Modified);
        d.ComboBoxBITUnit->setCurrentIndex(3);
        d.BitBtn1->click();
    });
    ASSERT_TRUE(dlg->ExecuteSave(0) && model.FinishOutput());
    CurrentFile r = readBack(out);
    EXPECT_EQ(FormatDateTimeMs(r.StartTime), "2024/05/06 13:00:00 250");
    EXPECT_EQ(r.ChannelName[0], utf8ToCp932("水温"));
    EXPECT_EQ(r.ScaleA[0], 0.5f);
    EXPECT_EQ(r.BInt, 10);  // the unit box re-labels, it does not convert
    EXPECT_EQ(r.BITUnit, 3);
}

TEST_F(FrmSDFdataTest, BadStartTimeOrScaleWritesNothing) {
    const std::string out = target("out.sdf");
    whenShown([&](TFrmSDFdata& d) {
        d.EdtStartTime->setText("2024/02/30 00:00:00");
        d.BitBtn1->click();
        EXPECT_TRUE(d.isVisible());
        d.EdtStartTime->setText("2024/02/29 00:00:00");
        d.StringGrid1->commitEdit(4, 2, "abc");
        d.BitBtn1->click();
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_FALSE(dlg->ExecuteSave(0));
    EXPECT_EQ(prompter.shown.size(), 2u);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(TrimRightControl(model.ChannelName[0]), utf8ToCp932("水位"));
    EXPECT_EQ(FormatDateTimeMs(model.StartTime), "2024/05/06 12:00:00 500");
}

TEST_F(FrmSDFdataTest, MemoIsLimitedByCp932Bytes) {
    const std::string out = target("out.sdf");
    QString jp80, jp81;
    for (int i = 0; i < 80; ++i) jp80 += QStringLiteral("あ");
    jp81 = jp80 + QStringLiteral("い");
    whenShown([&](TFrmSDFdata& d) {
        d.Memo1->setPlainText(jp81);
        EXPECT_EQ(d.Memo1->toPlainText(), "memo");
        EXPECT_FALSE(d.Modified);
        EXPECT_EQ(prompter.beeps, 1);
        d.Memo1->setPlainText(QStringLiteral("気温😀"));
        EXPECT_EQ(d.Memo1->toPlainText(), "memo");
        d.Memo1->setPlainText(jp80);
        EXPECT_TRUE(d.Modified);
        d.BitBtn1->click();
    });
    ASSERT_TRUE(dlg->ExecuteSave(0) && model.FinishOutput());
    EXPECT_EQ(cp932ToUtf8(readBack(out).Memo), jp80.toStdString());
}

TEST_F(FrmSDFdataTest, CancelWritesNothing) {
    const std::string out = target("out.sdf");
    whenShown([](TFrmSDFdata& d) { d.BitBtn2->click(); });
    EXPECT_FALSE(dlg->ExecuteSave(0));
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(FrmSDFdataTest, BrowseInSaveModeGivesTheKindsExtension) {
    target("proposed.sdf");
    chooser.choose(dir.file("picked.dat"));
    whenShown([](TFrmSDFdata& d) { d.Button1->click(); });
    EXPECT_FALSE(dlg->ExecuteSave(0));
    EXPECT_EQ(dlg->EditFileName->text().toStdString(), dir.file("picked.sdf"));
    ASSERT_EQ(chooser.asked.size(), 1u);
    EXPECT_EQ(chooser.asked[0].kind, FileDialogKind::Save);
    EXPECT_EQ(chooser.asked[0].settings.Filter, "標準時系列ﾌｧｲﾙ(*.sdf)|*.SDF");
    EXPECT_EQ(chooser.asked[0].settings.DefaultExt, "sdf");
    EXPECT_EQ(chooser.asked[0].settings.FileName, dir.file("proposed.sdf"));
}

TEST_F(FrmSDFdataTest, GridAndBurstFieldsFollowTheHeader) {
    EXPECT_EQ(dlg->StringGrid1->cell(0, 128), "128");
    EXPECT_EQ(dlg->StringGrid1->cell(0, 129), "");
    EXPECT_EQ(dlg->StringGrid1->cell(4, 0), "B");

    model.Iterations = 1;
    model.Nch = 4;
    dlg->Mode = 1;
    dlg->ShowHeader();
    EXPECT_TRUE(dlg->Label6->isHidden());
    EXPECT_TRUE(dlg->LblBInt->isHidden());
    EXPECT_TRUE(dlg->ComboBoxBITUnit->isHidden());
    EXPECT_EQ(dlg->StringGrid1->rowCount(), 6);
    EXPECT_EQ(dlg->StringGrid1->height(), 132);

    model.Iterations = 2;
    model.Nch = 1;
    dlg->ShowHeader();
    EXPECT_FALSE(dlg->Label6->isHidden());
    EXPECT_FALSE(dlg->ComboBoxBITUnit->isHidden());
    EXPECT_EQ(dlg->StringGrid1->rowCount(), 3);
    EXPECT_EQ(dlg->StringGrid1->height(), 83);
    EXPECT_EQ(dlg->StringGrid1->cell(0, 2), "2");  // row numbers survive the shrinking
    EXPECT_EQ(dlg->StringGrid1->cell(3, 1), "0.01");
}

TEST_F(FrmSDFdataTest, EditModeSwitchesPopupAndEditing) {
    EXPECT_EQ(dlg->StatusBar1->panelText(0), "チャンネルテーブル／セル編集");
    EXPECT_TRUE(dlg->StringGrid1->editing());
    EXPECT_FALSE(dlg->Paste1->isEnabled());
    dlg->BitBtn3->click();
    EXPECT_EQ(dlg->EditMode, 0);
    EXPECT_EQ(dlg->StatusBar1->panelText(0), "チャンネルテーブル／ブロック編集");
    EXPECT_EQ(dlg->StringGrid1->popupMenu(), dlg->PopupMenu1);
    EXPECT_FALSE(dlg->StringGrid1->editing());
    dlg->BitBtn3->click();
    EXPECT_EQ(dlg->StringGrid1->popupMenu(), nullptr);
    EXPECT_TRUE(dlg->StringGrid1->editing());
}

TEST_F(FrmSDFdataTest, BlockCopyAndPasteClipAtTheEdge) {
    dlg->Mode = 1;
    dlg->ShowHeader();  // 3 channels: rows 0 to 3
    StringGrid& g = *dlg->StringGrid1;
    g.setSelection({1, 2, 2, 3});
    dlg->Copy1->trigger();
    EXPECT_TRUE(dlg->Paste1->isEnabled());
    EXPECT_EQ(dlg->ClipCols, 2);
    EXPECT_EQ(dlg->ClipRows, 2);
    g.setSelection({2, 3, 4, 3});
    dlg->Paste1->trigger();
    // Each anchor pastes the block's first row; its second row and a third
    // column fall outside the grid.
    EXPECT_EQ(g.cell(2, 3), "流速");
    EXPECT_EQ(g.cell(3, 3), "流速");
    EXPECT_EQ(g.cell(4, 3), "流速");
    EXPECT_EQ(g.cell(1, 3), "電圧");
    EXPECT_EQ(g.cell(2, 2), "cm/s");
    EXPECT_EQ(g.rowCount(), 4);
    EXPECT_TRUE(dlg->Modified);
}

TEST_F(FrmSDFdataTest, PastedCellsGetTheChecksOfTypedText) {
    dlg->Mode = 1;
    dlg->ShowHeader();
    StringGrid& g = *dlg->StringGrid1;
    const QString longName = QStringLiteral("ABCDEFGHIJKLMNOP");  // 16 bytes: a name, not a unit
    ASSERT_TRUE(g.commitEdit(1, 1, longName));
    ASSERT_FALSE(g.commitEdit(2, 1, longName));  // typed into the unit column it is refused
    g.setSelection({1, 1, 1, 1});
    dlg->Copy1->trigger();
    g.setSelection({1, 3, 2, 3});
    dlg->Paste1->trigger();
    EXPECT_EQ(g.cell(1, 3).toStdString(), "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(g.cell(2, 3).toStdString(), "V");  // refused like typing, not cut
    EXPECT_EQ(prompter.beeps, 1);
}

TEST_F(FrmSDFdataTest, LoadModeReadsBurstZeroAndOffersToSaveEdits) {
    std::string src = writeSource("src.sdf");
    auto sizeBefore = fs::file_size(src);
    fillModel(model);
    model.Nch = 0;  // whatever was loaded before
    chooser.choose(src);
    prompter.answer(MsgResult::Yes);
    whenShown([](TFrmSDFdata& d) {
        EXPECT_EQ(d.windowTitle(), "時系列ファイルの読込み");
        EXPECT_EQ(d.BitBtn1->text(), "読込み");
        EXPECT_TRUE(d.EditIteration->isReadOnly());
        EXPECT_FALSE(d.ComboBoxBITUnit->isEnabled());
        EXPECT_EQ(d.LblNch->text(), "2");
        // A pasted scale is an edit too.
        d.BitBtn3->click();
        d.StringGrid1->setSelection({3, 1, 3, 1});
        d.Copy1->trigger();
        d.StringGrid1->setSelection({3, 3, 3, 3});
        d.Paste1->trigger();
        d.BitBtn1->click();
    });
    std::string name;
    ASSERT_TRUE(dlg->OpenTimeSeriesFile(name));
    EXPECT_EQ(name, src);
    EXPECT_EQ(chooser.asked[0].settings.Filter, "標準時系列ﾌｧｲﾙ(*.sdf;*.tsd)|*.sdf;*.tsd");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, kSaveChanges);
    EXPECT_EQ(model.Data[1][2], 12);
    EXPECT_EQ(model.BurstData[0], -7);
    EXPECT_EQ(fs::file_size(src), sizeBefore);
    CurrentFile r = readBack(src);
    EXPECT_EQ(r.ScaleA[2], 0.01f);
    r.FileName = src;
    ASSERT_TRUE(r.ReadSDFBurst(1));
    EXPECT_EQ(r.Data[0][0], 100);
}

TEST_F(FrmSDFdataTest, LoadModeWithoutEditsAsksNothing) {
    std::string src = writeSource("src.sdf");
    whenShown([](TFrmSDFdata& d) { d.BitBtn1->click(); });
    std::string name = src;
    ASSERT_TRUE(dlg->OpenTimeSeriesFile(name));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(chooser.asked.empty());

    chooser.cancel();
    name.clear();
    EXPECT_FALSE(dlg->OpenTimeSeriesFile(name));
}

TEST_F(FrmSDFdataTest, LoadModeShowsTheHeaderOfAnotherTypedOrChosenFile) {
    std::string a = writeSource("a.sdf");
    model.Nch = 1;
    std::string b = writeSource("b.SDF");
    whenShown([&](TFrmSDFdata& d) {
        EXPECT_EQ(d.LblNch->text(), "2");
        d.EditFileName->setText(QString::fromStdString(dir.file("nothing.sdf")));
        d.BitBtn1->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.EditFileName->text().toStdString(), a);  // back to the file shown
        EXPECT_EQ(model.FileKind, 0);
        d.EditFileName->setText(QString::fromStdString(b));
        d.BitBtn1->click();
        EXPECT_TRUE(d.isVisible());  // first the header of the new file
        EXPECT_EQ(d.LblNch->text(), "1");
        d.BitBtn1->click();
    });
    std::string name = a;
    ASSERT_TRUE(dlg->OpenTimeSeriesFile(name));
    EXPECT_EQ(name, b);
    EXPECT_EQ(model.Nch, 1);

    chooser.choose(a);
    whenShown([&](TFrmSDFdata& d) {
        d.Button1->click();
        EXPECT_EQ(d.EditFileName->text().toStdString(), a);  // extension kept
        EXPECT_EQ(d.LblNch->text(), "2");
        d.BitBtn1->click();
    });
    ASSERT_TRUE(dlg->OpenTimeSeriesFile(name));
    EXPECT_EQ(name, a);
    EXPECT_EQ(model.Nch, 2);
}

}  // namespace
}  // namespace brine
