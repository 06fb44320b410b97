#include "platform/dialog_frame.h"

#include <QDialog>
#include <QLineEdit>

namespace brine {

void SetFixedDialogFrame(QDialog& dialog, int clientWidth, int clientHeight) {
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    dialog.setFixedSize(clientWidth, clientHeight);
}

void ShowFilledTextsFromStart(QWidget& window) {
    for (QLineEdit* edit : window.findChildren<QLineEdit*>()) {
        if (!edit->hasFocus()) edit->setCursorPosition(0);
        if (edit->property("brineShowsStart").toBool()) continue;
        edit->setProperty("brineShowsStart", true);
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] {
            if (!edit->hasFocus()) edit->setCursorPosition(0);
        });
    }
}

}  // namespace brine
