#pragma once
// The dialog of Nortek Vector exports: shows the ".hdr" values, takes the
// save options and, on "次へ", hands the header to the header dialog and
// converts. Its second page shows a burst's probe-check amplitude profile.
#include <QDialog>
#include <functional>
#include <string>

#include "importers/vector_bed_detection.h"
#include "importers/vector_header.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QTabWidget;
class QWidget;

namespace brine {
namespace chart {
class TChart;
class TLineSeries;
}  // namespace chart

class CurrentFile;
class HeaderSaveDialog;
class ProgressSink;

class TFrmNortek : public QDialog {
    Q_OBJECT
public:
    explicit TFrmNortek(QWidget* parent = nullptr);

    // Stores the file and reads its header; the dialog then shows modally.
    // A refused file shows its message and no dialog.
    void OpenHeaderFile(const std::string& fileName);
    void ReadVectorHeader();

    void BitBtn1Click();  // 次へ
    void BitBtn2Click();  // ヘルプ
    void CheckBoxTransVelClick();
    void FormShow();
    void FormClose();
    void ScrollBarBurstTimeChange();

    // What the last successful read found.
    const VectorHeader& Header() const { return header_; }
    std::string HdrFileName;

    // ---- wiring done at start-up
    CurrentFile* model;                       // the program's model
    ProgressSink* progress = nullptr;         // the progress window
    HeaderSaveDialog* headerSave = nullptr;   // the header dialog in save mode
    std::function<void(bool visible)> showSiteWindow;  // shows or hides the site window
    std::function<double()> declination;               // the site window's declination, degrees
    std::function<void(const std::string& topic)> helpTopic;  // opens a page of the help file

    QTabWidget* PageControl1;
    QWidget* TabSheetVector;
    QWidget* TabSheetAmpProfile;
    QLineEdit* EditSoftwareVer;
    QLineEdit* EditFirmware;
    QLineEdit* EditSamplingVolume;
    QLineEdit* EditVelRange;
    QLineEdit* EdtStartTime;
    QLineEdit* EdtFinalTime;
    QLineEdit* EditHz;
    QLineEdit* EditBInt;
    QLineEdit* EditNS;
    QLineEdit* EditIteration;
    QPlainTextEdit* Memo1;
    QGroupBox* GroupBox1;
    QCheckBox* CheckBoxTransVel;
    QCheckBox* CheckBoxSignalStrength;
    QCheckBox* CheckBoxSNR;
    QCheckBox* CheckBoxCorr;
    QCheckBox* CheckBoxCorrThreshold;
    QCheckBox* CheckBoxBottomDist;
    QLineEdit* EditCorrthreshold;
    QLabel* EditMinDistLabel;
    QLineEdit* EditMinDist;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    chart::TChart* Chart1;
    chart::TLineSeries* Series1;
    QScrollBar* ScrollBarBurstTime;
    QLineEdit* EditTime;

    void done(int r) override;

private:
    void showOnly(QWidget* page);
    void setMinDistVisible(bool visible);
    void drawProfile(const AmplitudeProfile& profile, double bedDistance);

    VectorHeader header_;
    bool probeCheckFile_ = false;  // the export's ".pck" is there
};

extern TFrmNortek* FrmNortek;

}  // namespace brine
