#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace morsela {

// The size field, "Size in KB of splits": a number of kilobytes of 1024 bytes, as the window
// has always read it (decimals, an exponent, blanks anywhere), optionally followed by a unit
// in any letter case: K, KB or KiB (kilobytes, as the label says), M, MB or MiB (1024 KB),
// G, GB or GiB (1024 MB). The window counts in 1024s throughout, as its label does.

// What a text is read as: a size in bytes, or why it gives none, in the window's words.
struct FieldSize {
    std::int64_t bytes = 0;
    QString problem;  // empty when `bytes` holds the size
};
FieldSize readSizeField(const QString& text);

// The piece size in bytes, rounded to the nearest byte with halves to the even neighbour.
// Throws Error (Refused) with the problem for a text that gives no size: none typed, no
// number, text after the number that is no unit, a size below one byte or beyond 64 bits.
std::int64_t pieceSizeFromField(const QString& text);

// The field's tooltip: what the text is read as and, when the chosen file's length is known,
// how many pieces it makes ("= 10 MiB, 2 pieces"); the problem when it gives no size.
QString sizeFieldTip(const QString& text, std::optional<std::int64_t> fileLength);

}  // namespace morsela
