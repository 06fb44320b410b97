#include "platform/html_help.h"

#include <QApplication>
#include <cstring>

#include "platform/help_viewer.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"

namespace brine {

std::unique_ptr<char[]> HelpFileName;

namespace {

using HtmlHelpEntry = QWidget* (*)(QWidget*, const char*, unsigned, std::uintptr_t);

HtmlHelpEntry g_entry = nullptr;
THelpViewer* g_viewer = nullptr;

// A help button of a modal dialog opens the viewer modal above it: shown
// modeless, the dialog would block every input to the viewer, even closing it.
void matchModality(QWidget& viewer) {
    QWidget* modal = QApplication::activeModalWidget();
    Qt::WindowModality wanted = modal && modal != &viewer ? Qt::ApplicationModal : Qt::NonModal;
    if (viewer.windowModality() == wanted) return;
    viewer.hide();
    viewer.setWindowModality(wanted);
}

QWidget* ShowInViewer(QWidget*, const char* file, unsigned command, std::uintptr_t) {
    if (command != HH_DISPLAY_TOPIC) return nullptr;
    HelpAddress address = SplitHelpAddress(file ? file : "");
    if (!g_viewer) g_viewer = new THelpViewer();
    matchModality(*g_viewer);
    TakeInput(*g_viewer);  // open before a modal dialog that asks for help again
    if (auto problem = g_viewer->ShowTopic(address.file, address.topic)) {
        AppPrompter().error(*problem);
        return nullptr;
    }
    return g_viewer;
}

}  // namespace

std::unique_ptr<char[]> StrToNewPChar(std::string_view s) {
    auto buffer = std::make_unique<char[]>(s.size() + 1);
    if (!s.empty()) std::memcpy(buffer.get(), s.data(), s.size());
    buffer[s.size()] = '\0';
    return buffer;
}

HelpAddress SplitHelpAddress(std::string_view address) {
    auto sep = address.find("::");
    if (sep == std::string_view::npos) return {std::string(address), {}};
    return {std::string(address.substr(0, sep)), std::string(address.substr(sep + 2))};
}

void LoadHtmlHelp() {
    if (g_entry) return;
    g_entry = &ShowInViewer;
}

void UnloadHtmlHelp() {
    g_entry = nullptr;
    delete g_viewer;
    g_viewer = nullptr;
}


QWidget* HtmlHelp(QWidget* caller, const char* file, unsigned command, std::uintptr_t data) {
    if (!g_entry) {
        AppPrompter().error("ヘルプを表示できません。\nヘルプ機能が読み込まれていません。");
        return nullptr;
    }
    return g_entry(caller, file, command, data);
}

}  // namespace brine

namespace brine {

QWidget* ShowHelpTopic(QWidget* caller, const std::string& topic) {
    std::string address = HelpFileName ? std::string(HelpFileName.get()) + "::/" + topic : std::string();
    return HtmlHelp(caller, address.empty() ? nullptr : address.c_str(), HH_DISPLAY_TOPIC, 0);
}

}  // namespace brine
