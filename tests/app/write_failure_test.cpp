// Every writer of the program tried against a failure at each of its I/O
// calls: a clean run counts the calls, then each call in turn fails once,
// and again for good (a device gone bad). After each run every file of the
// folder is as it was before or as the clean run left it (never a mixture),
// or named by a message; the user was told of the failure and not of a
// success; the model describes the files as they are.
//
// The same jobs are also stopped at each call, as a kill or a power cut
// would stop them: in a forked child that ends before the call, after a
// write that landed only in part, or with the power going and taking what
// was not synced. No message could be shown then, so each file left is
// judged by what its next opening makes of it: it reads as its old or its
// new content, without a word.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/menu_jobs.h"
#include "app/parameters_file.h"
#include "base/cp932.h"
#include "base/errors.h"
#include "support/fault_plan.h"
#include "converters/addc_drf_command.h"
#include "converters/convert_cadmas_surf.h"
#include "converters/convert_fishing_port.h"
#include "converters/convert_jma.h"
#include "converters/convert_nowphas.h"
#include "converters/converter_fixtures.h"
#include "converters/resave_sdf.h"
#include "converters/sdf_to_tsd.h"
#include "core/current_file.h"
#include "core/ui/header_dialog.h"
#include "core/sdf_builder.h"
#include "importers/comma_data.h"
#include "importers/dl2_convert.h"
#include "importers/dl2_files.h"
#include "importers/dl2_header.h"
#include "importers/raw_convert.h"
#include "importers/raw_files.h"
#include "importers/raw_header.h"
#include "importers/vector_convert.h"
#include "importers/vector_files.h"
#include "importers/vector_header.h"
#include "importers/wave_hunter_bursts.h"
#include "importers/wave_hunter_bytes.h"
#include "importers/wave_hunter_files.h"
#include "importers/yearly_table.h"
#include "platform/api/file_dialog.h"
#include "platform/api/scripted.h"
#include "platform/modal.h"
#include "platform/qt_prompter.h"
#include "platform/string_grid.h"
#include "sites/site_window.h"
#include "sites/site_list.h"
#include "support/temp_dir.h"
#include "tools/extract_data.h"
#include "tools/extract_sources.h"
#include "tools/link_fixtures.h"
#include "tools/link_set.h"
#include "tools/merge_combine.h"
#include "tools/merge_files.h"
#include "tools/merge_set.h"

namespace brine {
namespace {

namespace fs = std::filesystem;
using sys::FaultPlan;

// A user who answers Yes to every question.
class YesPrompter : public ScriptedPrompter {
public:
    MsgResult showBox(MsgType type, const std::string& text, MsgButtons buttons) override {
        if (answers.empty()) answer(MsgResult::Yes);
        return ScriptedPrompter::showBox(type, text, buttons);
    }
};

void clearFolder(const fs::path& dir) {
    for (const auto& e : fs::directory_iterator(dir)) fs::remove_all(e.path());
}

// What one run of a writer has at hand, in a folder emptied for it.
struct Run {
    explicit Run(fs::path folder) : dir(std::move(folder)) {
        clearFolder(dir);
        model.prompter = &prompter;
        model.progress = &progress;
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    fs::path dir;
    CurrentFile model;
    YesPrompter prompter;
    ScriptedProgress progress;
    std::function<void(QDialog&)> onModal;  // the user, while a window is shown
    std::string file(const std::string& name) const { return (dir / name).string(); }
};

// A writer ready to run: its command, and the state it may change (the
// current-file model unless said otherwise).
struct Job {
    std::function<void()> run;
    std::function<std::string()> state = {};
};

struct Writer {
    std::string name;
    // Writes the inputs and the file to be replaced, sets up what the user
    // would have set up before the command, and returns the command.
    std::function<Job(Run&)> prepare;
    std::vector<std::string> success = {};  // texts shown only when the job succeeded
    // Names that must stay one file (hard links).
    std::vector<std::pair<std::string, std::string>> linked = {};
    // The model is the job's working copy (a converter's header, a tool's
    // reader), not what the user had before: only its file names are checked.
    bool workingModel = false;
};

void PrintTo(const Writer& w, std::ostream* os) { *os << w.name; }

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

// True when the names the writer keeps joined are still one file.
bool linksKept(const Writer& w, const fs::path& dir) {
    return std::all_of(w.linked.begin(), w.linked.end(), [&](const auto& names) {
        std::error_code ec;
        return fs::equivalent(dir / names.first, dir / names.second, ec);
    });
}

struct Outcome {
    Snapshot files;
    std::vector<ScriptedPrompter::Shown> shown;
    std::string state;
    std::vector<std::string> modelFiles;  // the model's file names
    bool linksKept = true;
};

// The user's side of a run, while the job runs: the one who answers the
// messages and works the windows shown.
class UserAtHand {
public:
    explicit UserAtHand(Run& r) {
        SetAppPrompter(&r.prompter);
        SetModalHook([&r](QDialog& d) {
            d.setResult(0);
            d.show();
            if (r.onModal) r.onModal(d);
            if (d.isVisible()) d.reject();
            return d.result();
        });
    }
    ~UserAtHand() {
        SetModalHook({});
        SetAppPrompter(nullptr);
    }
    UserAtHand(const UserAtHand&) = delete;
    UserAtHand& operator=(const UserAtHand&) = delete;
};

void runJob(Run& r, const Job& job) {
    try {
        job.run();
    } catch (const BrineError& e) {
        // As every window's handler does.
        r.prompter.error(e.what());
    }
}

// Files of the user's named like those the program makes beside a file (its
// temporary files, journals and burst files) or like the copies older
// versions made, beside every file the writer starts with: a copy of it and
// other data. They are the user's, and every run must leave them as they are.
void addLookAlikes(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(dir))
        if (fs::is_regular_file(e.symlink_status())) files.push_back(e.path());
    for (const fs::path& f : files) {
        const std::string name = f.filename().string(), stem = f.stem().string(), ext = f.extension().string();
        const std::string bytes = test::readText(f.string());
        for (const auto& [lookAlike, text] : std::vector<std::pair<std::string, std::string>>{
                 {stem + ".old-backup" + ext, bytes},
                 {stem + ".new-backup" + ext, "the user's other data"},
                 {"." + name + ".tmpABCDEF", bytes},
                 {"." + name + ".ABCDEF.tmp", bytes},
                 {"." + name + ".ABCDEF.jnl", "the user's"},
                 {stem + ".$$$", bytes},
                 {stem + ".Ab3dE9.$$$", ""}})
            if (!fs::exists(dir / lookAlike)) test::writeText((dir / lookAlike).string(), text);
    }
}

// Runs the writer from a fresh folder. `plan` counts (and fails) its calls;
// `arrange`, when given, changes what the writer has prepared before it runs.
Outcome runOnce(const Writer& w, const fs::path& dir, FaultPlan* plan, Outcome* before,
                const std::function<void(Run&)>& arrange = {}) {
    Run r(dir);
    Job job = w.prepare(r);
    addLookAlikes(r.dir);
    if (arrange) arrange(r);
    if (!job.state) job.state = [&r] { return test::modelState(r.model); };
    if (before) {
        before->files = snapshot(dir);
        before->state = job.state();
    }
    {
        UserAtHand user(r);
        std::optional<sys::ArmFaults> armed;
        if (plan) armed.emplace(*plan);
        runJob(r, job);
    }
    return {snapshot(dir), r.prompter.shown, job.state(), {r.model.FileName, r.model.SaveFileName},
            linksKept(w, dir)};
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
    static const char* const names[] = {"open", "write", "pwrite", "fsync", "fallocate", "ftruncate", "rename", "close", "link"};
    return names[static_cast<int>(c)];
}

// A copy kept under another name: the old or the new content of some file.
bool holdsSomeContent(const std::string& bytes, const Outcome& before, const Outcome& clean) {
    for (const Snapshot* s : {&before.files, &clean.files})
        for (const auto& [name, b] : *s)
            if (b == bytes) return true;
    return false;
}

// A time-series file whose header is accepted and whose every burst reads.
bool readsWhole(const fs::path& p) {
    const std::string ext = UpperExtension(p.string());
    if (ext != ".SDF" && ext != ".TSD") return false;
    ScriptedPrompter quiet;
    CurrentFile m;
    m.prompter = &quiet;
    try {
        if (!m.ReadHeader(p.string())) return false;
        m.FileName = p.string();
        for (int b = 0; b < m.Iterations; ++b)
            if (!m.ReadBurst(b)) return false;
        return quiet.shown.empty();
    } catch (const std::exception&) {
        return false;
    }
}

// The bursts a time-series file declares; -1 when it is refused.
int burstsDeclared(const fs::path& p) {
    ScriptedPrompter quiet;
    quiet.answer(MsgResult::No);
    CurrentFile m;
    m.prompter = &quiet;
    try {
        return m.ReadHeader(p.string()) ? m.Iterations : -1;
    } catch (const BrineError&) {
        return -1;
    }
}

// The calls that open an input again once the output has begun (its
// temporary file was made): the first such open of each input. The job has then shown the header dialog
// and started writing, and the input may have gone meanwhile.
std::vector<long long> reopenPoints(const std::vector<FaultPlan::Record>& calls) {
    std::vector<long long> points;
    std::set<std::string> seen;
    bool begun = false;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const FaultPlan::Record& c = calls[i];
        const std::string name = fs::path(c.path).filename().string();
        const bool temporary = name.starts_with(".");
        // A file of the program's own is made without a name, then named.
        if (c.call == sys::Call::Link && temporary) begun = true;
        if (c.call != sys::Call::Open) continue;
        if (c.writable && temporary) begun = true;
        std::error_code ec;
        if (begun && !c.writable && !temporary && !fs::is_directory(c.path, ec) && seen.insert(c.path).second)
            points.push_back(static_cast<long long>(i + 1));
    }
    return points;
}

// What the program makes of a file when it next opens it: the values it
// reads, and what it says (warnings and errors; a refusal).
struct Reading {
    std::string values;
    std::string said;
    bool silent() const { return said.empty(); }
};

// Opens a file as the program does at its next start or when the user opens
// it: the site list and the settings through their loaders, a time series
// through the file reader and every burst of it, any other file as bytes.
// The user answers Yes (an old version is updated: the file is read from a
// copy of the folder, never in place).
Reading readBack(const fs::path& file) {
    const std::string name = file.filename().string();
    const std::string ext = UpperExtension(name);
    YesPrompter prompter;
    Reading r;
    try {
        if (name == kLocationFileName) {
            SiteList sites;
            const SiteLoadReport report = sites.LoadSites(file, prompter);
            r.values = sites.FileText();
            if (report.damaged() || sites.Damaged()) r.said += "(the list is marked damaged)\n";
        } else if (name == kParametersFileName) {
            const auto lines = ReadParametersFile(file);
            r.values = lines ? lines->fileName + "\n" + lines->folder + "\n" + lines->location : "(no settings)";
        } else if (ext == ".SDF" || ext == ".TSD") {
            CurrentFile m;
            m.prompter = &prompter;
            if (!m.ReadHeader(file.string())) {
                r.said += "(refused)\n";
            } else {
                m.FileName = file.string();
                r.values = test::modelState(m);
                for (int b = 0; b < m.Iterations; ++b) {
                    if (!m.ReadBurst(b)) {
                        r.said += "(burst " + std::to_string(b + 1) + " refused)\n";
                        break;
                    }
                    for (int k = 0; k < m.Nch; ++k)
                        for (std::int16_t v : m.Data[static_cast<std::size_t>(k)]) r.values += std::to_string(v) + ",";
                    for (int k = 0; k < m.Nch2; ++k) r.values += std::to_string(m.BurstData[static_cast<std::size_t>(k)]) + ";";
                }
            }
        } else {
            r.values = test::readText(file.string());
        }
    } catch (const std::exception& e) {
        r.said += std::string("(refused: ") + e.what() + ")\n";
    }
    for (const auto& m : prompter.shown)
        if (m.type == MsgType::Warning || m.type == MsgType::Error) r.said += m.text + "\n";
    // The same content reads the same from any folder.
    const std::string folder = file.parent_path().string();
    for (std::size_t at; (at = r.values.find(folder)) != std::string::npos;) r.values.replace(at, folder.size(), "<folder>");
    return r;
}

// Writes the entries of a snapshot into a folder emptied first.
void materialize(const Snapshot& files, const fs::path& dir) {
    clearFolder(dir);
    for (const auto& [name, bytes] : files) {
        if (bytes.starts_with("link to "))
            fs::create_symlink(bytes.substr(8), dir / name);
        else
            test::writeText((dir / name).string(), bytes);
    }
}

Reading readBackIn(const Snapshot& files, const std::string& name, const fs::path& scratch) {
    materialize(files, scratch);
    return readBack(scratch / name);
}

// A name with the mark of a file of the program's own starred out.
std::string patternOf(std::string name) {
    constexpr std::size_t kMark = 6;
    for (const char* kind : {".tmp", ".jnl", ".$$$"}) {
        const std::size_t tail = std::strlen(kind) + kMark;
        if (name.ends_with(kind) && name.size() > tail) return name.substr(0, name.size() - tail) + "*" + kind;
    }
    return name;
}

// Judges a file a run left in `dir` as the program meets it when it next
// opens it there (putting back a rewrite cut short, which only the file
// itself can have), against its old and its new content read from a copy.
// "" when it reads as one of them without a word, else what is wrong. Called
// once the run's files have been taken down.
class ReadBackJudge {
public:
    ReadBackJudge(const Outcome& before, const Outcome& clean, fs::path dir, fs::path scratch)
        : before_(before), clean_(clean), dir_(std::move(dir)), scratch_(std::move(scratch)) {}
    std::string wrong(const Snapshot& files, const std::string& name) {
        if (!known_.count(name)) {
            auto reading = [&](const Outcome& o) {
                return o.files.count(name) ? readBackIn(o.files, name, scratch_) : Reading{"", "(none)"};
            };
            known_.emplace(name, std::make_pair(reading(before_), reading(clean_)));
        }
        const auto& [old, now] = known_.at(name);
        const Reading got = readBack(dir_ / name);
        if (!got.silent()) return name + " is refused or warned about: " + got.said;
        if ((old.silent() && got.values == old.values) || (now.silent() && got.values == now.values)) return {};
        return name + " opens without a word and reads neither its old nor its new content (" +
               std::to_string(files.at(name).size()) + " bytes)";
    }

private:
    const Outcome& before_;
    const Outcome& clean_;
    fs::path dir_, scratch_;
    std::map<std::string, std::pair<Reading, Reading>> known_;
};

// True when `name` is the second name of a file the writer keeps linked:
// that file is judged under its first name.
bool secondName(const Writer& w, const std::string& name) {
    return std::any_of(w.linked.begin(), w.linked.end(), [&](const auto& l) { return l.second == name; });
}

// What is wrong with a run whose call `call` failed, against the folder
// before the job and after a clean run.
std::vector<std::string> problemsOf(const Writer& w, const fs::path& dir, const Outcome& before, const Outcome& clean,
                                    const Outcome& o, const FaultPlan::Record& call,
                                    const std::vector<FaultPlan::Record>& calls, bool once, ReadBackJudge& judge) {
    std::vector<std::string> problems;
    const std::string all = texts(o.shown);
    // Told: shown something a clean run does not show.
    const bool told = std::any_of(o.shown.begin(), o.shown.end(), [&](const auto& m) {
        return std::none_of(clean.shown.begin(), clean.shown.end(),
                            [&](const auto& c) { return c.type == m.type && c.text == m.text; });
    });
    // A rewrite in place whose undo failed: what the disk holds is not known.
    const bool unconfirmed = all.find("確かめられません") != std::string::npos;
    // A file the job only reads: neither one it replaces nor a temporary file.
    const std::string failed = fs::path(call.path).filename().string();
    const bool inputFailed = !call.writable && fs::path(call.path) != dir && !failed.starts_with(".") &&
                             before.files.count(failed) == clean.files.count(failed) &&
                             (!before.files.count(failed) || before.files.at(failed) == clean.files.at(failed));
    auto named = [&](const std::string& name) {
        if (all.find(name) != std::string::npos) return true;
        for (const auto& [a, b] : w.linked)
            if ((a == name && all.find(b) != std::string::npos) || (b == name && all.find(a) != std::string::npos))
                return true;
        // A second name a kept journal keeps of the file named.
        std::error_code ec;
        for (const auto& [other, bytes] : o.files)
            if (other != name && all.find(other) != std::string::npos && fs::equivalent(dir / name, dir / other, ec))
                return true;
        return false;
    };
    for (const auto& [name, bytes] : o.files) {
        auto b = before.files.find(name);
        auto c = clean.files.find(name);
        if ((b != before.files.end() && b->second == bytes) || (c != clean.files.end() && c->second == bytes)) continue;
        // An input that could not be read: the job went on or kept what it
        // had written, as a file that declares what it holds.
        if (inputFailed && told && readsWhole(dir / name)) {
            // ...but a job that wrote no burst keeps the file it was to replace.
            if (b != before.files.end() && burstsDeclared(dir / name) == 0)
                problems.push_back(name + " was replaced by a file of no bursts when an input could not be read");
            continue;
        }
        if (!named(name)) {
            problems.push_back(name + " is neither as before nor as after a clean run, and no message names it");
        } else if ((b != before.files.end() || c != clean.files.end()) && !holdsSomeContent(bytes, before, clean)) {
            // Only a file the message says it could not confirm may be left
            // changed, and its next opening must read it whole, old or new.
            if (!unconfirmed)
                problems.push_back(name + " is changed, and no message says its content could not be confirmed");
            else if (!secondName(w, name))
                if (std::string wrong = judge.wrong(o.files, name); !wrong.empty()) problems.push_back(wrong);
        }
    }
    for (const auto& [name, bytes] : before.files)
        if (!o.files.count(name) && clean.files.count(name)) problems.push_back(name + " is gone");
    // An input that could not be opened is named (when other files fail
    // too, the one that stopped the job may be named instead).
    if (once && inputFailed && told && call.call == sys::Call::Open && !named(failed))
        problems.push_back("no message names " + failed + ", which could not be opened");
    if (unconfirmed) {
        // The message names the files the rewrite kept (its journal, and the
        // new content where it was a file of its own).
        const bool kept = std::any_of(o.files.begin(), o.files.end(), [&](const auto& f) {
            return all.find(f.first) != std::string::npos && !before.files.count(f.first) && !clean.files.count(f.first);
        });
        if (!kept) problems.push_back("no file the rewrite kept is named");
    }
    if (!o.linksKept) problems.push_back("a hard link was split");
    // The model describes the files as they are...
    if (!w.workingModel) {
        if (o.files == before.files && o.state != before.state)
            problems.push_back("the files are as before, the model is not");
        else if (o.files == clean.files && o.state != clean.state)
            problems.push_back("the files are as after a clean run, the model is not");
        else if (o.state != before.state && o.state != clean.state)
            problems.push_back("the model is neither as before nor as after a clean run");
    }
    // ...and never points at a file the job made for itself.
    for (const std::string& f : o.modelFiles) {
        const std::string name = fs::path(f).filename().string();
        const bool made = std::any_of(calls.begin(), calls.end(), [&](const auto& c) {
            return c.call == sys::Call::Open && c.writable && c.path == f;
        });
        // A file of the program's own has another mark in every run.
        const bool cleanToo = std::any_of(clean.modelFiles.begin(), clean.modelFiles.end(), [&](const std::string& c) {
            return patternOf(fs::path(c).filename().string()) == patternOf(name);
        });
        if (made && !before.files.count(name) && !clean.files.count(name) && !cleanToo)
            problems.push_back("the model names " + f + ", a file of the job's own");
    }
    if (sameMessages(o.shown, clean.shown)) {
        // Nothing told: the failure must have changed nothing of the result.
        if (o.files != clean.files) problems.push_back("the files differ from a clean run, and nothing was said");
    } else {
        if (!told) problems.push_back("the failure was not told");
        for (const std::string& text : w.success)
            if (std::any_of(o.shown.begin(), o.shown.end(), [&](const auto& m) { return m.text == text; }))
                problems.push_back("the success message was shown");
    }
    return problems;
}

class WriteFailure : public ::testing::TestWithParam<Writer> {};

TEST_P(WriteFailure, EveryCallFailedInTurnLeavesOldOrNewNeverAMixture) {
    const Writer& w = GetParam();
    test::TempDir dir, scratch;
    Outcome before;
    FaultPlan counting;
    const Outcome clean = runOnce(w, dir.path(), &counting, &before);
    ReadBackJudge judge(before, clean, dir.path(), scratch.path());
    ASSERT_NE(clean.files, before.files) << w.name << ": the clean run wrote nothing\n" << texts(clean.shown);
    for (const auto& [name, bytes] : before.files) {
        const bool lookAlike = name.find("backup") != std::string::npos || name.find("ABCDEF") != std::string::npos ||
                               name.ends_with(".$$$");
        EXPECT_TRUE(!lookAlike || (clean.files.count(name) && clean.files.at(name) == bytes))
            << w.name << ": the user's " << name << " did not stay as it was";
    }
    for (const std::string& text : w.success)
        ASSERT_TRUE(std::any_of(clean.shown.begin(), clean.shown.end(), [&](const auto& m) { return m.text == text; }))
            << w.name << ": no success message\n" << texts(clean.shown);
    ASSERT_TRUE(clean.linksKept) << w.name;
    const long long n = static_cast<long long>(counting.calls.size());
    const long long commit = counting.commitsAt.empty() ? n : static_cast<long long>(counting.commitsAt.back());
    std::vector<long long> points = failurePoints(n, commit);
    const std::vector<long long> reopens = reopenPoints(counting.calls);
    for (long long at : reopens)
        if (!std::binary_search(points.begin(), points.end(), at)) points.insert(std::upper_bound(points.begin(), points.end(), at), at);

    int faults = 0;
    std::map<std::string, std::string> failed;  // calls where each kind of fault was met
    for (long long at : points) {
        const bool reopen = std::find(reopens.begin(), reopens.end(), at) != reopens.end();
        // Once and for good; a re-opened input also as gone from its folder.
        for (int way = 0; way < (reopen ? 3 : 2); ++way) {
            FaultPlan plan;
            plan.failAt = at;
            plan.persistent = way == 1;
            plan.error = way == 2 ? ENOENT : std::array{EIO, ENOSPC, EFBIG}[static_cast<std::size_t>(at % 3)];
            const Outcome o = runOnce(w, dir.path(), &plan, nullptr);
            const FaultPlan::Record call =
                at <= static_cast<long long>(plan.calls.size()) ? plan.calls[static_cast<std::size_t>(at - 1)] : FaultPlan::Record{};
            const std::vector<std::string> problems =
                problemsOf(w, dir.path(), before, clean, o, call, plan.calls, !plan.persistent, judge);
            for (const std::string& p : problems) {
                if (++faults <= 5)
                    ADD_FAILURE() << p << "\n"
                                  << w.name << ": call " << at << " of " << n << " (" << callName(call.call) << " "
                                  << call.path << ", " << std::strerror(plan.error)
                                  << (plan.persistent ? ", and every later call" : "") << ")\n"
                                  << texts(o.shown);
                // The rest in one line per kind of fault.
                std::string kind = p.substr(0, p.find_first_of(":("));
                while (kind.ends_with(" ")) kind.pop_back();
                failed[kind] += " " + std::to_string(at) + (plan.persistent ? " for good" : "") +
                                (way == 2 ? " gone" : "") + " " + callName(call.call) + ",";
            }
        }
    }
    for (const auto& [problem, where] : failed) ADD_FAILURE() << w.name << ": " << problem << " at" << where;
    RecordProperty("failure_points", static_cast<int>(points.size()));
    std::printf("[ points   ] %s: %lld calls, %zu failure points, each failed once and for good; %zu inputs opened "
                "again after the output began, each also gone\n",
                w.name.c_str(), n, points.size(), reopens.size());
}

// ---- kills and torn writes

// What a stopped run left.
struct Stopped {
    int status = 0;  // wait status of the child
    Snapshot files;
    bool linksKept = true;
    bool stopped() const { return WIFEXITED(status) && WEXITSTATUS(status) == sys::kStoppedStatus; }
};

// Runs the writer from a fresh folder in a forked child, which `plan` stops.
Stopped runStopped(const Writer& w, const fs::path& dir, FaultPlan& plan) {
    Run r(dir);
    Job job = w.prepare(r);
    addLookAlikes(r.dir);
    Stopped s;
    {
        UserAtHand user(r);
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            {
                sys::ArmFaults armed(plan);
                try {
                    runJob(r, job);
                } catch (...) {
                    ::_exit(2);
                }
            }
            ::_exit(0);  // not stopped: the job made fewer calls than planned
        }
        if (child < 0) {
            ADD_FAILURE() << "fork: " << std::strerror(errno);
            return s;
        }
        // A child that hangs (a lock held by a thread the fork did not copy)
        // is ended after a generous while.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (::waitpid(child, &s.status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &s.status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    s.files = snapshot(dir);
    s.linksKept = linksKept(w, dir);
    return s;
}

// What is wrong with what a stopped run left, against the folder before the
// job and after a clean run: every file reads, when the program next opens
// it, as its old or its new content, without a word. Files only the job made
// (its own temporary files and journals) are collected in `leftovers`.
std::vector<std::string> problemsAfterStop(const Writer& w, const Outcome& before, const Outcome& clean,
                                           const Stopped& o, ReadBackJudge& judge, std::set<std::string>& leftovers) {
    std::vector<std::string> problems;
    if (!o.stopped()) {
        problems.push_back("the job was not stopped (wait status " + std::to_string(o.status) + ")");
        return problems;
    }
    for (const auto& [name, bytes] : o.files) {
        if (secondName(w, name)) continue;
        auto b = before.files.find(name);
        auto c = clean.files.find(name);
        if (b == before.files.end() && c == clean.files.end()) {
            leftovers.insert(patternOf(name));
            continue;
        }
        if ((b != before.files.end() && b->second == bytes) || (c != clean.files.end() && c->second == bytes)) continue;
        if (std::string wrong = judge.wrong(o.files, name); !wrong.empty()) problems.push_back(wrong);
    }
    for (const auto& [name, bytes] : before.files)
        if (!o.files.count(name) && clean.files.count(name)) problems.push_back(name + " is gone");
    if (!o.linksKept) problems.push_back("a hard link was split");
    return problems;
}

TEST_P(WriteFailure, KilledOrTornAtEachCallLeavesFilesThatReadRightOrSayWhy) {
    const Writer& w = GetParam();
    test::TempDir dir, scratch;
    Outcome before;
    FaultPlan counting;
    const Outcome clean = runOnce(w, dir.path(), &counting, &before);
    ASSERT_NE(clean.files, before.files) << w.name << ": the clean run wrote nothing\n" << texts(clean.shown);
    const long long n = static_cast<long long>(counting.calls.size());
    const long long commit = counting.commitsAt.empty() ? n : static_cast<long long>(counting.commitsAt.back());
    const std::vector<long long> points = failurePoints(n, commit);

    ReadBackJudge judge(before, clean, dir.path(), scratch.path());
    std::set<std::string> leftovers;
    std::map<std::string, std::string> failed;  // calls where each kind of fault was met
    int faults = 0, kills = 0, tears = 0, cuts = 0;
    struct Stop {
        sys::Fault fault;
        unsigned seed = 0;  // the draw of a power cut
    };
    constexpr unsigned kDraws = 3;
    for (long long at : points) {
        const sys::Call call = counting.calls[static_cast<std::size_t>(at - 1)].call;
        const bool writes = call == sys::Call::Write || call == sys::Call::Pwrite;
        std::vector<Stop> stops{{sys::Fault::Kill}};
        if (writes) stops.push_back({sys::Fault::Tear});
        for (unsigned seed = 1; seed <= kDraws; ++seed) stops.push_back({sys::Fault::PowerCut, seed});
        for (const Stop& stop : stops) {
            ++(stop.fault == sys::Fault::Kill ? kills : stop.fault == sys::Fault::Tear ? tears : cuts);
            const std::string how = stop.fault == sys::Fault::Kill   ? "kill"
                                    : stop.fault == sys::Fault::Tear ? "tear"
                                                                     : "power cut " + std::to_string(stop.seed);
            FaultPlan plan;
            plan.failAt = at;
            plan.fault = stop.fault;
            plan.seed = stop.seed;
            const Stopped o = runStopped(w, dir.path(), plan);
            for (const std::string& p : problemsAfterStop(w, before, clean, o, judge, leftovers)) {
                if (++faults <= 5)
                    ADD_FAILURE() << p << "\n"
                                  << w.name << ": " << how << " at call " << at << " of " << n << " ("
                                  << callName(call) << " " << counting.calls[static_cast<std::size_t>(at - 1)].path
                                  << ")";
                // The rest in one line per kind of fault.
                std::string kind = p.substr(0, p.find_first_of(":("));
                while (kind.ends_with(" ")) kind.pop_back();
                failed[kind] += " " + how + " " + std::to_string(at) + " " + callName(call) + ",";
            }
        }
    }
    for (const auto& [problem, where] : failed)
        ADD_FAILURE() << w.name << ": " << problem << " at" << where;
    std::string left;
    for (const std::string& l : leftovers) left += " " + l;
    std::printf("[ points   ] %s: %lld calls, killed before %d of them, torn at %d writes, the power cut %d times; "
                "left beside:%s\n",
                w.name.c_str(), n, kills, tears, cuts, left.empty() ? " nothing" : left.c_str());
}

// What a writer finds where it writes, beyond failing calls: a target or
// folder its user may not write, an input gone after the header dialog.
class WriterTargets : public ::testing::TestWithParam<Writer> {
protected:
    // Learns from a clean run which files the writer replaces and which it only reads.
    void SetUp() override {
        clean = runOnce(GetParam(), dir.path(), nullptr, &before);
        for (const auto& [name, bytes] : before.files) {
            if (bytes.starts_with("link to ")) continue;
            auto c = clean.files.find(name);
            if (c == clean.files.end()) continue;
            (c->second == bytes ? inputs : targets).push_back(name);
        }
        ASSERT_FALSE(targets.empty()) << GetParam().name << ": replaces no file\n" << texts(clean.shown);
    }

    // True when a message names a target, or a link to it.
    bool namesATarget(const std::string& all) const {
        for (const std::string& t : targets) {
            if (all.find((dir.path() / t).string()) != std::string::npos) return true;
            for (const auto& [name, bytes] : before.files)
                if (bytes == "link to " + t && all.find((dir.path() / name).string()) != std::string::npos) return true;
        }
        return false;
    }

    bool showsSuccess(const Outcome& o) const {
        return std::any_of(GetParam().success.begin(), GetParam().success.end(), [&](const std::string& text) {
            return std::any_of(o.shown.begin(), o.shown.end(), [&](const auto& m) { return m.text == text; });
        });
    }

    test::TempDir dir;
    Outcome before, clean;
    std::vector<std::string> targets, inputs;
};

TEST_P(WriterTargets, ATargetOrFolderItsUserMayNotWriteIsRefusedAndNamed) {
    const Writer& w = GetParam();
    test::RunUnprivileged(dir.path(), [&] {
        const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
        // The owner made the target read-only: replacing it anyway, as the
        // folder would allow, goes behind the owner's back.
        Outcome was;
        const Outcome o = runOnce(w, dir.path(), nullptr, &was, [&](brine::Run&) {
            for (const std::string& t : targets) fs::permissions(dir.path() / t, readOnly);
        });
        const std::string all = texts(o.shown);
        EXPECT_EQ(o.files, was.files) << w.name << ": a read-only target was replaced\n" << all;
        for (const std::string& t : targets)
            EXPECT_EQ(fs::status(dir.path() / t).permissions() & fs::perms::all, readOnly) << t;
        EXPECT_TRUE(namesATarget(all)) << w.name << ": no message names the read-only target\n" << all;
        EXPECT_NE(all.find(std::strerror(EACCES)), std::string::npos) << w.name << ": no cause\n" << all;
        EXPECT_FALSE(showsSuccess(o)) << w.name << "\n" << all;

        // A target of the user's own in a folder the user may not write: the
        // folder is named as the cause, unless the file is written in place.
        Outcome folderWas;
        const Outcome f = runOnce(w, dir.path(), nullptr, &folderWas, [&](brine::Run&) {
            fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        });
        fs::permissions(dir.path(), fs::perms::owner_all);
        const std::string told = texts(f.shown);
        if (f.files != clean.files) {
            EXPECT_EQ(f.files, folderWas.files) << w.name << "\n" << told;
            EXPECT_TRUE(told.find(dir.path().string() + "\n") != std::string::npos ||
                        told.find(dir.path().string() + " (") != std::string::npos)
                << w.name << ": the folder is not named\n" << told;
            EXPECT_NE(told.find(std::strerror(EACCES)), std::string::npos) << w.name << ": no cause\n" << told;
            EXPECT_FALSE(showsSuccess(f)) << w.name << "\n" << told;
        }
    });
}

TEST_P(WriterTargets, AnInputLostAfterTheHeaderDialogLeavesTheTargetAsItWas) {
    const Writer& w = GetParam();
    bool accepted = false;
    Outcome was;
    const Outcome o = runOnce(w, dir.path(), nullptr, &was, [&](brine::Run& r) {
        if (!r.onModal) return;
        r.onModal = [&r, &accepted, user = r.onModal, inputs = inputs](QDialog& d) {
            user(d);
            if (d.result() != QDialog::Accepted) return;
            accepted = true;
            for (const std::string& name : inputs) fs::remove(r.dir / name);
        };
    });
    if (!accepted) GTEST_SKIP() << w.name << " saves through no header dialog";
    const std::string all = texts(o.shown);
    for (const std::string& t : targets) {
        ASSERT_TRUE(o.files.count(t)) << t << " is gone\n" << all;
        const std::string& now = o.files.at(t);
        // The job either had its data at hand, or ends without a burst and
        // with a message; it never leaves a target it did not fill.
        if (now == clean.files.at(t)) continue;
        EXPECT_EQ(now, was.files.at(t)) << w.name << ": " << t << " was replaced by an unfinished output\n" << all;
        EXPECT_TRUE(std::any_of(o.shown.begin(), o.shown.end(), [](const auto& m) { return m.type == MsgType::Error; }))
            << w.name << ": nothing told\n" << all;
        EXPECT_FALSE(showsSuccess(o)) << w.name << "\n" << all;
    }
}

// ---- the writers

// A version-3 SDF of 60 bursts whose records span several copy chunks.
std::vector<std::uint8_t> oldSdf() {
    test::SdfSpec s;
    s.version = '3';
    s.sampleSize = 300;
    s.iterations = 60;
    for (int b = 0; b < 60; ++b) s.records.push_back(test::record(b, 2, 300, 1));
    return test::buildSdf(s);
}

Writer versionUpdate(const std::string& name, const std::string& opened, std::function<void(Run&)> links) {
    return {name, [=](Run& r) {
                test::writeAll(r.file("old.sdf"), oldSdf());
                links(r);
                return Job{[&r, opened] { r.model.ReadSDFHeader(r.file(opened)); }};
            }};
}

// Into a new file, its own source, or an older output of 12 bursts with a
// second hard link (rewritten in place).
Writer extract(const std::string& name, bool intoSource, bool linked = false) {
    Writer w{name,
            [=](Run& r) {
                const std::string source = r.file("a.sdf");
                test::writeSource(source, 2, 1, 50, 20);
                if (linked) {
                    test::writeSource(r.file("out.sdf"), 3, 0, 40, 12);
                    fs::create_hard_link(r.dir / "out.sdf", r.dir / "kept.sdf");
                } else {
                    test::writeText(r.file("out.sdf"), "an older output");
                }
                r.model.ReadHeader(source);
                r.model.FileName = source;
                return Job{[&r, source, intoSource] {
                    ExtractRequest q;
                    q.SourceFile = source;
                    q.Window = WindowFromPositions(r.model, 1, 15);
                    q.Checked = {true, false, true};
                    q.Memo = "cut";
                    ExtractData(r.model, q, intoSource ? source : r.file("out.sdf"), r.prompter, r.progress);
                }};
            },
            {Text(Tx::ExtractSaved)}};
    if (linked) w.linked = {{"out.sdf", "kept.sdf"}};
    return w;
}

// Burst after burst of an SDF: every later writer gets one 20-burst source.
std::string sdfSource(Run& r, const std::string& name = "src.sdf") {
    test::writeSource(r.file(name), 2, 1, 50, 20);
    return r.file(name);
}

// The header dialog, used as a user who saves under its proposal or under
// `target`, after typing `memo` when given (and then a new unit for the last
// channel, which lies past the first half of the header), and who answers
// Yes when asked whether to write over a file.
std::shared_ptr<TFrmSDFdata> headerDialog(Run& r, const std::string& target = "", const std::string& memo = "") {
    auto dlg = std::make_shared<TFrmSDFdata>(r.model);
    dlg->InitForm();
    TFrmSDFdata* d = dlg.get();
    r.onModal = [d, target, memo](QDialog& shown) {
        if (&shown != d) return;
        if (!target.empty()) d->EditFileName->setText(QString::fromStdString(target));
        if (!memo.empty()) {
            d->Memo1->setPlainText(QString::fromStdString(memo));
            d->StringGrid1->setCell(2, d->StringGrid1->rowCount() - 1, QStringLiteral("mm"));
        }
        d->BitBtn1->click();
    };
    return dlg;
}

// An old file where the output goes.
void oldOutput(Run& r, const std::string& name) { test::writeText(r.file(name), "an older output"); }

Writer link(const std::string& name, const std::string& target) {
    return {name,
            [target](Run& r) {
                test::FileSpec a;
                a.bursts = 10;
                a.burst = {test::Channel{"Hs", "m"}};
                test::FileSpec b = a;
                b.start += test::hours(10);
                test::writeFile(r.file("a.sdf"), a);
                test::writeFile(r.file("b.tsd"), b);
                oldOutput(r, target);
                auto set = std::make_shared<LinkSet>(r.model);
                set->prompter = &r.prompter;
                set->progress = &r.progress;
                set->AddFilesSorted({r.file("a.sdf"), r.file("b.tsd")});
                auto plan = std::make_shared<LinkPlan>();
                set->PrepareSave(std::to_string(set->RefBInt), set->RefBITUnit, *plan);
                return Job{[&r, set, plan, target] { set->LinkFiles(r.file(target), "linked", *plan); }};
            },
            {"連結ファイルを保存しました。"}};
}

Writer resave(const std::string& name, bool intoSource) {
    return {name, [intoSource](Run& r) {
                const std::string source = sdfSource(r);
                oldOutput(r, "out.sdf");
                auto save = headerDialog(r, intoSource ? source : r.file("out.sdf"), "saved again");
                return Job{[&r, save, source] {
                    ResaveTimeSeries(r.model, source, InputFileKind::SDF, r.prompter, r.progress, *save);
                }};
            }};
}

// A converter of the ADDC/DRF/re-save command, through the header dialog.
Writer fileConverter(const std::string& name, std::function<std::string(Run&)> input) {
    return {name, [input](Run& r) {
                const std::string source = input(r);
                oldOutput(r, "in.sdf");
                auto save = headerDialog(r);
                return Job{[&r, save, source] { ConvertSelectedFiles({source}, r.model, r.prompter, r.progress, *save); }};
            }};
}

// An importer of one burst whose reader fills the model, saved as the menu does.
Writer singleBurst(const std::string& name, const std::string& file, const std::string& utf8,
                   std::function<bool(CurrentFile&, const std::string&, Prompter&, ProgressSink&)> reader) {
    return {name,
            [=](Run& r) {
                test::writeText(r.file(file), utf8ToCp932(utf8));
                r.model.SaveFileName = r.file("out.sdf");
                oldOutput(r, "out.sdf");
                auto save = headerDialog(r, r.file("out.sdf"));
                return Job{[&r, save, file, reader] {
                    if (reader(r.model, r.file(file), r.prompter, r.progress)) SaveSingleBurst(*save, r.model, r.prompter);
                }};
            },
            {"正常に変換を終了しました。"}};
}

std::string hourlyRows(const char* format, int n) {
    std::string s;
    for (int h = 1; h <= n; ++h) {
        char line[128];
        std::snprintf(line, sizeof line, format, 1 + (h - 1) / 24, (h - 1) % 24, h % 50, h % 7);
        s += line;
    }
    return s;
}

Writer parametersDat(const std::string& name, bool linked);
Writer locationDat(const std::string& name, bool linked);

std::vector<Writer> writers() {
    std::vector<Writer> all;
    all.push_back(versionUpdate("VersionUpdate", "old.sdf", [](Run&) {}));
    all.push_back(versionUpdate("VersionUpdateThroughSymlink", "link.sdf",
                                [](Run& r) { fs::create_symlink("old.sdf", r.dir / "link.sdf"); }));
    Writer hard = versionUpdate("VersionUpdateThroughHardLink", "old.sdf",
                                [](Run& r) { fs::create_hard_link(r.dir / "old.sdf", r.dir / "other.sdf"); });
    hard.linked = {{"old.sdf", "other.sdf"}};
    all.push_back(hard);
    all.push_back(extract("Extract", false));
    all.push_back(extract("ExtractIntoItsSource", true));
    all.push_back(extract("ExtractThroughHardLink", false, true));
    all.push_back({"Merge",
                   [](Run& r) {
                       test::InputLayout a;
                       a.iterations = 20;
                       a.sampleSize = 50;
                       test::InputLayout b = a;
                       b.prefix = "b";
                       test::writeInput(r.file("a.sdf"), a);
                       test::writeInput(r.file("b.tsd"), b);
                       oldOutput(r, "out.sdf");
                       auto set = std::make_shared<MergeSet>();
                       set->AddFile(r.file("a.sdf"), r.model, r.prompter);
                       set->AddFile(r.file("b.tsd"), r.model, r.prompter);
                       MergeSettings s;
                       s.TargetFile = r.file("out.sdf");
                       s.Memo = "merged";
                       DefaultChannels(*set, s);
                       return Job{[&r, set, s] { CombineFiles(*set, s, r.model, r.prompter, r.progress); }};
                   },
                   {Text(Tx::MergeSaved)}});
    all.push_back(link("LinkToSdf", "out.sdf"));
    all.push_back(link("LinkToTsd", "out.tsd"));
    all.push_back(resave("Resave", false));
    all.push_back(resave("ResaveIntoItsSource", true));
    for (bool linked : {false, true}) {
        Writer w{linked ? "SdfToTsdThroughHardLink" : "SdfToTsd",
                 [linked](Run& r) {
                     const std::string source = sdfSource(r);
                     if (linked) {
                         // An older text file of 12 bursts, rewritten in place.
                         test::FileSpec old;
                         old.bursts = 12;
                         old.samples = 30;
                         test::writeFile(r.file("out.tsd"), old);
                         fs::create_hard_link(r.dir / "out.tsd", r.dir / "kept.tsd");
                     } else {
                         oldOutput(r, "out.tsd");
                     }
                     return Job{[&r, source] {
                         ConvertSDFToTSD(
                             r.model, source, [&r](const std::string&) { return r.file("out.tsd"); }, r.prompter,
                             r.progress);
                     }};
                 },
                 {"変換を正常に終了しました。"}};
        if (linked) w.linked = {{"out.tsd", "kept.tsd"}};
        all.push_back(w);
    }
    all.push_back(fileConverter("Addc", [](Run& r) {
        test::AddcSpec s;
        s.sampleSize = 400;
        test::writeAll(r.file("in.dat"), test::makeADDC(s));
        test::setLocalModificationTime(r.file("in.dat"), 2021, 3, 4, 13, 45, 27);
        return r.file("in.dat");
    }));
    all.push_back(fileConverter("Drf", [](Run& r) {
        test::DrfSpec s;
        s.sampleSize = 100;
        s.iterations = 20;
        test::writeAll(r.file("in.drf"), test::makeDRF(s));
        return r.file("in.drf");
    }));
    all.push_back({"RawFile", [](Run& r) {
                       std::vector<std::string> lines = test::compactWHHeader(30, 600);
                       for (int j = 0; j < 600; ++j) lines.push_back("a," + std::to_string(1 + j % 9));
                       test::writeText(r.file("in.raw"), test::joinLines(lines));
                       oldOutput(r, "in.sdf");
                       auto h = std::make_shared<AlecHeader>();
                       ReadAlecHeader(RawKind::CompactWH, r.file("in.raw"), r.prompter, *h);
                       struct NoValue : ValuePrompt {
                           bool InputValue(const std::string&, const std::string&, const std::string&,
                                           std::string&) override {
                               return false;
                           }
                       };
                       auto save = headerDialog(r);
                       auto values = std::make_shared<NoValue>();
                       return Job{[&r, h, save, values] {
                           AlecServices s{r.model, r.prompter, r.progress, *save, *values};
                           ConvertAlecFile(*h, {}, s);
                       }};
                   }});
    all.push_back(
        {"DL2", [](Run& r) {
             test::DL2Times t{2004, 3, 1, 12, 0, 3, 2, 12, 0};
             std::vector<std::string> l{test::dl2Line1("Site", "St", "L", "TIDE"), test::dl2Line2(t, "2", "cm", 24)};
             for (int b = 0; b < 13; ++b) {
                 const int hour = 12 + 2 * b;
                 l.push_back(test::dl2BurstHeader(3, 1 + hour / 24, hour % 24, 0));
                 test::append(l, test::dl2ValueLines(std::vector<int>(24, 10 + b)));
             }
             test::writeText(r.file("in.txt"), test::joinLines(l));
             oldOutput(r, "out.sdf");
             auto h = std::make_shared<DL2Header>(ReadDL2Header(r.file("in.txt")));
             auto save = headerDialog(r, r.file("out.sdf"));
             return Job{[&r, h, save] {
                 // As the dialog's conversion button does.
                 SetDL2SDFHeader(*h, r.model);
                 r.model.FileName = h->SourceFile;
                 if (!save->ExecuteSave(0)) return;
                 DL2Services s{r.model, r.prompter, r.progress};
                 ConvertDL2Bursts(*h, 0, s);
             }};
         }});
    all.push_back({"Vector", [](Run& r) {
                       std::vector<std::string> dat, sen;
                       for (int b = 1; b <= 2; ++b)
                           for (int e = 1; e <= 4; ++e)
                               dat.push_back(test::datLine(b, e, 0.01 * e, -0.02 * e, 0.001 * b));
                       for (int m = 0; m < 120; m += 10) sen.push_back(test::senLine(12 + m / 60, m % 60, 0, 10.5));
                       test::VectorHdr hdr;
                       hdr.last = "01.02.2005 12:59:59";
                       test::writeText(r.file("EXP.hdr"), test::joinLines(hdr.lines("EXP")));
                       test::writeText(r.file("EXP.dat"), test::joinLines(dat));
                       test::writeText(r.file("EXP.sen"), test::joinLines(sen));
                       oldOutput(r, "EXP.sdf");
                       VectorHeader h;
                       ParseVectorHeader(r.file("EXP.hdr"), r.prompter, h);
                       auto plan =
                           std::make_shared<std::optional<VectorPlan>>(PrepareVectorConversion(h, {}, r.prompter));
                       auto save = headerDialog(r);
                       return Job{[&r, plan, save] {
                           if (!*plan) return;
                           VectorServices s{r.model, r.prompter, r.progress, *save};
                           ConvertVectorFile(**plan, s);
                       }};
                   }});
    all.push_back({"WaveHunter", [](Run& r) {
                       test::HunHeader hh;
                       std::vector<test::HunBurst> bursts;
                       for (std::uint16_t k = 0; k < 12; ++k)
                           bursts.push_back({0, static_cast<std::uint16_t>(10 * k), std::vector<std::uint16_t>(12, k)});
                       test::writeAll(r.file("a.hun"), test::hunFile(hh, bursts));
                       test::setLocalModificationTime(r.file("a.hun"), 2021, 3, 4, 13, 45, 27);
                       oldOutput(r, "out.sdf");
                       auto f = std::make_shared<WaveHunterFile>();
                       ReadWaveHunterFile(r.file("a.hun"), *f, r.prompter, r.progress);
                       auto o = std::make_shared<WaveHunterOptions>();
                       auto save = headerDialog(r, r.file("out.sdf"));
                       return Job{[&r, f, o, save] {
                           SetWaveHunterSDFHeader(*f, *o, r.model);
                           r.model.FileName = f->MasterFileName;
                           if (!save->ExecuteSave(0)) return;
                           WaveHunterServices s{r.model, r.prompter, r.progress};
                           ConvertWaveHunterBursts(*f, *o, s);
                       }};
                   }});
    all.push_back(
        {"CommaData", [](Run& r) {
             std::string text;
             for (int i = 1; i <= 320; ++i) text += std::to_string(i) + "," + std::to_string(10 * i % 700) + "\r\n";
             test::writeText(r.file("obs.csv"), text);
             oldOutput(r, "obs.sdf");
             auto save = headerDialog(r);
             auto temp = std::make_shared<std::string>();
             auto open = std::make_shared<FileDialogSettings>();
             CommaDataSteps steps{[&r, temp](const std::string& file) {
                                      // The importer's window, as its import button runs it.
                                      CommaFormTexts f;
                                      f.StartTime = "2004/05/06 12:00:00";
                                      f.BurstMode = true;
                                      f.SamplesPerBurst = "40";
                                      f.BurstInterval = "1";
                                      f.Columns = {{true, "X1", "", "1", "0"}, {true, "X2", "", "1", "0"}};
                                      try {
                                          CommaImportSettings s = ReadImportSettings(f, file);
                                          CommaImportResult result = ImportCommaData(s, r.prompter, r.progress);
                                          ApplyCommaImport(s, result, r.model);
                                          *temp = result.TempFileName;
                                          return true;
                                      } catch (const BrineError& e) {
                                          r.prompter.error(e.what());
                                          return false;
                                      }
                                  },
                                  [] { return true; }, [temp] { return *temp; },
                                  [&r](const std::string& name) { r.model.SaveFileName = name; }};
             return Job{[&r, save, steps, open] {
                 RunCommaDataHandOff({r.file("obs.csv")}, steps, *save, r.model, r.progress, r.prompter, *open);
             }};
         }});
    all.push_back({"YearlyTable",
                   [](Run& r) {
                       std::string text = "旬別値\n旬,2004年(1月～12月)\n";
                       const char* period[] = {"上旬", "中旬", "下旬"};
                       for (int row = 1; row <= 36; ++row)
                           text += std::to_string((row - 1) / 3 + 1) + "月" + period[(row - 1) % 3] + "," +
                                   std::to_string(10 * row) + "\n";
                       test::writeText(r.file("table.csv"), utf8ToCp932(text));
                       oldOutput(r, "table.sdf");
                       auto burst = std::make_shared<std::optional<YearTableBurst>>();
                       YearTableSettings s;
                       s.mode = TenDayTable;
                       s.year = 2004;
                       s.dtText = "1";
                       s.dtUnit = 4;
                       *burst = ConvertYearTable(ReadYearTable(r.file("table.csv")).table, s, r.model, r.prompter,
                                                 [](int, int) {});
                       auto save = headerDialog(r);
                       return Job{[&r, burst, save] {
                           if (*burst)
                               SaveYearTableBurst(r.model, **burst, r.file("table.csv"), *save, r.prompter, r.progress);
                       }};
                   },
                   {"変換ファイルを保存しました。"}});
    all.push_back(
        singleBurst("Jma", "tokyo.csv",
                    "データ種別,地点名,期間区分,表示期間\n気象データ,東京,時別値,2020年1月1日0時～2020年1月9日23時\n"
                    "年月日時,気温(℃）,風速(m/s)\n" +
                        hourlyRows("2020/1/%d %d:00,%d.5,%d\n", 216),
                    ReadMeteorologicalCsv));
    all.push_back(singleBurst(
        "FishingPort", "port.csv",
        "漁港名(銚子),年,月,日,時,1/3最大(有義)波高(m),波向(deg)\n" + hourlyRows(",2020,1,%d,%d,%d.25,%d\n", 216),
        ReadFishingPortCsv));
    std::string groups = "2020   3 monthly\n";
    for (int g = 1; g <= 9; ++g)
        groups += "       " + std::to_string(g) + "   1\n   1   2   3   4   5   6   7   8   9  10  11  12\n" +
                  "  11  12  13  14  15  16  17  18  19  20  21  22\n";
    all.push_back(singleBurst("Nowphas", "monthly.txt", groups, ReadPortWaveFile));
    all.push_back({"CadmasSurf",
                   [](Run& r) {
                       std::string text =
                           "    1  W-LEVEL   -    12\n    2  POINT     U    12    5\n  TIME    ETA    U\n";
                       for (int j = 0; j < 400; ++j) {
                           char line[64];
                           std::snprintf(line, sizeof line, "%10.5f   0.%04d   -0.5\n", 0.1 * j, j);
                           text += line;
                       }
                       test::writeText(r.file("data.tran"), text);
                       oldOutput(r, "trandata.sdf");
                       auto save = headerDialog(r);
                       return Job{[&r, save] {
                           ScriptedFileChooser chooser;
                           chooser.choose(r.file("data.tran"));
                           FileDialog open(FileDialogKind::Open);
                           ConvertCadmasSurf(r.model, open, chooser, *save, r.prompter);
                       }};
                   },
                   {"変換ファイルを保存しました。"}});
    // The tools that read into the model and every converter use it as their
    // working copy; the version update and the extraction must leave it as
    // it was.
    for (Writer& w : all) w.workingModel = !w.name.starts_with("VersionUpdate") && !w.name.starts_with("Extract");
    all.push_back(parametersDat("ParametersDat", false));
    all.push_back(parametersDat("ParametersDatHardLinked", true));
    all.push_back(locationDat("LocationDat", false));
    all.push_back(locationDat("LocationDatHardLinked", true));
    return all;
}

// The settings saved on closing. Linked, the file is rewritten in place.
Writer parametersDat(const std::string& name, bool linked) {
    Writer w{name, [linked](Run& r) {
                 test::writeText(r.file("Parameters.dat"), "old.sdf\r\n/old\r\n1\r\n");
                 if (linked) fs::create_hard_link(r.dir / "Parameters.dat", r.dir / "settings.dat");
                 return Job{[&r] {
                     WriteParametersFile(r.file("Parameters.dat"), "/data/new.sdf", "/data", 7, &r.prompter);
                 }};
             }};
    if (linked) w.linked = {{"Parameters.dat", "settings.dat"}};
    return w;
}

// A site added in the site window. Linked, the list is one of 40 sites,
// longer than the block a rewrite in place writes last.
Writer locationDat(const std::string& name, bool linked) {
    Writer w{name, [linked](Run& r) {
                       auto sites = std::make_shared<SiteList>();
                       sites->LocationFile = r.file("Location.dat");
                       if (linked) {
                           std::string text;
                           for (int k = 1; k <= 40; ++k)
                               text += "Site" + std::to_string(k) + "," + std::to_string(30 + k % 10) + ".25," +
                                       std::to_string(130 + k) + ".5\r\n";
                           test::writeText(r.file("Location.dat"), text);
                           fs::create_hard_link(r.dir / "Location.dat", r.dir / "sites.dat");
                       }
                       sites->LoadSites(sites->LocationFile);  // writes the default list when there is none
                       return Job{[sites] {
                                      TFrmLocation w(nullptr, *sites);
                                      w.show();
                                      w.ComboBoxSite->setCurrentIndex(-1);
                                      w.ComboBoxSite->lineEdit()->setText("Harbour");
                                      w.EditLat1->setText("35");
                                      w.EditLat2->setText("10");
                                      w.EditLat3->setText("0");
                                      w.EditLong1->setText("139");
                                      w.EditLong2->setText("20");
                                      w.EditLong3->setText("0");
                                      w.BitBtnAddClick();
                                  },
                                  [sites] { return sites->FileText(); }};
                   }};
    if (linked) w.linked = {{"Location.dat", "sites.dat"}};
    return w;
}

INSTANTIATE_TEST_SUITE_P(AllWriters, WriteFailure, ::testing::ValuesIn(writers()),
                         [](const ::testing::TestParamInfo<Writer>& i) { return i.param.name; });
INSTANTIATE_TEST_SUITE_P(AllWriters, WriterTargets, ::testing::ValuesIn(writers()),
                         [](const ::testing::TestParamInfo<Writer>& i) { return i.param.name; });

}  // namespace
}  // namespace brine
