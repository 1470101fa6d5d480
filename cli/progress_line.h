#pragma once

#include <cstdint>
#include <string>

namespace morsela {

// The bar's line after `seconds` with `done` of `total` bytes copied, at most `width`
// characters long:
//   [##########          ]  45% 1.2 GiB of 2.7 GiB, 120 MiB/s, 0:13 left
// Where it does not fit it leaves out the least useful parts first: the rate, the bytes, the
// bar itself, the time left. Empty when not even the percentage fits.
std::string progressLine(std::int64_t done, std::int64_t total, double seconds, int width);

}  // namespace morsela
