#include "app/startup.h"

#include <csignal>

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>

#include "app/about_box.h"
#include "converters/addc_drf_command.h"
#include "converters/convert_cadmas_surf.h"
#include "converters/convert_fishing_port.h"
#include "converters/convert_jma.h"
#include "converters/convert_nowphas.h"
#include "sites/site_window.h"
#include "app/main_window.h"
#include "base/path_text.h"
#include "converters/sdf_to_tsd.h"
#include "core/ui/progress_window.h"
#include "core/ui/header_dialog.h"
#include "importers/raw_dialog.h"
#include "importers/comma_dialog.h"
#include "importers/yearly_table_dialog.h"
#include "importers/pressure_box.h"
#include "importers/dl2_dialog.h"
#include "importers/vector_dialog.h"
#include "importers/wave_hunter_dialog.h"
#include "platform/html_help.h"
#include "platform/modal.h"
#include "platform/qt_file_dialog.h"
#include "platform/qt_prompter.h"
#include "platform/qt_translations.h"
#include "tools/merge_dialog.h"
#include "tools/extract_dialog.h"
#include "tools/link_dialog.h"

namespace brine {

void InitApplication() {
    // Over a file-size limit a write then fails with EFBIG and takes the
    // normal failure path (message, temporary file removed, original kept)
    // instead of the signal ending the program mid-replace.
    std::signal(SIGXFSZ, SIG_IGN);
    LoadHtmlHelp();
    SetApplicationTitle("Brinelog 4");
    // Every caption is Japanese: Qt's standard dialogs and menus must match.
    InstallQtTranslations();
}

void CreateForms() {
    Form1 = new TForm1();
    FrmProgress = new TFrmProgress(Form1);
    AboutBox = new TAboutBox(Form1);
    FrmWaveHunter = new TFrmWaveHunter(Form1);
    FrmLocation = new TFrmLocation(Form1);
    FrmSDFdata = new TFrmSDFdata(AppModel(), Form1);
    FrmKyowaS = new TFrmKyowaS(Form1);
    FrmAlec = new TFrmAlec(Form1);
    FrmCombineSDF = new TFrmCombineSDF(Form1);
    FrmLinkSDF = new TFrmLinkSDF(AppModel(), Form1);
    FrmDateYearTable = new TFrmDateYearTable(Form1);
    FrmEditSDF = new TFrmEditSDF(Form1);
    FrmCommaData = new TFrmCommaData(Form1);
    FrmNortek = new TFrmNortek(Form1);
    FrmInputBox = new TFrmInputBox(Form1);
    AppModel().prompter = &AppPrompter();
    AppModel().progress = FrmProgress;
    SetWriterWait(FrmProgress);
    BindTargets();
}

void BindTargets() {
    MainTargets& t = Form1->Targets;
    t.initHeaderDialog = [] { FrmSDFdata->InitForm(); };
    t.headerSave = FrmSDFdata;
    t.proposeOutputName = [](const std::string& name) { AppModel().SaveFileName = name; };
    t.convertToSdf = [](const std::vector<std::string>& files) {
        ConvertSelectedFiles(files, AppModel(), AppPrompter(), *FrmProgress, *FrmSDFdata);
    };

    t.readMeteorologicalCsv = [](const std::string& f) {
        return ReadMeteorologicalCsv(AppModel(), f, AppPrompter(), *FrmProgress);
    };
    t.readFishingPortCsv = [](const std::string& f) {
        return ReadFishingPortCsv(AppModel(), f, AppPrompter(), *FrmProgress);
    };
    t.readPortWaveFile = [](const std::string& f) {
        return ReadPortWaveFile(AppModel(), f, AppPrompter(), *FrmProgress);
    };
    t.convertCadmasSurf = [] {
        ConvertCadmasSurf(AppModel(), Form1->OpenDialog1, AppFileChooser(), *FrmSDFdata, AppPrompter());
    };

    FrmAlec->progress = FrmProgress;
    FrmAlec->headerSave = FrmSDFdata;
    FrmAlec->valuePrompt = FrmInputBox;
    FrmAlec->showSiteWindow = [](bool visible) {
        if (visible)
            FrmLocation->ShowBeside(FrmAlec);
        else
            FrmLocation->HideBeside();
    };
    FrmAlec->declination = [] { return FrmLocation->Declination; };
    FrmAlec->headerCaption = [](const std::string& file) { FrmSDFdata->setWindowTitle(QString::fromStdString(file)); };
    FrmKyowaS->progress = FrmProgress;
    FrmKyowaS->headerSave = FrmSDFdata;
    FrmKyowaS->declination = [] { return FrmLocation->Declination; };
    FrmKyowaS->headerCaption = [](const std::string& file) {
        FrmSDFdata->setWindowTitle(QString::fromStdString(file));
    };
    t.openDL2File = [](const std::string& f) { FrmKyowaS->OpenDL2File(f); };
    FrmWaveHunter->progress = FrmProgress;
    FrmWaveHunter->headerSave = FrmSDFdata;
    FrmWaveHunter->showSiteWindow = [](bool visible) {
        if (visible)
            FrmLocation->ShowBeside(FrmWaveHunter);
        else
            FrmLocation->HideBeside();
    };
    FrmWaveHunter->loadSites = [] { FrmLocation->LoadSites(); };
    FrmWaveHunter->declination = [] { return FrmLocation->Declination; };
    FrmWaveHunter->headerCaption = [](const std::string& file) {
        FrmSDFdata->setWindowTitle(QString::fromStdString(file));
    };
    t.openWaveHunterMaster = [](const std::string& f) { FrmWaveHunter->OpenMasterFile(f); };
    FrmInputBox->helpTopic = [](const std::string& topic) { ShowHelpTopic(FrmInputBox, topic); };
    t.openCompactFile = [](const std::string& f) { FrmAlec->OpenCompactFile(f); };
    t.openCompactWHFile = [](const std::string& f) { FrmAlec->OpenCompactWHFile(f); };
    t.openCompactEMFile = [](const std::string& f) { FrmAlec->OpenCompactEMFile(f); };
    t.openInfinityEMFile = [](const std::string& f) { FrmAlec->OpenInfinityEMFile(f); };
    t.openInfinityFile = [](const std::string& f) { FrmAlec->OpenInfinityFile(f); };
    FrmDateYearTable->headerSave = FrmSDFdata;
    FrmDateYearTable->progress = FrmProgress;
    t.loadDateYearTable = [](const std::string& f, int mode) {
        return FrmDateYearTable->LoadTable(f, mode);
    };
    t.showDateYearTable = [] { ShowModal(*FrmDateYearTable); };
    FrmNortek->progress = FrmProgress;
    FrmNortek->headerSave = FrmSDFdata;
    FrmNortek->showSiteWindow = [](bool visible) {
        if (visible)
            FrmLocation->ShowBeside(FrmNortek);
        else
            FrmLocation->HideBeside();
    };
    FrmNortek->declination = [] { return FrmLocation->Declination; };
    FrmNortek->helpTopic = [](const std::string& topic) { ShowHelpTopic(FrmNortek, topic); };
    t.openNortekHeader = [](const std::string& f) { FrmNortek->OpenHeaderFile(f); };
    t.convertSdfToTsd = [](const std::string& source) {
        auto chooseTarget = [](const std::string& proposed) -> std::optional<std::string> {
            FileDialog& d = Form1->SaveDialog1;
            d.Filter = Text(Tx::FilterTsd) + "|*.tsd";
            d.InitialDir = ExtractFileDir(proposed);
            d.FileName = proposed;
            if (!d.Execute(AppFileChooser())) return std::nullopt;
            return d.FileName;
        };
        ConvertSDFToTSD(AppModel(), source, chooseTarget, AppPrompter(), *FrmProgress);
    };
    FrmEditSDF->progress = FrmProgress;
    t.setExtractSkipVisible = [](bool visible) { FrmEditSDF->BitBtn3->setVisible(visible); };
    t.extractFile = [](const std::string& file) { return FrmEditSDF->Execute(file); };
    FrmLinkSDF->OpenDialog1 = &Form1->OpenDialog1;
    FrmLinkSDF->SaveDialog1 = &Form1->SaveDialog1;
    FrmLinkSDF->progress = FrmProgress;
    t.linkFiles = [] { FrmLinkSDF->Execute(); };
    FrmCommaData->progress = FrmProgress;
    FrmCommaData->parameterFolder = [] { return Form1->AppDir; };
    t.initCommaData = [] { FrmCommaData->InitDefaults(); };
    t.openCommaFile = [](const std::string& f) { return FrmCommaData->OpenFile(f); };
    t.commaBurstMode = [] { return FrmCommaData->CheckBoxBurst->isChecked(); };
    t.commaTempFileName = [] { return FrmCommaData->TempFileName; };
    FrmCombineSDF->progress = FrmProgress;
    FrmCombineSDF->OpenDialog1 = &Form1->OpenDialog1;
    FrmCombineSDF->SaveDialog1 = &Form1->SaveDialog1;
    t.combineFiles = [] { FrmCombineSDF->Execute(); };
    t.showLocation = [] {
        FrmLocation->show();
        FrmLocation->raise();
        FrmLocation->activateWindow();
    };
    Form1->UpdateCommands();
}

void DestroyForms() {
    // The model outlives the forms: it must not keep pointing at them.
    if (AppModel().progress == FrmProgress) AppModel().progress = nullptr;
    AppModel().prompter = nullptr;
    delete Form1;  // owns the dialogs
    Form1 = nullptr;
    FrmProgress = nullptr;
    AboutBox = nullptr;
    FrmWaveHunter = nullptr;
    FrmLocation = nullptr;
    FrmSDFdata = nullptr;
    FrmKyowaS = nullptr;
    FrmAlec = nullptr;
    FrmCombineSDF = nullptr;
    FrmLinkSDF = nullptr;
    FrmDateYearTable = nullptr;
    FrmEditSDF = nullptr;
    FrmCommaData = nullptr;
    FrmNortek = nullptr;
    FrmInputBox = nullptr;
}

}  // namespace brine
