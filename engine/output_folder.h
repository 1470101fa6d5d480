#pragma once

#include <optional>
#include <string>

#include "engine/os/directory.h"

namespace morsela {

// A path the user gave as where to write (a split's output folder, a join's -o), looked at
// once: the folder that holds its last part is opened, and that part is opened through it
// without following a link. Whether the path is a directory is decided from what was opened,
// and the directory written into is the one opened then, so that no folder put under the
// path meanwhile takes the files. A link there is followed as a directory only when it
// belongs to the user or root; one that another user made is refused.
struct OutputLook {
    Directory parent;                    // the folder that holds the last part
    std::string name;                    // the last part
    bool exists = false;                 // something stands under the name
    std::optional<Directory> directory;  // what the path is or leads to, when a directory
};

// Looks at `path` (not empty, no trailing '/' but for "/" itself); the directory found is
// named `shown` in messages. Throws Error.
OutputLook lookAtOutput(const std::string& path, const std::string& shown);

// The directory at `path`, as the user gave it (empty for the current directory), looked at
// as above; refused when it is no directory. Throws Error.
Directory openOutputDirectory(const std::string& path);

}  // namespace morsela
