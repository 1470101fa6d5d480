#pragma once

#include <QString>
#include <cstdint>

class QWidget;

namespace morsela {

// More pieces than anyone makes by accident, such as a size typed without its unit: the
// window asks before such a split starts.
inline constexpr std::int64_t kManyPieces = 1000;

// Asks "Split film.mkv into 51,200 pieces of 1 KiB?" (Yes / No, No the default) when
// `pieces` is above kManyPieces; true when the split may start.
bool mayMakeManyPieces(QWidget* parent, const QString& fileName, std::int64_t pieces,
                       std::int64_t pieceSize);

}  // namespace morsela
