#pragma once
// Pieces shared by the two halves of the link tool.
#include "base/file_identity.h"
#include "core/current_file.h"
#include "core/model_services.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

extern const char* const kOutOfToleranceMessage;  // "記録同時性許容範囲外です。..."

}  // namespace brine
