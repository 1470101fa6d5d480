#pragma once

#include <string_view>

#include "engine/size_text.h"

namespace morsela {

// SIZE on the command line: a number with one of the units of the standard split tool (b for
// 512 bytes; k, K, kiB, KiB, m, M ... in powers of 1024; kB, KB, MB ... in powers of 1000),
// g and t besides, or none for kilobytes of 1024 bytes, as in the window.
PieceSize sizeArgument(std::string_view text);

// SIZE explained, with the table of its units, as --help shows it.
inline constexpr const char* kSizeHelp =
    "SIZE is a number with a unit; a number alone counts kilobytes of 1024 bytes.\n"
    "Decimals and exponents are allowed: 1.5K is 1536 bytes, 1e3 is 1000 KiB.\n"
    "  b                512 bytes\n"
    "  k, K, kiB, KiB   1024 bytes         kB, KB, kD, KD  1000 bytes\n"
    "  m, M, miB, MiB   1024 KiB           mB, MB, mD, MD  1000 kB\n"
    "  g, G, GiB        1024 MiB           GB, GD          1000 MB\n"
    "  t, T, TiB        1024 GiB           TB, TD          1000 GB\n"
    "  P, PiB           1024 TiB           PB, PD          1000 TB\n"
    "  E, EiB           1024 PiB           EB, ED          1000 PB\n"
    "  Z and Y (ZiB, ZB, ...) are read too, but are larger than any piece.\n";

}  // namespace morsela
