#pragma once
// Conversion of a Vector export (".dat" velocities, ".sen" temperatures,
// ".pck" bed distances) into SDF, burst by burst. No Qt.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "importers/vector_header.h"

namespace brine {

class CurrentFile;
class HeaderSaveDialog;
class ProgressSink;
class Prompter;

// The dialog's save options.
struct VectorOptions {
    bool TransVel = true;         // rotate by the declination (ENU data only)
    bool SignalStrength = false;  // store the amplitudes
    bool SNR = false;             // store the signal-to-noise ratios
    bool Corr = true;             // store the correlations
    bool CorrThreshold = true;    // velocities of low correlation become missing
    bool BottomDist = false;      // store the bed distance per burst
    double Threshold = 0;         // correlation threshold, percent
    double MinDist = 160;         // minimum bed distance, mm
    double Declination = 0;       // degrees, used when TransVel
    std::string Memo;             // CP932
};

// Everything the conversion needs, checked before the header dialog so a
// refused conversion writes nothing.
struct VectorPlan {
    VectorHeader header;
    VectorOptions options;
    VectorColumns columns;
    std::string DatFileName, SenFileName;
    std::vector<double> BedDistances;  // by profile number, when BottomDist
    // Samples per burst of the output: the header's, or the longest burst
    // of the ".dat" when none reaches that.
    std::int32_t SampleSize = 0;
};

// Checks the data files, reads the column descriptions and, for the bed
// distance, the probe-check profiles, and scans the ".dat" for the bursts it
// fills; an output mostly of empty bursts is asked about. Shows its own
// message and gives nothing when refused or declined.
std::optional<VectorPlan> PrepareVectorConversion(const VectorHeader& header, const VectorOptions& options,
                                                  Prompter& prompter);

// Fills the model's header and channel table.
void SetVectorSDFHeader(const VectorPlan& plan, CurrentFile& model);

struct VectorServices {
    CurrentFile& model;
    Prompter& prompter;
    ProgressSink& progress;
    HeaderSaveDialog& headerSave;
};

enum class VectorOutcome {
    NotStarted,  // the header dialog was cancelled: nothing written
    Completed,   // ran to the end of the ".dat" or the declared bursts
    Failed,      // stopped by an error (shown); the bursts so far are kept
};

// Builds the header, proposes "<hdr name>.sdf", hands over to the header
// dialog and, when it wrote the header, converts. The output's header ends
// up declaring exactly the bursts written.
VectorOutcome ConvertVectorFile(const VectorPlan& plan, VectorServices& services);

// The framework's comma-text split: runs of blanks or one comma separate
// fields, double quotes group. Views into line; at most `limit` fields.
void SplitCommaText(std::string_view line, std::vector<std::string_view>& fields,
                    std::size_t limit = static_cast<std::size_t>(-1));

}  // namespace brine
