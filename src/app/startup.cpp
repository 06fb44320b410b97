#include "app/startup.h"

#include <QApplication>

#include "app/about_box.h"
#include "app/frm_location.h"
#include "app/path_text.h"
#include "app/sdf_to_tsd.h"
#include "base/safe_replace.h"
#include "platform/qt_prompter.h"
#include "app/main_window.h"
#include "app/pending_forms.h"
#include "core/ui/frm_progress.h"
#include "platform/html_help.h"

namespace brine {

void InitApplication() {
    LoadHtmlHelp();
    QApplication::setApplicationDisplayName(QStringLiteral("Brinelog 4"));
}

void CreateForms() {
    Form1 = new TForm1();
    FrmProgress = new TFrmProgress(Form1);
    AboutBox = new TAboutBox(Form1);
    FrmWaveHunter = new TFrmWaveHunter(Form1);
    FrmLocation = new TFrmLocation(Form1);
    FrmSDFdata = new TFrmSDFdata(Form1);
    FrmKyowaS = new TFrmKyowaS(Form1);
    FrmAlec = new TFrmAlec(Form1);
    FrmCombineSDF = new TFrmCombineSDF(Form1);
    FrmLinkSDF = new TFrmLinkSDF(Form1);
    FrmDateYearTable = new TFrmDateYearTable(Form1);
    FrmEditSDF = new TFrmEditSDF(Form1);
    FrmCommaData = new TFrmCommaData(Form1);
    FrmNortek = new TFrmNortek(Form1);
    FrmInputBox = new TFrmInputBox(Form1);
    BindTargets();
}

void BindTargets() {
    MainTargets& t = Form1->Targets;
    t.convertSdfToTsd = [](const std::string& source) {
        auto chooseTarget = [](const std::string& proposed) -> std::optional<std::string> {
            FileDialogSettings& d = Form1->SaveDialog1;
            d.Filter = "tsdファイル(*.tsd)|*.tsd";
            d.InitialDir = ExtractFileDir(proposed);
            d.FileName = proposed;
            if (!d.Execute(Form1)) return std::nullopt;
            return d.FileName;
        };
        ConvertSDFToTSD(AppModel(), source, chooseTarget, AppPrompter(), *FrmProgress);
    };
    t.showLocation = [] {
        FrmLocation->show();
        FrmLocation->raise();
        FrmLocation->activateWindow();
    };
    Form1->UpdateCommands();
}

void DestroyForms() {
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
