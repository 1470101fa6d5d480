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
    enum class Status { Ok, TooSmall, TooLarge };
    Status status = Status::TooSmall;
    std::int64_t bytes = 0;
};
PieceSize pieceSizeFromText(std::string_view sizeText);

}  // namespace morsela
