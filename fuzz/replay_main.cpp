// Replays corpus files through the fuzz targets built into this program, so
// every ordinary test run checks every input that was ever kept.
//   test_fuzz <target> <file or folder>...
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_registry.h"

namespace fs = std::filesystem;

namespace {

// The largest allocation the fuzzing runs allow (-malloc_limit_mb), taken
// as a bound on the whole process: an input that makes a reader take far
// more memory than it justifies fails here too.
constexpr long kRssLimitMb = 1024;

long peakRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

std::vector<fs::path> inputsOf(const fs::path& p) {
    std::vector<fs::path> files;
    if (fs::is_directory(p)) {
        for (const auto& e : fs::recursive_directory_iterator(p))
            if (e.is_regular_file()) files.push_back(e.path());
        std::sort(files.begin(), files.end());
    } else {
        files.push_back(p);
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    const FuzzTarget* target = nullptr;
    if (argc >= 2)
        for (const FuzzTarget& t : kFuzzTargets)
            if (std::strcmp(t.name, argv[1]) == 0) target = &t;
    if (!target || argc < 3) {
        std::fprintf(stderr, "usage: %s <target> <file or folder>...\ntargets:", argv[0]);
        for (const FuzzTarget& t : kFuzzTargets) std::fprintf(stderr, " %s", t.name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    std::size_t count = 0;
    for (int i = 2; i < argc; ++i) {
        if (!fs::exists(argv[i])) {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            return 2;
        }
        for (const fs::path& file : inputsOf(argv[i])) {
            std::ifstream in(file, std::ios::binary);
            std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            std::fprintf(stderr, "%s %s\n", target->name, file.string().c_str());
            // A copy of its own, so reading past the end is noticed.
            std::uint8_t* data = bytes.empty() ? nullptr : new std::uint8_t[bytes.size()];
            if (data) std::memcpy(data, bytes.data(), bytes.size());
            target->run(data, bytes.size());
            delete[] data;
            if (peakRssMb() > kRssLimitMb) {
                std::fprintf(stderr, "==brine-fuzz== over the memory limit: %ld MB after %s\n", peakRssMb(),
                             file.string().c_str());
                return 1;
            }
            ++count;
        }
    }
    if (count == 0) {
        std::fprintf(stderr, "%s: no inputs\n", target->name);
        return 1;
    }
    std::printf("%s: %zu inputs replayed\n", target->name, count);
    return 0;
}
