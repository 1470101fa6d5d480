#pragma once

#include <QIcon>

namespace morsela {

// The window's and the application's icon: 32 x 32 pixels in a handful of colours.
QIcon morselaIcon();

}  // namespace morsela
