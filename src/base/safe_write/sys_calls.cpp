#include "base/safe_write/sys_calls.h"

namespace brine::sys {

const CallTable* installedCalls = nullptr;

}  // namespace brine::sys
