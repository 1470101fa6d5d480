#include "cli/terminal_observer.h"

#include <cerrno>
#include <string>

#include "cli/progress_line.h"
#include "cli/stop_signal.h"
#include "cli/terminal_size.h"
#include "words/human_text.h"
#include "words/phase_name.h"
#include "words/printable.h"

namespace morsela {
namespace {

// Above this many pieces a split is worth a word before it starts: a unit left off?
constexpr std::int64_t kManyPieces = 10000;
// A few redraws a second are enough to see it move; more would only slow the terminal. A
// job shorter than this shows no bar at all.
constexpr auto kRedrawEvery = std::chrono::milliseconds(250);

double secondsBetween(std::chrono::steady_clock::time_point from,
                      std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

}  // namespace

TerminalObserver::TerminalObserver(std::FILE* out, std::FILE* err, Settings settings, Clock clock)
    : out_(out),
      err_(err),
      settings_(settings),
      clock_(std::move(clock)),
      started_(clock_()),
      copyStarted_(started_),
      drawn_(started_) {
    settings_.drawBar = settings_.drawBar && !settings_.quiet;
    if (settings_.drawBar) {
        watchTerminalSize();
    }
}

TerminalObserver::~TerminalObserver() {
    clearBar();
}

void TerminalObserver::splitStarted(const SplitPlan& plan) {
    startCopy();
    if (plan.pieces > kManyPieces && !settings_.quiet) {
        say(err_, "morsela: this split makes " + countOf(plan.pieces, "piece", "pieces") + " of " +
                      roughSize(plan.pieceSize) + " each");
    }
}

void TerminalObserver::joinStarted(const JoinPlan& plan) {
    startCopy();
    if (settings_.announceJoin && !settings_.quiet) {
        say(out_,
            "morsela: joining " + countOf(plan.pieces, "piece", "pieces") + " into " + plan.target);
    }
}

void TerminalObserver::startCopy() {
    phase_.clear();
    copyStarted_ = clock_();
    drawn_ = copyStarted_;
}

void TerminalObserver::progressed(std::int64_t done, std::int64_t total) {
    const auto now = clock_();
    if (!settings_.drawBar || now - drawn_ < kRedrawEvery) {
        return;
    }
    drawn_ = now;
    const int fd = ::fileno(err_);
    if (columns_ == 0 || terminalResized()) {
        columns_ = terminalColumns(fd);
    }
    // The last columns stay free: a line as wide as the terminal makes some terminals wrap.
    const int width = columns_ - 3 - static_cast<int>(phase_.size());
    const std::string bar = progressLine(done, total, secondsBetween(copyStarted_, now), width);
    const std::string line = bar.empty() ? bar : phase_ + bar;
    // Written over the last one, and what is left of the old one erased after it: no flicker.
    // The cursor then waits at the start of the line, where a terminal made narrower keeps
    // it while it wraps the old line into more rows (tmux, VTE) or cuts it (xterm); erasing
    // to the end of the screen from there removes the old line whole on either.
    std::fprintf(err_, "\r%s\033[J\r", line.c_str());
    std::fflush(err_);
    barShown_ = true;
    setLineToEraseOnExit(fd);
}

void TerminalObserver::fileWritten(const std::string& path) {
    if (settings_.listFiles && !settings_.quiet) {
        say(out_, path);
    }
}

void TerminalObserver::notice(const Notice& notice) {
    if (!settings_.quiet) {
        say(err_,
            "morsela: " + (notice.path.empty() ? notice.text : notice.path + ": " + notice.text));
    }
}

// The bar starts again, its rate and time left counted from now, under the phase's name.
void TerminalObserver::phaseStarted(Phase phase) {
    startCopy();
    phase_ = std::string(phaseName(phase)) + ": ";
}

void TerminalObserver::finished(const std::string& text) {
    if (!settings_.quiet) {
        say(out_, "morsela: " + text);
    }
}

bool TerminalObserver::replaceOtherSplit(const OtherSplit& other) {
    if (!settings_.force) {
        declined_ = other;
    }
    return settings_.force;
}

void TerminalObserver::failed(const Error& error) {
    // A file or another file's split in the way is replaced only when asked to: the command
    // line asks with --force.
    std::string also;
    if (error.kind() == Error::Kind::Exists) {
        also = "; use --force to replace it";
    } else if (declined_ && error.path() == declined_->script) {
        also = declined_->target.empty() ? "; --force replaces it" : "; --force replaces them";
    }
    say(err_, std::string("morsela: ") + error.what() + also);
}

std::string TerminalObserver::elapsed() const {
    return duration(secondsBetween(started_, clock_()));
}

void TerminalObserver::say(std::FILE* file, const std::string& line) {
    clearBar();
    const std::string shown = printable(line) + "\n";
    errno = 0;
    const bool written = std::fputs(shown.c_str(), file) >= 0 && std::fflush(file) == 0;
    if (!written && file == out_ && outputError_ == 0) {
        outputError_ = errno != 0 ? errno : EIO;
        stop_.requestStop();
    }
}

void TerminalObserver::clearBar() {
    if (barShown_) {
        std::fputs("\r\033[J", err_);
        std::fflush(err_);
        barShown_ = false;
        setLineToEraseOnExit(-1);
    }
}

}  // namespace morsela
