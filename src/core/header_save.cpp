#include "core/header_save.h"

#include "base/errors.h"
#include "platform/api/prompter.h"

namespace brine {

const char* const kWriteFailedMessage = "データの書き込みでエラーが発生しました。\n";
const char* const kMsgWriteFailed = "ファイルに書き込めません。\n";

bool DeclareWrittenBursts(CurrentFile& m, int written, Prompter& prompter, std::string_view failMessage) {
    m.Iterations = static_cast<std::int16_t>(written);
    if (m.WriteSDFHeader()) return true;
    prompter.error(std::string(failMessage) + m.SaveFileName);
    return false;
}

bool WriteOnlyBurst(CurrentFile& m, Prompter& prompter, std::string_view failMessage) {
    if (!m.WriteSDFBurst(0)) {
        prompter.error(std::string(failMessage) + m.SaveFileName);
        FinishSave(m, prompter, failMessage);
        return false;
    }
    return FinishSave(m, prompter, failMessage);
}

bool FinishSave(CurrentFile& m, Prompter& prompter, std::string_view failMessage) {
    // A run that ended before its first burst has nothing to keep, and that
    // is no failure of the finish.
    const bool nothingToKeep = m.OutputDeclaresNoBurst();
    try {
        return m.FinishOutput(true) || nothingToKeep;
    } catch (const IoError& e) {
        prompter.error(std::string(failMessage) + m.SaveFileName + "\n" + e.what());
        return false;
    }
}

}  // namespace brine
