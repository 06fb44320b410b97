#pragma once
// The extraction dialog: shows one SDF or TSD file's header, lets the user
// choose a window of bursts (or samples), the channels, the memo and the
// output, and writes the extract. The work is in extract_data/extract_save.
#include <QDialog>
#include <string>

#include "platform/api/file_dialog.h"
#include "tools/extract_data.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;

namespace brine {

class StatusPanels;

class TFrmEditSDF : public QDialog {
    Q_OBJECT
public:
    // Modal results of Execute.
    enum : int { mrOk = 1, mrCancel = 2, mrIgnore = 5 };

    explicit TFrmEditSDF(QWidget* parent = nullptr);

    // Reads the file's header into the model, prepares the controls and shows
    // the dialog modally. mrOk after a save or a declined overwrite, mrCancel
    // from Cancel or closing, mrIgnore from the skip button or when the
    // header cannot be read.
    int Execute(const std::string& fileName);
    // The request the controls describe (output kind from EditOutputFL).
    ExtractRequest CurrentRequest();

    void FormCreate();
    void ScrollBarFirstTimeChange();
    void ScrollBarLastTimeChange();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void Button2Click();
    void Memo1Change();

    // ---- wiring done at start-up
    CurrentFile* model;
    ProgressSink* progress = nullptr;

    // ---- fields
    std::string SourceFile;
    std::int32_t FirstSample = 0;
    std::int32_t LastSample = 0;
    std::int32_t FirstBurst = 0;
    std::int32_t LastBurst = 0;

    // ---- components
    QPlainTextEdit* Memo1;
    QGroupBox* GroupBox1;
    QLabel* Label1;
    QScrollBar* ScrollBarFirstTime;
    QLineEdit* EditFirstTime;
    QLabel* Label2;
    QScrollBar* ScrollBarLastTime;
    QLineEdit* EditLastTime;
    QLabel* Label3;
    QListWidget* CheckListBoxItem;
    QGroupBox* GroupBox2;
    QLineEdit* EditOutputFL;
    QPushButton* Button2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    StatusPanels* StatusBar1;
    FileDialog SaveDialog1{FileDialogKind::Save};

    void reject() override;

private:
    std::string memoText() const;
    QString shownMemo_;
    QString memoAccepted_;
};

extern TFrmEditSDF* FrmEditSDF;

}  // namespace brine
