#include "tools/extract_data.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "base/datetime.h"
#include "base/errors.h"
#include "base/safe_write/file_identity.h"
#include "base/rounding.h"
#include "base/safe_write/safe_replace.h"
#include "base/texts.h"
#include "core/header_save.h"
#include "core/sample_limits.h"

namespace brine {

namespace {

const char kNotWritable[] = "ファイルに書き込めません: ";  // as every writer refuses: file (cause)

long double daysPerCount(int value, std::uint8_t unit) {
    return static_cast<long double>(value) * unitAt(unit).SecondsPer / 86400.0L;
}

std::string dateTimeText(long double t) {
    try {
        return FormatDateTime(static_cast<double>(t));
    } catch (const BrineError&) {
        return {};
    }
}

int percentOf(long long done, long long total) {
    return RoundHalfEven(static_cast<long double>(done) * 100 / static_cast<long double>(total));
}

// The channels of a burst read, in the output's channels until the end of
// the scope (nothing when out is null).
class Lent {
public:
    Lent(CurrentFile* out, CurrentFile& source, const std::vector<std::size_t>& from)
        : out_(out), source_(source), from_(from) {
        swap();
    }
    ~Lent() { swap(); }
    Lent(const Lent&) = delete;
    Lent& operator=(const Lent&) = delete;

private:
    void swap() noexcept {
        for (std::size_t i = 0; out_ && i < from_.size(); ++i) out_->Data[i].swap(source_.Data[from_[i]]);
    }
    CurrentFile* out_;
    CurrentFile& source_;
    const std::vector<std::size_t>& from_;
};

}  // namespace

bool CutBySamples(const CurrentFile& source) { return source.Iterations == 1; }

int LastPosition(const CurrentFile& source) {
    return CutBySamples(source) ? source.SampleSize - 1 : source.Iterations - 1;
}

ExtractWindow WindowFromPositions(const CurrentFile& source, int first, int last) {
    ExtractWindow w;
    if (CutBySamples(source)) {
        w.FirstSample = first;
        w.LastSample = last;
    } else {
        w.FirstSample = 0;
        w.LastSample = source.SampleSize - 1;
        w.FirstBurst = first;
        w.LastBurst = last;
    }
    return w;
}

std::string PositionText(const CurrentFile& source, int position) {
    if (!validUnit(source.SITUnit) || !validUnit(source.BITUnit)) return {};
    if (!CutBySamples(source))
        return dateTimeText(source.StartTime + daysPerCount(source.BInt, source.BITUnit) * position);
    std::string time = dateTimeText(source.StartTime + daysPerCount(source.SInt, source.SITUnit) * position);
    return std::to_string(position) + "(" + time + ")";
}

std::optional<std::uint8_t> OutputKindOf(const std::string& fileName) {
    std::string ext = UpperExtension(fileName);
    if (ext == ".SDF") return 0;
    if (ext == ".TSD") return 1;
    return std::nullopt;
}

std::optional<std::string> ExtractRefusal(const CurrentFile& source, const ExtractRequest& r) {
    const int channels = source.Nch + source.Nch2;
    if (source.Nch < 0 || source.Nch2 < 0 || channels > kMaxChannels ||
        r.Checked.size() != static_cast<std::size_t>(channels))
        return Text(Tx::ExtractBadWindow);
    bool any = false;
    for (bool c : r.Checked) any = any || c;
    if (!any) return Text(Tx::ExtractNoChannel);

    const ExtractWindow& w = r.Window;
    const bool bySamples = CutBySamples(source);
    const int count = bySamples ? source.SampleSize : source.Iterations;
    if (count < 1) return Text(Tx::ExtractNoData);
    const int first = bySamples ? w.FirstSample : w.FirstBurst;
    const int last = bySamples ? w.LastSample : w.LastBurst;
    if (last < first) return Text(Tx::ExtractWindowInverted);
    bool otherWhole = bySamples ? (w.FirstBurst == 0 && w.LastBurst == 0)
                                : (w.FirstSample == 0 && w.LastSample == source.SampleSize - 1);
    if (first < 0 || last >= count || !otherWhole) return Text(Tx::ExtractBadWindow);
    // Without an interval channel nothing in the output holds its samples,
    // and the readers take no more of them than a burst may have.
    bool interval = false;
    for (int i = 0; i < source.Nch; ++i) interval = interval || r.Checked[static_cast<std::size_t>(i)];
    if (!interval && static_cast<long long>(w.LastSample) - w.FirstSample + 1 > kMaxSamplesPerBurst)
        return Text(Tx::ExtractBurstTooLongForBurstChannels);
    return std::nullopt;
}

void BuildOutputHeader(const CurrentFile& source, const ExtractRequest& r, CurrentFile& out) {
    const ExtractWindow& w = r.Window;
    out.SetMemo(r.Memo);
    out.StartTime = static_cast<double>(source.StartTime + daysPerCount(source.BInt, source.BITUnit) * w.FirstBurst +
                                        daysPerCount(source.SInt, source.SITUnit) * w.FirstSample);
    out.Iterations = toCount(static_cast<long long>(w.LastBurst) - w.FirstBurst + 1);
    out.SampleSize = w.LastSample - w.FirstSample + 1;
    out.SInt = source.SInt;
    out.SITUnit = source.SITUnit;
    out.BInt = source.BInt;
    out.BITUnit = source.BITUnit;
    int n1 = 0, n2 = 0, k = 0;
    for (int i = 0; i < source.Nch + source.Nch2; ++i) {
        if (!r.Checked[static_cast<std::size_t>(i)]) continue;
        const auto from = static_cast<std::size_t>(i), to = static_cast<std::size_t>(k++);
        out.ChannelName[to] = source.ChannelName[from];
        out.ChannelUnit[to] = source.ChannelUnit[from];
        out.ScaleA[to] = source.ScaleA[from];
        out.OffsetB[to] = source.OffsetB[from];
        (i < source.Nch ? n1 : n2)++;
    }
    out.Nch = static_cast<std::int16_t>(n1);
    out.Nch2 = static_cast<std::int16_t>(n2);
    out.FileKind = r.OutputKind;
}

bool ExtractData(CurrentFile& model, const ExtractRequest& r, const std::string& target, Prompter& prompter,
                 ProgressSink& progress) {
    if (auto why = ExtractRefusal(model, r)) {
        prompter.error(*why);
        return false;
    }
    std::error_code ec;
    // A write-protected file is not replaced behind its owner's back.
    if (std::filesystem::exists(target, ec) && ::access(target.c_str(), W_OK) != 0) {
        prompter.error(kNotWritable + target + " (" + std::strerror(errno) + ")");
        return false;
    }
    const bool sourceIsSdf = UpperExtension(r.SourceFile) != ".TSD";
    const bool replacesSource = SameFile(target, r.SourceFile);
    const ExtractWindow& w = r.Window;

    CurrentFile out;
    BuildOutputHeader(model, r, out);
    // A window of whole bursts lends the channels read to the output while
    // it writes them, instead of a copy of them: the output needs no
    // sample buffers of its own.
    const bool lend = w.FirstSample == 0 && w.LastSample == model.SampleSize - 1;
    out.AllocateSamples(lend ? 0 : out.SampleSize);
    std::vector<std::size_t> intervalFrom, burstFrom;  // source channel of each output channel
    for (int i = 0; i < model.Nch + model.Nch2; ++i)
        if (r.Checked[static_cast<std::size_t>(i)]) {
            if (i < model.Nch)
                intervalFrom.push_back(static_cast<std::size_t>(i));
            else
                burstFrom.push_back(static_cast<std::size_t>(i - model.Nch));
        }

    try {
        // Source and output stay open for the whole run; the output is
        // written in large pieces, as only a complete one replaces the target.
        BurstJob reading(model);
        BurstJob writing(out, BurstJob::WholeOutput);
        OutputGuard unfinished(out);
        out.SaveFileName = target;
        const bool begun = r.OutputKind == 0 ? out.BeginSDFOutput(target) : out.BeginTSDOutput(target);
        if (!begun) {
            prompter.error(Text(Tx::ExtractWriteFailed) + "\n" + target + "\n" + out.LastWriteFailure().reason);
            return false;
        }
        model.FileName = r.SourceFile;
        {
            ProgressScope scope(progress, Text(Tx::ExtractProgress), false);
            PercentShown percent(progress);
            const long long bursts = static_cast<long long>(w.LastBurst) - w.FirstBurst + 1;
            const long long samples = static_cast<long long>(w.LastSample) - w.FirstSample + 1;
            // One burst goes by its samples.
            const bool bySample = model.Iterations == 1;
            PercentSteps samplePercent(percent, samples, [samples](long long k) { return percentOf(k, samples); });
            for (int b = w.FirstBurst; b <= w.LastBurst; ++b) {
                if (!bySample) percent.show(percentOf(b - w.FirstBurst, bursts));
                bool read = false;
                try {
                    read = sourceIsSdf ? model.ReadSDFBurst(b) : model.ReadTSDBurst(b);
                } catch (const BrineError&) {
                    read = false;
                }
                if (!read) {
                    prompter.error(Text(Tx::ExtractReadFailed) + "\n" + model.ReadFailureLine(r.SourceFile));
                    return false;
                }
                // The window's samples a piece at a time; in one burst a
                // piece ends where the percentage changes.
                for (long long k = 0; k < samples;) {
                    long long n = samples - k;
                    if (bySample) {
                        samplePercent.at(k);
                        n = std::min(n, samplePercent.nextChange() - k);
                    }
                    for (std::size_t i = 0; i < intervalFrom.size() && !lend; ++i)
                        std::copy_n(model.Data[intervalFrom[i]].begin() + (w.FirstSample + k), n, out.Data[i].begin() + k);
                    k += n;
                }
                for (std::size_t k = 0; k < burstFrom.size(); ++k) out.BurstData[k] = model.BurstData[burstFrom[k]];
                const int n = b - w.FirstBurst;
                bool written = false;
                {
                    Lent lent(lend ? &out : nullptr, model, intervalFrom);
                    written = r.OutputKind == 0 ? out.WriteSDFBurst(n) : out.WriteTSDBurst(n);
                }
                if (!written) {
                    prompter.error(Text(Tx::ExtractWriteFailed) + "\n" + target);
                    return false;
                }
            }
        }
        writing.finish();
        // The source itself may be the file replaced.
        reading.finish();
        // The model describes the source. When the output replaces it, its
        // header is read from the new content before that goes in place, so
        // the model never describes content the file no longer holds.
        std::optional<CurrentFile> fresh;
        if (replacesSource) {
            fresh.emplace();
            fresh->prompter = &prompter;
            fresh->DisplayUnit = model.DisplayUnit;
            HeaderSnapshot(model).restore(*fresh);  // what a header reader leaves as it was
            const std::string written = out.OutputPath();
            if (!(r.OutputKind == 0 ? fresh->ReadSDFHeader(written) : fresh->ReadTSDHeader(written))) {
                prompter.error(Text(Tx::ExtractWriteFailed) + "\n" + target);
                return false;
            }
        }
        out.FinishOutput(true);
        if (fresh) {
            HeaderSnapshot(*fresh).restore(model);
            model.FileKind = r.OutputKind;
            model.FileName = r.SourceFile;
            model.AllocateForReading();
        }
    } catch (const IoError& e) {
        prompter.error(Text(Tx::ExtractWriteFailed) + "\n" + target + "\n" + e.what());
        return false;
    }
    prompter.information(Text(Tx::ExtractSaved));
    return true;
}

}  // namespace brine
