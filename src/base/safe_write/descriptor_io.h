#pragma once
// What the safe write and its rollback journal do with open descriptors:
// whole reads and writes at a position, syncs of a file and of a folder's
// names (through the fault seam), and the step a failure message names.
#include <sys/types.h>

#include <filesystem>
#include <string>

namespace brine {

// A descriptor closed (through the seam) on every way out.
struct ClosedOnExit {
    int fd;
    ~ClosedOnExit();
};

// Each returns 0 or the errno of the failure. `changed` becomes true once a
// byte of `fd` may differ from before.
int WriteAllAt(int fd, const char* p, std::size_t n, off_t at, bool& changed);
// EIO where the file ends first (it shrank under us).
int ReadAllAt(int fd, char* p, std::size_t n, off_t at);
int SyncFd(int fd);
// Makes the names of a folder durable.
int SyncFolder(const std::filesystem::path& dir);
// -1 when it cannot be told.
off_t SizeOf(int fd);
// "step: the error's text", for a message.
std::string StepFailed(const char* step, int err);

}  // namespace brine
