#pragma once
// Input files for the merge tests, written through the model's own writers,
// and a reader for what the merge wrote.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "core/current_file.h"
#include "platform/api/scripted.h"
#include "tools/link_fixtures.h"

namespace brine::test {

inline double at(int h, int m, int s, int ms = 0) { return EncodeDateTime({2024, 5, 1, h, m, s, ms}); }

struct InputLayout {
    double start = at(12, 0, 0);
    int nch = 1, nch2 = 0, iterations = 1, sampleSize = 10;
    int sInt = 1, sitUnit = 2, bInt = 60, bitUnit = 2;
    std::string prefix = "c";  // channel names: prefix + index
    float a = 0.5f, b = 0;
    // Count of interval channel ch at sample s of burst b; burst channel j
    // gets value(1000 + j, 0, b).
    std::function<std::int16_t(int ch, int s, int b)> value = [](int ch, int s, int b) {
        return static_cast<std::int16_t>(ch * 1000 + b * 100 + s);
    };
};

// Writes an SDF (or, by the name's extension, TSD) file of the layout.
inline void writeInput(const std::string& path, const InputLayout& l) {
    FileSpec s;
    s.interval.clear();
    for (int k = 0; k < l.nch + l.nch2; ++k)
        (k < l.nch ? s.interval : s.burst)
            .push_back({l.prefix + std::to_string(k), "u" + std::to_string(k), l.a * static_cast<float>(k + 1), l.b});
    s.samples = l.sampleSize;
    s.bursts = l.iterations;
    s.sInt = l.sInt;
    s.sitUnit = static_cast<std::uint8_t>(l.sitUnit);
    s.bInt = l.bInt;
    s.bitUnit = static_cast<std::uint8_t>(l.bitUnit);
    s.start = l.start;
    s.memo = "memo of " + l.prefix;
    s.count = [v = l.value, nch = l.nch](int b, int ch, int j) { return ch < nch ? v(ch, j, b) : v(1000 + ch - nch, 0, b); };
    writeFile(path, s);
}

// Reads a whole output: header in `m`, every burst's counts returned.
struct Burst {
    std::vector<std::vector<std::int16_t>> data;
    std::vector<std::int16_t> burst;
};
inline std::vector<Burst> readOutput(const std::string& path, CurrentFile& m) {
    ScriptedPrompter quiet;
    m.prompter = &quiet;
    std::vector<Burst> out;
    if (!m.ReadHeader(path)) return out;
    m.FileName = path;
    for (int b = 0; b < m.Iterations; ++b) {
        EXPECT_TRUE(m.ReadBurst(b)) << b;
        Burst r;
        for (int ch = 0; ch < m.Nch; ++ch) r.data.push_back(m.Data[static_cast<std::size_t>(ch)]);
        r.burst.assign(m.BurstData.begin(), m.BurstData.begin() + m.Nch2);
        out.push_back(std::move(r));
    }
    m.prompter = nullptr;
    return out;
}

}  // namespace brine::test
