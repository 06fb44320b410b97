#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <cstring>
#include <functional>
#include <optional>
#include <set>

#include "base/binary_file.h"
#include "base/buffered_append.h"
#include "base/errors.h"
#include "base/ini_file.h"
#include "base/safe_write/lock_wait.h"
#include "base/safe_write/read_opening.h"
#include "base/safe_write/safe_replace.h"
#include "support/fault_plan.h"
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

// A power cut takes back what was not synced: the sectors a file was
// written in since its last sync (each as drawn), a size changed since, and
// the names made, renamed or removed in a folder not synced since.
TEST(SystemCalls, APowerCutLosesWhatWasNotSynced) {
    struct Case {
        const char* what;
        std::function<void(const TempDir&)> job;  // then one more call, where the power goes
        std::set<std::string> left;               // every draw
        std::set<std::string> contents;           // of a.bin, over the draws ("-" when gone)
    };
    auto writeAt = [](const std::string& p, off_t at, const std::string& text, bool sync) {
        const int fd = sys::open(p.c_str(), O_RDWR | O_CREAT, 0600);
        sys::pwrite(fd, text.data(), text.size(), at);
        if (sync) sys::fsync(fd);
        sys::close(fd);
    };
    auto syncFolder = [](const TempDir& d) {
        const int fd = sys::open(d.path().c_str(), O_RDONLY | O_DIRECTORY);
        sys::fsync(fd);
        sys::close(fd);
    };
    const std::string sector(512, 's');
    const Case cases[] = {
        {"a new file, its folder not synced", [&](const TempDir& d) { writeAt(d.file("n.bin"), 0, "new", true); },
         {"a.bin"}, {sector + "tail"}},
        {"a write not synced", [&](const TempDir& d) { writeAt(d.file("a.bin"), 0, "X", false); },
         {"a.bin"}, {sector + "tail", "X" + sector.substr(1) + "tail"}},
        {"a write synced", [&](const TempDir& d) { writeAt(d.file("a.bin"), 514, "Y", true); },
         {"a.bin"}, {sector + "taYl"}},
        {"a file grown, not synced", [&](const TempDir& d) { writeAt(d.file("a.bin"), 516, "more", false); },
         {"a.bin"}, {sector + "tail", sector + "tailmore", sector + "tail" + std::string(4, '\0')}},
        {"a rename over it, its folder not synced",
         [&](const TempDir& d) {
             writeAt(d.file("b.bin"), 0, "b", true);
             syncFolder(d);
             sys::rename(d.file("b.bin").c_str(), d.file("a.bin").c_str());
         },
         {"a.bin", "b.bin"}, {sector + "tail"}},
        {"a rename over it, its folder synced",
         [&](const TempDir& d) {
             writeAt(d.file("b.bin"), 0, "b", true);
             sys::rename(d.file("b.bin").c_str(), d.file("a.bin").c_str());
             syncFolder(d);
         },
         {"a.bin"}, {"b"}},
        {"its removal, not synced", [&](const TempDir& d) { sys::unlink(d.file("a.bin").c_str()); }, {"a.bin"},
         {sector + "tail"}},
    };
    for (const Case& c : cases) {
        std::set<std::string> contents;
        for (unsigned seed = 1; seed <= 8; ++seed) {
            TempDir dir;
            test::writeText(dir.file("a.bin"), sector + "tail");
            std::fflush(nullptr);
            const pid_t child = ::fork();
            ASSERT_NE(child, -1);
            if (child == 0) {
                sys::FaultPlan plan;
                plan.fault = sys::Fault::PowerCut;
                plan.failAt = 1'000'000;
                plan.seed = seed;
                sys::ArmFaults armed(plan);
                c.job(dir);
                plan.failAt = static_cast<long long>(plan.calls.size()) + 1;
                sys::fsync(-1);
                ::_exit(0);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == sys::kStoppedStatus) << c.what;
            EXPECT_EQ(namesIn(dir.path()), c.left) << c.what << ", draw " << seed;
            contents.insert(fs::exists(dir.file("a.bin")) ? test::readText(dir.file("a.bin")) : "-");
        }
        EXPECT_EQ(contents, c.contents) << c.what;
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
        // Committed, it holds the file no longer: the next writer goes on.
        ReplaceFileContent(target, "next");
        test::writeText(target, "new");
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

// A file rewritten in place (it has a second hard link), the process
// stopped before each call of the job (a kill), in each of its writes
// (torn: half landed) and by a power cut at each call (a few draws of what
// the disk lost): opened under either name, the file reads as its old or its
// new content, put right by its reader where the rewrite was cut short. The
// next replace removes what the stopped one left, and nothing a live job holds.
TEST(SafeReplace, AFileRewrittenInPlaceStoppedAnywhereReadsOldOrNew) {
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
        struct Stop {
            sys::Fault fault;
            unsigned seed;
        };
        for (long long at = 1; at <= n; ++at) {
            const sys::Call call = counting.calls[static_cast<std::size_t>(at - 1)].call;
            for (Stop stop : {Stop{sys::Fault::Kill, 0}, Stop{sys::Fault::Tear, 0}, Stop{sys::Fault::PowerCut, 1},
                              Stop{sys::Fault::PowerCut, 2}, Stop{sys::Fault::PowerCut, 3}}) {
                const bool writes = call == sys::Call::Write || call == sys::Call::Pwrite;
                if (stop.fault == sys::Fault::Tear && !writes) continue;
                const std::string where =
                    std::string(stop.fault == sys::Fault::Kill   ? "killed before"
                                : stop.fault == sys::Fault::Tear ? "torn at"
                                                                 : "power cut (draw " + std::to_string(stop.seed) +
                                                                       ") before") +
                    " call " + std::to_string(at) + " of " + std::to_string(n) + ", " + std::to_string(c.to.size()) +
                    " bytes";
                reset();
                sys::FaultPlan plan;
                plan.failAt = at;
                plan.fault = stop.fault;
                plan.seed = stop.seed;
                const int status = stoppedAt(plan, [&] { ReplaceFileContent(target, c.to); });
                ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == sys::kStoppedStatus) << where;
                ASSERT_TRUE(fs::equivalent(target, second)) << where;
                EXPECT_NO_THROW(IniFile{at % 2 ? second : target}) << where;
                const std::string now = test::readText(target);
                EXPECT_TRUE(now == old || now == c.to) << where << ": " << now.size() << " bytes";
                // The next replace, beside a job still at work on the file.
                SafeReplace live(target);
                ReplaceFileContent(target, iniText(2, "next"));
                EXPECT_EQ(test::readText(second), iniText(2, "next")) << where;
                EXPECT_EQ(namesIn(dir.path()),
                          (std::set<std::string>{"p.tfp", "q.tfp", live.tempPath().filename().string()}))
                    << where;
            }
        }
    }
}

// A rewrite in place that fails says the file is as it was only when every
// write and sync of its undo succeeded; otherwise it says the old content
// could not be confirmed on disk, keeps the journal and the new content and
// names them, and the file's next opening reads its old content or its new
// one whole, never a mixture.
TEST(SafeReplace, AFailedReplaceInPlaceSaysWhatTheDiskHolds) {
    TempDir dir;
    const std::string target = dir.file("p.tfp"), second = dir.file("q.tfp");
    const std::string old = iniText(40, "old value"), to = iniText(50, "new value");
    auto reset = [&] { hardLinkedPair(dir, old); };
    auto run = [&](sys::FaultPlan& plan) {
        reset();
        sys::ArmFaults armed(plan);
        try {
            ReplaceFileContent(target, to);
        } catch (const IoError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    // `deviceGone`: every call fails from the failing one on, renames too.
    auto check = [&](const std::string& message, const std::string& where, bool deviceGone = false) {
        if (message.empty()) {
            EXPECT_EQ(test::readText(target), to) << where;
            return;
        }
        EXPECT_NE(message.find(target), std::string::npos) << where;
        EXPECT_NE(message.find(std::strerror(ENOSPC)), std::string::npos) << where;
        if (message.find("元のまま") != std::string::npos) {
            EXPECT_EQ(test::readText(target), old) << where;
            EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"p.tfp", "q.tfp"})) << where;
            return;
        }
        EXPECT_NE(message.find("確かめられません"), std::string::npos) << where;
        // Every file the rewrite kept is named, the new content among them
        // where the device still renames; no temporary file the next write
        // removes is named.
        EXPECT_EQ(message.find(".tmp"), std::string::npos) << where;
        std::string newKept;
        for (const std::string& name : namesIn(dir.path())) {
            // The journal's hidden second name of the file is no other file.
            if (name == "p.tfp" || name == "q.tfp" || fs::equivalent(dir.file(name), target)) continue;
            EXPECT_NE(message.find(dir.file(name)), std::string::npos) << where << ": " << name;
            if (test::readText(dir.file(name)) == to) newKept = dir.file(name);
        }
        EXPECT_NO_THROW(IniFile{second}) << where;
        // The new content stays for the user, whatever is written next: under
        // a name no clean-up takes.
        if (deviceGone) return;
        ASSERT_NE(newKept, "") << where;
        EXPECT_EQ(fs::path(newKept).filename().string().substr(0, 6), "p.new-") << where;
        SafeReplace(target).abandon();
        EXPECT_EQ(test::readText(newKept), to) << where;
        const std::string now = test::readText(target);
        EXPECT_TRUE(now == old || now == to) << where << "\nreads: " << now;
    };
    sys::FaultPlan counting;
    run(counting);
    const long long n = static_cast<long long>(counting.calls.size());
    for (long long at = static_cast<long long>(counting.commitsAt.back()) + 1; at <= n; ++at) {
        for (bool persistent : {false, true}) {
            sys::FaultPlan plan;
            plan.failAt = at;
            plan.persistent = persistent;
            plan.error = ENOSPC;
            const std::string message = run(plan);
            check(message, "call " + std::to_string(at) + (persistent ? " and every later call" : "") + "\n" + message,
                  persistent);
        }
    }
    // The first write of the copy fails, and then one step of its undo.
    long long copy = 0;
    for (long long i = 1, writes = 0; i <= n && !copy; ++i) {
        const sys::FaultPlan::Record& r = counting.calls[static_cast<std::size_t>(i - 1)];
        if (r.call == sys::Call::Pwrite && r.path == target && ++writes == 2) copy = i;
    }
    ASSERT_GT(copy, 0);
    sys::FaultPlan failing;
    failing.failAt = copy;
    failing.error = ENOSPC;
    ASSERT_NE(run(failing).find("元のまま"), std::string::npos);
    int undoSteps = 0;
    for (long long u = copy + 1; u <= static_cast<long long>(failing.calls.size()); ++u) {
        const sys::FaultPlan::Record& r = failing.calls[static_cast<std::size_t>(u - 1)];
        if (r.path != target || (r.call != sys::Call::Pwrite && r.call != sys::Call::Fsync)) continue;
        ++undoSteps;
        sys::FaultPlan plan;
        plan.failAt = copy;
        plan.alsoFailAt = {u};
        plan.error = ENOSPC;
        const std::string message = run(plan);
        EXPECT_EQ(message.find("元のまま"), std::string::npos) << "undo call " << u << "\n" << message;
        check(message, "the copy, then undo call " + std::to_string(u) + "\n" + message);
    }
    EXPECT_GE(undoSteps, 4);
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

// Files of the user's named like those the program makes beside a file (its
// temporary files and journals) or like the copies older versions made are
// the user's: no replace removes them, plain or in place, finished,
// abandoned or killed, and no message names them as holding the file's
// content.
TEST(SafeReplace, TheUsersFilesNamedLikeTheProgramsOwnAreKept) {
    const std::vector<std::string> lookAlikes = {".p.tfp.ABCDEF.tmp", ".p.tfp.XXXXXX.tmp", ".p.tfp.ABCDEF.jnl",
                                                 "p.old-backup.tfp",  "p.new-backup.tfp",  "p.new-2024v1.tfp",
                                                 "p.old-2024v1.tfp"};
    for (bool linked : {false, true}) {
        TempDir dir;
        const std::string target = dir.file("p.tfp");
        hardLinkedPair(dir, iniText(3, "old"));
        if (!linked) fs::remove(dir.file("q.tfp"));
        for (std::size_t i = 0; i < lookAlikes.size(); ++i)
            test::writeText(dir.file(lookAlikes[i]), i % 2 ? iniText(3, "old") : "the user's " + lookAlikes[i]);
        const std::set<std::string> all = namesIn(dir.path());
        ReplaceFileContent(target, iniText(3, "new"));
        SafeReplace(target).abandon();
        sys::FaultPlan kill;
        kill.failAt = 4;
        kill.fault = sys::Fault::Kill;
        ASSERT_EQ(WEXITSTATUS(stoppedAt(kill, [&] { ReplaceFileContent(target, iniText(3, "killed")); })),
                  sys::kStoppedStatus);
        ReplaceFileContent(target, iniText(3, "after"));
        EXPECT_EQ(test::readText(target), iniText(3, "after"));
        EXPECT_EQ(namesIn(dir.path()), all) << (linked ? "linked" : "plain");
        for (std::size_t i = 0; i < lookAlikes.size(); ++i)
            EXPECT_EQ(test::readText(dir.file(lookAlikes[i])), i % 2 ? iniText(3, "old") : "the user's " + lookAlikes[i]);
        // A file cut short beside them: none is taken for its old content,
        // and no head is written over it as though the rest were whole.
        test::writeText(target, std::string(1, '\0') + iniText(3, "cut"));
        EXPECT_FALSE(RollBackCutRewrite(target));
        EXPECT_EQ(CutRewriteNote(target), "");
        EXPECT_THROW(RewriteFileHead(target, "[T"), IoError);
        EXPECT_EQ(test::readText(target), std::string(1, '\0') + iniText(3, "cut"));
        EXPECT_EQ(namesIn(dir.path()), all);
    }
}

// A journal puts back only the file it was written for: moved aside under
// another name, that file is still put back; another file put under its old
// name, or given its freed inode, is not touched.
TEST(SafeReplace, AJournalPutsBackOnlyItsOwnFile) {
    TempDir dir;
    const std::string target = dir.file("p.tfp"), moved = dir.file("p.broken");
    const std::string old = iniText(40, "old"), cut = std::string(1, '\0') + iniText(3, "the user's");
    hardLinkedPair(dir, old);
    sys::FaultPlan counting;
    {
        sys::ArmFaults armed(counting);
        ReplaceFileContent(target, iniText(50, "new"));
    }
    hardLinkedPair(dir, old);
    std::size_t cleared = 0;
    while (!(counting.calls[cleared].call == sys::Call::Pwrite && counting.calls[cleared].path == target)) ++cleared;
    sys::FaultPlan kill;
    kill.failAt = static_cast<long long>(cleared) + 3;
    kill.fault = sys::Fault::Kill;
    ASSERT_EQ(WEXITSTATUS(stoppedAt(kill, [&] { ReplaceFileContent(target, iniText(50, "new")); })),
              sys::kStoppedStatus);
    fs::rename(target, moved);
    fs::remove(dir.file("q.tfp"));
    test::writeText(target, cut);  // a file of the user's, also beginning with a NUL
    EXPECT_FALSE(RollBackCutRewrite(target));
    EXPECT_EQ(test::readText(target), cut);
    ReplaceFileContent(target, iniText(2, "written"));  // no journal of its own is spent
    EXPECT_TRUE(RollBackCutRewrite(moved));
    EXPECT_EQ(test::readText(moved), old);
}

// A journal is put back only into the rewrite it was written for, whichever
// name the reader comes by: one left beside a second name of the file in
// another folder (spent there, as a write through the first name cleans
// its own folder) is never taken for a later rewrite's; a copy of a journal
// is neither put back nor removed, and is named as what may hold the old
// content; and the journal of a file cut short, then deleted under every
// name, goes with the next write in its folder.
TEST(SafeReplace, AJournalIsPutBackOnlyIntoTheRewriteItWasWrittenFor) {
    TempDir dir;
    const fs::path a = dir.path() / "a", b = dir.path() / "b";
    fs::create_directory(a);
    fs::create_directory(b);
    const std::string p = (a / "p.tfp").string(), q = (b / "q.tfp").string();
    const std::string v0 = iniText(40, "v0"), v1 = iniText(41, "v1"), v2 = iniText(42, "v2"), v3 = iniText(43, "v3");
    // Stops a replace of `name` with the file cut short: its first byte
    // cleared, its journal whole.
    auto cut = [&](const std::string& name, const std::string& text) {
        ASSERT_EQ(WEXITSTATUS(stoppedAt(sys::StopWithFileCutShort(name), [&] { ReplaceFileContent(name, text); })),
                  sys::kStoppedStatus);
        ASSERT_EQ(test::readText(name).front(), '\0');
    };
    test::writeText(p, v0);
    fs::create_hard_link(p, q);
    cut(q, v1);
    ReplaceFileContent(p, v2);
    ASSERT_EQ(test::readText(q), v2);
    cut(p, v3);
    EXPECT_NO_THROW(IniFile{q});
    EXPECT_EQ(test::readText(p), v2);

    cut(p, v3);
    fs::path journal;
    for (const auto& e : fs::directory_iterator(a))
        if (e.path().extension() == ".jnl") journal = e.path();
    ASSERT_FALSE(journal.empty());
    const fs::path copy = a / ".p.tfp.COPYab.jnl";
    fs::copy_file(journal, copy);
    fs::remove(journal);
    try {
        IniFile{p};
        ADD_FAILURE() << "a copy of a journal was put back";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find(copy.string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::readText(p).front(), '\0');
    ReplaceFileContent(a / "other.tfp", "x");
    EXPECT_TRUE(fs::exists(copy));

    fs::remove(copy);
    ReplaceFileContent(p, v0);
    cut(p, v1);
    fs::remove(p);
    fs::remove(q);
    ReplaceFileContent(a / "other.tfp", "y");
    for (const std::string& name : namesIn(a)) EXPECT_FALSE(name.ends_with(".jnl") || name.ends_with(".lnk")) << name;
}

// A replaced file keeps its owner, group and mode, and its extended
// attributes (ACLs among them): a rename does so where the writer may give
// the new file all of them (root replacing a user's file: the user would be
// shut out of a 0600 file root came to own), and where it may not (a group
// member replacing a colleague's file in a shared folder) the file is
// rewritten in place and stays the one it was.
TEST(SafeReplace, AReplacedFileKeepsItsOwnerAndAttributes) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    constexpr uid_t kNobody = 65534;
    struct Case {
        const char* what;
        uid_t owner, writer;
        mode_t folderMode, fileMode;
        bool xattr;
    };
    const Case cases[] = {{"root over nobody's file", kNobody, 0, 0755, 02600, false},
                          {"a group member over root's file in a shared folder", 0, kNobody, 0775, 0664, false},
                          {"the owner over a file with an extended attribute", 0, 0, 0755, 0644, true}};
    for (const Case& c : cases) {
        TempDir dir;
        const std::string target = dir.file("out.sdf");
        test::writeText(target, "old");
        ASSERT_EQ(::chown(dir.path().c_str(), 0, kNobody), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), c.folderMode), 0);
        ASSERT_EQ(::chown(target.c_str(), c.owner, kNobody), 0);
        ASSERT_EQ(::chmod(target.c_str(), c.fileMode), 0);
        if (c.xattr && ::setxattr(target.c_str(), "user.station", "03", 2, 0) != 0)
            GTEST_SKIP() << "no extended attributes here";
        struct stat before {};
        ASSERT_EQ(::stat(target.c_str(), &before), 0);
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            if (c.writer != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(c.writer) != 0))
                ::_exit(3);
            try {
                ReplaceFileContent(target, "new");
            } catch (const IoError& e) {
                std::fprintf(stderr, "%s\n", e.what());
                ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_EQ(status, 0) << c.what;
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(test::readText(target), "new") << c.what;
        EXPECT_EQ(st.st_uid, c.owner) << c.what;
        EXPECT_EQ(st.st_gid, kNobody) << c.what;
        EXPECT_EQ(st.st_mode & 07777, c.fileMode) << c.what;
        if (c.writer != 0) {
            EXPECT_EQ(st.st_ino, before.st_ino) << c.what;
        }
        char value[8] = {};
        if (c.xattr) {
            EXPECT_EQ(::getxattr(target.c_str(), "user.station", value, sizeof value), 2) << c.what;
        }
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"out.sdf"}) << c.what;
    }
}

// In a shared folder a group member's rewrite of a colleague's file, cut
// short, is put back when the file's owner next opens it: what the file held
// is kept where whoever may read the file may read it.
TEST(SafeReplace, ARewriteCutShortInASharedFolderIsPutBackByTheOwner) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can act as two users";
    constexpr uid_t kOwner = 1001, kMember = 65534;
    constexpr gid_t kShared = 65534;
    TempDir dir;
    const std::string target = dir.file("p.tfp"), old = iniText(40, "old");
    ASSERT_EQ(::chown(dir.path().c_str(), 0, kShared), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0775), 0);
    auto reset = [&] {
        test::writeText(target, old);
        ASSERT_EQ(::chown(target.c_str(), kOwner, kShared), 0);
        ASSERT_EQ(::chmod(target.c_str(), 0660), 0);
    };
    reset();
    sys::FaultPlan counting;  // a rewrite of its head makes the same calls whoever writes
    {
        sys::ArmFaults armed(counting);
        RewriteFileHead(target, "[Table]\r\nKey0=new");
    }
    reset();
    std::size_t cleared = 0;
    while (!(counting.calls[cleared].call == sys::Call::Pwrite && counting.calls[cleared].path == target)) ++cleared;
    auto as = [](uid_t uid, gid_t gid, const std::function<bool()>& job) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            const gid_t groups[] = {kShared};
            if (::setgroups(1, groups) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(3);
            ::_exit(job() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return status;
    };
    const int writer = as(kMember, kShared, [&] {
        sys::FaultPlan kill;
        kill.failAt = static_cast<long long>(cleared) + 3;
        kill.fault = sys::Fault::Kill;
        sys::ArmFaults armed(kill);
        RewriteFileHead(target, "[Table]\r\nKey0=new");
        return true;
    });
    ASSERT_TRUE(WIFEXITED(writer) && WEXITSTATUS(writer) == sys::kStoppedStatus);
    ASSERT_EQ(test::readText(target)[0], '\0');
    EXPECT_EQ(as(kOwner, kOwner, [&] { return RollBackCutRewrite(target) && test::readText(target) == old; }), 0);
    EXPECT_EQ(test::readText(target), old);
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"p.tfp"});
}

// A name as long as the file system takes (255 bytes, or a little less in
// characters of several bytes) is replaced, plain or in place, and so is its
// head; nothing is left beside it, and a rewrite in place cut short is put
// back when the file is next opened.
TEST(SafeReplace, EveryNameTheFileSystemTakesCanBeWritten) {
    std::string wide;
    while (wide.size() + 3 + 4 <= 255) wide += "観";
    for (const std::string& name : {std::string(246, 'a') + ".tfp", std::string(251, 'b') + ".tfp", wide + ".tfp"}) {
        for (bool linked : {false, true}) {
            TempDir dir;
            const std::string target = dir.file(name);
            test::writeText(target, iniText(3, "old"));
            if (linked) fs::create_hard_link(target, dir.file("q.tfp"));
            const std::set<std::string> names = namesIn(dir.path());
            const std::string what = std::to_string(name.size()) + " bytes" + (linked ? ", linked" : "");
            ASSERT_NO_THROW(ReplaceFileContent(target, iniText(4, "new"))) << what;
            ASSERT_NO_THROW(RewriteFileHead(target, "[Tabl")) << what;
            EXPECT_EQ(test::readText(target), iniText(4, "new")) << what;
            EXPECT_EQ(namesIn(dir.path()), names) << what;
            if (!linked) continue;
            // Stopped once the first byte is cleared and synced.
            sys::FaultPlan counting;
            {
                sys::ArmFaults armed(counting);
                ReplaceFileContent(target, iniText(5, "cut"));
            }
            ReplaceFileContent(target, iniText(4, "new"));
            std::size_t cleared = 0;
            while (!(counting.calls[cleared].call == sys::Call::Pwrite && counting.calls[cleared].path == target))
                ++cleared;
            sys::FaultPlan kill;
            kill.failAt = static_cast<long long>(cleared) + 3;
            kill.fault = sys::Fault::Kill;
            ASSERT_EQ(WEXITSTATUS(stoppedAt(kill, [&] { ReplaceFileContent(target, iniText(5, "cut")); })),
                      sys::kStoppedStatus);
            ASSERT_EQ(test::readText(target)[0], '\0') << what;
            EXPECT_NO_THROW(IniFile{target}) << what;
            EXPECT_EQ(test::readText(target), iniText(4, "new")) << what;
            ReplaceFileContent(target, iniText(4, "new"));
            EXPECT_EQ(namesIn(dir.path()), names) << what;
        }
    }
}

// Two writers of one file, in two processes, rewriting it in place at the
// same moments: each result is one of the two outputs whole.
TEST(SafeReplace, TwoWritersOfOneFileNeverInterleave) {
    TempDir dir;
    const std::string target = dir.file("out.sdf");
    test::writeText(target, "old");
    fs::create_hard_link(target, dir.file("other.sdf"));
    auto output = [](char who, int round) { return std::string(300000, who) + std::to_string(round); };
    constexpr int kRounds = 200;
    int go[2], done[2];
    ASSERT_EQ(::pipe(go), 0);
    ASSERT_EQ(::pipe(done), 0);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        char b = 0;
        for (int round = 0; round < kRounds && ::read(go[0], &b, 1) == 1; ++round) {
            try {
                ReplaceFileContent(target, output('b', round));
            } catch (...) {
                b = 'x';
            }
            if (::write(done[1], &b, 1) != 1) ::_exit(1);
        }
        ::_exit(0);
    }
    int whole = 0;
    for (int round = 0; round < kRounds; ++round) {
        char b = 'g';
        ASSERT_EQ(::write(go[1], &b, 1), 1);
        ReplaceFileContent(target, output('a', round));
        ASSERT_EQ(::read(done[0], &b, 1), 1);
        ASSERT_NE(b, 'x') << "round " << round << ": the other writer failed";
        const std::string now = test::readText(target);
        if (now == output('a', round) || now == output('b', round)) ++whole;
    }
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(whole, kRounds);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"other.sdf", "out.sdf"}));
}

// What stands beside a file cut short, or at a target's name, is believed
// only as far as it is shown: a FIFO named like a journal is never opened
// to wait on (each reader and writer ends, in a child stopped after a few
// seconds otherwise), a second reader of a file another reader is putting
// back waits for it and reads it, and a link put at a target between the
// start of its replace and its commit is not followed into the file it
// names, which has a second name and would be rewritten in place.
TEST(SafeReplace, WhatStandsAtTheFileIsBelievedOnlyAsFarAsItIsShown) {
    TempDir dir;
    const std::string target = dir.file("p.tfp");
    const std::string old = iniText(3, "old"), to = iniText(3, "new");
    auto cutShort = [&] {
        hardLinkedPair(dir, old);
        ASSERT_EQ(WEXITSTATUS(stoppedAt(sys::StopWithFileCutShort(target), [&] { ReplaceFileContent(target, to); })),
                  sys::kStoppedStatus);
    };
    // Exit 0: read whole and as it was; 1: refused; 2: no exception expected.
    auto inChild = [](const std::function<int()>& job, bool holdNothing) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            if (holdNothing) ::close_range(3, ~0u, 0);
            ::alarm(5);
            try {
                ::_exit(job());
            } catch (const BrineError&) {
                ::_exit(1);
            }
        }
        return child;
    };
    auto exitOf = [](pid_t child) {
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
    };

    test::writeText(target, std::string(1, '\0') + old);
    ASSERT_EQ(::mkfifo(dir.file(".p.tfp.Fifo12.jnl").c_str(), 0600), 0);
    EXPECT_EQ(exitOf(inChild([&] { IniFile read{target}; return 2; }, false)), 1);
    EXPECT_EQ(exitOf(inChild([&] { ReplaceFileContent(target, to); return 0; }, false)), 0);
    EXPECT_EQ(test::readText(target), to);

    cutShort();
    ASSERT_EQ(test::readText(target).front(), '\0');
    {
        // The first reader, at its put-back.
        const int first = ::open(target.c_str(), O_RDWR);
        ASSERT_TRUE(LockOrWait(first, Hold::Write, target, Tx::ReaderBusy));
        const pid_t second = inChild([&] { return IniFile{dir.file("q.tfp")}.ReadString("Table", "Key0", "") == "old" ? 0 : 3; }, true);
        ::usleep(300000);
        ASSERT_TRUE(LockOrWait(first, Hold::Rewrite, target, Tx::ReaderBusy));
        EXPECT_EQ(RollBackCutRewrite(target, first), 0);
        ::close(first);
        EXPECT_EQ(exitOf(second), 0);
    }
    EXPECT_EQ(test::readText(target), old);

    const std::string notes = dir.file("notes.txt");
    test::writeText(notes, "the user's notes");
    fs::create_hard_link(notes, dir.file("notes-too.txt"));
    SafeReplace replace(target);
    test::writeText(replace.tempPath(), "NEW CONTENT");
    fs::remove(target);
    fs::create_symlink(notes, target);
    EXPECT_THROW(replace.commit(), IoError);
    EXPECT_EQ(test::readText(notes), "the user's notes");
    EXPECT_TRUE(fs::is_symlink(target));
}

// A new file gets what a file made with mode 0666 gets in its folder, a
// default ACL's group entries among it; a journal of a file there is
// readable by no one the file is not.
TEST(SafeReplace, ANewFileAndAJournalGetWhatTheFolderAndTheFileGive) {
    TempDir dir;
    // u::rwx g::r-x g:4321:rwx m::rwx o::r-x, as the kernel stores it.
    std::string acl;
    auto entry = [&acl](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
        char e[8];
        std::memcpy(e, &tag, 2);
        std::memcpy(e + 2, &perm, 2);
        std::memcpy(e + 4, &id, 4);
        acl.append(e, 8);
    };
    const std::uint32_t version = 2;
    acl.append(reinterpret_cast<const char*>(&version), 4);
    entry(0x01, 7, ~0u);
    entry(0x04, 5, ~0u);
    entry(0x08, 7, 4321);
    entry(0x10, 7, ~0u);
    entry(0x20, 5, ~0u);
    if (::setxattr(dir.path().c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0) != 0)
        GTEST_SKIP() << "no ACLs here";
    auto modeAndAcl = [](const std::string& file) {
        struct stat st {};
        ::stat(file.c_str(), &st);
        std::string value(4096, '\0');
        const ssize_t n = ::getxattr(file.c_str(), "system.posix_acl_access", value.data(), value.size());
        value.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return std::pair{st.st_mode & 07777, value};
    };
    const mode_t mask = ::umask(022);
    const int made = ::open(dir.file("made.tfp").c_str(), O_CREAT | O_WRONLY, 0666);
    ::close(made);
    ReplaceFileContent(dir.file("new.tfp"), iniText(3, "new"));
    ::umask(mask);
    EXPECT_EQ(modeAndAcl(dir.file("new.tfp")), modeAndAcl(dir.file("made.tfp")));

    const std::string target = dir.file("p.tfp");
    ::umask(027);
    test::writeText(target, iniText(3, "old"));
    ::umask(mask);
    ::removexattr(target.c_str(), "system.posix_acl_access");
    ::chmod(target.c_str(), 0640);
    fs::create_hard_link(target, dir.file("q.tfp"));
    ASSERT_EQ(WEXITSTATUS(stoppedAt(sys::StopWithFileCutShort(target),
                                    [&] { ReplaceFileContent(target, iniText(3, "new")); })),
              sys::kStoppedStatus);
    std::string journal;
    for (const std::string& name : namesIn(dir.path()))
        if (name.ends_with(".jnl")) journal = dir.file(name);
    ASSERT_NE(journal, "");
    EXPECT_EQ(modeAndAcl(journal), modeAndAcl(target));
}
