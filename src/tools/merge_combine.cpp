#include "tools/merge_combine.h"

#include <cmath>
#include <memory>
#include <optional>

#include "base/errors.h"
#include "base/rounding.h"
#include "base/safe_write/safe_replace.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "core/output_size.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"
#include "tools/extract_data.h"

namespace brine {

namespace {

constexpr char kUnknownKind[] = "SDFファイル(*.sdf)かTSDファイル(*.tsd)に保存して下さい。\n";

// The inputs' prompter: the text readers' question about values beyond a
// count is asked in the merge's own words.
class InputPrompter : public Prompter {
public:
    explicit InputPrompter(Prompter& inner) : inner_(inner) {}
    void beep() override { inner_.beep(); }

protected:
    MsgResult showBox(MsgType type, const std::string& text, MsgButtons buttons) override {
        const bool range = text == Text(Tx::ValueOutOfRange);
        return forward(inner_, type, range ? Text(Tx::MergeValueOutOfRange) : text, buttons);
    }

private:
    Prompter& inner_;
};

// A burst reader of one input, holding the header the file had when added:
// its counts come back with the file's own scales, whatever the grid says.
std::unique_ptr<CurrentFile> OpenInput(const MergeSource& f, Prompter& prompter) {
    auto in = std::make_unique<CurrentFile>();
    in->prompter = &prompter;
    in->FileName = f.FileName;
    in->FileKind = UpperExtension(f.FileName) == ".TSD" ? 1 : 0;
    static_cast<FileHeader&>(*in) = f.Header;
    in->UpdateBlockArithmetic();
    in->AllocateForReading();
    return in;
}

// The save name of the model, put back unless the run completes.
class SaveNameScope {
public:
    explicit SaveNameScope(CurrentFile& m) : m_(m), saved_(m.SaveFileName) {}
    ~SaveNameScope() {
        if (!kept_) m_.SaveFileName = saved_;
    }
    void keep(const std::string& name) {
        m_.SaveFileName = name;
        kept_ = true;
    }

private:
    CurrentFile& m_;
    std::string saved_;
    bool kept_ = false;
};

void SetOutputHeader(const MergeSet& set, const MergeSettings& s, CurrentFile& m) {
    const FileHeader& first = set.First().Header;
    m.ResetHeader();
    m.SetMemo(s.Memo);
    // The first file's exact start: a start cut to the whole second would
    // move the first file's own samples off the grid.
    m.StartTime = first.StartTime;
    m.SampleSize = first.SampleSize;
    m.SInt = first.SInt;
    m.SITUnit = first.SITUnit;
    m.Iterations = first.Iterations;
    m.BInt = first.BInt;
    m.BITUnit = first.BITUnit;
    m.Nch = static_cast<std::int16_t>(s.IntervalChannels.size());
    m.Nch2 = static_cast<std::int16_t>(s.BurstChannels.size());
    int k = 0;
    for (const auto* list : {&s.IntervalChannels, &s.BurstChannels})
        for (const MergeChannel& c : *list) {
            m.SetChannelName(k, c.name);
            m.SetChannelUnit(k, c.unit);
            m.ScaleA[static_cast<std::size_t>(k)] = c.a;
            m.OffsetB[static_cast<std::size_t>(k)] = c.b;
            ++k;
        }
    m.UpdateBlockArithmetic();
    // The output has as many bursts as the first file: none when it holds none.
    m.AllocateForReading();
}

}  // namespace

void DefaultChannels(const MergeSet& set, MergeSettings& settings) {
    settings.IntervalChannels.clear();
    settings.BurstChannels.clear();
    for (const MergeSource& f : set.Files()) {
        const FileHeader& h = f.Header;
        for (std::size_t k = 0; k < static_cast<std::size_t>(h.Nch + h.Nch2); ++k) {
            MergeChannel c{h.ChannelName[k], h.ChannelUnit[k], h.ScaleA[k], h.OffsetB[k]};
            (static_cast<int>(k) < h.Nch ? settings.IntervalChannels : settings.BurstChannels).push_back(c);
        }
    }
}

bool CombineFiles(const MergeSet& set, const MergeSettings& settings, CurrentFile& model, Prompter& prompter,
                  ProgressSink& progress) {
    if (set.FileCount() < 1) return false;
    if (static_cast<int>(settings.IntervalChannels.size()) != set.TotalNch() ||
        static_cast<int>(settings.BurstChannels.size()) != set.TotalNch2())
        throw RangeError("チャンネル数が範囲外です。");
    const std::string& target = settings.TargetFile;
    const std::optional<std::uint8_t> kind = OutputKindOf(target);
    if (!kind) {
        prompter.error(kUnknownKind + target);
        return false;
    }
    const bool tsd = *kind == 1;
    const long double tol = settings.Tol;
    if (!(tol > 0) || !std::isfinite(tol)) {
        prompter.error(Text(Tx::MergeBadTolerance));
        return false;
    }

    // The first file's grid carries every channel: a damaged count, or a
    // grid far finer than the files, shows in the size of the output.
    const FileHeader& first = set.First().Header;
    const OutputShape shape{static_cast<int>(settings.IntervalChannels.size()),
                            static_cast<int>(settings.BurstChannels.size()), first.SampleSize, first.Iterations};
    std::vector<std::string> names;
    for (const MergeSource& f : set.Files()) names.push_back(f.FileName);
    if (!AcceptOutputSize(OutputBytesAtLeast(shape, tsd), FileBytes(names), target, Tx::MergeAction, prompter))
        return false;

    SaveNameScope saveName(model);
    SetOutputHeader(set, settings, model);
    // Every file stays open for the whole run; the output is written in
    // large pieces, as only a complete one replaces the target.
    BurstJob writing(model, BurstJob::WholeOutput);
    OutputGuard unfinished(model);
    if (!(tsd ? model.BeginTSDOutput(target) : model.BeginSDFOutput(target))) {
        prompter.error(Text(Tx::DataWriteFailed) + "\n" + target + "\n" + model.LastWriteFailure().reason);
        return false;
    }
    model.SaveFileName = target;

    const std::vector<MergeSource>& files = set.Files();
    const int n = set.FileCount();
    InputPrompter inputPrompter(prompter);
    std::vector<std::unique_ptr<CurrentFile>> inputs;
    std::vector<std::unique_ptr<BurstJob>> reading;
    // Times in seconds from the output's start.
    std::vector<long double> startOffset, sampleStep, burstStep;
    for (const MergeSource& f : files) {
        inputs.push_back(OpenInput(f, inputPrompter));
        reading.push_back(std::make_unique<BurstJob>(*inputs.back()));
        startOffset.push_back(SecondsBetween(f.Header.StartTime, model.StartTime));
        sampleStep.push_back(SecondsOf(f.Header.SInt, f.Header.SITUnit));
        burstStep.push_back(SecondsOf(f.Header.BInt, f.Header.BITUnit));
    }
    const long double dtOut = SecondsOf(model.SInt, model.SITUnit);
    const long double outBurstStep = SecondsOf(model.BInt, model.BITUnit);
    const int outSamples = model.SampleSize;
    std::vector<bool> unreadable(files.size(), false);
    std::vector<std::string> unreadWhy(files.size());

    {
        ProgressScope scope(progress, Text(Tx::MergeProgress), false);
        PercentShown percent(progress);
        for (int b = 0; b < model.Iterations; ++b) {
            if (model.Iterations > 1) percent.show(RoundHalfEven(static_cast<long double>(b) * 100 / model.Iterations));
            for (int ch = 0; ch < model.Nch; ++ch)
                std::fill(model.Data[static_cast<std::size_t>(ch)].begin(),
                          model.Data[static_cast<std::size_t>(ch)].end(), ErrorData);
            std::fill(model.BurstData.begin(), model.BurstData.end(), ErrorData);
            const long double t0 = outBurstStep * b;

            std::size_t c0 = 0, k0 = 0;
            for (int i = 0; i < n; ++i) {
                const auto fi = static_cast<std::size_t>(i);
                const MergeSource& f = files[fi];
                CurrentFile& in = *inputs[fi];
                // A file with fewer bursts, or one that failed to read, has
                // nothing for this burst: its channels stay missing. After a
                // failure the file is not read again, so its message shows once.
                bool have = b < f.Header.Iterations && !unreadable[fi];
                if (have && !in.ReadBurst(b)) {
                    unreadable[fi] = true;
                    unreadWhy[fi] = in.ReadFailureLine(f.FileName);
                    have = false;
                }
                if (have) {
                    const long double ti = startOffset[fi] + burstStep[fi] * b;
                    // One burst goes by the samples of each file in turn; a file
                    // without interval channels has nothing in its samples.
                    const bool bySample = model.Iterations == 1;
                    const bool perSample = f.Header.Nch > 0 || bySample;
                    PercentSteps samplePercent(percent, f.Header.SampleSize, [&f, i, n](long long s) {
                        return RoundHalfEven((static_cast<long double>(s) / f.Header.SampleSize + i) / n * 100);
                    });
                    for (int s = 0; perSample && s < f.Header.SampleSize && outSamples > 0; ++s) {
                        if (bySample) samplePercent.at(s);
                        long double pos = (s * sampleStep[fi] + ti - t0) / dtOut;
                        if (!(pos > -1 && pos < outSamples)) continue;
                        int k = RoundHalfAway(pos);
                        if (k < 0 || k >= outSamples || !(std::fabs(pos - k) < tol)) continue;
                        for (std::size_t c = 0; c < static_cast<std::size_t>(f.Header.Nch); ++c)
                            model.Data[c0 + c][static_cast<std::size_t>(k)] = in.Data[c][static_cast<std::size_t>(s)];
                    }
                    for (std::size_t j = 0; j < static_cast<std::size_t>(f.Header.Nch2); ++j)
                        model.BurstData[k0 + j] = in.BurstData[j];
                }
                c0 += static_cast<std::size_t>(f.Header.Nch);
                k0 += static_cast<std::size_t>(f.Header.Nch2);
            }
            if (!(tsd ? model.WriteTSDBurst(b) : model.WriteSDFBurst(b))) {
                prompter.error(Text(Tx::DataWriteFailed) + "\n" + target);
                return false;
            }
        }
        try {
            writing.finish();
            // The inputs are let go first: the target may be one of them, to
            // be rewritten in place, which waits for its readers.
            reading.clear();
            model.FinishOutput(true);
        } catch (const IoError& e) {
            prompter.error(Text(Tx::DataWriteFailed) + "\n" + target + "\n" + e.what());
            return false;
        }
    }
    saveName.keep(target);

    std::string unread;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (unreadable[i]) unread += "\n" + unreadWhy[i];
    if (unread.empty())
        prompter.information(Text(Tx::MergeSaved));
    else
        prompter.warning(Text(Tx::MergeSavedSomeUnread) + unread);
    return true;
}

}  // namespace brine
