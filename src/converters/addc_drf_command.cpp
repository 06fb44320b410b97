#include "converters/addc_drf_command.h"

#include "converters/convert_addc.h"
#include "converters/convert_drf.h"
#include "converters/resave_sdf.h"
#include "base/errors.h"

namespace brine {

JobResult ConvertOneFile(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress,
                         HeaderSaveDialog& dialog) {
    InputFileKind kind = InputFileKind::Unknown;
    try {
        kind = SniffFileKind(fileName);
    } catch (const FormatError& e) {
        // A rewrite cut short that could not be put back: no kind.
        prompter.warning(e.what());
        return JobResult::Skipped;
    }
    switch (kind) {
    case InputFileKind::SDF:
        return ResaveTimeSeries(m, fileName, InputFileKind::SDF, prompter, progress, dialog);
    case InputFileKind::TSD:
        return ResaveTimeSeries(m, fileName, InputFileKind::TSD, prompter, progress, dialog);
    case InputFileKind::ADDC:
        return ConvertADDCFile(m, fileName, prompter, progress, dialog);
    case InputFileKind::DRF:
        return ConvertDRFFile(m, fileName, prompter, progress, dialog);
    case InputFileKind::Unknown:
        break;
    }
    prompter.warning(Text(Tx::ConvertUnknownKind) + "\n" + fileName);
    return JobResult::Skipped;
}

int ConvertSelectedFiles(const std::vector<std::string>& files, CurrentFile& m, Prompter& prompter,
                         ProgressSink& progress, HeaderSaveDialog& dialog) {
    int done = 0;
    for (const std::string& file : files) {
        JobResult r = JobResult::Failed;
        try {
            r = ConvertOneFile(m, file, prompter, progress, dialog);
        } catch (const BrineError& e) {
            std::string text = e.what();
            if (text.find(file) == std::string::npos) text = file + "\n" + text;
            prompter.error(text);
            continue;
        }
        if (r == JobResult::Done) ++done;
        if (r == JobResult::Cancelled) break;
    }
    return done;
}

}  // namespace brine
