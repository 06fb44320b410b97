#include "base/number_text.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace brine {
namespace {

// Significant digits of |v| rounded half away from zero: d[0..n), with
// |v| = 0.d x 10^exp10.
struct Digits {
    char d[24];
    int n = 0;
    int exp10 = 0;
};

// Mantissa digits and exponent of a scientific text ("1.234e+06" or, from
// printf, "1,234e+06" in a decimal-comma locale): value = 0.digits x 10^(e + 1).
void readScientific(const char* b, const char* e, char* d, int& n, int& exp10) {
    n = 0;
    const char* p = b;
    for (; p != e && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d[n++] = *p;
    int ex = 0;
    if (p != e) std::from_chars(p + (p[1] == '+' ? 2 : 1), e, ex);
    exp10 = ex + 1;
}

// Adds one unit in the last of the n digits; a carry out of the first digit
// gives "10...0", one more decimal place to the left.
void roundUp(Digits& r) {
    int i = r.n - 1;
    while (i >= 0 && r.d[i] == '9') r.d[i--] = '0';
    if (i >= 0) {
        ++r.d[i];
    } else {
        r.d[0] = '1';
        ++r.exp10;
    }
}

// Exact decimal expansion (glibc prints exactly) cut at `want` digits; 60
// extra digits decide a tie safely, a double is never that close to one
// without being one.
Digits exactDigits(double a, int want) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%.*e", want + 59, a);
    char all[100];
    int n = 0;
    Digits r;
    readScientific(buf, buf + std::strlen(buf), all, n, r.exp10);
    std::memcpy(r.d, all, static_cast<std::size_t>(want));
    r.n = want;
    if (all[want] >= '5') roundUp(r);
    return r;
}

// The same digits from std::to_chars, which is far cheaper. want + 1 correctly
// rounded digits decide the rounding unless the last of them is 5; then the
// exact value may be a tie, which to_chars would send to even. A double whose
// shortest text has want + 1 digits ending in 5 is a tie or lies just beside
// one (7.0000005): only the exact expansion tells. Any other double is no tie
// (no other decimal that short lies near it while want is small), and
// to_chars rounds it correctly.
Digits fastDigits(double a, int want) {
    char buf[64];
    Digits r;
    auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, want);
    readScientific(buf, res.ptr, r.d, r.n, r.exp10);
    char last = r.d[want];
    r.n = want;
    if (last != '5') {
        if (last > '5') roundUp(r);
        return r;
    }
    Digits shortest;
    res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
    readScientific(buf, res.ptr, shortest.d, shortest.n, shortest.exp10);
    if (shortest.n == want + 1 && shortest.d[want] == '5') return exactDigits(a, want);
    res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, want - 1);
    readScientific(buf, res.ptr, r.d, r.n, r.exp10);
    return r;
}

}  // namespace

std::string FormatGeneral(double value, int digits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0";
    if (digits < 1) digits = 1;
    if (digits > 18) digits = 18;
    double a = std::fabs(value);
    Digits r = digits <= 15 ? fastDigits(a, digits) : exactDigits(a, digits);
    int n = r.n;
    while (n > 1 && r.d[n - 1] == '0') --n;
    const int E = r.exp10;
    char out[64];
    int k = 0;
    if (value < 0) out[k++] = '-';
    if (E >= -3 && E <= digits) {
        if (E <= 0) {
            out[k++] = '0';
            out[k++] = '.';
            for (int i = 0; i < -E; ++i) out[k++] = '0';
            for (int i = 0; i < n; ++i) out[k++] = r.d[i];
        } else {
            for (int i = 0; i < E; ++i) out[k++] = i < n ? r.d[i] : '0';
            if (n > E) {
                out[k++] = '.';
                for (int i = E; i < n; ++i) out[k++] = r.d[i];
            }
        }
    } else {
        out[k++] = r.d[0];
        if (n > 1) {
            out[k++] = '.';
            for (int i = 1; i < n; ++i) out[k++] = r.d[i];
        }
        out[k++] = 'E';
        auto res = std::to_chars(out + k, out + sizeof out, E - 1);
        k = static_cast<int>(res.ptr - out);
    }
    return std::string(out, static_cast<std::size_t>(k));
}

std::string SignificantDigits(double value, int count, int& exponent) {
    const Digits r = exactDigits(std::fabs(value), count);
    exponent = r.exp10 - 1;
    return std::string(r.d, static_cast<std::size_t>(r.n));
}

std::optional<double> ParseNumber(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' || text[e - 1] == '\n')) --e;
    if (b == e) return std::nullopt;
    std::string s(text.substr(b, e - b));
    // One sign at most: "+-5" is not a number.
    if (s[0] == '+') {
        s.erase(0, 1);
        if (s.empty() || s[0] == '-' || s[0] == '+') return std::nullopt;
    }
    // Only plain decimal forms: no hex, inf or nan.
    for (char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    double v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<int> ParseInt(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' || text[e - 1] == '\n')) --e;
    if (b == e) return std::nullopt;
    std::string_view s = text.substr(b, e - b);
    if (s[0] == '+') {
        s.remove_prefix(1);
        if (s.empty() || s[0] == '-' || s[0] == '+') return std::nullopt;
    }
    int v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace brine
