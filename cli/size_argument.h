#pragma once

#include <string_view>

#include "split/size_text.h"

namespace morsela {

// SIZE on the command line: a number with one of the units of the standard tools (k, K,
// KiB, m, M, MiB ... in powers of 1024; kB, KB, MB ... in powers of 1000) or none for
// kilobytes of 1024 bytes, as in the window.
PieceSize sizeArgument(std::string_view text);

// SIZE explained, with the table of its units, as --help shows it.
inline constexpr const char* kSizeHelp =
    "SIZE is a number with a unit; a number alone counts kilobytes of 1024 bytes.\n"
    "Decimals and exponents are allowed: 1.5K is 1536 bytes, 1e3 is 1000 KiB.\n"
    "  k, K, KiB  1024 bytes              kB, KB  1000 bytes\n"
    "  m, M, MiB  1024 KiB                MB      1000 kB\n"
    "  g, G, GiB  1024 MiB                GB      1000 MB\n"
    "  t, T, TiB  1024 GiB                TB      1000 GB\n";

}  // namespace morsela
