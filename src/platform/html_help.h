#pragma once
// The program's help binding: the compiled help file next to the executable,
// shown by the in-program viewer. Callers pass the help file, optionally
// followed by "::/" and a topic page, exactly as they would to HTML Help.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class QWidget;

namespace brine {

constexpr unsigned HH_DISPLAY_TOPIC = 0;

// The help file's path: the executable's path with ".chm". Set at the main
// window's first showing and kept for the run; empty (null) before.
extern std::unique_ptr<char[]> HelpFileName;

// A zero-terminated copy of s; the caller owns it.
std::unique_ptr<char[]> StrToNewPChar(std::string_view s);

// Shows the file's default page, or the topic after "::", in the help
// viewer. Only HH_DISPLAY_TOPIC is understood. Returns the viewer window, or
// nullptr after telling the user why nothing could be shown.
QWidget* HtmlHelp(QWidget* caller, const char* file, unsigned command, std::uintptr_t data);

// Shows one topic page of the program's help file (HelpFileName + "::/" + topic).
QWidget* ShowHelpTopic(QWidget* caller, const std::string& topic);

// Binds and unbinds the viewer. HtmlHelp without a bound viewer shows a
// message instead of failing.
void LoadHtmlHelp();
void UnloadHtmlHelp();

// "book.chm::/page.htm#part" → file "book.chm", topic "/page.htm#part";
// without "::" the topic is empty (the file's default page).
struct HelpAddress {
    std::string file;
    std::string topic;
};
HelpAddress SplitHelpAddress(std::string_view address);

}  // namespace brine
