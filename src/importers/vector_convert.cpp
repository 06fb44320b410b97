#include "importers/vector_convert.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/rounding.h"
#include "base/text_fields.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "core/sample_limits.h"
#include "core/time_units.h"
#include "importers/raw_convert.h"
#include "importers/raw_header.h"
#include "importers/vector_bed_detection.h"
#include "importers/salinity.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

namespace {

constexpr const char* kVelocityNames[3][3] = {{"Vel_Beam1", "Vel_Beam2", "Vel_Beam3"},
                                               {"Vel_x", "Vel_y", "Vel_z"},
                                               {"Veast", "Vnorth", "Vup"}};

// A data line the conversion cannot use: it stops there.
struct LineError {
    std::string message;
};

std::string badHeader(std::string_view what) { return Text(Tx::ImportBadHeader) + "\n" + std::string(what); }

std::string missingColumn(const VectorColumns& c, const VectorOptions& o) {
    if (c.Ensemble < 0) return "Ensemble counter";
    for (int k = 0; k < 3; ++k)
        if (c.Velocity[static_cast<std::size_t>(k)] < 0) return "Velocity (Beam" + std::to_string(k + 1) + ")";
    if (c.Pressure < 0) return "Pressure";
    for (int k = 0; k < 3; ++k) {
        const std::size_t i = static_cast<std::size_t>(k);
        const std::string beam = " (Beam" + std::to_string(k + 1) + ")";
        if (o.SignalStrength && c.Amplitude[i] < 0) return "Amplitude" + beam;
        if (o.SNR && c.SNR[i] < 0) return "SNR" + beam;
        if ((o.Corr || o.CorrThreshold) && c.Correlation[i] < 0) return "Correlation" + beam;
    }
    const std::pair<int, const char*> sen[] = {{c.Month, "Month"},   {c.Day, "Day"},       {c.Year, "Year"},
                                               {c.Hour, "Hour"},     {c.Minute, "Minute"}, {c.Second, "Second"},
                                               {c.Temperature, "Temperature"}};
    for (const auto& [index, name] : sen)
        if (index < 0) return name;
    return {};
}

// Milliseconds since the day count's origin, so window bounds compare exactly.
long long toMs(double t) { return std::llround(t * 86400000.0); }

// Where the ".dat" lines fall: a burst ends at its last sample, where its
// ensemble counter starts again, or where the burst counter changes (also
// where a burst's head was lost with the last one's tail); bursts lost
// altogether keep their slots, so later ones keep their times. The scan
// before the header dialog and the conversion both cut through this, so
// they agree.
class BurstSlots {
public:
    BurstSlots(std::int32_t samplesPerBurst, int bursts) : samples_(samplesPerBurst), bursts_(bursts) {}

    bool full() const { return k_ >= bursts_; }
    int slot() const { return k_; }

    // One line's counters. end(k, last) is called for every slot the line
    // closes (last: the last sample filled, -1 for a lost burst), then
    // store(j) unless all slots are used. False when the ensemble counter
    // lies outside the burst: the line is skipped.
    template <typename End, typename Store>
    bool add(std::optional<long long> burstNo, long long counter, End&& end, Store&& store) {
        if (counter < 1 || counter > samples_) return false;
        const int j = static_cast<int>(counter - 1);
        if (burstNo && hasLastBurst_ && *burstNo != lastBurst_) {
            if (lastJ_ >= 0) close(end);
            if (*burstNo > lastBurst_) {
                // Unsigned: the counters may be any whole numbers.
                unsigned long long lost = static_cast<unsigned long long>(*burstNo) -
                                          static_cast<unsigned long long>(lastBurst_) - 1;
                for (; lost > 0 && !full(); --lost) close(end);
            }
        } else if (j <= lastJ_) {
            close(end);  // the counter started again before the burst was complete
        }
        if (full()) return true;
        hasLastBurst_ = burstNo.has_value();
        lastBurst_ = burstNo.value_or(0);
        store(j);
        lastJ_ = j;
        if (j == samples_ - 1) close(end);
        return true;
    }

    // The ".dat" ended: a burst begun is kept.
    template <typename End>
    void finish(End&& end) {
        if (lastJ_ >= 0) close(end);
    }

private:
    template <typename End>
    void close(End& end) {
        end(k_, lastJ_);
        ++k_;
        lastJ_ = -1;
    }

    std::int32_t samples_;
    int bursts_;
    int k_ = 0;
    int lastJ_ = -1;                      // last sample filled in the current burst
    bool hasLastBurst_ = false;  // the last line used had a burst counter:
    long long lastBurst_ = 0;    // this one
};

// The counters of a ".dat" line, or nothing when a counter is no whole
// number (the conversion stops at that line).
bool readCounters(const std::vector<std::string_view>& f, const VectorColumns& c, std::optional<long long>& burstNo,
                  long long& counter) {
    auto whole = [&f](int index) -> std::optional<long long> {
        if (index < 0 || static_cast<std::size_t>(index) >= f.size()) return std::nullopt;
        return ParseWhole(f[static_cast<std::size_t>(index)]);
    };
    burstNo.reset();
    if (c.BurstCounter >= 0 && !(burstNo = whole(c.BurstCounter))) return false;
    const std::optional<long long> e = whole(c.Ensemble);
    if (!e) return false;
    counter = *e;
    return true;
}

// How the ".dat" fills the bursts the header declares.
struct DatLayout {
    int slots = 0;               // bursts written, lost ones included
    long long samplesRead = 0;   // lines that fill a sample
    std::int32_t longest = 0;    // the most samples any burst reaches
    bool whole = false;          // a burst reaches its declared last sample
};

DatLayout ScanDatLayout(const VectorPlan& plan) {
    const std::int32_t samples = plan.header.SamplesPerBurst;
    BurstSlots slots(samples, plan.header.Bursts);
    DatLayout layout;
    auto end = [&](int k, int last) {
        layout.slots = k + 1;
        layout.longest = std::max(layout.longest, last + 1);
        if (last == samples - 1) layout.whole = true;
    };
    auto store = [&](int) { ++layout.samplesRead; };
    LineReader dat(plan.DatFileName);
    std::string_view line;
    std::vector<std::string_view> f;
    std::optional<long long> burstNo;
    long long counter = 0;
    const std::size_t fields = static_cast<std::size_t>(std::max(plan.columns.BurstCounter, plan.columns.Ensemble)) + 1;
    while (!slots.full() && dat.next(line)) {
        if (TrimView(line).empty()) continue;
        SplitCommaText(line, f, fields);
        if (!readCounters(f, plan.columns, burstNo, counter)) return layout;
        slots.add(burstNo, counter, end, store);
    }
    slots.finish(end);
    return layout;
}

// An output of more than this many samples per sample read is mostly empty
// bursts: a damaged counter rather than bursts the instrument lost.
constexpr long long kSamplesPerSampleRead = 10;

class VectorConversion {
public:
    VectorConversion(const VectorPlan& plan, VectorServices& s)
        : p_(plan), c_(plan.columns), o_(plan.options), m_(s.model), prompter_(s.prompter), progress_(s.progress) {
        const double d = o_.TransVel ? o_.Declination : 0;
        cos_ = std::cos(d * std::numbers::pi / 180);
        sin_ = std::sin(d * std::numbers::pi / 180);
    }

    VectorOutcome run() {
        int written = 0;
        VectorOutcome outcome = VectorOutcome::Completed;
        try {
            convert(written);
        } catch (const LineError& e) {
            prompter_.error(e.message);
            outcome = VectorOutcome::Failed;
        } catch (const BrineError& e) {
            prompter_.error(e.what());
            outcome = VectorOutcome::Failed;
        }
        // The header declares exactly the bursts written.
        if (!DeclareWrittenBursts(m_, written, prompter_, Tx::FileWriteFailed)) outcome = VectorOutcome::Failed;
        if (!FinishSave(m_, prompter_, Tx::FileWriteFailed)) outcome = VectorOutcome::Failed;
        if (skippedLines_ > 0)
            prompter_.information(Text(Tx::VectorSkippedLines, {std::to_string(skippedLines_)}));
        if (outOfRange_ > 0) prompter_.information(Text(Tx::ImportToMissingCount, {std::to_string(outOfRange_)}));
        return outcome;
    }

private:
    void convert(int& k) {
        LineReader dat(p_.DatFileName);
        LineReader sen(p_.SenFileName);
        sen_ = &sen;
        ProgressScope scope(progress_, Text(Tx::ImportConverting), false);
        const int bursts = m_.Iterations;
        // Cut as the scan before the header dialog did; the model's bursts
        // may be shorter than the header's.
        BurstSlots slots(p_.header.SamplesPerBurst, bursts);
        std::string_view line;
        std::vector<std::string_view> f;
        std::optional<long long> burstNo;
        long long counter = 0;
        // The buffers come with the first sample, so a ".dat" without one
        // costs no burst's memory; every burst ends after a sample.
        bool allocated = false;
        auto store = [&](int j) {
            if (!allocated) {
                m_.AllocateDataArrays();
                clearBurst();
                allocated = true;
            }
            fillSample(f, j);
        };
        auto end = [this, &k](int slot, int) {
            endBurst(slot);
            k = slot + 1;
        };
        while (!slots.full() && dat.next(line)) {
            if (TrimView(line).empty()) continue;
            lineNo_ = dat.lineNumber();
            line_ = line;
            SplitCommaText(line, f);
            if (!readCounters(f, c_, burstNo, counter)) throw lineError(p_.DatFileName, lineNo_, line_);
            progress_.SetPercent(RoundHalfEven(static_cast<long double>(slots.slot() + 1) * 100 / bursts));
            // One damaged line must not end a long deployment: it is skipped and counted.
            if (!slots.add(burstNo, counter, end, store)) ++skippedLines_;
        }
        slots.finish(end);
    }

    void fillSample(const std::vector<std::string_view>& f, int j) {
        if (j >= m_.SampleSize) {
            ++skippedLines_;  // the ".dat" changed since it was scanned
            return;
        }
        double v[3], amp[3] = {}, snr[3] = {}, corr[3] = {};
        for (std::size_t i = 0; i < 3; ++i) v[i] = decimal(f, c_.Velocity[i]);
        const double pressure = decimal(f, c_.Pressure);
        for (std::size_t i = 0; i < 3; ++i) {
            if (o_.SignalStrength) amp[i] = static_cast<double>(whole(f, c_.Amplitude[i]));
            if (o_.SNR) snr[i] = decimal(f, c_.SNR[i]);
            if (o_.Corr || o_.CorrThreshold) corr[i] = static_cast<double>(whole(f, c_.Correlation[i]));
        }
        if (o_.CorrThreshold) {
            if (p_.header.CoordSystem == VectorCoord::ENU) {
                if (corr[0] < o_.Threshold || corr[1] < o_.Threshold || corr[2] < o_.Threshold)
                    v[0] = v[1] = v[2] = kNoResult;
            } else {
                for (std::size_t i = 0; i < 3; ++i)
                    if (corr[i] < o_.Threshold) v[i] = kNoResult;
            }
        }
        if (o_.TransVel && HasValue(v[0]) && HasValue(v[1])) {
            const double east = v[0] * cos_ - v[1] * sin_;
            const double north = v[1] * cos_ + v[0] * sin_;
            v[0] = east;
            v[1] = north;
        }
        const std::size_t at = static_cast<std::size_t>(j);
        int ch = 0;
        auto storeNext = [&](double x) {
            store(ch, x, m_.Data[static_cast<std::size_t>(ch)][at]);
            ++ch;
        };
        auto storeThree = [&](const double* x) {
            for (std::size_t i = 0; i < 3; ++i) storeNext(x[i]);
        };
        storeThree(v);
        storeNext(pressure);
        if (o_.SignalStrength) storeThree(amp);
        if (o_.SNR) storeThree(snr);
        if (o_.Corr) storeThree(corr);
    }

    void endBurst(int k) {
        const double t0 = p_.header.FirstTime + static_cast<double>(k) * m_.BInt *
                                                    static_cast<double>(unitAt(m_.BITUnit).DaysPer);
        const double t1 = t0 + static_cast<double>(m_.SampleSize) * m_.SInt *
                                   static_cast<double>(unitAt(m_.SITUnit).DaysPer);
        const long long from = toMs(t0), to = toMs(t1);
        double sum = 0;
        int count = 0;
        // A record after the window stays for the next burst, whose window it may open.
        while (senPending_ || nextSensorRecord()) {
            if (toMs(senTime_) > to) break;
            senPending_ = false;
            if (toMs(senTime_) >= from) {
                sum += senTemperature_;
                ++count;
            }
        }
        const int temp = m_.Nch;
        store(temp, count > 0 ? sum / count : kNoResult, m_.BurstData[0]);
        if (o_.BottomDist) {
            const std::size_t entry = static_cast<std::size_t>(k) * 2;
            const double d = entry < p_.BedDistances.size() ? p_.BedDistances[entry] : 0;
            store(temp + 1, d == 0 ? kNoResult : d, m_.BurstData[1]);
        }
        if (!m_.WriteSDFBurst(k)) throw LineError{Text(Tx::FileWriteFailed) + "\n" + m_.SaveFileName};
        clearBurst();
    }

    bool nextSensorRecord() {
        std::string_view line;
        std::vector<std::string_view> f;
        while (sen_->next(line)) {
            if (TrimView(line).empty()) continue;
            SplitCommaText(line, f);
            auto at = [&](int index) { return wholeIn(f, index, p_.SenFileName, sen_->lineNumber(), line); };
            DateTimeParts t;
            t.month = static_cast<int>(at(c_.Month));
            t.day = static_cast<int>(at(c_.Day));
            t.year = static_cast<int>(at(c_.Year));
            t.hour = static_cast<int>(at(c_.Hour));
            t.minute = static_cast<int>(at(c_.Minute));
            t.second = static_cast<int>(at(c_.Second));
            if (!TryEncodeDateTime(t, senTime_)) throw lineError(p_.SenFileName, sen_->lineNumber(), line);
            senTemperature_ = decimalIn(f, c_.Temperature, p_.SenFileName, sen_->lineNumber(), line);
            senPending_ = true;
            return true;
        }
        return false;
    }

    void clearBurst() {
        for (int ch = 0; ch < m_.Nch; ++ch) {
            auto& d = m_.Data[static_cast<std::size_t>(ch)];
            std::fill(d.begin(), d.end(), ErrorData);
        }
    }

    void store(int ch, double v, std::int16_t& slot) {
        const std::size_t k = static_cast<std::size_t>(CurrentFile::channelAt(ch));
        if (ValueToCount(v, m_.ScaleA[k], m_.OffsetB[k], slot) == CountStatus::OutOfRange) ++outOfRange_;
    }

    static LineError lineError(const std::string& file, long long n, std::string_view line) {
        return LineError{Text(Tx::VectorBadData) + "\n" + file + "\n" + std::to_string(n) +
                         "行目: " + cp932ToUtf8(line)};
    }

    static std::string_view fieldIn(const std::vector<std::string_view>& f, int index, const std::string& file,
                                    long long n, std::string_view line) {
        if (index < 0 || static_cast<std::size_t>(index) >= f.size()) throw lineError(file, n, line);
        return f[static_cast<std::size_t>(index)];
    }
    static long long wholeIn(const std::vector<std::string_view>& f, int index, const std::string& file, long long n,
                             std::string_view line) {
        std::optional<long long> v = ParseWhole(fieldIn(f, index, file, n, line));
        if (!v) throw lineError(file, n, line);
        return *v;
    }
    static double decimalIn(const std::vector<std::string_view>& f, int index, const std::string& file, long long n,
                            std::string_view line) {
        std::optional<double> v = ParseDecimal(fieldIn(f, index, file, n, line));
        if (!v) throw lineError(file, n, line);
        return *v;
    }
    long long whole(const std::vector<std::string_view>& f, int index) const {
        return wholeIn(f, index, p_.DatFileName, lineNo_, line_);
    }
    double decimal(const std::vector<std::string_view>& f, int index) const {
        return decimalIn(f, index, p_.DatFileName, lineNo_, line_);
    }

    const VectorPlan& p_;
    const VectorColumns& c_;
    const VectorOptions& o_;
    CurrentFile& m_;
    Prompter& prompter_;
    ProgressSink& progress_;
    double cos_ = 1, sin_ = 0;
    long long outOfRange_ = 0;
    long long skippedLines_ = 0;  // ".dat" lines whose ensemble counter lies outside the burst
    long long lineNo_ = 0;
    std::string_view line_;
    LineReader* sen_ = nullptr;
    bool senPending_ = false;
    double senTime_ = 0, senTemperature_ = 0;
};

}  // namespace

void SplitCommaText(std::string_view s, std::vector<std::string_view>& fields, std::size_t limit) {
    fields.clear();
    std::size_t i = 0;
    const std::size_t n = s.size();
    auto skipBlanks = [&] {
        while (i < n && static_cast<unsigned char>(s[i]) <= ' ') ++i;
    };
    skipBlanks();
    while (i < n && fields.size() < limit) {
        if (s[i] == '"') {
            std::size_t from = ++i;
            while (i < n && s[i] != '"') ++i;
            fields.push_back(s.substr(from, i - from));
            if (i < n) ++i;
        } else {
            std::size_t from = i;
            while (i < n && static_cast<unsigned char>(s[i]) > ' ' && s[i] != ',') ++i;
            fields.push_back(s.substr(from, i - from));
        }
        skipBlanks();
        if (i < n && s[i] == ',') {
            if (i + 1 == n && fields.size() < limit) fields.emplace_back();
            ++i;
            skipBlanks();
        }
    }
}

std::optional<VectorPlan> PrepareVectorConversion(const VectorHeader& header, const VectorOptions& options,
                                                  Prompter& prompter) {
    try {
        VectorPlan plan;
        plan.header = header;
        plan.options = options;
        const std::vector<std::string> lines = ReadHeaderLines(header.HdrFileName);
        const VectorFileRef datRef = LocateVectorFile(lines, header.HdrFileName, ".dat");
        const VectorFileRef senRef = LocateVectorFile(lines, header.HdrFileName, ".sen");
        plan.DatFileName = datRef.Path;
        plan.SenFileName = senRef.Path;
        plan.columns = ReadVectorColumns(lines, datRef.NameLine, senRef.NameLine);
        if (std::string missing = missingColumn(plan.columns, options); !missing.empty()) {
            prompter.error(badHeader(missing));
            return std::nullopt;
        }
        LineReader dat(plan.DatFileName);
        LineReader sen(plan.SenFileName);
        // A short ".dat" is an instrument that stopped early and converts; a
        // burst beyond any deployment's is a damaged header and would only cost memory.
        if (header.SamplesPerBurst > kMaxSamplesPerBurst) {
            prompter.error(badHeader("Samples per burst"));
            return std::nullopt;
        }
        if (options.BottomDist) {
            if (!header.HasProbeCheck) {
                prompter.error(badHeader("Software version"));
                return std::nullopt;
            }
            plan.BedDistances = ReadProbeCheckFile(header.PckFileName, options.MinDist);
        }
        // A burst is as long as the header says once the ".dat" shows one
        // that long; before that the longest burst read sets it, so no burst
        // is filled up beyond what the file has shown a burst to hold.
        const DatLayout layout = ScanDatLayout(plan);
        // No burst ended (no sample, or a damaged line inside the first burst,
        // where the conversion stops too): the header's size stands.
        plan.SampleSize = layout.whole || layout.longest == 0 ? header.SamplesPerBurst : layout.longest;
        const long long grid = static_cast<long long>(layout.slots) * plan.SampleSize;
        if (grid > kSamplesPerSampleRead * layout.samplesRead) {
            const Question q(Tx::VectorGrid, {std::to_string(layout.samplesRead), std::to_string(grid)});
            if (prompter.ask(MsgType::Warning, q, MsgButtons::YesNo) != MsgResult::Yes) return std::nullopt;
        }
        return plan;
    } catch (const BrineError& e) {
        prompter.error(e.what());
    }
    return std::nullopt;
}

void SetVectorSDFHeader(const VectorPlan& plan, CurrentFile& m) {
    const VectorHeader& h = plan.header;
    const VectorOptions& o = plan.options;
    m.ResetHeader();
    m.SetMemo(o.Memo);
    m.StartTime = h.FirstTime;
    m.SampleSize = plan.SampleSize;
    int ch = 0;
    auto channel = [&](std::string_view name, std::string_view unit, float a) {
        m.SetChannelName(ch, name);
        m.SetChannelUnit(ch, unit);
        m.ScaleA[static_cast<std::size_t>(ch)] = a;
        m.OffsetB[static_cast<std::size_t>(ch)] = 0;
        ++ch;
    };
    const auto& names = kVelocityNames[static_cast<std::size_t>(h.CoordSystem)];
    for (const char* name : names) channel(name, plan.columns.VelocityUnit, 0.001f);
    channel("Pressure", plan.columns.PressureUnit, 0.001f);
    for (const char* beam : {"1", "2", "3"})
        if (o.SignalStrength) channel(std::string("Amp_Beam") + beam, "counts", 1.0f);
    for (const char* beam : {"1", "2", "3"})
        if (o.SNR) channel(std::string("SNR_Beam") + beam, "dB", 0.1f);
    for (const char* beam : {"1", "2", "3"})
        if (o.Corr) channel(std::string("Corr_Beam") + beam, "%", 1.0f);
    m.Nch = static_cast<std::int16_t>(ch);
    channel("Temp", "deg C", 0.01f);
    if (o.BottomDist) channel("Distance to bed", "mm", 0.1f);
    m.Nch2 = static_cast<std::int16_t>(ch - m.Nch);

    // Exact where a unit holds the interval whole (16 Hz is 62500 usec, not
    // 63 msec, which would stretch every burst); a rate that divides no unit
    // keeps the nearest millisecond.
    if (1000 % h.SampleRate == 0) {
        const int ms = 1000 / h.SampleRate;
        m.SInt = ms % 1000 == 0 ? ms / 1000 : ms;
        m.SITUnit = ms % 1000 == 0 ? 2 : 1;
    } else if (1000000 % h.SampleRate == 0) {
        m.SInt = 1000000 / h.SampleRate;
        m.SITUnit = 0;
    } else {
        m.SInt = RoundHalfAway(1000.0L / h.SampleRate);
        m.SITUnit = 1;
    }
    if (h.BurstSeconds % 3600 == 0) {
        m.BInt = h.BurstSeconds / 3600;
        m.BITUnit = 4;
    } else if (h.BurstSeconds % 60 == 0) {
        m.BInt = h.BurstSeconds / 60;
        m.BITUnit = 3;
    } else {
        m.BInt = h.BurstSeconds;
        m.BITUnit = 2;
    }
    m.Iterations = h.Bursts;
}

VectorOutcome ConvertVectorFile(const VectorPlan& plan, VectorServices& s) {
    CurrentFile& m = s.model;
    OutputGuard guard(m);
    SetVectorSDFHeader(plan, m);
    const std::int16_t nch = m.Nch, nch2 = m.Nch2;
    const std::int32_t samples = m.SampleSize;
    m.SaveFileName = std::filesystem::path(plan.header.HdrFileName).replace_extension(".sdf").string();
    if (!s.headerSave.ExecuteSave(0)) return VectorOutcome::NotStarted;
    if (m.Nch != nch || m.Nch2 != nch2 || m.SampleSize != samples || m.Iterations < 0) {
        s.prompter.error(Text(Tx::ImportBadHeader));
        m.Iterations = 0;
        m.WriteSDFHeader();
        FinishSave(m, s.prompter, Tx::FileWriteFailed);
        return VectorOutcome::Failed;
    }
    return VectorConversion(plan, s).run();
}

}  // namespace brine
