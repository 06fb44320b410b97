#include "core/ui/header_dialog.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>

#include "base/datetime.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "core/header_edit_rules.h"
#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "platform/qt_text.h"
#include "platform/refuse_edit.h"
#include "platform/status_panels.h"
#include "platform/string_grid.h"

namespace brine {

TFrmSDFdata* FrmSDFdata = nullptr;

namespace {

constexpr int kClientWidth = 550;
constexpr int kClientHeight = 485;
constexpr int kGridTop = 228;
constexpr int kGridRowHeight = 20;
constexpr int kNumberedRows = 128;

const char kSdfFilter[] = "標準時系列ﾌｧｲﾙ(*.sdf)|*.SDF";
const char kTsdFilter[] = "ﾃｷｽﾄ型時系列ﾌｧｲﾙ(*.tsd)|*.TSD";
const char kOpenFilter[] = "標準時系列ﾌｧｲﾙ(*.sdf;*.tsd)|*.sdf;*.tsd";

const char kTsdNotSaved[] =
    "パラメータが変更されましたが、TSD形式では変更を保存できません。\nSDF形式に変換することをお薦めします。";
const char kBurstNotRead[] = "データを読み込めませんでした。\n";

// The readers report through the model's prompter; without one they would be silent.
class ReaderPrompter {
public:
    explicit ReaderPrompter(CurrentFile& m) : m_(m), saved_(m.prompter) {
        if (!m_.prompter) m_.prompter = &AppPrompter();
    }
    ~ReaderPrompter() { m_.prompter = saved_; }

private:
    CurrentFile& m_;
    Prompter* saved_;
};

QString formatTimeOrEmpty(double t) {
    try {
        return FromUtf8(FormatDateTimeMs(t));
    } catch (const BrineError&) {
        return {};
    }
}

// What became of a header that could not be written, naming the file and,
// from the writer's error, the file or folder at fault and the step.
std::string headerFailure(const CurrentFile& m, const std::string& name) {
    const CurrentFile::WriteFailure& why = m.LastWriteFailure();
    return Text(Tx::HeaderNotWritten) + "\n" + name + (why.reason.empty() ? std::string() : "\n" + why.reason);
}

bool askWarning(Tx question) {
    return AppPrompter().ask(MsgType::Warning, Question(question), MsgButtons::YesNo) == MsgResult::Yes;
}

}  // namespace

TFrmSDFdata::TFrmSDFdata(CurrentFile& model, QWidget* parent) : QDialog(parent), model_(model) {
    setObjectName("FrmSDFdata");
    buildLayout();
    FormCreate();
    model_.onUnitsChanged = [this](std::uint8_t sit, std::uint8_t bit) {
        // An updated old file: show its intervals in the units they now have.
        model_.DisplayUnit = sit;
        QSignalBlocker b1(ComboBoxSITUnit), b2(ComboBoxBITUnit);
        ComboBoxSITUnit->setCurrentIndex(sit);
        ComboBoxBITUnit->setCurrentIndex(bit);
    };
}

// The model outlives the dialog: take back the callback that points here.
TFrmSDFdata::~TFrmSDFdata() { model_.onUnitsChanged = nullptr; }

void TFrmSDFdata::buildLayout() {
    SetFixedDialogFrame(*this, kClientWidth, kClientHeight);

    auto label = [](QWidget* parent, const char* name, const QString& text, QRect r) {
        auto* l = new QLabel(text, parent);
        l->setObjectName(name);
        l->setGeometry(r);
        return l;
    };
    auto valueLabel = [&](QWidget* parent, const char* name, QRect r) {
        QLabel* l = label(parent, name, QString(), r);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    auto edit = [](QWidget* parent, const char* name, QRect r) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(name);
        e->setGeometry(r);
        return e;
    };
    auto combo = [](QWidget* parent, const char* name, QRect r) {
        auto* c = new QComboBox(parent);
        c->setObjectName(name);
        c->setGeometry(r);
        return c;
    };

    Label1 = label(this, "Label1", QStringLiteral("メモ："), QRect(8, 8, 44, 16));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(52, 6, 490, 48);

    Label2 = label(this, "Label2", QStringLiteral("計測期間："), QRect(8, 62, 64, 16));
    EdtStartTime = edit(this, "EdtStartTime", QRect(72, 58, 208, 22));
    Label9 = label(this, "Label9", QStringLiteral("～"), QRect(286, 62, 14, 16));
    LblLastTime = label(this, "LblLastTime", QString(), QRect(302, 58, 240, 22));
    LblLastTime->setAutoFillBackground(true);
    QPalette white = LblLastTime->palette();
    white.setColor(QPalette::Window, Qt::white);
    LblLastTime->setPalette(white);
    // Framed as the memo is: a sunken panel draws its right and bottom edges
    // in the light colour, which vanishes against the white fill.
    LblLastTime->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

    GroupBox2 = new QGroupBox(QStringLiteral("インターバル記録"), this);
    GroupBox2->setObjectName("GroupBox2");
    GroupBox2->setGeometry(8, 86, 264, 104);
    Label3 = label(GroupBox2, "Label3", QStringLiteral("計測回数："), QRect(8, 22, 100, 16));
    LblSampleSize = valueLabel(GroupBox2, "LblSampleSize", QRect(110, 22, 148, 16));
    Label5 = label(GroupBox2, "Label5", QStringLiteral("チャンネル数："), QRect(8, 46, 100, 16));
    LblNch = valueLabel(GroupBox2, "LblNch", QRect(110, 46, 148, 16));
    Label7 = label(GroupBox2, "Label7", QStringLiteral("計測時間間隔："), QRect(8, 74, 88, 16));
    // Wide enough for any interval in any unit, 7 digits and an exponent.
    EditSInt = edit(GroupBox2, "EditSInt", QRect(96, 70, 100, 22));
    ComboBoxSITUnit = combo(GroupBox2, "ComboBoxSITUnit", QRect(198, 70, 60, 22));

    GroupBox1 = new QGroupBox(QStringLiteral("バースト記録"), this);
    GroupBox1->setObjectName("GroupBox1");
    GroupBox1->setGeometry(278, 86, 264, 104);
    Label4 = label(GroupBox1, "Label4", QStringLiteral("リピート回数："), QRect(8, 22, 100, 16));
    EditIteration = edit(GroupBox1, "EditIteration", QRect(110, 18, 148, 22));
    Label8 = label(GroupBox1, "Label8", QStringLiteral("チャンネル数："), QRect(8, 48, 100, 16));
    LblNch2 = valueLabel(GroupBox1, "LblNch2", QRect(110, 48, 148, 16));
    Label6 = label(GroupBox1, "Label6", QStringLiteral("バースト時間間隔："), QRect(8, 74, 108, 16));
    LblBInt = valueLabel(GroupBox1, "LblBInt", QRect(116, 74, 80, 16));
    ComboBoxBITUnit = combo(GroupBox1, "ComboBoxBITUnit", QRect(198, 70, 60, 22));

    BitBtn3 = new QPushButton(QStringLiteral("編集モードの変更"), this);
    BitBtn3->setObjectName("BitBtn3");
    BitBtn3->setGeometry(8, 196, 140, 26);
    BitBtn3->setToolTip(QStringLiteral("下表のチャンネルパラメータの編集モードを変更します。"));
    BitBtn3->setAutoDefault(false);

    StringGrid1 = new StringGrid(this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setColCount(5);
    StringGrid1->setRowCount(2);
    StringGrid1->setFixedCols(1);
    StringGrid1->setFixedRows(1);
    StringGrid1->setDefaultRowHeight(kGridRowHeight);
    StringGrid1->setColumnSizing(true);
    StringGrid1->setColWidth(1, 121);
    StringGrid1->setColWidth(2, 71);
    StringGrid1->setGeometry(2, kGridTop, kClientWidth - 4, ChannelGridHeight(2, kGridRowHeight));

    GroupBox3 = new QGroupBox(QStringLiteral("ファイル"), this);
    GroupBox3->setObjectName("GroupBox3");
    GroupBox3->setGeometry(8, 364, 534, 50);
    EditFileName = edit(GroupBox3, "EditFileName", QRect(8, 20, 449, 22));
    Button1 = new QPushButton(QStringLiteral("参照"), GroupBox3);
    Button1->setObjectName("Button1");
    Button1->setGeometry(463, 19, 63, 24);
    Button1->setAutoDefault(false);

    BitBtn1 =
        AddDefaultButton(*this, "BitBtn1", QStringLiteral("保存"), QRect(368, 420, 84, 28), QStyle::SP_DialogOkButton);
    BitBtn2 = AddCancelButton(*this, "BitBtn2", QStringLiteral("キャンセル"), QRect(458, 420, 84, 28));

    StatusBar1 = new StatusPanels(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setGeometry(0, kClientHeight - 22, kClientWidth, 22);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    Copy1 = PopupMenu1->addAction(QStringLiteral("コピー(&C)"));
    Copy1->setObjectName("Copy1");
    Paste1 = PopupMenu1->addAction(QStringLiteral("貼り付け(&P)"));
    Paste1->setObjectName("Paste1");

    connect(BitBtn1, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn2Click(); }); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn3Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
    // Only the user's choice, not a selection made by the program.
    connect(ComboBoxSITUnit, &QComboBox::activated, this, [this] { Guarded([this] { ComboBoxSITUnitChange(); }); });
    connect(EditSInt, &QLineEdit::textChanged, this, [this] { Guarded([this] { EditSIntChange(); }); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { Guarded([this] { Memo1Change(); }); });
    connect(EdtStartTime, &QLineEdit::textChanged, this, [this] { Guarded([this] { EdtStartTimeChange(); }); });
    connect(StringGrid1, &StringGrid::cellEdited, this,
            [this](int c, int r) { Guarded([&] { StringGrid1SetEditText(c, r); }); });
    connect(Copy1, &QAction::triggered, this, [this] { Guarded([this] { Copy1Click(); }); });
    connect(Paste1, &QAction::triggered, this, [this] { Guarded([this] { Paste1Click(); }); });

    // Names and units end up in comma-separated TSD lists and in fixed-width
    // CP932 fields: refuse commas, characters CP932 lacks and overlong text.
    StringGrid1->setCellValidator(
        [](int col, int, const QString& text) { return ChannelCellAcceptable(col, text.toStdString()); });
}

void TFrmSDFdata::FormCreate() {
    StatusBar1->addPanel(200);
    StatusBar1->addPanel(150);
}

void TFrmSDFdata::InitForm() {
    initialized_ = true;
    Mode = 0;
    StringGrid1->setCell(0, 0, QStringLiteral("No."));
    StringGrid1->setCell(1, 0, QStringLiteral("Item"));
    StringGrid1->setCell(2, 0, QStringLiteral("Unit"));
    StringGrid1->setCell(3, 0, QStringLiteral("A"));
    StringGrid1->setCell(4, 0, QStringLiteral("B"));
    StringGrid1->setColWidth(0, 30);
    StringGrid1->setColWidth(3, 100);
    StringGrid1->setColWidth(4, 100);
    for (int r = 1; r <= kNumberedRows; ++r) StringGrid1->setCell(0, r, QString::number(r));
    for (QComboBox* c : {ComboBoxSITUnit, ComboBoxBITUnit}) {
        QSignalBlocker block(c);
        c->clear();
        for (const TTimeUnit& u : TimeUnits) c->addItem(QString::fromLatin1(u.Name));
        c->setCurrentIndex(2);
    }
    EditMode = 1;
    Paste1->setEnabled(false);
    ApplyEditMode();
}

bool TFrmSDFdata::ExecuteSave(int kind) {
    if (kind != 0 && kind != 1) throw RangeError("ファイルの種類が正しくありません。");
    if (!initialized_) InitForm();
    kind_ = kind;
    // Producers propose their output name through the model.
    if (!model_.SaveFileName.empty()) setFileNameText(model_.SaveFileName);
    SaveDialog1.DefaultExt = kind == 0 ? "sdf" : "tsd";
    SaveDialog1.Filter = kind == 0 ? kSdfFilter : kTsdFilter;
    Mode = 1;
    ShowHeader();
    return ShowModal(*this) == QDialog::Accepted;
}

bool TFrmSDFdata::OpenTimeSeriesFile(std::string& fileName) {
    if (!initialized_) InitForm();
    OpenDialog1.Files.clear();
    OpenDialog1.Filter = kOpenFilter;
    OpenDialog1.DefaultExt.clear();
    std::string name;
    if (fileName.empty()) {
        if (!OpenDialog1.Execute(AppFileChooser())) return false;
        name = OpenDialog1.FileName;
    } else {
        name = fileName;
    }
    setFileNameText(name);
    if (!readHeaderKeepingKind(name)) return false;
    shownFile_ = name;
    Mode = 0;
    ShowHeader();
    if (ShowModal(*this) != QDialog::Accepted) return false;
    fileName = model_.FileName;
    return true;
}

bool TFrmSDFdata::readHeaderKeepingKind(const std::string& name) {
    // A failed read leaves the kind of the header the model still holds:
    // ReadHeader restores it itself.
    ReaderPrompter readerPrompter(model_);
    return model_.ReadHeader(name);
}

void TFrmSDFdata::ShowHeader() {
    if (Mode == 0) {
        setWindowTitle(QString::fromStdString(Text(Tx::HeaderLoadCaption)));
        ComboBoxBITUnit->setEnabled(false);
        EditIteration->setReadOnly(true);
    } else {
        setWindowTitle(QString::fromStdString(Text(Tx::HeaderSaveCaption)));
        SaveDialog1.FileName = fileNameText();
        ComboBoxBITUnit->setEnabled(true);
        EditIteration->setReadOnly(false);
    }
    const int channels = model_.ChannelCount();

    // The program fills the edits here; that is no change by the user.
    QSignalBlocker bMemo(Memo1), bStart(EdtStartTime), bSInt(EditSInt), bSit(ComboBoxSITUnit),
        bBit(ComboBoxBITUnit), bIter(EditIteration);
    shownMemo_ = FromUtf8(MemoForDisplay(model_.Memo));
    memoAccepted_ = shownMemo_;
    Memo1->setPlainText(shownMemo_);
    shownStart_ = formatTimeOrEmpty(model_.StartTime);
    EdtStartTime->setText(shownStart_);
    LblLastTime->setText(validUnit(model_.SITUnit) && validUnit(model_.BITUnit)
                             ? formatTimeOrEmpty(LastSampleTime(model_))
                             : QString());
    LblSampleSize->setText(QString::number(model_.SampleSize));
    LblNch->setText(QString::number(model_.Nch));

    if (!validUnit(model_.DisplayUnit)) model_.DisplayUnit = 2;
    ComboBoxSITUnit->setCurrentIndex(model_.DisplayUnit);
    model_.ShowSIntInDisplayUnit();
    EditSInt->setText(FromUtf8(FormatGeneral(model_.SIntDisplay, 7)));

    LblNch2->setText(QString::number(model_.Nch2));
    EditIteration->setText(QString::number(model_.Iterations));
    bool oneBurst = model_.Iterations == 1;
    Label6->setVisible(!oneBurst);
    LblBInt->setVisible(!oneBurst);
    ComboBoxBITUnit->setVisible(!oneBurst);
    LblBInt->setText(QString::number(model_.BInt));
    if (validUnit(model_.BITUnit)) ComboBoxBITUnit->setCurrentIndex(model_.BITUnit);

    StringGrid1->setRowCount(channels + 1);
    StringGrid1->setGeometry(StringGrid1->x(), kGridTop, StringGrid1->width(),
                             ChannelGridHeight(channels + 1, StringGrid1->defaultRowHeight()));
    shownNames_.assign(static_cast<std::size_t>(channels), QString());
    shownUnits_.assign(static_cast<std::size_t>(channels), QString());
    for (int k = 0; k < channels; ++k) {
        auto i = static_cast<std::size_t>(k);
        shownNames_[i] = FromCp932(model_.ChannelName[i]);
        shownUnits_[i] = FromCp932(model_.ChannelUnit[i]);
        StringGrid1->setCell(1, k + 1, shownNames_[i]);
        StringGrid1->setCell(2, k + 1, shownUnits_[i]);
        StringGrid1->setCell(3, k + 1, FromUtf8(ScaleCellText(model_.ScaleA[i])));
        StringGrid1->setCell(4, k + 1, FromUtf8(ScaleCellText(model_.OffsetB[i])));
    }
}

void TFrmSDFdata::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    Guarded([this] { FormShow(); });
}

void TFrmSDFdata::FormShow() {
    Modified = false;
    SuppressSIntChange = false;
    EditFileName->setCursorPosition(static_cast<int>(EditFileName->text().size()));
    BitBtn1->setText(Mode == 0 ? QStringLiteral("読込み") : QStringLiteral("保存"));
}

void TFrmSDFdata::ApplyEdits() {
    // Everything is read and checked first, so a refused edit leaves the
    // model as it was.
    const int channels = model_.ChannelCount();

    QString memoText = Memo1->toPlainText();
    std::string memo = MemoToWrite(model_.Memo, memoText != shownMemo_, memoText.toStdString());
    QString startText = EdtStartTime->text();
    double start = startText == shownStart_ ? model_.StartTime : ParseStartTime(startText.toStdString());
    int bitUnit = ComboBoxBITUnit->currentIndex();
    if (!validUnit(bitUnit)) throw RangeError("時間の単位が正しくありません。");
    std::int16_t iterations = ParseIterations(EditIteration->text().toStdString(), Mode == 1);

    struct Entry {
        std::string name, unit;
        float a, b;
    };
    std::vector<Entry> entries(static_cast<std::size_t>(channels));
    for (int k = 0; k < channels; ++k) {
        auto i = static_cast<std::size_t>(k);
        QString name = StringGrid1->cell(1, k + 1), unit = StringGrid1->cell(2, k + 1);
        entries[i].name = i < shownNames_.size() && name == shownNames_[i] ? model_.ChannelName[i] : ToCp932(name);
        entries[i].unit = i < shownUnits_.size() && unit == shownUnits_[i] ? model_.ChannelUnit[i] : ToCp932(unit);
        entries[i].a = ParseScaleCell(StringGrid1->cell(3, k + 1).toStdString(), model_.ScaleA[i]);
        entries[i].b = ParseScaleCell(StringGrid1->cell(4, k + 1).toStdString(), model_.OffsetB[i]);
    }

    model_.SetMemo(memo);
    model_.StartTime = start;
    model_.BITUnit = static_cast<std::uint8_t>(bitUnit);
    model_.Iterations = iterations;
    for (int k = 0; k < channels; ++k) {
        const Entry& e = entries[static_cast<std::size_t>(k)];
        model_.SetChannelName(k, e.name);
        model_.SetChannelUnit(k, e.unit);
        model_.ScaleA[static_cast<std::size_t>(k)] = e.a;
        model_.OffsetB[static_cast<std::size_t>(k)] = e.b;
    }
}

void TFrmSDFdata::BitBtn1Click() {
    if (Mode == 1) {
        SaveDialog1.FileName = fileNameText();
        if (SaveHeaderChecked()) done(QDialog::Accepted);
        return;
    }
    std::string name = fileNameText();
    if (name != shownFile_) {
        // Another file was typed: show its header first; the next press loads it.
        reloadHeader(name);
        return;
    }
    model_.FileName = name;
    if (!LoadFirstBurst()) return;
    if (!Modified) return;
    if (model_.FileKind == 1) {
        AppPrompter().information(kTsdNotSaved);
    } else if (model_.FileKind == 0) {
        if (AppPrompter().confirm(Question(Tx::SaveChanges)) && !model_.RewriteSDFHeader(model_.FileName)) {
            AppPrompter().error(headerFailure(model_, model_.FileName));
        }
    }
}

bool TFrmSDFdata::reloadHeader(const std::string& name) {
    // A file that cannot be read leaves the dialog on the file it shows.
    bool ok = false;
    try {
        ok = readHeaderKeepingKind(name);
    } catch (...) {
        setFileNameText(shownFile_);
        throw;
    }
    if (!ok) {
        setFileNameText(shownFile_);
        return false;
    }
    shownFile_ = name;
    ShowHeader();
    Modified = false;
    return true;
}

bool TFrmSDFdata::LoadFirstBurst() {
    ApplyEdits();
    ReaderPrompter readerPrompter(model_);
    bool ok = false;
    if (model_.FileKind == 0) {
        ok = model_.ReadSDFBurst(0);
        // The SDF reader reports by its result only.
        if (!ok) AppPrompter().error(kBurstNotRead + model_.ReadFailureLine(model_.FileName));
    } else if (model_.FileKind == 1) {
        ok = model_.ReadTSDBurst(0);
    }
    if (ok) done(QDialog::Accepted);
    return ok;
}

bool TFrmSDFdata::SaveHeaderChecked() {
    std::string typed = fileNameText();
    if (typed.empty()) {
        AppPrompter().error(Text(Tx::HeaderNoFileName));
        return false;
    }
    // The producers write bursts of the caller's kind after the header, so
    // the name is brought to that kind before anything is checked.
    std::string name = HeaderTargetName(typed, kind_);
    if (name != typed) setFileNameText(name);
    bool inPlace = false;
    TargetCheck check;
    try {
        check = CheckSaveTarget(name, model_.FileName);
    } catch (const IoError& e) {
        // The file being read could not be read to tell what it is.
        AppPrompter().error(Text(Tx::HeaderNotWritten) + "\n" + name + "\n" + e.what());
        return false;
    }
    switch (check) {
        case TargetCheck::SourceRefused: {
            bool tsd = UpperExtension(name) == ".TSD" || UpperExtension(model_.FileName) == ".TSD";
            AppPrompter().warning(tsd ? Text(Tx::HeaderTsdSourceRefused) : Text(Tx::HeaderSourceRefused));
            return false;
        }
        case TargetCheck::SourceSdf:
            if (!askWarning(Tx::OverwriteSource)) return false;
            inPlace = true;
            break;
        case TargetCheck::ExistingFile:
            if (!askWarning(Tx::OverwriteExisting)) return false;
            break;
        case TargetCheck::NewFile:
            break;
    }
    ApplyEdits();
    bool written = false;
    if (kind_ == 0)
        written = inPlace ? model_.RewriteSDFHeader(name) : model_.BeginSDFOutput(name);
    else
        written = model_.BeginTSDOutput(name);
    if (!written) {
        AppPrompter().error(headerFailure(model_, name));
        return false;
    }
    SaveDialog1.FileName = name;
    model_.SaveFileName = name;
    hide();
    return true;
}

void TFrmSDFdata::BitBtn2Click() { done(QDialog::Rejected); }

void TFrmSDFdata::BitBtn3Click() {
    EditMode = EditMode == 0 ? 1 : 0;
    ApplyEditMode();
}

void TFrmSDFdata::ApplyEditMode() {
    if (EditMode == 0) {
        StatusBar1->setPanelText(0, QString::fromStdString(Text(Tx::GridBlockMode)));
        if (StringGrid1->popupMenu() != PopupMenu1) SavedPopupMenu = StringGrid1->popupMenu();
        StringGrid1->setPopupMenu(PopupMenu1);
        StringGrid1->setEditing(false);
    } else {
        StatusBar1->setPanelText(0, QString::fromStdString(Text(Tx::GridCellMode)));
        StringGrid1->setPopupMenu(SavedPopupMenu);
        StringGrid1->setEditing(true);
    }
}

void TFrmSDFdata::Button1Click() {
    if (Mode == 0) {
        OpenDialog1.FileName = fileNameText();
        if (!OpenDialog1.Execute(AppFileChooser())) return;
        // The chosen file keeps its own extension; its header is shown at once.
        setFileNameText(OpenDialog1.FileName);
        reloadHeader(OpenDialog1.FileName);
    } else {
        SaveDialog1.FileName = fileNameText();
        if (!SaveDialog1.Execute(AppFileChooser())) return;
        setFileNameText(WithExtensionReplaced(SaveDialog1.FileName, SaveDialog1.DefaultExt));
    }
}

void TFrmSDFdata::ComboBoxSITUnitChange() {
    int u = ComboBoxSITUnit->currentIndex();
    if (!validUnit(u)) return;
    model_.DisplayUnit = static_cast<std::uint8_t>(u);
    model_.ShowSIntInDisplayUnit();
    QString text = FromUtf8(FormatGeneral(model_.SIntDisplay, 7));
    // An unchanged text raises no change event, which would leave the flag set.
    if (EditSInt->text() != text) {
        SuppressSIntChange = true;
        EditSInt->setText(text);
    }
}

void TFrmSDFdata::EditSIntChange() {
    if (!isVisible()) return;
    if (SuppressSIntChange) {
        SuppressSIntChange = false;
        return;
    }
    std::optional<int> v = ParseSamplingInterval(EditSInt->text().toStdString());
    if (!v) {
        AppPrompter().beep();
        AppPrompter().error(Text(Tx::HeaderBadInterval));
        EditSInt->setFocus();
        return;
    }
    int u = ComboBoxSITUnit->currentIndex();
    if (!validUnit(u)) throw RangeError("時間の単位が正しくありません。");
    model_.SInt = *v;
    model_.SITUnit = static_cast<std::uint8_t>(u);
    model_.SIntDisplay = *v;
    QString text = FromUtf8(FormatGeneral(model_.SIntDisplay, 7));
    if (EditSInt->text() != text) {
        QSignalBlocker block(EditSInt);
        EditSInt->setText(text);
    }
    Modified = true;
}

void TFrmSDFdata::Memo1Change() {
    QString now = Memo1->toPlainText();
    if (!MemoChangeAcceptable(memoAccepted_.toStdString(), now.toStdString())) {
        // Over 160 bytes of CP932, or a character CP932 cannot hold: refuse it.
        RefuseEdit(*Memo1, memoAccepted_);
        return;
    }
    memoAccepted_ = now;
    Modified = true;
}

void TFrmSDFdata::EdtStartTimeChange() { Modified = true; }

void TFrmSDFdata::StringGrid1SetEditText(int, int) { Modified = true; }

void TFrmSDFdata::Copy1Click() {
    GridRect sel = StringGrid1->selection();
    if (sel.empty()) return;
    ClipCols = sel.Right - sel.Left + 1;
    ClipRows = sel.Bottom - sel.Top + 1;
    Clip.assign(static_cast<std::size_t>(ClipCols), std::vector<QString>(static_cast<std::size_t>(ClipRows)));
    for (int c = sel.Left; c <= sel.Right; ++c)
        for (int r = sel.Top; r <= sel.Bottom; ++r)
            Clip[static_cast<std::size_t>(c - sel.Left)][static_cast<std::size_t>(r - sel.Top)] =
                StringGrid1->cell(c, r);
    Paste1->setEnabled(true);
}

void TFrmSDFdata::Paste1Click() {
    std::vector<PasteStep> plan =
        PastePlan(StringGrid1->selection(), ClipCols, ClipRows, StringGrid1->colCount(), StringGrid1->rowCount());
    // Each pasted cell passes the checks typed text gets; a refused cell keeps
    // its text (a name is never cut to fit the unit column).
    bool refused = false;
    for (const PasteStep& s : plan)
        if (!StringGrid1->commitEdit(s.col, s.row, Clip[static_cast<std::size_t>(s.i)][static_cast<std::size_t>(s.k)]))
            refused = true;
    if (refused) AppPrompter().beep();
    // Pasted cells are edits like typed ones and are offered for saving.
    if (!plan.empty()) Modified = true;
}

void TFrmSDFdata::setFileNameText(const std::string& name) {
    EditFileName->setText(FromUtf8(name));
    EditFileName->setCursorPosition(static_cast<int>(EditFileName->text().size()));
}

std::string TFrmSDFdata::fileNameText() const { return EditFileName->text().toStdString(); }

}  // namespace brine
