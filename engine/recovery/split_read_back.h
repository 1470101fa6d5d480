#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/os/directory.h"
#include "engine/os/file_handle.h"
#include "engine/recovery/read_back_hashes.h"
#include "engine/recovery/read_back_sums.h"
#include "engine/recovery/recovery_writer.h"
#include "engine/recovery/set_plan.h"
#include "engine/recovery/written_pieces.h"
#include "engine/split_plan.h"

namespace morsela::recovery {

// The recovery files of a split made from its pieces as they are written: the pieces are read
// back close behind the writing, from memory, by threads that hash them and sum the recovery
// blocks, so that what the files describe is what reached the pieces, and the pieces are
// not read again once complete (but for recovery blocks too large to hold in memory at once:
// their first part is summed while the split goes on, the rest afterwards).
//
// The order of the pieces in the files, which numbers their slices, follows from the MD5 of
// their first 16 KiB; it is taken from the source before the split. Where the pieces read
// back differ from it, the source changed meanwhile, and the files are made from the
// complete pieces instead.
class SplitReadBack {
  public:
    SplitReadBack(SetPlan set, std::vector<std::int64_t> lengths);

    // `upTo` bytes of piece `piece` (from 0) are written in `file`. Waits while the reading
    // back is too far behind. Throws Error, or what stopped the reading back.
    void written(std::int64_t piece, const FileHandle& file, std::int64_t upTo);

    // Once every piece is written: the recovery files of `request` (its pieces those of the
    // split) in `dir`. While it waits for the reading back, the request's meter hears the
    // bytes read back, at least every kReportEvery, and a stop it says ends the reading and
    // the work with its Error. Throws Error.
    WriteOutcome write(const Directory& dir, const WriteRequest& request);

    static constexpr std::chrono::milliseconds kReportEvery{100};

  private:
    std::vector<const std::uint8_t*> stripeSums(const Directory& dir, std::int64_t from,
                                                std::int64_t length, WorkMeter* meter);
    // Waits until readers [first, first + count) are done, reporting to `meter` meanwhile.
    void awaitReaders(std::size_t first, std::size_t count, WorkMeter* meter);
    // Tells `meter` of the bytes read back since the last report; on a stop, ends the reading
    // and throws the stop's Error.
    void report(WorkMeter* meter);

    SetPlan set_;
    std::int64_t stripe_;
    WrittenPieces pieces_;
    std::optional<ReadBackSums> sums_;  // let go before the pieces are read again whole
    ReadBackHashes hashes_;
    std::vector<std::uint8_t*> blocks_;  // the stripe's sums, once summed
    std::int64_t reported_ = 0;          // bytes read back that the meter heard of
};

// A reading back of the split `planned` when it asks for recovery files that can be made so;
// nullptr where the files are made from the complete pieces instead: through FUSE, whose
// program may hold other bytes than the kernel's copy until a piece is closed, and where no
// recovery can be made (its notice says why). Throws Error.
std::unique_ptr<SplitReadBack> readBackFor(const PlannedSplit& planned);

}  // namespace morsela::recovery
