#include "platform/qt_prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QTextDocument>
#include <vector>

#include "platform/modal.h"
#include "platform/qt_text.h"

namespace brine {
namespace {

// Qt's message box wraps its text only where words break and stops growing
// at a width of its own, so a path wider than that was cut off. Once the box
// has its width, every run wider than its text's line breaks anywhere.
class MessageBox : public QMessageBox {
public:
    MessageBox(QWidget* parent, const QString& text) : QMessageBox(parent), text_(text) {
        setTextFormat(Qt::PlainText);  // a name with "<" is no markup
        setText(text);
        connect(QApplication::clipboard(), &QClipboard::changed, this, &MessageBox::restoreCopied);
    }

protected:
    void showEvent(QShowEvent* e) override {
        QMessageBox::showEvent(e);  // sizes the box for the text
        auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        if (!label) return;
        layout()->activate();  // the label as wide as the box now is
        qreal width = label->contentsRect().width() - 2 * label->margin();
        // Selectable text is laid out in a document, inside its margins.
        if (const auto* document = label->findChild<QTextDocument*>()) width -= 2 * document->documentMargin();
        const QString shown = WrapLongRuns(text_, label->font(), width, &added_);
        // The box sizes itself again; it never grows, so what fits still fits.
        if (shown != text()) setText(shown);
    }

private:
    // Text selected and copied from the box goes without the spaces put in.
    void restoreCopied(QClipboard::Mode mode) {
        QClipboard* clipboard = QApplication::clipboard();
        const QString copied = clipboard->text(mode);
        const QString shown = text();
        const qsizetype at = copied.isEmpty() ? -1 : shown.indexOf(copied);
        if (at < 0 || at + copied.size() > static_cast<qsizetype>(added_.size())) return;
        QString kept;
        for (qsizetype i = at; i < at + copied.size(); ++i)
            if (!added_[static_cast<std::size_t>(i)]) kept += shown[i];
        if (kept.size() != copied.size()) clipboard->setText(kept, mode);
    }

    QString text_;
    std::vector<bool> added_;
};

}  // namespace

MsgResult QtPrompter::showBox(MsgType type, const std::string& text, MsgButtons buttons) {
    MessageBox box(QApplication::activeWindow(), QString::fromStdString(text));
    TakeInput(box);  // the active window may be one held by a job
    QString title = QString::fromStdString(ApplicationTitle());
    switch (type) {
        case MsgType::Warning: box.setIcon(QMessageBox::Warning); title = QStringLiteral("警告"); break;
        case MsgType::Error: box.setIcon(QMessageBox::Critical); title = QStringLiteral("エラー"); break;
        case MsgType::Information: box.setIcon(QMessageBox::Information); title = QStringLiteral("情報"); break;
        case MsgType::Confirmation: box.setIcon(QMessageBox::Question); title = QStringLiteral("確認"); break;
    }
    box.setWindowTitle(title);
    switch (buttons) {
        case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case MsgButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case MsgButtons::YesNoDefaultNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::No);
            break;
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
