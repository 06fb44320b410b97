#include "tools/link_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTabWidget>
#include <algorithm>
#include <filesystem>

#include "base/datetime.h"
#include "base/errors.h"
#include "base/texts.h"
#include "core/header_edit_rules.h"
#include "core/time_units.h"
#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "platform/qt_text.h"
#include "platform/refuse_edit.h"
#include "platform/string_grid.h"

namespace brine {

TFrmLinkSDF* FrmLinkSDF = nullptr;

namespace {

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 452;
constexpr int kRowHeight = 20;

QString timeText(double t) {
    try {
        return QString::fromStdString(FormatDateTime(t));
    } catch (const BrineError&) {
        return {};
    }
}

void setTitles(StringGrid* grid, std::initializer_list<std::pair<const char*, int>> columns) {
    grid->setColCount(static_cast<int>(columns.size()));
    int col = 0;
    for (const auto& [title, width] : columns) {
        grid->setCell(col, 0, QString::fromUtf8(title));
        grid->setColWidth(col, width);
        ++col;
    }
}

// Empties the rows below the titles and leaves `rows` rows in all.
void clearRows(StringGrid* grid, int rows) {
    for (int r = 1; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->colCount(); ++c) grid->setCell(c, r, QString());
    grid->setRowCount(std::max(rows, 2));
    for (int r = 1; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->colCount(); ++c) grid->setCell(c, r, QString());
}

}  // namespace

TFrmLinkSDF::TFrmLinkSDF(CurrentFile& model, QWidget* parent) : QDialog(parent), Set(model) {
    setObjectName("FrmLinkSDF");
    setWindowTitle(QStringLiteral("SDFファイルの連結"));
    buildLayout();
}

void TFrmLinkSDF::buildLayout() {
    SetFixedDialogFrame(*this, kClientWidth, kClientHeight);

    auto label = [this](const char* name, const char* text, QRect r) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setObjectName(name);
        l->setGeometry(r);
        return l;
    };
    auto readOnlyEdit = [this](const char* name, QRect r) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        e->setGeometry(r);
        e->setReadOnly(true);
        return e;
    };
    auto grid = [](QWidget* parent, const char* name, QRect r) {
        auto* g = new StringGrid(parent);
        g->setObjectName(name);
        g->setDefaultRowHeight(kRowHeight);
        g->setColumnSizing(true);
        g->setGeometry(r);
        return g;
    };

    Label1 = label("Label1", "メモ：", QRect(8, 10, 44, 16));
    Memo_New = new QPlainTextEdit(this);
    Memo_New->setObjectName("Memo_New");
    Memo_New->setGeometry(56, 8, 576, 44);

    Label2 = label("Label2", "インターバル記録回数： ", QRect(8, 64, 150, 16));
    EditNS = readOnlyEdit("EditNS", QRect(160, 60, 90, 22));
    Label3 = label("Label3", "計測時間間隔： ", QRect(262, 64, 100, 16));
    EditSampInterval = readOnlyEdit("EditSampInterval", QRect(362, 60, 120, 22));
    Label4 = label("Label4", "バースト時間間隔： ", QRect(8, 94, 150, 16));
    EditBurstInterval = readOnlyEdit("EditBurstInterval", QRect(160, 90, 90, 22));
    ComboBoxBurstInterUnit = new QComboBox(this);
    ComboBoxBurstInterUnit->setObjectName("ComboBoxBurstInterUnit");
    ComboBoxBurstInterUnit->setGeometry(254, 90, 64, 22);
    ComboBoxBurstInterUnit->setEnabled(false);

    StringGridFL = grid(this, "StringGridFL", QRect(8, 120, 624, 120));
    StringGridFL->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGridFL->setSelectionMode(QAbstractItemView::SingleSelection);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    Delete1 = PopupMenu1->addAction(QStringLiteral("削除(&D)"));
    Delete1->setObjectName("Delete1");
    StringGridFL->setPopupMenu(PopupMenu1);

    Label5 = label("Label5", "記録時間同時性許容誤差（％）： ", QRect(8, 252, 210, 16));
    EditTolerance = new QLineEdit(QStringLiteral("1"), this);
    EditTolerance->setObjectName("EditTolerance");
    EditTolerance->setGeometry(220, 248, 60, 22);
    // Shown once a first file sets the grid.
    Label5->setVisible(false);
    EditTolerance->setVisible(false);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(8, 278, 480, 130);
    TabSheet1 = new QWidget();
    TabSheet1->setObjectName("TabSheet1");
    StringGridItem = grid(TabSheet1, "StringGridItem", QRect(2, 2, 470, 97));
    PageControl1->addTab(TabSheet1, QStringLiteral("インターバル記録項目"));
    TabSheet2 = new QWidget();
    TabSheet2->setObjectName("TabSheet2");
    StringGridBurstCh = grid(TabSheet2, "StringGridBurstCh", QRect(2, 2, 470, 89));
    PageControl1->addTab(TabSheet2, QStringLiteral("バースト記録項目"));

    Button1 = new QPushButton(QStringLiteral("連結ファイルの追加"), this);
    Button1->setObjectName("Button1");
    Button1->setGeometry(496, 300, 136, 28);
    Button1->setAutoDefault(false);
    BitBtnLinkFiles = AddDefaultButton(*this, "BitBtnLinkFiles", QStringLiteral("保存"), QRect(460, 416, 84, 28),
                                       QStyle::SP_DialogSaveButton);
    BitBtnLinkFiles->setEnabled(false);
    BitBtn4 = AddCancelButton(*this, "BitBtn4", QStringLiteral("ｷｬﾝｾﾙ"), QRect(548, 416, 84, 28));

    connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
    connect(BitBtnLinkFiles, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtnLinkFilesClick(); }); });
    connect(BitBtn4, &QPushButton::clicked, this, &QDialog::reject);
    connect(Delete1, &QAction::triggered, this, [this] { Guarded([this] { Delete1Click(); }); });
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { Guarded([this] { PopupMenu1Popup(); }); });
    connect(Memo_New, &QPlainTextEdit::textChanged, this, [this] { Guarded([this] { Memo_NewChange(); }); });
}

void TFrmLinkSDF::useServices() {
    Set.prompter = &AppPrompter();
    Set.progress = progress;
    Set.ToleranceText = EditTolerance->text().toStdString();
}

FileChooser& TFrmLinkSDF::fileChooser() { return chooser ? *chooser : AppFileChooser(); }

int TFrmLinkSDF::Execute() {
    Set.Clear();
    StringGridFL->setRowCount(2);
    setTitles(StringGridFL, {{"No.", 20}, {"ファイル名", 220}, {"計測開始時刻", 150}, {"最終計測時刻", 150}, {"ﾊﾞｰｽﾄ数", 80}});
    clearRows(StringGridFL, 2);
    for (StringGrid* g : {StringGridItem, StringGridBurstCh}) {
        setTitles(g, {{"No", 20}, {"Item", 120}, {"Unit", 50}, {"A", 70}, {"B", 70}});
        clearRows(g, 2);
    }
    {
        QSignalBlocker block(ComboBoxBurstInterUnit);
        ComboBoxBurstInterUnit->clear();
        for (const TTimeUnit& u : TimeUnits) ComboBoxBurstInterUnit->addItem(QString::fromUtf8(u.Name));
    }
    ComboBoxBurstInterUnit->setEnabled(false);
    EditBurstInterval->setReadOnly(true);
    BitBtnLinkFiles->setEnabled(false);
    BitBtn4->setEnabled(true);

    if (!OpenDialog1) return QDialog::Rejected;
    std::vector<std::string> files = OpenDialog1->Files;
    if (files.empty() && !OpenDialog1->FileName.empty()) files.push_back(OpenDialog1->FileName);
    if (files.empty()) return QDialog::Rejected;
    bool ok = files.size() == 1 ? AddFile(files.front()) : AddFilesSorted(files);
    if (!ok) return QDialog::Rejected;
    if (SaveDialog1) SaveDialog1->InitialDir = std::filesystem::path(OpenDialog1->FileName).parent_path().string();
    return ShowModal(*this);
}

bool TFrmLinkSDF::AddFile(const std::string& name) {
    useServices();
    const bool wasEmpty = Set.FileCount == 0;
    bool ok = Set.AddFile(name);
    showSet(wasEmpty);
    return ok;
}

bool TFrmLinkSDF::AddFilesSorted(const std::vector<std::string>& names) {
    useServices();
    const bool wasEmpty = Set.FileCount == 0;
    bool ok = Set.AddFilesSorted(names);
    showSet(wasEmpty);
    return ok;
}

void TFrmLinkSDF::showChannels(StringGrid* grid, int first, int count, int maxHeight) {
    clearRows(grid, count + 1);
    for (int i = 0; i < count; ++i) {
        const std::size_t k = static_cast<std::size_t>(first + i);
        grid->setCell(0, i + 1, QString::number(i + 1));
        grid->setCell(1, i + 1, FromCp932(Set.RefChannelName[k]));
        grid->setCell(2, i + 1, FromCp932(Set.RefChannelUnit[k]));
        grid->setCell(3, i + 1, FromUtf8(ScaleCellText(Set.RefScaleA[k])));
        grid->setCell(4, i + 1, FromUtf8(ScaleCellText(Set.RefOffsetB[k])));
    }
    grid->resize(grid->width(), ChannelGridHeight(grid->rowCount(), grid->defaultRowHeight(), maxHeight));
}

void TFrmLinkSDF::showSet(bool wasEmpty) {
    const int n = Set.FileCount;
    clearRows(StringGridFL, n + 1);
    for (int i = 0; i < n; ++i) {
        const std::size_t u = static_cast<std::size_t>(i);
        StringGridFL->setCell(0, i + 1, QString::number(i + 1));
        StringGridFL->setCell(1, i + 1, QString::fromStdString(Set.FileNames[u]));
        StringGridFL->setCell(2, i + 1, timeText(Set.FileStartTime[u]));
        StringGridFL->setCell(3, i + 1, timeText(Set.FileLastTime[u]));
        StringGridFL->setCell(4, i + 1, QString::number(Set.FileIterations[u]));
    }
    if (wasEmpty && n > 0) {
        // The first file defines the output.
        Label5->setVisible(true);
        EditTolerance->setVisible(true);
        EditNS->setText(QString::number(Set.RefSampleSize));
        EditSampInterval->setText(QString::number(Set.RefSInt) + " " + QString::fromUtf8(unitAt(Set.RefSITUnit).Name));
        EditBurstInterval->setText(QString::number(Set.RefBInt));
        ComboBoxBurstInterUnit->setCurrentIndex(Set.RefBITUnit);
        Memo_New->setPlainText(QString::fromStdString(MemoForDisplay(Set.RefMemo)));
        showChannels(StringGridItem, 0, Set.RefNch, 97);
        PageControl1->setTabVisible(PageControl1->indexOf(TabSheet2), Set.RefNch2 > 0);
    }
    showChannels(StringGridBurstCh, Set.RefNch, Set.RefNch2, 89);
    BitBtnLinkFiles->setEnabled(n >= 2);
}

void TFrmLinkSDF::Memo_NewChange() {
    QString now = Memo_New->toPlainText();
    if (!MemoChangeAcceptable(memoAccepted_.toStdString(), now.toStdString())) {
        // Over 160 bytes of CP932, or a character CP932 cannot hold.
        RefuseEdit(*Memo_New, memoAccepted_);
        return;
    }
    memoAccepted_ = now;
}

void TFrmLinkSDF::Button1Click() {
    if (!OpenDialog1 || !OpenDialog1->Execute(fileChooser())) return;
    std::vector<std::string> files = OpenDialog1->Files;
    if (files.empty()) files.push_back(OpenDialog1->FileName);
    if (files.size() == 1)
        AddFile(files.front());
    else
        AddFilesSorted(files);
}

void TFrmLinkSDF::BitBtnLinkFilesClick() {
    useServices();
    LinkPlan plan;
    SaveStep step = Set.PrepareSave(EditBurstInterval->text().toStdString(), ComboBoxBurstInterUnit->currentIndex(), plan);
    if (step == SaveStep::BurstIntervalShort) {
        // The user sets a burst interval that covers a burst.
        ComboBoxBurstInterUnit->setEnabled(true);
        EditBurstInterval->setReadOnly(false);
        return;
    }
    if (step != SaveStep::Proceed || !SaveDialog1) return;
    if (!SaveDialog1->Execute(fileChooser())) {
        accept();
        return;
    }
    const std::string target = WithExtensionReplaced(SaveDialog1->FileName, SaveDialog1->FilterIndex == 2 ? "tsd" : "sdf");
    if (Set.IsInputFile(target)) {
        AppPrompter().error(Text(Tx::LinkTargetIsInput) + "\n" + target);
        return;
    }
    std::error_code ec;
    if (std::filesystem::exists(target, ec)) {
        MsgResult r = AppPrompter().ask(MsgType::Warning, Question(Tx::OverwriteExistingTwoLines), MsgButtons::YesNoCancel);
        if (r == MsgResult::Cancel) return;
        if (r != MsgResult::Yes) {
            accept();
            return;
        }
    }
    BitBtnLinkFiles->setEnabled(false);
    BitBtn4->setEnabled(false);
    struct Enable {
        QPushButton *a, *b;
        ~Enable() {
            a->setEnabled(true);
            b->setEnabled(true);
        }
    } enableAgain{BitBtnLinkFiles, BitBtn4};
    Set.LinkFiles(target, MemoFromDisplay(Memo_New->toPlainText().toStdString()), plan);
    accept();
}

void TFrmLinkSDF::Delete1Click() {
    const int row = StringGridFL->selection().Top;
    if (row < 1 || row > Set.FileCount) return;
    std::vector<std::string> names;
    for (int i = 0; i < Set.FileCount; ++i)
        if (i != row - 1) names.push_back(Set.FileNames[static_cast<std::size_t>(i)]);
    Set.Clear();
    clearRows(StringGridItem, 2);
    clearRows(StringGridBurstCh, 2);
    AddFilesSorted(names);
}

void TFrmLinkSDF::PopupMenu1Popup() { Delete1->setEnabled(Set.FileCount != 1); }

}  // namespace brine
