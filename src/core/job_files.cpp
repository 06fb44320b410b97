#include "core/job_files.h"

#include <algorithm>

#include "base/safe_write/read_opening.h"
#include "base/texts.h"

namespace brine {

std::uint64_t JobFile::size() {
    // An output grows while it is written.
    if (writable) return file.size();
    if (!size_) size_ = file.size();
    return *size_;
}

const FileStamp& JobFile::stamp() {
    if (!stamp_) stamp_ = file.stamp();
    return *stamp_;
}

std::uint64_t JobFiles::endOf(JobFile& f) {
    // Nothing waits before the end is known: the file holds all written.
    if (!f.end_) f.end_ = f.file.size();
    return *f.end_;
}

JobFile* JobFiles::find(const std::string& path) {
    for (auto& f : files_)
        if (f->path == path) return f.get();
    return nullptr;
}

JobFile& JobFiles::forReading(const std::string& path) {
    if (JobFile* f = find(path)) {
        if (f->writable) f->behind.flush(f->file);
        return *f;
    }
    std::erase_if(files_, [](const std::unique_ptr<JobFile>& f) { return !f->writable; });
    auto f = std::make_unique<JobFile>();
    f->file = OpenToRead(path, {Text(Tx::FormatWrong)});
    f->path = path;
    files_.push_back(std::move(f));
    return *files_.back();
}

JobFile& JobFiles::forWriting(const std::string& path, OpenMode mode) {
    if (JobFile* f = find(path)) {
        if (f->writable) {
            if (mode == OpenMode::Create) {
                f->behind.drop();
                f->ahead.clear();
                f->tsd.reset();
                f->file.truncate(0);
                f->end_ = 0;
            }
            return *f;
        }
        forget(path);
    }
    auto f = std::make_unique<JobFile>();
    f->file.open(path, mode);
    f->path = path;
    f->writable = true;
    if (mode == OpenMode::Create) f->end_ = 0;
    files_.push_back(std::move(f));
    return *files_.back();
}

void JobFiles::write(JobFile& f, std::uint64_t pos, const void* p, std::size_t n) {
    if (!wholeOutput_) return writeNow(f, pos, p, n);
    const std::uint64_t end = endOf(f);
    f.ahead.clear();
    f.behind.write(f.file, pos, p, n);
    f.end_ = std::max(end, pos + n);
}

void JobFiles::writeNow(JobFile& f, std::uint64_t pos, const void* p, std::size_t n) {
    f.ahead.clear();
    f.behind.flush(f.file);
    f.file.writeAt(pos, p, n);
    if (f.end_) f.end_ = std::max(*f.end_, pos + n);
}

std::string& JobFiles::appendBuffer(JobFile& f) {
    const std::uint64_t end = endOf(f);
    f.ahead.clear();
    return f.behind.bufferAt(f.file, end);
}

void JobFiles::appended(JobFile& f) {
    f.end_ = std::max(endOf(f), f.behind.end());
    if (wholeOutput_)
        f.behind.flushIfFull(f.file);
    else
        f.behind.flush(f.file);
}

void JobFiles::forget(const std::string& path) {
    std::erase_if(files_, [&](const std::unique_ptr<JobFile>& f) { return f->path == path; });
}

void JobFiles::flush() {
    for (auto& f : files_)
        if (f->writable) f->behind.flush(f->file);
}

void JobFiles::finish() {
    // Every file is closed, also when one of them fails.
    std::vector<std::unique_ptr<JobFile>> files = std::move(files_);
    files_.clear();
    for (auto& f : files) {
        if (!f->writable) continue;
        f->behind.flush(f->file);
        f->file.close();
    }
}

}  // namespace brine
