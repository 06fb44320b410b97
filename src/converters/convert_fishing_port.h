#pragma once
// Hourly tables of the fishing-port wave database (comma-separated, CP932)
// read into the model as one burst of hourly samples.
#include <optional>
#include <string>
#include <string_view>

#include "core/current_file.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

// Item names the titles are matched against (UTF-8 here, CP932 in the
// file); the long titles of the significant wave read as the short names.
inline constexpr std::string_view kPortSignificantHeight = "有義波高";
inline constexpr std::string_view kPortSignificantPeriod = "有義波周期";
inline constexpr std::string_view kPortMaxHeight = "最大波高";
inline constexpr std::string_view kPortDirection = "波向";
inline constexpr std::string_view kPortLongSignificantHeight = "1/3最大(有義)波高";
inline constexpr std::string_view kPortLongSignificantPeriod = "1/3最大(有義)波周期";

// Scale A of a registered item name (CP932); none for an unknown item.
std::optional<float> FishingPortScale(std::string_view itemName);

// Fills the model with the table's one burst and proposes "Wave_" + port
// name + ".sdf" beside the input as output. False skips the file: not such a
// table (no message), or refused with a message.
bool ReadFishingPortCsv(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress);

}  // namespace brine
