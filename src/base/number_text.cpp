#include "base/number_text.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace brine {
namespace {

// Exact decimal digits of |v| (glibc prints exactly): returns the digit string
// and the exponent E with |v| = 0.digits x 10^E. The string holds `want`
// digits rounded half away from zero (carry handled).
struct Digits {
    std::string d;
    int exp10 = 0;  // value = 0.d x 10^exp10
};

Digits roundedDigits(double v, int want) {
    // 60 extra digits decide a tie safely: a double is never that close to one
    // without being one.
    char buf[128];
    int prec = want + 60;
    std::snprintf(buf, sizeof buf, "%.*e", prec - 1, std::fabs(v));
    std::string all;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') all.push_back(*p);
    int e = std::atoi(p + 1);
    Digits r;
    r.exp10 = e + 1;
    r.d = all.substr(0, static_cast<size_t>(want));
    bool up = all[static_cast<size_t>(want)] >= '5';
    if (up) {
        int i = want - 1;
        while (i >= 0 && r.d[static_cast<size_t>(i)] == '9') r.d[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
            ++r.d[static_cast<size_t>(i)];
        } else {
            r.d.insert(r.d.begin(), '1');
            r.d.pop_back();
            ++r.exp10;
        }
    }
    return r;
}

// Mantissa digits and exponent of a std::to_chars scientific text
// ("1.234e+06"): value = 0.digits x 10^(e + 1).
Digits parseScientific(const char* b, const char* e) {
    Digits r;
    const char* p = b;
    for (; p != e && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') r.d.push_back(*p);
    int ex = 0;
    if (p != e) std::from_chars(p + (p[1] == '+' ? 2 : 1), e, ex);
    r.exp10 = ex + 1;
    return r;
}

// The same digits as roundedDigits, from std::to_chars, which is far cheaper.
// to_chars rounds the exact value correctly but sends exact ties to even; a
// tie shows as a shortest text of want + 1 digits ending in 5 (no shorter
// decimal lies near enough to the double while want is small), so that one
// case is left to the exact path. False when the exact path must decide.
bool fastDigits(double v, int want, Digits& out) {
    if (want > 15) return false;
    char buf[64];
    double a = std::fabs(v);
    auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific);
    if (res.ec != std::errc()) return false;
    Digits shortest = parseScientific(buf, res.ptr);
    int n = static_cast<int>(shortest.d.size());
    if (n <= want) {
        out = std::move(shortest);
        return true;
    }
    if (n == want + 1 && shortest.d.back() == '5') return false;
    res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, want - 1);
    if (res.ec != std::errc()) return false;
    out = parseScientific(buf, res.ptr);
    return true;
}

}  // namespace

std::string FormatGeneral(double value, int digits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0";
    if (digits < 1) digits = 1;
    if (digits > 18) digits = 18;
    Digits r;
    if (!fastDigits(value, digits, r)) r = roundedDigits(value, digits);
    while (r.d.size() > 1 && r.d.back() == '0') r.d.pop_back();
    std::string out = value < 0 ? "-" : "";
    int E = r.exp10;
    int n = static_cast<int>(r.d.size());
    if (E >= -3 && E <= digits) {
        if (E <= 0) {
            out += "0.";
            out.append(static_cast<size_t>(-E), '0');
            out += r.d;
        } else if (n <= E) {
            out += r.d;
            out.append(static_cast<size_t>(E - n), '0');
        } else {
            out += r.d.substr(0, static_cast<size_t>(E));
            out += '.';
            out += r.d.substr(static_cast<size_t>(E));
        }
    } else {
        out += r.d[0];
        if (n > 1) {
            out += '.';
            out += r.d.substr(1);
        }
        out += 'E';
        out += std::to_string(E - 1);
    }
    return out;
}

std::optional<double> ParseNumber(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\r' || text[e - 1] == '\n')) --e;
    if (b == e) return std::nullopt;
    std::string s(text.substr(b, e - b));
    if (s[0] == '+') s.erase(0, 1);
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
    if (s[0] == '+') s.remove_prefix(1);
    int v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace brine
