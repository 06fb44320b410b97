#include "importers/comma_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <climits>
#include <filesystem>
#include <optional>

#include "base/errors.h"
#include "base/number_text.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/header_edit_rules.h"
#include "core/header_save.h"
#include "core/time_units.h"
#include "platform/guard.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "platform/qt_text.h"
#include "platform/status_panels.h"
#include "platform/string_grid.h"

namespace brine {

TFrmCommaData* FrmCommaData = nullptr;

namespace {

constexpr int kPrmRows = 5;
const char* const kCsvFilter = "カンマ区切りデータ (*.csv)|*.CSV|すべてのファイル (*.*)|*.*";

QString fromUtf8(const char* s) { return QString::fromUtf8(s); }
// The text of a number as the dialog shows it.
QString floatText(double v) { return QString::fromStdString(FormatGeneral(v, 15)); }

int strToInt(const QString& text) {
    std::optional<int> v = ParseInt(text.toStdString());
    if (!v) throw ConversionError("'" + text.toStdString() + "' は正しい整数ではありません。");
    return *v;
}

double strToFloat(const QString& text) {
    std::optional<double> v = ParseNumber(text.toStdString());
    if (!v) throw ConversionError("'" + text.toStdString() + "' は正しい浮動小数点数ではありません。");
    return *v;
}

QLabel* label(QWidget* parent, const char* caption, int x, int y, int w) {
    auto* l = new QLabel(QString::fromUtf8(caption), parent);
    l->setGeometry(x, y + 2, w, 18);
    return l;
}

QLineEdit* edit(QWidget* parent, const char* name, const char* text, int x, int y, int w) {
    auto* e = new QLineEdit(QString::fromUtf8(text), parent);
    e->setObjectName(name);
    e->setGeometry(x, y, w, 21);
    return e;
}

QComboBox* combo(QWidget* parent, const char* name, bool editable, int x, int y, int w) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->setEditable(editable);
    c->setGeometry(x, y, w, 22);
    return c;
}

// An up-down beside an edit: its arrows step the edit's whole number.
QScrollBar* upDown(QWidget* parent, const char* name, QLineEdit* buddy) {
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setObjectName(name);
    bar->setRange(1, 10000);
    bar->setPageStep(1);
    bar->setInvertedAppearance(true);  // the upper arrow counts up
    QRect g = buddy->geometry();
    bar->setGeometry(g.right() + 1, g.top(), 16, g.height());
    QObject::connect(bar, &QScrollBar::valueChanged, buddy, [buddy](int v) { buddy->setText(QString::number(v)); });
    QObject::connect(buddy, &QLineEdit::textChanged, bar, [bar](const QString& t) {
        std::optional<int> v = ParseInt(t.toStdString());
        if (!v) return;
        QSignalBlocker block(bar);
        bar->setValue(*v);
    });
    return bar;
}

// Progress of an import on the dialog's gauge: repainted at once, without
// letting other input in.
class GaugeProgress : public ProgressSink {
public:
    explicit GaugeProgress(QProgressBar* gauge) : gauge_(gauge) {}
    void Start(const std::string&, bool) override {
        gauge_->setValue(0);
        gauge_->show();
    }
    void SetPercent(int p) override {
        gauge_->setValue(p);
        gauge_->repaint();
    }
    void SetComment(const std::string&) override {}
    bool Cancelled() const override { return false; }
    void Hide() override { gauge_->hide(); }

private:
    QProgressBar* gauge_;
};

}  // namespace

TFrmCommaData::TFrmCommaData(QWidget* parent) : QDialog(parent), model(&AppModel()) {
    setObjectName("FrmCommaData");
    setWindowTitle(fromUtf8(kCommaCaption));
    buildLayout();
    FormCreate();
}

void TFrmCommaData::buildLayout() {
    setFixedSize(800, 600);

    LabelDT = label(this, "サンプリング時間間隔：", 8, 8, 134);
    EdtDT = edit(this, "EdtDT", "1", 144, 8, 62);
    UpDownDT = upDown(this, "UpDownDT", EdtDT);
    ComboBoxSamplingIntervalUnit = combo(this, "ComboBoxSamplingIntervalUnit", false, 226, 8, 70);
    CheckBoxBurst = new QCheckBox(fromUtf8("バースト記録"), this);
    CheckBoxBurst->setObjectName("CheckBoxBurst");
    CheckBoxBurst->setGeometry(8, 36, 120, 20);
    LabelNS = label(this, "サンプリング個数：", 130, 36, 110);
    EditNS = edit(this, "EditNS", "100", 240, 36, 56);
    LabelBInt = label(this, "バースト時間間隔：", 8, 64, 134);
    EditBInt = edit(this, "EditBInt", "1", 144, 64, 62);
    ComboBoxBurstIntervalUnit = combo(this, "ComboBoxBurstIntervalUnit", false, 226, 64, 70);

    LabelSkip = label(this, "先頭ｽｷｯﾌﾟ行数：", 306, 8, 104);
    ComboBoxSkip = combo(this, "ComboBoxSkip", true, 412, 8, 60);
    LabelStep = label(this, "読込みｽﾃｯﾌﾟ行数：", 306, 36, 104);
    ComboBoxStep = combo(this, "ComboBoxStep", true, 412, 36, 60);
    LabelLast = label(this, "読込み最終行：", 306, 64, 104);
    EditLast = edit(this, "EditLast", "-1", 412, 64, 60);

    GroupBoxStartTime = new QGroupBox(fromUtf8("計測開始時刻："), this);
    GroupBoxStartTime->setObjectName("GroupBoxStartTime");
    GroupBoxStartTime->setGeometry(486, 2, 306, 86);
    EditStartTime = edit(GroupBoxStartTime, "EditStartTime", "", 8, 22, 200);
    CheckBoxStartTime = new QCheckBox(fromUtf8("記載有"), GroupBoxStartTime);
    CheckBoxStartTime->setObjectName("CheckBoxStartTime");
    CheckBoxStartTime->setGeometry(218, 22, 80, 20);
    LabelRowStartTime = label(GroupBoxStartTime, "行：", 8, 54, 24);
    EditRowStartTime = edit(GroupBoxStartTime, "EditRowStartTime", "1", 34, 54, 56);
    UpDownRowStartTime = upDown(GroupBoxStartTime, "UpDownRowStartTime", EditRowStartTime);
    LabelColStartTime = label(GroupBoxStartTime, "列：", 120, 54, 24);
    EditColStartTime = edit(GroupBoxStartTime, "EditColStartTime", "1", 146, 54, 56);
    UpDownColStartTime = upDown(GroupBoxStartTime, "UpDownColStartTime", EditColStartTime);
    for (QLineEdit* e : {EditRowStartTime, EditColStartTime}) e->setValidator(new QIntValidator(1, 10000, e));

    auto button = [this](const char* name, const char* caption, int x, int w) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(name);
        b->setGeometry(x, 96, w, 28);
        b->setAutoDefault(false);
        return b;
    };
    BitBtn3 = button("BitBtn3", "表のｱｯﾌﾟﾃﾞｰﾄ", 8, 120);
    BitBtn3->setDefault(true);
    BitBtn2 = button("BitBtn2", "ﾊﾟﾗﾒｰﾀの読込み", 136, 120);
    BitBtn6 = button("BitBtn6", "ﾊﾟﾗﾒｰﾀの保存", 264, 120);
    BitBtn1 = button("BitBtn1", "データの読込み", 664, 128);

    StringGridPrm = new StringGrid(this);
    StringGridPrm->setObjectName("StringGridPrm");
    StringGridPrm->setGeometry(8, 132, 784, 5 * 20 + 22);
    StringGrid1 = new StringGrid(this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setGeometry(8, 260, 784, 300);
    for (StringGrid* g : {StringGridPrm, StringGrid1}) {
        g->setDefaultRowHeight(20);
        g->setFixedCols(1);
        g->setFixedRows(0);
        g->setColumnSizing(true);
        g->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
        g->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        g->installEventFilter(this);
        g->viewport()->installEventFilter(this);
    }
    StringGridPrm->setRowCount(kPrmRows);
    StringGridPrm->setColCount(2);
    StringGrid1->setRowCount(1);
    StringGrid1->setColCount(2);
    StringGrid1->horizontalHeader()->setDefaultSectionSize(75);
    StringGridPrm->horizontalHeader()->setDefaultSectionSize(75);

    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName("Gauge1");
    Gauge1->setGeometry(0, 564, 800, 12);
    Gauge1->setRange(0, 100);
    Gauge1->setTextVisible(false);
    Gauge1->setStyleSheet("QProgressBar::chunk { background-color: red; }");
    Gauge1->hide();

    StatusBar1 = new StatusPanels(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setGeometry(0, 578, 800, 22);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    auto action = [this](const char* name, const char* caption, void (TFrmCommaData::*handler)()) {
        QAction* a = PopupMenu1->addAction(QString::fromUtf8(caption));
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
        return a;
    };
    SetReadItem = action("SetReadItem", "読み込み設定(&R)", &TFrmCommaData::SetReadItemClick);
    UnsetReadItem = action("UnsetReadItem", "読み込み解除(&U)", &TFrmCommaData::UnsetReadItemClick);
    PopupMenu1->addSeparator();
    Copy1 = action("Copy1", "コピー(&C)", &TFrmCommaData::Copy1Click);
    Truncate1 = action("Truncate1", "切り取り(&T)", &TFrmCommaData::Truncate1Click);
    Paste1 = action("Paste1", "貼り付け(&P)", &TFrmCommaData::Paste1Click);
    // Both grids start in column mode.
    StringGrid1->setPopupMenu(PopupMenu1);
    StringGridPrm->setPopupMenu(PopupMenu1);

    auto guarded = [this](void (TFrmCommaData::*handler)()) {
        return [this, handler] { Guarded([this, handler] { (this->*handler)(); }); };
    };
    connect(BitBtn1, &QPushButton::clicked, this, guarded(&TFrmCommaData::BitBtn1Click));
    connect(BitBtn2, &QPushButton::clicked, this, guarded(&TFrmCommaData::BitBtn2Click));
    connect(BitBtn3, &QPushButton::clicked, this, guarded(&TFrmCommaData::BitBtn3Click));
    connect(BitBtn6, &QPushButton::clicked, this, guarded(&TFrmCommaData::BitBtn6Click));
    connect(CheckBoxBurst, &QCheckBox::toggled, this, guarded(&TFrmCommaData::CheckBoxBurstClick));
    connect(CheckBoxStartTime, &QCheckBox::toggled, this, guarded(&TFrmCommaData::CheckBoxStartTimeClick));
    // While a row or column is being typed, an incomplete number picks nothing.
    for (QLineEdit* e : {EditRowStartTime, EditColStartTime})
        connect(e, &QLineEdit::textChanged, this, [this](const QString& t) {
            if (ParseInt(t.toStdString())) Guarded([this] { CheckBoxStartTimeClick(); });
        });
    connect(ComboBoxSkip, &QComboBox::editTextChanged, this, guarded(&TFrmCommaData::ComboBoxSkipChange));
    ComboBoxSkip->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxStep->setInsertPolicy(QComboBox::NoInsert);
    for (QLineEdit* e : {ComboBoxSkip->lineEdit(), ComboBoxStep->lineEdit(), EditLast}) e->installEventFilter(this);
    connect(StringGrid1->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            guarded(&TFrmCommaData::StringGrid1TopLeftChanged));
    connect(StringGridPrm->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            guarded(&TFrmCommaData::StringGridPrmTopLeftChanged));
}

void TFrmCommaData::FormCreate() {
    OpenDialog1.Filter = kCsvFilter;
    StatusBar1->addPanel(100);
    StatusBar1->addPanel(200);
}

void TFrmCommaData::InitDefaults() {
    Paste1->setEnabled(false);
    ResetDefaults();
    ComboBoxSkip->clear();
    for (int i = 0; i <= 99; ++i) ComboBoxSkip->addItem(QString::number(i));
    ComboBoxStep->clear();
    for (int i = 1; i <= 100; ++i) ComboBoxStep->addItem(QString::number(i));
    const char* titles[kPrmRows] = {"Read", "Item Name", "Unit", "A", "B"};
    for (int r = 0; r < kPrmRows; ++r) StringGridPrm->setCell(0, r, QString::fromUtf8(titles[r]));
    for (QComboBox* c : {ComboBoxSamplingIntervalUnit, ComboBoxBurstIntervalUnit}) {
        c->clear();
        for (const TTimeUnit& u : TimeUnits) c->addItem(QString::fromUtf8(u.Name));
    }
    ComboBoxSamplingIntervalUnit->setCurrentIndex(2);
    ComboBoxBurstIntervalUnit->setCurrentIndex(3);
    EdtDT->setText(QStringLiteral("1"));
}

void TFrmCommaData::showChannel(int gridCol, int k) {
    auto i = static_cast<std::size_t>(k);
    StringGridPrm->setCell(gridCol, 0, QStringLiteral("Yes"));
    StringGridPrm->setCell(gridCol, 1, FromCp932(ItemNames[i]));
    StringGridPrm->setCell(gridCol, 2, FromCp932(ItemUnits[i]));
    StringGridPrm->setCell(gridCol, 3, floatText(CoefA[i]));
    StringGridPrm->setCell(gridCol, 4, floatText(CoefB[i]));
}

bool TFrmCommaData::OpenFile(const std::string& fileName) {
    bool ready = Guarded([&] {
        ComboBoxSkip->setEditText(QString::number(SkipLines));
        ComboBoxStep->setEditText(QString::number(StepLines));
        EditLast->setText(QString::number(LastLine));
        int k = 0;
        for (int c = 0; c < kCommaColumns; ++c) {
            if (ReadFlags[static_cast<std::size_t>(c)])
                showChannel(c + 1, k++);
            else
                StringGridPrm->setCell(c + 1, 0, QStringLiteral("No"));
        }
        StringGrid1->setColCount(kCommaColumns);
        StringGrid1->setRowCount(kPreviewMaxRows);
        for (int c = 1; c < kCommaColumns; ++c)
            for (int r = 0; r < kPreviewMaxRows; ++r) StringGrid1->setCell(c, r, QString());
        SourceFileName = fileName;
        CheckBoxStartTimeClick();
        LoadPreview();
    });
    if (!ready) return false;
    FormShow();
    return ShowModal(*this) == QDialog::Accepted;
}

ProgressSink& TFrmCommaData::previewProgress() { return progress ? *progress : noProgress_; }

void TFrmCommaData::LoadPreview() {
    setWindowTitle(fromUtf8(kCommaCaption) + "/" +
                   QString::fromStdString(std::filesystem::path(SourceFileName).filename().string()));
    CommaPreview p = LoadCommaPreview(SourceFileName, *this, previewProgress());
    LineCount = p.LineCount;

    struct Place {
        int left, col;
    };
    auto place = [](StringGrid* g) { return Place{g->horizontalScrollBar()->value(), g->currentColumn()}; };
    Place previewPlace = place(StringGrid1), prmPlace = place(StringGridPrm);

    const int cols = p.Widest + 1;
    const int rows = std::max<int>(1, static_cast<int>(p.Rows.size()));
    // Nothing of an earlier file may show through.
    const int clearCols = std::max(cols, StringGrid1->colCount()), clearRows = std::max(rows, StringGrid1->rowCount());
    StringGrid1->setRowCount(rows);
    StringGrid1->setColCount(cols);
    for (int c = 0; c < clearCols; ++c)
        for (int r = 0; r < clearRows; ++r) StringGrid1->setCell(c, r, QString());
    for (std::size_t r = 0; r < p.Rows.size(); ++r) {
        int row = static_cast<int>(r);
        StringGrid1->setCell(0, row, QString::number(row + 1));
        for (std::size_t c = 0; c < p.Rows[r].size(); ++c)
            StringGrid1->setCell(static_cast<int>(c) + 1, row, FromCp932(p.Rows[r][c]));
    }
    RefreshReadRow();
    StringGridPrm->setColCount(cols);

    auto restore = [](StringGrid* g, Place at) {
        if (at.left < g->colCount()) g->horizontalScrollBar()->setValue(at.left);
        if (at.col >= 0 && at.col < g->colCount() && g->currentRow() >= 0)
            g->setCurrentCell(g->currentRow(), at.col);
    };
    restore(StringGrid1, previewPlace);
    restore(StringGridPrm, prmPlace);
    // The preview starts at its first row: a skip typed before scrolled the
    // old preview to where the new one now begins.
    StringGrid1->verticalScrollBar()->setValue(0);
}

void TFrmCommaData::RefreshReadRow() {
    for (int c = 1; c < StringGridPrm->colCount() && c <= kCommaColumns; ++c)
        StringGridPrm->setCell(c, 0, ReadFlags[static_cast<std::size_t>(c - 1)] ? QStringLiteral("Yes")
                                                                                 : QStringLiteral("No"));
}

void TFrmCommaData::CheckBoxStartTimeClick() {
    if (!CheckBoxStartTime->isChecked() || SourceFileName.empty()) return;
    int col = strToInt(EditColStartTime->text());
    int row = strToInt(EditRowStartTime->text());
    EditStartTime->setText(FromCp932(PickStartTimeText(SourceFileName, row, col)));
}

CommaFormTexts TFrmCommaData::formTexts() const {
    CommaFormTexts t;
    t.Skip = ComboBoxSkip->currentText().toStdString();
    t.Step = ComboBoxStep->currentText().toStdString();
    t.Last = EditLast->text().toStdString();
    t.BurstMode = CheckBoxBurst->isChecked();
    t.SamplesPerBurst = EditNS->text().toStdString();
    t.BurstInterval = EditBInt->text().toStdString();
    t.BurstUnit = ComboBoxBurstIntervalUnit->currentIndex();
    t.SamplingInterval = EdtDT->text().toStdString();
    t.SamplingUnit = ComboBoxSamplingIntervalUnit->currentIndex();
    t.StartTime = EditStartTime->text().toStdString();
    const int columns = std::min(StringGrid1->colCount() - 1, kCommaColumns);
    for (int c = 1; c <= columns; ++c) {
        CommaFormTexts::Column col;
        col.Read = ReadFlags[static_cast<std::size_t>(c - 1)];
        col.Name = ToCp932(StringGridPrm->cell(c, 1));
        col.Unit = ToCp932(StringGridPrm->cell(c, 2));
        col.A = StringGridPrm->cell(c, 3).toStdString();
        col.B = StringGridPrm->cell(c, 4).toStdString();
        t.Columns.push_back(std::move(col));
    }
    return t;
}

void TFrmCommaData::BitBtn1Click() {
    takeReadRow();
    CommaImportSettings s = ReadImportSettings(formTexts(), SourceFileName);
    ReadCount = static_cast<int>(s.Channels.size());
    for (std::size_t k = 0; k < s.Channels.size(); ++k) {
        ItemNames[k] = s.Channels[k].Name;
        ItemUnits[k] = s.Channels[k].Unit;
        CoefA[k] = s.Channels[k].A;
        CoefB[k] = s.Channels[k].B;
    }
    LastLine = s.LastLine;
    SkipLines = s.SkipLines;
    StepLines = s.StepLines;

    CommaImportResult r;
    {
        BitBtn1->setEnabled(false);
        struct Enable {
            QPushButton* b;
            ~Enable() { b->setEnabled(true); }
        } enable{BitBtn1};
        GaugeProgress gauge(Gauge1);
        r = ImportCommaData(s, AppPrompter(), gauge);
    }
    LineCount = r.LineCount > INT_MAX ? INT_MAX : static_cast<int>(r.LineCount);
    if (!r.Completed) return;  // the dialog stays open for new coefficients
    if (s.BurstMode) {
        TempFileName = r.TempFileName;
        TempFileLock = r.TempFileLock;
    }
    SampleCount = r.SampleCount;
    ApplyCommaImport(s, r, *model);
    accept();
}

// ---- parameter file

CommaParameters TFrmCommaData::presentParameters() const {
    CommaParameters p;
    p.FromFile = CheckBoxStartTime->isChecked();
    p.DescribedColumn = ToCp932(EditColStartTime->text());
    p.DescribedRow = ToCp932(EditRowStartTime->text());
    p.BurstSampling = CheckBoxBurst->isChecked();
    p.NumberOfSamples = ToCp932(EditNS->text());
    p.BurstInterval = ToCp932(EditBInt->text());
    p.BurstIntervalUnitNo = ComboBoxBurstIntervalUnit->currentIndex();
    p.Intervals = ToCp932(EdtDT->text());
    p.UnitNo = ComboBoxSamplingIntervalUnit->currentIndex();
    p.Skip = ToCp932(ComboBoxSkip->currentText());
    p.Step = ToCp932(ComboBoxStep->currentText());
    p.Last = ToCp932(EditLast->text());
    p.NumberOfColumns = StringGrid1->colCount() - 1;
    return p;
}

void TFrmCommaData::BitBtn6Click() {
    SaveDialog1.InitialDir = parameterFolder ? parameterFolder() : std::string();
    SaveDialog1.Filter = Text(Tx::CommaParameterFilter) + "|*.tfp";
    if (!SaveDialog1.Execute(AppFileChooser())) return;
    const std::string fileName = WithExtensionReplaced(SaveDialog1.FileName, "tfp");
    CommaParameters p = presentParameters();
    takeReadRow();
    for (int c = 1; c < StringGridPrm->colCount() && c <= kCommaColumns; ++c) {
        bool read = ReadFlags[static_cast<std::size_t>(c - 1)];
        CommaParameterColumn col;
        col.Read = read;
        col.ItemName = ToCp932(StringGridPrm->cell(c, 1));
        col.Scale = ToCp932(StringGridPrm->cell(c, 2));
        col.AText = ToCp932(StringGridPrm->cell(c, 3));
        col.BText = ToCp932(StringGridPrm->cell(c, 4));
        p.Columns.push_back(std::move(col));
    }
    SaveCommaParameters(fileName, p);
}

void TFrmCommaData::BitBtn2Click() {
    OpenDialog2.InitialDir = parameterFolder ? parameterFolder() : std::string();
    OpenDialog2.Filter = Text(Tx::CommaParameterFilter) + "|*.tfp";
    if (!OpenDialog2.Execute(AppFileChooser())) return;
    CommaParameters p = LoadCommaParameters(OpenDialog2.FileName, presentParameters());

    CheckBoxStartTime->setChecked(p.FromFile);
    EditColStartTime->setText(FromCp932(p.DescribedColumn));
    EditRowStartTime->setText(FromCp932(p.DescribedRow));
    CheckBoxBurst->setChecked(p.BurstSampling);
    if (p.BurstSampling) {
        EditNS->setText(FromCp932(p.NumberOfSamples));
        EditBInt->setText(FromCp932(p.BurstInterval));
        ComboBoxBurstIntervalUnit->setCurrentIndex(p.BurstIntervalUnitNo);
    }
    EdtDT->setText(FromCp932(p.Intervals));
    ComboBoxSamplingIntervalUnit->setCurrentIndex(p.UnitNo);
    ComboBoxSkip->setEditText(FromCp932(p.Skip));
    ComboBoxStep->setEditText(FromCp932(p.Step));
    EditLast->setText(FromCp932(p.Last));

    ApplyParameterColumns(p, *this);
    int k = 0;
    for (int n = 0; n < p.NumberOfColumns; ++n) {
        if (p.Columns[static_cast<std::size_t>(n)].Read) {
            showChannel(n + 1, k++);
        } else {
            StringGridPrm->setCell(n + 1, 0, QStringLiteral("No"));
            for (int r = 1; r < kPrmRows; ++r) StringGridPrm->setCell(n + 1, r, QString());
        }
    }
    CheckBoxBurstClick();
}

// ---- table settings

void TFrmCommaData::takeReadRow() {
    for (int c = 1; c < StringGridPrm->colCount() && c <= kCommaColumns; ++c)
        ReadFlags[static_cast<std::size_t>(c - 1)] = StringGridPrm->cell(c, 0) == QStringLiteral("Yes");
}

void TFrmCommaData::BitBtn3Click() {
    int skip = strToInt(ComboBoxSkip->currentText());
    int step = strToInt(ComboBoxStep->currentText());
    int last = strToInt(EditLast->text());
    std::vector<std::pair<double, double>> coefs;
    for (int c = 1; c < StringGridPrm->colCount() && c <= kCommaColumns; ++c)
        if (StringGridPrm->cell(c, 0) == QStringLiteral("Yes"))
            coefs.emplace_back(strToFloat(StringGridPrm->cell(c, 3)), strToFloat(StringGridPrm->cell(c, 4)));
    SkipLines = skip;
    StepLines = step;
    LastLine = last;
    // The read marks as typed decide which columns the coefficients belong
    // to, in the preview as in the import.
    takeReadRow();
    for (std::size_t k = 0; k < coefs.size(); ++k) {
        CoefA[k] = coefs[k].first;
        CoefB[k] = coefs[k].second;
    }
    LoadPreview();
}

void TFrmCommaData::ComboBoxSkipKeyPress() {
    SkipLines = strToInt(ComboBoxSkip->currentText());
    LoadPreview();
}

void TFrmCommaData::ComboBoxStepKeyPress() {
    StepLines = strToInt(ComboBoxStep->currentText());
    LoadPreview();
}

void TFrmCommaData::EditLastKeyPress() {
    LastLine = strToInt(EditLast->text());
    LoadPreview();
}

void TFrmCommaData::ComboBoxSkipChange() {
    // Only scrolls the preview: a number still being typed scrolls nothing.
    std::optional<int> top = ParseInt(ComboBoxSkip->currentText().toStdString());
    if (!top) return;
    QScrollBar* bar = StringGrid1->verticalScrollBar();
    bar->setValue(std::clamp(*top, bar->minimum(), bar->maximum()));
}

// ---- grid tools

void TFrmCommaData::setReadMarks(bool read) {
    StringGrid* g = StringGridPrm;
    const int top = g->verticalScrollBar()->value(), left = g->horizontalScrollBar()->value();
    const int row = g->currentRow(), col = g->currentColumn();
    GridRect sel = g->selection();
    for (int c = std::max(sel.Left, 1); c <= sel.Right && c <= kCommaColumns; ++c)
        ReadFlags[static_cast<std::size_t>(c - 1)] = read;
    RefreshReadRow();
    g->verticalScrollBar()->setValue(top);
    g->horizontalScrollBar()->setValue(left);
    if (row >= 0 && col >= 0) g->setCurrentCell(row, col, QItemSelectionModel::NoUpdate);
}

void TFrmCommaData::SetReadItemClick() { setReadMarks(true); }
void TFrmCommaData::UnsetReadItemClick() { setReadMarks(false); }

StringGrid* TFrmCommaData::activeGrid() const {
    for (QWidget* w = focusWidget(); w; w = w->parentWidget()) {
        if (w == StringGrid1) return StringGrid1;
        if (w == StringGridPrm) return StringGridPrm;
    }
    return nullptr;
}

void TFrmCommaData::copyBlock(StringGrid* grid, bool cut) {
    GridRect sel = grid->selection();
    if (sel.empty()) return;
    ClipCols = sel.Right - sel.Left + 1;
    ClipRows = sel.Bottom - sel.Top + 1;
    Clip.assign(static_cast<std::size_t>(ClipCols), std::vector<QString>(static_cast<std::size_t>(ClipRows)));
    for (int c = sel.Left; c <= sel.Right; ++c)
        for (int r = sel.Top; r <= sel.Bottom; ++r) {
            Clip[static_cast<std::size_t>(c - sel.Left)][static_cast<std::size_t>(r - sel.Top)] = grid->cell(c, r);
            if (cut) grid->setCell(c, r, QString());
        }
    Paste1->setEnabled(true);
}

void TFrmCommaData::Copy1Click() {
    StringGrid* grid = activeGrid();
    if (!grid) return;
    copyBlock(grid, false);
    if (Clip.empty()) return;
    QStringList rows;
    for (int r = 0; r < ClipRows; ++r) {
        QStringList cells;
        for (int c = 0; c < ClipCols; ++c) cells << Clip[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
        rows << cells.join('\t');
    }
    QApplication::clipboard()->setText(rows.join(QStringLiteral("\r\n")));
}

void TFrmCommaData::Truncate1Click() {
    // With the focus elsewhere there is no block to cut.
    if (StringGrid* grid = activeGrid()) copyBlock(grid, true);
}

void TFrmCommaData::Paste1Click() {
    StringGrid* grid = activeGrid();
    if (!grid) return;
    // Cells that would fall outside the grid are left out.
    for (const PasteStep& s : PastePlan(grid->selection(), ClipCols, ClipRows, grid->colCount(), grid->rowCount()))
        grid->setCell(s.col, s.row, Clip[static_cast<std::size_t>(s.i)][static_cast<std::size_t>(s.k)]);
}

void TFrmCommaData::columnMode(StringGrid* grid) {
    grid->setEditing(false);
    grid->setPopupMenu(PopupMenu1);
    StatusBar1->setPanelText(0, QString::fromStdString(Text(Tx::GridColumnMode)));
    StatusBar1->setPanelText(1, QString::fromStdString(Text(Tx::GridToCellMode)));
}

void TFrmCommaData::cellMode(StringGrid* grid, bool detachPopup) {
    grid->setEditing(true);
    if (detachPopup) grid->setPopupMenu(nullptr);
    StatusBar1->setPanelText(0, QString::fromStdString(Text(Tx::GridSingleCellMode)));
    StatusBar1->setPanelText(1, QString::fromStdString(Text(Tx::GridToColumnMode)));
}

void TFrmCommaData::gridKeyDown(StringGrid* grid, int key) {
    // Shift typed into an open cell editor makes a capital: switching modes
    // then would close the editor and lose what was typed.
    if (key == Qt::Key_Shift) {
        if (!grid->cellEditorOpen()) columnMode(grid);
    } else {
        cellMode(grid, false);
    }
}

void TFrmCommaData::StringGrid1KeyDown(int key) { gridKeyDown(StringGrid1, key); }
void TFrmCommaData::StringGridPrmKeyDown(int key) { gridKeyDown(StringGridPrm, key); }

void TFrmCommaData::StringGrid1DblClick() { cellMode(StringGrid1, true); }
void TFrmCommaData::StringGridPrmDblClick() { cellMode(StringGridPrm, true); }

void TFrmCommaData::syncLeftColumn(StringGrid* from, StringGrid* to) {
    to->horizontalScrollBar()->setValue(from->horizontalScrollBar()->value());
}

void TFrmCommaData::StringGrid1TopLeftChanged() { syncLeftColumn(StringGrid1, StringGridPrm); }
void TFrmCommaData::StringGridPrmTopLeftChanged() { syncLeftColumn(StringGridPrm, StringGrid1); }

void TFrmCommaData::syncWidths(StringGrid* from, StringGrid* to) {
    const int n = std::min(from->colCount(), to->colCount());
    for (int c = 1; c < n; ++c)
        if (to->colWidth(c) != from->colWidth(c)) to->setColWidth(c, from->colWidth(c));
}

void TFrmCommaData::StringGrid1MouseMove() { syncWidths(StringGrid1, StringGridPrm); }
void TFrmCommaData::StringGridPrmMouseMove() { syncWidths(StringGridPrm, StringGrid1); }

void TFrmCommaData::CheckBoxBurstClick() {
    const bool burst = CheckBoxBurst->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(EditNS), static_cast<QWidget*>(LabelNS),
                       static_cast<QWidget*>(EditBInt), static_cast<QWidget*>(LabelBInt),
                       static_cast<QWidget*>(ComboBoxBurstIntervalUnit)})
        w->setVisible(burst);
}

void TFrmCommaData::FormShow() {
    CheckBoxBurstClick();
    StatusBar1->setPanelText(0, QString::fromStdString(Text(Tx::GridColumnMode)));
    StatusBar1->setPanelText(1, QString::fromStdString(Text(Tx::GridToCellMode)));
}

bool TFrmCommaData::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        QObject* skip = ComboBoxSkip->lineEdit();
        QObject* step = ComboBoxStep->lineEdit();
        if (enter && (watched == skip || watched == step || watched == EditLast)) {
            // Enter here reloads the preview once; it does not also press the default button.
            if (watched == skip) Guarded([this] { ComboBoxSkipKeyPress(); });
            if (watched == step) Guarded([this] { ComboBoxStepKeyPress(); });
            if (watched == EditLast) Guarded([this] { EditLastKeyPress(); });
            return true;
        }
        if (watched == StringGrid1) Guarded([&] { StringGrid1KeyDown(key->key()); });
        if (watched == StringGridPrm) Guarded([&] { StringGridPrmKeyDown(key->key()); });
    } else if (type == QEvent::MouseButtonDblClick) {
        if (watched == StringGrid1->viewport()) Guarded([this] { StringGrid1DblClick(); });
        if (watched == StringGridPrm->viewport()) Guarded([this] { StringGridPrmDblClick(); });
    } else if (type == QEvent::MouseMove) {
        if (watched == StringGrid1->viewport()) Guarded([this] { StringGrid1MouseMove(); });
        if (watched == StringGridPrm->viewport()) Guarded([this] { StringGridPrmMouseMove(); });
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace brine
