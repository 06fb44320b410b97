// The INI reader and writer: exact bytes written, what an existing file
// keeps, and the defaults of keys that are missing or unreadable.
#include <gtest/gtest.h>

#include "base/ini_file.h"
#include "support/temp_dir.h"

namespace brine {
namespace {

TEST(IniFile, FreshFileIsWrittenInOrderWithCrLf) {
    test::TempDir dir;
    std::string p = dir.file("a.tfp");
    IniFile ini(p);
    EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");  // missing file: defaults
    ini.WriteBool("Start Time", "From File", true);
    ini.WriteString("Start Time", "Described Row", "3");
    ini.WriteInteger("Table", "Number of Columns", -2);
    ini.WriteString("Start Time", "Described Column", "line\r\nbreak");
    ini.UpdateFile();
    EXPECT_EQ(test::readText(p),
              "[Start Time]\r\nFrom File=1\r\nDescribed Row=3\r\nDescribed Column=line  break\r\n"
              "[Table]\r\nNumber of Columns=-2\r\n");

    IniFile back(p);
    EXPECT_TRUE(back.ReadBool("start time", "FROM FILE", false));  // names match without case
    EXPECT_EQ(back.ReadInteger("Table", "Number of Columns", 0), -2);
    EXPECT_EQ(back.ReadString("Start Time", "Described Column", ""), "line  break");
}

TEST(IniFile, ExistingFileKeepsWhatIsNotWrittenAndUpdatesInPlace) {
    test::TempDir dir;
    std::string p = dir.file("b.ini");
    test::writeText(p, "; comment\n[Sampling]\nIntervals = 2 \nOld=keep\n\n[Ch0]\nA=x\n");
    IniFile ini(p);
    EXPECT_EQ(ini.ReadString("Sampling", "Intervals", ""), "2");  // blanks around the value dropped
    EXPECT_EQ(ini.ReadFloat("Ch0", "A", 1.5), 1.5);               // not a number: the default
    EXPECT_EQ(ini.ReadInteger("Sampling", "Intervals", 0), 2);
    EXPECT_EQ(ini.ReadInteger("Sampling", "Old", 7), 7);
    ini.WriteString("Sampling", "Intervals", "0.5");
    ini.WriteString("Sampling", "Unit No.", "1");
    ini.WriteString("Ch0", "B", "0");
    ini.UpdateFile();
    EXPECT_EQ(test::readText(p),
              "; comment\r\n[Sampling]\r\nIntervals=0.5\r\nOld=keep\r\nUnit No.=1\r\n\r\n[Ch0]\r\nA=x\r\nB=0\r\n");
    EXPECT_DOUBLE_EQ(IniFile(p).ReadFloat("Sampling", "Intervals", 0), 0.5);
}

}  // namespace
}  // namespace brine
