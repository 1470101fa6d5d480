#include "engine/join/owner_rules.h"

#include "engine/os/file_calls.h"

namespace morsela {

bool ownedByUserOrRoot(const struct stat& status) {
    return status.st_uid == 0 || status.st_uid == sys::effectiveUser();
}

bool belongsWithPieces(const struct stat& found, const struct stat& owner) {
    return found.st_uid == owner.st_uid || ownedByUserOrRoot(found);
}

}  // namespace morsela
