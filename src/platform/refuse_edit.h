#pragma once
// Undoing a change the user typed into a text edit that the dialog does not
// accept (too long, or characters the file cannot hold).
#include <QString>

class QPlainTextEdit;

namespace brine {

// Puts back `accepted`, the text before the change, with the cursor where the
// typing began, raises no change of its own, and beeps.
void RefuseEdit(QPlainTextEdit& edit, const QString& accepted);

}  // namespace brine
