#include "engine/os/file_handle.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

#include "engine/error.h"
#include "engine/os/file_calls.h"

namespace morsela {

FileHandle::~FileHandle() {
    close();
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

int FileHandle::close() {
    if (fd_ < 0) {
        return 0;
    }
    // Linux releases the descriptor even when close fails, so it is never closed twice.
    const int result = sys::close(fd_);
    fd_ = -1;
    return result == 0 ? 0 : errno;
}

FileHandle openSource(const std::string& path) {
    // O_NONBLOCK keeps a FIFO from hanging the open; the caller refuses anything but a
    // regular file, for which the flag has no effect.
    const int fd =
        sys::openWithoutAccessTime([&](int flags) { return sys::open(path.c_str(), flags); },
                                   O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        throw Error::ofSource(path, errno);
    }
    return FileHandle(fd, path);
}

struct stat statusOf(const FileHandle& file) {
    struct stat status {};
    if (sys::fstat(file.fd(), &status) != 0) {
        throw Error::ofSource(file.path(), errno);
    }
    return status;
}

std::int64_t readAt(const FileHandle& file, char* data, std::int64_t length, std::int64_t offset) {
    std::int64_t got = 0;
    while (got < length) {
        const ssize_t n = sys::retryInterrupted([&] {
            return sys::pread(file.fd(), data + got, static_cast<size_t>(length - got),
                              offset + got);
        });
        if (n < 0) {
            throw Error::ofSource(file.path(), errno);
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    return got;
}

void writeFully(const FileHandle& file, const char* data, std::int64_t length,
                std::int64_t offset) {
    for (std::int64_t put = 0; put < length;) {
        const ssize_t n = sys::retryInterrupted([&] {
            return sys::pwrite(file.fd(), data + put, static_cast<size_t>(length - put),
                               offset + put);
        });
        if (n <= 0) {
            throw Error::ofOutput(file.path(), n < 0 ? errno : EIO);
        }
        put += n;
    }
}

void closeOutput(FileHandle& file) {
    if (const int error = file.close(); error != 0) {
        throw Error::ofOutput(file.path(), error);
    }
}

}  // namespace morsela
