#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "app/main_window.h"
#include "platform/api/scripted.h"
#include "platform/help_viewer.h"
#include "platform/html_help.h"
#include "platform/qt_prompter.h"

namespace brine {
namespace {

class PrompterScope {
public:
    PrompterScope() { SetAppPrompter(&prompter); }
    ~PrompterScope() { SetAppPrompter(nullptr); }
    ScriptedPrompter prompter;
};

TEST(HelpBinding, AddressesSplitAtTheTopicSeparator) {
    auto plain = SplitHelpAddress("/opt/brine/brinelog4.chm");
    EXPECT_EQ(plain.file, "/opt/brine/brinelog4.chm");
    EXPECT_EQ(plain.topic, "");
    auto topic = SplitHelpAddress("/opt/brine/brinelog4.chm::/Vector.htm");
    EXPECT_EQ(topic.file, "/opt/brine/brinelog4.chm");
    EXPECT_EQ(topic.topic, "/Vector.htm");
    auto anchored = SplitHelpAddress("a.chm::/PracticalSalinity.htm#p");
    EXPECT_EQ(anchored.topic, "/PracticalSalinity.htm#p");

    auto buffer = StrToNewPChar("ab::/c");
    EXPECT_EQ(std::memcmp(buffer.get(), "ab::/c", 7), 0);
    EXPECT_EQ(StrToNewPChar("")[0], '\0');
}

// Clicks the first link to `page` in the viewer, as a user's mouse would.
bool clickLink(THelpViewer& viewer, const QString& page) {
    QTextBrowser& b = *viewer.Browser;
    for (QTextBlock block = b.document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment f = it.fragment();
            if (f.charFormat().anchorHref() != page) continue;
            QTextCursor c(b.document());
            c.setPosition(f.position() + 1);
            b.setTextCursor(c);
            b.ensureCursorVisible();
            QPoint at = b.cursorRect(c).center();
            for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent e(t, at, b.viewport()->mapToGlobal(at), Qt::LeftButton,
                              t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(b.viewport(), &e);
            }
            return true;
        }
    return false;
}

TEST(HelpBinding, ShowsTheDefaultPageAndTopicsOfTheBuiltHelpFile) {
    PrompterScope p;
    QWidget* shown = HtmlHelp(nullptr, BRINE_TEST_HELP_CHM, HH_DISPLAY_TOPIC, 0);
    ASSERT_NE(shown, nullptr) << p.prompter.lastText();
    auto* viewer = qobject_cast<THelpViewer*>(shown);
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->Browser->source().path(), "/index.htm");
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Brinelog4 ヘルプ"));

    for (const char* topic : {"Vector.htm", "PracticalSalinity.htm"}) {
        std::string address = std::string(BRINE_TEST_HELP_CHM) + "::/" + topic;
        auto name = StrToNewPChar(address);
        ASSERT_EQ(HtmlHelp(nullptr, name.get(), HH_DISPLAY_TOPIC, 0), shown);
        EXPECT_EQ(viewer->Browser->source().path(), QString("/") + topic);
    }
    EXPECT_TRUE(viewer->Browser->toPlainText().contains(QStringLiteral("PSS-78")));
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("実用塩分の計算"));
    EXPECT_TRUE(p.prompter.shown.empty());

    // Links inside a page resolve within the same file.
    QVariant linked = viewer->Browser->loadResource(QTextDocument::HtmlResource,
                                                    viewer->Browser->source().resolved(QUrl("Vector.htm")));
    EXPECT_TRUE(linked.toByteArray().contains("Nortek"));

    // The caption names the page shown, clicked to and back.
    ASSERT_EQ(HtmlHelp(nullptr, BRINE_TEST_HELP_CHM, HH_DISPLAY_TOPIC, 0), shown);
    ASSERT_TRUE(clickLink(*viewer, "Vector.htm"));
    EXPECT_EQ(viewer->Browser->source().path(), "/Vector.htm");
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Nortek Vector データの変換"));
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Left, Qt::AltModifier);
    QApplication::sendEvent(viewer->Browser, &back);
    EXPECT_EQ(viewer->Browser->source().path(), "/index.htm");
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("Brinelog4 ヘルプ"));
    viewer->close();
}

TEST(HelpBinding, AHelpButtonOfAModalDialogGetsAViewerItCanUse) {
    PrompterScope p;
    QDialog prompt;
    QWidget* viewer = nullptr;
    QWidget* activeModal = nullptr;
    QTimer::singleShot(0, &prompt, [&] {
        viewer = ShowHelpTopic(&prompt, "PracticalSalinity.htm");
        activeModal = QApplication::activeModalWidget();
        if (viewer) viewer->close();
        prompt.reject();
    });
    HelpFileName = StrToNewPChar(BRINE_TEST_HELP_CHM);
    prompt.exec();
    HelpFileName.reset();
    ASSERT_NE(viewer, nullptr) << p.prompter.lastText();
    EXPECT_EQ(activeModal, viewer);  // above the dialog, not blocked by it

    // From the menu, with no modal dialog, the viewer leaves the program usable.
    ASSERT_EQ(HtmlHelp(nullptr, BRINE_TEST_HELP_CHM, HH_DISPLAY_TOPIC, 0), viewer);
    EXPECT_EQ(viewer->windowModality(), Qt::NonModal);
    viewer->close();
}

// The page of each menu command; the contents page links every one of them.
const std::map<std::string, std::string> kCommandPages = {
    {"ADDCDRF1", "ConvertToSdf.htm"},      {"SDFTSDT1", "SdfToTsd.htm"},
    {"WavehunterW1", "WaveHunter.htm"},    {"MDSMkV1", "MdsMkV.htm"},
    {"CompactWH", "CompactWH.htm"},        {"CompactEMC1", "CompactEM.htm"},
    {"CompactCLWL1", "CompactOther.htm"},  {"InfinityI1", "InfinityEM.htm"},
    {"InfinityCLWJ1", "InfinityOther.htm"}, {"VectorV1", "Vector.htm"},
    {"DL2", "DL2.htm"},                    {"Meteolorogical", "Jma.htm"},
    {"PortData", "Nowphas.htm"},           {"FishingPort1", "FishingPort.htm"},
    {"C1", "CommaData.htm"},               {"TableinDateYear", "YearlyTableByDate.htm"},
    {"T1", "YearlyTableByTenDays.htm"},    {"CADMASSURFC1", "CadmasSurf.htm"},
    {"SDFE1", "Extract.htm"},              {"CombineSDF", "Merge.htm"},
    {"Link", "Link.htm"},                  {"Exit1", "Exit.htm"},
    {"L1", "Location.htm"},                {"Contents1", "index.htm"},
    {"V1", "Version.htm"},
};

std::vector<std::string> linksOf(const QByteArray& page) {
    static const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)"));
    std::vector<std::string> out;
    for (auto it = href.globalMatch(QString::fromUtf8(page)); it.hasNext();) {
        QString target = it.next().captured(1);
        if (!target.isEmpty()) out.push_back(target.toStdString());
    }
    return out;
}

// A quote after a digit or letter separates digits (2'000) rather than
// opening a character literal.
bool digitSeparator(const std::string& code, std::size_t i) {
    return i > 0 && std::isalnum(static_cast<unsigned char>(code[i - 1]));
}

// Offset just past the string or character literal opening at `i`; its text,
// escapes decoded, goes to `text`.
std::size_t literalEnd(const std::string& code, std::size_t i, std::string* text = nullptr) {
    const char close = code[i];
    for (++i; i < code.size() && code[i] != close; ++i) {
        if (code[i] == '\\' && i + 1 < code.size()) {
            const char escaped = code[++i];
            if (text) *text += escaped == 'n' ? '\n' : escaped;
        } else if (text) {
            *text += code[i];
        }
    }
    return std::min(i + 1, code.size());
}

bool opensLiteral(const std::string& code, std::size_t i) {
    return code[i] == '"' || (code[i] == '\'' && !digitSeparator(code, i));
}

// A source of the program with its comments blanked out, so that offsets
// and line numbers stay the file's.
struct Source {
    std::string path;  // under src/
    std::string code;
};

std::vector<Source> programSources() {
    std::vector<Source> out;
    const std::filesystem::path root = BRINE_SOURCE_DIR "/src";
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        if (e.path().extension() != ".cpp" && e.path().extension() != ".h") continue;
        std::ifstream in(e.path());
        std::string code((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (std::size_t i = 0; i < code.size();) {
            std::size_t end = i + 1;
            if (code.compare(i, 2, "//") == 0)
                end = std::min(code.find('\n', i), code.size());
            else if (code.compare(i, 2, "/*") == 0)
                end = std::min(code.find("*/", i + 2), code.size() - 2) + 2;
            else if (opensLiteral(code, i))
                end = literalEnd(code, i);
            if (code[i] == '/' && end > i + 1)
                for (std::size_t k = i; k < end; ++k)
                    if (code[k] != '\n') code[k] = ' ';
            i = end;
        }
        out.push_back({std::filesystem::relative(e.path(), root).generic_string(), std::move(code)});
    }
    std::sort(out.begin(), out.end(), [](const Source& a, const Source& b) { return a.path < b.path; });
    return out;
}

// Every string literal of the program's sources, escapes decoded; a caption
// also as the screen shows it, its accelerator's "&" left out.
std::vector<std::string> programTexts() {
    static const QRegularExpression accelerator(QStringLiteral("&(.)"));
    std::vector<std::string> out;
    for (const Source& s : programSources())
        for (std::size_t i = 0; i < s.code.size(); ++i) {
            if (!opensLiteral(s.code, i)) continue;
            std::string text;
            const std::size_t end = literalEnd(s.code, i, &text);
            if (s.code[i] == '"') {
                if (text.find('&') != std::string::npos)
                    out.push_back(QString::fromStdString(text).replace(accelerator, "\\1").toStdString());
                out.push_back(std::move(text));
            }
            i = end - 1;
        }
    return out;
}

// What each question the program can ask (Yes/No, Yes/No/Cancel, Yes/Ignore)
// says, found in the sources: the text given to the message box, followed
// through the constants, variables and parameters it comes from to the
// literals it is made of.
class QuestionFinder {
public:
    struct Question {
        std::string where;                // file:line
        std::vector<std::string> pieces;  // the literal parts, in order
    };

    explicit QuestionFinder(const std::vector<Source>& all) : all_(all) {
        for (const Source& s : all_) index(s);
    }

    std::vector<Question> questionsOf(const Source& s) {
        std::vector<Question> out;
        const std::string& c = s.code;
        auto add = [&](std::size_t at, std::pair<std::size_t, std::size_t> text) {
            Question q;
            seen_.clear();
            q.where = s.path + ":" + std::to_string(std::count(c.begin(), c.begin() + at, '\n') + 1);
            resolve(s, text.first, text.second, 0, q.pieces);
            out.push_back(std::move(q));
        };
        static const std::regex buttons(R"(MsgButtons::(YesNoCancel|YesNoDefaultNo|YesNo|YesIgnore)\b)");
        for (auto it = std::sregex_iterator(c.begin(), c.end(), buttons); it != std::sregex_iterator(); ++it) {
            const auto at = static_cast<std::size_t>(it->position());
            const std::size_t open = innermostParen(s, at);
            const auto args = open == npos ? Args{} : arguments(s, open);
            if (open == npos || identifierBefore(c, open) != "show" || args.size() != 3)
                unknown_.push_back(s.path + ": " + it->str() + " outside a show(type, text, buttons) call");
            else
                add(at, args[1]);
        }
        static const std::regex confirm(R"((\.|->)\s*confirm\s*\()");
        for (auto it = std::sregex_iterator(c.begin(), c.end(), confirm); it != std::sregex_iterator(); ++it) {
            const auto open = static_cast<std::size_t>(it->position() + it->length() - 1);
            const Args args = arguments(s, open);
            if (args.size() == 1)
                add(open, args[0]);
            else
                unknown_.push_back(s.path + ": confirm( without its one text");
        }
        return out;
    }

    // Question calls this finder cannot read.
    const std::vector<std::string>& unknown() const { return unknown_; }

private:
    using Args = std::vector<std::pair<std::size_t, std::size_t>>;
    static constexpr std::size_t npos = std::string::npos;

    struct Index {
        std::map<std::size_t, std::size_t> close;            // bracket pairs, by opening offset
        std::vector<std::pair<std::size_t, std::size_t>> bodies;  // function bodies
    };

    static bool identChar(char ch) { return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_'; }

    static std::string identifierBefore(const std::string& c, std::size_t at) {
        std::size_t e = at;
        while (e > 0 && std::isspace(static_cast<unsigned char>(c[e - 1]))) --e;
        std::size_t b = e;
        while (b > 0 && identChar(c[b - 1])) --b;
        return c.substr(b, e - b);
    }

    // Bracket pairs, and the outermost blocks that are not a namespace's,
    // class's or enumeration's: the bodies of functions.
    void index(const Source& s) {
        Index& ix = index_[&s];
        const std::string& c = s.code;
        std::vector<std::size_t> open;
        std::vector<bool> scope;  // for each open brace: a namespace, class or enum block
        for (std::size_t i = 0; i < c.size(); ++i) {
            if (opensLiteral(c, i)) {
                i = literalEnd(c, i) - 1;
            } else if (c[i] == '(' || c[i] == '[' || c[i] == '{') {
                open.push_back(i);
                if (c[i] == '{') {
                    const std::size_t from = c.find_last_of(";{})", i - 1);
                    static const std::regex named(R"(\b(namespace|class|struct|union|enum)\b[^()=]*$)");
                    scope.push_back(std::regex_search(c.substr(from == npos ? 0 : from + 1, i - from - 1), named));
                }
            } else if ((c[i] == ')' || c[i] == ']' || c[i] == '}') && !open.empty()) {
                const std::size_t o = open.back();
                open.pop_back();
                ix.close[o] = i;
                if (c[o] == '{') {
                    const bool isScope = scope.back();
                    scope.pop_back();
                    if (!isScope && std::all_of(scope.begin(), scope.end(), [](bool b) { return b; }))
                        ix.bodies.emplace_back(o, i);
                }
            }
        }
    }

    std::size_t closeOf(const Source& s, std::size_t open) const {
        const auto& close = index_.at(&s).close;
        auto it = close.find(open);
        return it == close.end() ? s.code.size() : it->second;
    }

    std::size_t innermostParen(const Source& s, std::size_t at) const {
        std::size_t best = npos;
        for (const auto& [o, e] : index_.at(&s).close)
            if (o < at && at < e && s.code[o] == '(') best = o;  // by offset: the last one is the innermost
        return best;
    }

    std::pair<std::size_t, std::size_t> bodyAround(const Source& s, std::size_t at) const {
        for (const auto& b : index_.at(&s).bodies)
            if (b.first < at && at < b.second) return b;
        return {npos, npos};
    }

    // The top-level arguments of the call whose parenthesis opens at `open`.
    Args arguments(const Source& s, std::size_t open) const {
        Args out;
        const std::size_t end = closeOf(s, open);
        std::size_t from = open + 1;
        for (std::size_t i = from; i < end; ++i) {
            if (opensLiteral(s.code, i)) {
                i = literalEnd(s.code, i) - 1;
            } else if (s.code[i] == '(' || s.code[i] == '[' || s.code[i] == '{') {
                i = closeOf(s, i);
            } else if (s.code[i] == ',') {
                out.emplace_back(from, i);
                from = i + 1;
            }
        }
        if (end > from && s.code.find_first_not_of(" \n\t", from) < end) out.emplace_back(from, end);
        return out;
    }

    // The literals of the expression code[b, e), each run of adjacent ones
    // as one piece, and those of the names it uses.
    void resolve(const Source& s, std::size_t b, std::size_t e, int depth, std::vector<std::string>& pieces) {
        if (depth > 6) return;
        const std::string& c = s.code;
        bool joined = false;
        for (std::size_t i = b; i < e; ++i) {
            if (opensLiteral(c, i)) {
                std::string text;
                const std::size_t end = literalEnd(c, i, &text);
                if (c[i] == '"') {
                    if (joined)
                        pieces.back() += text;
                    else
                        pieces.push_back(text);
                    joined = true;
                }
                i = end - 1;
                continue;
            }
            if (std::isspace(static_cast<unsigned char>(c[i]))) continue;
            joined = false;
            if (c[i] == '[') i = closeOf(s, i);  // an element's index
            if (!identChar(c[i]) || (i > 0 && identChar(c[i - 1]))) continue;
            std::size_t n = i;
            while (n < e && identChar(c[n])) ++n;
            const std::string name = c.substr(i, n - i);
            const std::size_t before = c.find_last_not_of(" \n\t", i - 1), after = c.find_first_not_of(" \n\t", n);
            if (before == npos || after == npos) break;
            if (c[after] == '(') {
                // A call gives a value of its own, except a conversion to a string.
                if (name != "string") n = closeOf(s, after) + 1;
            } else if (!std::isdigit(static_cast<unsigned char>(name[0])) && !std::strchr(".>:", c[before]) &&
                       !std::strchr(".[:<-", c[after])) {
                // A plain name: not a member, a qualified name or a number.
                resolveName(s, i, name, depth + 1, pieces);
            }
            i = n - 1;
        }
    }

    // Offsets of `name` as a whole word in c[b, e).
    static std::vector<std::size_t> occurrences(const std::string& c, const std::string& name, std::size_t b,
                                                std::size_t e) {
        std::vector<std::size_t> out;
        for (std::size_t at = c.find(name, b); at != npos && at + name.size() <= e; at = c.find(name, at + 1))
            if ((at == 0 || !identChar(c[at - 1])) && !identChar(c[at + name.size()])) out.push_back(at);
        return out;
    }

    // The values given to `name` in c[b, e): "name = value;" and
    // "name[] = value;", and "name(value)" after ':' or ',' (a member's
    // initializer).
    Args assignments(const Source& s, const std::string& name, std::size_t b, std::size_t e) const {
        const std::string& c = s.code;
        Args out;
        for (std::size_t at : occurrences(c, name, b, e)) {
            std::size_t i = c.find_first_not_of(" \n\t", at + name.size());
            if (i != npos && c[i] == '[') i = c.find_first_not_of(" \n\t", closeOf(s, i) + 1);
            const std::size_t before = c.find_last_not_of(" \n\t", at - 1);
            if (i != npos && c[i] == '=' && c[i + 1] != '=') {
                std::size_t end = i + 1;
                while (end < c.size() && c[end] != ';') {
                    if (opensLiteral(c, end))
                        end = literalEnd(c, end);
                    else if (c[end] == '(' || c[end] == '[' || c[end] == '{')
                        end = closeOf(s, end) + 1;
                    else
                        ++end;
                }
                out.emplace_back(i + 1, end);
            } else if (i != npos && c[i] == '(' && before != npos && (c[before] == ':' || c[before] == ',') &&
                       (before == 0 || c[before - 1] != ':')) {
                out.emplace_back(i + 1, closeOf(s, i));
            }
        }
        return out;
    }

    void resolveName(const Source& s, std::size_t at, const std::string& name, int depth,
                     std::vector<std::string>& pieces) {
        auto resolveAll = [&](const Source& in, const Args& values) {
            for (const auto& v : values)
                if (seen_.insert({&in, v.first}).second) resolve(in, v.first, v.second, depth, pieces);
            return !values.empty();
        };
        // A variable of the function the name is used in.
        const auto body = bodyAround(s, at);
        if (body.first != npos && resolveAll(s, assignments(s, name, body.first, at))) return;
        // A parameter of the function or lambda the name is used in: the
        // arguments of its calls.
        if (resolveParameter(s, at, name, depth, pieces)) return;
        // A constant or member of the file, then of the other files.
        auto outsideBodies = [&](const Source& in) {
            Args values = assignments(in, name, 0, in.code.size());
            std::erase_if(values, [&](const auto& v) { return bodyAround(in, v.first).first != npos; });
            return values;
        };
        if (resolveAll(s, outsideBodies(s))) return;
        // Of other files, only constants ("kName") are shared.
        if (name.size() < 2 || name[0] != 'k' || !std::isupper(static_cast<unsigned char>(name[1]))) return;
        for (const Source& other : all_)
            if (&other != &s && resolveAll(other, outsideBodies(other))) return;
    }

    // The block a parameter list closing at `close` opens, past qualifiers
    // and a constructor's member initializers; npos for a declaration or a
    // parenthesis that is no parameter list.
    std::size_t bodyAfter(const Source& s, std::size_t close) const {
        const std::string& c = s.code;
        auto skipSpace = [&](std::size_t i) { return std::min(c.find_first_not_of(" \n\t", i), c.size()); };
        std::size_t i = skipSpace(close + 1);
        while (i < c.size() && c[i] != '{' && c[i] != ';') {
            if (c[i] == ':' && c[i + 1] != ':') {  // member initializers: name(value), name{value}
                for (i = skipSpace(i + 1); i < c.size() && identChar(c[i]);) {
                    while (i < c.size() && (identChar(c[i]) || c[i] == ':')) ++i;
                    i = skipSpace(i);
                    if (c[i] != '(' && c[i] != '{') return npos;
                    i = skipSpace(closeOf(s, i) + 1);
                    if (c[i] == ',') i = skipSpace(i + 1);
                }
                break;
            }
            if (c[i] == '(' || c[i] == '[') i = closeOf(s, i);  // noexcept(...), attributes
            i = skipSpace(i + 1);
        }
        return i < c.size() && c[i] == '{' ? i : npos;
    }

    bool resolveParameter(const Source& s, std::size_t at, const std::string& name, int depth,
                          std::vector<std::string>& pieces) {
        const std::string& c = s.code;
        for (std::size_t q : occurrences(c, name, 0, at)) {
            // Declared as a parameter: after its type, before ',', ')' or a default.
            const std::size_t before = c.find_last_not_of(" \n\t", q - 1);
            const std::size_t after = c.find_first_not_of(" \n\t", q + name.size());
            if (before == npos || after == npos || !(identChar(c[before]) || std::strchr("&*>", c[before])) ||
                !std::strchr(",)=", c[after]))
                continue;
            const std::size_t open = innermostParen(s, q);
            if (open == npos) continue;
            const std::size_t body = bodyAfter(s, closeOf(s, open));
            if (body == npos || !(open < at && at < closeOf(s, body))) continue;
            // The callable: a lambda's variable or a function's name; a
            // lambda is called within the function it is made in.
            std::string callable;
            std::size_t from = 0, to = c.size();
            const std::size_t prev = c.find_last_not_of(" \n\t", open - 1);
            if (c[prev] == ']') {
                const std::size_t capture = c.rfind('[', prev);
                const std::size_t eq = c.find_last_not_of(" \n\t", capture - 1);
                if (c[eq] != '=') continue;
                callable = identifierBefore(c, eq);
                const auto around = bodyAround(s, open);
                if (around.first != npos) std::tie(from, to) = around;
            } else {
                callable = identifierBefore(c, open);
            }
            std::size_t index = 0;
            for (const auto& arg : arguments(s, open)) {
                if (arg.first <= q && q < arg.second) break;
                ++index;
            }
            bool found = false;
            for (std::size_t call : occurrences(c, callable, from, to)) {
                std::size_t p = c.find_first_not_of(" \n\t", call + callable.size());
                if (p != npos && identChar(c[p])) {  // an object made: "Type name(...)"
                    while (p < c.size() && identChar(c[p])) ++p;
                    p = c.find_first_not_of(" \n\t", p);
                }
                if (p == npos || p == open || (c[p] != '(' && c[p] != '{')) continue;
                const Args args = arguments(s, p);
                if (index < args.size()) {
                    if (seen_.insert({&s, args[index].first}).second)
                        resolve(s, args[index].first, args[index].second, depth, pieces);
                    found = true;
                }
            }
            if (found) return true;
        }
        return false;
    }

    const std::vector<Source>& all_;
    std::map<const Source*, Index> index_;
    std::set<std::pair<const Source*, std::size_t>> seen_;  // values followed for the question at hand
    std::vector<std::string> unknown_;
};

// The parts of a page's 「quoted」 texts that must be the program's own:
// lines of each quote, split where an <i>variable</i> part stands.
std::vector<std::string> quotedParts(const QByteArray& page) {
    std::vector<std::string> out;
    static const QRegularExpression quote(QStringLiteral("「(.*?)」"), QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression variable(QStringLiteral("<i>.*?</i>|<br>"));
    static const QRegularExpression tag(QStringLiteral("<[^>]+>"));
    for (auto it = quote.globalMatch(QString::fromUtf8(page)); it.hasNext();) {
        QString q = it.next().captured(1);
        q.replace(variable, QStringLiteral("\x01")).remove(tag).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        for (const QString& part : q.split(QChar(1), Qt::SkipEmptyParts)) out.push_back(part.toStdString());
    }
    return out;
}

TEST(HelpBinding, EveryMenuCommandHasAPageAndEveryPageQuotesTheProgramsOwnTexts) {
    ChmArchive chm;
    ASSERT_TRUE(chm.open(BRINE_TEST_HELP_CHM));
    auto contents = chm.read("/index.htm");
    ASSERT_TRUE(contents);
    const std::vector<std::string> fromContents = linksOf(*contents);
    auto linked = [&](const std::string& page) {
        return std::find(fromContents.begin(), fromContents.end(), page) != fromContents.end();
    };

    const std::vector<std::string> texts = programTexts();
    // Every page reached from the contents exists and has a caption to show.
    std::set<std::string> seen{"index.htm"};
    std::vector<std::string> queue = fromContents;
    while (!queue.empty()) {
        std::string page = queue.back();
        queue.pop_back();
        if (!seen.insert(page).second) continue;
        auto bytes = chm.read("/" + page);
        ASSERT_TRUE(bytes) << page << " is linked but not in the help file";
        EXPECT_TRUE(bytes->contains("<title>") && !bytes->contains("<title></title>")) << page;
        // What a page quotes is what the program shows.
        for (const std::string& part : quotedParts(*bytes)) {
            bool found = std::any_of(texts.begin(), texts.end(),
                                     [&](const std::string& t) { return t.find(part) != std::string::npos; });
            EXPECT_TRUE(found) << page << ": 「" << part << "」 is no text of the program";
            // A caption is quoted as the screen shows it, without its accelerator's "&".
            static const std::regex accelerator(R"(\(&[A-Za-z]\))");
            EXPECT_FALSE(std::regex_search(part, accelerator)) << page << ": 「" << part << "」 is not what the screen shows";
        }
        for (const std::string& next : linksOf(*bytes)) queue.push_back(next);
    }

    TForm1 form;
    std::vector<QAction*> commands;
    std::function<void(QMenu*)> collect = [&](QMenu* menu) {
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            if (a->menu())
                collect(a->menu());
            else
                commands.push_back(a);
        }
    };
    for (QAction* a : form.MainMenu1->actions()) collect(a->menu());
    ASSERT_EQ(commands.size(), kCommandPages.size());
    for (QAction* a : commands) {
        const std::string name = a->objectName().toStdString();
        auto page = kCommandPages.find(name);
        ASSERT_NE(page, kCommandPages.end()) << name << " has no help page";
        EXPECT_TRUE(chm.read("/" + page->second)) << page->second;
        if (page->second != "index.htm") {
            EXPECT_TRUE(linked(page->second)) << page->second << " not in the contents";
        }
    }
    // The grids' edit modes, met in several dialogs, have a page of their own.
    EXPECT_TRUE(linked("GridEditModes.htm"));
    EXPECT_TRUE(seen.count("PracticalSalinity.htm"));
}

// The pages of the commands that ask the questions of each source file
// (named by its start): every question of the file is quoted on each.
const std::vector<std::pair<std::string, std::vector<std::string>>> kQuestionPages = {
    {"core/ui/header_dialog", {"HeaderDialog.htm"}},
    {"core/sdf_format", {"ConvertToSdf.htm", "SdfToTsd.htm", "Extract.htm", "Merge.htm", "Link.htm"}},
    {"core/tsd_blocks", {"ConvertToSdf.htm", "Extract.htm", "Merge.htm", "Link.htm"}},
    {"core/output_size", {"SdfToTsd.htm", "Extract.htm", "Merge.htm", "Link.htm"}},
    {"converters/addc_drf_command", {"ConvertToSdf.htm"}},
    {"converters/convert_addc", {"ConvertToSdf.htm"}},
    {"converters/convert_drf", {"ConvertToSdf.htm"}},
    {"converters/resave_sdf", {"ConvertToSdf.htm"}},
    {"converters/sdf_to_tsd", {"SdfToTsd.htm"}},
    {"converters/hourly_csv", {"Jma.htm", "FishingPort.htm", "Nowphas.htm"}},
    {"converters/convert_jma", {"Jma.htm"}},
    {"converters/convert_fishing_port", {"FishingPort.htm"}},
    {"converters/convert_nowphas", {"Nowphas.htm"}},
    {"converters/convert_cadmas_surf", {"CadmasSurf.htm"}},
    {"importers/raw_", {"RawDialog.htm"}},
    {"importers/pressure_box", {"PracticalSalinity.htm"}},
    {"importers/dl2_", {"DL2.htm"}},
    {"importers/vector_", {"Vector.htm"}},
    {"importers/wave_hunter_", {"WaveHunter.htm"}},
    {"importers/comma_", {"CommaData.htm"}},
    {"importers/yearly_table", {"YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
    {"tools/extract_", {"Extract.htm"}},
    {"tools/merge_", {"Merge.htm"}},
    {"tools/link_", {"Link.htm"}},
    {"sites/", {"Location.htm"}},
};

TEST(HelpBinding, EveryQuestionACommandCanAskIsOnItsPage) {
    ChmArchive chm;
    ASSERT_TRUE(chm.open(BRINE_TEST_HELP_CHM));
    const std::vector<Source> sources = programSources();
    // The header dialog's load mode asks before saving edits; no command
    // opens the dialog in that mode.
    const std::string loadModeQuestion = "パラメータが修正されました。";
    for (const Source& s : sources)
        EXPECT_TRUE(s.path.starts_with("core/ui/header_dialog") || s.code.find("OpenTimeSeriesFile") == std::string::npos)
            << s.path << " opens the header dialog's load mode: its question needs a page";

    QuestionFinder finder(sources);
    std::size_t asked = 0;
    for (const Source& s : sources) {
        if (s.path.starts_with("platform/")) continue;  // the message boxes themselves
        const std::vector<QuestionFinder::Question> questions = finder.questionsOf(s);
        if (questions.empty()) continue;
        auto entry = std::find_if(kQuestionPages.begin(), kQuestionPages.end(),
                                  [&](const auto& e) { return s.path.starts_with(e.first); });
        if (entry == kQuestionPages.end()) {
            ADD_FAILURE() << s.path << " asks questions, but no command page is named for it";
            continue;
        }
        for (const std::string& page : entry->second) {
            auto bytes = chm.read("/" + page);
            ASSERT_TRUE(bytes) << page;
            const std::vector<std::string> quoted = quotedParts(*bytes);
            for (const QuestionFinder::Question& q : questions) {
                ++asked;
                std::string text;
                for (const std::string& piece : q.pieces) text += piece + "…";
                EXPECT_FALSE(q.pieces.empty()) << q.where << ": what this question says is not found";
                if (text.starts_with(loadModeQuestion)) continue;
                for (const std::string& piece : q.pieces) {
                    std::stringstream lines(piece);
                    for (std::string line; std::getline(lines, line);) {
                        line.erase(0, line.find_first_not_of(' '));
                        line.erase(line.find_last_not_of(' ') + 1);
                        // Separators inside a value ("/" of a date, "=") are the value's.
                        const QString shown = QString::fromStdString(line);
                        if (std::none_of(shown.begin(), shown.end(), [](QChar ch) { return ch.isLetter(); })) continue;
                        EXPECT_TRUE(std::any_of(quoted.begin(), quoted.end(),
                                                [&](const std::string& part) { return part.find(line) != std::string::npos; }))
                            << page << " does not quote 「" << line << "」, asked at " << q.where << " (「" << text << "」)";
                    }
                }
            }
        }
    }
    EXPECT_TRUE(finder.unknown().empty()) << ::testing::PrintToString(finder.unknown());
    EXPECT_GT(asked, 0u);
}

TEST(HelpBinding, AMissingViewerFileOrTopicIsReported) {
    PrompterScope p;
    UnloadHtmlHelp();
    EXPECT_EQ(HtmlHelp(nullptr, BRINE_TEST_HELP_CHM, HH_DISPLAY_TOPIC, 0), nullptr);
    LoadHtmlHelp();
    EXPECT_EQ(HtmlHelp(nullptr, "/nonexistent/brinelog4.chm", HH_DISPLAY_TOPIC, 0), nullptr);
    std::string missingTopic = std::string(BRINE_TEST_HELP_CHM) + "::/Nothing.htm";
    EXPECT_EQ(HtmlHelp(nullptr, missingTopic.c_str(), HH_DISPLAY_TOPIC, 0), nullptr);
    EXPECT_EQ(HtmlHelp(nullptr, nullptr, HH_DISPLAY_TOPIC, 0), nullptr);
    ASSERT_EQ(p.prompter.shown.size(), 4u);
    for (const auto& s : p.prompter.shown) EXPECT_EQ(s.type, MsgType::Error);
    EXPECT_NE(p.prompter.shown[2].text.find("/Nothing.htm"), std::string::npos);
}

}  // namespace
}  // namespace brine
