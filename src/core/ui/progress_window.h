#pragma once
// The progress window every long job shares, shown without blocking. From
// Start until the job hides it (Hide), the windows that were open when the job
// started take no input, even once Cancel has hidden the window; a close
// request for the main window still reaches it, so that closing asks the job
// to stop, and closing one of the held dialogs asks it to stop too.
#include <QDialog>
#include <memory>

#include "base/safe_write/safe_replace.h"
#include "platform/api/progress.h"
#include "platform/modal.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace brine {

// It also tells the user when a save waits for another writer of its file
// (another job, or another copy of the program), and lets Cancel give the
// save up.
class TFrmProgress : public QDialog, public ProgressSink, public WriterWait {
    Q_OBJECT
public:
    explicit TFrmProgress(QWidget* parent = nullptr);

    void Start(const std::string& title, bool cancellable = true) override;
    void SetPercent(int percent) override;
    void SetComment(const std::string& text) override;
    bool Cancelled() const override { return cancelled_; }
    void Hide() override;

    bool keepWaiting(const std::filesystem::path& target, double seconds) override;
    void waitEnded() override;

    void BitBtn1Click();
    // True from Start until the job's Hide.
    bool Running() const { return hold_ != nullptr; }

    QLabel* LblComment;
    QPushButton* BitBtn1;
    QLabel* LblPercent;
    QProgressBar* ProgressBar1;

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    // The window's parts below a comment this tall, the window around them.
    void layOut(int commentHeight);

    std::unique_ptr<InputHold> hold_;  // the windows open when the job started
    int depth_ = 0;                    // jobs started inside a job end with their own Hide
    bool cancelled_ = false;
    bool cancellable_ = true;
    int lastPercent_ = -1;
    // A wait for another writer being shown, in a window of its own or in
    // the running job's, whose comment and button it gives back.
    bool waiting_ = false, ownWindow_ = false, keptCancellable_ = true, keptVisible_ = true;
    bool waitGivenUp_ = false;  // Cancel pressed while waiting (the job may have been cancelled before)
    QString keptComment_;
};

extern TFrmProgress* FrmProgress;

}  // namespace brine
