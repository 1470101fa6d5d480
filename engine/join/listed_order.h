#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/join/join_pieces.h"

namespace morsela {

// Whether a checksum file lists the pieces as the script joins them. Its lines say which
// pieces make the file and in which order; a script that leaves a piece out, or joins two in
// another order, makes another file than the one the checksum file vouches for, although
// every piece it names matches. Fed the checksum file's lines in order; refuses, naming the
// piece, before anything is read or written.
class ListedOrder {
  public:
    ListedOrder(const JoinPieces& pieces, std::string path);

    // A line for the script's `index`th piece. Refuses a piece listed before one that the
    // script joins earlier, unless the two are listed by name, as `sha256sum NAME.*` lists
    // them, and the script joins them by number (NAME.101 after NAME.1000). Throws Error.
    void piece(std::size_t index, const std::string& name, std::size_t line);
    // A line for a file that is neither a piece nor the target. Refuses one numbered as the
    // pieces are (same name, a piece number): a piece that the script leaves out. Throws Error.
    void other(const std::string& name, std::size_t line) const;

  private:
    const JoinPieces& pieces_;
    std::string path_;
    std::optional<std::size_t> previous_;  // the piece of the last piece line
    std::string previousName_;
};

}  // namespace morsela
