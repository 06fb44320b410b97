#include <gtest/gtest.h>

#include <fstream>

#include "base/safe_write/file_identity.h"
#include "support/temp_dir.h"

using namespace brine;
using brine::test::TempDir;
namespace fs = std::filesystem;

TEST(FileIdentity, FullNameAndSameFile) {
    TempDir dir;
    const std::string a = dir.file("a.sdf");
    std::ofstream(a) << "x";
    const std::string roundabout = (dir.path() / "sub" / ".." / "a.sdf").string();
    EXPECT_EQ(FullName(roundabout), a);
    EXPECT_EQ(FullName("rel/../b.tsd"), (fs::current_path() / "b.tsd").string());
    EXPECT_EQ(FullName(""), "");

    fs::create_directory(dir.path() / "sub");
    EXPECT_TRUE(SameFile(roundabout, a));
    EXPECT_FALSE(SameFile(a, dir.file("missing.sdf")));
    EXPECT_FALSE(SameFile("", a));
}
