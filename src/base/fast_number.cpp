#include "base/fast_number.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace brine {
namespace {

// Parses the digits and exponent of a "d.ddd...e±x" text.
void splitScientific(const char* b, const char* e, char* digits, int want, int& exp10) {
    int n = 0;
    const char* p = b;
    for (; p < e && *p != 'e'; ++p)
        if (*p != '.' && n < want) digits[n++] = *p;
    int x = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), e, x);
    exp10 = x;
}

}  // namespace

char* WriteGeneral7(char* out, double v) {
    if (std::isnan(v)) {
        std::memcpy(out, "NAN", 3);
        return out + 3;
    }
    if (std::isinf(v)) {
        if (v < 0) *out++ = '-';
        std::memcpy(out, "INF", 3);
        return out + 3;
    }
    if (v == 0) {
        *out = '0';
        return out + 1;
    }
    if (v < 0) {
        *out++ = '-';
        v = -v;
    }
    // Eight correctly rounded digits decide the seventh unless the eighth is
    // a 5: only then can rounding twice differ from rounding once, so the
    // exact expansion is consulted (and an exact tie goes away from zero).
    char buf[80];
    char d[8];
    int exp10 = 0;
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 7);
    splitScientific(buf, r.ptr, d, 8, exp10);
    if (d[7] == '5') {
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 40);
        splitScientific(buf, r.ptr, d, 8, exp10);
    }
    bool up = d[7] >= '5';
    if (up) {
        int i = 6;
        while (i >= 0 && d[i] == '9') d[i--] = '0';
        if (i >= 0) {
            ++d[i];
        } else {
            d[0] = '1';
            ++exp10;
        }
    }
    int n = 7;
    while (n > 1 && d[n - 1] == '0') --n;
    int E = exp10 + 1;  // value = 0.d1d2... x 10^E
    if (E >= -3 && E <= 7) {
        if (E <= 0) {
            *out++ = '0';
            *out++ = '.';
            for (int i = 0; i < -E; ++i) *out++ = '0';
            std::memcpy(out, d, static_cast<std::size_t>(n));
            out += n;
        } else if (n <= E) {
            std::memcpy(out, d, static_cast<std::size_t>(n));
            out += n;
            for (int i = n; i < E; ++i) *out++ = '0';
        } else {
            std::memcpy(out, d, static_cast<std::size_t>(E));
            out += E;
            *out++ = '.';
            std::memcpy(out, d + E, static_cast<std::size_t>(n - E));
            out += n - E;
        }
    } else {
        *out++ = d[0];
        if (n > 1) {
            *out++ = '.';
            std::memcpy(out, d + 1, static_cast<std::size_t>(n - 1));
            out += n - 1;
        }
        *out++ = 'E';
        out = std::to_chars(out, out + 8, E - 1).ptr;
    }
    return out;
}

}  // namespace brine
