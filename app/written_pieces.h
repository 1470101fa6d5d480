#pragma once

#include <sys/types.h>
#include <cstdint>
#include <string>
#include <vector>

namespace morsela {

// The whole pieces a split has written, each known as the file it made (device and inode),
// so that those of a stopped split can be removed when the user asks, and nothing else: a
// file that someone put under a piece's name meanwhile stays.
class WrittenPieces {
  public:
    void clear() { pieces_.clear(); }
    // A piece the split has just finished, looked at now.
    void add(const std::string& path);
    std::int64_t count() const { return static_cast<std::int64_t>(pieces_.size()); }
    // Removes every piece that is still the file written, through its directory opened
    // once; gives how many went. Throws Error, naming the piece, for one that could not go.
    std::int64_t removeAll();

  private:
    struct Piece {
        std::string path;
        dev_t device;
        ino_t inode;
    };
    std::vector<Piece> pieces_;
};

}  // namespace morsela
