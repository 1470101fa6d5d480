#include "cli/progress_line.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "words/human_text.h"

namespace morsela {
namespace {

constexpr int kShortestBar = 10;
constexpr int kLongestBar = 40;

// The percentage, then the parts in the order they are shown, each with its rank: the
// parts ranked below `keep` are left out.
struct Part {
    std::string text;
    int rank;  // higher is more useful
};

std::string joined(const std::string& percent, const std::vector<Part>& parts, int keep) {
    std::string text = percent;
    bool first = true;
    for (const Part& part : parts) {
        if (!part.text.empty() && part.rank >= keep) {
            text += (first ? " " : ", ") + part.text;
            first = false;
        }
    }
    return text;
}

std::string bar(int width, double fraction) {
    const int filled = std::clamp(static_cast<int>(fraction * width), 0, width);
    return "[" + std::string(filled, '#') + std::string(width - filled, ' ') + "]";
}

}  // namespace

std::string progressLine(std::int64_t done, std::int64_t total, double seconds, int width) {
    const double fraction = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1;
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%%", static_cast<int>(fraction * 100));
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    std::vector<Part> parts{
        {roughSize(done) + " of " + roughSize(total), 2},
        {rate > 0 ? roughSize(static_cast<std::int64_t>(rate)) + "/s" : "", 1},
        {rate > 0 && done < total ? clockTime(static_cast<double>(total - done) / rate) + " left"
                                  : "",
         3},
    };
    for (int keep = 1; keep <= 3; ++keep) {  // with the bar, fewer parts each time
        const std::string text = joined(percent, parts, keep);
        const int barWidth = std::min(kLongestBar, width - static_cast<int>(text.size()) - 3);
        if (barWidth >= kShortestBar) {
            return bar(barWidth, fraction) + " " + text;
        }
    }
    for (int keep = 3; keep <= 4; ++keep) {  // without it: the time left, then nothing more
        if (const std::string text = joined(percent, parts, keep);
            static_cast<int>(text.size()) <= width) {
            return text;
        }
    }
    return "";
}

}  // namespace morsela
