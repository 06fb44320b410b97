#pragma once
// The files a job of the model keeps open from their first use to its end
// (see BurstJob): each is opened, stat'ed and closed once, however many
// bursts pass through it. A call of the model outside a job uses a set of
// its own, closed when the call returns.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/binary_file.h"
#include "base/file_buffers.h"

namespace brine {

struct TsdBlockIndex;

struct JobFile {
    std::string path;
    BinaryFile file;
    bool writable = false;
    // The size of a file read, taken when first asked: once per job.
    std::uint64_t size();
    // Its stamp, taken when first asked.
    const FileStamp& stamp();
    ReadAhead ahead;
    WriteBehind behind;
    // Where the blocks of a TSD file begin, and how far it has been read.
    std::shared_ptr<TsdBlockIndex> tsd;

private:
    friend class JobFiles;
    std::optional<std::uint64_t> size_;
    std::optional<FileStamp> stamp_;
    // Where an appended block goes, once known; it includes what waits.
    std::optional<std::uint64_t> end_;
};

class JobFiles {
public:
    // wholeOutput: the output counts only when the whole job succeeds, so
    // records may wait in memory until finish(). Otherwise every write is in
    // the file when the call that made it returns. A job's reads are read
    // ahead; a lone call reads no more than it needs.
    JobFiles(bool wholeOutput, bool lone) : wholeOutput_(wholeOutput), lone_(lone) {}
    JobFiles(const JobFiles&) = delete;
    JobFiles& operator=(const JobFiles&) = delete;

    // Bytes a read may take ahead of what it needs.
    std::size_t readAhead() const { return lone_ ? 0 : kReadAhead; }

    // The file opened for reading (or the job's output of that name, with
    // what waits written), through the opening of the program's formats
    // (held for reading until closed; FormatError where it is refused). A
    // file read before under another name is closed: a job reads one file
    // after another.
    JobFile& forReading(const std::string& path);
    // The file opened for writing with `mode` the first time; Create empties
    // it again later.
    JobFile& forWriting(const std::string& path, OpenMode mode);
    // Writes at pos, after what waits; in a whole-output job it may wait too.
    void write(JobFile& f, std::uint64_t pos, const void* p, std::size_t n);
    void writeNow(JobFile& f, std::uint64_t pos, const void* p, std::size_t n);
    // The text of blocks to append at the file's end, then appended() once it is there.
    std::string& appendBuffer(JobFile& f);
    void appended(JobFile& f);
    // Closes the file: its name now stands for another one.
    void forget(const std::string& path);
    // Writes what waits, the files staying open; IoError when that fails.
    void flush();
    // Writes what waits and closes every file; IoError when that fails.
    void finish();
    bool wholeOutput() const { return wholeOutput_; }

    static constexpr std::size_t kReadAhead = 256u << 10;

private:
    JobFile* find(const std::string& path);
    std::uint64_t endOf(JobFile& f);

    bool wholeOutput_, lone_;
    std::vector<std::unique_ptr<JobFile>> files_;
};

// The files of the job running, or of one call alone.
class CallFiles {
public:
    explicit CallFiles(JobFiles* job) : files_(job ? *job : lone_) {}
    JobFiles& operator*() { return files_; }
    JobFiles* operator->() { return &files_; }
    // The end of the call: a lone call's files are closed, with the errors
    // of closing an output.
    void done() {
        if (&files_ == &lone_) lone_.finish();
    }

private:
    JobFiles lone_{false, true};
    JobFiles& files_;
};

}  // namespace brine
