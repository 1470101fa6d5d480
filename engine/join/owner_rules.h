#pragma once

#include <sys/stat.h>

namespace morsela {

// Whose files a join trusts, by their owner. Both rules live here, side by side, and are
// deliberately not one: the pieces may come from someone else than the user who joins them
// (a sender, or another user of a shared folder), and that one may speak for their own
// pieces, never for where the user's join writes.

// A file of the user this process runs as, or of root: the only owners whose link a join
// follows to the folder it writes into (`join -o LINK`). The pieces' owner is left out on
// purpose: a link of theirs would steer the write to any folder the user may write in.
bool ownedByUserOrRoot(const struct stat& status);

// Whether a file with status `found`, beside a first piece with status `first`, may speak
// for the pieces (a rejoin script, a checksum file, a later piece, a recovery file): it
// belongs to the first piece's owner, who made the pieces, or to the user or root.
bool belongsWithPieces(const struct stat& found, const struct stat& first);

}  // namespace morsela
