#include "engine/os/unnamed_file.h"

#include <fcntl.h>
#include <cerrno>

#include "engine/error.h"
#include "engine/os/file_calls.h"
#include "engine/os/temporary_file.h"

namespace morsela {
namespace {

// What a file system without O_TMPFILE answers (EISDIR from kernels that predate it).
bool lacksUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

// Created under an unguessable name with O_EXCL, readable by its owner only, and unlinked
// before anything is written to it.
FileHandle createAndUnlink(const Directory& dir, const std::string& path) {
    for (int attempt = 0;; ++attempt) {
        const std::string name = unguessableName(path);
        const int fd = sys::retryInterrupted(
            [&] { return sys::openat(dir.fd(), name.c_str(), kCreateFlags, 0600); });
        if (fd >= 0) {
            FileHandle file(fd, path);
            if (sys::unlinkat(dir.fd(), name.c_str()) != 0) {
                throw Error::ofOutput(dir.pathOf(name), errno);
            }
            return file;
        }
        if (errno != EEXIST || attempt > 100) {
            throw Error::ofOutput(dir.path(), errno);
        }
    }
}

}  // namespace

FileHandle createUnnamed(const Directory& dir, const std::string& path) {
    const int fd = sys::retryInterrupted(
        [&] { return sys::openat(dir.fd(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600); });
    if (fd >= 0) {
        return FileHandle(fd, path);
    }
    if (!lacksUnnamedFiles(errno)) {
        throw Error::ofOutput(dir.path(), errno);
    }
    return createAndUnlink(dir, path);
}

}  // namespace morsela
