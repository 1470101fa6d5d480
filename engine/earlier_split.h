#pragma once

#include <sys/stat.h>
#include <optional>
#include <string>
#include <vector>

#include "engine/os/directory.h"
#include "engine/script/piece_list.h"

namespace morsela {

// A file a split may remove, looked at when the split was planned: an earlier split's piece
// under a plain name in the output directory, numbered as pieces are, a regular file and not
// the source. Its identity says whether the name still holds the file that was looked at.
struct IdentifiedPiece {
    std::string name;
    FileIdentity identity;
};

// A split that an earlier run left where this one writes: a rejoin script that names pieces
// named as this split names its own (the same name but its last three characters).
struct EarlierSplit {
    std::string script;  // its name in the output directory
    std::string target;  // the file it rebuilds; empty when the file is no rejoin script
    PieceList pieces;
    bool rebuildsSource = false;    // of this split's source, as the medium compares names
    bool foldsCase = false;         // the medium takes names in any letter case for one
    struct stat scriptStatus = {};  // the script's, as it was read
    // Its pieces that a split replacing it may remove, once identified (identifyPieces).
    std::vector<IdentifiedPiece> removable = {};
};

// The earlier splits among `candidates`, names seen in the output directory. A file under
// one of this split's own script names (either form) is always one, also when it is no
// rejoin script; any other only when it is a rejoin script that names this split's first
// piece. Throws Error.
std::vector<EarlierSplit> earlierSplits(const Directory& out, const std::string& sourceName,
                                        const std::vector<std::string>& candidates);

// The pieces of `earlier` that a split of `sourceName` may remove: named as this split names
// its own pieces, regular files other than the source, and of an owner the script may speak
// for (belongsWithPieces). Every other name the script gives is left alone, whoever wrote
// it. Throws Error when the directory cannot be read.
std::vector<IdentifiedPiece> identifyPieces(const Directory& out, const EarlierSplit& earlier,
                                            const std::string& sourceName,
                                            const struct stat& source);

// Removes the piece when its name still holds the file that was identified; false, and
// nothing removed, when the name is free or holds another file now. Throws Error.
bool removeIdentified(const Directory& out, const IdentifiedPiece& piece);

// Whether `name` is one that a split of `sourceName` could leave as its script: the name but
// its last three characters, and "bat" or three characters more and ".bat".
bool mayBeScriptOf(const std::string& name, const std::string& sourceName);

}  // namespace morsela
