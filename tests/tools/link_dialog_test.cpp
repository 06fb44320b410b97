#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <functional>

#include "platform/api/scripted.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"
#include "platform/string_grid.h"
#include "support/qt_app.h"
#include "tools/link_dialog.h"
#include "tools/link_fixtures.h"

namespace brine {
namespace {

using test::FileSpec;
using test::ReadBack;

class LinkDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::qtApp(); }
    void SetUp() override {
        SetAppPrompter(&prompter);
        form.OpenDialog1 = &open;
        form.SaveDialog1 = &save;
        form.chooser = &chooser;
        form.progress = &progress;
        open.MultiSelect = true;
        SetModalHook([this](QDialog& d) {
            ++shown;
            finished = false;
            QObject::connect(&d, &QDialog::finished, &d, [this] { finished = true; }, Qt::SingleShotConnection);
            if (whileShown) whileShown();
            return d.result();
        });
        a = file("a.sdf", 0);
        b = file("b.sdf", 4);
    }
    void TearDown() override {
        SetModalHook(nullptr);
        SetAppPrompter(nullptr);
    }
    // One burst of 4 samples at 1 s, starting `at` seconds into the day.
    std::string file(const std::string& name, int at) {
        FileSpec s;
        s.start += test::seconds(at);
        s.memo = "from " + name;
        std::string path = dir.file(name);
        test::writeFile(path, s);
        return path;
    }
    void choose(std::vector<std::string> files) {
        open.Files = files;
        open.FileName = files.front();
    }
    std::vector<QString> row(StringGrid* g, int r) {
        std::vector<QString> cells;
        for (int c = 0; c < g->colCount(); ++c) cells.push_back(g->cell(c, r));
        return cells;
    }

    test::TempDir dir;
    ScriptedPrompter prompter;
    ScriptedFileChooser chooser;
    ScriptedProgress progress;
    FileDialog open{FileDialogKind::Open};
    FileDialog save{FileDialogKind::Save};
    CurrentFile model;
    TFrmLinkSDF form{model};
    std::function<void()> whileShown;
    int shown = 0;
    bool finished = false;
    std::string a, b;
};

TEST_F(LinkDialog, ShowsTheFilesAndTheFirstFilesGridThenSavesAsText) {
    choose({b, a});
    whileShown = [this] {
        EXPECT_EQ(row(form.StringGridFL, 1),
                  (std::vector<QString>{"1", QString::fromStdString(a), "2020/05/01 00:00:00", "2020/05/01 00:00:03", "1"}));
        EXPECT_EQ(form.StringGridFL->cell(1, 2), QString::fromStdString(b));
        EXPECT_EQ(row(form.StringGridItem, 2), (std::vector<QString>{"2", "v", "cm", "0.5", "1"}));
        EXPECT_EQ(form.EditNS->text(), "4");
        EXPECT_EQ(form.EditSampInterval->text(), "1 sec");
        EXPECT_EQ(form.ComboBoxBurstInterUnit->currentText(), "hr");
        EXPECT_EQ(form.Memo_New->toPlainText(), "from a.sdf");
        EXPECT_FALSE(form.PageControl1->isTabVisible(1));
        EXPECT_TRUE(form.BitBtnLinkFiles->isEnabled());

        form.Memo_New->setPlainText("linked");
        prompter.answer(MsgResult::Yes);  // interval mode
        save.FilterIndex = 2;
        chooser.choose(dir.file("out.sdf"));  // the filter decides the kind
        form.BitBtnLinkFilesClick();
    };
    EXPECT_EQ(form.Execute(), QDialog::Accepted);
    EXPECT_EQ(save.InitialDir, dir.path().string());
    EXPECT_EQ(prompter.lastText(), "連結ファイルを保存しました。");
    ReadBack r(dir.file("out.tsd"));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(TrimRightControl(r.m.Memo), "linked");
    EXPECT_EQ(r.m.SampleSize, 8);
    EXPECT_EQ(r.burst(0)[1][5], 11);  // the second file's sample 1
}

TEST_F(LinkDialog, DeletingAFileMakesTheNextOneTheReference) {
    std::string c = file("c.sdf", 8);
    choose({a, b, c});
    whileShown = [this, c] {
        form.PopupMenu1Popup();
        EXPECT_TRUE(form.Delete1->isEnabled());
        form.StringGridFL->selectRow(1);
        form.Delete1Click();
        EXPECT_EQ(form.Set.FileNames, (std::vector<std::string>{b, c}));
        EXPECT_EQ(form.Memo_New->toPlainText(), "from b.sdf");
        EXPECT_EQ(form.StringGridFL->rowCount(), 3);
        EXPECT_EQ(form.StringGridFL->cell(1, 1), QString::fromStdString(b));

        form.StringGridFL->selectRow(2);
        form.Delete1Click();
        EXPECT_EQ(form.Set.FileCount, 1);
        EXPECT_EQ(form.StringGridFL->cell(1, 2), QString());
        EXPECT_FALSE(form.BitBtnLinkFiles->isEnabled());
        form.PopupMenu1Popup();
        EXPECT_FALSE(form.Delete1->isEnabled());
    };
    form.Execute();
    EXPECT_EQ(shown, 1);
}

TEST_F(LinkDialog, OverwriteAndBurstIntervalAnswersDecideWhetherTheDialogStays) {
    std::string target = dir.file("out.sdf");
    test::writeText(target, "old");
    choose({a, b});
    whileShown = [&] {
        save.FilterIndex = 1;
        // Cancel at the overwrite question: nothing written, still open.
        prompter.answer(MsgResult::Yes);
        chooser.choose(target);
        prompter.answer(MsgResult::Cancel);
        form.BitBtnLinkFilesClick();
        EXPECT_FALSE(finished);

        // A burst interval too short for a burst: the user must edit it.
        form.EditBurstInterval->setText("2");
        form.ComboBoxBurstInterUnit->setCurrentIndex(2);
        prompter.answer(MsgResult::No);
        form.BitBtnLinkFilesClick();
        EXPECT_EQ(prompter.lastText(), "バースト記録時間間隔が短すぎます。\n修正してから連結して下さい。");
        EXPECT_TRUE(form.ComboBoxBurstInterUnit->isEnabled());
        EXPECT_FALSE(form.EditBurstInterval->isReadOnly());
        EXPECT_FALSE(finished);

        // No at the overwrite question closes without writing.
        form.EditBurstInterval->setText("4");
        prompter.answer(MsgResult::No);
        chooser.choose(target);
        prompter.answer(MsgResult::No);
        form.BitBtnLinkFilesClick();
        EXPECT_TRUE(finished);
    };
    form.Execute();
    EXPECT_EQ(test::readText(target), "old");
    EXPECT_FALSE(prompter.showedText("連結ファイルを保存しました。"));
    EXPECT_TRUE(prompter.showedText("同名のファイルが存在します。\n上書きしてよろしいですか。"));
}

}  // namespace
}  // namespace brine
