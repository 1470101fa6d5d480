#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "engine/earlier_split.h"
#include "engine/observer.h"
#include "engine/os/directory.h"

namespace morsela::recovery {

// The recovery files an earlier split left where a split writes its pieces. Once the new
// pieces are written they describe pieces that are gone or differ, whatever the files are
// called (SOURCE.par2 and its volumes, a set of another name such as film.par2 that par2
// made over the pieces, the set of another source whose pieces had these names), and would
// lead par2 and a join to "repair" the new pieces into the old ones. So a split removes them
// first, as it removes the earlier split's pieces.

// Whether `name` may be a recovery file that a join of this source's pieces reads: it ends
// in .par2 and begins as the pieces' names do (film of film.001), in any letter case.
bool mayBeRecoveryFileOf(const std::string& name, const std::string& sourceName);

// Of `listed` (names that mayBeRecoveryFileOf, as the split's one look at the folder found
// them), the files that are an earlier split's recovery files: regular files under plain
// names (never a link, never the source), of the user, of root or of the owner of the first
// piece there, every recovery set of which describes only files named as this source's
// pieces (as the medium compares names). A file that cannot be read as recovery files is
// not one. Throws Error when the folder cannot be read.
std::vector<IdentifiedPiece> identifyStaleRecovery(const Directory& out,
                                                   const std::string& sourceName,
                                                   const std::vector<std::string>& listed,
                                                   const struct stat& source);

// Removes the files identified whose names still hold them, and tells `observer` how many
// went. Throws Error.
void removeStaleRecovery(const Directory& out, const std::vector<IdentifiedPiece>& files,
                         Observer& observer);

}  // namespace morsela::recovery
