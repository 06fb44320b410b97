#pragma once
// The header description (".hdr") of a Vector current meter's ASCII export:
// the key lines shown in the dialog and the column descriptions of the ".dat"
// and ".sen" files of the same base name. No Qt.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brine {

class Prompter;

enum class VectorCoord : std::uint8_t { Beam = 0, XYZ = 1, ENU = 2 };

// What the header read found, from scratch for every file. Texts are CP932.
struct VectorHeader {
    std::string HdrFileName;
    std::string PckFileName;  // set only for software version 1.28 and later

    std::string SoftwareVersion, FirmwareVersion, SamplingVolume, VelocityRange;
    std::string StartText, FinalText;  // the measurement times as read ("yyyy/mm/dd hh:nn:ss")
    std::string Comments;

    double FirstTime = 0;
    double LastTime = 0;
    int SampleRate = 0;         // samples per second
    int BurstSeconds = 0;       // burst interval in seconds
    std::int32_t SamplesPerBurst = 0;
    std::int16_t Bursts = 0;    // bursts from the first to the last measurement
    VectorCoord CoordSystem = VectorCoord::Beam;
    bool HasProbeCheck = false; // software version 1.28 or later
    double CorrThreshold = 0;   // percent, from the sampling rate
};

// The value of the last line holding key: the text from character 39 up to
// the unit (or the end), right-trimmed. With a unit, the scan stops at a
// key line without it and the value found so far stands.
std::string GetHeaderValue(const std::vector<std::string>& lines, std::string_view key,
                           std::string_view unit = {});

// "dd.mm.yyyy hh:nn:ss" → "yyyy/mm/dd hh:nn:ss"; a text without a full stop
// is returned unchanged.
std::string DotDateToSlashDate(std::string_view s);

// (0.4 x sqrt(rate / 25) + 0.3) x 100.
double DefaultCorrThreshold(int sampleRate);

// "0.0": one decimal, halves away from zero.
std::string FormatOneDecimal(double v);

// Lines of a text file (ends LF, CR LF or CR); IoError when unreadable,
// FormatError past a size no header has.
std::vector<std::string> ReadHeaderLines(const std::string& fileName);

// Reads the ".hdr". Shows its own message and returns false when the file
// is refused; out is filled only on success.
bool ParseVectorHeader(const std::string& hdrFileName, Prompter& prompter, VectorHeader& out);

// 0-based field indexes of the ".dat" and ".sen" columns (-1: not described)
// and the units of the ".dat" quantities.
struct VectorColumns {
    int BurstCounter = -1;
    int Ensemble = -1;
    std::array<int, 3> Velocity{-1, -1, -1};
    int Pressure = -1;
    std::array<int, 3> Amplitude{-1, -1, -1};
    std::array<int, 3> SNR{-1, -1, -1};
    std::array<int, 3> Correlation{-1, -1, -1};
    int Month = -1, Day = -1, Year = -1, Hour = -1, Minute = -1, Second = -1, Temperature = -1;
    std::string VelocityUnit, PressureUnit;  // CP932, as written
};

// A data file of the export and the header line that names it.
struct VectorFileRef {
    std::string Path;          // the file to read
    std::size_t NameLine = 0;  // its descriptions follow this line
};

// Finds the header line naming the export's file with extension ext
// (".dat"): the first line holding the name of that file beside the header,
// else the first line that ends in a name with that extension. Names in
// the header are CP932 and are compared as UTF-8 regardless of case. The
// file read is the one the header names when it is beside the header, else
// the header's sibling. FormatError, naming the sibling, when no line names
// such a file.
VectorFileRef LocateVectorFile(const std::vector<std::string>& lines, const std::string& hdrFileName,
                               std::string_view ext);

// Column descriptions from the header lines after the lines naming the
// ".dat" and the ".sen". Throws FormatError (with the reason) when a column
// number is not 1 to 256.
VectorColumns ReadVectorColumns(const std::vector<std::string>& lines, std::size_t datNameLine,
                                std::size_t senNameLine);

// The file beside hdrFileName with extension ext (".dat"): an existing file
// whose name differs only in case is preferred to a missing one.
std::string SiblingFile(const std::string& hdrFileName, std::string_view ext);

}  // namespace brine
