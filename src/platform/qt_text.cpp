#include "platform/qt_text.h"

#include "base/cp932.h"

namespace brine {

QString FromUtf8(const std::string& utf8) { return QString::fromStdString(utf8); }

QString FromCp932(const std::string& cp932) { return QString::fromStdString(cp932ToUtf8(cp932)); }

std::string ToCp932(const QString& text) { return utf8ToCp932(text.toStdString()); }

}  // namespace brine
