#pragma once

#include <QString>
#include <cstdint>

namespace morsela {

// The piece size in bytes that the size field's text gives: its leading number of
// kilobytes times 1024, rounded to the nearest integer with halves to the even neighbour;
// reading stops at the first character that cannot continue the number. Throws Error
// (Refused) with the window's words for a size below one byte or beyond 64 bits.
std::int64_t pieceSizeFromField(const QString& text);

}  // namespace morsela
