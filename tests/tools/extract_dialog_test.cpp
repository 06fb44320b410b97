// The extraction dialog, driven headless.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <filesystem>

#include "base/cp932.h"
#include "platform/api/scripted.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "platform/status_panels.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"
#include "tools/extract_sources.h"
#include "tools/extract_dialog.h"

namespace brine {
namespace {

class FrmEditSDFTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetAppPrompter(&prompter);
        SetAppFileChooser(&chooser);
        model.prompter = &prompter;
        form.model = &model;
        form.progress = &progress;
    }
    void TearDown() override {
        SetModalHook({});
        SetAppFileChooser(nullptr);
        SetAppPrompter(nullptr);
    }
    // Runs Execute with `drive` in place of the user; returns its result.
    int execute(const std::string& file, std::function<void()> drive) {
        SetModalHook([this, drive](QDialog& d) {
            EXPECT_EQ(&d, &form);
            ++shown;
            drive();
            return d.result();
        });
        return form.Execute(file);
    }

    QApplication& app = test::qtApp();  // before the form
    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    ScriptedFileChooser chooser;
    TFrmEditSDF form;
    int shown = 0;
};

TEST_F(FrmEditSDFTest, PreparesTheControlsAndSavesTheChosenPart) {
    const std::string source = dir.file("a.sdf"), out = dir.file("b.tsd");
    test::writeSource(source, 3, 2, 4, 24);
    int result = execute(source, [&] {
        EXPECT_EQ(form.StatusBar1->panelWidth(0), 200);
        EXPECT_EQ(form.StatusBar1->panelText(0).toStdString(), dir.path().string());
        EXPECT_EQ(form.StatusBar1->panelText(1), QStringLiteral("a.sdf"));
        EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("source memo"));
        EXPECT_EQ(form.EditOutputFL->text().toStdString(), source);
        EXPECT_EQ(form.EditOutputFL->cursorPosition(), form.EditOutputFL->text().size());
        ASSERT_EQ(form.CheckListBoxItem->count(), 5);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(form.CheckListBoxItem->item(i)->checkState(), Qt::Checked);
        EXPECT_EQ(form.CheckListBoxItem->currentRow(), 0);
        EXPECT_EQ(form.ScrollBarLastTime->maximum(), 23);
        EXPECT_EQ(form.ScrollBarFirstTime->value(), 0);
        EXPECT_EQ(form.ScrollBarLastTime->value(), 23);
        EXPECT_EQ(form.EditFirstTime->text(), QStringLiteral("2024/01/01 00:00:00"));
        EXPECT_EQ(form.EditLastTime->text(), QStringLiteral("2024/01/01 23:00:00"));

        form.ScrollBarFirstTime->setValue(3);
        form.ScrollBarLastTime->setValue(5);
        EXPECT_EQ(form.EditFirstTime->text(), QStringLiteral("2024/01/01 03:00:00"));
        form.CheckListBoxItem->item(1)->setCheckState(Qt::Unchecked);
        form.Memo1->setPlainText(QStringLiteral("抽出"));
        form.EditOutputFL->setText(QString::fromStdString(out));
        form.BitBtn1->click();
    });
    EXPECT_EQ(result, TFrmEditSDF::mrOk);
    EXPECT_EQ(form.FirstBurst, 3);
    EXPECT_EQ(form.LastSample, 3);
    EXPECT_EQ(prompter.lastText(), Text(Tx::ExtractSaved));
    CurrentFile back;
    ASSERT_TRUE(back.ReadHeader(out));
    EXPECT_EQ(back.Memo, utf8ToCp932("抽出"));
    EXPECT_EQ(back.Iterations, 3);
    EXPECT_EQ(back.Nch, 2);
    EXPECT_EQ(back.ChannelName[1], "ch2");
}

// With two bursts the handle of "最初" at the first burst stands at the left
// and takes no more than its share of the bar.
TEST_F(FrmEditSDFTest, ScrollHandlesShowThePositionInAShortRange) {
    const std::string source = dir.file("a.sdf");
    test::writeSource(source, 1, 1, 4, 2);
    execute(source, [&] {
        for (QScrollBar* bar : {form.ScrollBarFirstTime, form.ScrollBarLastTime}) {
            QStyleOptionSlider opt;
            opt.initFrom(bar);
            opt.orientation = Qt::Horizontal;
            opt.minimum = bar->minimum();
            opt.maximum = bar->maximum();
            opt.sliderPosition = opt.sliderValue = bar->value();
            opt.singleStep = bar->singleStep();
            opt.pageStep = bar->pageStep();
            opt.subControls = QStyle::SC_All;
            const QRect groove =
                bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarGroove, bar);
            const QRect handle =
                bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, QStyle::SC_ScrollBarSlider, bar);
            EXPECT_LE(handle.width(), groove.width() / 2) << bar->objectName().toStdString();
            const bool atStart = bar->value() == bar->minimum();
            EXPECT_EQ(handle.center().x() < groove.center().x(), atStart) << bar->objectName().toStdString();
        }
        form.reject();
    });
}

TEST_F(FrmEditSDFTest, CancelSkipAndUnreadableFilesWriteNothing) {
    const std::string source = dir.file("a.sdf"), bad = dir.file("bad.sdf");
    test::writeSource(source, 1, 1, 4, 3);
    test::writeText(bad, "not a time series");

    EXPECT_EQ(form.Execute(bad), TFrmEditSDF::mrIgnore);  // no hook: not shown
    EXPECT_EQ(prompter.lastText(), "フォーマットが違います。");
    EXPECT_EQ(execute(source, [&] { form.BitBtn2->click(); }), TFrmEditSDF::mrCancel);
    EXPECT_EQ(execute(source, [&] { form.reject(); }), TFrmEditSDF::mrCancel);
    EXPECT_EQ(execute(source, [&] { form.BitBtn3->click(); }), TFrmEditSDF::mrIgnore);
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.sdf", "bad.sdf"}));
}

TEST_F(FrmEditSDFTest, BrowsingSetsTheExtensionOfTheChosenFilter) {
    const std::string source = dir.file("a.sdf");
    test::writeSource(source, 1, 0, 4, 3);
    execute(source, [&] {
        form.SaveDialog1.FilterIndex = 2;
        chooser.choose(dir.file("part.sdf"));
        form.Button2->click();
        EXPECT_EQ(form.EditOutputFL->text().toStdString(), dir.file("part.tsd"));
        form.BitBtn2->click();
    });
    ASSERT_EQ(chooser.asked.size(), 1u);
    EXPECT_EQ(chooser.asked[0].settings.Filter, "SDF files (*.sdf)|*.sdf|TSD files (*.tsd)|*.tsd");
    EXPECT_EQ(chooser.asked[0].settings.InitialDir, dir.path().string());
}

}  // namespace
}  // namespace brine
