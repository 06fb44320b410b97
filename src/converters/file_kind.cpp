#include "converters/file_kind.h"

#include <cstring>

#include "base/binary_file.h"
#include "base/safe_write/read_opening.h"
#include "base/texts.h"

namespace brine {
namespace {

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

InputFileKind KindOfHead(std::string_view head) {
    if (head.size() < kSniffBytes) return InputFileKind::Unknown;
    head = head.substr(0, kSniffBytes);
    head = head.substr(0, head.find('\0'));
    if (startsWith(head, "Standard Burst-Interval Data Format Ver.")) return InputFileKind::SDF;
    if (startsWith(head, "Time Series Data Text Format Ver.")) return InputFileKind::TSD;
    if (startsWith(head, "AD/DC DATA FILE Ver.2   ")) return InputFileKind::ADDC;
    if (startsWith(head, "DRF1 Ver.3          ")) return InputFileKind::DRF;
    return InputFileKind::Unknown;
}

InputFileKind SniffFileKind(const std::string& fileName) {
    BinaryFile f = OpenToRead(fileName, {Text(Tx::ConvertUnknownKind)});
    char buf[kSniffBytes];
    std::size_t got = f.readSome(buf, sizeof buf);
    return KindOfHead(std::string_view(buf, got));
}

}  // namespace brine
