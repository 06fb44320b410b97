#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QStandardPaths>

#include "app/parameters_file.h"
#include "base/errors.h"
#include "support/fault_plan.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

using test::TempDir;

TEST(ParametersFile, WritesThreeCp932LinesEndedByCrLf) {
    TempDir dir;
    const std::string path = dir.file("Parameters.dat");
    ASSERT_TRUE(WriteParametersFile(path, "/data/観測.sdf", "/data", 12));
    // "観測" in CP932 is 8A CF 91 AA.
    EXPECT_EQ(test::readText(path), "/data/\x8a\xcf\x91\xaa.sdf\r\n/data\r\n12\r\n");

    auto lines = ReadParametersFile(path);
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->fileName, "/data/観測.sdf");
    EXPECT_EQ(lines->folder, "/data");
    EXPECT_EQ(lines->location, "12");

    ASSERT_TRUE(WriteParametersFile(path, "", "", 0));
    EXPECT_EQ(test::readText(path), "\r\n\r\n0\r\n");
    // A folder that cannot be written to fails instead of claiming success.
    EXPECT_FALSE(WriteParametersFile(dir.file("no/such/Parameters.dat"), "", "", 0));
}

TEST(ParametersFile, MissingLinesReadAsEmptyAndMissingFileAsNothing) {
    TempDir dir;
    EXPECT_FALSE(ReadParametersFile(dir.file("Parameters.dat")));
    // Far more than settings hold, rewritten in place (a second name) and
    // stopped with the file cut short: its journal records that size, and
    // is not put back to be read whole.
    test::writeText(dir.file("Parameters.dat"), std::string(3u << 20, 'x'));
    std::filesystem::create_hard_link(dir.file("Parameters.dat"), dir.file("second.dat"));
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string target = dir.file("Parameters.dat");
        sys::FaultPlan kill = sys::StopWithFileCutShort(target);
        sys::ArmFaults armed(kill);
        WriteParametersFile(target, "a", "b", 1);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), sys::kStoppedStatus);
    EXPECT_THROW(ReadParametersFile(dir.file("Parameters.dat")), IoError);
    EXPECT_EQ(test::readText(dir.file("second.dat")).front(), '\0');
    std::filesystem::remove(dir.file("second.dat"));
    test::writeText(dir.file("Parameters.dat"), "/only/one/line");
    auto lines = ReadParametersFile(dir.file("Parameters.dat"));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines->fileName, "/only/one/line");
    EXPECT_EQ(lines->folder, "");
    EXPECT_EQ(lines->location, "");
}

TEST(ParametersFile, SiteIndexAcceptsOnlyNumbersOfSixteenBits) {
    EXPECT_EQ(ParseSelectedLocation("0"), 0);
    EXPECT_EQ(ParseSelectedLocation("65535"), 65535);
    EXPECT_EQ(ParseSelectedLocation(" 7 "), 7);
    EXPECT_FALSE(ParseSelectedLocation(""));
    EXPECT_FALSE(ParseSelectedLocation("65536"));
    EXPECT_FALSE(ParseSelectedLocation("-1"));
    EXPECT_FALSE(ParseSelectedLocation("abc"));
    EXPECT_FALSE(ParseSelectedLocation("3x"));
}

TEST(ParametersFile, ConfigurationFallsBackToTheUserFolder) {
    TempDir dir;
    EXPECT_EQ(ChooseConfigDir(dir.path().string()), dir.path().string() + "/");
    std::string user = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString() + "/";
    EXPECT_EQ(ChooseConfigDir(dir.file("not-there")), user);
    EXPECT_TRUE(std::filesystem::is_directory(user));
}

}  // namespace
}  // namespace brine
