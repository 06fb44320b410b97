#pragma once
// Source files for the extraction tests, written through the model: nch
// interval channels named ch0.. and nch2 burst channels after them, A = 0.5,
// B = the channel's index, intervals 1 sec and 1 hr, start 2024/01/01.
#include <string>

#include "base/datetime.h"
#include "core/current_file.h"
#include "tools/link_fixtures.h"

namespace brine::test {

inline double sourceStart() { return EncodeDateTime({2024, 1, 1, 0, 0, 0, 0}); }

// Count of interval channel ch at sample j of burst b; one value is missing.
inline std::int16_t sampleCount(int b, int ch, int j) {
    return (b == 1 && ch == 0 && j == 0) ? ErrorData : static_cast<std::int16_t>(b * 100 + ch * 10 + j);
}
// Count of burst channel k in burst b; one value is missing.
inline std::int16_t burstCount(int b, int k) {
    return (b == 2 && k == 1) ? ErrorData : static_cast<std::int16_t>(-(b * 10 + k) - 1);
}

// Writes an SDF or TSD file (by the name's extension).
inline void writeSource(const std::string& path, int nch, int nch2, int samples, int bursts) {
    FileSpec s;
    s.interval.clear();
    for (int k = 0; k < nch + nch2; ++k)
        (k < nch ? s.interval : s.burst).push_back({"ch" + std::to_string(k), "u" + std::to_string(k), 0.5f, float(k)});
    s.samples = samples;
    s.bursts = bursts;
    s.start = sourceStart();
    s.memo = "source memo";
    s.count = [nch](int b, int ch, int j) { return ch < nch ? sampleCount(b, ch, j) : burstCount(b, ch - nch); };
    writeFile(path, s);
}

}  // namespace brine::test
