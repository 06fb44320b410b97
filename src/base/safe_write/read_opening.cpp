#include "base/safe_write/read_opening.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/errors.h"
#include "base/safe_write/descriptor_io.h"
#include "base/safe_write/lock_wait.h"
#include "base/safe_write/rollback_journal.h"
#include "base/safe_write/sys_calls.h"
#include "base/texts.h"

namespace brine {
namespace {

constexpr const char* kCannotOpen = "ファイルを開けません";

std::string refusalText(const ReadRefusal& refusal, const std::filesystem::path& file) {
    const std::string name = file.string();
    std::string text = refusal.message;
    if (const auto at = text.find("%1"); at != std::string::npos)
        text.replace(at, 2, name);
    else
        text += "\n" + name;
    return text;
}

[[noreturn]] void cannotOpen(const std::filesystem::path& file, int err) {
    throw IoError(std::string(kCannotOpen) + ": " + file.string() + " (" + std::strerror(err) + ")");
}

}  // namespace

BinaryFile OpenToRead(const std::filesystem::path& file, const ReadRefusal& refusal) {
    // A put-back lets the file go before it is opened again: another
    // rewrite may come between, once or twice, not for ever.
    for (int round = 0;; ++round) {
        ClosedOnExit f{sys::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
        if (f.fd < 0) cannotOpen(file, errno);
        struct stat st {};
        if (::fstat(f.fd, &st) != 0) cannotOpen(file, errno);
        if (S_ISDIR(st.st_mode)) cannotOpen(file, EISDIR);
        if (!S_ISREG(st.st_mode)) cannotOpen(file, EINVAL);
        LockOrWait(f.fd, Hold::Read, file, Tx::ReaderBusy);
        unsigned char first = 1;
        if (::pread(f.fd, &first, 1, 0) != 1 || first != 0) {
            if (refusal.maxBytes > 0 && SizeOf(f.fd) > static_cast<off_t>(refusal.maxBytes))
                throw FormatError(refusalText(refusal, file));
            BinaryFile opened;
            opened.adopt(f.fd, file);
            f.fd = -1;
            return opened;
        }
        // Cut short: put back with the file held alone, which this reader
        // must not keep holding for reading meanwhile. Another file put
        // under the name meanwhile is opened in turn.
        sys::close(f.fd);
        f.fd = -1;
        struct stat named {};
        if (round < 2 && (RollBackCutRewrite(file, refusal.maxBytes) || ::stat(file.c_str(), &named) != 0 ||
                          named.st_dev != st.st_dev || named.st_ino != st.st_ino))
            continue;
        throw FormatError(refusalText(refusal, file) + CutRewriteNote(file, refusal.maxBytes));
    }
}

std::string ReadWholeToRead(const std::filesystem::path& file, const ReadRefusal& refusal) {
    BinaryFile f = OpenToRead(file, refusal);
    std::string all = ReadToEnd(f, static_cast<std::size_t>(refusal.maxBytes));
    // One that grew past the bound while it was read.
    if (refusal.maxBytes > 0 && all.size() > refusal.maxBytes) throw FormatError(refusalText(refusal, file));
    f.close();
    return all;
}

}  // namespace brine
