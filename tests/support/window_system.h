#pragma once
// Input as the window system delivers it, so that what Qt does with a user's
// input applies: modality, disabled windows, the active window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QObject>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <deque>
#include <functional>
#include <qpa/qwindowsysteminterface.h>

#include "platform/modal.h"

namespace brine::test {

inline QWindow* windowOf(QWidget& w) {
    w.window()->winId();
    return w.window()->windowHandle();
}

// A left click in the middle of a widget, through its window.
inline void clickThroughWindow(QWidget& w) {
    QWidget* top = w.window();
    QTest::mouseClick(windowOf(*top), Qt::LeftButton, {}, w.mapTo(top, w.rect().center()));
}

// A key typed where the keyboard is: into the active window.
inline void typeKey(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    if (QWindow* w = QGuiApplication::focusWindow()) QTest::keyClick(w, key, modifiers);
}

inline void typeText(const QString& text) {
    for (QChar c : text)
        if (QWindow* w = QGuiApplication::focusWindow()) QTest::keyClick(w, c.toLatin1());
}

// Text an input method commits (how Japanese typing arrives): it goes to
// whatever has the focus.
inline void commitText(const QString& text) {
    QInputMethodEvent e;
    e.setCommitString(text);
    if (QObject* o = QGuiApplication::focusObject()) QCoreApplication::sendEvent(o, &e);
}

// The user clicks a window's frame and the window manager makes it active.
inline void activateFromWindowManager(QWidget& w) {
    QWindowSystemInterface::handleWindowActivated<QWindowSystemInterface::SynchronousDelivery>(windowOf(w));
}

// The window manager's close button.
inline void closeFromWindowManager(QWidget& w) {
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(windowOf(w));
}

// Acts on windows as they come: each step runs once, in order, from the
// event loop as soon as its condition holds, so a step may start a dialog's
// or a job's own loop and the next steps still run inside it.
class WindowScript {
public:
    WindowScript() { poll(); }
    void then(std::function<bool()> ready, std::function<void()> act) { steps_.push_back({std::move(ready), std::move(act)}); }
    bool done() const { return steps_.empty(); }

private:
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };
    void poll() {
        QTimer::singleShot(0, &context_, [this] {
            poll();
            if (steps_.empty()) return;
            if (!steps_.front().ready()) {
                if (waited_.elapsed() > 5000) giveUp();
                return;
            }
            auto act = std::move(steps_.front().act);
            steps_.pop_front();
            waited_.start();
            act();
        });
    }
    // A window nobody expected (a message box, say) would wait for ever:
    // the step fails and the window is closed.
    void giveUp() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) modal = ActiveModalDialog();
        ADD_FAILURE() << "a window step never came; open: "
                      << (modal ? modal->objectName().toStdString() + " " + modal->windowTitle().toStdString()
                                : std::string("none"));
        steps_.clear();
        if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
    QObject context_;
    std::deque<Step> steps_;
    QElapsedTimer waited_ = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
};

// Lets events run until the condition holds, for at most a few seconds.
inline bool waitFor(const std::function<bool()>& condition, int ms = 5000) {
    return QTest::qWaitFor(condition, ms);
}

}  // namespace brine::test
