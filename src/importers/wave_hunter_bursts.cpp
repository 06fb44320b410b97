#include "importers/wave_hunter_bursts.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/errors.h"
#include "base/rounding.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "importers/raw_convert.h"
#include "importers/raw_header.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

const std::array<TChannelDef, 5> MeanChannelDefs{{
    {"平均水圧", "mean pressure", "g/cm^2", 1.0f, 0},
    {"平均東方流速", "mean Veast", "cm/s", 0.1f, 0},
    {"平均北方流速", "mean Vnorth", "cm/s", 0.1f, 0},
    {"平均方位", "mean Compass", "deg", 1.0f, 0},
    {"平均水温", "mean temperature", "deg", 0.1f, 0},
}};

const std::array<TChannelDef, 2> MeanChannelDefs2{{
    {"平均方位", "mean Compass", "deg", 1.0f, 0},
    {"平均水温", "mean temperature", "deg", 0.1f, 0},
}};

namespace {

constexpr std::uint8_t kMsec = 1, kSec = 2, kMin = 3, kHr = 4;

// The items of the mean list, by what they hold.
enum MeanItem { MeanPressure, MeanV1, MeanV2, MeanCompass, MeanTemperature };

std::int16_t i16(const std::uint8_t* p) { return getLE<std::int16_t>(p); }

// A 12-bit HUN word; negative from `negativeFrom` on.
int twelveBit(const std::uint8_t* p, int negativeFrom) {
    const int v = getLE<std::uint16_t>(p) & 0x0FFF;
    return v >= negativeFrom ? v - 0x1000 : v;
}

void setChannel(CurrentFile& m, int k, const char* name, const char* unit, float a, float b) {
    m.SetChannelName(k, name);
    m.SetChannelUnit(k, unit);
    m.ScaleA[static_cast<std::size_t>(k)] = a;
    m.OffsetB[static_cast<std::size_t>(k)] = b;
}

// What each checked mean item holds, in burst-channel order.
std::vector<int> checkedMeans(const WaveHunterFile& f, const WaveHunterOptions& o) {
    std::vector<int> items;
    const std::size_t n = MeanChannelList(f).size();
    for (std::size_t i = 0; i < n; ++i) {
        if (i >= o.MeanChecked.size() || !o.MeanChecked[i]) continue;
        const bool k02 = f.FileLayout == WaveHunterLayout::K02;
        items.push_back(k02 ? (i == 0 ? MeanCompass : MeanTemperature) : static_cast<int>(i));
    }
    return items;
}

int burstChannelCount(const WaveHunterFile& f, const WaveHunterOptions& o) {
    if (f.IsHun()) return o.SaveCompass ? 1 : 0;
    return static_cast<int>(checkedMeans(f, o).size());
}

}  // namespace

std::vector<TChannelDef> MeanChannelList(const WaveHunterFile& f) {
    switch (f.FileLayout) {
        case WaveHunterLayout::Hun: return {};
        case WaveHunterLayout::K02: return {MeanChannelDefs2.begin(), MeanChannelDefs2.end()};
        case WaveHunterLayout::H98:
        case WaveHunterLayout::H00: break;
    }
    const std::size_t n = f.Components == 0 ? 4 : 5;
    return {MeanChannelDefs.begin(), MeanChannelDefs.begin() + static_cast<std::ptrdiff_t>(n)};
}

void SetWaveHunterSDFHeader(const WaveHunterFile& f, const WaveHunterOptions& o, CurrentFile& m) {
    if (f.Channels < 1 || f.Channels > kMaxIntervalChannels || f.Samples < 1 || f.BurstCount < 1 ||
        f.BurstCount > 32767)
        throw RangeError(Text(Tx::WaveHunterBadHeader));
    m.ResetHeader();
    m.SetMemo(o.Memo);
    m.StartTime = o.StartTime;
    m.Nch = static_cast<std::int16_t>(f.Channels);
    m.SampleSize = f.Samples;
    m.Iterations = static_cast<std::int16_t>(f.BurstCount);

    // 0.1 s units: whole seconds in sec, else msec.
    if (f.SampleInterval * 100 % 1000 != 0) {
        m.SInt = f.SampleInterval * 100;
        m.SITUnit = kMsec;
    } else {
        m.SInt = f.SampleInterval / 10;
        m.SITUnit = kSec;
    }
    if (f.BurstInterval % 60 != 0) {
        m.BInt = f.BurstInterval;
        m.BITUnit = kMin;
    } else {
        m.BInt = f.BurstInterval / 60;
        m.BITUnit = kHr;
    }

    const char* vx = o.TransVel ? "Veast" : f.Components == 0 ? "Vx" : "Vmag_east";
    const char* vy = o.TransVel ? "Vnorth" : f.Components == 0 ? "Vy" : "Vmag_north";
    if (f.IsHun()) {
        // Pressure first, the velocity pair last; what lies between is kept as read.
        setChannel(m, 0, "Pressure", "g/cm^2", 1.0f, 0);
        for (int c = 1; c < f.Channels; ++c) {
            const std::string name = "Ch" + std::to_string(c + 1);
            setChannel(m, c, name.c_str(), "", 1.0f, 0);
        }
        if (f.MeasVelocity) {
            setChannel(m, f.Channels - 2, vx, "cm/s", 0.1f, 0);
            setChannel(m, f.Channels - 1, vy, "cm/s", 0.1f, 0);
        }
    } else {
        int k = 0;
        if (f.MeasPressure) setChannel(m, k++, "Pressure", "g/cm^2", 1.0f, 0);
        if (f.MeasVelocity) {
            setChannel(m, k++, vx, "cm/s", 0.1f, 0);
            setChannel(m, k++, vy, "cm/s", 0.1f, 0);
        }
        if (f.MeasLevel) setChannel(m, k++, "WL", "cm", 1.0f, 0);
    }

    int k = m.Nch;
    if (f.IsHun()) {
        if (o.SaveCompass) setChannel(m, k++, "Compass", "deg", 1.0f, 0);
    } else {
        const std::vector<TChannelDef> list = MeanChannelList(f);
        for (std::size_t i = 0; i < list.size(); ++i)
            if (i < o.MeanChecked.size() && o.MeanChecked[i])
                setChannel(m, k++, list[i].Name, list[i].Unit, list[i].A, list[i].B);
    }
    m.Nch2 = static_cast<std::int16_t>(k - m.Nch);
    m.AllocateDataArrays();
}

WaveHunterBurstReader::WaveHunterBurstReader(const WaveHunterFile& f, const WaveHunterOptions& o)
    : f_(f), o_(o), file_(f.MasterFileName, OpenMode::Read), record_(static_cast<std::size_t>(f.RecordBytes())) {}

std::int16_t WaveHunterBurstReader::count(long double v) {
    if (std::isfinite(v) && std::fabs(v) < 1.0e9L) {
        const int r = RoundHalfAway(v);
        if (fitsCount(r) && r != ErrorData) return static_cast<std::int16_t>(r);
    }
    ++outOfRange_;
    return ErrorData;
}

std::int16_t WaveHunterBurstReader::velocityCount(long double v) { return count(v / 0.1L); }

void WaveHunterBurstReader::turn(long double x, long double y, long double heading, long double& e,
                                 long double& n) const {
    if (!o_.TransVel) {
        e = x;
        n = y;
        return;
    }
    constexpr long double rad = std::numbers::pi_v<long double> / 180;
    const long double d = o_.Declination;
    if (f_.Components == 0) {
        // Instrument axes: turned by the heading, true north.
        const long double th = (heading - d) * rad;
        e = x * std::cos(th) - y * std::sin(th);
        n = -x * std::sin(th) - y * std::cos(th);
    } else {
        const long double th = -d * rad;
        e = x * std::cos(th) + y * std::sin(th);
        n = -x * std::sin(th) + y * std::cos(th);
    }
}

bool WaveHunterBurstReader::ReadBurst(int k, CurrentFile& m) {
    if (k < 0 || k >= f_.BurstCount) throw RangeError("バースト番号が範囲外です。");
    if (m.Nch != f_.Channels || m.SampleSize != f_.Samples || m.Nch2 != burstChannelCount(f_, o_))
        throw BrineError(Text(Tx::ImportBadHeader));
    file_.readAt(f_.RecordOffset(k), record_.data(), record_.size());
    const std::size_t numberAt = f_.IsHun() ? 0 : 14;
    if (getLE<std::uint16_t>(record_.data() + numberAt) != k + 1) return false;
    if (f_.IsHun())
        decodeHun(record_.data(), m);
    else
        decodeRecord(record_.data(), m);
    return true;
}

void WaveHunterBurstReader::decodeHun(const std::uint8_t* r, CurrentFile& m) {
    const long double heading = getLE<std::uint16_t>(r + 2);
    const int n = f_.Channels;
    const std::uint8_t* s = r + 8;
    for (int j = 0; j < f_.Samples; ++j, s += 2 * n) {
        const std::size_t jj = static_cast<std::size_t>(j);
        m.Data[0][jj] = static_cast<std::int16_t>(twelveBit(s, 0xF80));
        for (int c = 1; c < n; ++c) m.Data[static_cast<std::size_t>(c)][jj] = static_cast<std::int16_t>(twelveBit(s + 2 * c, 0x800));
        if (!f_.MeasVelocity) continue;
        long double e = 0, no = 0;
        turn(twelveBit(s + 2 * (n - 2), 0x800), twelveBit(s + 2 * (n - 1), 0x800), heading, e, no);
        m.Data[static_cast<std::size_t>(n - 2)][jj] = velocityCount(e);
        m.Data[static_cast<std::size_t>(n - 1)][jj] = velocityCount(no);
    }
    if (o_.SaveCompass) m.BurstData[0] = count(heading);
}

void WaveHunterBurstReader::decodeRecord(const std::uint8_t* r, CurrentFile& m) {
    const bool k02 = f_.FileLayout == WaveHunterLayout::K02;
    const long double heading = i16(r + 6);
    const std::uint8_t* s = r + kWaveHunterRecordHeader;
    for (int j = 0; j < f_.Samples; ++j) {
        const std::size_t jj = static_cast<std::size_t>(j);
        std::size_t ch = 0;
        if (f_.MeasPressure) {
            m.Data[ch++][jj] = i16(s);
            s += 2;
        }
        if (f_.MeasVelocity) {
            long double e = 0, n = 0;
            turn(i16(s), i16(s + 2), heading, e, n);
            m.Data[ch++][jj] = velocityCount(e);
            m.Data[ch++][jj] = velocityCount(n);
            s += 4;
        }
        if (f_.MeasLevel) {
            m.Data[ch++][jj] = i16(s);
            s += 2;
        }
    }
    long double meanE = 0, meanN = 0;
    if (!k02) turn(i16(r + 2), i16(r + 4), heading, meanE, meanN);
    std::size_t b = 0;
    for (int item : checkedMeans(f_, o_)) {
        std::int16_t v = ErrorData;
        switch (item) {
            case MeanPressure: v = i16(r); break;
            case MeanV1: v = velocityCount(meanE); break;
            case MeanV2: v = velocityCount(meanN); break;
            case MeanCompass: v = i16(r + 6); break;
            case MeanTemperature: v = i16(r + 8); break;
        }
        m.BurstData[b++] = v;
    }
}

namespace {

class WaveHunterConversion {
public:
    WaveHunterConversion(const WaveHunterFile& f, const WaveHunterOptions& o, WaveHunterServices& s)
        : f_(f), o_(o), m_(s.model), prompter_(s.prompter), progress_(s.progress) {}

    WaveHunterOutcome run() {
        if (m_.Nch != f_.Channels || m_.SampleSize != f_.Samples || m_.Nch2 != burstChannelCount(f_, o_)) {
            prompter_.error(Text(Tx::ImportBadHeader));
            return finish(0, WaveHunterOutcome::Failed);
        }
        int b = 0;
        WaveHunterOutcome outcome = WaveHunterOutcome::Completed;
        long long outOfRange = 0;
        try {
            m_.AllocateDataArrays();
            WaveHunterBurstReader reader(f_, o_);
            outcome = convert(reader, b);
            outOfRange = reader.OutOfRange();
        } catch (const BrineError& e) {
            prompter_.error(e.what());
            outcome = WaveHunterOutcome::Failed;
        }
        outcome = finish(b, outcome);
        if (unnumbered_ > 0)
            prompter_.information(Text(Tx::WaveHunterUnnumbered, {std::to_string(unnumbered_)}));
        if (outOfRange > 0) prompter_.information(Text(Tx::ImportToMissingCount, {std::to_string(outOfRange)}));
        return outcome;
    }

private:
    WaveHunterOutcome convert(WaveHunterBurstReader& reader, int& b) {
        ProgressScope scope(progress_, Text(Tx::WaveHunterCreatingSdf));
        // The header dialog may have lowered the burst count; the file holds no more.
        const int n = std::min<int>(m_.Iterations, f_.BurstCount);
        while (b < n) {
            progress_.SetPercent(RoundHalfEven(static_cast<long double>(b) * 100 / m_.Iterations));
            if (!reader.ReadBurst(b, m_)) {
                // Another burst's values must not stand in for this one.
                for (int ch = 0; ch < m_.Nch; ++ch) std::ranges::fill(m_.Data[static_cast<std::size_t>(ch)], ErrorData);
                std::ranges::fill(m_.BurstData, ErrorData);
                ++unnumbered_;
            }
            if (!m_.WriteSDFBurst(b)) {
                prompter_.error(Text(Tx::FileWriteFailed) + "\n" + m_.SaveFileName);
                return WaveHunterOutcome::Failed;
            }
            ++b;
            if (progress_.Cancelled()) return WaveHunterOutcome::Cancelled;
        }
        return WaveHunterOutcome::Completed;
    }

    // The header declares exactly the bursts written.
    WaveHunterOutcome finish(int written, WaveHunterOutcome outcome) {
        if (written != m_.Iterations && !DeclareWrittenBursts(m_, written, prompter_, Tx::FileWriteFailed))
            outcome = WaveHunterOutcome::Failed;
        if (!FinishSave(m_, prompter_, Tx::FileWriteFailed)) outcome = WaveHunterOutcome::Failed;
        return outcome;
    }

    const WaveHunterFile& f_;
    const WaveHunterOptions& o_;
    CurrentFile& m_;
    Prompter& prompter_;
    ProgressSink& progress_;
    long long unnumbered_ = 0;
};

}  // namespace

WaveHunterOutcome ConvertWaveHunterBursts(const WaveHunterFile& f, const WaveHunterOptions& o, WaveHunterServices& s) {
    OutputGuard guard(s.model);
    return WaveHunterConversion(f, o, s).run();
}

}  // namespace brine
