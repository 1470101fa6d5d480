#pragma once

#include <string_view>

#include "split/progress.h"
#include "split/split_state.h"

namespace morsela {

enum class SplitResult { Done, Failed, Stopped };

// Cuts the file named by `fileText` into pieces of `sizeText` kilobytes in state.outputDir
// and writes the rejoin script beside them, drawing progress and the report on `pic1`.
//
// Every failure is reported on `pic1` as a message box titled "Error" and gives Failed; the
// source is never written, and no script is written for a split that did not finish.
// A split that pic1 asks to stop ends after the current block and gives Stopped.
SplitResult SplitFile(SplitState& state, std::string_view fileText, std::string_view sizeText,
                      ProgressSurface& pic1);

}  // namespace morsela
