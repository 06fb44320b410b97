#include "base/safe_write/lock_wait.h"

#include <fcntl.h>
#include <sys/file.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "base/errors.h"

namespace brine {
namespace {

WriterWait* writerWait = nullptr;

// 0, EWOULDBLOCK while another holds the file, or another errno.
int tryHold(int fd, Hold hold) {
    if (hold == Hold::Write) return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    struct flock range {};
    range.l_type = hold == Hold::Read ? F_RDLCK : F_WRLCK;
    range.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &range) == 0) return 0;
    return errno == EACCES || errno == EAGAIN ? EWOULDBLOCK : errno;
}

}  // namespace

void SetWriterWait(WriterWait* wait) { writerWait = wait; }

bool LockOrWait(int fd, Hold hold, const std::filesystem::path& file, Tx givenUp) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    auto pause = std::chrono::milliseconds(1);
    struct Ended {
        bool waited = false;
        ~Ended() {
            if (waited && writerWait) writerWait->waitEnded();
        }
    } ended;
    for (int err; (err = tryHold(fd, hold)) != 0;) {
        if (err == EINTR) continue;
        if (err != EWOULDBLOCK) return false;  // a file system without such locks
        const double waited = std::chrono::duration<double>(Clock::now() - start).count();
        ended.waited = true;
        const bool goOn = writerWait ? writerWait->keepWaiting(file, waited) : waited < kWriterWaitSeconds;
        if (!goOn) throw IoError(Text(givenUp, {file.string()}));
        // Most writes end within milliseconds; a long one is asked about
        // every tenth of a second.
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(100));
    }
    return true;
}

}  // namespace brine
