#include "base/text_fields.h"

#include <charconv>

namespace brine {

void SplitFieldViews(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t start = 0;
    for (;;) {
        std::size_t c = line.find(',', start);
        if (c == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return;
        }
        fields.push_back(line.substr(start, c - start));
        start = c + 1;
    }
}

std::string_view TrimView(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

namespace {
// Sign handling shared by both parsers; from_chars takes no '+'.
std::string_view numberBody(std::string_view text, bool& plus) {
    text = TrimView(text);
    plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    return text;
}
}  // namespace

std::optional<long long> ParseWhole(std::string_view text) {
    bool plus;
    std::string_view s = numberBody(text, plus);
    if (s.empty() || (plus && s.front() == '-')) return std::nullopt;
    long long v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<double> ParseDecimal(std::string_view text) {
    bool plus;
    std::string_view s = numberBody(text, plus);
    if (s.empty() || (plus && s.front() == '-')) return std::nullopt;
    std::size_t first = (s.front() == '-') ? 1 : 0;
    if (first >= s.size()) return std::nullopt;
    char c = s[first];
    if (!((c >= '0' && c <= '9') || c == '.')) return std::nullopt;  // no inf or nan
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

}  // namespace brine
