#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/checksum/digest_threads.h"
#include "engine/os/file_handle.h"

namespace morsela {

// Digests of what was written, read back from the written files through the writer's own
// descriptors while the copy goes on: the copy itself stays in the kernel, and the bytes
// hashed are exactly the bytes in the files, never a second read of a source that may have
// changed meanwhile. A reader thread reads each range back with pread, and a thread per
// digest hashes it; a file cut short meanwhile is a failure, never a signal. Read back soon
// after it was written, the data still lies in memory. Through FUSE that memory is the
// kernel's copy of what was handed to the file system's program, which may have kept
// something else: there the copy is dropped first, and the program is asked for the bytes.
class ReadBackDigests {
  public:
    explicit ReadBackDigests(std::size_t digests);
    ~ReadBackDigests();
    ReadBackDigests(const ReadBackDigests&) = delete;
    ReadBackDigests& operator=(const ReadBackDigests&) = delete;

    // Reads `length` bytes of `file` at `offset` into every digest, after what was added
    // before. The file may be closed meanwhile: the reader keeps a descriptor of its own.
    // Through FUSE, returns once the range is read back.
    void add(const FileHandle& file, std::int64_t offset, std::int64_t length);
    // Ends digest `digest` after everything added so far; it then starts anew.
    void end(std::size_t digest);
    // The values of digest `digest` at the ends reached so far, oldest first; with `all`,
    // at every end asked for. Throws the Error that stopped the reading back, if one did.
    std::vector<std::string> ended(std::size_t digest, bool all);

  private:
    struct Range {
        FileHandle file;  // none for an end
        std::int64_t offset;
        std::int64_t length;  // for an end, the digest it ends
    };
    void run();
    void readBack(const Range& range);

    DigestThreads digests_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Range> queue_;
    std::int64_t queuedBytes_ = 0;
    bool busy_ = false;
    bool closing_ = false;
    std::exception_ptr failure_;
    std::thread reader_;
};

}  // namespace morsela
