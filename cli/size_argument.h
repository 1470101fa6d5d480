#pragma once

#include <string_view>

#include "split/size_text.h"

namespace morsela {

// SIZE on the command line: a number with one of the units of the standard tools (K, M, G,
// T, KiB ... TiB in powers of 1024; KB ... TB in powers of 1000) or none for kilobytes of
// 1024 bytes, as in the window.
PieceSize sizeArgument(std::string_view text);

// The units, for messages and help.
inline constexpr const char* kSizeUnits =
    "K, M, G, T (or KiB, MiB, GiB, TiB) for powers of 1024, KB, MB, GB, TB for powers of "
    "1000; no unit means kilobytes of 1024 bytes";

}  // namespace morsela
