#pragma once
// The frame of the program's dialogs: a caption with a close button only,
// and a client area of fixed size.
#include <QStyle>

class QDialog;
class QPushButton;
class QRect;
class QString;
class QWidget;

namespace brine {

void SetFixedDialogFrame(QDialog& dialog, int clientWidth, int clientHeight);

// The buttons that end the dialog: the one Enter presses, marked with the
// style's `icon` (OK or Save), and the cancel button, which Enter never
// presses. Each is a child of the dialog named `name`.
QPushButton* AddDefaultButton(QDialog& dialog, const char* name, const QString& text, const QRect& geometry,
                              QStyle::StandardPixmap icon);
QPushButton* AddCancelButton(QDialog& dialog, const char* name, const QString& text, const QRect& geometry);

// The window's edits show the start of a text the program puts in them (Qt
// would scroll to its end, showing "111E-5" of "1.736111E-5"): an edit not
// being typed into goes back to its start whenever its text changes, and now.
void ShowFilledTextsFromStart(QWidget& window);

}  // namespace brine
