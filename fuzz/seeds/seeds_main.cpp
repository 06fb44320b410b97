// Writes the seed corpora: fuzz_seeds <corpus folder>. Inputs kept from
// earlier findings are left as they are.
#include <cstdio>
#include <fstream>

#include "seeds/seeds.h"

namespace brine::seeds {

void Put(const std::filesystem::path& root, const std::string& target, const std::string& name,
         const std::string& bytes) {
    const std::filesystem::path dir = root / target;
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / ("seed-" + name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Bytes(const std::vector<unsigned char>& b) { return std::string(b.begin(), b.end()); }

std::string Lines(const std::vector<std::string>& lines, const char* eol) {
    std::string s;
    for (const std::string& l : lines) s += l + eol;
    return s;
}

}  // namespace brine::seeds

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    brine::seeds::WriteTimeSeriesSeeds(root);
    brine::seeds::WriteInstrumentSeeds(root);
    brine::seeds::WriteTableSeeds(root);
    return 0;
}
