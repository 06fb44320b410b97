// The yearly-table dialog driven headless.
#include "importers/yearly_table_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

#include "base/cp932.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "core/sdf_builder.h"
#include "importers/raw_files.h"
#include "platform/api/scripted.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"
#include "platform/string_grid.h"
#include "support/qt_app.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

std::vector<std::string> monthDayTable(const std::string& title, int days, const std::string& value) {
    std::vector<std::string> lines{"地点：A港", title};
    for (int d = 1; d <= days; ++d) {
        std::string row = std::to_string(d);
        for (int m = 1; m <= 12; ++m) row += "," + value;
        lines.push_back(row);
    }
    return lines;
}

std::string monthTitles(const std::string& first) {
    std::string s = first;
    for (int m = 1; m <= 12; ++m) s += "," + std::to_string(m) + "月";
    return s;
}

class FrmDateYearTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        SetAppPrompter(&prompter);
        form = new TFrmDateYearTable();
        form->model = &model;
        form->headerSave = &save;
        form->progress = &progress;
    }
    void TearDown() override {
        SetModalHook({});
        SetAppPrompter(nullptr);
        delete form;
    }
    std::string tableFile(const std::vector<std::string>& lines, const std::string& name = "table.csv") {
        std::string p = dir.file(name);
        test::writeText(p, utf8ToCp932(test::joinLines(lines)));
        return p;
    }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    test::DirectHeaderSave save{model, dir.file("out.sdf")};
    TFrmDateYearTable* form = nullptr;
};

TEST_F(FrmDateYearTableTest, LoadingShowsTheTableYearAndTimeRange) {
    std::string titles = "日,2004年1月" + monthTitles("").substr(std::string(",1月").size());
    ASSERT_TRUE(form->LoadTable(tableFile(monthDayTable(titles, 31, "5")), 0));
    EXPECT_EQ(form->StringGrid1->cell(1, 0), "2004年1月");
    EXPECT_EQ(form->windowTitle(), "月日別年別表データ");
    EXPECT_EQ(form->StringGrid1->colCount(), 13);
    EXPECT_EQ(form->StringGrid1->rowCount(), 32);
    EXPECT_EQ(form->StringGrid1->cell(12, 0), "12月");
    EXPECT_EQ(form->Memo1->toPlainText(), QString::fromStdString("Original file:" + dir.file("table.csv") + ";地点：A港"));
    EXPECT_EQ(form->Year, 2004);
    EXPECT_EQ(form->EditYear->text(), "2004");
    EXPECT_EQ(form->EditStartTime->text(), "2004/01/01 10:00");
    EXPECT_EQ(form->EditLastTime->text(), "2004/12/31 10:00");

    // Edits follow the year and the time; a year with no dates leaves them.
    form->EditTime->setText("9:15");
    EXPECT_EQ(form->EditStartTime->text(), "2004/01/01 09:15");
    form->EditYear->setText("2001");
    EXPECT_EQ(form->EditLastTime->text(), "2001/12/31 09:15");
    form->EditYear->setText("0");
    EXPECT_EQ(form->EditLastTime->text(), "2001/12/31 09:15");
    EXPECT_TRUE(prompter.shown.empty());

    // A smaller ten-day table: nothing of the first table shows through.
    prompter.shown.clear();
    form->EditYear->setText("1999");
    ASSERT_TRUE(form->LoadTable(tableFile({"旬,値(1月から)", "1月上旬,3,,"}), 1));
    EXPECT_EQ(form->windowTitle(), "月旬別年別表データ");
    EXPECT_EQ(prompter.lastText(), "表の行は37行でなければなりません。");
    EXPECT_EQ(form->Year, 1999);
    EXPECT_EQ(form->EditStartTime->text(), "1999/01/01 00:00");
    EXPECT_EQ(form->StringGrid1->colCount(), 4);
    EXPECT_EQ(form->StringGrid1->rowCount(), 2);
    EXPECT_EQ(form->StringGrid1->cell(2, 1), "");
    form->StringGrid1->setColCount(13);
    form->StringGrid1->setRowCount(32);
    EXPECT_EQ(form->StringGrid1->cell(12, 0), "");
}

TEST_F(FrmDateYearTableTest, MemoTypingStopsAt160CharactersButALongLoadedMemoMayShrink) {
    ASSERT_TRUE(form->LoadTable(tableFile({std::string(200, 'n'), "x,1月"}), 0));
    QString loaded = form->Memo1->toPlainText();
    ASSERT_GT(loaded.size(), 200);
    form->Memo1->setPlainText(loaded.left(170));
    EXPECT_EQ(form->Memo1->toPlainText().size(), 170);
    form->Memo1->setPlainText(QString(171, QChar(u'あ')));
    EXPECT_EQ(form->Memo1->toPlainText(), loaded.left(170));
    form->Memo1->setPlainText(QString(160, QChar(u'あ')));
    form->Memo1->setPlainText(QString(161, QChar(u'あ')));
    EXPECT_EQ(form->Memo1->toPlainText(), QString(160, QChar(u'あ')));
}

TEST_F(FrmDateYearTableTest, FilesThatAreNoTableShowNoDialog) {
    EXPECT_FALSE(form->LoadTable(tableFile({"just", "notes"}), 0));
    EXPECT_EQ(prompter.lastText(), "表の見出し行（1月、１月またはJanを含む行）がありません。");
}

TEST_F(FrmDateYearTableTest, RefusedConversionsSaveNothingAndKeepTheDialogOpen) {
    ASSERT_TRUE(form->LoadTable(tableFile({monthTitles("日"), "1,1,1,1", "2,1,1,400"}), 0));
    form->EditA->setText("0.01");
    prompter.answer(MsgResult::Yes);  // set the coefficients again
    form->BitBtn1->click();
    EXPECT_EQ(save.calls, 0);
    EXPECT_NE(form->result(), QDialog::Accepted);
    // The cell in question was selected.
    EXPECT_EQ(form->StringGrid1->selection(), (GridRect{3, 2, 3, 2}));

    form->EditA->setText("0");
    form->BitBtn1->click();
    EXPECT_EQ(save.calls, 0);
    EXPECT_EQ(prompter.lastText(), "係数Aには0以外の数値を入力して下さい。");

    // A year edit holding no number is not silently replaced by the last one.
    form->EditA->setText("1");
    form->EditYear->setText("20x1");
    prompter.shown.clear();
    form->BitBtn1->click();
    EXPECT_EQ(save.calls, 0);
    EXPECT_EQ(prompter.lastText(), "'20x1' は正しい整数ではありません。");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.sdf")));
}

TEST_F(FrmDateYearTableTest, TypingInTheYearShowsNoMessageAndKeepsTheLastYear) {
    ASSERT_TRUE(form->LoadTable(tableFile({monthTitles("日"), "1,1,1,1"}), 0));
    form->EditYear->setText("2003");
    EXPECT_EQ(form->EditStartTime->text(), "2003/01/01 10:00");
    form->EditYear->setText("");       // cleared to type another
    form->EditYear->setText("99999");  // one digit too many
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(form->Year, 2003);
    EXPECT_EQ(form->EditStartTime->text(), "2003/01/01 10:00");

    // Converting checks the text again.
    form->BitBtn1->click();
    EXPECT_EQ(prompter.lastText(), "値が範囲外です。");
    EXPECT_EQ(save.calls, 0);
}

TEST_F(FrmDateYearTableTest, FilesThatCannotBeReadSayWhichFile) {
    const std::string missing = dir.file("missing.csv");
    EXPECT_FALSE(form->LoadTable(missing, 0));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    EXPECT_EQ(prompter.lastText(), "ファイルを開けません。\n" + missing);

    const std::string folder = dir.file("folder.csv");  // opens, but cannot be read
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(form->LoadTable(folder, 0));
    EXPECT_EQ(prompter.lastText(), "ファイルを読み込めません。\n" + folder);
}

}  // namespace
}  // namespace brine
