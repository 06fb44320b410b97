#include "app/file_dialog_settings.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "platform/modal.h"

namespace brine {
namespace {

class QtFileChooser : public FileChooser {
public:
    bool run(FileDialogSettings& d, QWidget* parent) override {
        QFileDialog dialog(parent);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        const bool open = d.kind == FileDialogSettings::Kind::Open;
        dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        if (open)
            dialog.setFileMode(d.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        else
            dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);  // the callers ask their own questions
        QStringList filters;
        for (const auto& f : QtNameFilters(d.Filter)) filters << QString::fromStdString(f);
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            int index = d.FilterIndex >= 1 && d.FilterIndex <= filters.size() ? d.FilterIndex : 1;
            dialog.selectNameFilter(filters.at(index - 1));
        }
        if (!d.DefaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(d.DefaultExt));
        QFileInfo named(QString::fromStdString(d.FileName));
        if (!d.FileName.empty() && named.isAbsolute() && named.dir().exists())
            dialog.setDirectory(named.dir());
        else if (!d.InitialDir.empty() && QDir(QString::fromStdString(d.InitialDir)).exists())
            dialog.setDirectory(QString::fromStdString(d.InitialDir));
        if (!d.FileName.empty()) dialog.selectFile(named.fileName());

        if (ShowModal(dialog) != QDialog::Accepted) return false;
        QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty()) return false;
        d.Files.clear();
        for (const auto& f : chosen) d.Files.push_back(f.toStdString());
        d.FileName = d.Files.front();
        if (!filters.isEmpty()) d.FilterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
        if (d.FilterIndex < 1) d.FilterIndex = 1;
        return true;
    }
};

FileChooser* g_chooser = nullptr;

}  // namespace

bool FileDialogSettings::Execute(QWidget* parent) { return AppFileChooser().run(*this, parent); }

FileChooser& AppFileChooser() {
    static QtFileChooser qt;
    return g_chooser ? *g_chooser : qt;
}

void SetFileChooser(FileChooser* chooser) { g_chooser = chooser; }

std::vector<std::string> QtNameFilters(const std::string& filter) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= filter.size()) {
        auto bar = filter.find('|', start);
        if (bar == std::string::npos) bar = filter.size();
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<std::string> out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        // Qt wants blanks between patterns; "*.*" means every file, dotted or not.
        std::string patterns;
        std::size_t from = 0;
        const std::string& list = parts[i + 1];
        while (from <= list.size()) {
            auto semi = list.find(';', from);
            if (semi == std::string::npos) semi = list.size();
            std::string one = list.substr(from, semi - from);
            if (one == "*.*") one = "*";
            if (!one.empty()) patterns += (patterns.empty() ? "" : " ") + one;
            from = semi + 1;
        }
        out.push_back(parts[i] + " (" + patterns + ")");
    }
    return out;
}

}  // namespace brine
