#pragma once

#include <string_view>

#include "split/progress.h"
#include "split/size_text.h"
#include "split/split_state.h"

namespace morsela {

enum class SplitResult { Done, Failed, Stopped };

// What the command line asks for beyond the window's size box.
struct SplitOptions {
    // Reads the size text; the window's reads kilobytes.
    PieceSize (*readSize)(std::string_view) = pieceSizeFromText;
    // Above 0: cut into at most this many pieces of equal size (the last may be smaller),
    // as few as that takes; the size text is not read.
    std::int64_t pieces = 0;
    // Also write SOURCE.sha256 beside the script, for sha256sum -c and morsela join.
    bool checksum = false;
};

// Cuts the file named by `fileText` into pieces of `sizeText` kilobytes in state.outputDir
// and writes the rejoin script beside them, drawing progress and the report on `pic1`.
//
// Every failure is reported through pic1.failed() and gives Failed; the
// source is never written, and no script is written for a split that did not finish.
// A split that pic1 asks to stop ends after the current block and gives Stopped.
SplitResult SplitFile(SplitState& state, std::string_view fileText, std::string_view sizeText,
                      ProgressSurface& pic1, const SplitOptions& options = {});

}  // namespace morsela
