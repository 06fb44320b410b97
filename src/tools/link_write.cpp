// Saving a link: the checks that decide the output's layout, and the writer
// that places each file on the output grid.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>

#include "base/buffered_append.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "base/safe_write/safe_replace.h"
#include "core/header_save.h"
#include "core/output_size.h"
#include "tools/extract_data.h"
#include "tools/link_set.h"
#include "tools/link_support.h"

namespace brine {

namespace {

constexpr char kBadBurstInterval[] = "バースト時間間隔の値が正しくありません。";

constexpr int kChunkRows = 4096;
// Bursts (or samples) of output per one the files bring, beyond which the
// output is mostly gaps.
constexpr long long kGridPerGiven = 100;

long double daysOf(std::int32_t value, std::uint8_t unit) { return value * unitAt(unit).DaysPer; }

// A reader's failure, also one it raises (a file gone since it was added).
template <typename F>
bool readSucceeds(F&& read) {
    try {
        return read();
    } catch (const BrineError&) {
        return false;
    }
}

// Writes the output burst by burst (burst mode) or sample row by sample row
// (interval mode), in SDF records or TSD blocks.
class LinkWriter {
public:
    LinkWriter(CurrentFile& out, const std::string& path, std::uint64_t start, bool tsd)
        : out_(out), stream_(path, start), tsd_(tsd) {
        rows_ = out;  // channel table and counts; only its buffers are used
        rows_.Nch2 = 0;
        rows_.SampleSize = kChunkRows;
        rows_.AllocateDataArrays();
    }

    // One output burst from out_.Data and out_.BurstData.
    void burst(int P) {
        if (tsd_) {
            if (!out_.AppendTSDBurstText(P, stream_.buffer(), [this](std::string&) { stream_.flush(); }))
                throw IoError("TSD");
        } else {
            const std::size_t nch = static_cast<std::size_t>(out_.Nch);
            // Without interval channels a record is its burst channels alone.
            for (std::int32_t j = 0; nch > 0 && j < out_.SampleSize; ++j)
                for (std::size_t c = 0; c < nch; ++c) stream_.putLE(out_.Data[c][static_cast<std::size_t>(j)]);
            for (std::int16_t k = 0; k < out_.Nch2; ++k) stream_.putLE(out_.BurstData[static_cast<std::size_t>(k)]);
        }
        stream_.flushIfFull();
    }

    // The next sample rows go here channel by channel, room() of them at
    // most, then endRows tells how many were placed.
    int room() const { return kChunkRows - pending_; }
    std::int16_t* column(int c) { return rows_.Data[static_cast<std::size_t>(c)].data() + pending_; }
    void endRows(int n) {
        pending_ += n;
        if (pending_ == kChunkRows) flushRows();
    }
    void flushRows() {
        if (pending_ == 0) return;
        if (tsd_) {
            // The rows are one block: its "No.1" line stands only before the first.
            std::string& buf = stream_.buffer();
            const std::size_t at = buf.size();
            rows_.SampleSize = pending_;
            if (!rows_.AppendTSDBurstText(0, buf)) throw IoError("TSD");
            if (rowsWritten_ > 0) buf.erase(at, buf.find('\n', at) + 1 - at);
        } else {
            const std::size_t nch = static_cast<std::size_t>(rows_.Nch);
            for (int j = 0; j < pending_; ++j)
                for (std::size_t c = 0; c < nch; ++c) stream_.putLE(rows_.Data[c][static_cast<std::size_t>(j)]);
        }
        rowsWritten_ += pending_;
        pending_ = 0;
        stream_.flushIfFull();
    }
    void close() {
        flushRows();
        stream_.close();
    }

private:
    CurrentFile& out_;
    CurrentFile rows_;
    BufferedAppend stream_;  // the records behind the header
    bool tsd_;
    int pending_ = 0;
    long long rowsWritten_ = 0;
};

}  // namespace

bool LinkSet::burstIntervalTooShort() const {
    return daysOf(RefBInt, RefBITUnit) < daysOf(RefSInt, RefSITUnit) * RefSampleSize;
}

SaveStep LinkSet::PrepareSave(const std::string& burstIntervalText, int burstUnit, LinkPlan& plan) {
    auto stay = [this](const std::string& text) {
        if (prompter) prompter->error(text);
        return SaveStep::Stay;
    };
    std::optional<int> bint = ParseInt(burstIntervalText);
    if (!bint || *bint < 0 || !validUnit(burstUnit)) return stay(kBadBurstInterval);
    if (FileCount < 1) return SaveStep::Stay;
    RefBInt = *bint;
    RefBITUnit = static_cast<std::uint8_t>(burstUnit);
    if (std::any_of(FileIterations.begin(), FileIterations.end(), [](std::int16_t n) { return n > 1; }))
        IntervalOnly = false;

    plan = LinkPlan{};
    const std::size_t files = static_cast<std::size_t>(FileCount);
    bool interval = false;
    if (RefNch2 == 0 && IntervalOnly) {
        if (prompter && prompter->confirm(Question(Tx::LinkIntervalMode))) {
            interval = true;
        } else if (burstIntervalTooShort()) {
            if (prompter) prompter->error(Text(Tx::LinkBurstIntervalTooShort));
            return SaveStep::BurstIntervalShort;
        }
    }

    if (interval) {
        const long double step = daysOf(RefSInt, RefSITUnit);
        const long double span = (static_cast<long double>(LastTime) - FirstStart) / step;
        if (!(span < std::numeric_limits<std::int32_t>::max() - 1)) return stay(Text(Tx::LinkTooMuchData));
        plan.sampleSize = RoundHalfAway(span) + 1;
        plan.bursts = 1;
        for (std::size_t i = 0; i < files; ++i)
            plan.offsets.push_back(RoundHalfAway((static_cast<long double>(FileStartTime[i]) - FirstStart) / step));
    } else if (offsetsInSamples_) {
        // The files were placed in samples: place them again in bursts of
        // the (possibly edited) burst interval.
        if (burstIntervalTooShort()) {
            if (prompter) prompter->error(Text(Tx::LinkBurstIntervalTooShort));
            return SaveStep::BurstIntervalShort;
        }
        for (std::size_t i = 0; i < files; ++i) {
            if (FileSampleSize[i] != RefSampleSize) return stay(Text(Tx::LinkSampleCountDiffers) + "\n" + FileNames[i]);
            if (FileIterations[i] > 1 && (FileBInt[i] != RefBInt || FileBITUnit[i] != RefBITUnit))
                return stay(Text(Tx::LinkBurstIntervalDiffers) + "\n" + FileNames[i]);
        }
        if (!toleranceFromText()) return SaveStep::Stay;
        const long double step = daysOf(RefBInt, RefBITUnit);
        plan.sampleSize = RefSampleSize;
        for (std::size_t i = 0; i < files; ++i) {
            const long double d = (static_cast<long double>(FileStartTime[i]) - FirstStart) / step;
            if (!(d < 32768)) return stay(Text(Tx::LinkTooManyBursts));
            const int k = RoundHalfAway(d);
            if (std::fabs(static_cast<double>(d - k)) > Tolerance)
                return stay(Text(Tx::LinkOutOfTolerance) + "\n" + FileNames[i]);
            plan.offsets.push_back(k);
            plan.bursts = std::max(plan.bursts, k + FileIterations[i]);
        }
    } else {
        plan.sampleSize = RefSampleSize;
        plan.bursts = TotalBursts;
        plan.offsets = FileOffset;
    }
    if (plan.bursts > 32767) return stay(Text(Tx::LinkTooManyBursts));
    const std::uint64_t record = (static_cast<std::uint64_t>(plan.sampleSize) * static_cast<std::uint64_t>(RefNch) +
                                  static_cast<std::uint64_t>(RefNch2)) * 2u;
    if (record > std::numeric_limits<std::uint32_t>::max()) return stay(Text(Tx::LinkTooMuchData));

    // An output mostly of gaps, as a mistyped date gives, is asked about
    // before it is written.
    long long given = 0;
    for (std::size_t i = 0; i < files; ++i) given += interval ? FileSampleSize[i] : FileIterations[i];
    const long long grid = interval ? plan.sampleSize : plan.bursts;
    if (grid > kGridPerGiven * given) {
        const Question q(interval ? Tx::LinkGridSamples : Tx::LinkGridBursts, {std::to_string(grid)});
        if (!prompter || prompter->ask(MsgType::Warning, q, MsgButtons::YesNo) != MsgResult::Yes)
            return SaveStep::Stay;
    }
    plan.intervalMode = interval;
    return SaveStep::Proceed;
}

LinkOutcome LinkSet::LinkFiles(const std::string& target, const std::string& memo, const LinkPlan& plan) {
    ModelServices services(model_, prompter, progress);
    auto say = [this](const std::string& text) {
        if (prompter) prompter->error(text);
    };
    const std::size_t files = static_cast<std::size_t>(FileCount);
    if (files < 1 || plan.offsets.size() != files) return LinkOutcome::Refused;
    const std::optional<std::uint8_t> kind = OutputKindOf(target);
    if (!kind) {
        say(Text(Tx::FormatWrong));
        return LinkOutcome::Refused;
    }
    // The output replaces its target; an input must not be that target.
    if (IsInputFile(target)) {
        say(Text(Tx::LinkTargetIsInput) + "\n" + target);
        return LinkOutcome::Refused;
    }
    TargetFile = target;
    OutKind = *kind;

    // The output header: the first file's, with the link's memo, counts and
    // burst interval, and every burst channel the files brought.
    CurrentFile out;
    out.SetMemo(memo);
    out.Nch = RefNch;
    out.Nch2 = RefNch2;
    out.SampleSize = plan.sampleSize;
    out.Iterations = static_cast<std::int16_t>(plan.bursts);
    out.SInt = RefSInt;
    out.SITUnit = RefSITUnit;
    out.BInt = RefBInt;
    out.BITUnit = RefBITUnit;
    out.StartTime = FirstStart;
    for (std::size_t k = 0; k < RefChannelName.size(); ++k) {
        out.ChannelName[k] = RefChannelName[k];
        out.ChannelUnit[k] = RefChannelUnit[k];
        out.ScaleA[k] = RefScaleA[k];
        out.OffsetB[k] = RefOffsetB[k];
    }
    RecordBytes = static_cast<std::uint32_t>(out.ComputeRecordSize());
    HeaderBlocks = out.ComputeHeaderBlocks();
    // Empty sample lines of burst channels alone, or a damaged count, show
    // in the size of the text.
    if (OutKind == 1) {
        const std::uint64_t bytes = OutputBytesAtLeast(OutputShapeOf(out), true), given = FileBytes(FileNames);
        if (bytes > UnaskedOutputBytes(given) &&
            !(prompter && AcceptOutputSize(bytes, given, target, Tx::LinkAction, *prompter)))
            return LinkOutcome::Refused;
    }
    // Interval mode writes row by row; only burst mode needs a whole burst.
    if (!plan.intervalMode) out.AllocateDataArrays();

    OutputGuard unfinished(out);
    if (!(OutKind == 1 ? out.BeginTSDOutput(target) : out.BeginSDFOutput(target))) {
        say(Text(Tx::LinkWriteFailed) + "\n" + target + "\n" + out.LastWriteFailure().reason);
        return LinkOutcome::Failed;
    }
    // The records go into the output's file behind its header.
    const std::string tempName = out.OutputPath();

    // Files in time order, so a file added late still fills its place.
    std::vector<std::size_t> order(files);
    for (std::size_t i = 0; i < files; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return plan.offsets[a] < plan.offsets[b]; });

    NullProgress noProgress;
    ProgressSink& sink = progress ? *progress : noProgress;
    CurrentFile& m = model_;
    try {
        std::error_code ec;
        std::uint64_t start = OutKind == 1 ? std::filesystem::file_size(tempName, ec)
                                           : static_cast<std::uint64_t>(HeaderBlocks) * 256u;
        if (ec) throw IoError(tempName);
        LinkWriter writer(out, tempName, start, OutKind == 1);
        // Each file is opened once, for its header and all its bursts.
        BurstJob reading(m);
        ProgressScope scope(sink, Text(Tx::LinkProgress));
        PercentShown shown(sink, 0);  // the window starts at 0 %
        auto percentOf = [](long long done, long long total) {
            return RoundHalfEven(static_cast<long double>(done) * 100 / std::max<long long>(total, 1));
        };
        auto percent = [&](long long done, long long total) { shown.show(percentOf(done, total)); };
        // Rows 1.. of the interval output, counted once written.
        const long long rows = plan.sampleSize;
        PercentSteps rowPercent(shown, rows + 1, [&percentOf, rows](long long done) { return percentOf(done, rows); });
        // One output burst through the file's channel map; gap bursts (no
        // map) are all missing values.
        auto WriteBurst = [&](const std::vector<std::uint16_t>* map, int P) {
            percent(P, plan.bursts);
            for (int c = 0; c < RefNch; ++c) {
                std::vector<std::int16_t>& dst = out.Data[static_cast<std::size_t>(c)];
                const std::uint16_t src = map ? (*map)[static_cast<std::size_t>(c)] : kNoChannel;
                if (src == kNoChannel)
                    std::fill(dst.begin(), dst.begin() + plan.sampleSize, ErrorData);
                else
                    std::copy_n(m.Data[src].begin(), plan.sampleSize, dst.begin());
            }
            for (int k = 0; k < RefNch2; ++k) {
                const std::uint16_t src = map ? (*map)[static_cast<std::size_t>(RefNch + k)] : kNoChannel;
                out.BurstData[static_cast<std::size_t>(k)] = src == kNoChannel ? ErrorData : m.BurstData[src];
            }
            writer.burst(P);
        };
        int P = 0;
        // Interval mode: the next `count` rows of the output (P on), placed
        // by place(channel, to, from, n) a piece at a time. When `watched`,
        // a piece ends where the percentage changes, which is shown, and a
        // cancel is looked at. False when cancelled.
        auto writeRows = [&](long long count, auto&& place, bool watched) {
            for (long long from = 0; from < count;) {
                long long n = std::min<long long>(count - from, writer.room());
                if (watched) n = std::min(n, std::max<long long>(rowPercent.nextChange() - P, 1));
                for (int c = 0; c < RefNch; ++c) place(c, writer.column(c), from, static_cast<int>(n));
                writer.endRows(static_cast<int>(n));
                from += n;
                P += static_cast<int>(n);
                if (!watched) continue;
                rowPercent.at(P);
                if (sink.Cancelled()) return false;
            }
            return true;
        };
        auto gap = [](int, std::int16_t* to, long long, int n) { std::fill_n(to, n, ErrorData); };

        for (std::size_t i : order) {
            const std::string& name = FileNames[i];
            const std::vector<std::uint16_t>& map = ChannelMap[i];
            if (!readSucceeds([&] { return m.ReadHeader(name); })) {
                say(Text(Tx::LinkReadFailed) + "\n" + name);
                return LinkOutcome::Failed;
            }
            m.FileName = name;
            // The file must still be the one that was checked when added.
            bool same = m.SampleSize == FileSampleSize[i] && m.Iterations == FileHeaderIterations[i] &&
                        m.StartTime == FileStartTime[i] && (plan.intervalMode || m.SampleSize == plan.sampleSize);
            for (int c = 0; same && c < RefNch + RefNch2; ++c) {
                const std::uint16_t src = map[static_cast<std::size_t>(c)];
                same = src == kNoChannel || src < (c < RefNch ? m.Nch : m.Nch2);
            }
            if (!same) {
                say(Text(Tx::LinkReadFailedFixFirst) + "\n" + name);
                return LinkOutcome::Failed;
            }
            const int offset = plan.offsets[i];
            if (plan.intervalMode) {
                if (P < offset && !writeRows(std::min(offset, plan.sampleSize) - P, gap, true))
                    return LinkOutcome::Cancelled;
                const int skip = P - offset;  // samples already written win
                if (skip < m.SampleSize && P < plan.sampleSize) {
                    if (!readSucceeds([&] { return m.ReadBurst(0); })) {
                        say(Text(Tx::LinkReadFailedFixFirst) + "\n" + name);
                        return LinkOutcome::Failed;
                    }
                    auto samples = [&](int c, std::int16_t* to, long long from, int n) {
                        const std::uint16_t src = map[static_cast<std::size_t>(c)];
                        if (src == kNoChannel)
                            std::fill_n(to, n, ErrorData);
                        else
                            std::copy_n(m.Data[src].data() + skip + from, n, to);
                    };
                    if (!writeRows(std::min(m.SampleSize - skip, plan.sampleSize - P), samples, true))
                        return LinkOutcome::Cancelled;
                }
            } else {
                for (; P < offset; ++P) {
                    WriteBurst(nullptr, P);
                    if (sink.Cancelled()) return LinkOutcome::Cancelled;
                }
                for (int b = P - offset; b < FileIterations[i]; ++b, ++P) {
                    if (!readSucceeds([&] { return m.ReadBurst(b); })) {
                        say(Text(Tx::LinkReadFailedFixFirst) + "\n" + name);
                        return LinkOutcome::Failed;
                    }
                    WriteBurst(&map, P);
                    if (sink.Cancelled()) return LinkOutcome::Cancelled;
                }
            }
        }
        // The header declares the whole grid: what no file covers is missing.
        if (plan.intervalMode) {
            writeRows(plan.sampleSize - P, gap, false);
        } else {
            for (; P < plan.bursts; ++P) WriteBurst(nullptr, P);
        }
        writer.close();
        // The inputs are let go first: the target may be one of them, to be
        // rewritten in place, which waits for its readers.
        reading.finish();
        out.FinishOutput(true);
    } catch (const IoError& e) {
        say(Text(Tx::LinkWriteFailed) + "\n" + e.what());
        return LinkOutcome::Failed;
    }
    if (prompter) prompter->information(Text(Tx::LinkSaved));
    return LinkOutcome::Done;
}

}  // namespace brine
