#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>

#include "sites/site_list.h"
#include "base/cp932.h"
#include "base/errors.h"
#include "base/safe_write/safe_replace.h"
#include "support/fault_plan.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

using test::readText;
using test::TempDir;
using test::writeText;

std::string sj(const char* utf8) { return utf8ToCp932(utf8); }

TEST(SiteFile, NumbersAreWrittenWithFifteenDigitsOfTheWidenedFloat) {
    SiteList list;
    list.StoreSite(1, sj("東京"), 35.5f, 139.75f);
    list.StoreSite(2, "A", 35.745f, 0.1f);
    list.StoreSite(3, "", -12.25f, 0.0f);
    list.StoreSite(4, "B", 1e-5f, 12345678.0f);
    EXPECT_EQ(list.FileText(), sj("東京") + ",35.5,139.75\r\n"
                                           "A,35.7449989318848,0.100000001490116\r\n"
                                           ",-12.25,0\r\n"
                                           "B,9.99999974737875E-6,12345678\r\n");
}

TEST(SiteFile, MissingFileIsCreatedWithTheDefaultSite) {
    TempDir dir;
    const std::string path = dir.file("Location.dat");
    SiteList list;
    ScriptedPrompter prompter;
    SiteLoadReport report = list.LoadSites(path, prompter);
    EXPECT_TRUE(report.created);
    EXPECT_TRUE(prompter.shown.empty());
    ASSERT_EQ(list.SiteCount, 1);
    EXPECT_EQ(readText(path), sj("東京") + ",35.6875,139.75\r\n");
    EXPECT_FALSE(list.Damaged());
}

TEST(SiteFile, StoreSaveAndReloadKeepsEverySite) {
    TempDir dir;
    const std::string path = dir.file("Location.dat");
    SiteList list;
    list.StoreSite(1, sj("稚内"), 45.4153f, 141.673f);
    list.StoreSite(2, sj("ソウル"), 37.5665f, 126.978f);  // 0x5C trail byte in CP932
    list.StoreSite(3, "South", -33.8688f, -151.2093f);
    list.StoreSite(2, sj("釜山"), 35.1796f, 129.0756f);  // overwrites site 2
    list.SaveSites(path);

    const std::string text = readText(path);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);

    SiteList back;
    SiteLoadReport report = back.LoadSites(path);
    EXPECT_FALSE(report.damaged());
    ASSERT_EQ(back.SiteCount, 3);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(back.SiteName[k], list.SiteName[k]);
        EXPECT_EQ(back.SiteLat[k], list.SiteLat[k]);
        EXPECT_EQ(back.SiteLon[k], list.SiteLon[k]);
    }
    EXPECT_EQ(cp932ToUtf8(back.SiteName[2]), "釜山");
    // Saving what was read gives the same bytes.
    back.SaveSites(path);
    EXPECT_EQ(readText(path), text);
}

TEST(SiteFile, ReadsLfLinesExtraFieldsAndAMissingLastLineEnd) {
    TempDir dir;
    const std::string path = dir.file("Location.dat");
    writeText(path, "a,1.5,2\nb, 3 ,4,x,y\r\n\r\nc,5e1,-6.25");
    SiteList list;
    EXPECT_FALSE(list.LoadSites(path).damaged());
    ASSERT_EQ(list.SiteCount, 3);
    EXPECT_EQ(list.SiteName[2], "b");
    EXPECT_EQ(list.SiteLat[2], 3.0f);
    EXPECT_EQ(list.SiteLat[3], 50.0f);
    EXPECT_EQ(list.SiteLon[3], -6.25f);
}

TEST(SiteList, DeleteFirstMiddleAndLast) {
    TempDir dir;
    const std::string path = dir.file("Location.dat");
    auto threeSites = [&] {
        SiteList list;
        list.StoreSite(1, "one", 1, 10);
        list.StoreSite(2, "two", 2, 20);
        list.StoreSite(3, "three", 3, 30);
        return list;
    };
    struct Case {
        int k;
        const char* file;
    } cases[] = {{1, "two,2,20\r\nthree,3,30\r\n"}, {2, "one,1,10\r\nthree,3,30\r\n"}, {3, "one,1,10\r\ntwo,2,20\r\n"}};
    for (const Case& c : cases) {
        SiteList list = threeSites();
        EXPECT_TRUE(list.DeleteSite(c.k));
        EXPECT_EQ(list.SiteCount, 2);
        // The vacated entry is cleared, so "新規" shows no deleted position.
        EXPECT_EQ(list.SiteName[3], "");
        EXPECT_EQ(list.SiteLat[3], 0.0f);
        EXPECT_EQ(list.SiteLon[3], 0.0f);
        list.SaveSites(path);
        EXPECT_EQ(readText(path), c.file) << "deleting " << c.k;
    }
    SiteList list = threeSites();
    EXPECT_FALSE(list.DeleteSite(0));
    EXPECT_FALSE(list.DeleteSite(4));
    EXPECT_EQ(list.SiteCount, 3);
    // The only site can go too.
    SiteList single;
    single.StoreSite(1, "x", 1, 1);
    EXPECT_TRUE(single.DeleteSite(1));
    EXPECT_EQ(single.SiteCount, 0);
    single.SaveSites(path);
    EXPECT_EQ(readText(path), "");
}

TEST(SiteList, StoreRules) {
    SiteList list;
    EXPECT_THROW(list.StoreSite(2, "gap", 0, 0), RangeError);
    EXPECT_THROW(list.StoreSite(1, "a,b", 0, 0), BrineError);
    EXPECT_EQ(list.SiteCount, 0);

    for (int k = 1; k <= MaxSites; ++k) list.StoreSite(k, "s" + std::to_string(k), 1, 2);
    EXPECT_EQ(list.SiteCount, MaxSites);
    EXPECT_THROW(list.StoreSite(MaxSites + 1, "over", 0, 0), BrineError);
    EXPECT_EQ(list.SiteCount, MaxSites);
    list.StoreSite(MaxSites, "last", 5, 6);  // overwriting still works at the limit
    EXPECT_EQ(list.SiteName[MaxSites], "last");

    EXPECT_THROW(SiteNameFromUi("a,b"), BrineError);
    EXPECT_THROW(SiteNameFromUi("\xF0\x9F\x98\x80"), BrineError);  // no CP932 form
    EXPECT_EQ(SiteNameFromUi("東京湾"), sj("東京湾"));
    EXPECT_EQ(SiteNameFromUi("Ａ，Ｂ"), sj("Ａ，Ｂ"));  // the full-width comma is no separator
}

TEST(SiteList, SelectionOnShow) {
    SiteList list;
    EXPECT_EQ(list.SelectionOnShow(0), -1);
    EXPECT_EQ(list.SelectionOnShow(1), -1);  // empty list
    for (int k = 1; k <= 3; ++k) list.StoreSite(k, "s", 0, 0);
    // Remembered site to list row; "新規" last time (4) or beyond: the last site.
    for (auto [remembered, row] : {std::pair{0, -1}, {1, 0}, {3, 2}, {4, 2}, {65535, 2}})
        EXPECT_EQ(list.SelectionOnShow(remembered), row) << remembered;
}

TEST(SiteFile, DamagedFileLoadsItsGoodLinesAndIsNeverRewritten) {
    TempDir dir;
    const std::string path = dir.file("Location.dat");
    const std::string damaged =
        "good1,35.5,139.75\r\n"
        "badlat,35x,139\r\n"
        "six,1,2,3,4,5\r\n"
        "short,1\r\n"
        "good2,-1.25,2.5\r\n"
        "nan,nan,1\r\n"
        "comma decimal,35,5\r\n"  // three fields: a legal line
        "huge,1e39,1\r\n";
    writeText(path, damaged);

    SiteList list;
    list.StoreSite(1, "old1", 9, 9);
    list.StoreSite(2, "old2", 9, 9);
    ScriptedPrompter prompter;
    SiteLoadReport report = list.LoadSites(path, prompter);
    EXPECT_EQ(report.badLines, (std::vector<int>{2, 3, 4, 6, 8}));
    EXPECT_FALSE(report.tooMany);
    ASSERT_EQ(list.SiteCount, 3);
    EXPECT_EQ(list.SiteName[1], "good1");
    EXPECT_EQ(list.SiteName[2], "good2");
    EXPECT_EQ(list.SiteLat[2], -1.25f);
    EXPECT_EQ(list.SiteName[3], "comma decimal");
    EXPECT_EQ(list.SiteName[4], "");  // nothing left from the earlier list
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_NE(prompter.shown[0].text.find("2, 3, 4, 6, 8"), std::string::npos);

    EXPECT_TRUE(list.Damaged());
    EXPECT_THROW(list.SaveSites(path), BrineError);
    EXPECT_THROW(list.StoreSite(1, "new", 0, 0), BrineError);
    EXPECT_THROW(list.DeleteSite(1), BrineError);
    EXPECT_EQ(list.SiteCount, 3);
    EXPECT_EQ(list.SiteName[1], "good1");
    EXPECT_EQ(readText(path), damaged);

    // Once the file is fixed, the next load clears the mark.
    writeText(path, "fixed,1,2\r\n");
    EXPECT_FALSE(list.LoadSites(path, prompter).damaged());
    EXPECT_EQ(prompter.shown.size(), 1u);
    list.StoreSite(2, "added", 3, 4);
    list.SaveSites(path);
    EXPECT_EQ(readText(path), "fixed,1,2\r\nadded,3,4\r\n");
}

// A replace of a hard-linked list (rewritten in place) killed once the first
// byte is cleared leaves a NUL there, never text: the next load puts the old
// list back from the journal, without a word, and the list can be written.
TEST(SiteFile, AReplaceKilledHalfWayIsPutBackByTheNextLoad) {
    TempDir dir;
    const std::string path = dir.file("Location.dat");
    SiteList list;
    for (int k = 1; k <= 40; ++k) list.StoreSite(k, "site" + std::to_string(k), 35, 139);
    list.SaveSites(path);
    std::filesystem::create_hard_link(path, dir.file("other.dat"));
    const std::string old = readText(path);
    list.StoreSite(41, "added", 1, 2);
    sys::FaultPlan counting;
    {
        sys::ArmFaults armed(counting);
        list.SaveSites(path);
    }
    const std::string added = readText(path);
    writeText(path, old);
    // The first write into the list itself clears its first byte.
    std::size_t cleared = 0;
    while (cleared < counting.calls.size() &&
           !(counting.calls[cleared].call == sys::Call::Pwrite && counting.calls[cleared].path == path))
        ++cleared;
    ASSERT_LT(cleared, counting.calls.size());
    sys::FaultPlan kill;
    kill.failAt = static_cast<long long>(cleared) + 2;  // the call after it
    kill.fault = sys::Fault::Kill;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        sys::ArmFaults armed(kill);
        list.SaveSites(path);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == sys::kStoppedStatus);
    const std::string left = readText(path);
    ASSERT_EQ(left, std::string(1, '\0') + old.substr(1));

    SiteList back;
    ScriptedPrompter prompter;
    EXPECT_FALSE(back.LoadSites(path, prompter).damaged());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(readText(path), old);
    EXPECT_EQ(back.SiteCount, 40);
    back.StoreSite(41, "added", 1, 2);
    back.SaveSites(path);
    EXPECT_EQ(readText(dir.file("other.dat")), added);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"Location.dat", "other.dat"}));
}

TEST(SiteFile, MoreThanAThousandLinesLoadsTheFirstThousand) {
    TempDir dir;
    const std::string path = dir.file("Location.dat");
    std::string text;
    for (int k = 1; k <= MaxSites + 2; ++k) text += "s" + std::to_string(k) + ",1,2\r\n";
    writeText(path, text);
    SiteList list;
    ScriptedPrompter prompter;
    SiteLoadReport report = list.LoadSites(path, prompter);
    EXPECT_TRUE(report.tooMany);
    EXPECT_EQ(list.SiteCount, MaxSites);
    EXPECT_EQ(list.SiteName[MaxSites], "s1000");
    EXPECT_EQ(prompter.shown.size(), 1u);
    EXPECT_THROW(list.SaveSites(path), BrineError);
    EXPECT_EQ(readText(path), text);

    // Exactly 1000 lines is a full, sound list.
    text.clear();
    for (int k = 1; k <= MaxSites; ++k) text += "s,1,2\r\n";
    writeText(path, text);
    EXPECT_FALSE(list.LoadSites(path).damaged());
    EXPECT_EQ(list.SiteCount, MaxSites);
}

TEST(SiteList, DeclinationAtStartUpUsesTheRememberedSiteAsShown) {
    TempDir dir;
    SiteList list;
    list.LocationFile = dir.file("Location.dat");
    // Site 2 at 35.745 N (shown 35 44 42), 139.7 E (shown 139 41 60).
    writeText(dir.file("Location.dat"), "a,40,140\r\nb,35.745,139.7\r\n");
    ScriptedPrompter prompter;

    list.Declination = 1.5;
    list.SelectedLocation = 0;
    list.InitDeclination(prompter);
    EXPECT_EQ(list.Declination, 1.5);  // no site: left as it was

    list.SelectedLocation = 2;
    list.InitDeclination(prompter);
    // 2010 model at dLat -1.255, dLon 1.7: P = 40.585 - 23.848765 - 10.6505
    //   + 0.014175225 - 0.05120 - 1.707990 = 4.340720, D = 7.072345.
    EXPECT_EQ(list.Declination, static_cast<double>(7.07f));

    list.SelectedLocation = 9;  // beyond the list: the last site
    list.Declination = 0;
    list.InitDeclination(prompter);
    EXPECT_EQ(list.Declination, static_cast<double>(7.07f));
    EXPECT_TRUE(prompter.shown.empty());

    // A first run creates the file and uses the default site.
    std::filesystem::remove(list.LocationFile);
    list.SelectedLocation = 1;
    list.Declination = 0;
    list.InitDeclination(prompter);
    EXPECT_TRUE(std::filesystem::exists(list.LocationFile));
    EXPECT_GT(list.Declination, 5.0);
    EXPECT_LT(list.Declination, 9.0);
}

}  // namespace
}  // namespace brine
