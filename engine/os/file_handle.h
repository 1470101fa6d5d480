#pragma once

#include <cstdint>
#include <string>

#include <sys/stat.h>

namespace morsela {

// An open file descriptor with the path it was opened under. It closes itself when it goes
// out of scope, so that no descriptor outlives a failure; close() closes it earlier and
// reports what the system said.
class FileHandle {
  public:
    FileHandle() = default;
    FileHandle(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~FileHandle();
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

    // Closes the descriptor; returns 0, or the errno of a failed close.
    int close();

  private:
    int fd_ = -1;
    std::string path_;
};

// Opens a file for reading only, never changing it (not even its access time where the
// system allows), and without blocking on a pipe. Throws Error (NotFound for a missing file).
FileHandle openSource(const std::string& path);

// The status of an open file; throws Error naming the file as a source.
struct stat statusOf(const FileHandle& file);

// Reads up to `length` bytes at `offset`, retrying short and interrupted reads; fewer only at
// the end of the file. Returns how many were read; throws Error naming the file.
std::int64_t readAt(const FileHandle& file, char* data, std::int64_t length, std::int64_t offset);

// Writes all `length` bytes at `offset`, retrying short and interrupted writes.
void writeFully(const FileHandle& file, const char* data, std::int64_t length, std::int64_t offset);

// Closes a written file and throws Error when the system reports a failure.
void closeOutput(FileHandle& file);

}  // namespace morsela
