#pragma once
// Modal showing of dialogs and the holding of input while a dialog or a long
// job has it. Tests install a hook that drives the dialog instead of running
// its event loop.
#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QDialog;
class QWidget;

namespace brine {

using ModalHook = std::function<int(QDialog&)>;

// Shows the dialog modally and returns its result (QDialog::Accepted or
// Rejected). The other windows take no input meanwhile (see InputHold).
// With a hook installed, calls the hook instead.
int ShowModal(QDialog& dialog);
void SetModalHook(ModalHook hook);  // empty function removes it
// The innermost dialog ShowModal is showing, or none.
QDialog* ActiveModalDialog();

// Lets pending window messages run. Throttled: runs at most every 30 ms unless
// force is set.
void PumpMessages(bool force = false);

// Keeps every window open now, other than the keeper and the windows it owns,
// from taking input until released: each is disabled, so Qt gives it no key,
// click or input-method text, and its focus is put back on release; the
// window that was active is activated again. A held window the window manager
// activates (the user clicked it) hands the keys back to the keeper, which
// comes to the front. Qt's modality is not used for
// this: it would drop the window system's close request for the main window,
// which must reach it even while a dialog or a job holds input.
//
// A disabled window still gets the window manager's close, so a held dialog
// (a command's dialog, the site window, the header dialog) never closes while
// it is held: under a modal dialog the close is dropped, as Qt's modality
// would drop it; under a running job (a hold given stopJob) the job is asked
// to stop, as its Cancel button would, and the dialog closes once nothing
// holds it any more, so a job that cannot stop runs to its end first. The
// main window handles its own close (closing it ends the program), and other
// windows (the help viewer) close as always.
class InputHold : public QObject {
public:
    explicit InputHold(QWidget* keeper, std::function<void()> stopJob = {});
    ~InputHold() { Release(); }
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;
    void Release();
    // True while the window is one this hold keeps from input.
    bool Holds(const QWidget* w) const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    struct Window {
        QPointer<QWidget> window, focus;
        bool disabled = false;  // by this hold
    };
    std::vector<Window> windows_;
    QPointer<QWidget> keeper_, active_;
    std::function<void()> stopJob_;
    bool held_ = true;
};

// Lets a window shown while input is held take input. A window whose owner
// is held is disabled with it otherwise.
void TakeInput(QWidget& window);

}  // namespace brine
