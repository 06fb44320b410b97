#pragma once
// Comma-separated burst or interval data: the settings the importer keeps
// from file to file, the preview, the start-time pick-up and the import into
// the current-file model (interval mode) or into a temporary SDF of bursts
// (burst mode). No Qt. Data text (names, units, fields) is CP932; messages
// are UTF-8.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace brine {

class CurrentFile;
class FileLock;
class ProgressSink;
class Prompter;

constexpr int kCommaColumns = 200;     // file columns the settings are kept for
constexpr int kPreviewMaxRows = 101;   // used lines the preview shows

// The importer's settings that survive from file to file.
struct CommaDataFields {
    CommaDataFields() { ResetDefaults(); }
    // Skip 0, step 1, last line -1; every column read, named "X1".."X200",
    // no unit, A 1, B 0.
    void ResetDefaults();

    int LineCount = 0;   // lines of the file, counted by the last preview
    int SkipLines = 0;
    int StepLines = 1;
    int LastLine = -1;   // 0 or less: to the end of the file
    int SampleCount = 0;
    int ReadCount = 0;
    std::array<bool, kCommaColumns + 1> ReadFlags{};  // by file column
    std::string SourceFileName;
    // Entry k belongs to the k-th read column.
    std::array<std::string, kCommaColumns + 1> ItemNames;
    std::array<std::string, kCommaColumns + 1> ItemUnits;
    std::array<double, kCommaColumns + 1> CoefA{};
    std::array<double, kCommaColumns + 1> CoefB{};
    std::string TempFileName;  // the bursts of a burst-mode import
    std::shared_ptr<FileLock> TempFileLock;  // held on it until the next import
};

// ---- preview

struct CommaPreview {
    std::vector<std::vector<std::string>> Rows;  // shown texts of the used lines, by file column
    int Widest = 0;                              // most fields of a shown line
    int LineCount = 0;                           // lines of the whole file
};

// Reads up to 101 used lines (skip, step and last line applied); the read
// columns show (value - B) / A, other fields as they stand. The rest of the
// file is only counted. IoError when the file cannot be read.
CommaPreview LoadCommaPreview(const std::string& fileName, const CommaDataFields& fields, ProgressSink& progress);

// ---- start time

// The first run of digits, ':', '-', '/', '.' and blanks that begins with a
// digit; empty when there is no digit.
std::string ExtractDateTimeText(std::string_view s);
// The date-time text of field `col` of line `row` (both 1-based); empty when
// the file is shorter or the line narrower.
std::string PickStartTimeText(const std::string& fileName, int row, int col);

// ---- import

struct CommaChannel {
    std::string Name, Unit;  // CP932
    double A = 1.0, B = 0.0;
};

// The dialog as the user left it: texts of the edits and the parameter grid.
struct CommaFormTexts {
    std::string Skip = "0", Step = "1", Last = "-1";
    bool BurstMode = false;
    std::string SamplesPerBurst = "100", BurstInterval = "1";
    int BurstUnit = 3;
    std::string SamplingInterval = "1";
    int SamplingUnit = 2;
    std::string StartTime;
    struct Column {
        bool Read = true;               // the file column's read flag
        std::string Name, Unit, A, B;   // grid rows 1 to 4; Name and Unit CP932
    };
    std::vector<Column> Columns;  // one per file column of the preview
};

struct CommaImportSettings {
    std::string SourceFileName;
    std::string TempFileName;                 // burst mode: the name preferred for the bursts
    std::vector<bool> ReadColumns;            // by file column; its size is the column count
    std::vector<CommaChannel> Channels;       // the read columns in file-column order
    int SkipLines = 0, StepLines = 1, LastLine = -1;
    bool BurstMode = false;
    int SamplesPerBurst = 0;
    int BurstInterval = 0;
    std::uint8_t BurstUnit = 3;
    double SamplingInterval = 1;              // per used line, in the shown unit
    std::uint8_t SamplingUnit = 2;            // the shown unit
    std::int32_t SInt = 1;                    // the interval as stored, whole in SITUnit
    std::uint8_t SITUnit = 2;
    double StartTime = 0;
};

// Checks every text before any line is read. ConversionError or RangeError
// with the message to show.
CommaImportSettings ReadImportSettings(const CommaFormTexts& form, const std::string& sourceFileName);

// The interval x in `unit` as a whole count: in that unit when whole, else in
// the largest smaller unit that holds it whole (2.5 sec gives 2500 msec),
// else rounded in usec. False when no count from 1 to 2^31-1 fits.
bool SamplingIntervalInUnits(double x, int unit, std::int32_t& sint, std::uint8_t& sitUnit);

struct CommaImportResult {
    bool Completed = false;  // false: stopped by the user's answer or a value out of scale
    long long LineCount = 0;
    int SampleCount = 0;     // samples per burst
    int Bursts = 0;
    std::vector<std::vector<std::int16_t>> Table;  // interval mode: [channel][sample]
    std::string TempFileName;                      // burst mode: the file holding the bursts
    std::shared_ptr<FileLock> TempFileLock;        // held on it while it may be used
};

// Reads the file. Burst mode writes every burst into a temporary file of the
// program's own made fresh beside the input, named after
// settings.TempFileName with a mark before its extension (result.TempFileName
// tells which); what earlier imports of the input left and no job holds is
// removed first. A short last
// burst is filled up with missing values; the file is removed again when the
// import stops. Messages go to the prompter, progress to the sink.
CommaImportResult ImportCommaData(const CommaImportSettings& settings, Prompter& prompter, ProgressSink& progress);

// Fills the model from a completed import: header, channel table and one
// burst (interval mode: the whole table; burst mode: burst 0 of the
// temporary file, which becomes the model's source).
void ApplyCommaImport(const CommaImportSettings& settings, CommaImportResult& result, CurrentFile& model);

// ---- parameter file (".tfp")

struct CommaParameterColumn {
    bool Read = false;
    std::string ItemName, Scale;  // CP932
    std::string AText, BText;     // written as shown
    double A = 1.0, B = 0.0;      // read back as numbers
};

struct CommaParameters {
    bool FromFile = false;
    std::string DescribedColumn = "1", DescribedRow = "1";
    bool BurstSampling = false;
    std::string NumberOfSamples, BurstInterval;
    int BurstIntervalUnitNo = 3;
    std::string Intervals = "1";
    int UnitNo = 2;
    std::string Skip = "0", Step = "1", Last = "-1";
    int NumberOfColumns = 0;
    std::vector<CommaParameterColumn> Columns;  // NumberOfColumns entries
};

// Writes the keys into the INI file (other keys of an existing file stay).
// The burst keys only in burst mode. IoError when it cannot be written.
void SaveCommaParameters(const std::string& fileName, const CommaParameters& p);
// Reads a parameter file; `current` gives the defaults that are the dialog's
// present values. Unit numbers outside the table keep the present unit; at
// most 200 columns are read.
CommaParameters LoadCommaParameters(const std::string& fileName, const CommaParameters& current);
// Read flags and channel entries from loaded columns.
void ApplyParameterColumns(const CommaParameters& p, CommaDataFields& fields);

// Messages.
extern const char* const kCommaCaption;        // dialog caption

}  // namespace brine
