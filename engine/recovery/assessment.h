#pragma once

#include <cstdint>
#include <functional>
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
        // A piece of the join at hand, rebuilt when it is not intact. Any other file that the
        // set lists is only read, its slices counting where they match; it is never written,
        // and one that is no regular file counts as missing.
        bool piece = true;
    };
    std::vector<File> files;         // in the set's order
    std::int64_t missingSlices = 0;  // of damaged and missing files
    std::int64_t blocks = 0;         // recovery blocks at hand
    bool rebuildable() const { return missingSlices <= blocks; }
    std::int64_t moreBlocksNeeded() const {
        return std::max<std::int64_t>(0, missingSlices - blocks);
    }
};

// Whether a file the set lists is a piece of the join at hand (JoinPieceNames); without one,
// every file is.
using IsPiece = std::function<bool(const std::string& name)>;

// Looks at every file of `set` in `dir` (without following links) and checks its bytes
// against the set's MD5s, whole and slice by slice; files are read on threads of their own.
// `isPiece` says which of its files are pieces of the join at hand. `meter`, when there is one,
// hears the bytes read (a missing file's counted at once) and ends the work when it says stop.
// Throws Error.
Assessment assess(const Directory& dir, const RecoverySet& set, const IsPiece& isPiece = {},
                  WorkMeter* meter = nullptr);

}  // namespace morsela::recovery
