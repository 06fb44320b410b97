#include "platform/qt_text.h"

#include <QFontMetricsF>
#include <QTextBoundaryFinder>

#include "base/cp932.h"

namespace brine {

QString FromUtf8(const std::string& utf8) { return QString::fromStdString(utf8); }

QString FromCp932(const std::string& cp932) { return QString::fromStdString(cp932ToUtf8(cp932)); }

std::string ToCp932(const QString& text) { return utf8ToCp932(text.toStdString()); }

QString WrapLongRuns(const QString& text, const QFont& font, qreal width, std::vector<bool>* added) {
    const QFontMetricsF metrics(font);
    QString out;
    if (added) added->clear();
    auto append = [&](const QString& part, bool put) {
        out += part;
        if (added) added->insert(added->end(), part.size(), put);
    };
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype from = 0;
    for (qsizetype to = breaks.toNextBoundary(); to != -1; to = breaks.toNextBoundary()) {
        const QString run = text.mid(from, to - from);
        from = to;
        // White space at a line's end may overhang it.
        qsizetype end = run.size();
        while (end > 0 && run[end - 1].isSpace()) --end;
        if (metrics.horizontalAdvance(run.left(end)) <= width) {
            append(run, false);
            continue;
        }
        QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, run.left(end));
        qsizetype c = 0;
        for (qsizetype next = characters.toNextBoundary(); next != -1; next = characters.toNextBoundary()) {
            if (c > 0) append(QString(QChar(0x200B)), true);
            append(run.mid(c, next - c), false);
            c = next;
        }
        append(run.mid(end), false);
    }
    return out;
}

}  // namespace brine
