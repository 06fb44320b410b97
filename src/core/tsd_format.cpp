// TSD: the text twin of SDF. Version 2 is written; versions 1 and 2 are read.
// CP932 text, one record per line, lines ended by CR LF, lists joined by ",".
#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/binary_file.h"
#include "base/cp932.h"
#include "base/datetime.h"
#include "base/decimal_counts.h"
#include "base/errors.h"
#include "base/fast_number.h"
#include "base/line_reader.h"
#include "base/number_text.h"
#include "core/current_file.h"
#include "core/job_files.h"
#include "core/line_split.h"
#include "core/sample_limits.h"
#include "core/tsd_format.h"
#include "platform/api/prompter.h"

namespace brine {
namespace {

constexpr std::string_view kTsdMagic = "Time Series Data Text Format Ver.";
constexpr char kNoDataMessage[] = "データがありません。";
constexpr char kBadBlockMessage[] = "ブロックデータ異常";
constexpr char kShortDataMessage[] = "データが足りません。";
constexpr char kRangeQuestion[] = "単精度整数を超えるデータを発見しました。\nエラーデータに変換してよろしいですか。";
constexpr char kCrLf[] = "\r\n";
// Lines after the date-time line that still belong to the header.
constexpr int kHeaderLinesAfterDateV1 = 6;
constexpr int kHeaderLinesAfterDateV2 = 9;
// No line of a sound file comes near this; a longer one means a damaged or
// foreign file and must not grow without bound.
constexpr std::size_t kMaxLineBytes = 16u << 20;
// Text of a burst held before it is written away.
constexpr std::size_t kSpillBytes = 4u << 20;

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// The one test of a first line shared by both readers: the version digit
// after the magic, found anywhere in the line, with nothing but blanks after
// it; -1 when the line is not a TSD first line.
int TsdVersionOf(std::string_view line) {
    std::size_t p = line.find(kTsdMagic);
    if (p == std::string_view::npos) return -1;
    p += kTsdMagic.size();
    if (p >= line.size() || line[p] < '0' || line[p] > '9') return -1;
    int version = line[p] - '0';
    if (!trimBlanks(line.substr(p + 1)).empty()) return -1;
    return version;
}

// A Single from a number read as a double; nothing when it has no finite
// Single (narrowing such a double is undefined).
std::optional<float> toSingle(double v) {
    if (!std::isfinite(v) || std::fabs(v) >= 0x1.ffffffp+127) return std::nullopt;
    return static_cast<float>(v);
}

// The count the reader makes of a value: (v - B) / A, halves to even; nothing
// when it is not finite or falls outside -32768..32767.
std::optional<std::int16_t> countOf(double v, float a, float b) {
    long double x = (static_cast<long double>(v) - b) / a;
    if (!std::isfinite(x) || std::fabs(x) > 40000.0L) return std::nullopt;
    int r = RoundHalfEven(x);
    if (!fitsCount(r)) return std::nullopt;
    return static_cast<std::int16_t>(r);
}

enum class Field { Count, NotNumber, OutOfRange };

Field readField(std::string_view f, float a, float b, std::int16_t& out) {
    f = trimBlanks(f);
    if (f.empty() || f == "=") {
        out = ErrorData;
        return Field::Count;
    }
    std::optional<double> v = ParseNumber(f);
    if (!v) return Field::NotNumber;
    std::optional<std::int16_t> c = countOf(*v, a, b);
    if (!c) return Field::OutOfRange;
    out = *c;
    return Field::Count;
}

// Reads lines 1 to the date-time line: version, memo (its later lines joined
// by CR) and start time. False when the file is no TSD of a known version
// or has no date-time line. The memo is kept only as far as the model holds it.
bool readPreamble(LineReader& in, int& version, std::string* memo, double* start) {
    std::string_view line;
    if (!in.next(line)) return false;
    version = TsdVersionOf(line);
    if (version != 1 && version != 2) return false;
    if (!in.next(line)) return false;
    std::string text = StripQuotes(line);
    for (;;) {
        if (!in.next(line)) return false;
        if (std::optional<double> t = ParseDateTime(line)) {
            if (start) *start = *t;
            break;
        }
        if (memo && text.size() <= kMemoBytes) {
            text += '\r';
            text += StripQuotes(line);
        }
    }
    if (memo) *memo = cutCp932(text, kMemoBytes);
    return true;
}

// A header as read from a file, checked before it reaches the model.
struct TsdHeader {
    int version = 2;
    std::string memo;
    double startTime = 0;
    std::int32_t sInt = 0, bInt = 0, sampleSize = 0;
    std::uint8_t sitUnit = 0, bitUnit = 0;
    std::int16_t nch = 0, nch2 = 0, iterations = 0;
    std::vector<float> a, b;
    std::vector<std::string> names, units;
};

std::string_view nextLine(LineReader& in) {
    std::string_view line;
    if (!in.next(line)) throw FormatError();
    return line;
}

int intOf(std::string_view text) {
    std::optional<int> v = ParseInt(text);
    if (!v) throw FormatError();
    return *v;
}

// "1 sec": the integer before the first blank and the unit named in the line.
void intervalOf(std::string_view line, std::int32_t& value, std::uint8_t& unit) {
    std::string_view t = trimBlanks(line);
    value = intOf(t.substr(0, t.find(' ')));
    unit = TimeUnitIndexOf(line);
    if (!validUnit(unit)) throw FormatError();
}

std::vector<std::string> listOf(std::string_view line, int wanted) {
    std::vector<std::string> fields = SplitCommas(line);
    if (static_cast<int>(fields.size()) < wanted) throw FormatError();
    fields.resize(static_cast<std::size_t>(wanted));
    return fields;
}

std::vector<float> singlesOf(std::string_view line, int wanted, bool nonZero) {
    std::vector<float> out;
    for (const std::string& f : listOf(line, wanted)) {
        std::optional<double> v = ParseNumber(f);
        std::optional<float> s = v ? toSingle(*v) : std::nullopt;
        if (!s || (nonZero && *s == 0)) throw FormatError();
        out.push_back(*s);
    }
    return out;
}

// Throws FormatError for anything that is not a sound header.
TsdHeader parseTsdHeader(LineReader& in, std::uint64_t fileSize) {
    TsdHeader h;
    if (!readPreamble(in, h.version, &h.memo, &h.startTime)) throw FormatError();
    if (h.version == 1) {
        h.sInt = intOf(nextLine(in));
        h.sitUnit = 1;
        h.iterations = 1;
        h.bInt = 0;
        h.bitUnit = 2;
    } else {
        intervalOf(nextLine(in), h.sInt, h.sitUnit);
        int iterations = intOf(nextLine(in));
        if (iterations < 0 || iterations > 32767) throw FormatError();
        h.iterations = static_cast<std::int16_t>(iterations);
        intervalOf(nextLine(in), h.bInt, h.bitUnit);
        std::vector<std::string> counts = listOf(nextLine(in), 2);
        int nch = intOf(counts[0]), nch2 = intOf(counts[1]);
        if (nch < 0 || nch > kMaxIntervalChannels || nch2 < 0 || nch + nch2 > kMaxChannels) throw FormatError();
        h.nch = static_cast<std::int16_t>(nch);
        h.nch2 = static_cast<std::int16_t>(nch2);
    }
    h.sampleSize = intOf(nextLine(in));
    if (h.sampleSize < 0) throw FormatError();
    std::string_view scales = nextLine(in);
    if (h.version == 1) {
        // Only a version-1 file takes its channel count from the scale line.
        int fields = static_cast<int>(SplitCommas(scales).size());
        if (fields > kMaxIntervalChannels) throw FormatError();
        h.nch = static_cast<std::int16_t>(fields);
    }
    const int channels = h.nch + h.nch2;
    // As in SDF: no channel is no data, and without interval channels the
    // file's size bounds the sample lines.
    if (channels == 0 || (h.nch == 0 && !BurstOnlySamplesFit(h.iterations, h.sampleSize, fileSize)))
        throw FormatError();
    h.a = singlesOf(scales, channels, true);
    h.b = singlesOf(nextLine(in), channels, false);
    h.names = listOf(nextLine(in), channels);
    h.units = listOf(nextLine(in), channels);
    std::uint64_t values = static_cast<std::uint64_t>(h.nch) * static_cast<std::uint64_t>(h.sampleSize);
    if ((values + static_cast<std::uint64_t>(h.nch2)) * 2u > 0xFFFFFFFFu) throw FormatError();
    // Every sample of a burst takes a line of its own: a file with bursts
    // must hold at least that many lines after its header, or its sample
    // count is damage, not a reason to allocate. (A file of no bursts gets
    // no buffers beyond one sample.)
    if (h.iterations > 0) {
        if (static_cast<std::uint64_t>(h.sampleSize) > fileSize) throw FormatError();
        for (std::int32_t i = 0; i < h.sampleSize; ++i)
            if (!in.skip()) throw FormatError();
    }
    return h;
}

// Names and units go into comma lists and the memo onto one line: the bytes
// that would break them become blanks (no CP932 trail byte lies below 0x40).
std::string oneField(std::string_view text, bool keepCommas) {
    std::string s(text);
    for (char& c : s)
        if (c == '\r' || c == '\n' || (!keepCommas && c == ',')) c = ' ';
    return s;
}

// The shortest general text of 7, 8 or 9 digits that reads back to the same
// Single.
std::string singleText(float f) {
    for (int d = 7; d < 9; ++d) {
        std::string t = FormatGeneral(f, d);
        std::optional<double> v = ParseNumber(t);
        if (v && toSingle(*v) == f) return t;
    }
    return FormatGeneral(f, 9);
}

bool validScale(float a, float b) { return std::isfinite(a) && a != 0 && std::isfinite(b); }

// 10^e for the tolerances of the integer texts.
double powerOfTen(int e) {
    static const auto table = [] {
        std::array<double, 121> t{};
        for (int i = 0; i < 121; ++i) t[static_cast<std::size_t>(i)] = static_cast<double>(std::pow(10.0L, i - 60));
        return t;
    }();
    return table[static_cast<std::size_t>(std::clamp(e, -60, 60) + 60)];
}

constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// The 8 digits of v < 10^8, leading zeros included, at `at`.
inline void eightDigits(std::uint32_t v, char* at) {
    const std::uint32_t hi = v / 10000, lo = v % 10000;
    std::memcpy(at, kDigitPairs + 2 * (hi / 100), 2);
    std::memcpy(at + 2, kDigitPairs + 2 * (hi % 100), 2);
    std::memcpy(at + 4, kDigitPairs + 2 * (lo / 100), 2);
    std::memcpy(at + 6, kDigitPairs + 2 * (lo % 100), 2);
}

// Digits of 0 < v < 10^8.
inline int digitCount(std::uint32_t v) {
    return 1 + (v >= 10) + (v >= 100) + (v >= 1000) + (v >= 10000) + (v >= 100000) + (v >= 1000000) +
           (v >= 10000000);
}

// Writes the decimal digits of u so that they end at `end`; returns their start.
char* decimalDigits(std::uint64_t u, char* end) {
    constexpr const char* kPairs = kDigitPairs;
    while (u >= 100) {
        const auto r = static_cast<std::size_t>(u % 100);
        u /= 100;
        end -= 2;
        std::memcpy(end, kPairs + 2 * r, 2);
    }
    if (u >= 10) {
        end -= 2;
        std::memcpy(end, kPairs + 2 * static_cast<std::size_t>(u), 2);
    } else {
        *--end = static_cast<char>('0' + u);
    }
    return end;
}

// What is made of a channel's A and B, kept per channel while they stay.
template <class T>
class PerScale {
public:
    const T& at(std::size_t k, float a, float b) {
        const std::uint64_t key = static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(a)) << 32 |
                                  std::bit_cast<std::uint32_t>(b);
        std::optional<Slot>& s = slots_.at(k);
        if (!s || s->key != key) s.emplace(Slot{key, T(a, b)});
        return s->value;
    }

private:
    struct Slot {
        std::uint64_t key;
        T value;
    };
    std::array<std::optional<Slot>, kMaxChannels> slots_;
};

}  // namespace

// Start offsets of the blocks of one open TSD file, and the reader that has
// read the last block, so that reading burst after burst neither rescans the
// file from its first line nor reads again what it has read ahead. Kept only
// while a job holds the file open. Block 0 starts right after the header.
struct TsdBlockIndex {
    explicit TsdBlockIndex(BinaryFile& file) : reader(file) { reader.limitLineBytes(kMaxLineBytes); }
    int version = 0;
    std::uint64_t linesPerBlock = 0;
    std::vector<std::uint64_t> blockStart;  // empty until the header's end is known
    LineReader reader;
};

struct TsdScales {
    PerScale<TsdValueText> text;
    PerScale<CountReader> counts;
};

TsdValueText::TsdValueText(float a, float b) : a_(a), b_(b) {
    // With |B| up to 1e5 |A| the 7-digit text is off by at most 0.07 of a
    // count, so it always reads back; otherwise each value is checked.
    plain_ = std::fabs(static_cast<double>(b)) <= 1e5 * std::fabs(static_cast<double>(a));
    const ChannelDecimals dec = channelDecimals(a, b);
    if (!dec.found) return;
    decimal_ = true;
    decimals_ = dec.d;
    aInt_ = dec.aInt;
    bInt_ = dec.bInt;
    digitsReadBack_ = dec.countsExact;
    // The largest |c| whose value lies within half a unit of the last of
    // k - j digits shown, the tolerance being 10^(j - d) / 2. The bound is
    // exact but for its own rounding, far below the margin kept here.
    for (int j = -kLimitBias; j < kLimitBias; ++j)
        limit_[static_cast<std::size_t>(j + kLimitBias)] = (0.4995 * powerOfTen(j - dec.d) - dec.offset) / dec.slope;
}

char* TsdValueText::writeDigits(char* out, std::int16_t c) const {
    if (!decimal_) return nullptr;
    const std::int64_t n = c * aInt_ + bInt_;
    if (n == 0) return nullptr;
    const bool negative = n < 0;
    const std::uint64_t u = negative ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
    // The k digits of u end at buf + 24; the bytes around them are there so
    // that they can be moved in pieces of a fixed size.
    char buf[48] = {};
    int k;
    if (u < 100000000) {
        const auto v = static_cast<std::uint32_t>(u);
        eightDigits(v, buf + 16);
        k = digitCount(v);
    } else if (u < 10000000000000000ull) {
        const auto hi = static_cast<std::uint32_t>(u / 100000000), lo = static_cast<std::uint32_t>(u % 100000000);
        eightDigits(hi, buf + 8);
        eightDigits(lo, buf + 16);
        k = 8 + digitCount(hi);
    } else {
        k = static_cast<int>(buf + 24 - decimalDigits(u, buf + 24));
    }
    const char* digits = buf + 24 - k;
    int m = k;
    if (u % 10 == 0)
        while (m > 1 && digits[m - 1] == '0') --m;
    int shown;
    if (plain_) {
        if (m > 7) return nullptr;
        shown = 7;
    } else {
        // Fewer digits than the decimal has change it by at least 10^-d, a
        // whole count when A is 10^-d: only then are they sure not to read back.
        if (!digitsReadBack_ || (aInt_ != 1 && aInt_ != -1) || m > 17) return nullptr;
        shown = std::max(m, 7);
    }
    // Below a power of ten the value rounds in the decade beneath it.
    const bool powerOf10 = m == 1 && digits[0] == '1';
    const int j = k - shown - (powerOf10 ? 1 : 0);
    if (!(std::abs(static_cast<int>(c)) < limit_[static_cast<std::size_t>(j + kLimitBias)])) return nullptr;

    // The layout of the general format, value = 0.digits x 10^e: fixed while
    // -3 <= e <= the digits shown, else d.dddE-n.
    const int e = k - decimals_;
    auto move24 = [](char* to, const char* from) { std::memcpy(to, from, 24); };
    if (negative) *out++ = '-';
    if (e >= -3 && e <= shown) {
        if (e <= 0) {
            std::memcpy(out, "0.000", 5);
            out += 2 - e;
            move24(out, digits);
            out += m;
        } else if (m <= e) {
            move24(out, digits);  // the digits up to e hold the zeros
            out += e;
        } else {
            move24(out, digits);
            out += e;
            *out++ = '.';
            move24(out, digits + e);
            out += m - e;
        }
    } else {
        *out++ = digits[0];
        if (m > 1) {
            *out++ = '.';
            move24(out, digits + 1);
            out += m - 1;
        }
        *out++ = 'E';
        out = std::to_chars(out, out + 8, e - 1).ptr;
    }
    return out;
}

char* TsdValueText::writeGeneral(char* out, std::int16_t c) const {
    const double v = static_cast<double>(static_cast<long double>(c) * a_ + b_);
    if (plain_) return WriteGeneral7(out, v);
    // 7 digits when they read back to the count, else the fewest that do.
    std::string t;
    for (int d = 7; d <= 17; ++d) {
        t = FormatGeneral(v, d);
        std::optional<double> back = ParseNumber(t);
        if (back && countOf(*back, a_, b_) == c) break;
    }
    const std::size_t n = std::min(t.size(), kMaxBytes);
    std::memcpy(out, t.data(), n);
    return out + n;
}

char* TsdValueText::write(char* out, std::int16_t c) const {
    if (c == ErrorData) {
        *out = '=';
        return out + 1;
    }
    if (char* end = writeDigits(out, c)) return end;
    return writeGeneral(out, c);
}

bool CurrentFile::ReadTSDHeader(const std::string& fileName) {
    TsdHeader h;
    CallFiles files(job_.p.get());
    JobFile& source = files->forReading(fileName);
    try {
        LineReader in(source.file);
        in.limitLineBytes(kMaxLineBytes);
        h = parseTsdHeader(in, source.size());
    } catch (const FormatError&) {
        if (prompter) prompter->error(kFormatMessage);
        return false;
    }
    Memo = h.memo;
    StartTime = h.startTime;
    SInt = h.sInt;
    SITUnit = h.sitUnit;
    Iterations = h.iterations;
    BInt = h.bInt;
    BITUnit = h.bitUnit;
    Nch = h.nch;
    Nch2 = h.nch2;
    SampleSize = h.sampleSize;
    for (std::size_t k = 0; k < h.a.size(); ++k) {
        ScaleA[k] = h.a[k];
        OffsetB[k] = h.b[k];
        ChannelName[k] = cutCp932(StripQuotes(h.names[k]), kNameBytes);
        ChannelUnit[k] = cutCp932(StripQuotes(h.units[k]), kUnitBytes);
    }
    NormalizeBurstInterval();
    AllocateForReading();
    return true;
}

bool CurrentFile::ReadTSDBurst(int b) {
    auto fail = [this](const char* message) {
        if (prompter) prompter->error(message);
        return false;
    };
    const int nch = Nch, nch2 = Nch2;
    bool fits = b >= 0 && nch >= 0 && nch <= kMaxIntervalChannels && nch2 >= 0 && nch + nch2 <= kMaxChannels &&
                SampleSize >= 0 && Data.size() >= static_cast<std::size_t>(nch) &&
                BurstData.size() >= static_cast<std::size_t>(nch2);
    for (int ch = 0; fits && ch < nch; ++ch)
        fits = Data[static_cast<std::size_t>(ch)].size() >= static_cast<std::size_t>(SampleSize);
    if (!fits) return fail(kNoDataMessage);

    const std::uint64_t L = static_cast<std::uint64_t>(SampleSize) + (nch2 > 0 ? 1 : 0);
    CallFiles files(job_.p.get());
    JobFile& source = files->forReading(FileName);
    try {
        if (!source.tsd) source.tsd = std::make_shared<TsdBlockIndex>(source.file);
        TsdBlockIndex* ix = source.tsd.get();
        LineReader& in = ix->reader;
        if (ix->blockStart.empty()) {
            // The header's end is found from its date-time line, so a memo
            // spread over several lines does not shift the blocks.
            in.seek(0);
            int version = 0;
            if (!readPreamble(in, version, nullptr, nullptr)) return fail(kNoDataMessage);
            int rest = version == 1 ? kHeaderLinesAfterDateV1 : kHeaderLinesAfterDateV2;
            for (int i = 0; i < rest; ++i)
                if (!in.skip()) return fail(kNoDataMessage);
            ix->version = version;
            ix->blockStart.assign(1, in.offset());
        }
        const std::uint64_t linesPerBlock = ix->version == 1 ? L : L + 1;
        if (ix->linesPerBlock != linesPerBlock) {
            ix->linesPerBlock = linesPerBlock;
            ix->blockStart.resize(1);
        }

        // Past the last block the file holds no "No." line of that burst;
        // a file that ends with its header holds no data at all.
        auto pastTheEnd = [&]() {
            return fail(ix->blockStart.front() >= source.size() ? kNoDataMessage : kBadBlockMessage);
        };
        // The block is read at once: its length is known once it has been
        // read, and the block before it is a fair guess.
        auto expectedBytes = [&](std::size_t block) -> std::size_t {
            const std::vector<std::uint64_t>& at = ix->blockStart;
            if (block + 1 < at.size()) return static_cast<std::size_t>(at[block + 1] - at[block]);
            if (block > 0 && block < at.size()) {
                const std::uint64_t before = at[block] - at[block - 1];
                return static_cast<std::size_t>(before + before / 8 + 4096);
            }
            return 0;
        };
        // The reader stands where the last block read ended: the next block
        // goes on from what it has read ahead.
        auto goTo = [&](std::size_t block) {
            if (in.offset() != ix->blockStart[block]) in.seek(ix->blockStart[block], expectedBytes(block));
        };
        std::string_view line;
        if (ix->version == 1) {
            goTo(0);  // one burst, no "No." line
        } else {
            const std::size_t block = static_cast<std::size_t>(b);
            if (block < ix->blockStart.size()) {
                goTo(block);
            } else {
                goTo(ix->blockStart.size() - 1);
                while (ix->blockStart.size() <= block) {
                    for (std::uint64_t i = 0; i < linesPerBlock; ++i)
                        if (!in.skip()) return pastTheEnd();
                    ix->blockStart.push_back(in.offset());
                }
            }
            if (!in.next(line)) return pastTheEnd();
            if (trimBlanks(line) != "No." + std::to_string(static_cast<long long>(b) + 1)) return fail(kBadBlockMessage);
        }

        bool convertAll = false;
        // True when an out-of-range value may become ErrorData; asks once a call.
        auto acceptOutOfRange = [&]() {
            if (convertAll) return true;
            if (!prompter) return false;
            prompter->beep();
            if (prompter->show(MsgType::Warning, kRangeQuestion, MsgButtons::YesNo) != MsgResult::Yes) return false;
            convertAll = true;
            return true;
        };
        auto take = [&](std::string_view f, int k, std::int16_t& out) {
            Field r = readField(f, ScaleA[static_cast<std::size_t>(k)], OffsetB[static_cast<std::size_t>(k)], out);
            if (r == Field::NotNumber) throw FormatError();
            if (r == Field::OutOfRange) {
                if (!acceptOutOfRange()) return false;
                out = ErrorData;
            }
            return true;
        };
        if (!tsdScales_.p) tsdScales_.p = std::make_shared<TsdScales>();
        std::array<const CountReader*, kMaxChannels> readers;
        for (int k = 0; k < nch + nch2; ++k) {
            const auto i = static_cast<std::size_t>(k);
            readers[i] = &tsdScales_.p->counts.at(i, ScaleA[i], OffsetB[i]);
        }
        // The fields of a line, split at commas, into the counts of channels
        // first.. first + n - 1; past the last field of the line every further
        // one is empty, and fields beyond the channels are not read.
        auto readLine = [&](std::string_view text, int first, int n, auto&& countAt) {
            const char* p = text.data();
            const char* const e = p + text.size();
            bool ended = false;
            for (int k = 0; k < n; ++k) {
                std::int16_t& out = countAt(k);
                if (ended) {
                    out = ErrorData;
                    continue;
                }
                if (!readers[static_cast<std::size_t>(first + k)]->read(p, e, out)) {
                    const char* comma = static_cast<const char*>(std::memchr(p, ',', static_cast<std::size_t>(e - p)));
                    const char* end = comma ? comma : e;
                    if (!take(std::string_view(p, static_cast<std::size_t>(end - p)), first + k, out)) return false;
                    p = end;
                }
                if (p == e)
                    ended = true;
                else
                    ++p;  // the comma
            }
            return true;
        };

        for (std::uint64_t i = 0; i < L; ++i) {
            if (!in.next(line)) return fail(kShortDataMessage);
            if (i < static_cast<std::uint64_t>(SampleSize)) {
                if (!readLine(line, 0, nch, [&](int ch) -> std::int16_t& { return Data[static_cast<std::size_t>(ch)][i]; }))
                    return false;
            } else {
                if (!readLine(line, nch, nch2, [&](int k) -> std::int16_t& { return BurstData[static_cast<std::size_t>(k)]; }))
                    return false;
            }
        }
        if (ix->version == 2 && ix->blockStart.size() == static_cast<std::size_t>(b) + 1)
            ix->blockStart.push_back(in.offset());
        return true;
    } catch (const FormatError&) {
        return fail(kFormatMessage);
    }
}

bool CurrentFile::EncodeTSDHeader(std::string& out) const {
    const int channels = Nch + Nch2;
    if (Nch < 0 || Nch > kMaxIntervalChannels || Nch2 < 0 || channels > kMaxChannels) return false;
    if (!validUnit(SITUnit) || !validUnit(BITUnit) || SampleSize < 0 || Iterations < 0) return false;
    // A file the reader would refuse is not written.
    for (int k = 0; k < channels; ++k)
        if (!validScale(ScaleA[static_cast<std::size_t>(k)], OffsetB[static_cast<std::size_t>(k)])) return false;

    out.clear();
    out.reserve(256 + static_cast<std::size_t>(channels) * 48);
    out.append(kTsdMagic).append("2").append(kCrLf);
    out.append(oneField(Memo, true)).append(kCrLf);
    out.append(FormatDateTimeMs(StartTime)).append(kCrLf);
    out.append(std::to_string(SInt)).append(" ").append(TimeUnits[SITUnit].Name).append(kCrLf);
    out.append(std::to_string(Iterations)).append(kCrLf);
    out.append(std::to_string(BInt)).append(" ").append(TimeUnits[BITUnit].Name).append(kCrLf);
    out.append(std::to_string(Nch)).append(",").append(std::to_string(Nch2)).append(kCrLf);
    out.append(std::to_string(SampleSize)).append(kCrLf);
    auto list = [&](auto&& item) {
        for (int k = 0; k < channels; ++k) {
            if (k > 0) out += ',';
            out += item(static_cast<std::size_t>(k));
        }
        out.append(kCrLf);
    };
    list([&](std::size_t k) { return singleText(ScaleA[k]); });
    list([&](std::size_t k) { return singleText(OffsetB[k]); });
    list([&](std::size_t k) { return oneField(ChannelName[k], false); });
    list([&](std::size_t k) { return oneField(ChannelUnit[k], false); });
    return true;
}

bool CurrentFile::WriteTSDHeader(const std::string& fileName) {
    try {
        std::string out;
        if (!EncodeTSDHeader(out)) return false;
        CallFiles files(job_.p.get());
        JobFile& f = files->forWriting(fileName, OpenMode::Create);
        files->writeNow(f, 0, out.data(), out.size());
        files.done();
        return true;
    } catch (...) {
        return false;
    }
}

bool CurrentFile::AppendTSDBurstText(int b, std::string& out, const std::function<void(std::string&)>& spill) const {
    if (b < 0 || Nch < 0 || Nch > kMaxIntervalChannels || Nch2 < 0 || Nch + Nch2 > kMaxChannels || SampleSize < 0)
        return false;
    const std::size_t nch = static_cast<std::size_t>(Nch), nch2 = static_cast<std::size_t>(Nch2);
    const std::size_t samples = static_cast<std::size_t>(SampleSize);
    if (Data.size() < nch || BurstData.size() < nch2) return false;
    for (std::size_t ch = 0; ch < nch; ++ch)
        if (Data[ch].size() < samples) return false;
    if (!tsdScales_.p) tsdScales_.p = std::make_shared<TsdScales>();
    std::array<const TsdValueText*, kMaxChannels> writers;
    for (std::size_t k = 0; k < nch + nch2; ++k) {
        if (!validScale(ScaleA[k], OffsetB[k])) return false;
        writers[k] = &tsdScales_.p->text.at(k, ScaleA[k], OffsetB[k]);
    }
    out.append("No.").append(std::to_string(static_cast<long long>(b) + 1)).append(kCrLf);
    // Each line is made in place, then appended at once.
    char line[kMaxChannels * (TsdValueText::kMaxBytes + 1) + 2];
    for (std::size_t j = 0; j < samples; ++j) {
        char* p = line;
        for (std::size_t ch = 0; ch < nch; ++ch) {
            if (ch > 0) *p++ = ',';
            p = writers[ch]->write(p, Data[ch][j]);
        }
        *p++ = '\r';
        *p++ = '\n';
        out.append(line, static_cast<std::size_t>(p - line));
        if (spill && out.size() >= kSpillBytes) spill(out);
    }
    if (nch2 > 0) {
        char* p = line;
        for (std::size_t k = 0; k < nch2; ++k) {
            if (k > 0) *p++ = ',';
            p = writers[nch + k]->write(p, BurstData[k]);
        }
        *p++ = '\r';
        *p++ = '\n';
        out.append(line, static_cast<std::size_t>(p - line));
    }
    return true;
}

bool CurrentFile::WriteTSDBurst(int b) {
    try {
        CallFiles files(job_.p.get());
        JobFile& f = files->forWriting(SaveFileName, OpenMode::Update);
        // The text goes straight behind what waits to be written, and out
        // to the file every few megabytes.
        std::string& text = files->appendBuffer(f);
        if (!AppendTSDBurstText(b, text, [&](std::string&) { files->appended(f); })) return false;
        files->appended(f);
        files.done();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace brine
