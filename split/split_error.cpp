#include "split/split_error.h"

#include <cerrno>
#include <cstring>

namespace morsela {

SplitError::SplitError(std::string headline, std::string detail)
    : std::runtime_error(headline + ": " + detail),
      headline_(std::move(headline)),
      detail_(std::move(detail)) {}

std::string describe(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

SplitError sourceError(const std::string& path, int error) {
    const bool missing = error == ENOENT || error == ENOTDIR;
    return SplitError(missing ? kFileNotFound : kSomeError, describe(path, error));
}

SplitError outputError(const std::string& path, int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return SplitError(kDiskFull, describe(path, error));
        case ENOENT:
        case ENOTDIR:
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM:
        case EIO:
            return SplitError(kDiskNotReady, describe(path, error));
        default:
            return SplitError(kSomeError, describe(path, error));
    }
}

SplitError refusal(const std::string& detail) {
    return SplitError(kSomeError, detail);
}

}  // namespace morsela
