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
#include "base/cp932.h"
#include "converters/convert_drf.h"
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
        if (std::filesystem::equivalent(m_.SaveFileName, m_.FileName, ec)) return m_.RewriteSDFHeader(m_.SaveFileName);
        return m_.BeginSDFOutput(m_.SaveFileName);
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

// What every converter test has at hand: a folder, the model, a scripted user.
class ConverterTest : public ::testing::Test {
protected:
    // Writes `utf8` into the folder as CP932 text.
    std::string write(const std::string& utf8, const std::string& name) {
        std::string p = dir.file(name);
        writeText(p, utf8ToCp932(utf8));
        return p;
    }
    // A reader run over a model holding a crafted header must refuse its file,
    // say `message` (nothing when null) and leave the model as it was.
    void expectRefused(const std::function<bool()>& read, const char* message, MsgType type = MsgType::Error,
                       MsgButtons buttons = MsgButtons::Ok) {
        FillCraftedHeader(model, 1, 3);
        prompter.shown.clear();
        EXPECT_FALSE(read());
        if (message) {
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].text, message);
            EXPECT_EQ(prompter.shown[0].type, type);
            EXPECT_EQ(prompter.shown[0].buttons, buttons);
        } else {
            EXPECT_TRUE(prompter.shown.empty());
        }
        EXPECT_EQ(model.Nch, 1);
        EXPECT_EQ(model.Memo, "crafted");
        EXPECT_FALSE(progress.visible);
    }
    TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
};

// ---- ADDC files: channel ch, sample j holds addcCount(ch, j).

struct AddcSpec {
    int nch = 3;
    std::uint16_t sampleSize = 4;
    float interval = 2;
    std::string date = "97/05/12";
    char order = '1';
};

// Count of channel ch at sample j.
inline std::int16_t addcCount(int ch, int j) { return static_cast<std::int16_t>(ch * 1000 + j - 2); }

inline Bytes makeADDC(const AddcSpec& s) {
    Bytes b(128 + 24 * static_cast<std::size_t>(std::max(s.nch, 0)), 0);
    putText(b, 0, "AD/DC DATA FILE Ver.2   ");
    putText(b, 24, "ADDC comment");
    putText(b, 104, s.date);
    put<std::int16_t>(b, 120, static_cast<std::int16_t>(s.nch));
    put<std::uint16_t>(b, 122, s.sampleSize);
    put<float>(b, 124, s.interval);
    for (int k = 0; k < s.nch; ++k) {
        std::size_t at = 128 + 24 * static_cast<std::size_t>(k);
        std::string text = k == 1 ? "Temperature" : "Level" + std::to_string(k) + "(cm)";
        text.resize(15, ' ');
        putText(b, at, text);
        b[at + 15] = static_cast<unsigned char>(s.order);
        put<float>(b, at + 16, 0.25f * static_cast<float>(k));  // a0
        put<float>(b, at + 20, 0.5f);                           // a1
    }
    std::size_t samples = std::max<std::size_t>(512, 128 + 24 * static_cast<std::size_t>(s.nch));
    b.resize(samples, ' ');
    for (int j = 0; j < s.sampleSize; ++j)
        for (int ch = 0; ch < s.nch; ++ch) put<std::int16_t>(b, samples + 2 * (static_cast<std::size_t>(j) * s.nch + ch), addcCount(ch, j));
    return b;
}

// ---- DRF files: burst b, channel ch, sample j holds drfCount(b, ch, j).

struct DrfSpec {
    int nch = 2, nch2 = 1;
    std::uint16_t sampleSize = 3;
    float freq = 8;
    int iterations = 4;
    float hours = 0.5f;
    int burstsPresent = -1;   // complete bursts in the file (default: all)
    std::size_t extraBytes = 0;  // bytes of one more, incomplete burst
};

inline std::int16_t drfCount(int b, int ch, int j) { return static_cast<std::int16_t>(b * 1000 + ch * 100 + j - 50); }
inline std::int16_t drfBurstCount(int b, int k) { return static_cast<std::int16_t>(-(b * 10 + k) - 1); }

inline Bytes makeDRF(const DrfSpec& s) {
    Bytes b(512, 0);
    putText(b, 0, "DRF1 Ver.3          ");
    putText(b, 20, "DRF comment");
    put<std::int16_t>(b, 100, static_cast<std::int16_t>(s.nch));
    put<std::int16_t>(b, 102, static_cast<std::int16_t>(s.nch2));
    put<std::uint16_t>(b, 104, s.sampleSize);
    put<float>(b, 106, s.freq);
    put<std::int16_t>(b, 110, static_cast<std::int16_t>(s.iterations));
    put<float>(b, 112, s.hours);
    for (int k = 0; k < std::min(s.nch + s.nch2, 9); ++k) {
        std::size_t at = 256 + 28 * static_cast<std::size_t>(k);
        putText(b, at, "Chan" + std::to_string(k) + "           ");
        putText(b, at + 16, "mm  ");
        put<float>(b, at + 20, 0.1f * static_cast<float>(k + 1));
        put<float>(b, at + 24, -1.0f);
    }
    if (s.nch < 0 || s.nch2 < 0 || s.nch + s.nch2 > 9) {
        putText(b, 512, "98/07/01 06:30:15  ");
        return b;
    }
    std::uint32_t r = brine::DRFBlocksPerBurst(s.nch, s.nch2, s.sampleSize);
    int present = s.burstsPresent < 0 ? s.iterations : s.burstsPresent;
    for (int burst = 0; burst < present; ++burst) {
        std::size_t block = (static_cast<std::size_t>(burst) * r + 2) * 256;
        b.resize(block + 256 * r, 0);
        if (burst == 0) putText(b, block, "98/07/01 06:30:15  ");
        std::size_t at = block + 36;
        for (int j = 0; j < s.sampleSize; ++j)
            for (int ch = 0; ch < s.nch; ++ch, at += 2) put<std::int16_t>(b, at, drfCount(burst, ch, j));
        for (int k = 0; k < s.nch2; ++k, at += 2) put<std::int16_t>(b, at, drfBurstCount(burst, k));
    }
    if (present == 0) putText(b, 512, "98/07/01 06:30:15  ");
    if (s.extraBytes > 0) {
        std::size_t block = (static_cast<std::size_t>(present) * r + 2) * 256;
        b.resize(block + 36 + s.extraBytes, 7);
    }
    return b;
}

}  // namespace brine::test
