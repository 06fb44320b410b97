#pragma once
// A test's plan of faults at the program's file calls (see
// base/safe_write/sys_calls.h): it counts the calls of a job and makes any
// one of them fail with the error a full disk, a size limit or a failing
// device gives, or stops the process there as a kill or a power cut would:
// before the call, after a write that landed only in part, or with what was
// not yet synced lost.
#include <cerrno>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/safe_write/sys_calls.h"

namespace brine::sys {

enum class Call : unsigned char { Open, Write, Pwrite, Fsync, Fallocate, Ftruncate, Rename, Close, Link };

struct PowerLoss;

// What happens at the chosen call.
enum class Fault : unsigned char {
    Fail,  // the call fails with `error`
    Kill,  // the process ends before making the call, undoing nothing
    Tear,  // a write lands only in part, then the process ends (at any other call: as Kill)
    // The process ends before the call, and the power goes with it: of each
    // file's writes since its last successful sync, a choice of 512-byte
    // sectors (drawn from `seed`) reads as before them, and a size changed
    // since may be the synced one again; every name made, renamed, linked
    // or removed in a folder not synced since is undone, the latest first.
    PowerCut,
};

// The exit status of a process a plan stopped (for a test that forks the job).
inline constexpr int kStoppedStatus = 86;

// Counts the calls of the test's job and fails the chosen one, or stops the
// process there. A plan that stops is meant for a forked child: the process
// _exit()s with kStoppedStatus, without unwinding, flushing or any undo.
// Removals are not counted: one that fails leaves only a file of the
// program's own, removed by the next job; a power cut may undo them.
struct FaultPlan {
    struct Record {
        Call call;
        std::string path;       // the file (for a rename, its new name)
        bool writable = false;  // opened for writing
    };
    long long failAt = 0;      // 1-based number of the call the fault hits; 0 hits none
    // Where failAt is 0: the fault hits the first call this is true of.
    std::function<bool(const Record&)> hits;
    Fault fault = Fault::Fail;
    int error = EIO;           // errno of the failed call
    bool persistent = false;   // every call from failAt on fails, as on a device gone bad
    long long tearBytes = -1;  // bytes of a torn write that land (at most all but one); -1: half
    std::vector<long long> alsoFailAt;  // further calls that fail once with `error`, whatever the fault
    unsigned seed = 1;                  // the draw of a power cut
    std::vector<Record> calls;            // every call made, in order
    std::vector<std::size_t> commitsAt;   // number of calls made when each replace began its commit
    std::map<int, Record> openFiles;      // by descriptor
    std::shared_ptr<PowerLoss> powerLoss;  // what a power cut would undo, kept for a PowerCut plan
};

// A plan that stops the process once a rewrite in place of `file` has
// cleared its first byte: before its second write into the file.
FaultPlan StopWithFileCutShort(const std::string& file);

// The plan in force; null when none is armed.
extern FaultPlan* armedPlan;

// Arms a plan for its lifetime. Arming nests: the plan in force before is
// put back (and counts again) when the inner one is disarmed; the calls
// made meanwhile are the inner plan's alone.
class ArmFaults {
public:
    explicit ArmFaults(FaultPlan& plan);
    ~ArmFaults();
    ArmFaults(const ArmFaults&) = delete;
    ArmFaults& operator=(const ArmFaults&) = delete;

private:
    FaultPlan& plan_;
    FaultPlan* outer_;
};

}  // namespace brine::sys
