#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <vector>

#include "engine/os/file_handle.h"

namespace morsela::recovery {

// The pieces of a split as they are written, shared with readers on threads of their own that
// read them back close behind the writing: a reader waits until the bytes it wants are
// written, and the writer waits while the slowest reader is more than kMostAhead behind, so
// that what is read back still lies in memory. Each piece is read through a descriptor of
// this object's, closed once the last of its readers is done with it. A reader's failure
// stops the writer and the other readers.
class WrittenPieces {
  public:
    static constexpr std::int64_t kMostAhead = 512 << 20;

    // Pieces of `lengths` bytes, in order, piece i read by `readersOf[i]` readers; `readers`
    // readers in all, numbered from 0.
    WrittenPieces(std::vector<std::int64_t> lengths, std::vector<int> readersOf,
                  std::size_t readers);
    WrittenPieces(const WrittenPieces&) = delete;
    WrittenPieces& operator=(const WrittenPieces&) = delete;

    // The writer's side: the first `upTo` bytes of piece `piece` are in `file`. Throws Error,
    // or what stopped a reader.
    void written(std::size_t piece, const FileHandle& file, std::int64_t upTo);
    // Ends the reading: readers waiting give up.
    void close();
    // Throws what stopped a reader, if anything did.
    void rethrowFailure();
    // Waits at most `most` until readers [first, first + count) have passed every piece, or
    // the reading ended or failed; whether they have (or it did).
    bool awaitReaders(std::size_t first, std::size_t count, std::chrono::milliseconds most);
    // The bytes the readers counted as read so far, from any thread.
    std::int64_t bytesRead() const { return read_.load(std::memory_order_relaxed); }

    // The readers' side. Waits until the first `upTo` bytes of `piece` are written and gives
    // the piece's descriptor; nullptr once the reading is ended.
    const FileHandle* await(std::size_t piece, std::int64_t upTo);
    // Reader `reader` needs nothing before `position` of the pieces laid end to end.
    void passed(std::size_t reader, std::int64_t position);
    // A reader read `bytes` more that count as work done.
    void counted(std::int64_t bytes) { read_.fetch_add(bytes, std::memory_order_relaxed); }
    // A reader of `piece` is done with it.
    void release(std::size_t piece);
    // A reader failed with `failure`.
    void fail(std::exception_ptr failure);
    // Where `piece` starts, with the pieces laid end to end.
    std::int64_t start(std::size_t piece) const { return starts_[piece]; }
    std::int64_t length(std::size_t piece) const { return lengths_[piece]; }
    std::size_t pieces() const { return lengths_.size(); }

  private:
    bool tooFarAhead(std::int64_t end) const;

    std::vector<std::int64_t> lengths_;
    std::vector<std::int64_t> starts_;
    std::vector<int> readersLeft_;
    std::vector<FileHandle> files_;
    std::vector<std::int64_t> written_;
    std::vector<std::int64_t> positions_;  // per reader

    std::mutex mutex_;
    std::condition_variable changed_;
    std::exception_ptr failure_;
    bool closed_ = false;
    std::atomic<std::int64_t> read_{0};
};

}  // namespace morsela::recovery
