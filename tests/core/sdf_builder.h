#pragma once
// Builds SDF files byte by byte, in every version's layout, independently of
// the writer under test.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace brine::test {

struct SdfSpec {
    char version = '4';
    std::string memo = "memo";
    std::int16_t nch = 2, nch2 = 1, iterations = 2;
    std::int32_t sampleSize = 3, sInt = 1, bInt = 10;
    std::uint8_t sitUnit = 2, bitUnit = 2;  // not stored in version 1
    double startTime = 45000.5;
    std::vector<std::string> names{"ch0", "ch1", "burst"};
    std::vector<std::string> units{"m", "deg", "V"};
    std::vector<std::vector<std::int16_t>> records;  // one per burst, in file order
};

class ByteImage {
public:
    std::vector<std::uint8_t> b;
    template <typename T>
    void put(std::size_t at, T v) {
        if (b.size() < at + sizeof v) b.resize(at + sizeof v, ' ');
        std::memcpy(b.data() + at, &v, sizeof v);  // the test hosts are little-endian
    }
    void text(std::size_t at, const std::string& s, std::size_t width) {
        if (b.size() < at + width) b.resize(at + width, ' ');
        std::memcpy(b.data() + at, s.data(), std::min(s.size(), width));
    }
};

inline std::size_t headerBlocks(int channels) { return static_cast<std::size_t>(channels / 8 + 1 + (channels % 8 > 0)); }

// Versions 1 to 3 pad every record to whole 256-byte blocks (filled with
// `pad` so a reader that strays into it is noticed); version 4 packs them.
inline std::vector<std::uint8_t> buildSdf(const SdfSpec& s, std::uint8_t pad = 0x77) {
    ByteImage f;
    f.b.assign(256, ' ');
    f.text(0, "Standard Burst-Interval Data Format Ver.", 40);
    f.b[40] = static_cast<std::uint8_t>(s.version);
    f.text(50, s.memo, 160);
    f.put<std::int16_t>(210, s.nch);
    f.put<std::int16_t>(212, s.nch2);
    f.put<std::int32_t>(214, s.sampleSize);
    f.put<std::int32_t>(218, s.sInt);
    if (s.version == '1') {
        f.put<std::int16_t>(222, s.iterations);
        f.put<std::int32_t>(224, s.bInt);
        f.put<double>(228, s.startTime);
    } else {
        f.b[222] = s.sitUnit;
        f.put<std::int16_t>(223, s.iterations);
        f.put<std::int32_t>(225, s.bInt);
        f.b[229] = s.bitUnit;
        f.put<double>(230, s.startTime);
    }
    const int channels = s.nch + s.nch2;
    for (std::size_t k = 0; k < s.names.size() && static_cast<int>(k) < channels; ++k) {
        std::size_t at = 256 + k * 32;
        f.text(at, s.names[k], 16);
        f.text(at + 16, k < s.units.size() ? s.units[k] : "", 8);
        f.put<float>(at + 24, 0.5f * static_cast<float>(k + 1));
        f.put<float>(at + 28, -1.0f * static_cast<float>(k));
    }
    if (channels > 0) f.b.resize(headerBlocks(channels) * 256, ' ');
    for (const auto& rec : s.records) {
        std::size_t at = f.b.size();
        for (std::size_t i = 0; i < rec.size(); ++i) f.put<std::int16_t>(at + 2 * i, rec[i]);
        if (s.version != '4') f.b.resize((f.b.size() + 255) / 256 * 256, pad);
    }
    return f.b;
}

// Counts of one record: sample-major, channels interleaved, then burst channels.
inline std::vector<std::int16_t> record(int burst, int nch, int samples, int nch2) {
    std::vector<std::int16_t> r;
    for (int j = 0; j < samples; ++j)
        for (int ch = 0; ch < nch; ++ch) r.push_back(static_cast<std::int16_t>(burst * 1000 + ch * 100 + j));
    for (int k = 0; k < nch2; ++k) r.push_back(static_cast<std::int16_t>(-burst * 10 - k - 1));
    return r;
}

}  // namespace brine::test

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>
#include <utility>

#include "core/current_file.h"
#include "core/header_edit_rules.h"
#include "core/header_save.h"

namespace brine::test {

// Every header field, the channel table and the names, as one comparable text.
inline std::string modelState(const CurrentFile& m) {
    std::ostringstream s;
    s << m.Memo << '|' << m.Nch << '|' << m.Nch2 << '|' << m.Iterations << '|' << m.SampleSize << '|' << m.SInt
      << '|' << m.BInt << '|' << int(m.SITUnit) << '|' << int(m.BITUnit) << '|' << m.StartTime << '|'
      << m.RecordSize << '|' << m.HeaderBlocks << '|' << m.FileName << '|' << m.SaveFileName << '|'
      << m.SITUnitName << '|' << m.SIntDisplay << '|' << int(m.FileKind);
    for (int k = 0; k < kMaxChannels; ++k) {
        auto i = static_cast<std::size_t>(k);
        s << '|' << m.ChannelName[i] << ',' << m.ChannelUnit[i] << ',' << m.ScaleA[i] << ',' << m.OffsetB[i];
    }
    return s.str();
}

// A producer's output read back; it must hold exactly the bursts its header declares.
struct SdfOutput : CurrentFile {
    void open(const std::string& path) {
        ASSERT_TRUE(ReadSDFHeader(path));
        FileName = path;
        EXPECT_EQ(std::filesystem::file_size(path),
                  HeaderBlocks * 256ull + static_cast<unsigned long long>(Iterations) * RecordSize);
    }
    std::vector<int> samples(int b, int ch) {
        EXPECT_TRUE(ReadSDFBurst(b));
        const auto& d = Data[static_cast<std::size_t>(ch)];
        return {d.begin(), d.end()};
    }
    int burstValue(int b, int k) {
        EXPECT_TRUE(ReadSDFBurst(b));
        return BurstData[static_cast<std::size_t>(k)];
    }
};

// The output with one of its bursts read (none for burst -1).
inline SdfOutput readBackBurst(const std::string& path, int burst) {
    SdfOutput o;
    o.open(path);
    if (burst >= 0) {
        EXPECT_TRUE(o.ReadSDFBurst(burst));
    }
    return o;
}

// The header dialog of a user who accepts at once: begins a fresh SDF output
// for a fixed target.
class DirectHeaderSave : public HeaderSaveDialog {
public:
    DirectHeaderSave(CurrentFile& model, std::string target) : model_(model), target_(std::move(target)) {}
    bool ExecuteSave(int) override {
        ++calls;
        if (refuse) return false;
        model_.SaveFileName = target_;
        return model_.BeginSDFOutput(target_);
    }
    int calls = 0;
    bool refuse = false;  // answer as if the user pressed Cancel

private:
    CurrentFile& model_;
    std::string target_;
};

// The header dialog as a user works it: records what it was handed, applies
// the user's edits and writes the header to a fixed target or the proposed
// name; like the real dialog, it never writes over the file being read but
// rewrites the header of an SDF read in place.
class ScriptedHeaderSave : public HeaderSaveDialog {
public:
    ScriptedHeaderSave(CurrentFile& m, std::string target) : m_(m), target_(std::move(target)) {}
    bool ExecuteSave(int kind) override {
        kinds.push_back(kind);
        proposed = m_.SaveFileName;
        source = m_.FileName;
        if (refuse) return false;
        if (edit) edit(m_);
        const std::string target = takeProposed ? proposed : target_;
        const TargetCheck check = CheckSaveTarget(target, m_.FileName);
        if (check == TargetCheck::SourceRefused) {
            ++refusals;
            return false;  // the user gives up after the refusal
        }
        m_.SaveFileName = target;
        // The SDF being read keeps its records: only its header is rewritten.
        return lie || (check == TargetCheck::SourceSdf ? m_.RewriteSDFHeader(target) : m_.BeginSDFOutput(target));
    }
    std::vector<int> kinds;
    std::string proposed, source;
    bool refuse = false;        // the user presses Cancel
    bool takeProposed = false;  // the user keeps the proposed name and answers Yes
    bool lie = false;           // reports a header it never wrote
    std::function<void(CurrentFile&)> edit;
    int refusals = 0;

private:
    CurrentFile& m_;
    std::string target_;
};

}  // namespace brine::test
