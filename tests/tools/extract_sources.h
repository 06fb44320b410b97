#pragma once
// Source files for the extraction tests, written through the model: nch
// interval channels named ch0.. and nch2 burst channels after them, A = 0.5,
// B = the channel's index, intervals 1 sec and 1 hr, start 2024/01/01.
#include <string>

#include "base/datetime.h"
#include "core/current_file.h"

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
    CurrentFile m;
    m.SetMemo("source memo");
    m.Nch = static_cast<std::int16_t>(nch);
    m.Nch2 = static_cast<std::int16_t>(nch2);
    m.SampleSize = samples;
    m.Iterations = static_cast<std::int16_t>(bursts);
    m.SInt = 1;
    m.SITUnit = 2;
    m.BInt = 1;
    m.BITUnit = 4;
    m.StartTime = sourceStart();
    for (int k = 0; k < nch + nch2; ++k) {
        m.ChannelName[k] = "ch" + std::to_string(k);
        m.ChannelUnit[k] = "u" + std::to_string(k);
        m.ScaleA[k] = 0.5f;
        m.OffsetB[k] = static_cast<float>(k);
    }
    m.AllocateDataArrays();
    const bool tsd = UpperExtension(path) == ".TSD";
    if (!(tsd ? m.WriteTSDHeader(path) : m.CreateSDFFile(path))) throw std::runtime_error("header of " + path);
    m.SaveFileName = path;
    for (int b = 0; b < bursts; ++b) {
        for (int ch = 0; ch < nch; ++ch)
            for (int j = 0; j < samples; ++j) m.Data[ch][j] = sampleCount(b, ch, j);
        for (int k = 0; k < nch2; ++k) m.BurstData[k] = burstCount(b, k);
        if (!(tsd ? m.WriteTSDBurst(b) : m.WriteSDFBurst(b))) throw std::runtime_error("burst of " + path);
    }
}

}  // namespace brine::test
