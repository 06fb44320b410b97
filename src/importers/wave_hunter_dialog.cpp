#include "importers/wave_hunter_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <utility>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/texts.h"
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

// A widget of `parent`, named `name`, at `geometry`; `args` go before the
// parent to its constructor (a caption).
template <class W, class... Args>
W* placed(QWidget* parent, const char* name, const QRect& geometry, Args&&... args) {
    auto* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(name);
    w->setGeometry(geometry);
    return w;
}

// A widget with its label above it, `labelWidth` wide.
template <class W>
W* underLabel(QWidget* parent, const char* name, const QString& label, int labelWidth, const QRect& geometry) {
    auto* l = new QLabel(label, parent);
    l->setGeometry(geometry.x(), geometry.y() - 20, labelWidth, 18);
    W* w = placed<W>(parent, name, geometry);
    l->setBuddy(w);
    return w;
}

// A line edit with its label on its left, right-aligned, `labelWidth` wide.
QLineEdit* labelledEdit(QWidget* parent, const char* name, const QString& label, int y, int labelWidth,
                        int editWidth, bool readOnly = true) {
    auto* l = new QLabel(label, parent);
    l->setGeometry(8, y, labelWidth, 21);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* e = placed<QLineEdit>(parent, name, QRect(12 + labelWidth, y, editWidth, 21));
    e->setReadOnly(readOnly);
    l->setBuddy(e);
    return e;
}

// One edit of a column of labelled edits.
struct EditRow {
    QLineEdit** edit;
    const char* name;
    QString label;
    bool readOnly = true;
};

// Labelled edits one under another, 30 px apart from `top`.
void editColumn(QWidget* parent, int top, int labelWidth, int editWidth, std::initializer_list<EditRow> rows) {
    int y = top;
    for (const EditRow& r : rows) {
        *r.edit = labelledEdit(parent, r.name, r.label, y, labelWidth, editWidth, r.readOnly);
        y += 30;
    }
}

}  // namespace

TFrmWaveHunter::TFrmWaveHunter(QWidget* parent) : QDialog(parent), model(&AppModel()) {
    setObjectName("FrmWaveHunter");
    setWindowTitle(QStringLiteral("Wave hunter　（有）アイオーテクニック"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(560, 560);

    GroupBox1 = placed<QGroupBox>(this, "GroupBox1", QRect(8, 8, 300, 340), QStringLiteral("記録情報"));
    Memo1 = underLabel<QPlainTextEdit>(GroupBox1, "Memo1", QStringLiteral("コメント："), 120, QRect(8, 40, 284, 80));
    editColumn(GroupBox1, 130, 150, 134,
               {{&EdtStartTime, "EdtStartTime", QStringLiteral("計測開始："), false},
                {&EditMnum, "EditMnum", QStringLiteral("機器番号：")},
                {&EditNBst, "EditNBst", QStringLiteral("バースト数：")},
                {&EditSampleSize, "EditSampleSize", QStringLiteral("ｻﾝﾌﾟﾘﾝｸﾞ個数：")},
                {&EditSInt, "EditSInt", QStringLiteral("ｻﾝﾌﾟﾘﾝｸﾞ時間間隔(0.1s)：")},
                {&EditBInt, "EditBInt", QStringLiteral("ﾊﾞｰｽﾄ時間間隔(min)：")},
                {&EditNch, "EditNch", QStringLiteral("チャンネル数：")}});

    GroupBox2 = placed<QGroupBox>(this, "GroupBox2", QRect(316, 8, 236, 300), QStringLiteral("計測モード"));
    editColumn(GroupBox2, 22, 100, 116,
               {{&EditRpres, "EditRpres", QStringLiteral("水圧レンジ：")},
                {&EditPresZero, "EditPresZero", QStringLiteral("水圧自動ゼロ：")},
                {&EditWatchDog, "EditWatchDog", QStringLiteral("ウォッチドッグ：")},
                {&EditMeasPres, "EditMeasPres", QStringLiteral("水圧計測：")},
                {&EditMeasVel, "EditMeasVel", QStringLiteral("流速計測：")},
                {&EditMeasWL, "EditMeasWL", QStringLiteral("超音波水位計測：")},
                {&EditVelComp, "EditVelComp", QStringLiteral("流速成分：")},
                {&EditDeployment, "EditDeployment", QStringLiteral("設置方法：")},
                {&EditDirection, "EditDirection", QStringLiteral("センサーの向き：")}});

    GroupBox3 = placed<QGroupBox>(this, "GroupBox3", QRect(8, 356, 544, 120), QStringLiteral("保存オプション"));
    CheckBoxTransVel = placed<QCheckBox>(GroupBox3, "CheckBoxTransVel", QRect(8, 22, 220, 20),
                                         QStringLiteral("流速成分の磁針偏角補正"));
    CheckBoxTransVel->setToolTip(QStringLiteral("流速２成分を北/東流成分に変換して記録します"));
    connect(CheckBoxTransVel, &QCheckBox::clicked, this, [this] { Guarded([this] { CheckBoxTransVelClick(); }); });
    CheckBoxDirection =
        placed<QCheckBox>(GroupBox3, "CheckBoxDirection", QRect(8, 48, 220, 20), QStringLiteral("コンパスデータを保存"));
    CheckListBoxCh2 = underLabel<QListWidget>(GroupBox3, "CheckListBoxCh2", QStringLiteral("バースト毎の平均値："), 160,
                                              QRect(236, 40, 300, 72));

    EditSDFfile = labelledEdit(this, "EditSDFfile", QStringLiteral("SDFファイル："), 488, 88, 352, false);
    BitBtn1 = placed<QPushButton>(this, "BitBtn1", QRect(464, 484, 88, 28), QStringLiteral("参照"));
    BitBtn2 = placed<QPushButton>(this, "BitBtn2", QRect(368, 522, 88, 28), QStringLiteral("次へ"));
    BitBtn2->setDefault(true);
    BitBtn3 = placed<QPushButton>(this, "BitBtn3", QRect(464, 522, 88, 28), QStringLiteral("キャンセル"));
    connect(BitBtn1, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });

    SaveDialog1.Filter = Text(Tx::WaveHunterSaveFilter) + "|*.sdf";
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
