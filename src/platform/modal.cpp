#include "platform/modal.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>

#include "platform/dialog_frame.h"

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

}  // namespace

InputHold::InputHold(QWidget* keeper) : keeper_(keeper), active_(QApplication::activeWindow()) {
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

bool InputHold::eventFilter(QObject*, QEvent* e) {
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

int ShowModal(QDialog& dialog) {
    if (g_hook) return g_hook(dialog);
    QPointer<QDialog> guard(&dialog);
    InputHold hold(&dialog);
    TakeInput(dialog);
    dialog.setResult(0);
    QEventLoop loop;
    auto* watch = new HideWatch(dialog, loop);
    g_modal.push_back(guard);
    ShowFilledTextsFromStart(dialog);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    if (dialog.isVisible()) loop.exec(QEventLoop::DialogExec);
    g_modal.pop_back();
    if (!guard) return QDialog::Rejected;
    delete watch;
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
