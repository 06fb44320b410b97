// Every writer of the program tried against a failure at each of its I/O
// calls: a clean run counts the calls, then each call in turn fails once,
// and again for good (a device gone bad). After each run every file of the
// folder is as it was before or as the clean run left it (never a mixture),
// or named by a message; the user was told of the failure and not of a
// success; the model is as before or as after the clean run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "base/errors.h"
#include "base/sys_calls.h"
#include "converters/converter_fixtures.h"
#include "core/current_file.h"
#include "core/sdf_builder.h"
#include "platform/api/scripted.h"
#include "support/temp_dir.h"
#include "tools/extract_data.h"
#include "tools/extract_sources.h"

namespace brine {
namespace {

namespace fs = std::filesystem;
using sys::FaultPlan;

// What one run of a writer has at hand.
struct Run {
    fs::path dir;
    CurrentFile model;
    ScriptedPrompter prompter;
    ScriptedProgress progress;
    std::string file(const std::string& name) const { return (dir / name).string(); }
};

struct Writer {
    std::string name;
    std::function<void(Run&)> setup;  // the inputs and the file to be replaced
    std::function<void(Run&)> job;    // the writer, as its command runs it
    std::vector<std::string> success;  // texts shown only when the job succeeded
    // Names that must stay one file (hard links).
    std::vector<std::pair<std::string, std::string>> linked;
    std::function<std::string(Run&)> state = [](Run& r) { return test::modelState(r.model); };
};

// Every entry of the folder: its bytes, or where a link points.
using Snapshot = std::map<std::string, std::string>;

Snapshot snapshot(const fs::path& dir) {
    Snapshot s;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (fs::is_symlink(e.symlink_status()))
            s[name] = "link to " + fs::read_symlink(e.path()).string();
        else
            s[name] = test::readText(e.path().string());
    }
    return s;
}

struct Outcome {
    Snapshot files;
    std::vector<ScriptedPrompter::Shown> shown;
    std::string state;
    bool linksKept = true;
};

void clearFolder(const fs::path& dir) {
    for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
}

// Runs the writer from a fresh folder. `plan` counts (and fails) its calls.
Outcome runOnce(const Writer& w, const fs::path& dir, FaultPlan* plan, Outcome* before) {
    clearFolder(dir);
    Run r;
    r.dir = dir;
    r.model.prompter = &r.prompter;
    r.model.progress = &r.progress;
    w.setup(r);
    if (before) {
        before->files = snapshot(dir);
        before->state = w.state(r);
    }
    {
        std::optional<sys::ArmFaults> armed;
        if (plan) armed.emplace(*plan);
        try {
            w.job(r);
        } catch (const BrineError& e) {
            // As every window's handler does.
            r.prompter.error(e.what());
        }
    }
    Outcome o{snapshot(dir), r.prompter.shown, w.state(r)};
    for (const auto& [a, b] : w.linked) {
        std::error_code ec;
        o.linksKept = o.linksKept && fs::equivalent(dir / a, dir / b, ec);
    }
    return o;
}

std::string texts(const std::vector<ScriptedPrompter::Shown>& shown) {
    std::string s;
    for (const auto& m : shown) s += "[" + std::to_string(static_cast<int>(m.type)) + "] " + m.text + "\n";
    return s;
}

bool sameMessages(const std::vector<ScriptedPrompter::Shown>& a, const std::vector<ScriptedPrompter::Shown>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const auto& x, const auto& y) {
               return x.type == y.type && x.text == y.text;
           });
}

// The calls made to fail: all of them when few; else the first ten, the last
// ten, every call of the final commit and an even sample between.
std::vector<long long> failurePoints(long long n, long long commitStart) {
    std::set<long long> p;
    if (n <= 80) {
        for (long long i = 1; i <= n; ++i) p.insert(i);
    } else {
        for (long long i = 1; i <= 10; ++i) p.insert(i);
        for (long long i = n - 9; i <= n; ++i) p.insert(i);
        for (long long i = commitStart + 1; i <= n; ++i) p.insert(i);
        for (long long k = 1; k < 40; ++k) p.insert(10 + (n - 20) * k / 40);
    }
    return {p.begin(), p.end()};
}

const char* callName(sys::Call c) {
    static const char* const names[] = {"open", "write", "pwrite", "fsync", "fallocate", "ftruncate", "rename", "close"};
    return names[static_cast<int>(c)];
}

// A copy kept under another name: the old or the new content of some file.
bool holdsSomeContent(const std::string& bytes, const Outcome& before, const Outcome& clean) {
    for (const Snapshot* s : {&before.files, &clean.files})
        for (const auto& [name, b] : *s)
            if (b == bytes) return true;
    return false;
}

bool opensAsValid(const fs::path& p) {
    ScriptedPrompter quiet;
    quiet.answer(MsgResult::No);
    CurrentFile m;
    m.prompter = &quiet;
    try {
        return m.ReadHeader(p.string());
    } catch (const BrineError&) {
        return false;
    }
}

class WriteFailure : public ::testing::TestWithParam<Writer> {};

TEST_P(WriteFailure, EveryCallFailedInTurnLeavesOldOrNewNeverAMixture) {
    const Writer& w = GetParam();
    test::TempDir dir;
    Outcome before;
    FaultPlan counting;
    const Outcome clean = runOnce(w, dir.path(), &counting, &before);
    ASSERT_NE(clean.files, before.files) << w.name << ": the clean run wrote nothing\n" << texts(clean.shown);
    for (const std::string& text : w.success)
        ASSERT_TRUE(std::any_of(clean.shown.begin(), clean.shown.end(), [&](const auto& m) { return m.text == text; }))
            << w.name << ": no success message\n" << texts(clean.shown);
    ASSERT_TRUE(clean.linksKept) << w.name;
    const long long n = static_cast<long long>(counting.calls.size());
    const long long commit = counting.commitsAt.empty() ? n : static_cast<long long>(counting.commitsAt.back());
    const std::vector<long long> points = failurePoints(n, commit);

    int faults = 0;
    for (long long at : points) {
        for (bool persistent : {false, true}) {
            FaultPlan plan;
            plan.failAt = at;
            plan.persistent = persistent;
            plan.error = std::array{EIO, ENOSPC, EFBIG}[static_cast<std::size_t>(at % 3)];
            const Outcome o = runOnce(w, dir.path(), &plan, nullptr);
            const auto& call = at <= static_cast<long long>(plan.calls.size()) ? plan.calls[static_cast<std::size_t>(at - 1)]
                                                                               : FaultPlan::Record{};
            std::ostringstream where;
            where << w.name << ": call " << at << " of " << n << " (" << callName(call.call) << " " << call.path << ", "
                  << std::strerror(plan.error) << (persistent ? ", and every later call" : "") << ")\n"
                  << texts(o.shown);
            std::vector<std::string> problems;

            const std::string all = texts(o.shown);
            auto named = [&](const std::string& name) {
                if (all.find(name) != std::string::npos) return true;
                for (const auto& [a, b] : w.linked)
                    if ((a == name && all.find(b) != std::string::npos) || (b == name && all.find(a) != std::string::npos))
                        return true;
                return false;
            };
            for (const auto& [name, bytes] : o.files) {
                auto b = before.files.find(name);
                auto c = clean.files.find(name);
                if ((b != before.files.end() && b->second == bytes) || (c != clean.files.end() && c->second == bytes))
                    continue;
                if (!named(name)) {
                    problems.push_back(name + " is neither as before nor as after a clean run, and no message names it");
                } else if (!holdsSomeContent(bytes, before, clean) && opensAsValid(dir.path() / name)) {
                    // A file told damaged must be refused, never read wrong.
                    problems.push_back(name + " is damaged yet opens as a valid file");
                }
            }
            for (const auto& [name, bytes] : before.files)
                if (!o.files.count(name) && clean.files.count(name)) problems.push_back(name + " is gone");
            if (!o.linksKept) problems.push_back("a hard link was split");
            if (o.state != before.state && o.state != clean.state) problems.push_back("the model is neither as before nor as after a clean run");

            if (sameMessages(o.shown, clean.shown)) {
                // Nothing told: the failure must have changed nothing of the result.
                if (o.files != clean.files) problems.push_back("the files differ from a clean run, and nothing was said");
            } else {
                const bool told = std::any_of(o.shown.begin(), o.shown.end(), [](const auto& m) {
                    return m.type == MsgType::Error || m.type == MsgType::Warning;
                });
                if (!told) problems.push_back("no error or warning was shown");
                for (const std::string& text : w.success)
                    if (std::any_of(o.shown.begin(), o.shown.end(), [&](const auto& m) { return m.text == text; }))
                        problems.push_back("the success message was shown");
            }
            for (const std::string& p : problems) ADD_FAILURE() << p << "\n" << where.str();
            if (!problems.empty() && ++faults >= 5) return;
        }
    }
    RecordProperty("failure_points", static_cast<int>(points.size()));
    std::printf("[ points   ] %s: %lld calls, %zu failure points, each failed once and for good\n", w.name.c_str(), n,
                points.size());
}

// ---- the writers

// A version-3 SDF of 60 bursts whose records span several copy chunks.
std::vector<std::uint8_t> oldSdf() {
    test::SdfSpec s;
    s.version = '3';
    s.sampleSize = 600;
    s.iterations = 60;
    for (int b = 0; b < 60; ++b) s.records.push_back(test::record(b, 2, 600, 1));
    return test::buildSdf(s);
}

Writer versionUpdate(const std::string& name, const std::string& opened,
                     std::function<void(Run&)> links = [](Run&) {}) {
    Writer w;
    w.name = name;
    w.setup = [links](Run& r) {
        test::writeAll(r.file("old.sdf"), oldSdf());
        links(r);
    };
    w.job = [opened](Run& r) {
        r.prompter.answer(MsgResult::Yes);
        r.model.ReadSDFHeader(r.file(opened));
    };
    return w;
}

Writer extract(const std::string& name, bool intoSource) {
    Writer w;
    w.name = name;
    w.setup = [](Run& r) {
        test::writeSource(r.file("a.sdf"), 2, 1, 50, 20);
        test::writeText(r.file("out.sdf"), "an older output");
        ASSERT_TRUE(r.model.ReadHeader(r.file("a.sdf")));
        r.model.FileName = r.file("a.sdf");
    };
    w.job = [intoSource](Run& r) {
        const std::string source = r.file("a.sdf");
        ExtractRequest q;
        q.SourceFile = source;
        q.Window = WindowFromPositions(r.model, 1, 15);
        q.Checked = {true, false, true};
        q.Memo = "cut";
        ExtractData(r.model, q, intoSource ? source : r.file("out.sdf"), r.prompter, r.progress);
    };
    w.success = {kExtractSavedMessage};
    return w;
}

std::vector<Writer> writers() {
    std::vector<Writer> all;
    all.push_back(versionUpdate("VersionUpdate", "old.sdf"));
    all.push_back(versionUpdate("VersionUpdateThroughSymlink", "link.sdf",
                                [](Run& r) { fs::create_symlink("old.sdf", r.dir / "link.sdf"); }));
    Writer hard = versionUpdate("VersionUpdateThroughHardLink", "old.sdf",
                                [](Run& r) { fs::create_hard_link(r.dir / "old.sdf", r.dir / "other.sdf"); });
    hard.linked = {{"old.sdf", "other.sdf"}};
    all.push_back(hard);
    all.push_back(extract("Extract", false));
    all.push_back(extract("ExtractIntoItsSource", true));
    return all;
}

INSTANTIATE_TEST_SUITE_P(AllWriters, WriteFailure, ::testing::ValuesIn(writers()),
                         [](const ::testing::TestParamInfo<Writer>& i) { return i.param.name; });

}  // namespace
}  // namespace brine
