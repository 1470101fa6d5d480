#include "split/os/temporary_file.h"

#include <unistd.h>
#include <atomic>
#include <cerrno>

#include "split/error.h"
#include "split/os/file_calls.h"

namespace morsela {

TemporaryFile::TemporaryFile(const Directory& dir, const std::string& finalName, mode_t mode)
    : dir_(dir), finalName_(finalName) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0;; ++attempt) {
        // Hidden, and short enough for any file system whatever the final name's length.
        name_ =
            ".morsela-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".part";
        const int fd = sys::retryInterrupted(
            [&] { return sys::openat(dir.fd(), name_.c_str(), kCreateFlags, mode); });
        if (fd >= 0) {
            file_ = FileHandle(fd, dir.pathOf(finalName));
            return;
        }
        if (errno != EEXIST || attempt > 100) {
            throw dir.failureToCreate(finalName, errno);
        }
    }
}

TemporaryFile::~TemporaryFile() {
    if (!name_.empty()) {
        file_.close();
        sys::unlinkat(dir_.fd(), name_.c_str());
    }
}

void TemporaryFile::commit(bool durable) {
    if (durable && sys::fsync(file_.fd()) != 0 && errno != EINVAL) {
        throw Error::ofOutput(dir_.pathOf(finalName_), errno);
    }
    closeOutput(file_);
    dir_.rename(name_, finalName_, durable);
    name_.clear();
}

}  // namespace morsela
