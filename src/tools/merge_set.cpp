#include "tools/merge_set.h"

#include <cmath>
#include <string_view>

#include "base/binary_file.h"
#include "base/safe_write/read_opening.h"
#include "base/datetime.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/model_services.h"
#include "platform/api/prompter.h"

namespace brine {

namespace {

// A TSD file whose first line names version 1, which the merge does not read.
bool IsVersion1Tsd(const std::string& fileName) {
    char head[256];
    std::size_t n = 0;
    try {
        BinaryFile f = OpenToRead(fileName, {Text(Tx::FormatWrong)});
        n = f.readSome(head, sizeof head);
    } catch (const std::exception&) {
        return false;  // the header reader reports it
    }
    std::string_view line(head, n);
    line = line.substr(0, line.find('\n'));
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ') line.remove_suffix(1);
    constexpr std::string_view kVersion1 = "Time Series Data Text Format Ver.1";
    return line.size() >= kVersion1.size() && line.substr(line.size() - kVersion1.size()) == kVersion1;
}

MergeSource SourceFromModel(const std::string& fileName, const CurrentFile& m) {
    m.ChannelCount();  // RangeError for a table the header cannot hold
    return {fileName, m};
}

// 0 < r < 1, both bounds excluded.
bool StrictlyInsideOne(long double r) { return r > 0 && r < 1; }

// Where `later` starts within the first burst of `earlier`, in burst spans.
long double SpanRatio(const FileHeader& later, const FileHeader& earlier) {
    long double span = SecondsOf(earlier.SInt, earlier.SITUnit) * earlier.SampleSize;
    if (!(span > 0)) return -1;
    return SecondsBetween(later.StartTime, earlier.StartTime) / span;
}

}  // namespace

long double SecondsBetween(double later, double earlier) {
    long double s = (static_cast<long double>(later) - static_cast<long double>(earlier)) * 86400.0L;
    if (!std::isfinite(s) || std::fabs(s) > 1e12L) return s;
    return std::roundl(s * 1e6L) / 1e6L;
}

long double SecondsOf(std::int64_t count, std::uint8_t unit) {
    return static_cast<long double>(count) * unitAt(unit).SecondsPer;
}

int MergeSet::TotalNch() const {
    int n = 0;
    for (const MergeSource& f : files_) n += f.Header.Nch;
    return n;
}

int MergeSet::TotalNch2() const {
    int n = 0;
    for (const MergeSource& f : files_) n += f.Header.Nch2;
    return n;
}

bool MergeSet::AddFile(const std::string& fileName, CurrentFile& model, Prompter& prompter) {
    // The model reports through the merge's prompter while a header is read.
    ModelServices scope(model, &prompter, nullptr);
    if (UpperExtension(fileName) == ".TSD" && IsVersion1Tsd(fileName)) {
        prompter.error(Text(Tx::MergeTsdTooOld));
        return false;
    }
    if (!model.ReadHeader(fileName)) return false;
    MergeSource added = SourceFromModel(fileName, model);

    // Intervals are divisors of the time grid.
    if (added.Header.SampleSize > 0 && added.Header.SInt <= 0) {
        prompter.error(Text(Tx::MergeBadSamplingInterval));
        return false;
    }
    if (added.Header.Iterations > 1 && added.Header.BInt <= 0) {
        prompter.error(Text(Tx::MergeBadBurstInterval));
        return false;
    }
    if (!files_.empty() && !Compatible(added, prompter)) return false;
    // The output's channel table holds at most 128 interval channels and 129 in all.
    int nch = TotalNch() + added.Header.Nch, all = nch + TotalNch2() + added.Header.Nch2;
    if (nch > kMaxIntervalChannels || all > kMaxChannels) {
        prompter.error(Text(Tx::MergeTooManyChannels));
        return false;
    }
    files_.push_back(std::move(added));
    return true;
}

bool MergeSet::Compatible(const MergeSource& added, Prompter& prompter) const {
    const FileHeader& first = files_.front().Header;
    const FileHeader& f = added.Header;
    auto refuse = [&](const std::string& text) {
        prompter.show(MsgType::Error, text, MsgButtons::Ok);
        return false;
    };
    auto ask = [&](const Question& question) {
        return prompter.ask(MsgType::Warning, question, MsgButtons::YesNo) == MsgResult::Yes;
    };
    const bool burstFile = f.Iterations > 1;

    if (f.StartTime != first.StartTime) {
        const std::string when = FormatDateTime(f.StartTime);
        if (burstFile) return refuse(Text(Tx::MergeBurstStartDiffers, {when}));
        if (!ask(Question(Tx::MergeStartDiffers, {when}))) return false;
        // The later file must start strictly inside the earlier one's first burst.
        if (!StrictlyInsideOne(SpanRatio(first, f)) && !StrictlyInsideOne(SpanRatio(f, first)))
            return refuse(Text(Tx::MergeNoCommonPeriod));
    }
    if (f.SampleSize != first.SampleSize) {
        if (burstFile)
            return refuse("サンプル数（" + std::to_string(f.SampleSize) +
                          "）が異なります。\nバースト記録方式ではサンプル数も同じでなければ、結合できません。");
        if (!ask(Question(Tx::MergeSampleCountDiffers))) return false;
    }
    if (f.SInt != first.SInt || f.SITUnit != first.SITUnit) {
        if (burstFile)
            return refuse("計測時間間隔が異なります。\nバースト記録方式では計測時間間隔も同じでなければ、結合できません。");
        if (!ask(Question(Tx::MergeIntervalDiffers))) return false;
    }
    if (f.Iterations != first.Iterations && !ask(Question(Tx::MergeBurstCountDiffers)))
        return false;
    if (first.Iterations > 1 && (f.BInt != first.BInt || f.BITUnit != first.BITUnit))
        return refuse(Text(Tx::MergeBurstIntervalDiffers));
    return true;
}

}  // namespace brine
