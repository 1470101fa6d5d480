#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <sys/types.h>

#include "engine/os/directory.h"
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

// Reads the pieces through `dir` twice at most, taking less than 256 MiB whatever their size.
// Files are written under temporary names and named only once all are complete. Throws Error.
WriteOutcome writeRecoveryFiles(const Directory& dir, const WriteRequest& request);

}  // namespace morsela::recovery
