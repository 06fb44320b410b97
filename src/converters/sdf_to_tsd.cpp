#include "converters/sdf_to_tsd.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/binary_file.h"
#include "base/buffered_append.h"
#include "base/errors.h"
#include "base/safe_write/safe_replace.h"
#include "core/output_size.h"

namespace brine {
namespace {

// Makes the output written so far (header, then `written` complete blocks)
// declare exactly those blocks. The new header is never longer than the
// old one (fewer bursts take no more digits), so the blocks move towards
// the start and the file is cut behind them.
void declareWrittenBlocks(CurrentFile& m, int written, const std::string& path, std::uint64_t headerBytes) {
    m.Iterations = static_cast<std::int16_t>(written);
    std::string head;
    if (!m.EncodeTSDHeader(head) || head.size() > headerBytes) throw IoError("ヘッダーを書き直せません: " + path);
    BinaryFile f(path, OpenMode::Update);
    const std::uint64_t size = f.size();
    const std::uint64_t shift = headerBytes - head.size();
    f.writeAt(0, head.data(), head.size());
    if (shift > 0) {
        std::vector<char> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(size - headerBytes, 4u << 20)));
        for (std::uint64_t at = headerBytes; at < size;) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - at));
            f.readAt(at, chunk.data(), n);
            f.writeAt(at - shift, chunk.data(), n);
            at += n;
        }
        f.truncate(size - shift);
    }
    f.close();
}

}  // namespace

JobResult ConvertSDFToTSD(CurrentFile& m, const std::string& source, const ChooseTargetFile& chooseTarget,
                          Prompter& prompter, ProgressSink& progress) {
    std::optional<std::string> chosen = chooseTarget(WithExtension(source, ".tsd"));
    if (!chosen || chosen->empty()) return JobResult::Skipped;
    const std::string target = *chosen;
    if (SameFile(target, source)) {
        prompter.error(Text(Tx::ConvertOntoSource) + "\n" + target);
        return JobResult::Skipped;
    }
    std::error_code ec;
    if (std::filesystem::exists(target, ec) &&
        prompter.ask(MsgType::Warning, Question(Tx::OverwriteExisting), MsgButtons::YesNo) !=
            MsgResult::Yes)
        return JobResult::Skipped;

    ModelServices services(m, prompter, progress);
    // The source stays open from its header to its last burst.
    BurstJob job(m);
    // Read before the progress window starts: a version update shows its own.
    // Only a header read makes the file the model's.
    if (!m.ReadSDFHeader(source)) return JobResult::Skipped;
    m.FileName = source;
    m.FileKind = 0;
    // A damaged count of bursts or samples shows in the size of the text.
    if (!AcceptOutputSize(OutputBytesAtLeast(OutputShapeOf(m), true), FileBytes({source}), target, Tx::ConvertAction,
                          prompter))
        return JobResult::Skipped;

    // A target the user may not write, or in a folder the user may not
    // write, is refused here, before anything is written.
    OutputGuard guard(m);
    if (!m.BeginTSDOutput(target)) {
        prompter.error(Text(Tx::DataWriteFailed) + "\n" + target + "\n" + m.LastWriteFailure().reason);
        return JobResult::Failed;
    }
    m.SaveFileName = target;
    // The blocks go into the output's file behind its header, as text.
    const std::string temp = m.OutputPath();

    std::error_code sizeError;
    const std::uint64_t headerBytes = std::filesystem::file_size(temp, sizeError);
    if (sizeError) {
        prompter.error(Text(Tx::DataWriteFailed) + "\n" + target);
        return JobResult::Failed;
    }
    JobResult result = JobResult::Done;
    {
        ProgressScope scope(progress, Text(Tx::ConvertCaption));
        progress.SetComment(std::filesystem::path(source).filename().string() + " => " +
                            std::filesystem::path(target).filename().string());
        try {
            BufferedAppend out(temp);
            // On cancel or a failed read the blocks converted so far are kept,
            // under a header that declares them; a failed write keeps nothing,
            // and neither does a run that converted no block: the file it was
            // to replace stays as it was.
            bool keep = true;
            int b = 0;
            for (; b < m.Iterations; ++b) {
                if (progress.Cancelled()) {
                    result = JobResult::Cancelled;
                    break;
                }
                progress.SetPercent(PercentOf(b, m.Iterations));
                if (!m.ReadSDFBurst(b)) {
                    prompter.error(Text(Tx::ConvertReadFailed) + "\n" + m.ReadFailureLine(source));
                    result = JobResult::Failed;
                    break;
                }
                if (!m.AppendTSDBurstText(b, out.buffer(), [&](std::string&) { out.flush(); })) {
                    prompter.error(Text(Tx::DataWriteFailed) + "\n" + target);
                    result = JobResult::Failed;
                    keep = false;
                    break;
                }
                out.flushIfFull();
            }
            if (b == 0 && result != JobResult::Done) keep = false;
            if (keep) {
                out.close();
                job.finish();
                if (b != m.Iterations) declareWrittenBlocks(m, b, temp, headerBytes);
                m.FinishOutput(true);
            }
        } catch (const IoError& e) {
            prompter.error(Text(Tx::DataWriteFailed) + "\n" + target + "\n" + e.what());
            result = JobResult::Failed;
        }
    }
    if (result == JobResult::Done) prompter.information(Text(Tx::SdfToTsdDone));
    return result;
}

}  // namespace brine
