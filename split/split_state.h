#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace morsela {

// The variables that the window's handlers and the split share. They live as long as the
// window and nothing resets them between two splits: the next split overwrites every field
// but outputDir, which only the window's directory handlers write.
//
// Sizes and positions are 64-bit so that files of 2 GiB and more split correctly. Positions
// count bytes from 1: position p is the p-th byte of a file.
//
// Kept on purpose though nothing reads them after the split: bytesPerStep, nameLength,
// slashPos and trimLength. They are the split's working fields and stay as it leaves them,
// as every field does; do not remove them as unused.
struct SplitState {
    std::string scriptName;       // file name of the rejoin script
    std::string sourceName;       // first the source path as typed, then only its file name
    std::string pieceName;        // file name of the current piece
    std::string pieceNumberText;  // number of the current piece, at least three digits
    std::string outputDir;        // output directory, ending in "/" (or empty: the current one)
    std::int64_t pieceCount = 0;  // number of the current piece, counted from 1
    std::int64_t pieceSize = 0;   // requested piece size in bytes
    std::int64_t sourceLength = 0;
    std::int64_t piecePos = 0;      // next write position in the current piece
    std::int64_t sourcePos = 0;     // next read position in the source
    std::int64_t bytesPerStep = 0;  // bytes in one hundredth of the source
    std::size_t nameLength = 0;     // length of the file name while a name is formed
    std::size_t slashPos = 0;       // position of a "/" while the path is stripped, 0 for none
    std::size_t trimLength = 0;     // length of the text while the path is stripped
    int progressStep = 0;           // next hundredth of the progress bar to draw
    std::chrono::steady_clock::time_point startTime{};  // when the split began
};

}  // namespace morsela
