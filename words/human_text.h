#pragma once

#include <cstdint>
#include <string>

namespace morsela {

// Sizes, counts and times as a person reads them, the same in the window and on the command
// line. The engine gives numbers; these are the words both front ends put around them.

// A size rounded for reading, in the largest unit of 1024 that keeps it at 1 or more: one
// decimal below 100, none above, and none for a whole number of the unit. "512 bytes",
// "1 byte", "64 KiB", "1.5 KiB", "1.0 MiB" (for 1,048,545 bytes), "730 MiB", "1.1 GiB".
std::string roughSize(std::int64_t bytes);

// A size exactly: in the largest unit that gives it with at most two decimals, else in bytes
// with the thousands grouped. "10 MiB", "1.5 KiB", "3.25 TiB", "12,345 KiB", "1,741 bytes".
std::string exactSize(std::int64_t bytes);

// A whole number with its thousands grouped by commas: "51,200", "-1,000", "999".
std::string groupedNumber(std::int64_t number);

// "1 piece", "12 pieces", "51,200 pieces".
std::string countOf(std::int64_t count, const char* one, const char* many);

// A time as a clock shows it, rounded to whole seconds: "0:05", "1:05", "1:02:03".
std::string clockTime(double seconds);

// How long a job took: "0.4 s", "59.9 s" below a minute, then as clockTime shows it.
std::string duration(double seconds);

}  // namespace morsela
