#pragma once
// The instrument dialog of JFE Advantech (formerly Alec Electronics) raw
// files: shows what a header reader found, takes the save options and, on
// "次へ", builds the SDF header, hands over to the header dialog and converts.
#include <QDialog>
#include <functional>
#include <string>

#include "importers/raw_convert.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace brine {

class CurrentFile;
class HeaderSaveDialog;
class ProgressSink;

class TFrmAlec : public QDialog {
    Q_OBJECT
public:
    explicit TFrmAlec(QWidget* parent = nullptr);

    // Header readers of the main window's commands: read, fill the dialog and
    // show it modally. A refused file shows its message and no dialog.
    void OpenCompactEMFile(const std::string& fileName);
    void OpenInfinityEMFile(const std::string& fileName);
    void OpenInfinityFile(const std::string& fileName);
    void OpenCompactWHFile(const std::string& fileName);
    void OpenCompactFile(const std::string& fileName);

    void BitBtn1Click();  // Next, current meter
    void BitBtn2Click();  // Next, wave gauge
    void BitBtn4Click();  // Next, multi-item loggers (BitBtn3 too)
    void CheckBoxTransVelClick();
    void FormShow();
    void FormClose();

    // What the last successful read found (the instrument state).
    const AlecHeader& Header() const { return header_; }

    // ---- wiring done at start-up
    CurrentFile* model;                       // the program's model
    ProgressSink* progress = nullptr;         // the progress window
    HeaderSaveDialog* headerSave = nullptr;   // the header dialog in save mode
    ValuePrompt* valuePrompt = nullptr;       // the pressure prompt
    std::function<void(bool visible)> showSiteWindow;  // shows or hides the site window
    std::function<double()> declination;               // the site window's declination, degrees
    std::function<void(const std::string& rawFileName)> headerCaption;  // header dialog caption

    QTabWidget* PageControl1;
    QWidget* TabSheetCompactEM;
    QWidget* TabSheetCompactWH;
    QWidget* TabSheetMDS5;
    QWidget* TabSheetInfinity;
    QGroupBox* GroupBox1;
    QPlainTextEdit* Memo1;
    QLineEdit* EdtStartTime;
    QLineEdit* EdtFinalTime;
    QLineEdit* EditNS;
    QLineEdit* EditDT;
    QLineEdit* EditIteration;
    QLineEdit* EditBInt;
    QGroupBox* GroupBox2;
    QCheckBox* CheckBoxTransVel;
    QCheckBox* CheckBoxTemp;
    QLabel* Label5;
    QListWidget* ListBoxMeasuredItems;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QPushButton* BitBtn4;

    void done(int r) override;

private:
    void openFile(RawKind kind, const std::string& fileName);
    void showPage(QWidget* page);
    void runNext();

    AlecHeader header_;
};

extern TFrmAlec* FrmAlec;

}  // namespace brine
