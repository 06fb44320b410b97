#include "core/time_units.h"

#include "base/errors.h"

namespace brine {

const TTimeUnit& unitAt(int code) {
    if (!validUnit(code)) throw RangeError("時間の単位が正しくありません。");
    return TimeUnits[static_cast<std::size_t>(code)];
}

std::uint8_t TimeUnitIndexOf(std::string_view s) {
    for (std::size_t i = 0; i < TimeUnits.size(); ++i)
        if (s.find(TimeUnits[i].Name) != std::string_view::npos) return static_cast<std::uint8_t>(i);
    return kNoUnit;
}

void MsecToLargestUnit(std::int32_t& value, std::uint8_t& unitIndex) {
    if (value % 1000 != 0) {
        unitIndex = 1;
        return;
    }
    value /= 1000;
    if (value % 60 != 0) {
        unitIndex = 2;
        return;
    }
    value /= 60;
    if (value % 60 != 0) {
        unitIndex = 3;
        return;
    }
    value /= 60;
    if (value % 24 != 0) {
        unitIndex = 4;
        return;
    }
    value /= 24;
    unitIndex = 5;
}

}  // namespace brine
