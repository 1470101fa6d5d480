#include "app/written_pieces.h"

#include <sys/stat.h>

#include "engine/os/directory.h"

namespace morsela {

void WrittenPieces::add(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
        pieces_.push_back({path, status.st_dev, status.st_ino});
    }
}

std::int64_t WrittenPieces::removeAll() {
    if (pieces_.empty()) {
        return 0;
    }
    // A split writes all its pieces into one directory.
    const std::string folder = directoryPartOf(pieces_.front().path);
    const Directory out(folder);
    std::int64_t removed = 0;
    for (const Piece& piece : pieces_) {
        const std::string name = piece.path.substr(folder.size());
        if (directoryPartOf(piece.path) != folder) {
            continue;
        }
        const auto now = out.entry(name);
        if (now && S_ISREG(now->st_mode) && now->st_dev == piece.device &&
            now->st_ino == piece.inode) {
            out.remove(name);
            ++removed;
        }
    }
    pieces_.clear();
    return removed;
}

}  // namespace morsela
