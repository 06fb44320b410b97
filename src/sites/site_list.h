#pragma once
// The list of observation sites kept in "Location.dat" and the magnetic
// declination in force. No window: the site window and the importers share
// one instance, AppSites().
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace brine {

class Prompter;

constexpr int MaxSites = 1000;
// Its name in the settings folder, by which the next start finds it.
inline const std::string kLocationFileName = "Location.dat";

// What a load met besides good lines.
struct SiteLoadReport {
    bool created = false;        // the file was missing and was written with the default site
    std::vector<int> badLines;   // 1-based line numbers that could not be read
    bool tooMany = false;        // lines beyond the 1000th site were not read
    bool damaged() const { return !badLines.empty() || tooMany; }
};

class SiteList {
public:
    SiteList();

    // Sites 1..SiteCount are used; entry 0 is never used. One entry beyond the
    // limit stays empty so that "新規" after a full list still has a position.
    int SiteCount = 0;
    std::array<std::string, MaxSites + 2> SiteName;  // CP932
    std::array<float, MaxSites + 2> SiteLat{};       // decimal degrees, north positive
    std::array<float, MaxSites + 2> SiteLon{};       // decimal degrees, east positive

    // The declination every velocity-rotating importer subtracts (degrees).
    double Declination = 0;

    // Set by the main window: where "Location.dat" lives, and the remembered
    // site (1-based, 0 = none) that it keeps in "Parameters.dat".
    std::filesystem::path LocationFile;
    std::uint16_t SelectedLocation = 0;

    // Reads the list. A missing file gets the default site and is written at
    // once. Bad lines (not name,lat,lon[,x[,y]] with numbers, or holding a
    // NUL byte, which a replace cut short leaves) are skipped and
    // at most 1000 sites are read; such a load marks the list damaged, and a
    // damaged list is never written back. IoError when the file exists but
    // cannot be read (the list is then damaged and left as it was).
    SiteLoadReport LoadSites(const std::filesystem::path& file);
    // The same, telling the user once when lines were skipped, and naming
    // the copies a replace cut short left beside the file.
    SiteLoadReport LoadSites(const std::filesystem::path& file, Prompter& prompter);

    // Rewrites the whole file (CP932, CR LF after every line). Refused with a
    // BrineError while the list is damaged.
    void SaveSites(const std::filesystem::path& file) const;
    // The bytes SaveSites writes.
    std::string FileText() const;

    bool Damaged() const { return damaged_; }

    // Stores a site as entry k (1..SiteCount overwrites, SiteCount + 1
    // appends). BrineError with the reason when refused: damaged list, the
    // 1000-site limit, a comma in the name, k out of range. Does not save.
    void StoreSite(int k, std::string nameCp932, float lat, float lon);
    // Deletes site k (1..SiteCount), moving the later sites down and clearing
    // the vacated entry; false when k is not a site. Refused while damaged.
    // Does not save.
    bool DeleteSite(int k);

    // The list entry (0-based, -1 = none) the site window selects on showing
    // for a remembered site number: that site, or the last one when the number
    // is beyond the list.
    int SelectionOnShow(std::uint16_t selected) const;

    // Start-up: loads the list from LocationFile and computes Declination for
    // the remembered site with the default model, exactly as the site window's
    // first showing does. With no site selected Declination stays as it is.
    void InitDeclination(Prompter& prompter);

    // The default site of a new list.
    static constexpr float DefaultSiteLat = 35.6875f;
    static constexpr float DefaultSiteLon = 139.75f;

private:
    void setDefault();
    void ensureWritable() const;
    bool damaged_ = false;
};

// A site name typed in the window (UTF-8) as stored (CP932). BrineError when
// it holds a comma or a character CP932 cannot hold.
std::string SiteNameFromUi(std::string_view utf8);

// Formats a coordinate as written to the file: the 32-bit value widened, up
// to 15 significant digits, "." as decimal point.
std::string SiteNumberText(float v);

// The program's one site list.
SiteList& AppSites();

}  // namespace brine
