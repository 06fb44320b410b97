#pragma once
// The link dialog: lists the files to link end to end in time, shows the
// output's intervals and channels as the first file defines them, and saves
// the linked file.
#include <QDialog>
#include <string>
#include <vector>

#include "core/current_file.h"
#include "platform/api/file_dialog.h"
#include "platform/api/progress.h"
#include "tools/link_set.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace brine {

class StringGrid;

class TFrmLinkSDF : public QDialog {
    Q_OBJECT
public:
    explicit TFrmLinkSDF(CurrentFile& model, QWidget* parent = nullptr);

    // The main window's shared dialogs and the progress window, set at start-up.
    FileDialog* OpenDialog1 = nullptr;
    FileDialog* SaveDialog1 = nullptr;
    ProgressSink* progress = nullptr;
    FileChooser* chooser = nullptr;  // the program's chooser when not set

    // Takes the files chosen in OpenDialog1 and shows the dialog modally
    // when they were accepted. Returns the modal result (Rejected when not shown).
    int Execute();
    bool AddFile(const std::string& name);
    bool AddFilesSorted(const std::vector<std::string>& names);

    // Event handlers.
    void Button1Click();
    void BitBtnLinkFilesClick();
    void Delete1Click();
    void PopupMenu1Popup();
    void Memo_NewChange();

    // The files and the output they define.
    LinkSet Set;

    // ---- components
    QLabel* Label1;
    QPlainTextEdit* Memo_New;
    QLabel* Label2;
    QLineEdit* EditNS;
    QLabel* Label3;
    QLineEdit* EditSampInterval;
    QLabel* Label4;
    QLineEdit* EditBurstInterval;
    QComboBox* ComboBoxBurstInterUnit;
    StringGrid* StringGridFL;
    QMenu* PopupMenu1;
    QAction* Delete1;
    QLabel* Label5;
    QLineEdit* EditTolerance;
    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    StringGrid* StringGridItem;
    QWidget* TabSheet2;
    StringGrid* StringGridBurstCh;
    QPushButton* Button1;
    QPushButton* BitBtnLinkFiles;
    QPushButton* BitBtn4;

private:
    void buildLayout();
    void useServices();
    FileChooser& fileChooser();
    // Shows the set after files were added; `wasEmpty`: the set had no file before.
    void showSet(bool wasEmpty);
    void showChannels(StringGrid* grid, int first, int count, int maxHeight);

    QString memoAccepted_;
};

extern TFrmLinkSDF* FrmLinkSDF;

}  // namespace brine
