#pragma once

#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

#include "engine/recovery/set_plan.h"
#include "engine/recovery/written_pieces.h"

namespace morsela::recovery {

// The first stripe of every recovery block, [0, stripe) of the slice size, summed from a
// split's pieces read back as they are written. Threads share the stripe by byte ranges, each
// adding its range of every input slice into every block, so that none reads what another
// does and no two write the same bytes.
class ReadBackSums {
  public:
    // How many threads sum a stripe of `stripe` bytes.
    static std::size_t threadsFor(std::int64_t stripe);

    // Reads `pieces`, the files of `set` in the same order, as readers from `firstReader` on.
    ReadBackSums(WrittenPieces& pieces, const SetPlan& set, std::int64_t stripe,
                 std::size_t firstReader);
    // Waits for the threads, which end early once the reading is ended.
    ~ReadBackSums();
    ReadBackSums(const ReadBackSums&) = delete;
    ReadBackSums& operator=(const ReadBackSums&) = delete;

    // Waits for the threads; the stripe of each block, `stripe` bytes from sums()[block].
    // Complete when no reader failed (WrittenPieces::rethrowFailure).
    std::vector<std::uint8_t*> take();

  private:
    void run(std::size_t reader, std::int64_t begin, std::int64_t end);
    void addPiece(std::size_t piece, std::size_t reader, std::int64_t begin, std::int64_t end,
                  char* buffer);
    std::vector<std::uint8_t*> blocks();

    WrittenPieces& pieces_;
    const SetPlan& set_;
    std::int64_t stripe_;
    std::vector<std::uint8_t> sums_;
    std::vector<std::thread> threads_;
};

}  // namespace morsela::recovery
