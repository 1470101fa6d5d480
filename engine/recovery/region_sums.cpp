#include "engine/recovery/region_sums.h"

#include <algorithm>
#include <exception>
#include <thread>

#include "engine/error.h"

namespace morsela::recovery {
namespace {

constexpr std::int64_t kChunk = 256 * 1024;  // read at once; a few sums' worth stays cached

void addRange(const std::vector<InputSlice>& inputs, const Coefficient& coefficient,
              std::int64_t from, std::int64_t begin, std::int64_t end,
              const std::vector<std::uint8_t*>& sums, WorkMeter* meter) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(kChunk, end - begin)) + 2);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const InputSlice& input = inputs[i];
        const std::int64_t stop = std::min(end, input.length - from);  // zeros beyond
        for (std::int64_t at = begin; at < stop; at += kChunk) {
            const std::int64_t wanted = std::min(kChunk, stop - at);
            std::int64_t got = readAt(*input.file, buffer.data(), wanted, input.offset + from + at);
            if (got < wanted) {  // the file became shorter: its missing bytes count as zeros
                std::fill(buffer.begin() + got, buffer.begin() + wanted, '\0');
            }
            got = (wanted + 1) / 2 * 2;
            if (got > wanted) {
                buffer[static_cast<std::size_t>(wanted)] = '\0';
            }
            for (std::size_t j = 0; j < sums.size(); ++j) {
                addScaled(sums[j] + at, reinterpret_cast<const std::uint8_t*>(buffer.data()),
                          static_cast<std::size_t>(got), coefficient(i, j));
            }
            if (meter != nullptr) {
                meter->add(wanted);
            }
        }
    }
}

}  // namespace

Gf sumFactor(std::size_t input, std::size_t sum) {
    return gfPower(inputConstant(static_cast<std::uint32_t>(input)),
                   static_cast<std::uint32_t>(sum));
}

void addSlices(const std::vector<InputSlice>& inputs, const Coefficient& coefficient,
               std::int64_t from, std::int64_t length, const std::vector<std::uint8_t*>& sums,
               WorkMeter* meter) {
    const auto cores = static_cast<std::int64_t>(std::max(1u, std::thread::hardware_concurrency()));
    const std::int64_t threads = std::clamp<std::int64_t>(length / (1 << 20), 1, cores);
    const std::int64_t share = (length / threads + 63) / 64 * 64;
    std::vector<std::thread> workers;
    std::vector<std::exception_ptr> failures(static_cast<std::size_t>(threads));
    for (std::int64_t t = 0; t < threads; ++t) {
        const std::int64_t begin = std::min(length, t * share);
        const std::int64_t end = t + 1 == threads ? length : std::min(length, begin + share);
        auto work = [&, t, begin, end] {
            try {
                addRange(inputs, coefficient, from, begin, end, sums, meter);
            } catch (...) {
                failures[static_cast<std::size_t>(t)] = std::current_exception();
            }
        };
        if (t + 1 == threads) {
            work();
        } else {
            workers.emplace_back(work);
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
}

}  // namespace morsela::recovery
