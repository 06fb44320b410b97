#include "converters/convert_fishing_port.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <utility>
#include <vector>

#include "converters/conversion_support.h"
#include "converters/hourly_csv.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/text_fields.h"
#include "core/line_split.h"

namespace brine {
namespace {

constexpr std::size_t kFirstItem = 5;  // fields 1 to 4 hold the date and hour
constexpr std::size_t kMaxPortFields = 128;

struct PortWords {
    std::string dateTitles[4] = {utf8ToCp932("年"), utf8ToCp932("月"), utf8ToCp932("日"), utf8ToCp932("時")};
    std::string significant = utf8ToCp932("1/3最大(有義)");
    std::string significantHeight = utf8ToCp932(kPortLongSignificantHeight);
    std::string significantPeriod = utf8ToCp932(kPortLongSignificantPeriod);
    std::string heightName = utf8ToCp932(kPortSignificantHeight);
    std::string periodName = utf8ToCp932(kPortSignificantPeriod);
    std::string memoLabel = utf8ToCp932(Text(Tx::FishingPortMemoLabel));
    std::vector<std::pair<std::string, float>> scales;

    PortWords() {
        using Names = std::initializer_list<std::string_view>;
        for (std::string_view n : Names{kPortMaxHeight, "1/10最大波高", kPortSignificantHeight, "平均波高", "上層流速",
                                        "中層流速", "下層流速", "水位"})
            scales.emplace_back(utf8ToCp932(n), 0.01f);
        for (std::string_view n : Names{"最大波周期", "1/10最大波周期", kPortSignificantPeriod, "平均波周期", "水温"})
            scales.emplace_back(utf8ToCp932(n), 0.1f);
        for (std::string_view n : Names{"波数", kPortDirection, "主波向", "上層流向", "中層流向", "下層流向"})
            scales.emplace_back(utf8ToCp932(n), 1.0f);
    }
};

const PortWords& words() {
    static const PortWords w;
    return w;
}

struct PortRow {
    std::size_t line = 0;
    long long hour = 0;  // hours since the day-count epoch
};

struct PortTable {
    std::vector<std::string> header;
    std::size_t leftOut = 0;  // item columns beyond the line's field limit
    double start = 0;
    long long firstHour = 0;
    long long lastHour = 0;
    std::vector<PortRow> rows;
};

enum class Check { Ready, NotMine };

// Fields 1 to 4 as a whole hour; hour 24 is 0 h of the next day. Throws on
// a row that holds no valid date.
long long rowHour(const std::vector<std::string_view>& f, double* time = nullptr) {
    if (f.size() < kFirstItem) throw FormatError();
    int v[4];
    for (std::size_t i = 0; i < 4; ++i) {
        auto n = ParseInt(f[i + 1]);
        if (!n) throw ConversionError(Text(Tx::HourlyBadDate));
        v[i] = *n;
    }
    if (v[3] < 0 || v[3] > 24) throw ConversionError("時刻が正しくありません。");
    DateTimeParts p;
    p.year = v[0];
    p.month = v[1];
    p.day = v[2];
    const double day = EncodeDateTime(p) + (v[3] == 24 ? 1 : 0);
    const int hour = v[3] == 24 ? 0 : v[3];
    if (time) {
        p.hour = hour;
        *time = v[3] == 24 ? day : EncodeDateTime(p);
    }
    return std::llround(day) * 24 + hour;
}

// First pass: the date titles and the rows of the table. The table ends at
// the first row not later than the first one; empty lines are passed over.
Check checkTable(const std::vector<std::string>& lines, PortTable& t) {
    if (lines.empty()) return Check::NotMine;
    t.header = SplitCommas(lines[0]);
    if (t.header.size() > kMaxPortFields) t.header.resize(kMaxPortFields);
    t.leftOut = FieldsBeyond(lines[0], kMaxPortFields);
    if (t.header.size() < kFirstItem) return Check::NotMine;
    for (std::size_t i = 0; i < 4; ++i)
        if (t.header[i + 1] != words().dateTitles[i]) return Check::NotMine;
    if (t.header.size() == kFirstItem) throw FormatError();  // no item column

    std::vector<std::string_view> fields;
    for (std::size_t r = 1; r < lines.size(); ++r) {
        if (lines[r].empty()) continue;
        SplitFieldViews(lines[r], fields);
        const bool first = t.rows.empty();
        const long long hour = rowHour(fields, first ? &t.start : nullptr);
        if (first) {
            t.firstHour = t.lastHour = hour;
        } else if (hour <= t.firstHour) {
            break;
        }
        t.rows.push_back({r, hour});
        t.lastHour = std::max(t.lastHour, hour);
    }
    if (t.rows.empty()) return Check::NotMine;
    return Check::Ready;
}

// "name(unit)"; the brackets of "1/3最大(有義)" are part of the name.
HourlyChannel channelOf(std::string_view title) {
    const PortWords& w = words();
    std::size_t from = 0;
    std::size_t s = findCp932(title, w.significant);
    if (s != std::string_view::npos) from = s + w.significant.size();
    HourlyChannel c;
    std::size_t open = title.find('(', from);
    if (open == std::string_view::npos) {
        c.name = std::string(title);
    } else {
        c.name = std::string(title.substr(0, open));
        std::size_t close = title.find(')', open + 1);
        c.unit = std::string(title.substr(open + 1, close == std::string_view::npos ? close : close - open - 1));
    }
    if (c.name == w.significantHeight) c.name = w.heightName;
    if (c.name == w.significantPeriod) c.name = w.periodName;
    return c;
}

// The port name between the first "(" and the first ")" of the first title.
std::string portNameOf(std::string_view title) {
    std::size_t open = title.find('(');
    std::size_t close = title.find(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
    return std::string(title.substr(open + 1, close - open - 1));
}

}  // namespace

std::optional<float> FishingPortScale(std::string_view itemName) {
    for (const auto& [name, scale] : words().scales)
        if (name == itemName) return scale;
    return std::nullopt;
}

bool ReadFishingPortCsv(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress) {
    std::vector<std::string> lines;
    PortTable table;
    Check check = Check::NotMine;
    try {
        lines = ReadTextLines(fileName);
        check = checkTable(lines, table);
    } catch (const std::exception& e) {
        ReportBadFile(fileName, e, prompter);
        return false;
    }
    if (check != Check::Ready) return false;

    HourlyBurst burst;
    const std::string port = portNameOf(table.header[0]);
    for (std::size_t i = kFirstItem; i < table.header.size(); ++i) {
        HourlyChannel c = channelOf(table.header[i]);
        auto scale = FishingPortScale(c.name);
        if (!scale) {
            prompter.error(Text(Tx::FishingPortUnknownItem, {cp932ToUtf8(c.name)}));
            return false;
        }
        c.scale = *scale;
        burst.channels.push_back(std::move(c));
    }

    const std::size_t nch = burst.channels.size();
    const long long span = table.lastHour - table.firstHour;
    if (!AcceptBurstGrid(table.start, table.start + static_cast<double>(span) / 24, static_cast<unsigned long long>(span) + 1,
                         nch, table.rows.size(), prompter))
        return false;
    const int sampleSize = static_cast<int>(span + 1);
    burst.data.assign(nch, std::vector<std::int16_t>(static_cast<std::size_t>(sampleSize), ErrorData));
    long long outOfRange = 0;
    {
        ProgressScope scope(progress, "ファイルの読み取り", false);
        std::vector<std::string_view> fields;
        int shown = -1;
        for (const PortRow& row : table.rows) {
            const auto k = static_cast<std::size_t>(row.hour - table.firstHour);
            SplitFieldViews(lines[row.line], fields);
            for (std::size_t i = 0; i < nch && kFirstItem + i < fields.size(); ++i) {
                std::int16_t count = ErrorData;
                if (auto v = ParseNumber(TrimView(fields[kFirstItem + i])))
                    count = HourlyCount(*v, burst.channels[i].scale, outOfRange);
                burst.data[i][k] = count;
            }
            const int percent = PercentOf(static_cast<int>(k) + 1, sampleSize);
            if (percent != shown) progress.SetPercent(shown = percent);
        }
    }
    burst.memo = words().memoLabel + port;
    burst.startTime = table.start;
    burst.sampleSize = sampleSize;
    burst.outputName =
        (std::filesystem::path(fileName).parent_path() / ("Wave_" + FileNamePart(port) + ".sdf")).string();
    StoreHourlyBurst(m, std::move(burst));
    ReportColumnsLeftOut(table.leftOut, prompter);
    ReportOutOfRange(outOfRange, prompter);
    return true;
}

}  // namespace brine
