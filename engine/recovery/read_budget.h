#pragma once

#include <cstdint>
#include <string>

namespace morsela::recovery {

// What reading one recovery file may take in all, in bytes read or hashed: a few times its
// size. A packet is checked over the length its header claims, and damaged packets are
// passed over to the next magic sequence; a file of headers each claiming the rest of the
// file would then have every byte hashed once for each header before it, so that the work
// grew with the square of the file's size. A sound file, damaged here and there, takes about
// its size once or twice; one that has spent the budget is refused as damaged.
class ReadBudget {
  public:
    static constexpr std::int64_t kTimesTheSize = 4;
    static constexpr std::int64_t kSpare = std::int64_t{1} << 20;

    explicit ReadBudget(std::int64_t fileSize) : left_(kTimesTheSize * fileSize + kSpare) {}

    // Takes `bytes` from what is left; refuses the file at `path` when it is spent. Throws
    // Error.
    void spend(const std::string& path, std::int64_t bytes);

  private:
    std::int64_t left_;
};

}  // namespace morsela::recovery
