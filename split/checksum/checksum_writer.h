#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <sys/types.h>

#include "split/checksum/read_back_digests.h"
#include "split/os/directory.h"
#include "split/os/temporary_file.h"

namespace morsela {

// The checksum file a split writes when asked: the digest of every piece and of the whole
// source, read back from the pieces as they are written, streamed into a temporary file that
// is named only once the split is done, so a failed or stopped split leaves none.
class ChecksumWriter {
  public:
    // Refuses, before anything is written, what is not a regular file under the name: it
    // is renamed over at the end.
    ChecksumWriter(const Directory& out, std::string_view sourceName, const struct stat& source);

    // `length` bytes were written to `piece` at `offset`.
    void written(const FileHandle& piece, std::int64_t offset, std::int64_t length);
    // The piece is complete; its line is written once its digest is known.
    void endPiece(const std::string& pieceName);
    // Adds the last pieces' lines and the source's, and puts the file in place; with
    // `durable`, once it is on the medium.
    void commit(bool durable);

  private:
    // Writes the lines of the pieces whose digests are known; with `all`, of every piece.
    void writeLines(bool all);
    void write(const std::string& line);

    std::string sourceName_;
    TemporaryFile file_;
    std::int64_t length_ = 0;
    ReadBackDigests digests_{2, false};  // the piece's, then the source's
    std::deque<std::string> waiting_;    // pieces whose digests are not yet known
};

// A checksum file of an earlier split of this source (one that names its first piece) no
// longer describes the pieces once they are replaced; it is removed. A checksum file of the
// source alone, as a user may keep beside it, is left as it is.
void removeStaleChecksums(const Directory& out, std::string_view sourceName);

}  // namespace morsela
