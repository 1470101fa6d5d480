#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/checksum/sha256.h"
#include "engine/os/page_buffer.h"

namespace morsela {

// SHA-256 digests computed on threads of their own, one thread per digest: the caller fills
// a buffer of this object's, hands it over and goes on while the threads hash it. Every block
// goes into every digest, in the order handed over; each digest is ended when the caller
// says, and its value is kept until the caller takes it.
class DigestThreads {
  public:
    static constexpr std::size_t kBufferSize = 2 * 1024 * 1024;

    explicit DigestThreads(std::size_t digests);
    ~DigestThreads();
    DigestThreads(const DigestThreads&) = delete;
    DigestThreads& operator=(const DigestThreads&) = delete;

    // A buffer of kBufferSize bytes to fill with the next block, once every digest is done
    // with what it held before.
    char* nextBuffer();
    // Hands over the first `length` bytes of the buffer nextBuffer() gave last.
    void hashBuffer(std::size_t length);
    // Ends digest `digest` after the blocks handed over so far; it then starts anew.
    void end(std::size_t digest);
    // The values of digest `digest` at its ends reached so far, as 64 hexadecimal digits,
    // oldest first; with `all`, once every end asked for so far is reached.
    std::vector<std::string> takeEnded(std::size_t digest, bool all);

  private:
    static constexpr std::size_t kBuffers = 4;
    struct Block {
        const char* data;    // nullptr for an end
        std::size_t length;  // for an end, the digest it ends
        std::uint64_t number;
    };
    struct Worker {
        std::deque<Block> queue;
        std::uint64_t done = 0;  // the number of the last block taken
        std::deque<std::string> ended;
        Sha256 sha;
        std::thread thread;
    };
    void handOver(const char* data, std::size_t length);
    void waitFor(std::uint64_t block, std::unique_lock<std::mutex>& lock);
    void run(std::size_t index);

    std::array<PageBuffer, kBuffers> buffers_;
    std::array<std::uint64_t, kBuffers> lastBlockIn_{};  // per buffer
    std::size_t current_ = 0;
    std::uint64_t handedOver_ = 0;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::unique_ptr<Worker>> workers_;
    bool closing_ = false;
};

}  // namespace morsela
