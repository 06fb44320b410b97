// The Vector export: header description, SDF header, conversion and refusals.
#include <gtest/gtest.h>

#include <limits>

#include "base/cp932.h"
#include "base/datetime.h"
#include "core/current_file.h"
#include "core/header_save.h"
#include "core/sdf_builder.h"
#include "core/time_units.h"
#include "importers/vector_convert.h"
#include "importers/vector_files.h"
#include "platform/api/scripted.h"

namespace brine {
namespace {

TEST(VectorHeaderText, KeyValuesUnitsAndDates) {
    std::vector<std::string> lines = {test::hdrValue("Burst interval", "1800 sec"),
                                      test::hdrValue("Burst interval", "900 sec"),
                                      test::hdrValue("Burst interval (old)", "60"),
                                      test::hdrValue("Burst interval", "30 sec")};
    // The last line wins, but a key line without the unit ends the scan.
    EXPECT_EQ(GetHeaderValue(lines, "Burst interval", "sec"), "900");
    EXPECT_EQ(GetHeaderValue(lines, "Burst interval"), "30 sec");
    EXPECT_EQ(GetHeaderValue(lines, "Sampling rate", "Hz"), "");
    EXPECT_EQ(DotDateToSlashDate("01.02.2005 12:34:56"), "2005/02/01 12:34:56");
    EXPECT_EQ(DotDateToSlashDate("2005/02/01 12:34:56"), "2005/02/01 12:34:56");
    EXPECT_EQ(FormatOneDecimal(DefaultCorrThreshold(16)), "62.0");
    EXPECT_EQ(FormatOneDecimal(DefaultCorrThreshold(8)), "52.6");
}

class VectorTest : public ::testing::Test {
protected:
    std::string write(const test::VectorHdr& hdr, std::vector<std::string> dat = {},
                      std::vector<std::string> sen = {}, std::vector<std::string> pck = {}) {
        return test::writeVectorExport(dir, hdr, dat, sen, pck);
    }
    VectorHeader header(const test::VectorHdr& hdr) {
        VectorHeader h;
        EXPECT_TRUE(ParseVectorHeader(write(hdr), prompter, h)) << prompter.lastText();
        return h;
    }
    VectorOutcome convert(const std::string& hdrFile, VectorOptions o) {
        VectorHeader h;
        if (!ParseVectorHeader(hdrFile, prompter, h)) return VectorOutcome::NotStarted;
        std::optional<VectorPlan> plan = PrepareVectorConversion(h, o, prompter);
        if (!plan) return VectorOutcome::NotStarted;
        VectorServices s{model, prompter, progress, save};
        return ConvertVectorFile(*plan, s);
    }
    // Reads the output back and checks that it holds exactly the bursts its header declares.
    void readBack() {
        ASSERT_TRUE(result.ReadSDFHeader(out));
        result.FileName = out;
        result.AllocateDataArrays();
        EXPECT_EQ(std::filesystem::file_size(out),
                  result.HeaderBlocks * 256ull + static_cast<unsigned long long>(result.Iterations) * result.RecordSize);
    }
    std::int16_t at(int b, int ch, int j) {
        EXPECT_TRUE(result.ReadSDFBurst(b));
        return result.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)];
    }
    std::int16_t burstValue(int b, int k) {
        EXPECT_TRUE(result.ReadSDFBurst(b));
        return result.BurstData[static_cast<std::size_t>(k)];
    }

    test::TempDir dir;
    std::string out = dir.file("EXP.sdf");
    CurrentFile model, result;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    test::DirectHeaderSave save{model, out};
};

TEST_F(VectorTest, HeaderValuesBurstCountAndProbeCheckVersion) {
    test::VectorHdr hdr;
    hdr.rate = "16";
    VectorHeader h = header(hdr);
    EXPECT_EQ(h.StartText, "2005/02/01 12:00:00");
    EXPECT_EQ(FormatDateTime(h.FirstTime), "2005/02/01 12:00:00");
    EXPECT_EQ(h.Bursts, 2);
    EXPECT_EQ(h.SampleRate, 16);
    EXPECT_EQ(h.BurstSeconds, 3600);
    EXPECT_EQ(h.SamplesPerBurst, 4);
    EXPECT_EQ(h.CoordSystem, VectorCoord::ENU);
    EXPECT_EQ(h.Comments, "harbour mouth");
    EXPECT_TRUE(h.HasProbeCheck);
    EXPECT_EQ(h.PckFileName, dir.file("EXP.pck"));

    hdr.software = "1.27";
    hdr.last = "01.02.2005 14:00:00";  // exactly two intervals: a third burst starts there
    h = header(hdr);
    EXPECT_FALSE(h.HasProbeCheck);
    EXPECT_TRUE(h.PckFileName.empty());
    EXPECT_EQ(h.Bursts, 3);
}

TEST_F(VectorTest, HeadersThatCannotBeConvertedAreRefused) {
    auto refused = [this](test::VectorHdr hdr, const std::string& message) {
        VectorHeader h;
        prompter.shown.clear();
        EXPECT_FALSE(ParseVectorHeader(write(hdr), prompter, h));
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_NE(prompter.lastText().find(message), std::string::npos) << prompter.lastText();
    };
    test::VectorHdr h;
    h.burst = "0";  // the burst count would divide by zero
    refused(h, "Burst interval");
    h = {};
    h.rate = "0";
    refused(h, "Sampling rate");
    h = {};
    h.coord = "Polar";  // would keep the previous file's system
    refused(h, "Coordinate system");
    h = {};
    h.last = "01.01.2005 12:00:00";
    refused(h, "Time of last measurement");
    h = {};
    h.burst = "1";
    h.last = "02.02.2005 12:00:00";  // 86401 bursts
    refused(h, "32767");
    h = {};
    h.first = "31.02.2005 12:00:00";
    refused(h, "Time of first measurement");
}

TEST_F(VectorTest, SdfHeaderChannelsAndIntervals) {
    test::VectorHdr hdr;
    hdr.coord = "XYZ";
    hdr.velocityUnit = "(metres/s)";
    std::string file = write(hdr, {test::datLine(1, 1, 0, 0, 0)}, {}, {"  1  200.0  10 10 10"});
    VectorOptions o;
    o.SignalStrength = o.SNR = o.Corr = o.BottomDist = true;
    o.Memo = "memo";
    VectorHeader h;
    ASSERT_TRUE(ParseVectorHeader(file, prompter, h));
    std::optional<VectorPlan> plan = PrepareVectorConversion(h, o, prompter);
    ASSERT_TRUE(plan) << prompter.lastText();
    SetVectorSDFHeader(*plan, model);
    EXPECT_EQ(model.Nch, 13);
    EXPECT_EQ(model.Nch2, 2);
    const char* names[] = {"Vel_x",     "Vel_y",     "Vel_z",     "Pressure",   "Amp_Beam1",  "Amp_Beam2",
                           "Amp_Beam3", "SNR_Beam1", "SNR_Beam2", "SNR_Beam3",  "Corr_Beam1", "Corr_Beam2",
                           "Corr_Beam3", "Temp",     "Distance to bed"};
    for (int k = 0; k < 15; ++k) EXPECT_EQ(model.ChannelName[static_cast<std::size_t>(k)], names[k]) << k;
    EXPECT_EQ(model.ChannelUnit[0], "(metres/");  // cut to 8
    EXPECT_EQ(model.ChannelUnit[3], "(dbar)");
    EXPECT_FLOAT_EQ(model.ScaleA[8], 0.1f);
    EXPECT_EQ(model.ChannelUnit[14], "mm");
    EXPECT_EQ(model.Memo, "memo");
    EXPECT_EQ(model.Iterations, 2);
    EXPECT_EQ(model.SampleSize, 1);  // the one sample of the ".dat", not the header's 4

    struct Case {
        const char* rate;
        const char* burst;
        int sint, sunit, bint, bunit;
    };
    for (const Case& c : {Case{"8", "1800", 125, 1, 30, 3}, Case{"1", "7200", 1, 2, 2, 4},
                          Case{"3", "90", 333, 1, 90, 2}}) {
        hdr = {};
        hdr.rate = c.rate;
        hdr.burst = c.burst;
        plan->header = header(hdr);
        SetVectorSDFHeader(*plan, model);
        EXPECT_EQ(model.SInt, c.sint) << c.rate;
        EXPECT_EQ(model.SITUnit, c.sunit) << c.rate;
        EXPECT_EQ(model.BInt, c.bint) << c.burst;
        EXPECT_EQ(model.BITUnit, c.bunit) << c.burst;
    }
}

// 16, 32 and 64 Hz are no whole number of milliseconds: the interval is
// kept exact in microseconds, so bursts and ".sen" windows do not drift.
TEST_F(VectorTest, SamplingIntervalKeptExactInMicroseconds) {
    std::string file = write(test::VectorHdr{}, {test::datLine(1, 1, 0, 0, 0)}, {test::senLine(12, 0, 0, 10.0)});
    VectorHeader h;
    ASSERT_TRUE(ParseVectorHeader(file, prompter, h));
    std::optional<VectorPlan> plan = PrepareVectorConversion(h, VectorOptions{}, prompter);
    ASSERT_TRUE(plan) << prompter.lastText();
    struct Case {
        const char* rate;
        int sint, sunit;
        long double burstSeconds;  // 4096 samples
    };
    for (const Case& c : {Case{"16", 62500, 0, 256}, Case{"32", 31250, 0, 128}, Case{"64", 15625, 0, 64},
                          Case{"4", 250, 1, 1024}, Case{"2", 500, 1, 2048}}) {
        test::VectorHdr hdr;
        hdr.rate = c.rate;
        plan->header = header(hdr);
        SetVectorSDFHeader(*plan, model);
        EXPECT_EQ(model.SInt, c.sint) << c.rate;
        EXPECT_EQ(model.SITUnit, c.sunit) << c.rate;
        EXPECT_NEAR(static_cast<double>(4096 * model.SInt * unitAt(model.SITUnit).SecondsPer),
                    static_cast<double>(c.burstSeconds), 1e-9)
            << c.rate;
    }
}

// The header names its files in CP932; the files on disk carry UTF-8 names,
// maybe in another case, maybe renamed after the export.
TEST_F(VectorTest, JapaneseFileNamesInTheHeader) {
    auto exportAs = [this](const std::string& hdrBase, const std::string& namedBase, const std::string& datName,
                           const std::string& senName) {
        test::writeText(dir.file(hdrBase + ".hdr"), utf8ToCp932(test::joinLines(test::VectorHdr{}.lines(namedBase))));
        test::writeText(dir.file(datName), test::joinLines({test::datLine(1, 1, 0.1, 0, 0)}));
        if (!senName.empty()) test::writeText(dir.file(senName), test::joinLines({test::senLine(12, 0, 0, 10.0)}));
        return dir.file(hdrBase + ".hdr");
    };
    auto converted = [this](const std::string& hdr) {
        prompter.shown.clear();
        EXPECT_EQ(convert(hdr, VectorOptions{}), VectorOutcome::Completed) << prompter.lastText();
        readBack();
        EXPECT_EQ(at(0, 0, 0), 100);
        EXPECT_EQ(burstValue(0, 0), 1000);
    };
    converted(exportAs("観測1", "観測1", "観測1.DAT", "観測1.sen"));
    // The header names the instrument's own names; the files were renamed with it.
    converted(exportAs("観測2", "VEC001", "観測2.dat", "観測2.sen"));

    // Told with the name as the user reads it.
    std::string hdr = exportAs("観測3", "観測3", "観測3.dat", "");
    std::string text = test::readText(hdr);
    const std::string named = utf8ToCp932("[Sensor file]     観測3.sen");
    text.replace(text.find(named), named.size(), "[Sensor file]");
    test::writeText(hdr, text);
    prompter.shown.clear();
    EXPECT_EQ(convert(hdr, VectorOptions{}), VectorOutcome::NotStarted);
    EXPECT_NE(prompter.lastText().find("観測3.sen"), std::string::npos) << prompter.lastText();
}

TEST_F(VectorTest, RotationScreeningTemperatureAndBedDistance) {
    std::vector<std::string> pck;
    test::pckProfile(pck, {200, 300, 400, 500, 600, 700}, {10, 20, 15, 40, 60, 30});  // burst 0: 600
    test::pckProfile(pck, {200, 300, 400}, {10, 50, 10});                           // second of the pair
    test::pckProfile(pck, {200, 300, 400}, {10, 10, 10});                           // burst 1: none
    std::string hdr = write(test::VectorHdr{},
                            {test::datLine(1, 1, 0.1, 0.2, 0.01), test::datLine(1, 2, 0.1, 0.2, 0.01, 80, 55, 90),
                             test::datLine(1, 3, 0.1, 0.2, 0.01), test::datLine(1, 4, 40.0, 0, 0),
                             test::datLine(2, 1, 0.3, 0, 0), test::datLine(2, 2, 0.3, 0, 0),
                             test::datLine(2, 3, 0.3, 0, 0), test::datLine(2, 4, 0.3, 0, 0)},
                            {test::senLine(11, 59, 59, 99.0), test::senLine(12, 0, 0, 10.0),
                             test::senLine(12, 0, 4, 12.0), test::senLine(13, 0, 0, 20.0),
                             test::senLine(13, 0, 5, 99.0)},
                            pck);
    VectorOptions o;
    o.Threshold = 62;
    o.BottomDist = true;
    o.Declination = 90;
    ASSERT_EQ(convert(hdr, o), VectorOutcome::Completed) << prompter.lastText();
    readBack();
    ASSERT_EQ(result.Iterations, 2);
    ASSERT_EQ(result.Nch, 7);
    // East 0.1, north 0.2 rotated by 90 degrees: east -0.2, north 0.1.
    EXPECT_EQ(at(0, 0, 0), -200);
    EXPECT_EQ(at(0, 1, 0), 100);
    EXPECT_EQ(at(0, 2, 0), 10);
    EXPECT_EQ(at(0, 3, 0), 10500);
    EXPECT_EQ(at(0, 4, 1), 80);  // correlations kept as counts
    // ENU: one low correlation drops all three components.
    for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(at(0, ch, 1), ErrorData);
    EXPECT_EQ(at(0, 3, 1), 10500);
    // A value beyond 16 bits is stored as missing and told once.
    EXPECT_EQ(at(0, 1, 3), ErrorData);
    EXPECT_TRUE(prompter.showedText("1個のデータを欠測値に変換しました。"));
    // Mean temperature of the records inside each burst's window.
    EXPECT_EQ(burstValue(0, 0), 1100);
    EXPECT_EQ(burstValue(1, 0), 2000);
    EXPECT_EQ(burstValue(0, 1), 6000);
    EXPECT_EQ(burstValue(1, 1), ErrorData);
}

TEST_F(VectorTest, BeamScreeningAndRecordsAcrossBurstWindows) {
    test::VectorHdr h;
    h.coord = "Beam";
    h.burst = "4";  // bursts follow each other: a record after one window opens the next
    h.last = "01.02.2005 12:00:07";
    std::vector<std::string> dat;
    for (int b = 1; b <= 2; ++b)
        for (int j = 1; j <= 4; ++j) dat.push_back(test::datLine(b, j, 0.1, 0.2, 0.3, 80, 55, 90));
    std::string hdr = write(h, dat,
                            {test::senLine(12, 0, 0, 10.0), test::senLine(12, 0, 5, 30.0),
                             test::senLine(12, 0, 6, 50.0)});
    VectorOptions o;
    o.TransVel = false;
    o.Threshold = 62;
    ASSERT_EQ(convert(hdr, o), VectorOutcome::Completed) << prompter.lastText();
    readBack();
    EXPECT_EQ(result.ChannelName[0], "Vel_Beam1");
    EXPECT_EQ(at(0, 0, 0), 100);
    EXPECT_EQ(at(0, 1, 0), ErrorData);
    EXPECT_EQ(at(0, 2, 0), 300);
    EXPECT_EQ(burstValue(0, 0), 1000);
    EXPECT_EQ(burstValue(1, 0), 4000);  // 12:00:05 and 12:00:06: windows 0-4 and 4-8 s
}

TEST_F(VectorTest, ShortAndBrokenDataKeepTheHeaderTrue) {
    // The ".dat" ends inside the second burst, whose sample 2 is missing.
    std::string hdr = write(test::VectorHdr{},
                            {test::datLine(1, 1, 0.1, 0, 0), test::datLine(1, 2, 0.1, 0, 0),
                             test::datLine(1, 4, 0.1, 0, 0), test::datLine(2, 1, 0.2, 0, 0),
                             test::datLine(2, 2, 0.2, 0, 0), ""},
                            {test::senLine(12, 0, 0, 10.0)});
    ASSERT_EQ(convert(hdr, VectorOptions{}), VectorOutcome::Completed) << prompter.lastText();
    readBack();
    ASSERT_EQ(result.Iterations, 2);
    EXPECT_EQ(at(0, 0, 2), ErrorData);  // skipped sample: missing, not the previous burst's
    EXPECT_EQ(at(1, 0, 1), 200);
    EXPECT_EQ(at(1, 0, 2), ErrorData);
    EXPECT_EQ(burstValue(1, 0), ErrorData);  // no record in its window

    // The counter starts again before a burst is complete: that burst ends there.
    hdr = write(test::VectorHdr{},
                {test::datLine(1, 1, 0.1, 0, 0), test::datLine(1, 2, 0.1, 0, 0), test::datLine(2, 1, 0.2, 0, 0),
                 test::datLine(2, 2, 0.2, 0, 0), test::datLine(2, 3, 0.2, 0, 0), test::datLine(2, 4, 0.2, 0, 0)},
                {test::senLine(12, 0, 0, 10.0)});
    ASSERT_EQ(convert(hdr, VectorOptions{}), VectorOutcome::Completed);
    readBack();
    ASSERT_EQ(result.Iterations, 2);
    EXPECT_EQ(at(0, 0, 2), ErrorData);
    EXPECT_EQ(at(1, 0, 0), 200);

    // A field that is not a number stops the conversion at its line.
    prompter.shown.clear();
    hdr = write(test::VectorHdr{},
                {test::datLine(1, 1, 0.1, 0, 0), test::datLine(1, 2, 0.1, 0, 0), test::datLine(1, 3, 0.1, 0, 0),
                 test::datLine(1, 4, 0.1, 0, 0), "    2     1   abc"},
                {test::senLine(12, 0, 0, 10.0)});
    EXPECT_EQ(convert(hdr, VectorOptions{}), VectorOutcome::Failed);
    EXPECT_NE(prompter.lastText().find("5行目"), std::string::npos) << prompter.lastText();
    readBack();
    EXPECT_EQ(result.Iterations, 1);
    EXPECT_EQ(at(0, 0, 3), 100);
}

// An instrument that stopped after 30 samples of its first burst: the burst
// is the samples read, not 4096 filled up with missing values.
TEST_F(VectorTest, ExportShorterThanOneBurst) {
    test::VectorHdr h;
    h.samples = "4096";
    std::vector<std::string> dat;
    for (int j = 1; j <= 30; ++j) dat.push_back(test::datLine(1, j, 0.1, 0, 0));
    std::string hdr = write(h, dat, {test::senLine(12, 0, 0, 10.0)});
    ASSERT_EQ(convert(hdr, VectorOptions{}), VectorOutcome::Completed) << prompter.lastText();
    readBack();
    ASSERT_EQ(result.Iterations, 1);
    EXPECT_EQ(result.SampleSize, 30);
    EXPECT_EQ(at(0, 0, 0), 100);
    EXPECT_EQ(at(0, 0, 29), 100);
    EXPECT_EQ(burstValue(0, 0), 1000);

    // A burst no instrument records is a damaged header, refused before any memory is taken.
    prompter.shown.clear();
    h.samples = "2000000000";
    EXPECT_EQ(convert(write(h, dat, {test::senLine(12, 0, 0, 10.0)}), VectorOptions{}), VectorOutcome::NotStarted);
    EXPECT_NE(prompter.lastText().find("Samples per burst"), std::string::npos) << prompter.lastText();
}

// Bursts are told apart by their counter too: a lost tail and a lost head do
// not merge two bursts, and a burst lost altogether keeps its slot.
TEST_F(VectorTest, BurstCounterSeparatesBursts) {
    test::VectorHdr h;
    h.last = "01.02.2005 15:59:59";  // 4 bursts
    std::vector<std::string> dat = {test::datLine(1, 1, 0.1, 0, 0), test::datLine(1, 2, 0.1, 0, 0),
                                    test::datLine(2, 3, 0.2, 0, 0), test::datLine(2, 4, 0.2, 0, 0)};
    for (int j = 1; j <= 4; ++j) dat.push_back(test::datLine(4, j, 0.4, 0, 0));
    std::string hdr = write(h, dat,
                            {test::senLine(12, 0, 0, 10.0), test::senLine(13, 0, 0, 20.0),
                             test::senLine(14, 0, 0, 30.0), test::senLine(15, 0, 0, 40.0)});
    ASSERT_EQ(convert(hdr, VectorOptions{}), VectorOutcome::Completed) << prompter.lastText();
    readBack();
    ASSERT_EQ(result.Iterations, 4);
    EXPECT_EQ(at(0, 0, 1), 100);
    EXPECT_EQ(at(0, 0, 2), ErrorData);
    EXPECT_EQ(at(1, 0, 1), ErrorData);
    EXPECT_EQ(at(1, 0, 2), 200);
    EXPECT_EQ(burstValue(1, 0), 2000);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(at(2, 0, j), ErrorData) << j;
    EXPECT_EQ(burstValue(2, 0), 3000);  // the sensor still recorded that hour
    EXPECT_EQ(at(3, 0, 0), 400);
    EXPECT_EQ(burstValue(3, 0), 4000);
}

// Bursts are only as long as the ".dat" shows a burst to be, and slots kept
// for lost bursts are asked about when they would make most of the output.
TEST_F(VectorTest, OutputHoldsNoMoreThanTheDataShows) {
    struct Case {
        const char* what;
        const char* samples;  // per burst, declared
        const char* last;     // time of last measurement: bursts every hour from 12:00
        std::vector<std::pair<long long, int>> lines;  // burst and ensemble counters
        std::optional<MsgResult> answer;         // to the question about a mostly empty output
        VectorOutcome outcome;
        int bursts, sampleSize;  // of the output
    };
    auto burst = [](long long b, int from, int to) {
        std::vector<std::pair<long long, int>> l;
        for (int e = from; e <= to; ++e) l.emplace_back(b, e);
        return l;
    };
    auto join = [](std::vector<std::pair<long long, int>> a, const std::vector<std::pair<long long, int>>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const Case cases[] = {
        {"no burst whole: they keep the samples read", "9999999", "01.02.2005 13:59:59",
         join(burst(1, 1, 4), burst(2, 1, 4)), {}, VectorOutcome::Completed, 2, 4},
        {"no burst whole: the longest sets the size", "4096", "01.02.2005 14:59:59",
         join(join(burst(1, 1, 3), burst(2, 1, 5)), burst(3, 1, 2)), {}, VectorOutcome::Completed, 3, 5},
        {"a damaged burst counter, declined", "4", "11.02.2005 12:00:00", join(burst(1, 1, 4), burst(200, 1, 4)),
         MsgResult::No, VectorOutcome::NotStarted, 0, 0},
        {"a damaged burst counter, accepted", "4", "11.02.2005 12:00:00", join(burst(1, 1, 4), burst(200, 1, 4)),
         MsgResult::Yes, VectorOutcome::Completed, 200, 4},
        {"a damaged ensemble counter", "9999999", "01.02.2005 13:59:59", {{1, 1}, {1, 9999999}}, MsgResult::No,
         VectorOutcome::NotStarted, 0, 0},
        {"no sample at all", "9999999", "01.02.2005 13:59:59", {}, {}, VectorOutcome::Completed, 0, 9999999},
        {"burst counters at the ends of their range", "4", "11.02.2005 12:00:00",
         join(burst(std::numeric_limits<long long>::min(), 1, 4), burst(std::numeric_limits<long long>::max(), 1, 4)),
         MsgResult::No, VectorOutcome::NotStarted, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(out);
        prompter.shown.clear();
        prompter.answers.clear();
        if (c.answer) prompter.answer(*c.answer);
        model.Data.clear();
        test::VectorHdr h;
        h.samples = c.samples;
        h.last = c.last;
        std::vector<std::string> dat;
        for (const auto& [b, e] : c.lines) dat.push_back(test::datLine(b, e, 0.001 * e, 0, 0));
        EXPECT_EQ(convert(write(h, dat, {test::senLine(12, 0, 0, 10.0)}), VectorOptions{}), c.outcome)
            << prompter.lastText();
        EXPECT_EQ(prompter.showedText("誤りがないか確認して下さい。"), c.answer.has_value());
        // Memory for no more than one burst of the output.
        EXPECT_LE(model.Data.empty() ? 0 : model.Data[0].size(),
                  static_cast<std::size_t>(c.bursts > 0 ? c.sampleSize : 0));
        // Without a burst there is nothing to save.
        if (c.outcome == VectorOutcome::NotStarted || c.bursts == 0) {
            EXPECT_FALSE(std::filesystem::exists(out));
            continue;
        }
        readBack();
        EXPECT_EQ(result.Iterations, c.bursts);
        if (result.SampleSize != c.sampleSize) {
            ADD_FAILURE() << "samples per burst " << result.SampleSize;
            continue;
        }
        // Every line read is in the output, each at its ensemble counter.
        std::size_t values = 0;
        for (int b = 0; b < result.Iterations; ++b) {
            ASSERT_TRUE(result.ReadSDFBurst(b));
            for (int j = 0; j < result.SampleSize; ++j)
                if (std::int16_t v = result.Data[0][static_cast<std::size_t>(j)]; v != ErrorData) {
                    EXPECT_EQ(v, j + 1);
                    ++values;
                }
        }
        EXPECT_EQ(values, c.lines.size());
    }

    // A damaged counter inside the first burst stops the conversion before
    // any burst is whole: nothing is saved.
    std::filesystem::remove(out);
    prompter.shown.clear();
    test::VectorHdr h;
    h.samples = "4";
    std::string bad = test::datLine(1, 3, 0.003, 0, 0);
    bad.replace(bad.find("    3 "), 6, "    x ");
    EXPECT_EQ(convert(write(h, {test::datLine(1, 1, 0.001, 0, 0), test::datLine(1, 2, 0.002, 0, 0), bad},
                            {test::senLine(12, 0, 0, 10.0)}),
                      VectorOptions{}),
              VectorOutcome::Failed);
    EXPECT_TRUE(prompter.showedText("データが不正なため、変換を中止します。"));
    EXPECT_FALSE(prompter.showedText("読み飛ばしました"));
    EXPECT_FALSE(std::filesystem::exists(out));
}

// A line whose ensemble counter is out of range is skipped; the skips are
// told once at the end.
TEST_F(VectorTest, OutOfRangeEnsembleCountersAreSkipped) {
    std::string hdr = write(test::VectorHdr{},
                            {test::datLine(1, 1, 0.1, 0, 0), test::datLine(1, 2, 0.1, 0, 0),
                             test::datLine(1, 9, 0.9, 0, 0), test::datLine(1, 3, 0.1, 0, 0),
                             test::datLine(1, 4, 0.1, 0, 0), test::datLine(2, 1, 0.2, 0, 0),
                             test::datLine(2, 0, 0.9, 0, 0), test::datLine(2, 2, 0.2, 0, 0),
                             test::datLine(2, 3, 0.2, 0, 0), test::datLine(2, 4, 0.2, 0, 0)},
                            {test::senLine(12, 0, 0, 10.0), test::senLine(13, 0, 0, 20.0)});
    ASSERT_EQ(convert(hdr, VectorOptions{}), VectorOutcome::Completed) << prompter.lastText();
    readBack();
    ASSERT_EQ(result.Iterations, 2);
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(at(0, 0, j), 100) << j;
        EXPECT_EQ(at(1, 0, j), 200) << j;
    }
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.lastText(), "アンサンブル番号が範囲外の行を2行読み飛ばしました。");
}

TEST_F(VectorTest, RefusalsBeforeTheHeaderDialogWriteNothing) {
    auto refused = [this](const std::string& hdr, VectorOptions o, const std::string& message) {
        prompter.shown.clear();
        EXPECT_EQ(convert(hdr, o), VectorOutcome::NotStarted);
        EXPECT_NE(prompter.lastText().find(message), std::string::npos) << prompter.lastText();
        EXPECT_EQ(save.calls, 0);
        EXPECT_FALSE(std::filesystem::exists(out));
    };
    std::string hdr = write(test::VectorHdr{}, {test::datLine(1, 1, 0, 0, 0)}, {});
    std::filesystem::remove(dir.file("EXP.sen"));
    refused(hdr, {}, "EXP.sen");

    hdr = write(test::VectorHdr{}, {test::datLine(1, 1, 0, 0, 0)}, {});
    VectorOptions bed;
    bed.BottomDist = true;
    refused(hdr, bed, "EXP.pck");  // no probe-check file
    test::writeText(dir.file("EXP.pck"), "  1  200.0  10 10\r\n");
    refused(hdr, bed, "1行目");  // four fields only

    // A header that does not describe a column the options need.
    std::string text = test::readText(hdr);
    text.replace(text.find("Correlation (Beam2)"), 19, "Corr. (Beam2)");
    test::writeText(hdr, text);
    refused(hdr, {}, "Correlation (Beam2)");
    VectorOptions noCorr;
    noCorr.Corr = noCorr.CorrThreshold = false;
    EXPECT_EQ(convert(hdr, noCorr), VectorOutcome::Completed) << prompter.lastText();
}

}  // namespace
}  // namespace brine
