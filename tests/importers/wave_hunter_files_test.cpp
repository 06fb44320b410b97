// Wave Hunter master files: kinds by name, headers, status texts, burst
// counts, cancel and the refusals of damaged files.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>

#include "base/datetime.h"
#include "base/errors.h"
#include "base/texts.h"
#include "core/current_file.h"
#include "importers/wave_hunter_files.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"
#include "importers/wave_hunter_bytes.h"

namespace brine {
namespace {

using test::WHRecord;

class WaveHunterFilesTest : public ::testing::Test {
protected:
    WaveHunterRead read(const std::string& path) { return ReadWaveHunterFile(path, file, prompter, progress); }
    static std::vector<WHRecord> bursts(int n, WHRecord r = {}) {
        std::vector<WHRecord> v;
        for (int k = 0; k < n; ++k) v.push_back(test::recordAt(r, 30 * k));
        return v;
    }

    test::TempDir dir;
    WaveHunterFile file;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
};

TEST_F(WaveHunterFilesTest, KindsAreToldByTheUpperCasedName) {
    EXPECT_EQ(WaveHunterKindOf("/d/a.hun"), WaveHunterLayout::Hun);
    EXPECT_EQ(WaveHunterKindOf("/d/a.H98"), WaveHunterLayout::H98);
    EXPECT_EQ(WaveHunterKindOf("/d/sm01m.k02"), WaveHunterLayout::K02);
    EXPECT_EQ(WaveHunterKindOf("/d/wh0001m.h00"), WaveHunterLayout::H00);
    EXPECT_EQ(WaveHunterKindOf("/d/WH0001R.H00"), WaveHunterLayout::H00);
    EXPECT_EQ(WaveHunterKindOf("/d/WH0001X.H00"), std::nullopt);
    EXPECT_EQ(WaveHunterKindOf("/m.h00/data.txt"), std::nullopt);
    EXPECT_EQ(read(dir.file("none.txt")), WaveHunterRead::NotMine);
    EXPECT_TRUE(prompter.shown.empty());
    // Only ASCII letters change; the folder keeps its spelling so the output lands beside the input.
    EXPECT_EQ(UpperAnsi("aé\x82\xa0z"), "Aé\x82\xa0Z");
    EXPECT_EQ(WaveHunterOutputName("/data/run1/wh01m.h00"), "/data/run1/WH01M.sdf");

    EXPECT_EQ(WaveHunterYear(89), 2089);
    EXPECT_EQ(WaveHunterYear(90), 1990);
    EXPECT_EQ(WaveHunterYear(4), 2004);
    EXPECT_EQ(H98Blocks(7.0005), 7);
}

TEST_F(WaveHunterFilesTest, HunHeaderCountAndModificationTime) {
    test::HunHeader h;
    h.samples = 400;
    h.channels = 2;
    ASSERT_EQ(test::hunBlocks(h), 2);
    test::Bytes b = test::hunFile(h, {{}, {}, {}});
    b.resize(b.size() + 100, 0);  // a partial fourth burst
    const std::string p = test::writeFile(dir, "t.hun", b);
    ASSERT_EQ(b.size(), 1024u + 3 * 2048 + 100);
    std::tm local{};
    local.tm_year = 111, local.tm_mon = 6, local.tm_mday = 8, local.tm_hour = 9, local.tm_min = 10, local.tm_sec = 11;
    local.tm_isdst = -1;
    std::filesystem::last_write_time(
        p, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(std::mktime(&local))));

    ASSERT_EQ(read(p), WaveHunterRead::Read);
    EXPECT_EQ(file.BurstCount, 3);
    EXPECT_EQ(file.BlocksPerBurst, 2);
    EXPECT_EQ(FormatDateTime(file.StartTime), "2011/07/08 09:10:11");
    EXPECT_EQ(file.RecordOffset(2), 1024u + 2 * 2048);
    // No status bytes: pressure first, and no velocity pair with two channels.
    EXPECT_TRUE(file.MeasPressure);
    EXPECT_FALSE(file.MeasVelocity);
    EXPECT_EQ(file.Texts.MeasVel, "OFF    ");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(WaveHunterFilesTest, H98HeaderStatusAndCount) {
    WHRecord r;
    r.recordMinutes = 20;   // 1200 samples of 1.0 s
    r.status1 = 0xB0;       // 100 m, zeroing off, watch dog on
    r.status2 = 0x3B;       // pressure, velocity, X/Y, fixed, facing up
    r.year = 98, r.month = 12, r.day = 31, r.hour = 23, r.minute = 45;
    r.machine = 21;
    std::vector<WHRecord> rs(4, r);
    rs[3].number = 9;  // the fourth burst is not the fourth
    const std::string p = test::writeFile(dir, "a.h98", test::h98File(rs, 8 * 1024));
    ASSERT_EQ(read(p), WaveHunterRead::Read);
    EXPECT_EQ(file.Samples, 1200);
    EXPECT_EQ(file.BlocksPerBurst, 8);  // x = 7.0547
    EXPECT_EQ(file.BurstCount, 3);
    EXPECT_EQ(file.PressureRange, 100);
    EXPECT_EQ(file.Components, 0);
    EXPECT_EQ(FormatDateTime(file.StartTime), "1998/12/31 23:45:00");
    const WaveHunterStatusTexts& t = file.Texts;
    EXPECT_EQ(t.Rpres, "100m");
    EXPECT_EQ(t.PresZero, "無効   ");
    EXPECT_EQ(t.WatchDog, "ON     ");
    EXPECT_EQ(t.VelComp, "Ｘ流速とＹ流速");
    EXPECT_EQ(t.Direction, "上向き ");
    EXPECT_EQ(progress.titles, std::vector<std::string>{Text(Tx::WaveHunterCountingBursts)});
    EXPECT_EQ(progress.comment, "3");
    EXPECT_FALSE(progress.visible);
}

TEST_F(WaveHunterFilesTest, DirectoryCountChecksStampsAndNumbers) {
    std::vector<WHRecord> rs = bursts(5);
    rs[3] = test::recordAt(rs[3], 30 * 3 + 1);  // one minute late
    const std::string p = test::writeFile(dir, "WH01M.H00", test::directoryFile(rs, 1024, false));
    ASSERT_EQ(read(p), WaveHunterRead::Read);
    EXPECT_EQ(file.BurstCount, 3);
    EXPECT_EQ(file.Directory.size(), 5u);
    EXPECT_EQ(file.RecordOffset(2), 2048u);
    EXPECT_EQ(progress.comment, "2");

    // A burst that carries another number ends the count too.
    rs = bursts(3);
    rs[2].number = 7;
    const std::string q = test::writeFile(dir, "WH02R.H00", test::directoryFile(rs, 1024, false));
    ASSERT_EQ(read(q), WaveHunterRead::Read);
    EXPECT_EQ(file.BurstCount, 2);

    // An entry pointing past the end of the file ends the count.
    test::Bytes past = test::directoryFile(bursts(2), 1024, false, 1);
    test::putLong(past, 2048 + 4 + 8, 0xFFFFFF00u);
    const std::string s = test::writeFile(dir, "WH03M.H00", past);
    ASSERT_EQ(read(s), WaveHunterRead::Read);
    EXPECT_EQ(file.BurstCount, 2);
}

TEST_F(WaveHunterFilesTest, K02SignatureStatusAndRefusals) {
    WHRecord r;
    r.status1 = 0x03 | 0x20 | 0x40 | 0x80;  // 0.1 s, X/Y, fixed, facing up
    r.status2 = 0x0E;                       // both velocity components and level, no pressure
    const std::string p = test::writeFile(dir, "sm01m.k02", test::directoryFile(bursts(2, r), 12 * 1024, true));
    ASSERT_EQ(read(p), WaveHunterRead::Read);
    EXPECT_EQ(file.SampleInterval, 1);
    EXPECT_EQ(file.Samples, 600);
    EXPECT_EQ(file.BlocksPerBurst, 4);  // ceil((1800 + 12) / 512)
    EXPECT_EQ(file.Components, 0);
    EXPECT_FALSE(file.MeasPressure);
    EXPECT_TRUE(file.MeasVelocity);
    EXPECT_TRUE(file.MeasLevel);
    EXPECT_EQ(file.BurstCount, 2);
    EXPECT_EQ(file.Texts.VelComp, "X流速とY流速");
    EXPECT_EQ(file.Texts.MeasPres, "OFF");
    const WaveHunterFile good = file;

    test::Bytes b = test::directoryFile(bursts(2, r), 12 * 1024, true);
    test::putWord(b, 0, 0x1234);
    ASSERT_EQ(read(test::writeFile(dir, "x.k02", b)), WaveHunterRead::Refused);
    EXPECT_EQ(prompter.lastText(), "ウェーブハンターのデータではありません。\n終了します。");

    r.status2 = 0x03;  // pressure and one velocity component
    r.channels = 2;
    ASSERT_EQ(read(test::writeFile(dir, "y.k02", test::directoryFile(bursts(2, r), 12 * 1024, true))),
              WaveHunterRead::Refused);
    EXPECT_EQ(prompter.lastText(), "計測モード設定異常：流速成分のうち一方しか計測されていません。");
    // A refusal leaves what was read before.
    EXPECT_EQ(file.MasterFileName, good.MasterFileName);
    EXPECT_EQ(file.BurstCount, 2);
}

// Several bursts need a burst interval that holds the record; otherwise every
// burst would carry the same time or overlap the next.
TEST_F(WaveHunterFilesTest, SeveralBurstsNeedABurstIntervalThatHoldsTheRecord) {
    WHRecord noInterval, longRecord;
    noInterval.burstMinutes = 0;
    longRecord.recordMinutes = 40;  // 2400 samples of 1.0 s, 15 blocks
    test::HunHeader hunNoInterval;
    hunNoInterval.burstMinutes = 0;
    test::Bytes h00 = test::directoryFile({test::recordAt(noInterval, 0), test::recordAt(noInterval, 0)}, 1024, false);

    struct Case {
        const char* name;
        test::Bytes bytes;
    };
    for (const Case& c : std::vector<Case>{{"a.h98", test::h98File({noInterval, noInterval}, 1024)},
                                           {"b.h98", test::h98File({longRecord, longRecord}, 15 * 1024)},
                                           {"WH1M.H00", h00},
                                           {"c.hun", test::hunFile(hunNoInterval, {{}, {}})}}) {
        SCOPED_TRACE(c.name);
        const std::string p = test::writeFile(dir, c.name, c.bytes);
        EXPECT_EQ(read(p), WaveHunterRead::Refused);
        EXPECT_EQ(prompter.lastText(), Text(Tx::WaveHunterBadHeader) + "\n" + p);
    }
    // One burst has no next one to overlap.
    prompter.shown.clear();
    ASSERT_EQ(read(test::writeFile(dir, "d.h98", test::h98File({noInterval}, 1024))), WaveHunterRead::Read);
    EXPECT_EQ(file.BurstCount, 1);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(WaveHunterFilesTest, DamagedFilesAreRefusedWithTheirReason) {
    struct Case {
        const char* name;
        test::Bytes bytes;
        std::string message;
    };
    auto hun = [](test::HunHeader h, int bursts) { return test::hunFile(h, std::vector<test::HunBurst>(bursts)); };
    test::HunHeader noSamples, tooManyChannels;
    noSamples.samples = 0;
    tooManyChannels.channels = 129;
    WHRecord badMonth, mismatch, noRecord;
    badMonth.month = 13;
    mismatch.channels = 4;   // the flags say 3 words per sample
    noRecord.recordMinutes = 0;
    test::Bytes hugeDirectory = test::directoryFile({WHRecord{}}, 1024, false);
    test::putLong(hugeDirectory, 1024, 0xFFFFFFFFu);
    test::Bytes firstNumberWrong = test::h98File({WHRecord{}}, 1024);
    test::putWord(firstNumberWrong, 14, 5);

    std::vector<Case> cases{
        {"a.hun", test::Bytes(10, 0), Text(Tx::FormatWrong)},
        {"b.hun", hun(noSamples, 1), Text(Tx::WaveHunterBadHeader)},
        {"c.hun", hun(tooManyChannels, 1), Text(Tx::WaveHunterBadHeader)},
        {"f.hun", hun({}, 0), Text(Tx::WaveHunterNoBursts)},
        {"h.h98", test::h98File({badMonth}, 1024), Text(Tx::WaveHunterBadHeader)},
        {"i.h98", test::h98File({mismatch}, 1024), Text(Tx::WaveHunterBadHeader)},
        {"j.h98", test::h98File({noRecord}, 1024), Text(Tx::WaveHunterBadHeader)},
        {"k.h98", firstNumberWrong, Text(Tx::WaveHunterNoBursts)},
        {"l.h98", test::recordBytes(WHRecord{}, 0), Text(Tx::WaveHunterNoBursts)},  // header only, no samples
        {"WH1M.H00", test::h98File({WHRecord{}}, 1024), Text(Tx::WaveHunterBadHeader)},  // no directory
        {"WH2M.H00", hugeDirectory, Text(Tx::WaveHunterBadHeader)},
        {"z.k02", test::Bytes(1, 0), "ウェーブハンターのデータではありません。\n終了します。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string p = test::writeFile(dir, c.name, c.bytes);
        EXPECT_EQ(read(p), WaveHunterRead::Refused);
        const bool named = c.message.find("終了します") == std::string::npos;
        EXPECT_EQ(prompter.lastText(), named ? c.message + "\n" + p : c.message);
        EXPECT_TRUE(file.MasterFileName.empty());
    }
    // More bursts than an SDF file holds: refused, not wrapped.
    test::HunHeader one;
    one.samples = 1;
    one.channels = 1;
    const std::string big = test::writeFile(dir, "big.hun", test::hunFile(one, {{}}));
    std::filesystem::resize_file(big, 1024 + 32768ull * 1024);
    EXPECT_EQ(read(big), WaveHunterRead::Refused);
    EXPECT_EQ(prompter.lastText(), Text(Tx::ImportTooManyBursts) + "\n" + big);

    EXPECT_THROW(read(dir.file("missing.hun")), IoError);
}

}  // namespace
}  // namespace brine
