#pragma once
// The comma-separated data dialog: a preview of the file, a parameter grid
// with one column per file column (read or not, name, unit, A, B), the
// sampling and table settings, the parameter file and the grid tools. The
// import itself is in comma_data.h; this dialog fills its settings.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "importers/comma_data.h"
#include "platform/api/file_dialog.h"
#include "platform/api/progress.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollBar;

namespace brine {

class CurrentFile;
class StatusPanels;
class StringGrid;

class TFrmCommaData : public QDialog, public CommaDataFields {
    Q_OBJECT
public:
    explicit TFrmCommaData(QWidget* parent = nullptr);

    // Once, at the main window's first showing.
    void InitDefaults();
    // Prepares the dialog for the file and shows it modally; true when the
    // import finished.
    bool OpenFile(const std::string& fileName);

    void BitBtn1Click();  // the import
    void LoadPreview();
    void RefreshReadRow();
    void CheckBoxStartTimeClick();
    static std::string ExtractDateTimeText(std::string_view s) { return brine::ExtractDateTimeText(s); }

    void BitBtn6Click();  // save the parameter file
    void BitBtn2Click();  // load a parameter file
    void BitBtn3Click();  // apply the table settings and reload the preview
    void ComboBoxSkipKeyPress();
    void ComboBoxStepKeyPress();
    void EditLastKeyPress();
    void ComboBoxSkipChange();
    void SetReadItemClick();
    void UnsetReadItemClick();
    void Copy1Click();
    void Truncate1Click();
    void Paste1Click();
    void StringGrid1KeyDown(int key);
    void StringGridPrmKeyDown(int key);
    void StringGrid1DblClick();
    void StringGridPrmDblClick();
    void StringGrid1TopLeftChanged();
    void StringGridPrmTopLeftChanged();
    void StringGrid1MouseMove();
    void StringGridPrmMouseMove();
    void CheckBoxBurstClick();
    void FormShow();
    void FormCreate();

    // ---- wiring done at start-up
    CurrentFile* model;                           // the program's model
    ProgressSink* progress = nullptr;             // the progress window (preview)
    std::function<std::string()> parameterFolder;  // initial folder of the parameter dialogs

    // ---- grid tools
    std::vector<std::vector<QString>> Clip;  // [column][row]
    int ClipCols = 0;
    int ClipRows = 0;

    // ---- components
    StringGrid* StringGrid1;
    StringGrid* StringGridPrm;
    QLabel* LabelDT;
    QLineEdit* EdtDT;
    QScrollBar* UpDownDT;
    QComboBox* ComboBoxSamplingIntervalUnit;
    QCheckBox* CheckBoxBurst;
    QLabel* LabelNS;
    QLineEdit* EditNS;
    QLabel* LabelBInt;
    QLineEdit* EditBInt;
    QComboBox* ComboBoxBurstIntervalUnit;
    QLabel* LabelSkip;
    QComboBox* ComboBoxSkip;
    QLabel* LabelStep;
    QComboBox* ComboBoxStep;
    QLabel* LabelLast;
    QLineEdit* EditLast;
    QGroupBox* GroupBoxStartTime;
    QLineEdit* EditStartTime;
    QCheckBox* CheckBoxStartTime;
    QLabel* LabelRowStartTime;
    QLineEdit* EditRowStartTime;
    QScrollBar* UpDownRowStartTime;
    QLabel* LabelColStartTime;
    QLineEdit* EditColStartTime;
    QScrollBar* UpDownColStartTime;
    QProgressBar* Gauge1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn3;
    QPushButton* BitBtn2;
    QPushButton* BitBtn6;
    StatusPanels* StatusBar1;
    QMenu* PopupMenu1;
    QAction* SetReadItem;
    QAction* UnsetReadItem;
    QAction* Copy1;
    QAction* Truncate1;
    QAction* Paste1;
    FileDialog OpenDialog1{FileDialogKind::Open};
    FileDialog OpenDialog2{FileDialogKind::Open};
    FileDialog SaveDialog1{FileDialogKind::Save};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    // Read flags of the grid's columns from row 0 as typed ("Yes" reads).
    void takeReadRow();
    CommaFormTexts formTexts() const;
    CommaParameters presentParameters() const;
    void showChannel(int gridCol, int k);
    void setReadMarks(bool read);
    StringGrid* activeGrid() const;
    void copyBlock(StringGrid* grid, bool cut);
    void gridKeyDown(StringGrid* grid, int key);
    void columnMode(StringGrid* grid);
    void cellMode(StringGrid* grid, bool detachPopup);
    void syncLeftColumn(StringGrid* from, StringGrid* to);
    void syncWidths(StringGrid* from, StringGrid* to);
    ProgressSink& previewProgress();

    NullProgress noProgress_;
};

extern TFrmCommaData* FrmCommaData;

}  // namespace brine
