#include "core/header_edit_rules.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <filesystem>

#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/texts.h"

namespace brine {

std::string HeaderTargetName(const std::string& typed, int kind) {
    if (typed.empty()) return typed;
    const char* want = kind == 0 ? ".SDF" : ".TSD";
    if (UpperExtension(typed) == want) return typed;
    std::filesystem::path p(typed);
    p.replace_extension(kind == 0 ? ".sdf" : ".tsd");
    return p.string();
}

TargetCheck CheckSaveTarget(const std::string& target, const std::string& source) {
    if (SameFile(target, source)) {
        // Only an SDF header can be rewritten in place without touching the
        // bursts still to be read from it. The content decides: a TSD, DRF or
        // ADDC file may well be named ".sdf".
        if (UpperExtension(target) == ".SDF" && HasSdfSignature(source)) return TargetCheck::SourceSdf;
        return TargetCheck::SourceRefused;
    }
    std::error_code ec;
    if (std::filesystem::exists(target, ec)) return TargetCheck::ExistingFile;
    return TargetCheck::NewFile;
}

std::optional<int> ParseSamplingInterval(std::string_view text) {
    std::optional<int> v = ParseInt(text);
    if (!v || *v <= 0) return std::nullopt;
    return v;
}

double ParseStartTime(std::string_view text) {
    std::optional<double> t = ParseDateTime(text);
    if (!t) throw ConversionError("'" + std::string(text) + "' は正しい日付と時刻ではありません。");
    return *t;
}

std::int16_t ParseIterations(std::string_view text, bool saving) {
    std::optional<int> v = ParseInt(text);
    if (saving) {
        if (!v || *v < 1 || *v > 32767) throw RangeError(Text(Tx::HeaderBadIterations));
    } else {
        if (!v) throw ConversionError("'" + std::string(text) + "' は正しい整数ではありません。");
        if (*v < -32768 || *v > 32767) throw RangeError();
    }
    return static_cast<std::int16_t>(*v);
}

std::string ScaleCellText(float v) { return FormatGeneral(static_cast<double>(v), 7); }

float ParseScaleCell(std::string_view text, float stored) {
    if (text == ScaleCellText(stored)) return stored;
    std::optional<double> v = ParseNumber(text);
    if (!v || !std::isfinite(*v)) throw ConversionError("'" + std::string(text) + "' は正しい数値ではありません。");
    if (std::fabs(*v) > FLT_MAX) throw RangeError("'" + std::string(text) + "' は範囲外の数値です。");
    return static_cast<float>(*v);
}

bool ChannelTextAcceptable(std::string_view utf8, std::size_t maxBytes) {
    if (utf8.find(',') != std::string_view::npos) return false;
    bool lossy = false;
    std::string bytes = utf8ToCp932(utf8, &lossy);
    return !lossy && bytes.size() <= maxBytes;
}

bool ChannelCellAcceptable(int col, std::string_view utf8) {
    if (col == 1) return ChannelTextAcceptable(utf8, kNameBytes);
    if (col == 2) return ChannelTextAcceptable(utf8, kUnitBytes);
    return true;
}

std::string MemoForDisplay(std::string_view cp932) {
    std::string text = TrimRightControl(cp932);
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lines += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            lines += text[i];
        }
    }
    return cp932ToUtf8(lines);
}

std::string MemoFromDisplay(std::string_view utf8) {
    std::string withCrLf;
    for (char c : utf8) {
        if (c == '\n')
            withCrLf += "\r\n";
        else
            withCrLf += c;
    }
    return utf8ToCp932(withCrLf);
}

std::string MemoToWrite(std::string_view stored, bool edited, std::string_view utf8) {
    if (!edited) return TrimRightControl(stored);
    return cutCp932(MemoFromDisplay(utf8), kMemoBytes);
}

int UnencodableCount(std::string_view utf8) {
    bool lossy = false;
    std::string bytes = utf8ToCp932(utf8, &lossy);
    if (!lossy) return 0;
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), '?') - std::count(utf8.begin(), utf8.end(), '?'));
}

bool MemoChangeAcceptable(std::string_view before, std::string_view after) {
    if (MemoFromDisplay(after).size() > kMemoBytes) return false;
    return UnencodableCount(after) <= UnencodableCount(before);
}

double LastSampleTime(const CurrentFile& m) {
    long double t = m.StartTime +
                    (static_cast<long double>(m.Iterations) - 1) * m.BInt * unitAt(m.BITUnit).DaysPer +
                    (static_cast<long double>(m.SampleSize) - 1) * m.SInt * unitAt(m.SITUnit).DaysPer;
    return static_cast<double>(t);
}

int ChannelGridHeight(int rows, int rowHeight, int maxHeight) {
    return std::min((rowHeight + 1) * rows + 20, maxHeight);
}

std::vector<PasteStep> PastePlan(const GridRect& sel, int clipCols, int clipRows, int colCount, int rowCount) {
    std::vector<PasteStep> plan;
    if (sel.empty()) return plan;
    for (int c = sel.Left; c <= sel.Right; ++c)
        for (int r = sel.Top; r <= sel.Bottom; ++r)
            for (int i = 0; i < clipCols; ++i)
                for (int k = 0; k < clipRows; ++k)
                    if (c + i <= colCount - 1 && r + k <= rowCount - 1) plan.push_back({c + i, r + k, i, k});
    return plan;
}

}  // namespace brine
