// Wave Hunter conversion: channel tables, 12- and 16-bit samples, means, the
// velocity rotation, cancel and the bursts the output declares.
#include <gtest/gtest.h>

#include "base/texts.h"
#include "core/sdf_builder.h"
#include "importers/raw_header.h"
#include "importers/wave_hunter_bursts.h"
#include "importers/wave_hunter_bytes.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

using test::WHRecord;

class WaveHunterBurstsTest : public ::testing::Test {
protected:
    WaveHunterFile load(const std::string& name, const test::Bytes& bytes) {
        WaveHunterFile f;
        EXPECT_EQ(ReadWaveHunterFile(test::writeFile(dir, name, bytes), f, prompter, progress), WaveHunterRead::Read);
        return f;
    }
    // Header as the dialog builds it, written as the header dialog would.
    void prepare(const WaveHunterFile& f, const WaveHunterOptions& o) {
        SetWaveHunterSDFHeader(f, o, model);
        model.SaveFileName = out;
        ASSERT_TRUE(model.CreateSDFFile(out));
    }
    WaveHunterOutcome convert(const WaveHunterFile& f, const WaveHunterOptions& o) {
        WaveHunterServices s{model, prompter, progress};
        return ConvertWaveHunterBursts(f, o, s);
    }
    test::SdfOutput back(int burst) { return test::readBackBurst(out, burst); }
    static std::vector<std::string> names(const CurrentFile& m) {
        std::vector<std::string> v;
        for (int k = 0; k < m.Nch + m.Nch2; ++k) v.push_back(m.ChannelName[static_cast<std::size_t>(k)]);
        return v;
    }
    static WHRecord withSamples(WHRecord r, std::vector<std::uint16_t> sample, int count = 60) {
        for (int j = 0; j < count; ++j) r.words.insert(r.words.end(), sample.begin(), sample.end());
        return r;
    }

    test::TempDir dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    std::string out = dir.file("out.sdf");
};

TEST_F(WaveHunterBurstsTest, HunTwelveBitWordsAndCompass) {
    test::HunHeader h;
    h.samples = 2;
    h.channels = 3;
    // Pressure, x, y per sample; the upper nibble is not part of the value.
    const WaveHunterFile f = load("a.hun", test::hunFile(h, {{0, 45, {0xF85, 0x7FF, 0x800, 0xF123, 0x001, 0xFFF}},
                                                             {0, 90, {0x010, 0x00A, 0x000, 0x000, 0x000, 0x000}}}));
    WaveHunterOptions o;
    o.SaveCompass = true;
    prepare(f, o);
    EXPECT_EQ(names(model), (std::vector<std::string>{"Pressure", "Vx", "Vy", "Compass"}));
    EXPECT_FLOAT_EQ(model.ScaleA[2], 0.1f);
    EXPECT_EQ(model.SInt, 500);
    EXPECT_EQ(model.SITUnit, 1);
    EXPECT_EQ(model.BInt, 30);
    EXPECT_EQ(model.BITUnit, 3);
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Completed);
    test::SdfOutput b = back(0);
    EXPECT_EQ(b.Iterations, 2);
    EXPECT_EQ(b.Data[0], (std::vector<std::int16_t>{-123, 0x123}));
    EXPECT_EQ(b.Data[1], (std::vector<std::int16_t>{20470, 10}));
    EXPECT_EQ(b.Data[2], (std::vector<std::int16_t>{-20480, -10}));
    EXPECT_EQ(b.BurstData, std::vector<std::int16_t>{45});

    // Turned by the heading: x = 10 cm/s at 90 degrees is 10 cm/s to the south.
    o.TransVel = true;
    o.SaveCompass = false;
    prepare(f, o);
    EXPECT_EQ(names(model), (std::vector<std::string>{"Pressure", "Veast", "Vnorth"}));
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Completed);
    b = back(1);
    EXPECT_EQ(b.Data[0][0], 16);
    EXPECT_EQ(b.Data[1][0], 0);
    EXPECT_EQ(b.Data[2][0], -100);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(WaveHunterBurstsTest, XYComponentsTurnedByTheCompassWithMeans) {
    WHRecord r;
    r.status2 = 0x0B;  // pressure, velocity, X and Y
    r.means[0] = 1000, r.means[1] = 10, r.means[2] = 0, r.means[3] = 90, r.means[4] = 215;
    const WaveHunterFile f = load("a.h98", test::h98File({withSamples(r, {500, 10, 0})}, 1024));
    ASSERT_EQ(MeanChannelList(f).size(), 4u);  // no mean temperature with X and Y
    WaveHunterOptions o;
    o.TransVel = true;
    o.MeanChecked = {true, true, true, true};
    prepare(f, o);
    EXPECT_EQ(names(model), (std::vector<std::string>{"Pressure", "Veast", "Vnorth", "mean pressure", "mean Veast",
                                                      "mean Vnorth", "mean Compass"}));
    EXPECT_EQ(model.SInt, 1);
    EXPECT_EQ(model.SITUnit, 2);
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Completed);
    test::SdfOutput b = back(0);
    EXPECT_EQ(b.Data[1][0], 0);
    EXPECT_EQ(b.Data[2][0], -100);
    EXPECT_EQ(b.BurstData, (std::vector<std::int16_t>{1000, 0, -100, 90}));

    // Unchecked items leave the burst channels; without rotation x and y are scaled only.
    o.TransVel = false;
    o.MeanChecked = {false, true, true, true};
    prepare(f, o);
    EXPECT_EQ(names(model),
              (std::vector<std::string>{"Pressure", "Vx", "Vy", "mean Veast", "mean Vnorth", "mean Compass"}));
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Completed);
    b = back(0);
    EXPECT_EQ(b.Data[1][0], 100);
    EXPECT_EQ(b.BurstData, (std::vector<std::int16_t>{100, 0, 90}));
}

TEST_F(WaveHunterBurstsTest, MagneticEastNorthTurnedByTheDeclination) {
    WHRecord r;  // pressure and velocity, magnetic east and north
    r.means[1] = 10, r.means[2] = 10, r.means[3] = 300, r.means[4] = 215;
    const WaveHunterFile f = load("WH1M.H00", test::directoryFile({withSamples(r, {7, 10, 0})}, 1024, false));
    ASSERT_EQ(MeanChannelList(f).size(), 5u);
    WaveHunterOptions o;
    o.TransVel = true;
    o.Declination = 7.0f;
    o.MeanChecked = {false, true, true, false, true};
    prepare(f, o);
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Completed);
    test::SdfOutput b = back(0);
    EXPECT_EQ(b.Data[1][0], 99);  // 9.925 cm/s
    EXPECT_EQ(b.Data[2][0], 12);  // 1.219 cm/s
    EXPECT_EQ(b.BurstData, (std::vector<std::int16_t>{87, 111, 215}));  // x = y = 10
    EXPECT_FLOAT_EQ(b.ScaleA[5], 0.1f);

    o.TransVel = false;
    prepare(f, o);
    EXPECT_EQ(names(model)[1], "Vmag_east");
    EXPECT_EQ(names(model)[2], "Vmag_north");
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Completed);
    b = back(0);
    EXPECT_EQ(b.Data[1][0], 100);
    EXPECT_EQ(b.Data[2][0], 0);
}

TEST_F(WaveHunterBurstsTest, K02MeansAndLevel) {
    WHRecord r;
    r.status1 = 0x20;  // X and Y
    r.status2 = 0x0E;  // both velocity components and level
    r.means[3] = 30, r.means[4] = 123;
    const WaveHunterFile f = load("sm1m.k02", test::directoryFile({withSamples(r, {10, 20, 77})}, 1024, true));
    WaveHunterOptions o;
    o.TransVel = true;
    o.MeanChecked = {true, true};
    prepare(f, o);
    EXPECT_EQ(names(model), (std::vector<std::string>{"Veast", "Vnorth", "WL", "mean Compass", "mean temperature"}));
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Completed);
    test::SdfOutput b = back(0);
    EXPECT_EQ(b.Data[0][0], -13);   // 10 cos 30 - 20 sin 30 = -1.340
    EXPECT_EQ(b.Data[1][0], -223);  // -10 sin 30 - 20 cos 30 = -22.32
    EXPECT_EQ(b.Data[2][0], 77);
    EXPECT_EQ(b.BurstData, (std::vector<std::int16_t>{30, 123}));
}

TEST_F(WaveHunterBurstsTest, IntervalUnits) {
    WaveHunterFile f;
    f.Channels = 1, f.Samples = 1, f.BurstCount = 1, f.MeasPressure = true;
    auto intervals = [&](int si, int bi) {
        f.SampleInterval = si;
        f.BurstInterval = bi;
        SetWaveHunterSDFHeader(f, {}, model);
        return std::vector<int>{model.SInt, model.SITUnit, model.BInt, model.BITUnit};
    };
    EXPECT_EQ(intervals(5, 120), (std::vector<int>{500, 1, 2, 4}));
    EXPECT_EQ(intervals(10, 30), (std::vector<int>{1, 2, 30, 3}));
    EXPECT_EQ(intervals(2, 60), (std::vector<int>{200, 1, 1, 4}));
}

TEST_F(WaveHunterBurstsTest, CancelAndShortRunsDeclareTheBurstsWritten) {
    std::vector<WHRecord> rs;
    for (int k = 0; k < 3; ++k) rs.push_back(test::recordAt(withSamples({}, {1, 2, 3}), 30 * k));
    const WaveHunterFile f = load("a.h98", test::h98File(rs, 1024));
    ASSERT_EQ(f.BurstCount, 3);
    WaveHunterOptions o;
    prepare(f, o);
    progress.cancelAfter = 1;
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Cancelled);
    EXPECT_EQ(back(0).Iterations, 1);
    EXPECT_FALSE(progress.visible);

    // More bursts asked for than the file holds.
    progress.cancelAfter = -1;
    prepare(f, o);
    model.Iterations = 9;
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Completed);
    EXPECT_EQ(back(2).Iterations, 3);

    // A layout changed in the header dialog is refused before anything is written.
    prepare(f, o);
    model.SampleSize = 5;
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Failed);
    EXPECT_EQ(prompter.lastText(), Text(Tx::ImportBadHeader));
    EXPECT_EQ(back(-1).Iterations, 0);
}

TEST_F(WaveHunterBurstsTest, WrongBurstNumbersAndOverflowsBecomeMissing) {
    test::HunHeader h;
    h.samples = 1;
    h.channels = 3;
    const WaveHunterFile f = load("a.hun", test::hunFile(h, {{0, 0, {1, 2, 3}}, {7, 0, {4, 5, 6}}, {0, 0, {7, 8, 9}}}));
    WaveHunterOptions o;
    o.SaveCompass = true;
    prepare(f, o);
    EXPECT_EQ(convert(f, o), WaveHunterOutcome::Completed);
    EXPECT_EQ(back(1).Data[0][0], ErrorData);
    EXPECT_EQ(back(1).BurstData[0], ErrorData);
    EXPECT_EQ(back(2).Data[2][0], 90);
    EXPECT_EQ(prompter.lastText(), "1個のバーストはバースト番号が合わないため、欠測値にしました。");

    // 16-bit velocity words beyond 3276.7 cm/s do not fit a count at A = 0.1.
    WHRecord r = withSamples({}, {1, 10, 0}, 59);
    r.words.insert(r.words.end(), {1, 4000, static_cast<std::uint16_t>(-4000)});
    const WaveHunterFile g = load("b.h98", test::h98File({r}, 1024));
    prompter.shown.clear();
    prepare(g, o);
    EXPECT_EQ(convert(g, o), WaveHunterOutcome::Completed);
    test::SdfOutput b = back(0);
    EXPECT_EQ(b.Data[1][0], 100);
    EXPECT_EQ(b.Data[1][59], ErrorData);
    EXPECT_EQ(b.Data[2][59], ErrorData);
    EXPECT_EQ(prompter.lastText(), "2個のデータを欠測値に変換しました。");
}

}  // namespace
}  // namespace brine
