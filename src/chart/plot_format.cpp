#include "chart/plot_format.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/datetime.h"
#include "base/number_text.h"

namespace brine::chart {
namespace {

QStringList splitSections(const QString& pattern) {
    QStringList out{QString()};
    QChar quote;
    for (QChar c : pattern) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u';') {
            out.append(QString());
            continue;
        }
        out.last() += c;
    }
    return out;
}

// |value| with `decimals` fraction digits, halves away from zero, from the
// exact binary value.
std::string fixedDigits(double value, int decimals) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals + 30, std::fabs(value));
    std::string s(buf);
    const size_t dot = s.find('.');
    std::string digits = s.substr(0, dot) + s.substr(dot + 1, static_cast<size_t>(decimals));
    const bool up = s[dot + 1 + static_cast<size_t>(decimals)] >= '5';
    if (up) {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
        if (i < 0)
            digits.insert(digits.begin(), '1');
        else
            ++digits[static_cast<size_t>(i)];
    }
    const size_t intLen = digits.size() - static_cast<size_t>(decimals);
    return digits.substr(0, intLen) + "." + digits.substr(intLen);
}

QString formatSection(const QString& section, double value, bool withMinus) {
    // Layout of the placeholders.
    int first = -1, last = -1, dot = -1, minInt = 0, intPlaces = 0, maxDec = 0, minDec = 0;
    bool thousands = false;
    // An exponent: "E+", "E-", "e+" or "e-" and up to four "0" for its digits.
    int expAt = -1, expEnd = -1, expDigits = 0;
    QChar quote;
    for (int i = 0; i < section.size() && expAt < 0; ++i) {
        const QChar c = section[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
        } else if ((c == u'E' || c == u'e') && first >= 0 && i + 1 < section.size() &&
                   (section[i + 1] == u'+' || section[i + 1] == u'-')) {
            expAt = i;
            expEnd = i + 2;
            while (expEnd < section.size() && section[expEnd] == u'0' && expDigits < 4) {
                ++expEnd;
                ++expDigits;
            }
        } else if (c == u'0' || c == u'#') {
            if (first < 0) first = i;
            last = i;
            if (dot < 0) {
                ++intPlaces;
                if (c == u'0') ++minInt;
            } else {
                ++maxDec;
                if (c == u'0') minDec = maxDec;
            }
        } else if (c == u'.' && dot < 0 && first >= 0) {
            dot = i;
            last = i;
        } else if (c == u',' && first >= 0 && dot < 0) {
            thousands = true;
        }
    }
    const auto literal = [&](int from, int to) {
        QString out;
        QChar q;
        for (int i = from; i < to; ++i) {
            const QChar c = section[i];
            if (!q.isNull()) {
                if (c == q)
                    q = QChar();
                else
                    out += c;
            } else if (c == u'"' || c == u'\'') {
                q = c;
            } else {
                out += c;
            }
        }
        return out;
    };
    if (first < 0) return literal(0, static_cast<int>(section.size()));

    QString intPart, frac, exponentText;
    if (expAt >= 0) {
        // The digits before the point are as many as their placeholders; the
        // exponent takes up the rest.
        const int count = intPlaces + maxDec;
        int power = 0;
        // A double holds no more than 17 significant digits; the rest are zeros.
        std::string digits = value == 0 ? std::string() : SignificantDigits(value, std::min(count, 18), power);
        digits.resize(static_cast<size_t>(count), '0');
        const int exponent = value == 0 ? 0 : power - intPlaces + 1;
        intPart = QString::fromStdString(digits.substr(0, static_cast<size_t>(intPlaces)));
        frac = QString::fromStdString(digits.substr(static_cast<size_t>(intPlaces)));
        if (intPart.isEmpty()) intPart = QStringLiteral("0");
        exponentText = section[expAt];
        if (exponent < 0)
            exponentText += u'-';
        else if (section[expAt + 1] == u'+')
            exponentText += u'+';
        exponentText += QString::number(std::abs(exponent)).rightJustified(expDigits, u'0');
        thousands = false;
    } else {
        const std::string fixed = fixedDigits(value, maxDec);
        const size_t p = fixed.find('.');
        intPart = QString::fromStdString(fixed.substr(0, p));
        frac = QString::fromStdString(fixed.substr(p + 1));
    }
    while (frac.size() > minDec && frac.endsWith(u'0')) frac.chop(1);
    while (intPart.size() > 1 && intPart.startsWith(u'0')) intPart.remove(0, 1);
    if (intPart == u"0" && minInt == 0) intPart.clear();
    while (intPart.size() < minInt) intPart.prepend(u'0');
    if (thousands)
        for (qsizetype i = intPart.size() - 3; i > 0; i -= 3) intPart.insert(i, u',');
    QString number = intPart;
    if (!frac.isEmpty()) number += u'.' + frac;
    if (number.isEmpty()) number = QStringLiteral("0");
    const bool isZero = number.count(u'0') + number.count(u'.') + number.count(u',') == number.size();
    const QString sign = withMinus && value < 0 && !isZero ? QStringLiteral("-") : QString();
    if (expAt >= 0)
        return literal(0, first) + sign + number + literal(last + 1, expAt) + exponentText +
               literal(expEnd, static_cast<int>(section.size()));
    return literal(0, first) + sign + number + literal(last + 1, static_cast<int>(section.size()));
}

}  // namespace

QString FormatFloat(const QString& pattern, double value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    const QStringList sections = splitSections(pattern);
    if (sections.size() >= 3 && !sections[2].isEmpty() && value == 0) return formatSection(sections[2], 0, false);
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty()) return formatSection(sections[1], value, false);
    return formatSection(sections[0], value, true);
}

QString FormatDateTimeText(const QString& pattern, double value) {
    // Day counts of 0001-01-01 and 10000-01-01.
    if (!(value >= -693593.0 && value < 2958466.0)) return {};
    const DateTimeParts t = DecodeDateTime(value);
    QString out;
    bool afterHour = false;
    const auto two = [](int v) { return QString::number(v).rightJustified(2, u'0'); };
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        qsizetype n = 1;
        while (i + n < pattern.size() && pattern[i + n].toLower() == c) ++n;
        if (c == u'"' || c == u'\'') {
            const qsizetype end = pattern.indexOf(pattern[i], i + 1);
            out += pattern.mid(i + 1, end < 0 ? -1 : end - i - 1);
            i = end < 0 ? pattern.size() : end + 1;
            continue;
        }
        switch (c.unicode()) {
            case u'y': out += n <= 2 ? two(t.year % 100) : QString::number(t.year); break;
            case u'm':
                if (afterHour)
                    out += n >= 2 ? two(t.minute) : QString::number(t.minute);
                else
                    out += n >= 2 ? two(t.month) : QString::number(t.month);
                break;
            case u'd': out += n >= 2 ? two(t.day) : QString::number(t.day); break;
            case u'h': out += n >= 2 ? two(t.hour) : QString::number(t.hour); break;
            case u'n': out += n >= 2 ? two(t.minute) : QString::number(t.minute); break;
            case u's': out += n >= 2 ? two(t.second) : QString::number(t.second); break;
            case u'z': out += n >= 3 ? QString::number(t.msec).rightJustified(3, u'0') : QString::number(t.msec); break;
            default: out += pattern.mid(i, n); break;
        }
        if (c == u'h')
            afterHour = true;
        else if (c.isLetter())
            afterHour = false;
        i += n;
    }
    return out;
}

}  // namespace brine::chart
