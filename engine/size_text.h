#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace morsela {

// Size texts as people type them, read into bytes. Each front end has its own units; the
// reading of the number is the same for both.

// The leading number of a text: blanks, tabs and line feeds are skipped wherever they
// stand, an optional sign, "." as the only decimal point whatever the locale, an optional
// exponent; reading stops at the first character that cannot continue the number. `rest` is
// what follows, blanks left out. A text without a leading number gives 0 and `found` false.
struct LeadingNumber {
    double value = 0;
    bool found = false;
    std::string rest;
};
LeadingNumber leadingNumber(std::string_view text);

// A piece size in bytes, or why a text gives none.
struct PieceSize {
    enum class Status { Ok, TooSmall, TooLarge, BadUnit };
    Status status = Status::TooSmall;
    std::int64_t bytes = 0;
};

// `bytes` rounded to the nearest integer with halves to the even neighbour; TooSmall below
// one byte, TooLarge beyond a signed 64-bit integer.
PieceSize pieceSizeOf(double bytes);

// A unit a size may end in, and how many bytes one of it is.
struct SizeUnit {
    const char* name;
    double bytes;
};

// A number read as leadingNumber reads it followed by exactly one of `units` (the unit ""
// stands for a bare number); BadUnit for a text without a number or with anything else.
PieceSize readPieceSize(std::string_view text, std::span<const SizeUnit> units);

}  // namespace morsela
