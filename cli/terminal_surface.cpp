#include "cli/terminal_surface.h"

#include <algorithm>
#include <string>

#include "cli/stop_signal.h"

namespace morsela {
namespace {

constexpr int kBarColumns = 30;
// Above this many pieces a split is worth a word before it starts: a unit left off?
constexpr std::int64_t kManyPieces = 10000;

}  // namespace

std::string humanBytes(double bytes) {
    static const char* const kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB"};
    if (bytes < 1024) {
        const auto whole = static_cast<long long>(bytes);
        return std::to_string(whole) + (whole == 1 ? " byte" : " bytes");
    }
    int unit = -1;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", bytes, kUnits[unit]);
    return text;
}

TerminalSurface::TerminalSurface(std::FILE* out, std::FILE* err, Settings settings)
    : out_(out), err_(err), settings_(settings) {}

void TerminalSurface::cls() {
    clearBar();
}

void TerminalSurface::print(const std::string& line) {
    clearBar();
    if (settings_.quiet) {
        return;
    }
    // The seconds after "Time it took to split" get their unit here, where people read them.
    std::fprintf(out_, "%s%s\n", line.c_str(), timeLineNext_ ? "s" : "");
    timeLineNext_ = line == "Time it took to split";
}

void TerminalSurface::messageBox(const std::string& prompt, const std::string& /*title*/,
                                 MessageKind kind) {
    clearBar();
    if (kind == MessageKind::Critical) {
        std::fprintf(err_, "morsela: %s\n", prompt.c_str());
    } else if (!settings_.quiet) {
        std::fprintf(out_, "%s\n", prompt.c_str());
    }
}

void TerminalSurface::failed(const SplitError& error) {
    clearBar();
    std::fprintf(err_, "morsela: %s\n", error.detail().c_str());
}

void TerminalSurface::starting(std::int64_t pieces, std::int64_t pieceSize) {
    started_ = std::chrono::steady_clock::now();
    percentShown_ = -1;
    if (pieces > kManyPieces) {
        std::fprintf(err_, "morsela: this split makes %lld pieces of %s each\n",
                     static_cast<long long>(pieces),
                     humanBytes(static_cast<double>(pieceSize)).c_str());
    }
}

void TerminalSurface::progressBytes(std::int64_t done, std::int64_t total) {
    if (!settings_.drawBar) {
        return;
    }
    const int percent = total > 0 ? static_cast<int>(static_cast<double>(done) * 100 / total) : 100;
    if (percent <= percentShown_) {
        return;  // never the same percentage twice, never backwards
    }
    percentShown_ = percent;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    const double rate = seconds > 0 ? done / seconds : 0;
    std::string left = "";
    if (rate > 0 && done < total) {
        left =
            ", " + std::to_string(static_cast<long long>((total - done) / rate + 0.5)) + " s left";
    }
    const int filled = percent * kBarColumns / 100;
    std::fprintf(err_, "\r\033[K[%s%s] %3d%% %s of %s, %s/s%s", std::string(filled, '#').c_str(),
                 std::string(kBarColumns - filled, ' ').c_str(), percent,
                 humanBytes(static_cast<double>(done)).c_str(),
                 humanBytes(static_cast<double>(total)).c_str(), humanBytes(rate).c_str(),
                 left.c_str());
    std::fflush(err_);
    barShown_ = true;
}

bool TerminalSurface::stopRequested() {
    return stopSignalled();
}

void TerminalSurface::fileWritten(const std::string& path) {
    if (settings_.listFiles && !settings_.quiet) {
        clearBar();
        std::fprintf(out_, "%s\n", path.c_str());
    }
}

void TerminalSurface::notice(const std::string& text) {
    clearBar();
    std::fprintf(err_, "morsela: %s\n", text.c_str());
}

void TerminalSurface::clearBar() {
    if (barShown_) {
        std::fprintf(err_, "\r\033[K");
        std::fflush(err_);
        barShown_ = false;
    }
}

}  // namespace morsela
