#include "converters/convert_drf.h"

#include <cmath>
#include <vector>

#include "base/binary_file.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/rounding.h"

namespace brine {
namespace {

constexpr std::uint64_t kBlock = 256;
constexpr std::uint64_t kBlockHeader = 36;
constexpr int kEntryBytes = 28;
constexpr int kMaxEntries = 9;  // the table lies within one block

// "yy/mm/dd hh:nn:ss", always 19yy.
bool parseStartTime(std::string_view s, double& out) {
    if (s.size() < 17) return false;
    auto num = [&](std::size_t at) { return ParseInt(s.substr(at, 2)); };
    auto y = num(0), mo = num(3), d = num(6), h = num(9), n = num(12), sec = num(15);
    if (!y || !mo || !d || !h || !n || !sec || *y < 0 || *y > 99) return false;
    DateTimeParts p;
    p.year = 1900 + *y;
    p.month = *mo;
    p.day = *d;
    p.hour = *h;
    p.minute = *n;
    p.second = *sec;
    return TryEncodeDateTime(p, out);
}

std::uint64_t burstOffset(std::uint32_t r, int b) {
    return (static_cast<std::uint64_t>(b) * r + 2) * kBlock + kBlockHeader;
}

}  // namespace

std::uint32_t DRFBlocksPerBurst(int nch, int nch2, int sampleSize) {
    std::uint64_t bytes = (static_cast<std::uint64_t>(nch) * static_cast<std::uint64_t>(sampleSize) +
                           static_cast<std::uint64_t>(nch2)) * 2 + kBlockHeader;
    return static_cast<std::uint32_t>(bytes / kBlock + (bytes % kBlock > 0 ? 1 : 0));
}

bool ReadDRFHeader(CurrentFile& m, const std::string& fileName, Prompter& prompter) {
    BinaryFile f(fileName, OpenMode::Read);
    std::uint8_t head[512 + 19];
    if (f.size() < sizeof head) return FormatDamaged(prompter, fileName);
    f.readAt(0, head, sizeof head);
    f.close();

    const std::int16_t nch = getLE<std::int16_t>(head + 100);
    const std::int16_t nch2 = getLE<std::int16_t>(head + 102);
    const std::uint16_t sampleSize = getLE<std::uint16_t>(head + 104);
    const float freq = getLE<float>(head + 106);
    const std::int16_t iterations = getLE<std::int16_t>(head + 110);
    const float hours = getLE<float>(head + 112);
    if (nch < 0 || nch2 < 0 || nch + nch2 == 0 || nch + nch2 > kMaxEntries) return FormatDamaged(prompter, fileName);
    if (iterations <= 0) return FormatDamaged(prompter, fileName);
    if (!std::isfinite(freq) || freq <= 0) return FormatDamaged(prompter, fileName);
    if (!std::isfinite(hours) || hours < 0 || hours * 3600.0L >= 2147483647.0L)
        return FormatDamaged(prompter, fileName);

    // 1000/f msec; rates above 2 kHz would round to 0 msec, so they are
    // counted in usec.
    long double msec = 1000.0L / freq;
    if (msec >= 2147483647.0L) return FormatDamaged(prompter, fileName);
    std::int32_t sInt = RoundHalfEven(msec);
    std::uint8_t sitUnit = 1;
    if (sInt < 1) {
        sInt = RoundHalfEven(1000000.0L / freq);
        sitUnit = 0;
        if (sInt < 1) return FormatDamaged(prompter, fileName);
    }
    double start = 0;
    if (!parseStartTime(TextUpToNul(head + 512, 19).substr(0, 17), start)) return FormatDamaged(prompter, fileName);

    m.Memo = cutCp932(TextUpToNul(head + 20, 80) + std::string(80, ' '), kMemoBytes);
    m.Nch = nch;
    m.Nch2 = nch2;
    m.SampleSize = sampleSize;
    m.SInt = sInt;
    m.SITUnit = sitUnit;
    m.Iterations = iterations;
    m.BInt = RoundHalfEven(static_cast<long double>(hours) * 3600);
    m.BITUnit = 2;
    m.StartTime = start;
    for (int k = 0; k < nch + nch2; ++k) {
        const std::uint8_t* e = head + 256 + k * kEntryBytes;
        std::size_t at = static_cast<std::size_t>(k);
        m.ChannelName[at] = cutCp932(TextUpToNul(e, 16), kNameBytes);
        m.ChannelUnit[at] = cutCp932(TextUpToNul(e + 16, 4), kUnitBytes);
        m.ScaleA[at] = getLE<float>(e + 20);
        m.OffsetB[at] = getLE<float>(e + 24);
    }
    m.AllocateDataArrays();
    return true;
}

JobResult ConvertDRFBlocks(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress) {
    const std::uint32_t r = DRFBlocksPerBurst(m.Nch, m.Nch2, m.SampleSize);
    m.AllocateDataArrays();
    BinaryFile in(fileName, OpenMode::Read);
    const std::uint64_t size = in.size();
    const std::size_t nch = static_cast<std::size_t>(m.Nch);
    const std::size_t ns = static_cast<std::size_t>(m.SampleSize);
    const std::size_t nch2 = static_cast<std::size_t>(m.Nch2);
    std::vector<std::uint8_t> record((nch * ns + nch2) * 2);
    const int declared = m.Iterations;
    int b = 0;
    JobResult result = JobResult::Done;
    {
        ProgressScope scope(progress, Text(Tx::DrfCaption));
        progress.SetComment(FullName(fileName) + " => " + FullName(m.SaveFileName));
        try {
            while (b < declared) {
                if (progress.Cancelled()) {
                    result = JobResult::Cancelled;
                    break;
                }
                progress.SetPercent(PercentOf(b, declared));
                // An incomplete last burst is dropped.
                const std::uint64_t at = burstOffset(r, b);
                if (at + record.size() > size) break;
                if (!record.empty()) in.readAt(at, record.data(), record.size());
                for (std::size_t j = 0; j < ns; ++j)
                    for (std::size_t ch = 0; ch < nch; ++ch)
                        m.Data[ch][j] = getLE<std::int16_t>(record.data() + (j * nch + ch) * 2);
                for (std::size_t k = 0; k < nch2; ++k)
                    m.BurstData[k] = getLE<std::int16_t>(record.data() + (nch * ns + k) * 2);
                if (!m.WriteSDFBurst(b)) {
                    prompter.error(Text(Tx::DataWriteFailed) + "\n" + m.SaveFileName);
                    result = JobResult::Failed;
                    break;
                }
                ++b;
            }
        } catch (const BrineError&) {
            DeclareWrittenBursts(m, b, prompter);
            FinishSave(m, prompter);
            throw;
        }
    }
    if (b != declared) {
        DeclareWrittenBursts(m, b, prompter);
        if (result == JobResult::Done) {
            const std::string text =
                Text(Tx::DrfEndsEarly, {std::to_string(declared), std::to_string(b)}) + "\n" + fileName;
            // An output without a single burst is no conversion.
            if (b == 0) {
                prompter.error(text);
                result = JobResult::Failed;
            } else {
                prompter.information(text);
            }
        }
    }
    if (!FinishSave(m, prompter)) result = JobResult::Failed;
    return result;
}

JobResult ConvertDRFFile(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress,
                         HeaderSaveDialog& dialog) {
    ModelServices services(m, prompter, progress);
    OutputGuard guard(m);
    if (!ReadDRFHeader(m, fileName, prompter)) return JobResult::Skipped;
    if (!SaveConvertedHeader(m, fileName, dialog, prompter)) return JobResult::Skipped;
    if (SameFile(m.SaveFileName, fileName)) {
        m.FinishOutput(false);
        prompter.error(Text(Tx::ConvertOntoSource) + "\n" + fileName);
        return JobResult::Failed;
    }
    return ConvertDRFBlocks(m, fileName, prompter, progress);
}

}  // namespace brine
