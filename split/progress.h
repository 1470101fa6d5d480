#pragma once

#include <cstdint>
#include <string>

#include "split/split_error.h"
#include "split/split_state.h"

namespace morsela {

// A colour value: red in the low byte, then green, then blue.
using Colour = std::uint32_t;
inline constexpr Colour kBarColour = 255;  // pure red

enum class MessageKind { Information, Critical };

// Where a split shows its progress and its report: the window's picture box and message
// boxes, or the terminal. The engine draws through this and knows nothing of either.
class ProgressSurface {
  public:
    virtual ~ProgressSurface() = default;

    // A user coordinate system: (x1, y1) is the top left corner, (x2, y2) the bottom right.
    virtual void scale(double x1, double y1, double x2, double y2) = 0;
    // Clears the surface and moves the text position to the top left corner.
    virtual void cls() = 0;
    // A filled box with the corners (x1, y1) and (x2, y2) in user coordinates.
    virtual void box(double x1, double y1, double x2, double y2, Colour colour) = 0;
    // Prints one line at the text position and moves to the start of the next line.
    virtual void print(const std::string& line) = 0;
    // Shows a message and returns when the user has taken note of it.
    virtual void messageBox(const std::string& prompt, const std::string& title,
                            MessageKind kind) = 0;

    // Asked after every block: true stops the split there.
    virtual bool stopRequested() { return false; }
    // Told of every piece and script once it is complete.
    virtual void fileWritten(const std::string& /*path*/) {}
    // A split or join failed: by default a message box titled "Error" with the headline on
    // its first line and the detail (path and reason) under it.
    virtual void failed(const SplitError& error) {
        messageBox(error.headline() + "\n" + error.detail(), kErrorTitle, MessageKind::Critical);
    }
    // Once the pieces are known, before the first is written.
    virtual void starting(std::int64_t /*pieces*/, std::int64_t /*pieceSize*/) {}
    // After every block: the bytes copied so far of all there are to copy.
    virtual void progressBytes(std::int64_t /*done*/, std::int64_t /*total*/) {}
    // Something the user should know besides the report: pieces of an earlier split left
    // beside the new ones, or what a stopped split left behind.
    virtual void notice(const std::string& /*text*/) {}
};

// Sets the scale to 100 steps across and 5 down, clears the surface and starts at step 1.
void ResetProgress(SplitState& state, ProgressSurface& pic1);

// After each block: draws the bar up to the hundredths of the source copied so far, once for
// each new hundredth reached (at most 100 draws a split). An empty source fills the bar.
void checkProgress(SplitState& state, ProgressSurface& pic1);

}  // namespace morsela
