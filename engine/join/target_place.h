#pragma once

#include <string>

namespace morsela {

// Where a join writes its target: a directory and the name in it.
struct TargetPlace {
    std::string dir;  // empty for the current directory
    std::string name;
};

// The place for the target the script names (`target`), beside the script or as `output`
// says: a directory to write the target's own name into, or the path of the file itself.
//
// A path given as a file is that file, also when a link stands there: the link is what gets
// replaced. A link is followed as a directory only when it belongs to the user (or root);
// one that another user planted is never followed. A target named by the script whose name
// begins with a dot (a hidden file such as .bash_login) is refused unless `output` names the
// target file itself. Throws Error.
TargetPlace targetPlace(const std::string& scriptPath, const std::string& target,
                        const std::string& output);

// The directory of targetPlace alone, known before the script is read: where a join may put
// what it makes besides the target. Throws Error.
std::string targetFolder(const std::string& scriptPath, const std::string& output);

}  // namespace morsela
