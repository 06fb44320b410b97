#include <gtest/gtest.h>

#include <functional>

#include "base/errors.h"
#include "core/current_file.h"
#include "core/sample_limits.h"
#include "core/sdf_builder.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

using namespace brine;
using namespace brine::test;

namespace {

using Bytes8 = std::vector<std::uint8_t>;

template <typename T>
void poke(Bytes8& b, std::size_t at, T v) {
    std::memcpy(b.data() + at, &v, sizeof v);
}

Bytes8 valid(char version = '4') {
    SdfSpec s;
    s.version = version;
    s.records = {record(0, 2, 3, 1), record(1, 2, 3, 1)};
    return buildSdf(s);
}

struct Hostile {
    const char* what;
    std::function<Bytes8()> bytes;
    bool namesTheFile = false;  // the message names the file refused
};

Bytes8 with(std::function<void(Bytes8&)> change, char version = '4') {
    Bytes8 b = valid(version);
    change(b);
    return b;
}

const Hostile kHostile[] = {
    {"wrong magic", [] { return with([](Bytes8& b) { b[9] = 'b'; }); }},
    // What a rewrite cut short leaves, with no journal to put it back.
    {"NUL first", [] { return with([](Bytes8& b) { b[0] = 0; }); }, true},
    {"NUL inside the magic", [] { return with([](Bytes8& b) { b[20] = 0; }); }},
    {"NUL instead of the version", [] { return with([](Bytes8& b) { b[40] = 0; }); }},
    {"empty file", [] { return Bytes8{}; }},
    {"magic only", [] { return with([](Bytes8& b) { b.resize(41); }); }},
    {"short header", [] { return with([](Bytes8& b) { b.resize(255); }); }},
    {"channel table cut off", [] { return with([](Bytes8& b) { b.resize(300); }); }},
    {"version 0", [] { return with([](Bytes8& b) { b[40] = '0'; }); }},
    {"version 5", [] { return with([](Bytes8& b) { b[40] = '5'; }); }},
    {"version 9", [] { return with([](Bytes8& b) { b[40] = '9'; }); }},
    {"version x", [] { return with([](Bytes8& b) { b[40] = 'x'; }); }},
    {"version blank", [] { return with([](Bytes8& b) { b[40] = ' '; }); }},
    {"Nch 129", [] { return with([](Bytes8& b) { poke<std::int16_t>(b, 210, 129); poke<std::int16_t>(b, 212, 0); }); }},
    {"Nch negative", [] { return with([](Bytes8& b) { poke<std::int16_t>(b, 210, -1); }); }},
    {"Nch2 negative", [] { return with([](Bytes8& b) { poke<std::int16_t>(b, 212, -3); }); }},
    {"Nch + Nch2 130", [] { return with([](Bytes8& b) { poke<std::int16_t>(b, 210, 100); poke<std::int16_t>(b, 212, 30); }); }},
    {"Nch 32767", [] { return with([](Bytes8& b) { poke<std::int16_t>(b, 210, 32767); }); }},
    {"huge SampleSize", [] { return with([](Bytes8& b) { poke<std::int32_t>(b, 214, 0x7FFFFFFF); }); }},
    {"SampleSize beyond the file", [] { return with([](Bytes8& b) { poke<std::int32_t>(b, 214, 100000000); }); }},
    {"negative SampleSize", [] { return with([](Bytes8& b) { poke<std::int32_t>(b, 214, -5); }); }},
    {"SITUnit 9", [] { return with([](Bytes8& b) { b[222] = 9; }); }},
    {"BITUnit 200", [] { return with([](Bytes8& b) { b[229] = 200; }); }},
    {"negative Iterations", [] { return with([](Bytes8& b) { poke<std::int16_t>(b, 223, -1); }); }},
    // Records of burst channels alone do not tie the sample count to the file.
    {"no channel at all", [] { return with([](Bytes8& b) { poke<std::int16_t>(b, 210, 0); poke<std::int16_t>(b, 212, 0); }); }},
    {"burst channels only, 500 million samples",
     [] { return with([](Bytes8& b) { poke<std::int16_t>(b, 210, 0); poke<std::int32_t>(b, 214, 500000000); }); }},
    // Old versions are refused before the update question is asked.
    {"version 2 with Nch 129", [] { return with([](Bytes8& b) { poke<std::int16_t>(b, 210, 129); }, '2'); }},
    {"version 3 with unit 12", [] { return with([](Bytes8& b) { b[229] = 12; }, '3'); }},
    {"version 1 with huge SampleSize", [] { return with([](Bytes8& b) { poke<std::int32_t>(b, 214, 0x40000000); }, '1'); }},
};

}  // namespace

TEST(SdfDamaged, RefusedWithTheFormatMessageAndTheModelUnchanged) {
    TempDir dir;
    const std::string good = dir.file("good.sdf");
    writeAll(good, valid());
    ScriptedPrompter prompter;
    CurrentFile m;
    m.prompter = &prompter;
    ASSERT_TRUE(m.ReadHeader(good));
    m.FileName = good;
    ASSERT_TRUE(m.ReadBurst(1));
    m.FileKind = 1;  // as if a TSD header had been read last: a failed read keeps it
    const std::string state = modelState(m);
    const auto data = m.Data;
    const auto burst = m.BurstData;

    for (const Hostile& h : kHostile) {
        const std::string p = dir.file("bad.sdf");
        writeAll(p, h.bytes());
        prompter.shown.clear();
        bool ok = true;
        EXPECT_NO_THROW(ok = m.ReadHeader(p)) << h.what;
        EXPECT_FALSE(ok) << h.what;
        ASSERT_EQ(prompter.shown.size(), 1u) << h.what;
        EXPECT_EQ(prompter.shown[0].type, MsgType::Error) << h.what;
        EXPECT_EQ(prompter.shown[0].text, "フォーマットが違います。" + (h.namesTheFile ? "\n" + p : "")) << h.what;
        EXPECT_EQ(modelState(m), state) << h.what;
        EXPECT_EQ(m.Data, data) << h.what;
        EXPECT_EQ(m.BurstData, burst) << h.what;
        EXPECT_EQ(readAll(p), h.bytes()) << h.what;
    }
}

TEST(SdfDamaged, LimitsThemselvesAreAccepted) {
    TempDir dir;
    const std::string p = dir.file("wide.sdf");
    SdfSpec s;
    s.nch = 128;
    s.nch2 = 1;
    s.sampleSize = 1;
    s.iterations = 1;
    s.names.clear();
    s.records = {record(0, 128, 1, 1)};
    writeAll(p, buildSdf(s));
    CurrentFile m;
    ASSERT_TRUE(m.ReadSDFHeader(p));
    EXPECT_EQ(m.HeaderBlocks, 18u);
    m.FileName = p;
    ASSERT_TRUE(m.ReadSDFBurst(0));
    EXPECT_EQ(m.Data[127][0], 12700);
    EXPECT_EQ(m.BurstData[0], -1);

    // Burst channels only: every burst as long as a burst may be, in a file
    // of 64 KiB. Nothing in it holds the samples, and no buffer takes them.
    s.nch = 0;
    s.sampleSize = kMaxSamplesPerBurst;
    s.iterations = 32767;
    s.records.assign(32767, {-7});
    s.records.back() = {-8};
    writeAll(p, buildSdf(s));
    CurrentFile b;
    ASSERT_TRUE(b.ReadSDFHeader(p));
    b.FileName = p;
    ASSERT_TRUE(b.ReadSDFBurst(32766));
    EXPECT_EQ(b.BurstData[0], -8);
    for (const std::vector<std::int16_t>& channel : b.Data) EXPECT_TRUE(channel.empty());
}

TEST(SdfDamaged, MissingFileIsAnIoErrorNotAFormatError) {
    TempDir dir;
    ScriptedPrompter prompter;
    CurrentFile m;
    m.prompter = &prompter;
    EXPECT_THROW(m.ReadSDFHeader(dir.file("absent.sdf")), IoError);
    EXPECT_TRUE(prompter.shown.empty());
    m.FileName = dir.file("absent.sdf");
    EXPECT_FALSE(m.ReadSDFBurst(0));
}
