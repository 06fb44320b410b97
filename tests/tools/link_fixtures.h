#pragma once
// Small SDF and TSD files written through the model, for the tool tests.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "converters/crafted_sdf.h"
#include "core/current_file.h"
#include "support/temp_dir.h"

namespace brine::test {

struct Channel {
    std::string name, unit = "cm";
    float a = 0.5f, b = 1.0f;
};

struct FileSpec {
    std::vector<Channel> interval{{"u"}, {"v"}};
    std::vector<Channel> burst;
    int samples = 4;
    int bursts = 1;
    int sInt = 1;
    std::uint8_t sitUnit = 2;  // sec
    int bInt = 1;
    std::uint8_t bitUnit = 4;  // hr
    double start = EncodeDateTime({2020, 5, 1, 0, 0, 0, 0});
    std::string memo = "memo";
    // Count of channel ch at sample j of burst b; burst channels get j = -1.
    std::function<std::int16_t(int b, int ch, int j)> count = [](int b, int ch, int j) {
        return static_cast<std::int16_t>(100 * b + 10 * ch + j);
    };
};

inline double hours(double h) { return h / 24.0; }
inline double seconds(double s) { return s / 86400.0; }

// Writes an SDF or TSD file (by extension) with the given header and counts.
inline void writeFile(const std::string& path, const FileSpec& s) {
    CurrentFile m;
    m.SetMemo(s.memo);
    m.Nch = static_cast<std::int16_t>(s.interval.size());
    m.Nch2 = static_cast<std::int16_t>(s.burst.size());
    m.SampleSize = s.samples;
    m.Iterations = static_cast<std::int16_t>(s.bursts);
    m.SInt = s.sInt;
    m.SITUnit = s.sitUnit;
    m.BInt = s.bInt;
    m.BITUnit = s.bitUnit;
    m.StartTime = s.start;
    std::vector<Channel> all = s.interval;
    all.insert(all.end(), s.burst.begin(), s.burst.end());
    for (std::size_t k = 0; k < all.size(); ++k) {
        m.SetChannelName(static_cast<int>(k), all[k].name);
        m.SetChannelUnit(static_cast<int>(k), all[k].unit);
        m.ScaleA[k] = all[k].a;
        m.OffsetB[k] = all[k].b;
    }
    m.AllocateDataArrays();
    const bool tsd = UpperExtension(path) == ".TSD";
    ASSERT_TRUE(tsd ? m.CreateTSDFile(path) : m.CreateSDFFile(path));
    m.SaveFileName = path;
    for (int b = 0; b < s.bursts; ++b) {
        for (int ch = 0; ch < m.Nch; ++ch)
            for (int j = 0; j < s.samples; ++j)
                m.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] = s.count(b, ch, j);
        for (int k = 0; k < m.Nch2; ++k) m.BurstData[static_cast<std::size_t>(k)] = s.count(b, m.Nch + k, -1);
        ASSERT_TRUE(tsd ? m.WriteTSDBurst(b) : m.WriteSDFBurst(b));
    }
}

}  // namespace brine::test
