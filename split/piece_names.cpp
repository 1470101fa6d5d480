#include "split/piece_names.h"

#include <stdexcept>

namespace morsela {

std::string pieceNumberText(std::int64_t pieceCount) {
    std::string text = std::to_string(pieceCount);
    if (text.size() < 3) {
        text.insert(0, 3 - text.size(), '0');
    }
    return text;
}

std::string pieceName(std::string_view sourceName, std::string_view numberText) {
    if (sourceName.size() < kReplacedSuffix) {
        throw std::invalid_argument(
            "a file name of fewer than three characters has no piece names");
    }
    std::string name(sourceName.substr(0, sourceName.size() - kReplacedSuffix));
    name += numberText;
    return name;
}

std::string scriptName(std::string_view sourceName) {
    return pieceName(sourceName, "bat");
}

std::int64_t piecesFor(std::int64_t sourceLength, std::int64_t pieceSize) {
    if (sourceLength == 0) {
        return 1;
    }
    return sourceLength / pieceSize + (sourceLength % pieceSize != 0 ? 1 : 0);
}

std::string directoryText(std::string_view directory) {
    std::string text(directory);
    if (!text.empty() && text.back() != '/') {
        text += '/';
    }
    return text;
}

}  // namespace morsela
