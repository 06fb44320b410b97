#include "core/current_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "base/cp932.h"
#include "base/errors.h"
#include "core/job_files.h"

namespace brine {

CurrentFile::CurrentFile() { Data.resize(kMaxIntervalChannels); }

BurstJob::BurstJob(CurrentFile& m, Writes writes) : m_(m) {
    if (m_.job_.p) {
        // Bursts the inner job expects in its file could otherwise still
        // wait in memory, or wait where it expects them written.
        if (m_.job_.p->wholeOutput() != (writes == WholeOutput))
            throw std::logic_error("書き込み方の違う処理の中では始められません。");
        return;
    }
    m_.job_.p = std::make_shared<JobFiles>(writes == WholeOutput, false);
    owner_ = true;
}

BurstJob::~BurstJob() {
    if (owner_) m_.job_.p.reset();
}

void BurstJob::finish() {
    // Within another job: its output may be replaced as soon as this ends.
    if (!owner_) {
        if (m_.job_.p) m_.job_.p->flush();
        return;
    }
    owner_ = false;
    std::shared_ptr<JobFiles> files = std::move(m_.job_.p);
    files->finish();
}

void CurrentFile::ResetHeader() {
    RecordSize = 0;
    HeaderBlocks = 0;
    FileKind = 0;
    FileName.clear();
    SaveFileName.clear();
    static_cast<FileHeader&>(*this) = FileHeader{};
}

int CurrentFile::channelAt(int k) {
    if (k < 0 || k >= kMaxChannels) throw RangeError("チャンネル番号が範囲外です。");
    return k;
}

int CurrentFile::ChannelCount() const {
    const int channels = Nch + Nch2;
    if (Nch < 0 || Nch2 < 0 || channels > kMaxChannels) throw RangeError("チャンネル数が範囲外です。");
    return channels;
}

void CurrentFile::SetMemo(std::string_view cp932) { Memo = cutCp932(cp932, kMemoBytes); }

void CurrentFile::SetChannelName(int k, std::string_view cp932) {
    ChannelName[static_cast<std::size_t>(channelAt(k))] = cutCp932(cp932, kNameBytes);
}

void CurrentFile::SetChannelUnit(int k, std::string_view cp932) {
    ChannelUnit[static_cast<std::size_t>(channelAt(k))] = cutCp932(cp932, kUnitBytes);
}

void CurrentFile::AllocateDataArrays() { AllocateSamples(SampleSize); }

void CurrentFile::AllocateForReading() { AllocateSamples(Iterations > 0 ? SampleSize : std::min(SampleSize, 1)); }

// The buffers are the model's own: none is taken over from a model gone,
// whose file's samples would stand in this one until a read filled them all.
void CurrentFile::AllocateSamples(std::int32_t samples) {
    if (Nch < 0 || Nch > kMaxIntervalChannels || Nch2 < 0) throw RangeError("チャンネル数が範囲外です。");
    if (samples < 0) throw RangeError("計測回数が範囲外です。");
    if (Data.size() < static_cast<std::size_t>(kMaxIntervalChannels)) Data.resize(kMaxIntervalChannels);
    for (int ch = 0; ch < Nch; ++ch) Data[static_cast<std::size_t>(ch)].resize(static_cast<std::size_t>(samples));
    if (Nch2 >= 1) BurstData.resize(static_cast<std::size_t>(Nch2));
}

void CurrentFile::NormalizeBurstInterval() {
    if (!validUnit(SITUnit) || !validUnit(BITUnit)) throw RangeError("時間の単位が正しくありません。");
    long double D = static_cast<long double>(SInt) * unitAt(SITUnit).DaysPer * SampleSize;
    long double E = static_cast<long double>(BInt) * unitAt(BITUnit).DaysPer;
    if (!(E < D && Iterations == 1)) return;
    double T = static_cast<double>(static_cast<long double>(SInt) * unitAt(SITUnit).SecondsPer *
                                   (static_cast<long double>(SampleSize) + 1));
    for (int u = SITUnit + 1; u <= 8; ++u) {
        double x = static_cast<double>(T / unitAt(u).SecondsPer);
        // A zero, negative, non-finite or huge interval cannot be re-expressed.
        if (!std::isfinite(x) || x <= 0 || x >= 2147483647.0) return;
        int r = RoundHalfAway(x);
        if (std::fabs(r - x) / x > 0.001) return;
        BInt = r;
        BITUnit = static_cast<std::uint8_t>(u);
    }
}

void CurrentFile::ShowSIntInDisplayUnit() {
    const TTimeUnit& shown = unitAt(DisplayUnit);
    SIntDisplay = static_cast<double>(SInt * unitAt(SITUnit).SecondsPer / shown.SecondsPer);
    SITUnitName = shown.Name;
}

std::uint64_t CurrentFile::ComputeRecordSize() const {
    if (Nch < 0 || Nch2 < 0 || SampleSize < 0) throw RangeError();
    std::uint64_t r = (static_cast<std::uint64_t>(Nch) * static_cast<std::uint64_t>(SampleSize) +
                       static_cast<std::uint64_t>(Nch2)) * 2u;
    if (r > std::numeric_limits<std::uint32_t>::max()) throw RangeError("1バーストのデータが大きすぎます。");
    return r;
}

std::uint32_t CurrentFile::ComputeHeaderBlocks() const {
    int n = Nch + Nch2;
    if (n < 0) throw RangeError();
    return static_cast<std::uint32_t>(n / 8 + 1 + (n % 8 > 0 ? 1 : 0));
}

void CurrentFile::UpdateBlockArithmetic() {
    RecordSize = static_cast<std::uint32_t>(ComputeRecordSize());
    HeaderBlocks = ComputeHeaderBlocks();
}

std::string UpperExtension(const std::string& fileName) {
    std::string ext = std::filesystem::path(fileName).extension().string();
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

std::string TrimRightControl(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return std::string(s);
}

}  // namespace brine

#include "core/header_save.h"

namespace brine {

CurrentFile& AppModel() {
    static CurrentFile model;
    return model;
}

}  // namespace brine
