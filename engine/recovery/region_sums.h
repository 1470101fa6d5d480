#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/os/file_handle.h"
#include "engine/recovery/galois16.h"
#include "engine/recovery/work_meter.h"

namespace morsela::recovery {

// An input slice: `length` bytes of `file` from `offset`, read as zeros beyond them up to the
// slice size.
struct InputSlice {
    const FileHandle* file = nullptr;
    std::int64_t offset = 0;
    std::int64_t length = 0;
};

// The factor of input slice `input` in sum `sum`.
using Coefficient = std::function<Gf(std::size_t input, std::size_t sum)>;

// The factor of input slice `input` in recovery block `sum` as a set's files are written:
// the input's constant to the power of the block's number.
Gf sumFactor(std::size_t input, std::size_t sum);

// Adds to each of the sums the bytes [from, from + length) of every input slice, times its
// coefficient: sums[j][k] ^= coefficient(i, j) * slice_i[from + k]. The work is shared out by
// byte ranges among threads that each read their own range of the slices, so the memory
// taken is the sums' and a read buffer per thread. Every portion read is counted by `meter`
// when there is one, and ends the work when it says stop. Throws Error when a read fails.
void addSlices(const std::vector<InputSlice>& inputs, const Coefficient& coefficient,
               std::int64_t from, std::int64_t length, const std::vector<std::uint8_t*>& sums,
               WorkMeter* meter = nullptr);

}  // namespace morsela::recovery
