#pragma once
// Yearly tables of one value per day (one column per month, one row per day)
// or per ten-day period (three rows per month): reading the comma-separated
// table and turning it into one burst of one channel. No Qt.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brine {

class CurrentFile;
class HeaderSaveDialog;
class ProgressSink;
class Prompter;

enum YearTableMode : std::uint8_t {
    MonthDayTable = 0,  // cell (c, r): month c, day r
    TenDayTable = 1,    // cell (1, r): period r of the year, three per month
};

// The table as read: row 0 and column 0 are titles. Cells are CP932.
struct YearTable {
    std::vector<std::vector<std::string>> rows;  // [row][column], rows may be short
    int colCount = 2;
    int rowCount = 2;
    // Empty beyond the end of a row.
    const std::string& cell(int col, int row) const;
};

struct LoadedYearTable {
    YearTable table;
    std::string memo;  // CP932: "Original file:" + name, then ";" + each note line
};

// The marks of a table's title row (UTF-8 here, CP932 in the file).
inline constexpr std::string_view kYearMonthOne = "1月";
inline constexpr std::string_view kYearMonthOneWide = "１月";
inline constexpr std::string_view kYearJanuary = "Jan";

// Reads the file: lines before the first one holding a mark of the title
// row are notes, that line and the rest are rows. IoError when the file
// cannot be read; FormatError when no line starts a table.
LoadedYearTable ReadYearTable(const std::string& fileName);

// The year in a title such as "2000年": the number before "年", or the whole
// text. ConversionError when it is not a whole number, RangeError outside
// the 16-bit range.
std::int16_t ParseYear(std::string_view cp932);

// First and last time of the year's samples: 1 January and 31 December at
// the observation time (month-day tables) or at midnight (ten-day tables).
struct YearTimeRange {
    double start = 0;
    double last = 0;
};
std::optional<YearTimeRange> TableTimeRange(int mode, int year, const std::string& obsTime);
// "yyyy/mm/dd hh:nn"
std::string FormatMinutes(double t);

// Days 1 to 10, 11 to 20 and 21 to the month's end of ten-day row r (1..36);
// false for any other row.
bool TenDayPeriod(int year, int row, int& month, int& firstDay, int& lastDay);

// What the dialog holds when the user presses convert. Texts are UTF-8 as
// typed, except memo, item and unit (CP932).
struct YearTableSettings {
    int mode = MonthDayTable;
    int year = 2000;
    std::string obsTime = "10:00";
    std::string memo;
    std::string dtText = "1";
    std::uint8_t dtUnit = 5;  // days
    std::string item;
    std::string unit;
    std::string aText = "1";
    std::string bText = "0";
};

// One burst made from a table: the counts are in the model; the values they
// were made from are kept, cell by cell in the order they were stored, so a
// scale changed in the header dialog can be applied before the burst is
// written.
struct YearTableBurst {
    struct Span {
        long long first, last;  // samples the cell fills
        double value;           // NaN: no value
    };
    std::vector<Span> spans;
    float a = 1;
    float b = 0;
};

// Fills the model's header and channel 0 from the table. Cells that are not
// numbers become missing values; the two questions on the coefficients are
// asked through the prompter, with selectCell(col, row) called first. Empty
// result when the user chose to set the coefficients again. Typed errors for
// settings that cannot make a file (coefficients, interval, year, time).
std::optional<YearTableBurst> ConvertYearTable(const YearTable& table, const YearTableSettings& settings,
                                               CurrentFile& model, Prompter& prompter,
                                               const std::function<void(int col, int row)>& selectCell);

// Hands the converted model to the header dialog and writes its one burst.
// True only when the file holds the header and the burst; the success
// message is shown then.
bool SaveYearTableBurst(CurrentFile& model, const YearTableBurst& burst, const std::string& sourceFile,
                        HeaderSaveDialog& headerSave, Prompter& prompter, ProgressSink& progress);

}  // namespace brine
