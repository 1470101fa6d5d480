#include "engine/recovery/read_back_sums.h"

#include <algorithm>
#include <limits>

#include "engine/error.h"
#include "engine/os/page_buffer.h"
#include "engine/recovery/region_sums.h"

namespace morsela::recovery {
namespace {

constexpr std::int64_t kChunk = 256 * 1024;  // read at once; a few blocks' worth stays cached

}  // namespace

std::size_t ReadBackSums::threadsFor(std::int64_t stripe) {
    return stripe >= 2 * kChunk ? 2 : 1;
}

ReadBackSums::ReadBackSums(WrittenPieces& pieces, const SetPlan& set, std::int64_t stripe,
                           std::size_t firstReader)
    : pieces_(pieces),
      set_(set),
      stripe_(stripe),
      sums_(static_cast<std::size_t>(stripe * set.layout.recoveryBlocks)) {
    const auto threads = static_cast<std::int64_t>(threadsFor(stripe));
    const std::int64_t share = (stripe / threads + 63) / 64 * 64;
    for (std::int64_t t = 0; t < threads; ++t) {
        const std::int64_t begin = std::min(stripe, t * share);
        const std::int64_t end = t + 1 == threads ? stripe : std::min(stripe, begin + share);
        threads_.emplace_back([this, reader = firstReader + static_cast<std::size_t>(t), begin,
                               end] { run(reader, begin, end); });
    }
}

ReadBackSums::~ReadBackSums() {
    pieces_.close();
    for (std::thread& thread : threads_) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

std::vector<std::uint8_t*> ReadBackSums::take() {
    for (std::thread& thread : threads_) {
        thread.join();
    }
    return blocks();
}

std::vector<std::uint8_t*> ReadBackSums::blocks() {
    std::vector<std::uint8_t*> at;
    for (std::int64_t e = 0; e < set_.layout.recoveryBlocks; ++e) {
        at.push_back(sums_.data() + e * stripe_);
    }
    return at;
}

void ReadBackSums::run(std::size_t reader, std::int64_t begin, std::int64_t end) {
    try {
        const PageBuffer buffer = pageBuffer(kChunk + 2);
        for (std::size_t piece = 0; piece < pieces_.pieces(); ++piece) {
            addPiece(piece, reader, begin, end, buffer.get());
        }
        pieces_.passed(reader, std::numeric_limits<std::int64_t>::max());
    } catch (...) {
        pieces_.fail(std::current_exception());
    }
}

// Adds bytes [begin, end) of each of the piece's slices, times its factor, into every block;
// bytes beyond a slice's end count as zeros, and add nothing.
void ReadBackSums::addPiece(std::size_t piece, std::size_t reader, std::int64_t begin,
                            std::int64_t end, char* buffer) {
    const std::int64_t length = pieces_.length(piece);
    const std::int64_t sliceSize = set_.layout.sliceSize;
    const std::vector<std::uint8_t*> sums = blocks();
    for (std::int64_t slice = 0; slice * sliceSize < length; ++slice) {
        const std::int64_t first = slice * sliceSize;
        const std::int64_t stop = std::min(first + end, length);
        const auto input = static_cast<std::size_t>(set_.firstSlice[piece] + slice);
        for (std::int64_t at = first + begin; at < stop; at += kChunk) {
            pieces_.passed(reader, pieces_.start(piece) + at);
            const std::int64_t wanted = std::min(kChunk, stop - at);
            const FileHandle* file = pieces_.await(piece, at + wanted);
            if (file == nullptr) {
                return;
            }
            if (readAt(*file, buffer, wanted, at) < wanted) {
                throw Error::refused(file->path(), "became shorter while it was being checked");
            }
            buffer[wanted] = '\0';  // an odd last byte is the low half of its word
            const auto even = static_cast<std::size_t>((wanted + 1) / 2 * 2);
            for (std::size_t e = 0; e < sums.size(); ++e) {
                RegionMultiplier(sumFactor(input, e))
                    .addTo(sums[e] + (at - first), reinterpret_cast<std::uint8_t*>(buffer), even);
            }
            pieces_.counted(wanted);
        }
    }
    pieces_.release(piece);
}

}  // namespace morsela::recovery
