#pragma once
// The progress window every long job shares, shown without blocking. While
// it shows, the windows that were open when the job started take no input
// (only the Cancel button does), but a close request for the main window
// still reaches it, so that closing asks the job to stop. Qt's modality would
// drop such a request from the window system altogether.
#include <QDialog>
#include <QPointer>
#include <vector>

#include "platform/api/progress.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace brine {

class TFrmProgress : public QDialog, public ProgressSink {
    Q_OBJECT
public:
    explicit TFrmProgress(QWidget* parent = nullptr);

    void Start(const std::string& title, bool cancellable = true) override;
    void SetPercent(int percent) override;
    void SetComment(const std::string& text) override;
    bool Cancelled() const override { return cancelled_; }
    void Hide() override;

    void BitBtn1Click();

    QLabel* LblComment;
    QPushButton* BitBtn1;
    QLabel* LblPercent;
    QProgressBar* ProgressBar1;

protected:
    void closeEvent(QCloseEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void holdInput();
    void releaseInput();

    std::vector<QPointer<QWidget>> held_;  // windows that take no input meanwhile
    bool holding_ = false;
    bool cancelled_ = false;
    bool cancellable_ = true;
    int lastPercent_ = -1;
};

extern TFrmProgress* FrmProgress;

}  // namespace brine
