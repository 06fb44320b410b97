#pragma once
// Crafted DL-2 fixed-column text files, built line by line in the tests.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace brine::test {

// Right-aligned in five columns.
inline std::string col5(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%5d", v);
    return buf;
}

inline std::string padRight(std::string s, std::size_t width) {
    s.resize(width, ' ');
    return s;
}

inline std::string padLeft(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

inline std::string dl2Line1(const std::string& site, const std::string& station, const std::string& layer,
                            const std::string& kind) {
    return padRight(site, 15) + padRight(station, 10) + padRight(layer, 5) + padRight(kind, 10);
}

struct DL2Times {
    int year = 2004, month = 3, day = 1, hour = 12, minute = 0;
    int finalMonth = 3, finalDay = 1, finalHour = 13, finalMinute = 0;
};

inline std::string dl2Line2(const DL2Times& t, const std::string& dt, const std::string& unit, int ns) {
    return col5(t.year) + col5(t.month) + col5(t.day) + col5(t.hour) + col5(t.minute) + col5(t.finalMonth) +
           col5(t.finalDay) + col5(t.finalHour) + col5(t.finalMinute) + padLeft(dt, 5) + padLeft(unit, 5) + col5(ns);
}

inline std::string dl2BurstHeader(int month, int day, int hour, int minute) {
    return col5(month) + col5(day) + col5(hour) + col5(minute);
}

// Direction (tenths of a degree) and speed pairs, six per line.
inline std::vector<std::string> dl2CurrentLines(const std::vector<std::pair<int, int>>& pairs) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        if (i % 6 == 0) lines.emplace_back();
        lines.back() += col5(pairs[i].first) + col5(pairs[i].second);
    }
    return lines;
}

// Values, twelve per line.
inline std::vector<std::string> dl2ValueLines(const std::vector<int>& values) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i % 12 == 0) lines.emplace_back();
        lines.back() += col5(values[i]);
    }
    return lines;
}

inline void append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
    to.insert(to.end(), lines.begin(), lines.end());
}

}  // namespace brine::test
