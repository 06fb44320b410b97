#pragma once
// What the main window's commands hand over to. A command is enabled once its
// target is bound (see BindTargets in startup.cpp), so nothing shows as
// working that is not.
#include <functional>
#include <string>
#include <vector>

#include "core/header_save.h"

namespace brine {

struct MainTargets {
    using FileTarget = std::function<void(const std::string&)>;
    using FileReader = std::function<bool(const std::string&)>;

    // First showing of the main window.
    std::function<void()> initHeaderDialog;  // FrmSDFdata: InitForm
    std::function<void()> initCommaData;     // FrmCommaData: InitDefaults

    // The header dialog in save mode, and its output-name field.
    HeaderSaveDialog* headerSave = nullptr;
    FileTarget proposeOutputName;

    // Built-in converters.
    std::function<void(const std::vector<std::string>&)> convertToSdf;  // ADDCDRF1
    FileTarget convertSdfToTsd;                                        // SDFTSDT1

    // Instrument importers: each takes the chosen file and shows its dialog.
    FileTarget openWaveHunterMaster;
    FileTarget openCompactFile;  // MDS-MkV and other Compact instruments
    FileTarget openCompactWHFile;
    FileTarget openCompactEMFile;
    FileTarget openInfinityEMFile;
    FileTarget openInfinityFile;
    FileTarget openNortekHeader;
    FileTarget openDL2File;

    // Single-burst readers: fill the model with one burst and propose the
    // output name; false skips the file.
    FileReader readMeteorologicalCsv;
    FileReader readPortWaveFile;
    FileReader readFishingPortCsv;

    // Comma-separated importer.
    FileReader openCommaFile;
    std::function<bool()> commaBurstMode;
    std::function<std::string()> commaTempFileName;

    // Yearly tables: load (mode 0 month-day, 1 ten-day), then show modally.
    std::function<bool(const std::string&, int)> loadDateYearTable;
    std::function<void()> showDateYearTable;

    // CADMAS-SURF conversion; runs the open dialog itself.
    std::function<void()> convertCadmasSurf;

    // File tools.
    std::function<void(bool)> setExtractSkipVisible;       // FrmEditSDF->BitBtn3
    std::function<int(const std::string&)> extractFile;    // FrmEditSDF: Execute
    std::function<void()> combineFiles;                    // runs the open dialog itself
    std::function<void()> linkFiles;                       // uses the chosen files

    // Site list, shown without blocking.
    std::function<void()> showLocation;
};

}  // namespace brine
