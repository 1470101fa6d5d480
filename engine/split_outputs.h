#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <sys/stat.h>

#include "engine/block_copier.h"
#include "engine/checksum/checksum_writer.h"
#include "engine/observer.h"
#include "engine/os/directory.h"
#include "engine/os/file_handle.h"
#include "engine/recovery/split_read_back.h"
#include "engine/script/script_writer.h"
#include "engine/split.h"

namespace morsela {

// Everything a split writes: the pieces one by one, and beside them the rejoin script and the
// checksum file under temporary names until the split is done.
//
// With `sync`, every piece is on the medium before success is reported: the medium starts
// writing each block as soon as it is copied, so that the writing overlaps the copy, and
// the whole file system is flushed at once, however many pieces there are, before the
// script and the checksum file are named, and once more after. Through FUSE a piece is
// handed over whole when it is closed; at the end the medium under the file system's program
// is flushed (flushMedium), after the last change, the removal of earlier pieces included.
class SplitOutputs {
  public:
    // `readBack`, when given, is told of every block written.
    SplitOutputs(const Directory& out, const FileHandle& source, const struct stat& status,
                 const std::string& sourceName, const SplitRequest& request,
                 recovery::SplitReadBack* readBack);

    // Writes piece `index` (from 0) from source bytes [start, end), block by block; no block
    // crosses the end of a piece. Tells `observer` of the bytes done, and fails as Stopped
    // when the request's stop token says stop.
    void writePiece(std::int64_t index, std::int64_t start, std::int64_t end, const SplitPlan& plan,
                    Observer& observer);
    // The piece being written when the split failed or stopped is removed: it would look
    // whole. So are, with a checksum file, the pieces written whose reading back failed or
    // never ended: nothing vouches for them. Gives the number of whole pieces left, of the
    // `written` ones.
    std::int64_t abandonPieces(std::int64_t written);
    // Flushes the pieces, and names the checksum file and the script; the outcome gets
    // their paths. With `sync`, everything is on the medium when it returns.
    void commit(SplitOutcome& outcome);
    // Fails when the source is now shorter than it was: it was cut while being read.
    void checkSourceLength(std::int64_t length) const { copier_.checkLength(length); }

  private:
    // Puts everything written on the medium.
    void flushAll();
    const Directory& out_;
    const struct stat& status_;
    std::string sourceName_;
    mode_t pieceMode_;  // the source's permission bits, less the umask
    bool sync_;
    StopToken stop_;
    bool fuse_;  // flushed by its program, then its medium
    RejoinScriptFile script_;
    std::optional<ChecksumWriter> checksums_;
    recovery::SplitReadBack* readBack_;
    BlockCopier copier_;
    std::string writing_;  // the name of the piece being written, if any
    FileHandle last_;      // through FUSE, the last piece written, flushed at the end
};

}  // namespace morsela
