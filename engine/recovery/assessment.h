#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/os/directory.h"
#include "engine/recovery/packet_reader.h"
#include "engine/recovery/work_meter.h"

namespace morsela::recovery {

// How the files of a recovery set stand, and whether the missing slices can be rebuilt.
struct Assessment {
    enum class State { Intact, Missing, Damaged };
    struct File {
        State state = State::Intact;
        std::vector<bool> goodSlices;  // for a damaged file: which of its slices match
    };
    std::vector<File> files;         // in the set's order
    std::int64_t missingSlices = 0;  // of damaged and missing files
    std::int64_t blocks = 0;         // recovery blocks at hand
    bool rebuildable() const { return missingSlices <= blocks; }
    std::int64_t moreBlocksNeeded() const {
        return std::max<std::int64_t>(0, missingSlices - blocks);
    }
};

// Looks at every file of `set` in `dir` (without following links) and checks its bytes
// against the set's MD5s, whole and slice by slice; files are read on threads of their own.
// `meter`, when there is one, hears the bytes read (a missing file's counted at once) and
// ends the work when it says stop. Throws Error.
Assessment assess(const Directory& dir, const RecoverySet& set, WorkMeter* meter = nullptr);

}  // namespace morsela::recovery
