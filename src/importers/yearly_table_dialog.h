#pragma once
// The yearly-table dialog: shows a table of one year (by month and day, or by
// ten-day period), takes the year, observation time, interval, item, unit and
// coefficients, and converts it to one burst of one channel on "変換".
#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "importers/yearly_table.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace brine {

class CurrentFile;
class HeaderSaveDialog;
class ProgressSink;
class StringGrid;

class TFrmDateYearTable : public QDialog {
    Q_OBJECT
public:
    explicit TFrmDateYearTable(QWidget* parent = nullptr);

    void FormCreate();
    // Fills the grid, memo, year and time range from the file; mode 0
    // month-day, 1 ten-day. False, after a message, when the file cannot be
    // read or holds no table. The caller then shows the dialog.
    bool LoadTable(const std::string& fileName, int mode);
    void UpdateTimeRange();
    void EditYearChange();  // while typing: takes the text only when it is a year
    void TakeYear();        // the year edit's text as the year, or a typed error
    void EditTimeChange();
    // Builds the model from the table. False when the user chose to set the
    // coefficients again.
    bool ConvertTable();
    void BitBtn1Click();

    std::uint8_t Mode = MonthDayTable;
    std::uint16_t Year = 2000;
    std::string ObsTime = "10:00";

    // ---- wiring done at start-up
    CurrentFile* model;                      // the program's model
    HeaderSaveDialog* headerSave = nullptr;  // the header dialog in save mode
    ProgressSink* progress = nullptr;        // the progress window

    StringGrid* StringGrid1;
    QPlainTextEdit* Memo1;
    QLineEdit* EditYear;
    QLineEdit* EditTime;
    QLineEdit* EditStartTime;
    QLineEdit* EditLastTime;
    QLineEdit* EditDT;
    QComboBox* ComboBoxDTUnit;
    QLineEdit* EditChItem;
    QLineEdit* EditUnit;
    QLineEdit* EditA;
    QLineEdit* EditB;
    QLabel* Label1;
    QPushButton* BitBtn1;

    // The table as loaded (the grid shows it).
    const YearTable& Table() const { return table_; }

private:
    void memoChanged();
    void showTable();

    YearTable table_;
    std::string sourceFile_;
    std::optional<YearTableBurst> burst_;
    QString memoAccepted_;
};

extern TFrmDateYearTable* FrmDateYearTable;

}  // namespace brine
