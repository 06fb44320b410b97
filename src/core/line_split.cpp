#include "core/line_split.h"

#include "base/errors.h"

namespace brine {
namespace {

void store(std::span<std::string> fields, int& count, std::string_view text) {
    if (count < 0 || static_cast<std::size_t>(count) >= fields.size()) throw RangeError();
    fields[static_cast<std::size_t>(count)] = std::string(text);
    ++count;
}

void skipLow(std::string_view& s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
}

}  // namespace

void SplitCommas(std::string_view S, int& Count, std::span<std::string> Fields) {
    Count = 0;
    for (;;) {
        std::size_t p = S.find(',');
        if (p == std::string_view::npos) break;
        store(Fields, Count, S.substr(0, p));
        S.remove_prefix(p + 1);
        if (Count >= kMaxFields) return;
    }
    store(Fields, Count, S);
}

void SplitBlanks(std::string_view S, int& Count, std::span<std::string> Fields) {
    skipLow(S);
    Count = 0;
    for (;;) {
        std::size_t p = S.find(' ');
        if (p == std::string_view::npos) break;
        store(Fields, Count, S.substr(0, p));
        S.remove_prefix(p + 1);
        skipLow(S);
        if (S.empty() || Count >= kMaxFields) return;
    }
    store(Fields, Count, S);
}

std::vector<std::string> SplitCommas(std::string_view S) {
    std::vector<std::string> f(kMaxFields);
    int n = 0;
    SplitCommas(S, n, f);
    f.resize(static_cast<std::size_t>(n));
    return f;
}

std::vector<std::string> SplitBlanks(std::string_view S) {
    std::vector<std::string> f(kMaxFields);
    int n = 0;
    SplitBlanks(S, n, f);
    f.resize(static_cast<std::size_t>(n));
    return f;
}

std::string StripQuotes(std::string_view S) {
    if (!S.empty() && S.front() == '\'') S.remove_prefix(1);
    if (!S.empty() && S.back() == '\'') S.remove_suffix(1);
    return std::string(S);
}

}  // namespace brine
