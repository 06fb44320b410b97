#include "importers/raw_header.h"

#include <cmath>
#include <optional>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "base/text_fields.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/sample_limits.h"
#include "platform/api/prompter.h"

namespace brine {

const char* const kItemTemperature = "Temperature";
const char* const kItemConductivity = "Conductivity";
const char* const kItemSalinity = "Salinity";

bool GetKeyValue(std::string_view line, std::string_view key, std::string& value) {
    std::size_t p = line.find('=');
    if (p == std::string_view::npos || p == 0 || line.substr(0, p) != key) return false;
    value = std::string(TrimView(line.substr(p + 1)));
    return true;
}

namespace {

// Ends a read with a message; Declined ends it silently (the user said No).
struct Refusal {
    Tx message;
    std::string_view more = {};  // lines the message goes on with
};
struct Declined {};

constexpr int kCoefRows = 6;

// What a file of another measuring mode can do instead.
constexpr std::string_view kBurstOnlyAdvice =
    "\ncsvファイルに変換して「カンマ区切りデータ」として読みこむか，\n作者にお問い合わせ下さい。";

bool contains(std::string_view s, std::string_view what) { return s.find(what) != std::string_view::npos; }

std::string_view nextLine(LineReader& r, Tx atEnd) {
    std::string_view line;
    if (!r.next(line)) throw Refusal{atEnd};
    return line;
}

double needNumber(const std::optional<std::string>& text) {
    if (!text) throw Refusal{Tx::ImportBadHeader};
    std::optional<double> v = ParseDecimal(*text);
    if (!v) throw Refusal{Tx::ImportBadHeader};
    return *v;
}

long long needWhole(const std::optional<std::string>& text) {
    if (!text) throw Refusal{Tx::ImportBadHeader};
    std::optional<long long> v = ParseWhole(*text);
    if (!v) throw Refusal{Tx::ImportBadHeader};
    return *v;
}

double needDate(const std::string& text) {
    std::optional<double> t = ParseDateTime(text);
    if (!t) throw Refusal{Tx::ImportBadHeader};
    return *t;
}

// The sampling interval as the dialog shows it must be a usable positive
// number of seconds: at least one microsecond once rounded, and small enough
// for a 32-bit count of milliseconds.
double checkedInterval(const std::string& shown) {
    std::optional<double> dt = ParseDecimal(shown);
    if (!dt || !(*dt * 1.0e6 >= 0.5) || !(*dt < 2.0e6)) throw Refusal{Tx::ImportBadHeader};
    return *dt;
}

std::int32_t checkedBurstSeconds(long long seconds) {
    if (seconds < 0 || seconds > 2147483647LL) throw Refusal{Tx::ImportBadHeader};
    return static_cast<std::int32_t>(seconds);
}

// Samples per burst and bursts, refused unless both are usable; total is the
// number of samples the header declares.
void setCounts(AlecHeader& h, long long samples, long long bursts, long long total, std::uint64_t fileSize) {
    // A file shorter than one burst is an instrument that stopped early, up
    // to the limit of a burst; beyond it the header is damaged.
    const bool fileHoldsIt = static_cast<unsigned long long>(samples) <= fileSize;
    if (samples < 1 || (!fileHoldsIt && samples > kMaxSamplesPerBurst) || samples > 2147483647LL || bursts < 1)
        throw Refusal{Tx::ImportBadHeader};
    if (bursts > 32767) throw Refusal{Tx::RawTooManyBursts};
    h.SampleSize = static_cast<std::int32_t>(samples);
    h.Iterations = static_cast<std::int16_t>(bursts);
    h.TotalSamples = total;
    h.EditNS = std::to_string(samples);
    h.EditIteration = std::to_string(bursts);
}

long long ceilDiv(long long total, long long per) {
    if (per <= 0 || total < 0) throw Refusal{Tx::ImportBadHeader};
    return total / per + (total % per > 0 ? 1 : 0);
}

// One row of coefficients from comma-separated text; short or non-numeric
// rows are refused.
void readCoefRow(std::string_view text, std::size_t columns, std::array<double, 8>& row) {
    std::vector<std::string_view> fields;
    SplitFieldViews(text, fields);
    if (fields.size() < columns) throw Refusal{Tx::ImportBadHeader};
    for (std::size_t c = 0; c < columns; ++c) {
        std::optional<double> v = ParseDecimal(fields[c]);
        if (!v) throw Refusal{Tx::ImportBadHeader};
        row[c] = *v;
    }
}

void addItem(AlecHeader& h, const char* name, const char* unitUtf8) {
    h.ItemNames.emplace_back(name);
    h.ItemUnits.push_back(utf8ToCp932(unitUtf8));
}

// The sensors both logger families name by the same letter.
bool addLetterItem(AlecHeader& h, char letter) {
    switch (letter) {
        case 'T': addItem(h, kItemTemperature, "℃"); return true;
        case 'L': addItem(h, "Light", "μmol/m2/s"); return true;
        case 'K': addItem(h, "Chlorophyl", "ppb"); return true;
        case 'U': addItem(h, "Turbidity", "FTU"); return true;
        default: return false;
    }
}

// "StartTime": kept as the dialog shows it, and read as a date.
void takeStartTime(AlecHeader& h, const std::string& v, std::optional<std::string>& start) {
    h.EdtStartTime = v;
    h.StartTime = needDate(v);
    start = v;
}

// The coefficient rows up to "[Item]", of which the first `rows` are kept.
void readCoefSection(LineReader& r, AlecHeader& h, int rows) {
    int row = 0;
    for (;;) {
        std::string_view line = nextLine(r, Tx::RawNoHeader);
        if (row < rows) readCoefRow(line, 4, h.Coef[static_cast<std::size_t>(row++)]);
        if (r.eof()) throw Refusal{Tx::RawNoHeader};
        if (contains(line, "[Item]")) break;
    }
}

void askVersion(Prompter& prompter) {
    if (prompter.ask(MsgType::Warning, Question(Tx::RawVersion), MsgButtons::YesNo) != MsgResult::Yes) throw Declined{};
}

// ---- Compact-EM and Compact-WH

void readCompactCurrentOrWave(LineReader& r, AlecHeader& h, Prompter& prompter) {
    const bool wave = h.kind == RawKind::CompactWH;
    std::string_view line = r.nextOrEmpty();
    if (!contains(line, wave ? kCompactWhMark : kCompactEmMark)) throw Refusal{Tx::RawWrongKind};
    line = r.nextOrEmpty();
    if (wave) {
        if (!contains(line, "/  Version V2.10 Mar. 01.2004")) throw Refusal{Tx::RawWrongVersion};
    } else if (!contains(line, "/  Version V2.04") && !contains(line, "/  Version V2.10")) {
        askVersion(prompter);
    }
    h.PageCaption = Text(wave ? Tx::RawTabCompactWh : Tx::RawTabCompactEm);
    h.TransVelChecked = !wave;

    std::string instNo, v;
    std::optional<std::string> start, step, counters, total, burstTime;
    for (;;) {
        line = nextLine(r, Tx::RawNoHeader);
        if (GetKeyValue(line, "InstNo", v)) instNo = v;
        else if (GetKeyValue(line, "StartTime", v)) takeStartTime(h, v, start);
        else if (GetKeyValue(line, "EndTime", v)) h.EdtFinalTime = v;
        else if (GetKeyValue(line, "StepTime", v)) {
            h.EditDT = v;
            step = v;
        } else if (GetKeyValue(line, "Counters", v)) counters = v;
        else if (GetKeyValue(line, "MeasMode", v)) {
            if (v != kBurstMeasMode) throw Refusal{Tx::RawBurstOnly, kBurstOnlyAdvice};
        } else if (GetKeyValue(line, "BurstTime", v)) {
            h.EditBInt = v;
            burstTime = v;
        } else if (GetKeyValue(line, "Comment", v)) {
            h.Memo = v.empty() ? std::string(wave ? "Measurements from Compact WH (JFE Advantech); Instrument No."
                                                  : "Measurements from Compact EM (JFE Advantech); Instrument No.") +
                                     instNo
                               : v;
        } else if (GetKeyValue(line, "TotalCnt", v)) total = v;
        else if (GetKeyValue(line, "AlphaData", v)) h.Alpha = needNumber(v);
        else if (GetKeyValue(line, "BetaData", v)) h.Beta = needNumber(v);
        if (r.eof()) throw Refusal{Tx::RawNoHeader};
        if (contains(line, "[Coef]")) break;
    }
    // Counts are derived once the whole key section is known, whatever the
    // order of its lines.
    if (!start || !step) throw Refusal{Tx::ImportBadHeader};
    h.DT = checkedInterval(h.EditDT);
    h.BurstTime = checkedBurstSeconds(needWhole(burstTime));
    long long perBurst = needWhole(counters);
    long long totalCount = needWhole(total);
    setCounts(h, perBurst, ceilDiv(totalCount, perBurst), totalCount, r.fileSize());

    readCoefSection(r, h, wave ? 1 : kCoefRows);
}

// ---- MDS-MkV and other Compact loggers

void readCompactLogger(LineReader& r, AlecHeader& h) {
    std::string_view line = r.nextOrEmpty();
    if (contains(line, kMdsMkVMark)) h.PageCaption = Text(Tx::RawTabMdsMkV);
    else if (contains(line, kCompactClwMark)) h.PageCaption = Text(Tx::RawTabCompactClw);
    else throw Refusal{Tx::RawWrongKind};
    r.nextOrEmpty();  // version line, not tested
    h.EditBInt = "0";
    h.TransVelChecked = false;

    std::string instNo, instType, model, v;
    std::optional<std::string> start, end, counters, total;
    double stepDays = 0;
    bool burst = false, haveStep = false;
    for (;;) {
        line = nextLine(r, Tx::RawNoHeader);
        if (GetKeyValue(line, "InstNo", v)) instNo = v;
        else if (GetKeyValue(line, "StartTime", v)) takeStartTime(h, v, start);
        else if (GetKeyValue(line, "EndTime", v)) {
            h.EdtFinalTime = v;
            needDate(v);
            end = v;
        } else if (GetKeyValue(line, "StepTime", v)) {
            double step = needNumber(v);
            h.EditDT = FormatGeneral(step, 5);
            stepDays = step / 86400;
            haveStep = true;
        } else if (GetKeyValue(line, "Counters", v)) {
            if (v != "9999999") counters = v;
        } else if (GetKeyValue(line, "MeasMode", v)) burst = v == kBurstMeasMode;
        else if (GetKeyValue(line, "BurstTime", v)) h.EditBInt = v;
        else if (GetKeyValue(line, "Comment", v)) {
            h.Memo = "Measurements from Compact-" + model + " (Alec); Instrument No." + instNo;
            if (!v.empty()) h.Memo += "; " + v;
        } else if (GetKeyValue(line, "TotalCnt", v)) total = v;
        else if (GetKeyValue(line, "InstType", v)) {
            instType = v == "TKURB" ? "TKU" : v;
            model = v == "TKURB" ? "CLW" : v;
        }
        if (r.eof()) throw Refusal{Tx::RawNoHeader};
        if (contains(line, "[Coef]")) break;
    }
    if (!start || !haveStep) throw Refusal{Tx::ImportBadHeader};
    h.DT = checkedInterval(h.EditDT);
    long long totalCount = needWhole(total);
    if (burst) {
        long long perBurst = needWhole(counters);
        h.BurstTime = checkedBurstSeconds(needWhole(h.EditBInt));
        setCounts(h, perBurst, ceilDiv(totalCount, perBurst), totalCount, r.fileSize());
    } else {
        std::optional<long long> bint = ParseWhole(h.EditBInt);
        h.BurstTime = bint ? checkedBurstSeconds(*bint) : 0;
        long long samples = totalCount;
        if (samples <= 0) {
            if (!end) throw Refusal{Tx::ImportBadHeader};
            double span = (needDate(*end) - h.StartTime) / stepDays;
            if (!(span >= 0 && span < 2.0e9)) throw Refusal{Tx::ImportBadHeader};
            samples = RoundHalfAway(span) + 1LL;
        }
        setCounts(h, samples, 1, samples, r.fileSize());
    }

    // Items, one per letter; conductivity is followed by its computed salinity.
    if (instType.empty() || instType.size() > static_cast<std::size_t>(kCoefRows)) throw Refusal{Tx::ImportBadHeader};
    for (char c : instType) {
        if (c == 'C') {
            addItem(h, kItemConductivity, "mS/cm");
            addItem(h, kItemSalinity, "");
        } else if (!addLetterItem(h, c)) {
            throw Refusal{Tx::RawUnknownModel};
        }
    }
    h.ItemCount = static_cast<int>(h.ItemNames.size());

    readCoefSection(r, h, static_cast<int>(instType.size()));
}

// ---- Infinity-EM and other Infinity sondes

void readInfinity(LineReader& r, AlecHeader& h, Prompter& prompter) {
    const bool current = h.kind == RawKind::InfinityEM;
    std::string_view line = r.nextOrEmpty();
    if (!contains(line, kInfinityMark)) throw Refusal{Tx::RawWrongKind};
    line = r.nextOrEmpty();
    if (current && !contains(line, "//" + std::string(kInfinityEmVersion))) askVersion(prompter);
    r.nextOrEmpty();  // third line, not used
    h.TransVelChecked = current;

    std::string sondeNo, v;
    std::optional<std::string> start, interval, sampleCnt, burstCnt, burstTime, channel;
    bool burst = true;
    for (;;) {
        line = nextLine(r, Tx::RawNoHeader);
        if (GetKeyValue(line, "SondeName", v)) {
            if (!current) h.SondeName = v;
        } else if (GetKeyValue(line, "SondeNo", v)) sondeNo = v;
        else if (GetKeyValue(line, "SensorType", v)) {
            if (!current) h.SensorType = v;
        } else if (GetKeyValue(line, "Channel", v)) channel = v;
        else if (GetKeyValue(line, "MeasMode", v)) burst = v != "0";
        else if (GetKeyValue(line, "BurstTime", v)) burstTime = v;
        else if (GetKeyValue(line, "BurstCnt", v)) burstCnt = v;
        else if (GetKeyValue(line, "Interval", v)) {
            interval = v;
            h.EditDT = FormatGeneral(needNumber(v) / 1000, 7);
        } else if (GetKeyValue(line, "SampleCnt", v)) sampleCnt = v;
        else if (GetKeyValue(line, "StartTime", v)) takeStartTime(h, v, start);
        else if (GetKeyValue(line, "EndTime", v)) h.EdtFinalTime = v;
        else if (current && GetKeyValue(line, "AlphaData", v)) h.Alpha = needNumber(v);
        else if (current && GetKeyValue(line, "BetaData", v)) h.Beta = needNumber(v);
        if (r.eof()) throw Refusal{Tx::RawNoHeader};
        if (contains(line, "CoefDate")) break;
    }
    if (!start || !interval) throw Refusal{Tx::ImportBadHeader};
    h.DT = checkedInterval(h.EditDT);
    long long total = needWhole(sampleCnt);
    if (burst) {
        long long minutes = needWhole(burstTime);
        if (minutes < 0 || minutes > 2147483647LL / 60) throw Refusal{Tx::ImportBadHeader};
        h.BurstTime = static_cast<std::int32_t>(minutes * 60);
        long long perBurst = needWhole(burstCnt);
        setCounts(h, perBurst, ceilDiv(total, perBurst), total, r.fileSize());
    } else {
        if (burstTime) {
            std::optional<long long> minutes = ParseWhole(*burstTime);
            if (minutes && *minutes >= 0 && *minutes <= 2147483647LL / 60)
                h.BurstTime = static_cast<std::int32_t>(*minutes * 60);
        }
        setCounts(h, total, 1, total, r.fileSize());
    }
    h.EditBInt = std::to_string(h.BurstTime);

    long long lines = needWhole(channel);
    if (current) {
        if (lines < 1) throw Refusal{Tx::ImportBadHeader};
    } else {
        if (lines < 0 || lines > 255) throw Refusal{Tx::ImportBadHeader};
        if (contains(h.SensorType, "B")) --lines;
        if (lines < 1 || lines > kMaxIntervalChannels) throw Refusal{Tx::ImportBadHeader};
        h.ItemCount = static_cast<int>(lines);
    }
    // Coefficient line i is "Chi" followed by eight numbers; rows past the
    // table are not kept.
    for (long long i = 1; i <= lines; ++i) {
        line = nextLine(r, Tx::ImportBadHeader);
        std::string tag = "Ch" + std::to_string(i);
        if (line.size() >= 3 && line.substr(0, 3) == tag && i <= kCoefRows)
            readCoefRow(line.size() > 4 ? line.substr(4) : std::string_view(), 8,
                        h.Coef[static_cast<std::size_t>(i - 1)]);
    }
    for (;;) {
        line = nextLine(r, Tx::ImportBadHeader);
        if (GetKeyValue(line, "COMMENT", v)) {
            h.Memo = current ? "Measurements from Infinity (JFE Advantech); Instrument No." + sondeNo + "; " + v
                             : "Measurements from " + h.SondeName + " (JFE Advantech); Instrument No." + sondeNo +
                                   "; " + v;
        }
        if (r.eof()) throw Refusal{Tx::ImportBadHeader};
        if (contains(line, "[Item]")) break;
    }

    if (current) {
        h.PageCaption = Text(Tx::RawTabInfinityEm);
        return;
    }
    h.PageCaption = Text(h.SondeName == "ACLW-USB"   ? Tx::RawTabInfinityClw
                         : h.SondeName == "ACTW-USB" ? Tx::RawTabInfinityCtw
                                                     : Tx::RawTabInfinityUnknown);
    h.SalinityHasColumn = true;
    for (int ch = 0; ch < h.ItemCount; ++ch) {
        std::size_t at = static_cast<std::size_t>(ch) * 2;
        std::string code = at < h.SensorType.size() ? h.SensorType.substr(at, 2) : std::string();
        char first = code.empty() ? '\0' : code[0];
        bool salinity = false;
        if (first == 'C') {
            if (code == "C1") addItem(h, kItemConductivity, "mS/cm");
            else if (code == "C2") {
                addItem(h, kItemSalinity, "");
                salinity = true;
            } else addItem(h, "", "");
        } else if (!addLetterItem(h, first)) {
            addItem(h, "Unknown", "FTU");
        }
        // Channel ch is calibrated with row ch: past the table it has none.
        if (!salinity && ch >= kCoefRows) throw Refusal{Tx::ImportBadHeader};
    }
}

}  // namespace

bool ReadAlecHeader(RawKind kind, const std::string& fileName, Prompter& prompter, AlecHeader& out) {
    AlecHeader h;
    h.kind = kind;
    try {
        LineReader r(fileName);
        switch (kind) {
            case RawKind::CompactEM:
            case RawKind::CompactWH: readCompactCurrentOrWave(r, h, prompter); break;
            case RawKind::Compact: readCompactLogger(r, h); break;
            case RawKind::InfinityEM:
            case RawKind::Infinity: readInfinity(r, h, prompter); break;
        }
        // Without a burst interval every burst would carry the same time.
        if (h.Iterations > 1 && h.BurstTime <= 0) throw Refusal{Tx::ImportBadHeader};
    } catch (const Refusal& refusal) {
        prompter.error(Text(refusal.message) + std::string(refusal.more));
        return false;
    } catch (const Declined&) {
        return false;
    } catch (const IoError& e) {
        prompter.error(e.what());
        return false;
    }
    h.FileName = fileName;
    out = std::move(h);
    return true;
}

// ---- SDF headers

namespace {

void setCommon(const AlecHeader& h, CurrentFile& m) {
    m.ResetHeader();
    m.SetMemo(h.Memo);
    m.StartTime = h.StartTime;
    m.SampleSize = h.SampleSize;
    m.Iterations = h.Iterations;
}

void setChannel(CurrentFile& m, int k, std::string_view name, std::string_view unit, float a) {
    m.SetChannelName(k, name);
    m.SetChannelUnit(k, unit);
    m.ScaleA[static_cast<std::size_t>(k)] = a;
    m.OffsetB[static_cast<std::size_t>(k)] = 0;
}

// Whole hours, else seconds when not whole minutes, else minutes.
void setBurstInterval(std::int32_t seconds, CurrentFile& m) {
    if (seconds % 3600 == 0) {
        m.BInt = seconds / 3600;
        m.BITUnit = 4;
    } else if (seconds % 60 != 0) {
        m.BInt = seconds;
        m.BITUnit = 2;
    } else {
        m.BInt = seconds / 60;
        m.BITUnit = 3;
    }
}

// A fractional number of seconds, stored exactly: whole milliseconds, else
// microseconds (16 Hz gives 62500 usec, 0.0004 s 400 usec). Milliseconds
// rounded only when a microsecond count would not fit.
void setSubsecondInterval(double dt, CurrentFile& m) {
    const long double ms = static_cast<long double>(dt) * 1000;
    const long double whole = std::round(ms);
    const long double us = static_cast<long double>(dt) * 1000000;
    if ((whole >= 1 && std::fabs(ms - whole) <= 1e-9L * ms) || us >= 2147483647.0L) {
        m.SInt = RoundHalfAway(ms);
        m.SITUnit = 1;
    } else {
        m.SInt = RoundHalfAway(us);
        m.SITUnit = 0;
    }
}

void setMeterIntervals(const AlecHeader& h, CurrentFile& m) {
    if (h.DT != std::trunc(h.DT)) {
        setSubsecondInterval(h.DT, m);
    } else {
        m.SInt = RoundHalfAway(h.DT);
        m.SITUnit = 2;
    }
    setBurstInterval(h.BurstTime, m);
}

}  // namespace

void SetEMHeader(const AlecHeader& h, bool tempMeanOnly, CurrentFile& m) {
    setCommon(h, m);
    setChannel(m, 0, "Vnorth", "cm/s", 0.1f);
    setChannel(m, 1, "Veast", "cm/s", 0.1f);
    setChannel(m, 2, "Temp", "deg", 0.01f);
    m.Nch = tempMeanOnly ? 2 : 3;
    m.Nch2 = tempMeanOnly ? 1 : 0;
    setMeterIntervals(h, m);
}

void SetWHHeader(const AlecHeader& h, CurrentFile& m) {
    setCommon(h, m);
    setChannel(m, 0, "Pressure", "g/cm^2", 0.1f);
    m.Nch = 1;
    m.Nch2 = 0;
    setMeterIntervals(h, m);
}

void SetItemHeader(const AlecHeader& h, CurrentFile& m) {
    if (h.ItemCount < 1 || h.ItemCount > kMaxIntervalChannels ||
        h.ItemNames.size() != static_cast<std::size_t>(h.ItemCount) || h.ItemUnits.size() != h.ItemNames.size())
        throw RangeError(Text(Tx::ImportBadHeader));
    setCommon(h, m);
    for (int k = 0; k < h.ItemCount; ++k) {
        const std::string& name = h.ItemNames[static_cast<std::size_t>(k)];
        float a = (name == "Turbidity" || name == "Chlorophyl") ? 0.1f : 0.01f;
        setChannel(m, k, name, h.ItemUnits[static_cast<std::size_t>(k)], a);
    }
    m.Nch = static_cast<std::int16_t>(h.ItemCount);
    m.Nch2 = 0;
    int r = RoundHalfAway(h.DT);
    if (std::fabs(h.DT - r) / h.DT > 0.0001) {
        setSubsecondInterval(h.DT, m);
    } else if (r % 60 != 0) {
        m.SInt = r;
        m.SITUnit = 2;
    } else if ((r / 60) % 60 != 0) {
        m.SInt = r / 60;
        m.SITUnit = 3;
    } else {
        m.SInt = r / 3600;
        m.SITUnit = 4;
    }
    setBurstInterval(h.BurstTime, m);
}

}  // namespace brine
