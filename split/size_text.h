#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace morsela {

// The leading number of a text, read the way the size box has always read it: blanks, tabs
// and line feeds are skipped wherever they stand, an optional sign, "." as the only decimal
// point whatever the locale, an optional exponent; reading stops at the first character that
// cannot continue the number. A text without a leading number gives 0.
double Val(std::string_view text);

// The piece size in bytes for a size text in kilobytes: Val(text) x 1024, rounded to the
// nearest integer with halves to the even neighbour; refused when that is below one byte or
// does not fit a signed 64-bit integer.
struct PieceSize {
    enum class Status { Ok, TooSmall, TooLarge, BadUnit };
    Status status = Status::TooSmall;
    std::int64_t bytes = 0;
};
PieceSize pieceSizeFromText(std::string_view sizeText);

// The piece size for a size text of the command line: a number read as Val reads it, then
// one of the units of the standard tools (K, M, G, T, KiB, MiB, GiB, TiB in powers of 1024;
// KB, MB, GB, TB in powers of 1000) or none for kilobytes of 1024 bytes. BadUnit for a text
// without a number or with anything else after it.
PieceSize pieceSizeWithUnit(std::string_view sizeText);

// The units that pieceSizeWithUnit reads, for messages and help.
inline constexpr const char* kSizeUnits =
    "K, M, G, T (or KiB, MiB, GiB, TiB) for powers of 1024, KB, MB, GB, TB for powers of "
    "1000; no unit means kilobytes of 1024 bytes";

}  // namespace morsela
