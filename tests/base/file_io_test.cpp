#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cstring>
#include <functional>
#include <optional>
#include <set>

#include "base/binary_file.h"
#include "base/buffered_append.h"
#include "base/errors.h"
#include "base/ini_file.h"
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

// Three calls through the seam: open, write, close.
static void writeThreeBytes(const std::string& path) {
    BinaryFile f(path, OpenMode::Create);
    f.writeAll("abc", 3);
    f.close();
}

TEST(SystemCalls, AnArmedPlanCountsTheCallsAndFailsTheChosenOne) {
    TempDir dir;
    auto write = [&] { writeThreeBytes(dir.file("a.bin")); };
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
    auto write = [&] { writeThreeBytes(dir.file("a.bin")); };
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

namespace {

// An INI text of `keys` lines, the reader the program opens such files with.
std::string iniText(int keys, const std::string& value) {
    std::string s = "[Table]\r\n";
    for (int k = 0; k < keys; ++k) s += "Key" + std::to_string(k) + "=" + value + "\r\n";
    return s;
}

// Empties the folder and writes `text` into p.tfp, with q.tfp a second name of it.
void hardLinkedPair(const TempDir& dir, const std::string& text) {
    for (const auto& e : fs::directory_iterator(dir.path())) fs::remove(e.path());
    test::writeText(dir.file("p.tfp"), text);
    fs::create_hard_link(dir.file("p.tfp"), dir.file("q.tfp"));
}

// Runs `job` in a forked child that `plan` stops; the child's wait status.
int stoppedAt(sys::FaultPlan plan, const std::function<void()>& job) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        {
            sys::ArmFaults armed(plan);
            try {
                job();
            } catch (...) {
                ::_exit(2);
            }
        }
        ::_exit(0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return status;
}

}  // namespace

// A hard-linked text file replaced in place, the process stopped before each
// call of the job (a kill) and in each of its writes (torn: half landed):
// the file holds its old or its new content, or begins with a NUL byte that
// every reader refuses, and then the copies named hold the old and the new
// content. The next replace of the file removes what the stopped one left,
// except the copies beside a damaged file and any file a live job holds.
TEST(SafeReplace, AHardLinkedFileStoppedAnywhereIsOldNewOrRefusedWithItsCopiesNamed) {
    const std::string old = iniText(40, "old value");
    struct Case {
        std::string to;
    };
    const Case cases[] = {{iniText(60, "a longer new value")}, {iniText(3, "short")}};
    for (const Case& c : cases) {
        TempDir dir;
        const std::string target = dir.file("p.tfp"), second = dir.file("q.tfp");
        auto reset = [&] { hardLinkedPair(dir, old); };
        reset();
        sys::FaultPlan counting;
        {
            sys::ArmFaults armed(counting);
            ReplaceFileContent(target, c.to);
        }
        ASSERT_EQ(test::readText(second), c.to);
        const long long n = static_cast<long long>(counting.calls.size());
        for (long long at = 1; at <= n; ++at) {
            const sys::Call call = counting.calls[static_cast<std::size_t>(at - 1)].call;
            for (sys::Fault fault : {sys::Fault::Kill, sys::Fault::Tear}) {
                const bool writes = call == sys::Call::Write || call == sys::Call::Pwrite;
                if (fault == sys::Fault::Tear && !writes) continue;
                const std::string where = std::string(fault == sys::Fault::Kill ? "killed before" : "torn at") +
                                          " call " + std::to_string(at) + " of " + std::to_string(n) + ", " +
                                          std::to_string(c.to.size()) + " bytes";
                reset();
                sys::FaultPlan plan;
                plan.failAt = at;
                plan.fault = fault;
                const int status = stoppedAt(plan, [&] { ReplaceFileContent(target, c.to); });
                ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == sys::kStoppedStatus) << where;
                ASSERT_TRUE(fs::equivalent(target, second)) << where;
                const std::string now = test::readText(target);
                std::set<std::string> kept;
                if (now == old || now == c.to) {
                    EXPECT_NO_THROW(IniFile{target}) << where;
                } else {
                    EXPECT_EQ(now.substr(0, 1), std::string(1, '\0')) << where;
                    const std::vector<LeftoverCopy> copies = LeftoverCopies(target);
                    std::string message;
                    try {
                        IniFile{target};
                    } catch (const FormatError& e) {
                        message = e.what();
                    }
                    EXPECT_NE(message, "") << where << ": the reader accepted the damaged file";
                    std::set<std::string> held;
                    for (const LeftoverCopy& copy : copies) {
                        EXPECT_NE(message.find(copy.path.string()), std::string::npos) << where << "\n" << message;
                        EXPECT_EQ(test::readText(copy.path.string()), copy.newContent ? c.to : old) << where;
                        held.insert(copy.newContent ? "new" : "old");
                        kept.insert(copy.path.filename().string());
                    }
                    EXPECT_EQ(held, (std::set<std::string>{"new", "old"})) << where;
                }
                // The next replace, beside a job still at work on the file.
                SafeReplace live(target);
                ReplaceFileContent(target, iniText(2, "next"));
                EXPECT_EQ(test::readText(second), iniText(2, "next")) << where;
                kept.insert({"p.tfp", "q.tfp", live.tempPath().filename().string()});
                EXPECT_EQ(namesIn(dir.path()), kept) << where;
            }
        }
    }
}

// A replace in place that fails says the file is damaged only when it is:
// when it holds its old content the message says so and names the step.
TEST(SafeReplace, AFailedReplaceInPlaceSaysWhatTheFileHolds) {
    TempDir dir;
    const std::string target = dir.file("p.tfp"), second = dir.file("q.tfp");
    const std::string old = iniText(40, "old value"), to = iniText(50, "new value");
    auto reset = [&] { hardLinkedPair(dir, old); };
    reset();
    sys::FaultPlan counting;
    {
        sys::ArmFaults armed(counting);
        ReplaceFileContent(target, to);
    }
    const long long n = static_cast<long long>(counting.calls.size());
    for (long long at = static_cast<long long>(counting.commitsAt.back()) + 1; at <= n; ++at) {
        for (bool persistent : {false, true}) {
            reset();
            sys::FaultPlan plan;
            plan.failAt = at;
            plan.persistent = persistent;
            plan.error = ENOSPC;
            std::string message;
            {
                sys::ArmFaults armed(plan);
                try {
                    ReplaceFileContent(target, to);
                } catch (const IoError& e) {
                    message = e.what();
                }
            }
            const std::string now = test::readText(target);
            const std::string where = "call " + std::to_string(at) + (persistent ? " and every later call" : "") +
                                      "\n" + message;
            if (message.empty()) {
                EXPECT_EQ(now, to) << where;
                continue;
            }
            EXPECT_NE(message.find(target), std::string::npos) << where;
            EXPECT_NE(message.find(std::strerror(ENOSPC)), std::string::npos) << where;
            const bool damaged = message.find("壊れています") != std::string::npos;
            if (now == old) {
                EXPECT_FALSE(damaged) << where;
                EXPECT_NE(message.find("元のまま"), std::string::npos) << where;
                EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"p.tfp", "q.tfp"})) << where;
            } else if (now != to) {
                EXPECT_TRUE(damaged) << where;
            }
        }
    }
}

// A new file gets the permissions the umask gives; a replaced one keeps its own.
TEST(SafeReplace, ANewFileTakesThePermissionsOfTheUmask) {
    TempDir dir;
    struct Case {
        mode_t umask, mode;
    };
    for (const Case c : {Case{077, 0600}, Case{022, 0644}, Case{002, 0664}, Case{027, 0640}}) {
        const std::string target = dir.file("new-" + std::to_string(c.umask) + ".sdf");
        const mode_t before = ::umask(c.umask);
        ReplaceFileContent(target, "new");
        ::umask(c.umask == 077 ? 022 : 077);
        ReplaceFileContent(target, "again");  // under another umask: kept
        ::umask(before);
        EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, static_cast<fs::perms>(c.mode))
            << "umask " << std::oct << c.umask;
    }
}

// A file of the user's that only looks like a copy a replace left (a copy
// of the target kept as "<stem>.old-backup<ext>") is no leftover: a
// leftover is always one of a pair, the new and the old content.
TEST(SafeReplace, AUsersFileNamedLikeALoneCopyIsKept) {
    for (const std::string name : {"p.old-backup.tfp", "p.new-backup.tfp"}) {
        TempDir dir;
        const std::string target = dir.file("p.tfp"), mine = dir.file(name);
        test::writeText(target, iniText(3, "old"));
        test::writeText(mine, iniText(3, "old"));
        ReplaceFileContent(target, iniText(3, "new"));
        EXPECT_EQ(test::readText(target), iniText(3, "new")) << name;
        EXPECT_EQ(test::readText(mine), iniText(3, "old")) << name;
    }
}

// A replaced file keeps its owner and group where the writer may give them
// (root replacing a user's file: the user would be shut out of a 0600 file
// that root came to own), and its mode.
TEST(SafeReplace, AReplacedFileKeepsItsOwner) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    constexpr uid_t kNobody = 65534;
    TempDir dir;
    const std::string target = dir.file("out.sdf");
    test::writeText(target, "old");
    ASSERT_EQ(::chown(target.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(target.c_str(), 02600), 0);
    ReplaceFileContent(target, "new");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(test::readText(target), "new");
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, static_cast<gid_t>(kNobody));
    EXPECT_EQ(st.st_mode & 07777, 02600u);
}

// The copies a replace cut short left are named also when the damaged file
// is opened under another of its names in the folder (a second hard link).
TEST(SafeReplace, TheCopiesAreNamedUnderEveryNameOfTheDamagedFile) {
    TempDir dir;
    const std::string target = dir.file("p.tfp"), second = dir.file("q.tfp");
    const std::string old = iniText(40, "old value"), to = iniText(50, "new value");
    hardLinkedPair(dir, old);
    sys::FaultPlan counting;
    {
        sys::ArmFaults armed(counting);
        ReplaceFileContent(target, to);
    }
    ReplaceFileContent(target, old);
    // Stopped after the write that clears the file's first byte.
    std::size_t cleared = 0;
    while (cleared < counting.calls.size() &&
           !(counting.calls[cleared].call == sys::Call::Pwrite && counting.calls[cleared].path == target))
        ++cleared;
    ASSERT_LT(cleared, counting.calls.size());
    sys::FaultPlan plan;
    plan.failAt = static_cast<long long>(cleared) + 2;
    plan.fault = sys::Fault::Kill;
    const int status = stoppedAt(plan, [&] { ReplaceFileContent(target, to); });
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == sys::kStoppedStatus);
    ASSERT_EQ(test::readText(second).substr(0, 1), std::string(1, '\0'));
    const std::vector<LeftoverCopy> copies = LeftoverCopies(target);
    ASSERT_EQ(copies.size(), 2u);
    const std::string note = LeftoverCopiesNote(second);
    for (const LeftoverCopy& c : copies) EXPECT_NE(note.find(c.path.string()), std::string::npos) << note;
}
