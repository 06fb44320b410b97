#pragma once
// Crafted SDF files written through the model, and outputs read back, for
// the converter, tool and main-window tests.
#include <cstdint>
#include <string>
#include <vector>

#include "core/current_file.h"

namespace brine::test {

// One interval channel of `samples` samples and one burst channel; burst b
// holds counts 100*b + j and the burst value -b.
inline void FillCraftedHeader(CurrentFile& m, int bursts, int samples) {
    m.ResetHeader();
    m.SetMemo("crafted");
    m.Nch = 1;
    m.Nch2 = 1;
    m.Iterations = static_cast<std::int16_t>(bursts);
    m.SampleSize = samples;
    m.SInt = 1;
    m.SITUnit = 2;
    m.BInt = 60;
    m.BITUnit = 2;
    m.StartTime = 45000.5;
    m.SetChannelName(0, "Level");
    m.SetChannelUnit(0, "cm");
    m.ScaleA[0] = 0.5f;
    m.OffsetB[0] = 1.0f;
    m.SetChannelName(1, "Temp");
    m.SetChannelUnit(1, "degC");
    m.ScaleA[1] = 0.01f;
    m.OffsetB[1] = 0.0f;
    m.AllocateDataArrays();
}

inline void FillCraftedBurst(CurrentFile& m, int b) {
    for (int j = 0; j < m.SampleSize; ++j) m.Data[0][j] = static_cast<std::int16_t>(100 * b + j);
    m.BurstData[0] = static_cast<std::int16_t>(-b);
}

// Writes a crafted SDF of `written` bursts whose header declares `bursts`.
inline bool WriteCraftedSdf(CurrentFile& m, const std::string& path, int bursts, int samples, int written) {
    FillCraftedHeader(m, bursts, samples);
    if (!m.CreateSDFFile(path)) return false;
    m.SaveFileName = path;
    for (int b = 0; b < written; ++b) {
        FillCraftedBurst(m, b);
        if (!m.WriteSDFBurst(b)) return false;
    }
    return true;
}

// An output read back through the model: its header, and burst `b` when given.
class ReadBack {
public:
    explicit ReadBack(const std::string& path, int b = -1) {
        ok = m.ReadHeader(path);
        m.FileName = path;
        if (ok && b >= 0) ok = m.ReadBurst(b);
    }
    // Counts of one burst: [channel][sample], burst channels after them with one value.
    std::vector<std::vector<std::int16_t>> burst(int b) {
        std::vector<std::vector<std::int16_t>> out;
        if (!m.ReadBurst(b)) return out;
        for (int ch = 0; ch < m.Nch; ++ch) out.push_back(m.Data[static_cast<std::size_t>(ch)]);
        for (int k = 0; k < m.Nch2; ++k) out.push_back({m.BurstData[static_cast<std::size_t>(k)]});
        return out;
    }
    bool ok = false;
    CurrentFile m;
};

}  // namespace brine::test
