#pragma once
// Fast general 7-digit number text for bulk output (TSD bursts). Gives the
// same text as FormatGeneral(v, 7) without a formatted print per value.

namespace brine {

// Writes the text of v at out and returns the end; out needs 32 bytes.
char* WriteGeneral7(char* out, double v);

}  // namespace brine
