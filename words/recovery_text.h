#pragma once

#include <cstdint>
#include <string>

namespace morsela {

// What the recovery files beside the pieces say of a piece, and what join does about it, in
// the same words in the window and on the command line.

// "is missing", or "is damaged" for a piece whose bytes do not match.
std::string lostPieceText(bool damaged);

// Whether the recovery files can rebuild what is lost: "it can be rebuilt from the recovery
// files", or "too much is lost: 2 more recovery blocks would be needed".
std::string rebuildableText(bool rebuildable, std::int64_t moreBlocksNeeded);

// What a join does with a piece lost or damaged that the recovery files describe, before it
// joins: "Join rebuilds it from the recovery files first".
std::string rebuiltFirstText();

}  // namespace morsela
