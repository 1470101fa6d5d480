#include "engine/output_folder.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <cerrno>
#include <utility>

#include "engine/error.h"
#include "engine/join/owner_rules.h"
#include "engine/os/file_calls.h"

namespace morsela {
namespace {

// Opens only a reference to what `name` in `dir` is (O_PATH), which opens no device and
// waits for no pipe; `flags` O_NOFOLLOW opens a link itself. Nothing when the name leads
// nowhere.
std::optional<FileHandle> lookAt(int dir, const std::string& name, int flags,
                                 const std::string& path) {
    const int fd = sys::retryInterrupted(
        [&] { return sys::openat(dir, name.c_str(), O_PATH | O_CLOEXEC | flags); });
    if (fd >= 0) {
        return FileHandle(fd, path);
    }
    if (errno == ENOENT || errno == ELOOP || errno == ENOTDIR) {
        return std::nullopt;
    }
    throw Error::ofOutput(path, errno);
}

struct stat statusOfLooked(const FileHandle& looked) {
    struct stat status {};
    if (sys::fstat(looked.fd(), &status) != 0) {
        throw Error::ofOutput(looked.path(), errno);
    }
    return status;
}

// What the link `link` in `parent` leads to, by the text read from the link that was
// opened: another link put under its name meanwhile changes nothing.
std::optional<FileHandle> followLink(const Directory& parent, const FileHandle& link) {
    char text[PATH_MAX];
    const ssize_t length = sys::readLink(link.fd(), text, sizeof text);
    if (length < 0 || length == static_cast<ssize_t>(sizeof text)) {
        throw Error::ofOutput(link.path(), length < 0 ? errno : ENAMETOOLONG);
    }
    return lookAt(parent.fd(), std::string(text, static_cast<std::size_t>(length)), 0, link.path());
}

// The directory that `looked` is, opened for use through the reference itself.
Directory openedDirectory(const FileHandle& looked, const std::string& path) {
    const int fd = sys::retryInterrupted(
        [&] { return sys::openat(looked.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0) {
        throw Error::ofOutput(path, errno);
    }
    return Directory(FileHandle(fd, path), path);
}

// The directory that `looked` (the last part of `path`, opened without following a link)
// is, or leads to as a link of the user's own, named `shown`; nothing when it is a file's
// path.
std::optional<Directory> directoryLookedAt(const Directory& parent, const FileHandle& looked,
                                           const std::string& path, const std::string& shown) {
    const struct stat status = statusOfLooked(looked);
    if (S_ISDIR(status.st_mode)) {
        return openedDirectory(looked, shown);
    }
    if (!S_ISLNK(status.st_mode)) {
        return std::nullopt;
    }
    const std::optional<FileHandle> target = followLink(parent, looked);
    if (!target || !S_ISDIR(statusOfLooked(*target).st_mode)) {
        return std::nullopt;
    }
    if (!ownedByUserOrRoot(status)) {
        throw Error::refused(path,
                             "is a link to a directory that another user made; Morsela "
                             "does not follow it: name the directory itself");
    }
    return openedDirectory(*target, shown);
}

}  // namespace

OutputLook lookAtOutput(const std::string& path, const std::string& shown) {
    if (path == "/") {
        return {Directory(path), "", true, Directory(path)};
    }
    Directory parent(directoryPartOf(path));
    std::string name = fileNameOf(path);
    const std::optional<FileHandle> looked = lookAt(parent.fd(), name, O_NOFOLLOW, path);
    std::optional<Directory> directory =
        looked ? directoryLookedAt(parent, *looked, path, shown) : std::nullopt;
    return {std::move(parent), std::move(name), looked.has_value(), std::move(directory)};
}

Directory openOutputDirectory(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    if (trimmed.empty() || trimmed == ".") {
        return Directory(path);
    }
    OutputLook look = lookAtOutput(trimmed, path);
    if (!look.directory) {
        throw Error::ofOutput(path, look.exists ? ENOTDIR : ENOENT);
    }
    return std::move(*look.directory);
}

}  // namespace morsela
