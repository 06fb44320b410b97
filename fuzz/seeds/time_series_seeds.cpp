// SDF (every version), TSD, ADDC and DRF seeds.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/binary_file.h"
#include "core/current_file.h"
#include "core/sdf_builder.h"
#include "seeds/seeds.h"

namespace brine::seeds {
namespace {

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Two interval channels and one burst channel, three samples, two bursts.
void fillSample(CurrentFile& m) {
    m.SetMemo("seed memo");
    m.Nch = 2;
    m.Nch2 = 1;
    m.SampleSize = 3;
    m.Iterations = 2;
    m.SInt = 500;
    m.SITUnit = 1;
    m.BInt = 10;
    m.BITUnit = 3;
    m.StartTime = 45000.25;
    const char* names[] = {"Level", "Temp", "Mean"};
    const char* units[] = {"cm", "degC", "cm"};
    for (int k = 0; k < 3; ++k) {
        m.SetChannelName(k, names[k]);
        m.SetChannelUnit(k, units[k]);
        m.ScaleA[static_cast<std::size_t>(k)] = 0.01f;
        m.OffsetB[static_cast<std::size_t>(k)] = 1.5f;
    }
    m.AllocateDataArrays();
}

void fillBurst(CurrentFile& m, int b) {
    for (int ch = 0; ch < m.Nch; ++ch)
        for (int j = 0; j < m.SampleSize; ++j)
            m.Data[static_cast<std::size_t>(ch)][static_cast<std::size_t>(j)] =
                static_cast<std::int16_t>(100 * b + 10 * ch + j - (j == 1 ? 32768 : 0));
    for (int k = 0; k < m.Nch2; ++k) m.BurstData[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(1000 + b + k);
}

// Parts of a multi-file input, separated by lines of "%%%%".
std::string joinParts(const std::vector<std::string>& parts) {
    std::string s;
    for (std::size_t i = 0; i < parts.size(); ++i) s += (i > 0 ? "\n%%%%\n" : "") + parts[i];
    return s;
}

// The sample as SDF version 4, changed first by `change` (the buffers are
// sized again after it).
std::string sdfVersion4(void (*change)(CurrentFile&) = nullptr) {
    const std::filesystem::path p = std::filesystem::temp_directory_path() / "brine-seed.sdf";
    CurrentFile m;
    fillSample(m);
    if (change) {
        change(m);
        m.AllocateDataArrays();
    }
    m.CreateSDFFile(p.string());
    m.SaveFileName = p.string();
    for (int b = 0; b < m.Iterations; ++b) {
        fillBurst(m, b);
        m.WriteSDFBurst(b);
    }
    std::string bytes = readFile(p);
    std::filesystem::remove(p);
    return bytes;
}

std::string tsd(void (*change)(CurrentFile&) = nullptr) {
    const std::filesystem::path p = std::filesystem::temp_directory_path() / "brine-seed.tsd";
    CurrentFile m;
    fillSample(m);
    if (change) change(m);
    m.CreateTSDFile(p.string());
    m.SaveFileName = p.string();
    for (int b = 0; b < m.Iterations; ++b) {
        fillBurst(m, b);
        m.WriteTSDBurst(b);
    }
    std::string bytes = readFile(p);
    std::filesystem::remove(p);
    return bytes;
}

std::string sdfOld(char version) {
    test::SdfSpec s;
    s.version = version;
    for (int b = 0; b < s.iterations; ++b) s.records.push_back(test::record(b, s.nch, s.sampleSize, s.nch2));
    const std::vector<std::uint8_t> bytes = test::buildSdf(s);
    return std::string(bytes.begin(), bytes.end());
}

template <typename T>
void put(std::string& b, std::size_t at, T v) {
    if (b.size() < at + sizeof v) b.resize(at + sizeof v, '\0');
    putLE<T>(reinterpret_cast<std::uint8_t*>(b.data() + at), v);
}

void text(std::string& b, std::size_t at, const std::string& s) {
    if (b.size() < at + s.size()) b.resize(at + s.size(), '\0');
    std::memcpy(b.data() + at, s.data(), s.size());
}

// Three channels of four samples, one with its unit in brackets.
std::string addc() {
    const int nch = 3, samples = 4;
    std::string b(128 + 24 * nch, '\0');
    text(b, 0, "AD/DC DATA FILE Ver.2   ");
    text(b, 24, "ADDC comment");
    text(b, 104, "97/05/12");
    put<std::int16_t>(b, 120, nch);
    put<std::uint16_t>(b, 122, samples);
    put<float>(b, 124, 2.0f);
    for (int k = 0; k < nch; ++k) {
        const std::size_t at = 128 + 24 * static_cast<std::size_t>(k);
        std::string name = k == 1 ? "Temperature" : "Level" + std::to_string(k) + "(cm)";
        name.resize(15, ' ');
        text(b, at, name);
        b[at + 15] = '1';
        put<float>(b, at + 16, 0.25f * static_cast<float>(k));
        put<float>(b, at + 20, 0.5f);
    }
    b.resize(512, ' ');
    for (int j = 0; j < samples; ++j)
        for (int ch = 0; ch < nch; ++ch)
            put<std::int16_t>(b, 512 + 2 * static_cast<std::size_t>(j * nch + ch), static_cast<std::int16_t>(ch * 1000 + j - 2));
    return b;
}

// Two interval channels and one burst channel, three samples, bursts
// half an hour apart; `present` of `iterations` bursts in the file.
std::string drf(int iterations, int present) {
    const int nch = 2, nch2 = 1, samples = 3;
    std::string b(512, '\0');
    text(b, 0, "DRF1 Ver.3          ");
    text(b, 20, "DRF comment");
    put<std::int16_t>(b, 100, nch);
    put<std::int16_t>(b, 102, nch2);
    put<std::uint16_t>(b, 104, samples);
    put<float>(b, 106, 8.0f);
    put<std::int16_t>(b, 110, static_cast<std::int16_t>(iterations));
    put<float>(b, 112, 0.5f);
    for (int k = 0; k < nch + nch2; ++k) {
        const std::size_t at = 256 + 28 * static_cast<std::size_t>(k);
        text(b, at, "Chan" + std::to_string(k) + "           ");
        text(b, at + 16, "mm  ");
        put<float>(b, at + 20, 0.1f * static_cast<float>(k + 1));
        put<float>(b, at + 24, -1.0f);
    }
    for (int burst = 0; burst < present; ++burst) {
        const std::size_t block = (static_cast<std::size_t>(burst) + 2) * 256;
        b.resize(block + 256, '\0');
        if (burst == 0) text(b, block, "98/07/01 06:30:15  ");
        std::size_t at = block + 36;
        for (int j = 0; j < samples; ++j)
            for (int ch = 0; ch < nch; ++ch, at += 2)
                put<std::int16_t>(b, at, static_cast<std::int16_t>(burst * 1000 + ch * 100 + j - 50));
        put<std::int16_t>(b, at, static_cast<std::int16_t>(-burst - 1));
    }
    return b;
}

}  // namespace

void WriteTimeSeriesSeeds(const std::filesystem::path& root) {
    const std::string v4 = sdfVersion4(), text = tsd();
    Put(root, "sdf", "version4", v4);
    for (char v : {'1', '2', '3'}) Put(root, "sdf", std::string("version") + v, sdfOld(v));
    Put(root, "tsd", "two-bursts", text);
    Put(root, "resave", "sdf", v4);
    Put(root, "resave", "sdf-version3", sdfOld('3'));
    Put(root, "resave", "tsd", text);
    Put(root, "addc", "three-channels", addc());
    Put(root, "drf", "three-bursts", drf(3, 3));
    Put(root, "drf", "ends-early", drf(4, 2));

    // Burst channels only; a single burst; a file that starts where the
    // sample ends (two bursts of ten minutes).
    const std::string burstOnly = sdfVersion4([](CurrentFile& m) {
        m.Nch = 0;
        m.Nch2 = 2;
        m.SetChannelName(1, "Mean2");
    });
    const std::string oneBurst = sdfVersion4([](CurrentFile& m) { m.Iterations = 1; });
    const std::string later = sdfVersion4([](CurrentFile& m) { m.StartTime += 20.0 / 1440; });
    Put(root, "sdf_to_tsd", "version4", v4);
    Put(root, "sdf_to_tsd", "version3", sdfOld('3'));
    Put(root, "sdf_to_tsd", "burst-channels-only", burstOnly);
    // Burst channels only, as text: 80 kB of empty sample lines from 520
    // bytes (asked in a fuzz run, accepted); 336 MB from 2 560 bytes
    // (asked, declined).
    Put(root, "sdf_to_tsd", "empty-lines-accepted", sdfVersion4([](CurrentFile& m) {
            m.Nch = 0;
            m.Nch2 = 1;
            m.SampleSize = 10000;
            m.Iterations = 4;
        }));
    Put(root, "sdf_to_tsd", "empty-lines-declined", sdfVersion4([](CurrentFile& m) {
            m.Nch = 0;
            m.Nch2 = 1;
            m.SampleSize = 163840;
            m.Iterations = 1024;
        }));

    // Choices: bit 0 a TSD source, bits 1-2 the output (new SDF, new TSD,
    // the source, an existing file); then the two positions and the channels.
    Put(root, "extract", "sdf-to-sdf", joinParts({v4, std::string("\x00\x01\x00\x01\x00\x01\x00\x01", 8)}));
    Put(root, "extract", "sdf-to-tsd", joinParts({v4, std::string("\x02\x00\x00\x01\x00\x01\x00\x01", 8)}));
    Put(root, "extract", "into-the-source", joinParts({v4, std::string("\x04\x00\x00\x00\x00\x01\x00\x01", 8)}));
    Put(root, "extract", "tsd-over-a-file", joinParts({text, std::string("\x07\x01\x00\x02\x00\x01\x01\x01", 8)}));
    Put(root, "extract", "samples-of-one-burst", joinParts({oneBurst, std::string("\x02\x01\x00\x02\x00\x01\x00\x00", 8)}));
    Put(root, "extract", "burst-channels-only", joinParts({v4, std::string("\x02\x00\x00\x01\x00\x00\x00\x01", 8)}));

    // Choices: bit 0 and bit 1 the files' kinds (TSD), bits 2-3 the output,
    // bit 4 (link) the questions answered No.
    Put(root, "merge", "two-sdf", joinParts({v4, v4, std::string("\x00", 1)}));
    Put(root, "merge", "sdf-and-tsd-to-tsd", joinParts({v4, text, "\x06"}));
    Put(root, "merge", "over-a-file", joinParts({v4, burstOnly, "\x08"}));
    Put(root, "link", "two-sdf", joinParts({v4, later, std::string("\x00", 1)}));
    Put(root, "link", "sdf-and-tsd-to-tsd", joinParts({v4, tsd([](CurrentFile& m) { m.StartTime += 20.0 / 1440; }), "\x06"}));
    Put(root, "link", "one-burst-each", joinParts({oneBurst, sdfVersion4([](CurrentFile& m) {
                                                       m.Iterations = 1;
                                                       m.StartTime += 1.5 / 86400;
                                                   }),
                                                   std::string("\x00", 1)}));
    Put(root, "link", "interval-question-no", joinParts({oneBurst, later, "\x10"}));

    // Choices: bit 0 a TSD, bit 1 the memo edited, bit 2 the burst count
    // edited to the next two bytes less 4000.
    Put(root, "resave_self", "sdf", joinParts({v4, std::string("\x00", 1)}));
    Put(root, "resave_self", "sdf-edited", joinParts({v4, std::string("\x06\xa4\x0f", 3)}));
    Put(root, "resave_self", "version3", joinParts({sdfOld('3'), "\x02"}));
    Put(root, "resave_self", "tsd", joinParts({text, "\x01"}));

    // Three files, then the name of each: a.sdf a.tsd b.addc c.drf b.sdf c.tsd.
    Put(root, "convert_files", "sdf-tsd-addc", joinParts({v4, text, addc(), std::string("\x00\x01\x02", 3)}));
    Put(root, "convert_files", "tsd-then-its-sdf", joinParts({text, v4, drf(3, 3), std::string("\x01\x00\x03", 3)}));
    Put(root, "convert_files", "one-file-twice", joinParts({sdfOld('2'), v4, text, std::string("\x00\x00\x05", 3)}));
}

}  // namespace brine::seeds
