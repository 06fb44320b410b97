#include "importers/raw_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "base/errors.h"
#include "core/header_save.h"
#include "platform/api/progress.h"
#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/modal.h"
#include "platform/qt_text.h"

namespace brine {

TFrmAlec* FrmAlec = nullptr;

namespace {

QLineEdit* readOnlyEdit(QWidget* parent, const char* name, const QString& label, int y) {
    auto* l = new QLabel(label, parent);
    l->setGeometry(8, y, 120, 21);
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(130, y, 150, 21);
    e->setReadOnly(true);
    return e;
}

QPushButton* nextButton(QWidget* page, const char* name) {
    auto* b = new QPushButton(QStringLiteral("次へ"), page);
    b->setObjectName(name);
    b->setGeometry(420, 300, 90, 28);
    return b;
}

}  // namespace

TFrmAlec::TFrmAlec(QWidget* parent) : QDialog(parent), model(&AppModel()) {
    setObjectName("FrmAlec");
    setWindowTitle(QStringLiteral("海洋測器　JFEアドバンテック／旧アレック電子"));
    SetFixedDialogFrame(*this, 540, 380);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(4, 4, 532, 372);
    auto page = [this](const char* name, const QString& caption) {
        auto* w = new QWidget();
        w->setObjectName(name);
        PageControl1->addTab(w, caption);
        return w;
    };
    TabSheetCompactEM = page("TabSheetCompactEM", QStringLiteral("Compact EM/Infinity"));
    TabSheetCompactWH = page("TabSheetCompactWH", QStringLiteral("Compact WH"));
    TabSheetMDS5 = page("TabSheetMDS5", QStringLiteral("MDS-MkV"));
    TabSheetInfinity = page("TabSheetInfinity", QStringLiteral("Infinity"));

    GroupBox1 = new QGroupBox(QStringLiteral("記録情報"), TabSheetCompactEM);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 8, 296, 320);
    auto* memoLabel = new QLabel(QStringLiteral("コメント："), GroupBox1);
    memoLabel->setGeometry(8, 20, 120, 18);
    Memo1 = new QPlainTextEdit(GroupBox1);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 40, 280, 80);
    EdtStartTime = readOnlyEdit(GroupBox1, "EdtStartTime", QStringLiteral("計測開始："), 128);
    EdtFinalTime = readOnlyEdit(GroupBox1, "EdtFinalTime", QStringLiteral("計測終了："), 156);
    EditNS = readOnlyEdit(GroupBox1, "EditNS", QStringLiteral("計測回数："), 184);
    EditDT = readOnlyEdit(GroupBox1, "EditDT", QStringLiteral("計測時間間隔(s)："), 212);
    EditIteration = readOnlyEdit(GroupBox1, "EditIteration", QStringLiteral("リピート回数："), 240);
    EditBInt = readOnlyEdit(GroupBox1, "EditBInt", QStringLiteral("ﾊﾞｰｽﾄ時間間隔(s)："), 268);

    GroupBox2 = new QGroupBox(QStringLiteral("保存オプション"), TabSheetCompactEM);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(312, 8, 204, 80);
    CheckBoxTransVel = new QCheckBox(QStringLiteral("流速成分の磁針偏角補正"), GroupBox2);
    CheckBoxTransVel->setObjectName("CheckBoxTransVel");
    CheckBoxTransVel->setGeometry(8, 22, 190, 20);
    CheckBoxTransVel->setToolTip(QStringLiteral("流速２成分を北/東流成分に変換して記録します"));
    CheckBoxTransVel->setChecked(true);
    connect(CheckBoxTransVel, &QCheckBox::clicked, this, [this] { Guarded([this] { CheckBoxTransVelClick(); }); });
    CheckBoxTemp = new QCheckBox(QStringLiteral("平均水温のみをバース毎に保存"), GroupBox2);
    CheckBoxTemp->setObjectName("CheckBoxTemp");
    CheckBoxTemp->setGeometry(8, 48, 190, 20);
    CheckBoxTemp->setChecked(true);

    Label5 = new QLabel(QStringLiteral("測定項目："), TabSheetMDS5);
    Label5->setObjectName("Label5");
    Label5->setGeometry(312, 12, 120, 18);
    ListBoxMeasuredItems = new QListWidget(TabSheetMDS5);
    ListBoxMeasuredItems->setObjectName("ListBoxMeasuredItems");
    ListBoxMeasuredItems->setGeometry(312, 32, 204, 160);

    BitBtn1 = nextButton(TabSheetCompactEM, "BitBtn1");
    BitBtn2 = nextButton(TabSheetCompactWH, "BitBtn2");
    BitBtn4 = nextButton(TabSheetMDS5, "BitBtn4");
    BitBtn3 = nextButton(TabSheetInfinity, "BitBtn3");
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn4Click(); });
}

void TFrmAlec::OpenCompactEMFile(const std::string& fileName) { openFile(RawKind::CompactEM, fileName); }
void TFrmAlec::OpenInfinityEMFile(const std::string& fileName) { openFile(RawKind::InfinityEM, fileName); }
void TFrmAlec::OpenInfinityFile(const std::string& fileName) { openFile(RawKind::Infinity, fileName); }
void TFrmAlec::OpenCompactWHFile(const std::string& fileName) { openFile(RawKind::CompactWH, fileName); }
void TFrmAlec::OpenCompactFile(const std::string& fileName) { openFile(RawKind::Compact, fileName); }

void TFrmAlec::openFile(RawKind kind, const std::string& fileName) {
    bool ok = false;
    Guarded([&] { ok = ReadAlecHeader(kind, fileName, AppPrompter(), header_); });
    if (!ok) return;

    const AlecHeader& h = header_;
    Memo1->setPlainText(FromCp932(h.Memo));
    EdtStartTime->setText(FromCp932(h.EdtStartTime));
    EdtFinalTime->setText(FromCp932(h.EdtFinalTime));
    EditNS->setText(QString::fromStdString(h.EditNS));
    EditDT->setText(FromCp932(h.EditDT));
    EditIteration->setText(QString::fromStdString(h.EditIteration));
    EditBInt->setText(FromCp932(h.EditBInt));
    ListBoxMeasuredItems->clear();
    for (const std::string& name : h.ItemNames) ListBoxMeasuredItems->addItem(FromCp932(name));

    QWidget* target = nullptr;
    switch (kind) {
        case RawKind::CompactEM:
        case RawKind::InfinityEM: target = TabSheetCompactEM; break;
        case RawKind::CompactWH: target = TabSheetCompactWH; break;
        case RawKind::Compact: target = TabSheetMDS5; break;
        case RawKind::Infinity: target = TabSheetInfinity; break;
    }
    GroupBox1->setParent(target);
    GroupBox1->show();
    if (target == TabSheetCompactEM) {
        GroupBox2->setParent(target);
        GroupBox2->show();
    }
    if (target == TabSheetMDS5 || target == TabSheetInfinity) {
        Label5->setParent(target);
        ListBoxMeasuredItems->setParent(target);
        Label5->show();
        ListBoxMeasuredItems->show();
    }
    CheckBoxTransVel->setChecked(h.TransVelChecked);
    if (h.TransVelChecked) CheckBoxTransVel->setEnabled(true);
    PageControl1->setTabText(PageControl1->indexOf(target), QString::fromStdString(h.PageCaption));
    showPage(target);

    FormShow();
    ShowModal(*this);
}

void TFrmAlec::showPage(QWidget* page) {
    for (int i = 0; i < PageControl1->count(); ++i)
        PageControl1->setTabVisible(i, PageControl1->widget(i) == page);
    PageControl1->setCurrentWidget(page);
}

void TFrmAlec::runNext() {
    Guarded([this] {
        if (!headerSave || !progress || !valuePrompt || !model) throw BrineError("変換の準備ができていません。");
        header_.Memo = ToCp932(Memo1->toPlainText());
        AlecOptions options;
        options.TransVel = CheckBoxTransVel->isChecked();
        options.TempMeanOnly = CheckBoxTemp->isChecked();
        options.Declination = (options.TransVel && declination) ? declination() : 0;
        if (headerCaption) headerCaption(header_.FileName);
        AlecServices services{*model, AppPrompter(), *progress, *headerSave, *valuePrompt};
        ConvertAlecFile(header_, options, services);
    });
    accept();  // the Next buttons end the dialog whatever the outcome
}

void TFrmAlec::BitBtn1Click() { runNext(); }
void TFrmAlec::BitBtn2Click() { runNext(); }
void TFrmAlec::BitBtn4Click() { runNext(); }

void TFrmAlec::CheckBoxTransVelClick() {
    if (showSiteWindow) showSiteWindow(CheckBoxTransVel->isChecked());
}

void TFrmAlec::FormShow() { CheckBoxTransVelClick(); }

void TFrmAlec::FormClose() {
    if (showSiteWindow) showSiteWindow(false);
}

void TFrmAlec::done(int r) {
    QDialog::done(r);
    FormClose();
}

}  // namespace brine
