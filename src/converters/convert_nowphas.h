#pragma once
// NOWPHAS port wave observation files (fixed columns, CP932) read into the
// model as one burst. Three layouts, told apart by the first line: monthly
// groups of 2-hourly Hs/Ts line pairs, daily Hs/Ts line pairs, and one line
// of wave statistics per record.
#include <string>
#include <string_view>

#include "core/current_file.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

// The value text of a missing 2-hourly Hs or Ts.
inline constexpr std::string_view kNowphasMissingMark = "9999";

enum class PortWaveLayout { MonthlyGroups = 1, DailyPairs = 2, Records = 3 };

// The layout a file of this name (without folder) and first line holds.
PortWaveLayout PortWaveLayoutOf(std::string_view baseNameCp932, std::string_view firstLine);

// Fills the model with the file's one burst and proposes "Wave_" + station
// name + ".sdf" beside the input as output. False skips the file: nothing to
// read (no message), declined, or refused with a message; the model is then
// left as it was.
bool ReadPortWaveFile(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress);

}  // namespace brine
