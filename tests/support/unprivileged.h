#pragma once
// Permission checks that hold when the tests run as root: the checks run in
// a child process which, as root, first gives the folder to user nobody and
// becomes that user. A failed check is printed by the child and fails the
// calling test through the child's exit status.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

namespace brine::test {

inline void RunUnprivileged(const std::filesystem::path& folder, const std::function<void()>& checks) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (::geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            bool owned = ::chown(folder.c_str(), kNobody, kNobody) == 0;
            for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
                owned = owned && ::lchown(e.path().c_str(), kNobody, kNobody) == 0;
            if (!owned || ::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 ||
                ::setuid(0) == 0)
                ::_exit(2);
        }
        checks();
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "unprivileged checks failed; wait status " << status << " (exit 2: could not become user nobody)";
}

}  // namespace brine::test
