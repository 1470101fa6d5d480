#include "split/checksum/read_back_digests.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

#include "split/error.h"
#include "split/os/file_calls.h"

namespace morsela {
namespace {

// The copy may run this far ahead of the reading back, so that what is read back is still
// in memory and the reader never goes to the disk for it.
constexpr std::int64_t kMostAhead = 256 * 1024 * 1024;
// How much of a file is mapped at a time.
constexpr std::int64_t kWindow = 8 * 1024 * 1024;

}  // namespace

ReadBackDigests::ReadBackDigests(std::size_t digests, bool mapped)
    : digests_(digests), mapped_(mapped), reader_([this] { run(); }) {}

ReadBackDigests::~ReadBackDigests() {
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        queue_.clear();
    }
    changed_.notify_all();
    reader_.join();
}

void ReadBackDigests::add(const FileHandle& file, std::int64_t offset, std::int64_t length) {
    const int fd = sys::dup(file.fd());
    if (fd < 0) {
        throw Error::ofSource(file.path(), errno);
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queuedBytes_ < kMostAhead || failure_; });
    queue_.push_back({FileHandle(fd, file.path()), offset, length});
    queuedBytes_ += length;
    lock.unlock();
    changed_.notify_all();
}

void ReadBackDigests::end(std::size_t digest) {
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back({FileHandle(), 0, static_cast<std::int64_t>(digest)});
    }
    changed_.notify_all();
}

std::vector<std::string> ReadBackDigests::ended(std::size_t digest, bool all) {
    {
        std::unique_lock lock(mutex_);
        if (all) {
            changed_.wait(lock, [&] { return (queue_.empty() && !busy_) || failure_; });
        }
        if (failure_) {
            std::rethrow_exception(failure_);
        }
    }
    return digests_.takeEnded(digest, all);
}

void ReadBackDigests::run() {
    for (;;) {
        Range range{FileHandle(), 0, 0};
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return closing_ || !queue_.empty(); });
            if (closing_) {
                return;
            }
            range = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
        }
        try {
            readBack(range);
        } catch (...) {
            const std::lock_guard lock(mutex_);
            failure_ = std::current_exception();
            queue_.clear();
        }
        {
            const std::lock_guard lock(mutex_);
            busy_ = false;
            if (range.file.fd() >= 0) {
                queuedBytes_ -= range.length;
            }
        }
        changed_.notify_all();
    }
}

void ReadBackDigests::readBack(const Range& range) {
    if (range.file.fd() < 0) {
        digests_.end(static_cast<std::size_t>(range.length));
        return;
    }
    if (mapped_) {
        readBackMapped(range);
        return;
    }
    for (std::int64_t done = 0; done < range.length;) {
        const auto block = std::min<std::int64_t>(DigestThreads::kBufferSize, range.length - done);
        char* buffer = digests_.nextBuffer();
        if (readAt(range.file, buffer, block, range.offset + done) < block) {
            throw Error::refused(range.file.path(), "became shorter while it was being checked");
        }
        digests_.hashBuffer(static_cast<std::size_t>(block));
        done += block;
    }
}

void ReadBackDigests::readBackMapped(const Range& range) {
    struct stat status {};
    if (sys::fstat(range.file.fd(), &status) != 0) {
        throw Error::ofSource(range.file.path(), errno);
    }
    if (status.st_size < range.offset + range.length) {
        throw Error::refused(range.file.path(), "became shorter while it was being checked");
    }
    // A window at a time, so that the pages mapped stay few whatever the range's length.
    const std::int64_t page = ::sysconf(_SC_PAGESIZE);
    for (std::int64_t done = 0; done < range.length;) {
        const std::int64_t at = range.offset + done;
        const std::int64_t start = at / page * page;
        const std::int64_t length = std::min(kWindow, range.length - done);
        const auto mapped = static_cast<std::size_t>(at + length - start);
        void* map = ::mmap(nullptr, mapped, PROT_READ, MAP_SHARED, range.file.fd(), start);
        if (map == MAP_FAILED) {
            throw Error::ofSource(range.file.path(), errno);
        }
        ::madvise(map, mapped, MADV_SEQUENTIAL);
        const char* data = static_cast<const char*>(map) + (at - start);
        std::uint64_t last = 0;
        for (std::int64_t part = 0; part < length;) {
            const auto block = std::min<std::int64_t>(DigestThreads::kBufferSize, length - part);
            last = digests_.hashBytes(data + part, static_cast<std::size_t>(block));
            part += block;
        }
        digests_.wait(last);
        ::munmap(map, mapped);
        done += length;
    }
}

}  // namespace morsela
