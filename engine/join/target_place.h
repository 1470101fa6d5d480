#pragma once

#include <optional>
#include <string>

#include "engine/os/directory.h"

namespace morsela {

// Where a join writes its target: the folder, held open, and the name in it.
struct TargetPlace {
    std::optional<Directory> folder;  // nothing for the pieces' own folder
    std::string name;
};

// The place for the target the script names (`target`), beside the script or as `output`
// says: a directory to write the target's own name into, or the path of the file itself.
//
// `output` is looked at once: the folder that holds its last part is opened, and that part
// is opened through it without following a link; whether it is a directory or a file's path
// is decided from what was opened, and the directory written into is the one opened then, so
// that no folder put under the path meanwhile can take the target.
//
// A path given as a file is that file, also when a link stands there: the link is what gets
// replaced. A link is followed as a directory only when it belongs to the user (or root);
// one that another user planted is never followed. A target named by the script whose name
// begins with a dot (a hidden file such as .bash_login) is refused unless `output` names the
// target file itself. Throws Error.
TargetPlace targetPlace(const std::string& scriptPath, const std::string& target,
                        const std::string& output);

// The folder of targetPlace alone, looked at as it does, known before the script is read:
// where a join may put what it makes besides the target; nothing for the pieces' own
// folder. Throws Error.
std::optional<Directory> targetFolder(const std::string& output);

}  // namespace morsela
