#include "converters/conversion_support.h"

#include <cstring>

#include "base/cp932.h"
#include "base/rounding.h"

namespace brine {

std::string TextUpToNul(const std::uint8_t* p, std::size_t n) {
    const void* z = std::memchr(p, 0, n);
    std::size_t len = z ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - p) : n;
    return std::string(reinterpret_cast<const char*>(p), len);
}

std::string PadCp932(std::string_view s, std::size_t width) {
    std::string out = cutCp932(s, width);
    out.append(width - out.size(), ' ');
    return out;
}

std::string FileNamePart(std::string_view cp932) {
    std::string s = cp932ToUtf8(cp932);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos)
            c = '_';
    return s;
}

int PercentOf(int b, int n) {
    if (n <= 0) return 0;
    return RoundHalfEven(static_cast<long double>(b) * 100 / n);
}

bool FormatDamaged(Prompter& prompter, const std::string& fileName) {
    prompter.error(Text(Tx::FormatWrong) + "\n" + fileName);
    return false;
}

bool SaveSDFHeaderAs(CurrentFile& m, const std::string& proposed, HeaderSaveDialog& dialog, Prompter& prompter) {
    // The dialog shows the producer's proposal as its output name.
    m.SaveFileName = proposed;
    if (!dialog.ExecuteSave(0)) return false;
    if (UpperExtension(m.SaveFileName) != ".SDF") {
        m.FinishOutput(false);
        prompter.error("SDFファイル(*.sdf)に保存して下さい。\n" + m.SaveFileName);
        return false;
    }
    return true;
}

bool SaveConvertedHeader(CurrentFile& m, const std::string& source, HeaderSaveDialog& dialog, Prompter& prompter) {
    // The dialog compares its target with the file being read.
    m.FileName = source;
    return SaveSDFHeaderAs(m, WithExtension(source, ".sdf"), dialog, prompter);
}

}  // namespace brine
