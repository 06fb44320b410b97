#pragma once
// How many samples one burst may have before the program stops to refuse or
// ask. Where the samples lie in the input, the input itself justifies them;
// the limit applies where a header or a time span alone would decide the
// size of a burst (and so its buffers and its output):
//
//   where                          beyond the limit   why
//   Vector header                  refused (damaged   a day at 64 Hz is 5.5 million samples; more
//                                  header)            is no deployment, only memory
//   raw file header, burst longer  refused (damaged   an instrument that stopped early leaves a
//   than the file holds            header)            short file; a header far beyond it is damage
//   yearly tables                  refused            one year at a second's interval is three
//                                                     times the limit; the interval is too short
//   hourly tables (JMA, fishing    asked, naming the  a long record of real hours is possible; a
//   port, NOWPHAS)                 span and count     mistyped year is the common cause
//   SDF or TSD without interval    refused (format    its sample lines carry nothing, so nothing
//   channels                       message)           in the file ties their count to its size
//
// The refusals and questions keep their messages; this is only their bound.
#include <cstdint>

namespace brine {

constexpr std::int32_t kMaxSamplesPerBurst = 10'000'000;

// Sample lines a file with burst channels only may declare in all its bursts,
// per byte of the file. A burst-channel count (two bytes) then stands for up
// to 131072 samples, which keeps the burst channels of any long-burst record
// readable, while the TSD text of such a file stays within a fixed factor of
// its size.
constexpr std::uint64_t kBurstOnlySamplesPerByte = 65536;

// True when a header without interval channels (Nch 0) declares no more
// samples than its file of `fileSize` bytes justifies.
constexpr bool BurstOnlySamplesFit(std::int64_t iterations, std::int64_t sampleSize, std::uint64_t fileSize) {
    if (sampleSize < 0 || sampleSize > kMaxSamplesPerBurst || iterations < 0) return false;
    return static_cast<std::uint64_t>(iterations) * static_cast<std::uint64_t>(sampleSize) <=
           kBurstOnlySamplesPerByte * fileSize;
}

}  // namespace brine
