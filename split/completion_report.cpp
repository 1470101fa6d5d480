#include "split/completion_report.h"

#include <chrono>
#include <cstdio>

namespace morsela {

std::string reportNumber(float seconds) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%.7G", static_cast<double>(seconds));
    return (seconds < 0 ? "" : " ") + std::string(digits) + " ";
}

void reportCompletion(const SplitState& state, ProgressSurface& pic1) {
    pic1.cls();
    pic1.print("Time it took to split");
    // A monotonic clock: the time is never negative, also across midnight.
    const std::chrono::duration<float> elapsed = std::chrono::steady_clock::now() - state.startTime;
    pic1.print(reportNumber(elapsed.count()));
    pic1.messageBox("Files Split", "Split Confirmation", MessageKind::Information);
}

}  // namespace morsela
