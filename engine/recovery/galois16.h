#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace morsela::recovery {

// Arithmetic in GF(2^16) with the generator x^16 + x^12 + x^3 + x + 1 (0x1100B), over which
// the recovery blocks are sums of the input slices taken as 16-bit little-endian words.
using Gf = std::uint16_t;

Gf gfMultiply(Gf a, Gf b);
// a / b; b must not be 0.
Gf gfDivide(Gf a, Gf b);
Gf gfPower(Gf base, std::uint32_t exponent);

// The most input slices one recovery set may have: as many as there are whole numbers below
// 65535 that share no factor with it.
inline constexpr std::uint32_t kMostInputSlices = 32768;

// The constant of input slice `index` (from 0) in every recovery sum: 2 to the power of the
// index-th number, from 1 up, that is divisible by none of 3, 5, 17 and 257. Every such
// constant raised to distinct exponents keeps the equations solvable.
Gf inputConstant(std::uint32_t index);

// out ^= factor * in over `length` bytes of words (`length` even), as RegionMultiplier does,
// without making its tables for a short region: a sum of many slices of a few bytes each
// would spend nearly all its time making tables.
void addScaled(std::uint8_t* out, const std::uint8_t* in, std::size_t length, Gf factor);

// Adds `factor` times a region of 16-bit words to another: out ^= factor * in, word by word.
// The tables are made once per factor, so one multiplier serves a whole slice.
class RegionMultiplier {
  public:
    // How the words are multiplied: a table lookup per byte; 32 words at a time by byte
    // shuffles (AVX2); or 64 at a time as four 8-by-8 bit matrices (GFNI with AVX-512).
    enum class Way { kTables, kShuffles, kMatrices };
    // The ways this processor has, the fastest last.
    static std::vector<Way> ways();

    explicit RegionMultiplier(Gf factor);
    Gf factor() const { return factor_; }
    // `length` is even; the regions do not overlap. The fastest way there is.
    void addTo(std::uint8_t* out, const std::uint8_t* in, std::size_t length) const;
    // The same, in the way given, one of ways(), for the rest in the slower ways.
    void addTo(std::uint8_t* out, const std::uint8_t* in, std::size_t length, Way way) const;

  private:
    void addScalar(std::uint8_t* out, const std::uint8_t* in, std::size_t length) const;
    void addWide(std::uint8_t* out, const std::uint8_t* in, std::size_t length) const;
    void addMatrices(std::uint8_t* out, const std::uint8_t* in, std::size_t length) const;

    Gf factor_;
    std::array<Gf, 256> low_{};   // factor * b
    std::array<Gf, 256> high_{};  // factor * (b << 8)
    // factor * (v << 4p), byte by byte: for nibble position p and value v, the low byte at
    // [p][0][v] and the high byte at [p][1][v]; 16 bytes each, for byte shuffles.
    alignas(32) std::uint8_t nibbles_[4][2][16]{};
    // Multiplying is linear over the bits: the product's low (0) and high (1) bytes from the
    // word's low and high bytes, [product byte][word byte], each as the 8-by-8 bit matrix an
    // affine byte transformation takes (row of result bit i in byte 7 - i).
    std::uint64_t matrices_[2][2]{};
};

}  // namespace morsela::recovery
