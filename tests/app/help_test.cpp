#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
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
#include "app/parameters_file.h"
#include "app/startup.h"
#include "base/safe_write/own_files.h"
#include "base/texts.h"
#include "converters/convert_fishing_port.h"
#include "converters/convert_jma.h"
#include "converters/convert_nowphas.h"
#include "importers/raw_header.h"
#include "importers/yearly_table.h"
#include "platform/api/scripted.h"
#include "platform/help_viewer.h"
#include "platform/html_help.h"
#include "platform/qt_prompter.h"
#include "platform/status_panels.h"
#include "platform/string_grid.h"
#include "sites/site_list.h"

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

// Every text the program's windows show once made: captions, labels,
// buttons, group boxes, tabs, list and combo items, menu commands, grid and
// status-bar texts; a caption with an accelerator also as the screen shows
// it, its "&" left out.
std::vector<std::string> windowTexts() {
    static const QRegularExpression accelerator(QStringLiteral("&(.)"));
    QStringList texts;
    for (QWidget* w : QApplication::allWidgets()) {
        texts << w->windowTitle() << w->toolTip();
        if (auto* l = qobject_cast<QLabel*>(w)) texts << l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) texts << b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) texts << g->title();
        if (auto* e = qobject_cast<QLineEdit*>(w)) texts << e->text();
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i) texts << c->itemText(i);
        if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i) texts << t->tabText(i);
        if (auto* l = qobject_cast<QListWidget*>(w))
            for (int i = 0; i < l->count(); ++i) texts << l->item(i)->text();
        if (auto* m = qobject_cast<QMenu*>(w)) texts << m->title();
        if (auto* g = qobject_cast<StringGrid*>(w))
            for (int r = 0; r < g->rowCount(); ++r)
                for (int c = 0; c < g->colCount(); ++c) texts << g->cell(c, r);
        if (auto* p = qobject_cast<StatusPanels*>(w))
            for (int i = 0; i < p->panelCount(); ++i) texts << p->panelText(i);
        for (QAction* a : w->actions()) texts << a->text();
    }
    std::vector<std::string> out;
    for (const QString& t : texts) {
        if (t.isEmpty()) continue;
        out.push_back(t.toStdString());
        if (t.contains('&')) out.push_back(QString(t).replace(accelerator, "\\1").toStdString());
    }
    return out;
}

// The fixed parts of a table entry: its lines, split where a value goes,
// those with a letter in them (a separator between values is the values').
std::vector<std::string> fixedParts(std::string_view text) {
    static const QRegularExpression value(QStringLiteral("%[1-9]"));
    std::vector<std::string> out;
    for (const QString& piece : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).split(value))
        for (QString line : piece.split('\n')) {
            line = line.trimmed();
            if (std::any_of(line.begin(), line.end(), [](QChar ch) { return ch.isLetter(); }))
                out.push_back(line.toStdString());
        }
    return out;
}

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

// The words a file is read or found by that the pages quote, each kept
// beside its reader, with the pages that quote it.
struct QuotedKeyword {
    std::string_view keyword;
    std::vector<std::string_view> pages;
};

const std::vector<QuotedKeyword>& quotedKeywords() {
    static const std::vector<QuotedKeyword> keywords = {
        {kTempFileKind, {"HeaderDialog.htm"}},
        {kJournalFileKind, {"HeaderDialog.htm"}},
        {kParametersFileName, {"Exit.htm"}},
        {kLocationFileName, {"Exit.htm", "Location.htm"}},
        {kJmaTitles[0], {"Jma.htm"}},
        {kJmaTitles[1], {"Jma.htm"}},
        {kJmaTitles[2], {"Jma.htm"}},
        {kJmaTitles[3], {"Jma.htm"}},
        {kJmaHourly, {"Jma.htm"}},
        {kJmaDirectionUnit, {"Jma.htm"}},
        {kPortSignificantHeight, {"FishingPort.htm"}},
        {kPortSignificantPeriod, {"FishingPort.htm"}},
        {kPortMaxHeight, {"FishingPort.htm"}},
        {kPortDirection, {"FishingPort.htm"}},
        {kPortLongSignificantHeight, {"FishingPort.htm"}},
        {kNowphasMissingMark, {"Nowphas.htm"}},
        {kCompactEmMark, {"CompactEM.htm"}},
        {kCompactWhMark, {"CompactWH.htm"}},
        {kMdsMkVMark, {"CompactOther.htm", "MdsMkV.htm"}},
        {kCompactClwMark, {"CompactOther.htm", "MdsMkV.htm"}},
        {kInfinityMark, {"InfinityEM.htm", "InfinityOther.htm"}},
        {kInfinityEmVersion, {"InfinityEM.htm"}},
        {kBurstMeasMode, {"CompactEM.htm", "CompactWH.htm"}},
        {kYearMonthOne, {"YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
        {kYearMonthOneWide, {"YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
        {kYearJanuary, {"YearlyTableByDate.htm", "YearlyTableByTenDays.htm"}},
    };
    return keywords;
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

    // What the program says: its windows (all made, as at start-up), its
    // table, and the words of its files.
    CreateForms();
    std::vector<std::string> texts = windowTexts();
    DestroyForms();
    for (const TextEntry& e : TextTable()) texts.emplace_back(e.text);
    for (const QuotedKeyword& k : quotedKeywords()) texts.emplace_back(k.keyword);
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

// The quoted parts of the help file's pages, each page read once.
struct HelpPages {
    ChmArchive chm;
    std::map<std::string, std::vector<std::string>, std::less<>> quotes;

    // None, and a failure, for a page the file does not hold.
    const std::vector<std::string>& quotesOf(std::string_view page) {
        if (auto it = quotes.find(page); it != quotes.end()) return it->second;
        auto bytes = chm.read("/" + std::string(page));
        if (!bytes) ADD_FAILURE() << page << " is not in the help file";
        return quotes.emplace(std::string(page), bytes ? quotedParts(*bytes) : std::vector<std::string>{}).first->second;
    }
};

// Every question the program asks, and every text of the table, is quoted
// on each page the table names for it: a question changed anywhere in the
// program is a question changed in the table, and fails here until the
// pages say it too.
TEST(HelpBinding, EveryEntryOfTheTextTableIsOnItsPages) {
    HelpPages help;
    ASSERT_TRUE(help.chm.open(BRINE_TEST_HELP_CHM));
    for (const TextEntry& e : TextTable()) {
        if (e.kind == TextKind::Question) {
            EXPECT_FALSE(e.pages.empty()) << "「" << e.text << "」 is asked, and no page is named for it";
        }
        for (std::string_view page : e.pages) {
            const std::vector<std::string>& parts = help.quotesOf(page);
            for (const std::string& line : fixedParts(e.text))
                EXPECT_TRUE(std::any_of(parts.begin(), parts.end(),
                                        [&](const std::string& part) { return part.find(line) != std::string::npos; }))
                    << page << " does not quote 「" << line << "」 (「" << e.text << "」)";
        }
    }
}

// A word a file is read or found by is quoted by itself, as the reader
// takes it, on each page named for it: the page tells what the file must
// hold, so a word changed in its reader fails here until the pages say it.
TEST(HelpBinding, EveryKeywordOfTheFilesIsOnItsPages) {
    HelpPages help;
    ASSERT_TRUE(help.chm.open(BRINE_TEST_HELP_CHM));
    for (const QuotedKeyword& k : quotedKeywords())
        for (std::string_view page : k.pages) {
            const std::vector<std::string>& parts = help.quotesOf(page);
            const bool quoted = std::find(parts.begin(), parts.end(), k.keyword) != parts.end();
            EXPECT_TRUE(quoted) << page << " does not quote 「" << k.keyword << "」";
        }
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
