#include "cli/human_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace morsela {

std::string humanBytes(double bytes) {
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    if (bytes < 1024) {
        const auto whole = static_cast<long long>(bytes);
        return std::to_string(whole) + (whole == 1 ? " byte" : " bytes");
    }
    int unit = -1;
    while (bytes >= 1024 && unit < 5) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", bytes);
    std::string number = text;
    if (number.ends_with(".0")) {
        number.resize(number.size() - 2);
    }
    return number + " " + kUnits[unit];
}

std::string countOf(std::int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string clockTime(double seconds) {
    const auto whole = static_cast<long long>(std::llround(std::max(seconds, 0.0)));
    char text[32];
    if (whole < 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    }
    return text;
}

std::string duration(double seconds) {
    if (seconds >= 59.95) {
        return clockTime(seconds);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", std::max(seconds, 0.0));
    return text;
}

}  // namespace morsela
