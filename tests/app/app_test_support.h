#pragma once
// Helpers of the main-window tests: a file chooser answered from a script,
// and crafted SDF files written through the model.
#include <deque>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "app/main_window.h"
#include "platform/api/file_dialog.h"
#include "platform/qt_file_dialog.h"
#include "core/current_file.h"

namespace brine::test {

class RecordingChooser : public FileChooser {
public:
    // The dialog as each run saw it.
    std::vector<FileDialogSettings> runs;
    // Files chosen by each run, in order; an empty list or no entry cancels.
    std::deque<std::vector<std::string>> choices;

    bool Execute(FileDialogKind, FileDialogSettings& dialog) override {
        runs.push_back(dialog);
        if (choices.empty()) return false;
        auto files = choices.front();
        choices.pop_front();
        if (files.empty()) return false;
        dialog.Files = files;
        dialog.FileName = files.front();
        return true;
    }
};

// Shows the main window and lets its first showing's start-up run (it waits
// for the window's first paint).
inline void ShowMainWindow(TForm1& form) {
    form.show();
    QElapsedTimer waited;
    waited.start();
    while (!form.FormShown() && waited.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Installs a chooser for the life of a test.
class ChooserScope {
public:
    explicit ChooserScope(FileChooser& c) { SetAppFileChooser(&c); }
    ~ChooserScope() { SetAppFileChooser(nullptr); }
};

// One interval channel of `samples` samples and one burst channel; burst b
// holds counts 100*b + j and the burst value -b.
inline void FillCraftedHeader(CurrentFile& m, int bursts, int samples) {
    m.ResetHeader();
    m.SetMemo("crafted");
    m.Nch = 1;
    m.Nch2 = 1;
    m.Iterations = static_cast<std::int16_t>(bursts);
    m.SampleSize = samples;
    m.SInt = 1;
    m.SITUnit = 2;
    m.BInt = 60;
    m.BITUnit = 2;
    m.StartTime = 45000.5;
    m.SetChannelName(0, "Level");
    m.SetChannelUnit(0, "cm");
    m.ScaleA[0] = 0.5f;
    m.OffsetB[0] = 1.0f;
    m.SetChannelName(1, "Temp");
    m.SetChannelUnit(1, "degC");
    m.ScaleA[1] = 0.01f;
    m.OffsetB[1] = 0.0f;
    m.AllocateDataArrays();
}

inline void FillCraftedBurst(CurrentFile& m, int b) {
    for (int j = 0; j < m.SampleSize; ++j) m.Data[0][j] = static_cast<std::int16_t>(100 * b + j);
    m.BurstData[0] = static_cast<std::int16_t>(-b);
}

// Writes a crafted SDF of `written` bursts whose header declares `bursts`.
inline bool WriteCraftedSdf(CurrentFile& m, const std::string& path, int bursts, int samples, int written) {
    FillCraftedHeader(m, bursts, samples);
    if (!m.CreateSDFFile(path)) return false;
    m.SaveFileName = path;
    for (int b = 0; b < written; ++b) {
        FillCraftedBurst(m, b);
        if (!m.WriteSDFBurst(b)) return false;
    }
    return true;
}

}  // namespace brine::test
