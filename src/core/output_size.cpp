#include "core/output_size.h"

#include <algorithm>
#include <filesystem>

#include "core/current_file.h"
#include "platform/api/prompter.h"

namespace brine {
namespace {

constexpr std::uint64_t kOutputPerInputByte = 64;
std::uint64_t unaskedBytes = 16u << 20;

// Digits of the burst numbers 1..n of the "No." lines.
std::uint64_t digitsUpTo(std::uint64_t n) {
    std::uint64_t digits = 0;
    for (std::uint64_t low = 1, width = 1; low <= n; low *= 10, ++width)
        digits += (std::min(n, low * 10 - 1) - low + 1) * width;
    return digits;
}

}  // namespace

OutputShape OutputShapeOf(const CurrentFile& header) {
    return OutputShape{header.Nch, header.Nch2, header.SampleSize, header.Iterations};
}

std::uint64_t OutputBytesAtLeast(const OutputShape& s, bool tsd) {
    const std::uint64_t nch = static_cast<std::uint64_t>(std::max(0, s.nch));
    const std::uint64_t nch2 = static_cast<std::uint64_t>(std::max(0, s.nch2));
    const std::uint64_t samples = static_cast<std::uint64_t>(std::max(0, s.sampleSize));
    const std::uint64_t bursts = static_cast<std::uint64_t>(std::max(0, s.bursts));
    if (!tsd) {
        const std::uint64_t channels = nch + nch2;
        const std::uint64_t header = (channels / 8 + 1 + (channels % 8 > 0 ? 1 : 0)) * 256;
        return header + bursts * (nch * samples + nch2) * 2;
    }
    // A line of n values takes n characters, n - 1 commas and its line end.
    auto line = [](std::uint64_t values) { return values == 0 ? 2 : 2 * values + 1; };
    const std::uint64_t block = samples * line(nch) + (nch2 > 0 ? line(nch2) : 0) + 5;  // "No." and its line end
    return bursts * block + digitsUpTo(bursts);
}

std::uint64_t FileBytes(const std::vector<std::string>& names) {
    std::uint64_t total = 0;
    for (const std::string& name : names) {
        std::error_code ec;
        const std::uint64_t size = std::filesystem::file_size(name, ec);
        if (!ec) total += size;
    }
    return total;
}

std::uint64_t UnaskedOutputBytes(std::uint64_t inputBytes) {
    const std::uint64_t most = ~std::uint64_t{0};
    if (inputBytes > (most - unaskedBytes) / kOutputPerInputByte) return most;
    return kOutputPerInputByte * inputBytes + unaskedBytes;
}

std::string SizeText(std::uint64_t bytes) {
    auto rounded = [](std::uint64_t n, std::uint64_t unit) { return std::max<std::uint64_t>(1, (n + unit / 2) / unit); };
    std::string number;
    if (bytes < 999'500) {
        number = std::to_string(rounded(bytes, 1000)) + "KB";
    } else if (bytes < 999'500'000) {
        number = std::to_string(rounded(bytes, 1'000'000)) + "MB";
    } else if (bytes < 99'950'000'000) {
        const std::uint64_t tenths = rounded(bytes, 100'000'000);
        number = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "GB";
    } else {
        number = std::to_string(rounded(bytes, 1'000'000'000)) + "GB";
    }
    return number;
}

bool AcceptOutputSize(std::uint64_t outputBytes, std::uint64_t inputBytes, const std::string& outputFile, Tx action,
                      Prompter& prompter) {
    if (outputBytes <= UnaskedOutputBytes(inputBytes)) return true;
    const Question question(Tx::OutputSize, {SizeText(outputBytes), outputFile, Text(action)});
    return prompter.ask(MsgType::Warning, question, MsgButtons::YesNoDefaultNo) == MsgResult::Yes;
}

UnaskedOutputLimit::UnaskedOutputLimit(std::uint64_t bytes) : previous_(unaskedBytes) { unaskedBytes = bytes; }

UnaskedOutputLimit::~UnaskedOutputLimit() { unaskedBytes = previous_; }

}  // namespace brine
