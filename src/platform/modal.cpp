#include "platform/modal.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>

namespace brine {
namespace {
ModalHook g_hook;
}

int ShowModal(QDialog& dialog) {
    if (g_hook) return g_hook(dialog);
    return dialog.exec();
}

void SetModalHook(ModalHook hook) { g_hook = std::move(hook); }

void PumpMessages(bool force) {
    static QElapsedTimer timer;
    if (!force && timer.isValid() && timer.elapsed() < 30) return;
    timer.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace brine
