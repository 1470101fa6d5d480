#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

#include "engine/recovery/galois16.h"

namespace morsela::recovery {
namespace {

// Multiplication by shifting and reducing by the generator, bit by bit: slow and plain.
Gf slowMultiply(Gf a, Gf b) {
    std::uint32_t product = 0;
    std::uint32_t shifted = a;
    for (int bit = 0; bit < 16; ++bit) {
        if (b & (1u << bit)) {
            product ^= shifted;
        }
        shifted <<= 1;
        if (shifted & 0x10000) {
            shifted ^= 0x1100B;
        }
    }
    return static_cast<Gf>(product);
}

TEST(Galois16, MultiplyingAgreesWithShiftAndReduce) {
    std::mt19937 random(7);
    for (int i = 0; i < 100000; ++i) {
        const auto a = static_cast<Gf>(random());
        const auto b = static_cast<Gf>(random());
        ASSERT_EQ(gfMultiply(a, b), slowMultiply(a, b)) << a << " * " << b;
        if (b != 0) {
            ASSERT_EQ(gfMultiply(gfDivide(a, b), b), a);
        }
    }
}

TEST(Galois16, PowersAreRepeatedProducts) {
    Gf power = 1;
    for (std::uint32_t n = 0; n < 70000; ++n) {
        ASSERT_EQ(gfPower(0x1234, n), power) << n;
        power = slowMultiply(power, 0x1234);
    }
}

TEST(Galois16, InputConstantsSkipExponentsSharingAFactorWith65535) {
    // 2^1, 2^2, 2^4, 2^7, 2^8, 2^11: 3, 5, 6, 9 and 10 share a factor.
    EXPECT_EQ(inputConstant(0), 2);
    EXPECT_EQ(inputConstant(1), 4);
    EXPECT_EQ(inputConstant(2), 16);
    EXPECT_EQ(inputConstant(3), 128);
    EXPECT_EQ(inputConstant(4), 256);
    EXPECT_EQ(inputConstant(5), 2048);
    EXPECT_EQ(inputConstant(kMostInputSlices - 1), gfPower(2, 65534));
}

TEST(Galois16, RegionsAreMultipliedWordByWordAtEveryLengthAndAlignment) {
    std::mt19937 random(3);
    std::vector<std::uint8_t> in(1000);
    for (auto& byte : in) {
        byte = static_cast<std::uint8_t>(random());
    }
    const auto ways = RegionMultiplier::ways();
    std::printf("multiplied in %zu ways\n", ways.size());
    for (const RegionMultiplier::Way way : ways) {
        for (const Gf factor : {Gf{0}, Gf{1}, Gf{2}, Gf{0x8000}, Gf{0xbeef}, Gf{0x1234}}) {
            const RegionMultiplier multiplier(factor);
            for (std::size_t offset : {0u, 1u, 2u, 33u}) {
                for (std::size_t length : {0u, 2u, 62u, 64u, 66u, 128u, 130u, 256u, 900u}) {
                    std::vector<std::uint8_t> out(length, 0x5a);
                    multiplier.addTo(out.data(), in.data() + offset, length, way);
                    for (std::size_t k = 0; k < length; k += 2) {
                        const auto word = static_cast<Gf>(in[offset + k] | in[offset + k + 1] << 8);
                        const Gf expected = slowMultiply(factor, word) ^ 0x5a5a;
                        ASSERT_EQ(out[k] | out[k + 1] << 8, expected)
                            << "way " << static_cast<int>(way) << " factor " << factor << " offset "
                            << offset << " at " << k;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace morsela::recovery
