#pragma once
// The main window: only a menu. Every command picks its input in the shared
// open dialog and hands it to a converter, an importer or a file tool.
#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_targets.h"
#include "platform/api/file_dialog.h"

class QAction;
class QMenu;
class QMenuBar;

namespace brine {

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    std::uint8_t InputFileKind = 0;
    std::string AppDir;        // the executable's folder, with its trailing delimiter
    std::string ConfigDir;     // where Parameters.dat and Location.dat live
    std::string LocationFile;  // the site list
    std::uint16_t& SelectedLocation;  // the site list's remembered site

    FileDialog OpenDialog1{FileDialogKind::Open};
    FileDialog SaveDialog1{FileDialogKind::Save};
    MainTargets Targets;

    QMenuBar* MainMenu1;
    QMenu* File1;
    QMenu* Instrument;
    QMenu* A1;
    QMenu* P1;
    QMenu* TextdataT1;
    QMenu* TableData;
    QMenu* N5;
    QMenu* I1;
    QMenu* Help1;
    QAction* ADDCDRF1;
    QAction* SDFTSDT1;
    QAction* WavehunterW1;
    QAction* MDSMkV1;
    QAction* CompactWH;
    QAction* CompactEMC1;
    QAction* CompactCLWL1;
    QAction* InfinityI1;
    QAction* InfinityCLWJ1;
    QAction* VectorV1;
    QAction* DL2;
    QAction* Meteolorogical;
    QAction* PortData;
    QAction* FishingPort1;
    QAction* C1;
    QAction* TableinDateYear;
    QAction* T1;
    QAction* CADMASSURFC1;
    QAction* SDFE1;
    QAction* CombineSDF;
    QAction* Link;
    QAction* Exit1;
    QAction* L1;
    QAction* Contents1;
    QAction* V1;

    // Keeps "Parameters.dat" and the site list "Location.dat" in `dir` (with
    // its trailing delimiter).
    void UseConfigDir(const std::string& dir);

    void FormCreate();
    void FormShow();
    void FormClose();
    // A "Parameters.dat" that cannot be read or is damaged is told of and
    // kept as it is: the close then writes nothing over it.
    void LoadParameters();
    bool SaveParameters();
    // Enables each command whose target is bound; call after binding.
    void UpdateCommands();
    // True while a command or a job with the progress window runs.
    bool JobRunning() const;
    // True once the first showing's start-up (FormShow) has run.
    bool FormShown() const { return shown_; }

    void ADDCDRF1Click();
    void SDFTSDT1Click();
    void WavehunterW1Click();
    void MDSMkV1Click();
    void CompactWHClick();
    void CompactEMC1Click();
    void CompactCLWL1Click();
    void InfinityI1Click();
    void InfinityCLWJ1Click();
    void VectorV1Click();
    void DL2Click();
    void MeteolorogicalClick();
    void PortDataClick();
    void FishingPort1Click();
    void C1Click();
    void TableinDateYearClick();
    void T1Click();
    void CADMASSURFC1Click();
    void SDFE1Click();
    void CombineSDFClick();
    void LinkClick();
    void Exit1Click();
    void L1Click();
    void Contents1Click();
    void V1Click();

signals:
    void closed();

protected:
    void showEvent(QShowEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    class JobScope;

    void BuildMenu();
    QAction* AddCommand(QMenu* menu, const char* caption, const char* name, void (TForm1::*handler)(),
                        std::function<bool()> ready, bool job = true);
    QMenu* AddSubmenu(QMenu* parent, const char* caption, const char* name);
    void PrepareOpen(const std::string& filter, bool multiSelect);
    bool ChooseOne(const std::string& filter);
    std::vector<std::string> ChooseMany(const std::string& filter);
    bool CloseRequested() const { return closePending_; }

    std::vector<std::pair<QAction*, std::function<bool()>>> commands_;
    int jobDepth_ = 0;
    bool closePending_ = false;
    bool shown_ = false;
    bool startScheduled_ = false;
    bool keepParameters_ = false;  // the settings file read at start-up was damaged
};

extern TForm1* Form1;

}  // namespace brine
