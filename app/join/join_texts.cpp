#include "app/join/join_texts.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/controls/native_path.h"

namespace morsela {

QString roughSize(std::int64_t bytes) {
    if (bytes < 1024) {
        return countOf(bytes, "byte", "bytes");
    }
    constexpr std::array<const char*, 6> kUnits = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    // 1023.96 KiB rounds to 1024 KiB at no decimal: that is 1.0 MiB.
    while (value >= 1023.5 && unit + 1 < kUnits.size()) {
        value /= 1024;
        ++unit;
    }
    const int decimals = value < 99.95 ? 1 : 0;
    return QString::number(value, 'f', decimals) + " " + kUnits[unit];
}

QString clockTime(double seconds) {
    const auto whole = static_cast<std::int64_t>(std::llround(std::max(seconds, 0.0)));
    const auto twoDigits = [](std::int64_t n) { return QString::number(n).rightJustified(2, '0'); };
    if (whole < 3600) {
        return QString::number(whole / 60) + ":" + twoDigits(whole % 60);
    }
    return QString::number(whole / 3600) + ":" + twoDigits(whole / 60 % 60) + ":" +
           twoDigits(whole % 60);
}

QString duration(double seconds) {
    if (seconds < 59.95) {
        return QString::number(std::max(seconds, 0.0), 'f', 1) + " s";
    }
    return clockTime(seconds);
}

QString countOf(std::int64_t count, const char* one, const char* many) {
    return QString::number(count) + " " + (count == 1 ? one : many);
}

QString progressLine(std::int64_t done, std::int64_t total, double seconds) {
    QString line = roughSize(done) + " of " + roughSize(total);
    if (seconds >= 1.0 && done > 0) {
        const double rate = static_cast<double>(done) / seconds;
        line += ", " + roughSize(static_cast<std::int64_t>(rate)) + "/s";
        line += ", " + clockTime(static_cast<double>(total - done) / rate) + " left";
    }
    return line;
}

QString piecesLine(const JoinPlan& plan) {
    return countOf(plan.pieces, "piece", "pieces") + ", " + roughSize(plan.totalBytes) + " in all";
}

QString checksumLine(const JoinPlan& plan) {
    if (plan.checksumFile.empty()) {
        return "No checksum file beside the pieces: they are joined as they are";
    }
    return "Checked against " + shownText(plan.checksumFile) + " beside the pieces";
}

QString resultLine(const JoinOutcome& outcome) {
    QString line = "Joined " + shownText(outcome.target) + " (" + roughSize(outcome.bytes) + ")";
    if (outcome.verified && outcome.piecesListed) {
        line += "; all " + countOf(outcome.pieces, "piece", "pieces") + " matched their checksums";
    } else if (outcome.verified) {
        line += "; the joined file matched its checksum";
    }
    return line + ".";
}

QString rebuildLine(const std::string& piece) {
    return shownText(piece) + " is missing; Join rebuilds it from the recovery files first.";
}

}  // namespace morsela
