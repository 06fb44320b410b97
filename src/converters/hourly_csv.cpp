#include "converters/hourly_csv.h"

#include <algorithm>

#include "base/datetime.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/rounding.h"
#include "core/sample_limits.h"

namespace brine {

void ReportBadFile(const std::string& fileName, const std::exception& e, Prompter& prompter) {
    // A file that could not be read is not called damaged without its name
    // and the step that failed.
    if (dynamic_cast<const IoError*>(&e))
        prompter.information(Text(Tx::ConvertBadFile) + "\n" + fileName + "\n" + e.what());
    else
        prompter.information(Text(Tx::ConvertBadFile));
}

std::vector<std::string> ReadTextLines(const std::string& fileName) {
    LineReader in(fileName);
    std::vector<std::string> lines;
    std::string_view line;
    while (in.next(line)) lines.emplace_back(line);
    return lines;
}

std::size_t FieldsBeyond(std::string_view line, std::size_t cap) {
    const std::size_t fields = static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1;
    return fields > cap ? fields - cap : 0;
}

void ReportColumnsLeftOut(std::size_t leftOut, Prompter& prompter) {
    if (leftOut > 0)
        prompter.information(Text(Tx::HourlyColumnsLeftOut, {std::to_string(leftOut)}));
}

bool AcceptBurstGrid(double first, double last, unsigned long long samples, std::size_t channels,
                     unsigned long long records, Prompter& prompter) {
    constexpr unsigned long long kMaxBurstBytes = 2'000'000'000ULL;
    constexpr unsigned long long kSamplesPerRecord = 100;
    const std::string size =
        FormatDateTime(first) + "～" + FormatDateTime(last) + "のデータ数は" + std::to_string(samples) + "個";
    if (samples * channels * 2 > kMaxBurstBytes) {
        prompter.error(size + "になり、多すぎるため変換できません。");
        return false;
    }
    if (samples > kSamplesPerRecord * records || samples > static_cast<unsigned long long>(kMaxSamplesPerBurst))
        return prompter.ask(MsgType::Warning,
                            Question(Tx::HourlyGrid, {FormatDateTime(first), FormatDateTime(last), std::to_string(samples)}),
                            MsgButtons::YesNo) == MsgResult::Yes;
    return true;
}

std::int16_t HourlyCount(double value, float a, long long& outOfRange) {
    std::int16_t count = ErrorData;
    if (ValueToCount(value, a, 0.0f, count) == CountStatus::OutOfRange) ++outOfRange;
    return count;
}

void ReportOutOfRange(long long outOfRange, Prompter& prompter) {
    if (outOfRange > 0)
        prompter.information(Text(Tx::HourlyOutOfRange, {std::to_string(outOfRange)}));
}

void StoreHourlyBurst(CurrentFile& m, HourlyBurst&& burst) {
    if (burst.channels.size() > static_cast<std::size_t>(kMaxIntervalChannels) || burst.data.size() < burst.channels.size() ||
        burst.sampleSize < 0)
        throw RangeError("チャンネル数が範囲外です。");
    m.ResetHeader();
    m.SetMemo(burst.memo);
    m.Nch = static_cast<std::int16_t>(burst.channels.size());
    m.Nch2 = 0;
    m.Iterations = 1;
    m.SampleSize = burst.sampleSize;
    m.SInt = burst.sampleInterval;
    m.SITUnit = burst.sampleUnit;
    m.BInt = 0;
    m.BITUnit = kHourUnit;
    m.StartTime = burst.startTime;
    m.DisplayUnit = burst.sampleUnit;
    for (std::size_t k = 0; k < burst.channels.size(); ++k) {
        const HourlyChannel& c = burst.channels[k];
        m.SetChannelName(static_cast<int>(k), c.name);
        m.SetChannelUnit(static_cast<int>(k), c.unit);
        m.ScaleA[k] = c.scale;
        m.OffsetB[k] = 0;
    }
    // The grid moves in as built: arrays sized first would hold a second
    // grid's worth of memory while it does. The previous file's arrays go.
    if (m.Data.size() < static_cast<std::size_t>(kMaxIntervalChannels)) m.Data.resize(kMaxIntervalChannels);
    for (std::size_t k = 0; k < m.Data.size(); ++k) {
        if (k < burst.channels.size()) {
            m.Data[k] = std::move(burst.data[k]);
            m.Data[k].resize(static_cast<std::size_t>(burst.sampleSize), ErrorData);
        } else {
            std::vector<std::int16_t>().swap(m.Data[k]);
        }
    }
    m.FileName.clear();
    m.SaveFileName = std::move(burst.outputName);
}

}  // namespace brine
