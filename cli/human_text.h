#pragma once

#include <cstdint>
#include <string>

namespace morsela {

// Sizes for people: "512 bytes", "1.5 KiB", "4 GiB".
std::string humanBytes(double bytes);

// "1 piece", "12 pieces".
std::string countOf(std::int64_t count, const char* one, const char* many);

// A time as a clock shows it, rounded to whole seconds: "0:05", "1:05", "1:02:03".
std::string clockTime(double seconds);

// How long a job took: "0.4 s", "59.9 s" below a minute, then as clockTime does.
std::string duration(double seconds);

}  // namespace morsela
