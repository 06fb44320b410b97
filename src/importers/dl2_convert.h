#pragma once
// Conversion of the bursts of a DL-2 file into the SDF file whose header the
// header dialog has just written. No Qt.
#include "importers/dl2_header.h"

namespace brine {

class CurrentFile;
class ProgressSink;
class Prompter;

struct DL2Services {
    CurrentFile& model;
    Prompter& prompter;
    ProgressSink& progress;
};

enum class DL2Outcome {
    Completed,  // ran to the end of the file or the declared bursts
    Cancelled,  // stopped by the user; the bursts so far are kept
    Failed,     // stopped by an error (shown); the bursts so far are kept
};

// Fills and writes burst after burst with WriteSDFBurst into
// model.SaveFileName. Current-meter pairs are rotated by declination
// (degrees; 0 for none). Counts are made with the model's scales and offsets
// as the header dialog left them. The output's header ends up declaring
// exactly the bursts written. Counts outside 16 bits are stored as missing,
// with one notice at the end.
DL2Outcome ConvertDL2Bursts(const DL2Header& h, double declination, DL2Services& s);

}  // namespace brine
