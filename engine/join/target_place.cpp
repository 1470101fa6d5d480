#include "engine/join/target_place.h"

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

std::string checkedTarget(const std::string& target, const std::string& scriptPath) {
    if (target.front() == '.') {
        throw Error::refused(scriptPath, "rebuilds \"" + target +
                                             "\", a hidden file; it is joined only into a file "
                                             "named as where to write it");
    }
    return target;
}

// The directory that `looked` (the last part of `path`, opened without following a link)
// is, or leads to as a link of the user's own; nothing when it is a file's path.
std::optional<Directory> directoryLookedAt(const Directory& parent, const FileHandle& looked,
                                           const std::string& path) {
    const struct stat status = statusOfLooked(looked);
    if (S_ISDIR(status.st_mode)) {
        return openedDirectory(looked, path + "/");
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
    return openedDirectory(*target, path + "/");
}

// The folder the target goes into, and the target's name where `output` gives it ("" for
// the target's own name).
TargetPlace placeOf(const std::string& output) {
    if (output.empty()) {
        return {std::nullopt, ""};
    }
    std::string path = output;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (path == "/") {
        return {Directory(path), ""};
    }
    Directory parent(directoryPartOf(path));
    const std::string name = fileNameOf(path);
    const std::optional<FileHandle> looked = lookAt(parent.fd(), name, O_NOFOLLOW, path);
    std::optional<Directory> directory =
        looked ? directoryLookedAt(parent, *looked, path) : std::nullopt;
    if (directory) {
        return {std::move(directory), ""};
    }
    if (output.back() == '/') {
        throw Error::ofOutput(path + "/", looked ? ENOTDIR : ENOENT);
    }
    return {std::move(parent), name};
}

}  // namespace

TargetPlace targetPlace(const std::string& scriptPath, const std::string& target,
                        const std::string& output) {
    TargetPlace place = placeOf(output);
    if (place.name.empty()) {
        place.name = checkedTarget(target, scriptPath);
    }
    return place;
}

std::optional<Directory> targetFolder(const std::string& output) {
    return placeOf(output).folder;
}

}  // namespace morsela
