#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <set>

#include "base/binary_file.h"
#include "base/buffered_append.h"
#include "base/errors.h"
#include "base/safe_replace.h"
#include "base/sys_calls.h"
#include "support/temp_dir.h"

using namespace brine;
using brine::test::TempDir;
namespace fs = std::filesystem;

namespace {
std::set<std::string> namesIn(const fs::path& dir) {
    std::set<std::string> s;
    for (const auto& e : fs::directory_iterator(dir)) s.insert(e.path().filename().string());
    return s;
}
}  // namespace

TEST(BinaryFile, LittleEndianFields) {
    std::uint8_t b[8];
    putLE<std::int16_t>(b, -2);
    EXPECT_EQ(b[0], 0xFE);
    EXPECT_EQ(b[1], 0xFF);
    putLE<std::int32_t>(b, 0x01020304);
    EXPECT_EQ(std::vector<std::uint8_t>(b, b + 4), (std::vector<std::uint8_t>{4, 3, 2, 1}));
    putLE<double>(b, 1.0);
    EXPECT_EQ(b[6], 0xF0);
    EXPECT_EQ(b[7], 0x3F);
    EXPECT_EQ(getLE<double>(b), 1.0);
    putLE<float>(b, -0.5f);
    EXPECT_EQ(getLE<float>(b), -0.5f);
}

TEST(BinaryFile, ReadOnlyFileOpensForReading) {
    TempDir dir;
    const std::string p = dir.file("ro.bin");
    test::writeText(p, "abcdef");
    fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    BinaryFile f(p, OpenMode::Read);
    char buf[3];
    f.readAt(2, buf, 3);
    EXPECT_EQ(std::string(buf, 3), "cde");
    EXPECT_EQ(f.size(), 6u);
    EXPECT_THROW(f.readAt(4, buf, 3), IoError);  // short read is an error, not garbage
    EXPECT_EQ(f.readSome(buf, 3), 3u);
    test::RunUnprivileged(dir.path(), [&] { EXPECT_THROW(BinaryFile(p, OpenMode::Update), IoError); });
}

TEST(BinaryFile, OpenModesAndFailures) {
    TempDir dir;
    const std::string p = dir.file("f.bin");
    EXPECT_THROW(BinaryFile(p, OpenMode::Read), IoError);
    EXPECT_THROW(BinaryFile(p, OpenMode::Update), IoError);
    EXPECT_THROW(BinaryFile(dir.path(), OpenMode::Read), IoError);
    test::writeText(p, "0123456789");
    {
        BinaryFile f(p, OpenMode::CreateOrUpdate);
        f.writeAt(0, "ab", 2);
    }
    EXPECT_EQ(test::readText(p), "ab23456789");
    {
        BinaryFile f(p, OpenMode::Create);
        f.writeAt(0, "xy", 2);
    }
    EXPECT_EQ(test::readText(p), "xy");
}

TEST(BinaryFile, PositionsBeyondTwoGigabytes) {
    TempDir dir;
    const std::string p = dir.file("big.bin");
    const std::uint64_t pos = 3ull << 30;
    BinaryFile f(p, OpenMode::Create);
    try {
        f.writeAt(pos, "zz", 2);
    } catch (const IoError&) {
        GTEST_SKIP() << "file system refuses sparse files of 3 GiB";
    }
    EXPECT_EQ(f.size(), pos + 2);
    char buf[2];
    f.readAt(pos, buf, 2);
    EXPECT_EQ(std::string(buf, 2), "zz");
}

TEST(BufferedAppend, WritesBehindTheEndOrFromAPosition) {
    TempDir dir;
    const std::string p = dir.file("out.bin");
    {
        BinaryFile f(p, OpenMode::Create);
        f.writeAll("HEAD----", 8);
    }
    BufferedAppend tail(p);
    tail.buffer() += "ab";
    tail.putLE<std::int16_t>(-2);
    tail.flush();
    tail.buffer() += "c";
    tail.close();  // what is left is written too
    BufferedAppend over(p, 4);
    over.buffer() += "XY";
    over.close();

    BinaryFile f(p, OpenMode::Read);
    std::string got(static_cast<std::size_t>(f.size()), '\0');
    f.readAt(0, got.data(), got.size());
    EXPECT_EQ(got, std::string("HEADXY--ab\xFE\xFF" "c", 13));
}

TEST(SystemCalls, AnArmedPlanCountsTheCallsAndFailsTheChosenOne) {
    TempDir dir;
    auto write = [&] {
        BinaryFile f(dir.file("a.bin"), OpenMode::Create);
        f.writeAll("abc", 3);
        f.close();
    };
    sys::FaultPlan counting;
    {
        sys::ArmFaults armed(counting);
        write();
    }
    ASSERT_EQ(counting.calls.size(), 3u);
    EXPECT_EQ(counting.calls[0].call, sys::Call::Open);
    EXPECT_EQ(counting.calls[1].call, sys::Call::Write);
    EXPECT_EQ(counting.calls[2].call, sys::Call::Close);
    EXPECT_EQ(counting.calls[1].path, dir.file("a.bin"));
    EXPECT_TRUE(counting.calls[1].writable);

    for (int err : {EIO, ENOSPC, EFBIG}) {
        sys::FaultPlan plan;
        plan.failAt = 2;
        plan.error = err;
        sys::ArmFaults armed(plan);
        try {
            write();
            ADD_FAILURE() << "the write did not fail";
        } catch (const IoError& e) {
            EXPECT_NE(std::string(e.what()).find(std::strerror(err)), std::string::npos) << e.what();
        }
    }
    // Disarmed, nothing is counted and nothing fails.
    EXPECT_EQ(sys::armedPlan, nullptr);
    write();
    EXPECT_EQ(counting.calls.size(), 3u);
    EXPECT_EQ(test::readText(dir.file("a.bin")), "abc");
}

TEST(SystemCalls, AStoppingPlanEndsTheProcessAtTheChosenCallUndoingNothing) {
    // open, write "abcdef", pwrite "XYZ" at 8, close.
    struct Case {
        sys::Fault fault;
        long long at;
        long long tearBytes;
        std::optional<std::string> left;  // the file after the stop, if there
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {sys::Fault::Kill, 1, -1, std::nullopt},
        {sys::Fault::Kill, 2, -1, ""},
        {sys::Fault::Kill, 3, -1, "abcdef"},
        {sys::Fault::Kill, 4, -1, "abcdef\0\0XYZ"s},
        {sys::Fault::Tear, 2, -1, "abc"},
        {sys::Fault::Tear, 2, 5, "abcde"},
        {sys::Fault::Tear, 2, 9, "abcde"},  // never the whole write
        {sys::Fault::Tear, 2, 0, ""},
        {sys::Fault::Tear, 3, -1, "abcdef\0\0X"s},
        {sys::Fault::Tear, 1, -1, std::nullopt},  // a call that writes nothing stops before it
        {sys::Fault::Tear, 4, -1, "abcdef\0\0XYZ"s},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string p = dir.file("a.bin");
        std::fflush(nullptr);
        const pid_t child = ::fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            sys::FaultPlan plan;
            plan.failAt = c.at;
            plan.fault = c.fault;
            plan.tearBytes = c.tearBytes;
            sys::ArmFaults armed(plan);
            try {
                BinaryFile f(p, OpenMode::Create);
                f.writeAll("abcdef", 6);
                f.writeAt(8, "XYZ", 3);
                f.close();
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const std::string what = std::string(c.fault == sys::Fault::Kill ? "kill" : "tear") + " at call " +
                                 std::to_string(c.at) + ", " + std::to_string(c.tearBytes) + " bytes";
        ASSERT_TRUE(WIFEXITED(status)) << what;
        EXPECT_EQ(WEXITSTATUS(status), sys::kStoppedStatus) << what;
        if (!c.left)
            EXPECT_FALSE(fs::exists(p)) << what;
        else
            EXPECT_EQ(test::readText(p), *c.left) << what;
    }
}

TEST(SystemCalls, ArmingNestsAndPutsTheOuterPlanBack) {
    TempDir dir;
    auto write = [&] {
        BinaryFile f(dir.file("a.bin"), OpenMode::Create);
        f.writeAll("abc", 3);
        f.close();
    };
    sys::FaultPlan outer;
    {
        sys::ArmFaults armOuter(outer);
        write();
        {
            sys::FaultPlan inner;
            inner.failAt = 2;
            sys::ArmFaults armInner(inner);
            EXPECT_EQ(sys::armedPlan, &inner);
            EXPECT_THROW(write(), IoError);
            EXPECT_EQ(inner.calls.size(), 3u);
        }
        EXPECT_EQ(sys::armedPlan, &outer);
        EXPECT_EQ(outer.calls.size(), 3u);  // the inner plan's calls are its own
        write();
    }
    EXPECT_EQ(sys::armedPlan, nullptr);
    EXPECT_EQ(outer.calls.size(), 6u);
    EXPECT_EQ(test::readText(dir.file("a.bin")), "abc");
}

TEST(SafeReplace, CommitReplacesTheTargetAtOnce) {
    TempDir dir;
    const std::string target = dir.file("out.sdf");
    test::writeText(target, "old contents");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    {
        SafeReplace r(target);
        EXPECT_EQ(r.tempPath().parent_path(), dir.path());
        EXPECT_EQ(test::readText(r.tempPath().string()), "");
        test::writeText(r.tempPath().string(), "new");
        EXPECT_EQ(test::readText(target), "old contents");  // untouched until commit
        r.commit();
    }
    EXPECT_EQ(test::readText(target), "new");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"out.sdf"});
}

TEST(SafeReplace, AbandonOrFailureKeepsTheTarget) {
    TempDir dir;
    const std::string target = dir.file("out.sdf");
    test::writeText(target, "keep me");
    {
        SafeReplace a(target), b(target);
        EXPECT_NE(a.tempPath(), b.tempPath());
        test::writeText(a.tempPath().string(), "partial");
        a.abandon();
        EXPECT_FALSE(fs::exists(a.tempPath()));
        test::writeText(b.tempPath().string(), "partial");
    }  // b destroyed without commit
    EXPECT_EQ(test::readText(target), "keep me");
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"out.sdf"});

    // A rename that cannot happen (the target is a folder that is not empty).
    const std::string folder = dir.file("sub");
    fs::create_directories(folder + "/x");
    {
        SafeReplace r(folder);
        EXPECT_THROW(r.commit(), IoError);
    }
    EXPECT_TRUE(fs::is_directory(folder + "/x"));
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"out.sdf", "sub"}));
}

TEST(SafeReplace, LinksStayLinksAndTheFileTheyNameIsReplaced) {
    TempDir dir;
    fs::create_directories(dir.path() / "data");
    const std::string real = dir.file("data/real.sdf");
    test::writeText(real, "old contents");
    const std::string link = dir.file("link.sdf");
    const std::string chain = dir.file("chain.sdf");
    fs::create_symlink("data/real.sdf", link);  // relative to the link's folder
    fs::create_symlink(link, chain);
    {
        SafeReplace r(chain);
        EXPECT_EQ(r.tempPath().parent_path(), dir.path() / "data");  // beside the real file
        test::writeText(r.tempPath().string(), "new");
        r.commit();
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_TRUE(fs::is_symlink(chain));
    EXPECT_EQ(fs::read_symlink(link), fs::path("data/real.sdf"));
    EXPECT_EQ(test::readText(real), "new");
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"chain.sdf", "data", "link.sdf"}));
    EXPECT_EQ(namesIn(dir.path() / "data"), std::set<std::string>{"real.sdf"});

    // A hard link keeps sharing the file, longer or shorter than before.
    const std::string other = dir.file("other.sdf");
    fs::create_hard_link(real, other);
    for (const std::string text : {"a longer content than before", "x"}) {
        {
            SafeReplace r(other);
            test::writeText(r.tempPath().string(), text);
            EXPECT_EQ(test::readText(real), text == "x" ? "a longer content than before" : "new");
            r.commit();
        }
        EXPECT_EQ(fs::hard_link_count(real), 2u);
        EXPECT_TRUE(fs::equivalent(real, other));
        EXPECT_EQ(test::readText(real), text);
        EXPECT_EQ(test::readText(other), text);
    }
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"chain.sdf", "data", "link.sdf", "other.sdf"}));
    EXPECT_EQ(namesIn(dir.path() / "data"), std::set<std::string>{"real.sdf"});
}

TEST(SafeReplace, UnwritableFolderIsReported) {
    TempDir dir;
    test::RunUnprivileged(dir.path(), [&] {
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(SafeReplace(dir.file("out.sdf")), IoError);
    });
}
