#include "engine/join/target_place.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <cerrno>

#include "engine/error.h"
#include "engine/join/owner_rules.h"
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
    const bool trusted = ownedByUserOrRoot(status);
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

}  // namespace

TargetPlace targetPlace(const std::string& scriptPath, const std::string& target,
                        const std::string& output) {
    if (output.empty()) {
        return intoDirectory(directoryPartOf(scriptPath), target, scriptPath);
    }
    std::string path = output;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    const bool directory = isDirectoryToWriteInto(path);
    if (directory || output.back() == '/') {
        return intoDirectory(path == "/" ? path : path + "/", target, scriptPath);
    }
    const std::string dir = directoryPartOf(path);
    return {dir, path.substr(dir.size())};
}

}  // namespace morsela
