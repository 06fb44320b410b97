#pragma once
// The frame of the program's dialogs: a caption with a close button only,
// and a client area of fixed size.
class QDialog;
class QWidget;

namespace brine {

void SetFixedDialogFrame(QDialog& dialog, int clientWidth, int clientHeight);

// The window's edits show the start of a text the program puts in them (Qt
// would scroll to its end, showing "111E-5" of "1.736111E-5"): an edit not
// being typed into goes back to its start whenever its text changes, and now.
void ShowFilledTextsFromStart(QWidget& window);

}  // namespace brine
