#include "engine/checksum/read_back_digests.h"

#include <fcntl.h>
#include <algorithm>
#include <cerrno>

#include "engine/error.h"
#include "engine/os/file_calls.h"
#include "engine/os/file_system.h"

namespace morsela {
namespace {

// The copy may run this far ahead of the reading back, so that what is read back is still
// in memory and the reader never goes to the disk for it.
constexpr std::int64_t kMostAhead = 256 * 1024 * 1024;

}  // namespace

ReadBackDigests::ReadBackDigests(std::size_t digests)
    : digests_(digests), reader_([this] { run(); }) {}

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
    // A FUSE program may keep one place in a file per open description: fusefat, having
    // read a range back through the writer's, refuses the next write (EPERM) or cuts it
    // short, and a read that comes while it writes goes wrong too. There each range is read
    // through a description of its own, before the writing goes on.
    const bool alone = isFuseFile(file);
    const int fd = alone ? sys::reopen(file.fd(), O_RDONLY | O_CLOEXEC) : sys::dup(file.fd());
    if (fd < 0) {
        throw Error::ofSource(file.path(), errno);
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queuedBytes_ < kMostAhead || failure_; });
    queue_.push_back({FileHandle(fd, file.path()), offset, length});
    queuedBytes_ += length;
    lock.unlock();
    changed_.notify_all();
    if (alone) {
        lock.lock();
        changed_.wait(lock, [&] { return (queue_.empty() && !busy_) || failure_; });
    }
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
    if (isFuseFile(range.file) &&
        sys::dropCached(range.file.fd(), range.offset, range.length) != 0) {
        throw Error::ofSource(range.file.path(), errno);
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

}  // namespace morsela
