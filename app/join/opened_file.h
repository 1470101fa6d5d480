#pragma once

#include "app/controls/native_path.h"

namespace morsela {

// What the window does with a file it is started with: a rejoin script or the first piece of a
// numbered series opens the join window; any other file is the source of a split.
enum class Opening { Split, Join };
Opening openingOf(const NativePath& file);

// True for a file whose first command, after blank, echo, chcp and rem lines, is "copy /b" in
// any letter case: a rejoin script, whatever its name ends in. Only the first lines are read;
// a pipe or device is never opened for reading.
bool readsLikeRejoinScript(const NativePath& file);

// True for a name ending in ".001" with a name before it (archive.001, photos.7z.001).
bool isFirstPiece(const NativePath& file);

}  // namespace morsela
