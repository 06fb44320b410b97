#pragma once
// The header and channel-table dialog. Save mode (ExecuteSave) is the
// hand-off of every producer: the user reviews the header, picks the output
// and the dialog writes the header. Load mode (OpenTimeSeriesFile) shows the
// header of an SDF or TSD file and reads its first burst.
#include <QDialog>
#include <string>
#include <vector>

#include "core/current_file.h"
#include "core/header_save.h"
#include "platform/api/file_dialog.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace brine {

class StringGrid;
class StatusPanels;

class TFrmSDFdata : public QDialog, public HeaderSaveDialog {
    Q_OBJECT
public:
    explicit TFrmSDFdata(CurrentFile& model, QWidget* parent = nullptr);
    ~TFrmSDFdata() override;

    // One-time set-up: grid titles, row numbers, unit lists, cell edit mode.
    void InitForm();
    // Kind 0 SDF, 1 TSD. True when the header has been written to the model's
    // SaveFileName (SaveDialog1.FileName).
    bool ExecuteSave(int kind) override;
    // Empty fileName: the user picks the file. True when the user confirmed
    // and burst 0 was read; fileName then names the file loaded.
    bool OpenTimeSeriesFile(std::string& fileName);

    void ShowHeader();
    void ApplyEdits();
    bool SaveHeaderChecked();
    bool LoadFirstBurst();
    void ApplyEditMode();

    // Event handlers.
    void FormCreate();
    void FormShow();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void Button1Click();
    void ComboBoxSITUnitChange();
    void EditSIntChange();
    void Memo1Change();
    void EdtStartTimeChange();
    void StringGrid1SetEditText(int col, int row);
    void Copy1Click();
    void Paste1Click();

    CurrentFile& model() { return model_; }

    // ---- dialog state
    std::uint8_t Mode = 0;  // 0 load, 1 save
    bool Modified = false;
    bool SuppressSIntChange = false;
    std::uint8_t EditMode = 1;  // 0 block edit, 1 cell edit
    QMenu* SavedPopupMenu = nullptr;
    std::vector<std::vector<QString>> Clip;  // [column][row]
    int ClipRows = 0;
    int ClipCols = 0;

    // ---- components
    QLabel* Label1;
    QPlainTextEdit* Memo1;
    QLabel* Label2;
    QLineEdit* EdtStartTime;
    QLabel* Label9;
    QLabel* LblLastTime;
    QGroupBox* GroupBox2;
    QLabel* Label3;
    QLabel* LblSampleSize;
    QLabel* Label5;
    QLabel* LblNch;
    QLabel* Label7;
    QLineEdit* EditSInt;
    QComboBox* ComboBoxSITUnit;
    QGroupBox* GroupBox1;
    QLabel* Label4;
    QLineEdit* EditIteration;
    QLabel* Label8;
    QLabel* LblNch2;
    QLabel* Label6;
    QLabel* LblBInt;
    QComboBox* ComboBoxBITUnit;
    QPushButton* BitBtn3;
    StringGrid* StringGrid1;
    QGroupBox* GroupBox3;
    QLineEdit* EditFileName;
    QPushButton* Button1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    StatusPanels* StatusBar1;
    FileDialog SaveDialog1{FileDialogKind::Save};
    FileDialog OpenDialog1{FileDialogKind::Open};
    QMenu* PopupMenu1;
    QAction* Copy1;
    QAction* Paste1;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void buildLayout();
    void setFileNameText(const std::string& name);
    std::string fileNameText() const;
    bool reloadHeader(const std::string& name);
    bool readHeaderKeepingKind(const std::string& name);

    CurrentFile& model_;
    int kind_ = 0;             // kind of the header ExecuteSave writes
    bool initialized_ = false;
    std::string shownFile_;    // load mode: the file whose header is shown
    // Texts as ShowHeader put them, so unedited values keep their exact bytes.
    QString shownMemo_;
    QString shownStart_;
    std::vector<QString> shownNames_, shownUnits_;
    QString memoAccepted_;     // last memo text within the limits
};

extern TFrmSDFdata* FrmSDFdata;

}  // namespace brine
