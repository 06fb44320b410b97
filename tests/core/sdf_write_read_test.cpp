#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <optional>
#include <stdexcept>

#include "support/fault_plan.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "core/sdf_builder.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

using namespace brine;
using namespace brine::test;
namespace fs = std::filesystem;

namespace {

template <typename T>
T at(const std::vector<unsigned char>& b, std::size_t pos) {
    T v;
    std::memcpy(&v, b.data() + pos, sizeof v);
    return v;
}

bool allBlanks(const std::vector<unsigned char>& b, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        if (b[i] != ' ') return false;
    return true;
}

CurrentFile model(int nch, int nch2, int samples) {
    CurrentFile m;
    m.Memo = "abc";
    m.Nch = static_cast<std::int16_t>(nch);
    m.Nch2 = static_cast<std::int16_t>(nch2);
    m.SampleSize = samples;
    m.Iterations = 3;
    m.SInt = 500;
    m.SITUnit = 1;
    m.BInt = 0x01020304;
    m.BITUnit = 3;
    m.StartTime = 45123.25;
    for (int k = 0; k < nch + nch2; ++k) {
        m.SetChannelName(k, std::string("name") + std::to_string(k));
        m.SetChannelUnit(k, std::string("u") + std::to_string(k));
        m.ScaleA[static_cast<std::size_t>(k)] = 0.01f * static_cast<float>(k + 1);
        m.OffsetB[static_cast<std::size_t>(k)] = -2.5f;
    }
    m.AllocateDataArrays();
    return m;
}

void fillBurst(CurrentFile& m, int b) {
    auto r = record(b, m.Nch, m.SampleSize, m.Nch2);
    std::size_t i = 0;
    for (int j = 0; j < m.SampleSize; ++j)
        for (int ch = 0; ch < m.Nch; ++ch) m.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] = r[i++];
    for (int k = 0; k < m.Nch2; ++k) m.BurstData[static_cast<std::size_t>(k)] = r[i++];
}

}  // namespace

TEST(SdfHeaderBytes, PackedVersion4Layout) {
    TempDir dir;
    const std::string p = dir.file("a.sdf");
    CurrentFile m = model(3, 0, 10);
    ASSERT_TRUE(m.CreateSDFFile(p));
    auto b = readAll(p);
    ASSERT_EQ(b.size(), 512u);  // HeaderBlocks 2, no burst yet
    EXPECT_EQ(std::string(b.begin(), b.begin() + 41), "Standard Burst-Interval Data Format Ver.4");
    EXPECT_TRUE(allBlanks(b, 41, 50));
    EXPECT_EQ(std::string(b.begin() + 50, b.begin() + 53), "abc");
    EXPECT_TRUE(allBlanks(b, 53, 210));
    EXPECT_EQ(at<std::int16_t>(b, 210), 3);
    EXPECT_EQ(at<std::int16_t>(b, 212), 0);
    EXPECT_EQ(at<std::int32_t>(b, 214), 10);
    EXPECT_EQ(at<std::int32_t>(b, 218), 500);
    EXPECT_EQ(b[222], 1);
    EXPECT_EQ(at<std::int16_t>(b, 223), 3);
    EXPECT_EQ(at<std::int32_t>(b, 225), 0x01020304);
    EXPECT_EQ(b[229], 3);
    EXPECT_EQ(at<double>(b, 230), 45123.25);
    EXPECT_TRUE(allBlanks(b, 238, 256));
    EXPECT_EQ(std::string(b.begin() + 256 + 32, b.begin() + 256 + 56), "name1           u1      ");
    EXPECT_EQ(at<float>(b, 256 + 32 + 24), 0.02f);
    EXPECT_EQ(at<float>(b, 256 + 32 + 28), -2.5f);
    EXPECT_TRUE(allBlanks(b, 256 + 96, 512));  // 160 blanks of fill
}

TEST(SdfHeaderBytes, BlankFillToWholeBlocks) {
    TempDir dir;
    for (auto [nch, nch2, size] : {std::tuple{0, 0, 256u}, {6, 2, 512u}, {8, 1, 768u}, {128, 1, 4608u}}) {
        const std::string p = dir.file("f.sdf");
        CurrentFile m = model(nch, nch2, 4);
        ASSERT_TRUE(m.CreateSDFFile(p));
        auto b = readAll(p);
        EXPECT_EQ(b.size(), size) << nch << "+" << nch2;
        EXPECT_TRUE(allBlanks(b, 256 + 32u * static_cast<unsigned>(nch + nch2), b.size()));
    }
    CurrentFile tooMany = model(128, 1, 1);
    tooMany.Nch2 = 2;
    EXPECT_FALSE(tooMany.CreateSDFFile(dir.file("g.sdf")));
}

TEST(SdfFile, BurstsRoundTripInAnyOrder) {
    TempDir dir;
    const std::string p = dir.file("round.sdf");
    CurrentFile w = model(3, 2, 5);
    w.Memo = "\x83\x5C\x95\x5C memo with trailing blanks  ";
    ASSERT_TRUE(w.CreateSDFFile(p));
    w.SaveFileName = p;
    for (int b = 0; b < 3; ++b) {
        fillBurst(w, b);
        if (b == 1) {
            w.Data[2][4] = ErrorData;
            w.BurstData[1] = 32767;
        }
        ASSERT_TRUE(w.WriteSDFBurst(b));
    }
    auto bytes = readAll(p);
    ASSERT_EQ(bytes.size(), 512u + 3 * 34);
    EXPECT_EQ(at<std::int16_t>(bytes, 512), 0);        // burst 0, sample 0, channel 0
    EXPECT_EQ(at<std::int16_t>(bytes, 514), 100);      // channel 1 of the same sample
    EXPECT_EQ(at<std::int16_t>(bytes, 518), 1);        // sample 1, channel 0
    EXPECT_EQ(at<std::int16_t>(bytes, 512 + 30), -1);  // first burst channel

    ScriptedPrompter prompter;
    CurrentFile r;
    r.prompter = &prompter;
    ASSERT_TRUE(r.ReadHeader(p));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(r.Memo, w.Memo + std::string(160 - w.Memo.size(), ' '));  // stored bytes, blanks kept
    EXPECT_EQ(std::tie(r.Nch, r.Nch2, r.SampleSize, r.Iterations, r.SInt, r.SITUnit, r.BInt, r.BITUnit),
              std::tie(w.Nch, w.Nch2, w.SampleSize, w.Iterations, w.SInt, w.SITUnit, w.BInt, w.BITUnit));
    EXPECT_EQ(r.StartTime, w.StartTime);
    EXPECT_EQ(r.ChannelName[4], "name4");
    EXPECT_EQ(r.ChannelUnit[4], "u4");
    EXPECT_EQ(r.ScaleA[4], w.ScaleA[4]);
    EXPECT_EQ(r.OffsetB[4], -2.5f);
    EXPECT_EQ(r.RecordSize, 34u);
    EXPECT_EQ(r.HeaderBlocks, 2u);
    EXPECT_EQ(r.SITUnitName, "sec");
    EXPECT_EQ(r.SIntDisplay, 0.5);

    r.FileName = p;
    for (int b : {2, 0, 1}) {
        ASSERT_TRUE(r.ReadBurst(b));
        CurrentFile expect = model(3, 2, 5);
        fillBurst(expect, b);
        if (b == 1) {
            expect.Data[2][4] = ErrorData;
            expect.BurstData[1] = 32767;  // version 4 keeps 32767 as a value
        }
        for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(r.Data[static_cast<std::size_t>(ch)], expect.Data[static_cast<std::size_t>(ch)]);
        EXPECT_EQ(r.BurstData, expect.BurstData);
    }
    EXPECT_FALSE(r.ReadSDFBurst(3));  // past the end
    EXPECT_FALSE(r.ReadSDFBurst(-1));
}

TEST(SdfFile, AJobWritesAndReadsWhatSingleCallsDo) {
    // Records of 6 002 bytes: a job reads dozens of them at once and writes
    // them in pieces of megabytes; 800 make both cross their limits.
    TempDir dir;
    CurrentFile w = model(3, 1, 1000);
    w.Iterations = 800;
    const std::string single = dir.file("single.sdf"), joined = dir.file("joined.sdf");
    for (const std::string& p : {single, joined}) {
        std::optional<BurstJob> job;
        if (p == joined) job.emplace(w, BurstJob::WholeOutput);
        ASSERT_TRUE(w.CreateSDFFile(p));
        w.SaveFileName = p;
        for (int b = 0; b < 800; ++b) {
            fillBurst(w, b);
            ASSERT_TRUE(w.WriteSDFBurst(b));
        }
        if (job) job->finish();
    }
    EXPECT_EQ(readAll(joined), readAll(single));

    CurrentFile r;
    ASSERT_TRUE(r.ReadHeader(joined));
    r.FileName = joined;
    BurstJob job(r);
    std::vector<int> order(800);
    std::iota(order.begin(), order.end(), 0);
    order.insert(order.end(), {799, 0, 400, 43, 42, 44});
    for (int b : order) {
        ASSERT_TRUE(r.ReadBurst(b)) << b;
        CurrentFile expect = model(3, 1, 1000);
        fillBurst(expect, b);
        for (std::size_t ch = 0; ch < 3; ++ch) ASSERT_EQ(r.Data[ch], expect.Data[ch]) << b;
        ASSERT_EQ(r.BurstData, expect.BurstData) << b;
    }
    EXPECT_FALSE(r.ReadSDFBurst(800));
}

TEST(SdfFile, AModelGoneLeavesNoSampleInTheNext) {
    // Records of 600 kB, read in pieces. The writer, gone holding burst 1,
    // leaves nothing of it in the reader of burst 0, nor the reader in a
    // new writer, which starts from zeros; a producer growing its burst
    // keeps its own samples.
    TempDir dir;
    const std::string p = dir.file("long.sdf");
    std::vector<std::vector<std::int16_t>> burst0;
    {
        CurrentFile expect = model(3, 1, 100000);
        fillBurst(expect, 0);
        burst0.assign(expect.Data.begin(), expect.Data.begin() + 3);
    }
    {
        CurrentFile w = model(3, 1, 100000);
        w.Iterations = 2;
        ASSERT_TRUE(w.CreateSDFFile(p));
        w.SaveFileName = p;
        for (int b = 0; b < 2; ++b) {
            fillBurst(w, b);
            ASSERT_TRUE(w.WriteSDFBurst(b));
        }
    }
    {
        CurrentFile r;
        ASSERT_TRUE(r.ReadHeader(p));
        r.FileName = p;
        ASSERT_TRUE(r.ReadBurst(0));
        for (std::size_t ch = 0; ch < 3; ++ch) ASSERT_EQ(r.Data[ch], burst0[ch]) << ch;
    }
    CurrentFile growing = model(1, 0, 1000);
    fillBurst(growing, 2);
    const std::vector<std::int16_t> held = growing.Data[0];
    {
        CurrentFile fresh = model(3, 1, 100000);
        for (std::size_t ch = 0; ch < 3; ++ch)
            EXPECT_EQ(std::count(fresh.Data[ch].begin(), fresh.Data[ch].end(), 0), 100000) << ch;
    }
    growing.AllocateSamples(100000);
    ASSERT_EQ(growing.Data[0].size(), 100000u);
    EXPECT_TRUE(std::equal(held.begin(), held.end(), growing.Data[0].begin()));
    EXPECT_EQ(std::count(growing.Data[0].begin() + 1000, growing.Data[0].end(), 0), 99000);
}

TEST(SdfFile, ARefusedReadShowsNoSampleOfAModelGone) {
    // A model of the same shape, holding another file's samples, is gone
    // before the header read; the burst read is then refused before its
    // first piece or within the record. The reader shows its own file's
    // samples where it got that far, zeros elsewhere.
    constexpr int kSamples = 100003;  // a shape no other test leaves behind
    const std::vector<std::int16_t> own = record(0, 3, kSamples, 1);
    struct Case {
        const char* what;
        int burst;
        std::function<void(const std::string&)> spoil;
    };
    const std::vector<Case> cases{
        {"a burst the file does not hold", 1, [](const std::string&) {}},
        {"a file gone", 0, [](const std::string& p) { fs::remove(p); }},
        {"a file cut short in its record",
         0, [](const std::string& p) { fs::resize_file(p, fs::file_size(p) - std::uintmax_t{kSamples} * 3); }},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string p = dir.file("own.sdf");
        writeAll(p, buildSdf({.nch = 3, .nch2 = 1, .iterations = 1, .sampleSize = kSamples, .records = {own}}));
        {
            CurrentFile other = model(3, 1, kSamples);
            fillBurst(other, 1);
        }
        CurrentFile r;
        ASSERT_TRUE(r.ReadHeader(p)) << c.what;
        r.FileName = p;
        c.spoil(p);
        EXPECT_FALSE(r.ReadSDFBurst(c.burst)) << c.what;
        for (std::size_t ch = 0; ch < 3; ++ch) {
            ASSERT_EQ(r.Data[ch].size(), std::size_t{kSamples});
            std::size_t foreign = 0;
            for (std::size_t j = 0; j < r.Data[ch].size(); ++j)
                foreign += r.Data[ch][j] != 0 && r.Data[ch][j] != own[j * 3 + ch];
            EXPECT_EQ(foreign, 0u) << c.what << ", channel " << ch;
        }
    }
}

TEST(SdfFile, AJobWithinAnotherWritesAsItDoesAndLeavesItsOutputComplete) {
    TempDir dir;
    CurrentFile w = model(2, 1, 50);
    w.Iterations = 40;
    const std::string p = dir.file("inner.sdf");
    BurstJob outer(w, BurstJob::WholeOutput);
    // A job that expects every burst in the file when it is written cannot
    // run within one whose bursts wait.
    EXPECT_THROW({ BurstJob nested(w, BurstJob::EachBurst); }, std::logic_error);
    {
        BurstJob inner(w, BurstJob::WholeOutput);
        ASSERT_TRUE(w.CreateSDFFile(p));
        w.SaveFileName = p;
        for (int b = 0; b < 40; ++b) {
            fillBurst(w, b);
            ASSERT_TRUE(w.WriteSDFBurst(b));
        }
        inner.finish();
    }
    // Its output may be replaced or read elsewhere as soon as it has ended.
    CurrentFile r;
    ASSERT_TRUE(r.ReadHeader(p));
    r.FileName = p;
    ASSERT_TRUE(r.ReadSDFBurst(39));
    CurrentFile expect = model(2, 1, 50);
    fillBurst(expect, 39);
    EXPECT_EQ(r.BurstData, expect.BurstData);
    outer.finish();
}

TEST(SdfFile, WritesReachTheOutputBegunWhateverTheNameShown) {
    // The output replaces its target only at the end: every write goes into
    // the output begun, whatever name the producer shows (another spelling
    // of the target, or another file's name), never into a file by its name.
    struct Case {
        const char* what;
        bool targetExists;
        std::function<std::string(const TempDir&)> spelling;
    };
    const std::vector<Case> cases{
        {"dot", true, [](const TempDir& d) { return (d.path() / "." / "out.sdf").string(); }},
        {"folder and back", true, [](const TempDir& d) { return (d.path() / "sub" / ".." / "out.sdf").string(); }},
        {"symbolic link", true, [](const TempDir& d) { return d.file("link.sdf"); }},
        {"hard link", true, [](const TempDir& d) { return d.file("hard.sdf"); }},
        {"dot, new file", false, [](const TempDir& d) { return (d.path() / "." / "out.sdf").string(); }},
        {"link to the file to be made", false, [](const TempDir& d) { return d.file("link.sdf"); }},
        {"another file", true, [](const TempDir& d) { return d.file("other.sdf"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string target = dir.file("out.sdf");
        fs::create_directory(dir.path() / "sub");
        if (c.targetExists) {
            writeText(target, "an older output");
            fs::create_hard_link(target, dir.path() / "hard.sdf");
        }
        fs::create_symlink("out.sdf", dir.path() / "link.sdf");
        CurrentFile w = model(2, 1, 4);
        ASSERT_TRUE(w.BeginSDFOutput(target));
        w.SaveFileName = c.spelling(dir);
        for (int b = 0; b < 3; ++b) {
            fillBurst(w, b);
            ASSERT_TRUE(w.WriteSDFBurst(b));
        }
        w.Iterations = 3;
        ASSERT_TRUE(w.WriteSDFHeader());
        ASSERT_TRUE(w.FinishOutput());
        CurrentFile r;
        ASSERT_TRUE(r.ReadHeader(target));
        ASSERT_EQ(r.Iterations, 3);
        r.FileName = target;
        for (int b = 0; b < 3; ++b) {
            ASSERT_TRUE(r.ReadSDFBurst(b)) << b;
            CurrentFile expect = model(2, 1, 4);
            fillBurst(expect, b);
            EXPECT_EQ(r.Data[1], expect.Data[1]) << b;
        }
        if (c.targetExists) {
            EXPECT_TRUE(fs::equivalent(target, dir.path() / "hard.sdf"));
        }
        EXPECT_FALSE(fs::exists(dir.file("other.sdf")));
    }
}

TEST(SdfFile, BurstChannelsOnly) {
    TempDir dir;
    const std::string p = dir.file("b.sdf");
    CurrentFile w = model(0, 2, 100);
    ASSERT_TRUE(w.CreateSDFFile(p));
    w.SaveFileName = p;
    w.BurstData = {11, -12};
    ASSERT_TRUE(w.WriteSDFBurst(0));
    w.BurstData = {21, -22};
    ASSERT_TRUE(w.WriteSDFBurst(1));
    EXPECT_EQ(w.RecordSize, 4u);
    auto b = readAll(p);
    ASSERT_EQ(b.size(), 512u + 8);
    EXPECT_EQ(at<std::int16_t>(b, 516), 21);
}

TEST(SdfFile, EmptyRecordsOfSeveralChannels) {
    // Channels without samples make records of no bytes at all.
    TempDir dir;
    const std::string p = dir.file("empty.sdf");
    CurrentFile w = model(3, 0, 0);
    ASSERT_TRUE(w.CreateSDFFile(p));
    w.SaveFileName = p;
    ASSERT_TRUE(w.WriteSDFBurst(0));
    ASSERT_TRUE(w.WriteSDFBurst(2));
    EXPECT_EQ(w.RecordSize, 0u);
    EXPECT_EQ(fs::file_size(p), 512u);
    CurrentFile r;
    ASSERT_TRUE(r.ReadSDFHeader(p));
    EXPECT_EQ(r.Nch, 3);
    EXPECT_EQ(r.SampleSize, 0);
    r.FileName = p;
    EXPECT_TRUE(r.ReadSDFBurst(2));
    EXPECT_TRUE(r.Data[2].empty());
}

TEST(SdfFile, AFileOfNoBurstsOpensHeaderOnlyAsItsTsdTwinDoes) {
    // What a converter cancelled at its first burst leaves.
    TempDir dir;
    const std::string p = dir.file("none.sdf");
    CurrentFile w = model(2, 1, 3600);
    w.Iterations = 0;
    ASSERT_TRUE(w.CreateSDFFile(p));
    ASSERT_EQ(fs::file_size(p), 512u);
    ScriptedPrompter prompter;
    CurrentFile r;
    r.prompter = &prompter;
    ASSERT_TRUE(r.ReadHeader(p));
    EXPECT_EQ(r.Iterations, 0);
    EXPECT_EQ(r.SampleSize, 3600);
    EXPECT_EQ(r.ChannelName[2], "name2");
    EXPECT_LE(r.Data[1].size(), 1u);  // nothing in the file justifies more
    r.FileName = p;
    EXPECT_FALSE(r.ReadBurst(0));
    EXPECT_TRUE(prompter.shown.empty());

    const std::string tsd = dir.file("none.tsd");
    ASSERT_TRUE(r.CreateTSDFile(tsd));
    CurrentFile t;
    t.prompter = &prompter;
    ASSERT_TRUE(t.ReadHeader(tsd));
    EXPECT_EQ(t.Iterations, 0);
    EXPECT_EQ(t.SampleSize, 3600);
    t.FileName = tsd;
    EXPECT_FALSE(t.ReadBurst(0));
    EXPECT_EQ(prompter.lastText(), "データがありません。");
}

// Rewriting the header in place is checked by the declaring test below.
TEST(SdfFile, NewOutputTruncatesAndNeedsItsHeaderFirst) {
    TempDir dir;
    const std::string p = dir.file("over.sdf");
    writeAll(p, std::vector<unsigned char>(5000, 0xAB));
    CurrentFile w = model(1, 0, 2);
    ASSERT_TRUE(w.CreateSDFFile(p));
    EXPECT_EQ(fs::file_size(p), 512u);  // nothing of the longer old file stays

    CurrentFile missing = model(1, 0, 2);
    missing.SaveFileName = dir.file("absent.sdf");
    EXPECT_FALSE(missing.WriteSDFBurst(0));  // the header must be written first
    EXPECT_FALSE(fs::exists(missing.SaveFileName));
    EXPECT_FALSE(w.CreateSDFFile(dir.file("no/such/folder.sdf")));
}

TEST(SdfFile, DeclaringTheBurstsWrittenKeepsTheRecordsAndTellsAFailure) {
    TempDir dir;
    ScriptedPrompter prompter;
    CurrentFile w = model(1, 0, 2);
    w.SaveFileName = dir.file("short.sdf");
    ASSERT_TRUE(w.CreateSDFFile(w.SaveFileName));
    for (int b = 0; b < 2; ++b) {
        fillBurst(w, b);
        ASSERT_TRUE(w.WriteSDFBurst(b));
    }
    const auto before = readAll(w.SaveFileName);
    EXPECT_TRUE(DeclareWrittenBursts(w, 2, prompter));
    const auto after = readAll(w.SaveFileName);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin() + 512, before.end(), after.begin() + 512));
    EXPECT_EQ(at<std::int16_t>(after, 223), 2);
    EXPECT_TRUE(prompter.shown.empty());

    w.FinishOutput();  // nothing left to write into
    EXPECT_FALSE(DeclareWrittenBursts(w, 1, prompter, Tx::FileWriteFailed));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].type, MsgType::Error);
    EXPECT_EQ(prompter.shown[0].text, Text(Tx::FileWriteFailed) + "\n" + w.SaveFileName);
}

// An edited header saved into its own SDF is written in place: the calls it
// makes do not grow with the file (3 GB, most of it a hole, as 1 KB), the
// records and the size stay, and nothing is left beside it.
TEST(SdfFile, AHeaderSavedIntoItsFileCostsAHeaderWhateverTheFileSize) {
    TempDir dir;
    std::vector<std::size_t> calls;
    for (std::uint64_t size : {std::uint64_t(0), std::uint64_t(3) << 30}) {
        const std::string p = dir.file("f" + std::to_string(size) + ".sdf");
        writeAll(p, buildSdf({.records = {record(0, 2, 3, 1), record(1, 2, 3, 1)}}));
        if (size > 0) fs::resize_file(p, size);
        // The header and the records; the rest is a hole.
        auto head = [&p] {
            std::vector<unsigned char> b(4096);
            std::ifstream in(p, std::ios::binary);
            in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
            b.resize(static_cast<std::size_t>(in.gcount()));
            return b;
        };
        const auto before = head();
        const std::uint64_t length = fs::file_size(p);
        CurrentFile m;
        ASSERT_TRUE(m.ReadSDFHeader(p));
        m.SetMemo("edited");
        sys::FaultPlan counting;
        {
            sys::ArmFaults armed(counting);
            ASSERT_TRUE(m.RewriteSDFHeader(p)) << m.LastWriteFailure().reason;
        }
        calls.push_back(counting.calls.size());
        const auto after = head();
        EXPECT_EQ(fs::file_size(p), length);
        ASSERT_EQ(after.size(), before.size());
        EXPECT_TRUE(std::equal(before.begin() + 512, before.end(), after.begin() + 512));
        CurrentFile back;
        ASSERT_TRUE(back.ReadSDFHeader(p));
        EXPECT_EQ(TrimRightControl(back.Memo), "edited");
        fs::remove(p);
        EXPECT_TRUE(fs::is_empty(dir.path()));
    }
    EXPECT_EQ(calls[0], calls[1]);
}

TEST(SdfFile, ReadOnlyFileCanBeRead) {
    TempDir dir;
    const std::string p = dir.file("ro.SDF");
    writeAll(p, buildSdf({.records = {record(0, 2, 3, 1), record(1, 2, 3, 1)}}));
    fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    RunUnprivileged(dir.path(), [&] {  // as root, any file could be opened for writing
        ScriptedPrompter prompter;
        CurrentFile m;
        m.prompter = &prompter;
        ASSERT_TRUE(m.ReadHeader(p));
        m.FileName = p;
        ASSERT_TRUE(m.ReadBurst(1));
        EXPECT_EQ(m.Data[1][2], 1102);
        EXPECT_EQ(m.BurstData[0], -11);
        EXPECT_EQ(m.ChannelName[2], "burst");
        EXPECT_EQ(m.ScaleA[1], 1.0f);
    });
}

TEST(SdfFile, BurstReaderGoesByExtension) {
    TempDir dir;
    const std::string sdf = dir.file("x.sdf");
    writeAll(sdf, buildSdf({.records = {record(0, 2, 3, 1)}}));
    CurrentFile m;
    ScriptedPrompter prompter;
    m.prompter = &prompter;
    ASSERT_TRUE(m.ReadHeader(sdf));
    const std::string dat = dir.file("x.dat");
    fs::copy_file(sdf, dat);
    m.FileName = dat;
    EXPECT_FALSE(m.ReadBurst(0));
    m.FileName = sdf;
    EXPECT_TRUE(m.ReadBurst(0));

    // Unknown extensions are refused with the format message, whatever was read before.
    m.FileKind = 1;
    EXPECT_FALSE(m.ReadHeader(dat));
    EXPECT_EQ(prompter.lastText(), "フォーマットが違います。");
    EXPECT_EQ(m.FileKind, 1);
}

TEST(SdfFile, NulInsideAChannelNameEmptiesItsUnit) {
    TempDir dir;
    const std::string p = dir.file("nul.sdf");
    SdfSpec s;
    s.names = {std::string("ab\0cd", 5), "x\tq", "burst"};
    auto bytes = buildSdf(s);
    bytes[256 + 32 + 1] = '\t';  // a control character before the blanks
    bytes[256 + 32 + 2] = ' ';
    writeAll(p, bytes);
    CurrentFile m;
    ASSERT_TRUE(m.ReadSDFHeader(p));
    EXPECT_EQ(m.ChannelName[0], "ab");
    EXPECT_EQ(m.ChannelUnit[0], "");
    EXPECT_EQ(m.ChannelName[1], "x");
    EXPECT_EQ(m.ChannelUnit[1], "deg");
}
