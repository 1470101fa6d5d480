#include "engine/error.h"

#include <cerrno>
#include <cstring>

namespace morsela {

Error::Error(Kind kind, std::string path, std::string reason)
    : kind_(kind),
      path_(std::move(path)),
      reason_(std::move(reason)),
      text_(path_.empty() ? reason_ : path_ + ": " + reason_) {}

Error Error::ofSource(const std::string& path, int error) {
    const bool missing = error == ENOENT || error == ENOTDIR;
    return Error(missing ? Kind::NotFound : Kind::Other, path, std::strerror(error));
}

Error Error::ofOutput(const std::string& path, int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return Error(Kind::NoSpace, path, std::strerror(error));
        case ENOENT:
        case ENOTDIR:
        case ENXIO:
        case ENODEV:
        case ENOMEDIUM:
        case EIO:
            return Error(Kind::NotReady, path, std::strerror(error));
        default:
            return Error(Kind::Other, path, std::strerror(error));
    }
}

Error Error::refused(const std::string& path, const std::string& reason) {
    return Error(Kind::Refused, path, reason);
}

Error Error::stopped(const std::string& path, const std::string& reason) {
    return Error(Kind::Stopped, path, reason);
}

}  // namespace morsela
