#include "platform/qt_file_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>

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

bool QtFileChooser::Execute(FileDialogKind kind, FileDialogSettings& s) {
    QFileDialog dlg(QApplication::activeWindow());
    if (!s.Title.empty()) dlg.setWindowTitle(QString::fromStdString(s.Title));
    if (kind == FileDialogKind::Save) {
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        // The callers ask their own overwrite questions.
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(s.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }
    QStringList filters = QtNameFilters(s.Filter);
    if (!filters.isEmpty()) {
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
    int idx = filters.indexOf(dlg.selectedNameFilter());
    if (idx >= 0) s.FilterIndex = idx + 1;
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
