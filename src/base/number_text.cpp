#include "base/number_text.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace brine {
namespace {

// Exact decimal digits of |v| (glibc prints exactly): returns the digit string
// and the exponent E with |v| = 0.digits x 10^E. The string holds `want`
// digits rounded half away from zero (carry handled).
struct Digits {
    std::string d;
    int exp10 = 0;  // value = 0.d x 10^exp10
};

// glibc prints the exact decimal expansion, rounded at the last digit asked for.
std::string printedDigits(double v, int count, int& exp10) {
    std::vector<char> buf(static_cast<std::size_t>(count) + 16);
    std::snprintf(buf.data(), buf.size(), "%.*e", count - 1, std::fabs(v));
    std::string all;
    const char* p = buf.data();
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') all.push_back(*p);
    exp10 = std::atoi(p + 1) + 1;
    return all;
}

Digits roundedDigits(double v, int want) {
    int e = 0;
    std::string all = printedDigits(v, want + 40, e);
    // The printed tail was itself rounded; only a tail that looks like a tie
    // ("5000..." or "4999...") could be wrong, so then print every digit
    // (a double has at most 767 significant ones).
    std::string_view tail(all.data() + want, all.size() - static_cast<std::size_t>(want));
    bool nearTie = (tail[0] == '5' && tail.find_first_not_of('0', 1) == std::string_view::npos) ||
                   (tail[0] == '4' && tail.find_first_not_of('9', 1) == std::string_view::npos);
    if (nearTie) all = printedDigits(v, 800, e);
    Digits r;
    r.exp10 = e;
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

}  // namespace

std::string FormatGeneral(double value, int digits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0";
    if (digits < 1) digits = 1;
    if (digits > 18) digits = 18;
    Digits r = roundedDigits(value, digits);
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
