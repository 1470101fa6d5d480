#include "split/progress.h"

namespace morsela {

void ResetProgress(SplitState& state, ProgressSurface& pic1) {
    state.progressStep = 1;
    pic1.scale(0, 0, 100, 5);
    pic1.cls();
}

void checkProgress(SplitState& state, ProgressSurface& pic1) {
    const std::int64_t copied = state.sourcePos - 1;
    int reached = 100;
    if (state.sourceLength > 0) {
        // 100 x copied needs more than 64 bits for the largest files.
        __extension__ using Wide = unsigned __int128;
        reached = static_cast<int>(Wide(copied) * 100 / Wide(state.sourceLength));
    }
    pic1.progressBytes(copied, state.sourceLength);
    if (reached >= state.progressStep) {
        pic1.box(0, 0, reached, 5, kBarColour);
        state.progressStep = reached + 1;
    }
}

}  // namespace morsela
