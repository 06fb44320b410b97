#pragma once
// The progress window every long job shares. Application-modal but shown
// without blocking: while a job runs only its Cancel button takes input.
#include <QDialog>

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
    void reject() override;

private:
    bool cancelled_ = false;
    bool cancellable_ = true;
    int lastPercent_ = -1;
};

extern TFrmProgress* FrmProgress;

}  // namespace brine
