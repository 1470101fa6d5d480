#pragma once

#include <string>

#include "split/progress.h"

namespace morsela {

struct JoinOptions {
    bool replace = false;  // replace an existing target
    // Where the target goes: a file path, or a directory to write the target's own name
    // into; empty for beside the script. The pieces may then stay on read-only media.
    std::string output;
    // Told of the bytes joined after every block, and asked whether to stop.
    ProgressSurface* progress = nullptr;
};

// Rebuilds the file that a rejoin script names, beside the script, from the pieces it lists.
//
// Refuses a script that names anything outside its own directory, a missing piece, pieces
// whose sizes cannot come from one split, and an existing target unless `replace` is set.
// The target is written under a temporary name and renamed into place at the end, so a
// failed or stopped join leaves nothing half-written. Returns the target's path; throws
// SplitError, or SplitStopped when the progress surface asked to stop.
std::string joinFromScript(const std::string& scriptPath, const JoinOptions& options);

inline std::string joinFromScript(const std::string& scriptPath, bool replace) {
    return joinFromScript(scriptPath, JoinOptions{replace, "", nullptr});
}

}  // namespace morsela
