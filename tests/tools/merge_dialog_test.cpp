// The merge dialog driven headless: first file, adding, grid edits, the save
// dialog and its questions.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cmath>

#include "base/cp932.h"
#include "core/current_file.h"
#include "core/header_edit_rules.h"
#include "platform/api/file_dialog.h"
#include "platform/api/scripted.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "platform/string_grid.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"
#include "tools/merge_dialog.h"
#include "tools/merge_files.h"

namespace brine {
namespace {

using test::InputLayout;

class FrmCombineSDFTest : public ::testing::Test {
protected:
    void SetUp() override {
        (void)test::qtApp();
        SetAppPrompter(&prompter);
        SetAppFileChooser(&chooser);
        form = std::make_unique<TFrmCombineSDF>();
        form->model = &model;
        form->progress = &progress;
        form->OpenDialog1 = &open;
        form->SaveDialog1 = &save;
        a.prefix = "a";
        a.nch = 3;
        a.sampleSize = 4;
        a.a = std::nextafter(1.0f, 2.0f);  // shown as "1", which reads back as another Single
        b.prefix = "b";
        b.nch = 2;
        b.nch2 = 1;
        b.sampleSize = 4;
        fileA = dir.file("a.sdf");
        fileB = dir.file("b.tsd");
        test::writeInput(fileA, a);
        test::writeInput(fileB, b);
    }
    void TearDown() override {
        SetModalHook({});
        SetAppPrompter(nullptr);
        SetAppFileChooser(nullptr);
    }
    // Runs Execute with the first file; `inDialog` drives the shown dialog.
    int execute(const std::string& first, std::function<void()> inDialog) {
        int shown = 0;
        SetModalHook([&](QDialog& d) {
            EXPECT_EQ(&d, form.get());
            ++shown;
            form->setResult(-1);
            inDialog();
            return form->result();
        });
        chooser.choose(first);
        form->Execute();
        return shown;
    }
    void addSecond() {
        chooser.choose(fileB);
        form->Button1Click();
    }

    test::TempDir dir;
    CurrentFile model, out;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    ScriptedFileChooser chooser;
    FileDialog open{FileDialogKind::Open}, save{FileDialogKind::Save};
    std::unique_ptr<TFrmCombineSDF> form;
    InputLayout a, b;
    std::string fileA, fileB;
};

TEST_F(FrmCombineSDFTest, ShowsTheFirstFileThenSavesTheEditedMerge) {
    open.FileName = dir.file("stale.sdf");
    int shown = execute(fileA, [&] {
        EXPECT_FALSE(form->BitBtnCombineFiles->isEnabled());
        EXPECT_TRUE(form->StringGridBurstCh->isHidden());
        EXPECT_TRUE(form->LabelBurstCh->isHidden());
        EXPECT_EQ(form->ListBoxCombinedFiles->count(), 1);
        EXPECT_EQ(form->MemoCombinedFile->toPlainText(), QStringLiteral("memo of a"));
        std::vector<std::pair<QLineEdit*, QString>> edits{
            {form->LabeledEditStartTime, "2024/05/01 12:00:00"}, {form->LabeledEditNS, "4"},
            {form->LabeledEditSampInterval, "1 sec"},           {form->LabeledEditIteration, "1"},
            {form->LabeledEditBurstInterval, "60 sec"},         {form->EditDTAllowance, "0.1"}};
        for (auto& [edit, text] : edits) EXPECT_EQ(edit->text(), text) << edit->objectName().toStdString();
        StringGrid* g = form->StringGridItem;
        EXPECT_EQ(g->rowCount(), 4);
        QStringList titles;
        for (int c = 0; c < 5; ++c) titles << g->cell(c, 0);
        EXPECT_EQ(titles, (QStringList{"No", "Item", "Unit", "A", "B"}));
        EXPECT_EQ(g->cell(3, 2), QStringLiteral("2"));  // a's second channel

        addSecond();
        EXPECT_EQ(g->rowCount(), 6);
        EXPECT_EQ(g->cell(0, 5), QStringLiteral("5"));
        EXPECT_EQ(g->cell(1, 4), QStringLiteral("b0"));
        EXPECT_FALSE(form->StringGridBurstCh->isHidden());
        EXPECT_EQ(form->StringGridBurstCh->rowCount(), 2);
        EXPECT_EQ(form->StringGridBurstCh->cell(1, 1), QStringLiteral("b2"));
        EXPECT_TRUE(form->BitBtnCombineFiles->isEnabled());

        g->setCell(1, 4, QStringLiteral("新名"));
        g->setCell(3, 4, QStringLiteral("2.5"));
        form->MemoCombinedFile->setPlainText(QStringLiteral("結合メモ"));
        save.FilterIndex = 2;
        chooser.choose(dir.file("out"));
        form->BitBtnCombineFilesClick();
    });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(form->result(), QDialog::Accepted);
    ASSERT_EQ(chooser.asked.size(), 3u);
    EXPECT_EQ(chooser.asked[0].settings.FileName, "");      // cleared for the first file
    EXPECT_EQ(chooser.asked[1].settings.FileName, fileA);   // not for the next ones
    EXPECT_EQ(chooser.asked[2].settings.Filter, "SDF files (*.sdf)|*.sdf|TSD files (*.tsd)|*.tsd");
    EXPECT_EQ(chooser.asked[2].settings.InitialDir, dir.path().string());
    EXPECT_EQ(open.InitialDir, dir.path().string());
    EXPECT_EQ(form->TargetFile, dir.file("out.tsd"));
    EXPECT_EQ(prompter.lastText(), Text(Tx::MergeSaved));

    auto bursts = test::readOutput(dir.file("out.tsd"), out);
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_EQ(out.Nch, 5);
    EXPECT_EQ(out.Nch2, 1);
    EXPECT_EQ(out.ChannelName[3], utf8ToCp932("新名"));
    EXPECT_EQ(out.ScaleA[3], 2.5f);
    EXPECT_EQ(out.ScaleA[1], 2 * a.a);  // untouched cells keep the file's exact scale
    EXPECT_EQ(out.ScaleA[4], 1.0f);
    EXPECT_EQ(out.Memo, utf8ToCp932("結合メモ"));
    for (int s = 0; s < 4; ++s) EXPECT_EQ(bursts[0].data[3][s], b.value(0, s, 0));
    EXPECT_EQ(bursts[0].burst, std::vector<std::int16_t>{b.value(1000, 0, 0)});
}

TEST_F(FrmCombineSDFTest, SaveQuestionsDecideWhetherTheDialogStaysAndWhatIsWritten) {
    const std::string old = dir.file("old.sdf");
    test::writeText(old, "old");
    execute(fileA, [&] {
        addSecond();
        auto press = [&](std::optional<MsgResult> answer, const std::string& target) {
            form->setResult(-1);
            if (answer) prompter.answer(*answer);
            chooser.choose(target);
            form->BitBtnCombineFiles->click();
            return form->result();
        };
        save.FilterIndex = 1;
        chooser.cancel();
        form->BitBtnCombineFilesClick();
        EXPECT_EQ(form->result(), -1);

        EXPECT_EQ(press(MsgResult::Cancel, old), -1);
        EXPECT_EQ(prompter.lastText(), "同名のファイルが存在します。\n上書きしてよろしいですか。");
        EXPECT_EQ(prompter.shown.back().buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(press(MsgResult::No, old), QDialog::Accepted);
        EXPECT_EQ(test::readText(old), "old");

        // A tolerance that is no number stops the merge before anything is written.
        form->EditDTAllowance->setText("abc");
        EXPECT_EQ(press(std::nullopt, dir.file("new.sdf")), -1);
        EXPECT_NE(prompter.lastText().find("abc"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(dir.file("new.sdf")));

        form->EditDTAllowance->setText("0.2");
        EXPECT_EQ(press(MsgResult::Yes, old), QDialog::Accepted);
    });
    auto bursts = test::readOutput(old, out);
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_EQ(out.Nch, 5);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.sdf", "b.tsd", "old.sdf"}));
}

TEST_F(FrmCombineSDFTest, EachRunStartsWithTheBurstGridAsHighAsItsTitleRow) {
    InputLayout c = b;
    c.prefix = "c";
    c.nch2 = 3;
    const std::string fileC = dir.file("c.sdf");
    test::writeInput(fileC, c);
    execute(fileA, [&] {
        chooser.choose(fileC);
        form->Button1Click();
    });
    const int grown = form->StringGridBurstCh->height();
    const int titleRowOnly = ChannelGridHeight(1, form->StringGridBurstCh->defaultRowHeight(), 80);
    EXPECT_GT(grown, titleRowOnly);
    execute(fileA, [&] {
        EXPECT_TRUE(form->StringGridBurstCh->isHidden());
        EXPECT_EQ(form->StringGridBurstCh->height(), titleRowOnly);
        addSecond();  // one burst channel: the title row and one more
        EXPECT_EQ(form->StringGridBurstCh->height(),
                  ChannelGridHeight(2, form->StringGridBurstCh->defaultRowHeight(), 80));
    });
}

TEST_F(FrmCombineSDFTest, NothingShowsWithoutAnAcceptedFirstFileAndEachRunStartsEmpty) {
    chooser.cancel();
    form->Execute();
    test::writeText(dir.file("junk.sdf"), "junk");
    EXPECT_EQ(execute(dir.file("junk.sdf"), [] {}), 0);
    EXPECT_EQ(prompter.lastText(), Text(Tx::FormatWrong));

    EXPECT_EQ(execute(fileA, [&] { addSecond(); }), 1);
    EXPECT_EQ(execute(fileB, [&] {
                  EXPECT_EQ(form->FileCount(), 1);
                  EXPECT_EQ(form->ListBoxCombinedFiles->count(), 1);
                  EXPECT_EQ(form->StringGridItem->rowCount(), 3);
                  EXPECT_FALSE(form->StringGridBurstCh->isHidden());
                  EXPECT_FALSE(form->BitBtnCombineFiles->isEnabled());
              }),
              1);
}

}  // namespace
}  // namespace brine
