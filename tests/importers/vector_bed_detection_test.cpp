// Bed detection in probe-check profiles and the profile drawn for a burst.
#include <gtest/gtest.h>

#include "base/datetime.h"
#include "base/errors.h"
#include "importers/vector_bed_detection.h"
#include "importers/vector_files.h"

namespace brine {
namespace {

TEST(BedDetection, StrongestRiseBeyondTheMinimumDistance) {
    const std::vector<double> d = {200, 300, 400, 500, 600, 700};
    const std::vector<double> a = {10, 20, 15, 40, 60, 30};
    std::vector<BedPeak> peaks;
    EXPECT_EQ(DetectBedDistance(d, a, 160, &peaks), 600);
    ASSERT_EQ(peaks.size(), 2u);
    EXPECT_EQ(peaks[0].Strength, 45);
    EXPECT_EQ(peaks[1].Strength, 10);
    EXPECT_EQ(peaks[1].Distance, 300);

    EXPECT_EQ(DetectBedDistance(d, a, 250, &peaks), 600);
    EXPECT_EQ(peaks.size(), 1u);
    // A point exactly at the minimum is dropped, so 10 → 15 is no rise.
    EXPECT_EQ(DetectBedDistance(d, {{30, 10, 15, 12, 11, 10}}, 300), 0);
    EXPECT_EQ(DetectBedDistance(d, {{1, 2, 3, 4, 5, 6}}, 160), 0);     // still rising at the end
    EXPECT_EQ(DetectBedDistance(d, {{10, 20, 10, 20, 10, 0}}, 160), 300);  // equal rises: the first
}

class ProbeCheckTest : public ::testing::Test {
protected:
    std::string pck(const std::vector<std::string>& lines) {
        std::string p = dir.file("EXP.pck");
        test::writeText(p, test::joinLines(lines));
        return p;
    }
    test::TempDir dir;
};

TEST_F(ProbeCheckTest, ProfilesEndWhereThePointNumberDecreases) {
    std::vector<std::string> lines;
    test::pckProfile(lines, {200, 300, 400}, {10, 30, 20});
    test::pckProfile(lines, {200, 300, 400}, {10, 10, 10});
    lines.push_back("");
    // A line right after a boundary is compared with 0: 1, 0 stay one profile.
    lines.push_back("  1  200.0  1 2 3");
    lines.push_back("  0  300.0  4 5 6");
    std::vector<double> bed = ReadProbeCheckFile(pck(lines), 160);
    EXPECT_EQ(bed, (std::vector<double>{300, 0, 0}));

    ProbeCheckReader r(dir.file("EXP.pck"));
    AmplitudeProfile p;
    bool boundary = false;
    ASSERT_TRUE(r.next(p, boundary));
    EXPECT_TRUE(boundary);
    EXPECT_EQ(p.Amplitude, (std::vector<double>{10, 30, 20}));  // mean of the three beams
    ASSERT_TRUE(r.next(p, boundary));
    ASSERT_TRUE(r.next(p, boundary));
    EXPECT_FALSE(boundary);
    EXPECT_EQ(p.Distance, (std::vector<double>{200, 300}));
    EXPECT_EQ(p.Amplitude, (std::vector<double>{2, 5}));
    EXPECT_FALSE(r.next(p, boundary));

    // More profiles, or more peaks, than any fixed table held are read all the same.
    lines.clear();
    std::vector<double> dist, amp;
    for (int i = 0; i < 300; ++i) {
        dist.push_back(200 + i);
        amp.push_back(i % 2 ? 20 : 10);
    }
    for (int k = 0; k < 3; ++k) test::pckProfile(lines, dist, amp);
    EXPECT_EQ(ReadProbeCheckFile(pck(lines), 160).size(), 3u);

    EXPECT_THROW(ReadProbeCheckFile(pck({"  1  200.0  1 x 3"}), 160), ConversionError);
}

TEST_F(ProbeCheckTest, TheProfileOfABurstAndItsTitle) {
    std::vector<std::string> lines;
    test::pckProfile(lines, {200, 300, 400}, {10, 30, 20});  // burst 0
    test::pckProfile(lines, {200, 300, 400}, {10, 10, 10});
    test::pckProfile(lines, {200, 300, 400, 500}, {5, 5, 9, 1});  // burst 1
    test::pckProfile(lines, {200, 300}, {1, 1});
    test::pckProfile(lines, {200, 300, 400}, {1, 8, 2});  // burst 2, cut short by the file's end
    const std::string file = pck(lines);
    const double first = EncodeDateTime({2005, 2, 1, 12, 0, 0, 0});
    const double hour = 1.0 / 24, duration = 600.0 / 86400;

    BurstProfile b = SelectBurstProfile(file, first, hour, duration, first + hour, 160);
    EXPECT_EQ(b.Profile.Distance, (std::vector<double>{200, 300, 400, 500}));
    ASSERT_TRUE(b.ShownTime);
    EXPECT_EQ(FormatDateTime(*b.ShownTime), "2005/02/01 13:00:00");
    EXPECT_EQ(BedDistanceTitle(b.BedDistance), "Distance to Detected Bed (mm): 400.0");

    b = SelectBurstProfile(file, first, hour, duration, first + 2 * hour, 160);
    EXPECT_EQ(b.Profile.Distance.size(), 3u);
    EXPECT_FALSE(b.ShownTime);  // the file ended inside it
    EXPECT_EQ(b.BedDistance, 300);

    b = SelectBurstProfile(file, first, hour, duration, first + 5 * hour, 160);
    EXPECT_TRUE(b.Profile.Distance.empty());
    EXPECT_EQ(BedDistanceTitle(b.BedDistance), "Distance to Detected Bed (mm): 0.0");
}

}  // namespace
}  // namespace brine
