#include "converters/convert_addc.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <vector>

#include "base/binary_file.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "base/number_text.h"
#include "base/rounding.h"

namespace brine {
namespace {

constexpr std::size_t kFixedHeader = 128;  // up to the channel entries
constexpr std::size_t kEntryBytes = 24;
constexpr std::size_t kSampleStart = 512;

// Local time of day of the file's last modification.
bool modificationTimeOfDay(const std::string& fileName, int& h, int& n, int& s) {
    std::error_code ec;
    auto ft = std::filesystem::last_write_time(fileName, ec);
    if (ec) return false;
    auto sys = std::chrono::file_clock::to_sys(ft);
    std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(sys));
    std::tm local{};
    if (!localtime_r(&t, &local)) return false;
    h = local.tm_hour;
    n = local.tm_min;
    s = local.tm_sec;
    return true;
}

// "yy/mm/dd" when the third character is "/" (91..99 are 19yy, the rest
// 20yy), otherwise "yyyy/mm/dd".
bool parseRecordingDate(std::string_view d, DateTimeParts& parts) {
    auto num = [&](std::size_t at, std::size_t len) { return d.size() >= at + len ? ParseInt(d.substr(at, len)) : std::nullopt; };
    std::optional<int> y, mo, dd;
    if (d.size() >= 3 && d[2] == '/') {
        y = num(0, 2), mo = num(3, 2), dd = num(6, 2);
        if (y && (*y < 0 || *y > 99)) return false;
        if (y) *y += *y > 90 ? 1900 : 2000;
    } else {
        y = num(0, 4), mo = num(5, 2), dd = num(8, 2);
    }
    if (!y || !mo || !dd) return false;
    parts.year = *y;
    parts.month = *mo;
    parts.day = *dd;
    return true;
}

// The header's interval has no unit: seconds, or whole milliseconds (or
// microseconds) when it has a fraction.
bool samplingInterval(float x, std::int32_t& sInt, std::uint8_t& unit) {
    if (!std::isfinite(x) || x <= 0 || x >= 2147483647.0f) return false;
    long double v = x;
    if (v == std::trunc(v)) {
        sInt = static_cast<std::int32_t>(v);
        unit = 2;
        return true;
    }
    if (v * 1000 < 2147483647.0L && RoundHalfAway(v * 1000) >= 1) {
        sInt = RoundHalfAway(v * 1000);
        unit = 1;
        return true;
    }
    if (RoundHalfAway(v * 1000000) >= 1) {
        sInt = RoundHalfAway(v * 1000000);
        unit = 0;
        return true;
    }
    return false;
}

}  // namespace

void SplitItemAndUnit(std::string_view text, std::string& name, std::string& unitText) {
    std::size_t p = text.find('(');
    std::size_t q = text.find(')');
    if (p != std::string_view::npos && q != std::string_view::npos) {
        name = PadCp932(text.substr(0, p), 16);
        unitText = PadCp932(q > p ? text.substr(p + 1, q - p - 1) : std::string_view(), 8);
    } else {
        name = PadCp932(text, 16);
        unitText = std::string(8, ' ');
    }
}

bool ReadADDCFile(CurrentFile& m, const std::string& fileName, Prompter& prompter) {
    int hh = 0, nn = 0, ss = 0;
    if (!modificationTimeOfDay(fileName, hh, nn, ss)) return FormatDamaged(prompter, fileName);

    BinaryFile f(fileName, OpenMode::Read);
    const std::uint64_t size = f.size();
    if (size < kFixedHeader) return FormatDamaged(prompter, fileName);
    std::uint8_t head[kFixedHeader];
    f.readAt(0, head, sizeof head);

    const std::string comment = TextUpToNul(head + 24, 80);
    DateTimeParts when;
    if (!parseRecordingDate(TextUpToNul(head + 104, 16).substr(0, 10), when)) return FormatDamaged(prompter, fileName);
    when.hour = hh;
    when.minute = nn;
    when.second = ss;
    double start = 0;
    if (!TryEncodeDateTime(when, start)) return FormatDamaged(prompter, fileName);

    const std::int16_t nch = getLE<std::int16_t>(head + 120);
    const std::uint16_t sampleSize = getLE<std::uint16_t>(head + 122);
    std::int32_t sInt = 0;
    std::uint8_t sitUnit = 2;
    if (nch <= 0 || nch > kMaxIntervalChannels) return FormatDamaged(prompter, fileName);
    if (!samplingInterval(getLE<float>(head + 124), sInt, sitUnit)) return FormatDamaged(prompter, fileName);

    const std::size_t tableEnd = kFixedHeader + kEntryBytes * static_cast<std::size_t>(nch);
    const std::uint64_t samplesAt = std::max(tableEnd, kSampleStart);
    const std::uint64_t sampleBytes = 2ull * static_cast<std::uint64_t>(nch) * sampleSize;
    if (size < samplesAt + sampleBytes) return FormatDamaged(prompter, fileName);

    std::vector<std::uint8_t> table(tableEnd - kFixedHeader);
    f.readAt(kFixedHeader, table.data(), table.size());
    for (int k = 0; k < nch; ++k) {
        if (table[static_cast<std::size_t>(k) * kEntryBytes + 15] != '1') {
            prompter.error(Text(Tx::AddcCalibrationOrder) + "\n" + fileName);
            return false;
        }
    }
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(sampleBytes));
    if (!samples.empty()) f.readAt(samplesAt, samples.data(), samples.size());
    f.close();

    // Everything checked: fill the model.
    m.Memo = cutCp932(comment + std::string(80, ' '), kMemoBytes);
    m.StartTime = start;
    m.Nch = nch;
    m.Nch2 = 0;
    m.SampleSize = sampleSize;
    m.SInt = sInt;
    m.SITUnit = sitUnit;
    m.BInt = 0;
    m.BITUnit = 2;
    m.Iterations = 1;
    m.AllocateDataArrays();
    for (int k = 0; k < nch; ++k) {
        const std::uint8_t* e = table.data() + static_cast<std::size_t>(k) * kEntryBytes;
        std::string name, unit;
        SplitItemAndUnit(TextUpToNul(e, 15), name, unit);
        m.ChannelName[static_cast<std::size_t>(k)] = name;
        m.ChannelUnit[static_cast<std::size_t>(k)] = unit;
        m.OffsetB[static_cast<std::size_t>(k)] = getLE<float>(e + 16);
        m.ScaleA[static_cast<std::size_t>(k)] = getLE<float>(e + 20);
    }
    const std::size_t n = static_cast<std::size_t>(nch);
    for (std::size_t j = 0; j < sampleSize; ++j)
        for (std::size_t ch = 0; ch < n; ++ch) m.Data[ch][j] = getLE<std::int16_t>(samples.data() + (j * n + ch) * 2);
    return true;
}

JobResult ConvertADDCFile(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress,
                          HeaderSaveDialog& dialog) {
    ModelServices services(m, prompter, progress);
    OutputGuard guard(m);
    if (!ReadADDCFile(m, fileName, prompter)) return JobResult::Skipped;
    if (!SaveConvertedHeader(m, fileName, dialog, prompter)) return JobResult::Skipped;
    if (!m.WriteSDFBurst(0)) {
        prompter.error(Text(Tx::DataWriteFailed) + "\n" + m.SaveFileName);
        DeclareWrittenBursts(m, 0, prompter);
        FinishSave(m, prompter);
        return JobResult::Failed;
    }
    return FinishSave(m, prompter) ? JobResult::Done : JobResult::Failed;
}

}  // namespace brine
