#include "platform/qt_prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include "platform/modal.h"

namespace brine {

MsgResult QtPrompter::show(MsgType type, const std::string& text, MsgButtons buttons) {
    QMessageBox box(QApplication::activeWindow());
    TakeInput(box);  // the active window may be one held by a job
    QString title = QString::fromStdString(ApplicationTitle());
    switch (type) {
        case MsgType::Warning: box.setIcon(QMessageBox::Warning); title = QStringLiteral("警告"); break;
        case MsgType::Error: box.setIcon(QMessageBox::Critical); title = QStringLiteral("エラー"); break;
        case MsgType::Information: box.setIcon(QMessageBox::Information); title = QStringLiteral("情報"); break;
        case MsgType::Confirmation: box.setIcon(QMessageBox::Question); title = QStringLiteral("確認"); break;
    }
    box.setWindowTitle(title);
    box.setText(QString::fromStdString(text));
    switch (buttons) {
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case MsgButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case MsgButtons::YesIgnore:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::Ignore);
            // The question names this button.
            box.button(QMessageBox::Ignore)->setText(QStringLiteral("無視"));
            break;
        case MsgButtons::Yes:
            box.setStandardButtons(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::Yes);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return MsgResult::Yes;
        case QMessageBox::No: return MsgResult::No;
        case QMessageBox::Cancel: return MsgResult::Cancel;
        case QMessageBox::Ignore: return MsgResult::Ignore;
        default: return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
}

void QtPrompter::beep() { QApplication::beep(); }

namespace {
Prompter* g_override = nullptr;
std::string g_title;
}  // namespace

void SetApplicationTitle(const std::string& title) { g_title = title; }
const std::string& ApplicationTitle() { return g_title; }

Prompter& AppPrompter() {
    static QtPrompter qt;
    return g_override ? *g_override : qt;
}

void SetAppPrompter(Prompter* p) { g_override = p; }

}  // namespace brine
