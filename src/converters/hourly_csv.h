#pragma once
// What the two hourly CSV readers (JMA, fishing port) share: character-aware
// search in CP932 text, the reading of the whole table, the making of counts
// and the hand-over of one burst of hourly samples to the model.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "core/current_file.h"
#include "platform/api/prompter.h"
#include "base/texts.h"

namespace brine {

// Tells that a table could not be read or converted: Tx::ConvertBadFile, and
// for a file that could not be read, the file and the step that failed.
void ReportBadFile(const std::string& fileName, const std::exception& e, Prompter& prompter);

// Every line of a text file, without line ends. IoError when unreadable.
std::vector<std::string> ReadTextLines(const std::string& fileName);

// TimeUnits index of hours, the unit of every hourly table.
constexpr std::uint8_t kHourUnit = 4;

// One item column of an hourly table.
struct HourlyChannel {
    std::string name;  // CP932, cut to 16 bytes when stored
    std::string unit;  // CP932, cut to 8 bytes when stored
    float scale = 1.0f;
};

// A table read completely, ready for the model.
struct HourlyBurst {
    std::string memo;
    double startTime = 0;
    int sampleSize = 0;
    int sampleInterval = 1;             // sampling interval, in sampleUnit
    std::uint8_t sampleUnit = kHourUnit;  // a TimeUnits index
    std::vector<HourlyChannel> channels;
    std::vector<std::vector<std::int16_t>> data;  // [channel][sample]
    std::string outputName;                       // proposed to the header dialog
};

// Number of comma-separated fields of a line beyond the first `cap`.
std::size_t FieldsBeyond(std::string_view line, std::size_t cap);
// Tells the user once how many item columns were left out for want of room.
void ReportColumnsLeftOut(std::size_t leftOut, Prompter& prompter);

// Asked before a burst of `samples` samples on `channels` channels, spanning
// first..last, is built from `records` rows or records read: a burst over
// 2 GB is refused with a message; a grid mostly empty (over 100 samples a
// record, as a mistyped year gives) or over kMaxSamplesPerBurst samples is asked about,
// naming its span and size. False when refused or declined.
bool AcceptBurstGrid(double first, double last, unsigned long long samples, std::size_t channels,
                     unsigned long long records, Prompter& prompter);

// Count of a value at scale `a` (offset 0); ErrorData, counted in
// `outOfRange`, when the rounded count does not fit 16 bits.
std::int16_t HourlyCount(double value, float a, long long& outOfRange);
// Tells the user once how many values became missing for being out of range.
void ReportOutOfRange(long long outOfRange, Prompter& prompter);

// Replaces the model's header and burst with the table: one burst of samples
// every sampleInterval (shown in its unit), with no file to read bursts from.
void StoreHourlyBurst(CurrentFile& m, HourlyBurst&& burst);

}  // namespace brine
