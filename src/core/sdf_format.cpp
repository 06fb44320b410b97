// SDF: binary time-series files in 256-byte blocks. Version 4 is written;
// versions 1 to 3 are read and updated to version 4 through a temporary file.
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/binary_file.h"
#include "base/errors.h"
#include "base/safe_write/file_identity.h"
#include "base/file_buffers.h"
#include "base/safe_write/read_opening.h"
#include "base/safe_write/safe_replace.h"
#include "core/current_file.h"
#include "core/job_files.h"
#include "core/sample_limits.h"
#include "platform/api/progress.h"
#include "platform/api/prompter.h"

namespace brine {
namespace {

constexpr char kSdfMagic[] = "Standard Burst-Interval Data Format Ver.";
constexpr std::size_t kMagicLen = sizeof(kSdfMagic) - 1;  // 40
constexpr std::size_t kBlock = 256;
constexpr char kUpdateCaption[] = "ただ今、データ形式の更新中．．．．";

// A header as read from a file, validated before it reaches the model.
struct SdfHeader {
    int version = 4;
    std::string memo;
    std::int16_t nch = 0, nch2 = 0, iterations = 0;
    std::int32_t sampleSize = 0, sInt = 0, bInt = 0;
    std::uint8_t sitUnit = 0, bitUnit = 0;
    double startTime = 0;
    struct Entry {
        std::string name, unit;
        float a = 0, b = 0;
    };
    std::vector<Entry> entries;
};

std::string textUpToNul(const std::uint8_t* p, std::size_t n) {
    const void* z = std::memchr(p, 0, n);
    std::size_t len = z ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(z) - p) : n;
    return std::string(reinterpret_cast<const char*>(p), len);
}

struct ParseResult {
    enum Kind { Ok, NotSdf, Damaged } kind = Damaged;
    SdfHeader header;
};

// Reads and checks the header block and channel table. Never touches the model.
ParseResult parseSdfHeader(BinaryFile& f, std::uint64_t fileSize) {
    ParseResult res;
    std::uint8_t block[kBlock];
    f.seek(0);
    std::size_t got = f.readSome(block, kBlock);
    std::string head = textUpToNul(block, std::min<std::size_t>(got, 210));
    if (head.compare(0, kMagicLen, kSdfMagic) != 0 || head.size() < kMagicLen + 1) {
        res.kind = ParseResult::NotSdf;
        return res;
    }
    char digit = head[kMagicLen];
    if (digit < '1' || digit > '4' || got < kBlock) return res;  // damaged
    SdfHeader& h = res.header;
    h.version = digit - '0';
    h.memo = textUpToNul(block + 50, 160);
    const std::uint8_t* p = block + 210;
    h.nch = getLE<std::int16_t>(p);
    h.nch2 = getLE<std::int16_t>(p + 2);
    h.sampleSize = getLE<std::int32_t>(p + 4);
    h.sInt = getLE<std::int32_t>(p + 8);
    if (h.version >= 2) {
        h.sitUnit = p[12];
        h.iterations = getLE<std::int16_t>(p + 13);
        h.bInt = getLE<std::int32_t>(p + 15);
        h.bitUnit = p[19];
        h.startTime = getLE<double>(p + 20);
        if (!validUnit(h.sitUnit) || !validUnit(h.bitUnit)) return res;
    } else {
        h.iterations = getLE<std::int16_t>(p + 12);
        h.bInt = getLE<std::int32_t>(p + 14);
        h.startTime = getLE<double>(p + 18);
    }
    int channels = h.nch + h.nch2;
    if (h.nch < 0 || h.nch > kMaxIntervalChannels || h.nch2 < 0 || channels > kMaxChannels ||
        h.sampleSize < 0 || h.iterations < 0)
        return res;
    // A file without channels holds no data. Without interval channels a
    // record holds the burst channels only and nothing ties the sample count
    // to the file: only the limit of a burst bounds it.
    if (channels == 0 || (h.nch == 0 && !BurstOnlySamplesFit(h.sampleSize))) return res;
    std::uint64_t record = (static_cast<std::uint64_t>(h.nch) * static_cast<std::uint64_t>(h.sampleSize) +
                            static_cast<std::uint64_t>(h.nch2)) * 2u;
    // A record that cannot fit in the file at all means a damaged count, and
    // must not turn into a huge allocation. A file of no bursts holds no
    // record.
    if (record > std::numeric_limits<std::uint32_t>::max() || (h.iterations > 0 && record > fileSize)) return res;
    std::uint64_t tableBytes = static_cast<std::uint64_t>(channels) * 32u;
    if (kBlock + tableBytes > fileSize) return res;
    std::vector<std::uint8_t> table(static_cast<std::size_t>(tableBytes));
    if (tableBytes > 0) f.readAt(kBlock, table.data(), table.size());
    h.entries.resize(static_cast<std::size_t>(channels));
    for (int k = 0; k < channels; ++k) {
        const std::uint8_t* e = table.data() + static_cast<std::size_t>(k) * 32u;
        std::string text = textUpToNul(e, 24);
        SdfHeader::Entry& en = h.entries[static_cast<std::size_t>(k)];
        en.name = TrimRightControl(text.substr(0, std::min<std::size_t>(16, text.size())));
        en.unit = text.size() > 16 ? TrimRightControl(text.substr(16)) : std::string();
        en.a = getLE<float>(e + 24);
        en.b = getLE<float>(e + 28);
    }
    res.kind = ParseResult::Ok;
    return res;
}

void padTo(std::vector<std::uint8_t>& out, std::size_t at, std::string_view text, std::size_t width) {
    std::size_t n = std::min(text.size(), width);
    std::memcpy(out.data() + at, text.data(), n);
    std::memset(out.data() + at + n, ' ', width - n);
}

// Records in the version-4 layout: sample by sample, channels interleaved,
// then the burst-channel counts.

// The sample rows from..to - 1 of a record, one count of each channel a row.
void packRows(const CurrentFile& m, std::size_t from, std::size_t to, std::uint8_t* out) {
    const std::size_t nch = static_cast<std::size_t>(m.Nch);
    // Channels without samples have nothing to place (and no buffer to place it in).
    for (std::size_t ch = 0; to > from && ch < nch; ++ch) {
        const std::int16_t* src = m.Data[ch].data();
        for (std::size_t j = from; j < to; ++j) putLE<std::int16_t>(out + ((j - from) * nch + ch) * 2, src[j]);
    }
}

// The counts of the burst channels, which end a record.
void packTail(const CurrentFile& m, std::uint8_t* out) {
    for (std::size_t k = 0; k < static_cast<std::size_t>(m.Nch2); ++k) putLE<std::int16_t>(out + k * 2, m.BurstData[k]);
}

void packRecord(const CurrentFile& m, std::uint8_t* out) {
    const std::size_t ns = static_cast<std::size_t>(m.SampleSize);
    packRows(m, 0, ns, out);
    packTail(m, out + static_cast<std::size_t>(m.Nch) * ns * 2);
}

// Bytes of a record packed at a time: a record of one long burst (an hourly
// table over years) is as large as the model's samples, and a copy of it
// whole would double what the write holds.
constexpr std::size_t kPackBytes = 4u << 20;
// A long burst is read in smaller pieces: each is gone over once a channel,
// and stays in the processor's cache while it is.
constexpr std::size_t kUnpackBytes = 256u << 10;

// Calls piece(from, to, rowBytes, bytes, last) for each piece of a record:
// the sample rows from..to - 1, of about pieceBytes (rowBytes of them), the
// last piece followed by the burst-channel counts (bytes in all).
template <class Piece>
void forEachPiece(const CurrentFile& m, std::size_t pieceBytes, Piece&& piece) {
    const std::size_t ns = static_cast<std::size_t>(m.SampleSize);
    const std::size_t rowBytes = static_cast<std::size_t>(m.Nch) * 2;
    const std::size_t rows = rowBytes == 0 ? ns : std::max<std::size_t>(1, pieceBytes / rowBytes);
    std::size_t from = 0;
    do {
        const std::size_t to = std::min(ns, from + rows);
        const std::size_t bytes = (to - from) * rowBytes;
        const bool last = to == ns;
        piece(from, to, bytes, bytes + (last ? static_cast<std::size_t>(m.Nch2) * 2 : 0), last);
        from = to;
    } while (from < ns);
}

std::int16_t fixMissing(std::int16_t v, bool oldMissing) { return (oldMissing && v == OldErrorData) ? ErrorData : v; }

// The sample rows from..to - 1 of a record into the model's channels.
void unpackRows(CurrentFile& m, std::size_t from, std::size_t to, const std::uint8_t* in, bool oldMissing) {
    const std::size_t nch = static_cast<std::size_t>(m.Nch);
    for (std::size_t ch = 0; to > from && ch < nch; ++ch) {
        std::int16_t* dst = m.Data[ch].data();
        if (oldMissing) {
            for (std::size_t j = from; j < to; ++j)
                dst[j] = fixMissing(getLE<std::int16_t>(in + ((j - from) * nch + ch) * 2), true);
        } else {
            for (std::size_t j = from; j < to; ++j) dst[j] = getLE<std::int16_t>(in + ((j - from) * nch + ch) * 2);
        }
    }
}

void unpackTail(CurrentFile& m, const std::uint8_t* in, bool oldMissing) {
    for (std::size_t k = 0; k < static_cast<std::size_t>(m.Nch2); ++k)
        m.BurstData[k] = fixMissing(getLE<std::int16_t>(in + k * 2), oldMissing);
}

void unpackRecord(CurrentFile& m, const std::uint8_t* in, bool oldMissing) {
    const std::size_t ns = static_cast<std::size_t>(m.SampleSize);
    unpackRows(m, 0, ns, in, oldMissing);
    unpackTail(m, in + static_cast<std::size_t>(m.Nch) * ns * 2, oldMissing);
}

bool buffersFit(const CurrentFile& m) {
    if (m.Nch < 0 || m.Nch > kMaxIntervalChannels || m.Nch2 < 0 || m.SampleSize < 0) return false;
    if (m.Data.size() < static_cast<std::size_t>(m.Nch)) return false;
    for (int ch = 0; ch < m.Nch; ++ch)
        if (m.Data[static_cast<std::size_t>(ch)].size() < static_cast<std::size_t>(m.SampleSize)) return false;
    return m.BurstData.size() >= static_cast<std::size_t>(m.Nch2);
}

}  // namespace

std::vector<std::uint8_t> CurrentFile::EncodeSDFHeader() const {
    const int channels = ChannelCount();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(ComputeHeaderBlocks()) * kBlock, ' ');
    std::memcpy(out.data(), kSdfMagic, kMagicLen);
    out[kMagicLen] = '4';
    padTo(out, 50, Memo, 160);
    std::uint8_t* p = out.data() + 210;
    putLE<std::int16_t>(p, Nch);
    putLE<std::int16_t>(p + 2, Nch2);
    putLE<std::int32_t>(p + 4, SampleSize);
    putLE<std::int32_t>(p + 8, SInt);
    p[12] = SITUnit;
    putLE<std::int16_t>(p + 13, Iterations);
    putLE<std::int32_t>(p + 15, BInt);
    p[19] = BITUnit;
    putLE<double>(p + 20, StartTime);
    for (int k = 0; k < channels; ++k) {
        std::size_t at = kBlock + static_cast<std::size_t>(k) * 32u;
        padTo(out, at, ChannelName[static_cast<std::size_t>(k)], 16);
        padTo(out, at + 16, ChannelUnit[static_cast<std::size_t>(k)], 8);
        putLE<float>(out.data() + at + 24, ScaleA[static_cast<std::size_t>(k)]);
        putLE<float>(out.data() + at + 28, OffsetB[static_cast<std::size_t>(k)]);
    }
    return out;
}

bool HasSdfSignature(const std::string& fileName) {
    BinaryFile f;
    try {
        f = OpenToRead(fileName, {Text(Tx::FormatWrong)});
    } catch (const FormatError&) {
        return false;  // cut short beyond putting back: no SDF now
    }
    char head[kMagicLen];
    return IsSdfSignature({head, f.readSome(head, kMagicLen)});
}

bool IsSdfSignature(std::string_view head) { return head.starts_with(std::string_view(kSdfMagic, kMagicLen)); }

bool CurrentFile::ReadHeader(const std::string& fileName) {
    std::string ext = UpperExtension(fileName);
    if (ext == ".SDF" || ext == ".TSD") {
        // The kind belongs to the header just read: a failed read keeps the old one.
        const std::uint8_t previous = FileKind;
        FileKind = ext == ".SDF" ? 0 : 1;
        bool ok = false;
        try {
            ok = FileKind == 0 ? ReadSDFHeader(fileName) : ReadTSDHeader(fileName);
        } catch (...) {
            FileKind = previous;
            throw;
        }
        if (!ok) FileKind = previous;
        return ok;
    }
    // The burst readers go by the extension too, so anything else is refused.
    if (prompter) prompter->error(Text(Tx::FormatWrong));
    return false;
}

JobFile* CurrentFile::openForHeader(CallFiles& files, const std::string& fileName) {
    try {
        return &files->forReading(fileName);
    } catch (const FormatError& e) {
        if (prompter) prompter->error(e.what());
        return nullptr;
    }
}

bool CurrentFile::ReadSDFHeader(const std::string& fileName) {
    CallFiles files(job_.p.get());
    JobFile* opened = openForHeader(files, fileName);
    if (!opened) return false;
    JobFile& source = *opened;
    ParseResult parsed = parseSdfHeader(source.file, source.size());
    if (parsed.kind != ParseResult::Ok) {
        if (prompter) prompter->error(Text(Tx::FormatWrong));
        return false;
    }
    const SdfHeader& h = parsed.header;
    if (h.version != 4) {
        if (!prompter || !prompter->confirm(Question(Tx::OldFormat))) return false;
    }
    HeaderSnapshot before(*this);
    // The update sizes the buffers for the old file and reads its bursts into them.
    if (h.version < 4) before.keepBuffers(*this);
    try {
        Memo = h.memo;
        Nch = h.nch;
        Nch2 = h.nch2;
        SampleSize = h.sampleSize;
        SInt = h.sInt;
        Iterations = h.iterations;
        BInt = h.bInt;
        StartTime = h.startTime;
        if (h.version >= 2) {
            SITUnit = h.sitUnit;
            BITUnit = h.bitUnit;
        } else {
            // Version 1 counts both intervals in milliseconds: express them in
            // units before anything (the normalisation included) uses them.
            MsecToLargestUnit(SInt, SITUnit);
            MsecToLargestUnit(BInt, BITUnit);
        }
        // An output read back while it is written has no state to keep.
        ReadFrom = {fileName, source.writable ? FileStamp{} : source.stamp()};
        for (std::size_t k = 0; k < h.entries.size(); ++k) {
            ChannelName[k] = h.entries[k].name;
            ChannelUnit[k] = h.entries[k].unit;
            ScaleA[k] = h.entries[k].a;
            OffsetB[k] = h.entries[k].b;
        }
        NormalizeBurstInterval();
        if (h.version < 4) {
            const bool updated = UpdateOldSDF(static_cast<std::uint8_t>(h.version), fileName, source.file);
            // The name now stands for the updated file (or the update failed).
            files->forget(fileName);
            if (!updated) {
                before.restore(*this);
                return false;
            }
            ReadFrom.stamp = StampOfFile(fileName);
        }
        ShowSIntInDisplayUnit();
        UpdateBlockArithmetic();
        AllocateForReading();
    } catch (...) {
        // Nothing half-read stays in the model.
        before.restore(*this);
        throw;
    }
    if (h.version == 1 && onUnitsChanged) onUnitsChanged(SITUnit, BITUnit);
    return true;
}

bool CurrentFile::ReadBurst(int b) {
    // The extension decides, found once for each name read from.
    if (burstKindName_ != FileName) {
        const std::string ext = UpperExtension(FileName);
        burstKind_ = ext == ".SDF" ? 0 : ext == ".TSD" ? 1 : -1;
        burstKindName_ = FileName;
    }
    if (burstKind_ == 0) return ReadSDFBurst(b);
    if (burstKind_ == 1) return ReadTSDBurst(b);
    return false;
}

bool CurrentFile::sameAsRead(JobFile& source) {
    readFailure_.clear();
    if (ReadFrom.path != FileName || !ReadFrom.known() || source.writable || source.stamp().sameContentAs(ReadFrom.stamp))
        return true;
    readFailure_ = Text(Tx::FileChangedSinceRead, {FileName});
    return false;
}

bool CurrentFile::ReadSDFBurst(int b) {
    try {
        readFailure_.clear();
        if (b < 0 || !buffersFit(*this)) return false;
        CallFiles files(job_.p.get());
        JobFile& source = files->forReading(FileName);
        if (!sameAsRead(source)) return false;
        const std::size_t rs = static_cast<std::size_t>(ComputeRecordSize());
        std::uint64_t pos = static_cast<std::uint64_t>(HeaderBlocks) * kBlock + static_cast<std::uint64_t>(b) * rs;
        if (rs <= kUnpackBytes) {
            unpackRecord(*this, source.ahead.at(source.file, pos, rs, rs, files->readAhead()), false);
            return true;
        }
        // A long burst comes in pieces of whole sample rows.
        forEachPiece(*this, kUnpackBytes,
                     [&](std::size_t from, std::size_t to, std::size_t rowBytes, std::size_t n, bool last) {
            const std::uint8_t* in = source.ahead.at(source.file, pos, n, n, files->readAhead());
            unpackRows(*this, from, to, in, false);
            if (last) unpackTail(*this, in + rowBytes, false);
            pos += n;
        });
        return true;
    } catch (...) {
        return false;
    }
}

struct CurrentFile::PendingOutput {
    std::optional<SafeReplace> replace;  // a new output for a target; none for a file written where it stands
    std::string path;                    // the file every write goes into
    bool failed = false;                 // a write into it failed: it is never kept
    int declared = 0;                    // bursts its header declares
    bool declaredSome = false;           // a header written into it declared a burst
    // A run cut short before its first burst: its header declared bursts,
    // and declares none now. A file that holds no burst is saved as one.
    bool endedBeforeFirstBurst() const { return !failed && declaredSome && declared <= 0; }
};

bool CurrentFile::beginOutput(const std::string& path, const std::string& target, int kind) {
    FinishOutput(false);
    auto out = std::make_shared<PendingOutput>();
    if (!target.empty()) {
        try {
            out->replace.emplace(target);
        } catch (const IoError& e) {
            writeFailure_ = {e.what()};
            return false;
        }
    }
    out->path = out->replace ? out->replace->tempPath().string() : path;
    output_.p = std::move(out);
    if (kind == 0 ? writeSDFHeader(true) : writeTSDHeader()) return true;
    FinishOutput(false);
    return false;
}

bool CurrentFile::BeginSDFOutput(const std::string& target) { return beginOutput({}, target, 0); }
bool CurrentFile::BeginTSDOutput(const std::string& target) { return beginOutput({}, target, 1); }
bool CurrentFile::CreateSDFFile(const std::string& path) { return beginOutput(path, {}, 0); }
bool CurrentFile::CreateTSDFile(const std::string& path) { return beginOutput(path, {}, 1); }

std::string CurrentFile::OutputPath() const { return output_.p ? output_.p->path : std::string(); }

bool CurrentFile::FinishOutput(bool keep) {
    if (!output_.p) return true;
    std::shared_ptr<PendingOutput> out = std::move(output_.p);
    if (!out->replace) return !out->failed;  // a file written where it stands stays as written
    // A job that ended before its first burst gives the target nothing:
    // it is left as it was.
    if (!keep || out->failed || out->endedBeforeFirstBurst()) {
        out->replace->abandon();
        return false;
    }
    out->replace->commit();
    return true;
}

bool CurrentFile::OutputDeclaresNoBurst() const { return output_.p && output_.p->endedBeforeFirstBurst(); }

JobFile& CurrentFile::outputFile(CallFiles& files, OpenMode mode) {
    if (!output_.p) throw IoError("書き込む先のファイルがありません。");
    return files->forWriting(output_.p->path, mode);
}

void CurrentFile::outputFailed() {
    if (output_.p) output_.p->failed = true;
}

bool CurrentFile::writeSDFHeader(bool fresh) {
    try {
        std::vector<std::uint8_t> bytes = EncodeSDFHeader();
        CallFiles files(job_.p.get());
        JobFile& f = outputFile(files, fresh ? OpenMode::Create : OpenMode::CreateOrUpdate);
        // Records still waiting go first: a header never declares records
        // that are not in the file.
        files->writeNow(f, 0, bytes.data(), bytes.size());
        files.done();
        output_.p->declared = Iterations;
        if (Iterations > 0) output_.p->declaredSome = true;
        writeFailure_ = {};
        return true;
    } catch (const std::exception& e) {
        writeFailure_ = {e.what()};
    } catch (...) {
        writeFailure_ = {};
    }
    outputFailed();
    return false;
}

bool CurrentFile::WriteSDFHeader() { return writeSDFHeader(false); }

bool CurrentFile::RewriteSDFHeader(const std::string& fileName) {
    try {
        std::vector<std::uint8_t> head = EncodeSDFHeader();
        std::int16_t declared = Iterations;
        // Looked at with the file held, as another writer may have changed
        // it while this one waited: only the file whose header was read,
        // as it was then, and whose records begin where this header ends
        // (as many channels) may take it.
        const auto check = [&](int fd) {
            if (ReadFrom.known() && !StampOf(fd).sameContentAs(ReadFrom.stamp))
                throw FormatError(Text(Tx::FileChangedSinceRead, {fileName}));
            BinaryFile in;
            in.adopt(::dup(fd), fileName);
            const std::uint64_t size = in.size();
            const ParseResult parsed = parseSdfHeader(in, size);
            if (parsed.kind != ParseResult::Ok || parsed.header.version != 4 ||
                parsed.header.nch + parsed.header.nch2 != Nch + Nch2)
                throw FormatError(Text(Tx::FileChangedSinceRead, {fileName}));
            // A header never declares bursts the file does not hold.
            const std::uint64_t start = head.size(), record = ComputeRecordSize();
            const std::uint64_t held = record == 0 || size <= start ? 0 : (size - start) / record;
            if (static_cast<std::uint64_t>(std::max<std::int16_t>(declared, 0)) > held) {
                declared = static_cast<std::int16_t>(held);
                putLE<std::int16_t>(head.data() + 210 + 13, declared);
            }
        };
        ReadFrom.stamp =
            RewriteFileHead(fileName, {reinterpret_cast<const char*>(head.data()), head.size()}, check);
        Iterations = declared;
        writeFailure_ = {};
        return true;
    } catch (const std::exception& e) {
        writeFailure_ = {e.what()};
    }
    return false;
}

bool CurrentFile::WriteSDFBurst(int b) {
    try {
        if (b < 0 || !buffersFit(*this)) {
            writeFailure_ = {"バーストのデータがヘッダーと合いません。"};
            outputFailed();
            return false;
        }
        UpdateBlockArithmetic();
        CallFiles files(job_.p.get());
        JobFile& f = outputFile(files, OpenMode::Update);
        std::uint64_t pos = static_cast<std::uint64_t>(HeaderBlocks) * kBlock +
                            static_cast<std::uint64_t>(b) * RecordSize;
        // The record goes out in pieces of whole sample rows, one after another.
        forEachPiece(*this, kPackBytes,
                     [&](std::size_t from, std::size_t to, std::size_t rowBytes, std::size_t n, bool last) {
            ioBuffer_.resize(n);
            packRows(*this, from, to, ioBuffer_.data());
            if (last) packTail(*this, ioBuffer_.data() + rowBytes);
            files->write(f, pos, ioBuffer_.data(), n);
            pos += n;
        });
        files.done();
        return true;
    } catch (const std::exception& e) {
        writeFailure_ = {e.what()};
    } catch (...) {
        writeFailure_ = {};
    }
    outputFailed();
    return false;
}

bool CurrentFile::UpdateOldSDF(std::uint8_t oldVersion, const std::string& fileName, BinaryFile& source) {
    if (oldVersion < 1 || oldVersion > 3) return false;
    // Version 1 intervals are converted by ReadSDFHeader before this runs.
    // The file is read-only to its owner: replacing it would override that.
    if (::access(fileName.c_str(), W_OK) != 0) {
        if (prompter)
            prompter->error("データ形式を更新できません。\nファイルに書き込めません。\n" + fileName + " (" +
                            std::strerror(errno) + ")");
        return false;
    }
    std::optional<SafeReplace> temp;
    try {
        temp.emplace(fileName);
    } catch (const IoError& e) {
        if (prompter)
            prompter->error("データ形式を更新できません。\nファイルのあるフォルダに書き込めません。\n" + fileName + "\n" +
                            e.what());
        return false;
    }
    AllocateForReading();
    auto tempFailed = [this] {
        if (prompter) prompter->error("データ形式を更新できません。\n一時ファイルに書き込めません。");
        return false;
    };
    // One handle for the whole update, and records read and written many
    // at a time: a file of many small bursts would otherwise spend its time
    // in opening, closing and system calls.
    BinaryFile out;
    WriteBehind pending;
    UpdateBlockArithmetic();
    try {
        out.open(temp->tempPath(), OpenMode::Create);
        std::vector<std::uint8_t> head = EncodeSDFHeader();
        out.writeAt(0, head.data(), head.size());
    } catch (const BrineError&) {
        return tempFailed();
    }
    NullProgress noProgress;
    ProgressSink& sink = progress ? *progress : noProgress;
    std::uint64_t values = static_cast<std::uint64_t>(Nch) * static_cast<std::uint64_t>(SampleSize) +
                           static_cast<std::uint64_t>(Nch2);
    std::uint64_t oldBlocks = values / 128 + (values % 128 > 0 ? 1 : 0);
    bool completed = true;
    {
        ProgressScope scope(sink, kUpdateCaption);
        ReadAhead records;
        std::vector<std::uint8_t> record(Iterations > 0 ? RecordSize : 0);
        for (int b = 0; b < Iterations; ++b) {
            sink.SetPercent(RoundHalfEven(static_cast<long double>(b) * 100 / Iterations));
            if (sink.Cancelled()) {
                completed = false;
                break;
            }
            std::uint64_t pos = (static_cast<std::uint64_t>(HeaderBlocks) + static_cast<std::uint64_t>(b) * oldBlocks) * kBlock;
            try {
                unpackRecord(*this, records.at(source, pos, record.size(), oldBlocks * kBlock, JobFiles::kReadAhead),
                             true);
            } catch (const IoError&) {
                if (prompter) prompter->error("データ形式を更新できません。\nデータの読み込みでエラーが発生しました。");
                return false;
            }
            try {
                packRecord(*this, record.data());
                pending.write(out, static_cast<std::uint64_t>(HeaderBlocks) * kBlock + static_cast<std::uint64_t>(b) * RecordSize,
                              record.data(), record.size());
            } catch (const IoError&) {
                return tempFailed();
            }
        }
        try {
            pending.flush(out);
            out.close();
        } catch (const IoError&) {
            return tempFailed();
        }
    }
    if (!completed) return false;
    // Read to its end: let go before the update may rewrite it in place.
    source.close();
    try {
        temp->commit();
    } catch (const IoError& e) {
        if (prompter) prompter->error(std::string("データ形式を更新できません。\n") + e.what());
        return false;
    }
    return true;
}

}  // namespace brine
