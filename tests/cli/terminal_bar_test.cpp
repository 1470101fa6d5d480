// The bar as a user sees it: the real morsela binary on a pseudo-terminal of 60 and 80
// columns, its copies slowed down so that the bar is drawn. The bar fits the width (also
// after the terminal is resized), and nothing of it is left on the screen after a success, a
// failure or Ctrl-C.

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>
#include <filesystem>
#include <regex>

#include "tests/support/morsela_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/terminal_screen.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// The bar's frames in what the terminal was sent: each is written after a "\r" and ended by
// erasing the rest of the screen.
std::vector<std::string> framesIn(const std::string& shown) {
    std::vector<std::string> frames;
    const std::regex frame("\r([^\r\n\x1b]+)\x1b\\[J");
    for (std::sregex_iterator it(shown.begin(), shown.end(), frame), end; it != end; ++it) {
        frames.push_back((*it)[1]);
    }
    return frames;
}

// What the terminal shows once the bar has been drawn twice.
const std::string kSecondFrame = "\x1b[J\r\r[";

// A source in its own directory, split there in 40 pieces of 64 KiB into out/, which takes
// above a second with every copy slowed down.
class TerminalBar : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        test::writeFile(dir / "s.bin", test::patternBytes(40 * 65536));
        fs::create_directory(dir.path() / "out");
    }
    test::ProcessRun split(std::vector<test::ProcessAction> actions = {}) {
        return test::runMorselaProcess({"split", "s.bin", "64K", "out"},
                                       {true, false, GetParam(), dir.path(), std::move(actions)});
    }
    // The screen at the end, each line as it was sent.
    std::string screenAfter(const test::ProcessRun& run) const {
        test::TerminalScreen screen(GetParam());
        screen.feed(run.out);
        return screen.text();
    }
    // The bar takes the room that the figures leave up to the last three columns, unless
    // it is 40 columns long already.
    void expectFramesFit(const std::string& shown, int columns) const {
        const auto frames = framesIn(shown);
        EXPECT_GE(frames.size(), 2u) << shown;
        for (const std::string& frame : frames) {
            const bool longestBar = frame.find(']') == 41;
            EXPECT_TRUE(static_cast<int>(frame.size()) == columns - 3 ||
                        (longestBar && static_cast<int>(frame.size()) < columns - 3))
                << frame;
            EXPECT_NE(frame.find("% "), std::string::npos) << frame;
        }
    }
    test::TempDir dir;
};

TEST_P(TerminalBar, FitsTheWidthAndLeavesOnlyTheSummary) {
    const auto run = split();
    EXPECT_EQ(run.status, 0) << run.out;
    expectFramesFit(run.out, GetParam());
    EXPECT_TRUE(std::regex_match(
        screenAfter(run),
        std::regex(
            "morsela: s\\.bin: 40 pieces of 64 KiB in [0-9.]+ s; rejoin with out/s\\.bat\n")))
        << screenAfter(run);
}

TEST_P(TerminalBar, CtrlCLeavesOnlyTheLineThatSaysWhatIsLeft) {
    const auto run = split({test::typeKeys(kSecondFrame, "\x03")});
    EXPECT_EQ(run.status, 130) << run.out;
    EXPECT_NE(run.out.find("^C"), std::string::npos) << run.out;  // the terminal's echo
    EXPECT_TRUE(std::regex_match(screenAfter(run),
                                 std::regex("morsela: s\\.bin: stopped; [0-9]+ whole pieces are "
                                            "left and no rejoin script\n")))
        << screenAfter(run);
}

TEST_P(TerminalBar, AFailureLeavesOnlyItsLinesWhatIsLeftAndWhy) {
    const std::string source = dir / "s.bin";
    const auto run = split(
        {{milliseconds(0), [&](pid_t, int) { ASSERT_EQ(::truncate(source.c_str(), 65536), 0); },
          kSecondFrame}});
    EXPECT_EQ(run.status, 1) << run.out;
    expectFramesFit(run.out, GetParam());
    const std::string screen = screenAfter(run);
    EXPECT_TRUE(
        std::regex_match(screen, std::regex("morsela: out: s\\.001( to s\\.[0-9]+)? (is|are) "
                                            "left whole, and no rejoin script\n"
                                            "morsela: s\\.bin: [^\n]*\n")))
        << screen;
}

INSTANTIATE_TEST_SUITE_P(Columns, TerminalBar, ::testing::Values(60, 80));

TEST(TerminalResize, TheBarFollowsTheNewWidth) {
    test::TempDir dir;
    test::writeFile(dir / "s.bin", test::patternBytes(40 * 65536));
    fs::create_directory(dir.path() / "out");
    const auto run = test::runMorselaProcess(
        {"split", "s.bin", "64K", "out"},
        {true, false, 100, dir.path(), {test::resizeTerminal(kSecondFrame, 50)}});
    EXPECT_EQ(run.status, 0);
    const auto frames = framesIn(run.out);
    ASSERT_GE(frames.size(), 3u) << run.out;
    EXPECT_GT(frames.front().size(), 50u);
    EXPECT_LE(frames.back().size(), 47u) << frames.back();
}

// A terminal made narrower while the bar shows (80 columns to 40, as a tmux pane split in
// two): whether the terminal wraps the old, longer line into two rows or cuts it, nothing of
// the bar is left once the split is done or stopped.
TEST(TerminalResize, NarrowerLeavesNothingOfTheBarBehind) {
    // Half a second in, with the bar drawn a few times.
    test::ProcessAction narrower = test::resizeTerminal("[", 40);
    narrower.after = milliseconds(500);
    struct Case {
        std::vector<test::ProcessAction> actions;
        std::string left;  // the screen at the end
    };
    const std::vector<Case> cases = {
        {{narrower},
         "morsela: s\\.bin: 40 pieces of 64 KiB in [0-9.]+ s; rejoin with out/s\\.bat\n"},
        {{narrower,
          {milliseconds(900),
           [&](pid_t, int terminal) { ASSERT_EQ(::write(terminal, "\x03", 1), 1); }, "["}},
         "morsela: s\\.bin: stopped; [0-9]+ whole pieces are left and no rejoin script\n"},
    };
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (const Case& c : cases) {
            test::TempDir dir;
            test::writeFile(dir / "s.bin", test::patternBytes(40 * 65536));
            fs::create_directory(dir.path() / "out");
            const auto run = test::runMorselaProcess({"split", "s.bin", "64K", "out"},
                                                     {true, false, 80, dir.path(), c.actions});
            ASSERT_FALSE(run.actedAt.empty()) << run.out;
            for (const auto narrower :
                 {test::TerminalScreen::Narrower::Rewraps, test::TerminalScreen::Narrower::Cuts}) {
                test::TerminalScreen screen(80, narrower);
                screen.feed(std::string_view(run.out).substr(0, run.actedAt.front()));
                screen.resize(40);
                screen.feed(std::string_view(run.out).substr(run.actedAt.front()));
                EXPECT_TRUE(std::regex_match(screen.text(), std::regex(c.left)))
                    << "narrower " << static_cast<int>(narrower) << ":\n"
                    << screen.text();
            }
        }
    }
}

TEST(TerminalScreenModel, ANarrowerTerminalWrapsOrCutsTheLineTheCursorIsOn) {
    test::TerminalScreen wraps(10);
    wraps.feed("done\r\n0123456789abc");  // the cursor after "c", in the second row
    wraps.resize(5);
    wraps.feed("\rX\x1b[K");  // the third row of five, "abc", is the cursor's
    EXPECT_EQ(wraps.text(), "done\n0123456789X\n");
    test::TerminalScreen cuts(10, test::TerminalScreen::Narrower::Cuts);
    cuts.feed("done\r\n0123456789abc");
    cuts.resize(5);
    cuts.feed("\rX\x1b[K");
    EXPECT_EQ(cuts.text(), "done\n01234X\n");
}

}  // namespace
}  // namespace morsela
