#pragma once
// Crafted Wave Hunter master files, built as bytes in the tests: HUN with its
// 1024-byte header, H98 with bursts every B blocks, H00 and K02 with the
// burst directory in the last 64 KiB.
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace brine::test {

using Bytes = std::vector<unsigned char>;

inline void putWord(Bytes& b, std::size_t at, std::uint16_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = static_cast<unsigned char>(v & 0xFF);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

inline void putLong(Bytes& b, std::size_t at, std::uint32_t v) {
    putWord(b, at, static_cast<std::uint16_t>(v & 0xFFFF));
    putWord(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// ---- HUN

struct HunHeader {
    std::uint16_t machine = 12, burstMinutes = 30, sampleInterval = 5, samples = 4, channels = 3;
};

// Samples are the words of each sample, channel after channel.
struct HunBurst {
    std::uint16_t number = 0;  // 0: the burst's own number
    std::uint16_t heading = 0;
    std::vector<std::uint16_t> words;
};

inline int hunBlocks(const HunHeader& h) { return (h.samples * h.channels + 4 + 511) / 512; }

inline Bytes hunFile(const HunHeader& h, const std::vector<HunBurst>& bursts) {
    Bytes b(1024, 0);
    putWord(b, 0, h.machine);
    putWord(b, 6, h.burstMinutes);
    putWord(b, 8, h.sampleInterval);
    putWord(b, 10, h.samples);
    putWord(b, 14, h.channels);
    const std::size_t step = static_cast<std::size_t>(hunBlocks(h)) * 1024;
    for (std::size_t k = 0; k < bursts.size(); ++k) {
        const std::size_t at = 1024 + k * step;
        b.resize(at + step, 0);
        putWord(b, at, bursts[k].number ? bursts[k].number : static_cast<std::uint16_t>(k + 1));
        putWord(b, at + 2, bursts[k].heading);
        for (std::size_t i = 0; i < bursts[k].words.size(); ++i) putWord(b, at + 8 + 2 * i, bursts[k].words[i]);
    }
    return b;
}

// ---- H98, H00, K02 records

struct WHRecord {
    std::uint16_t means[5] = {0, 0, 0, 0, 0};  // pressure, velocity 1, velocity 2, compass, temperature
    std::uint8_t machine = 7, year = 4, channels = 3;
    std::uint16_t number = 0;  // 0: the burst's own number
    std::uint8_t recordMinutes = 1, burstMinutes = 30, status1 = 0, status2 = 0x03;
    std::uint8_t minute = 0, hour = 12, day = 1, month = 4;
    std::vector<std::uint16_t> words;  // the samples' words from offset 24
};

inline Bytes recordBytes(const WHRecord& r, std::size_t k) {
    Bytes b(24, 0);
    for (int i = 0; i < 5; ++i) putWord(b, 2 * static_cast<std::size_t>(i), r.means[i]);
    b[10] = r.machine;
    b[11] = r.year;
    b[13] = r.channels;
    putWord(b, 14, r.number ? r.number : static_cast<std::uint16_t>(k + 1));
    b[16] = r.recordMinutes;
    b[17] = r.burstMinutes;
    b[18] = r.status1;
    b[19] = r.status2;
    b[20] = r.minute;
    b[21] = r.hour;
    b[22] = r.day;
    b[23] = r.month;
    for (std::size_t i = 0; i < r.words.size(); ++i) putWord(b, 24 + 2 * i, r.words[i]);
    return b;
}

// H98: burst k at k x blockBytes.
inline Bytes h98File(const std::vector<WHRecord>& records, std::size_t blockBytes) {
    Bytes b;
    for (std::size_t k = 0; k < records.size(); ++k) {
        Bytes r = recordBytes(records[k], k);
        b.resize((k + 1) * blockBytes, 0);
        std::copy(r.begin(), r.end(), b.begin() + static_cast<std::ptrdiff_t>(k * blockBytes));
    }
    return b;
}

// H00 and K02: records every blockBytes from offset 0, then the directory
// (count and offsets + 1) in the last 64 KiB. `extraEntries` adds directory
// entries pointing past the records.
inline Bytes directoryFile(const std::vector<WHRecord>& records, std::size_t blockBytes, bool k02,
                           std::uint32_t extraEntries = 0) {
    Bytes b = h98File(records, blockBytes);
    if (k02 && !b.empty()) putWord(b, 0, 0x4321);
    const std::size_t dir = b.size();
    b.resize(dir + 65536, 0);
    const std::uint32_t n = static_cast<std::uint32_t>(records.size()) + extraEntries;
    putLong(b, dir, n);
    for (std::uint32_t k = 0; k < n; ++k) putLong(b, dir + 4 + 4 * k, static_cast<std::uint32_t>(k * blockBytes + 1));
    return b;
}

// A record timed `minutes` after 2004/04/01 12:00.
inline WHRecord recordAt(WHRecord r, int minutes) {
    r.minute = static_cast<std::uint8_t>(minutes % 60);
    r.hour = static_cast<std::uint8_t>(12 + minutes / 60);
    return r;
}

inline std::string writeFile(const TempDir& dir, const std::string& name, const Bytes& bytes) {
    const std::string p = dir.file(name);
    writeAll(p, bytes);
    return p;
}

}  // namespace brine::test
