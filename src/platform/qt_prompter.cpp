#include "platform/qt_prompter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <vector>

#include "platform/modal.h"

namespace brine {
namespace {

// The text as shown: each run that no line break may split and that is
// wider than `width` (a long path) gets a zero-width space between its
// characters, so that it wraps anywhere; the rest wraps at words and between
// Japanese characters as before. `added` marks the spaces put in.
QString fitToWidth(const QString& text, const QFont& font, qreal width, std::vector<bool>& added) {
    const QFontMetricsF metrics(font);
    QString out;
    added.clear();
    auto append = [&](const QString& part, bool put) {
        out += part;
        added.insert(added.end(), part.size(), put);
    };
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype from = 0;
    for (qsizetype to = breaks.toNextBoundary(); to != -1; to = breaks.toNextBoundary()) {
        const QString run = text.mid(from, to - from);
        from = to;
        // White space at a line's end may overhang it.
        qsizetype end = run.size();
        while (end > 0 && run[end - 1].isSpace()) --end;
        if (metrics.horizontalAdvance(run.left(end)) <= width) {
            append(run, false);
            continue;
        }
        QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, run.left(end));
        qsizetype c = 0;
        for (qsizetype next = characters.toNextBoundary(); next != -1; next = characters.toNextBoundary()) {
            if (c > 0) append(QString(QChar(0x200B)), true);
            append(run.mid(c, next - c), false);
            c = next;
        }
        append(run.mid(end), false);
    }
    return out;
}

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
        const QString shown = fitToWidth(text_, label->font(), width, added_);
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
