// TSD burst values as text: the number text of each value and the burst
// written with it.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/decimal_counts.h"
#include "base/fast_number.h"
#include "base/number_text.h"
#include "core/current_file.h"
#include "core/job_files.h"
#include "core/tsd_shared.h"
#include "core/tsd_values.h"

namespace brine {
namespace {

// Text of a burst held before it is written away.
constexpr std::size_t kSpillBytes = 4u << 20;

// 10^e for the tolerances of the integer texts.
double powerOfTen(int e) {
    static const auto table = [] {
        std::array<double, 121> t{};
        for (int i = 0; i < 121; ++i) t[static_cast<std::size_t>(i)] = static_cast<double>(std::pow(10.0L, i - 60));
        return t;
    }();
    return table[static_cast<std::size_t>(std::clamp(e, -60, 60) + 60)];
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The 8 digits of v < 10^8, leading zeros included, at `at`.
inline void eightDigits(std::uint32_t v, char* at) {
    const std::uint32_t hi = v / 10000, lo = v % 10000;
    std::memcpy(at, kDigitPairs + 2 * (hi / 100), 2);
    std::memcpy(at + 2, kDigitPairs + 2 * (hi % 100), 2);
    std::memcpy(at + 4, kDigitPairs + 2 * (lo / 100), 2);
    std::memcpy(at + 6, kDigitPairs + 2 * (lo % 100), 2);
}

// Digits of 0 < v < 10^8.
inline int digitCount(std::uint32_t v) {
    return 1 + (v >= 10) + (v >= 100) + (v >= 1000) + (v >= 10000) + (v >= 100000) + (v >= 1000000) +
           (v >= 10000000);
}

// Writes the decimal digits of u so that they end at `end`; returns their start.
char* decimalDigits(std::uint64_t u, char* end) {
    constexpr const char* kPairs = kDigitPairs;
    while (u >= 100) {
        const auto r = static_cast<std::size_t>(u % 100);
        u /= 100;
        end -= 2;
        std::memcpy(end, kPairs + 2 * r, 2);
    }
    if (u >= 10) {
        end -= 2;
        std::memcpy(end, kPairs + 2 * static_cast<std::size_t>(u), 2);
    } else {
        *--end = static_cast<char>('0' + u);
    }
    return end;
}

}  // namespace

TsdValueText::TsdValueText(float a, float b) : a_(a), b_(b) {
    // With |B| up to 1e5 |A| the 7-digit text is off by at most 0.07 of a
    // count, so it always reads back; otherwise each value is checked.
    plain_ = std::fabs(static_cast<double>(b)) <= 1e5 * std::fabs(static_cast<double>(a));
    const ChannelDecimals dec = channelDecimals(a, b);
    if (!dec.found) return;
    decimal_ = true;
    decimals_ = dec.d;
    aInt_ = dec.aInt;
    bInt_ = dec.bInt;
    digitsReadBack_ = dec.countsExact;
    // The largest |c| whose value lies within half a unit of the last of
    // k - j digits shown, the tolerance being 10^(j - d) / 2. The bound is
    // exact but for its own rounding, far below the margin kept here.
    for (int j = -kLimitBias; j < kLimitBias; ++j)
        limit_[static_cast<std::size_t>(j + kLimitBias)] = (0.4995 * powerOfTen(j - dec.d) - dec.offset) / dec.slope;
}

char* TsdValueText::writeDigits(char* out, std::int16_t c) const {
    if (!decimal_) return nullptr;
    const std::int64_t n = c * aInt_ + bInt_;
    if (n == 0) return nullptr;
    const bool negative = n < 0;
    const std::uint64_t u = negative ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    // The k digits of u end at buf + 24; the bytes around them are there so
    // that they can be moved in pieces of a fixed size.
    char buf[48] = {};
    int k;
    if (u < 100000000) {
        const auto v = static_cast<std::uint32_t>(u);
        eightDigits(v, buf + 16);
        k = digitCount(v);
    } else if (u < 10000000000000000ull) {
        const auto hi = static_cast<std::uint32_t>(u / 100000000), lo = static_cast<std::uint32_t>(u % 100000000);
        eightDigits(hi, buf + 8);
        eightDigits(lo, buf + 16);
        k = 8 + digitCount(hi);
    } else {
        k = static_cast<int>(buf + 24 - decimalDigits(u, buf + 24));
    }
    const char* digits = buf + 24 - k;
    int m = k;
    if (u % 10 == 0)
        while (m > 1 && digits[m - 1] == '0') --m;
    int shown;
    if (plain_) {
        if (m > 7) return nullptr;
        shown = 7;
    } else {
        // Fewer digits than the decimal has change it by at least 10^-d, a
        // whole count when A is 10^-d: only then are they sure not to read back.
        if (!digitsReadBack_ || (aInt_ != 1 && aInt_ != -1) || m > 17) return nullptr;
        shown = std::max(m, 7);
    }
    // Below a power of ten the value rounds in the decade beneath it.
    const bool powerOf10 = m == 1 && digits[0] == '1';
    const int j = k - shown - (powerOf10 ? 1 : 0);
    if (!(std::abs(static_cast<int>(c)) < limit_[static_cast<std::size_t>(j + kLimitBias)])) return nullptr;

    // The layout of the general format, value = 0.digits x 10^e: fixed while
    // -3 <= e <= the digits shown, else d.dddE-n.
    const int e = k - decimals_;
    auto move24 = [](char* to, const char* from) { std::memcpy(to, from, 24); };
    if (negative) *out++ = '-';
    if (e >= -3 && e <= shown) {
        if (e <= 0) {
            std::memcpy(out, "0.000", 5);
            out += 2 - e;
            move24(out, digits);
            out += m;
        } else if (m <= e) {
            move24(out, digits);  // the digits up to e hold the zeros
            out += e;
        } else {
            move24(out, digits);
            out += e;
            *out++ = '.';
            move24(out, digits + e);
            out += m - e;
        }
    } else {
        *out++ = digits[0];
        if (m > 1) {
            *out++ = '.';
            move24(out, digits + 1);
            out += m - 1;
        }
        *out++ = 'E';
        out = std::to_chars(out, out + 8, e - 1).ptr;
    }
    return out;
}

char* TsdValueText::writeGeneral(char* out, std::int16_t c) const {
    const double v = static_cast<double>(static_cast<long double>(c) * a_ + b_);
    if (plain_) return WriteGeneral7(out, v);
    // 7 digits when they read back to the count, else the fewest that do.
    std::string t;
    for (int d = 7; d <= 17; ++d) {
        t = FormatGeneral(v, d);
        std::optional<double> back = ParseNumber(t);
        if (back && countOf(*back, a_, b_) == c) break;
    }
    const std::size_t n = std::min(t.size(), kMaxBytes);
    std::memcpy(out, t.data(), n);
    return out + n;
}

char* TsdValueText::write(char* out, std::int16_t c) const {
    if (c == ErrorData) {
        *out = '=';
        return out + 1;
    }
    if (char* end = writeDigits(out, c)) return end;
    return writeGeneral(out, c);
}

bool CurrentFile::AppendTSDBurstText(int b, std::string& out, const std::function<void(std::string&)>& spill) const {
    if (b < 0 || !burstBuffersFit(*this)) return false;
    const std::size_t nch = static_cast<std::size_t>(Nch), nch2 = static_cast<std::size_t>(Nch2);
    const std::size_t samples = static_cast<std::size_t>(SampleSize);
    if (!tsdScales_.p) tsdScales_.p = std::make_shared<TsdScales>();
    std::array<const TsdValueText*, kMaxChannels> writers;
    for (std::size_t k = 0; k < nch + nch2; ++k) {
        if (!validScale(ScaleA[k], OffsetB[k])) return false;
        writers[k] = &tsdScales_.p->text.at(k, ScaleA[k], OffsetB[k]);
    }
    out.append("No.").append(std::to_string(static_cast<long long>(b) + 1)).append(kCrLf);
    // Each line is made in place, then appended at once.
    char line[kMaxChannels * (TsdValueText::kMaxBytes + 1) + 2];
    for (std::size_t j = 0; j < samples; ++j) {
        char* p = line;
        for (std::size_t ch = 0; ch < nch; ++ch) {
            if (ch > 0) *p++ = ',';
            p = writers[ch]->write(p, Data[ch][j]);
        }
        *p++ = '\r';
        *p++ = '\n';
        out.append(line, static_cast<std::size_t>(p - line));
        if (spill && out.size() >= kSpillBytes) spill(out);
    }
    if (nch2 > 0) {
        char* p = line;
        for (std::size_t k = 0; k < nch2; ++k) {
            if (k > 0) *p++ = ',';
            p = writers[nch + k]->write(p, BurstData[k]);
        }
        *p++ = '\r';
        *p++ = '\n';
        out.append(line, static_cast<std::size_t>(p - line));
    }
    return true;
}

bool CurrentFile::WriteTSDBurst(int b) {
    try {
        CallFiles files(job_.p.get());
        JobFile& f = outputFile(files, OpenMode::Update);
        // The text goes straight behind what waits to be written, and out
        // to the file every few megabytes.
        std::string& text = files->appendBuffer(f);
        if (!AppendTSDBurstText(b, text, [&](std::string&) { files->appended(f); })) return false;
        files->appended(f);
        files.done();
        return true;
    } catch (...) {
        outputFailed();
        return false;
    }
}

}  // namespace brine
