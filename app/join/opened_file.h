#pragma once

#include "app/controls/native_path.h"

namespace morsela {

// What the window does with a file it is started with: what the join takes for a rejoin
// script or the first piece of a numbered series (engine/join/opened_look.h) opens the join
// window; any other file is the source of a split.
enum class Opening { Split, Join };
Opening openingOf(const NativePath& file);

}  // namespace morsela
