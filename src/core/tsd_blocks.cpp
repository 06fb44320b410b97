// TSD bursts read: the blocks of a file found through their offsets, and the
// counts of a block's fields.
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/binary_file.h"
#include "base/errors.h"
#include "base/line_reader.h"
#include "base/number_text.h"
#include "core/current_file.h"
#include "core/job_files.h"
#include "core/tsd_shared.h"
#include "platform/api/prompter.h"

namespace brine {
namespace {

constexpr char kNoDataMessage[] = "データがありません。";
constexpr char kBadBlockMessage[] = "ブロックデータ異常";
constexpr char kShortDataMessage[] = "データが足りません。";
// Lines after the date-time line that still belong to the header.
constexpr int kHeaderLinesAfterDateV1 = 6;
constexpr int kHeaderLinesAfterDateV2 = 9;

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

}  // namespace

// What a read outside a job leaves for the next one: where the blocks of
// its file begin, and the state of the file they were found in.
struct TsdBlocksKept {
    std::string path;
    FileStamp stamp;
    std::uint64_t linesPerBlock = 0;
    std::vector<std::uint64_t> blockStart;
};

// Start offsets of the blocks of one open TSD file, and the reader that has
// read the last block, so that reading burst after burst neither rescans the
// file from its first line nor reads again what it has read ahead. Kept
// while a job holds the file open; a read outside a job hands its offsets on
// as TsdBlocksKept. Block 0 starts right after the header.
struct TsdBlockIndex {
    explicit TsdBlockIndex(BinaryFile& file) : reader(file) { reader.limitLineBytes(kMaxLineBytes); }
    int version = 0;
    std::uint64_t linesPerBlock = 0;
    std::vector<std::uint64_t> blockStart;  // empty until the header's end is known
    LineReader reader;
};

bool CurrentFile::ReadTSDBurst(int b) {
    auto fail = [this](const std::string& message) {
        if (prompter) prompter->error(message);
        return false;
    };
    const int nch = Nch, nch2 = Nch2;
    if (b < 0 || !burstBuffersFit(*this)) return fail(kNoDataMessage);

    const std::uint64_t L = static_cast<std::uint64_t>(SampleSize) + (nch2 > 0 ? 1 : 0);
    CallFiles files(job_.p.get());
    JobFile& source = files->forReading(FileName);
    if (!sameAsRead(source)) return fail(readFailure_);
    try {
        const bool lone = !job_.p;
        if (!source.tsd) source.tsd = std::make_shared<TsdBlockIndex>(source.file);
        TsdBlockIndex* ix = source.tsd.get();
        LineReader& in = ix->reader;
        // Outside a job each call opens the file afresh: the blocks an
        // earlier call found are taken up again while the file is the same,
        // so that bursts read in turn do not each search from the start.
        // They come back to the model however this call ends.
        bool recalled = false;
        struct Keep {
            CurrentFile& m;
            TsdBlockIndex& ix;
            std::optional<FileStamp> stamp;
            ~Keep() {
                if (!stamp) return;
                try {
                    if (ix.version != 2 || ix.blockStart.empty()) {
                        m.tsdBlocksKept_.p.reset();
                        return;
                    }
                    if (!m.tsdBlocksKept_.p) m.tsdBlocksKept_.p = std::make_shared<TsdBlocksKept>();
                    TsdBlocksKept& k = *m.tsdBlocksKept_.p;
                    k.path = m.FileName;
                    k.stamp = *stamp;
                    k.linesPerBlock = ix.linesPerBlock;
                    k.blockStart = std::move(ix.blockStart);
                } catch (...) {
                    m.tsdBlocksKept_.p.reset();
                }
            }
        } keep{*this, *ix, std::nullopt};
        if (lone) {
            keep.stamp = source.file.stamp();
            TsdBlocksKept* k = tsdBlocksKept_.p.get();
            if (k && k->path == FileName && k->stamp == *keep.stamp && !k->blockStart.empty()) {
                ix->version = 2;
                ix->linesPerBlock = k->linesPerBlock;
                ix->blockStart = std::move(k->blockStart);
                recalled = true;
            }
            tsdBlocksKept_.p.reset();
        }

        // Places the reader at the first sample line of burst b; the
        // message why not otherwise.
        std::string_view line;
        auto locate = [&]() -> const char* {
            if (ix->blockStart.empty()) {
                // The header's end is found from its date-time line, so a memo
                // spread over several lines does not shift the blocks.
                in.seek(0);
                int version = 0;
                if (!readPreamble(in, version, nullptr, nullptr)) return kNoDataMessage;
                int rest = version == 1 ? kHeaderLinesAfterDateV1 : kHeaderLinesAfterDateV2;
                for (int i = 0; i < rest; ++i)
                    if (!in.skip()) return kNoDataMessage;
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
                return ix->blockStart.front() >= source.size() ? kNoDataMessage : kBadBlockMessage;
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
            if (ix->version == 1) {
                goTo(0);  // one burst, no "No." line
                return nullptr;
            }
            const std::size_t block = static_cast<std::size_t>(b);
            if (block < ix->blockStart.size()) {
                goTo(block);
            } else {
                goTo(ix->blockStart.size() - 1);
                while (ix->blockStart.size() <= block) {
                    if (!in.skipLines(linesPerBlock)) return pastTheEnd();
                    ix->blockStart.push_back(in.offset());
                }
            }
            if (!in.next(line)) return pastTheEnd();
            if (trimBlanks(line) != "No." + std::to_string(static_cast<long long>(b) + 1)) return kBadBlockMessage;
            return nullptr;
        };
        const char* problem = locate();
        if (problem && recalled) {
            // Blocks not where they were: the file is searched afresh.
            ix->blockStart.clear();
            problem = locate();
        }
        if (problem) return fail(problem);

        bool convertAll = false;
        // True when an out-of-range value may become ErrorData; asks once a call.
        auto acceptOutOfRange = [&]() {
            if (convertAll) return true;
            if (!prompter) return false;
            prompter->beep();
            if (prompter->ask(MsgType::Warning, Question(Tx::ValueOutOfRange), MsgButtons::YesNo) != MsgResult::Yes) return false;
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
        return fail(Text(Tx::FormatWrong));
    }
}

}  // namespace brine
