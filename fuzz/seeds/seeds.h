#pragma once
// The seed corpora: small valid inputs of every reader, written with the
// tests' own generators where they have one.
#include <filesystem>
#include <string>
#include <vector>

namespace brine::seeds {

// Writes root/<target>/seed-<name>.
void Put(const std::filesystem::path& root, const std::string& target, const std::string& name,
         const std::string& bytes);
std::string Bytes(const std::vector<unsigned char>& b);
std::string Lines(const std::vector<std::string>& lines, const char* eol = "\r\n");

void WriteTimeSeriesSeeds(const std::filesystem::path& root);  // SDF, TSD, ADDC, DRF
void WriteInstrumentSeeds(const std::filesystem::path& root);  // raw, DL-2, Vector, Wave Hunter
void WriteTableSeeds(const std::filesystem::path& root);       // text tables, settings, series stream

}  // namespace brine::seeds
