#include "words/human_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace morsela {
namespace {

constexpr std::array<const char*, 6> kUnits = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};

std::string formatted(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

std::string roughSize(std::int64_t bytes) {
    if (bytes < 1024) {
        return countOf(bytes, "byte", "bytes");
    }
    std::size_t unit = 0;
    while (unit + 1 < kUnits.size() && bytes >> (10 * (unit + 1)) >= 1024) {
        ++unit;
    }
    const auto unitBytes = static_cast<double>(std::int64_t{1} << (10 * (unit + 1)));
    double value = static_cast<double>(bytes) / unitBytes;
    // Rounded for its decimals, 1023.97 KiB is 1024 KiB: that is 1.0 MiB.
    if (std::round(value) >= 1024 && unit + 1 < kUnits.size()) {
        value /= 1024;
        ++unit;
    }
    const bool whole = bytes % (std::int64_t{1} << (10 * (unit + 1))) == 0;
    const int decimals = whole || std::round(value * 10) >= 1000 ? 0 : 1;
    return formatted(value, decimals) + " " + kUnits[unit];
}

std::string exactSize(std::int64_t bytes) {
    for (int k = static_cast<int>(kUnits.size()); k >= 1; --k) {
        const std::int64_t unit = std::int64_t{1} << (10 * k);
        // bytes / unit has at most two decimals when bytes x 100 (= 4 x 25) is a multiple
        // of unit, that is when bytes is a multiple of unit / 4.
        if (bytes >= unit && bytes % (unit / 4) == 0) {
            const std::int64_t whole = bytes / unit;
            const std::int64_t hundredths = bytes % unit / (unit / 4) * 25;
            std::string text = groupedNumber(whole);
            if (hundredths != 0) {
                text += "." + std::to_string(hundredths / 10) +
                        (hundredths % 10 != 0 ? std::to_string(hundredths % 10) : "");
            }
            return text + " " + kUnits[static_cast<std::size_t>(k - 1)];
        }
    }
    return countOf(bytes, "byte", "bytes");
}

std::string groupedNumber(std::int64_t number) {
    const std::string digits = std::to_string(number);
    const std::size_t first = number < 0 ? 1 : 0;
    std::string text = digits.substr(0, first);
    for (std::size_t i = first; i < digits.size(); ++i) {
        if (i > first && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

std::string countOf(std::int64_t count, const char* one, const char* many) {
    return groupedNumber(count) + " " + (count == 1 ? one : many);
}

std::string clockTime(double seconds) {
    const auto whole = static_cast<long long>(std::llround(std::max(seconds, 0.0)));
    char text[48];
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
    return formatted(std::max(seconds, 0.0), 1) + " s";
}

}  // namespace morsela
