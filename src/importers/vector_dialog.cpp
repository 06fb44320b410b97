#include "importers/vector_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTabWidget>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "chart/chart.h"
#include "chart/line_series.h"
#include "core/header_edit_rules.h"
#include "core/header_save.h"
#include "importers/vector_convert.h"
#include "platform/guard.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"

namespace brine {

TFrmNortek* FrmNortek = nullptr;

namespace {

QString fromCp932(const std::string& s) { return QString::fromStdString(cp932ToUtf8(s)); }

QLineEdit* labeledEdit(QWidget* parent, const char* name, const QString& label, int x, int y, int labelWidth,
                       int editWidth, bool readOnly, QLabel** labelOut = nullptr) {
    auto* l = new QLabel(label, parent);
    l->setObjectName(QString::fromLatin1(name) + "Label");
    l->setGeometry(x, y, labelWidth, 21);
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(x + labelWidth + 4, y, editWidth, 21);
    e->setReadOnly(readOnly);
    l->setBuddy(e);
    if (labelOut) *labelOut = l;
    return e;
}

void setUpAmplitudeChart(chart::TChart& c) {
    c.Legend().SetVisible(false);
    c.RightWall().SetVisible(true);
    c.SetView3D(false);
    c.Title().SetTextLine(QStringLiteral("Amplitude Distribution"));
    auto axisTitle = [](chart::TChartAxis& axis, const QString& caption) {
        axis.Title().SetCaption(caption);
        axis.Title().Font().SetName(QStringLiteral("Arial"));
        axis.Title().Font().SetHeight(-13);
    };
    axisTitle(c.BottomAxis(), QStringLiteral("Distance from Transmit Transducer (mm)"));
    axisTitle(c.LeftAxis(), QStringLiteral("Average Amplitude (counts)"));
}

void setUpProfileSeries(chart::TLineSeries& s) {
    s.Marks.SetVisible(false);
    s.Pointer().SetVisible(true);
    s.Pointer().SetStyle(chart::psCircle);
    s.XValues->SetOrder(chart::loAscending);
    s.YValues->SetOrder(chart::loNone);
}

double numberOf(const QLineEdit* e) {
    const std::string text = e->text().toStdString();
    std::optional<double> v = ParseNumber(text);
    if (!v) throw ConversionError("'" + text + "' は正しい数値ではありません。");
    return *v;
}

}  // namespace

TFrmNortek::TFrmNortek(QWidget* parent) : QDialog(parent), model(&AppModel()) {
    setObjectName("FrmNortek");
    setWindowTitle(QStringLiteral("Nortek"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::CustomizeWindowHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(600, 430);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setGeometry(4, 4, 592, 422);
    TabSheetVector = new QWidget();
    TabSheetVector->setObjectName("TabSheetVector");
    PageControl1->addTab(TabSheetVector, QStringLiteral("Vector"));
    TabSheetAmpProfile = new QWidget();
    TabSheetAmpProfile->setObjectName("TabSheetAmpProfile");
    PageControl1->addTab(TabSheetAmpProfile, QStringLiteral("Amplitude Profile"));

    QWidget* v = TabSheetVector;
    int y = 8;
    auto info = [&](const char* name, const char* label) {
        QLineEdit* e = labeledEdit(v, name, QString::fromUtf8(label), 8, y, 150, 144, true);
        y += 26;
        return e;
    };
    EditSoftwareVer = info("EditSoftwareVer", "Software version:");
    EditFirmware = info("EditFirmware", "Firmware version:");
    EditSamplingVolume = info("EditSamplingVolume", "Sampling volume:");
    EditVelRange = info("EditVelRange", "Nominal velocity range:");
    EdtStartTime = info("EdtStartTime", "Start:");
    EdtFinalTime = info("EdtFinalTime", "End:");
    EditHz = info("EditHz", "Sampling rate (Hz):");
    EditBInt = info("EditBInt", "Burst interval (s):");
    EditNS = info("EditNS", "Samples per burst:");
    EditIteration = info("EditIteration", "Number of bursts:");
    auto* memoLabel = new QLabel(QStringLiteral("Note:"), v);
    memoLabel->setObjectName("Memo1Label");
    memoLabel->setGeometry(8, y, 140, 18);
    Memo1 = new QPlainTextEdit(v);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(8, y + 20, 298, 70);
    memoLabel->setBuddy(Memo1);

    GroupBox1 = new QGroupBox(QStringLiteral("保存オプション"), v);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(310, 8, 272, 240);
    int cy = 22;
    auto check = [&](const char* name, const QString& caption, bool checked) {
        auto* c = new QCheckBox(caption, GroupBox1);
        c->setObjectName(name);
        c->setGeometry(8, cy, 258, 20);
        c->setChecked(checked);
        cy += 26;
        return c;
    };
    CheckBoxTransVel = check("CheckBoxTransVel", QStringLiteral("流速成分の磁針偏角補正"), true);
    CheckBoxTransVel->setToolTip(QStringLiteral("流速２成分を北/東流成分に変換して記録します"));
    CheckBoxSignalStrength = check("CheckBoxSignalStrength", QStringLiteral("Amplitude(反射強度)の保存"), false);
    CheckBoxSNR = check("CheckBoxSNR", QStringLiteral("SN比の保存"), false);
    CheckBoxCorr = check("CheckBoxCorr", QStringLiteral("Correlation(相関係数)を保存"), true);
    CheckBoxCorrThreshold = check("CheckBoxCorrThreshold", QStringLiteral("低相関の流速不正確測定値を欠測値に変換"), true);
    EditCorrthreshold = labeledEdit(GroupBox1, "EditCorrthreshold", QStringLiteral("「正確測定」の相関係数閾値："), 24,
                                    cy, 176, 60, false);
    cy += 30;
    CheckBoxBottomDist = check("CheckBoxBottomDist", QStringLiteral("最大反射強度距離の保存"), false);
    EditMinDist = labeledEdit(GroupBox1, "EditMinDist", QStringLiteral("最小距離(mm)："), 24, cy, 176, 60, false,
                              &EditMinDistLabel);
    EditMinDist->setText(QStringLiteral("160"));
    connect(CheckBoxTransVel, &QCheckBox::clicked, this, [this] { Guarded([this] { CheckBoxTransVelClick(); }); });

    BitBtn1 = new QPushButton(QStringLiteral("次へ"), v);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(392, 350, 90, 28);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    BitBtn2 = new QPushButton(QStringLiteral("ヘルプ"), v);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(488, 350, 90, 28);
    BitBtn2->setAutoDefault(false);
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });

    Chart1 = new chart::TChart(TabSheetAmpProfile);
    Chart1->setObjectName("Chart1");
    Chart1->setGeometry(8, 8, 570, 316);
    setUpAmplitudeChart(*Chart1);
    Series1 = Chart1->AddSeries(std::make_unique<chart::TLineSeries>());
    setUpProfileSeries(*Series1);
    ScrollBarBurstTime = new QScrollBar(Qt::Horizontal, TabSheetAmpProfile);
    ScrollBarBurstTime->setObjectName("ScrollBarBurstTime");
    ScrollBarBurstTime->setGeometry(8, 332, 570, 18);
    ScrollBarBurstTime->setRange(0, 0);
    connect(ScrollBarBurstTime, &QScrollBar::valueChanged, this,
            [this] { Guarded([this] { ScrollBarBurstTimeChange(); }); });
    EditTime = new QLineEdit(TabSheetAmpProfile);
    EditTime->setObjectName("EditTime");
    EditTime->setGeometry(8, 358, 160, 21);
    EditTime->setReadOnly(true);
}

void TFrmNortek::OpenHeaderFile(const std::string& fileName) {
    HdrFileName = fileName;
    ReadVectorHeader();
}

void TFrmNortek::ReadVectorHeader() {
    VectorHeader h;
    bool ok = false;
    Guarded([&] { ok = ParseVectorHeader(HdrFileName, AppPrompter(), h); });
    if (!ok) return;
    header_ = std::move(h);

    showOnly(TabSheetVector);
    EditSoftwareVer->setText(fromCp932(header_.SoftwareVersion));
    // The ".pck" is optional: without it the bed features are shown but cannot be used.
    std::error_code ec;
    probeCheckFile_ = header_.HasProbeCheck && std::filesystem::exists(header_.PckFileName, ec);
    const int ampPage = PageControl1->indexOf(TabSheetAmpProfile);
    PageControl1->setTabVisible(ampPage, header_.HasProbeCheck);
    PageControl1->setTabEnabled(ampPage, probeCheckFile_);
    if (!probeCheckFile_) CheckBoxBottomDist->setChecked(false);
    CheckBoxBottomDist->setVisible(header_.HasProbeCheck);
    CheckBoxBottomDist->setEnabled(probeCheckFile_);
    setMinDistVisible(header_.HasProbeCheck);
    EditMinDist->setEnabled(probeCheckFile_);
    EditMinDistLabel->setEnabled(probeCheckFile_);

    EditFirmware->setText(fromCp932(header_.FirmwareVersion));
    EditSamplingVolume->setText(fromCp932(header_.SamplingVolume));
    EditVelRange->setText(fromCp932(header_.VelocityRange));
    EdtStartTime->setText(fromCp932(header_.StartText));
    EdtFinalTime->setText(fromCp932(header_.FinalText));
    EditHz->setText(QString::number(header_.SampleRate));
    EditCorrthreshold->setText(QString::fromStdString(FormatOneDecimal(header_.CorrThreshold)));
    EditBInt->setText(QString::number(header_.BurstSeconds));
    EditNS->setText(QString::number(header_.SamplesPerBurst));
    Memo1->setPlainText(QStringLiteral("Data measured with Vector, Nortek. ") + fromCp932(header_.Comments));
    EditIteration->setText(QString::number(header_.Bursts));

    const bool enu = header_.CoordSystem == VectorCoord::ENU;
    CheckBoxTransVel->setChecked(enu);
    CheckBoxTransVel->setEnabled(enu);

    if (probeCheckFile_) {
        {
            const QSignalBlocker block(ScrollBarBurstTime);
            ScrollBarBurstTime->setRange(0, header_.Bursts - 1);
            ScrollBarBurstTime->setValue(0);
        }
        // A damaged ".pck" is told, and the export still converts.
        Guarded([this] { ScrollBarBurstTimeChange(); });
    }
    FormShow();
    ShowModal(*this);
}

void TFrmNortek::ScrollBarBurstTimeChange() {
    const VectorHeader& h = header_;
    if (h.SampleRate <= 0 || !probeCheckFile_) return;
    const double minDist = numberOf(EditMinDist);
    const double burstDays = h.BurstSeconds / 86400.0;
    const double duration = static_cast<double>(h.SamplesPerBurst) / h.SampleRate / 86400.0;
    const double target = h.FirstTime + ScrollBarBurstTime->value() * burstDays;
    BurstProfile shown = SelectBurstProfile(h.PckFileName, h.FirstTime, burstDays, duration, target, minDist);
    if (shown.ShownTime) EditTime->setText(QString::fromStdString(FormatDateTime(*shown.ShownTime)));
    drawProfile(shown.Profile, shown.BedDistance);
}

void TFrmNortek::drawProfile(const AmplitudeProfile& profile, double bedDistance) {
    Series1->Clear();
    const size_t n = std::min(profile.Distance.size(), profile.Amplitude.size());
    for (size_t i = 0; i < n; ++i) Series1->AddXY(profile.Distance[i], profile.Amplitude[i], QString(), chart::clRed);
    Chart1->Title().ClearText();
    Chart1->Title().AddLine(QString::fromStdString(BedDistanceTitle(bedDistance)));
}

void TFrmNortek::BitBtn1Click() {
    Guarded([this] {
        if (!headerSave || !progress || !model) throw BrineError("変換の準備ができていません。");
        VectorOptions o;
        o.Threshold = numberOf(EditCorrthreshold);
        header_.CorrThreshold = o.Threshold;
        o.TransVel = CheckBoxTransVel->isChecked();
        o.SignalStrength = CheckBoxSignalStrength->isChecked();
        o.SNR = CheckBoxSNR->isChecked();
        o.Corr = CheckBoxCorr->isChecked();
        o.CorrThreshold = CheckBoxCorrThreshold->isChecked();
        o.BottomDist = CheckBoxBottomDist->isChecked();
        if (o.BottomDist) o.MinDist = numberOf(EditMinDist);
        o.Declination = (o.TransVel && declination) ? declination() : 0;
        o.Memo = MemoFromDisplay(Memo1->toPlainText().toStdString());
        // A refusal leaves the dialog open, so an option can be changed.
        std::optional<VectorPlan> plan = PrepareVectorConversion(header_, o, AppPrompter());
        if (!plan) return;
        accept();  // this dialog and the site window hide before the header dialog
        VectorServices services{*model, AppPrompter(), *progress, *headerSave};
        ConvertVectorFile(*plan, services);
    });
}

void TFrmNortek::BitBtn2Click() {
    Guarded([this] {
        if (helpTopic) helpTopic("Vector.htm");
    });
}

void TFrmNortek::CheckBoxTransVelClick() {
    if (showSiteWindow) showSiteWindow(CheckBoxTransVel->isChecked());
}

void TFrmNortek::FormShow() { CheckBoxTransVelClick(); }

void TFrmNortek::FormClose() {
    if (showSiteWindow) showSiteWindow(false);
}

void TFrmNortek::done(int r) {
    QDialog::done(r);
    FormClose();
}

void TFrmNortek::showOnly(QWidget* page) {
    for (int i = 0; i < PageControl1->count(); ++i)
        PageControl1->setTabVisible(i, PageControl1->widget(i) == page);
    PageControl1->setCurrentWidget(page);
}

void TFrmNortek::setMinDistVisible(bool visible) {
    EditMinDist->setVisible(visible);
    EditMinDistLabel->setVisible(visible);
}

}  // namespace brine
