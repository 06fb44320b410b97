#include "tools/extract_save.h"

#include <filesystem>
#include <optional>

#include "base/safe_write/file_identity.h"
#include "base/texts.h"
#include "core/output_size.h"

namespace brine {

bool SaveExtraction(CurrentFile& model, ExtractRequest request, const std::string& outputName, Prompter& prompter,
                    ProgressSink& progress) {
    if (outputName.empty()) {
        prompter.error(Text(Tx::ExtractNoFileName));
        return false;
    }
    std::optional<std::uint8_t> kind = OutputKindOf(outputName);
    if (!kind) {
        prompter.error(Text(Tx::ExtractBadExtension));
        return false;
    }
    request.OutputKind = *kind;
    // Refused before any question, so nobody confirms an overwrite that cannot happen.
    if (std::optional<std::string> why = ExtractRefusal(model, request)) {
        prompter.error(*why);
        return false;
    }

    // A damaged count of the source shows in the size of the text.
    if (request.OutputKind == 1) {
        CurrentFile out;
        BuildOutputHeader(model, request, out);
        if (!AcceptOutputSize(OutputBytesAtLeast(OutputShapeOf(out), true), FileBytes({request.SourceFile}),
                              outputName, Tx::SaveAction, prompter))
            return false;
    }

    std::string target = outputName;
    std::optional<Tx> question;
    std::error_code ec;
    if (SameFile(outputName, request.SourceFile)) {
        question = Tx::ExtractOverwriteSource;
        target = request.SourceFile;
    } else if (std::filesystem::exists(outputName, ec)) {
        question = Tx::OverwriteExisting;
    }
    if (question) {
        switch (prompter.ask(MsgType::Warning, Question(*question), MsgButtons::YesNoCancel)) {
            case MsgResult::Yes: break;
            case MsgResult::No: return true;
            default: return false;
        }
    }
    ExtractData(model, request, target, prompter, progress);
    return true;
}

}  // namespace brine
