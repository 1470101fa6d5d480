#include "engine/join/target_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "engine/error.h"
#include "engine/os/directory.h"
#include "engine/os/file_calls.h"

namespace morsela {
namespace {

// What `path` is to a join that writes there: a directory to write into, or a file.
bool isDirectoryToWriteInto(const std::string& path) {
    struct stat status {};
    if (sys::fstatat(AT_FDCWD, path.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) {
            return false;
        }
        throw Error::ofOutput(path, errno);
    }
    if (!S_ISLNK(status.st_mode)) {
        return S_ISDIR(status.st_mode);
    }
    const bool trusted = status.st_uid == ::geteuid() || status.st_uid == 0;
    struct stat target {};
    const bool toDirectory =
        sys::fstatat(AT_FDCWD, path.c_str(), &target, 0) == 0 && S_ISDIR(target.st_mode);
    if (toDirectory && !trusted) {
        throw Error::refused(path,
                             "is a link to a directory that another user made; Morsela "
                             "does not follow it: name the directory itself");
    }
    return toDirectory;
}

TargetPlace intoDirectory(const std::string& dir, const std::string& target,
                          const std::string& scriptPath) {
    if (target.front() == '.') {
        throw Error::refused(scriptPath, "rebuilds \"" + target +
                                             "\", a hidden file; it is joined only into a file "
                                             "named as where to write it");
    }
    return {dir, target};
}

// The directory the target goes into, and the target's name where `output` gives it.
TargetPlace placeOf(const std::string& scriptPath, const std::string& output) {
    if (output.empty()) {
        return {directoryPartOf(scriptPath), ""};
    }
    std::string path = output;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (isDirectoryToWriteInto(path) || output.back() == '/') {
        return {path == "/" ? path : path + "/", ""};
    }
    const std::string dir = directoryPartOf(path);
    return {dir, path.substr(dir.size())};
}

}  // namespace

TargetPlace targetPlace(const std::string& scriptPath, const std::string& target,
                        const std::string& output) {
    const auto [dir, name] = placeOf(scriptPath, output);
    if (name.empty()) {
        return intoDirectory(dir, target, scriptPath);
    }
    return {dir, name};
}

std::string targetFolder(const std::string& scriptPath, const std::string& output) {
    return placeOf(scriptPath, output).dir;
}

}  // namespace morsela
