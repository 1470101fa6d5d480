#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <sys/types.h>

#include "engine/checksum/read_back_digests.h"
#include "engine/os/directory.h"
#include "engine/os/temporary_file.h"

namespace morsela {

// The checksum file a split writes when asked: the digest of every piece and of the whole
// source, read back from the pieces as they are written, streamed into a temporary file that
// is named only once the split is done, so a failed or stopped split leaves none.
//
// So that no one else changes a piece between its writing and its reading back, each piece
// stays its owner's alone (0600) until its digest is known, and only then takes its mode.
class ChecksumWriter {
  public:
    // Refuses, before anything is written, what is not a regular file under the name: it
    // is renamed over at the end.
    ChecksumWriter(const Directory& out, std::string_view sourceName, const struct stat& source);
    // Pieces whose digests were never known (a failed split) take their modes all the same.
    ~ChecksumWriter();

    // The permission bits to create a piece with: its owner's alone, for now.
    static constexpr mode_t kPieceModeWhileHashed = 0600;

    // `length` bytes were written to `piece` at `offset`.
    void written(const FileHandle& piece, std::int64_t offset, std::int64_t length);
    // The piece is complete; its line is written, and it takes `mode`, once its digest is
    // known.
    void endPiece(const FileHandle& piece, const std::string& pieceName, mode_t mode);
    // How many pieces, from the first, were read back whole, once the reading back of
    // those written has ended or failed.
    std::int64_t piecesVouchedFor();
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
    std::int64_t vouched_ = 0;    // pieces whose lines are written
    ReadBackDigests digests_{2};  // the piece's, then the source's
    struct Waiting {
        std::string name;
        FileHandle file;  // a descriptor of the piece's own, to give it its mode
        mode_t mode;
    };
    std::deque<Waiting> waiting_;  // pieces whose digests are not yet known
};

// The checksum file of `target` (TARGET.sha256) when it is one an earlier split wrote over the
// pieces this split replaces (it names `firstPiece`, this split's first piece): it no longer
// describes them, and is removed. Any other checksum file under that name (of the file alone,
// or of pieces of another name) is left as it is.
void removeStaleChecksums(const Directory& out, std::string_view target,
                          const std::string& firstPiece);

}  // namespace morsela
