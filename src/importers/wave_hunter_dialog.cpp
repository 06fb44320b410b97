#include "importers/wave_hunter_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "core/header_save.h"
#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"

namespace brine {

TFrmWaveHunter* FrmWaveHunter = nullptr;

namespace {

constexpr char kNotReady[] = "変換の準備ができていません。";

QString fromUtf8(const std::string& s) { return QString::fromStdString(s); }

QLineEdit* labelledEdit(QWidget* parent, const char* name, const QString& label, int y, int labelWidth,
                        int editWidth, bool readOnly = true) {
    auto* l = new QLabel(label, parent);
    l->setGeometry(8, y, labelWidth, 21);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(12 + labelWidth, y, editWidth, 21);
    e->setReadOnly(readOnly);
    l->setBuddy(e);
    return e;
}

}  // namespace

TFrmWaveHunter::TFrmWaveHunter(QWidget* parent) : QDialog(parent), model(&AppModel()) {
    setObjectName("FrmWaveHunter");
    setWindowTitle(QStringLiteral("Wave hunter　（有）アイオーテクニック"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(560, 560);

    GroupBox1 = new QGroupBox(QStringLiteral("記録情報"), this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(8, 8, 300, 340);
    auto* memoLabel = new QLabel(QStringLiteral("コメント："), GroupBox1);
    memoLabel->setGeometry(8, 20, 120, 18);
    Memo1 = new QPlainTextEdit(GroupBox1);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, 40, 284, 80);
    memoLabel->setBuddy(Memo1);
    EdtStartTime = labelledEdit(GroupBox1, "EdtStartTime", QStringLiteral("計測開始："), 130, 150, 134, false);
    EditMnum = labelledEdit(GroupBox1, "EditMnum", QStringLiteral("機器番号："), 160, 150, 134);
    EditNBst = labelledEdit(GroupBox1, "EditNBst", QStringLiteral("バースト数："), 190, 150, 134);
    EditSampleSize = labelledEdit(GroupBox1, "EditSampleSize", QStringLiteral("ｻﾝﾌﾟﾘﾝｸﾞ個数："), 220, 150, 134);
    EditSInt = labelledEdit(GroupBox1, "EditSInt", QStringLiteral("ｻﾝﾌﾟﾘﾝｸﾞ時間間隔(0.1s)："), 250, 150, 134);
    EditBInt = labelledEdit(GroupBox1, "EditBInt", QStringLiteral("ﾊﾞｰｽﾄ時間間隔(min)："), 280, 150, 134);
    EditNch = labelledEdit(GroupBox1, "EditNch", QStringLiteral("チャンネル数："), 310, 150, 134);

    GroupBox2 = new QGroupBox(QStringLiteral("計測モード"), this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(316, 8, 236, 300);
    EditRpres = labelledEdit(GroupBox2, "EditRpres", QStringLiteral("水圧レンジ："), 22, 100, 116);
    EditPresZero = labelledEdit(GroupBox2, "EditPresZero", QStringLiteral("水圧自動ゼロ："), 52, 100, 116);
    EditWatchDog = labelledEdit(GroupBox2, "EditWatchDog", QStringLiteral("ウォッチドッグ："), 82, 100, 116);
    EditMeasPres = labelledEdit(GroupBox2, "EditMeasPres", QStringLiteral("水圧計測："), 112, 100, 116);
    EditMeasVel = labelledEdit(GroupBox2, "EditMeasVel", QStringLiteral("流速計測："), 142, 100, 116);
    EditMeasWL = labelledEdit(GroupBox2, "EditMeasWL", QStringLiteral("超音波水位計測："), 172, 100, 116);
    EditVelComp = labelledEdit(GroupBox2, "EditVelComp", QStringLiteral("流速成分："), 202, 100, 116);
    EditDeployment = labelledEdit(GroupBox2, "EditDeployment", QStringLiteral("設置方法："), 232, 100, 116);
    EditDirection = labelledEdit(GroupBox2, "EditDirection", QStringLiteral("センサーの向き："), 262, 100, 116);

    GroupBox3 = new QGroupBox(QStringLiteral("保存オプション"), this);
    GroupBox3->setObjectName("GroupBox3");
    GroupBox3->setGeometry(8, 356, 544, 120);
    CheckBoxTransVel = new QCheckBox(QStringLiteral("流速成分の磁針偏角補正"), GroupBox3);
    CheckBoxTransVel->setObjectName("CheckBoxTransVel");
    CheckBoxTransVel->setGeometry(8, 22, 220, 20);
    CheckBoxTransVel->setToolTip(QStringLiteral("流速２成分を北/東流成分に変換して記録します"));
    connect(CheckBoxTransVel, &QCheckBox::clicked, this, [this] { Guarded([this] { CheckBoxTransVelClick(); }); });
    CheckBoxDirection = new QCheckBox(QStringLiteral("コンパスデータを保存"), GroupBox3);
    CheckBoxDirection->setObjectName("CheckBoxDirection");
    CheckBoxDirection->setGeometry(8, 48, 220, 20);
    auto* listLabel = new QLabel(QStringLiteral("バースト毎の平均値："), GroupBox3);
    listLabel->setGeometry(236, 20, 160, 18);
    CheckListBoxCh2 = new QListWidget(GroupBox3);
    CheckListBoxCh2->setObjectName("CheckListBoxCh2");
    CheckListBoxCh2->setGeometry(236, 40, 300, 72);
    listLabel->setBuddy(CheckListBoxCh2);

    EditSDFfile = labelledEdit(this, "EditSDFfile", QStringLiteral("SDFファイル："), 488, 88, 352, false);
    BitBtn1 = new QPushButton(QStringLiteral("参照"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(464, 484, 88, 28);
    BitBtn2 = new QPushButton(QStringLiteral("次へ"), this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(368, 522, 88, 28);
    BitBtn2->setDefault(true);
    BitBtn3 = new QPushButton(QStringLiteral("キャンセル"), this);
    BitBtn3->setObjectName("BitBtn3");
    BitBtn3->setGeometry(464, 522, 88, 28);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });

    SaveDialog1.Filter = "SDFファイル(*.sdf)|*.sdf";
    SaveDialog1.DefaultExt = "sdf";
}

bool TFrmWaveHunter::OpenMasterFile(const std::string& fileName) {
    if (busy_) return false;
    WaveHunterFile file;
    WaveHunterRead read = WaveHunterRead::NotMine;
    if (!Guarded([&] {
            if (!progress) throw BrineError(kNotReady);
            read = ReadWaveHunterFile(fileName, file, AppPrompter(), *progress);
        }))
        return false;
    if (read != WaveHunterRead::Read) return false;
    // A new file replaces everything the previous one left.
    master_ = std::move(file);
    showStatus();
    ShowParameters();
    if (master_.IsHun()) {
        CheckBoxDirection->show();
        CheckListBoxCh2->hide();
    } else {
        CheckBoxDirection->hide();
        CheckListBoxCh2->clear();
        for (const TChannelDef& d : MeanChannelList(master_)) {
            auto* item = new QListWidgetItem(fromUtf8(d.ListName), CheckListBoxCh2);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
        }
        CheckListBoxCh2->show();
    }
    return true;
}

void TFrmWaveHunter::showStatus() {
    const WaveHunterStatusTexts& t = master_.Texts;
    EditRpres->setText(fromUtf8(t.Rpres));
    EditPresZero->setText(fromUtf8(t.PresZero));
    EditWatchDog->setText(fromUtf8(t.WatchDog));
    EditMeasPres->setText(fromUtf8(t.MeasPres));
    EditMeasVel->setText(fromUtf8(t.MeasVel));
    EditMeasWL->setText(fromUtf8(t.MeasWL));
    EditVelComp->setText(fromUtf8(t.VelComp));
    EditDeployment->setText(fromUtf8(t.Deployment));
    EditDirection->setText(fromUtf8(t.Direction));
}

void TFrmWaveHunter::ShowParameters() {
    const WaveHunterFile& f = master_;
    EditSDFfile->setText(fromUtf8(WaveHunterOutputName(f.MasterFileName)));
    EditMnum->setText(QString::number(f.MachineNo));
    EditNBst->setText(QString::number(f.BurstCount));
    EditSampleSize->setText(QString::number(f.Samples));
    EditSInt->setText(QString::number(f.SampleInterval));
    EditBInt->setText(QString::number(f.BurstInterval));
    EditNch->setText(QString::number(f.Channels));
    Memo1->setPlainText(fromUtf8(WaveHunterMemo(f.MasterFileName)));
    EdtStartTime->setText(fromUtf8(FormatDateTime(f.StartTime)));
    CheckBoxTransVel->setChecked(f.MeasVelocity);
    if (loadSites) loadSites();
    ShowFilledTextsFromStart(*this);
    show();
    raise();
    activateWindow();
    CheckBoxTransVelClick();
}

WaveHunterOptions TFrmWaveHunter::readOptions() const {
    WaveHunterOptions o;
    o.TransVel = CheckBoxTransVel->isChecked();
    o.SaveCompass = CheckBoxDirection->isChecked();
    for (int i = 0; i < CheckListBoxCh2->count(); ++i)
        o.MeanChecked.push_back(CheckListBoxCh2->item(i)->checkState() == Qt::Checked);
    o.Declination = o.TransVel && declination ? static_cast<float>(declination()) : 0.0f;
    o.Memo = utf8ToCp932(Memo1->toPlainText().toStdString());
    const std::string start = EdtStartTime->text().toStdString();
    const std::optional<double> t = ParseDateTime(start);
    if (!t) throw ConversionError("'" + start + "' は正しい日付と時刻ではありません。");
    o.StartTime = *t;
    return o;
}

void TFrmWaveHunter::SetSDFHeader() {
    if (!model) throw BrineError(kNotReady);
    if (master_.MasterFileName.empty()) throw BrineError(kNotReady);
    WaveHunterOptions o = readOptions();
    SetWaveHunterSDFHeader(master_, o, *model);
    options_ = std::move(o);
}

void TFrmWaveHunter::BitBtn1Click() {
    SaveDialog1.FileName = EditSDFfile->text().toStdString();
    SaveDialog1.InitialDir = std::filesystem::path(SaveDialog1.FileName).parent_path().string();
    if (SaveDialog1.Execute(fileChooser ? *fileChooser : AppFileChooser()))
        EditSDFfile->setText(fromUtf8(SaveDialog1.FileName));
}

void TFrmWaveHunter::BitBtn2Click() {
    if (busy_ || master_.MasterFileName.empty()) return;
    busy_ = true;
    Guarded([this] {
        if (!model || !progress || !headerSave) throw BrineError(kNotReady);
        SetSDFHeader();
        hide();
        // The header dialog refuses to write over the file being read.
        model->FileName = master_.MasterFileName;
        model->SaveFileName = EditSDFfile->text().toStdString();
        if (headerCaption) headerCaption(master_.MasterFileName);
        OutputGuard guard(*model);
        if (!headerSave->ExecuteSave(0)) return;
        WaveHunterServices services{*model, AppPrompter(), *progress};
        ConvertWaveHunterBursts(master_, options_, services);
    });
    busy_ = false;
}

void TFrmWaveHunter::BitBtn3Click() { hide(); }

void TFrmWaveHunter::CheckBoxTransVelClick() {
    if (showSiteWindow) showSiteWindow(isVisible() && CheckBoxTransVel->isChecked());
}

void TFrmWaveHunter::FormShow() { CheckBoxTransVelClick(); }

void TFrmWaveHunter::FormHide() {
    if (showSiteWindow) showSiteWindow(false);
}

void TFrmWaveHunter::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Guarded([this] { FormShow(); });
}

void TFrmWaveHunter::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    Guarded([this] { FormHide(); });
}

}  // namespace brine
