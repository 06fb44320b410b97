#pragma once
// The dialog of Kyowa Shoko DL-2 text files: shows the record information,
// lets the user edit site, station and layer and, on "次へ", builds the SDF
// header, hands over to the header dialog and converts. Shown modeless.
#include <QDialog>
#include <functional>
#include <string>

#include "importers/dl2_header.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace brine {

class CurrentFile;
class HeaderSaveDialog;
class ProgressSink;

class TFrmKyowaS : public QDialog {
    Q_OBJECT
public:
    explicit TFrmKyowaS(QWidget* parent = nullptr);

    // Reads the header and shows the dialog. A refused file shows its
    // message; the dialog then keeps what it showed before.
    void OpenDL2File(const std::string& fileName);
    // Fills the model's header from the file and the edits.
    void SetSDFHeader();
    // Converts every burst into the model's SaveFileName.
    void ConvertDL2File(const std::string& fileName);

    void BitBtn1Click();  // 次へ
    void BitBtn2Click();  // cancel

    // The file loaded last: StartTime, FinalTime, StartYear, BurstMinutes,
    // LinesPerBurst, SourceFile.
    const DL2Header& Header() const { return header_; }

    // ---- wiring done at start-up
    CurrentFile* model;                      // the program's model
    ProgressSink* progress = nullptr;        // the progress window
    HeaderSaveDialog* headerSave = nullptr;  // the header dialog in save mode
    std::function<double()> declination;     // the site window's declination, degrees
    std::function<void(const std::string& sourceFile)> headerCaption;  // header dialog caption

    QGroupBox* GroupBox1;
    QLineEdit* EditSite;
    QLineEdit* EditStation;
    QLineEdit* EditLayer;
    QLineEdit* EditKind;
    QLineEdit* EdtStartTime;
    QLineEdit* EdtFinalTime;
    QLineEdit* EditDT;
    QLineEdit* EditUnit;
    QLineEdit* EditNS;
    QLineEdit* EditBInt;
    QCheckBox* CheckBoxTransVel;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

private:
    DL2Header header_;
    bool busy_ = false;
};

extern TFrmKyowaS* FrmKyowaS;

}  // namespace brine
