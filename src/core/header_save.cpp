#include "core/header_save.h"

#include "base/errors.h"
#include "platform/api/prompter.h"

namespace brine {

bool DeclareWrittenBursts(CurrentFile& m, int written, Prompter& prompter, Tx failMessage) {
    m.Iterations = static_cast<std::int16_t>(written);
    if (m.WriteSDFHeader()) return true;
    prompter.error(Text(failMessage) + "\n" + m.SaveFileName);
    return false;
}

bool WriteOnlyBurst(CurrentFile& m, Prompter& prompter, Tx failMessage) {
    if (!m.WriteSDFBurst(0)) {
        prompter.error(Text(failMessage) + "\n" + m.SaveFileName);
        FinishSave(m, prompter, failMessage);
        return false;
    }
    return FinishSave(m, prompter, failMessage);
}

bool FinishSave(CurrentFile& m, Prompter& prompter, Tx failMessage) {
    // A run that ended before its first burst has nothing to keep, and that
    // is no failure of the finish.
    const bool nothingToKeep = m.OutputDeclaresNoBurst();
    try {
        return m.FinishOutput(true) || nothingToKeep;
    } catch (const IoError& e) {
        prompter.error(Text(failMessage) + "\n" + m.SaveFileName + "\n" + e.what());
        return false;
    }
}

}  // namespace brine
