#include "app/menu_jobs.h"

#include <filesystem>

#include "base/errors.h"
#include "base/path_text.h"
#include "base/rounding.h"
#include "base/safe_write/safe_replace.h"

namespace brine {
namespace {


bool stopped(const std::function<bool()>& stop) { return stop && stop(); }

// The temporary file is the importer's own, but never remove the input
// itself should the two names coincide.
void removeTempFile(const std::string& temp, const std::string& input) {
    std::error_code ec;
    if (temp.empty() || std::filesystem::equivalent(temp, input, ec)) return;
    removeFileQuietly(temp);
}

// Copies the bursts of model.FileName into model.SaveFileName. Returns the
// number copied; Iterations when complete.
int copyBursts(CurrentFile& model, ProgressSink& progress) {
    ProgressScope scope(progress, Text(Tx::CommaCopyCaption), false);
    const int n = model.Iterations;
    for (int b = 0; b < n; ++b) {
        progress.SetPercent(RoundHalfEven(static_cast<long double>(b + 1) * 100 / n));
        if (!model.ReadSDFBurst(b) || !model.WriteSDFBurst(b)) return b;
    }
    return n;
}

}  // namespace

int RunExtractionLoop(const std::vector<std::string>& files, const std::function<void(bool)>& setSkipVisible,
                      const std::function<int(const std::string&)>& extract, const std::function<bool()>& stop) {
    const std::size_t n = files.size();
    int runs = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (stopped(stop)) break;
        setSkipVisible(i + 1 < n);
        ++runs;
        if (extract(files[i]) == kExtractCancelled) break;
    }
    return runs;
}

void SaveSingleBurst(HeaderSaveDialog& headerDialog, CurrentFile& model, Prompter& prompter) {
    OutputGuard guard(model);
    if (!headerDialog.ExecuteSave(0)) return;
    if (WriteOnlyBurst(model, prompter, Tx::DataNotWritten)) prompter.information(Text(Tx::SingleBurstDone));
}

void RunSingleBurstCommand(const std::vector<std::string>& files, const std::function<bool(const std::string&)>& reader,
                           HeaderSaveDialog& headerDialog, CurrentFile& model, Prompter& prompter,
                           const std::function<bool()>& stop) {
    for (const auto& file : files) {
        if (stopped(stop)) break;
        if (reader(file)) SaveSingleBurst(headerDialog, model, prompter);
    }
}

bool RunCommaDataHandOff(const std::vector<std::string>& files, const CommaDataSteps& steps,
                         HeaderSaveDialog& headerDialog, CurrentFile& model, ProgressSink& progress,
                         Prompter& prompter, FileDialogSettings& openDialog, const std::function<bool()>& stop) {
    for (const auto& file : files) {
        if (stopped(stop)) break;
        openDialog.InitialDir = ExtractFileDir(file);
        if (!steps.openFile(file)) continue;
        const bool burstMode = steps.burstMode();
        const std::string temp = burstMode ? steps.tempFileName() : std::string();
        steps.proposeOutputName(WithExtension(file, ".sdf"));
        OutputGuard guard(model);
        if (!headerDialog.ExecuteSave(0)) {
            if (burstMode) removeTempFile(temp, file);
            continue;
        }
        if (!burstMode) {
            if (!WriteOnlyBurst(model, prompter, Tx::DataNotWritten)) return false;
            continue;
        }
        model.FileName = temp;
        const int total = model.Iterations;
        const int copied = copyBursts(model, progress);
        if (copied != total) {
            // Keep the output honest about what it holds.
            model.Iterations = static_cast<std::int16_t>(copied);
            model.WriteSDFHeader();
            model.Iterations = static_cast<std::int16_t>(total);
        }
        bool kept = false;
        std::string reason;
        try {
            kept = model.FinishOutput();
        } catch (const IoError& e) {
            reason = std::string(e.what()) + "\n";
        }
        if (kept && copied == total) {
            removeTempFile(temp, file);
            continue;
        }
        // The temporary file stays as the only complete copy.
        std::string text = Text(Tx::CommaCopyFailed) + "\n" + model.SaveFileName + "\n" + reason;
        if (kept) text += "保存できたのは " + std::to_string(copied) + " / " + std::to_string(total) + " バーストです。\n";
        text += "読み込んだデータは一時ファイルに残してあります。\n" + temp;
        prompter.error(text);
        return false;
    }
    return true;
}

}  // namespace brine
