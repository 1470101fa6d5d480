#include "engine/recovery/written_pieces.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#include "engine/error.h"
#include "engine/os/file_calls.h"

namespace morsela::recovery {

WrittenPieces::WrittenPieces(std::vector<std::int64_t> lengths, std::vector<int> readersOf,
                             std::size_t readers)
    : lengths_(std::move(lengths)),
      starts_(lengths_.size()),
      readersLeft_(std::move(readersOf)),
      files_(lengths_.size()),
      written_(lengths_.size(), -1),
      positions_(readers, 0) {
    for (std::size_t i = 1; i < lengths_.size(); ++i) {
        starts_[i] = starts_[i - 1] + lengths_[i - 1];
    }
}

void WrittenPieces::written(std::size_t piece, const FileHandle& file, std::int64_t upTo) {
    std::unique_lock lock(mutex_);
    if (files_[piece].fd() < 0 && readersLeft_[piece] > 0) {
        const int fd = sys::dup(file.fd());
        if (fd < 0) {
            throw Error::ofOutput(file.path(), errno);
        }
        files_[piece] = FileHandle(fd, file.path());
    }
    written_[piece] = upTo;
    changed_.notify_all();
    const std::int64_t end = starts_[piece] + upTo;
    changed_.wait(lock, [&] { return failure_ || closed_ || !tooFarAhead(end); });
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

bool WrittenPieces::tooFarAhead(std::int64_t end) const {
    return end - *std::min_element(positions_.begin(), positions_.end()) > kMostAhead;
}

void WrittenPieces::close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

void WrittenPieces::rethrowFailure() {
    const std::lock_guard lock(mutex_);
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

bool WrittenPieces::awaitReaders(std::size_t first, std::size_t count,
                                 std::chrono::milliseconds most) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, most, [&] {
        const auto begin = positions_.begin() + static_cast<std::ptrdiff_t>(first);
        return closed_ || failure_ ||
               std::all_of(begin, begin + static_cast<std::ptrdiff_t>(count), [](std::int64_t at) {
                   return at == std::numeric_limits<std::int64_t>::max();
               });
    });
}

const FileHandle* WrittenPieces::await(std::size_t piece, std::int64_t upTo) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return closed_ || failure_ || written_[piece] >= upTo; });
    return closed_ || failure_ ? nullptr : &files_[piece];
}

void WrittenPieces::passed(std::size_t reader, std::int64_t position) {
    {
        const std::lock_guard lock(mutex_);
        positions_[reader] = position;
    }
    changed_.notify_all();
}

void WrittenPieces::release(std::size_t piece) {
    const std::lock_guard lock(mutex_);
    if (--readersLeft_[piece] == 0) {
        files_[piece].close();  // only read: nothing to report
    }
}

void WrittenPieces::fail(std::exception_ptr failure) {
    {
        const std::lock_guard lock(mutex_);
        if (!failure_) {
            failure_ = std::move(failure);
        }
    }
    changed_.notify_all();
}

}  // namespace morsela::recovery
