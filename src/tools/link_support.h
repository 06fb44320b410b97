#pragma once
// What both halves of the link tool use.
#include "base/safe_write/file_identity.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "core/model_services.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"
