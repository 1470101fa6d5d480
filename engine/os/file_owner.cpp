#include "engine/os/file_owner.h"

#include <unistd.h>
#include <cerrno>

#include "engine/error.h"
#include "engine/os/file_calls.h"

namespace morsela {

bool takeGroupOf(const FileHandle& made, const struct stat& source) {
    const struct stat status = statusOf(made);
    return status.st_gid == source.st_gid ||
           sys::fchown(made.fd(), static_cast<uid_t>(-1), source.st_gid) == 0;
}

void keepGroupOf(const FileHandle& made, const struct stat& source) {
    if (!takeGroupOf(made, source)) {
        setMode(made, statusOf(made).st_mode & 07707);
    }
}

void setMode(const FileHandle& file, mode_t mode) {
    if (sys::fchmod(file.fd(), mode) != 0 && errno != ENOSYS && errno != EOPNOTSUPP &&
        errno != EPERM) {
        throw Error::ofOutput(file.path(), errno);
    }
}

}  // namespace morsela
