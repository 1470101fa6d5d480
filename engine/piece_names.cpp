#include "engine/piece_names.h"

#include <stdexcept>
#include <vector>

namespace morsela {
namespace {

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the UTF-8 character that starts at `pos`, or 1 for a byte that does not
// start a valid one (overlong forms and surrogates are not valid).
std::size_t characterLength(std::string_view text, std::size_t pos) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char lead = at(0);
    std::size_t length = 1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 1;
    }
    if (pos + length > text.size() || at(1) < low || at(1) > high) {
        return 1;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!isContinuation(at(i))) {
            return 1;
        }
    }
    return length;
}

}  // namespace

std::size_t keptLength(std::string_view sourceName) {
    std::vector<std::size_t> starts;
    for (std::size_t pos = 0; pos < sourceName.size(); pos += characterLength(sourceName, pos)) {
        starts.push_back(pos);
    }
    if (starts.size() < kReplacedSuffix) {
        return std::string_view::npos;
    }
    return starts[starts.size() - kReplacedSuffix];
}

std::string_view replacedPart(std::string_view sourceName) {
    const std::size_t kept = keptLength(sourceName);
    return kept == std::string_view::npos ? std::string_view() : sourceName.substr(kept);
}

std::string pieceNumberText(std::int64_t pieceCount) {
    std::string text = std::to_string(pieceCount);
    if (text.size() < 3) {
        text.insert(0, 3 - text.size(), '0');
    }
    return text;
}

std::string pieceName(std::string_view sourceName, std::string_view numberText) {
    const std::size_t kept = keptLength(sourceName);
    if (kept == std::string_view::npos) {
        throw std::invalid_argument(
            "a file name of fewer than three characters has no piece names");
    }
    std::string name(sourceName.substr(0, kept));
    name += numberText;
    return name;
}

std::string ruleScriptName(std::string_view sourceName) {
    return pieceName(sourceName, "bat");
}

std::string scriptName(std::string_view sourceName) {
    std::string name = ruleScriptName(sourceName);
    return name.ends_with(".bat") ? name : std::string(sourceName) + ".bat";
}

std::int64_t piecesFor(std::int64_t sourceLength, std::int64_t pieceSize) {
    if (sourceLength == 0) {
        return 1;
    }
    return sourceLength / pieceSize + (sourceLength % pieceSize != 0 ? 1 : 0);
}

}  // namespace morsela
