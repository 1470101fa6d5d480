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
    OutputLook look = lookAtOutput(path, path + "/");
    if (look.directory) {
        return {std::move(look.directory), ""};
    }
    if (output.back() == '/') {
        throw Error::ofOutput(path + "/", look.exists ? ENOTDIR : ENOENT);
    }
    return {std::move(look.parent), look.name};
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
