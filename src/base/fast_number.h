#pragma once
// Fast general 7-digit number text for bulk output (TSD bursts). Gives the
// same text as FormatGeneral(v, 7) without a formatted print per value.
#include <string>

namespace brine {

// Writes the text of v at out and returns the end; out needs 32 bytes.
char* WriteGeneral7(char* out, double v);
inline void AppendGeneral7(std::string& s, double v) {
    char buf[32];
    s.append(buf, WriteGeneral7(buf, v));
}

}  // namespace brine
