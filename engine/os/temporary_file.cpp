#include "engine/os/temporary_file.h"

#include <unistd.h>
#include <cerrno>

#include "engine/error.h"
#include "engine/os/file_calls.h"
#include "engine/os/file_owner.h"

namespace morsela {

std::string unguessableName(const std::string& finalPath) {
    unsigned char random[8];
    if (!sys::randomBytes(random, sizeof random)) {
        throw Error::ofOutput(finalPath, errno == 0 ? EAGAIN : errno);
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string name = ".morsela-";
    for (const unsigned char byte : random) {
        name += kDigits[byte >> 4];
        name += kDigits[byte & 0x0f];
    }
    return name + ".part";
}

TemporaryFile::TemporaryFile(const Directory& dir, const std::string& finalName, mode_t mode)
    : dir_(dir), finalName_(finalName), mode_(mode & ~sys::creationMask()) {
    for (int attempt = 0;; ++attempt) {
        name_ = unguessableName(dir.pathOf(finalName));
        const int fd = sys::retryInterrupted(
            [&] { return sys::openat(dir.fd(), name_.c_str(), kCreateFlags, 0600); });
        if (fd >= 0) {
            file_ = FileHandle(fd, dir.pathOf(finalName));
            return;
        }
        if (errno != EEXIST || attempt > 100) {
            throw dir.failureAt(finalName, errno);
        }
    }
}

TemporaryFile::~TemporaryFile() {
    if (!name_.empty()) {
        file_.close();
        sys::unlinkat(dir_.fd(), name_.c_str());
    }
}

void TemporaryFile::keepGroupOf(const struct stat& source) {
    if (!takeGroupOf(file_, source)) {
        mode_ &= 07707;
    }
}

void TemporaryFile::keepGroupBitsOnlyFor(std::optional<gid_t> group) {
    if (!group || statusOf(file_).st_gid != *group) {
        mode_ &= 07707;
    }
}

void TemporaryFile::commit(bool durable) {
    setMode(file_, mode_);
    if (durable && sys::fsync(file_.fd()) != 0 && errno != EINVAL && errno != ENOSYS) {
        throw Error::ofOutput(dir_.pathOf(finalName_), errno);
    }
    closeOutput(file_);
    dir_.rename(name_, finalName_, durable);
    name_.clear();
}

}  // namespace morsela
