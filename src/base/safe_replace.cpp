#include "base/safe_replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/errors.h"

namespace brine {

SafeReplace::SafeReplace(std::filesystem::path target) : target_(std::move(target)) {
    std::filesystem::path dir = target_.parent_path();
    if (dir.empty()) dir = ".";
    std::string name = ".";
    name += target_.filename().string();
    name += ".tmpXXXXXX";
    std::string pattern = (dir / name).string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    int fd = ::mkstemp(buf.data());
    if (fd < 0)
        throw IoError("一時ファイルを作成できません: " + dir.string() + " (" + std::strerror(errno) + ")");
    ::close(fd);
    temp_ = buf.data();
}

SafeReplace::~SafeReplace() {
    if (!done_) removeFileQuietly(temp_);
}

void SafeReplace::commit() {
    if (done_) return;
    int fd = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    // Keep the target's permission bits where it already exists.
    std::error_code ec;
    auto perms = std::filesystem::status(target_, ec).permissions();
    if (!ec && perms != std::filesystem::perms::unknown)
        std::filesystem::permissions(temp_, perms, ec);
    else
        std::filesystem::permissions(temp_,
                                     std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read | std::filesystem::perms::others_read,
                                     ec);
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        int err = errno;
        throw IoError("ファイルを置き換えられません: " + target_.string() + " (" + std::strerror(err) + ")");
    }
    done_ = true;
}

void SafeReplace::abandon() {
    if (done_) return;
    removeFileQuietly(temp_);
    done_ = true;
}

bool removeFileQuietly(const std::filesystem::path& p) noexcept {
    std::error_code ec;
    std::filesystem::remove(p, ec);
    return !std::filesystem::exists(p, ec);
}

}  // namespace brine
