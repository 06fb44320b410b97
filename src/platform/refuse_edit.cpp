#include "platform/refuse_edit.h"

#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextCursor>
#include <algorithm>

#include "platform/qt_prompter.h"

namespace brine {

void RefuseEdit(QPlainTextEdit& edit, const QString& accepted) {
    const QString now = edit.toPlainText();
    const int pos = edit.textCursor().position() - static_cast<int>(now.size() - accepted.size());
    {
        QSignalBlocker block(&edit);
        edit.setPlainText(accepted);
        QTextCursor c = edit.textCursor();
        c.setPosition(std::clamp(pos, 0, static_cast<int>(accepted.size())));
        edit.setTextCursor(c);
    }
    AppPrompter().beep();
}

}  // namespace brine
