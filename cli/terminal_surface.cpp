#include "cli/terminal_surface.h"

#include <algorithm>
#include <string>

namespace morsela {
namespace {

constexpr int kBarColumns = 40;

}  // namespace

TerminalSurface::TerminalSurface(std::FILE* out, std::FILE* err, bool drawBar, bool listFiles)
    : out_(out), err_(err), drawBar_(drawBar), listFiles_(listFiles) {}

void TerminalSurface::scale(double x1, double /*y1*/, double x2, double /*y2*/) {
    left_ = x1;
    width_ = x2 - x1;
}

void TerminalSurface::cls() {
    clearBar();
}

void TerminalSurface::box(double /*x1*/, double /*y1*/, double x2, double /*y2*/,
                          Colour /*colour*/) {
    if (!drawBar_ || width_ <= 0) {
        return;
    }
    const double fraction = std::clamp((x2 - left_) / width_, 0.0, 1.0);
    const int filled = static_cast<int>(fraction * kBarColumns);
    std::fprintf(err_, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(kBarColumns - filled, ' ').c_str(), static_cast<int>(fraction * 100));
    std::fflush(err_);
    barShown_ = true;
}

void TerminalSurface::print(const std::string& line) {
    clearBar();
    std::fprintf(out_, "%s\n", line.c_str());
}

void TerminalSurface::messageBox(const std::string& prompt, const std::string& /*title*/,
                                 MessageKind kind) {
    clearBar();
    if (kind == MessageKind::Critical) {
        std::fprintf(err_, "morsela: %s\n", prompt.c_str());
    } else {
        std::fprintf(out_, "%s\n", prompt.c_str());
    }
}

void TerminalSurface::fileWritten(const std::string& path) {
    if (listFiles_) {
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
        std::fprintf(err_, "\r%*s\r", kBarColumns + 7, "");
        std::fflush(err_);
        barShown_ = false;
    }
}

}  // namespace morsela
