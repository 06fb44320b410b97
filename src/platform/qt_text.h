#pragma once
// Text between the data (CP932 bytes, or UTF-8 for file names and numbers)
// and the widgets.
#include <QString>
#include <string>

namespace brine {

QString FromUtf8(const std::string& utf8);
QString FromCp932(const std::string& cp932);
std::string ToCp932(const QString& text);

}  // namespace brine
