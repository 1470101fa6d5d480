#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/recovery/galois16.h"
#include "engine/recovery/slice_layout.h"

namespace morsela::recovery {
namespace {

// The pieces of a split: `count` of `size`, the last half as long when there are several.
std::vector<std::int64_t> pieces(std::int64_t count, std::int64_t size) {
    std::vector<std::int64_t> lengths(static_cast<std::size_t>(count), size);
    if (count > 1) {
        lengths.back() = (size + 1) / 2;
    }
    return lengths;
}

TEST(SliceLayout, AnyOneLostPieceCanBeRebuiltWherePercentReachesAPiece) {
    for (const std::int64_t count : {1, 2, 3, 9, 10, 11, 40, 1000, 32768}) {
        for (const std::int64_t size : {std::int64_t{1}, std::int64_t{4093},
                                        std::int64_t{100} << 20, std::int64_t{4} << 30}) {
            for (const int percent : {1, 5, 10, 33, 100}) {
                const auto lengths = pieces(count, size);
                std::string whyNot;
                const SliceLayout layout = sliceLayoutFor(lengths, percent, whyNot);
                ASSERT_TRUE(whyNot.empty()) << whyNot;
                const std::string at = std::to_string(count) + " x " + std::to_string(size) +
                                       " at " + std::to_string(percent) + "%";
                EXPECT_EQ(layout.sliceSize % 4, 0) << at;
                // At most the largest slice, unless so many pieces leave one slice apiece.
                EXPECT_LE(layout.sliceSize,
                          std::max<std::int64_t>(kLargestSlice,
                                                 count * size / kMostInputSlices + size % 4 + 4))
                    << at;
                EXPECT_LE(layout.inputSlices, kMostInputSlices) << at;
                EXPECT_GE(layout.recoveryBlocks, 1) << at;
                if (percent * count >= 100) {
                    EXPECT_GE(layout.recoveryBlocks, slicesOf(size, layout.sliceSize)) << at;
                }
                // Near the share asked for: at most one block more than it, or a piece's
                // slices where the share of the pieces' count reaches a piece.
                const double asked = percent / 100.0 * static_cast<double>(layout.inputSlices);
                EXPECT_LE(static_cast<double>(layout.recoveryBlocks),
                          std::max(asked + 1.0,
                                   percent * count >= 100
                                       ? static_cast<double>(slicesOf(size, layout.sliceSize))
                                       : 0.0))
                    << at;
            }
        }
    }
}

TEST(SliceLayout, NothingToRecoverAndTooManyPiecesAreSaid) {
    std::string whyNot;
    sliceLayoutFor({0}, 10, whyNot);
    EXPECT_EQ(whyNot, "there is nothing to recover");
    whyNot.clear();
    sliceLayoutFor(std::vector<std::int64_t>(kMostInputSlices + 1, 1000), 10, whyNot);
    EXPECT_EQ(whyNot, "recovery files cover at most 32768 pieces");
}

}  // namespace
}  // namespace morsela::recovery
