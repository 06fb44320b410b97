#pragma once
#include <cstdint>
#include <filesystem>
#include <string>

namespace brine {

// True when both names lead to one existing file, whatever their spelling
// (relative, "..", symbolic links).
bool SameFile(const std::string& a, const std::string& b);

// Follows symbolic links to the name of the file they end at (which need not
// exist yet); relative links count from the link's folder. IoError when the
// links go round in a loop or one cannot be read.
std::filesystem::path ResolveLinks(std::filesystem::path p);

// Where a name leads: the file itself (device and inode) when it exists,
// else the place it would be made at, with symbolic links (also one that
// names a file still to be made), "." and ".." resolved. Two names lead to
// one file exactly when their places are equal.
struct FilePlace {
    bool exists = false;
    std::uint64_t device = 0, inode = 0;
    std::string path;  // only for a file that does not exist
    bool operator==(const FilePlace&) const = default;
};
FilePlace PlaceOf(const std::string& name);

// Absolute, normalised form of a file name, for showing where a file is; the
// name as given when that cannot be had.
std::string FullName(const std::string& fileName);

}  // namespace brine
