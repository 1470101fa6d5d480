#pragma once

#include <string>

#include "engine/os/directory.h"
#include "engine/os/file_handle.h"

namespace morsela {

// A new, empty file without a name in `dir`, on its file system, that lives only as long as
// its descriptor: made with O_TMPFILE where the file system has it, else created under an
// unguessable name and unlinked at once. Only its owner may read or write it, and no other
// process can open it by a name. `path` names it in failures. Throws Error.
FileHandle createUnnamed(const Directory& dir, const std::string& path);

}  // namespace morsela
