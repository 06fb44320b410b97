#pragma once
// The extraction dialog's save step: checks the output name, asks the
// overwrite questions and runs the extraction. No Qt here.
#include <string>

#include "tools/extract_data.h"

namespace brine {


// True when the dialog ends with OK: after an extraction (also a failed one,
// which has shown its message) or a declined overwrite. False keeps the
// dialog open: Cancel to a question, No to the size of a text far larger
// than its source, or a request refused with a message (no name, an
// extension other than ".sdf" or ".tsd", no channel, a bad window, burst
// channels alone of bursts longer than a burst may be).
// A name that leads to the source file, however spelt, gets the question for
// the source; the source is then replaced only after a complete run.
bool SaveExtraction(CurrentFile& model, ExtractRequest request, const std::string& outputName, Prompter& prompter,
                    ProgressSink& progress);

}  // namespace brine
