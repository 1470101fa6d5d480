#include "engine/join/target_place.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <cerrno>
#include <utility>

#include "engine/error.h"
#include "engine/output_folder.h"

namespace morsela {
namespace {

std::string checkedTarget(const std::string& target, const std::string& scriptPath) {
    if (target.front() == '.') {
        throw Error::refused(scriptPath, "rebuilds \"" + target +
                                             "\", a hidden file; it is joined only into a file "
                                             "named as where to write it");
    }
    return target;
}

}  // namespace

TargetPlace targetPlace(const std::string& scriptPath, const std::string& target,
                        const std::string& output) {
    if (output.empty()) {
        return {std::nullopt, checkedTarget(target, scriptPath)};
    }
    std::string path = output;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    OutputLook look = lookAtOutput(path, path + "/");
    if (look.directory) {
        return {std::move(look.directory), checkedTarget(target, scriptPath)};
    }
    if (output.back() == '/') {
        throw Error::ofOutput(path + "/", look.exists ? ENOTDIR : ENOENT);
    }
    return {std::move(look.parent), look.name};
}

}  // namespace morsela
