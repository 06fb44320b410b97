#pragma once
// Kyowa Shoko DL-2 fixed-column text files: the two header lines, the burst
// layout and the SDF header built from them. No Qt.
#include <cstdint>
#include <string>
#include <string_view>

namespace brine {

class CurrentFile;

constexpr char kDL2Current[] = "CURRENT";  // data kind of current-meter records
constexpr int kDL2Missing = 9999;          // missing value of the other kinds
constexpr int kDL2MaxDirection = 3600;     // tenths of a degree

struct DL2Header {
    std::string SourceFile;
    // Line 1 (CP932, trimmed). Site, station and layer are what the dialog's
    // edits hold when the SDF header is built.
    std::string Site, Station, Layer, Kind;
    // Line 2.
    std::uint16_t StartYear = 0;
    double StartTime = 0;
    double FinalTime = 0;
    std::string DT, Unit, NS;  // trimmed texts of the interval, unit and sample count
    // Derived.
    int SampleCount = 0;     // NS as a number, at least 1
    int LinesPerBurst = 0;
    int BurstMinutes = 0;    // at least 1
    std::int16_t Iterations = 0;

    bool IsCurrent() const { return Kind == kDL2Current; }
    int ValuesPerLine() const { return IsCurrent() ? 6 : 12; }
};

// Text of 1-based columns first..last of a line; shorter lines give what they have.
std::string_view DL2Columns(std::string_view line, int first, int last);
// The integer in columns first..last: blanks around it allowed, 0..65535.
// ConversionError or RangeError naming the line and columns.
int DL2Field(std::string_view line, int first, int last, long long lineNumber);

// Reads the header lines and the first two burst headers. Throws a typed
// error with the reason when the file cannot be converted (IoError when it
// cannot be read).
DL2Header ReadDL2Header(const std::string& fileName);

// Sampling interval of the DT text: whole seconds, else milliseconds.
// ConversionError when not a number, RangeError when below 1 ms or too large.
void DL2SamplingInterval(std::string_view dt, std::int32_t& sint, std::uint8_t& unit);
// Burst count from the start to the final time, at least 1 and at most 32767.
std::int16_t DL2Iterations(double startTime, double finalTime, int burstMinutes);

// The SDF header of the file in the model (previous header cleared).
void SetDL2SDFHeader(const DL2Header& h, CurrentFile& m);

// Output name proposed for a source file: its name with ".sdf".
std::string DL2OutputName(const std::string& sourceFile);

}  // namespace brine
