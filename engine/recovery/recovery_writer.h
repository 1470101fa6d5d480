#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "engine/os/directory.h"
#include "engine/recovery/file_hashes.h"
#include "engine/recovery/set_plan.h"
#include "engine/recovery/work_meter.h"

namespace morsela::recovery {

// Recovery files for finished pieces: NAME.par2, which describes them, and the volumes
// NAME.vol00+01.par2, NAME.vol01+02.par2, ... that hold the recovery blocks (each volume
// twice the last, and each with the description too, so that any one of them serves alone).
struct WriteRequest {
    std::string setName;              // NAME: the name of the file the pieces make
    std::vector<std::string> pieces;  // the pieces' names in the directory, in order
    int percent = 10;                 // recovery blocks worth this share of the pieces
    mode_t mode = 0644;               // the files' permission bits, less the umask
    bool sync = true;                 // on the medium before the names are given
    // Started by the caller with a total of twice the pieces' bytes: it hears every piece read
    // twice, summed and hashed, and stops the work. None when null.
    WorkMeter* meter = nullptr;
};

struct WriteOutcome {
    std::vector<std::string> files;  // the names written, the index first
    std::int64_t sliceSize = 0;
    std::int64_t recoveryBlocks = 0;
    // Why no recovery files were written (there is nothing to recover, too many pieces);
    // empty when they were.
    std::string whyNot;
};

// The name of a volume holding `count` blocks from exponent `first`, the numbers with at
// least `digits` digits.
std::string volumeName(const std::string& setName, std::int64_t first, std::int64_t count,
                       int digits);

// The names writeRecoveryFiles gives the files it writes for pieces of these lengths, the
// index first; none where it would write none. A split checks them before it writes.
std::vector<std::string> recoveryFileNames(const std::string& setName,
                                           std::vector<std::int64_t> lengths, int percent);

// The most bytes of recovery blocks held in memory at once.
inline constexpr std::int64_t kSumsMemory = 128 << 20;

// How many bytes of each recovery block are summed at once: the whole block where the blocks
// fit in kSumsMemory, else the part that does, a multiple of 64.
std::int64_t stripeLength(std::int64_t sliceSize, std::int64_t blocks);

// The recovery blocks' bytes [from, from + length) of a stripe, one pointer per block.
using StripeSums =
    std::function<std::vector<const std::uint8_t*>(std::int64_t from, std::int64_t length)>;

// Writes the recovery files of `set`, the pieces that `request` names, whose recovery blocks
// `sums` gives stripe by stripe, from the first on; `hashes` gives the files' hashes, in the
// set's order of files, once the blocks are written. Throws Error.
WriteOutcome writeSetFiles(const Directory& dir, const WriteRequest& request, const SetPlan& set,
                           const StripeSums& sums,
                           const std::function<std::vector<FileHashes>()>& hashes);

// Reads the pieces through `dir` twice at most, taking less than 256 MiB whatever their size.
// Files are written under temporary names and named only once all are complete. Throws Error.
WriteOutcome writeRecoveryFiles(const Directory& dir, const WriteRequest& request);

}  // namespace morsela::recovery
