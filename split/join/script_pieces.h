#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "split/checksum/checksum_file.h"
#include "split/observer.h"
#include "split/os/directory.h"
#include "split/os/file_handle.h"
#include "split/script/script_parser.h"

namespace morsela {

// What the first look saw of a piece: enough to know it again when it is opened.
struct PieceLook {
    std::string name;
    dev_t device;
    ino_t inode;
    std::int64_t size;
    mode_t mode;
    bool sameAs(const struct stat& status) const {
        return status.st_dev == device && status.st_ino == inode && status.st_size == size;
    }
};

// The pieces a rejoin script names, looked at before anything is read or written: join and
// verify both start here.
struct ScriptPieces {
    Directory dir;  // the script's directory, where the pieces are
    std::string target;
    std::vector<PieceLook> pieces;
    std::int64_t totalBytes = 0;

    // A piece opened for reading from the descriptor that is then checked against the first
    // look, so a piece swapped for a link or another file meanwhile is never read.
    FileHandle open(const PieceLook& piece) const;
};

// Reads the script in portions, so that a script of any length needs no more memory than the
// list of its pieces, and looks at every piece by name without opening it.
//
// Refuses names outside the script's directory, a piece named twice (a script could
// otherwise ask for one piece a thousand times over), a target that is also a piece, a
// missing piece, a piece that is a link or no regular file, and sizes that cannot come from
// one split. Throws Error.
ScriptPieces lookAtScript(const std::string& scriptPath);

// Reads every piece once and gives those whose digest differs from the one in `digests` (or
// that have no line there), in piece order. Tells `observer` of the bytes read and stops
// when it asks to.
std::vector<std::string> damagedPieces(const ScriptPieces& pieces, const Digests& digests,
                                       Observer& observer);

// How join and verify name what they read: the pieces themselves, never through a link.
inline constexpr const char* kPiecesOnly = "join reads only the pieces themselves";

}  // namespace morsela
