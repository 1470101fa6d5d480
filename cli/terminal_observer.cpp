#include "cli/terminal_observer.h"

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

TerminalObserver::TerminalObserver(std::FILE* out, std::FILE* err, Settings settings)
    : out_(out), err_(err), settings_(settings) {}

void TerminalObserver::splitStarted(const SplitPlan& plan) {
    percentShown_ = -1;
    if (plan.pieces > kManyPieces) {
        std::fprintf(err_, "morsela: this split makes %lld pieces of %s each\n",
                     static_cast<long long>(plan.pieces),
                     humanBytes(static_cast<double>(plan.pieceSize)).c_str());
    }
}

void TerminalObserver::joinStarted(const JoinPlan& /*plan*/) {
    percentShown_ = -1;
}

void TerminalObserver::progressed(std::int64_t done, std::int64_t total) {
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

void TerminalObserver::fileWritten(const std::string& path) {
    if (settings_.listFiles && !settings_.quiet) {
        clearBar();
        std::fprintf(out_, "%s\n", path.c_str());
    }
}

void TerminalObserver::notice(const Notice& notice) {
    clearBar();
    std::fprintf(err_, "morsela: %s: %s\n", notice.path.c_str(), notice.text.c_str());
}

bool TerminalObserver::stopRequested() {
    return stopSignalled();
}

void TerminalObserver::finished(const std::string& text) {
    clearBar();
    if (!settings_.quiet) {
        std::fprintf(out_, "morsela: %s\n", text.c_str());
    }
}

void TerminalObserver::failed(const Error& error) {
    clearBar();
    std::fprintf(err_, "morsela: %s\n", error.what());
}

std::string TerminalObserver::elapsed() const {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

void TerminalObserver::clearBar() {
    if (barShown_) {
        std::fprintf(err_, "\r\033[K");
        std::fflush(err_);
        barShown_ = false;
    }
}

}  // namespace morsela
