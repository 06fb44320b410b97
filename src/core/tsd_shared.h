#pragma once
// What the TSD header, value and block code share; for those files only.
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/decimal_counts.h"
#include "base/rounding.h"
#include "core/current_file.h"
#include "core/tsd_values.h"

namespace brine {

class LineReader;

constexpr char kCrLf[] = "\r\n";
// No line of a sound file comes near this; a longer one means a damaged or
// foreign file and must not grow without bound.
constexpr std::size_t kMaxLineBytes = 16u << 20;

inline std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// A Single from a number read as a double; nothing when it has no finite
// Single (narrowing such a double is undefined).
inline std::optional<float> toSingle(double v) {
    if (!std::isfinite(v) || std::fabs(v) >= 0x1.ffffffp+127) return std::nullopt;
    return static_cast<float>(v);
}

// The count the reader makes of a value: (v - B) / A, halves to even; nothing
// when it is not finite or falls outside -32768..32767.
inline std::optional<std::int16_t> countOf(double v, float a, float b) {
    long double x = (static_cast<long double>(v) - b) / a;
    if (!std::isfinite(x) || std::fabs(x) > 40000.0L) return std::nullopt;
    int r = RoundHalfEven(x);
    if (!fitsCount(r)) return std::nullopt;
    return static_cast<std::int16_t>(r);
}

// The model's counts and buffers describe a burst that can be read into or
// written from them.
inline bool burstBuffersFit(const CurrentFile& m) {
    const int nch = m.Nch, nch2 = m.Nch2;
    if (nch < 0 || nch > kMaxIntervalChannels || nch2 < 0 || nch + nch2 > kMaxChannels || m.SampleSize < 0 ||
        m.Data.size() < static_cast<std::size_t>(nch) || m.BurstData.size() < static_cast<std::size_t>(nch2))
        return false;
    for (int ch = 0; ch < nch; ++ch)
        if (m.Data[static_cast<std::size_t>(ch)].size() < static_cast<std::size_t>(m.SampleSize)) return false;
    return true;
}

inline bool validScale(float a, float b) { return std::isfinite(a) && a != 0 && std::isfinite(b); }

// Reads lines 1 to the date-time line: version, memo (its later lines joined
// by CR) and start time. False when the file is no TSD of a known version
// or has no date-time line. The memo is kept only as far as the model holds it.
bool readPreamble(LineReader& in, int& version, std::string* memo, double* start);

// What is made of a channel's A and B, kept per channel while they stay.
template <class T>
class PerScale {
public:
    const T& at(std::size_t k, float a, float b) {
        const std::uint64_t key = static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(a)) << 32 |
                                  std::bit_cast<std::uint32_t>(b);
        std::optional<Slot>& s = slots_.at(k);
        if (!s || s->key != key) s.emplace(Slot{key, T(a, b)});
        return s->value;
    }

private:
    struct Slot {
        std::uint64_t key;
        T value;
    };
    std::array<std::optional<Slot>, kMaxChannels> slots_;
};

struct TsdScales {
    PerScale<TsdValueText> text;
    PerScale<CountReader> counts;
};

}  // namespace brine
