#pragma once
// Header readers of JFE Advantech (formerly Alec Electronics) ".raw" files and
// the SDF headers built from them. No Qt: the instrument dialog only shows an
// AlecHeader and hands it back.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "importers/salinity.h"

namespace brine {

class CurrentFile;
class Prompter;

enum class RawKind {
    CompactEM,   // Compact-EM current meter
    InfinityEM,  // Infinity-EM current meter
    Infinity,    // other Infinity sondes (ACLW-USB, ACTW-USB, ...)
    CompactWH,   // Compact-WH wave gauge
    Compact,     // MDS-MkV and other Compact loggers
};

// Everything a header reader found, from scratch for every file.
struct AlecHeader {
    RawKind kind = RawKind::CompactEM;
    std::string FileName;
    std::string PageCaption;  // caption of the kind's dialog page

    // Texts of the record-information edits (ASCII or CP932 as in the file).
    std::string EdtStartTime, EdtFinalTime, EditNS, EditDT, EditIteration, EditBInt;
    std::string Memo;  // CP932; the dialog's memo, editable by the user

    double StartTime = 0;
    std::int32_t SampleSize = 0;   // samples per burst
    std::int16_t Iterations = 0;   // bursts
    long long TotalSamples = 0;    // samples the header declares in all
    double DT = 0;                 // sampling interval in seconds, as EditDT shows it
    std::int32_t BurstTime = 0;    // burst interval in seconds
    double Alpha = 0, Beta = 0;    // current-meter corrections
    std::string SensorType, SondeName;
    int ItemCount = 0;
    std::vector<std::string> ItemNames, ItemUnits;  // CP932, ItemCount long
    CoefTable Coef{};
    // Infinity sondes keep one data column and one coefficient row per
    // sensor code, salinity included; Compact loggers have no salinity column.
    bool SalinityHasColumn = false;

    bool TransVelChecked = false;  // state of the velocity-correction box after reading
};

// What the first lines of a raw file carry: the mark of the program that
// wrote it (Compact loggers: MDS-MkV or Compact-CLW), the version of an
// Infinity-EM file read without asking (after "//"), and the measuring mode
// of a Compact file recorded in bursts.
inline constexpr std::string_view kCompactEmMark = "CEM Data Processing";
inline constexpr std::string_view kCompactWhMark = "CWH Data Processing";
inline constexpr std::string_view kMdsMkVMark = "MDS5 Data Processing";
inline constexpr std::string_view kCompactClwMark = "CKU Data Processing";
inline constexpr std::string_view kInfinityMark = "//Infinity SDlogger";
inline constexpr std::string_view kInfinityEmVersion = "Ver1.40";
inline constexpr std::string_view kBurstMeasMode = "Burst1";

// Key=value line test: the text before the first "=" (at position > 0) must
// equal key exactly; value is the trimmed rest.
bool GetKeyValue(std::string_view line, std::string_view key, std::string& value);

// Reads the header of a raw file of the given kind. Shows its own message and
// returns false when the file is refused; out is filled only on success.
bool ReadAlecHeader(RawKind kind, const std::string& fileName, Prompter& prompter, AlecHeader& out);

// Names of the measured items.
extern const char* const kItemTemperature;   // "Temperature"
extern const char* const kItemConductivity;  // "Conductivity"
extern const char* const kItemSalinity;      // "Salinity"

// SDF headers built by the dialog's Next buttons (B = 0 everywhere).
void SetEMHeader(const AlecHeader& h, bool tempMeanOnly, CurrentFile& model);
void SetWHHeader(const AlecHeader& h, CurrentFile& model);
void SetItemHeader(const AlecHeader& h, CurrentFile& model);

}  // namespace brine
