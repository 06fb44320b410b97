#include "platform/qt_file_dialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include "platform/modal.h"

namespace brine {

QStringList QtNameFilters(const std::string& filter) {
    QStringList out;
    for (const FileFilterEntry& e : ParseFileFilter(filter)) {
        QStringList pats;
        auto add = [&pats](const QString& p) {
            if (!pats.contains(p)) pats << p;
        };
        for (const std::string& p : e.patterns) {
            QString q = QString::fromStdString(p);
            if (q == QLatin1String("*.*") || q == QLatin1String("*")) {
                add(QStringLiteral("*"));
                continue;
            }
            add(q);
            add(q.toLower());
            add(q.toUpper());
        }
        if (pats.isEmpty()) pats << QStringLiteral("*");
        out << QString::fromStdString(e.description) + QStringLiteral(" (") + pats.join(' ') + QLatin1Char(')');
    }
    return out;
}

namespace {

// Qt's own open dialog enables "Open" only for a typed name that its filter
// lists. Commands that tell a file's kind by its content must also open a
// typed name of an existing file that the filter hides, so the button is
// kept enabled whenever every typed name is an existing file.
class TypedNameOpener : public QObject {
public:
    explicit TypedNameOpener(QFileDialog& dialog) : QObject(&dialog), dialog_(dialog) {
        edit_ = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
            open_ = box->button(QDialogButtonBox::Open);
        if (!edit_ || !open_) return;  // the platform's own dialog: nothing to mend
        open_->installEventFilter(this);
        connect(edit_, &QLineEdit::textChanged, this, [this] { update(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        // Qt disables the button again whenever it re-checks the name.
        if (watched == open_ && e->type() == QEvent::EnabledChange) update();
        return false;
    }

private:
    void update() {
        if (open_->isEnabled() || !typedFilesExist()) return;
        open_->setEnabled(true);
    }

    // The names typed, one or several in double quotes, as files of the
    // dialog's folder unless absolute.
    bool typedFilesExist() const {
        const QString text = edit_->text();
        QStringList names;
        if (text.contains(QLatin1Char('"'))) {
            static const QRegularExpression quoted(QStringLiteral("\"([^\"]+)\""));
            for (auto it = quoted.globalMatch(text); it.hasNext();) names << it.next().captured(1);
        } else if (!text.isEmpty()) {
            names << text;
        }
        if (names.isEmpty()) return false;
        const QDir folder = dialog_.directory();
        for (const QString& name : names)
            if (!QFileInfo(folder.absoluteFilePath(name)).isFile()) return false;
        return true;
    }

    QFileDialog& dialog_;
    QLineEdit* edit_ = nullptr;
    QPushButton* open_ = nullptr;
};

// The index of the filter the dialog reports as selected: the full filter,
// or, with the details hidden, only its description.
qsizetype filterIndexOf(const QStringList& filters, const QString& selected) {
    if (qsizetype i = filters.indexOf(selected); i >= 0) return i;
    static const QRegularExpression details(QStringLiteral("\\s*\\([^()]*\\)$"));
    for (qsizetype i = 0; i < filters.size(); ++i)
        if (QString(filters[i]).remove(details).simplified() == selected.simplified()) return i;
    return -1;
}

}  // namespace

bool QtFileChooser::Execute(FileDialogKind kind, FileDialogSettings& s) {
    QFileDialog dlg(QApplication::activeWindow());
    TakeInput(dlg);  // the active window may be one held by a modal dialog
    if (!s.Title.empty()) dlg.setWindowTitle(QString::fromStdString(s.Title));
    if (kind == FileDialogKind::Save) {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        // The callers ask their own overwrite questions.
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(s.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        new TypedNameOpener(dlg);
    }
    QStringList filters = QtNameFilters(s.Filter);
    if (!filters.isEmpty()) {
        // The descriptions already name their patterns; the list Qt would
        // append (every case spelling) only repeats them and gets cut.
        dlg.setOption(QFileDialog::HideNameFilterDetails, true);
        dlg.setNameFilters(filters);
        int i = s.FilterIndex - 1;
        if (i >= 0 && i < filters.size()) dlg.selectNameFilter(filters[i]);
    }
    if (!s.DefaultExt.empty()) dlg.setDefaultSuffix(QString::fromStdString(s.DefaultExt));
    QFileInfo proposed(QString::fromStdString(s.FileName));
    if (!s.InitialDir.empty())
        dlg.setDirectory(QString::fromStdString(s.InitialDir));
    else if (!s.FileName.empty() && proposed.path() != QLatin1String("."))
        dlg.setDirectory(proposed.absolutePath());
    if (!s.FileName.empty()) dlg.selectFile(proposed.fileName());

    if (dlg.exec() != QDialog::Accepted) return false;
    QStringList chosen = dlg.selectedFiles();
    if (chosen.isEmpty()) return false;
    s.Files.clear();
    for (const QString& f : chosen) s.Files.push_back(f.toStdString());
    s.FileName = s.Files.front();
    qsizetype idx = filterIndexOf(filters, dlg.selectedNameFilter());
    if (idx >= 0) s.FilterIndex = static_cast<int>(idx) + 1;
    return true;
}

namespace {
FileChooser* g_chooser = nullptr;
}

FileChooser& AppFileChooser() {
    static QtFileChooser qt;
    return g_chooser ? *g_chooser : qt;
}

void SetAppFileChooser(FileChooser* chooser) { g_chooser = chooser; }

}  // namespace brine
