#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QtGlobal>
#include <optional>

#include "app/about_box.h"
#include "app/menu_jobs.h"
#include "app/parameters_file.h"
#include "base/errors.h"
#include "base/path_text.h"
#include "sites/site_list.h"
#include "core/ui/progress_window.h"
#include "platform/guard.h"
#include "platform/html_help.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"

namespace brine {

TForm1* Form1 = nullptr;

namespace {

constexpr const char* kSdfTsdSaveFilter = "SDF files (*.sdf)|*.sdf|TSD files (*.tsd)|*.tsd";

template <typename... F>
std::function<bool()> bound(const F&... f) {
    return [&f...] { return (static_cast<bool>(f) && ...); };
}

std::string executableFolder() {
    return IncludeTrailingPathDelimiter(ExtractFileDir(QApplication::applicationFilePath().toStdString()));
}

QWidgetList visibleWindows() {
    QWidgetList shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) shown.append(w);
    return shown;
}

ProgressSink& appProgress() {
    static NullProgress none;
    return FrmProgress ? static_cast<ProgressSink&>(*FrmProgress) : none;
}

}  // namespace

// Held by every command while it runs: the menu takes no input until the
// command is over.
class TForm1::JobScope {
public:
    explicit JobScope(TForm1& form) : form_(form) {
        if (form_.jobDepth_++ == 0) form_.MainMenu1->setEnabled(false);
    }
    ~JobScope() {
        if (--form_.jobDepth_ == 0) form_.MainMenu1->setEnabled(true);
    }
    JobScope(const JobScope&) = delete;
    JobScope& operator=(const JobScope&) = delete;

private:
    TForm1& form_;
};

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), SelectedLocation(AppSites().SelectedLocation) {
    setObjectName("Form1");
    auto* client = new QWidget(this);
    client->setFixedSize(430, 122);
    setCentralWidget(client);
    BuildMenu();
    Guarded([this] { FormCreate(); });
}

void TForm1::FormCreate() {
    AppDir = executableFolder();
    UseConfigDir(ChooseConfigDir(AppDir));
    SelectedLocation = 0;
    setWindowTitle(QStringLiteral("Brinelog4"));
}

void TForm1::UseConfigDir(const std::string& dir) {
    ConfigDir = dir;
    LocationFile = ConfigDir + kLocationFileName;
    AppSites().LocationFile = LocationFile;
}

// The first showing's start-up opens the modal splash. Run inside the show
// event it would come before the window had ever been painted, leaving it
// blank (or not yet on screen) behind the splash; so it runs just after the
// first paint, or after a second at the latest should no paint come.
void TForm1::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!shown_) QTimer::singleShot(1000, this, [this] { Guarded([this] { FormShow(); }); });
}

void TForm1::paintEvent(QPaintEvent* e) {
    QMainWindow::paintEvent(e);
    if (shown_ || startScheduled_) return;
    startScheduled_ = true;
    QTimer::singleShot(0, this, [this] { Guarded([this] { FormShow(); }); });
}

void TForm1::FormShow() {
    if (shown_) return;
    shown_ = true;
    if (Targets.initHeaderDialog) Targets.initHeaderDialog();
    if (Targets.initCommaData) Targets.initCommaData();
    if (AboutBox) ShowModal(*AboutBox);
    AppDir = executableFolder();
    HelpFileName = StrToNewPChar(WithExtension(QApplication::applicationFilePath().toStdString(), ".chm"));
    LoadParameters();
    // Importers that never show the site window still use the remembered site.
    AppSites().InitDeclination(AppPrompter());
}

void TForm1::closeEvent(QCloseEvent* e) {
    if (JobRunning()) {
        e->ignore();
        const bool job = FrmProgress && FrmProgress->Running();
        // A command's dialog without a job holds the main window, as a modal
        // dialog does.
        if (!job && !closePending_) return;
        // Ask the job to stop, end the command's dialogs once it has, and
        // close when the command is over.
        closePending_ = true;
        if (job) {
            if (FrmProgress->isVisible()) FrmProgress->BitBtn1Click();
        } else if (!QApplication::activeModalWidget()) {
            if (QDialog* dialog = ActiveModalDialog()) dialog->reject();
        }
        QTimer::singleShot(200, this, [this] {
            if (closePending_) close();
        });
        return;
    }
    FormClose();
    e->accept();
    emit closed();
}

void TForm1::FormClose() { SaveParameters(); }

bool TForm1::JobRunning() const { return jobDepth_ > 0 || (FrmProgress && FrmProgress->Running()); }

void TForm1::LoadParameters() {
    std::optional<ParametersLines> lines;
    try {
        lines = ReadParametersFile(ConfigDir + kParametersFileName);
    } catch (const IoError& e) {
        // Defaults written over it would lose what a copy beside it holds.
        keepParameters_ = true;
        AppPrompter().warning(std::string(e.what()) + "\n終了時に設定を保存せず、このファイルはそのまま残します。");
        return;
    }
    if (!lines) return;
    std::error_code ec;
    if (!lines->fileName.empty() && std::filesystem::is_regular_file(lines->fileName, ec))
        OpenDialog1.FileName = lines->fileName;
    if (!lines->folder.empty() && std::filesystem::is_directory(lines->folder, ec)) {
        OpenDialog1.InitialDir = lines->folder;
        SaveDialog1.InitialDir = lines->folder;
    }
    // A damaged third line is ignored rather than abandoning the start-up.
    if (auto location = ParseSelectedLocation(lines->location)) SelectedLocation = *location;
}

bool TForm1::SaveParameters() {
    if (keepParameters_) return false;
    return WriteParametersFile(ConfigDir + kParametersFileName, OpenDialog1.FileName,
                               ExtractFileDir(OpenDialog1.FileName), SelectedLocation, &AppPrompter());
}

// ---- menu

QMenu* TForm1::AddSubmenu(QMenu* parent, const char* caption, const char* name) {
    QMenu* menu = parent ? parent->addMenu(QString::fromUtf8(caption)) : MainMenu1->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}

QAction* TForm1::AddCommand(QMenu* menu, const char* caption, const char* name, void (TForm1::*handler)(),
                            std::function<bool()> ready, bool job) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, [this, handler, job] {
        const QWidgetList before = visibleWindows();
        Guarded([this, handler, job] {
            std::optional<JobScope> scope;
            if (job) scope.emplace(*this);
            (this->*handler)();
        });
        // Unless the command left a window of its own open (the site window,
        // a modeless importer), the main window takes the keys again: the
        // windows that had them are gone.
        for (QWidget* w : visibleWindows())
            if (!before.contains(w)) return;
        QWidget* active = QApplication::activeWindow();
        if (!active || !active->isVisible()) activateWindow();
    });
    commands_.emplace_back(action, std::move(ready));
    return action;
}

void TForm1::BuildMenu() {
    MainMenu1 = menuBar();
    MainMenu1->setObjectName("MainMenu1");
    MainTargets& t = Targets;
    auto always = [] { return true; };

    File1 = AddSubmenu(nullptr, "ファイル(&F)", "File1");
    ADDCDRF1 = AddCommand(File1, "ADDC/DRF/SDF/TSDからSDFへの変換(&A)", "ADDCDRF1", &TForm1::ADDCDRF1Click,
                          bound(t.convertToSdf));
    SDFTSDT1 = AddCommand(File1, "SDFからTSDへの変換(&T)", "SDFTSDT1", &TForm1::SDFTSDT1Click, bound(t.convertSdfToTsd));

    Instrument = AddSubmenu(File1, "測器データ(&I)", "Instrument");
    WavehunterW1 = AddCommand(Instrument, "Wave Hunter, アイオーテクニック(&W)", "WavehunterW1",
                              &TForm1::WavehunterW1Click, bound(t.openWaveHunterMaster));
    A1 = AddSubmenu(Instrument, "JFEアドバンテック/旧アレック電子(&A)", "A1");
    MDSMkV1 = AddCommand(A1, "超小型メモリ計測器 MDS-MkV(&M)", "MDSMkV1", &TForm1::MDSMkV1Click, bound(t.openCompactFile));
    A1->addSeparator();
    CompactWH = AddCommand(A1, "波高計 Compact-WH(&W)", "CompactWH", &TForm1::CompactWHClick, bound(t.openCompactWHFile));
    CompactEMC1 =
        AddCommand(A1, "流速計 Compact-EM(&C)", "CompactEMC1", &TForm1::CompactEMC1Click, bound(t.openCompactEMFile));
    CompactCLWL1 = AddCommand(A1, "その他のCompact機器(&L)", "CompactCLWL1", &TForm1::CompactCLWL1Click,
                              bound(t.openCompactFile));
    A1->addSeparator();
    InfinityI1 =
        AddCommand(A1, "流速計 Infinity-EM(&I)", "InfinityI1", &TForm1::InfinityI1Click, bound(t.openInfinityEMFile));
    InfinityCLWJ1 = AddCommand(A1, "その他のInfinity機器(&J)", "InfinityCLWJ1", &TForm1::InfinityCLWJ1Click,
                               bound(t.openInfinityFile));
    VectorV1 = AddCommand(Instrument, "Vector, Nortek(&V)", "VectorV1", &TForm1::VectorV1Click, bound(t.openNortekHeader));
    DL2 = AddCommand(Instrument, "DL-2, 協和商工(&K)", "DL2", &TForm1::DL2Click, bound(t.openDL2File));

    P1 = AddSubmenu(File1, "定点観測データ(&S)", "P1");
    Meteolorogical = AddCommand(P1, "気象庁気象観測データ(&M)", "Meteolorogical", &TForm1::MeteolorogicalClick,
                                bound(t.readMeteorologicalCsv, t.headerSave));
    PortData = AddCommand(P1, "ナウファスデータ(&P)", "PortData", &TForm1::PortDataClick,
                          bound(t.readPortWaveFile, t.headerSave));
    FishingPort1 = AddCommand(P1, "漁港波浪データベース(&F)", "FishingPort1", &TForm1::FishingPort1Click,
                              bound(t.readFishingPortCsv, t.headerSave));

    TextdataT1 = AddSubmenu(File1, "カンマ区切りデータ(&C)", "TextdataT1");
    C1 = AddCommand(TextdataT1, "バースト／インターバル計測データ(&C)", "C1", &TForm1::C1Click,
                    bound(t.openCommaFile, t.commaBurstMode, t.commaTempFileName, t.proposeOutputName, t.headerSave));
    TableData = AddSubmenu(TextdataT1, "年別表データ(&T)", "TableData");
    TableinDateYear = AddCommand(TableData, "月日別年別表データ(&D)", "TableinDateYear", &TForm1::TableinDateYearClick,
                                 bound(t.loadDateYearTable, t.showDateYearTable));
    T1 = AddCommand(TableData, "旬別年別表データ(&T)", "T1", &TForm1::T1Click,
                    bound(t.loadDateYearTable, t.showDateYearTable));

    N5 = AddSubmenu(File1, "数値計算データ(&N)", "N5");
    CADMASSURFC1 =
        AddCommand(N5, "CADMAS-SURF(&C)", "CADMASSURFC1", &TForm1::CADMASSURFC1Click, bound(t.convertCadmasSurf));

    File1->addSeparator();
    SDFE1 = AddCommand(File1, "時系列ファイルからのデータ抽出(&E)", "SDFE1", &TForm1::SDFE1Click,
                       bound(t.setExtractSkipVisible, t.extractFile));
    CombineSDF =
        AddCommand(File1, "時系列ファイルの併合(&M)", "CombineSDF", &TForm1::CombineSDFClick, bound(t.combineFiles));
    Link = AddCommand(File1, "時系列ファイルの連結(&L)", "Link", &TForm1::LinkClick, bound(t.linkFiles));
    File1->addSeparator();
    Exit1 = AddCommand(File1, "終了(&Q)", "Exit1", &TForm1::Exit1Click, always, false);

    I1 = AddSubmenu(nullptr, "情報(&I)", "I1");
    L1 = AddCommand(I1, "位置情報(&L)", "L1", &TForm1::L1Click, bound(t.showLocation));

    Help1 = AddSubmenu(nullptr, "ヘルプ(&H)", "Help1");
    Contents1 = AddCommand(Help1, "目次(&C)", "Contents1", &TForm1::Contents1Click, always);
    Help1->addSeparator();
    V1 = AddCommand(Help1, "バージョン情報(&V)", "V1", &TForm1::V1Click, always);

    UpdateCommands();
}

void TForm1::UpdateCommands() {
    for (auto& [action, ready] : commands_) action->setEnabled(ready());
}

// ---- the shared open dialog

void TForm1::PrepareOpen(const std::string& filter, bool multiSelect) {
    OpenDialog1.Filter = filter;
    OpenDialog1.MultiSelect = multiSelect;
    OpenDialog1.FileName.clear();
}

bool TForm1::ChooseOne(const std::string& filter) {
    PrepareOpen(filter, false);
    return OpenDialog1.Execute(AppFileChooser());
}

std::vector<std::string> TForm1::ChooseMany(const std::string& filter) {
    PrepareOpen(filter, true);
    if (!OpenDialog1.Execute(AppFileChooser())) return {};
    if (OpenDialog1.Files.empty() && !OpenDialog1.FileName.empty()) return {OpenDialog1.FileName};
    return OpenDialog1.Files;
}

// ---- commands

void TForm1::ADDCDRF1Click() {
    auto files = ChooseMany("ADDC/DRF/SDF/TSD files (*.drf,*.sdf,*.tsd)|*.drf;*.sdf;*.tsd");
    if (!files.empty()) Targets.convertToSdf(files);
}

void TForm1::SDFTSDT1Click() {
    // The file name stays as the previous command left it; a single file only,
    // since the conversion takes one.
    OpenDialog1.Filter = Text(Tx::FilterSdf) + "|*.sdf";
    OpenDialog1.MultiSelect = false;
    if (OpenDialog1.Execute(AppFileChooser())) Targets.convertSdfToTsd(OpenDialog1.FileName);
}

void TForm1::WavehunterW1Click() {
    if (ChooseOne(Text(Tx::FilterWaveHunter) + "|sm*m.k02;WH*.H00;*.hun;*.h98"))
        Targets.openWaveHunterMaster(OpenDialog1.FileName);
}

void TForm1::MDSMkV1Click() {
    if (ChooseOne(Text(Tx::FilterMdsMkV) + "|*.RAW")) Targets.openCompactFile(OpenDialog1.FileName);
}

void TForm1::CompactWHClick() {
    if (!ChooseOne(Text(Tx::FilterCompactWh) + "|*.RAW")) return;
    const std::string file = OpenDialog1.FileName;
    Targets.openCompactWHFile(file);
    OpenDialog1.InitialDir = ExtractFileDir(file);
}

void TForm1::CompactEMC1Click() {
    if (ChooseOne(Text(Tx::FilterCompactEm) + "|*.RAW")) Targets.openCompactEMFile(OpenDialog1.FileName);
}

void TForm1::CompactCLWL1Click() {
    if (ChooseOne(Text(Tx::FilterCompactClw) + "|*.RAW")) Targets.openCompactFile(OpenDialog1.FileName);
}

void TForm1::InfinityI1Click() {
    if (ChooseOne(Text(Tx::FilterInfinityEm) + "|*.RAW")) Targets.openInfinityEMFile(OpenDialog1.FileName);
}

void TForm1::InfinityCLWJ1Click() {
    if (ChooseOne(Text(Tx::FilterInfinityClw) + "|*.RAW")) Targets.openInfinityFile(OpenDialog1.FileName);
}

void TForm1::VectorV1Click() {
    if (ChooseOne(Text(Tx::FilterVector) + "|*.HDR")) Targets.openNortekHeader(OpenDialog1.FileName);
}

void TForm1::DL2Click() {
    if (ChooseOne(Text(Tx::FilterDl2) + "|*.txt")) Targets.openDL2File(OpenDialog1.FileName);
}

void TForm1::MeteolorogicalClick() {
    auto files = ChooseMany(Text(Tx::FilterAll) + "|*.*");
    RunSingleBurstCommand(files, Targets.readMeteorologicalCsv, *Targets.headerSave, AppModel(), AppPrompter(),
                          [this] { return CloseRequested(); });
}

void TForm1::PortDataClick() {
    auto files = ChooseMany(Text(Tx::FilterAll) + "|*.*");
    if (files.empty()) return;
    OpenDialog1.InitialDir = ExtractFileDir(files.front());
    RunSingleBurstCommand(files, Targets.readPortWaveFile, *Targets.headerSave, AppModel(), AppPrompter(),
                          [this] { return CloseRequested(); });
}

void TForm1::FishingPort1Click() {
    auto files = ChooseMany(Text(Tx::FilterCsv) + "|*.csv");
    RunSingleBurstCommand(files, Targets.readFishingPortCsv, *Targets.headerSave, AppModel(), AppPrompter(),
                          [this] { return CloseRequested(); });
}

void TForm1::C1Click() {
    auto files = ChooseMany(Text(Tx::FilterCsv) + "|*.csv");
    CommaDataSteps steps{Targets.openCommaFile, Targets.commaBurstMode, Targets.commaTempFileName,
                         Targets.proposeOutputName};
    RunCommaDataHandOff(files, steps, *Targets.headerSave, AppModel(), appProgress(), AppPrompter(), OpenDialog1,
                        [this] { return CloseRequested(); });
}

void TForm1::TableinDateYearClick() {
    if (ChooseOne(Text(Tx::FilterCsv) + "|*.csv") && Targets.loadDateYearTable(OpenDialog1.FileName, 0))
        Targets.showDateYearTable();
}

void TForm1::T1Click() {
    if (ChooseOne(Text(Tx::FilterCsv) + "|*.csv") && Targets.loadDateYearTable(OpenDialog1.FileName, 1))
        Targets.showDateYearTable();
}

void TForm1::CADMASSURFC1Click() {
    OpenDialog1.Filter = Text(Tx::FilterCadmas) + "|*.tran";
    OpenDialog1.FileName = Text(Tx::CadmasDefaultInput);
    Targets.convertCadmasSurf();
}

void TForm1::SDFE1Click() {
    auto files = ChooseMany(Text(Tx::FilterSdfTsdToExtract) + "|*.sdf;*.tsd");
    if (files.empty()) return;
    RunExtractionLoop(files, Targets.setExtractSkipVisible, Targets.extractFile, [this] { return CloseRequested(); });
    OpenDialog1.InitialDir = ExtractFileDir(files.front());
}

void TForm1::CombineSDFClick() {
    PrepareOpen(Text(Tx::FilterSdfTsdToJoin) + "|*.sdf;*.tsd", false);
    SaveDialog1.Filter = kSdfTsdSaveFilter;
    Targets.combineFiles();
}

void TForm1::LinkClick() {
    auto files = ChooseMany(Text(Tx::FilterSdfTsdToJoin) + "|*.sdf;*.tsd");
    SaveDialog1.Filter = kSdfTsdSaveFilter;
    if (files.empty()) return;
    Targets.linkFiles();
    OpenDialog1.InitialDir = ExtractFileDir(OpenDialog1.FileName);
}

void TForm1::Exit1Click() { close(); }

void TForm1::L1Click() { Targets.showLocation(); }

void TForm1::Contents1Click() { HtmlHelp(nullptr, HelpFileName.get(), HH_DISPLAY_TOPIC, 0); }

void TForm1::V1Click() {
    if (AboutBox) ShowModal(*AboutBox);
}

}  // namespace brine
