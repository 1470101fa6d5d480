#pragma once

#include <sys/stat.h>

#include <functional>
#include <optional>
#include <string>

#include "engine/join/owner_rules.h"
#include "engine/os/directory.h"

namespace morsela {

// Files that a join finds beside the pieces rather than being given them: the rejoin script
// that names a first piece, the checksum file of a numbered series, the series' later pieces.
// In a directory that others can write, anyone may add a file under a fitting name; so a file
// found counts only when it belongs to the first piece's owner, to root or to the user who
// joins (belongsWithPieces, owner_rules.h), and two that fit are refused rather than one
// picked for its name.

// The one regular file in `dir`, among those whose names `fits`, that belongs with the pieces
// and of which `namesFirst` is true; nothing when there is none. Two are refused: the first
// piece at `firstPath` "is named first by two KIND, A and B; ADVICE". Links are never followed.
// Throws Error.
struct FoundBeside {
    std::string kind;    // "rejoin scripts"
    std::string advice;  // "join the one you mean"
};
std::optional<std::string> soleFileBeside(const Directory& dir, const std::string& firstPath,
                                          const struct stat& first,
                                          const std::function<bool(const std::string&)>& fits,
                                          const std::function<bool(const std::string&)>& namesFirst,
                                          const FoundBeside& what);

}  // namespace morsela
