#include "converters/convert_jma.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include "converters/conversion_support.h"
#include "converters/hourly_csv.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "base/text_fields.h"
#include "core/line_split.h"

namespace brine {

const std::array<CompassPoint, 16> CompassPoints{{
    {"N", 0.0f},     {"NNE", 22.5f},  {"NE", 45.0f},  {"ENE", 67.5f},  {"E", 90.0f},  {"ESE", 112.5f},
    {"SE", 135.0f},  {"SSE", 157.5f}, {"S", 180.0f},  {"SSW", 202.5f}, {"SW", 225.0f}, {"WSW", 247.5f},
    {"W", 270.0f},   {"WNW", 292.5f}, {"NW", 315.0f}, {"NNW", 337.5f},
}};

namespace {

constexpr float kDirectionScale = 0.1f;
// Finer scales cannot be held by a Single.
constexpr int kMaxDecimals = 38;

// The words of the file, in its code page.
struct JmaWords {
    std::string titles[4] = {utf8ToCp932(kJmaTitles[0]), utf8ToCp932(kJmaTitles[1]), utf8ToCp932(kJmaTitles[2]),
                             utf8ToCp932(kJmaTitles[3])};
    std::string hourly = utf8ToCp932(kJmaHourly);
    std::string tilde = utf8ToCp932("～");
    std::string direction = utf8ToCp932(kJmaDirectionUnit);
    std::string wideOpen = utf8ToCp932("（");
    std::string wideClose = utf8ToCp932("）");
    std::string dataLabel = utf8ToCp932(Text(Tx::JmaMemoData));
    std::string siteLabel = utf8ToCp932(Text(Tx::JmaMemoSite));
    std::string dateUnits[6] = {utf8ToCp932("年"), utf8ToCp932("月"), utf8ToCp932("日"),
                                utf8ToCp932("時"), utf8ToCp932("分"), utf8ToCp932("秒")};
};

const JmaWords& words() {
    static const JmaWords w;
    return w;
}

struct JmaColumn {
    HourlyChannel channel;
    bool direction = false;
    int decimals = 0;
    // Range of the values that have a count at A = 1; none while low > high.
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    bool coarsened = false;  // A is coarser than the decimals ask for
};

struct JmaTable {
    std::string memo;
    double start = 0;
    std::vector<JmaColumn> columns;
    std::size_t leftOut = 0;  // item columns beyond the line's field limit
    std::size_t rows = 0;
};

enum class Check { Ready, NotMine, NotHourly, NoRows };

constexpr std::size_t kFirstRow = 3;

// Position of the last `token` in CP932 text; npos when none.
std::size_t lastOf(std::string_view s, std::string_view token) {
    std::size_t last = std::string_view::npos;
    for (std::size_t p = findCp932(s, token); p != std::string_view::npos; p = findCp932(s, token, p + token.size()))
        last = p;
    return last;
}

// "name(unit)": either bracket may be one byte or two. The unit runs from the
// first opening bracket to the last closing one; a title without an opening
// bracket is all name.
JmaColumn columnOf(std::string_view title) {
    const JmaWords& w = words();
    JmaColumn c;
    const std::size_t narrow = findCp932(title, "(");
    const std::size_t wide = findCp932(title, w.wideOpen);
    const std::size_t open = std::min(narrow, wide);
    if (open == std::string_view::npos) {
        c.channel.name = std::string(title);
        return c;
    }
    c.channel.name = std::string(title.substr(0, open));
    std::string_view unit = title.substr(open + (open == narrow ? 1 : w.wideOpen.size()));
    std::size_t close = std::string_view::npos;
    for (std::size_t p : {lastOf(unit, ")"), lastOf(unit, w.wideClose)})
        if (p != std::string_view::npos && (close == std::string_view::npos || p > close)) close = p;
    if (close != std::string_view::npos) unit = unit.substr(0, close);
    if (unit == w.direction) {
        c.direction = true;
        c.channel.unit = "deg";
        c.channel.scale = kDirectionScale;
    } else {
        c.channel.unit = std::string(unit);
    }
    return c;
}

// Digits after the decimal point of a number text.
int decimalsOf(std::string_view number) {
    std::size_t p = number.find('.');
    return p == std::string_view::npos ? 0 : static_cast<int>(number.size() - p - 1);
}

// Only numbers count, so a marked or damaged value does not refine the scale
// of its column; a value too large for any scale does not coarsen it.
void takeValue(JmaColumn& c, std::string_view text) {
    text = TrimView(text);
    auto v = ParseNumber(text);
    if (!v) return;
    c.decimals = std::max(c.decimals, decimalsOf(text));
    std::int16_t count = 0;
    if (ValueToCount(*v, 1.0f, 0.0f, count) != CountStatus::Ok || count == ErrorData) return;
    c.low = std::min(c.low, *v);
    c.high = std::max(c.high, *v);
}

bool fitsAt(const JmaColumn& c, float a) {
    if (c.low > c.high) return true;
    for (double v : {c.low, c.high}) {
        std::int16_t count = 0;
        if (ValueToCount(v, a, 0.0f, count) != CountStatus::Ok || count == ErrorData) return false;
    }
    return true;
}

// The finest scale 10^-d the decimals ask for, made coarser in steps of ten
// until every value of the column has a count.
void chooseScale(JmaColumn& c) {
    if (c.direction || c.decimals == 0) return;
    const int finest = std::min(c.decimals, kMaxDecimals);
    int d = finest;
    while (d > 0 && !fitsAt(c, static_cast<float>(std::pow(10.0L, -d)))) --d;
    c.channel.scale = static_cast<float>(std::pow(10.0L, -d));
    c.coarsened = d < finest;
}

// First pass: the three header lines and the extent of the table. Throws on
// a damaged file.
Check checkTable(const std::vector<std::string>& lines, JmaTable& t) {
    const JmaWords& w = words();
    if (lines.empty()) return Check::NotMine;
    std::vector<std::string> f = SplitCommas(lines[0]);
    if (f.size() < 4) return Check::NotMine;
    for (std::size_t i = 0; i < 4; ++i)
        if (f[i] != w.titles[i]) return Check::NotMine;

    if (lines.size() < 2) throw FormatError();
    f = SplitCommas(lines[1]);
    if (f.size() < 4) throw FormatError();
    std::size_t tilde = findCp932(f[3], w.tilde);
    if (tilde == std::string::npos) throw FormatError();
    t.start = ParseJapaneseDateTime(std::string_view(f[3]).substr(0, tilde));
    ParseJapaneseDateTime(std::string_view(f[3]).substr(tilde + w.tilde.size()));
    t.memo = w.dataLabel + f[0] + "," + w.siteLabel + f[1];
    if (f[2] != w.hourly) return Check::NotHourly;

    if (lines.size() < 3) throw FormatError();
    f = SplitCommas(lines[2]);
    if (f.size() < 2) throw FormatError();  // no item column
    for (std::size_t i = 1; i < f.size(); ++i) t.columns.push_back(columnOf(f[i]));
    t.leftOut = FieldsBeyond(lines[2], static_cast<std::size_t>(kMaxFields));

    std::vector<std::string_view> fields;
    for (std::size_t r = kFirstRow; r < lines.size() && !lines[r].empty(); ++r) {
        ++t.rows;
        SplitFieldViews(lines[r], fields);
        for (std::size_t i = 0; i < t.columns.size() && i + 1 < fields.size(); ++i)
            if (!t.columns[i].direction) takeValue(t.columns[i], fields[i + 1]);
    }
    if (t.rows == 0) return Check::NoRows;
    for (JmaColumn& c : t.columns) chooseScale(c);
    return Check::Ready;
}

std::int16_t directionCount(std::string_view text, long long& outOfRange) {
    for (const CompassPoint& p : CompassPoints)
        if (text == p.Name) return HourlyCount(p.Bearing, kDirectionScale, outOfRange);
    return ErrorData;
}

// Second pass: row j is sample j. A field the row lacks is missing.
void readRows(const std::vector<std::string>& lines, const JmaTable& t, HourlyBurst& burst, long long& outOfRange,
              ProgressSink& progress) {
    const std::size_t nch = t.columns.size();
    burst.data.assign(nch, std::vector<std::int16_t>(t.rows, ErrorData));
    std::vector<std::string_view> fields;
    const int rows = static_cast<int>(t.rows);
    int shown = -1;
    for (std::size_t j = 0; j < t.rows; ++j) {
        SplitFieldViews(lines[kFirstRow + j], fields);
        for (std::size_t i = 0; i < nch && i + 1 < fields.size(); ++i) {
            std::string_view text = TrimView(fields[i + 1]);
            const JmaColumn& c = t.columns[i];
            if (c.direction) {
                burst.data[i][j] = directionCount(text, outOfRange);
            } else if (auto v = ParseNumber(text)) {
                burst.data[i][j] = HourlyCount(*v, c.channel.scale, outOfRange);
            }
        }
        int percent = PercentOf(static_cast<int>(j) + 1, rows);
        if (percent != shown) progress.SetPercent(shown = percent);
    }
}

}  // namespace

double ParseJapaneseDateTime(std::string_view cp932) {
    const JmaWords& w = words();
    int v[6] = {0, 1, 1, 0, 0, 0};
    std::string_view rest = cp932;
    for (int u = 0; u < 6; ++u) {
        std::size_t p = findCp932(rest, w.dateUnits[u]);
        if (p == std::string_view::npos) break;
        auto n = ParseInt(rest.substr(0, p));
        if (!n) throw ConversionError(Text(Tx::HourlyBadDate));
        v[u] = *n;
        rest.remove_prefix(p + w.dateUnits[u].size());
    }
    const bool nextDay = v[3] == 24;
    DateTimeParts parts;
    parts.year = v[0];
    parts.month = v[1];
    parts.day = v[2];
    parts.hour = nextDay ? 0 : v[3];
    parts.minute = v[4];
    parts.second = v[5];
    parts.msec = 0;
    double t = EncodeDateTime(parts);
    return nextDay ? t + 1 : t;
}

bool ReadMeteorologicalCsv(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress) {
    std::vector<std::string> lines;
    JmaTable table;
    Check check = Check::NotMine;
    std::exception_ptr failure;
    {
        ProgressScope scope(progress, "データのチェック中", false);
        try {
            lines = ReadTextLines(fileName);
            check = checkTable(lines, table);
        } catch (const std::exception&) {
            failure = std::current_exception();
        }
    }
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            ReportBadFile(fileName, e, prompter);
        }
        return false;
    }
    if (check == Check::NotHourly) {
        prompter.error(Text(Tx::JmaNotHourly));
        return false;
    }
    if (check != Check::Ready) return false;
    if (!AcceptBurstGrid(table.start, table.start + static_cast<double>(table.rows - 1) / 24, table.rows,
                         table.columns.size(), table.rows, prompter))
        return false;

    HourlyBurst burst;
    long long outOfRange = 0;
    {
        ProgressScope scope(progress, "ファイルの読み取り", false);
        readRows(lines, table, burst, outOfRange, progress);
    }
    burst.memo = table.memo;
    burst.startTime = table.start;
    burst.sampleSize = static_cast<int>(table.rows);
    for (const JmaColumn& c : table.columns) burst.channels.push_back(c.channel);
    burst.outputName = WithExtension(fileName, ".sdf");
    StoreHourlyBurst(m, std::move(burst));
    ReportColumnsLeftOut(table.leftOut, prompter);
    std::string coarsened;
    for (const JmaColumn& c : table.columns)
        if (c.coarsened) coarsened += "\n" + cp932ToUtf8(c.channel.name) + "：" + FormatGeneral(c.channel.scale);
    if (!coarsened.empty())
        prompter.information(Text(Tx::JmaScaleCoarsened) + coarsened);
    ReportOutOfRange(outOfRange, prompter);
    return true;
}

}  // namespace brine
