#include "engine/recovery/slice_layout.h"

#include <algorithm>
#include <cmath>

#include "engine/recovery/galois16.h"

namespace morsela::recovery {
namespace {

std::int64_t inputSlicesOf(const std::vector<std::int64_t>& lengths, std::int64_t sliceSize) {
    std::int64_t count = 0;
    for (const std::int64_t length : lengths) {
        count += slicesOf(length, sliceSize);
    }
    return count;
}

}  // namespace

std::vector<std::int64_t> pieceLengths(std::int64_t sourceLength, std::int64_t pieceSize,
                                       std::int64_t pieces) {
    std::vector<std::int64_t> lengths;
    for (std::int64_t start = 0, piece = 0; piece < pieces; ++piece, start += pieceSize) {
        lengths.push_back(std::clamp<std::int64_t>(sourceLength - start, 0, pieceSize));
    }
    return lengths;
}

std::int64_t slicesOf(std::int64_t length, std::int64_t sliceSize) {
    return (length + sliceSize - 1) / sliceSize;
}

SliceLayout sliceLayoutFor(const std::vector<std::int64_t>& lengths, int percent,
                           std::string& whyNot) {
    const std::int64_t longest = lengths.empty() ? 0 : lengths.front();
    const auto pieces = static_cast<std::int64_t>(
        std::count_if(lengths.begin(), lengths.end(), [](std::int64_t l) { return l > 0; }));
    if (longest == 0 || percent < 1) {
        whyNot = "there is nothing to recover";
        return {};
    }
    if (pieces > kMostInputSlices) {
        whyNot = "recovery files cover at most " + std::to_string(kMostInputSlices) + " pieces";
        return {};
    }
    // Slices per piece: enough that no slice is larger than the largest, and, where the
    // percentage is less than one piece, enough that the blocks come near it.
    std::int64_t perPiece = (longest + kLargestSlice - 1) / kLargestSlice;
    if (percent * pieces < 100) {
        perPiece =
            std::max<std::int64_t>(perPiece, (100 + percent * pieces - 1) / (percent * pieces) * 4);
    }
    perPiece = std::min(perPiece, std::max<std::int64_t>(1, kMostInputSlices / pieces));
    SliceLayout layout;
    layout.sliceSize = std::max<std::int64_t>(4, ((longest + perPiece - 1) / perPiece + 3) / 4 * 4);
    while (inputSlicesOf(lengths, layout.sliceSize) > kMostInputSlices) {
        layout.sliceSize += 4;  // short pieces' rounding can add a few slices
    }
    layout.inputSlices = inputSlicesOf(lengths, layout.sliceSize);
    layout.recoveryBlocks =
        std::max<std::int64_t>(1, std::llround(static_cast<double>(percent) *
                                               static_cast<double>(layout.inputSlices) / 100.0));
    if (percent * pieces >= 100) {
        layout.recoveryBlocks =
            std::max(layout.recoveryBlocks, slicesOf(longest, layout.sliceSize));
    }
    layout.recoveryBlocks = std::min<std::int64_t>(layout.recoveryBlocks, 65535 - 1);
    return layout;
}

}  // namespace morsela::recovery
