#include "tools/extract_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <filesystem>

#include "core/header_edit_rules.h"
#include "core/header_save.h"
#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "platform/qt_text.h"
#include "platform/refuse_edit.h"
#include "platform/status_panels.h"
#include "tools/extract_save.h"

namespace brine {

TFrmEditSDF* FrmEditSDF = nullptr;

namespace {

constexpr int kClientWidth = 420;
constexpr int kClientHeight = 430;
const char kOutputFilter[] = "SDF files (*.sdf)|*.sdf|TSD files (*.tsd)|*.tsd";

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y, int w) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(x, y, w, 18);
    return l;
}

QScrollBar* positionBar(QWidget* parent, const char* name, int y) {
    auto* s = new QScrollBar(Qt::Horizontal, parent);
    s->setObjectName(name);
    s->setGeometry(52, y, 190, 18);
    return s;
}

QLineEdit* positionEdit(QWidget* parent, const char* name, int y) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(250, y - 2, 146, 22);
    e->setReadOnly(true);
    return e;
}

}  // namespace

TFrmEditSDF::TFrmEditSDF(QWidget* parent) : QDialog(parent), model(&AppModel()) {
    setObjectName("FrmEditSDF");
    setWindowTitle(QStringLiteral("データの抽出"));
    SetFixedDialogFrame(*this, kClientWidth, kClientHeight);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 8, 404, 56);
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { Guarded([this] { Memo1Change(); }); });

    GroupBox1 = new QGroupBox(QStringLiteral("抽出データ範囲"), this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 70, 404, 78);
    Label1 = label(GroupBox1, "Label1", QStringLiteral("最初："), 8, 24, 44);
    ScrollBarFirstTime = positionBar(GroupBox1, "ScrollBarFirstTime", 24);
    EditFirstTime = positionEdit(GroupBox1, "EditFirstTime", 24);
    Label2 = label(GroupBox1, "Label2", QStringLiteral("最後："), 8, 50, 44);
    ScrollBarLastTime = positionBar(GroupBox1, "ScrollBarLastTime", 50);
    EditLastTime = positionEdit(GroupBox1, "EditLastTime", 50);
    connect(ScrollBarFirstTime, &QScrollBar::valueChanged, this,
            [this] { Guarded([this] { ScrollBarFirstTimeChange(); }); });
    connect(ScrollBarLastTime, &QScrollBar::valueChanged, this,
            [this] { Guarded([this] { ScrollBarLastTimeChange(); }); });

    Label3 = label(this, "Label3", QStringLiteral("抽出チャンネル："), 8, 154, 160);
    CheckListBoxItem = new QListWidget(this);
    CheckListBoxItem->setObjectName("CheckListBoxItem");
    CheckListBoxItem->setGeometry(8, 174, 404, 132);

    GroupBox2 = new QGroupBox(QStringLiteral("出力ファイル"), this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(8, 312, 404, 54);
    EditOutputFL = new QLineEdit(GroupBox2);
    EditOutputFL->setObjectName("EditOutputFL");
    EditOutputFL->setGeometry(8, 22, 318, 22);
    Button2 = new QPushButton(QStringLiteral("参照"), GroupBox2);
    Button2->setObjectName("Button2");
    Button2->setGeometry(332, 21, 64, 24);
    Button2->setAutoDefault(false);
    connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });

    BitBtn1 = new QPushButton(QStringLiteral("保存"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(8, 374, 90, 28);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(104, 374, 90, 28);
    BitBtn2->setAutoDefault(false);
    BitBtn3 = new QPushButton(QStringLiteral("次のファイルへスキップ"), this);
    BitBtn3->setObjectName("BitBtn3");
    BitBtn3->setGeometry(252, 374, 160, 28);
    BitBtn3->setAutoDefault(false);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });

    StatusBar1 = new StatusPanels(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setGeometry(0, kClientHeight - 20, kClientWidth, 20);
    FormCreate();
}

void TFrmEditSDF::FormCreate() {
    StatusBar1->addPanel(200);
    StatusBar1->addPanel(kClientWidth - 200);
}

int TFrmEditSDF::Execute(const std::string& fileName) {
    const std::filesystem::path path(fileName);
    StatusBar1->setPanelText(0, FromUtf8(path.parent_path().string()));
    StatusBar1->setPanelText(1, FromUtf8(path.filename().string()));
    SourceFile = fileName;
    bool read = false;
    // The reader has shown why it refused; the file is skipped.
    Guarded([&] { read = model->ReadHeader(fileName); });
    if (!read) return mrIgnore;

    SaveDialog1.InitialDir = path.parent_path().string();
    {
        QSignalBlocker block(Memo1);
        shownMemo_ = FromUtf8(MemoForDisplay(model->Memo));
        memoAccepted_ = shownMemo_;
        Memo1->setPlainText(shownMemo_);
    }
    EditOutputFL->setText(FromUtf8(fileName));
    EditOutputFL->setCursorPosition(static_cast<int>(EditOutputFL->text().size()));

    CheckListBoxItem->clear();
    for (int k = 0; k < model->Nch + model->Nch2; ++k) {
        auto* item = new QListWidgetItem(FromCp932(model->ChannelName[static_cast<std::size_t>(k)]), CheckListBoxItem);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    if (CheckListBoxItem->count() > 0) CheckListBoxItem->setCurrentRow(0);

    {
        QSignalBlocker blockFirst(ScrollBarFirstTime), blockLast(ScrollBarLastTime);
        const int last = std::max(0, LastPosition(*model));
        // A page a tenth of the range: Qt sizes the handle by the page, and
        // its default page of ten would fill the bar of a short range.
        for (QScrollBar* bar : {ScrollBarFirstTime, ScrollBarLastTime}) {
            bar->setRange(0, last);
            bar->setPageStep(std::max(1, (last + 1) / 10));
        }
        ScrollBarFirstTime->setValue(0);
        ScrollBarLastTime->setValue(last);
    }
    ScrollBarFirstTimeChange();
    ScrollBarLastTimeChange();

    const int result = ShowModal(*this);
    return result == QDialog::Rejected ? static_cast<int>(mrCancel) : result;
}

void TFrmEditSDF::ScrollBarFirstTimeChange() {
    EditFirstTime->setText(FromUtf8(PositionText(*model, ScrollBarFirstTime->value())));
}

void TFrmEditSDF::ScrollBarLastTimeChange() {
    EditLastTime->setText(FromUtf8(PositionText(*model, ScrollBarLastTime->value())));
}

std::string TFrmEditSDF::memoText() const {
    const QString text = Memo1->toPlainText();
    return MemoToWrite(model->Memo, text != shownMemo_, text.toStdString());
}

ExtractRequest TFrmEditSDF::CurrentRequest() {
    ExtractRequest r;
    r.SourceFile = SourceFile;
    r.Window = WindowFromPositions(*model, ScrollBarFirstTime->value(), ScrollBarLastTime->value());
    FirstSample = r.Window.FirstSample;
    LastSample = r.Window.LastSample;
    FirstBurst = r.Window.FirstBurst;
    LastBurst = r.Window.LastBurst;
    for (int i = 0; i < CheckListBoxItem->count(); ++i)
        r.Checked.push_back(CheckListBoxItem->item(i)->checkState() == Qt::Checked);
    r.Memo = memoText();
    r.OutputKind = OutputKindOf(EditOutputFL->text().toStdString()).value_or(0);
    return r;
}

void TFrmEditSDF::BitBtn1Click() {
    NullProgress none;
    if (SaveExtraction(*model, CurrentRequest(), EditOutputFL->text().toStdString(), AppPrompter(),
                       progress ? *progress : none))
        done(mrOk);
}

void TFrmEditSDF::BitBtn2Click() { done(mrCancel); }

void TFrmEditSDF::BitBtn3Click() { done(mrIgnore); }

void TFrmEditSDF::reject() { done(mrCancel); }

void TFrmEditSDF::Button2Click() {
    SaveDialog1.Filter = kOutputFilter;
    if (!SaveDialog1.Execute(AppFileChooser())) return;
    const char* ext = SaveDialog1.FilterIndex == 2 ? "tsd" : "sdf";
    EditOutputFL->setText(FromUtf8(WithExtensionReplaced(SaveDialog1.FileName, ext)));
}

void TFrmEditSDF::Memo1Change() {
    const QString now = Memo1->toPlainText();
    if (MemoChangeAcceptable(memoAccepted_.toStdString(), now.toStdString())) {
        memoAccepted_ = now;
        return;
    }
    // Over 160 bytes, or characters the file cannot hold: the edit is undone.
    RefuseEdit(*Memo1, memoAccepted_);
}

}  // namespace brine
