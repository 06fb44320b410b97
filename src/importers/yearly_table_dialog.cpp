#include "importers/yearly_table_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

#include "base/errors.h"
#include "base/number_text.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/header_edit_rules.h"
#include "core/header_save.h"
#include "core/time_units.h"
#include "platform/api/progress.h"
#include "platform/dialog_frame.h"
#include "platform/guard.h"
#include "platform/qt_prompter.h"
#include "platform/qt_text.h"
#include "platform/refuse_edit.h"
#include "platform/string_grid.h"

namespace brine {

TFrmDateYearTable* FrmDateYearTable = nullptr;

namespace {

constexpr int kMemoChars = 160;

QLineEdit* labelledEdit(QWidget* parent, const char* name, const QString& caption, int y, int width = 150) {
    auto* l = new QLabel(caption, parent);
    l->setGeometry(472, y, 110, 22);
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(584, y, width, 22);
    l->setBuddy(e);
    return e;
}

}  // namespace

TFrmDateYearTable::TFrmDateYearTable(QWidget* parent) : QDialog(parent), model(&AppModel()) {
    setObjectName("FrmDateYearTable");
    setWindowTitle(QString::fromStdString(Text(Tx::YearlyByDateCaption)));
    SetFixedDialogFrame(*this, 760, 520);

    StringGrid1 = new StringGrid(this);
    StringGrid1->setObjectName("StringGrid1");
    StringGrid1->setGeometry(8, 8, 452, 504);
    StringGrid1->setDefaultRowHeight(20);

    auto* memoLabel = new QLabel(QStringLiteral("メモ："), this);
    memoLabel->setGeometry(472, 8, 110, 20);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setGeometry(472, 28, 280, 80);

    EditYear = labelledEdit(this, "EditYear", QStringLiteral("観測年："), 118, 80);
    EditTime = labelledEdit(this, "EditTime", QStringLiteral("観測時刻："), 146, 80);
    EditStartTime = labelledEdit(this, "EditStartTime", QStringLiteral("開始時刻： "), 174);
    EditStartTime->setReadOnly(true);
    EditLastTime = labelledEdit(this, "EditLastTime", QStringLiteral("最終時刻： "), 202);
    EditLastTime->setReadOnly(true);
    EditDT = labelledEdit(this, "EditDT", QStringLiteral("記録時間間隔： "), 230, 60);
    EditDT->setReadOnly(true);
    ComboBoxDTUnit = new QComboBox(this);
    ComboBoxDTUnit->setObjectName("ComboBoxDTUnit");
    ComboBoxDTUnit->setGeometry(650, 230, 84, 22);
    EditChItem = labelledEdit(this, "EditChItem", QStringLiteral("項目名： "), 268);
    EditUnit = labelledEdit(this, "EditUnit", QStringLiteral("単位： "), 296, 80);

    Label1 = new QLabel(QStringLiteral("変換係数: y = Ax+B"), this);
    Label1->setObjectName("Label1");
    Label1->setGeometry(472, 334, 260, 20);
    EditA = labelledEdit(this, "EditA", QStringLiteral("A= "), 358, 100);
    EditB = labelledEdit(this, "EditB", QStringLiteral("B= "), 386, 100);

    BitBtn1 = new QPushButton(QStringLiteral("変換"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(644, 476, 100, 30);
    BitBtn1->setDefault(true);
    BitBtn1->setAutoDefault(true);

    EditYear->setText(QStringLiteral("2000"));
    EditTime->setText(QStringLiteral("10:00"));
    EditDT->setText(QStringLiteral("1"));
    EditA->setText(QStringLiteral("1"));
    EditB->setText(QStringLiteral("0"));

    FormCreate();

    connect(EditYear, &QLineEdit::textChanged, this, [this] { Guarded([this] { EditYearChange(); }); });
    connect(EditTime, &QLineEdit::textChanged, this, [this] { Guarded([this] { EditTimeChange(); }); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { Guarded([this] { memoChanged(); }); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
}

void TFrmDateYearTable::FormCreate() {
    ComboBoxDTUnit->clear();
    for (const TTimeUnit& u : TimeUnits) ComboBoxDTUnit->addItem(QString::fromLatin1(u.Name));
    ComboBoxDTUnit->setCurrentIndex(5);  // days
    QSignalBlocker block(Memo1);
    Memo1->clear();
    memoAccepted_.clear();
}

void TFrmDateYearTable::memoChanged() {
    // Typing stops at 160 characters; a longer memo read from the file may
    // still be shortened.
    QString now = Memo1->toPlainText();
    if (now.size() <= kMemoChars || now.size() <= memoAccepted_.size()) {
        memoAccepted_ = now;
        return;
    }
    RefuseEdit(*Memo1, memoAccepted_);
}

bool TFrmDateYearTable::LoadTable(const std::string& fileName, int mode) {
    if (mode != MonthDayTable && mode != TenDayTable) throw RangeError("表の種類が正しくありません。");
    LoadedYearTable loaded;
    try {
        loaded = ReadYearTable(fileName);
    } catch (const IoError& e) {
        AppPrompter().error(e.what());  // names the file
        return false;
    } catch (const FormatError& e) {
        AppPrompter().warning(e.what());
        return false;
    }
    Mode = static_cast<std::uint8_t>(mode);
    table_ = std::move(loaded.table);
    sourceFile_ = fileName;
    burst_.reset();
    showTable();
    {
        QSignalBlocker block(Memo1);
        Memo1->setPlainText(FromCp932(loaded.memo));
        memoAccepted_ = Memo1->toPlainText();
    }

    // The year of the table's title, shown in the year edit so that what is
    // converted is what the dialog shows.
    std::optional<int> year;
    try {
        int y = ParseYear(table_.cell(1, 0));
        if (y >= 0) year = y;
    } catch (const BrineError&) {
    }
    if (year) {
        Year = static_cast<std::uint16_t>(*year);
        QSignalBlocker block(EditYear);
        EditYear->setText(QString::number(*year));
    } else {
        std::optional<int> typed = ParseInt(EditYear->text().toStdString());
        if (!typed) throw ConversionError("'" + EditYear->text().toStdString() + "' は正しい整数ではありません。");
        if (*typed < 0 || *typed > 65535) throw RangeError();
        Year = static_cast<std::uint16_t>(*typed);
    }

    if (Mode == MonthDayTable) {
        setWindowTitle(QString::fromStdString(Text(Tx::YearlyByDateCaption)));
        ObsTime = EditTime->text().toStdString();
        UpdateTimeRange();
    } else {
        setWindowTitle(QString::fromStdString(Text(Tx::YearlyByTenDaysCaption)));
        UpdateTimeRange();
        if (table_.rowCount != 37) AppPrompter().warning(Text(Tx::YearlyTenDayRows));
    }
    return true;
}

void TFrmDateYearTable::showTable() {
    // The grid keeps the text of cells it hides: empty them before it
    // shrinks, so nothing of a previous table shows through.
    for (int r = 0; r < StringGrid1->rowCount(); ++r)
        for (int c = 0; c < StringGrid1->colCount(); ++c) StringGrid1->setCell(c, r, QString());
    StringGrid1->setColCount(table_.colCount);
    StringGrid1->setRowCount(table_.rowCount);
    for (int c = 0; c < table_.colCount; ++c) StringGrid1->setColWidth(c, 72);
    for (int r = 0; r < table_.rowCount; ++r)
        for (int c = 0; c < table_.colCount; ++c) StringGrid1->setCell(c, r, FromCp932(table_.cell(c, r)));
    StringGrid1->setSelection(GridRect{1, 1, 1, 1});
}

void TFrmDateYearTable::UpdateTimeRange() {
    std::optional<YearTimeRange> r = TableTimeRange(Mode, Year, ObsTime);
    if (!r) return;
    EditStartTime->setText(QString::fromStdString(FormatMinutes(r->start)));
    EditLastTime->setText(QString::fromStdString(FormatMinutes(r->last)));
}

void TFrmDateYearTable::EditYearChange() {
    // Runs on every keystroke: text that is no year yet (empty, or a number
    // being typed past the range) keeps the last year; "変換" checks it.
    std::optional<int> v = ParseInt(EditYear->text().toStdString());
    if (!v || *v < 0 || *v > 65535) return;
    Year = static_cast<std::uint16_t>(*v);
    UpdateTimeRange();
}

void TFrmDateYearTable::TakeYear() {
    std::string text = EditYear->text().toStdString();
    std::optional<int> v = ParseInt(text);
    if (!v) throw ConversionError("'" + text + "' は正しい整数ではありません。");
    if (*v < 0 || *v > 65535) throw RangeError();
    Year = static_cast<std::uint16_t>(*v);
    UpdateTimeRange();
}

void TFrmDateYearTable::EditTimeChange() {
    ObsTime = EditTime->text().toStdString();
    UpdateTimeRange();
}

bool TFrmDateYearTable::ConvertTable() {
    if (!model) throw BrineError("変換の準備ができていません。");
    YearTableSettings s;
    s.mode = Mode;
    s.year = Year;
    s.obsTime = ObsTime;
    s.memo = MemoFromDisplay(Memo1->toPlainText().toStdString());
    s.dtText = EditDT->text().toStdString();
    s.dtUnit = static_cast<std::uint8_t>(std::max(0, ComboBoxDTUnit->currentIndex()));
    s.item = ToCp932(EditChItem->text());
    s.unit = ToCp932(EditUnit->text());
    s.aText = EditA->text().toStdString();
    s.bText = EditB->text().toStdString();
    auto select = [this](int c, int r) {
        StringGrid1->setSelection(GridRect{c, r, c, r});
        StringGrid1->scrollToItem(StringGrid1->item(r, c));
    };
    burst_ = ConvertYearTable(table_, s, *model, AppPrompter(), select);
    return burst_.has_value();
}

void TFrmDateYearTable::BitBtn1Click() {
    bool saved = false;
    Guarded([&] {
        if (!headerSave || !progress || !model) throw BrineError("変換の準備ができていません。");
        // The year edit may hold text that never became a year.
        TakeYear();
        if (!ConvertTable()) return;
        saved = SaveYearTableBurst(*model, *burst_, sourceFile_, *headerSave, AppPrompter(), *progress);
    });
    if (saved) accept();
}

}  // namespace brine
