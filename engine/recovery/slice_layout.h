#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace morsela::recovery {

// How the pieces are cut into slices for the recovery, and how many recovery blocks are made.
struct SliceLayout {
    std::int64_t sliceSize = 0;  // a multiple of 4
    std::int64_t inputSlices = 0;
    std::int64_t recoveryBlocks = 0;
};

// The largest slice: a reader checks a damaged file slice by slice, holding a few in memory.
inline constexpr std::int64_t kLargestSlice = 128 << 20;

std::int64_t slicesOf(std::int64_t length, std::int64_t sliceSize);

// The lengths of the `pieces` pieces that a split of `sourceLength` bytes into pieces of
// `pieceSize` makes, in their order: each full but the last.
std::vector<std::int64_t> pieceLengths(std::int64_t sourceLength, std::int64_t pieceSize,
                                       std::int64_t pieces);

// The layout for pieces of these lengths (the first is the longest) and recovery blocks
// worth `percent` of them: slices of at most a piece each, as large as they may be, since
// the work grows with the number of blocks. Where `percent` of the pieces is at least one
// piece, the blocks rebuild any one whole lost piece. Empty pieces have no slices. Gives
// an empty reason, or why no recovery can be made.
SliceLayout sliceLayoutFor(const std::vector<std::int64_t>& lengths, int percent,
                           std::string& whyNot);

}  // namespace morsela::recovery
