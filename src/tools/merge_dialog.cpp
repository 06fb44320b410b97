#include "tools/merge_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <filesystem>

#include "base/datetime.h"
#include "base/errors.h"
#include "base/safe_write/file_identity.h"
#include "base/number_text.h"
#include "core/current_file.h"
#include "core/header_edit_rules.h"
#include "core/header_save.h"
#include "platform/api/file_dialog.h"
#include "platform/api/progress.h"
#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "platform/qt_text.h"
#include "platform/string_grid.h"

namespace brine {

TFrmCombineSDF* FrmCombineSDF = nullptr;

namespace {

constexpr int kClientWidth = 484;
constexpr int kClientHeight = 538;
constexpr int kGridRowHeight = 18;
constexpr int kItemGridTop = 268;  // its caption below the last labelled edit
constexpr int kItemGridMaxHeight = 97;
constexpr int kBurstGridTop = 390;
constexpr int kBurstGridMaxHeight = 80;

const char kSaveFilter[] = "SDF files (*.sdf)|*.sdf|TSD files (*.tsd)|*.tsd";

std::string folderOf(const std::string& fileName) {
    return std::filesystem::path(fileName).parent_path().string();
}

// An interval as the header states it: "1 sec".
QString intervalText(std::int32_t value, std::uint8_t unit) {
    return QString::number(value) + " " + QString::fromLatin1(unitAt(unit).Name);
}

// A grid row back into a channel entry: unedited text keeps the file's exact
// bytes and values.
void readRow(const StringGrid& grid, int row, MergeChannel& c) {
    QString name = grid.cell(1, row), unit = grid.cell(2, row);
    if (name != FromCp932(c.name)) c.name = ToCp932(name);
    if (unit != FromCp932(c.unit)) c.unit = ToCp932(unit);
    c.a = ParseScaleCell(grid.cell(3, row).toStdString(), c.a);
    c.b = ParseScaleCell(grid.cell(4, row).toStdString(), c.b);
}

}  // namespace

TFrmCombineSDF::TFrmCombineSDF(QWidget* parent) : QDialog(parent), model(&AppModel()) {
    setObjectName("FrmCombineSDF");
    buildLayout();
}

void TFrmCombineSDF::buildLayout() {
    setWindowTitle(QStringLiteral("SDFファイルの併合"));
    SetFixedDialogFrame(*this, kClientWidth, kClientHeight);

    auto label = [](QWidget* parent, const char* name, const QString& text, QRect r) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(name);
        l->setGeometry(r);
        return l;
    };
    // A read-only edit with its caption to the left.
    auto labeledEdit = [this](const char* name, const QString& caption, QRect r, int captionWidth) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(r);
        e->setReadOnly(true);
        auto* l = new QLabel(caption, this);
        l->setObjectName(QString::fromLatin1(name) + "Label");
        l->setGeometry(r.x() - captionWidth, r.y() + 3, captionWidth, 16);
        l->setBuddy(e);
        return e;
    };

    Label1 = label(this, "Label1", QStringLiteral("ファイル："), QRect(8, 8, 80, 16));
    ListBoxCombinedFiles = new QListWidget(this);
    ListBoxCombinedFiles->setObjectName("ListBoxCombinedFiles");
    ListBoxCombinedFiles->setGeometry(8, 26, 388, 66);
    Button1 = new QPushButton(QStringLiteral("追加"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(404, 26, 72, 26);
    Button1->setAutoDefault(false);

    Label2 = label(this, "Label2", QStringLiteral("メモ："), QRect(8, 100, 80, 16));
    MemoCombinedFile = new QPlainTextEdit(this);
    MemoCombinedFile->setObjectName("MemoCombinedFile");
    MemoCombinedFile->setGeometry(8, 118, 468, 44);

    // The interval edits are wide enough for any count and unit.
    LabeledEditStartTime = labeledEdit("LabeledEditStartTime", QStringLiteral("計測開始時刻："), QRect(112, 170, 150, 22), 104);
    LabeledEditNS = labeledEdit("LabeledEditNS", QStringLiteral("ｲﾝﾀｰﾊﾞﾙ記録回数："), QRect(112, 196, 120, 22), 104);
    LabeledEditSampInterval =
        labeledEdit("LabeledEditSampInterval", QStringLiteral("計測時間間隔："), QRect(112, 222, 120, 22), 104);
    LabeledEditIteration = labeledEdit("LabeledEditIteration", QStringLiteral("リピート回数："), QRect(356, 196, 120, 22), 112);
    LabeledEditBurstInterval =
        labeledEdit("LabeledEditBurstInterval", QStringLiteral("バースト時間間隔："), QRect(356, 222, 120, 22), 112);

    Label3 = label(this, "Label3", QStringLiteral("インターバル記録項目："), QRect(8, kItemGridTop - 18, 200, 16));
    StringGridItem = new StringGrid(this);
    StringGridItem->setObjectName("StringGridItem");
    LabelBurstCh = label(this, "LabelBurstCh", QStringLiteral("バースト記録項目："), QRect(8, kBurstGridTop - 18, 200, 16));
    StringGridBurstCh = new StringGrid(this);
    StringGridBurstCh->setObjectName("StringGridBurstCh");
    for (StringGrid* g : {StringGridItem, StringGridBurstCh}) {
        g->setColCount(5);
        g->setFixedCols(1);
        g->setFixedRows(1);
        g->setDefaultRowHeight(kGridRowHeight);
        g->setEditing(true);
        // Names and units go into fixed-width CP932 fields and TSD lists.
        g->setCellValidator(
            [](int col, int, const QString& text) { return ChannelCellAcceptable(col, text.toStdString()); });
    }
    StringGridItem->setGeometry(8, kItemGridTop, kClientWidth - 16, ChannelGridHeight(2, kGridRowHeight, kItemGridMaxHeight));
    StringGridBurstCh->setGeometry(8, kBurstGridTop, kClientWidth - 16, ChannelGridHeight(2, kGridRowHeight, kBurstGridMaxHeight));

    GroupBox1 = new QGroupBox(QStringLiteral("同じ時刻とみなす許容誤差"), this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 478, 240, 52);
    Label4 = label(GroupBox1, "Label4", QStringLiteral("計測時間間隔との比："), QRect(8, 24, 130, 16));
    EditDTAllowance = new QLineEdit(QStringLiteral("0.1"), GroupBox1);
    EditDTAllowance->setObjectName("EditDTAllowance");
    EditDTAllowance->setGeometry(140, 20, 90, 22);

    BitBtnCombineFiles = AddDefaultButton(*this, "BitBtnCombineFiles", QStringLiteral("保存"), QRect(310, 496, 80, 28),
                                          QStyle::SP_DialogOkButton);
    BitBtn4 = AddCancelButton(*this, "BitBtn4", QStringLiteral("ｷｬﾝｾﾙ"), QRect(396, 496, 80, 28));

    connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
    connect(BitBtnCombineFiles, &QPushButton::clicked, this,
            [this] { Guarded([this] { BitBtnCombineFilesClick(); }); });
    connect(BitBtn4, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrmCombineSDF::setUpGrid(StringGrid* grid) {
    grid->setRowCount(1);
    const char* titles[] = {"No", "Item", "Unit", "A", "B"};
    const int widths[] = {20, 120, 50, 70, 70};
    for (int c = 0; c < 5; ++c) {
        grid->setCell(c, 0, QString::fromLatin1(titles[c]));
        grid->setColWidth(c, widths[c]);
    }
}

void TFrmCombineSDF::Execute() {
    BitBtnCombineFiles->setEnabled(false);
    Files.Clear();
    TargetFile.clear();
    setUpGrid(StringGridItem);
    setUpGrid(StringGridBurstCh);
    StringGridItem->setGeometry(StringGridItem->x(), kItemGridTop, StringGridItem->width(),
                                ChannelGridHeight(1, kGridRowHeight, kItemGridMaxHeight));
    StringGridBurstCh->setGeometry(StringGridBurstCh->x(), kBurstGridTop, StringGridBurstCh->width(),
                                   ChannelGridHeight(1, kGridRowHeight, kBurstGridMaxHeight));
    StringGridBurstCh->setVisible(false);
    LabelBurstCh->setVisible(false);

    OpenDialog1->FileName.clear();
    OpenDialog1->Files.clear();
    if (!OpenDialog1->Execute(AppFileChooser())) return;
    ListBoxCombinedFiles->clear();
    const std::string chosen = OpenDialog1->FileName;
    if (!AddFile(chosen)) return;

    OpenDialog1->InitialDir = folderOf(chosen);
    SaveDialog1->InitialDir = folderOf(chosen);
    const FileHeader& first = Files.First().Header;
    shownMemo_ = FromUtf8(MemoForDisplay(first.Memo));
    MemoCombinedFile->setPlainText(shownMemo_);
    LabeledEditStartTime->setText(FromUtf8(FormatDateTime(first.StartTime)));
    LabeledEditNS->setText(QString::number(first.SampleSize));
    LabeledEditSampInterval->setText(intervalText(first.SInt, first.SITUnit));
    LabeledEditIteration->setText(QString::number(first.Iterations));
    LabeledEditBurstInterval->setText(intervalText(first.BInt, first.BITUnit));
    ShowModal(*this);
}

bool TFrmCombineSDF::AddFile(const std::string& fileName) {
    if (!Files.AddFile(fileName, *model, AppPrompter())) return false;
    const MergeSource& f = Files.Files().back();
    ListBoxCombinedFiles->addItem(FromUtf8(FullName(fileName)));
    appendRows(StringGridItem, f, 0, f.Header.Nch, kItemGridMaxHeight);
    if (f.Header.Nch2 > 0) {
        appendRows(StringGridBurstCh, f, f.Header.Nch, f.Header.Nch2, kBurstGridMaxHeight);
        StringGridBurstCh->setVisible(true);
        LabelBurstCh->setVisible(true);
    }
    BitBtnCombineFiles->setEnabled(FileCount() >= 2);
    return true;
}

void TFrmCombineSDF::appendRows(StringGrid* grid, const MergeSource& f, int first, int count, int maxHeight) {
    int row = grid->rowCount();
    grid->setRowCount(row + count);
    for (int k = first; k < first + count; ++k, ++row) {
        auto i = static_cast<std::size_t>(k);
        grid->setCell(0, row, QString::number(row));
        grid->setCell(1, row, FromCp932(f.Header.ChannelName[i]));
        grid->setCell(2, row, FromCp932(f.Header.ChannelUnit[i]));
        grid->setCell(3, row, FromUtf8(ScaleCellText(f.Header.ScaleA[i])));
        grid->setCell(4, row, FromUtf8(ScaleCellText(f.Header.OffsetB[i])));
    }
    grid->setGeometry(grid->x(), grid->y(), grid->width(),
                      ChannelGridHeight(grid->rowCount(), kGridRowHeight, maxHeight));
}

void TFrmCombineSDF::Button1Click() {
    if (!OpenDialog1->Execute(AppFileChooser())) return;
    AddFile(OpenDialog1->FileName);
}

MergeSettings TFrmCombineSDF::readSettings() const {
    MergeSettings s;
    s.TargetFile = TargetFile;
    DefaultChannels(Files, s);
    for (std::size_t r = 0; r < s.IntervalChannels.size(); ++r)
        readRow(*StringGridItem, static_cast<int>(r) + 1, s.IntervalChannels[r]);
    for (std::size_t r = 0; r < s.BurstChannels.size(); ++r)
        readRow(*StringGridBurstCh, static_cast<int>(r) + 1, s.BurstChannels[r]);
    QString memo = MemoCombinedFile->toPlainText();
    s.Memo = MemoToWrite(Files.First().Header.Memo, memo != shownMemo_, memo.toStdString());
    std::string tol = EditDTAllowance->text().toStdString();
    std::optional<double> v = ParseNumber(tol);
    if (!v) throw ConversionError("'" + tol + "' は正しい数値ではありません。");
    s.Tol = *v;
    return s;
}

bool TFrmCombineSDF::CombineFiles() {
    // Every edited text is read and checked before anything is written.
    MergeSettings settings = readSettings();
    NullProgress noProgress;
    return brine::CombineFiles(Files, settings, *model, AppPrompter(), progress ? *progress : noProgress);
}

void TFrmCombineSDF::BitBtnCombineFilesClick() {
    if (FileCount() < 1) return;
    SaveDialog1->Filter = kSaveFilter;
    SaveDialog1->InitialDir = folderOf(Files.First().FileName);
    if (!SaveDialog1->Execute(AppFileChooser())) return;
    TargetFile = WithExtensionReplaced(SaveDialog1->FileName, SaveDialog1->FilterIndex == 2 ? "tsd" : "sdf");
    std::error_code ec;
    if (std::filesystem::exists(TargetFile, ec)) {
        switch (AppPrompter().ask(MsgType::Warning, Question(Tx::OverwriteExistingTwoLines), MsgButtons::YesNoCancel)) {
            case MsgResult::Yes:
                break;
            case MsgResult::No:
                accept();  // nothing written
                return;
            default:
                return;  // the dialog stays
        }
    }
    // A failed merge keeps the dialog and its files for another try.
    if (CombineFiles()) accept();
}

}  // namespace brine
