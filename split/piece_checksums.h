#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

#include "split/block_copier.h"
#include "split/directory.h"
#include "split/sha256.h"

namespace morsela {

// The checksum file a split writes when asked: the digest of every piece as it is copied,
// and of the whole source, streamed into a temporary file that is named only once the split
// is done, so a failed or stopped split leaves none.
class PieceChecksums {
  public:
    PieceChecksums(const Directory& out, std::string_view sourceName, mode_t mode);

    // From now on the copier's bytes go into this piece's digest and the source's.
    void startPiece(BlockCopier& copier);
    void endPiece(std::string_view pieceName);
    // Adds the source's line and puts the file in place.
    void commit();

  private:
    std::string sourceName_;
    TemporaryFile file_;
    std::int64_t length_ = 0;
    Sha256 piece_;
    Sha256 source_;
};

// The digests by name in the checksum file `fileName` in `dir`, which is read without
// following a link; nothing when there is no such file. Throws SplitError, naming the file,
// for one that cannot be read or is no checksum file.
std::optional<std::map<std::string, std::string>> readChecksums(const Directory& dir,
                                                                const std::string& fileName);

// A checksum file of an earlier split of this source (one that names its first piece) no
// longer describes the pieces once they are replaced; it is removed. A checksum file of the
// source alone, as a user may keep beside it, is left as it is.
void removeStaleChecksums(const Directory& out, std::string_view sourceName);

}  // namespace morsela
