#include "app/sdf_to_tsd.h"

#include <filesystem>

#include "base/buffered_append.h"
#include "base/errors.h"
#include "base/safe_replace.h"

namespace brine {

JobResult ConvertSDFToTSD(CurrentFile& m, const std::string& source, const ChooseTargetFile& chooseTarget,
                          Prompter& prompter, ProgressSink& progress) {
    std::optional<std::string> chosen = chooseTarget(WithExtension(source, ".tsd"));
    if (!chosen || chosen->empty()) return JobResult::Skipped;
    const std::string target = *chosen;
    if (SameFile(target, source)) {
        prompter.error("変換元のファイルには保存できません。\n" + target);
        return JobResult::Skipped;
    }
    std::error_code ec;
    if (std::filesystem::exists(target, ec) &&
        prompter.show(MsgType::Warning, "同名のファイルが存在します。上書きしてよろしいですか。", MsgButtons::YesNo) !=
            MsgResult::Yes)
        return JobResult::Skipped;

    ModelServices services(m, prompter, progress);
    m.FileName = source;
    m.FileKind = 0;
    // Read before the progress window starts: a version update shows its own.
    if (!m.ReadSDFHeader(source)) return JobResult::Skipped;

    SafeReplace output(target);
    const std::string temp = output.tempPath().string();
    if (!m.WriteTSDHeader(temp)) {
        prompter.error(kWriteFailedMessage + target);
        return JobResult::Failed;
    }
    m.SaveFileName = target;

    JobResult result = JobResult::Done;
    {
        ProgressScope scope(progress, kConvertCaption);
        progress.SetComment(std::filesystem::path(source).filename().string() + " => " +
                            std::filesystem::path(target).filename().string());
        try {
            BufferedAppend out(temp);
            for (int b = 0; b < m.Iterations; ++b) {
                if (progress.Cancelled()) {
                    result = JobResult::Cancelled;
                    break;
                }
                progress.SetPercent(PercentOf(b, m.Iterations));
                if (!m.ReadSDFBurst(b)) {
                    prompter.error(kReadFailedMessage + source);
                    result = JobResult::Failed;
                    break;
                }
                if (!m.AppendTSDBurstText(b, out.buffer())) {
                    prompter.error(kWriteFailedMessage + target);
                    result = JobResult::Failed;
                    break;
                }
                out.flushIfFull();
            }
            if (result == JobResult::Done) {
                out.close();
                output.commit();
            }
        } catch (const IoError& e) {
            prompter.error(kWriteFailedMessage + target + "\n" + e.what());
            result = JobResult::Failed;
        }
    }
    if (result == JobResult::Done) prompter.information("変換を正常に終了しました。");
    return result;
}

}  // namespace brine
