#pragma once
// Crafted input files and test doubles for the built-in converters.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/binary_file.h"
#include "converters/crafted_sdf.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

namespace brine::test {

using Bytes = std::vector<unsigned char>;

inline void putText(Bytes& b, std::size_t at, const std::string& s) {
    if (b.size() < at + s.size()) b.resize(at + s.size());
    std::memcpy(b.data() + at, s.data(), s.size());
}

template <typename T>
inline void put(Bytes& b, std::size_t at, T v) {
    if (b.size() < at + sizeof(T)) b.resize(at + sizeof(T));
    putLE<T>(b.data() + at, v);
}

template <typename T>
inline T get(const Bytes& b, std::size_t at) {
    return getLE<T>(b.data() + at);
}

inline std::string textAt(const Bytes& b, std::size_t at, std::size_t n) {
    return std::string(reinterpret_cast<const char*>(b.data() + at), n);
}

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"); -1 when unknown.
inline long statusKb(const std::string& key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + ":", 0) == 0) return std::stol(line.substr(key.size() + 1));
    return -1;
}

// Starts a new peak of resident memory (VmHWM) from what is resident now.
inline bool resetPeakMemory() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.close();
    return static_cast<bool>(out);
}

// Sets a file's modification time to a local date and time.
inline void setLocalModificationTime(const std::string& path, int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    std::time_t t = std::mktime(&tm);
    auto sys = std::chrono::system_clock::from_time_t(t);
    std::filesystem::last_write_time(path, std::chrono::file_clock::from_sys(sys));
}

// A small SDF file written through the model: Nch interval channels,
// Nch2 burst channels; count of channel ch, sample j, burst b is
// 100 b + 10 ch + j (burst channels 1000 + 100 b + k).
inline void writeSampleSDF(const std::string& path, int nch, int nch2, int sampleSize, int iterations) {
    CurrentFile m;
    m.SetMemo("sample memo");
    m.Nch = static_cast<std::int16_t>(nch);
    m.Nch2 = static_cast<std::int16_t>(nch2);
    m.SampleSize = sampleSize;
    m.Iterations = static_cast<std::int16_t>(iterations);
    m.SInt = 500;
    m.SITUnit = 1;
    m.BInt = 1;
    m.BITUnit = 4;
    m.StartTime = 36000.25;
    for (int k = 0; k < nch + nch2; ++k) {
        m.SetChannelName(k, "ch" + std::to_string(k));
        m.SetChannelUnit(k, "cm");
        m.ScaleA[static_cast<std::size_t>(k)] = 0.01f;
        m.OffsetB[static_cast<std::size_t>(k)] = 1.5f;
    }
    m.AllocateDataArrays();
    ASSERT_TRUE(m.CreateSDFFile(path));
    m.SaveFileName = path;
    for (int b = 0; b < iterations; ++b) {
        for (int ch = 0; ch < nch; ++ch)
            for (int j = 0; j < sampleSize; ++j)
                m.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] = static_cast<std::int16_t>(100 * b + 10 * ch + j);
        for (int k = 0; k < nch2; ++k) m.BurstData[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(1000 + 100 * b + k);
        ASSERT_TRUE(m.WriteSDFBurst(b));
    }
}

// The header dialog as the tests need it: records what it was shown, can
// edit the header like a user, picks a target (the proposal by default),
// and rewrites the header in place when the target is the file being read.
class TestHeaderSave : public HeaderSaveDialog {
public:
    explicit TestHeaderSave(CurrentFile& m) : m_(m) {}
    bool ExecuteSave(int) override {
        ++calls;
        proposals.push_back(m_.SaveFileName);
        iterationsShown.push_back(m_.Iterations);
        if (refuse) return false;
        if (edit) edit(m_);
        if (!target.empty()) m_.SaveFileName = target;
        std::error_code ec;
        if (std::filesystem::equivalent(m_.SaveFileName, m_.FileName, ec)) return m_.WriteSDFHeader(m_.SaveFileName);
        return m_.CreateSDFFile(m_.SaveFileName);
    }
    int calls = 0;
    bool refuse = false;
    std::string target;
    std::function<void(CurrentFile&)> edit;
    std::vector<std::string> proposals;
    std::vector<int> iterationsShown;

private:
    CurrentFile& m_;
};

// True when the TSD header writer and reader work (not placeholders).
inline bool tsdFormatAvailable() {
    TempDir dir;
    CurrentFile m;
    m.Nch = 1;
    m.SampleSize = 1;
    m.Iterations = 1;
    m.SInt = 1;
    m.SITUnit = 2;
    m.BITUnit = 2;
    m.ScaleA[0] = 1;
    m.AllocateDataArrays();
    std::string p = dir.file("probe.tsd");
    if (!m.WriteTSDHeader(p)) return false;
    m.SaveFileName = p;
    if (!m.WriteTSDBurst(0)) return false;  // a header that declares a burst needs its lines
    CurrentFile back;
    return back.ReadTSDHeader(p) && back.Nch == 1;
}

#define SKIP_WITHOUT_TSD_FORMAT() \
    if (!::brine::test::tsdFormatAvailable()) GTEST_SKIP() << "TSD reader/writer not built into this tree yet"

}  // namespace brine::test
