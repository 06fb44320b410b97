#pragma once
// The merge dialog: the user adds files one by one, reviews the first file's
// time grid, edits the merged channel table and memo, and saves the merge as
// SDF or TSD.
#include <QDialog>
#include <string>

#include "tools/merge_combine.h"
#include "tools/merge_set.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace brine {

class CurrentFile;
class FileDialog;
class ProgressSink;
class StringGrid;

class TFrmCombineSDF : public QDialog {
    Q_OBJECT
public:
    explicit TFrmCombineSDF(QWidget* parent = nullptr);

    // Runs the open dialog for the first file and, when it is accepted,
    // shows the dialog modally.
    void Execute();
    // True when the file joins the set (its channels are then in the grids).
    bool AddFile(const std::string& fileName);
    // Writes the merge into TargetFile; true when it was written.
    bool CombineFiles();

    void Button1Click();
    void BitBtnCombineFilesClick();

    int FileCount() const { return Files.FileCount(); }

    // ---- wiring done at start-up
    CurrentFile* model;                  // the program's model
    ProgressSink* progress = nullptr;    // the progress window
    FileDialog* OpenDialog1 = nullptr;   // the main window's shared dialogs
    FileDialog* SaveDialog1 = nullptr;

    // ---- state
    MergeSet Files;
    std::string TargetFile;

    // ---- components
    QLabel* Label1;
    QListWidget* ListBoxCombinedFiles;
    QPushButton* Button1;
    QLabel* Label2;
    QPlainTextEdit* MemoCombinedFile;
    QLineEdit* LabeledEditStartTime;
    QLineEdit* LabeledEditNS;
    QLineEdit* LabeledEditSampInterval;
    QLineEdit* LabeledEditIteration;
    QLineEdit* LabeledEditBurstInterval;
    QLabel* Label3;
    StringGrid* StringGridItem;
    QLabel* LabelBurstCh;
    StringGrid* StringGridBurstCh;
    QGroupBox* GroupBox1;
    QLabel* Label4;
    QLineEdit* EditDTAllowance;
    QPushButton* BitBtnCombineFiles;
    QPushButton* BitBtn4;

private:
    void buildLayout();
    void setUpGrid(StringGrid* grid);
    void appendRows(StringGrid* grid, const MergeSource& f, int first, int count, int maxHeight);
    MergeSettings readSettings() const;

    QString shownMemo_;
};

extern TFrmCombineSDF* FrmCombineSDF;

}  // namespace brine
