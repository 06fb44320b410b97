#include "importers/dl2_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

#include "base/datetime.h"
#include "base/errors.h"
#include "core/header_save.h"
#include "importers/dl2_convert.h"
#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/qt_prompter.h"
#include "platform/qt_text.h"

namespace brine {

TFrmKyowaS* FrmKyowaS = nullptr;

namespace {

QLineEdit* labelledEdit(QWidget* parent, const char* name, const QString& label, int y, bool readOnly) {
    auto* l = new QLabel(label, parent);
    l->setGeometry(8, y, 150, 21);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(162, y, 180, 21);
    e->setReadOnly(readOnly);
    l->setBuddy(e);
    return e;
}

}  // namespace

TFrmKyowaS::TFrmKyowaS(QWidget* parent) : QDialog(parent), model(&AppModel()) {
    setObjectName("FrmKyowaS");
    setWindowTitle(QStringLiteral("DL-2 協和商工（株）"));
    SetFixedDialogFrame(*this, 376, 420);
    setModal(false);

    GroupBox1 = new QGroupBox(QStringLiteral("記録情報"), this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 8, 360, 322);
    EditSite = labelledEdit(GroupBox1, "EditSite", QStringLiteral("海域："), 22, false);
    EditStation = labelledEdit(GroupBox1, "EditStation", QStringLiteral("測点："), 51, false);
    EditLayer = labelledEdit(GroupBox1, "EditLayer", QStringLiteral("観測層："), 80, false);
    EditKind = labelledEdit(GroupBox1, "EditKind", QStringLiteral("データの種類："), 109, true);
    EdtStartTime = labelledEdit(GroupBox1, "EdtStartTime", QStringLiteral("計測開始："), 138, true);
    EdtFinalTime = labelledEdit(GroupBox1, "EdtFinalTime", QStringLiteral("最終計測："), 167, true);
    EditDT = labelledEdit(GroupBox1, "EditDT", QStringLiteral("ｻﾝﾌﾟﾘﾝｸﾞ時間間隔(s)："), 196, true);
    EditUnit = labelledEdit(GroupBox1, "EditUnit", QStringLiteral("ﾃﾞｰﾀ単位："), 225, true);
    EditNS = labelledEdit(GroupBox1, "EditNS", QStringLiteral("ｻﾝﾌﾟﾘﾝｸﾞ個数："), 254, true);
    EditBInt = labelledEdit(GroupBox1, "EditBInt", QStringLiteral("ﾊﾞｰｽﾄ時間間隔(min)："), 283, true);

    CheckBoxTransVel = new QCheckBox(QStringLiteral("流速成分の磁針偏角補正"), this);
    CheckBoxTransVel->setObjectName("CheckBoxTransVel");
    CheckBoxTransVel->setGeometry(16, 340, 300, 20);
    CheckBoxTransVel->setToolTip(QStringLiteral("流速２成分を北/東流成分に変換して記録します"));
    CheckBoxTransVel->setChecked(true);

    BitBtn1 = new QPushButton(QStringLiteral("次へ"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(176, 376, 90, 28);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(274, 376, 90, 28);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
}

void TFrmKyowaS::OpenDL2File(const std::string& fileName) {
    DL2Header h;
    if (!Guarded([&] { h = ReadDL2Header(fileName); })) return;
    header_ = std::move(h);
    EditSite->setText(FromCp932(header_.Site));
    EditStation->setText(FromCp932(header_.Station));
    EditLayer->setText(FromCp932(header_.Layer));
    EditKind->setText(FromCp932(header_.Kind));
    EdtStartTime->setText(QString::fromStdString(FormatDateTime(header_.StartTime)));
    EdtFinalTime->setText(QString::fromStdString(FormatDateTime(header_.FinalTime)));
    EditDT->setText(FromCp932(header_.DT));
    EditUnit->setText(FromCp932(header_.Unit));
    EditNS->setText(FromCp932(header_.NS));
    EditBInt->setText(QString::number(header_.BurstMinutes));
    ShowFilledTextsFromStart(*this);
    show();
    raise();
    activateWindow();
}

void TFrmKyowaS::SetSDFHeader() {
    if (!model) throw BrineError("変換の準備ができていません。");
    DL2Header h = header_;
    h.Site = ToCp932(EditSite->text());
    h.Station = ToCp932(EditStation->text());
    h.Layer = ToCp932(EditLayer->text());
    SetDL2SDFHeader(h, *model);
}

void TFrmKyowaS::ConvertDL2File(const std::string& fileName) {
    if (!model || !progress) throw BrineError("変換の準備ができていません。");
    DL2Header h = header_;
    h.SourceFile = fileName;
    const double d = (CheckBoxTransVel->isChecked() && declination) ? declination() : 0;
    DL2Services services{*model, AppPrompter(), *progress};
    ConvertDL2Bursts(h, d, services);
}

void TFrmKyowaS::BitBtn1Click() {
    if (busy_) return;
    busy_ = true;
    Guarded([this] {
        if (!headerSave) throw BrineError("変換の準備ができていません。");
        if (header_.SourceFile.empty()) return;  // no file loaded
        SetSDFHeader();
        // The header dialog refuses to write over the file being read.
        model->FileName = header_.SourceFile;
        model->SaveFileName = DL2OutputName(header_.SourceFile);
        if (headerCaption) headerCaption(header_.SourceFile);
        OutputGuard guard(*model);
        if (headerSave->ExecuteSave(0)) ConvertDL2File(header_.SourceFile);
    });
    busy_ = false;
    hide();
}

void TFrmKyowaS::BitBtn2Click() { hide(); }

}  // namespace brine
