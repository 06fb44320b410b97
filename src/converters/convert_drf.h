#pragma once
// DRF files: bursts of counts in 256-byte blocks, after a two-block header
// with the channel table.
#include <cstdint>
#include <string>

#include "converters/conversion_support.h"

namespace brine {

// 256-byte blocks taken by one burst (its 36-byte block header included).
std::uint32_t DRFBlocksPerBurst(int nch, int nch2, int sampleSize);

// Reads the header, channel table and start time into the model. False with
// a message for a damaged header; the model is untouched then.
bool ReadDRFHeader(CurrentFile& m, const std::string& fileName, Prompter& prompter);

// Copies every complete burst of the file into model.SaveFileName, whose
// header has been written. A file that ends early gives an output whose
// header declares the bursts written, and the user is told; when it holds
// no complete burst at all the file counts as failed. On cancel or a failed
// write the header is corrected the same way.
JobResult ConvertDRFBlocks(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress);

// Header, dialog, bursts.
JobResult ConvertDRFFile(CurrentFile& m, const std::string& fileName, Prompter& prompter, ProgressSink& progress,
                         HeaderSaveDialog& dialog);

}  // namespace brine
