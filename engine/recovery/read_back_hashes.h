#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "engine/recovery/file_hashes.h"
#include "engine/recovery/written_pieces.h"

namespace morsela::recovery {

// The hashes of a split's pieces, read back as they are written by two threads that take the
// pieces' hashing in turns: a piece of exactly one slice is one task, any other two (its
// slices' checks, and its whole MD5), so that both threads have work while MD5, the slowest
// part of the recovery files, follows the split.
class ReadBackHashes {
  public:
    static constexpr std::size_t kThreads = 2;

    // How many of the threads read a piece of `length` bytes.
    static int readersOf(std::int64_t length, std::int64_t sliceSize);

    // Reads `pieces` as readers `firstReader` and `firstReader + 1`.
    ReadBackHashes(WrittenPieces& pieces, std::int64_t sliceSize, std::size_t firstReader);
    // Waits for the threads, which end early once the reading is ended.
    ~ReadBackHashes();
    ReadBackHashes(const ReadBackHashes&) = delete;
    ReadBackHashes& operator=(const ReadBackHashes&) = delete;

    // Waits for the threads and gives the pieces' hashes, in the pieces' order; complete when
    // no reader failed (WrittenPieces::rethrowFailure).
    std::vector<FileHashes> take();

  private:
    struct Task {
        std::size_t piece;
        FileHasher::Share share;
    };
    void run(std::size_t reader);
    void hash(const Task& task, std::size_t reader, char* buffer);

    WrittenPieces& pieces_;
    std::int64_t sliceSize_;
    std::vector<Task> tasks_;
    std::atomic<std::size_t> next_{0};
    std::vector<FileHashes> hashes_;
    std::vector<std::thread> threads_;
};

}  // namespace morsela::recovery
