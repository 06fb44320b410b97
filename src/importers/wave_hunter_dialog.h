#pragma once
// The dialog of Wave Hunter master files: shows what the reader found, takes
// memo, start time, options and output name and, on "次へ", builds the SDF
// header, hands over to the header dialog and converts. Shown modeless.
#include <QDialog>
#include <functional>
#include <string>

#include "importers/wave_hunter_bursts.h"
#include "platform/api/file_dialog.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace brine {

class CurrentFile;
class HeaderSaveDialog;
class ProgressSink;

class TFrmWaveHunter : public QDialog {
    Q_OBJECT
public:
    explicit TFrmWaveHunter(QWidget* parent = nullptr);

    // Reads the master file and shows the dialog. False when the name is
    // none of the kinds, the file was refused (message shown) or the count
    // was cancelled; the dialog then keeps the file it had.
    bool OpenMasterFile(const std::string& fileName);
    // Fills the edits from the file read and shows the dialog.
    void ShowParameters();
    // Fills the model's header from the file and the dialog.
    void SetSDFHeader();

    void BitBtn1Click();  // 参照
    void BitBtn2Click();  // 次へ
    void BitBtn3Click();  // cancel
    void CheckBoxTransVelClick();
    void FormShow();
    void FormHide();

    // The file loaded last (MasterFileName empty before the first).
    const WaveHunterFile& Master() const { return master_; }
    const std::string& MasterFileName() const { return master_.MasterFileName; }

    // ---- wiring done at start-up
    CurrentFile* model;                      // the program's model
    ProgressSink* progress = nullptr;        // the progress window
    HeaderSaveDialog* headerSave = nullptr;  // the header dialog in save mode
    FileChooser* fileChooser = nullptr;      // runs SaveDialog1; the program's own when unset
    std::function<void(bool visible)> showSiteWindow;  // shows or hides the site window
    std::function<void()> loadSites;                   // the site window reloads its list
    std::function<double()> declination;               // the site window's declination, degrees
    std::function<void(const std::string& masterFile)> headerCaption;  // header dialog caption

    QGroupBox* GroupBox1;
    QPlainTextEdit* Memo1;
    QLineEdit* EdtStartTime;
    QLineEdit* EditMnum;
    QLineEdit* EditNBst;
    QLineEdit* EditSampleSize;
    QLineEdit* EditSInt;
    QLineEdit* EditBInt;
    QLineEdit* EditNch;
    QGroupBox* GroupBox2;
    QLineEdit* EditRpres;
    QLineEdit* EditPresZero;
    QLineEdit* EditWatchDog;
    QLineEdit* EditMeasPres;
    QLineEdit* EditMeasVel;
    QLineEdit* EditMeasWL;
    QLineEdit* EditVelComp;
    QLineEdit* EditDeployment;
    QLineEdit* EditDirection;
    QGroupBox* GroupBox3;
    QCheckBox* CheckBoxTransVel;
    QCheckBox* CheckBoxDirection;
    QListWidget* CheckListBoxCh2;
    QLineEdit* EditSDFfile;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    FileDialog SaveDialog1{FileDialogKind::Save};

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void showStatus();
    WaveHunterOptions readOptions() const;

    WaveHunterFile master_;
    WaveHunterOptions options_;
    bool busy_ = false;
};

extern TFrmWaveHunter* FrmWaveHunter;

}  // namespace brine
