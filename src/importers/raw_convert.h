#pragma once
// Conversion of the data lines of ".raw" files into SDF bursts: calibration,
// velocity rotation, practical salinity, counts. No Qt.
#include <string>

#include "importers/raw_header.h"

namespace brine {

class CurrentFile;
class HeaderSaveDialog;
class ProgressSink;
class Prompter;

// The one-value prompt (the pressure). True only when the user confirmed;
// value is then the typed text.
class ValuePrompt {
public:
    virtual ~ValuePrompt() = default;
    virtual bool InputValue(const std::string& caption, const std::string& prompt, const std::string& defaultText,
                            std::string& value) = 0;
};

struct AlecOptions {
    bool TransVel = false;      // rotate velocities by the declination
    bool TempMeanOnly = true;   // current meter: one mean temperature per burst
    double Declination = 0;     // degrees, subtracted from compass bearings when TransVel
};

struct AlecServices {
    CurrentFile& model;
    Prompter& prompter;
    ProgressSink& progress;
    HeaderSaveDialog& headerSave;
    ValuePrompt& valuePrompt;
};

enum class AlecOutcome {
    NotStarted,  // refused or abandoned before anything was written
    Completed,   // ran to the end of the data or the declared bursts
    Cancelled,   // stopped by the user; the bursts so far are kept
    Failed,      // stopped by an error; the bursts so far are kept
};

// What a Next button does: checks and asks what the converter needs, builds
// the SDF header into the model, proposes "<raw name>.sdf" in
// model.SaveFileName, hands over to the header dialog and, when it wrote the
// header, converts. The output's header ends up declaring exactly the bursts
// written.
AlecOutcome ConvertAlecFile(const AlecHeader& header, const AlecOptions& options, AlecServices& services);

}  // namespace brine
