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

// Whether a file with status `found` may speak for the pieces (a piece, a rejoin script, a
// checksum file, a recovery file), beside `owner`: the rejoin script that join or verify was
// given, else the first piece. It belongs to the owner of `owner`, who made the pieces, or to
// the user or root. Every file a join trusts beside the pieces is looked at by this rule,
// however it was found: by its number, through a script, or by its name.
bool belongsWithPieces(const struct stat& found, const struct stat& owner);

}  // namespace morsela
