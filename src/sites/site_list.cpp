#include "sites/site_list.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <optional>

#include "sites/declination.h"
#include "base/binary_file.h"
#include "base/cp932.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/safe_write/read_opening.h"
#include "base/safe_write/safe_replace.h"
#include "core/line_split.h"
#include "platform/api/prompter.h"
#include "base/texts.h"

namespace brine {
namespace {

// Lines end with CR LF, LF or a lone CR; the last line may lack its end.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::optional<float> readCoordinate(const std::string& field) {
    std::optional<double> v = ParseNumber(field);
    if (!v || !std::isfinite(*v) || std::fabs(*v) > FLT_MAX) return std::nullopt;
    return static_cast<float>(*v);
}

std::string lineList(const std::vector<int>& lines) {
    std::string s;
    const std::size_t shown = std::min<std::size_t>(lines.size(), 10);
    for (std::size_t i = 0; i < shown; ++i) s += (i ? ", " : "") + std::to_string(lines[i]);
    if (lines.size() > shown) s += " ほか " + std::to_string(lines.size() - shown) + " 行";
    return s;
}

}  // namespace

SiteList::SiteList() = default;

void SiteList::setDefault() {
    SiteName.fill(std::string());
    SiteLat.fill(0);
    SiteLon.fill(0);
    SiteCount = 1;
    SiteName[1] = utf8ToCp932(Text(Tx::SiteDefaultName));
    SiteLat[1] = DefaultSiteLat;
    SiteLon[1] = DefaultSiteLon;
}

SiteLoadReport SiteList::LoadSites(const std::filesystem::path& file) {
    SiteLoadReport report;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec) && !ec) {
        setDefault();
        damaged_ = false;
        report.created = true;
        SaveSites(file);
        return report;
    }
    // A thousand lines of a name and two numbers: a file much larger is
    // no site list.
    constexpr std::uint64_t kMaxBytes = 16u << 20;
    std::string text;
    try {
        text = ReadWholeToRead(file, {"地点ファイルを読み込めません: %1", kMaxBytes});
    } catch (const FormatError& e) {
        // The file is there but unreadable: what is in memory no longer
        // matches it, so it must not be written over.
        damaged_ = true;
        throw IoError(e.what());
    } catch (const IoError&) {
        damaged_ = true;
        throw IoError("地点ファイルを読み込めません: " + file.string());
    }

    struct Site {
        std::string name;
        float lat, lon;
    };
    std::vector<Site> sites;
    const std::vector<std::string_view> lines = splitLines(text);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string_view line = lines[n];
        if (line.empty()) continue;
        if (static_cast<int>(sites.size()) == MaxSites) {
            report.tooMany = true;
            break;
        }
        const std::vector<std::string> fields = SplitCommas(line);
        std::optional<float> lat, lon;
        // A NUL is never text: it is a replace cut short, or other damage.
        if (fields.size() >= 3 && fields.size() <= 5 && line.find('\0') == std::string_view::npos) {
            lat = readCoordinate(fields[1]);
            lon = readCoordinate(fields[2]);
        }
        if (!lat || !lon) {
            report.badLines.push_back(static_cast<int>(n) + 1);
            continue;
        }
        sites.push_back({fields[0], *lat, *lon});
    }

    SiteName.fill(std::string());
    SiteLat.fill(0);
    SiteLon.fill(0);
    SiteCount = static_cast<int>(sites.size());
    for (int k = 1; k <= SiteCount; ++k) {
        SiteName[k] = std::move(sites[k - 1].name);
        SiteLat[k] = sites[k - 1].lat;
        SiteLon[k] = sites[k - 1].lon;
    }
    damaged_ = report.damaged();
    return report;
}

SiteLoadReport SiteList::LoadSites(const std::filesystem::path& file, Prompter& prompter) {
    SiteLoadReport report = LoadSites(file);
    if (report.damaged()) {
        std::string text = Text(Tx::SiteFileDamaged, {file.string()}) + "\n";
        if (!report.badLines.empty()) text += "読み込めない行: " + lineList(report.badLines) + "\n";
        if (report.tooMany) text += "1000 地点を超える行は読み込みませんでした。\n";
        text += "読み込めた地点だけを使います。ファイルを直すまで地点の登録と削除はできません。";
        prompter.warning(text);
    }
    return report;
}

std::string SiteNumberText(float v) { return FormatGeneral(static_cast<double>(v), 15); }

std::string SiteList::FileText() const {
    std::string text;
    for (int k = 1; k <= SiteCount; ++k)
        text += SiteName[k] + "," + SiteNumberText(SiteLat[k]) + "," + SiteNumberText(SiteLon[k]) + "\r\n";
    return text;
}

void SiteList::ensureWritable() const {
    if (damaged_)
        throw BrineError(
            "地点ファイルに読み込めない部分があったため、地点の登録と削除はできません。"
            "ファイルを直してから開き直してください。");
}

void SiteList::SaveSites(const std::filesystem::path& file) const {
    ensureWritable();
    SafeReplace out(file);
    try {
        const std::string text = FileText();
        BinaryFile f(out.tempPath(), OpenMode::Update);
        f.writeAll(text.data(), text.size());
        f.close();
    } catch (const IoError&) {
        throw IoError("地点ファイルを書き込めません: " + file.string());
    }
    out.commit();
}

void SiteList::StoreSite(int k, std::string nameCp932, float lat, float lon) {
    ensureWritable();
    if (k < 1 || k > SiteCount + 1) throw RangeError();
    if (k > SiteCount && SiteCount >= MaxSites) throw BrineError(Text(Tx::SiteTooMany));
    if (nameCp932.find_first_of(",\r\n") != std::string::npos) throw BrineError(Text(Tx::SiteNameComma));
    SiteName[k] = std::move(nameCp932);
    SiteLat[k] = lat;
    SiteLon[k] = lon;
    if (k > SiteCount) ++SiteCount;
}

bool SiteList::DeleteSite(int k) {
    if (k < 1 || k > SiteCount) return false;
    ensureWritable();
    for (int j = k; j < SiteCount; ++j) {
        SiteName[j] = std::move(SiteName[j + 1]);
        SiteLat[j] = SiteLat[j + 1];
        SiteLon[j] = SiteLon[j + 1];
    }
    SiteName[SiteCount].clear();
    SiteLat[SiteCount] = 0;
    SiteLon[SiteCount] = 0;
    --SiteCount;
    return true;
}

int SiteList::SelectionOnShow(std::uint16_t selected) const {
    if (static_cast<int>(selected) <= SiteCount - 1) return static_cast<int>(selected) - 1;
    return SiteCount - 1;
}

void SiteList::InitDeclination(Prompter& prompter) {
    try {
        LoadSites(LocationFile, prompter);
    } catch (const BrineError& e) {
        // A default list that could not be written is still usable.
        prompter.error(e.what());
    }
    const int index = SelectionOnShow(SelectedLocation);
    if (index < 0) return;
    const int i = index + 1;
    try {
        // Through the shown text, as the window computes from its edits.
        const DegreeText lat = DegreesToText(SiteLat[i]);
        const DegreeText lon = DegreesToText(SiteLon[i]);
        Declination = CalcDeclination(DefaultDeclinationModel, TextToDegrees(lat.Deg, lat.Min, lat.Sec),
                                      TextToDegrees(lon.Deg, lon.Min, lon.Sec));
    } catch (const BrineError& e) {
        prompter.error(e.what());
    }
}

std::string SiteNameFromUi(std::string_view utf8) {
    if (utf8.find_first_of(",\r\n") != std::string_view::npos) throw BrineError(Text(Tx::SiteNameComma));
    bool lossy = false;
    std::string name = utf8ToCp932(utf8, &lossy);
    if (lossy) throw BrineError(Text(Tx::SiteNameUnwritable));
    return name;
}

SiteList& AppSites() {
    static SiteList sites;
    return sites;
}

}  // namespace brine
