#include "converters/resave_sdf.h"

#include <algorithm>
#include <filesystem>

#include "base/errors.h"

namespace brine {

JobResult ResaveTimeSeries(CurrentFile& m, const std::string& fileName, InputFileKind kind, Prompter& prompter,
                           ProgressSink& progress, HeaderSaveDialog& dialog) {
    if (kind != InputFileKind::SDF && kind != InputFileKind::TSD) return JobResult::Skipped;
    ModelServices services(m, prompter, progress);
    OutputGuard guard(m);
    const bool isSdf = kind == InputFileKind::SDF;
    if (!(isSdf ? m.ReadSDFHeader(fileName) : m.ReadTSDHeader(fileName))) return JobResult::Skipped;
    // The readers take the name they are given: only a header read makes
    // the file the model's, so a refused one leaves the model's as it was.
    m.FileName = fileName;
    m.FileKind = isSdf ? 0 : 1;
    const int sourceBursts = m.Iterations;

    if (!SaveSDFHeaderAs(m, isSdf ? fileName : WithExtension(fileName, ".sdf"), dialog, prompter))
        return JobResult::Skipped;
    if (SameFile(m.SaveFileName, fileName)) {
        if (!isSdf) {
            m.FinishOutput(false);
            prompter.error(Text(Tx::ConvertOntoSource) + "\n" + fileName);
            return JobResult::Failed;
        }
        // Only the header was meant to change; it may not claim bursts the
        // file does not hold, whatever the source's header claimed.
        int held = sourceBursts;
        std::error_code ec;
        const std::uint64_t size = std::filesystem::file_size(fileName, ec);
        const std::uint64_t start = static_cast<std::uint64_t>(m.ComputeHeaderBlocks()) * 256u;
        const std::uint64_t record = m.ComputeRecordSize();
        if (!ec && record > 0)
            held = static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(sourceBursts),
                                                            size > start ? (size - start) / record : 0));
        if (m.Iterations > held) {
            m.Iterations = static_cast<std::int16_t>(held);
            if (!m.RewriteSDFHeader(fileName)) {
                prompter.error(Text(Tx::DataWriteFailed) + "\n" + fileName + "\n" + m.LastWriteFailure().reason);
                return JobResult::Failed;
            }
        }
        return FinishSave(m, prompter) ? JobResult::Done : JobResult::Failed;
    }

    const int total = std::min<int>(m.Iterations, sourceBursts);
    int b = 0;
    JobResult result = JobResult::Done;
    {
        // Source and output stay open for the whole run; each burst is in
        // the output when it has been written, as a stop keeps those.
        BurstJob job(m);
        ProgressScope scope(progress, Text(Tx::ConvertCaption));
        progress.SetComment(FullName(fileName) + " => " + FullName(m.SaveFileName));
        try {
            for (; b < total; ++b) {
                if (progress.Cancelled()) {
                    result = JobResult::Cancelled;
                    break;
                }
                progress.SetPercent(PercentOf(b, total));
                if (!(isSdf ? m.ReadSDFBurst(b) : m.ReadTSDBurst(b))) {
                    // The TSD reader has given its own message (or the user
                    // declined to go on).
                    if (isSdf) prompter.error(Text(Tx::ConvertReadFailed) + "\n" + m.ReadFailureLine(fileName));
                    result = JobResult::Failed;
                    break;
                }
                if (!m.WriteSDFBurst(b)) {
                    prompter.error(Text(Tx::DataWriteFailed) + "\n" + m.SaveFileName);
                    result = JobResult::Failed;
                    break;
                }
            }
        } catch (const BrineError&) {
            DeclareWrittenBursts(m, b, prompter);
            FinishSave(m, prompter);
            throw;
        }
        try {
            job.finish();
        } catch (const IoError&) {
            // A failed close may have lost what was written: the target stays.
            if (result != JobResult::Failed) prompter.error(Text(Tx::DataWriteFailed) + "\n" + m.SaveFileName);
            m.FinishOutput(false);
            return JobResult::Failed;
        }
    }
    if (b != m.Iterations) DeclareWrittenBursts(m, b, prompter);
    if (!FinishSave(m, prompter)) result = JobResult::Failed;
    return result;
}

}  // namespace brine
