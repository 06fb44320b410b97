// TSD: the text twin of SDF.
#include "core/current_file.h"
#include "platform/api/prompter.h"

namespace brine {

bool CurrentFile::ReadTSDHeader(const std::string&) {
    if (prompter) prompter->error(kFormatMessage);
    return false;
}

bool CurrentFile::ReadTSDBurst(int) { return false; }

}  // namespace brine

namespace brine {

bool CurrentFile::WriteTSDHeader(const std::string&) { return false; }
bool CurrentFile::WriteTSDBurst(int) { return false; }

}  // namespace brine
