#pragma once
// Text between the data (CP932 bytes, or UTF-8 for file names and numbers)
// and the widgets.
#include <QString>
#include <string>
#include <vector>

class QFont;

namespace brine {

QString FromUtf8(const std::string& utf8);
QString FromCp932(const std::string& cp932);
std::string ToCp932(const QString& text);

// The text as shown wrapped to `width` in `font`: each run that no line
// break may split and that is wider than `width` (a long path) gets a
// zero-width space between its characters, so that it wraps anywhere; the
// rest wraps at words and between Japanese characters as before. `added`,
// when given, marks the spaces put in.
QString WrapLongRuns(const QString& text, const QFont& font, qreal width, std::vector<bool>* added = nullptr);

}  // namespace brine
