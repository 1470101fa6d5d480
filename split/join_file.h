#pragma once

#include <string>
#include <vector>

#include "split/progress.h"

namespace morsela {

struct JoinOptions {
    bool replace = false;  // replace an existing target
    // Where the target goes: a file path, or a directory to write the target's own name
    // into; empty for beside the script. The pieces may then stay on read-only media.
    std::string output;
    // Told of the bytes joined after every block, and asked whether to stop.
    ProgressSurface* progress = nullptr;
    // Check the pieces, and then the target, against TARGET.sha256 beside the script when
    // there is one.
    bool verify = true;
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
    return joinFromScript(scriptPath, JoinOptions{replace, "", nullptr, true});
}

// The pieces that a script names whose digests differ from those in TARGET.sha256 beside it
// (or that it has no line for), in piece order; empty when all are whole. Throws SplitError
// when there is no checksum file or the script is refused as join refuses it.
std::vector<std::string> damagedPieces(const std::string& scriptPath);

}  // namespace morsela
