#include "engine/recovery/galois16.h"

#include <immintrin.h>

#include <bit>
#include <cstring>
#include <vector>

namespace morsela::recovery {
namespace {

static_assert(std::endian::native == std::endian::little, "words are read as little-endian");

constexpr std::uint32_t kGenerator = 0x1100B;
constexpr std::uint32_t kOrder = 65535;  // nonzero elements

struct Tables {
    std::vector<Gf> exp = std::vector<Gf>(2 * kOrder);
    std::vector<std::uint32_t> log = std::vector<std::uint32_t>(kOrder + 1);
    std::vector<Gf> constants;

    Tables() {
        std::uint32_t value = 1;
        for (std::uint32_t i = 0; i < kOrder; ++i) {
            exp[i] = exp[i + kOrder] = static_cast<Gf>(value);
            log[value] = i;
            value <<= 1;
            if (value & 0x10000) {
                value ^= kGenerator;
            }
        }
        for (std::uint32_t n = 1; constants.size() < kMostInputSlices; ++n) {
            if (n % 3 != 0 && n % 5 != 0 && n % 17 != 0 && n % 257 != 0) {
                constants.push_back(exp[n]);
            }
        }
    }
};

const Tables& tables() {
    static const Tables instance;
    return instance;
}

bool hasWideShuffles() {
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
}

bool hasMatrices() {
    static const bool gfni =
        __builtin_cpu_supports("gfni") && __builtin_cpu_supports("avx512bw") && hasWideShuffles();
    return gfni;
}

// The 8-by-8 bit matrix that takes byte `in` of a word to byte `out` of its product, from
// the products of the word's single bits.
std::uint64_t byteMatrix(const std::array<Gf, 256>& bitProducts, int out) {
    std::uint64_t matrix = 0;
    for (int bit = 0; bit < 8; ++bit) {  // the result's bit
        std::uint64_t row = 0;
        for (int k = 0; k < 8; ++k) {  // the input's bit
            row |= static_cast<std::uint64_t>((bitProducts[1u << k] >> (8 * out + bit)) & 1) << k;
        }
        matrix |= row << (8 * (7 - bit));
    }
    return matrix;
}

}  // namespace

Gf gfMultiply(Gf a, Gf b) {
    if (a == 0 || b == 0) {
        return 0;
    }
    const Tables& t = tables();
    return t.exp[t.log[a] + t.log[b]];
}

Gf gfDivide(Gf a, Gf b) {
    if (a == 0) {
        return 0;
    }
    const Tables& t = tables();
    return t.exp[t.log[a] + kOrder - t.log[b]];
}

Gf gfPower(Gf base, std::uint32_t exponent) {
    if (exponent == 0) {
        return 1;
    }
    if (base == 0) {
        return 0;
    }
    const Tables& t = tables();
    const auto power = static_cast<std::uint64_t>(t.log[base]) * exponent % kOrder;
    return t.exp[power];
}

void addScaled(std::uint8_t* out, const std::uint8_t* in, std::size_t length, Gf factor) {
    // Making the tables costs about what multiplying a few hundred words one by one does.
    constexpr std::size_t kShortRegion = 512;
    if (factor == 0) {
        return;
    }
    if (length >= kShortRegion) {
        RegionMultiplier(factor).addTo(out, in, length);
        return;
    }
    const Tables& t = tables();
    const std::uint32_t logFactor = t.log[factor];
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        Gf word;
        std::memcpy(&word, in + i, 2);
        if (word == 0) {
            continue;
        }
        Gf sum;
        std::memcpy(&sum, out + i, 2);
        sum ^= t.exp[logFactor + t.log[word]];
        std::memcpy(out + i, &sum, 2);
    }
}

Gf inputConstant(std::uint32_t index) {
    return tables().constants.at(index);
}

// Multiplying is linear over the bits, so each table follows from the products of single bits.
RegionMultiplier::RegionMultiplier(Gf factor) : factor_(factor) {
    for (std::uint32_t bit = 0; bit < 8; ++bit) {
        low_[1u << bit] = gfMultiply(factor, static_cast<Gf>(1u << bit));
        high_[1u << bit] = gfMultiply(factor, static_cast<Gf>(1u << (bit + 8)));
    }
    for (std::uint32_t b = 3; b < 256; ++b) {
        const std::uint32_t lowest = b & (~b + 1);
        if (b != lowest) {
            low_[b] = low_[b ^ lowest] ^ low_[lowest];
            high_[b] = high_[b ^ lowest] ^ high_[lowest];
        }
    }
    for (int out = 0; out < 2; ++out) {
        matrices_[out][0] = byteMatrix(low_, out);
        matrices_[out][1] = byteMatrix(high_, out);
    }
    for (std::uint32_t v = 0; v < 16; ++v) {
        const Gf products[4] = {low_[v], low_[v << 4], high_[v], high_[v << 4]};
        for (int p = 0; p < 4; ++p) {
            nibbles_[p][0][v] = static_cast<std::uint8_t>(products[p] & 0xff);
            nibbles_[p][1][v] = static_cast<std::uint8_t>(products[p] >> 8);
        }
    }
}

std::vector<RegionMultiplier::Way> RegionMultiplier::ways() {
    std::vector<Way> ways{Way::kTables};
    if (hasWideShuffles()) {
        ways.push_back(Way::kShuffles);
    }
    if (hasMatrices()) {
        ways.push_back(Way::kMatrices);
    }
    return ways;
}

void RegionMultiplier::addTo(std::uint8_t* out, const std::uint8_t* in, std::size_t length) const {
    addTo(out, in, length,
          hasMatrices()       ? Way::kMatrices
          : hasWideShuffles() ? Way::kShuffles
                              : Way::kTables);
}

void RegionMultiplier::addTo(std::uint8_t* out, const std::uint8_t* in, std::size_t length,
                             Way way) const {
    if (factor_ == 0) {
        return;
    }
    std::size_t done = 0;
    if (way == Way::kMatrices) {
        done = length / 128 * 128;
        addMatrices(out, in, done);
    }
    if (way != Way::kTables) {
        const std::size_t wide = (length - done) / 64 * 64;
        addWide(out + done, in + done, wide);
        done += wide;
    }
    addScalar(out + done, in + done, length - done);
}

void RegionMultiplier::addScalar(std::uint8_t* out, const std::uint8_t* in,
                                 std::size_t length) const {
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        Gf word;
        std::memcpy(&word, in + i, 2);
        Gf sum;
        std::memcpy(&sum, out + i, 2);
        sum ^= low_[word & 0xff] ^ high_[word >> 8];
        std::memcpy(out + i, &sum, 2);
    }
}

// 32 words at a time: the low and the high bytes of the words are gathered apart, each of
// their nibbles looks up its share of the product with one byte shuffle, and the product's
// bytes are woven back into words.
__attribute__((target("avx2"))) void RegionMultiplier::addWide(std::uint8_t* out,
                                                               const std::uint8_t* in,
                                                               std::size_t length) const {
    __m256i table[4][2];
    for (int p = 0; p < 4; ++p) {
        for (int half = 0; half < 2; ++half) {
            table[p][half] = _mm256_broadcastsi128_si256(
                _mm_load_si128(reinterpret_cast<const __m128i*>(nibbles_[p][half])));
        }
    }
    const __m256i apart = _mm256_setr_epi8(0, 2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15, 0,
                                           2, 4, 6, 8, 10, 12, 14, 1, 3, 5, 7, 9, 11, 13, 15);
    const __m256i mask = _mm256_set1_epi8(0x0f);
    for (std::size_t i = 0; i < length; i += 64) {
        const __m256i a = _mm256_shuffle_epi8(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i)), apart);
        const __m256i b = _mm256_shuffle_epi8(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i + 32)), apart);
        const __m256i lowBytes = _mm256_unpacklo_epi64(a, b);
        const __m256i highBytes = _mm256_unpackhi_epi64(a, b);
        const __m256i n[4] = {_mm256_and_si256(lowBytes, mask),
                              _mm256_and_si256(_mm256_srli_epi16(lowBytes, 4), mask),
                              _mm256_and_si256(highBytes, mask),
                              _mm256_and_si256(_mm256_srli_epi16(highBytes, 4), mask)};
        __m256i productLow = _mm256_setzero_si256();
        __m256i productHigh = _mm256_setzero_si256();
        for (int p = 0; p < 4; ++p) {
            productLow = _mm256_xor_si256(productLow, _mm256_shuffle_epi8(table[p][0], n[p]));
            productHigh = _mm256_xor_si256(productHigh, _mm256_shuffle_epi8(table[p][1], n[p]));
        }
        auto* first = reinterpret_cast<__m256i*>(out + i);
        auto* second = reinterpret_cast<__m256i*>(out + i + 32);
        _mm256_storeu_si256(first, _mm256_xor_si256(_mm256_loadu_si256(first),
                                                    _mm256_unpacklo_epi8(productLow, productHigh)));
        _mm256_storeu_si256(second,
                            _mm256_xor_si256(_mm256_loadu_si256(second),
                                             _mm256_unpackhi_epi8(productLow, productHigh)));
    }
}

// 64 words at a time: the low and the high bytes of the words are gathered apart, as for the
// shuffles, and each byte of the product is the sum of two affine transformations of them.
__attribute__((target("avx512f,avx512bw,gfni"))) void RegionMultiplier::addMatrices(
    std::uint8_t* out, const std::uint8_t* in, std::size_t length) const {
    const __m512i lowFromLow = _mm512_set1_epi64(static_cast<long long>(matrices_[0][0]));
    const __m512i lowFromHigh = _mm512_set1_epi64(static_cast<long long>(matrices_[0][1]));
    const __m512i highFromLow = _mm512_set1_epi64(static_cast<long long>(matrices_[1][0]));
    const __m512i highFromHigh = _mm512_set1_epi64(static_cast<long long>(matrices_[1][1]));
    // Not _mm512_broadcast_i32x4 nor _mm512_unpack*_epi64: GCC 12 warns of their headers.
    const __m512i apart = _mm512_set4_epi32(0x0f0d0b09, 0x07050301, 0x0e0c0a08, 0x06040200);
    const __m512i lowHalves = _mm512_setr_epi64(0, 8, 2, 10, 4, 12, 6, 14);
    const __m512i highHalves = _mm512_setr_epi64(1, 9, 3, 11, 5, 13, 7, 15);
    for (std::size_t i = 0; i < length; i += 128) {
        const __m512i a = _mm512_shuffle_epi8(_mm512_loadu_si512(in + i), apart);
        const __m512i b = _mm512_shuffle_epi8(_mm512_loadu_si512(in + i + 64), apart);
        const __m512i lowBytes = _mm512_permutex2var_epi64(a, lowHalves, b);
        const __m512i highBytes = _mm512_permutex2var_epi64(a, highHalves, b);
        const __m512i productLow =
            _mm512_xor_si512(_mm512_gf2p8affine_epi64_epi8(lowBytes, lowFromLow, 0),
                             _mm512_gf2p8affine_epi64_epi8(highBytes, lowFromHigh, 0));
        const __m512i productHigh =
            _mm512_xor_si512(_mm512_gf2p8affine_epi64_epi8(lowBytes, highFromLow, 0),
                             _mm512_gf2p8affine_epi64_epi8(highBytes, highFromHigh, 0));
        _mm512_storeu_si512(out + i,
                            _mm512_xor_si512(_mm512_loadu_si512(out + i),
                                             _mm512_unpacklo_epi8(productLow, productHigh)));
        _mm512_storeu_si512(out + i + 64,
                            _mm512_xor_si512(_mm512_loadu_si512(out + i + 64),
                                             _mm512_unpackhi_epi8(productLow, productHigh)));
    }
}

}  // namespace morsela::recovery
