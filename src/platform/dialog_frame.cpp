#include "platform/dialog_frame.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

namespace brine {

void SetFixedDialogFrame(QDialog& dialog, int clientWidth, int clientHeight) {
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    dialog.setFixedSize(clientWidth, clientHeight);
}

namespace {

QPushButton* addButton(QDialog& dialog, const char* name, const QString& text, const QRect& geometry,
                       QStyle::StandardPixmap icon) {
    auto* button = new QPushButton(text, &dialog);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setIcon(dialog.style()->standardIcon(icon));
    return button;
}

}  // namespace

QPushButton* AddDefaultButton(QDialog& dialog, const char* name, const QString& text, const QRect& geometry,
                              QStyle::StandardPixmap icon) {
    QPushButton* button = addButton(dialog, name, text, geometry, icon);
    button->setDefault(true);
    return button;
}

QPushButton* AddCancelButton(QDialog& dialog, const char* name, const QString& text, const QRect& geometry) {
    QPushButton* button = addButton(dialog, name, text, geometry, QStyle::SP_DialogCancelButton);
    button->setAutoDefault(false);
    return button;
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
