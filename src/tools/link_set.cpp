// Building the set of files to link: each later file is checked against the
// first one and placed on its time grid.
#include <algorithm>
#include <cmath>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "tools/link_set.h"
#include "tools/link_support.h"

namespace brine {
namespace {

constexpr char kBadHeader[] = "ヘッダーの値が正しくありません。\n";
constexpr char kTooManyChannels[] = "チャンネル数が多すぎます。";

long double daysOf(std::int32_t value, std::uint8_t unit) { return value * unitAt(unit).DaysPer; }

}  // namespace

double LinkSet::LastSampleTimeOf(const CurrentFile& m, int bursts) {
    return static_cast<double>(m.StartTime + (bursts - 1) * daysOf(m.BInt, m.BITUnit) +
                               (m.SampleSize - 1) * daysOf(m.SInt, m.SITUnit));
}

void LinkSet::Clear() {
    FileCount = 0;
    TotalBursts = 0;
    FileNames.clear();
    FileStartTime.clear();
    FileIterations.clear();
    FileHeaderIterations.clear();
    FileOffset.clear();
    ChannelMap.clear();
    FileSampleSize.clear();
    FileBInt.clear();
    FileBITUnit.clear();
    FileLastTime.clear();
    RefChannelName.clear();
    RefChannelUnit.clear();
    RefScaleA.clear();
    RefOffsetB.clear();
    RefNch = RefNch2 = 0;
    LastTime = 0;
    offsetsInSamples_ = false;
}

bool LinkSet::toleranceFromText() {
    std::optional<double> v = ParseNumber(ToleranceText);
    if (!v || !std::isfinite(*v) || *v < 0) {
        if (prompter) prompter->error(Text(Tx::LinkBadTolerance));
        return false;
    }
    Tolerance = *v / 100;
    return true;
}

bool LinkSet::AddFile(const std::string& name) {
    ModelServices services(model_, prompter, progress);
    try {
        return addFileChecked(name);
    } catch (const BrineError& e) {
        // A file that cannot be read is refused like any other.
        if (prompter) prompter->error(std::string(e.what()) + "\n" + name);
        return false;
    }
}

bool LinkSet::addFileChecked(const std::string& name) {
    CurrentFile& m = model_;
    auto refuse = [this](const std::string& text) {
        if (prompter) prompter->error(text);
        return false;
    };
    auto ask = [this](MsgType type, const Question& question) {
        return prompter && prompter->ask(type, question, MsgButtons::YesNo) == MsgResult::Yes;
    };

    if (!m.ReadHeader(name)) return false;
    // Values the grid arithmetic divides by or counts with.
    if (m.Iterations < 1 || m.SampleSize < 1 || m.SInt < 1 || m.BInt < 0 || m.Nch + m.Nch2 < 1 ||
        !validUnit(m.SITUnit) || !validUnit(m.BITUnit))
        return refuse(kBadHeader + name);
    if (m.Iterations > 1 && daysOf(m.BInt, m.BITUnit) < daysOf(m.SInt, m.SITUnit) * m.SampleSize)
        return refuse("\"" + name + "\"の" + Text(Tx::LinkBurstIntervalTooShort));

    const int channels = m.Nch + m.Nch2;
    const double start = m.StartTime;
    // Bursts linked from the file: all of them, or its first alone when its
    // burst data is left out.
    int bursts = m.Iterations;

    if (FileCount == 0) {
        Clear();
        IntervalOnly = m.Iterations < 2;
        offsetsInSamples_ = IntervalOnly;
        FirstStart = start;
        RefNch = m.Nch;
        RefNch2 = m.Nch2;
        RefSampleSize = m.SampleSize;
        RefSInt = m.SInt;
        RefSITUnit = m.SITUnit;
        RefBInt = m.BInt;
        RefBITUnit = m.BITUnit;
        RefMemo = m.Memo;
        for (int k = 0; k < channels; ++k) {
            const std::size_t u = static_cast<std::size_t>(k);
            RefChannelName.push_back(m.ChannelName[u]);
            RefChannelUnit.push_back(m.ChannelUnit[u]);
            RefScaleA.push_back(m.ScaleA[u]);
            RefOffsetB.push_back(m.OffsetB[u]);
        }
        std::vector<std::uint16_t> identity(static_cast<std::size_t>(channels));
        for (int c = 0; c < m.Nch; ++c) identity[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(c);
        for (int k = 0; k < m.Nch2; ++k)
            identity[static_cast<std::size_t>(m.Nch + k)] = static_cast<std::uint16_t>(k);
        ChannelMap.push_back(std::move(identity));
        FileOffset.push_back(0);
    } else {
        // Burst data goes into a link of bursts as it is; a link of interval
        // data can only leave it out, keeping the first burst's interval channels.
        const bool ignoreBursts = IntervalOnly && (m.Iterations > 1 || m.Nch2 > 0);
        if (ignoreBursts) {
            if (!ask(MsgType::Warning, Question(Tx::LinkBurstData))) return false;
            bursts = 1;
        }
        if (start < FirstStart)
            return refuse(Text(Tx::LinkStartsEarlier, {FormatDateTime(start)}));
        if (m.Nch != RefNch && !ask(MsgType::Confirmation, Question(Tx::LinkChannelCount))) return false;
        if ((TotalBursts > 1 || bursts > 1) && m.SampleSize != RefSampleSize)
            return refuse(Text(Tx::LinkSampleCountDiffers));
        if (m.SInt != RefSInt || m.SITUnit != RefSITUnit) return refuse(Text(Tx::LinkSamplingIntervalDiffers));
        if ((m.BInt != RefBInt || m.BITUnit != RefBITUnit) && bursts > 1)
            return refuse(Text(Tx::LinkBurstIntervalDiffers));

        // Interval channels: each goes to the first identical reference
        // channel not taken yet, so repeated channels keep their places.
        std::vector<std::uint16_t> map(static_cast<std::size_t>(RefNch + RefNch2), kNoChannel);
        for (int i = 0; i < m.Nch; ++i) {
            const std::size_t u = static_cast<std::size_t>(i);
            int found = -1;
            for (int c = 0; c < RefNch && found < 0; ++c) {
                const std::size_t r = static_cast<std::size_t>(c);
                if (map[r] == kNoChannel && RefChannelName[r] == m.ChannelName[u] &&
                    RefChannelUnit[r] == m.ChannelUnit[u] && RefScaleA[r] == m.ScaleA[u] &&
                    RefOffsetB[r] == m.OffsetB[u])
                    found = c;
            }
            if (found >= 0) {
                map[static_cast<std::size_t>(found)] = static_cast<std::uint16_t>(i);
            } else if (!ask(MsgType::Confirmation, Question(Tx::LinkUnmatchedItem, {cp932ToUtf8(m.ChannelName[u])}))) {
                return false;
            }
        }

        // Burst channels, by name; new names are added to the output.
        struct NewChannel {
            std::string name, unit;
            float a, b;
        };
        std::vector<NewChannel> added;
        for (int k = 0; k < (ignoreBursts ? 0 : m.Nch2); ++k) {
            const std::size_t u = static_cast<std::size_t>(m.Nch + k);
            const int known = RefNch2 + static_cast<int>(added.size());
            int found = -1;
            for (int c = 0; c < known && found < 0; ++c) {
                const std::size_t slot = static_cast<std::size_t>(RefNch + c);
                if (slot < map.size() && map[slot] != kNoChannel) continue;
                const std::string& refName =
                    c < RefNch2 ? RefChannelName[slot] : added[static_cast<std::size_t>(c - RefNch2)].name;
                if (refName == m.ChannelName[u]) found = c;
            }
            if (found < 0) {
                if (RefNch + known + 1 > kMaxChannels) return refuse(kTooManyChannels);
                added.push_back({m.ChannelName[u], m.ChannelUnit[u], m.ScaleA[u], m.OffsetB[u]});
                map.push_back(static_cast<std::uint16_t>(k));
                continue;
            }
            const std::size_t slot = static_cast<std::size_t>(RefNch + found);
            const bool same = found < RefNch2
                                  ? RefChannelUnit[slot] == m.ChannelUnit[u] && RefScaleA[slot] == m.ScaleA[u] &&
                                        RefOffsetB[slot] == m.OffsetB[u]
                                  : added[static_cast<std::size_t>(found - RefNch2)].unit == m.ChannelUnit[u] &&
                                        added[static_cast<std::size_t>(found - RefNch2)].a == m.ScaleA[u] &&
                                        added[static_cast<std::size_t>(found - RefNch2)].b == m.OffsetB[u];
            if (!same) return refuse(Text(Tx::LinkBurstItemsDiffer));
            map[slot] = static_cast<std::uint16_t>(k);
        }

        // Place the file on the grid: whole samples, or whole bursts.
        if (!toleranceFromText()) return false;
        const long double step = IntervalOnly ? daysOf(RefSInt, RefSITUnit) : daysOf(RefBInt, RefBITUnit);
        if (!(step > 0)) return refuse(kBadHeader + name);
        const long double d = (static_cast<long double>(start) - FirstStart) / step;
        const int k = RoundHalfAway(d);
        if (std::fabs(static_cast<double>(d - k)) > Tolerance) return refuse(Text(Tx::LinkOutOfTolerance));

        // Accepted: the new burst channels join the output.
        for (const NewChannel& n : added) {
            RefChannelName.push_back(n.name);
            RefChannelUnit.push_back(n.unit);
            RefScaleA.push_back(n.a);
            RefOffsetB.push_back(n.b);
        }
        RefNch2 = static_cast<std::int16_t>(RefNch2 + static_cast<int>(added.size()));
        ChannelMap.push_back(std::move(map));
        for (auto& earlier : ChannelMap) earlier.resize(static_cast<std::size_t>(RefNch + RefNch2), kNoChannel);
        FileOffset.push_back(k);
    }

    const double last = LastSampleTimeOf(m, bursts);
    ++FileCount;
    FileNames.push_back(name);
    FileStartTime.push_back(start);
    FileIterations.push_back(static_cast<std::int16_t>(bursts));
    FileHeaderIterations.push_back(m.Iterations);
    FileSampleSize.push_back(m.SampleSize);
    FileBInt.push_back(m.BInt);
    FileBITUnit.push_back(m.BITUnit);
    FileLastTime.push_back(last);
    if (!IntervalOnly) TotalBursts = std::max(TotalBursts, FileOffset.back() + bursts);
    if (last > LastTime || FileCount == 1) LastTime = last;
    return true;
}

bool LinkSet::AddFilesSorted(const std::vector<std::string>& names) {
    std::vector<double> starts;
    {
        ModelServices services(model_, prompter, progress);
        for (const std::string& n : names) {
            try {
                if (!model_.ReadHeader(n)) return false;
            } catch (const BrineError& e) {
                if (prompter) prompter->error(std::string(e.what()) + "\n" + n);
                return false;
            }
            starts.push_back(model_.StartTime);
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t j = i + 1; j < names.size(); ++j)
            if (starts[i] == starts[j]) {
                if (prompter) prompter->error(Text(Tx::LinkSameStart, {names[i], names[j]}));
                return false;
            }
    std::vector<std::size_t> order(names.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return starts[a] < starts[b]; });
    for (std::size_t i : order)
        if (!AddFile(names[i])) return false;
    return true;
}

bool LinkSet::IsInputFile(const std::string& name) const {
    return std::any_of(FileNames.begin(), FileNames.end(), [&](const std::string& f) { return SameFile(f, name); });
}

}  // namespace brine
