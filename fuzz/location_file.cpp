// "Location.dat" as the program reads it at start-up (the list, and the
// declination of the remembered site) and as the site window uses it (the
// declination of each site shown), then written back when a site is stored.
#include "sites/declination.h"
#include "sites/site_list.h"
#include "support/fuzz_support.h"

using namespace brine;
using namespace brine::fuzz;

namespace {

bool sameSites(const SiteList& a, const SiteList& b) {
    if (a.SiteCount != b.SiteCount) return false;
    for (int k = 1; k <= a.SiteCount; ++k) {
        auto i = static_cast<std::size_t>(k);
        // Equal values, -0 and 0 alike: the reader takes only finite numbers.
        if (a.SiteName[i] != b.SiteName[i] || a.SiteLat[i] != b.SiteLat[i] || a.SiteLon[i] != b.SiteLon[i])
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Workspace ws;
    const std::string path = ws.write("Location.dat", AsText(data, size));
    const std::vector<std::uint8_t> original = ws.read("Location.dat");
    const std::set<std::string> filesBefore = ws.files();

    FuzzPrompter prompter;
    SiteList sites;
    sites.LocationFile = path;
    sites.SelectedLocation = 1;
    RunCommand([&] { sites.InitDeclination(prompter); }, "Location.dat");
    for (int k = 1; k <= sites.SiteCount; ++k) {
        auto i = static_cast<std::size_t>(k);
        RunCommand(
            [&] {
                const DegreeText lat = DegreesToText(sites.SiteLat[i]);
                const DegreeText lon = DegreesToText(sites.SiteLon[i]);
                CalcDeclination(DefaultDeclinationModel, TextToDegrees(lat.Deg, lat.Min, lat.Sec),
                                TextToDegrees(lon.Deg, lon.Min, lon.Sec));
            },
            "site declination");
    }
    ExpectFileUnchanged(ws, "Location.dat", original, "Location.dat read");
    ExpectNoNewFiles(ws, filesBefore, "Location.dat read");
    if (sites.Damaged()) return 0;

    // A list read whole is written and read back the same.
    const std::string again = ws.file("again.dat");
    if (!RunCommand([&] { sites.SaveSites(again); }, "Location.dat written")) {
        Fail("settings-round-trip", "Location.dat: a list read whole cannot be written");
        return 0;
    }
    SiteList back;
    RunCommand([&] { back.LoadSites(again); }, "Location.dat read back");
    if (back.Damaged() || !sameSites(sites, back))
        Fail("settings-round-trip", "Location.dat: the list written does not read back the same");
    return 0;
}
