#pragma once
// JMA hourly meteorological tables (comma-separated, CP932) read into the
// model as one burst of hourly samples.
#include <array>
#include <string>
#include <string_view>

#include "core/current_file.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {

// The words a table is told by (UTF-8 here, CP932 in the file): the titles
// of its first line, the one period kind it is read in, and the unit of a
// column of compass points.
inline constexpr std::array<std::string_view, 4> kJmaTitles = {"データ種別", "地点名", "期間区分", "表示期間"};
inline constexpr std::string_view kJmaHourly = "時別値";
inline constexpr std::string_view kJmaDirectionUnit = "方位";

struct CompassPoint {
    const char* Name;
    float Bearing;  // degrees clockwise from north
};
extern const std::array<CompassPoint, 16> CompassPoints;

// "2020年1月2日3時4分5秒" and its shorter forms (each unit only after the
// previous one; missing units default to month 1, day 1, 0 h 0 min 0 s);
// hour 24 is 0 h of the next day. ConversionError when the text holds no
// valid date.
double ParseJapaneseDateTime(std::string_view cp932);

// Fills the model with the table's one burst and proposes the input name with
// ".sdf" as output. False skips the file: not such a table (no message), or
// refused with a message.
bool ReadMeteorologicalCsv(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress);

}  // namespace brine
