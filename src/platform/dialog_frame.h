#pragma once
// The frame of the program's dialogs: a caption with a close button only,
// and a client area of fixed size.
class QDialog;

namespace brine {

void SetFixedDialogFrame(QDialog& dialog, int clientWidth, int clientHeight);

}  // namespace brine
