#pragma once

#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "engine/os/directory.h"
#include "engine/recovery/assessment.h"
#include "engine/recovery/galois16.h"
#include "engine/recovery/packet_reader.h"
#include "engine/recovery/work_meter.h"

namespace morsela::recovery {

// A file rebuilt, and the name the damaged file it replaced is kept under (NAME.1, NAME.2,
// ...), empty when there was none: the recovery files might be another file's, and the bytes
// they replaced are then not lost.
struct Rebuilt {
    std::string name;
    std::string keptAs;
};

// Rebuilds the missing and damaged files of `set` in `dir` from its intact slices and
// recovery blocks, as `assessment` found them; it must be rebuildable. Each file is written
// under a temporary name, checked against its MD5 and only then named. Memory stays bounded
// whatever the slices' size. `meter`, when there is one, hears the bytes read and ends the
// work when it says stop, the files not yet named removed. Throws Error.
std::vector<Rebuilt> rebuild(const Directory& dir, const RecoverySet& set,
                             const Assessment& assessment, mode_t mode, WorkMeter* meter = nullptr);

// The same, into `targets`, one for each file of the set: an empty file for each missing or
// damaged one, null for each intact one. Each is checked against its MD5; nothing is named
// or moved aside. `meter` as for rebuild. Throws Error.
void rebuildInto(const Directory& dir, const RecoverySet& set, const Assessment& assessment,
                 const std::vector<const FileHandle*>& targets, WorkMeter* meter = nullptr);

// The inverse of a square matrix over GF(2^16), rows after rows; false when it has none.
// `checkpoint` is called before each column is eliminated, and may throw to end it.
bool invert(std::vector<Gf>& matrix, std::size_t size,
            const std::function<void()>& checkpoint = {});

}  // namespace morsela::recovery
