#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/join/join_pieces.h"
#include "engine/observer.h"

namespace morsela {

// What TARGET.sha256 beside the pieces says of them and of the file they make, read in little
// memory whatever its length: 32 bytes for each piece, none for lines about other files.
class PieceDigests {
  public:
    // The digests for these pieces; nothing when there is no checksum file. Lines that
    // `sha256sum -c` would not read are passed over, and a notice says how many. Refuses
    // a file that vouches for nothing (no line names the target or a piece as it is named
    // here: a join would go unchecked), that gives one name two different digests, that names a
    // numbered piece past the last the script names (the script lost a line) or past the end of a
    // series (its last pieces are missing), or that has lines for some pieces but not for all.
    // Throws Error.
    static std::optional<PieceDigests> read(const JoinPieces& pieces, std::vector<Notice>& notices);

    // Whether the file has a line for every piece; when it has none, only the joined file
    // can be checked.
    bool forPieces() const { return forPieces_; }
    bool forTarget() const { return !target_.empty(); }
    bool pieceMatches(std::size_t piece, const std::string& hex) const;
    bool targetMatches(const std::string& hex) const { return hex == target_; }
    const std::string& fileName() const { return fileName_; }

  private:
    std::string fileName_;
    std::string digests_;  // 32 bytes a piece, in piece order
    std::vector<bool> known_;
    std::string target_;  // hexadecimal; empty without a line for the target
    bool forPieces_ = false;
};

}  // namespace morsela
