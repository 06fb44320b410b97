#include "core/header_save.h"

#include "platform/api/prompter.h"

namespace brine {

const char* const kWriteFailedMessage = "データの書き込みでエラーが発生しました。\n";

bool DeclareWrittenBursts(CurrentFile& m, int written, Prompter& prompter, std::string_view failMessage) {
    m.Iterations = static_cast<std::int16_t>(written);
    if (m.WriteSDFHeader(m.SaveFileName)) return true;
    prompter.error(std::string(failMessage) + m.SaveFileName);
    return false;
}

}  // namespace brine
