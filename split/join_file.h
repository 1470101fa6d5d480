#pragma once

#include <string>

namespace morsela {

// Rebuilds the file that a rejoin script names, beside the script, from the pieces it lists.
//
// Refuses a script that names anything outside its own directory, a missing piece, pieces
// whose sizes cannot come from one split, and an existing target unless `replace` is set.
// The target is written under a temporary name and renamed into place at the end, so a
// failed join leaves nothing half-written. Returns the target's path; throws SplitError.
std::string joinFromScript(const std::string& scriptPath, bool replace);

}  // namespace morsela
