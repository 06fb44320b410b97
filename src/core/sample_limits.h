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
//   SDF or TSD without interval    refused (format    its records hold the burst channels alone,
//   channels                       message)           so nothing in the file bounds the count; no
//                                                     buffer follows it, only text and loops do
//   extract of burst channels      refused            the output would be such a file, and one the
//   only                                              program refuses to open
//
// Outputs are bounded apart from bursts: SDF to TSD, extract and link to
// TSD, and merge ask, naming the size, before an output more than 64 times
// its inputs and 16 MiB besides (output_size.h). Text of real values never
// comes near; the empty sample lines of a file of burst channels only do,
// and so does a damaged count of its bursts or samples.
//
// The refusals and questions keep their messages; this is only their bound.
#include <cstdint>

namespace brine {

constexpr std::int32_t kMaxSamplesPerBurst = 10'000'000;

// True when a header without interval channels (Nch 0) declares a burst
// the program takes: its record holds the burst channels alone, so nothing
// in the file bounds the sample count but this limit.
constexpr bool BurstOnlySamplesFit(std::int64_t sampleSize) { return sampleSize >= 0 && sampleSize <= kMaxSamplesPerBurst; }

}  // namespace brine
