#include "platform/modal.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>
#include <exception>

#include "platform/dialog_frame.h"
#include "platform/guard.h"

namespace brine {
namespace {

ModalHook g_hook;
std::vector<QPointer<QDialog>> g_modal;  // dialogs ShowModal is showing, innermost last
std::vector<const InputHold*> g_holds;   // holds in force, innermost last

bool ownedBy(const QWidget* w, const QWidget* owner) {
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (p == owner) return true;
    return false;
}

// Ends the dialog's loop when the dialog hides, however it is hidden.
class HideWatch : public QObject {
public:
    HideWatch(QDialog& dialog, QEventLoop& loop) : QObject(&dialog), loop_(loop) { dialog.installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide && !e->spontaneous()) loop_.quit();
        return false;
    }

private:
    QEventLoop& loop_;
};

bool heldByAny(const QWidget* w) {
    for (const InputHold* h : g_holds)
        if (h->Holds(w)) return true;
    return false;
}

// A dialog the user closed under a job: closed once no hold keeps it and no
// message box is open above it, or forgotten when the program hides it first.
class PendingClose : public QObject {
public:
    static void Of(QWidget& dialog) {
        // No meta-object of its own, so not findChildren: it would take any child for one.
        for (QObject* child : dialog.children())
            if (auto* p = dynamic_cast<PendingClose*>(child); p && !p->dropped_) return;
        new PendingClose(dialog);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Hide && !e->spontaneous()) drop();
        return false;
    }

private:
    explicit PendingClose(QWidget& dialog) : QObject(&dialog), dialog_(dialog) {
        dialog.installEventFilter(this);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { tryClose(); });
        timer_.start(50);
    }
    void drop() {
        if (dropped_) return;
        dropped_ = true;
        timer_.stop();
        dialog_.removeEventFilter(this);
        deleteLater();
    }
    void tryClose() {
        if (dropped_ || QApplication::activeModalWidget() || heldByAny(&dialog_)) return;
        QPointer<QWidget> dialog(&dialog_);
        drop();
        Guarded([dialog] { dialog->close(); });
    }
    QWidget& dialog_;
    QTimer timer_;
    bool dropped_ = false;
};

}  // namespace

InputHold::InputHold(QWidget* keeper, std::function<void()> stopJob)
    : keeper_(keeper), active_(QApplication::activeWindow()), stopJob_(std::move(stopJob)) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w == keeper || (keeper && ownedBy(w, keeper))) continue;
        if (w->windowType() == Qt::ToolTip || w->windowType() == Qt::Popup) continue;
        windows_.push_back({w, w->focusWidget(), false});
    }
    // Disabling a window disables the windows it owns: those found enabled
    // after their owner are left to it.
    g_holds.push_back(this);
    for (Window& h : windows_) {
        h.window->installEventFilter(this);
        if (!h.window->isEnabled()) continue;
        h.window->setEnabled(false);
        h.disabled = true;
    }
}

bool InputHold::Holds(const QWidget* w) const {
    if (!held_) return false;
    for (const Window& h : windows_)
        if (h.window == w) return true;
    return false;
}

bool InputHold::eventFilter(QObject* watched, QEvent* e) {
    // The window manager's close of a held dialog. The innermost hold that
    // keeps the dialog sees it first (its filter came last) and ends it here.
    if (e->type() == QEvent::Close && e->spontaneous() && held_ && qobject_cast<QDialog*>(watched)) {
        e->ignore();
        if (stopJob_) {
            PendingClose::Of(*static_cast<QWidget*>(watched));
            stopJob_();
        }
        return true;
    }
    // Only the innermost hold answers: its keeper has the input.
    if (e->type() == QEvent::WindowActivate && held_ && g_holds.back() == this && keeper_ && keeper_->isVisible()) {
        keeper_->raise();
        keeper_->activateWindow();
    }
    return false;
}

void InputHold::Release() {
    if (!held_) return;
    held_ = false;
    std::erase(g_holds, this);
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
        if (!it->window) continue;
        it->window->removeEventFilter(this);
        if (it->disabled) it->window->setEnabled(true);
    }
    for (const Window& h : windows_)
        if (h.window && h.focus && h.window->isEnabled() && !h.window->focusWidget() && h.focus->isEnabled() &&
            h.focus->window() == h.window)
            h.focus->setFocus(Qt::OtherFocusReason);
    // Back to the window that was active, else to the innermost modal dialog
    // or the window the keeper belongs to: no window would take keys otherwise.
    auto usable = [this](QWidget* w) { return w && w != keeper_ && w->isVisible() && w->isEnabled(); };
    QWidget* next = active_;
    if (!usable(next)) next = ActiveModalDialog();
    if (!usable(next) && keeper_ && keeper_->parentWidget()) next = keeper_->parentWidget()->window();
    if (usable(next) && !(keeper_ && keeper_->isVisible() && keeper_->isActiveWindow())) next->activateWindow();
}

void TakeInput(QWidget& window) {
    if (!window.isEnabled()) window.setEnabled(true);
}

namespace {

// The dialog as the innermost one ShowModal shows, with the watch that ends
// its loop. Ended on every way out: an exception leaving the loop (or the
// showing) must not leave the dialog named nor its hide reaching a loop that
// is gone; the dialog is then hidden, having no loop to end it.
class ModalShowing {
public:
    ModalShowing(QDialog& dialog, QEventLoop& loop)
        : dialog_(&dialog), watch_(new HideWatch(dialog, loop)), depth_(g_modal.size()),
          exceptions_(std::uncaught_exceptions()) {
        g_modal.push_back(dialog_);
    }
    ~ModalShowing() {
        g_modal.resize(depth_);
        delete watch_.data();
        if (std::uncaught_exceptions() > exceptions_ && dialog_) dialog_->hide();
    }
    ModalShowing(const ModalShowing&) = delete;
    ModalShowing& operator=(const ModalShowing&) = delete;

private:
    QPointer<QDialog> dialog_;
    QPointer<HideWatch> watch_;
    std::size_t depth_;
    int exceptions_;
};

}  // namespace

int ShowModal(QDialog& dialog) {
    if (g_hook) return g_hook(dialog);
    QPointer<QDialog> guard(&dialog);
    InputHold hold(&dialog);
    TakeInput(dialog);
    dialog.setResult(0);
    QEventLoop loop;
    {
        ModalShowing showing(dialog, loop);
        ShowFilledTextsFromStart(dialog);
        dialog.show();
        dialog.raise();
        dialog.activateWindow();
        if (dialog.isVisible()) loop.exec(QEventLoop::DialogExec);
    }
    if (!guard) return QDialog::Rejected;
    hold.Release();
    return dialog.result();
}

void SetModalHook(ModalHook hook) { g_hook = std::move(hook); }

QDialog* ActiveModalDialog() {
    for (auto it = g_modal.rbegin(); it != g_modal.rend(); ++it)
        if (*it) return it->data();
    return nullptr;
}

void PumpMessages(bool force) {
    static QElapsedTimer timer;
    if (!force && timer.isValid() && timer.elapsed() < 30) return;
    timer.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace brine
