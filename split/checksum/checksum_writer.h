#pragma once

#include <string>
#include <string_view>

#include <sys/types.h>

#include "split/block_copier.h"
#include "split/checksum/sha256.h"
#include "split/os/directory.h"
#include "split/os/temporary_file.h"

namespace morsela {

// The checksum file a split writes when asked: the digest of every piece as it is copied,
// and of the whole source, streamed into a temporary file that is named only once the split
// is done, so a failed or stopped split leaves none.
class ChecksumWriter {
  public:
    // Refuses, before anything is written, what is not a regular file under the name: it
    // is renamed over at the end.
    ChecksumWriter(const Directory& out, std::string_view sourceName, mode_t mode);

    // From now on the copier's bytes go into this piece's digest and the source's.
    void startPiece(BlockCopier& copier);
    void endPiece(std::string_view pieceName);
    // Adds the source's line and puts the file in place.
    void commit();

  private:
    void write(const std::string& line);

    std::string sourceName_;
    TemporaryFile file_;
    std::int64_t length_ = 0;
    Sha256 piece_;
    Sha256 source_;
};

// A checksum file of an earlier split of this source (one that names its first piece) no
// longer describes the pieces once they are replaced; it is removed. A checksum file of the
// source alone, as a user may keep beside it, is left as it is.
void removeStaleChecksums(const Directory& out, std::string_view sourceName);

}  // namespace morsela
